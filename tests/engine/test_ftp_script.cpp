// Protocol corners against the scripted server: each test is a transcript of what the server
// answers and the exact lines the engine must send.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "scriptedPeer.h"
#include "vqFtpEngine.h"
#include "vqLock.h"
#include "vqResults.h"
#include "vqThread.h"

using namespace fhtest;

namespace {

const char kGreeting[] = "220 scripted server ready";

// The login part of a transcript: everything before SYST.
std::vector<std::string> loginLines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& l : lines) {
    if (l == "SYST") break;
    out.push_back(l);
  }
  return out;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (auto& l : v) s += "[" + l + "]";
  return s;
}

}  // namespace

TEST(FtpScript, ThreeLineGreetingAndUserAnsweredWithoutPassword) {
  ftpScriptServer srv("220-Welcome\r\n220-to the scripted host\r\n220 ready",
                      [](ftpScriptServer&, const std::string& l) {
                        if (l.compare(0, 5, "USER ") == 0) return std::string("230 Logged in without a password.");
                        return plainAnswer(l);
                      });
  session s(srv.Port());
  s.e->SetUsername("ANONYMOUS");
  s.e->SetPassword("");
  ASSERT_EQ(0u, s.e->FTP_Connect()) << s.rec.log();
  EXPECT_STREQ("220-Welcome\r\n220-to the scripted host\r\n220 ready", s.e->GetConnectMsg());
  EXPECT_STREQ(s.e->GetConnectMsg(), s.e->GetWelcomeMsg());
  std::vector<std::string> expected = {"USER ANONYMOUS", "SYST", "PWD", "TYPE A"};
  EXPECT_EQ(expected, srv.Lines()) << "no PASS after 230";
}

TEST(FtpScript, AccountIsSentWhenThePasswordAsksForIt) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("331 Password please.");
    if (l.compare(0, 5, "PASS ") == 0) return std::string("332 Account please.");
    if (l.compare(0, 5, "ACCT ") == 0) return std::string("230-Account accepted\r\n230 Welcome in.");
    return plainAnswer(l);
  });
  session s(srv.Port());
  s.e->SetUsername("joe");
  s.e->SetPassword("secret");
  s.e->SetAccount("acct-7");
  ASSERT_EQ(0u, s.e->FTP_Connect()) << s.rec.log();
  std::vector<std::string> expected = {"USER joe", "PASS secret", "ACCT acct-7"};
  EXPECT_EQ(expected, loginLines(srv.Lines()));
  std::string log = s.rec.log();
  EXPECT_NE(std::string::npos, log.find("ACCT <hidden>\r\n"));
  EXPECT_EQ(std::string::npos, log.find("secret"));
  EXPECT_EQ(std::string::npos, log.find("acct-7"));
  // The greeting leads the multi-line login reply.
  EXPECT_STREQ("220 scripted server ready\n230-Account accepted\r\n230 Welcome in.", s.e->GetWelcomeMsg());
}

TEST(FtpScript, RefusedLoginIsRetriedOnFreshConnections) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("331 Password please.");
    if (l.compare(0, 5, "PASS ") == 0) return std::string("530 Login incorrect.");
    return plainAnswer(l);
  });
  session s(srv.Port());
  s.e->SetUsername("joe");
  s.e->SetPassword("bad");
  s.e->SetRetryCount(2);
  EXPECT_EQ(530u, s.e->FTP_Connect());
  EXPECT_EQ(3, s.rec.count(VQNOTIFY_ATTEMPT));
  EXPECT_EQ(2, s.rec.count(VQNOTIFY_RETRY));
  for (auto& n : s.rec.notes) {
    if (n.first == VQNOTIFY_RETRY) {
      EXPECT_NE(std::string::npos, n.second.find("You are not currently logged into the remote server."));
      EXPECT_NE(std::string::npos, n.second.find("Response: 530 Login incorrect."));
    }
  }
  for (int i = 0; i < 50 && srv.Connections() < 3; ++i) Sleep(20);
  EXPECT_EQ(3, srv.Connections());
  EXPECT_EQ(0, s.e->FTP_IsOpen());
}

TEST(FtpScript, CancelDuringTheConnectWaitReturnsAtOnce) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    return l.compare(0, 5, "USER ") == 0 ? std::string("230 In.") : plainAnswer(l);
  });
  session s(srv.Port());
  // Cancel is pressed once the connect has started; the engine notices at its next poll.
  bool pressed = false;
  s.rec.decide = [&pressed](_sock_notification_* n) -> unsigned long {
    if (n->type == VQNOTIFY_STATUS && strncmp(n->message, "Connecting to", 13) == 0) pressed = true;
    return pressed && n->type != VQNOTIFY_STATUS ? 1 : 0;
  };
  DWORD t0 = GetTickCount();
  EXPECT_EQ(1u, s.e->FTP_Connect());
  EXPECT_LT(GetTickCount() - t0, 2000u);
  EXPECT_NE(std::string::npos, s.rec.log().find("Connect() Canceled."));
  EXPECT_EQ(0, s.e->FTP_IsOpen());
}

