#include "vqTimerWnd.h"

static const char kClass[] = "vqTimerWnd";

vqTimerWnd::vqTimerWnd(vqTimerSink* sink) : m_sink(sink) {}

vqTimerWnd::~vqTimerWnd() {
  HWND hwnd = m_hWnd;
  Detach();
  if (!hwnd) return;
  // Only the creating thread may destroy the window; from elsewhere (the last reference of an
  // engine dropped on a worker thread) it is asked to close itself, its timers going with it.
  if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId())
    ::DestroyWindow(hwnd);
  else
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

bool vqTimerWnd::Create(HINSTANCE module, const char* className) {
  if (m_hWnd) return true;
  if (!module) module = GetModuleHandleA(nullptr);
  if (!className) className = kClass;
  if (!RegisterWindowClass(module, className)) return false;
  // Message-only: never shown, never enumerated with the top-level windows.
  return CreateEx(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, module) != nullptr;
}

bool vqTimerWnd::SetTimer(UINT_PTR id, UINT ms) { return m_hWnd && ::SetTimer(m_hWnd, id, ms, nullptr) != 0; }

void vqTimerWnd::KillTimer(UINT_PTR id) {
  if (m_hWnd) ::KillTimer(m_hWnd, id);
}

void vqTimerWnd::OnTimer(UINT_PTR id) {
  if (m_sink) m_sink->OnTick(id);
}
