// The session against real servers: vsftpd (anonymous, uploads into incoming/) and pyftpdlib
// (a password user), both started by the test fixture on 127.0.0.1.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "ftpTestSupport.h"
#include "vqFtpEngine.h"
#include "vqResults.h"

using namespace fhtest;

namespace {

class FtpServers : public ::testing::Test {
 protected:
  void SetUp() override {
    env = servers();
    if (env.empty()) GTEST_SKIP() << "FH_FTP_SERVERS not set: run through ctest, which starts the servers";
    dir = tempDir();
  }
  vqFtpEngine* open(const char* portKey, bool passive = true) {
    vqFtpEngine* e = localEngine(static_cast<unsigned>(atoi(env[portKey].c_str())), 10, passive);
    rec.attach(*e);
    return e;
  }
  std::string root(const char* key) { return winPath(env[key]); }
  std::map<std::string, std::string> env;
  std::string dir;
  recorder rec;
};

struct releaser {
  vqFtpEngine* e;
  ~releaser() {
    if (e) e->Release();
  }
};

}  // namespace

TEST_F(FtpServers, ConnectsAnonymouslyAndLearnsTheServer) {
  vqFtpEngine* e = open("FTP_A_PORT");
  releaser hold{e};
  ASSERT_EQ(0u, e->FTP_Connect()) << e->FTP_ErrorString(e->GetLastRetCode());
  EXPECT_EQ(1, e->FTP_IsOpen());
  EXPECT_STREQ("UNIX Type: L8", e->GetHostSysType());
  EXPECT_EQ(VQ_HOST_UNIXL8, e->GetHostType());
  EXPECT_STREQ("/", e->GetHostSysDir());
  EXPECT_STREQ("/", e->GetHostDelim());
  EXPECT_NE(std::string::npos, std::string(e->GetConnectMsg()).find("220"));
  std::string log = rec.log();
  EXPECT_NE(std::string::npos, log.find("USER anonymous\r\n"));
  EXPECT_NE(std::string::npos, log.find("PASS <hidden>\r\n"));
  EXPECT_EQ(std::string::npos, log.find("guest@")) << "password leaked into the log";
  EXPECT_NE(std::string::npos, log.find("SYST\r\n"));
  EXPECT_NE(std::string::npos, log.find("TYPE A\r\n"));
  EXPECT_EQ(1, rec.count(VQNOTIFY_ATTEMPT));
  EXPECT_EQ(0, rec.count(VQNOTIFY_RETRY));

  EXPECT_EQ(0u, e->FTP_CWD("/pub/docs/"));
  char buf[513];
  unsigned int size = 512;
  EXPECT_EQ(0u, e->FTP_PWD(buf, size));
  EXPECT_STREQ("/pub/docs", buf);
  EXPECT_EQ(9u, size);
  EXPECT_EQ(0u, e->FTP_CDUP());
  size = 512;
  e->FTP_PWD(buf, size);
  EXPECT_STREQ("/pub", buf);
  EXPECT_EQ(550u, e->FTP_CWD("/no/such/dir"));
  EXPECT_EQ(0u, e->FTP_Disconnect());
  EXPECT_EQ(0, e->FTP_IsOpen());
  EXPECT_EQ(1007u, e->FTP_CWD("/pub"));
  EXPECT_EQ(1007u, e->FTP_SendCmd("NOOP", 0));
}

TEST_F(FtpServers, ListsAndTestsExistenceInBothDataModes) {
  for (int passive = 1; passive >= 0; --passive) {
    SCOPED_TRACE(passive ? "passive" : "active");
    vqFtpEngine* e = open("FTP_A_PORT", passive != 0);
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    std::string listing = dir + "\\list.txt";
    ASSERT_EQ(0u, e->FTP_LIST(listing.c_str(), "/pub", "", "")) << e->FTP_ErrorString(e->GetLastRetCode());
    std::string text = readFile(listing);
    EXPECT_NE(std::string::npos, text.find("big.bin"));
    EXPECT_NE(std::string::npos, text.find("latest -> docs"));
    EXPECT_EQ(passive, e->GetFirewallPassive()) << "a working PORT must not switch to passive";
    const bool sentPort = rec.log().find("PORT 127,0,0,1,") != std::string::npos;
    EXPECT_EQ(!passive, sentPort);
    std::string names = dir + "\\names.txt";
    ASSERT_EQ(0u, e->FTP_NLST(names.c_str(), "/pub/docs", "", ""));
    EXPECT_NE(std::string::npos, readFile(names).find("doc120.txt"));

    int exists = -1;
    EXPECT_EQ(0u, e->FTP_Exists("/pub", "five.txt", exists));
    EXPECT_EQ(1, exists);
    EXPECT_EQ(0u, e->FTP_Exists("/pub", "FIVE.TXT", exists));
    EXPECT_EQ(0, exists) << "the test is case-sensitive";
    e->FTP_Exists("/pub", "missing.bin", exists);
    EXPECT_EQ(0, exists);
    EXPECT_EQ(0u, e->FTP_Exists("/pub", "docs", exists));
    EXPECT_EQ(1, exists) << "folders exist too";
    EXPECT_EQ(0u, e->FTP_Exists("/pub", "five", exists));
    EXPECT_EQ(0, exists) << "only whole names match";
  }
}

