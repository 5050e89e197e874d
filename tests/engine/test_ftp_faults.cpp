// Broken and hostile servers: each row is a server fault, the operation that meets it, the result
// the engine must give, and what the next command must read (its own reply: the session is in step).
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "scriptedPeer.h"
#include "vqFtpEngine.h"
#include "vqResults.h"

using namespace fhtest;

namespace {

const char kNoop[] = "200 NOOP ok.";

std::string pattern(size_t n) {
  std::string s(n, 'x');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

// A row that spends no time-out runs with a long one (6 s), so that a loaded machine cannot be
// taken for a time-out spent.
const DWORD kQuick = 0;

struct fault {
  const char* name;
  // The server's answer to the command under test (the rest of the session is a plain server).
  std::function<std::string(ftpScriptServer&, const std::string&)> answer;
  // The operation; returns its result.
  std::function<unsigned long(vqFtpEngine&)> run;
  unsigned long expected;
  const char* nextReply;  // what NOOP must read afterwards, or nullptr: the session was dropped
  std::function<void(ftpScriptServer&)> check;
  DWORD withinMs = kQuick;  // rows that spend time-outs (2 s each) give their bound
};

unsigned long dele(vqFtpEngine& e) { return e.FTP_DELE("/missing"); }

}  // namespace

TEST(FtpFaults, EachFaultGivesItsResultAndTheSessionStaysInStep) {
  const std::string local = tempPath("fh_fault_", "download.bin");
  const std::string body = pattern(10000);
  auto download = [&](vqFtpEngine& e) { return e.FTP_GetFile("/f.bin", local.c_str(), 1, 10000, 0); };
  std::vector<fault> table = {
      {"reply line ending exactly at the 1023rd byte",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? "550 " + std::string(1018, 'y') + "\r\n" : std::string();
       },
       dele, 550, kNoop, nullptr},
      {"lone CR at the 1023rd byte of a long reply",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? "550 " + std::string(1018, 'y') + "\rtail\r\n" : std::string();
       },
       dele, 550, kNoop, nullptr},
      {"blank and junk lines ahead of the reply",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? std::string("\r\njunk without a code\r\n550 No such file.\r\n")
                                             : std::string();
       },
       dele, 550, kNoop, nullptr},
      {"unsolicited line after the reply",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? std::string("250 Deleted.\r\n150 unasked notice\r\n") : std::string();
       },
       dele, 0, kNoop, nullptr},
      {"NUL byte inside a reply line",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? std::string("550 No\0such file.\r\n", 19) : std::string();
       },
       dele, 550, kNoop, nullptr},
      {"endless multi-line reply",
       [](ftpScriptServer& s, const std::string& l) {
         if (l.compare(0, 4, "DELE") != 0) return std::string();
         s.Then([] {
           std::string lines;
           for (int i = 0; i < 3000; ++i) lines += "550-more and more\r\n";
           return lines;
         });
         return std::string("550-start");
       },
       dele, VQFTP_INTERNAL, nullptr, nullptr, 6000},
      {"one endless reply line",
       [](ftpScriptServer&, const std::string& l) {
         return l.compare(0, 4, "DELE") == 0 ? "550 " + std::string(400 * 1024, 'z') : std::string();
       },
       dele, VQFTP_INTERNAL, nullptr, nullptr, 6000},
      {"download reset part-way, then 226",
       [&](ftpScriptServer& s, const std::string& l) {
         if (l == "PASV") return s.OpenPassive();
         if (l.compare(0, 4, "RETR") != 0) return std::string();
         s.Then([&s, &body] {
           s.SendDataThen(body.substr(0, 4000), true);
           return std::string("226 Transfer complete.");
         });
         return std::string("150 Opening BINARY mode data connection (10000 bytes).");
       },
       download, VQFTP_DOWNLOAD_FAILED, kNoop, nullptr},
      {"download closed early against the announced size, then 226",
       [&](ftpScriptServer& s, const std::string& l) {
         if (l == "PASV") return s.OpenPassive();
         if (l.compare(0, 4, "RETR") != 0) return std::string();
         s.Then([&s, &body] {
           s.SendData(body.substr(0, 4000));
           return std::string("226 Transfer complete.");
         });
         return std::string("150 Opening BINARY mode data connection (10000 bytes).");
       },
       download, VQFTP_DOWNLOAD_FAILED, kNoop, nullptr},
      {"download with more bytes than announced",
       [&](ftpScriptServer& s, const std::string& l) {
         if (l == "PASV") return s.OpenPassive();
         if (l.compare(0, 4, "RETR") != 0) return std::string();
         s.Then([&s, &body] {
           s.SendData(body + body);
           return std::string("226 Transfer complete.");
         });
         return std::string("150 Opening BINARY mode data connection (10000 bytes).");
       },
       download, VQFTP_DOWNLOAD_FAILED, kNoop, nullptr},
      {"upload whose data connection the server resets, then 226",
       [](ftpScriptServer& s, const std::string& l) {
         if (l == "PASV") return s.OpenPassive();
         if (l.compare(0, 4, "STOR") != 0) return std::string();
         s.Then([&s] {
           s.ReceiveDataThenReset(64 * 1024);
           return std::string("226 Transfer complete.");
         });
         return std::string("150 Ok to send data.");
       },
       [](vqFtpEngine& e) {
         const std::string upload = tempPath("fh_fault_", "upload.bin");
         writeFile(upload, pattern(8 * 1024 * 1024));
         unsigned long r = e.FTP_PutFile("/up.bin", upload.c_str(), 1);
         DeleteFileA(upload.c_str());
         return r;
       },
       VQFTP_UPLOAD_FAILED, kNoop, nullptr},
      {"passive data port that refuses the connection",
       [](ftpScriptServer&, const std::string& l) {
         // Port 1 of 127.0.0.1 has no listener.
         return l == "PASV" ? std::string("227 Entering Passive Mode (127,0,0,1,0,1).") : std::string();
       },
       download, VQFTP_DOWNLOAD_FAILED, kNoop,
       [](ftpScriptServer& s) {
         for (const std::string& l : s.Lines()) EXPECT_NE(0u, l.compare(0, 4, "RETR")) << "no command left unanswered";
       }},
      {"multi-line 227 reply",
       [&](ftpScriptServer& s, const std::string& l) {
         if (l == "PASV") {
           std::string last = s.OpenPassive();
           return "227-Entering Passive Mode\r\n" + last;
         }
         if (l.compare(0, 4, "RETR") != 0) return std::string();
         s.Then([&s, &body] {
           s.SendData(body);
           return std::string("226 Transfer complete.");
         });
         return std::string("150 Opening BINARY mode data connection (10000 bytes).");
       },
       download, 0, kNoop, nullptr},
      {"line breaks at the end of a folder name", [](ftpScriptServer&, const std::string&) { return std::string(); },
       [](vqFtpEngine& e) {
         unsigned long a = e.FTP_CWD("/pub\n");
         unsigned long b = e.FTP_CWD("/pub\r");
         unsigned long c = e.FTP_SendCmd("NOOP\r\n", 0);
         return a == b && b == c ? a : 0;
       },
       VQFTP_SEND_FAILED, kNoop,
       [](ftpScriptServer& s) {
         for (const std::string& l : s.Lines()) EXPECT_NE(0u, l.compare(0, 3, "CWD")) << "nothing was sent";
       }},
  };

  for (const fault& f : table) {
    SCOPED_TRACE(f.name);
    ftpScriptServer srv("220 scripted server ready", [&f](ftpScriptServer& s, const std::string& l) {
      if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
      std::string special = f.answer(s, l);
      if (!special.empty()) return special;
      if (l.compare(0, 4, "DELE") == 0) return std::string("250 Deleted.");
      return plainAnswer(l);
    });
    const bool quick = f.withinMs == kQuick;
    vqFtpEngine* e = localEngine(srv.Port(), quick ? 6 : 2);
    recorder rec;
    rec.attach(*e);
    ASSERT_EQ(0u, e->FTP_Connect()) << rec.log();
    DWORD started = GetTickCount();
    EXPECT_EQ(f.expected, f.run(*e)) << rec.log();
    EXPECT_LT(GetTickCount() - started, quick ? 5000u : f.withinMs) << "no time-out spent, or bounded by a few";
    if (f.nextReply) {
      EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0)) << rec.log();
      EXPECT_STREQ(f.nextReply, e->GetLastReply());
    } else {
      EXPECT_EQ(VQFTP_NOT_CONNECTED, e->FTP_SendCmd("NOOP", 0)) << "a server past the bounds is dropped";
    }
    if (f.check) f.check(srv);
    e->Release();
  }
}

