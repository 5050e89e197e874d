#include "dlgFileOpen.h"

#include <shlobj.h>

namespace {
const UINT_PTR kSettleTimer = 0x4648;
// The start directory of the chooser open on this thread.
thread_local const char* t_start = nullptr;

// The folder tree fills while the window opens, and a selection made too early can stop at a
// parent: it is made once more when the tree has settled.
void CALLBACK settle(HWND wnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(wnd, id);
  if (t_start && *t_start) SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(t_start));
}

int CALLBACK onBrowse(HWND wnd, UINT msg, LPARAM, LPARAM) {
  if (msg == BFFM_INITIALIZED) {
    SetWindowTextA(wnd, "Choose Directory");
    if (t_start && *t_start) {
      SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(t_start));
      SetTimer(wnd, kSettleTimer, 250, settle);
    }
  }
  return 0;
}
}  // namespace

bool dlgFileOpen::ChooseDirectory(HWND owner, const char* startDir, std::string& out) {
  out.clear();
  std::string start = startDir ? startDir : "";
  while (start.size() > 3 && start.back() == '\\') start.pop_back();
  BROWSEINFOA info = {};
  char display[MAX_PATH] = "";
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = "Download the selected items to this directory:";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  info.lpfn = onBrowse;
  t_start = start.c_str();
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  t_start = nullptr;
  if (!chosen) return false;
  char path[MAX_PATH] = "";
  bool ok = SHGetPathFromIDListA(chosen, path) && path[0];
  CoTaskMemFree(chosen);
  if (!ok) return false;
  out = path;
  if (out.back() != '\\') out += '\\';
  return true;
}
