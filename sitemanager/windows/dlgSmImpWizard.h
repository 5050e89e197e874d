// "FTP Site Import Wizard": page one chooses the source (a WS_FTP sites file or FTP Explorer's
// profiles), page two lists the sites found there; finishing adds all or the chosen ones to the
// category the target names. Nothing is stored before the last question is answered.
#pragma once
#include <windows.h>

#include "dlgSmPage.h"

class vqSiteParams;

class dlgSmImpWizard1 : public dlgSmPage {
 public:
  dlgSmImpWizard1(unsigned char progId);
  unsigned source = 0;  // 0 WS_FTP file, 1 FTP Explorer
  char file[MAX_PATH] = "";
  bool Store() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;
};

class dlgSmImpWizard2 : public dlgSmPage {
 public:
  dlgSmImpWizard2(unsigned char progId, dlgSmImpWizard1* first, vqSiteParams* found);
  int imported = 0;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;
  bool OnWizardFinish() override;

 private:
  dlgSmImpWizard1* m_first;
  vqSiteParams* m_found;
};

class dlgSmImpWizard {
 public:
  explicit dlgSmImpWizard(vqSiteParams* target, HWND parent) : m_target(target), m_parent(parent) {}
  // The number of sites and categories added at the top of the target category.
  int Run();

 private:
  vqSiteParams* m_target;
  HWND m_parent;
};