TEST(FtpScript, EachFirewallSchemeSendsItsOwnLogin) {
  struct Case {
    _vq_fwtype_ type;
    unsigned int port;
    std::vector<std::string> lines;
  } cases[] = {
      {VQ_FW_USERWITHLOGIN, 2121, {"USER fwu", "PASS fwp", "USER user@ftp.example.com:2121", "PASS pw"}},
      {VQ_FW_USERWITHLOGIN, 21, {"USER fwu", "PASS fwp", "USER user@ftp.example.com", "PASS pw"}},
      {VQ_FW_USERNOLOGIN, 2121, {"USER user@ftp.example.com:2121", "PASS pw"}},
      {VQ_FW_USERNOLOGIN, 21, {"USER user@ftp.example.com", "PASS pw"}},
      {VQ_FW_OPEN, 2121, {"OPEN ftp.example.com:2121", "USER user", "PASS pw"}},
      {VQ_FW_OPEN, 21, {"OPEN ftp.example.com", "USER user", "PASS pw"}},
      {VQ_FW_SITE, 2121, {"USER fwu", "PASS fwp", "SITE ftp.example.com:2121", "USER user", "PASS pw"}},
      {VQ_FW_SITE, 21, {"USER fwu", "PASS fwp", "SITE ftp.example.com", "USER user", "PASS pw"}},
      {VQ_FW_RAPTOR, 2121, {"USER user@ftp.example.com:2121 fwu", "PASS pw", "ACCT fwp"}},
      {VQ_FW_RAPTOR, 21, {"USER user@ftp.example.com fwu", "PASS pw", "ACCT fwp"}},
      {VQ_FW_WINGATE, 2121, {"USER user@ftp.example.com:2121", "PASS pw"}},
      {VQ_FW_CHECKPOINT, 2121, {"USER user@fwu@ftp.example.com:2121", "PASS pw@fwp"}},
      {VQ_FW_CHECKPOINT, 21, {"USER user@fwu@ftp.example.com", "PASS pw@fwp"}},
      {VQ_FW_WINPROXY, 21, {"USER user@ftp.example.com", "PASS pw"}},
      {VQ_FW_RIDEWAY, 2121, {"USER user@ftp.example.com:2121", "PASS pw"}},
      {VQ_FW_SIDEWINDER, 2121, {"USER fwu@ftp.example.com", "PASS fwp", "USER user", "PASS pw"}},
  };
  for (const Case& c : cases) {
    // The account is asked for only after the Raptor login's password.
    ftpScriptServer srv(kGreeting, [&c](ftpScriptServer&, const std::string& l) {
      if (l.compare(0, 5, "USER ") == 0) return std::string("331 Password please.");
      if (l.compare(0, 5, "PASS ") == 0) return std::string(c.type == VQ_FW_RAPTOR ? "332 Account." : "230 In.");
      if (l.compare(0, 5, "ACCT ") == 0) return std::string("230 In.");
      if (l.compare(0, 5, "OPEN ") == 0 || l.compare(0, 5, "SITE ") == 0) return std::string("220 Connected.");
      return plainAnswer(l);
    });
    session s(srv.Port());
    s.e->SetURL("ftp.example.com");  // never resolved: the firewall is the one connected to
    s.e->SetPort(c.port);
    s.e->SetUsername("user");
    s.e->SetPassword("pw");
    s.e->FTP_SetupFW("127.0.0.1", "fwu", "fwp", srv.Port(), c.type, 1, 1);
    EXPECT_EQ(0u, s.e->FTP_Connect()) << "type " << c.type << " port " << c.port;
    EXPECT_EQ(joined(c.lines), joined(loginLines(srv.Lines()))) << "type " << c.type << " port " << c.port;
    EXPECT_STREQ("", s.e->GetAccount()) << "the Raptor account stands in only for that login";
  }
}

