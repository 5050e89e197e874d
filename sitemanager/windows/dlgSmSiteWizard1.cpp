#include <initializer_list>

#include "dlgSmSiteWizard1.h"

#include "dlgSmSiteGeneral.h"
#include "smSiteCheck.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

dlgSmSiteWizard1::dlgSmSiteWizard1(vqSiteParams* site, unsigned char progId)
    : dlgSmPage(IDD_SM_SITEWIZ1, "FTP Site Wizard", progId), m_site(site) {}

BOOL dlgSmSiteWizard1::OnInitDialog() {
  for (int id : {IDC_SM_URL, IDC_SM_IRD, IDC_SM_NAME, IDC_SM_DESC}) Limit(id, vqSiteParams::TEXT_LEN);
  Limit(IDC_SM_PORT, 5);
  SetText(IDC_SM_URL, m_site->GetURL()[0] ? m_site->GetURL() : "ftp.");
  SetNumber(IDC_SM_PORT, m_site->GetURLPort());
  SetText(IDC_SM_IRD, m_site->GetIRD());
  SetCheck(IDC_SM_VHOST, m_site->GetVirtualHost() != 0);
  SetText(IDC_SM_NAME, m_site->GetSiteName());
  SetText(IDC_SM_DESC, m_site->GetDescription());
  // The caret after "ftp." so the user types the rest of the host.
  SetFocus(Item(IDC_SM_URL));
  SendDlgItemMessageA(m_hWnd, IDC_SM_URL, EM_SETSEL, 32767, 32767);
  return FALSE;
}

bool dlgSmSiteWizard1::OnSetActive() {
  SetWizardButtons(PSWIZB_NEXT);
  return true;
}

BOOL dlgSmSiteWizard1::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_URL && code == EN_CHANGE) {
    char url[vqSiteParams::TEXT_LEN + 1], name[vqSiteParams::TEXT_LEN + 1], desc[vqSiteParams::TEXT_LEN + 1];
    GetText(IDC_SM_URL, url, sizeof url);
    SM_ProposeSite(url, name, sizeof name, desc, sizeof desc);
    SetText(IDC_SM_NAME, name);
    SetText(IDC_SM_DESC, desc);
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmSiteWizard1::Store() {
  if (!IsReady()) return true;
  return dlgSmSiteGeneral::StoreSiteFields(this, m_site, "", true);
}
