#include <initializer_list>

#include "dlgSmSiteUser.h"

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

dlgSmSiteUser::dlgSmSiteUser(vqSiteParams* site, unsigned char progId, bool inWizard)
    : dlgSmPage(IDD_SM_SITEUSER, inWizard ? "FTP Site Wizard" : "User Info", progId),
      m_site(site),
      m_inWizard(inWizard) {}

BOOL dlgSmSiteUser::OnInitDialog() {
  for (int id : {IDC_SM_USER, IDC_SM_PASS, IDC_SM_ACCT, IDC_SM_INITCMD}) Limit(id, vqSiteParams::TEXT_LEN);
  SetCheck(IDC_SM_ANON, m_site->GetIsAnonymous() != 0);
  SetText(IDC_SM_USER, m_site->GetUsername());
  SetText(IDC_SM_PASS, m_site->GetPassword());
  SetText(IDC_SM_ACCT, m_site->GetAccount());
  SM_ListFromText(Item(IDC_SM_INITLIST), m_site->GetInitStr(), ';');
  ShowAnonymous(m_site->GetIsAnonymous() != 0);
  return TRUE;
}

bool dlgSmSiteUser::OnSetActive() {
  if (m_inWizard) SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return true;
}

void dlgSmSiteUser::ShowAnonymous(bool on) {
  if (on) {
    SetText(IDC_SM_USER, "anonymous");
    SetText(IDC_SM_PASS, VQSMGR_GetAppParams()->GetEMailAddress());
  }
  Enable(IDC_SM_USER, !on);
  Enable(IDC_SM_PASS, !on);
}

void dlgSmSiteUser::MoveSelected(int by) {
  HWND list = Item(IDC_SM_INITLIST);
  int at = ListGetSelection(IDC_SM_INITLIST);
  int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  int to = at + by;
  if (at < 0 || to < 0 || to >= count) return;
  char text[vqSiteParams::TEXT_LEN + 1];
  if (SendMessageA(list, LB_GETTEXTLEN, at, 0) >= static_cast<LRESULT>(sizeof text)) return;
  SendMessageA(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text));
  SendMessageA(list, LB_DELETESTRING, at, 0);
  SendMessageA(list, LB_INSERTSTRING, to, reinterpret_cast<LPARAM>(text));
  ListSelect(IDC_SM_INITLIST, to);
}

BOOL dlgSmSiteUser::OnCommand(WORD id, WORD code, HWND control) {
  switch (id) {
    case IDC_SM_ANON:
      ShowAnonymous(GetCheck(IDC_SM_ANON));
      return TRUE;
    case IDC_SM_INITADD: {
      char text[vqSiteParams::TEXT_LEN + 1];
      GetText(IDC_SM_INITCMD, text, sizeof text);
      // One entry is one command: the stored text separates commands with ";".
      for (char* p = text; *p; ++p)
        if (*p == ';') *p = ' ';
      char* start = text;
      while (*start == ' ') ++start;
      if (!*start) {
        SM_Warn("Invalid Entry.");
        return TRUE;
      }
      ListAdd(IDC_SM_INITLIST, start);
      SetText(IDC_SM_INITCMD, "");
      return TRUE;
    }
    case IDC_SM_INITDEL: {
      int at = ListGetSelection(IDC_SM_INITLIST);
      if (at >= 0) SendDlgItemMessageA(m_hWnd, IDC_SM_INITLIST, LB_DELETESTRING, at, 0);
      return TRUE;
    }
    case IDC_SM_INITUP:
      MoveSelected(-1);
      return TRUE;
    case IDC_SM_INITDOWN:
      MoveSelected(1);
      return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmSiteUser::Store() {
  if (!IsReady()) return true;
  char text[vqSiteParams::TEXT_LEN + 1];
  bool anonymous = GetCheck(IDC_SM_ANON);
  m_site->SetIsAnonymous(anonymous ? 1 : 0);
  GetText(IDC_SM_USER, text, sizeof text);
  m_site->SetUsername(text);
  GetText(IDC_SM_PASS, text, sizeof text);
  m_site->SetPassword(text);
  GetText(IDC_SM_ACCT, text, sizeof text);
  m_site->SetAccount(text);
  SM_TextFromList(Item(IDC_SM_INITLIST), text, sizeof text, ';');
  m_site->SetInitStr(text);
  return true;
}
