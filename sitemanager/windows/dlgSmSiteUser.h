// "User Info": anonymous or named login, password, account, and the commands sent after login
// (kept as one ";"-separated text).
#pragma once
#include "dlgSmPage.h"

class vqSiteParams;

class dlgSmSiteUser : public dlgSmPage {
 public:
  dlgSmSiteUser(vqSiteParams* site, unsigned char progId, bool inWizard);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;

 private:
  void ShowAnonymous(bool on);
  void MoveSelected(int by);

  vqSiteParams* m_site;
  bool m_inWizard;
};
