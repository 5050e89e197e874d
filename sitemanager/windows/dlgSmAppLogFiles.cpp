#include "dlgSmAppLogFiles.h"

#include <commdlg.h>
#include <shellapi.h>

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"

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
