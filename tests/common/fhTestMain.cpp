// Test main with a watchdog: a test that hangs names itself and stops the program, so a run that
// times out says which case held it instead of printing nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
// What a hung case left on the screen: a question nobody answers is the usual cause. The texts are
// read without messages (the window's thread may be the one that hangs).
std::string WindowText(HWND w) {
  wchar_t text[256] = L"";
  InternalGetWindowText(w, text, 256);
  char out[512] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
  return out;
}

BOOL CALLBACK PrintChild(HWND w, LPARAM) {
  std::string text = WindowText(w);
  if (IsWindowVisible(w) && !text.empty()) std::fprintf(stderr, "    \"%s\"\n", text.c_str());
  return TRUE;
}

BOOL CALLBACK PrintOwnWindow(HWND w, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  std::fprintf(stderr, "  open window [%s] \"%s\"\n", cls, WindowText(w).c_str());
  EnumChildWindows(w, PrintChild, 0);
  return TRUE;
}

void PrintOpenWindows() { EnumWindows(PrintOwnWindow, 0); }
#else
void PrintOpenWindows() {}
#endif

// Never freed: the watch thread outlives the listener, which the test framework deletes at exit.
struct WatchState {
  std::mutex lock;
  std::string current;
  Clock::time_point started{};
  bool running = false;
};

class Watchdog : public testing::EmptyTestEventListener {
 public:
  explicit Watchdog(int limitSeconds) : limit_(limitSeconds), state_(*new WatchState) {
    WatchState* state = &state_;
    int limit = limit_;
    std::thread([state, limit] { Watch(*state, limit); }).detach();
  }

  void OnTestStart(const testing::TestInfo& info) override {
    std::lock_guard<std::mutex> hold(state_.lock);
    state_.current = std::string(info.test_suite_name()) + "." + info.name();
    state_.started = Clock::now();
    state_.running = true;
  }

  void OnTestEnd(const testing::TestInfo& info) override {
    long seconds = 0;
    {
      std::lock_guard<std::mutex> hold(state_.lock);
      state_.running = false;
      seconds =
          static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - state_.started).count());
    }
    // Slow cases are named even when they pass: they are the next hang.
    if (seconds >= limit_ / 4)
      std::fprintf(stderr, "slow test: %s.%s took %ld s\n", info.test_suite_name(), info.name(), seconds);
  }

 private:
  static void Watch(WatchState& state, int limit) {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      std::lock_guard<std::mutex> hold(state.lock);
      if (!state.running || Clock::now() - state.started < std::chrono::seconds(limit)) continue;
      std::fprintf(stderr, "hung test: %s still running after %d s; stopping the program\n", state.current.c_str(),
                   limit);
      PrintOpenWindows();
      std::fflush(stderr);
      std::fflush(stdout);
      std::_Exit(3);
    }
  }

  const int limit_;
  WatchState& state_;
};

int LimitSeconds() {
  const char* text = std::getenv("FH_TEST_CASE_LIMIT");
  int value = text ? std::atoi(text) : 0;
  return value > 0 ? value : 180;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(LimitSeconds()));
  return RUN_ALL_TESTS();
}
