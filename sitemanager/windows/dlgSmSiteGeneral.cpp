#include <initializer_list>

#include "dlgSmSiteGeneral.h"

#include "smModule.h"
#include "smSiteCheck.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

dlgSmSiteGeneral::dlgSmSiteGeneral(vqSiteParams* site, const char* originalName, unsigned char progId)
    : dlgSmPage(IDD_SM_SITEGENERAL, "SIte Params", progId), m_site(site) {
  lstrcpynA(m_originalName, originalName ? originalName : "", sizeof m_originalName);
}

BOOL dlgSmSiteGeneral::OnInitDialog() {
  for (int id : {IDC_SM_URL, IDC_SM_IRD, IDC_SM_NAME, IDC_SM_DESC}) Limit(id, vqSiteParams::TEXT_LEN);
  Limit(IDC_SM_XFERDIR, vqSiteParams::DIR_LEN);
  Limit(IDC_SM_PORT, 5);
  SetText(IDC_SM_URL, m_site->GetURL());
  SetNumber(IDC_SM_PORT, m_site->GetURLPort());
  SetText(IDC_SM_IRD, m_site->GetIRD());
  SetCheck(IDC_SM_VHOST, m_site->GetVirtualHost() != 0);
  SM_FillHostTypes(Item(IDC_SM_HOSTTYPE), m_site->GetHostType());
  SetText(IDC_SM_NAME, m_site->GetSiteName());
  SetText(IDC_SM_DESC, m_site->GetDescription());
  SetText(IDC_SM_XFERDIR, m_site->GetDefXferDir());
  return TRUE;
}

bool dlgSmSiteGeneral::StoreSiteFields(vqDialog* page, vqSiteParams* site, const char* originalName, bool wizard) {
  char url[vqSiteParams::TEXT_LEN + 1], port[16], ird[vqSiteParams::TEXT_LEN + 1], name[vqSiteParams::TEXT_LEN + 1],
      desc[vqSiteParams::TEXT_LEN + 1];
  page->GetText(IDC_SM_URL, url, sizeof url);
  page->GetText(IDC_SM_PORT, port, sizeof port);
  page->GetText(IDC_SM_IRD, ird, sizeof ird);
  page->GetText(IDC_SM_NAME, name, sizeof name);
  page->GetText(IDC_SM_DESC, desc, sizeof desc);
  unsigned short portNumber = 0;
  SM_SITEFAULT fault = SM_CheckSiteFields(url, sizeof url, port, ird, name, &portNumber);
  static const int faultControl[] = {0, IDC_SM_URL, IDC_SM_IRD, IDC_SM_PORT, IDC_SM_NAME};
  int bad = fault != SM_SITE_OK ? faultControl[fault] : 0;
  if (fault == SM_SITE_OK && !vqSiteParams::SITE_IsValidName(name)) bad = IDC_SM_NAME;
  if (fault != SM_SITE_OK) {
    SM_Warn(SM_SiteFaultText(fault, wizard));
  } else if (bad) {
    SM_Warn(SM_TXT_BADNAME);
  } else if (lstrcmpiA(name, originalName ? originalName : "") != 0 &&
             site->SITE_Exists(site->GetSiteSubPath(), name)) {
    SM_Warn(SM_TXT_NAMEUSED);
    bad = IDC_SM_NAME;
  }
  if (bad) {
    SetFocus(page->Item(bad));
    SendMessageA(page->Item(bad), EM_SETSEL, 0, -1);
    return false;
  }
  site->SetURL(url);
  page->SetText(IDC_SM_URL, url);  // the user sees the bare host that is stored
  site->SetURLPort(portNumber);
  site->SetIRD(ird);
  site->SetVirtualHost(page->GetCheck(IDC_SM_VHOST) ? 1 : 0);
  site->SetSiteName(name);
  site->SetDescription(desc);
  return true;
}

bool dlgSmSiteGeneral::Store() {
  if (!IsReady()) return true;
  if (!StoreSiteFields(this, m_site, m_originalName, false)) return false;
  m_site->SetHostType(SM_SelectedHostType(Item(IDC_SM_HOSTTYPE)));
  char dir[vqSiteParams::DIR_LEN + 1];
  GetText(IDC_SM_XFERDIR, dir, sizeof dir);
  m_site->SetDefXferDir(dir);
  return true;
}
