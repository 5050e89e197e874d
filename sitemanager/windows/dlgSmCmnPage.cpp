#include "dlgSmCmnPage.h"

#include "smModule.h"
#include "vqCommonParams.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

dlgSmCmnPage::dlgSmCmnPage(UINT templateId, const char* title, unsigned char progId, vqCommonParams* params,
                           vqSiteParams* site)
    : dlgSmPage(templateId, title, progId), m_params(params), m_site(site) {}

bool dlgSmCmnPage::Store() {
  if (!IsReady()) return true;
  if (!Validate()) return false;
  Save(m_params);
  return true;
}

int dlgSmCmnPage::ApplyToAllSites() {
  if (!Validate()) return 0;
  if (!SM_Ask("Apply these settings to ALL of your currently defined ftp sites?")) return 0;
  struct Visitor {
    static void visit(vqSiteParams* site, void* context) {
      auto* self = static_cast<dlgSmCmnPage*>(context);
      self->Save(site);
      site->SITE_SaveParams();
    }
  };
  int n = SM_ForEachSite(VQ_SITES_LIST, &Visitor::visit, this, m_progId);
  // The edited set follows too, so OK does not write the old values back over a site.
  Save(m_params);
  if (m_progId != 2) SM_Warn("You will need to restart Windows for these changes to take effect.");
  return n;
}

BOOL dlgSmCmnPage::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_APPLYALL && code == BN_CLICKED) {
    ApplyToAllSites();
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}
