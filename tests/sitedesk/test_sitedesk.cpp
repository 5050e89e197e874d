// siteDesk.exe for each row of its command-line table: the right window opens (found by its
// title) with the right program id, and the process ends when the window closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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
