// "System Info": the server type with the first item of a sample listing parsed for that type,
// the host delimiter and the replacements for SYST and PWD, and a connection test that copies
// what the server tells about itself into the page.
#pragma once
#include "dlgSmPage.h"

class vqSiteParams;

class dlgSmSiteHostInfo : public dlgSmPage {
 public:
  dlgSmSiteHostInfo(vqSiteParams* site, unsigned char progId, bool inWizard);
  bool Store() override;
  // The sample listing of the site: the site's cache folder + "root.vqLS" (empty if too long).
  static void SampleFile(vqSiteParams* site, char* out, unsigned size);
  // Parses `file` for `hostType` into the first item's fields; false when it holds no item.
  bool ShowFirstItem(const char* file, unsigned hostType);
  // Connects with the page's settings; on success copies the learned values into the page.
  bool TestConnection();

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;

 private:
  void Refresh();

  vqSiteParams* m_site;
  bool m_inWizard;
};
