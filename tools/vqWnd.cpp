#include "vqWnd.h"

#include "vqCatch.h"

vqWnd::vqWnd() : m_hWnd(nullptr) {}

vqWnd::~vqWnd() { Detach(); }

vqWnd* vqWnd::FromHandle(HWND hwnd) {
  return hwnd ? reinterpret_cast<vqWnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
}

void vqWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

// Cleared before the object dies so no late message reaches a half-destroyed object.
void vqWnd::Detach() {
  if (m_hWnd && IsWindow(m_hWnd) && FromHandle(m_hWnd) == this) SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
  m_hWnd = nullptr;
}

bool vqWnd::RegisterWindowClass(HINSTANCE module, const char* className, UINT style, HBRUSH background) {
  WNDCLASSEXA wc;
  if (GetClassInfoExA(module, className, &wc)) return true;
  ZeroMemory(&wc, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = StaticWndProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND vqWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int cx, int cy,
                     HWND parent, HINSTANCE module) {
  return CreateWindowExA(exStyle, className, title, style, x, y, cx, cy, parent, nullptr, module, this);
}

void vqWnd::DestroyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT vqWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    OnTimer(wp);
    return 0;
  }
  return DefWindowProcA(m_hWnd, msg, wp, lp);
}

void vqWnd::OnTimer(UINT_PTR) {}
void vqWnd::OnFinalMessage() {}

LRESULT CALLBACK vqWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  VQ_TRY
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      if (auto* self = static_cast<vqWnd*>(cs->lpCreateParams)) self->Attach(hwnd);
    }
    vqWnd* self = FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT r = self->WindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      self->Detach();
      self->OnFinalMessage();
    }
    return r;
  VQ_CATCH("vqWnd", DefWindowProcA(hwnd, msg, wp, lp))
}
