#include "dlgSmPage.h"

#include "smHelp.h"
#include "smModule.h"

dlgSmPage::dlgSmPage(UINT templateId, const char* title, unsigned char progId)
    : vqPropPage(_smModule(), templateId, title), m_progId(progId) {}

INT_PTR dlgSmPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = SM_HandleHelpMessage(m_hWnd, msg, wp, lp);
  return handled ? TRUE : FALSE;
}

// The sheet tells other programs (and tests) which front end it speaks for.
LRESULT dlgSmPage::OnNotify(NMHDR* header) {
  if (header->code == PSN_SETACTIVE && Sheet())
    SetPropA(Sheet(), SM_PROGID_PROP, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_progId)));
  return vqPropPage::OnNotify(header);
}

void dlgSmPage::Limit(int id, int chars) { SendDlgItemMessageA(m_hWnd, id, EM_LIMITTEXT, chars, 0); }
void dlgSmPage::Enable(int id, bool on) { EnableWindow(Item(id), on); }
void dlgSmPage::FocusOn(int id) {
  SetFocus(Item(id));
  SendDlgItemMessageA(m_hWnd, id, EM_SETSEL, 0, -1);
}

bool dlgSmPage::GetRanged(int id, unsigned long lo, unsigned long hi, unsigned long* out) {
  bool ok = false;
  unsigned long n = GetNumber(id, &ok);
  if (ok && n >= lo && n <= hi) {
    *out = n;
    return true;
  }
  SM_WarnF("Please enter a number from %lu to %lu.", lo, hi);
  FocusOn(id);
  return false;
}
