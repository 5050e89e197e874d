// The pages of the application settings sheet that edit the global vqAppParams: "General" in
// its shell-extension and drive-mapping variants, "File Transfer" and "Logfiles".
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
