// The application settings sheet: "General" (the variant of the program id), "File Transfer",
// then the common pages for the global set and "Logfiles". Run by the library it edits a copy
// and saves after OK; handed to the shell's own sheet it saves on apply.
#pragma once
#include <windows.h>

#include <prsht.h>

#include <memory>
#include <vector>

class vqAppParams;
class dlgSmPage;

class dlgSmAppParams {
 public:
  dlgSmAppParams(unsigned char progId, vqAppParams* app);
  ~dlgSmAppParams();
  dlgSmAppParams(const dlgSmAppParams&) = delete;
  dlgSmAppParams& operator=(const dlgSmAppParams&) = delete;

  // Modal sheet; 1 when OK saved the settings.
  int Run(HWND parent);
  // Hands the pages to another program's sheet; a page the callback refuses is destroyed.
  int AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount);

 private:
  static bool saveNow(void* self);
  unsigned char m_progId;
  vqAppParams* m_app;
  std::vector<std::unique_ptr<dlgSmPage>> m_pages;
};

// The site's pages for another program's sheet, saving the site on apply.
class vqSiteParams;
class dlgSmSitePages {
 public:
  explicit dlgSmSitePages(vqSiteParams* site);
  ~dlgSmSitePages();
  int AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount);

 private:
  static bool saveNow(void* self);
  vqSiteParams* m_site;
  std::unique_ptr<vqSiteParams> m_work;
  std::vector<std::unique_ptr<dlgSmPage>> m_pages;
};
