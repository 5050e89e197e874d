#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "vqLock.h"

namespace {
// Holds a lock on a thread of its own until told to let go.
class Holder {
 public:
  explicit Holder(vqLock& lock) : lock_(lock) {
    thread_ = std::thread([this] {
      acquired_ = lock_.LockAcquire(5000);
      SetEvent(ready_);
      WaitForSingleObject(go_, INFINITE);
      lock_.LockRelease();
    });
    WaitForSingleObject(ready_, INFINITE);
  }
  ~Holder() { Release(); }
  void Release() {
    SetEvent(go_);
    if (thread_.joinable()) thread_.join();
  }
  int acquired() const { return acquired_; }

 private:
  vqLock& lock_;
  HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE go_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  int acquired_ = 0;
  std::thread thread_;
};

DWORD since(DWORD start) { return GetTickCount() - start; }

// A window of the waiting thread that notes what reaches it and when.
struct Probe {
  static constexpr UINT kPosted = WM_APP + 1;
  static constexpr UINT kSent = WM_APP + 2;
  std::atomic<bool> waiting{false};
  std::atomic<int> postedWhileWaiting{0}, sentWhileWaiting{0}, paintedWhileWaiting{0};
  HWND hwnd = nullptr;

  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Probe* self = reinterpret_cast<Probe*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
      self = static_cast<Probe*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self && self->waiting) {
      if (msg == kPosted) ++self->postedWhileWaiting;
      if (msg == kSent) {
        ++self->sentWhileWaiting;
        return 42;
      }
      if (msg == WM_PAINT) ++self->paintedWhileWaiting;
    }
    return DefWindowProcA(h, msg, wp, lp);
  }

  Probe() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "fhLockProbe";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, "fhLockProbe", "lock probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           wc.hInstance, this);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    // Settle the first paint and any start-up messages before measuring.
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }
  ~Probe() {
    DestroyWindow(hwnd);
    UnregisterClassA("fhLockProbe", GetModuleHandleA(nullptr));
  }
};
}  // namespace

TEST(Lock, AcquireAndRelease) {
  vqLock lock;
  EXPECT_EQ(0, lock.IsLocked());
  EXPECT_EQ(0, lock.LockAcquire(0)) << "a zero time-out never takes the lock";
  EXPECT_EQ(0, lock.IsLocked());
  EXPECT_EQ(1, lock.LockAcquire(1000));
  EXPECT_EQ(1, lock.IsLocked());
  lock.LockRelease();
  EXPECT_EQ(0, lock.IsLocked());
  EXPECT_EQ(1, lock.LockAcquire(1000));
  lock.LockRelease();
}

TEST(Lock, NotReentrantButKnowsItsHolder) {
  vqLock lock;
  EXPECT_EQ(0, lock.IsHeldByThisThread());
  ASSERT_EQ(1, lock.LockAcquire(1000));
  EXPECT_EQ(1, lock.IsHeldByThisThread());
  DWORD start = GetTickCount();
  EXPECT_EQ(0, lock.LockAcquire(200));
  EXPECT_GE(since(start), 190u);
  lock.LockRelease();
  EXPECT_EQ(0, lock.IsHeldByThisThread());
}

TEST(Lock, ReleaseWithoutAcquireLeavesTheLockFree) {
  vqLock lock;
  lock.LockRelease();
  lock.LockRelease();
  Holder a(lock);
  EXPECT_EQ(1, a.acquired());
  EXPECT_EQ(1, lock.IsLocked());
  EXPECT_EQ(0, lock.IsHeldByThisThread()) << "held by the other thread";
  EXPECT_EQ(0, lock.LockAcquire(100)) << "one holder at a time";
}

TEST(Lock, TimesOutWhileHeldElsewhere) {
  vqLock lock;
  Holder a(lock);
  ASSERT_EQ(1, a.acquired());
  DWORD start = GetTickCount();
  EXPECT_EQ(0, lock.LockAcquire(500));
  DWORD took = since(start);
  EXPECT_GE(took, 490u);
  EXPECT_LT(took, 5000u);
  a.Release();
  EXPECT_EQ(1, lock.LockAcquire(1000));
  lock.LockRelease();
}

