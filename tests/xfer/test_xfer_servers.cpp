// The transfer commands against the fixture's two vsftpd servers: whole trees up and down byte
// for byte, the resume offer through the real dialog, copies and moves within and between sites.
#include <thread>

#include "dlgResume.h"
#include "fh32_xferRes.h"
#include "fhEngineSetup.h"
#include "fhTempDir.h"
#include "inTransfers.h"
#include "uiDriver.h"
#include "vqFtpEngine.h"
#include "xferSupport.h"

using namespace xfertest;

namespace {

class XferServers : public ::testing::Test {
 protected:
  void SetUp() override {
    env = fhtest::servers();
    if (env.empty()) GTEST_SKIP() << "FH_FTP_SERVERS not set: run through ctest, which starts the servers";
    siteA = storeSite("Xfer A", port("FTP_A_PORT"));
    siteB = storeSite("Xfer B", port("FTP_B_PORT"));
    a = connect("FTP_A_PORT");
    b = connect("FTP_B_PORT");
    unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
  }
  void TearDown() override {
    for (vqFtpEngine* e : {a, b})
      if (e) {
        e->FTP_Disconnect();
        e->Release();
      }
  }
  unsigned port(const char* key) { return static_cast<unsigned>(atoi(env[key].c_str())); }
  vqFtpEngine* connect(const char* key) {
    vqFtpEngine* e = fhtest::localEngine(port(key), 10);
    EXPECT_EQ(0u, e->FTP_Connect());
    return e;
  }
  std::string root(const char* key) { return fhtest::winPath(env[key]); }

  // One task of a command on a job whose engines are connected.
  unsigned long run(int command, LPCITEMIDLIST source, LPCITEMIDLIST destination, const std::string& localDir,
                    bool move = false, int* extra = nullptr) {
    inJob job(command, source);
    job.Engine = a;
    job.DestEngine = command == IN_CMD_SITE_TO_SITE ? b : command == IN_CMD_INTRA_SITE ? second() : nullptr;
    if (extra) job.Extra = *extra;
    inTask* task = new inTask(source, destination);
    if (!localDir.empty()) task->LocalDir = localDir;
    task->IsMove = move;
    job.AddTask(task);
    unsigned long rc;
    switch (command) {
      case IN_CMD_UPLOAD:
        rc = inUploadTask(job, *task);
        break;
      case IN_CMD_SITE_TO_SITE:
      case IN_CMD_INTRA_SITE:
        rc = inTransferTask(job, *task);
        break;
      default:
        rc = inDownloadTask(job, *task);
        break;
    }
    if (extra) *extra = job.Extra;
    return rc;
  }
  // A second connection to site A, as an intra-site job has.
  vqFtpEngine* second() {
    if (!a2) a2 = connect("FTP_A_PORT");
    return a2;
  }

  std::map<std::string, std::string> env;
  shelltest::List siteA, siteB;
  vqFtpEngine* a = nullptr;
  vqFtpEngine* b = nullptr;
  vqFtpEngine* a2 = nullptr;
  std::string unique;
};

}  // namespace

// About 200 files in ten nested folders go up into a new remote folder and come down again into
// another local one; every byte arrives where it belongs, both ways.
TEST_F(XferServers, TreeUploadAndDownloadByteForByte) {
  TempDir local("fh_xt_");
  const std::string name = "tree" + unique;
  const std::map<std::string, std::string> files = makeTree(local / name, 10, 20);
  ASSERT_EQ(200u, files.size());
  Answers answers;
  ASSERT_EQ(0u, run(IN_CMD_UPLOAD, below(siteA, {"incoming"}, VQ_KIND_OBJECT, name.c_str()), nullptr, local.path()))
      << answers.All();
  std::map<std::string, std::string> onServer;
  readTree(root("FTP_A_ROOT") + "\\incoming\\" + name, onServer);
  EXPECT_TRUE(files == onServer) << onServer.size() << " files on the server";

  TempDir down("fh_xd_");
  ASSERT_EQ(0u,
            run(IN_CMD_DOWNLOAD, below(siteA, {"incoming"}, VQ_KIND_FOLDER, name.c_str()), nullptr, down.path() + "\\"))
      << answers.All();
  std::map<std::string, std::string> got;
  readTree(down / name, got);
  EXPECT_TRUE(files == got) << got.size() << " files downloaded";
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  TempDir::removeTree(root("FTP_A_ROOT") + "\\incoming\\" + name);
}

