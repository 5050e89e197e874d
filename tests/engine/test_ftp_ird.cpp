// The initial remote directory dialog, driven under the X server like a user would.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "fhEngineSetup.h"
#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "uiDriver.h"
#include "vqEngineIrdRes.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

using namespace fhtest;

namespace {

// Types `dir` into this program's dialog once it shows and presses OK. The connect cannot end while
// the dialog is open, so the search goes on until it shows (or the connect ended without one).
void answerDialog(const std::string& dir, std::atomic<bool>* seen, std::atomic<bool>* connected) {
  while (!*connected) {
    HWND dlg = ui::WaitForOwnWindow("Initial Remote Directory", 200);
    if (dlg) {
      *seen = true;
      SetDlgItemTextA(dlg, IDC_IRD_DIR, dir.c_str());
      PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return;
    }
  }
}

std::string g_box;
int answerCancel(const char* text, const char*, unsigned, void*) {
  g_box = text;
  return IDCANCEL;
}

}  // namespace

TEST(FtpIrdDialog, AsksForAnotherDirectoryWhenTheSitesOneFails) {
  struct Case {
    const char* typed;
    const char* ird;  // the site's initial directory afterwards
    bool boxShown;
  } cases[] = {
      {"/pub", "/pub", false}, {"/bad", "/", true},  // refused, and the user drops the initial directory
  };
  for (const Case& c : cases) {
    ftpScriptServer srv("220 ready", [](ftpScriptServer&, const std::string& l) {
      static std::string cwd = "/";
      if (l.compare(0, 5, "USER ") == 0) {
        cwd = "/";
        return std::string("230 In.");
      }
      if (l == "CWD /pub") {
        cwd = "/pub";
        return std::string("250 Ok.");
      }
      if (l.compare(0, 4, "CWD ") == 0) return std::string("550 No such directory.");
      if (l == "PWD") return "257 \"" + cwd + "\" is the current directory";
      return plainAnswer(l);
    });
    vqFtpEngine* e = fhtest::localEngine(srv.Port(), 5, false);
    e->SetIRD("/gone");
    g_box.clear();
    VQ_MSG_ANSWER old = vqSetMessageAnswer(answerCancel, nullptr);
    std::atomic<bool> seen{false}, connected{false};
    std::thread user(answerDialog, std::string(c.typed), &seen, &connected);
    unsigned long r = e->FTP_Connect();
    connected = true;
    user.join();
    vqSetMessageAnswer(old, nullptr);
    EXPECT_EQ(0u, r) << c.typed;
    EXPECT_TRUE(seen) << "the dialog was shown";
    EXPECT_STREQ(c.ird, e->GetIRD()) << c.typed;
    EXPECT_EQ(c.boxShown, !g_box.empty()) << c.typed;
    if (c.boxShown) {
      EXPECT_NE(std::string::npos, g_box.find("Unable to set the Initial Remote Directory to '/bad'")) << g_box;
      EXPECT_NE(std::string::npos, g_box.find("550 No such directory.")) << g_box;
    }
    e->Release();
  }
}

// A session that dies, or a folder change that gets no answer, is no question for the user: no
// dialog waits for someone who may not be there (a reconnect after an abort runs unattended).
TEST(FtpIrdDialog, NoQuestionWithoutARefusal) {
  struct Case {
    const char* syst;
    const char* cwd;
    bool connects;
  } cases[] = {{"<close>", "550 No.", false}, {"215 UNIX Type: L8", "", true}};
  for (const Case& c : cases) {
    ftpScriptServer srv("220 ready", [c](ftpScriptServer&, const std::string& l) {
      if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
      if (l == "SYST") return std::string(c.syst);
      if (l.compare(0, 4, "CWD ") == 0) return std::string(c.cwd);
      return plainAnswer(l);
    });
    vqFtpEngine* e = fhtest::localEngine(srv.Port(), 2, false);
    e->SetIRD("/gone");
    static int asked;
    asked = 0;
    VQENG_SetPrompts(
        nullptr, [](vqFtpEngine*, char*, size_t, void*) { return ++asked, IDCANCEL; }, nullptr);
    const unsigned long r = e->FTP_Connect();
    VQENG_SetPrompts(nullptr, nullptr, nullptr);
    EXPECT_EQ(c.connects, r == 0) << c.syst << " / " << c.cwd << ": " << r;
    EXPECT_EQ(0, asked) << c.syst << " / " << c.cwd;
    e->Release();
  }
}
