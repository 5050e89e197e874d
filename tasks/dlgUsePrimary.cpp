#include "dlgUsePrimary.h"

#include "fh32_tasksRes.h"
#include "shellApp.h"

dlgUsePrimary::dlgUsePrimary() : vqDialog(shellApp::Module(), IDD_USE_PRIMARY), Choice(ONCE) {}

BOOL dlgUsePrimary::OnInitDialog() {
  SetText(IDC_UP_TEXT, Text.c_str());
  SetRadio(IDC_UP_RETRY, IDC_UP_ALWAYS, Choice);
  return TRUE;
}

void dlgUsePrimary::OnOK() {
  int choice = GetRadio(IDC_UP_RETRY, IDC_UP_ALWAYS);
  if (choice >= 0) Choice = choice;
  vqDialog::OnOK();
}
