#include "dlgShellView.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "fh32_viewRes.h"
#include "inEngineMgr.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellEnum.h"
#include "shellViewDrop.h"
#include "shellViewRules.h"
#include "shellWideNames.h"
#include "shellWait.h"
#include "vqAppParams.h"
#include "vqComPtr.h"
#include "vqFtpEngine.h"
#include "vqImageList.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "dlgShellView";
const DWORD kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
const UINT WM_SHELLVIEW_MENUS = WM_APP + 2;     // the selection changed: menu states again
const UINT WM_SHELLVIEW_WIDTHS = WM_APP + 3;    // a column divider moved
const UINT WM_SHELLVIEW_EDITNAME = WM_APP + 5;  // wParam: the row whose name editor just opened
const int kMaxColumns = 6;
// The view's menu bar, toolbar and keys run the same commands as the context menus.
void runCommand(HWND view, int command, LPCITEMIDLIST folder, UINT count, LPCITEMIDLIST* items) {
  shellCommand run(view, folder, count, items);
  run.Run(command, count ? SHELL_CTX_SELECTION : SHELL_CTX_BACKGROUND);
}
shellViewCommandRunner g_runner = runCommand;

// The browser's menus our bar's popups go into, in the bar's order.
const UINT kSharedPopups[] = {FCIDM_MENU_FILE, FCIDM_MENU_EDIT, FCIDM_MENU_VIEW, FCIDM_MENU_HELP};

HMENU subMenuById(HMENU menu, UINT id) {
  MENUITEMINFOA info;
  memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = MIIM_SUBMENU;
  return GetMenuItemInfoA(menu, id, FALSE, &info) ? info.hSubMenu : nullptr;
}

// Copies src's items into dst at pos (popups as new popups). keep decides for each command
// whether it goes in; returns the number of entries inserted.
template <class Keep>
int copyMenu(HMENU src, HMENU dst, int pos, Keep keep) {
  int inserted = 0;
  bool lastSeparator = true;  // no separator at the top
  int n = GetMenuItemCount(src);
  for (int i = 0; i < n; ++i) {
    char text[128] = "";
    MENUITEMINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(src, i, TRUE, &info)) continue;
    if (info.fType & MFT_SEPARATOR) {
      if (lastSeparator) continue;
      lastSeparator = true;
    } else if (info.hSubMenu) {
      HMENU popup = CreatePopupMenu();
      if (!copyMenu(info.hSubMenu, popup, 0, keep)) {
        DestroyMenu(popup);
        continue;
      }
      info.hSubMenu = popup;
      lastSeparator = false;
    } else {
      UINT state = 0;
      if (!keep(info.wID, state)) continue;
      info.fState = state;
      lastSeparator = false;
    }
    info.dwTypeData = text;
    InsertMenuItemA(dst, pos + inserted, TRUE, &info);
    ++inserted;
  }
  // No separator at the end.
  if (inserted && lastSeparator) {
    DeleteMenu(dst, pos + inserted - 1, MF_BYPOSITION);
    --inserted;
  }
  return inserted;
}

// Renames a remote item on the server through the site's pooled connection, under the site lock.
bool renameRemote(LPCITEMIDLIST absolute, const char* newName, std::string& error) {
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  unsigned long rc = engines.LockAndConnect(absolute, 1);
  if (rc != 0) {
    vqFtpEngine* engine = engines.GetEngine(absolute, 1);
    error = rc == 0xFFFF || !engine ? "Unable to acquire socket!" : engine->FTP_ErrorString(rc);
    return false;
  }
  vqFtpEngine* engine = engines.GetEngine(absolute, 1);
  bool done = false;
  if (engine) {
    shellPidl pidl(shellApp::Module());
    pidl.SetConnection(engine);
    vqItemIdList renamed = vqItemIdList::CopyOf(absolute);
    _FTPITEMID* last = shellOwnItem(const_cast<LPITEMIDLIST>(VQPIDL_Last(renamed.Get())));
    std::string from, to;
    if (last) lstrcpynA(last->name, newName, sizeof last->name);
    if (last && pidl.RemotePath(absolute, true, from) && pidl.RemotePath(renamed.Get(), true, to)) {
      rc = engine->FTP_REN(from.c_str(), to.c_str());
      done = rc == 0;
      if (!done) error = engine->FTP_ErrorString(rc);
    } else {
      error = "The item's remote path could not be made.";
    }
  } else {
    error = "Unable to acquire socket!";
  }
  engines.Release(absolute, 0);
  return done;
}

std::wstring wide(const char* text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
  return out;
}
}  // namespace