TEST(Lock, WaiterGetsTheLockWhenReleased) {
  vqLock lock;
  Holder a(lock);
  std::thread releaser([&] {
    Sleep(200);
    a.Release();
  });
  DWORD start = GetTickCount();
  EXPECT_EQ(1, lock.LockAcquire(10000));
  EXPECT_LT(since(start), 9000u);
  releaser.join();
  lock.LockRelease();
}

TEST(Lock, AbortEndsAPendingWaitAndHoldsUntilRelease) {
  vqLock lock;
  Holder a(lock);
  std::atomic<int> result{-1};
  std::atomic<DWORD> took{0};
  std::thread waiter([&] {
    DWORD start = GetTickCount();
    result = lock.LockAcquire(30000);
    took = since(start);
  });
  Sleep(200);
  lock.LockAbort();
  waiter.join();
  EXPECT_EQ(0, result.load());
  EXPECT_LT(took.load(), 10000u) << "the abort did not end the wait";

  EXPECT_EQ(0, lock.LockAcquire(300)) << "aborted until released";
  a.Release();  // the holder's release clears the abort
  EXPECT_EQ(1, lock.LockAcquire(1000));
  lock.LockRelease();
}

TEST(Lock, OneHolderAtATime) {
  vqLock lock;
  const int kThreads = 4, kRounds = 100;
  int counter = 0;
  std::atomic<int> inside{0}, overlaps{0}, failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        if (!lock.LockAcquire(20000)) {
          ++failures;
          continue;
        }
        if (++inside != 1) ++overlaps;
        int seen = counter;
        Sleep(0);
        counter = seen + 1;
        --inside;
        lock.LockRelease();
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(0, failures.load());
  EXPECT_EQ(0, overlaps.load());
  EXPECT_EQ(kThreads * kRounds, counter);
}

TEST(Lock, WaitingThreadKeepsItsWindowAlive) {
  vqLock lock;
  Probe probe;
  ASSERT_NE(nullptr, probe.hwnd);
  Holder a(lock);

  std::atomic<int> sendOk{0};
  std::atomic<LRESULT> sendResult{0};
  std::thread other([&] {
    Sleep(150);
    PostMessageA(probe.hwnd, Probe::kPosted, 0, 0);
    DWORD_PTR r = 0;
    sendOk = SendMessageTimeoutA(probe.hwnd, Probe::kSent, 0, 0, SMTO_BLOCK, 3000, &r) != 0;
    sendResult = (LRESULT)r;
    InvalidateRect(probe.hwnd, nullptr, TRUE);
  });

  probe.waiting = true;
  EXPECT_EQ(0, lock.LockAcquire(1500));
  probe.waiting = false;
  other.join();

  EXPECT_EQ(1, probe.postedWhileWaiting.load()) << "posted message not dispatched during the wait";
  EXPECT_EQ(1, probe.sentWhileWaiting.load()) << "sent message not handled during the wait";
  EXPECT_EQ(1, sendOk.load());
  EXPECT_EQ(42, sendResult.load());
  EXPECT_GE(probe.paintedWhileWaiting.load(), 1) << "window not repainted during the wait";
}

TEST(Lock, ThreadAndQuitMessagesSurviveTheWait) {
  // A task thread's jobs arrive as thread messages; a wait must leave them for its own loop.
  vqLock lock;
  Holder a(lock);
  const UINT kJob = WM_APP + 601;
  PostThreadMessageA(GetCurrentThreadId(), kJob, 1, 0);
  PostThreadMessageA(GetCurrentThreadId(), kJob, 2, 0);
  PostQuitMessage(7);
  EXPECT_EQ(0, lock.LockAcquire(300));
  MSG m;
  for (WPARAM job = 1; job <= 2; ++job) {
    ASSERT_TRUE(PeekMessageA(&m, nullptr, kJob, kJob, PM_REMOVE)) << "job " << job;
    EXPECT_EQ(job, m.wParam);
  }
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_QUIT), m.message);
  EXPECT_EQ(7u, m.wParam);
}
