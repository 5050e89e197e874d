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
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    VQ_DispatchMessage(msg);
  }
  return true;
}
