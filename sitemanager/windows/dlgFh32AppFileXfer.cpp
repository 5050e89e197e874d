#include "dlgFh32AppFileXfer.h"

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"
#include "smXferFields.h"

namespace {
const char* const kDoubleClick[] = {"Opens or views it", "Downloads it"};
}  // namespace

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
