// Folder walks against a scripted server that lists what real servers will not: hostile names,
// links back into the tree, endless depth, short files; and a delete that meets folder links.
#include <set>

#include "fhEngineSetup.h"
#include "fhTempDir.h"
#include "inTransfers.h"
#include "vqAppParams.h"
#include "vqFtpEngine.h"
#include "xferSupport.h"

using namespace xfertest;

namespace {

// One connected engine on a scripted tree and a job of one command on its site.
struct Scripted {
  FakeTree tree;
  fhtest::ftpScriptServer server;
  vqFtpEngine* engine;
  shelltest::List site;
  Scripted(const std::function<void(FakeTree&)>& fill)
      : server("220 scripted tree",
               [this](fhtest::ftpScriptServer& s, const std::string& l) { return handler(s, l); }) {
    fill(tree);
    engine = fhtest::localEngine(server.Port(), 10);
    site = storeSite("Scripted", server.Port());
  }
  ~Scripted() {
    engine->FTP_Disconnect();
    engine->Release();
  }
  std::string handler(fhtest::ftpScriptServer& s, const std::string& l) { return tree.Handler()(s, l); }
  unsigned long Run(int command, LPCITEMIDLIST item, const std::string& localDir, int* extra = nullptr,
                    HWND notify = nullptr) {
    if (!engine->FTP_IsOpen()) {
      EXPECT_EQ(0u, engine->FTP_Connect());
    }
    inJob job(command, item);
    job.Engine = engine;
    inTask* task = new inTask(item, nullptr);
    task->LocalDir = localDir;
    task->NotifyWindow = notify;
    job.AddTask(task);
    unsigned long rc = command == IN_CMD_DELETE ? inDeleteTask(job, *task) : inDownloadTask(job, *task);
    if (extra) *extra = job.Extra;
    return rc;
  }
  // The walk's own commands, without the session's set-up (FEAT included: the engine asks it once,
  // at the first listing).
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const std::string& l : server.Lines())
      if (l.compare(0, 4, "PASV") && l.compare(0, 4, "TYPE") && l.compare(0, 4, "USER") && l.compare(0, 4, "PASS") &&
          l.compare(0, 4, "SYST") && l != "PWD" && l != "LIST" && l != "FEAT")
        out.push_back(l);
    return out;
  }
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

size_t countFiles(const std::string& dir) {
  std::map<std::string, std::string> files;
  readTree(dir, files);
  return files.size();
}

}  // namespace

// Whatever names a server lists, every file lands inside the chosen folder; a folder whose name
// holds the server's separator is not entered, and the user hears which.
TEST(XferWalks, HostileNamesLandInsideTheTarget) {
  Scripted s([](FakeTree& t) {
    t.Folder("/", "evil");
    for (const char* name : {"..\\..\\x", "C:x", "a/b", "CON", "name.", "..\\..\\..\\..\\Windows\\win.ini"})
      t.File("/evil", name, std::string("from ") + name);
    t.Folder("/evil", "..\\up");
    t.File("/evil/..\\up", "f.txt", "inside");
    t.Folder("/evil", "x/y");
  });
  TempDir top("fh_xh_");
  const std::string target = top / "target";
  CreateDirectoryA(target.c_str(), nullptr);
  Answers answers;
  unsigned long rc = s.Run(IN_CMD_DOWNLOAD, below(s.site, {}, VQ_KIND_FOLDER, "evil"), target + "\\");
  EXPECT_EQ(IN_RESULT_CYCLE, rc) << "a folder was not followed, so the download is not whole";
  EXPECT_TRUE(answers.Saw("x/y (not a plain name)")) << answers.All();

  std::map<std::string, std::string> got;
  readTree(target, got);
  const std::map<std::string, std::string> expected = {
      {"evil\\.._.._x", "from ..\\..\\x"},
      {"evil\\C_x", "from C:x"},
      {"evil\\a_b", "from a/b"},
      {"evil\\_CON", "from CON"},
      {"evil\\name", "from name."},
      {"evil\\.._.._.._.._Windows_win.ini", "from ..\\..\\..\\..\\Windows\\win.ini"},
      {"evil\\.._up\\f.txt", "inside"},
  };
  EXPECT_EQ(expected, got);
  EXPECT_EQ(got.size(), countFiles(top.path())) << "nothing beside the target folder";
}

// Links back into the tree and endless depth end the walk with a report; what could be fetched is.
TEST(XferWalks, CyclesAndDepthStopWithAReport) {
  Scripted s([](FakeTree& t) {
    t.Folder("/", "loop");
    t.File("/loop", "a.txt", "aaa");
    t.Link("/loop", "again", "/loop");
    t.Folder("/loop", "inner");
    t.Link("/loop/inner", "up", "..");
    t.File("/loop/inner", "b.txt", "bbb");
    t.Endless("/", "deep");
  });
  TempDir top("fh_xc_");
  {
    Answers answers;
    unsigned long rc = s.Run(IN_CMD_DOWNLOAD, below(s.site, {}, VQ_KIND_FOLDER, "loop"), top.path() + "\\");
    EXPECT_EQ(IN_RESULT_CYCLE, rc);
    ASSERT_EQ(1u, answers.texts.size()) << answers.All();
    EXPECT_TRUE(answers.Saw("/loop/again (leads back to /loop)")) << answers.All();
    EXPECT_TRUE(answers.Saw("/loop/inner/up (leads back to /loop)")) << answers.All();
    EXPECT_EQ("aaa", fhtest::readFile(top / "loop\\a.txt"));
    EXPECT_EQ("bbb", fhtest::readFile(top / "loop\\inner\\b.txt"));
  }
  {
    Answers answers;
    unsigned long rc = s.Run(IN_CMD_DOWNLOAD, below(s.site, {}, VQ_KIND_FOLDER, "deep"), top.path() + "\\");
    EXPECT_EQ(IN_RESULT_CYCLE, rc);
    EXPECT_TRUE(answers.Saw("(more than 64 folders deep)")) << answers.All();
    EXPECT_EQ(64u, countFiles(top / "deep")) << "one file per folder entered, 64 folders";
  }
  EXPECT_TRUE(s.engine->FTP_IsOpen()) << "the session stays usable";
}

