// Jobs through the site's task manager against vsftpd and a scripted server: listings into an
// enumerator by the site's settings, Connect and Disconnect (also while the connection is busy),
// an unknown command, a batch that ends at its first failure, and the choices offered when a
// secondary connection is refused, answered in the real dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "fh32_tasksRes.h"
#include "inEngineMgr.h"
#include "inJob.h"
#include "shellApp.h"
#include "shellEnum.h"
#include "shellItems.h"
#include "tasksTestSupport.h"
#include "vqFtpEngine.h"

using namespace taskstest;
using shelltest::List;

namespace {
unsigned portOf(const char* key) { return static_cast<unsigned>(atoi(fhtest::ftpServers()[key].c_str())); }

// Submits the job and waits for its completion event.
bool runJob(inJob* job, DWORD ms = 30000) {
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  job->Done = done;
  job->OwnsDone = false;
  bool ok = shellApp::Get().SubmitJob(job) && WaitForSingleObject(done, ms) == WAIT_OBJECT_0;
  Sleep(100);  // the job gives back its connection right after signalling
  CloseHandle(done);
  return ok;
}

struct Listed {
  std::vector<std::string> names;
  std::vector<int> kinds;
  std::vector<std::string> targets;
  unsigned long result = 0;
  // Sorted, except that ".." stays where it was listed.
  std::string Joined() const {
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin() + (!sorted.empty() && sorted[0] == ".." ? 1 : 0), sorted.end());
    std::string s;
    for (auto& n : sorted) s += (s.empty() ? "" : ",") + n;
    return s;
  }
  int KindOf(const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return kinds[i];
    return -1;
  }
};

// Explores each folder list as one task of one job; the lists of each.
std::vector<Listed> explore(const List& site, const std::vector<List>& folders) {
  std::vector<shellEnum*> into;
  inJob* job = new inJob(IN_CMD_EXPLORE, site);
  for (const List& folder : folders) {
    auto* e = new shellEnum();
    e->AddRef();
    e->SetResult(0xDEAD);  // untouched unless the task ran
    into.push_back(e);
    auto* task = new inTask(folder, nullptr);
    task->SetEnumerator(e);
    job->AddTask(task);
  }
  EXPECT_TRUE(runJob(job));
  std::vector<Listed> out;
  for (shellEnum* e : into) {
    Listed l;
    l.result = e->GetResult();
    for (size_t i = 0; i < e->Count(); ++i) {
      LPCITEMIDLIST item = e->ItemAt(i);
      l.names.push_back(shellItemName(item));
      l.kinds.push_back(shellItemKind(item));
      l.targets.push_back(shellItemLinkTarget(item));
    }
    out.push_back(l);
    e->Drop();
  }
  return out;
}

struct DotRow {
  int dotDot, hideFile, hideDir;
  const char* expected;
};
const DotRow* g_row = nullptr;
}  // namespace

