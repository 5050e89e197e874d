// Today's servers without TLS: FEAT in its forms (and servers that refuse it or stay silent), machine
// listings (MLSD) with their fall-back to LIST, EPSV with its fall-back to PASV, MDTM, and IPv6 on
// [::1] where the machine has it. The scripted server shows each protocol corner as a transcript;
// pyftpdlib and vsftpd of the fixture show the same against real servers.
#include <gtest/gtest.h>

#include <string.h>
#include <time.h>

#include <algorithm>
#include <atomic>

#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "vqDirParser.h"
#include "vqFtpEngine.h"
#include "vqResults.h"

using namespace fhtest;

namespace {

const char kGreeting[] = "220 scripted server ready";
const char kModernFeat[] =
    "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n MLST type*;size*;modify*;perm*;\r\n SIZE\r\n UTF8\r\n211 End";
const char kMachineListing[] =
    "type=cdir;perm=el;modify=20240101000000; /\r\n"
    "type=file;size=5000;modify=20240102030405;perm=rw; data.bin\r\n"
    "Type=Dir;Modify=20240315120000; my dir\r\n"
    "perm=r;type=file;size=7; semi; colon.txt\r\n";
const char kUnixListing[] = "-rw-r--r-- 1 u g 5000 Jan 1 2020 data.bin\r\n";

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (auto& l : v) s += "[" + l + "]";
  return s;
}

// What came after the connect's own commands (everything from the line after TYPE A).
std::vector<std::string> afterConnect(const std::vector<std::string>& lines) {
  auto typed = std::find(lines.begin(), lines.end(), "TYPE A");
  return typed == lines.end() ? lines : std::vector<std::string>(typed + 1, lines.end());
}

int countLines(const std::vector<std::string>& lines, const char* prefix) {
  int n = 0;
  for (auto& l : lines) n += l.compare(0, strlen(prefix), prefix) == 0;
  return n;
}

// A server of today, configurable: what FEAT says, and which commands it refuses.
struct modernServer {
  std::string feat = kModernFeat;  // "" leaves FEAT unanswered
  bool refuseEpsv = false, refuseMlsd = false;
  std::string file = std::string(5000, 'd');
  std::string answer(ftpScriptServer& s, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return "230 In.";
    if (l == "FEAT") return feat;
    if (l == "OPTS UTF8 ON") return "200 Always in UTF8 mode.";
    if (l == "EPSV") return refuseEpsv ? "500 'EPSV': command not understood." : s.OpenExtendedPassive();
    if (l == "PASV") return s.OpenPassive();
    if (l.compare(0, 4, "MLSD") == 0) {
      if (refuseMlsd) return "502 MLSD not implemented.";
      s.Then([&s] { return s.SendData(kMachineListing) ? "226 Done." : "425 No."; });
      return "150 Here it comes.";
    }
    if (l.compare(0, 4, "LIST") == 0) {
      s.Then([&s] { return s.SendData(kUnixListing) ? "226 Done." : "425 No."; });
      return "150 Here it comes.";
    }
    if (l == "RETR /data.bin") {
      s.Then([&s, this] { return s.SendData(file) ? "226 Done." : "425 No."; });
      return "150 Opening data connection.";
    }
    if (l == "MDTM /data.bin") return "213 20240102030405";
    if (l == "CWD /my dir" || l == "CWD /") return "250 Ok.";
    return plainAnswer(l);
  }
};

std::vector<_FTPITEMID> parse(const std::string& listing, _VQ_HOSTTYPE host) {
  std::vector<_FTPITEMID> items;
  vqDirParser parser(host);
  unsigned long count = 0;
  if (parser.DIR_PARSE(listing.c_str(), count) != 0 || !parser.DirEnumOpen(parser.GetOutfileName())) return items;
  _FTPITEMID item = {};
  for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) items.push_back(item);
  parser.DirEnumClose();
  return items;
}

