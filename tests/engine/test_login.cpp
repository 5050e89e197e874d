// "Login Information" driven like a user: read what it shows, type, tick, press.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dlgLogin.h"
#include "uiDriver.h"
#include "vqEngineRes.h"

TEST(Login, OkReturnsTheThreeTextsAndTheSaveBox) {
  dlgLogin d("ftp.example.org", "anonymous", "guest@", "");
  std::string user, pass, acct;
  bool saveShown = true, passwordHidden = false;
  INT_PTR r = ui::WithDriver(
      "ftp.example.org", [&] { return d.DoModal(); },
      [&](HWND w) {
        user = ui::ItemText(w, IDC_LOGIN_USER);
        pass = ui::ItemText(w, IDC_LOGIN_PASS);
        acct = ui::ItemText(w, IDC_LOGIN_ACCT);
        saveShown = ui::Checked(w, IDC_LOGIN_SAVE);
        passwordHidden = (GetWindowLongPtrA(GetDlgItem(w, IDC_LOGIN_PASS), GWL_STYLE) & ES_PASSWORD) != 0;
        ui::SetItemText(w, IDC_LOGIN_USER, "smith");
        ui::SetItemText(w, IDC_LOGIN_PASS, "s3cret word");
        ui::SetItemText(w, IDC_LOGIN_ACCT, "acct-7");
        ui::Click(w, IDC_LOGIN_SAVE);
        ui::Click(w, IDOK);
      });
  EXPECT_EQ(IDOK, r);
  EXPECT_EQ("anonymous", user);
  EXPECT_EQ("guest@", pass);
  EXPECT_EQ("", acct);
  EXPECT_FALSE(saveShown);
  EXPECT_TRUE(passwordHidden);
  EXPECT_STREQ("smith", d.GetUser());
  EXPECT_STREQ("s3cret word", d.GetPassword());
  EXPECT_STREQ("acct-7", d.GetAccount());
  EXPECT_TRUE(d.GetSave());
}

TEST(Login, CancelReturnsIdCancelAndKeepsTheOldTexts) {
  dlgLogin d("ftp.example.org", "anonymous", "guest@", "");
  INT_PTR r = ui::WithDriver(
      "ftp.example.org", [&] { return d.DoModal(); },
      [&](HWND w) {
        ui::SetItemText(w, IDC_LOGIN_USER, "typed");
        ui::Click(w, IDC_LOGIN_SAVE);
        ui::Click(w, IDCANCEL);
      });
  EXPECT_EQ(IDCANCEL, r);
  EXPECT_STREQ("anonymous", d.GetUser());
  EXPECT_FALSE(d.GetSave());
}

TEST(Login, OverlongTextsAreCutToTheField) {
  std::string longName(1000, 'u');
  dlgLogin d("", longName.c_str(), nullptr, nullptr);
  EXPECT_EQ(size_t(dlgLogin::FieldSize - 1), strlen(d.GetUser()));
  INT_PTR r = ui::WithDriver(
      "Login Information", [&] { return d.DoModal(); },
      [&](HWND w) {
        ui::SetItemText(w, IDC_LOGIN_PASS, longName.c_str());
        ui::Click(w, IDOK);
      });
  EXPECT_EQ(IDOK, r);
  EXPECT_EQ(size_t(dlgLogin::FieldSize - 1), strlen(d.GetPassword()));
  EXPECT_STREQ("", d.GetAccount());
}
