#include "smHelp.h"

#include "smModule.h"
#include "vqMsg.h"
#include "vqSMgrRes.h"
#include "vqWnd.h"

namespace {
const char kClass[] = "vqSMgrHelpPopup";
const int kWidth = 300;
const int kMargin = 6;
HWND g_last = nullptr;

class HelpPopup : public vqWnd {
 public:
  explicit HelpPopup(const char* text) { lstrcpynA(m_text, text, sizeof m_text); }

  bool Show(POINT at) {
    if (!RegisterWindowClass(_smModule(), kClass, CS_SAVEBITS, reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1)))
      return false;
    RECT r = {0, 0, kWidth, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(dc, m_text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    int cx = r.right + 2 * kMargin + 2, cy = r.bottom + 2 * kMargin + 2;
    // Kept on the screen the control is on.
    HMONITOR mon = MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {sizeof mi, {}, {}, 0};
    GetMonitorInfoA(mon, &mi);
    if (at.x + cx > mi.rcWork.right) at.x = mi.rcWork.right - cx;
    if (at.y + cy > mi.rcWork.bottom) at.y = mi.rcWork.bottom - cy;
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, "", WS_POPUP | WS_BORDER, at.x, at.y, cx, cy, nullptr,
                  _smModule()))
      return false;
    SetWindowTextA(m_hWnd, m_text);  // readable by screen readers and tests
    ShowWindow(m_hWnd, SW_SHOWNA);
    UpdateWindow(m_hWnd);
    SetCapture(m_hWnd);
    return true;
  }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hWnd, &ps);
        RECT r;
        GetClientRect(m_hWnd, &r);
        InflateRect(&r, -kMargin, -kMargin);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        DrawTextA(dc, m_text, -1, &r, DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(m_hWnd, &ps);
        return 0;
      }
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_KEYDOWN:
      case WM_CAPTURECHANGED:
        DestroyWindow();
        return 0;
    }
    return vqWnd::WindowProc(msg, wp, lp);
  }
  void OnFinalMessage() override {
    if (g_last == m_hWnd || !IsWindow(g_last)) g_last = nullptr;
    delete this;
  }

 private:
  char m_text[1024];
};
}  // namespace

HWND SM_HelpPopup() { return g_last && IsWindow(g_last) ? g_last : nullptr; }

bool SM_ShowControlHelp(HWND control, POINT at) {
  int id = GetDlgCtrlID(control);
  if (id <= 0) return false;
  const char* text = VQ_TEXT(_smModule(), IDS_HELP_BASE + static_cast<unsigned>(id));
  if (!text[0]) return false;
  if (HWND old = SM_HelpPopup()) ::DestroyWindow(old);
  auto* popup = new HelpPopup(text);
  if (!popup->Show(at)) {
    delete popup;
    return false;
  }
  g_last = popup->GetHwnd();
  return true;
}

bool SM_HandleHelpMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_HELP) {
    auto* info = reinterpret_cast<HELPINFO*>(lp);
    if (!info || info->iContextType != HELPINFO_WINDOW) return true;  // menus have no help here
    HWND control = static_cast<HWND>(info->hItemHandle);
    if (!control || GetParent(control) != dialog) return true;
    RECT r;
    GetWindowRect(control, &r);
    POINT at = {r.left, r.bottom + 2};
    SM_ShowControlHelp(control, at);
    return true;
  }
  if (msg == WM_CONTEXTMENU) {
    HWND control = reinterpret_cast<HWND>(wp);
    if (!control || control == dialog || GetParent(control) != dialog) return false;
    POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: beside the control
      RECT r;
      GetWindowRect(control, &r);
      at.x = r.left;
      at.y = r.bottom + 2;
    }
    return SM_ShowControlHelp(control, at);
  }
  return false;
}
