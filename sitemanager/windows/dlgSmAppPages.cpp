#include "dlgSmAppPages.h"

#include <commdlg.h>
#include <shellapi.h>
#include <string.h>

#include "smModule.h"
#include "smXferFields.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"

namespace {
const char* const kPlaces[] = {"On the Desktop", "In My Computer", "In the Internet folder", "In Network Neighborhood"};
const char* const kDoubleClick[] = {"Opens or views it", "Downloads it"};

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

dlgZmpAppGeneral::dlgZmpAppGeneral(unsigned char progId, vqAppParams* app)
    : dlgSmPage(IDD_SM_ZMPGENERAL, "General", progId), m_app(app) {}

BOOL dlgZmpAppGeneral::OnInitDialog() {
  Limit(IDC_SM_AP_EMAIL, vqAppParams::TEXT_LEN);
  SetText(IDC_SM_AP_EMAIL, m_app->GetEMailAddress());
  smXferFields::Load(this, m_app);
  return TRUE;
}

BOOL dlgZmpAppGeneral::OnCommand(WORD id, WORD code, HWND control) {
  if (smXferFields::Command(this, id)) return TRUE;
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgZmpAppGeneral::Store() {
  if (!IsReady()) return true;
  char text[vqAppParams::TEXT_LEN + 1];
  GetText(IDC_SM_AP_EMAIL, text, sizeof text);
  m_app->SetEMailAddress(text);
  smXferFields::Save(this, m_app);
  return true;
}

dlgFh32AppFileXfer::dlgFh32AppFileXfer(unsigned char progId, vqAppParams* app)
    : dlgSmPage(IDD_SM_APPXFER, "File Transfer", progId), m_app(app) {}

BOOL dlgFh32AppFileXfer::OnInitDialog() {
  SetCheck(IDC_SM_AP_PRESERVE, m_app->GetPreserveDate() != 0);
  for (const char* action : kDoubleClick)
    SendDlgItemMessageA(m_hWnd, IDC_SM_AP_DBLCLICK, CB_ADDSTRING, 0, (LPARAM)action);
  SendDlgItemMessageA(m_hWnd, IDC_SM_AP_DBLCLICK, CB_SETCURSEL, m_app->GetDoubleClickAction() == 1 ? 1 : 0, 0);
  smXferFields::Load(this, m_app);
  return TRUE;
}

BOOL dlgFh32AppFileXfer::OnCommand(WORD id, WORD code, HWND control) {
  if (smXferFields::Command(this, id)) return TRUE;
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgFh32AppFileXfer::Store() {
  if (!IsReady()) return true;
  m_app->SetPreserveDate(GetCheck(IDC_SM_AP_PRESERVE) ? 1 : 0);
  LRESULT action = SendDlgItemMessageA(m_hWnd, IDC_SM_AP_DBLCLICK, CB_GETCURSEL, 0, 0);
  m_app->SetDoubleClickAction(action == 1 ? 1 : 0);
  smXferFields::Save(this, m_app);
  return true;
}

namespace {
struct LogRow {
  int on, name, browse, view;
};
const LogRow kLogs[] = {
    {IDC_SM_LG_ON1, IDC_SM_LG_NAME1, IDC_SM_LG_BROWSE1, IDC_SM_LG_VIEW1},
    {IDC_SM_LG_ON2, IDC_SM_LG_NAME2, IDC_SM_LG_BROWSE2, IDC_SM_LG_VIEW2},
    {IDC_SM_LG_ON3, IDC_SM_LG_NAME3, IDC_SM_LG_BROWSE3, IDC_SM_LG_VIEW3},
};
}  // namespace

dlgSmAppLogFiles::dlgSmAppLogFiles(unsigned char progId, vqAppParams* app)
    : dlgSmPage(IDD_SM_APPLOGS, "Logfiles", progId), m_app(app) {}

BOOL dlgSmAppLogFiles::OnInitDialog() {
  SetCheck(kLogs[0].on, m_app->GetFH32LogfileEnabled() != 0);
  SetText(kLogs[0].name, m_app->GetFH32LogfileName());
  SetCheck(kLogs[1].on, m_app->GetZMPLogfileEnabled() != 0);
  SetText(kLogs[1].name, m_app->GetZMPLogfileName());
  SetCheck(kLogs[2].on, m_app->GetVXDLogfileEnabled() != 0);
  SetText(kLogs[2].name, m_app->GetVXDLogfileName());
  for (const LogRow& row : kLogs) Limit(row.name, vqAppParams::TEXT_LEN);
  return TRUE;
}

BOOL dlgSmAppLogFiles::OnCommand(WORD id, WORD code, HWND control) {
  for (const LogRow& row : kLogs) {
    char name[MAX_PATH];
    if (id == row.browse) {
      GetText(row.name, name, sizeof name);
      OPENFILENAMEA ofn = {};
      ofn.lStructSize = sizeof ofn;
      ofn.hwndOwner = m_hWnd;
      ofn.lpstrFilter = "All Files (*.log)\0*.log\0";
      ofn.lpstrFile = name;
      ofn.nMaxFile = sizeof name;
      ofn.lpstrTitle = "Please specify an output filename";
      ofn.lpstrDefExt = "log";
      ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
      if (GetSaveFileNameA(&ofn)) SetText(row.name, name);
      return TRUE;
    }
    if (id == row.view) {
      GetText(row.name, name, sizeof name);
      INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteA(m_hWnd, nullptr, name, nullptr, nullptr, SW_SHOWNORMAL));
      if (r <= 32) SM_Warn("Unable to display logfile. Either the file does not exist, or it is currently locked.");
      return TRUE;
    }
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmAppLogFiles::Store() {
  if (!IsReady()) return true;
  char name[vqAppParams::TEXT_LEN + 1];
  m_app->SetFH32LogfileEnabled(GetCheck(kLogs[0].on) ? 1 : 0);
  GetText(kLogs[0].name, name, sizeof name);
  m_app->SetFH32LogfileName(name);
  m_app->SetZMPLogfileEnabled(GetCheck(kLogs[1].on) ? 1 : 0);
  GetText(kLogs[1].name, name, sizeof name);
  m_app->SetZMPLogfileName(name);
  m_app->SetVXDLogfileEnabled(GetCheck(kLogs[2].on) ? 1 : 0);
  GetText(kLogs[2].name, name, sizeof name);
  m_app->SetVXDLogfileName(name);
  return true;
}
