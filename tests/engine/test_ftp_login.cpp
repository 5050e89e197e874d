// The login dialog the engine shows by itself when a site lacks a password, answered by a "user"
// on a second thread while the connect waits in the dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "fhEngineSetup.h"
#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "uiDriver.h"
#include "vqEngineRes.h"
#include "vqFtpEngine.h"

using namespace fhtest;

namespace {

struct dialogSearch {
  const char* title;  // nullptr: any dialog of this process
  HWND found;
};

BOOL CALLBACK matchDialog(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<dialogSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid != GetCurrentProcessId() || std::string(cls) != "#32770" || !IsWindowVisible(hwnd)) return TRUE;
  if (s->title && ui::Text(hwnd) != s->title) return TRUE;
  s->found = hwnd;
  return FALSE;
}

HWND findDialog(const char* title) {
  dialogSearch s = {title, nullptr};
  EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// Runs `connect` on this thread while a second thread waits (up to 10 s) for the dialog titled
// `title` and answers it. A dialog that never matches is closed, so the connect always ends.
template <class Answer>
unsigned long connectAnswering(const char* title, vqFtpEngine* e, Answer answer, bool* seen) {
  std::atomic<bool> done{false};
  *seen = false;
  std::thread user([&] {
    for (int i = 0; i < 500 && !done; ++i) {
      if (HWND dlg = findDialog(title)) {
        *seen = true;
        answer(dlg);
        return;
      }
      Sleep(20);
    }
    while (!done) {
      if (HWND any = findDialog(nullptr)) PostMessageA(any, WM_CLOSE, 0, 0);
      Sleep(100);
    }
  });
  unsigned long r = e->FTP_Connect();
  done = true;
  user.join();
  return r;
}

}  // namespace

TEST(FtpLoginDialog, MissingPasswordIsAskedForAndTheTypedTextsAreSent) {
  struct Case {
    const char* name;
    int button;
    unsigned long result;
    std::vector<std::string> login;  // what the server receives before SYST
  } cases[] = {
      {"OK", IDOK, 0, {"USER typed user", "PASS typed pw"}},
      {"Cancel", IDCANCEL, 1, {}},
  };
  VQENG_SetPrompts(nullptr, nullptr, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ftpScriptServer srv("220 ready", [](ftpScriptServer&, const std::string& l) {
      if (l.compare(0, 5, "USER ") == 0) return std::string("331 Password please.");
      if (l == "PASS typed pw") return std::string("230 Welcome.");
      if (l.compare(0, 5, "PASS ") == 0) return std::string("530 Login incorrect.");
      return plainAnswer(l);
    });
    vqFtpEngine* e = fhtest::localEngine(srv.Port(), 5, false);
    e->SetUsername("smith");
    e->SetPassword("");
    std::string shownUser, shownPass;
    bool seen = false;
    unsigned long r = connectAnswering(
        "127.0.0.1", e,
        [&](HWND dlg) {
          shownUser = ui::ItemText(dlg, IDC_LOGIN_USER);
          shownPass = ui::ItemText(dlg, IDC_LOGIN_PASS);
          ui::SetItemText(dlg, IDC_LOGIN_USER, "typed user");
          ui::SetItemText(dlg, IDC_LOGIN_PASS, "typed pw");
          ui::Click(dlg, IDC_LOGIN_SAVE);
          ui::Click(dlg, c.button);
        },
        &seen);
    EXPECT_TRUE(seen) << "a dialog titled with the host showed";
    EXPECT_EQ(c.result, r) << e->FTP_ErrorString(r);
    EXPECT_EQ("smith", shownUser);
    EXPECT_EQ("", shownPass);
    std::vector<std::string> login;
    for (const std::string& l : srv.Lines()) {
      if (l == "SYST") break;
      login.push_back(l);
    }
    EXPECT_EQ(c.login, login);
    if (c.button == IDOK) {
      EXPECT_STREQ("typed user", e->GetUsername());
      EXPECT_STREQ("typed pw", e->GetPassword());
      EXPECT_EQ(1, e->GetStoreInfo());
      EXPECT_EQ(1, e->FTP_IsOpen());
    } else {
      EXPECT_STREQ("smith", e->GetUsername());
      EXPECT_EQ(0, e->FTP_IsOpen());
    }
    e->Release();
  }
}
