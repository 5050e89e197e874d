#include "vqDialog.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vqCatch.h"

// Templates may hold common controls (progress bars, animations, lists); their classes must
// exist before the first dialog is made.
static void registerCommonControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

vqDialog::vqDialog(HINSTANCE module, UINT templateId, bool wide)
    : m_module(module), m_templateId(templateId), m_modal(false), m_wide(wide) {
  registerCommonControls();
}

vqDialog::~vqDialog() {
  HWND hwnd = m_hWnd;
  Detach();
  if (hwnd && !m_modal && IsWindow(hwnd) && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId())
    ::DestroyWindow(hwnd);
}

INT_PTR vqDialog::DoModal(HWND parent) {
  m_modal = true;
  if (m_wide)
    return DialogBoxParamW(m_module, MAKEINTRESOURCEW(m_templateId), parent, StaticDlgProc,
                           reinterpret_cast<LPARAM>(this));
  return DialogBoxParamA(m_module, MAKEINTRESOURCEA(m_templateId), parent, StaticDlgProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND vqDialog::Create(HWND parent) {
  m_modal = false;
  if (m_wide)
    return CreateDialogParamW(m_module, MAKEINTRESOURCEW(m_templateId), parent, StaticDlgProc,
                              reinterpret_cast<LPARAM>(this));
  return CreateDialogParamA(m_module, MAKEINTRESOURCEA(m_templateId), parent, StaticDlgProc,
                            reinterpret_cast<LPARAM>(this));
}

void vqDialog::EndDialog(INT_PTR result) {
  if (!m_hWnd) return;
  if (m_modal)
    ::EndDialog(m_hWnd, result);
  else
    ::DestroyWindow(m_hWnd);
}

void vqDialog::SetText(int id, const char* text) { SetDlgItemTextA(m_hWnd, id, text ? text : ""); }

bool vqDialog::SetTextIfChanged(int id, const char* text) {
  char now[1024];
  GetDlgItemTextA(m_hWnd, id, now, sizeof now);
  if (strcmp(now, text ? text : "") == 0) return false;
  SetText(id, text);
  return true;
}

int vqDialog::GetText(int id, char* out, int size) const {
  if (!out || size <= 0) return 0;
  out[0] = '\0';
  return GetDlgItemTextA(m_hWnd, id, out, size);
}

void vqDialog::SetTextW(int id, const wchar_t* text) { SetDlgItemTextW(m_hWnd, id, text ? text : L""); }

bool vqDialog::SetTextIfChangedW(int id, const wchar_t* text) {
  if (GetTextW(id) == (text ? text : L"")) return false;
  SetTextW(id, text);
  return true;
}

std::wstring vqDialog::GetTextW(int id) const {
  HWND item = GetDlgItem(m_hWnd, id);
  if (!item) return std::wstring();
  std::wstring out(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  out.resize(static_cast<size_t>(GetWindowTextW(item, &out[0], static_cast<int>(out.size()))));
  return out;
}

void vqDialog::SetNumber(int id, unsigned long n) {
  char text[32];
  snprintf(text, sizeof text, "%lu", n);
  SetText(id, text);
}

unsigned long vqDialog::GetNumber(int id, bool* ok) const {
  char text[32], *end = nullptr;
  GetText(id, text, sizeof text);
  unsigned long n = strtoul(text, &end, 10);
  if (ok) *ok = end != text && *end == '\0';
  return n;
}

void vqDialog::SetCheck(int id, bool on) { CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }
bool vqDialog::GetCheck(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }

void vqDialog::SetRadio(int firstId, int lastId, int index) {
  CheckRadioButton(m_hWnd, firstId, lastId, firstId + index);
}

int vqDialog::GetRadio(int firstId, int lastId) const {
  for (int id = firstId; id <= lastId; ++id)
    if (GetCheck(id)) return id - firstId;
  return -1;
}

void vqDialog::ListAdd(int id, const char* text) {
  SendDlgItemMessageA(m_hWnd, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}
void vqDialog::ListSelect(int id, int index) { SendDlgItemMessageA(m_hWnd, id, LB_SETCURSEL, index, 0); }
int vqDialog::ListGetSelection(int id) const {
  return static_cast<int>(SendDlgItemMessageA(m_hWnd, id, LB_GETCURSEL, 0, 0));
}

BOOL vqDialog::OnInitDialog() { return TRUE; }

BOOL vqDialog::OnCommand(WORD id, WORD, HWND) {
  if (id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

LRESULT vqDialog::OnNotify(NMHDR*) { return 0; }
void vqDialog::OnOK() { EndDialog(IDOK); }
void vqDialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR vqDialog::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return FALSE;
}

void vqDialog::SetResult(LRESULT result) { SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result); }

INT_PTR vqDialog::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_NOTIFY: {
      LRESULT r = OnNotify(reinterpret_cast<NMHDR*>(lp));
      SetResult(r);
      return TRUE;
    }
    case WM_TIMER:
      OnTimer(wp);
      return TRUE;
  }
  bool handled = false;
  INT_PTR r = OnMessage(msg, wp, lp, handled);
  return handled ? r : FALSE;
}

INT_PTR vqDialog::Dispatch(vqDialog* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!self) return FALSE;
  INT_PTR r = self->DialogProc(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    self->Detach();
    self->OnFinalMessage();
  }
  (void)hwnd;
  return r;
}

INT_PTR CALLBACK vqDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  VQ_TRY
    if (msg == WM_INITDIALOG) {
      if (auto* self = reinterpret_cast<vqDialog*>(lp)) self->Attach(hwnd);
    }
    return Dispatch(static_cast<vqDialog*>(FromHandle(hwnd)), hwnd, msg, wp, lp);
  VQ_CATCH("vqDialog", FALSE)
}
