// The windows a site object opens: thin entries into the site manager's dialogs.
#include <windows.h>

#include "dlgSiteManager.h"
#include "dlgSmAppParams.h"
#include "dlgSmCategory.h"
#include "dlgSmImpWizard.h"
#include "dlgSmSiteWizard.h"
#include "dlgZmpMapWizard.h"
#include "vqCatch.h"
#include "vqAppParams.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "vqSiteParams";
}

int vqSiteParams::SITE_Properties(HWND parent) {
  VQ_TRY
    dlgSmSiteWizard sheet(this, parent);
    return sheet.RunProperties();
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_Wizard(HWND parent) {
  VQ_TRY
    dlgSmSiteWizard wizard(this, parent);
    return wizard.RunWizard();
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_Manager(HWND parent) {
  VQ_TRY
    dlgSiteManager manager(this, nullptr, nullptr);
    return manager.DoModal(parent) >= 0 ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_Manager(const char* drive, const char* url, HWND parent) {
  VQ_TRY
    if (!drive || !*drive) return 0;
    dlgSiteManager manager(this, drive, url);
    return manager.DoModal(parent) == IDOK ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_CategoryWizard(HWND parent, const char* subPath) {
  VQ_TRY
    SITE_InitParams(1, nullptr);
    SetSiteSubPath(subPath && *subPath ? subPath : VQ_SITES_LIST);
    SetSiteId(0);
    SetIsCategory(1);
    dlgSmCategory dialog(this, true);
    return dialog.DoModal(parent) == IDOK ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_ImportWizard(HWND parent) {
  VQ_TRY
    dlgSmImpWizard wizard(this, parent);
    return wizard.Run() > 0 ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_MapDriveWizard(HWND parent) {
  VQ_TRY
    dlgZmpMapWizard wizard(m_ProgId, parent);
    return wizard.Run();
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SHELL_AddPages(unsigned siteId, LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount) {
  VQ_TRY
    if (!add) return 0;
    if (!m_pageHolder) {
      if (!SITE_LoadParams(m_SiteSubPath[0] ? m_SiteSubPath : VQ_SITES_LIST, siteId)) return 0;
      m_pageHolder = new dlgSmSitePages(this);
    }
    return m_pageHolder->AddPages(add, data, refCount);
  VQ_CATCH(kSource, 0)
}

int vqAppParams::APP_Properties(unsigned char progId, HWND parent) {
  VQ_TRY
    // The sheet edits a fresh copy; this object follows only what was saved.
    vqAppParams work(progId);
    work.APP_LoadParams();
    dlgSmAppParams sheet(progId, &work);
    if (sheet.Run(parent)) APP_LoadParams();
    return 0;
  VQ_CATCH("vqAppParams", 0)
}

int vqAppParams::SHELL_AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount, unsigned progId) {
  VQ_TRY
    if (!add) return 0;
    if (!m_pageHolder) m_pageHolder = new dlgSmAppParams(static_cast<unsigned char>(progId), this);
    return m_pageHolder->AddPages(add, data, refCount);
  VQ_CATCH("vqAppParams", 0)
}
