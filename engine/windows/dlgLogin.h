// "Login Information": asks for the user name, password and account of a site during a connect.
// The host text is the window title; after IDOK the fields hold what was entered.
#pragma once
#include "vqDialog.h"
#include "vqEngineApi.h"

class VQENGINE_API dlgLogin : public vqDialog {
 public:
  enum { FieldSize = 256 };
  dlgLogin(const char* host, const char* user, const char* password, const char* account);

  const char* GetUser() const { return m_user; }
  const char* GetPassword() const { return m_password; }
  const char* GetAccount() const { return m_account; }
  bool GetSave() const { return m_save; }

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  char m_host[FieldSize];
  char m_user[FieldSize];
  char m_password[FieldSize];
  char m_account[FieldSize];
  bool m_save;
};
