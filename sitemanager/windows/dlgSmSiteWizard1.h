// "FTP Site Wizard", first page: the URL (starting as "ftp."), port, initial directory, virtual
// host, and the name and description proposed from the URL while it is typed.
#pragma once
#include "dlgSmPage.h"

class vqSiteParams;

class dlgSmSiteWizard1 : public dlgSmPage {
 public:
  dlgSmSiteWizard1(vqSiteParams* site, unsigned char progId);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;

 private:
  vqSiteParams* m_site;
};
