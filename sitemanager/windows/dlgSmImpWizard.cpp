#include "dlgSmImpWizard.h"

#include <commdlg.h>
#include <string.h>

#include <string>
#include <vector>

#include "smModule.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
const int kMaxDepth = 32;

// Saves an imported item and, for a category, everything found inside it.
int saveImported(vqSiteParams* item, int depth) {
  if (depth > kMaxDepth || !item->SITE_SaveParams()) return 0;
  if (item->GetIsCategory())
    for (int i = 0; i < item->ENUM_GetSiteCount(); ++i) saveImported(item->ENUM_GetSiteItem(i), depth + 1);
  return 1;
}
}  // namespace

dlgSmImpWizard1::dlgSmImpWizard1(unsigned char progId) : dlgSmPage(IDD_SM_IMPWIZ1, "FTP Site Import Wizard", progId) {}

BOOL dlgSmImpWizard1::OnInitDialog() {
  SetRadio(IDC_SM_IM_WSFTP, IDC_SM_IM_FTPEXP, static_cast<int>(source));
  SetText(IDC_SM_IM_FILE, file);
  Limit(IDC_SM_IM_FILE, MAX_PATH - 1);
  return TRUE;
}

bool dlgSmImpWizard1::OnSetActive() {
  SetWizardButtons(PSWIZB_NEXT);
  return true;
}

BOOL dlgSmImpWizard1::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_IM_BROWSE) {
    char name[MAX_PATH] = "ws_ftp.ini";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = "WS_FTP Sites (*.ini)\0*.ini\0";
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrDefExt = "ini";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameA(&ofn)) {
      SetText(IDC_SM_IM_FILE, name);
      SetRadio(IDC_SM_IM_WSFTP, IDC_SM_IM_FTPEXP, 0);
    }
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmImpWizard1::Store() {
  if (!IsReady()) return true;
  source = GetRadio(IDC_SM_IM_WSFTP, IDC_SM_IM_FTPEXP) == 1 ? 1 : 0;
  GetText(IDC_SM_IM_FILE, file, sizeof file);
  if (source == 0 && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
    SM_Warn("Please specify the WS_FTP sites file (ws_ftp.ini) to import.");
    FocusOn(IDC_SM_IM_FILE);
    return false;
  }
  return true;
}

dlgSmImpWizard2::dlgSmImpWizard2(unsigned char progId, dlgSmImpWizard1* first, vqSiteParams* found)
    : dlgSmPage(IDD_SM_IMPWIZ2, "FTP Site Import Wizard", progId), m_first(first), m_found(found) {}

BOOL dlgSmImpWizard2::OnInitDialog() {
  SetCheck(IDC_SM_IM_ALL, true);
  EnableWindow(Item(IDC_SM_IM_LIST), FALSE);
  return TRUE;
}

bool dlgSmImpWizard2::OnSetActive() {
  // Read again each time: the source may have changed on the first page.
  m_found->SITE_Import(m_first->source, m_first->file);
  SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < m_found->ENUM_GetSiteCount(); ++i) {
    vqSiteParams* item = m_found->ENUM_GetSiteItem(i);
    std::string label = item->GetSiteName();
    if (item->GetIsCategory()) label = "[" + label + "]";
    LRESULT at = SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_ADDSTRING, 0, (LPARAM)label.c_str());
    SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_SETITEMDATA, at, i);
  }
  SetWizardButtons(PSWIZB_BACK | (m_found->ENUM_GetSiteCount() ? PSWIZB_FINISH : PSWIZB_DISABLEDFINISH));
  return true;
}

BOOL dlgSmImpWizard2::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_IM_ALL) {
    EnableWindow(Item(IDC_SM_IM_LIST), !GetCheck(IDC_SM_IM_ALL));
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmImpWizard2::OnWizardFinish() {
  std::vector<int> chosen;
  if (GetCheck(IDC_SM_IM_ALL)) {
    for (int i = 0; i < m_found->ENUM_GetSiteCount(); ++i) chosen.push_back(i);
  } else {
    int n = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
      if (SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_GETSEL, i, 0) > 0)
        chosen.push_back(static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_SM_IM_LIST, LB_GETITEMDATA, i, 0)));
  }
  if (chosen.empty()) {
    SM_Warn("Please select the sites to import.");
    return false;
  }
  if (!SM_Ask("Import this information?")) return false;
  for (int index : chosen) imported += saveImported(m_found->ENUM_GetSiteItem(index), 0);
  return true;
}

int dlgSmImpWizard::Run() {
  unsigned char id = m_target->GetProgId();
  vqSiteParams found(id);
  found.SetSiteSubPath(m_target->GetSiteSubPath());
  found.SetSiteName(m_target->GetSiteName());
  dlgSmImpWizard1 first(id);
  dlgSmImpWizard2 second(id, &first, &found);
  vqPropSheet sheet("FTP Site Import Wizard", m_parent, _smModule());
  sheet.AddPage(&first);
  sheet.AddPage(&second);
  sheet.SetWizardMode();
  if (sheet.DoModal() <= 0) return 0;
  return second.imported;
}
