// "File Transfer": preserved dates, what double-clicking a remote file does, and the transfer
// settings.
#pragma once
#include "dlgSmPage.h"

class vqAppParams;

class dlgFh32AppFileXfer : public dlgSmPage {
 public:
  dlgFh32AppFileXfer(unsigned char progId, vqAppParams* app);
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;

 private:
  vqAppParams* m_app;
};
