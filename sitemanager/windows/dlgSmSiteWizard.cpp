#include <initializer_list>

#include "dlgSmSiteWizard.h"

#include <memory>

#include "dlgSmCmnCache.h"
#include "dlgSmCmnFileDisplay.h"
#include "dlgSmCmnFirewall.h"
#include "dlgSmCmnSocket.h"
#include "dlgSmSiteGeneral.h"
#include "dlgSmSiteHostInfo.h"
#include "dlgSmSiteUser.h"
#include "dlgSmSiteWizard1.h"
#include "smModule.h"
#include "smSiteCheck.h"
#include "vqAppParams.h"
#include "vqSiteParams.h"

dlgSmSiteWizard::dlgSmSiteWizard(vqSiteParams* target, HWND parent) : m_target(target), m_parent(parent) {}

void dlgSmSiteWizard::CopySite(vqSiteParams* to, vqSiteParams* from) {
  to->COMMON_InitParams(from);
  to->SetParamsKeyPath(from->GetParamsKeyPath());
  to->SetSiteSubPath(from->GetSiteSubPath());
  to->SetSiteName(from->GetSiteName());
  to->SetSiteId(from->GetSiteId());
  to->SetHostType(from->GetHostType());
  to->SetURL(from->GetURL());
  to->SetURLPort(from->GetURLPort());
  to->SetUsername(from->GetUsername());
  to->SetPassword(from->GetPassword());
  to->SetAccount(from->GetAccount());
  to->SetInitStr(from->GetInitStr());
  to->SetDescription(from->GetDescription());
  to->SetIRD(from->GetIRD());
  to->SetCmdSYST(from->GetCmdSYST());
  to->SetCmdPWD(from->GetCmdPWD());
  to->SetIsAnonymous(from->GetIsAnonymous());
  to->SetIsCategory(from->GetIsCategory());
  to->SetVirtualHost(from->GetVirtualHost());
  to->SetNameEncoding(from->GetNameEncoding());
  to->SetTlsMode(from->GetTlsMode());
  to->SetTlsTrusted(from->GetTlsTrusted());
  to->SetUseMLSD(from->GetUseMLSD());
  to->SetHostDelim(from->GetHostDelim());
  to->SetWendal(from->GetWendal());
}

int dlgSmSiteWizard::Save(vqSiteParams* work, bool isNew) {
  const char* sub = work->GetSiteSubPath();
  if (!isNew) {
    // Listings and files of the old host mean nothing for the new one.
    if (lstrcmpiA(work->GetURL(), m_target->GetURL()) != 0) {
      m_target->SITE_ClearDirectoryCache(nullptr);
      m_target->SITE_ClearFileCache(nullptr);
    }
    if (lstrcmpiA(work->GetSiteName(), m_target->GetSiteName()) != 0 &&
        !m_target->SITE_Rename(m_target->GetSiteSubPath(), m_target->GetSiteName(), sub, work->GetSiteName())) {
      SM_Warn(SM_TXT_SAVEFAILED);
      return 0;
    }
  } else {
    work->SetSiteId(0);  // a new id is handed out on save
  }
  if (!work->SITE_SaveParams(sub, work->GetSiteName())) {
    SM_Warn(SM_TXT_SAVEFAILED);
    return 0;
  }
  CopySite(m_target, work);
  return 1;
}

int dlgSmSiteWizard::RunProperties() {
  unsigned char id = m_target->GetProgId();
  vqSiteParams work(id);
  CopySite(&work, m_target);
  char original[vqSiteParams::TEXT_LEN + 1];
  lstrcpynA(original, m_target->GetSiteName(), sizeof original);
  dlgSmSiteGeneral general(&work, original, id);
  dlgSmSiteUser user(&work, id, false);
  dlgSmCmnFirewall firewall(id, &work, &work);
  dlgSmCmnFileDisplay display(id, &work, &work);
  dlgSmCmnCache cache(id, &work, &work);
  dlgSmCmnSocket socket(id, &work, &work);
  dlgSmSiteHostInfo host(&work, id, false);
  vqPropSheet sheet("FTP Site Information", m_parent, _smModule());
  for (vqPropPage* page :
       std::initializer_list<vqPropPage*>{&general, &user, &firewall, &display, &cache, &socket, &host})
    sheet.AddPage(page);
  if (sheet.DoModal() <= 0) return 0;
  return Save(&work, false);
}

int dlgSmSiteWizard::RunWizard() {
  unsigned char id = m_target->GetProgId();
  vqSiteParams work(id);
  work.SITE_InitParams(1, VQSMGR_GetAppParams());
  work.SetSiteSubPath(m_target->GetSiteSubPath()[0] ? m_target->GetSiteSubPath() : VQ_SITES_LIST);
  dlgSmSiteWizard1 first(&work, id);
  dlgSmSiteUser user(&work, id, true);
  dlgSmSiteHostInfo host(&work, id, true);
  vqPropSheet sheet("FTP Site Wizard", m_parent, _smModule());
  sheet.AddPage(&first);
  sheet.AddPage(&user);
  sheet.AddPage(&host);
  sheet.SetWizardMode();
  if (sheet.DoModal() <= 0) return 0;
  return Save(&work, true);
}
