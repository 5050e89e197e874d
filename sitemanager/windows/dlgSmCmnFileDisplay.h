// "File Display": which remote entries are shown, the LIST flags for hidden files and the file mask.
#pragma once
#include "dlgSmCmnPage.h"

class dlgSmCmnFileDisplay : public dlgSmCmnPage {
 public:
  dlgSmCmnFileDisplay(unsigned char progId, vqCommonParams* params, vqSiteParams* site);

 protected:
  BOOL OnInitDialog() override;
  void Save(vqCommonParams* to) override;
  bool Validate() override;
};