TEST(TaskManager, ExploreListsByTheSiteSettingsAndSplitsLinks) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  Messages::Get().Clear();
  // A folder of the server's upload area with dot entries of both kinds.
  char leaf[64];
  snprintf(leaf, sizeof leaf, "dots-%lu", GetCurrentProcessId());
  std::string dir = winPath(fhtest::ftpServers()["FTP_A_ROOT"]) + "\\incoming\\" + leaf;
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA((dir + "\\.hidden").c_str(), nullptr);
  CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
  for (const char* f : {"\\.profile", "\\plain.txt"}) {
    std::ofstream out(dir + f);
    out << "x\n";
  }
  const DotRow rows[] = {
      {0, 0, 0, ".hidden,.profile,plain.txt,sub"},
      {1, 0, 0, "..,.hidden,.profile,plain.txt,sub"},
      {0, 1, 0, ".hidden,plain.txt,sub"},
      {0, 0, 1, ".profile,plain.txt,sub"},
      {0, 1, 1, "plain.txt,sub"},
      {1, 1, 1, "..,plain.txt,sub"},
  };
  for (const DotRow& row : rows) {
    g_row = &row;
    List site = saveSite("Explore A", portOf("FTP_A_PORT"), [](vqSiteParams& s) {
      s.SetShowDotDotDir(g_row->dotDot);
      s.SetHideDotFile(g_row->hideFile);
      s.SetHideDotDir(g_row->hideDir);
      s.SetShowHiddenFiles(1);
      s.SetShowHiddenCmd("-a");
    });
    List dots =
        List().foreign(20).own(VQ_KIND_FTPSITE, "Explore A").own(VQ_KIND_FOLDER, "incoming").own(VQ_KIND_FOLDER, leaf);
    std::vector<Listed> got = explore(site, {dots});
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(0ul, got[0].result);
    EXPECT_EQ(row.expected, got[0].Joined())
        << "dotdot " << row.dotDot << " hideFile " << row.hideFile << " hideDir " << row.hideDir;
    EXPECT_EQ(VQ_KIND_FOLDER, got[0].KindOf("sub"));
    EXPECT_EQ(VQ_KIND_OBJECT, got[0].KindOf("plain.txt"));
    if (row.dotDot) {
      EXPECT_EQ(VQ_KIND_FOLDER, got[0].KindOf(".."));
    }
  }

  // Two folders in one job, the site's root among them; a link comes split into name and target.
  List site = saveSite("Explore A", portOf("FTP_A_PORT"));
  List pub = List().foreign(20).own(VQ_KIND_FTPSITE, "Explore A").own(VQ_KIND_FOLDER, "pub");
  std::vector<Listed> got = explore(site, {site, pub});
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ("documents,incoming,pub,welcome.txt", got[0].Joined());
  EXPECT_EQ("big.bin,docs,five.txt,latest,src,with blank.txt", got[1].Joined());
  int links = 0;
  for (size_t i = 0; i < got[1].kinds.size(); ++i) {
    if (!shellIsLinkKind(got[1].kinds[i])) continue;
    ++links;
    EXPECT_EQ("docs", got[1].targets[i]);
  }
  EXPECT_EQ(1, links) << "the link was not listed as one";
  EXPECT_EQ("", Messages::Get().All());

  // A folder that is not there ends the batch: its error is shown, the next task never runs.
  List missing = List().foreign(20).own(VQ_KIND_FTPSITE, "Explore A").own(VQ_KIND_FOLDER, "no-such-folder");
  got = explore(site, {missing, pub});
  ASSERT_EQ(2u, got.size());
  EXPECT_NE(0ul, got[0].result);
  EXPECT_TRUE(got[0].names.empty());
  EXPECT_EQ(0xDEADul, got[1].result) << "a task after the failed one ran";
  EXPECT_NE(std::string::npos, Messages::Get().All().find("Unable to generate a directory listing on the remote "
                                                          "server.\n\nReason: "));
  EXPECT_NE(std::string::npos, Messages::Get().All().find("Remote Directory: /no-such-folder"));
}

TEST(TaskManager, ConnectDisconnectAndTheBusyConnection) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  Messages::Get().Clear();
  List site = saveSite("Connect A", portOf("FTP_A_PORT"));
  inEngineMgr& mgr = shellApp::Get().GetEngineManager();
  vqFtpEngine* primary = mgr.GetEngine(site, 1);
  ASSERT_NE(nullptr, primary);
  ASSERT_FALSE(primary->FTP_IsOpen());

  ASSERT_TRUE(runJob(new inJob(IN_CMD_CONNECT, site)));
  EXPECT_TRUE(primary->FTP_IsOpen());
  EXPECT_EQ(1, mgr.IsFree(site));
  ASSERT_TRUE(runJob(new inJob(IN_CMD_DISCONNECT, site)));
  EXPECT_FALSE(primary->FTP_IsOpen());
  EXPECT_EQ("", Messages::Get().All());

  // While another user holds the connection, both commands say so at once instead of waiting.
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 1));
  DWORD start = GetTickCount();
  ASSERT_TRUE(runJob(new inJob(IN_CMD_CONNECT, site), 10000));
  ASSERT_TRUE(runJob(new inJob(IN_CMD_DISCONNECT, site), 10000));
  EXPECT_LT(GetTickCount() - start, 10000u);
  std::string texts = Messages::Get().All();
  EXPECT_NE(std::string::npos,
            texts.find("The primary connection is currently in use. You will need to cancel the cancel "
                       "processing on this connection before attempting to reconnect.]"))
      << texts;
  EXPECT_NE(std::string::npos, texts.find("before attempting to disconnect.]")) << texts;
  EXPECT_TRUE(primary->FTP_IsOpen()) << "the busy connection was disconnected";
  mgr.Release(site, 0);

  // A command number that is none of the table's.
  Messages::Get().Clear();
  inJob* odd = new inJob(2010, site);
  odd->AddTask(new inTask(site, nullptr));
  ASSERT_TRUE(runJob(odd));
  EXPECT_EQ("[Invalid Command in INTASKMANAGER]", Messages::Get().All());
  EXPECT_EQ(1, mgr.IsFree(site));
}