TEST(FtpScript, SystemTypeAndDirectoryFromTheServer) {
  struct Case {
    const char* syst;
    const char* pwd;
    _VQ_HOSTTYPE set;
    _VQ_HOSTTYPE type;
    const char* delim;
    const char* sysDir;
  } cases[] = {
      {"215 UNIX Type: L8", "257 \"/home/u\" is current directory.", VQ_HOST_AUTO, VQ_HOST_UNIXL8, "/", "/home/u"},
      {"215 UNIX Type: L8", "257 \"/\"", VQ_HOST_UNIX, VQ_HOST_UNIX, "/", "/"},
      {"215 UNIX Type: L8 Version: BSD-44", "257 \"/\" is cwd", VQ_HOST_AUTO, VQ_HOST_UNIXBSD44, "/", "/"},
      {"215 Windows_NT", "257 \"/\" is current directory.", VQ_HOST_AUTO, VQ_HOST_WINNT40, "/", "/"},
      {"215 VMS OpenVMS V7", "257 \"DKA0:[ANON]\" is current directory.", VQ_HOST_AUTO, VQ_HOST_VMS, ".",
       "DKA0:[ANON]"},
      {"215 MVS is the operating system of this server.", "257 \"'USER1.'\" is working directory.", VQ_HOST_AUTO,
       VQ_HOST_MVS, ".", "USER1."},
      {"215 Something new", "257 Current Directory: C:\\ftp", VQ_HOST_AUTO, VQ_HOST_WINNT351D, "\\", "C:\\ftp"},
  };
  for (const Case& c : cases) {
    ftpScriptServer srv(kGreeting, [&c](ftpScriptServer&, const std::string& l) {
      if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
      if (l == "SYST") return std::string(c.syst);
      if (l == "PWD") return std::string(c.pwd);
      return plainAnswer(l);
    });
    session s(srv.Port());
    s.e->SetHostType(c.set);
    ASSERT_EQ(0u, s.e->FTP_Connect()) << c.syst;
    EXPECT_EQ(c.type, s.e->GetHostType()) << c.syst;
    EXPECT_STREQ(c.delim, s.e->GetHostDelim()) << c.syst;
    EXPECT_STREQ(c.sysDir, s.e->GetHostSysDir()) << c.syst;
    EXPECT_STREQ(c.syst + 4, s.e->GetHostSysType()) << c.syst;
  }
}

TEST(FtpScript, InitialDirectoryThatFailsAsksForAnother) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
    if (l == "CWD /gone" || l == "CWD /gone/") return std::string("550 No such directory.");
    if (l == "CWD /pub") return std::string("250 Ok.");
    if (l == "PWD") return std::string("257 \"/pub\" is the current directory");
    return plainAnswer(l);
  });
  struct answer {
    static int ird(vqFtpEngine*, char* dir, size_t size, void* ctx) {
      *static_cast<std::string*>(ctx) = dir;
      snprintf(dir, size, "/pub");
      return IDOK;
    }
  };
  std::string asked;
  VQENG_SetPrompts(nullptr, answer::ird, &asked);
  session s(srv.Port());
  s.e->SetIRD("/gone/");
  EXPECT_EQ(0u, s.e->FTP_Connect());
  VQENG_SetPrompts(nullptr, nullptr, nullptr);
  EXPECT_EQ("/gone/", asked);
  EXPECT_STREQ("/pub", s.e->GetIRD());
  EXPECT_STREQ("/pub", s.e->GetHostSysDir());
  std::vector<std::string> lines = srv.Lines();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "CWD /gone")) << "retried without the slash";
}

namespace {
// A server with one file, "/data.bin", of 5000 known bytes; passive and active data connections.
struct dataServer {
  std::string file;
  std::string stored;  // what STOR received
  bool refusePort = false, refuseRest = false, neverConnect = false, silentDele = false;
  bool holdStor = false, holdRetr = false;  // answer 150 and wait for an ABOR
  bool oneWrite = false;                    // RETR: the data first, then 150 and 226 in one piece
  bool transferring = false;
  const char* pasvAddress = "127,0,0,1";
  unsigned long rest = 0;
  dataServer() {
    for (int i = 0; i < 5000; ++i) file += static_cast<char>('A' + i % 26);
  }
  std::string answer(ftpScriptServer& s, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return "230 In.";
    if (l.compare(0, 5, "PORT ") == 0) {
      if (refusePort) return "500 PORT not allowed.";
      s.RememberPort(l.substr(5));
      return "200 PORT ok.";
    }
    if (l == "PASV") return s.OpenPassive(pasvAddress);
    if (l.compare(0, 5, "REST ") == 0) {
      if (refuseRest) return "502 REST not implemented.";
      rest = strtoul(l.c_str() + 5, nullptr, 10);
      return "350 Restarting.";
    }
    if (l == "RETR /data.bin") {
      if (neverConnect) return "150 Opening data connection.";
      if (holdRetr) {
        transferring = true;
        return "150 Opening data connection.";
      }
      unsigned long from = rest;
      rest = 0;
      if (oneWrite) return s.SendData(file.substr(from)) ? "150 Opening data connection.\r\n226 Done." : "425 No.";
      s.Then([&s, this, from] { return s.SendData(file.substr(from)) ? "226 Done." : "425 No data connection."; });
      return "150 Opening data connection.";
    }
    if (l == "LIST") {
      s.Then([&s] { return s.SendData("-rw-r--r-- 1 u g 5000 Jan 1 2020 data.bin\r\n") ? "226 Done." : "425 No."; });
      return "150 Here it comes.";
    }
    if (l.compare(0, 5, "STOR ") == 0) {
      if (holdStor) {
        transferring = true;
        return "150 Ok to send data.";
      }
      s.Then([&s, this] {
        stored = s.ReceiveData();
        return "226 Transfer complete.";
      });
      return "150 Ok to send data.";
    }
    if (l.compare(0, 4, "ABOR") == 0 && transferring) {
      transferring = false;
      return "426 Transfer aborted.\r\n226 Abort successful.";
    }
    if (l.compare(0, 5, "DELE ") == 0) return silentDele ? "" : "250 Deleted.";
    if (l.compare(0, 4, "MKD ") == 0) return "257 Created.";
    return plainAnswer(l);
  }
};

int countLines(const std::vector<std::string>& lines, const char* prefix) {
  int n = 0;
  for (auto& l : lines) n += l.compare(0, strlen(prefix), prefix) == 0;
  return n;
}
}  // namespace

