// "General" of the application sheet for the drive-mapping product: e-mail address and the
// transfer settings.
#pragma once
#include "dlgSmPage.h"

class vqAppParams;

class dlgZmpAppGeneral : public dlgSmPage {
 public:
  dlgZmpAppGeneral(unsigned char progId, vqAppParams* app);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

 private:
  vqAppParams* m_app;
};
