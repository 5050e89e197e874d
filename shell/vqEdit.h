// The view's log pane: a read-only multi-line edit that keeps its last line in sight.
#pragma once
#include <windows.h>

class vqEdit {
 public:
  vqEdit() : m_hWnd(nullptr) {}
  void Attach(HWND edit) { m_hWnd = edit; }
  HWND GetHwnd() const { return m_hWnd; }
  // Appends one line (after "\r\n" when the pane is not empty) and scrolls it into view. The pane
  // keeps its newest 48 KB, so a long session does not fill the control's limit.
  void AppendLine(const char* text);

 private:
  HWND m_hWnd;
};
