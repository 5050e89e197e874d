#include "vqPump.h"

#include <string.h>

#include <vector>

static bool isDialog(HWND hwnd) {
  char cls[16];
  return GetClassNameA(hwnd, cls, sizeof cls) && strcmp(cls, "#32770") == 0;
}

bool VQ_DispatchMessage(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && isDialog(root) && IsDialogMessageA(root, &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return false;
}

bool VQ_PumpMessages() {
  // Thread messages belong to the thread's own loop: set aside and posted back in order.
  // However many there are: a thread message handed to DispatchMessage would be lost.
  std::vector<MSG> kept;
  bool quit = false, spilled = false;
  MSG msg;
  while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      quit = true;
    } else if (!msg.hwnd && msg.message != WM_TIMER) {  // a thread timer runs its procedure
      try {
        kept.push_back(msg);
      } catch (...) {
        // No memory to set it aside: it goes back after the others and the rest stays queued.
        spilled = true;
        break;
      }
    } else {
      VQ_DispatchMessage(msg);
    }
  }
  for (const MSG& m : kept) PostThreadMessageA(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
  if (spilled) PostThreadMessageA(GetCurrentThreadId(), msg.message, msg.wParam, msg.lParam);
  return !quit;
}
