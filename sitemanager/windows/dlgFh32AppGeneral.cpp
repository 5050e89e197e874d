#include "dlgFh32AppGeneral.h"

#include <initializer_list>

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"

namespace {
const char* const kPlaces[] = {"On the Desktop", "In My Computer", "In the Internet folder", "In Network Neighborhood"};
bool folderGiven(vqDialog* page, int id, char* out, unsigned size) {
  page->GetText(id, out, static_cast<int>(size));
  for (const char* p = out; *p; ++p)
    if (*p != ' ') return true;
  SM_Warn("Please specify a folder");
  SetFocus(page->Item(id));
  return false;
}
}  // namespace

dlgFh32AppGeneral::dlgFh32AppGeneral(unsigned char progId, vqAppParams* app)
    : dlgSmPage(IDD_SM_APPGENERAL, "General", progId), m_app(app), m_warned(false) {}

BOOL dlgFh32AppGeneral::OnInitDialog() {
  Limit(IDC_SM_AP_EMAIL, vqAppParams::TEXT_LEN);
  Limit(IDC_SM_AP_XFERDIR, vqAppParams::DIR_LEN);
  SetText(IDC_SM_AP_EMAIL, m_app->GetEMailAddress());
  SetText(IDC_SM_AP_XFERDIR, m_app->GetDefXferDir());
  for (const char* place : kPlaces) SendDlgItemMessageA(m_hWnd, IDC_SM_AP_ICON, CB_ADDSTRING, 0, (LPARAM)place);
  SendDlgItemMessageA(m_hWnd, IDC_SM_AP_ICON, CB_SETCURSEL,
                      m_app->GetIconPlacement() < 4 ? m_app->GetIconPlacement() : 0, 0);
  return TRUE;
}

BOOL dlgFh32AppGeneral::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_AP_ICON && code == CBN_SELCHANGE && !m_warned) {
    m_warned = true;
    SM_Warn(
        "You will need to restart windows for the Icon Placement change to be made final.\n"
        "After restarting Windows, recreate the Farhollow shortcut in your program group.");
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgFh32AppGeneral::Store() {
  if (!IsReady()) return true;
  char text[vqAppParams::DIR_LEN + 1];
  if (!folderGiven(this, IDC_SM_AP_XFERDIR, text, sizeof text)) return false;
  m_app->SetDefXferDir(text);
  GetText(IDC_SM_AP_EMAIL, text, vqAppParams::TEXT_LEN + 1);
  m_app->SetEMailAddress(text);
  LRESULT place = SendDlgItemMessageA(m_hWnd, IDC_SM_AP_ICON, CB_GETCURSEL, 0, 0);
  m_app->SetIconPlacement(place < 0 ? 0 : static_cast<unsigned>(place));
  return true;
}