// A recursive delete removes link entries and never walks into them: the targets stay.
TEST(XferWalks, DeleteRemovesLinksNotTheirTargets) {
  Scripted s([](FakeTree& t) {
    t.Folder("/", "tree");
    t.File("/tree", "a.txt", "a");
    t.Link("/tree", "outside", "/keep");
    t.Link("/tree", "file-link", "/keep/k.txt");
    t.Folder("/tree", "sub");
    t.File("/tree/sub", "b.txt", "b");
    t.Link("/tree/sub", "loop", "/tree");
    t.Folder("/", "keep");
    t.File("/keep", "k.txt", "keep me");
    t.Folder("/keep", "deeper");
  });
  Answers answers;
  EXPECT_EQ(0u, s.Run(IN_CMD_DELETE, below(s.site, {}, VQ_KIND_FOLDER, "tree"), "")) << answers.All();
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  EXPECT_FALSE(s.tree.HasDir("/tree"));
  EXPECT_TRUE(s.tree.Has("/keep", "k.txt"));
  EXPECT_TRUE(s.tree.Has("/keep", "deeper"));
  const std::vector<std::string> expected = {
      "CWD /tree/", "DELE a.txt", "DELE outside", "DELE file-link", "CWD sub",
      "DELE b.txt", "DELE loop",  "CWD /tree",    "RMD sub",        "RMD /tree",
  };
  EXPECT_EQ(expected, s.Sent());
}

// Transfers that end too early are failures, and the partial file stays for a resume; a file
// delivered whole is not.
TEST(XferWalks, AShortFileIsAFailure) {
  Scripted s([](FakeTree& t) {
    t.File("/", "short.bin", std::string(1000, 's'), 5000);
    t.File("/", "whole.bin", std::string(5000, 'w'));
  });
  TempDir top("fh_xs_");
  Answers answers;
  EXPECT_EQ(IN_RESULT_SHORT_FILE,
            s.Run(IN_CMD_DOWNLOAD, below(s.site, {}, VQ_KIND_OBJECT, "short.bin", 5000), top.path() + "\\"));
  EXPECT_TRUE(answers.Saw("fewer bytes")) << answers.All();
  EXPECT_TRUE(answers.Saw("1000 of 5000 bytes")) << answers.All();
  EXPECT_EQ(std::string(1000, 's'), fhtest::readFile(top / "short.bin"));
  answers.texts.clear();
  EXPECT_EQ(0u, s.Run(IN_CMD_DOWNLOAD, below(s.site, {}, VQ_KIND_OBJECT, "whole.bin", 5000), top.path() + "\\"));
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  EXPECT_EQ(std::string(5000, 'w'), fhtest::readFile(top / "whole.bin"));
}

// The index-file fetch lands in the site's cache under a name made of the whole remote path and
// is handed to the view window; two equal names in different folders stay apart.
TEST(XferWalks, IndexFileGoesToTheCacheAndTheView) {
  Scripted s([](FakeTree& t) {
    t.Folder("/", "pub");
    t.Folder("/pub", "docs");
    t.File("/pub/docs", "index.txt", "docs index");
    t.Folder("/pub", "src");
    t.File("/pub/src", "index.txt;3", "src index");
  });
  TempDir cache("fh_xi_");
  vqAppParams* app = VQSMGR_GetAppParams();
  const std::string oldCache = app->GetDefCacheDir();
  app->SetDefCacheDir((cache.path() + "\\").c_str());
  app->APP_SaveParams();
  HWND view = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  vqSiteParams site(2);
  ASSERT_EQ(1, site.SITE_LoadParams("FTP-Sites", "Scripted"));
  const std::string siteDir = lower(cache.path()) + "\\127.0.0.1(" + std::to_string(site.GetSiteId()) + ")\\";

  std::vector<std::string> posted;
  for (const char* folder : {"docs", "src"}) {
    Answers answers;
    const char* name = strcmp(folder, "docs") ? "index.txt;3" : "index.txt";
    EXPECT_EQ(0u, s.Run(IN_CMD_VIEW_INDEX, below(s.site, {"pub", folder}, VQ_KIND_OBJECT, name), "", nullptr, view))
        << answers.All();
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, view, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(static_cast<WPARAM>(IN_CMD_VIEW_INDEX), msg.wParam);
    char* path = reinterpret_cast<char*>(msg.lParam);
    posted.push_back(lower(path));
    LocalFree(path);
  }
  EXPECT_EQ((std::vector<std::string>{siteDir + "root.pub.docs.index.txt", siteDir + "root.pub.src.index.txt"}),
            posted);
  EXPECT_EQ("docs index", fhtest::readFile(posted[0]));
  EXPECT_EQ("src index", fhtest::readFile(posted[1]));
  DestroyWindow(view);
  app->SetDefCacheDir(oldCache.c_str());
  app->APP_SaveParams();
}
