// The wait cursor for the length of a long operation: shown when made, the previous cursor back
// when it goes out of scope.
#pragma once
#include <windows.h>

class shellWait {
 public:
  shellWait() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~shellWait() { SetCursor(m_previous); }
  shellWait(const shellWait&) = delete;
  shellWait& operator=(const shellWait&) = delete;

 private:
  HCURSOR m_previous;
};
