// The journey's second hand: what a person does that xdotool cannot, through the system only.
//   journeyhand command <id>     posts the menu command <id> to the folder view in explorer, the
//                                message a click on that item of the view's context menu posts
//   journeyhand copy <file>...   puts files on the clipboard as a file window's Copy does
//   journeyhand log              prints the text of the view's log pane
//   journeyhand editor           prints the text of the view's open name editor
//   journeyhand drag <file>      shows a small window "Journey Drag" holding the file, as a file
//                                window shows it: a press on it (left or right button) starts the
//                                shell's drag of the file; prints the effect the drop reported
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Search {
  HWND view = nullptr;
  HWND log = nullptr;
};

// The folder view is the dialog inside explorer's window that holds a list control.
BOOL CALLBACK findInExplorer(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (!s->view && strcmp(cls, "#32770") == 0 && FindWindowExA(w, nullptr, "SysListView32", nullptr)) s->view = w;
  return TRUE;
}

BOOL CALLBACK findTopLevel(HWND w, LPARAM lp) {
  if (IsWindowVisible(w)) EnumChildWindows(w, findInExplorer, lp);
  return reinterpret_cast<Search*>(lp)->view == nullptr;
}

HWND findView() {
  Search s;
  EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.view;
}

BOOL CALLBACK findEdit(HWND w, LPARAM lp) {
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (_stricmp(cls, "Edit") == 0 && (GetWindowLongA(w, GWL_STYLE) & ES_MULTILINE)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

int copyFiles(int count, char** paths) {
  // DROPFILES, then each full path, then an empty one.
  std::vector<char> list;
  for (int i = 0; i < count; ++i) {
    char full[MAX_PATH] = "";
    if (!GetFullPathNameA(paths[i], MAX_PATH, full, nullptr)) return 1;
    list.insert(list.end(), full, full + strlen(full) + 1);
  }
  list.push_back(0);
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
  HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
  if (!drop || !effect) return 1;
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(drop);
  *static_cast<DWORD*>(GlobalLock(effect)) = DROPEFFECT_COPY;
  GlobalUnlock(effect);
  if (!OpenClipboard(nullptr)) return 1;
  EmptyClipboard();
  bool ok =
      SetClipboardData(CF_HDROP, drop) && SetClipboardData(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT), effect);
  CloseClipboard();
  return ok ? 0 : 1;
}

// The drag's source: drops when the button that started it is released, cancels on Escape.
struct DropSource : IDropSource {
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    *out = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (keys & (MK_LBUTTON | MK_RBUTTON)) ? S_OK : DRAGDROP_S_DROP;
  }
  STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

IDataObject* g_dragData = nullptr;

LRESULT CALLBACK dragWindow(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = DoDragDrop(g_dragData, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    printf("drag: 0x%08lx effect %lu\n", static_cast<unsigned long>(hr), effect);
    PostQuitMessage(0);
    return 0;
  }
  if (msg == WM_TIMER) PostQuitMessage(1);
  return DefWindowProcA(w, msg, wp, lp);
}

int dragFile(const char* path) {
  OleInitialize(nullptr);
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return 1;
  LPITEMIDLIST full = nullptr;
  IShellFolder* parent = nullptr;
  LPCITEMIDLIST child = nullptr;
  if (FAILED(SHParseDisplayName(wide, nullptr, &full, 0, nullptr)) ||
      FAILED(SHBindToParent(full, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child)) ||
      FAILED(
          parent->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, reinterpret_cast<void**>(&g_dragData)))) {
    fprintf(stderr, "journeyhand: no data object for %s\n", path);
    return 1;
  }
  WNDCLASSA cls = {};
  cls.lpfnWndProc = dragWindow;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1);
  cls.lpszClassName = "JourneyDrag";
  RegisterClassA(&cls);
  HWND w = CreateWindowExA(WS_EX_TOPMOST, "JourneyDrag", "Journey Drag", WS_POPUP | WS_BORDER | WS_VISIBLE, 480, 400,
                           150, 70, nullptr, nullptr, cls.hInstance, nullptr);
  if (!w) return 1;
  SetTimer(w, 1, 60000, nullptr);  // nobody came: give up
  MSG m;
  int rc = 0;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  if (m.message == WM_QUIT) rc = static_cast<int>(m.wParam);
  DestroyWindow(w);
  g_dragData->Release();
  parent->Release();
  ILFree(full);
  OleUninitialize();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "command") == 0) {
    HWND view = findView();
    if (!view) {
      fprintf(stderr, "journeyhand: no folder view in explorer\n");
      return 1;
    }
    return PostMessageA(view, WM_COMMAND, static_cast<WPARAM>(atoi(argv[2])), 0) ? 0 : 1;
  }
  if (argc >= 3 && strcmp(argv[1], "copy") == 0) return copyFiles(argc - 2, argv + 2);
  if (argc == 3 && strcmp(argv[1], "drag") == 0) return dragFile(argv[2]);
  if (argc == 2 && (strcmp(argv[1], "log") == 0 || strcmp(argv[1], "editor") == 0)) {
    HWND view = findView(), edit = nullptr;
    if (view && argv[1][0] == 'l') EnumChildWindows(view, findEdit, reinterpret_cast<LPARAM>(&edit));
    if (view && argv[1][0] == 'e')
      edit = reinterpret_cast<HWND>(
          SendMessageA(FindWindowExA(view, nullptr, "SysListView32", nullptr), LVM_GETEDITCONTROL, 0, 0));
    if (!edit) return 1;
    // A message to another process: the system copies the text across.
    int length = static_cast<int>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    fputs(text.c_str(), stdout);
    return 0;
  }
  fprintf(stderr, "usage: journeyhand command <id> | copy <file>... | log | editor | drag <file>\n");
  return 2;
}
