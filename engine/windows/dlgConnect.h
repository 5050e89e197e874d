// The connection progress window: host, status, attempts and the last error.
#pragma once
#include "dlgProgressBase.h"

class dlgConnect : public dlgProgressBase {
 public:
  explicit dlgConnect(vqProgressShared* shared);

 protected:
  void Refresh() override;
};
