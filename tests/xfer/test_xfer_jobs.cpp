// Transfer jobs as the shell queues them, run by the task manager: the connection from the engine
// manager, the progress window, the task functions one task after another.
#include "fhTempDir.h"
#include "inTaskManager.h"
#include "xferSupport.h"

using namespace xfertest;

// A Download job of a folder and a file on the site's pooled connection, then an Upload job of
// the result: every byte where it belongs, nothing asked.
TEST(XferJobs, DownloadAndUploadJobsThroughTheTaskManager) {
  std::map<std::string, std::string> env = fhtest::servers();
  if (env.empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  const shelltest::List site = storeSite("Xfer jobs", static_cast<unsigned>(atoi(env["FTP_A_PORT"].c_str())));
  {
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_LoadParams("FTP-Sites", "Xfer jobs"));
    s.SetConnectionSaver(1);
    s.SetFirewallPasv(1);
    ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Xfer jobs"));
  }
  const std::string served = fhtest::winPath(env["FTP_A_ROOT"]);
  std::map<std::string, std::string> docs;
  readTree(served + "\\pub\\docs", docs);
  ASSERT_EQ(120u, docs.size());
  TempDir local("fh_xj_");
  Answers answers;

  inJob* job = new inJob(IN_CMD_DOWNLOAD, below(site, {"pub"}));
  for (const shelltest::List& item :
       {below(site, {"pub"}, VQ_KIND_FOLDER, "docs"), below(site, {"pub"}, VQ_KIND_OBJECT, "five.txt", 5000)}) {
    inTask* task = new inTask(item, nullptr);
    task->LocalDir = local.path() + "\\";
    job->AddTask(task);
  }
  inTaskManager::RunJob(job);  // runs and deletes the job
  std::map<std::string, std::string> got;
  readTree(local / "docs", got);
  EXPECT_TRUE(docs == got) << got.size() << " files\n" << answers.All();
  EXPECT_EQ(std::string(5000, 'x'), fhtest::readFile(local / "five.txt"));

  const std::string name = "docs" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(MoveFileA((local / "docs").c_str(), (local / name).c_str()));
  const std::string target = served + "\\incoming\\" + name;
  TempDir::removeTree(target);
  job = new inJob(IN_CMD_UPLOAD, below(site, {"incoming"}));
  inTask* task = new inTask(below(site, {"incoming"}, VQ_KIND_OBJECT, name.c_str()), nullptr);
  task->LocalDir = local.path() + "\\";
  job->AddTask(task);
  inTaskManager::RunJob(job);
  std::map<std::string, std::string> up;
  readTree(target, up);
  EXPECT_TRUE(docs == up) << up.size() << " files\n" << answers.All();
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  TempDir::removeTree(target);
}