TEST_F(FtpServers, DownloadsWithProgressAndRestart) {
  for (int passive = 1; passive >= 0; --passive) {
    SCOPED_TRACE(passive ? "passive" : "active");
    vqFtpEngine* e = open("FTP_A_PORT", passive != 0);
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    std::string local = dir + "\\sub\\dir\\big.bin";  // folders are created
    rec.progress.clear();
    ASSERT_EQ(0u, e->FTP_GetFile("/pub/big.bin", local.c_str(), 1, 1048576, 0))
        << e->FTP_ErrorString(e->GetLastRetCode());
    std::string data = readFile(local);
    ASSERT_EQ(1048576u, data.size());
    for (size_t i = 0; i < data.size(); i += 4099)
      ASSERT_EQ(bigByte(i), static_cast<unsigned char>(data[i])) << "offset " << i;
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_EQ(1048576u, rec.progress.back());
    EXPECT_NE(std::string::npos, rec.log().find("Downloaded 1,048,576 Bytes to: "));

    // Resume from 1000 of 5000 bytes: REST 1000, append, progress starts there.
    std::string part = dir + "\\five.txt";
    writeFile(part, std::string(1000, 'x'));
    rec.progress.clear();
    rec.notes.clear();
    ASSERT_EQ(0u, e->FTP_GetFile("/pub/five.txt", part.c_str(), 1, 5000, 1));
    EXPECT_NE(std::string::npos, rec.log().find("REST 1000\r\n"));
    EXPECT_EQ(std::string(5000, 'x'), readFile(part));
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_GE(rec.progress.front(), 1000u);
    EXPECT_EQ(5000u, rec.progress.back());

    // A complete local file downloads again from the start, without REST.
    rec.notes.clear();
    ASSERT_EQ(0u, e->FTP_GetFile("/pub/five.txt", part.c_str(), 1, 5000, 1));
    EXPECT_EQ(std::string::npos, rec.log().find("REST "));
    EXPECT_EQ(5000u, readFile(part).size());
  }
}

TEST_F(FtpServers, UploadsRenamesAndDeletes) {
  for (int passive = 1; passive >= 0; --passive) {
    SCOPED_TRACE(passive ? "passive" : "active");
    vqFtpEngine* e = open("FTP_A_PORT", passive != 0);
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    std::string body;
    for (int i = 0; i < 50000; ++i) body += static_cast<char>('a' + i % 26);
    std::string local = dir + "\\up.bin";
    writeFile(local, body);
    // Names of this test alone: other suites share the server's incoming/ at the same time.
    std::string name = passive ? "engine-up-p.bin" : "engine-up-a.bin";
    rec.progress.clear();
    ASSERT_EQ(0u, e->FTP_PutFile(("/incoming/" + name).c_str(), local.c_str(), 1))
        << e->FTP_ErrorString(e->GetLastRetCode());
    EXPECT_EQ(body, readFile(root("FTP_A_ROOT") + "\\incoming\\" + name));
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_EQ(50000u, rec.progress.back());

    std::string renamed = "/incoming/r-" + name;
    EXPECT_EQ(0u, e->FTP_REN(("/incoming/" + name).c_str(), renamed.c_str()));
    EXPECT_EQ(body, readFile(root("FTP_A_ROOT") + "\\incoming\\r-" + name));
    EXPECT_EQ(0u, e->FTP_DELE(renamed.c_str()));
    EXPECT_EQ(550u, e->FTP_DELE(renamed.c_str()));

    std::string tree = passive ? "/incoming/p/q/r" : "/incoming/a/b/c";
    EXPECT_EQ(0u, e->FTP_MKD(tree.c_str()));
    DWORD attr =
        GetFileAttributesA((root("FTP_A_ROOT") + (passive ? "\\incoming\\p\\q\\r" : "\\incoming\\a\\b\\c")).c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attr);
    EXPECT_EQ(0u, e->FTP_RMD((tree + "/").c_str()));
  }
}

