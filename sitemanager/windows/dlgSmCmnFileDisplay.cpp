#include "dlgSmCmnFileDisplay.h"

#include "smModule.h"
#include "vqCommonParams.h"
#include "vqSMgrRes.h"

dlgSmCmnFileDisplay::dlgSmCmnFileDisplay(unsigned char progId, vqCommonParams* params, vqSiteParams* site)
    : dlgSmCmnPage(IDD_SM_FILEDISPLAY, "File Display", progId, params, site) {}

BOOL dlgSmCmnFileDisplay::OnInitDialog() {
  Limit(IDC_SM_FD_HIDDENCMD, vqCommonParams::TEXT_LEN);
  Limit(IDC_SM_FD_MASK, vqCommonParams::TEXT_LEN);
  SetCheck(IDC_SM_FD_HIDEDOTFILE, m_params->GetHideDotFile() != 0);
  SetCheck(IDC_SM_FD_HIDEDOTDIR, m_params->GetHideDotDir() != 0);
  SetCheck(IDC_SM_FD_RESOLVE, m_params->GetResolveLinks() != 0);
  SetCheck(IDC_SM_FD_DOTDOT, m_params->GetShowDotDotDir() != 0);
  SetCheck(IDC_SM_FD_HIDDEN, m_params->GetShowHiddenFiles() != 0);
  SetText(IDC_SM_FD_HIDDENCMD, m_params->GetShowHiddenCmd());
  SetText(IDC_SM_FD_MASK, m_params->GetRemoteFileMask());
  return TRUE;
}

bool dlgSmCmnFileDisplay::Validate() {
  char flags[vqCommonParams::TEXT_LEN + 1];
  GetText(IDC_SM_FD_HIDDENCMD, flags, sizeof flags);
  bool blank = true;
  for (const char* p = flags; *p; ++p) blank = blank && (*p == ' ' || *p == '\t');
  if (GetCheck(IDC_SM_FD_HIDDEN) && blank) {
    SM_Warn("You must specify LIST flags if you want to display hidden files. The UNIX standard is -ah");
    FocusOn(IDC_SM_FD_HIDDENCMD);
    return false;
  }
  return true;
}

void dlgSmCmnFileDisplay::Save(vqCommonParams* to) {
  char text[vqCommonParams::TEXT_LEN + 1];
  to->SetHideDotFile(GetCheck(IDC_SM_FD_HIDEDOTFILE) ? 1 : 0);
  to->SetHideDotDir(GetCheck(IDC_SM_FD_HIDEDOTDIR) ? 1 : 0);
  to->SetResolveLinks(GetCheck(IDC_SM_FD_RESOLVE) ? 1 : 0);
  to->SetShowDotDotDir(GetCheck(IDC_SM_FD_DOTDOT) ? 1 : 0);
  to->SetShowHiddenFiles(GetCheck(IDC_SM_FD_HIDDEN) ? 1 : 0);
  GetText(IDC_SM_FD_HIDDENCMD, text, sizeof text);
  to->SetShowHiddenCmd(text);
  GetText(IDC_SM_FD_MASK, text, sizeof text);
  to->SetRemoteFileMask(text);
}