const _FTPITEMID* named(const std::vector<_FTPITEMID>& items, const char* name) {
  for (const _FTPITEMID& i : items)
    if (strcmp(i.name, name) == 0) return &i;
  return nullptr;
}

}  // namespace

// FEAT in each form a server gives it: what the engine then sends for a listing, and what it says
// it uses. A connect alone sends no FEAT: a session that only logs in says what it always said.
TEST(FtpModern, FeatVariantsDecideTheListing) {
  struct Case {
    const char* what;
    std::string feat;
    std::vector<std::string> after;
    int utf8;
    const char* inUse;
    const char* firstName;  // of the parsed listing
  } cases[] = {
      {"modern", kModernFeat, {"FEAT", "OPTS UTF8 ON", "EPSV", "MLSD"}, 1, "MLSD, EPSV, UTF8, MDTM, SIZE", "data.bin"},
      {"211- on each line",
       "211-Extensions supported:\r\n211-MLST type*;size*;\r\n211-EPSV\r\n211 END",
       {"FEAT", "EPSV", "MLSD"},
       0,
       "MLSD, EPSV",
       "data.bin"},
      {"no features", "211 No features.", {"FEAT", "PASV", "LIST"}, 0, "", "data.bin"},
      {"refused", "500 'FEAT': command not understood.", {"FEAT", "PASV", "LIST"}, 0, "", "data.bin"},
      {"not implemented", "502 Command not implemented.", {"FEAT", "PASV", "LIST"}, 0, "", "data.bin"},
      {"silent", "", {"FEAT", "PASV", "LIST"}, 0, "", "data.bin"},
  };
  for (const Case& c : cases) {
    modernServer m;
    m.feat = c.feat;
    ftpScriptServer srv(kGreeting, [&m](ftpScriptServer& s, const std::string& l) { return m.answer(s, l); });
    session s(srv.Port(), 2);
    ASSERT_EQ(0u, s.e->FTP_Connect()) << c.what;
    EXPECT_EQ(0, countLines(srv.Lines(), "FEAT")) << c.what << ": " << joined(srv.Lines());
    std::string local = tempDir() + "\\feat.txt";
    ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "", "", "")) << c.what << s.rec.log();
    EXPECT_EQ(joined(c.after), joined(afterConnect(srv.Lines()))) << c.what;
    EXPECT_EQ(c.utf8, s.e->FTP_ServerSaysUtf8()) << c.what;
    EXPECT_STREQ(c.inUse, s.e->FTP_FeaturesInUse()) << c.what;
    // The site's host type says VMS; a machine listing is read as one all the same.
    std::vector<_FTPITEMID> items = parse(local, c.after.back() == "MLSD" ? VQ_HOST_VMS : VQ_HOST_UNIX);
    ASSERT_FALSE(items.empty()) << c.what;
    EXPECT_STREQ(c.firstName, items[0].name) << c.what;
    EXPECT_EQ(5000u, items[0].size) << c.what;
    // FEAT is asked once per connection.
    ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "", "", "")) << c.what;
    EXPECT_EQ(1, countLines(srv.Lines(), "FEAT")) << c.what;
    EXPECT_NE(std::string::npos, s.rec.log().find("Features in use: ")) << c.what;
  }
}

