// "SIte Params": URL, port, initial directory, virtual host, server type, name, description and
// download folder of one site.
#pragma once
#include "dlgSmPage.h"

class vqSiteParams;

class dlgSmSiteGeneral : public dlgSmPage {
 public:
  // `originalName` is the name the site is stored under ("" for a new site): another name must
  // be free in the category.
  dlgSmSiteGeneral(vqSiteParams* site, const char* originalName, unsigned char progId);
  bool Store() override;

  // The checks shared with the wizard's first page: moves URL, port, directory, virtual host,
  // name and description of `page` into `site`, or shows the first fault and returns false.
  static bool StoreSiteFields(vqDialog* page, vqSiteParams* site, const char* originalName, bool wizard);

 protected:
  BOOL OnInitDialog() override;

 private:
  vqSiteParams* m_site;
  char m_originalName[257];
};