void dlgShellView::SetCommandRunner(shellViewCommandRunner runner) { g_runner = runner; }

dlgShellView::dlgShellView()
    : vqDialog(shellApp::Module(), IDD_SHELLVIEW),
      m_browser(nullptr),
      m_folder(nullptr),
      m_pidl(shellApp::Module()),
      m_folderKind(VQ_KIND_ROOT),
      m_state(SVUIA_DEACTIVATE),
      m_shared(nullptr),
      m_filling(false),
      m_fillPending(false),
      m_relistPending(false),
      m_failed(false),
      m_menuPending(false),
      m_sortColumn(0),
      m_startMode(FVM_DETAILS),
      m_logSeen(0),
      m_dropRegistered(false) {
  memset(m_descending, 0, sizeof m_descending);
  memset(m_used, 0, sizeof m_used);
  m_used[0] = true;
}

dlgShellView::~dlgShellView() { Close(); }

HWND dlgShellView::Open(IShellBrowser* browser, IShellFolder* folder, LPCITEMIDLIST list,
                        const FOLDERSETTINGS* settings, const RECT* rect) {
  m_browser = browser;
  m_folder = folder;
  m_pidl.SetFolder(list);
  m_folderKind = shellItemKind(VQPIDL_Last(list));
  m_startMode = settings && settings->ViewMode >= FVM_ICON && settings->ViewMode <= FVM_DETAILS
                    ? static_cast<int>(settings->ViewMode)
                    : FVM_DETAILS;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND parent = nullptr;
  if (browser) browser->GetWindow(&parent);
  if (!Create(parent)) return nullptr;
  if (rect)
    SetWindowPos(m_hWnd, nullptr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
  ShowWindow(m_hWnd, SW_SHOW);
  // Files and items dropped on the list go to the folder shown or to the folder row under the drop.
  if (m_folder) {
    shellViewDrop* drop = new shellViewDrop(&m_list, m_folder);
    drop->AddRef();
    m_dropRegistered = SUCCEEDED(RegisterDragDrop(m_list.GetHwnd(), drop));
    drop->Release();
  }
  shellApp::Get().AddView(m_hWnd, list);
  PostMessageA(m_hWnd, WM_SHELLVIEW_LOG, 0, 0);
  PostMessageA(m_hWnd, WM_COMMAND, SHELL_VIEW_FILL, 0);
  return m_hWnd;
}

void dlgShellView::Close() {
  if (!m_hWnd) return;
  SaveWidths();
  RemoveMenus();
  if (m_dropRegistered) RevokeDragDrop(m_list.GetHwnd());
  m_dropRegistered = false;
  shellApp::Get().RemoveView(m_hWnd);
  DestroyWindow();
  m_list.Clear();
}

BOOL dlgShellView::OnInitDialog() {
  VQ_TRY
    m_list.Attach(Item(IDC_SHELLLIST));
    m_log.Attach(Item(IDC_VIEWLOG));
    HWND list = m_list.GetHwnd();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP,
                 LVS_EX_FULLROWSELECT);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(vqImageList::Get().Large()));
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(vqImageList::Get().Small()));
    // The list asks for wide texts (answered in OnMessage), so names beyond the code page show.
    SendMessageW(list, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(m_hWnd), NF_REQUERY);
    bool remote = m_folderKind != VQ_KIND_ROOT && m_folderKind != VQ_KIND_CATEGORY;
    int count = remote ? 6 : 4;
    const char* titles[kMaxColumns];
    std::string kept[kMaxColumns];
    for (int i = 0; i < count; ++i) {
      kept[i] = m_pidl.GetColumnTitle(i);
      titles[i] = kept[i].c_str();
    }
    m_list.SetColumns(remote, titles, count, shellApp::Get().ColWidths(remote));
    m_list.SetMode(m_startMode);
    vqAppParams* app = shellApp::Get().GetAppParams();
    ShowLog(app && app->GetViewFtpLog());
    return FALSE;
  VQ_CATCH(kSource, FALSE)
}