TEST(FtpScript, RefusedPortMakesTheEnginePassiveForGood) {
  dataServer d;
  d.refusePort = true;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  s.e->SetFirewallPassive(0);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\list.txt";
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "", "", "")) << s.rec.log();
  EXPECT_NE(std::string::npos, readFile(local).find("data.bin"));
  EXPECT_EQ(1, s.e->GetFirewallPassive());
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "", "", ""));
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "PORT ")) << joined(lines);
  EXPECT_EQ(2, countLines(lines, "PASV")) << joined(lines);
}

TEST(FtpScript, ActiveDownloadAndRestartOverPort) {
  dataServer d;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  s.e->SetFirewallPassive(0);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\data.bin";
  writeFile(local, d.file.substr(0, 1000));
  ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 1)) << s.rec.log();
  EXPECT_EQ(d.file, readFile(local));
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "REST 1000")) << joined(lines);
  EXPECT_EQ(0, s.e->GetFirewallPassive());
}

TEST(FtpScript, RefusedRestartDownloadsFromTheStart) {
  dataServer d;
  d.refuseRest = true;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\data.bin";
  writeFile(local, std::string(1000, 'z'));
  ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 1)) << s.rec.log();
  EXPECT_EQ(d.file, readFile(local)) << "the partial file is replaced, not appended to";
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "REST 1000"));
  EXPECT_EQ(1, countLines(lines, "REST 0"));
}

// A reply read together with the next one (one segment) leaves that one for its own command, and a
// server that hangs up is seen as gone.
TEST(FtpScript, RepliesThatArriveTogetherAnswerTheirOwnCommands) {
  dataServer d;
  d.oneWrite = true;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) {
    if (l == "NOOP") return std::string("200 First.\r\n211 Second, unasked.");
    if (l == "STAT") return std::string("<close>");
    return d.answer(s, l);
  });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\data.bin";
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
    EXPECT_EQ(d.file, readFile(local));
    EXPECT_EQ(226, s.e->GetLastReplyCode()) << s.e->GetLastReply();
  }
  EXPECT_EQ(0u, s.e->FTP_SendCmd("NOOP", 0));
  EXPECT_EQ(200, s.e->GetLastReplyCode());
  EXPECT_EQ(0u, s.e->FTP_SendCmd("SYST", 0)) << "the unasked 211 is dropped, not taken as SYST's answer";
  EXPECT_EQ(215, s.e->GetLastReplyCode()) << s.e->GetLastReply();
  EXPECT_NE(std::string::npos, s.rec.log().find("Discarded a line that came unasked: 211")) << s.rec.log();
  EXPECT_EQ(1, s.e->FTP_IsOpen());
  const DWORD asked = GetTickCount();
  EXPECT_EQ(VQFTP_TIMEOUT, s.e->FTP_SendCmd("STAT", 0));
  EXPECT_LT(GetTickCount() - asked, 2000u) << "the hang-up is seen at once, not waited out";
  EXPECT_EQ("The server closed the connection.", std::string(s.e->GetLastReply()));
  EXPECT_EQ(0u, std::string(s.e->FTP_ErrorString(VQFTP_TIMEOUT)).find("You are no longer connected"))
      << "a hang-up is not called a time-out: " << s.e->FTP_ErrorString(VQFTP_TIMEOUT);
  EXPECT_EQ(0, s.e->FTP_IsOpen()) << "the server hung up";
  char dir[64];
  unsigned int size = sizeof dir - 1;
  EXPECT_EQ(VQFTP_NOT_CONNECTED, s.e->FTP_PWD(dir, size));
}

