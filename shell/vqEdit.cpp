#include "vqEdit.h"

#include <string>

namespace {
const int kKeep = 48 * 1024;
}

void vqEdit::AppendLine(const char* text) {
  if (!m_hWnd || !text) return;
  int length = GetWindowTextLengthA(m_hWnd);
  std::string line = length ? "\r\n" : "";
  for (const char* p = text; *p; ++p)
    if (*p != '\r' && *p != '\n') line += *p;
  if (length + static_cast<int>(line.size()) > kKeep) {
    // Drop the oldest lines, whole.
    int cut = static_cast<int>(SendMessageA(m_hWnd, EM_LINEINDEX, SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0) / 2, 0));
    if (cut > 0) {
      SendMessageA(m_hWnd, EM_SETSEL, 0, cut);
      SendMessageA(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
      length = GetWindowTextLengthA(m_hWnd);
    }
  }
  SendMessageA(m_hWnd, EM_SETSEL, length, length);
  SendMessageA(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(m_hWnd, EM_LINESCROLL, 0, SendMessageA(m_hWnd, EM_GETLINECOUNT, 0, 0));
}
