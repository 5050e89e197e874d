// The toolkit's one wait: what ends it, and what it leaves in the thread's queue.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "vqHandles.h"
#include "vqWait.h"

namespace {

std::vector<MSG> takeThreadMessages() {
  std::vector<MSG> out;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
    if (!m.hwnd) out.push_back(m);
  return out;
}

bool stopAtOnce(void*) { return true; }
bool countPolls(void* n) {
  ++*static_cast<int*>(n);
  return false;
}

}  // namespace

TEST(Wait, EndsOnHandleTimeOutStopFlagPollOrFailure) {
  vqHandle never(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  vqHandle set(CreateEventA(nullptr, TRUE, TRUE, nullptr));
  vqHandle later(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  volatile LONG stop = 0;
  int polls = 0;
  struct Case {
    const char* name;
    vqWaitFor w;
    std::function<void()> meanwhile;  // runs on another thread after 300 ms
    vqWaitResult expect;
    DWORD index;  // of the signalled handle, for READY
    DWORD minMs, maxMs;
  };
  HANDLE neverSet[2] = {never.Get(), set.Get()};
  HANDLE neverLater[2] = {never.Get(), later.Get()};
  HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7777));
  std::vector<Case> cases(7);
  cases[0] = {"second handle already signalled", {}, nullptr, VQ_WAIT_READY, 1, 0, 200};
  cases[0].w.handles = neverSet, cases[0].w.count = 2, cases[0].w.timeoutMs = 5000;
  cases[1] = {"handle signalled from another thread", {}, [&] { SetEvent(later.Get()); }, VQ_WAIT_READY, 1, 250, 3000};
  cases[1].w.handles = neverLater, cases[1].w.count = 2, cases[1].w.timeoutMs = 10000;
  cases[2] = {"time-out", {}, nullptr, VQ_WAIT_TIMEOUT, 0, 550, 3000};
  cases[2].w.handles = neverSet, cases[2].w.count = 1, cases[2].w.timeoutMs = 600;
  cases[3] = {"zero time-out looks once", {}, nullptr, VQ_WAIT_TIMEOUT, 0, 0, 200};
  cases[3].w.handles = neverSet, cases[3].w.count = 1, cases[3].w.timeoutMs = 0;
  cases[4] = {
      "stop flag set from another thread", {}, [&] { InterlockedExchange(&stop, 1); }, VQ_WAIT_STOPPED, 0, 250, 3000};
  cases[4].w.handles = neverSet, cases[4].w.count = 1, cases[4].w.stop = &stop;
  cases[5] = {"poll asks to stop", {}, nullptr, VQ_WAIT_STOPPED, 0, 0, 200};
  cases[5].w.timeoutMs = 5000, cases[5].w.poll = stopAtOnce;
  cases[6] = {"a handle that is none", {}, nullptr, VQ_WAIT_FAILED, 0, 0, 200};
  cases[6].w.handles = &bogus, cases[6].w.count = 1, cases[6].w.timeoutMs = 5000;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD index = 99;
    c.w.signalled = &index;
    std::thread helper;
    if (c.meanwhile)
      helper = std::thread([&c] {
        Sleep(300);
        c.meanwhile();
      });
    DWORD t0 = GetTickCount();
    EXPECT_EQ(c.expect, VQ_Wait(c.w));
    DWORD took = GetTickCount() - t0;
    if (helper.joinable()) helper.join();
    if (c.expect == VQ_WAIT_READY) {
      EXPECT_EQ(c.index, index);
    }
    EXPECT_GE(took, c.minMs);
    EXPECT_LT(took, c.maxMs);
  }

  // A poll runs at the start and then every pollMs.
  vqWaitFor w;
  w.timeoutMs = 1000;
  w.poll = countPolls;
  w.pollContext = &polls;
  w.pollMs = 200;
  EXPECT_EQ(VQ_WAIT_TIMEOUT, VQ_Wait(w));
  EXPECT_GE(polls, 4);
  EXPECT_LE(polls, 7);
}

namespace {
// A window whose handler waits in turn, as a dialog's button may start an engine call.
int g_nestedRuns = 0;
LRESULT CALLBACK nestingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 1) {
    ++g_nestedRuns;
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 52, 0, 0);  // posted during the inner wait
    VQ_WaitIdle(100);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

TEST(Wait, NestedWaitsKeepThreadMessagesInTheirOrder) {
  takeThreadMessages();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = nestingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "fhNestingProbe";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA("fhNestingProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, hwnd);
  g_nestedRuns = 0;
  const DWORD self = GetCurrentThreadId();
  PostThreadMessageA(self, WM_APP + 50, 1, 2);
  PostMessageA(hwnd, WM_APP + 1, 0, 0);
  PostThreadMessageA(self, WM_APP + 51, 3, 4);
  PostQuitMessage(9);
  VQ_WaitIdle(300);
  EXPECT_EQ(1, g_nestedRuns);
  std::vector<MSG> left = takeThreadMessages();
  ASSERT_EQ(4u, left.size());
  EXPECT_EQ(static_cast<UINT>(WM_APP + 50), left[0].message);
  EXPECT_EQ(1u, left[0].wParam);
  EXPECT_EQ(static_cast<UINT>(WM_APP + 51), left[1].message);
  EXPECT_EQ(static_cast<UINT>(WM_APP + 52), left[2].message);
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), left[3].message);
  EXPECT_EQ(9u, left[3].wParam);
  DestroyWindow(hwnd);
}
