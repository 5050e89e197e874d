#include "thrdProgDlg.h"

#include "vqProgress.h"

thrdProgDlg::~thrdProgDlg() { Stop(); }

bool thrdProgDlg::InitInstance() {
  m_handle = VQPROG_Create();
  return true;
}

void thrdProgDlg::ExitInstance() {
  void* handle = m_handle;
  m_handle = nullptr;
  if (handle) VQPROG_Destroy(handle);
}
