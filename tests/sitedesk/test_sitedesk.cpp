// siteDesk.exe for each row of its command-line table: the right window opens (found by its
// title) with the right program id, and the process ends when the window closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <map>
#include <string>

#include "vqSMgrRes.h"
#include "fhServers.h"

namespace {
struct Found {
  DWORD pid;
  HWND window;
};

BOOL CALLBACK findVisible(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == f->pid && IsWindowVisible(w) && GetPropA(w, "vqSMgr.ProgId")) {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

std::string exeBeside(const char* name) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

struct Outcome {
  std::string title;
  int progId = 0;
  bool ended = false;
};

// Starts siteDesk with `args`, waits for its window, reads it, closes it by Escape (Cancel), and
// waits for the process to end.
Outcome run(const char* args) {
  Outcome out;
  std::string cmd = "\"" + exeBeside("siteDesk.exe") + "\" " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return out;
  Found f = {pi.dwProcessId, nullptr};
  for (int i = 0; i < 500 && !f.window; ++i) {
    Sleep(20);
    EnumWindows(findVisible, reinterpret_cast<LPARAM>(&f));
  }
  if (f.window) {
    Sleep(100);
    char title[256] = "";
    GetWindowTextA(f.window, title, sizeof title);
    out.title = title;
    out.progId = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(f.window, "vqSMgr.ProgId")));
    PostMessageA(f.window, WM_COMMAND, IDCANCEL, 0);
  }
  out.ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
  if (!out.ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return out;
}
}  // namespace

TEST(SiteDesk, EachSwitchOpensItsWindowWithItsProgramIdAndTheProcessEndsWithIt) {
  const char kProduct[] = "SoftWare\\Quillon\\Farhollow";
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
  // A store with one site, so the manager and the map-drive wizard have something to show.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites\\Local", 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, "URL", 0, REG_SZ, reinterpret_cast<const BYTE*>("127.0.0.1"), 10);
  RegSetValueExA(key, "SiteId", 0, REG_SZ, reinterpret_cast<const BYTE*>("0000000001"), 11);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, "0000000001", 0, REG_SZ, reinterpret_cast<const BYTE*>("Local"), 6);
  RegCloseKey(key);

  struct Row {
    const char* args;
    const char* title;
    int progId;
  };
  const Row rows[] = {
      {"", "FTP Site Manager", 4},
      {"-fh32", "FTP Site Manager", 2},
      {"-zmp", "FTP Site Manager", 3},
      {"-ZMP", "FTP Site Manager", 3},  // switches are not case sensitive
      {"-mw", "Map Network Drive Wizard", 4},
      {"-iw", "FTP Site Import Wizard", 4},
      {"-fh32 -iw", "FTP Site Import Wizard", 2},
      {"-w", "FTP Site Wizard", 4},
      {"-a", "Farhollow Settings", 4},
      {"-zmp -a", "Drive Mapping Settings", 3},
      {"-a -mw", "Map Network Drive Wizard", 4},  // the order of the tests decides
      {"/unknown", "FTP Site Manager", 4},
  };
  for (const Row& row : rows) {
    Outcome r = run(row.args);
    EXPECT_EQ(row.title, r.title) << "siteDesk " << row.args;
    EXPECT_EQ(row.progId, r.progId) << "siteDesk " << row.args;
    EXPECT_TRUE(r.ended) << "siteDesk " << row.args << " must end with its window";
  }
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
}

namespace {
struct Box {
  DWORD pid;
  HWND box;
  std::string text;
};
BOOL CALLBACK findBox(HWND w, LPARAM lp) {
  auto* b = reinterpret_cast<Box*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (pid == b->pid && IsWindowVisible(w) && std::string(cls) == "#32770" && GetDlgItem(w, 0xFFFF)) {
    b->box = w;
    char text[1024] = "";
    GetDlgItemTextA(w, 0xFFFF, text, sizeof text);  // the message text of a message box
    b->text = text;
    return FALSE;
  }
  return TRUE;
}
// Waits for a message box of the process, answers it with `button` and returns its text.
std::string answerBox(DWORD pid, int button, DWORD ms = 20000) {
  Box b = {pid, nullptr, ""};
  for (DWORD w = 0; w < ms && !b.box; w += 50) {
    Sleep(50);
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&b));
  }
  if (b.box) PostMessageA(b.box, WM_COMMAND, button, 0);
  return b.box ? b.text : "<no box>";
}

