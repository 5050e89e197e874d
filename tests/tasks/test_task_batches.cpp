// Download jobs through the site's task manager against the scripted server, which records each
// file it sends with its connection and time: with ConnectionSaver the site's jobs take turns on
// one connection, without it they run at once on connections of their own; Cancel pressed in the
// progress window in the middle of a batch ends it without a question and leaves the site usable.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "inEngineMgr.h"
#include "inJob.h"
#include "shellApp.h"
#include "tasksTestSupport.h"
#include "uiDriver.h"

using namespace taskstest;
using shelltest::List;

namespace {
std::string g_dir;  // the download folder of the site being made

std::string tempFolder(const char* name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  std::string dir = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}
std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
List fileOf(const char* site, const char* name, size_t size) {
  _FTPITEMID it = shelltest::item(VQ_KIND_OBJECT, name);
  it.size = static_cast<uint32_t>(size);
  return List().foreign(20).own(VQ_KIND_FTPSITE, site).own(it);
}
inJob* download(const List& site, const std::vector<List>& files, HANDLE done) {
  inJob* job = new inJob(IN_CMD_DOWNLOAD, site);
  for (const List& f : files) job->AddTask(new inTask(f, nullptr));
  job->Done = done;
  return job;
}
bool overlap(const ScriptServer::Retr& a, const ScriptServer::Retr& b) { return a.start < b.end && b.start < a.end; }

// A visible window of this process with a Cancel button that is no message box: a progress window.
HWND findProgressWindow(DWORD ms) {
  struct Find {
    HWND found = nullptr;
    static BOOL CALLBACK Each(HWND w, LPARAM self) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      HWND cancel = GetDlgItem(w, IDCANCEL);
      if (pid == GetCurrentProcessId() && IsWindowVisible(w) && cancel && IsWindowVisible(cancel) &&
          !GetDlgItem(w, 0xFFFF)) {
        reinterpret_cast<Find*>(self)->found = w;
        return FALSE;
      }
      return TRUE;
    }
  } f;
  for (DWORD waited = 0; waited <= ms && !f.found; waited += 50) {
    EnumWindows(Find::Each, reinterpret_cast<LPARAM>(&f));
    if (!f.found) Sleep(50);
  }
  return f.found;
}
}  // namespace

TEST(TaskBatches, ConnectionSaverTakesTurnsOnOneConnectionOtherwiseTwoAtOnce) {
  const struct {
    const char* site;
    int saver;
  } rows[] = {{"Turns Saver", 1}, {"Turns Apart", 0}};
  for (const auto& row : rows) {
    Messages::Get().Clear();
    ScriptServer server;
    server.chunks = 8;
    server.chunkDelayMs = 100;  // each file takes close to a second
    g_dir = tempFolder(row.saver ? "saver" : "apart");
    static int s_saver;
    s_saver = row.saver;
    List site = saveSite(row.site, server.Port(), [](vqSiteParams& s) {
      s.SetConnectionSaver(s_saver);
      s.SetFirewallPasv(1);
      s.SetDefXferDir(g_dir.c_str());
    });
    HANDLE done[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    ASSERT_TRUE(shellApp::Get().SubmitJob(download(site, {fileOf(row.site, "a.bin", server.body.size())}, done[0])));
    ASSERT_TRUE(shellApp::Get().SubmitJob(download(site, {fileOf(row.site, "b.bin", server.body.size())}, done[1])));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, done, TRUE, 60000))
        << row.site << ": files served " << server.Retrs().size() << ", connections " << server.connections.load()
        << Messages::Get().All() << ui::OwnWindowsNow();
    Sleep(200);
    for (HANDLE h : done) CloseHandle(h);

    std::vector<ScriptServer::Retr> retrs = server.Retrs();
    ASSERT_EQ(2u, retrs.size()) << row.site << Messages::Get().All();
    EXPECT_TRUE(retrs[0].complete && retrs[1].complete);
    EXPECT_EQ(server.body, readAll(g_dir + "a.bin")) << row.site;
    EXPECT_EQ(server.body, readAll(g_dir + "b.bin")) << row.site;
    if (row.saver) {
      EXPECT_EQ(1, server.connections.load());
      EXPECT_EQ(retrs[0].connection, retrs[1].connection);
      EXPECT_FALSE(overlap(retrs[0], retrs[1])) << "jobs of a ConnectionSaver site ran at once";
    } else {
      EXPECT_EQ(2, server.connections.load());
      EXPECT_NE(retrs[0].connection, retrs[1].connection);
      EXPECT_TRUE(overlap(retrs[0], retrs[1])) << "jobs on their own connections ran one after the other";
    }
    EXPECT_EQ("", Messages::Get().All()) << row.site;
    inEngineMgr& mgr = shellApp::Get().GetEngineManager();
    if (mgr.LockAndConnect(site, 0) == 0) mgr.Release(site, 1);
  }
}

TEST(TaskBatches, CancelInTheProgressWindowEndsTheBatchWithoutAQuestion) {
  Messages::Get().Clear();
  Messages::Get().answer = IDYES;  // a question, if one came, would go on with the batch
  ScriptServer server;
  server.chunks = 40;
  server.chunkDelayMs = 100;
  g_dir = tempFolder("cancel");
  List site = saveSite("Cancel Site", server.Port(), [](vqSiteParams& s) {
    s.SetFirewallPasv(1);
    s.SetDefXferDir(g_dir.c_str());
  });
  size_t size = server.body.size();
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  inJob* job = download(site,
                        {fileOf("Cancel Site", "a.bin", size), fileOf("Cancel Site", "b.bin", size),
                         fileOf("Cancel Site", "c.bin", size)},
                        done);
  bool pressed = false;
  std::thread driver([&] {
    // A loaded machine can take a second to log in: press only once the first file is on its way.
    for (int i = 0; i < 600 && server.retrsBegun.load() == 0; ++i) Sleep(50);
    Sleep(400);  // well inside the first file (four seconds)
    if (HWND w = findProgressWindow(10000)) {
      SendMessageA(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
      pressed = true;
    }
  });
  ASSERT_TRUE(shellApp::Get().SubmitJob(job));
  DWORD waited = WaitForSingleObject(done, 60000);
  driver.join();
  CloseHandle(done);
  ASSERT_EQ(WAIT_OBJECT_0, waited);
  ASSERT_TRUE(pressed) << "no progress window with a Cancel button";
  // The server notes a file once its sending stopped, which may trail the job's end.
  for (int i = 0; i < 100 && server.Retrs().empty(); ++i) Sleep(50);
  Sleep(300);

  std::vector<ScriptServer::Retr> retrs = server.Retrs();
  EXPECT_EQ(1, server.retrsBegun.load()) << "a file after the cancelled one was fetched";
  ASSERT_EQ(1u, retrs.size()) << Messages::Get().All();
  EXPECT_FALSE(retrs[0].complete);
  EXPECT_EQ(std::string::npos, Messages::Get().All().find("Continue")) << Messages::Get().All();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((g_dir + "b.bin").c_str()));

  // The site still works: the next job fetches its file.
  server.chunks = 1;
  server.chunkDelayMs = 0;
  done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(shellApp::Get().SubmitJob(download(site, {fileOf("Cancel Site", "b.bin", size)}, done)));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 30000));
  CloseHandle(done);
  Sleep(200);
  EXPECT_EQ(server.body, readAll(g_dir + "b.bin")) << Messages::Get().All();
  inEngineMgr& mgr = shellApp::Get().GetEngineManager();
  if (mgr.LockAndConnect(site, 0) == 0) mgr.Release(site, 1);
}