TEST(FtpScript, ServerThatNeverConnectsBackTurnsTheEnginePassive) {
  dataServer d;
  d.neverConnect = true;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) {
    // Once passive, the server behaves.
    if (l == "PASV") d.neverConnect = false;
    return d.answer(s, l);
  });
  session s(srv.Port(), 10);
  s.e->SetFirewallPassive(0);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\data.bin";
  DWORD t0 = GetTickCount();
  ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
  EXPECT_GE(GetTickCount() - t0, 4500u) << "waited the five seconds";
  EXPECT_EQ(d.file, readFile(local));
  EXPECT_EQ(1, s.e->GetFirewallPassive());
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "ABOR")) << joined(lines);
}

TEST(FtpScript, ForeignPassiveAddressIsReplacedByTheServersOwn) {
  dataServer d;
  d.pasvAddress = "10,99,99,99";
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\data.bin";
  ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
  EXPECT_EQ(d.file, readFile(local));
  EXPECT_NE(std::string::npos,
            s.rec.log().find("Passive address 10.99.99.99 is not the server's; connecting to 127.0.0.1"));
}

TEST(FtpScript, HostilePassiveReplyIsRefused) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
    if (l == "PASV") return std::string("227 Entering Passive Mode (127,0,0,1,999,1).");
    return plainAnswer(l);
  });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\x.bin";
  EXPECT_EQ(1099u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 0, 0));
  EXPECT_EQ(0, countLines(srv.Lines(), "RETR")) << "nothing is asked of a server whose address is unusable";
}

// A name with a line break is never sent; a long one goes out whole (cut to a buffer's size, it
// would name another file).
TEST(FtpScript, NamesWithLineBreaksAreNeverSentLongOnesWhole) {
  dataServer d;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\x.bin";
  const char* evil = "a.txt\r\nDELE /important";
  EXPECT_EQ(1008u, s.e->FTP_DELE(evil));
  EXPECT_EQ(1008u, s.e->FTP_CWD(evil));
  EXPECT_EQ(1008u, s.e->FTP_MKD(evil));
  EXPECT_EQ(1008u, s.e->FTP_RMD(evil));
  EXPECT_EQ(1008u, s.e->FTP_REN("ok", evil));
  EXPECT_EQ(1008u, s.e->FTP_GetFile(evil, local.c_str(), 1, 0, 0));
  EXPECT_EQ(1008u, s.e->FTP_PutFile(evil, local.c_str(), 1));
  EXPECT_EQ(1008u, s.e->FTP_SendCmd("NOOP\r\nDELE /important", 0));
  EXPECT_NE(std::string::npos, std::string(s.e->FTP_ErrorString(1008)).find("line break"));
  EXPECT_EQ(0u, s.e->FTP_SendCmd("NOOP", 0));
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(0, countLines(lines, "DELE")) << joined(lines);
  EXPECT_EQ(0, countLines(lines, "RNFR")) << joined(lines);

  const std::string level(1500, 'n'), deep = "/" + level + "/" + level;
  EXPECT_EQ(0u, s.e->FTP_DELE(deep.c_str()));
  EXPECT_EQ(0u, s.e->FTP_MKD(deep.c_str()));
  lines = srv.Lines();
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "DELE " + deep)) << "DELE cut short";
  EXPECT_EQ("MKD " + deep, lines.back()) << "MKD's last level cut short";
}

TEST(FtpScript, DeleteWithoutReplyIsAFailure) {
  dataServer d;
  d.silentDele = true;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port(), 2);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  EXPECT_EQ(1001u, s.e->FTP_DELE("/file with blank.txt"));
  EXPECT_EQ(1, countLines(srv.Lines(), "DELE")) << "no retry in quotes after silence";
}

TEST(FtpScript, RefusedDeleteOfANameWithABlankIsRetriedInQuotes) {
  ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
    if (l == "DELE my file.txt") return std::string("550 No such file.");
    if (l == "DELE 'my file.txt'") return std::string("250 Deleted.");
    return plainAnswer(l);
  });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  EXPECT_EQ(0u, s.e->FTP_DELE("my file.txt/"));
}

TEST(FtpScript, LocalWriteFailureIsAFailureEvenAfter226) {
  dataServer d;
  ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  // A device that accepts the open but refuses every write: the disk is full.
  HANDLE probe = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no full device to write to";
  CloseHandle(probe);
  EXPECT_EQ(1002u, s.e->FTP_GetFile("/data.bin", "Z:\\dev\\full", 1, 5000, 0)) << s.rec.log();
  EXPECT_STREQ("226 Done.", s.e->GetLastReply()) << "the server itself reported success";
  // The session stays usable.
  EXPECT_EQ(0u, s.e->FTP_SendCmd("NOOP", 0));
}

