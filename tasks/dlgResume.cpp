#include "dlgResume.h"

#include "fh32_xferRes.h"

dlgResume::dlgResume(HINSTANCE module) : vqDialog(module, IDD_RESUME), Choice(Resume), ApplyToAll(false) {}

BOOL dlgResume::OnInitDialog() {
  SetRadio(IDC_RESUME_YES, IDC_RESUME_NO, Choice);
  SetCheck(IDC_RESUME_ALL, ApplyToAll);
  return TRUE;
}

void dlgResume::OnOK() {
  const int chosen = GetRadio(IDC_RESUME_YES, IDC_RESUME_NO);
  Choice = chosen == StartAgain ? StartAgain : Resume;
  ApplyToAll = GetCheck(IDC_RESUME_ALL);
  EndDialog(IDOK);
}
