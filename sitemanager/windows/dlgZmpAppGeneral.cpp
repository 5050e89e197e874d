#include "dlgZmpAppGeneral.h"

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"
#include "smXferFields.h"

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