HWND currentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
HWND nextPage(HWND sheet, HWND from) {
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  for (int i = 0; i < 250; ++i) {
    HWND p = currentPage(sheet);
    if (p && p != from) return p;
    Sleep(20);
  }
  return currentPage(sheet);
}
}  // namespace

// The first journey of a new user: "siteDesk -w", a site for the local vsftpd, the connection
// test with its two questions, Finish; the site is in the store with what the server told.
TEST(SiteDesk, WizardCreatesASiteForTheLocalServerAfterAConnectionTest) {
  auto env = fhtest::ftpServers();
  if (env.empty()) GTEST_SKIP() << "FH_FTP_SERVERS not set: run through ctest, which starts the servers";
  const char kProduct[] = "SoftWare\\Quillon\\Farhollow";
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
  // A cache of its own, so no sample listing of an earlier run is found.
  char temp[MAX_PATH], cache[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  snprintf(cache, sizeof cache, "%sfh_sitedesk_%lu_%lu\\", temp, GetCurrentProcessId(), GetTickCount());
  CreateDirectoryA(cache, nullptr);
  HKEY settings;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\Settings", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &settings, nullptr));
  RegSetValueExA(settings, "DefCacheDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(cache),
                 static_cast<DWORD>(strlen(cache) + 1));
  RegCloseKey(settings);
  std::string cmd = "\"" + exeBeside("siteDesk.exe") + "\" -w";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  Found f = {pi.dwProcessId, nullptr};
  for (int i = 0; i < 500 && !f.window; ++i) {
    Sleep(20);
    EnumWindows(findVisible, reinterpret_cast<LPARAM>(&f));
  }
  std::string connectQuestion, listQuestion, syst;
  if (f.window) {
    HWND sheet = f.window;
    HWND first = currentPage(sheet);
    SetDlgItemTextA(first, IDC_SM_URL, "127.0.0.1");
    SetDlgItemTextA(first, IDC_SM_PORT, env["FTP_A_PORT"].c_str());
    HWND user = nextPage(sheet, first);
    HWND host = nextPage(sheet, user);
    PostMessageA(host, WM_COMMAND, MAKEWPARAM(IDC_SM_HI_TEST, BN_CLICKED), 0);
    connectQuestion = answerBox(pi.dwProcessId, IDYES);
    listQuestion = answerBox(pi.dwProcessId, IDYES);
    for (int i = 0; i < 250; ++i) {
      char text[256] = "";
      GetDlgItemTextA(host, IDC_SM_HI_SYST, text, sizeof text);
      syst = text;
      if (!syst.empty()) break;
      Sleep(20);
    }
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
  }
  bool ended = WaitForSingleObject(pi.hProcess, 15000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  ASSERT_TRUE(f.window) << "the wizard did not open";
  EXPECT_TRUE(ended);
  EXPECT_EQ("Would you like to connect to this site?", connectQuestion);
  EXPECT_EQ("Generate a directory listing of the remote server?", listQuestion);
  EXPECT_EQ("UNIX Type: L8", syst);
  char url[64] = "", systStored[64] = "";
  DWORD size = sizeof url;
  RegGetValueA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites\\IP-127.0.0.1", "URL", RRF_RT_REG_SZ,
               nullptr, url, &size);
  size = sizeof systStored;
  RegGetValueA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites\\IP-127.0.0.1", "cmdSYST", RRF_RT_REG_SZ,
               nullptr, systStored, &size);
  EXPECT_STREQ("127.0.0.1", url);
  EXPECT_STREQ("UNIX Type: L8", systStored);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
}