namespace {
struct ChoiceRow {
  const char* site;
  int button;       // radio button pressed, or 0 for Cancel
  int saverAfter;   // ConnectionSaver in the store afterwards
  int connections;  // connections the server saw
};
}  // namespace

TEST(TaskManager, RefusedSecondaryConnectionOffersTheThreeChoices) {
  const ChoiceRow rows[] = {
      {"Refused Always", IDC_UP_ALWAYS, 1, 2},
      {"Refused Once", IDC_UP_ONCE, 0, 2},
      {"Refused Retry", IDC_UP_RETRY, 0, 2},
      {"Refused Cancel", 0, 0, 1},
  };
  for (const ChoiceRow& row : rows) {
    Messages::Get().Clear();
    ScriptServer server;
    server.refused = {1};
    List site = saveSite(row.site, server.Port(), [](vqSiteParams& s) { s.SetConnectionSaver(0); });
    List file = List().foreign(20).own(VQ_KIND_FTPSITE, row.site).own(VQ_KIND_OBJECT, "a.txt");
    inJob* job = new inJob(IN_CMD_DOWNLOAD, site);
    job->AddTask(new inTask(file, nullptr));
    std::string text;
    bool defaultOnce = false;
    std::thread driver([&] {
      HWND dlg = findWindow("Connection Error", 20000);
      if (!dlg) return;
      text = ui_text(dlg);
      defaultOnce = SendMessageA(GetDlgItem(dlg, IDC_UP_ONCE), BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (row.button) {
        SendMessageA(GetDlgItem(dlg, row.button), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
      } else {
        SendMessageA(GetDlgItem(dlg, IDCANCEL), BM_CLICK, 0, 0);
      }
    });
    bool ran = runJob(job, 40000);
    driver.join();
    ASSERT_TRUE(ran) << row.site;
    EXPECT_EQ(0u, text.find("Unable to open a secondary connection to the server.\n\nReason: "))
        << row.site << ": " << text;
    EXPECT_TRUE(defaultOnce) << row.site;
    EXPECT_EQ(row.saverAfter, StoredSite(row.site).GetConnectionSaver()) << row.site;
    EXPECT_EQ(row.connections, server.connections.load()) << row.site << Messages::Get().All();
    // The pooled connection to this server goes with it.
    inEngineMgr& mgr = shellApp::Get().GetEngineManager();
    if (mgr.LockAndConnect(site, 0) == 0) mgr.Release(site, 1);
  }
}

#include <tlhelp32.h>

namespace {
std::set<DWORD> threadsOfThisProcess() {
  std::set<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t = {};
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(t.th32ThreadID);
  CloseHandle(snap);
  return ids;
}
}  // namespace

TEST(TaskManager, UnloadingEndsEveryThreadTheModuleStarted) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  shellApp& app = shellApp::Get();
  app.ShutdownThreads();
  std::set<DWORD> before = threadsOfThisProcess();
  List site = saveSite("Unload A", portOf("FTP_A_PORT"), [](vqSiteParams& s) { s.SetKeepAlive(1); });
  ASSERT_TRUE(runJob(new inJob(IN_CMD_CONNECT, site)));
  std::set<DWORD> running = threadsOfThisProcess();
  EXPECT_GE(running.size(), before.size() + 2) << "no task manager or engine manager thread was started";
  ASSERT_TRUE(app.CanUnload());
  std::set<DWORD> after = threadsOfThisProcess();
  for (DWORD id : after) EXPECT_TRUE(before.count(id)) << "thread " << id << " outlived the module";
  // The services start again on the next use.
  ASSERT_TRUE(runJob(new inJob(IN_CMD_DISCONNECT, site)));
  EXPECT_EQ(1, app.GetEngineManager().IsFree(site));
}
