#include "vqPump.h"

#include <string.h>

#include "vqMessageHold.h"

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

void vqMessageHold::PostBack() {
  for (const MSG& m : m_kept) PostThreadMessageA(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
  m_kept.clear();
  if (m_quit) PostQuitMessage(m_quitCode);
  m_quit = false;
}

bool VQ_PumpMessages() {
  vqMessageHold hold;
  hold.Pump();
  return !hold.SawQuit();
}
