// The engine library as a whole: new engines, and what it writes about itself into the log.
#include <gtest/gtest.h>

#include <string>

#include "ftpTestSupport.h"
#include "vqDebugger.h"
#include "vqEngineModule.h"
#include "vqFtpEngine.h"

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
  EXPECT_NE(std::string::npos, text.find(" - Ver. ")) << text;
  EXPECT_NE(std::string::npos, text.find("(Build ")) << text;
}
