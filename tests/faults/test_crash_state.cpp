// State that survives a process killed at a random moment: a site or category rename through the
// scratch list, a settings save, a download that is then resumed. The work runs in crash_child.exe,
// which the test kills with TerminateProcess; the checks run here afterwards.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>

#include <fstream>
#include <map>
#include <random>
#include <string>

#include "fhEngineSetup.h"
#include "fhFiles.h"
#include "fhServers.h"
#include "site_fixture.h"
#include "vqAppParams.h"
#include "vqFtpEngine.h"
#include "vqSiteParams.h"

using namespace sitetest;

namespace {

std::string childPath() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self);
  return dir.substr(0, dir.find_last_of('\\') + 1) + "crash_child.exe";
}

// Starts the child, waits until it is under way, lets it run `ms` more (or until `until` says so),
// then kills it. Returns false when it never got under way.
template <class Until>
bool runAndKill(const std::string& args, DWORD ms, Until until) {
  static int serial = 0;
  const std::string event = "FhCrashChild-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
  std::string cmd = "\"" + childPath() + "\" " + event + " " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(ev);
    return false;
  }
  HANDLE both[2] = {ev, pi.hProcess};
  const bool started = WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
  if (started) {
    const DWORD end = GetTickCount() + ms;
    while (!until() && static_cast<LONG>(end - GetTickCount()) > 0) Sleep(1);
  }
  TerminateProcess(pi.hProcess, 9);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(ev);
  return started;
}

bool never() { return false; }

size_t fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return static_cast<size_t>(d.nFileSizeLow) | static_cast<size_t>(d.nFileSizeHigh) << 32;
}

class CrashState : public SiteStore {};

// Where a renamed item is now: 1 at its first place, 2 at its second, 0 nowhere or both (lost or
// doubled), with every value it was saved with.
int whereIs(const char* sub1, const char* name1, const char* sub2, const char* name2, const char* url, unsigned id) {
  vqSiteParams a(2), b(2);
  const bool at1 = a.SITE_LoadParams(sub1, name1) == 1, at2 = b.SITE_LoadParams(sub2, name2) == 1;
  if (at1 == at2) return 0;
  vqSiteParams& s = at1 ? a : b;
  if (std::string(s.GetURL()) != url || s.GetSiteId() != id) return 0;
  return at1 ? 1 : 2;
}

}  // namespace

TEST_F(CrashState, RenameKilledAnywhereLosesNoSiteOrCategory) {
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites", "Alpha", "ftp.alpha.example", 50);
  saveCategory("FTP-Sites", "Group");
  for (int i = 0; i < 4; ++i) saveSite("FTP-Sites\\Group", ("m" + std::to_string(i)).c_str(), "ftp.member.example");
  vqSiteParams group(2);
  ASSERT_EQ(1, group.SITE_LoadParams("FTP-Sites", "Group"));
  const unsigned groupId = group.GetSiteId();

  std::mt19937 rng(22);
  int stranded = 0;
  const int rounds = 16;
  for (int round = 0; round < rounds; ++round) {
    ASSERT_TRUE(runAndKill("rename", rng() % 120, never)) << "round " << round;
    if (!subkeys(HKEY_CURRENT_USER, kScratch).empty()) ++stranded;
    // The next enumeration finishes or undoes what the killed rename left.
    vqSiteParams top(2);
    top.ENUM_SiteEnumerate("FTP-Sites");
    EXPECT_TRUE(subkeys(HKEY_CURRENT_USER, kScratch).empty()) << "round " << round;
    EXPECT_NE(0, whereIs("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta", "ftp.alpha.example", 50)) << "round " << round;
    const int g = whereIs("FTP-Sites", "Group", "FTP-Sites\\Cat", "Team", "", groupId);
    ASSERT_NE(0, g) << "round " << round;
    const std::string list = g == 1 ? "FTP-Sites\\Group" : "FTP-Sites\\Cat\\Team";
    vqSiteParams members(2);
    ASSERT_EQ(4, members.ENUM_SiteEnumerate(list.c_str())) << "round " << round;
    for (int i = 0; i < 4; ++i)
      EXPECT_STREQ("ftp.member.example", members.ENUM_GetSiteItem(i)->GetURL()) << "round " << round;
  }
  printf("rename killed %d times, %d left an item in the scratch list\n", rounds, stranded);
}