// A shorter local copy offers the resume dialog: resuming keeps the local bytes and appends the
// rest; starting again replaces them; cancel leaves the file alone; "all files" asks no more.
TEST_F(XferServers, ResumeOfferedAcceptedDeclinedThroughTheDialog) {
  const std::string big = fhtest::readFile(root("FTP_A_ROOT") + "\\pub\\big.bin");
  ASSERT_GT(big.size(), 600000u);
  const shelltest::List item = below(siteA, {"pub"}, VQ_KIND_OBJECT, "big.bin", big.size());
  TempDir local("fh_xr_");
  const std::string file = local / "big.bin";
  const std::string partial(300000, 'Z');

  struct Case {
    int button;        // IDOK or IDCANCEL
    int radio;         // IDC_RESUME_YES or IDC_RESUME_NO
    bool all;          // "Apply this to all files"
    unsigned long rc;  // the task's result
    std::string after;
  } cases[] = {
      {IDOK, IDC_RESUME_YES, false, 0, partial + big.substr(300000)},
      {IDOK, IDC_RESUME_NO, false, 0, big},
      {IDCANCEL, IDC_RESUME_YES, false, IN_RESULT_CANCEL, partial},
      {IDOK, IDC_RESUME_NO, true, 0, big},
  };
  for (const Case& c : cases) {
    fhtest::writeFile(file, partial);
    int extra = -1;
    std::string text;
    bool found = false;
    unsigned long rc = 0xDEAD;
    ui::WithDriver(
        "Attention!",
        [&] {
          rc = run(IN_CMD_DOWNLOAD, item, nullptr, local.path(), false, &extra);
          return static_cast<INT_PTR>(rc);
        },
        [&](HWND dlg) {
          text = ui::ItemText(dlg, IDC_RESUME_TEXT);
          ui::Click(dlg, c.radio);
          if (c.all) ui::Click(dlg, IDC_RESUME_ALL);
          PostMessageA(dlg, WM_COMMAND, c.button, 0);
        },
        &found);
    EXPECT_TRUE(found) << "the dialog was offered";
    EXPECT_EQ(c.rc, rc);
    EXPECT_EQ(0u, text.find("This file already exists and is smaller")) << text;
    EXPECT_TRUE(c.after == fhtest::readFile(file)) << "case radio " << c.radio << " button " << c.button;
    EXPECT_EQ(c.all ? dlgResume::StartAgain : -1, extra);
    if (c.all) {
      // The job's answer holds for its next file: no dialog, the copy starts again.
      fhtest::writeFile(file, partial);
      bool asked = false;
      ui::WithDriver(
          "Attention!",
          [&] { return static_cast<INT_PTR>(run(IN_CMD_DOWNLOAD, item, nullptr, local.path(), false, &extra)); },
          [&](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }, &asked);
      EXPECT_FALSE(asked);
      EXPECT_TRUE(big == fhtest::readFile(file));
    }
  }
}

// A folder copied to the other site and moved within one: the copies are whole; a move removes
// its source only after the copy, and a refused copy leaves the source in place.
TEST_F(XferServers, CopyAndMoveFoldersBetweenAndWithinSites) {
  TempDir local("fh_xs_");
  const std::string name = "s2s" + unique;
  const std::map<std::string, std::string> files = makeTree(local / name, 3, 4);
  Answers answers;
  ASSERT_EQ(0u, run(IN_CMD_UPLOAD, below(siteA, {"incoming"}, VQ_KIND_OBJECT, name.c_str()), nullptr, local.path()));
  const std::string aIncoming = root("FTP_A_ROOT") + "\\incoming\\";
  const std::string bIncoming = root("FTP_B_ROOT") + "\\incoming\\";

  // Copy to the other site.
  EXPECT_EQ(0u, run(IN_CMD_SITE_TO_SITE, below(siteA, {"incoming"}, VQ_KIND_FOLDER, name.c_str()),
                    below(siteB, {"incoming"}), ""))
      << answers.All();
  std::map<std::string, std::string> copied;
  readTree(bIncoming + name, copied);
  EXPECT_TRUE(files == copied) << copied.size() << " files copied";

  // Move within the site into a new folder.
  const std::string moved = "moved" + unique;
  EXPECT_EQ(0u, run(IN_CMD_INTRA_SITE, below(siteA, {"incoming"}, VQ_KIND_FOLDER, name.c_str()),
                    below(siteA, {"incoming", moved}), "", true))
      << answers.All();
  std::map<std::string, std::string> movedFiles;
  readTree(aIncoming + moved + "\\" + name, movedFiles);
  EXPECT_TRUE(files == movedFiles) << movedFiles.size() << " files moved";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((aIncoming + name).c_str())) << "the source went";
  EXPECT_TRUE(answers.texts.empty()) << answers.All();

  // A move the destination refuses (B's top folder takes no uploads) keeps its source.
  answers.reply = IDNO;
  const std::string kept = moved + "\\" + name + "\\file1.bin";
  EXPECT_NE(0u, run(IN_CMD_SITE_TO_SITE, below(siteA, {"incoming", moved, name}, VQ_KIND_OBJECT, "file1.bin"),
                    below(siteB, {}), "", true));
  EXPECT_TRUE(answers.Saw("Farhollow was unable to perform the site-to-site transfer")) << answers.All();
  EXPECT_TRUE(files.at("file1.bin") == fhtest::readFile(aIncoming + kept)) << "the source file is still there";

  // A folder copied into itself would never end: refused.
  answers.texts.clear();
  EXPECT_EQ(IN_RESULT_CYCLE, run(IN_CMD_INTRA_SITE, below(siteA, {"incoming"}, VQ_KIND_FOLDER, moved.c_str()),
                                 below(siteA, {"incoming", moved, name}), ""));
  EXPECT_TRUE(answers.Saw("the destination lies inside the folder")) << answers.All();

  TempDir::removeTree(aIncoming + moved);
  TempDir::removeTree(bIncoming + name);
  if (a2) {
    a2->FTP_Disconnect();
    a2->Release();
  }
}

