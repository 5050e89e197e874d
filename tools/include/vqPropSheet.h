// Property pages and sheets (and wizards) over PropertySheetA. Each page is a vqDialog whose
// object rides in PROPSHEETPAGE.lParam; the PSN_* notifications become virtuals whose answers go
// back through DWLP_MSGRESULT.
#pragma once
#include "vqDialog.h"

#include <commctrl.h>
#include <prsht.h>

class VQTOOLS_API vqPropPage : public vqDialog {
 public:
  vqPropPage(HINSTANCE module, UINT templateId, const char* title = nullptr);
  // `refParent`, when given, is the reference count a sheet's owner keeps for pages it hands
  // to another program's sheet (the shell's): the page holds it while it exists.
  HPROPSHEETPAGE CreatePage(UINT* refParent = nullptr);

 protected:
  // Validation on leaving the page: false keeps the user on it.
  virtual bool OnKillActive();
  virtual bool OnApply();
  virtual bool OnSetActive();
  // Wizard moves: 0 goes on, -1 stays, a template id jumps there.
  virtual LRESULT OnWizardNext();
  virtual LRESULT OnWizardBack();
  virtual bool OnWizardFinish();
  virtual void OnReset();
  LRESULT OnNotify(NMHDR* header) override;

  void SetModified(bool changed = true);
  void SetWizardButtons(DWORD flags);
  HWND Sheet() const { return GetParent(m_hWnd); }

 private:
  static INT_PTR CALLBACK StaticPageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  char m_title[128];
};

class VQTOOLS_API vqPropSheet {
 public:
  enum { MaxPages = 32 };
  explicit vqPropSheet(const char* caption, HWND parent = nullptr, HINSTANCE module = nullptr);
  bool AddPage(vqPropPage* page);
  void SetWizardMode(bool wizard = true) { m_wizard = wizard; }
  void SetStartPage(int index) { m_start = index; }
  // An "Apply" button beside OK and Cancel (property sheets only; off by default).
  void SetApplyButton(bool shown) { m_apply = shown; }
  // The sheet's result: 0/-1 cancelled or failed, otherwise pressed OK (or Finish).
  INT_PTR DoModal();

 private:
  char m_caption[256];
  HWND m_parent;
  HINSTANCE m_module;
  vqPropPage* m_pages[MaxPages];
  int m_count;
  int m_start;
  bool m_wizard;
  bool m_apply;
};
