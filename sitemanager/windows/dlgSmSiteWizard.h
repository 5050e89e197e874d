// "FTP Site Information": the site's property sheet, and the same pages as the new-site wizard.
// The pages edit a working copy; the site is saved once, after every page has accepted its
// fields, and Cancel leaves both the store and the caller's object as they were.
#pragma once
#include <windows.h>

class vqSiteParams;

class dlgSmSiteWizard {
 public:
  dlgSmSiteWizard(vqSiteParams* target, HWND parent);
  dlgSmSiteWizard(const dlgSmSiteWizard&) = delete;
  dlgSmSiteWizard& operator=(const dlgSmSiteWizard&) = delete;

  // 1 when OK saved the site (the target then holds what was saved), else 0.
  int RunProperties();
  // A new site in the target's category: 1 when finished and saved (the target is the new site).
  int RunWizard();

  // Saves an edited copy of the target (renaming it and clearing the old host's caches as
  // needed); 1 when saved, else the fault was shown.
  int SaveEdited(vqSiteParams* work) { return Save(work, false); }

  // Every setting of `from`, common and site fields, into `to`.
  static void CopySite(vqSiteParams* to, vqSiteParams* from);

 private:
  int Save(vqSiteParams* work, bool isNew);

  vqSiteParams* m_target;
  HWND m_parent;
};