TEST(FtpModern, MachineListingWhateverTheHostType) {
  modernServer m;
  ftpScriptServer srv(kGreeting, [&m](ftpScriptServer& s, const std::string& l) { return m.answer(s, l); });
  session s(srv.Port());
  s.e->SetHostType(VQ_HOST_AS400);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\mlsd.txt";
  // LIST's switches and a mask of everything do not stop MLSD; a folder with a blank is listed from inside.
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "/my dir", "*", "-a")) << s.rec.log();
  std::vector<std::string> after = afterConnect(srv.Lines());
  EXPECT_NE(after.end(), std::find(after.begin(), after.end(), "MLSD")) << joined(after);
  EXPECT_NE(after.end(), std::find(after.begin(), after.end(), "CWD /my dir")) << joined(after);
  std::vector<_FTPITEMID> items = parse(local, s.e->GetHostType());
  ASSERT_EQ(3u, items.size());
  const _FTPITEMID* dir = named(items, "my dir");
  ASSERT_NE(nullptr, dir);
  EXPECT_EQ(VQ_KIND_FOLDER, dir->kind);
  const _FTPITEMID* semi = named(items, "semi; colon.txt");
  ASSERT_NE(nullptr, semi);
  EXPECT_EQ(7u, semi->size);
  // A mask other than everything is LIST's to apply.
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "/", "*.bin", ""));
  EXPECT_EQ("LIST / *.bin", srv.Lines().back());
  // A site that turns machine listings off is listed with LIST.
  s.e->SetUseMLSD(0);
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "", "", ""));
  EXPECT_EQ("LIST", srv.Lines().back());
}

TEST(FtpModern, RefusedMlsdFallsBackToListForGood) {
  modernServer m;
  m.refuseMlsd = true;
  ftpScriptServer srv(kGreeting, [&m](ftpScriptServer& s, const std::string& l) { return m.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\fallback.txt";
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "/pub", "", "-a")) << s.rec.log();
  EXPECT_NE(std::string::npos, readFile(local).find("-rw-r--r--"));
  ASSERT_EQ(0u, s.e->FTP_LIST(local.c_str(), "/pub", "", "-a"));
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "MLSD")) << joined(lines);
  EXPECT_EQ(2, countLines(lines, "LIST /pub -a")) << "the switches come back with LIST: " << joined(lines);
  EXPECT_STREQ("EPSV, UTF8, MDTM, SIZE", s.e->FTP_FeaturesInUse());
}

