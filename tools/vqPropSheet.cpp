#include "vqPropSheet.h"

#include <string.h>

#include "vqCatch.h"

vqPropPage::vqPropPage(HINSTANCE module, UINT templateId, const char* title) : vqDialog(module, templateId) {
  lstrcpynA(m_title, title ? title : "", sizeof m_title);
}

HPROPSHEETPAGE vqPropPage::CreatePage(UINT* refParent) {
  PROPSHEETPAGEA psp;
  ZeroMemory(&psp, sizeof psp);
  psp.dwSize = sizeof psp;
  psp.dwFlags = m_title[0] ? PSP_USETITLE : 0;
  psp.hInstance = m_module;
  psp.pszTemplate = MAKEINTRESOURCEA(m_templateId);
  psp.pfnDlgProc = StaticPageProc;
  psp.pszTitle = m_title;
  psp.lParam = reinterpret_cast<LPARAM>(this);
  if (refParent) {
    psp.dwFlags |= PSP_USEREFPARENT;
    psp.pcRefParent = refParent;
  }
  return CreatePropertySheetPageA(&psp);
}

bool vqPropPage::OnKillActive() { return true; }
bool vqPropPage::OnApply() { return true; }
bool vqPropPage::OnSetActive() { return true; }
LRESULT vqPropPage::OnWizardNext() { return 0; }
LRESULT vqPropPage::OnWizardBack() { return 0; }
bool vqPropPage::OnWizardFinish() { return true; }
void vqPropPage::OnReset() {}

LRESULT vqPropPage::OnNotify(NMHDR* header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive() ? 0 : -1;
    case PSN_KILLACTIVE:
      return OnKillActive() ? FALSE : TRUE;
    case PSN_APPLY:
      return OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
    case PSN_WIZNEXT:
      return OnWizardNext();
    case PSN_WIZBACK:
      return OnWizardBack();
    case PSN_WIZFINISH:
      return OnWizardFinish() ? FALSE : TRUE;
    case PSN_RESET:
      OnReset();
      return 0;
  }
  return 0;
}

void vqPropPage::SetModified(bool changed) {
  SendMessageA(Sheet(), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void vqPropPage::SetWizardButtons(DWORD flags) { PostMessageA(Sheet(), PSM_SETWIZBUTTONS, 0, flags); }

INT_PTR CALLBACK vqPropPage::StaticPageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  VQ_TRY
    if (msg == WM_INITDIALOG) {
      auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lp);
      if (auto* self = reinterpret_cast<vqPropPage*>(psp->lParam)) self->Attach(hwnd);
    }
    return Dispatch(static_cast<vqDialog*>(FromHandle(hwnd)), hwnd, msg, wp, lp);
  VQ_CATCH("vqPropPage", FALSE)
}

vqPropSheet::vqPropSheet(const char* caption, HWND parent, HINSTANCE module)
    : m_parent(parent), m_module(module), m_pages(), m_count(0), m_start(0), m_wizard(false), m_apply(false) {
  lstrcpynA(m_caption, caption ? caption : "", sizeof m_caption);
}

bool vqPropSheet::AddPage(vqPropPage* page) {
  if (!page || m_count >= MaxPages) return false;
  m_pages[m_count++] = page;
  return true;
}

INT_PTR vqPropSheet::DoModal() {
  HPROPSHEETPAGE pages[MaxPages];
  for (int i = 0; i < m_count; ++i) {
    pages[i] = m_pages[i]->CreatePage();
    if (!pages[i]) {
      for (int j = 0; j < i; ++j) DestroyPropertySheetPage(pages[j]);
      return -1;
    }
  }
  PROPSHEETHEADERA psh;
  ZeroMemory(&psh, sizeof psh);
  psh.dwSize = sizeof psh;
  psh.dwFlags = (m_apply ? 0 : PSH_NOAPPLYNOW) | (m_wizard ? PSH_WIZARD : 0);
  psh.hwndParent = m_parent;
  psh.hInstance = m_module;
  psh.pszCaption = m_caption;
  psh.nPages = static_cast<UINT>(m_count);
  psh.nStartPage = static_cast<UINT>(m_start);
  psh.phpage = pages;
  return PropertySheetA(&psh);
}
