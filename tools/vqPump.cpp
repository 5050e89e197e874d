#include "vqPump.h"

#include <string.h>

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
  MSG kept[64];
  int nKept = 0;
  bool quit = false;
  MSG msg;
  while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      quit = true;
    } else if (!msg.hwnd && nKept < 64) {
      kept[nKept++] = msg;
    } else {
      VQ_DispatchMessage(msg);
    }
  }
  for (int i = 0; i < nKept; ++i) PostThreadMessageA(GetCurrentThreadId(), kept[i].message, kept[i].wParam, kept[i].lParam);
  return !quit;
}