TEST_F(FtpServers, CancelDuringDownloadStopsAndTellsTheServer) {
  vqFtpEngine* e = open("FTP_A_PORT");
  releaser hold{e};
  ASSERT_EQ(0u, e->FTP_Connect());
  std::string local = dir + "\\cancel.bin";
  rec.decide = [](_sock_notification_* n) -> unsigned long {
    return n->type == VQNOTIFY_RECEIVE && n->current >= 100000 ? 1 : 0;
  };
  EXPECT_EQ(1u, e->FTP_GetFile("/pub/big.bin", local.c_str(), 1, 1048576, 0));
  rec.decide = nullptr;
  EXPECT_NE(std::string::npos, std::string(e->GetLastReply()).find(" = Operation canceled by local user."));
  EXPECT_NE(std::string::npos, rec.log().find("ABOR\r\n"));
  std::string data = readFile(local);
  EXPECT_LT(data.size(), 1048576u);
  // The session goes on.
  EXPECT_EQ(1, e->FTP_IsOpen());
  // Every reply of the abort was read: the next command gets its own answer.
  EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0));
  EXPECT_STREQ("200 NOOP ok.", e->GetLastReply());
  std::string again = dir + "\\five-after.txt";
  EXPECT_EQ(0u, e->FTP_GetFile("/pub/five.txt", again.c_str(), 1, 5000, 0)) << rec.log();
  EXPECT_EQ(5000u, readFile(again).size());
}

TEST_F(FtpServers, PasswordUserLogsInAndWrongPasswordIsRetried) {
  vqFtpEngine* e = open("FTP_USER_PORT");
  releaser hold{e};
  e->SetUsername(env["FTP_USER"].c_str());
  e->SetPassword(env["FTP_PASS"].c_str());
  ASSERT_EQ(0u, e->FTP_Connect()) << e->FTP_ErrorString(e->GetLastRetCode());
  std::string local = dir + "\\private.txt";
  EXPECT_EQ(0u, e->FTP_GetFile("private.txt", local.c_str(), 0, 0, 0));
  EXPECT_EQ("private\n", readFile(local));
  e->FTP_Disconnect();

  vqFtpEngine* bad = open("FTP_USER_PORT");
  releaser hold2{bad};
  bad->SetUsername(env["FTP_USER"].c_str());
  bad->SetPassword("wrong");
  bad->SetRetryCount(2);
  rec.notes.clear();
  EXPECT_EQ(530u, bad->FTP_Connect());
  EXPECT_EQ(0, bad->FTP_IsOpen());
  EXPECT_EQ(3, rec.count(VQNOTIFY_ATTEMPT));
  ASSERT_EQ(2, rec.count(VQNOTIFY_RETRY));
  for (auto& n : rec.notes)
    if (n.first == VQNOTIFY_RETRY) {
      EXPECT_NE(std::string::npos, n.second.find("not currently logged"));
    }
}

TEST_F(FtpServers, CopiesBetweenServersDirectlyAndThroughALocalFile) {
  vqFtpEngine* a = open("FTP_A_PORT");
  releaser holdA{a};
  vqFtpEngine* b = open("FTP_B_PORT");
  releaser holdB{b};
  ASSERT_EQ(0u, a->FTP_Connect());
  ASSERT_EQ(0u, b->FTP_Connect());
  const std::string bigA = readFile(root("FTP_A_ROOT") + "\\pub\\big.bin");
  struct Case {
    vqFtpEngine* from;
    vqFtpEngine* to;
    const char* src;
    const char* dst;
    int local;
    const char* dstRootKey;
    const char* dstFile;
  } cases[] = {
      {a, b, "/pub/big.bin", "/incoming/direct.bin", 0, "FTP_B_ROOT", "\\incoming\\direct.bin"},
      {a, b, "/pub/big.bin", "/incoming/local.bin", 1, "FTP_B_ROOT", "\\incoming\\local.bin"},
      {b, a, "/incoming/direct.bin", "/incoming/back.bin", 0, "FTP_A_ROOT", "\\incoming\\back.bin"},
      {b, a, "/incoming/local.bin", "/incoming/back-local.bin", 1, "FTP_A_ROOT", "\\incoming\\back-local.bin"},
  };
  for (const Case& c : cases) {
    rec.notes.clear();
    EXPECT_EQ(0u, c.from->FTP_STS(c.to, c.src, c.dst, c.local, 1048576))
        << c.src << " -> " << c.dst << ": " << c.from->GetLastReply();
    EXPECT_EQ(bigA, readFile(root(c.dstRootKey) + c.dstFile)) << c.src << " -> " << c.dst;
    std::string log = rec.log();
    const bool direct = log.find("Waiting for FXP transfer to complete...") != std::string::npos;
    EXPECT_EQ(!c.local, direct) << c.dst;
  }
}