namespace {
// A server that logs in and otherwise answers through `answer`, then plainly.
ftpScriptServer::handler loggedIn(std::function<std::string(ftpScriptServer&, const std::string&)> answer) {
  return [answer](ftpScriptServer& s, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
    std::string special = answer(s, l);
    return special.empty() ? plainAnswer(l) : special;
  };
}
}  // namespace

// Transfers that the server refuses or restarts badly: the local copy survives, the server's own
// code is reported, and the commands sent stay in step.
TEST(FtpFaults, RefusedTransfersKeepTheLocalFileAndTheSession) {
  const std::string local = tempPath("fh_fault_", "kept.bin");
  const std::string old = pattern(5000);
  const std::string body = pattern(9000);
  ftpScriptServer srv("220 ready", loggedIn([&](ftpScriptServer& s, const std::string& l) {
                        if (l == "PASV") return s.OpenPassive();
                        if (l == "RETR /missing.bin") return std::string("550 No such file.");
                        if (l.compare(0, 5, "REST ") == 0) return std::string("502 Command 'REST' not implemented.");
                        if (l == "RETR /whole.bin") {
                          s.Then([&s, &body] {
                            s.SendData(body);
                            return std::string("226 Done.");
                          });
                          return std::string("150 Opening BINARY mode data connection (9000 bytes).");
                        }
                        return std::string();
                      }));
  vqFtpEngine* e = localEngine(srv.Port(), 2);
  recorder rec;
  rec.attach(*e);
  ASSERT_EQ(0u, e->FTP_Connect());
  writeFile(local, old);
  EXPECT_EQ(550u, e->FTP_GetFile("/missing.bin", local.c_str(), 1, 0, 0)) << rec.log();
  EXPECT_EQ(old, readFile(local)) << "a refused download leaves the local file alone";
  // Resume from 5000 bytes: REST is refused, the whole file comes instead.
  EXPECT_EQ(0u, e->FTP_GetFile("/whole.bin", local.c_str(), 1, 9000, 1)) << rec.log();
  EXPECT_EQ(body, readFile(local));
  EXPECT_EQ(0u, e->FTP_GetFile("/whole.bin", local.c_str(), 1, 9000, 0)) << rec.log();
  EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0));
  EXPECT_STREQ(kNoop, e->GetLastReply());
  std::vector<std::string> after;
  bool seen = false;
  for (const std::string& l : srv.Lines()) {
    if (l == "RETR /missing.bin") seen = true;
    if (seen && l.compare(0, 4, "TYPE") != 0) after.push_back(l);
  }
  std::vector<std::string> expected = {"RETR /missing.bin", "PASV", "REST 5000",       "REST 0",
                                       "RETR /whole.bin",   "PASV", "RETR /whole.bin", "NOOP"};
  EXPECT_EQ(expected, after);
  e->Release();
  DeleteFileA(local.c_str());
}

