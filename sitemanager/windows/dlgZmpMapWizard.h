// "Map Network Drive Wizard": a drive letter (free, or already mapped by this product) and a
// site; finishing connects the drive to the site's network path through the network provider
// and stores the letter in the site. Without that provider the mapping fails with the system's
// reason and nothing is stored.
#pragma once
#include <string>
#include <vector>

#include "dlgSmPage.h"

class vqSiteParams;

class dlgZmpMapWizard1 : public dlgSmPage {
 public:
  explicit dlgZmpMapWizard1(unsigned char progId);
  int mapped = 0;
  // The drives offered, "C:" up to the last drive allowed, free or ours.
  static std::vector<std::string> Drives();

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  bool OnSetActive() override;
  bool OnWizardFinish() override;

 private:
  struct Site {
    std::string sub, name, url, wendal;
    unsigned id;
  };
  void FillSites(const char* select = nullptr);
  static void collect(vqSiteParams* site, void* self);
  std::vector<Site> m_sites;
};

class dlgZmpMapWizard {
 public:
  dlgZmpMapWizard(unsigned char progId, HWND parent) : m_progId(progId), m_parent(parent) {}
  int Run();

 private:
  unsigned char m_progId;
  HWND m_parent;
};