namespace {
// A UTC time `days` ago at 37 seconds past the minute.
FILETIME daysAgo(int days) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t = {{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ull;
  FILETIME ft = {t.LowPart, t.HighPart};
  SYSTEMTIME st;
  FileTimeToSystemTime(&ft, &st);
  st.wSecond = 37;
  st.wMilliseconds = 0;
  SystemTimeToFileTime(&st, &ft);
  return ft;
}
bool setWritten(const std::string& path, const FILETIME& utc) {
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
  return ok != 0;
}
SYSTEMTIME written(const std::string& path, bool local) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  FILETIME ft = data.ftLastWriteTime;
  if (local) FileTimeToLocalFileTime(&data.ftLastWriteTime, &ft);
  SYSTEMTIME st;
  FileTimeToSystemTime(&ft, &st);
  return st;
}
}  // namespace

// A download keeps the server's time. A recent file is listed without its year or seconds, so the
// server's MDTM gives it to the second; an old one is listed with its year and keeps its day.
TEST_F(XferServers, DownloadsKeepTheServersTime) {
  const std::string name = "times" + unique;
  const std::string there = root("FTP_A_ROOT") + "\\incoming\\" + name;
  ASSERT_TRUE(CreateDirectoryA(there.c_str(), nullptr));
  fhtest::writeFile(there + "\\recent.txt", "recent");
  fhtest::writeFile(there + "\\old.txt", "old");
  const FILETIME recent = daysAgo(3), old = daysAgo(400);
  ASSERT_TRUE(setWritten(there + "\\recent.txt", recent));
  ASSERT_TRUE(setWritten(there + "\\old.txt", old));

  TempDir down("fh_xt_");
  Answers answers;
  ASSERT_EQ(0u,
            run(IN_CMD_DOWNLOAD, below(siteA, {"incoming"}, VQ_KIND_FOLDER, name.c_str()), nullptr, down.path() + "\\"))
      << answers.All();
  WIN32_FILE_ATTRIBUTE_DATA got = {};
  ASSERT_TRUE(GetFileAttributesExA((down / name + "\\recent.txt").c_str(), GetFileExInfoStandard, &got));
  EXPECT_EQ(0, CompareFileTime(&recent, &got.ftLastWriteTime)) << "to the second, from MDTM";
  // The listing's date is the server's wall clock; the file keeps it as local time, at midnight.
  const SYSTEMTIME server = written(there + "\\old.txt", false), kept = written(down / name + "\\old.txt", true);
  EXPECT_EQ(server.wYear, kept.wYear);
  EXPECT_EQ(server.wMonth, kept.wMonth);
  EXPECT_EQ(server.wDay, kept.wDay);
  EXPECT_EQ(0, kept.wHour * 3600 + kept.wMinute * 60 + kept.wSecond) << "no MDTM for a listed year";
  TempDir::removeTree(there);
}

// A local link back into the tree being uploaded (the fixture's local-loop folder, whose sub\back
// leads to the folder itself) is uploaded once, not without end, and the user hears which folder
// was left out.
TEST_F(XferServers, UploadSkipsALocalLinkBackIntoTheTree) {
  std::string state = root("FTP_A_ROOT");
  state.erase(state.rfind('\\'));
  ASSERT_EQ("b\n", fhtest::readFile(state + "\\local-loop\\sub\\back\\sub\\b.txt")) << "the link leads back";
  const std::string uploaded = root("FTP_A_ROOT") + "\\incoming\\local-loop";
  TempDir::removeTree(uploaded);
  Answers answers;
  EXPECT_EQ(IN_RESULT_CYCLE,
            run(IN_CMD_UPLOAD, below(siteA, {"incoming"}, VQ_KIND_OBJECT, "local-loop"), nullptr, state));
  EXPECT_TRUE(answers.Saw("back (a folder already uploaded in this task)")) << answers.All();
  std::map<std::string, std::string> onServer;
  readTree(uploaded, onServer);
  const std::map<std::string, std::string> expected = {{"a.txt", "a\n"}, {"sub\\b.txt", "b\n"}};
  EXPECT_EQ(expected, onServer);
  TempDir::removeTree(uploaded);
}
