// "Change Working Directory": the directory typed, trimmed, on OK.
#pragma once
#include <string>

#include "vqDialog.h"

class dlgCwd : public vqDialog {
 public:
  dlgCwd();
  std::string m_dir;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