namespace {
// A listener whose accept queue is already full: a further connect on loopback is never answered.
struct deafListener {
  SOCKET listener = INVALID_SOCKET;
  std::vector<SOCKET> fillers;
  unsigned int port = 0;
  deafListener() {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener, 0);
    int len = sizeof a;
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    for (int i = 0; i < 3; ++i) {
      SOCKET f = socket(AF_INET, SOCK_STREAM, 0);
      u_long nonBlocking = 1;
      ioctlsocket(f, FIONBIO, &nonBlocking);
      connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
      fillers.push_back(f);
    }
    Sleep(200);
  }
  ~deafListener() {
    for (SOCKET f : fillers) closesocket(f);
    closesocket(listener);
  }
};
}  // namespace

TEST(FtpScript, ConnectThatGetsNoAnswerEndsAfterTheTimeOut) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  scriptedPeer silent;
  silent.Pause(30000);
  ASSERT_TRUE(silent.Start());
  deafListener deaf;
  struct Case {
    const char* name;
    unsigned int port;
    unsigned long result;
    const char* text;
  } cases[] = {
      // Connected, but no greeting within the time-out: the connect failed for want of a response.
      {"silent after accept", silent.Port(), 1003, "No response from the remote server."},
      // The connection itself is never completed.
      {"never accepted", deaf.port, 1001, "The operation timed out."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    session s(c.port, 2);
    DWORD t0 = GetTickCount();
    unsigned long r = s.e->FTP_Connect();
    DWORD took = GetTickCount() - t0;
    EXPECT_EQ(c.result, r) << s.rec.log();
    EXPECT_EQ(c.result, s.e->GetLastRetCode());
    EXPECT_NE(std::string::npos, std::string(s.e->FTP_ErrorString(r)).find(c.text)) << s.e->FTP_ErrorString(r);
    EXPECT_EQ(0, s.e->FTP_IsOpen());
    // Bounds are generous: only "not at once, and not forever" is checked here.
    EXPECT_GE(took, 1500u);
    EXPECT_LT(took, 15000u);
    printf("[ measured ] %s: %lu ms with a time-out of 2 s\n", c.name, static_cast<unsigned long>(took));
  }
  WSACleanup();
}

namespace {
// The engine's hidden window: a message-only window of its own class on the engine's thread.
HWND engineWindow(vqFtpEngine* e) {
  HWND w = e->GetTimerWindow();
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  EXPECT_STREQ("vqFtpEngine", cls);
  EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(w, nullptr));
  return w;
}
}  // namespace

TEST(FtpScript, KeepAliveTimerOnlyKeepsItselfRunning) {
  const UINT_PTR kKeepAlive = 1234;
  for (unsigned int minutes : {1u, 0u}) {
    SCOPED_TRACE(minutes);
    ftpScriptServer srv(kGreeting, [](ftpScriptServer&, const std::string& l) {
      return l.compare(0, 5, "USER ") == 0 ? std::string("230 In.") : plainAnswer(l);
    });
    session s(srv.Port());
    s.e->SetKeepAlive(minutes);
    ASSERT_EQ(0u, s.e->FTP_Connect());
    HWND w = engineWindow(s.e);
    ASSERT_NE(nullptr, w);
    // KillTimer succeeds only for a running timer; each check stops it again.
    EXPECT_EQ(minutes > 0, KillTimer(w, kKeepAlive) != 0) << "armed after the connect";
    const size_t before = srv.Lines().size();
    SendMessageA(w, WM_TIMER, kKeepAlive, 0);
    EXPECT_EQ(minutes > 0, KillTimer(w, kKeepAlive) != 0) << "re-armed by its own tick";
    EXPECT_EQ(0u, s.e->FTP_SendCmd("NOOP", 0));
    EXPECT_EQ(minutes > 0, KillTimer(w, kKeepAlive) != 0) << "re-armed after a command";
    Sleep(200);
    EXPECT_EQ(before + 1, srv.Lines().size()) << "the tick itself sent nothing: " << joined(srv.Lines());
    s.e->FTP_Disconnect();
    SendMessageA(w, WM_TIMER, kKeepAlive, 0);
    EXPECT_FALSE(KillTimer(w, kKeepAlive)) << "a closed session lets the timer stop";
  }
}