void dlgShellView::Layout() {
  RECT r;
  GetClientRect(m_hWnd, &r);
  int height = r.bottom - r.top, width = r.right - r.left;
  // The pane's own flag: the whole view may not be shown yet.
  bool log = (GetWindowLongA(m_log.GetHwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
  int logHeight = log ? std::max(60, height / 4) : 0;
  if (logHeight > height / 2) logHeight = height / 2;
  MoveWindow(m_list.GetHwnd(), 0, 0, width, height - logHeight, TRUE);
  if (log) MoveWindow(m_log.GetHwnd(), 0, height - logHeight, width, logHeight, TRUE);
  // The empty-folder text sits in the list, below its header.
  RECT header = {0, 0, 0, 0};
  HWND head = reinterpret_cast<HWND>(SendMessageA(m_list.GetHwnd(), LVM_GETHEADER, 0, 0));
  if (head && m_list.GetMode() == FVM_DETAILS) GetWindowRect(head, &header);
  int top = (header.bottom - header.top) + 8;
  SetWindowPos(Item(IDC_VIEWEMPTY), HWND_TOP, 4, top, std::max(0, width - 8), 20, SWP_NOACTIVATE);
}

void dlgShellView::ShowLog(bool on) {
  ShowWindow(m_log.GetHwnd(), on ? SW_SHOWNA : SW_HIDE);
  Layout();
}

void dlgShellView::SetStatus(const char* text) {
  if (!m_browser) return;
  std::wstring w = wide(text);
  m_browser->SetStatusTextSB(w.c_str());
}

void dlgShellView::ShowEmptyText() {
  HWND empty = Item(IDC_VIEWEMPTY);
  if (m_list.Count()) {
    ShowWindow(empty, SW_HIDE);
    return;
  }
  SetWindowTextA(empty, VQ_TEXT(shellApp::Module(), m_failed ? IDS_VIEW_ERROR : IDS_VIEW_EMPTY));
  Layout();
  ShowWindow(empty, SW_SHOWNA);
}

void dlgShellView::Fill(bool relist) {
  if (m_filling) {
    // Served when the running listing ends: a change must not be lost to a busy view.
    m_fillPending = true;
    m_relistPending = m_relistPending || relist;
    return;
  }
  m_filling = true;
  HWND self = m_hWnd;
  do {
    shellWait wait;
    m_fillPending = false;
    m_relistPending = false;
    inEnumMgr& enums = shellApp::Get().GetEnumManager();
    if (relist) enums.Flush(m_pidl.GetFolder());
    shellEnum* items = enums.GetEnum(m_pidl.GetFolder(), kEnumFlags);
    // The listing waits with messages flowing: the window (and this view with it) may have gone
    // meanwhile. Nothing below lets a message through (see SiteConnected).
    if (!IsWindow(self) || m_hWnd != self) {
      if (items) items->Release();
      return;
    }
    HWND list = m_list.GetHwnd();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    m_list.Clear();
    m_list.Descriptions().clear();
    m_failed = items == nullptr;
    if (items) {
      bool connected = SiteConnected();
      vqImageList& icons = vqImageList::Get();
      LPITEMIDLIST batch[256];
      ULONG got = 0;
      while (items->Next(256, batch, &got) == S_OK || got) {
        for (ULONG i = 0; i < got; ++i) m_list.Append(batch[i], icons.IconOf(shellOwnItem(batch[i]), connected));
        if (got < 256) break;
      }
      m_failed = items->GetResult() != 0;
      items->Release();
    }
    m_list.Sort(m_sortColumn, m_descending[m_sortColumn]);
    m_list.Publish();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    char status[64];
    snprintf(status, sizeof status, VQ_TEXT(shellApp::Module(), IDS_VIEW_OBJECTS),
             static_cast<unsigned long>(m_list.Count()));
    SetStatus(status);
    ShowEmptyText();
    relist = m_relistPending;
  } while (m_fillPending);
  m_filling = false;
  if (m_state != SVUIA_DEACTIVATE) MergeMenus();
}

// Never waits for the site's lock: Fill relies on no message being dispatched here.
bool dlgShellView::SiteConnected() const {
  if (m_folderKind == VQ_KIND_ROOT || m_folderKind == VQ_KIND_CATEGORY) return false;
  vqFtpEngine* engine = shellApp::Get().GetEngineManager().GetEngine(m_pidl.GetFolder(), 1);
  return engine && engine->FTP_IsOpen();
}

int dlgShellView::Context() const {
  if (m_state != SVUIA_ACTIVATE_FOCUS) return SHELL_CONTEXT_FOLDER;
  return m_list.Selection().empty() ? SHELL_CONTEXT_BACKGROUND : SHELL_CONTEXT_SELECTION;
}

int dlgShellView::CurrentKind() const {
  if (Context() == SHELL_CONTEXT_SELECTION) {
    std::vector<size_t> rows = m_list.Selection();
    if (!rows.empty()) return shellItemKind(m_list.Item(rows[0]));
  }
  return m_folderKind;
}

bool dlgShellView::Enabled(int command, int context) const {
  shellCommandQuery q;
  q.command = command;
  q.context = context;
  q.connected = SiteConnected();
  q.clipboardHasFiles = IsClipboardFormatAvailable(CF_HDROP) != 0;
  q.kind = m_folderKind;
  q.name = shellItemName(VQPIDL_Last(m_pidl.GetFolder()));
  if (context == SHELL_CONTEXT_SELECTION) {
    std::vector<size_t> rows = m_list.Selection();
    if (!rows.empty()) {
      q.kind = shellItemKind(m_list.Item(rows[0]));
      q.name = shellItemName(m_list.Item(rows[0]));
    }
  }
  return shellCommandEnabled(q);
}

void dlgShellView::MergeMenus() {
  RemoveMenus();
  if (!m_browser || m_state == SVUIA_DEACTIVATE) return;
  UINT id = m_folderKind == VQ_KIND_ROOT       ? IDM_VIEW_ROOT
            : m_folderKind == VQ_KIND_CATEGORY ? IDM_VIEW_CATEGORY
            : m_folderKind == VQ_KIND_FTPSITE  ? IDM_VIEW_SITE
                                               : IDM_VIEW_FOLDER;
  HMENU ours = LoadMenuA(shellApp::Module(), MAKEINTRESOURCEA(id));
  if (!ours) return;
  m_shared = CreateMenu();
  OLEMENUGROUPWIDTHS widths;
  memset(&widths, 0, sizeof widths);
  if (FAILED(m_browser->InsertMenusSB(m_shared, &widths))) {
    DestroyMenu(m_shared);
    m_shared = nullptr;
    DestroyMenu(ours);
    return;
  }
  int context = Context();
  vqAppParams* app = shellApp::Get().GetAppParams();
  int transfer = app ? static_cast<int>(app->GetTransferMode()) : 0;
  bool log = app && app->GetViewFtpLog();
  int mode = m_list.GetMode();
  int sortOrder = shellSortOrderOf(m_sortColumn, m_list.IsRemote());
  int n = GetMenuItemCount(ours);
  for (int i = 0; i < n && i < 4; ++i) {
    HMENU popup = GetSubMenu(ours, i);
    HMENU target = subMenuById(m_shared, kSharedPopups[i]);
    if (!popup || !target) continue;
    bool file = i == 0;
    int added = copyMenu(popup, target, 0, [&](UINT cmd, UINT& state) {
      bool on = Enabled(static_cast<int>(cmd), context);
      // The File menu offers only what can be done; the other menus show the rest grayed.
      if (file && !on) return false;
      state = on ? MFS_ENABLED : MFS_GRAYED;
      bool checked = (cmd >= 7006 && cmd <= 7009 && static_cast<int>(cmd - 7005) == mode) ||
                     (cmd == 7004 && transfer == 0) || (cmd == 7005 && transfer == 1) ||
                     (cmd == 7003 && transfer == 2) || (cmd == 7010 && log) || (static_cast<int>(cmd) == sortOrder);
      if (checked) state |= MFS_CHECKED;
      return true;
    });
    if (i == 2 && GetMenuState(target, 7010, MF_BYCOMMAND) == 0xFFFFFFFF) {
      // The log pane is the view's own: its switch goes into every View menu.
      InsertMenuA(target, added++, MF_BYPOSITION | MF_STRING | (log ? MF_CHECKED : 0), 7010, "Log Window");
    }
    if (added && GetMenuItemCount(target) > added) {
      InsertMenuA(target, added, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
      ++added;
    }
    if (added) m_merged.push_back(Merged{target, added});
  }
  DestroyMenu(ours);
  m_browser->SetMenuSB(m_shared, nullptr, m_hWnd);
}

void dlgShellView::RemoveMenus() {
  if (!m_shared) return;
  for (const Merged& m : m_merged)
    for (int i = 0; i < m.count; ++i) DeleteMenu(m.menu, 0, MF_BYPOSITION);
  m_merged.clear();
  if (m_browser) {
    m_browser->SetMenuSB(nullptr, nullptr, nullptr);
    m_browser->RemoveMenusSB(m_shared);
  }
  DestroyMenu(m_shared);
  m_shared = nullptr;
}

void dlgShellView::Activate(UINT state) {
  m_state = state;
  if (state == SVUIA_DEACTIVATE) {
    RemoveMenus();
    return;
  }
  MergeMenus();
  if (state == SVUIA_ACTIVATE_FOCUS) SetFocus(m_list.GetHwnd());
}

void dlgShellView::SortBy(int order, int column, bool descending) {
  if (order && shellSortColumn(order, m_list.IsRemote()) < 0) return;
  if (column < 0 || column >= m_list.ColumnCount()) return;
  m_sortColumn = column;
  m_descending[column] = descending;
  m_used[column] = true;
  shellWait wait;
  m_list.Sort(column, descending);
  SendMessageA(m_list.GetHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), 0);
  if (m_state != SVUIA_DEACTIVATE) MergeMenus();
}

void dlgShellView::SaveWidths() {
  if (!m_list.GetHwnd() || !m_list.ColumnCount()) return;
  int* widths = shellApp::Get().ColWidths(m_list.IsRemote());
  bool changed = false;
  for (int i = 0; i < m_list.ColumnCount(); ++i) {
    int w = std::min(std::max(m_list.ColumnWidth(i), 0), static_cast<int>(SHELL_COLWIDTH_MAX));
    if (w != widths[i]) {
      widths[i] = w;
      changed = true;
    }
  }
  if (changed) shellApp::Get().SaveState();
}

LPITEMIDLIST dlgShellView::AbsoluteOf(size_t row) const {
  LPCITEMIDLIST item = m_list.Item(row);
  return item ? ILCombine(m_pidl.GetFolder(), item) : nullptr;
}

void dlgShellView::RunDefault() {
  std::vector<size_t> rows = m_list.Selection();
  if (rows.empty()) return;
  int command = m_pidl.GetDefaultCommand(m_list.Item(rows[0]));
  PostMessageA(m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

void dlgShellView::RunCommand(int command) {
  std::vector<size_t> rows = m_list.Selection();
  if (command == SHELL_CMD_EXPLORE) {
    // Opening a container shows it in this browser.
    if (rows.empty() || !m_browser || !shellIsContainerKind(shellItemKind(m_list.Item(rows[0])))) return;
    LPITEMIDLIST target = AbsoluteOf(rows[0]);
    if (target) m_browser->BrowseObject(target, SBSP_SAMEBROWSER | SBSP_ABSOLUTE);
    ILFree(target);
    return;
  }
  if (!g_runner) return;
  std::vector<LPCITEMIDLIST> items;
  for (size_t r : rows) items.push_back(m_list.Item(r));
  g_runner(m_hWnd, command, m_pidl.GetFolder(), static_cast<UINT>(items.size()), items.data());
}

BOOL dlgShellView::OnCommand(WORD id, WORD, HWND control) {
  VQ_TRY
    switch (id) {
      case SHELL_VIEW_FILL:
        Fill(false);
        return TRUE;
      case SHELL_VIEW_INDEXFILE:
        ReadIndexFile(reinterpret_cast<const char*>(control));
        return TRUE;
      case 7006:
      case 7007:
      case 7008:
      case 7009:
        m_list.SetMode(id - 7005);
        Layout();
        if (m_state != SVUIA_DEACTIVATE) MergeMenus();
        return TRUE;
      case SHELL_SORT_NAME:
      case SHELL_SORT_SIZE:
      case SHELL_SORT_TYPE:
      case SHELL_SORT_DATE:
      case SHELL_SORT_URL:
        SortBy(id, shellSortColumn(id, m_list.IsRemote()), false);
        return TRUE;
      case 7015: {
        LONG_PTR style = GetWindowLongPtrA(m_list.GetHwnd(), GWL_STYLE) ^ LVS_AUTOARRANGE;
        SetWindowLongPtrA(m_list.GetHwnd(), GWL_STYLE, style);
        return TRUE;
      }
      case 7010: {
        vqAppParams* app = shellApp::Get().GetAppParams();
        if (!app) return TRUE;
        // Every read of the settings loads them again: store the change before anything reads.
        bool on = !app->GetViewFtpLog();
        app->SetViewFtpLog(on);
        app->APP_SaveParams();
        shellApp::Get().SaveState();
        ShowLog(on);
        if (m_state != SVUIA_DEACTIVATE) MergeMenus();
        return TRUE;
      }
      case 7003:
      case 7004:
      case 7005: {
        vqAppParams* app = shellApp::Get().GetAppParams();
        if (!app) return TRUE;
        app->SetTransferMode(id == 7003 ? 2 : id == 7004 ? 0 : 1);
        app->APP_SaveParams();
        shellApp::Get().SaveState();
        if (m_state != SVUIA_DEACTIVATE) MergeMenus();
        return TRUE;
      }
      case 2029:
        if (Enabled(2029, Context() == SHELL_CONTEXT_FOLDER ? SHELL_CONTEXT_BACKGROUND : Context())) {
          LVITEMA all;
          memset(&all, 0, sizeof all);
          all.stateMask = all.state = LVIS_SELECTED;
          SendMessageA(m_list.GetHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
        }
        return TRUE;
      case 2010: {
        std::vector<size_t> rows = m_list.Selection();
        if (!rows.empty()) SendMessageA(m_list.GetHwnd(), LVM_EDITLABELA, rows[0], 0);
        return TRUE;
      }
      default:
        if (id >= 2001 && id <= 7099) RunCommand(id);
        return TRUE;
    }
  VQ_CATCH(kSource, TRUE)
}

INT_PTR dlgShellView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = true;
  VQ_TRY
    switch (msg) {
      case WM_SIZE:
        Layout();
        return TRUE;
      case WM_NOTIFYFORMAT:
        SetResult(NFR_UNICODE);
        return TRUE;
      case WM_SHELLVIEW_EDITNAME: {
        HWND edit = reinterpret_cast<HWND>(SendMessageA(m_list.GetHwnd(), LVM_GETEDITCONTROL, 0, 0));
        if (edit && wp < m_list.Count() && GetWindowTextLengthA(edit) == 0) {
          SetWindowTextW(edit, m_list.WideText(wp, 0).c_str());
          SendMessageA(edit, EM_SETSEL, 0, -1);
        }
        return TRUE;
      }
      case WM_SHELLVIEW_RELIST:
        Fill(wp != 0);
        return TRUE;
      case WM_SHELLVIEW_MENUS:
        m_menuPending = false;
        if (m_state != SVUIA_DEACTIVATE) MergeMenus();
        return TRUE;
      case WM_SHELLVIEW_LOG: {
        std::vector<std::wstring> lines;
        m_logSeen = shellApp::Get().LogLinesSince(m_logSeen, lines);
        for (const std::wstring& line : lines) m_log.AppendLine(line.c_str());
        return TRUE;
      }
      case WM_SHELLVIEW_WIDTHS:
        SaveWidths();
        return TRUE;
      case WM_SETFOCUS:
        SetFocus(m_list.GetHwnd());
        return TRUE;
      case WM_CONTEXTMENU: {
        POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ContextMenu(at);
        return TRUE;
      }
    }
  VQ_CATCH(kSource, TRUE)
  handled = false;
  return FALSE;
}

LRESULT dlgShellView::OnNotify(NMHDR* header) {
  VQ_TRY
    HWND list = m_list.GetHwnd();
    HWND head = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (header->hwndFrom == head || header->hwndFrom == list) {
      switch (header->code) {
        case HDN_ENDTRACKA:
        case HDN_ENDTRACKW:
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
        case HDN_ITEMCHANGEDA:
        case HDN_ITEMCHANGEDW:
          // The width is final only after the control has handled the change.
          PostMessageA(m_hWnd, WM_SHELLVIEW_WIDTHS, 0, 0);
          return 0;
      }
    }
    if (header->hwndFrom != list) return 0;
    switch (header->code) {
      case LVN_GETDISPINFOA:
        m_list.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header));
        return 0;
      case LVN_GETDISPINFOW:
        m_list.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
        return 0;
      case LVN_ODFINDITEMA:
        return m_list.OnFindItem(reinterpret_cast<NMLVFINDITEMA*>(header));
      case LVN_ODFINDITEMW:
        return m_list.OnFindItem(reinterpret_cast<NMLVFINDITEMW*>(header));
      case LVN_ITEMCHANGED:
        if (!m_menuPending && m_state != SVUIA_DEACTIVATE) {
          m_menuPending = true;
          PostMessageA(m_hWnd, WM_SHELLVIEW_MENUS, 0, 0);
        }
        return 0;
      case NM_DBLCLK:
      case NM_RETURN:
        RunDefault();
        return 0;
      case LVN_COLUMNCLICK: {
        int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
        // A column sorted before turns round; a new one starts ascending.
        if (column >= 0 && column < kMaxColumns) SortBy(0, column, m_used[column] && !m_descending[column]);
        return 0;
      }
      case LVN_BEGINLABELEDITA:
      case LVN_BEGINLABELEDITW: {  // the row sits at the same place in both forms
        int row = reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem;
        if (row < 0) return TRUE;
        shellCommandQuery q = {2010, shellItemKind(m_list.Item(row)), SHELL_CONTEXT_SELECTION, false, "", false};
        if (!shellCommandEnabled(q)) return TRUE;  // TRUE refuses the edit
        // Some list controls open the edit box empty for a list that keeps its own texts: once the
        // box stands (the message comes before any key), it gets the current name.
        PostMessageA(m_hWnd, WM_SHELLVIEW_EDITNAME, static_cast<WPARAM>(row), 0);
        return FALSE;
      }
      case LVN_ENDLABELEDITA: {
        NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        if (!info->item.pszText || info->item.iItem < 0) return FALSE;  // cancelled
        return Rename(static_cast<size_t>(info->item.iItem), info->item.pszText);
      }
      case LVN_ENDLABELEDITW: {
        NMLVDISPINFOW* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (!info->item.pszText || info->item.iItem < 0) return FALSE;  // cancelled
        // The typed name goes to the server in the encoding its listing came in.
        LPCITEMIDLIST item = m_list.Item(static_cast<size_t>(info->item.iItem));
        std::string raw;
        if (!shellServerName(info->item.pszText, shellItemNameIsUtf8(item) && shellIsRemoteKind(shellItemKind(item)),
                             raw)) {
          VQ_MSG(VQ_TEXT(shellApp::Module(), IDS_VIEW_BADNAME), MB_OK | MB_ICONEXCLAMATION);
          return FALSE;
        }
        return Rename(static_cast<size_t>(info->item.iItem), raw.c_str());
      }
      case LVN_KEYDOWN: {
        // The shortcuts the menus show, and the shell's own keys, whether or not the browser
        // hands its keys to the view first.
        WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
        bool ctrl = GetKeyState(VK_CONTROL) < 0;
        int command = ctrl && key == 'C'   ? 2027
                      : ctrl && key == 'V' ? 2028
                      : ctrl && key == 'A' ? 2029
                      : key == VK_DELETE   ? 2009
                      : key == VK_F2       ? 2010
                                           : 0;
        if (key == VK_F5) {
          Fill(true);
        } else if (command) {
          int context = m_list.Selection().empty() ? SHELL_CONTEXT_BACKGROUND : SHELL_CONTEXT_SELECTION;
          if (Enabled(command, context)) PostMessageA(m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
        }
        return 0;
      }
      case LVN_BEGINDRAG:
      case LVN_BEGINRDRAG:
        BeginDrag();
        return 0;
    }
    return 0;
  VQ_CATCH(kSource, 0)
}

bool dlgShellView::SelectByName(LPCITEMIDLIST item, UINT flags) {
  if (!item) return false;
  const char* name = shellItemName(VQPIDL_Last(item));
  for (size_t i = 0; i < m_list.Count(); ++i) {
    if (strcmp(shellItemName(m_list.Item(i)), name) != 0) continue;
    LVITEMA state;
    memset(&state, 0, sizeof state);
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (flags & SVSI_DESELECTOTHERS)
      SendMessageA(m_list.GetHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    state.state = ((flags & SVSI_SELECT) ? LVIS_SELECTED : 0) | ((flags & SVSI_FOCUSED) ? LVIS_FOCUSED : 0);
    SendMessageA(m_list.GetHwnd(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
    if (flags & SVSI_ENSUREVISIBLE) SendMessageA(m_list.GetHwnd(), LVM_ENSUREVISIBLE, i, FALSE);
    if (flags & SVSI_EDIT) SendMessageA(m_list.GetHwnd(), LVM_EDITLABELA, i, 0);
    return true;
  }
  return false;
}

void dlgShellView::ReadIndexFile(const char* path) {
  if (!path) return;
  FILE* f = fopen(path, "rb");
  if (!f) return;
  auto& map = m_list.Descriptions();
  map.clear();
  char line[1024];
  std::string name, text;
  while (fgets(line, sizeof line, f)) {
    // A line longer than the buffer continues in the next read: drop the rest of it.
    size_t len = strlen(line);
    bool whole = len && line[len - 1] == '\n';
    if (shellParseIndexLine(line, name, text)) map[name] = text;
    while (!whole && fgets(line, sizeof line, f)) {
      len = strlen(line);
      whole = len && line[len - 1] == '\n';
    }
  }
  fclose(f);
  InvalidateRect(m_list.GetHwnd(), nullptr, TRUE);
}

bool dlgShellView::Rename(size_t row, const char* newName) {
  LPITEMIDLIST item = m_list.Item(row);
  _FTPITEMID* own = shellOwnItem(item);
  if (!own) return false;
  const char* oldName = shellItemName(item);
  // A name must stay one name: no path separators and no line breaks (a server would read a
  // second command).
  bool bad = !*newName || strlen(newName) >= sizeof own->name;
  for (const char* p = newName; *p && !bad; ++p) bad = *p == '/' || *p == '\\' || static_cast<unsigned char>(*p) < 32;
  if (bad) {
    VQ_MSG(VQ_TEXT(shellApp::Module(), IDS_VIEW_BADNAME), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (strcmp(newName, oldName) == 0) return false;
  std::string error;
  bool done = false;
  LPITEMIDLIST absolute = AbsoluteOf(row);
  int kind = own->kind;
  if (kind == VQ_KIND_CATEGORY || kind == VQ_KIND_FTPSITE) {
    std::string path, name;
    vqSiteParams store(2);
    if (SiteKeySplit(absolute, path, name))
      done = store.SITE_Rename(path.c_str(), name.c_str(), path.c_str(), newName) == 1;
    if (!done) error = "The site store refused the new name.";
  } else {
    done = renameRemote(absolute, newName, error);
  }
  if (done) {
    std::string from = oldName;
    lstrcpynA(own->name, newName, sizeof own->name);
    LPITEMIDLIST renamed = AbsoluteOf(row);
    shellApp::Get().GetEnumManager().Flush(m_pidl.GetFolder());
    SHChangeNotify(shellIsContainerKind(kind) ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, SHCNF_IDLIST, absolute, renamed);
    ILFree(renamed);
    InvalidateRect(m_list.GetHwnd(), nullptr, TRUE);
  } else {
    char text[2048];
    snprintf(text, sizeof text, VQ_TEXT(shellApp::Module(), IDS_VIEW_RENAMEFAILED), oldName, newName, error.c_str());
    VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION);
  }
  ILFree(absolute);
  return false;  // the list shows the name from the item, which is renamed already
}

void dlgShellView::BeginDrag() {
  std::vector<size_t> rows = m_list.Selection();
  if (rows.empty() || !m_folder) return;
  std::vector<LPCITEMIDLIST> items;
  for (size_t r : rows) items.push_back(m_list.Item(r));
  vqComPtr<IDataObject> data;
  if (FAILED(m_folder->GetUIObjectOf(m_hWnd, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
                                     data.PutVoid())))
    return;
  vqComPtr<IDropSource> source;
  if (FAILED(data.As(source))) return;
  DWORD effect = DROPEFFECT_NONE;
  // The copy hook finds the items of a drag of ours here (the clipboard holds another thing).
  shellApp::Get().SetDragData(data.Get());
  DoDragDrop(data.Get(), source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  shellApp::Get().SetDragData(nullptr);
}

void dlgShellView::ContextMenu(POINT at) {
  if (at.x == -1 && at.y == -1) GetCursorPos(&at);
  // The selection's commands, or the folder's with the view and arrange choices beside the items.
  bool selection = !m_list.Selection().empty();
  int context = selection ? SHELL_CONTEXT_SELECTION : SHELL_CONTEXT_BACKGROUND;
  UINT id = m_folderKind == VQ_KIND_ROOT       ? IDM_VIEW_ROOT
            : m_folderKind == VQ_KIND_CATEGORY ? IDM_VIEW_CATEGORY
            : m_folderKind == VQ_KIND_FTPSITE  ? IDM_VIEW_SITE
                                               : IDM_VIEW_FOLDER;
  HMENU bar = LoadMenuA(shellApp::Module(), MAKEINTRESOURCEA(id));
  if (!bar) return;
  HMENU popup = CreatePopupMenu();
  int mode = m_list.GetMode();
  auto keep = [&](UINT cmd, UINT& state, bool fileOnly) {
    bool on = Enabled(static_cast<int>(cmd), context);
    if (fileOnly && !on) return false;
    state = on ? MFS_ENABLED : MFS_GRAYED;
    if (cmd >= 7006 && cmd <= 7009 && static_cast<int>(cmd - 7005) == mode) state |= MFS_CHECKED;
    return true;
  };
  int pos = copyMenu(GetSubMenu(bar, 0), popup, 0, [&](UINT c, UINT& s) { return keep(c, s, true); });
  if (pos) InsertMenuA(popup, pos++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  pos += copyMenu(GetSubMenu(bar, 1), popup, pos, [&](UINT c, UINT& s) { return keep(c, s, false); });
  if (!selection) {
    InsertMenuA(popup, pos++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    pos += copyMenu(GetSubMenu(bar, 2), popup, pos,
                    [&](UINT c, UINT& s) { return (c >= 7006 && c <= 7015) && keep(c, s, false); });
  }
  DestroyMenu(bar);
  UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
  DestroyMenu(popup);
  if (chosen) PostMessageA(m_hWnd, WM_COMMAND, chosen, 0);
}
