// Messages that belong to the thread's own loop, taken out of the queue while something else
// pumps and posted back in their order when it is done. Private to the toolkit's waits and pump.
#pragma once
#include <windows.h>

#include <vector>

#include "vqPump.h"

class vqMessageHold {
 public:
  vqMessageHold() = default;
  ~vqMessageHold() { PostBack(); }
  vqMessageHold(const vqMessageHold&) = delete;
  vqMessageHold& operator=(const vqMessageHold&) = delete;

  // Dispatches every waiting window message and sets aside thread messages and WM_QUIT.
  // `until`, when given, is checked after each dispatch: true ends the pumping early.
  template <class Until>
  void Pump(Until until);
  void Pump() {
    Pump([] { return false; });
  }
  bool SawQuit() const { return m_quit; }
  // Thread messages in their order, then the quit (which the system delivers after them).
  void PostBack();

 private:
  std::vector<MSG> m_kept;
  bool m_quit = false;
  int m_quitCode = 0;
};

template <class Until>
void vqMessageHold::Pump(Until until) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      m_quit = true;
      m_quitCode = static_cast<int>(msg.wParam);
      continue;
    }
    if (!msg.hwnd && msg.message != WM_TIMER) {  // a thread timer runs its procedure
      try {
        m_kept.push_back(msg);
        continue;
      } catch (...) {
        // No memory to set it aside: it goes back at once, behind the others, and pumping stops
        // so that it is not taken again in this pass.
        PostBack();
        PostThreadMessageA(GetCurrentThreadId(), msg.message, msg.wParam, msg.lParam);
        return;
      }
    }
    VQ_DispatchMessage(msg);
    if (until()) return;
  }
}
