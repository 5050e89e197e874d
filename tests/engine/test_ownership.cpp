// Objects that own sockets, handles, lists or buffers cannot be copied: a copy would close what the
// original still uses. The hidden window of an engine goes with it from whichever thread ends it.
#include <gtest/gtest.h>

#include <thread>
#include <type_traits>

#include "CUTStringList.h"
#include "CUTTagList.h"
#include "vqDavEngine.h"
#include "vqDirParser.h"
#include "vqFtpEngine.h"
#include "vqFtpSocket.h"
#include "vqHandles.h"
#include "vqHttpEngine.h"
#include "vqLock.h"
#include "vqPump.h"
#include "vqThread.h"
#include "vqTimerWnd.h"
#include "vqWsEngine.h"

namespace {
template <class T>
constexpr bool uncopyable() {
  return !std::is_copy_constructible<T>::value && !std::is_copy_assignable<T>::value;
}
}  // namespace

static_assert(uncopyable<vqFtpEngine>(), "an engine owns its connections and its window");
static_assert(uncopyable<vqWsEngine>(), "a connection owns its sockets");
static_assert(uncopyable<vqFtpSocket>(), "a connection owns its sockets");
static_assert(uncopyable<vqHttpEngine>(), "an HTTP engine owns its socket and headers");
static_assert(uncopyable<vqDavEngine>(), "an HTTP engine owns its socket and headers");
static_assert(uncopyable<vqDirParser>(), "the parser owns its buffer and enumeration");
static_assert(uncopyable<CUTStringList>(), "the list owns its strings");
static_assert(uncopyable<CUTTagList>(), "the list owns its strings");
static_assert(uncopyable<vqLock>(), "a lock owns its semaphore");
static_assert(uncopyable<vqThread>(), "a thread object owns its thread");
static_assert(uncopyable<vqTimerWnd>(), "a timer window is bound to one object");
static_assert(uncopyable<vqHandle>() && uncopyable<vqFileHandle>(), "handle wrappers close what they hold");

// The connecting thread may hold the last reference of an engine; its window lives on the thread
// that made it and must still go away, without a late tick reaching the freed engine.
TEST(Ownership, EngineReleasedOnAnotherThreadTakesItsWindowAlong) {
  vqFtpEngine* e = new vqFtpEngine;
  HWND w = e->GetTimerWindow();
  ASSERT_TRUE(IsWindow(w));
  SetTimer(w, 1235, 1, nullptr);  // a poll tick already on its way
  std::thread([e] { e->Release(); }).join();
  Sleep(20);
  for (int i = 0; i < 50 && IsWindow(w); ++i) {
    VQ_PumpMessages();
    Sleep(10);
  }
  EXPECT_FALSE(IsWindow(w));

  vqFtpEngine* here = new vqFtpEngine;
  HWND mine = here->GetTimerWindow();
  here->Release();
  EXPECT_FALSE(IsWindow(mine)) << "on its own thread the window goes at once";
}