TEST_F(CrashState, StrandedRenamesAreFinishedOrUndone) {
  // Each row: what the killed rename left; the item must end up at `expect` ("from" or "to"), once.
  struct Row {
    bool journal, notes, done, sourceLeft;
    int partialTarget;  // 0 none; 1 its key and id; 2 its common values only (the id is written after them)
    const char* expect;
  } rows[] = {
      {true, false, false, true, false, "from"},    // killed while copying into the scratch list
      {true, true, false, true, false, "from"},     // killed before the source was deleted
      {true, true, false, false, false, "to"},      // killed after deleting the source
      {true, true, false, false, 1, "to"},          // killed while writing the target
      {true, true, false, false, 2, "to"},          // killed before the target had its id
      {true, true, true, false, false, "to"},       // killed before the scratch copy was deleted
      {false, false, false, false, false, "from"},  // left by an older version: back to the top list
  };
  const std::string scratchItem = std::string(kScratch) + "\\Alpha";
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "journal " << r.journal << " notes " << r.notes << " done " << r.done
                                    << " source " << r.sourceLeft << " partial " << r.partialTarget);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    saveCategory("FTP-Sites", "Cat");
    saveSite("TMP-SITES", "Alpha", "ftp.alpha.example", 50);
    if (r.journal) put(HKEY_CURRENT_USER, kScratch, "Renaming:Alpha", "FTP-Sites");
    if (r.notes) {
      put(HKEY_CURRENT_USER, scratchItem, "RenameFromSub", "FTP-Sites");
      put(HKEY_CURRENT_USER, scratchItem, "RenameToSub", "FTP-Sites\\Cat");
      put(HKEY_CURRENT_USER, scratchItem, "RenameToName", "Beta");
      if (r.done) putDword(HKEY_CURRENT_USER, scratchItem, "RenameDone", 1);
    }
    if (r.sourceLeft) saveSite("FTP-Sites", "Alpha", "ftp.alpha.example", 50);
    if (r.done) saveSite("FTP-Sites\\Cat", "Beta", "ftp.alpha.example", 50);
    // A target cut short: its key and id, but not yet its address; or its common values alone.
    if (r.partialTarget == 1) put(HKEY_CURRENT_USER, key("FTP-Sites\\Cat\\Beta"), "SiteId", "0000000050");
    if (r.partialTarget == 2) put(HKEY_CURRENT_USER, key("FTP-Sites\\Cat\\Beta"), "DefXferDir", "C:\\");

    vqSiteParams top(2);
    top.ENUM_SiteEnumerate("FTP-Sites");
    EXPECT_TRUE(subkeys(HKEY_CURRENT_USER, kScratch).empty());
    EXPECT_EQ("<missing>", raw(HKEY_CURRENT_USER, kScratch, "Renaming:Alpha"));
    EXPECT_EQ(std::string(r.expect) == "from" ? 1 : 2,
              whereIs("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta", "ftp.alpha.example", 50));
  }
  // A target name that belongs to another site is never overwritten: the item goes back.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites\\Cat", "Beta", "ftp.other.example", 77);
  saveSite("TMP-SITES", "Alpha", "ftp.alpha.example", 50);
  put(HKEY_CURRENT_USER, scratchItem, "RenameFromSub", "FTP-Sites");
  put(HKEY_CURRENT_USER, scratchItem, "RenameToSub", "FTP-Sites\\Cat");
  put(HKEY_CURRENT_USER, scratchItem, "RenameToName", "Beta");
  vqSiteParams top(2);
  top.ENUM_SiteEnumerate("FTP-Sites");
  vqSiteParams other(2), back(2);
  ASSERT_EQ(1, other.SITE_LoadParams("FTP-Sites\\Cat", "Beta"));
  EXPECT_STREQ("ftp.other.example", other.GetURL());
  ASSERT_EQ(1, back.SITE_LoadParams("FTP-Sites", "Alpha"));
  EXPECT_STREQ("ftp.alpha.example", back.GetURL());
}

