#include "dlgLogin.h"

#include <initializer_list>

#include "vqCatch.h"
#include "vqEngineModule.h"
#include "vqEngineRes.h"
#include "vqProgressState.h"

static void copyField(char* dst, const char* src) { lstrcpynA(dst, src ? src : "", dlgLogin::FieldSize); }

dlgLogin::dlgLogin(const char* host, const char* user, const char* password, const char* account)
    : vqDialog(vqEngineModule(), IDD_LOGIN), m_save(false) {
  copyField(m_host, host);
  copyField(m_user, user);
  copyField(m_password, password);
  copyField(m_account, account);
}

BOOL dlgLogin::OnInitDialog() {
  if (m_host[0]) SetWindowTextA(m_hWnd, m_host);
  for (int id : {IDC_LOGIN_USER, IDC_LOGIN_PASS, IDC_LOGIN_ACCT})
    SendDlgItemMessageA(m_hWnd, id, EM_LIMITTEXT, FieldSize - 1, 0);
  SetText(IDC_LOGIN_USER, m_user);
  SetText(IDC_LOGIN_PASS, m_password);
  SetText(IDC_LOGIN_ACCT, m_account);
  SetCheck(IDC_LOGIN_SAVE, m_save);
  return TRUE;
}

void dlgLogin::OnOK() {
  GetText(IDC_LOGIN_USER, m_user, FieldSize);
  GetText(IDC_LOGIN_PASS, m_password, FieldSize);
  GetText(IDC_LOGIN_ACCT, m_account, FieldSize);
  m_save = GetCheck(IDC_LOGIN_SAVE);
  EndDialog(IDOK);
}
