// A page of the site manager's sheets and wizards: the library's template, the program id, and
// each control's help as a pop-up text on F1 and right-click. Pages move their fields into the
// edited object when the user leaves them (validation first) and never write the registry: the
// sheet's owner saves once every page is valid.
#pragma once
#include "vqPropSheet.h"

class dlgSmPage : public vqPropPage {
 public:
  dlgSmPage(UINT templateId, const char* title, unsigned char progId);
  // The page's window exists (the user has opened it at least once).
  bool IsReady() const { return m_hWnd != nullptr; }
  // Validates the controls and moves them into the edited object; false keeps the user here.
  virtual bool Store() { return true; }
  // In a sheet the library does not run itself (the shell's), apply calls `hook` to save.
  void SetApplyHook(bool (*hook)(void*), void* context) {
    m_applyHook = hook;
    m_applyContext = context;
  }

 protected:
  bool OnKillActive() override { return Store(); }
  bool OnWizardFinish() override { return Store(); }
  bool OnApply() override { return m_applyHook ? m_applyHook(m_applyContext) : true; }
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  LRESULT OnNotify(NMHDR* header) override;
  void Limit(int id, int chars);
  void Enable(int id, bool on);
  // Keeps the focus on a control the user must correct.
  void FocusOn(int id);
  // A whole number within lo..hi, or the fault shown and the focus on the control.
  bool GetRanged(int id, unsigned long lo, unsigned long hi, unsigned long* out);

  unsigned char m_progId;
  bool (*m_applyHook)(void*) = nullptr;
  void* m_applyContext = nullptr;
};
