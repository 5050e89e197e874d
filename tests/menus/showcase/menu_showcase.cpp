// Shows one context menu, the remote object property page or a small dialog of the extension, for
// scripts/screenshots:  menu_showcase <shot> <rect file>
// <shot> is "menu-site", "menu-folder", "menu-file", "menu-drop", "objprop-one", "objprop-two", "newfolder" or
// "cwd". The sample store lives under a scratch key that stands in for HKEY_CURRENT_USER. Once
// drawn, the window's screen rectangle goes to <rect file>; it closes when the script deletes it.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "dlgCwd.h"
#include "dlgFolder.h"
#include "dlgObjPropSheet.h"
#include "shellApp.h"
#include "shellDrop.h"
#include "shellFolder.h"
#include "shell_lists.h"
#include "uiDriver.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

using shelltest::List;

namespace {
const char kScratch[] = "Software\\FarhollowMenuShowcase";
const char* g_rectFile = nullptr;

int answerNo(const char*, const char*, unsigned, void*) { return IDNO; }

void publish(HWND w) {
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);
  RECT r;
  GetWindowRect(w, &r);
  char tmp[MAX_PATH + 8];
  snprintf(tmp, sizeof tmp, "%s.tmp", g_rectFile);
  if (FILE* f = fopen(tmp, "wb")) {
    fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    fclose(f);
    MoveFileExA(tmp, g_rectFile, MOVEFILE_REPLACE_EXISTING);
  }
  for (int i = 0; i < 600 && GetFileAttributesA(g_rectFile) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

_FTPITEMID remote(int kind, const char* name, const char* owner, const char* flags, uint32_t size) {
  _FTPITEMID it = shelltest::item(kind, name);
  strcpy(it.owner, owner);
  strcpy(it.group, "staff");
  strcpy(it.dateText, "09/12/2026 10:42");
  strcpy(it.permText, "-rw-r--r--");
  for (int i = 0; i < 12; ++i) it.permFlags[i] = flags[i] == '1';
  it.size = size;
  return it;
}

BOOL CALLBACK findMenu(HWND w, LPARAM lp) {
  char cls[32] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (IsWindowVisible(w) && !strcmp(cls, "#32768")) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string shot = argv[1];
  g_rectFile = argv[2];
  HKEY scratch;
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
  OleInitialize(nullptr);
  InitCommonControls();
  shellApp::SetModule(GetModuleHandleA(nullptr));
  vqSetMessageAnswer(answerNo, nullptr);
  {
    vqSiteParams cat(2);
    cat.SetIsCategory(1);
    cat.SITE_SaveParams(VQ_SITES_LIST, "Work");
    vqSiteParams site(2);
    site.SetURL("ftp.example.com");
    site.SITE_SaveParams("FTP-Sites\\Work", "Example");
  }
  List siteList = List().foreign(20).own(VQ_KIND_CATEGORY, "Work").own(VQ_KIND_FTPSITE, "Example");
  List pub =
      List().foreign(20).own(VQ_KIND_CATEGORY, "Work").own(VQ_KIND_FTPSITE, "Example").own(VQ_KIND_FOLDER, "pub");

  DWORD self = GetCurrentThreadId();
  bool isMenu = shot.compare(0, 5, "menu-") == 0;
  std::thread driver([&] {
    HWND w = nullptr;
    for (int i = 0; i < 500 && !w; ++i, Sleep(20)) {
      if (isMenu)
        EnumThreadWindows(self, findMenu, reinterpret_cast<LPARAM>(&w));
      else
        w = ui::WaitForWindow(self, nullptr, 20);
    }
    if (!w) return;
    publish(w);
    if (isMenu)
      PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    else if (shot.compare(0, 8, "objprop-") == 0)
      PostMessageA(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else
      PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  });

  if (shot == "menu-drop") {
    // The right-button drop menu, as a drop of items whose source offers both effects shows it.
    HWND host =
        CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(host);
    shellDropMenu(host, POINT{40, 40}, DROPEFFECT_COPY | DROPEFFECT_MOVE);
  } else if (isMenu) {
    HWND host =
        CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    List folder = shot == "menu-site" ? List().foreign(20).own(VQ_KIND_CATEGORY, "Work") : pub;
    List item = shot == "menu-site"     ? List().own(VQ_KIND_FTPSITE, "Example")
                : shot == "menu-folder" ? List().own(VQ_KIND_FOLDER, "incoming")
                                        : List().own(remote(VQ_KIND_OBJECT, "setup.exe", "root", "111010101000", 1));
    shellFolder* f = new shellFolder();
    f->AddRef();
    f->Initialize(folder);
    LPCITEMIDLIST one = item.get();
    IContextMenu* cm = nullptr;
    f->GetUIObjectOf(host, 1, &one, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&cm));
    HMENU menu = CreatePopupMenu();
    if (cm) cm->QueryContextMenu(menu, 0, 1, 0x7FFF, 0x10000);
    SetForegroundWindow(host);
    TrackPopupMenu(menu, TPM_RETURNCMD, 40, 40, 0, host, nullptr);
    DestroyMenu(menu);
    if (cm) cm->Release();
    f->Release();
  } else if (shot == "objprop-one") {
    List file = List().own(remote(VQ_KIND_OBJECT, "release-2.1.tar.gz", "alice", "111010101000", 1843200));
    LPCITEMIDLIST one = file.get();
    dlgObjPropSheet::Show(nullptr, pub, 1, &one);
  } else if (shot == "objprop-two") {
    List a = List().own(remote(VQ_KIND_OBJECT, "a.txt", "alice", "111010001000", 1000));
    List b = List().own(remote(VQ_KIND_OBJECT, "b.txt", "bob", "110011001000", 24));
    std::vector<LPCITEMIDLIST> two = {a.get(), b.get()};
    dlgObjPropSheet::Show(nullptr, pub, 2, two.data());
  } else if (shot == "newfolder") {
    dlgFolder dialog(pub);
    dialog.DoModal(nullptr);
  } else if (shot == "cwd") {
    dlgCwd dialog;
    dialog.DoModal(nullptr);
  }
  driver.join();
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(scratch);
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  return 0;
}
