#include "dlgCwd.h"

#include "fh32_menusRes.h"
#include "shellApp.h"
#include "vqString.h"

dlgCwd::dlgCwd() : vqDialog(shellApp::Module(), IDD_CWD) {}

BOOL dlgCwd::OnInitDialog() {
  SendMessageA(Item(IDC_CWD_DIR), EM_LIMITTEXT, 511, 0);
  SetText(IDC_CWD_DIR, m_dir.c_str());
  return TRUE;
}

void dlgCwd::OnOK() {
  char text[512] = "";
  GetText(IDC_CWD_DIR, text, sizeof text);
  m_dir = VQSTR_Trim(text);
  EndDialog(IDOK);
}
