// The view's log pane: a read-only multi-line edit that keeps its last line in sight.
#pragma once
#include <windows.h>

class vqEdit {
 public:
  vqEdit() : m_hWnd(nullptr) {}
  // Takes the pane from the dialog. A pane made by the narrow dialog is made again as a wide
  // control in its place (same id, styles, font and position), so names beyond the code page show.
  void Attach(HWND edit);
  HWND GetHwnd() const { return m_hWnd; }
  // Appends one line (after "\r\n" when the pane is not empty) and scrolls it into view. The pane
  // keeps its newest 48 KB, so a long session does not fill the control's limit.
  void AppendLine(const wchar_t* text);

 private:
  HWND m_hWnd;
};