TEST(FtpModern, RefusedEpsvFallsBackToPasvForGood) {
  modernServer m;
  m.refuseEpsv = true;
  ftpScriptServer srv(kGreeting, [&m](ftpScriptServer& s, const std::string& l) { return m.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\epsv.bin";
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
    EXPECT_EQ(m.file, readFile(local));
  }
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(1, countLines(lines, "EPSV")) << joined(lines);
  EXPECT_EQ(2, countLines(lines, "PASV")) << joined(lines);
  EXPECT_NE(std::string::npos, s.rec.log().find("EPSV refused; using PASV from now on."));
  EXPECT_STREQ("MLSD, UTF8, MDTM, SIZE", s.e->FTP_FeaturesInUse());
}

TEST(FtpModern, ExtendedPassiveCarriesTransfersBothWays) {
  modernServer m;
  std::string stored;
  ftpScriptServer srv(kGreeting, [&m, &stored](ftpScriptServer& s, const std::string& l) {
    if (l.compare(0, 5, "STOR ") == 0) {
      s.Then([&s, &stored] {
        stored = s.ReceiveData();
        return "226 Transfer complete.";
      });
      return std::string("150 Ok to send data.");
    }
    return m.answer(s, l);
  });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  std::string local = tempDir() + "\\up.bin";
  writeFile(local, std::string(3000, 'u'));
  ASSERT_EQ(0u, s.e->FTP_PutFile("/up.bin", local.c_str(), 1)) << s.rec.log();
  EXPECT_EQ(std::string(3000, 'u'), stored);
  ASSERT_EQ(0u, s.e->FTP_GetFile("/data.bin", local.c_str(), 1, 5000, 0)) << s.rec.log();
  EXPECT_EQ(m.file, readFile(local));
  std::vector<std::string> lines = srv.Lines();
  EXPECT_EQ(2, countLines(lines, "EPSV")) << joined(lines);
  EXPECT_EQ(0, countLines(lines, "PASV")) << joined(lines);
}

TEST(FtpModern, ModificationTimeFromMdtm) {
  modernServer m;
  ftpScriptServer srv(kGreeting, [&m](ftpScriptServer& s, const std::string& l) { return m.answer(s, l); });
  session s(srv.Port());
  ASSERT_EQ(0u, s.e->FTP_Connect());
  FILETIME local = {};
  ASSERT_EQ(0u, s.e->FTP_MDTM("/data.bin", &local));
  SYSTEMTIME got;
  FileTimeToSystemTime(&local, &got);
  // The C runtime's own idea of local time for 2024-01-02 03:04:05 UTC.
  struct tm t = {};
  t.tm_year = 124;
  t.tm_mon = 0;
  t.tm_mday = 2;
  t.tm_hour = 3;
  t.tm_min = 4;
  t.tm_sec = 5;
  __time64_t when = _mkgmtime64(&t);
  struct tm l;
  _localtime64_s(&l, &when);
  EXPECT_EQ(l.tm_year + 1900, got.wYear);
  EXPECT_EQ(l.tm_mon + 1, got.wMonth);
  EXPECT_EQ(l.tm_mday, got.wDay);
  EXPECT_EQ(l.tm_hour, got.wHour);
  EXPECT_EQ(l.tm_min, got.wMinute);
  EXPECT_EQ(5, got.wSecond);

  // A server that does not offer MDTM is not asked.
  modernServer old;
  old.feat = "211 No features.";
  ftpScriptServer srv2(kGreeting, [&old](ftpScriptServer& s, const std::string& l) { return old.answer(s, l); });
  session s2(srv2.Port());
  ASSERT_EQ(0u, s2.e->FTP_Connect());
  EXPECT_EQ(static_cast<unsigned long>(VQFTP_LIST_FAILED), s2.e->FTP_MDTM("/data.bin", &local));
  EXPECT_EQ(0, countLines(srv2.Lines(), "MDTM"));
}

// The dates of a folder's files asked together: twenty files cross a group of sixteen; a file the
// server does not know and a name with a line break (never sent) fail alone. A server that stops
// answering in the middle is given up on and connected to again, so no late reply answers the
// next command; one that loses commands sent together is asked one at a time from then on.
TEST(FtpModern, ManyDatesAskedTogetherStayInStep) {
  std::atomic<bool> stalled{false};
  ftpScriptServer srv(kGreeting, [&stalled](ftpScriptServer&, const std::string& l) -> std::string {
    if (l.compare(0, 5, "USER ") == 0) {
      stalled = false;
      return "230 In.";
    }
    if (stalled) return "";
    if (l == "FEAT") return "211-Features:\r\n MDTM\r\n211 End";
    if (l == "MDTM stall") {
      stalled = true;
      return "";
    }
    if (l == "MDTM gone") return "550 No such file.";
    if (l == "MDTM hangup") return "<close>";
    if (l.compare(0, 6, "MDTM f") == 0) return "213 202401020304" + std::to_string(10 + atoi(l.c_str() + 6));
    return plainAnswer(l);
  });
  session s(srv.Port(), 1);
  ASSERT_EQ(0u, s.e->FTP_Connect());
  auto ask = [&](std::vector<std::string> names, std::vector<FILETIME>& times, std::vector<unsigned long>& results) {
    std::vector<const char*> paths;
    for (const std::string& n : names) paths.push_back(n.c_str());
    times.assign(names.size(), FILETIME{});
    results.assign(names.size(), 12345);
    return s.e->FTP_MDTMMany(paths.data(), static_cast<unsigned>(names.size()), times.data(), results.data());
  };
  auto seconds = [](const FILETIME& t) {
    SYSTEMTIME st;
    FileTimeToSystemTime(&t, &st);
    return st.wSecond;
  };

  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) names.push_back("f" + std::to_string(i));
  names[5] = "gone";
  names[17] = "bad\r\nDELE x";
  std::vector<FILETIME> times;
  std::vector<unsigned long> results;
  ASSERT_EQ(0u, ask(names, times, results)) << s.rec.log();
  for (int i = 0; i < 20; ++i) {
    if (i == 5)
      EXPECT_EQ(550u, results[i]);
    else if (i == 17)
      EXPECT_EQ(static_cast<unsigned long>(VQFTP_SEND_FAILED), results[i]);
    else
      EXPECT_EQ(std::make_pair(0ul, 10 + i), std::make_pair(results[i], static_cast<int>(seconds(times[i]))))
          << names[i] << ": failed, or another file's reply";
  }
  EXPECT_EQ(0, countLines(srv.Lines(), "DELE"));
  EXPECT_EQ(19, countLines(srv.Lines(), "MDTM"));

  // A server that hangs up in a group has not lost commands: the groups below still go together.
  EXPECT_EQ(static_cast<unsigned long>(VQFTP_TIMEOUT), ask({"f1", "hangup", "f3"}, times, results));
  EXPECT_EQ(std::vector<unsigned long>({0, VQFTP_TIMEOUT, VQFTP_TIMEOUT}), results);
  EXPECT_EQ(0, s.e->FTP_IsOpen());
  ASSERT_EQ(0u, s.e->FTP_Connect());

  srv.dropsWhatCameTogether = true;
  EXPECT_EQ(static_cast<unsigned long>(VQFTP_TIMEOUT), ask({"f1", "f2", "f3"}, times, results));
  EXPECT_EQ(0u, results[0]);
  EXPECT_EQ(2, srv.Connections()) << "a server in step again keeps its connection";
  EXPECT_EQ(0u, ask({"f4", "f5", "f6"}, times, results)) << s.rec.log();
  EXPECT_EQ(std::vector<unsigned long>({0, 0, 0}), results);
  EXPECT_EQ(16, seconds(times[2]));
  srv.dropsWhatCameTogether = false;

  ASSERT_EQ(static_cast<unsigned long>(VQFTP_TIMEOUT), ask({"f1", "stall", "f3", "f4"}, times, results));
  EXPECT_EQ(0u, results[0]);
  EXPECT_EQ(static_cast<unsigned long>(VQFTP_TIMEOUT), results[1]);
  EXPECT_EQ(static_cast<unsigned long>(VQFTP_TIMEOUT), results[3]);
  EXPECT_EQ(3, srv.Connections()) << s.rec.log();
  FILETIME after = {};
  ASSERT_EQ(0u, s.e->FTP_MDTM("f7", &after)) << s.rec.log();
  EXPECT_EQ(17, seconds(after));
}

