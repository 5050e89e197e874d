// The engine library as a whole: new engines, and what it writes about itself into the log.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "ftpTestSupport.h"
#include "vqDebugger.h"
#include "vqEngineModule.h"
#include "vqVersionNumber.h"
#include "vqFtpEngine.h"
#include "vqHandles.h"
#include "vqWsEngine.h"

TEST(EngineModule, NewEngineHasTheDefaultSettings) {
  vqFtpEngine* e = VQENG_NEWENGINE();
  ASSERT_NE(nullptr, e);
  EXPECT_STREQ("anonymous", e->GetUsername());
  EXPECT_NE(nullptr, strchr(e->GetPassword(), '@'));
  EXPECT_EQ(21u, e->GetPort());
  EXPECT_EQ(10u, e->GetRetryCount());
  EXPECT_EQ(30u, e->GetTimeout());
  EXPECT_EQ(4096u, e->GetRBufSize());
  EXPECT_EQ(4096u, e->GetSBufSize());
  EXPECT_EQ(VQ_HOST_AUTO, e->GetHostType());
  EXPECT_STREQ("/", e->GetHostDelim());
  EXPECT_EQ(0, e->FTP_IsOpen());
  EXPECT_EQ(1007u, e->FTP_SendCmd("NOOP", 1));
  e->AddRef();
  e->Release();  // still alive: one reference left
  EXPECT_EQ(VQ_HOST_AUTO, e->GetHostType());
  e->Release();
}

TEST(EngineModule, WritesWinsockAndVersionLinesToTheLog) {
  VQENG_DumpWsaData(nullptr);  // no log: nothing happens
  VQENG_DUMPVERSION(nullptr);
  std::string path = fhtest::tempDir() + "\\engine.log";
  vqDebugger log;
  log.SetLogName(path.c_str());
  log.DebuggerOn(1);
  VQENG_DumpWsaData(&log);
  VQENG_DUMPVERSION(&log);
  log.DebuggerOff();
  std::string text = fhtest::readFile(path);
  EXPECT_NE(std::string::npos, text.find("WINSOCK: ")) << text;
  // The numbers of the library's own version resource, not zeros.
  char version[64];
  snprintf(version, sizeof version, " - Ver. %d.%d (Build %d)", VQ_VER_MAJOR, VQ_VER_MINOR * 10 + VQ_VER_PATCH,
           VQ_VER_BUILD);
  EXPECT_NE(std::string::npos, text.find(version)) << text;
}

// Loading the library starts nothing (Explorer holds the loader lock while it loads us): Winsock is
// started by the library's first use. Seen from a fresh process, where nothing else started it.
TEST(EngineModule, WinsockStartsOnFirstUseNotWhenTheLibraryLoads) {
  if (GetEnvironmentVariableA("FH_WINSOCK_CHILD", nullptr, 0)) {
    // Count the start-ups held now: WSACleanup answers WSANOTINITIALISED once none is left (a
    // probe that works under Wine too, whose socket calls do not check). The test program's own
    // environment holds exactly one; the library must hold none.
    int held = 0;
    while (held < 10 && WSACleanup() == 0) ++held;
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
    EXPECT_EQ(1, held) << "Winsock was started while the library loaded";
    char address[32] = "";
    sockaddr_in sa = {};
    EXPECT_EQ(0u, VQENG_GetRemoteHostInfo("127.0.0.1", address, &sa)) << "the first use starts it";
    EXPECT_EQ(0, WSACleanup()) << "the first use holds a start-up";
    WSADATA data;
    for (int i = 0; i < held; ++i) WSAStartup(MAKEWORD(2, 2), &data);
    return;
  }
  char self[MAX_PATH];
  ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, sizeof self));
  std::string command = std::string("\"") + self + "\" --gtest_filter=EngineModule.WinsockStartsOnFirstUse*";
  SetEnvironmentVariableA("FH_WINSOCK_CHILD", "1");
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableA("FH_WINSOCK_CHILD", nullptr);
  ASSERT_TRUE(started) << GetLastError();
  vqHandle process(pi.hProcess), thread(pi.hThread);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(0u, code) << "the check in a fresh process failed (its output is above)";
}