TEST(FtpScript, SiteToSiteFallsBackThroughALocalFileWhenPortIsRefused) {
  dataServer from, to;
  from.refusePort = to.refusePort = true;
  ftpScriptServer src(kGreeting, [&from](ftpScriptServer& s, const std::string& l) { return from.answer(s, l); });
  ftpScriptServer dst(kGreeting, [&to](ftpScriptServer& s, const std::string& l) { return to.answer(s, l); });
  session a(src.Port()), b(dst.Port());
  ASSERT_EQ(0u, a.e->FTP_Connect());
  ASSERT_EQ(0u, b.e->FTP_Connect());
  EXPECT_EQ(0u, a.e->FTP_STS(b.e, "/data.bin", "/copy.bin", 0, 5000)) << a.rec.log() << b.rec.log();
  EXPECT_EQ(from.file, to.stored);
  EXPECT_EQ(std::string::npos, a.rec.log().find("Waiting for FXP transfer to complete..."));
  std::vector<std::string> sl = src.Lines(), dl = dst.Lines();
  // Both directions were offered before the copy went through this machine.
  EXPECT_EQ(1, countLines(sl, "PORT ")) << joined(sl);
  EXPECT_EQ(1, countLines(dl, "PORT ")) << joined(dl);
  EXPECT_EQ(1, countLines(sl, "RETR /data.bin")) << joined(sl);
  EXPECT_EQ(1, countLines(dl, "STOR /copy.bin")) << joined(dl);
  EXPECT_EQ(0u, a.e->FTP_SendCmd("NOOP", 0));
  EXPECT_STREQ("200 NOOP ok.", a.e->GetLastReply());
  EXPECT_EQ(0u, b.e->FTP_SendCmd("NOOP", 0));
  EXPECT_STREQ("200 NOOP ok.", b.e->GetLastReply());
}

TEST(FtpScript, CancelledSiteToSiteCopyAbortsBothSides) {
  dataServer from, to;
  from.holdRetr = to.holdStor = true;
  ftpScriptServer src(kGreeting, [&from](ftpScriptServer& s, const std::string& l) { return from.answer(s, l); });
  ftpScriptServer dst(kGreeting, [&to](ftpScriptServer& s, const std::string& l) { return to.answer(s, l); });
  session a(src.Port()), b(dst.Port());
  ASSERT_EQ(0u, a.e->FTP_Connect());
  ASSERT_EQ(0u, b.e->FTP_Connect());
  int ticks = 0;
  a.rec.decide = [&ticks](_sock_notification_* n) -> unsigned long {
    return n->type == VQNOTIFY_RECEIVE && ++ticks >= 3 ? 1 : 0;
  };
  DWORD t0 = GetTickCount();
  EXPECT_EQ(1u, a.e->FTP_STS(b.e, "/data.bin", "/copy.bin", 0, 5000)) << a.rec.log();
  a.rec.decide = nullptr;
  EXPECT_LT(GetTickCount() - t0, 4000u) << "no reply was waited for until the time-out";
  EXPECT_EQ(3, ticks);
  EXPECT_NE(std::string::npos, std::string(a.e->GetLastReply()).find(" = Operation canceled by local user."));
  EXPECT_EQ(1, countLines(src.Lines(), "ABOR")) << joined(src.Lines());
  EXPECT_EQ(1, countLines(dst.Lines(), "ABOR")) << joined(dst.Lines());
  // Both sessions read every reply of the abort and go on.
  for (session* s : {&a, &b}) {
    EXPECT_EQ(0u, s->e->FTP_SendCmd("NOOP", 0)) << s->rec.log();
    EXPECT_STREQ("200 NOOP ok.", s->e->GetLastReply());
  }
}

namespace {
// A window of the test thread that counts what reaches it: waits must keep serving windows.
struct countingWindow {
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP + 3) {
      ++*reinterpret_cast<int*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  int seen = 0;
  HWND hwnd = nullptr;
  countingWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "fhWaitProbe";
    RegisterClassA(&wc);
    hwnd = CreateWindowA("fhWaitProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));
  }
  ~countingWindow() { DestroyWindow(hwnd); }
};

// Takes every thread message and the quit left in this thread's queue, in order.
std::vector<MSG> drainThreadMessages() {
  std::vector<MSG> out;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (!m.hwnd) out.push_back(m);
  }
  return out;
}
}  // namespace

