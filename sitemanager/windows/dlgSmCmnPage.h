// A page of common settings ("Firewall", "Connection", "File Display", "Caching", "Index
// Files"): it edits one set of common parameters (a site's, or the global defaults in the
// application sheet) and can write its settings into every site of the store.
#pragma once
#include "dlgSmPage.h"

class vqCommonParams;
class vqSiteParams;

class dlgSmCmnPage : public dlgSmPage {
 public:
  // `site` is the edited site, or null in the application sheet (then `params` is the global set).
  dlgSmCmnPage(UINT templateId, const char* title, unsigned char progId, vqCommonParams* params, vqSiteParams* site);
  bool Store() override;
  // "Apply to All Sites" after its question; returns the number of sites changed.
  int ApplyToAllSites();

 protected:
  // Validates the controls (showing the fault) without storing anything.
  virtual bool Validate() { return true; }
  // Controls into `to`; called once validated, for the edited set and for every site.
  virtual void Save(vqCommonParams* to) = 0;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

  vqCommonParams* m_params;
  vqSiteParams* m_site;
};
