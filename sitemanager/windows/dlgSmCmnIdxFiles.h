// "Index Files": whether index files are shown as descriptions, their names and largest size.
#pragma once
#include "dlgSmCmnPage.h"

class dlgSmCmnIdxFiles : public dlgSmCmnPage {
 public:
  dlgSmCmnIdxFiles(unsigned char progId, vqCommonParams* params, vqSiteParams* site);

 protected:
  BOOL OnInitDialog() override;
  void Save(vqCommonParams* to) override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
};
