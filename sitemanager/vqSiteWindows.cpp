// The windows a site object opens: thin entries into the site manager's dialogs.
#include "dlgSmSiteWizard.h"
#include "vqCatch.h"
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
