#include "vqEdit.h"

#include <string>

namespace {
const int kKeep = 48 * 1024;
}

void vqEdit::Attach(HWND edit) {
  m_hWnd = edit;
  if (!edit || IsWindowUnicode(edit)) return;
  HWND parent = GetParent(edit);
  RECT r;
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  const DWORD style = static_cast<DWORD>(GetWindowLongW(edit, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(edit, GWL_EXSTYLE));
  const int id = GetDlgCtrlID(edit);
  HWND wide = CreateWindowExW(exStyle, L"EDIT", L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(edit, GWLP_HINSTANCE)), nullptr);
  if (!wide) return;  // the narrow pane still works
  SendMessageW(wide, WM_SETFONT, SendMessageW(edit, WM_GETFONT, 0, 0), FALSE);
  SetWindowPos(wide, edit, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(edit);
  m_hWnd = wide;
}

void vqEdit::AppendLine(const wchar_t* text) {
  if (!m_hWnd || !text) return;
  int length = GetWindowTextLengthW(m_hWnd);
  std::wstring line = length ? L"\r\n" : L"";
  for (const wchar_t* p = text; *p; ++p)
    if (*p != L'\r' && *p != L'\n') line += *p;
  if (length + static_cast<int>(line.size()) > kKeep) {
    // Drop the oldest lines, whole.
    int cut = static_cast<int>(SendMessageW(m_hWnd, EM_LINEINDEX, SendMessageW(m_hWnd, EM_GETLINECOUNT, 0, 0) / 2, 0));
    if (cut > 0) {
      SendMessageW(m_hWnd, EM_SETSEL, 0, cut);
      SendMessageW(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
      length = GetWindowTextLengthW(m_hWnd);
    }
  }
  SendMessageW(m_hWnd, EM_SETSEL, length, length);
  SendMessageW(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(m_hWnd, EM_LINESCROLL, 0, SendMessageW(m_hWnd, EM_GETLINECOUNT, 0, 0));
}