// A task thread gets its job (601) and its quit while the engine or a lock is waiting: neither may
// be eaten by the wait, and both come back in the order they were posted. The thread's windows are
// served during each wait.
TEST(FtpWaits, ThreadMessagesAndQuitOutliveEveryBlockingCall) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  drainThreadMessages();
  countingWindow probe;
  ASSERT_NE(nullptr, probe.hwnd);

  struct Case {
    const char* name;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"connect to a listener whose backlog is full",
       [] {
         deafListener deaf;
         session s(deaf.port, 2);
         EXPECT_EQ(VQFTP_TIMEOUT, s.e->FTP_Connect()) << s.rec.log();
       }},
      {"download cancelled with FTP_CANCEL",
       [] {
         dataServer d;
         d.holdRetr = true;
         ftpScriptServer srv(kGreeting, [&d](ftpScriptServer& s, const std::string& l) { return d.answer(s, l); });
         session s(srv.Port());
         ASSERT_EQ(0u, s.e->FTP_Connect());
         std::thread canceller([&s] {
           Sleep(600);
           s.e->FTP_CANCEL();
         });
         std::string local = tempDir() + "\\held.bin";
         EXPECT_EQ(VQFTP_CANCELLED, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
         canceller.join();
         EXPECT_EQ(0u, s.e->FTP_SendCmd("NOOP", 0)) << s.rec.log();
       }},
      {"cancelled site-to-site copy",
       [] {
         dataServer from, to;
         from.holdRetr = to.holdStor = true;
         ftpScriptServer src(kGreeting,
                             [&from](ftpScriptServer& s, const std::string& l) { return from.answer(s, l); });
         ftpScriptServer dst(kGreeting, [&to](ftpScriptServer& s, const std::string& l) { return to.answer(s, l); });
         session a(src.Port()), b(dst.Port());
         ASSERT_EQ(0u, a.e->FTP_Connect());
         ASSERT_EQ(0u, b.e->FTP_Connect());
         int ticks = 0;
         a.rec.decide = [&ticks](_sock_notification_* n) -> unsigned long {
           return n->type == VQNOTIFY_RECEIVE && ++ticks >= 3 ? 1 : 0;
         };
         EXPECT_EQ(VQFTP_CANCELLED, a.e->FTP_STS(b.e, "/data.bin", "/copy.bin", 0, 5000)) << a.rec.log();
         a.rec.decide = nullptr;
       }},
      {"lock held by another thread for a moment",
       [] {
         vqLock lock;
         std::atomic<bool> held{false};
         std::thread holder([&] {
           lock.LockAcquire(1000);
           held = true;
           Sleep(600);
           lock.LockRelease();
         });
         while (!held) Sleep(5);
         EXPECT_EQ(1, lock.LockAcquire(5000));
         holder.join();
         lock.LockRelease();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    probe.seen = 0;
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), VQMSG_DISPATCH, 7, 8));
    PostQuitMessage(3);
    PostMessageA(probe.hwnd, WM_APP + 3, 0, 0);
    DWORD t0 = GetTickCount();
    c.call();
    DWORD took = GetTickCount() - t0;
    EXPECT_GE(took, 300u) << "the call returned before it had to wait";
    EXPECT_EQ(1, probe.seen) << "the window message was served during the wait";
    std::vector<MSG> left = drainThreadMessages();
    ASSERT_EQ(2u, left.size());
    EXPECT_EQ(static_cast<UINT>(VQMSG_DISPATCH), left[0].message);
    EXPECT_EQ(7u, left[0].wParam);
    EXPECT_EQ(8, left[0].lParam);
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), left[1].message);
    EXPECT_EQ(3u, left[1].wParam);
  }
  WSACleanup();
}

namespace {
// A task thread as the extension runs one: its job connects an engine made on the thread itself.
class connectingThread : public vqThread {
 public:
  explicit connectingThread(unsigned int port) : m_port(port) {}
  ~connectingThread() override { Stop(20000); }
  std::atomic<int> started{0};
  std::atomic<unsigned long> result{0xFFFFFFFF};

 protected:
  void OnThreadMessage(UINT msg, WPARAM, LPARAM) override {
    if (msg != VQMSG_DISPATCH) return;
    started = 1;
    session s(m_port, 2);
    result = s.e->FTP_Connect();
  }

 private:
  unsigned int m_port;
};
}  // namespace

// The quit posted while the job is stuck in a connect is what ends the thread once the connect
// gives up: Stop returns within its time-out instead of hanging.
TEST(FtpWaits, TaskThreadStuckInAConnectStopsWithinItsTimeOut) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  deafListener deaf;
  {
    connectingThread t(deaf.port);
    ASSERT_TRUE(t.Start());
    ASSERT_TRUE(t.PostThreadMessage(VQMSG_DISPATCH));
    for (int i = 0; i < 200 && !t.started; ++i) Sleep(10);
    ASSERT_EQ(1, t.started.load());
    DWORD t0 = GetTickCount();
    EXPECT_TRUE(t.Stop(8000)) << "the quit was lost during the connect";
    DWORD took = GetTickCount() - t0;
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(VQFTP_TIMEOUT, t.result.load());
    printf("[ measured ] stop of a thread in a 2 s connect: %lu ms\n", static_cast<unsigned long>(took));
  }
  WSACleanup();
}