TEST_F(FtpServers, CancelFromTheCallbackOrAnotherThread) {
  for (int fromThread = 0; fromThread <= 1; ++fromThread) {
    SCOPED_TRACE(fromThread ? "another thread" : "the callback");
    vqFtpEngine* e = open("FTP_A_PORT");
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    std::atomic<bool> reached{false}, cancelled{false};
    std::thread canceller;
    if (fromThread) {
      canceller = std::thread([&] {
        while (!reached) Sleep(5);
        e->FTP_CANCEL();
        cancelled = true;
      });
    }
    rec.decide = [&](_sock_notification_* n) -> unsigned long {
      if (n->type != VQNOTIFY_RECEIVE || n->current < 100000 || reached) return 0;
      reached = true;
      if (!fromThread) {
        e->FTP_CANCEL();
      } else {
        // The transfer is held here until the other thread has told the server.
        for (int i = 0; i < 1000 && !cancelled; ++i) Sleep(10);
      }
      return 0;
    };
    std::string local = dir + "\\cancel2.bin";
    EXPECT_EQ(1u, e->FTP_GetFile("/pub/big.bin", local.c_str(), 1, 1048576, 0)) << rec.log();
    if (canceller.joinable()) canceller.join();
    rec.decide = nullptr;
    EXPECT_NE(std::string::npos, std::string(e->GetLastReply()).find(" = Operation canceled by local user."));
    EXPECT_LT(readFile(local).size(), 1048576u);
    EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0)) << rec.log();
    EXPECT_STREQ("200 NOOP ok.", e->GetLastReply()) << "replies of the abort were all read";
  }
}

TEST_F(FtpServers, EnginesAtWorkTogetherKeepTheirOwnTemporaryFiles) {
  vqFtpEngine* a = open("FTP_A_PORT");
  releaser holdA{a};
  vqFtpEngine* b = open("FTP_A_PORT");
  releaser holdB{b};
  a->SetCallback(nullptr, nullptr, nullptr);
  b->SetCallback(nullptr, nullptr, nullptr);
  ASSERT_EQ(0u, a->FTP_Connect());
  ASSERT_EQ(0u, b->FTP_Connect());
  // Each engine keeps asking about a folder where the answer differs; with one shared temporary
  // file they would read each other's listings.
  std::atomic<int> wrongA{0}, wrongB{0};
  std::thread ta([&] {
    for (int i = 0; i < 15; ++i) {
      int exists = 0;
      if (a->FTP_Exists("/pub", "five.txt", exists) != 0 || exists != 1) ++wrongA;
    }
  });
  std::thread tb([&] {
    for (int i = 0; i < 15; ++i) {
      int exists = 1;
      if (b->FTP_Exists("/pub/docs", "five.txt", exists) != 0 || exists != 0) ++wrongB;
    }
  });
  ta.join();
  tb.join();
  EXPECT_EQ(0, wrongA.load());
  EXPECT_EQ(0, wrongB.load());
}

