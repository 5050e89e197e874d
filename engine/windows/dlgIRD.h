// "Initial Remote Directory": shown during a connect when the site's initial directory cannot be
// entered. OK tries the directory typed; after IDOK, GetDirectory() holds the one that worked, or
// is empty when the user chose to drop the initial directory.
#pragma once
#include "vqDialog.h"
#include "vqEngineApi.h"

class vqFtpEngine;

class VQENGINE_API dlgIRD : public vqDialog {
 public:
  enum { DirSize = 1024 };
  dlgIRD(vqFtpEngine* engine, const char* directory);
  const char* GetDirectory() const { return m_dir; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  vqFtpEngine* m_engine;
  char m_dir[DirSize];
};
