// "Logfiles": the three debug logs, each switched on or off, named, browsed for and viewed.
#pragma once
#include "dlgSmPage.h"

class vqAppParams;

class dlgSmAppLogFiles : public dlgSmPage {
 public:
  dlgSmAppLogFiles(unsigned char progId, vqAppParams* app);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

 private:
  vqAppParams* m_app;
};