// A folder whose path holds blanks is listed from inside it, then the session goes back.
TEST(FtpFaults, FolderWithBlanksIsListedFromInside) {
  std::string cwd = "/";
  ftpScriptServer srv("220 ready", loggedIn([&](ftpScriptServer& s, const std::string& l) {
                        if (l == "PASV") return s.OpenPassive();
                        if (l == "PWD") return "257 \"" + cwd + "\" is the current directory";
                        if (l.compare(0, 4, "CWD ") == 0) {
                          cwd = l.substr(4);
                          return std::string("250 OK.");
                        }
                        if (l.compare(0, 4, "NLST") == 0) {
                          std::string names = cwd == "/sub/dir with spaces" && l == "NLST" ? "a.txt\r\nb.txt\r\n" : "";
                          s.Then([&s, names] {
                            s.SendData(names);
                            return std::string("226 Done.");
                          });
                          return std::string("150 Here it comes.");
                        }
                        return std::string();
                      }));
  vqFtpEngine* e = localEngine(srv.Port(), 2);
  ASSERT_EQ(0u, e->FTP_Connect());
  int exists = 0;
  EXPECT_EQ(0u, e->FTP_Exists("/sub/dir with spaces", "b.txt", exists));
  EXPECT_EQ(1, exists);
  EXPECT_EQ("/", cwd) << "back where it was";
  e->Release();
}