TEST_F(FtpServers, CancelDuringUploadStopsAndTheSessionGoesOn) {
  std::string body;
  for (int i = 0; i < 4 * 1048576; ++i) body += static_cast<char>('a' + (i / 7) % 26);
  std::string local = dir + "\\up-cancel.bin";
  writeFile(local, body);
  for (int passive = 1; passive >= 0; --passive) {
    SCOPED_TRACE(passive ? "passive" : "active");
    vqFtpEngine* e = open("FTP_A_PORT", passive != 0);
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    std::string name = passive ? "cancel-p.bin" : "cancel-a.bin";
    rec.notes.clear();
    rec.progress.clear();
    rec.decide = [](_sock_notification_* n) -> unsigned long {
      return n->type == VQNOTIFY_SEND && n->current >= 65536 ? 1 : 0;
    };
    EXPECT_EQ(1u, e->FTP_PutFile(("/incoming/" + name).c_str(), local.c_str(), 1)) << rec.log();
    rec.decide = nullptr;
    EXPECT_NE(std::string::npos, std::string(e->GetLastReply()).find(" = Operation canceled by local user."))
        << e->GetLastReply();
    EXPECT_NE(std::string::npos, rec.log().find("ABOR\r\n"));
    ASSERT_FALSE(rec.progress.empty());
    EXPECT_LT(rec.progress.back(), body.size()) << "the upload stopped at the cancel";
    EXPECT_LT(readFile(root("FTP_A_ROOT") + "\\incoming\\" + name).size(), body.size());
    // Every reply of the abort was read, and the next transfer works.
    EXPECT_EQ(1, e->FTP_IsOpen());
    EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0)) << rec.log();
    EXPECT_STREQ("200 NOOP ok.", e->GetLastReply());
    EXPECT_EQ(0u, e->FTP_PutFile(("/incoming/again-" + name).c_str(), local.c_str(), 1)) << rec.log();
    EXPECT_TRUE(body == readFile(root("FTP_A_ROOT") + "\\incoming\\again-" + name));
    // A local file that is not there is refused before STOR: nothing is made on either side.
    const std::string missing = dir + "\\not-there.bin";
    EXPECT_EQ(static_cast<unsigned long>(VQFTP_LOCAL_FILE),
              e->FTP_PutFile(("/incoming/again-" + name).c_str(), missing.c_str(), 1));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missing.c_str()));
    EXPECT_TRUE(body == readFile(root("FTP_A_ROOT") + "\\incoming\\again-" + name)) << "the server's copy went";
    // Nor is a folder sent up as a file.
    EXPECT_EQ(static_cast<unsigned long>(VQFTP_LOCAL_FILE),
              e->FTP_PutFile(("/incoming/again-" + name).c_str(), dir.c_str(), 1));
    EXPECT_TRUE(body == readFile(root("FTP_A_ROOT") + "\\incoming\\again-" + name)) << "the server's copy went";
    e->FTP_DELE(("/incoming/" + name).c_str());
    e->FTP_DELE(("/incoming/again-" + name).c_str());
  }
}

// FTP_CANCEL from another thread at random moments of downloads, against vsftpd with and without
// its urgent ABOR: each cancel returns soon and the session answers its next command in step.
TEST_F(FtpServers, CrossThreadCancelAtRandomMomentsKeepsTheSessionInStep) {
  for (const char* key : {"FTP_A_PORT", "FTP_DEFAULT_PORT"}) {
    SCOPED_TRACE(key);
    vqFtpEngine* e = open(key);
    releaser hold{e};
    ASSERT_EQ(0u, e->FTP_Connect());
    const std::string local = dir + "\\random-cancel.bin";
    srand(GetTickCount());
    // Cancels land anywhere within how long a whole download takes here (fast transfers end in a
    // few milliseconds).
    DWORD t0 = GetTickCount();
    ASSERT_EQ(0u, e->FTP_GetFile("/pub/big.bin", local.c_str(), 1, 1048576, 0)) << rec.log();
    const int whole = std::max(2, static_cast<int>(GetTickCount() - t0));
    int cancelled = 0, slowest = 0;
    for (int round = 0; round < 60; ++round) {
      std::atomic<bool> go{false};
      const int delay = rand() % whole;
      std::thread canceller([&] {
        while (!go) Sleep(1);
        Sleep(static_cast<DWORD>(delay));
        e->FTP_CANCEL();
      });
      go = true;
      DWORD started = GetTickCount();
      unsigned long r = e->FTP_GetFile("/pub/big.bin", local.c_str(), 1, 1048576, 0);
      const int took = static_cast<int>(GetTickCount() - started);
      canceller.join();
      ASSERT_TRUE(r == 0 || r == VQFTP_CANCELLED) << "round " << round << ": " << r << rec.log();
      cancelled += r == VQFTP_CANCELLED;
      if (r == VQFTP_CANCELLED && took > slowest) slowest = took;
      ASSERT_EQ(0u, e->FTP_SendCmd("NOOP", 0)) << "round " << round << rec.log();
      ASSERT_STREQ("200 NOOP ok.", e->GetLastReply()) << "round " << round;
      rec.notes.clear();
    }
    printf("[ measured ] %s: %d of 60 downloads cancelled, slowest cancel %d ms\n", key, cancelled, slowest);
    EXPECT_GT(cancelled, 10) << "the cancels landed inside transfers";
    EXPECT_LT(slowest, 4000) << "a cancel ends the transfer within about two seconds";
  }
}