// A delete cut short between an item's key and its list's id value leaves the value naming an item
// that is gone. A rename through that list (the scratch list, or the target's) keeps its id.
TEST_F(CrashState, AValueLeftByACutDeleteTakesNoIdAway) {
  for (const std::string& list : {std::string(kScratch), key("FTP-Sites\\Cat")}) {
    SCOPED_TRACE(list);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    saveCategory("FTP-Sites", "Cat");
    saveSite("FTP-Sites", "Alpha", "ftp.alpha.example", 50);
    put(HKEY_CURRENT_USER, list, "0000000050", "Gone");
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_Rename("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta"));
    EXPECT_EQ(2, whereIs("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta", "ftp.alpha.example", 50));
  }
  // A value naming an item that is there still keeps the id from being shared.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites", "Alpha", "ftp.alpha.example", 50);
  saveSite("FTP-Sites\\Cat", "Other", "ftp.other.example", 50);
  vqSiteParams s(2);
  ASSERT_EQ(1, s.SITE_Rename("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta"));
  vqSiteParams moved(2);
  ASSERT_EQ(1, moved.SITE_LoadParams("FTP-Sites\\Cat", "Beta"));
  EXPECT_NE(50u, moved.GetSiteId());
}

TEST_F(CrashState, SettingsSaveKilledLeavesEveryValueOldOrNew) {
  const std::string settings = std::string(kProduct) + "\\Settings";
  struct Value {
    const char* name;
    std::string old, now;
  } tracked[] = {
      // Numbers are stored as their text.
      {"Timeout", "31", "47"},
      {"RetryCount", "3", "9"},
      {"FirewallHost", "old.proxy.example", "new.proxy.example"},
      {"IndexFiles", "|old_index.txt|", "|new_index.txt|"},
      {"EmailAddress", "old@example.org", "new@example.org"},
      {"CacheSize", "20", "40"},
  };
  std::mt19937 rng(7);
  int mixed = 0;
  for (int round = 0; round < 12; ++round) {
    ASSERT_TRUE(runAndKill("settings", rng() % 80, never)) << "round " << round;
    int olds = 0, news = 0;
    for (const Value& v : tracked) {
      const std::string got = raw(HKEY_CURRENT_USER, settings, v.name);
      EXPECT_TRUE(got == v.old || got == v.now) << v.name << " round " << round << ": " << got;
      olds += got == v.old;
      news += got == v.now;
    }
    if (olds && news) ++mixed;
    // What a restart reads is valid.
    vqAppParams* app = VQSMGR_GetAppParams();
    ASSERT_EQ(1, app->APP_LoadParams());
    EXPECT_TRUE(app->GetTimeout() == 31 || app->GetTimeout() == 47) << app->GetTimeout();
  }
  printf("settings save killed 12 times, %d left a mix of old and new values\n", mixed);
}