// Connects that fail: every attempt's socket is closed, the overall deadline holds against a
// trickling greeting, the cancel is seen while waiting for the greeting, and a session that dies
// while it is set up is no success.
TEST(FtpFaults, ConnectsThatFailCloseTheirSocketsAndEndInTime) {
  {
    ftpScriptServer srv("hello without a code", loggedIn([](ftpScriptServer&, const std::string&) { return ""; }));
    vqFtpEngine* e = localEngine(srv.Port(), 1);
    e->SetRetryCount(2);
    EXPECT_EQ(VQFTP_CONNECT_FAILED, e->FTP_Connect());
    for (int i = 0; i < 100 && srv.OpenConnections() > 0; ++i) Sleep(20);
    EXPECT_EQ(3, srv.Connections());
    EXPECT_EQ(0, srv.OpenConnections()) << "failed attempts leave no connection open";
    e->Release();
  }
  {
    scriptedPeer peer;
    const std::string greeting = "220 " + std::string(26, 'x');
    for (char c : greeting) peer.Send(std::string(1, c)).Pause(200);
    ASSERT_TRUE(peer.Start());
    vqFtpEngine* e = localEngine(peer.Port(), 1);
    DWORD started = GetTickCount();
    EXPECT_NE(0u, e->FTP_Connect());
    EXPECT_LT(GetTickCount() - started, 5000u) << "a trickle does not stretch the wait past its deadline";
    e->Release();
  }
  {
    scriptedPeer peer;
    for (int i = 0; i < 40; ++i) peer.Send("2").Pause(100);
    ASSERT_TRUE(peer.Start());
    vqFtpEngine* e = localEngine(peer.Port(), 10);
    recorder rec;
    rec.attach(*e);
    DWORD started = GetTickCount();
    rec.decide = [&](_sock_notification_*) { return GetTickCount() - started > 1000 ? 1ul : 0ul; };
    EXPECT_EQ(VQFTP_CANCELLED, e->FTP_Connect());
    EXPECT_LT(GetTickCount() - started, 2500u) << "the cancel is seen while the greeting trickles";
    e->Release();
    peer.WaitFinished(6000);
    EXPECT_TRUE(peer.Lines().empty()) << "nothing sent after the cancel";
  }
  {
    ftpScriptServer srv("220 ready", loggedIn([](ftpScriptServer&, const std::string& l) {
                          return l == "SYST" ? std::string("<close>") : std::string();
                        }));
    vqFtpEngine* e = localEngine(srv.Port(), 1);
    EXPECT_NE(0u, e->FTP_Connect()) << "the session died during its set-up";
    EXPECT_EQ(0, e->FTP_IsOpen());
    e->Release();
  }
}

// A cancelled download on a server that answers neither the abort nor NOOP: the cancel still ends
// soon, and the session is opened anew rather than left out of step.
TEST(FtpFaults, CancelAgainstAServerThatNeverAnswersTheAbortReconnects) {
  ftpScriptServer srv("220 ready", loggedIn([](ftpScriptServer& s, const std::string& l) {
                        if (l == "PASV") return s.OpenPassive();
                        if (l.compare(0, 4, "CWD ") == 0) return std::string("250 OK.");
                        if (s.Connections() == 1 && (l == "NOOP" || l.compare(0, 4, "ABOR") == 0))
                          return std::string(" ");  // a blank line, never a reply
                        if (l.compare(0, 4, "RETR") == 0) {
                          s.Then([&s] {
                            s.SendData(pattern(32 * 1024 * 1024));
                            return std::string();
                          });
                          return std::string("150 Here it comes.");
                        }
                        return std::string();
                      }));
  vqFtpEngine* e = localEngine(srv.Port(), 5);
  recorder rec;
  rec.attach(*e);
  ASSERT_EQ(0u, e->FTP_Connect());
  rec.decide = [](_sock_notification_* n) { return n->type == VQNOTIFY_RECEIVE && n->current > 100000 ? 1ul : 0ul; };
  const std::string local = tempPath("fh_fault_", "cancelled.bin");
  DWORD started = GetTickCount();
  EXPECT_EQ(VQFTP_CANCELLED, e->FTP_GetFile("/big.bin", local.c_str(), 1, 0, 0)) << rec.log();
  EXPECT_LT(GetTickCount() - started, 4000u) << "the abort waits briefly, not a whole time-out";
  rec.decide = nullptr;
  EXPECT_EQ(2, srv.Connections()) << "the session was opened anew";
  EXPECT_EQ(0u, e->FTP_SendCmd("NOOP", 0)) << rec.log();
  EXPECT_STREQ(kNoop, e->GetLastReply());
  e->Release();
  DeleteFileA(local.c_str());
}
