// The choice offered when a secondary connection cannot be opened: try again, use the primary
// connection this time, or always use it (ConnectionSaver).
#pragma once
#include <string>

#include "vqDialog.h"

class dlgUsePrimary : public vqDialog {
 public:
  enum { RETRY = 0, ONCE = 1, ALWAYS = 2 };
  dlgUsePrimary();
  std::string Text;  // the error
  int Choice;        // RETRY, ONCE or ALWAYS; ONCE by default

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