TEST(CrashResume, DownloadKilledMidwayResumesToIdenticalBytes) {
  const char* state = getenv("FH_CHAOS_STATE");
  if (!state) GTEST_SKIP() << "run through ctest, which starts the servers";
  std::string path = "Z:";
  for (const char* c = state; *c; ++c) path += *c == '/' ? '\\' : *c;
  std::ifstream ports(path + "\\chaos.port");
  unsigned chaos = 0, calm = 0;
  ports >> chaos >> calm;
  ASSERT_NE(0u, calm);
  const std::string dir = fhtest::tempDir();
  const std::string local = dir + "\\resumed.bin";
  const size_t total = 1048576;
  std::string expected(total, 0);
  for (size_t i = 0; i < total; ++i) expected[i] = static_cast<char>((i % 65536 * 7 + i % 65536 / 256) % 256);

  for (int round = 0; round < 3; ++round) {
    DeleteFileA(local.c_str());
    // Killed once a fifth to four fifths of the file have arrived.
    const size_t at = total / 5 * static_cast<size_t>(round + 1);
    ASSERT_TRUE(runAndKill("download " + std::to_string(calm) + " /file-1048576.bin \"" + local + "\"", 20000,
                           [&] { return fileSize(local) >= at; }));
    const size_t partial = fileSize(local);
    EXPECT_GT(partial, 0u);
    ASSERT_LT(partial, total) << "the download ended before the kill";
    vqFtpEngine* e = fhtest::localEngine(calm, 10);
    ASSERT_EQ(0u, e->FTP_Connect());
    EXPECT_EQ(0u, e->FTP_GetFile("/file-1048576.bin", local.c_str(), 1, total, 1)) << e->GetLastReply();
    e->Release();
    const std::string got = fhtest::readFile(local);
    EXPECT_EQ(total, got.size());
    EXPECT_TRUE(got == expected) << "resumed from " << partial << " bytes: not the server's file";
  }
}

TEST(CrashResume, UploadKilledMidwayLeavesTheOldOrTheWholeNewTarget) {
  std::map<std::string, std::string> env = fhtest::ftpServers();
  if (env.empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  const unsigned port = static_cast<unsigned>(atoi(env["FTP_A_PORT"].c_str()));
  std::string incoming = "Z:";
  for (char c : env["FTP_A_ROOT"]) incoming += c == '/' ? '\\' : c;
  incoming += "\\incoming\\";
  const std::string target = incoming + "whole.bin", part = target + ".fhpart";
  const std::string dir = fhtest::tempDir(), local = dir + "\\new.bin";
  const std::string old(100000, 'o');
  std::string fresh(16 << 20, 0);
  for (size_t i = 0; i < fresh.size(); ++i) fresh[i] = static_cast<char>(i * 13 + i / 4096);
  fhtest::writeFile(local, fresh);

  int cutShort = 0;
  for (int round = 0; round < 3; ++round) {
    fhtest::writeFile(target, old);
    DeleteFileA(part.c_str());
    // Killed once the upload is a few hundred kilobytes to a few megabytes in.
    const size_t at = (size_t(1) << 18) << (round * 2);
    ASSERT_TRUE(runAndKill("upload " + std::to_string(port) + " /incoming/whole.bin \"" + local + "\"", 20000,
                           [&] { return fileSize(part) >= at; }));
    const std::string now = fhtest::readFile(target);
    EXPECT_TRUE(now == old || now == fresh) << "round " << round << ": a target of " << now.size() << " bytes";
    cutShort += now == old;
  }
  printf("upload killed 3 times, %d before it was whole\n", cutShort);
  EXPECT_GT(cutShort, 0) << "every upload ended before the kill: nothing was tested";

  // A killed process's data connections should close with it, ending the server's sessions and
  // their locks on the part; under Wine they may stay open until the server's own data time-out.
  // The stale part is removed, as the server would have let go of it.
  {
    vqFtpEngine* e = fhtest::localEngine(port, 10);
    ASSERT_EQ(0u, e->FTP_Connect());
    e->FTP_DELE("/incoming/whole.bin.fhpart");
    e->Release();
  }
  // Left alone, the same upload replaces the target and leaves no part behind. The server may
  // still hold a killed session's lock on the part for a while (its connections close only when
  // the system lets go of the dead process's sockets): the user tries again, as here.
  unsigned long put = 1;
  std::string reply;
  for (int attempt = 0; attempt < 4 && put != 0; ++attempt) {
    if (attempt) Sleep(5000);
    vqFtpEngine* e = fhtest::localEngine(port, 10);
    ASSERT_EQ(0u, e->FTP_Connect());
    put = e->FTP_PutFileWhole("/incoming/whole.bin", local.c_str(), 1);
    reply = e->GetLastReply();
    e->Release();
  }
  EXPECT_EQ(0u, put) << reply;
  EXPECT_TRUE(fhtest::readFile(target) == fresh);
  EXPECT_EQ(0u, fileSize(part));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(part.c_str()));
}
