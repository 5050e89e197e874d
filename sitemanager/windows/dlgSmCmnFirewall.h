// "Firewall": passive transfers and the firewall or proxy login scheme with its host, port and account.
#pragma once
#include "dlgSmCmnPage.h"

class dlgSmCmnFirewall : public dlgSmCmnPage {
 public:
  dlgSmCmnFirewall(unsigned char progId, vqCommonParams* params, vqSiteParams* site);

 protected:
  BOOL OnInitDialog() override;
  void Save(vqCommonParams* to) override;
  bool Validate() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

 private:
  void EnableFields();
};
