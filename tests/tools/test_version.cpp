// Version resources of the deliverables, the version line and the About box.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <new>
#include <string>
#include <string.h>

#include "fhFiles.h"
#include "uiDriver.h"
#include "vqAbout.h"
#include "vqDebugger.h"
#include "vqMsg.h"
#include "vqToolsRes.h"
#include "vqVersion.h"

namespace {
std::string beside(const char* file) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/") + 1) + file;
}
std::string toolsPath() {
  char path[MAX_PATH];
  GetModuleFileNameA(vqToolsModule(), path, sizeof path);
  return path;
}
}  // namespace

TEST(Version, ReadsTheToolkitsOwnResource) {
  vqVersion v(toolsPath().c_str());
  ASSERT_EQ(0, v.VerGetInfo());
  EXPECT_STREQ("Farhollow", v.VerGetText(vqVersion::ProductName));
  EXPECT_STREQ("Quillon", v.VerGetText(vqVersion::CompanyName));
  EXPECT_STREQ("vqTools.dll", v.VerGetText(vqVersion::OriginalFilename));
  EXPECT_STREQ("2, 1, 5, 37", v.VerGetText(vqVersion::FileVersion));
  EXPECT_STREQ("", v.VerGetText(vqVersion::PrivateBld));
  EXPECT_NE('\0', v.VerGetLanguage()[0]);
  const unsigned short file[4] = {2, 1, 5, 37}, product[4] = {2, 1, 5, 0};
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(file[i - 1], v.VerGetFileVersion(i)) << "file part " << i;
    EXPECT_EQ(product[i - 1], v.VerGetProductVersion(i)) << "product part " << i;
  }
  EXPECT_EQ(0, v.VerGetFileVersion(5));
  EXPECT_EQ(DWORD(VFT_DLL), v.VerGetFilType());
  EXPECT_EQ(DWORD(VOS__WINDOWS32), v.VerGetFilOS());
  EXPECT_EQ(0x3fu, v.VerGetFilFlagsMask());
  char line[128];
  v.FormatVersionLine(line, sizeof line);
  EXPECT_STREQ("Farhollow - Ver. 2.15 (Build 37)", line);
}

TEST(Version, EveryDeliverableCarriesTheSameVersion) {
  vqVersion tools(toolsPath().c_str());
  ASSERT_EQ(0, tools.VerGetInfo());
  int checked = 0;
  for (const char* name : {"vqEngine.dll", "vqSMgr.dll"}) {
    std::string path = beside(name);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;  // not built yet
    vqVersion d(path.c_str());
    ASSERT_EQ(0, d.VerGetInfo()) << name;
    EXPECT_STREQ(name, d.VerGetText(vqVersion::OriginalFilename));
    EXPECT_STREQ("Farhollow", d.VerGetText(vqVersion::ProductName)) << name;
    EXPECT_STREQ(tools.VerGetText(vqVersion::ProductVersion), d.VerGetText(vqVersion::ProductVersion)) << name;
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(tools.VerGetFileVersion(i), d.VerGetFileVersion(i)) << name << " part " << i;
    ++checked;
  }
  if (!checked) GTEST_SKIP() << "only vqTools.dll is built";
}

TEST(Version, AModuleWithoutAResourceLeavesEverythingCleared) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);  // the test program has no version resource
  for (const char* path : {static_cast<const char*>(self), "C:\\no\\such\\module.dll"}) {
    vqVersion v;
    EXPECT_EQ(1, v.VerGetInfo(path)) << path;
    for (int k = 0; k < vqVersion::KeyCount; ++k) EXPECT_STREQ("", v.VerGetText(vqVersion::Key(k))) << path;
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(0, v.VerGetProductVersion(i) + v.VerGetFileVersion(i)) << path;
    EXPECT_EQ(0u, v.VerGetFilType());
  }
  vqVersion read(toolsPath().c_str());
  ASSERT_EQ(0, read.VerGetInfo());
  EXPECT_EQ(1, read.VerGetInfo(self)) << "a second read clears what the first found";
  EXPECT_STREQ("", read.VerGetText(vqVersion::ProductName));
}

TEST(Version, WithoutAPathTheObjectHasAnEmptyPath) {
  // Built over memory full of left-over bytes, as a member of a larger object or on a used stack.
  alignas(vqVersion) static unsigned char storage[sizeof(vqVersion)];
  memset(storage, 'x', sizeof storage);
  vqVersion* v = new (storage) vqVersion();
  EXPECT_STREQ("", v->VerGetPath());
  EXPECT_EQ(1, v->VerGetInfo()) << "nothing to read without a path";
  EXPECT_STREQ("", v->VerGetPath());
  v->~vqVersion();
}

namespace {
using fhtest::readFile;
}  // namespace

TEST(Version, DumpWritesTheToolkitLineAndTextsComeFromTheTable) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::string path = std::string(dir) + "fh_version_" + std::to_string(GetCurrentProcessId()) + ".log";
  DeleteFileA(path.c_str());
  {
    vqDebugger log;
    log.SetLogName(path.c_str());
    log.DebuggerOn(1);
    VQTOOLS_DUMPVERSION(&log);
    log.DEBUGMSG(57344u);
    VQTOOLS_DUMPVERSION(nullptr);
  }
  EXPECT_EQ("LOG: Farhollow - Ver. 2.15 (Build 37)\r\nLOG: Farhollow\r\n", readFile(path));
  DeleteFileA(path.c_str());
}

TEST(About, VersionLine) {
  struct {
    unsigned short p[4];
    unsigned short build;
    bool beta;
    const char* want;
  } cases[] = {
      {{2, 1, 5, 0}, 37, false, "Version 2.15"},
      {{2, 1, 0, 0}, 37, false, "Version 2.1"},
      {{3, 0, 0, 0}, 1, false, "Version 3.0"},
      {{1, 0, 5, 0}, 9, false, "Version 1.05"},
      {{2, 1, 5, 0}, 37, true, "Version 2.1 Beta 5 (Build 37)"},
  };
  for (auto& c : cases) {
    char out[64];
    vqAbout::FormatVersion(out, sizeof out, c.p, c.build, c.beta);
    EXPECT_STREQ(c.want, out) << c.p[0] << "." << c.p[1] << "." << c.p[2] << " beta " << c.beta;
  }
}

TEST(About, ShowsTheModulesVersionAndCloses) {
  std::string product, version, warning;
  bool found = false;
  INT_PTR r = ui::WithDriver(
      "About Farhollow", [] { return vqAbout::DoAbout(vqToolsModule()); },
      [&](HWND w) {
        product = ui::ItemText(w, IDC_ABOUT_PRODUCT);
        version = ui::ItemText(w, IDC_ABOUT_VERSION);
        warning = ui::ItemText(w, IDC_ABOUT_WARNING);
        ui::Click(w, IDOK);
      },
      &found);
  EXPECT_TRUE(found);
  EXPECT_EQ(IDOK, r);
  EXPECT_EQ("Farhollow", product);
  EXPECT_EQ("Version 2.15", version);
  EXPECT_EQ(0u, warning.find("Warning: "));
  // The animation resource is one the animation control can play.
  HWND anim = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD, 0, 0, 32, 32, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, anim);
  EXPECT_TRUE(Animate_OpenEx(anim, vqToolsModule(), MAKEINTRESOURCEA(IDA_ABOUT)));
  EXPECT_TRUE(Animate_Play(anim, 0, -1, -1));
  DestroyWindow(anim);
}
