#include "vqTimerWnd.h"

static const char kClass[] = "vqTimerWnd";

vqTimerWnd::vqTimerWnd(vqTimerSink* sink) : m_sink(sink) {}

vqTimerWnd::~vqTimerWnd() {
  HWND hwnd = m_hWnd;
  Detach();
  if (hwnd) ::DestroyWindow(hwnd);
}

bool vqTimerWnd::Create(HINSTANCE module) {
  if (m_hWnd) return true;
  if (!module) module = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(module, kClass)) return false;
  // Message-only: never shown, never enumerated with the top-level windows.
  return CreateEx(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, module) != nullptr;
}

bool vqTimerWnd::SetTimer(UINT_PTR id, UINT ms) { return m_hWnd && ::SetTimer(m_hWnd, id, ms, nullptr) != 0; }

void vqTimerWnd::KillTimer(UINT_PTR id) {
  if (m_hWnd) ::KillTimer(m_hWnd, id);
}

void vqTimerWnd::OnTimer(UINT_PTR id) {
  if (m_sink) m_sink->OnTick(id);
}
