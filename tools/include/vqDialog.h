// Modal and modeless dialogs from .rc templates. A dialog is a small data object: the caller
// sets fields, OnInitDialog moves them into the controls, OnOK validates and moves them back,
// and the caller reads them after DoModal returns.
#pragma once
#include <string>

#include "vqWnd.h"

class VQTOOLS_API vqDialog : public vqWnd {
 public:
  // wide: the window and its controls are Unicode windows, so texts beyond the system's code page
  // (names from a UTF-8 server, names the user types) are shown and read whole.
  vqDialog(HINSTANCE module, UINT templateId, bool wide = false);
  // A modeless window still open on this thread goes with its object.
  ~vqDialog() override;

  INT_PTR DoModal(HWND parent = nullptr);
  // Modeless: the window lives until DestroyWindow or EndDialog.
  HWND Create(HWND parent = nullptr);
  void EndDialog(INT_PTR result);
  bool IsModal() const { return m_modal; }

  // Moving values between controls and fields.
  void SetText(int id, const char* text);
  // Rewrites the control only when its text differs (no flicker on frequent updates).
  bool SetTextIfChanged(int id, const char* text);
  int GetText(int id, char* out, int size) const;
  void SetTextW(int id, const wchar_t* text);
  bool SetTextIfChangedW(int id, const wchar_t* text);
  std::wstring GetTextW(int id) const;
  void SetNumber(int id, unsigned long n);
  unsigned long GetNumber(int id, bool* ok = nullptr) const;
  void SetCheck(int id, bool on);
  bool GetCheck(int id) const;
  void SetRadio(int firstId, int lastId, int index);
  int GetRadio(int firstId, int lastId) const;  // -1 when none is checked
  void ListAdd(int id, const char* text);
  void ListSelect(int id, int index);
  int ListGetSelection(int id) const;
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

 protected:
  virtual BOOL OnInitDialog();
  virtual BOOL OnCommand(WORD id, WORD code, HWND control);
  virtual LRESULT OnNotify(NMHDR* header);
  virtual void OnOK();
  virtual void OnCancel();
  // Messages the handlers above do not cover; return TRUE when handled.
  virtual INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
  // Answers a notification through DWLP_MSGRESULT, as the dialog manager wants.
  void SetResult(LRESULT result);

  INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR Dispatch(vqDialog* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HINSTANCE m_module;
  UINT m_templateId;
  bool m_modal;
  bool m_wide;
};