// ---- real servers of the fixture

namespace {
struct releaser {
  vqFtpEngine* e;
  ~releaser() { e->Release(); }
};
}  // namespace

TEST(FtpModern, PyftpdlibListsWithMlsd) {
  auto env = servers();
  if (env.empty()) GTEST_SKIP() << "no servers";
  recorder rec;
  vqFtpEngine* e = localEngine(static_cast<unsigned int>(atoi(env["FTP_USER_PORT"].c_str())));
  releaser hold{e};
  rec.attach(*e);
  e->SetUsername(env["FTP_USER"].c_str());
  e->SetPassword(env["FTP_PASS"].c_str());
  ASSERT_EQ(0u, e->FTP_Connect());
  std::string local = tempDir() + "\\pyftpd.txt";
  ASSERT_EQ(0u, e->FTP_LIST(local.c_str(), "", "", "-a")) << rec.log();
  EXPECT_NE(std::string::npos, rec.log().find("MLSD\r\n")) << rec.log();
  EXPECT_NE(std::string::npos, std::string(e->FTP_FeaturesInUse()).find("MLSD, EPSV")) << e->FTP_FeaturesInUse();
  EXPECT_EQ(1, e->FTP_ServerSaysUtf8());
  std::vector<_FTPITEMID> items = parse(local, VQ_HOST_WINNT40);
  const _FTPITEMID* item = named(items, "private.txt");
  ASSERT_NE(nullptr, item) << readFile(local);
  EXPECT_EQ(8u, item->size);
  EXPECT_EQ(VQ_KIND_OBJECT, item->kind);
  // pyftpdlib sends no mode unless asked: the perm fact alone says what this login may do.
  EXPECT_STREQ("radfwMT", item->permText);
  EXPECT_EQ(1, item->permFlags[0]);
  EXPECT_EQ(1, item->permFlags[1]);
  EXPECT_EQ(1, item->permFlags[3]);
  std::string copy = tempDir() + "\\private.txt";
  ASSERT_EQ(0u, e->FTP_GetFile("private.txt", copy.c_str(), 1, 8, 0));
  EXPECT_EQ("private\n", readFile(copy));
}

