// The delete progress window: the item being deleted and how many of the job's files are done.
#pragma once
#include "dlgProgressBase.h"

class dlgDelete : public dlgProgressBase {
 public:
  explicit dlgDelete(vqProgressShared* shared);

 protected:
  void Refresh() override;
};
