// "Connection": connection saver, server messages, buffer sizes, time-out, keep-alive and retries.
#pragma once
#include "dlgSmCmnPage.h"

class dlgSmCmnSocket : public dlgSmCmnPage {
 public:
  dlgSmCmnSocket(unsigned char progId, vqCommonParams* params, vqSiteParams* site);

 protected:
  BOOL OnInitDialog() override;
  void Save(vqCommonParams* to) override;
  bool Validate() override;
};