TEST(FtpModern, VsftpdListsWithListOverEpsv) {
  auto env = servers();
  if (env.empty()) GTEST_SKIP() << "no servers";
  recorder rec;
  vqFtpEngine* e = localEngine(static_cast<unsigned int>(atoi(env["FTP_A_PORT"].c_str())));
  releaser hold{e};
  rec.attach(*e);
  ASSERT_EQ(0u, e->FTP_Connect());
  std::string local = tempDir() + "\\vsftpd.txt";
  ASSERT_EQ(0u, e->FTP_LIST(local.c_str(), "/pub", "", "")) << rec.log();
  std::string log = rec.log();
  EXPECT_NE(std::string::npos, log.find("EPSV\r\n")) << log;
  EXPECT_EQ(std::string::npos, log.find("MLSD")) << "vsftpd offers no machine listings";
  EXPECT_EQ(0, e->FTP_ServerSaysUtf8());
  std::vector<_FTPITEMID> items = parse(local, e->GetHostType());
  ASSERT_NE(nullptr, named(items, "with blank.txt")) << readFile(local);
  FILETIME when = {};
  EXPECT_EQ(0u, e->FTP_MDTM("/pub/five.txt", &when));
  EXPECT_NE(0u, when.dwHighDateTime);
}

// IPv6 on the loopback where the machine has it: the URL's brackets, EPSV for passive transfers and
// EPRT for active ones.
TEST(FtpModern, Ipv6LoopbackPassiveAndActive) {
  auto env = servers();
  if (env.empty() || env["FTP_V6_PORT"].empty()) GTEST_SKIP() << "no IPv6 server (no ::1 on this machine)";
  const unsigned int port = static_cast<unsigned int>(atoi(env["FTP_V6_PORT"].c_str()));
  for (const char* form : {"url", "url with port"}) {
    for (int passive : {1, 0}) {
      recorder rec;
      vqFtpEngine* e = localEngine(strcmp(form, "url") == 0 ? port : 1, 5, passive != 0);
      releaser hold{e};
      rec.attach(*e);
      std::string url = strcmp(form, "url") == 0 ? "[::1]" : "ftp://[::1]:" + std::to_string(port);
      e->SetURL(url.c_str());
      e->SetUsername(env["FTP_USER"].c_str());
      e->SetPassword(env["FTP_PASS"].c_str());
      ASSERT_EQ(0u, e->FTP_Connect()) << form << rec.log();
      std::string local = tempDir() + "\\v6.txt";
      ASSERT_EQ(0u, e->FTP_LIST(local.c_str(), "", "", "")) << form << passive << rec.log();
      std::vector<_FTPITEMID> items = parse(local, VQ_HOST_UNIX);
      EXPECT_NE(nullptr, named(items, "private.txt")) << readFile(local);
      std::string copy = tempDir() + "\\v6-private.txt";
      ASSERT_EQ(0u, e->FTP_GetFile("private.txt", copy.c_str(), 1, 8, 0)) << rec.log();
      EXPECT_EQ("private\n", readFile(copy));
      const std::string log = rec.log();
      EXPECT_NE(std::string::npos, log.find(passive ? "EPSV\r\n" : "EPRT |2|::1|")) << log;
      EXPECT_EQ(std::string::npos, log.find(passive ? "PASV" : "PORT ")) << log;
      EXPECT_EQ(passive, e->GetFirewallPassive()) << "EPRT was taken";
    }
  }
}
