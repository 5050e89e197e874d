// "General" of the application sheet for the shell extension: e-mail address, download folder
// and where the Farhollow folder is placed.
#pragma once
#include "dlgSmPage.h"

class vqAppParams;

class dlgFh32AppGeneral : public dlgSmPage {
 public:
  dlgFh32AppGeneral(unsigned char progId, vqAppParams* app);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

 private:
  vqAppParams* m_app;
  bool m_warned;
};
