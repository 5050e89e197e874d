// The folder view's window (dialog 1034): the list of the folder's items, the log pane, the
// empty-folder text; the menus merged into the shell browser's bar; sorting, view modes, column
// widths, in-place rename, drag start and the refresh after changes.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shellListCtrl.h"
#include "shellPidl.h"
#include "vqDialog.h"
#include "vqEdit.h"

// Commands the view does not run itself (the File and Edit commands of its menus) go to the
// runner the extension's command code installs; without one they are ignored.
typedef void (*shellViewCommandRunner)(HWND view, int command, LPCITEMIDLIST folder, UINT count, LPCITEMIDLIST* items);

// Messages the view's window takes from other threads (posted; the view lists again).
enum {
  SHELL_VIEW_FILL = 12345,           // WM_COMMAND: list the folder (from the cache when it has it)
  SHELL_VIEW_INDEXFILE = 7024,       // WM_COMMAND, lParam: the local path of the folder's index file (sent)
  WM_SHELLVIEW_RELIST = WM_APP + 1,  // the folder changed: list again (wParam 1: drop its cached listing first)
  WM_SHELLVIEW_LOG = WM_APP + 4      // new session log lines for the log pane
};

class dlgShellView : public vqDialog {
 public:
  dlgShellView();
  ~dlgShellView() override;

  static void SetCommandRunner(shellViewCommandRunner runner);

  // Creates the window as a child of the browser's, sized to rect, in the settings' view mode.
  HWND Open(IShellBrowser* browser, IShellFolder* folder, LPCITEMIDLIST list, const FOLDERSETTINGS* settings,
            const RECT* rect);
  void Close();
  // The activation state the shell gives: the menus are merged (or removed) for it.
  void Activate(UINT state);
  UINT State() const { return m_state; }
  // Lists the folder; relist drops the cached listing first. A request while a listing runs is
  // kept and served when it ends.
  void Fill(bool relist);
  int Mode() const { return m_list.GetMode(); }
  // Stores the column widths when the user changed them (and writes the settings).
  void SaveWidths();
  bool SelectByName(LPCITEMIDLIST item, UINT flags);

  // For tests and the index-file command: reads an index file into the Description column.
  void ReadIndexFile(const char* path);

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  LRESULT OnNotify(NMHDR* header) override;
  void OnOK() override {}
  void OnCancel() override {}
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  void Layout();
  void ShowLog(bool on);
  void SetStatus(const char* text);
  void ShowEmptyText();
  int Context() const;
  int CurrentKind() const;
  bool Enabled(int command, int context) const;
  bool SiteConnected() const;
  void MergeMenus();
  void RemoveMenus();
  void SortBy(int order, int column, bool descending);
  void RunDefault();
  void RunCommand(int command);
  LPITEMIDLIST AbsoluteOf(size_t row) const;
  bool Rename(size_t row, const char* newName);
  void BeginDrag();
  void ContextMenu(POINT at);

  IShellBrowser* m_browser;  // the view holds the reference
  IShellFolder* m_folder;
  shellPidl m_pidl;
  shellListCtrl m_list;
  vqEdit m_log;
  int m_folderKind;
  UINT m_state;
  HMENU m_shared;
  struct Merged {
    HMENU menu;
    int count;
  };
  std::vector<Merged> m_merged;
  bool m_filling;
  bool m_fillPending;
  bool m_relistPending;
  bool m_failed;
  bool m_menuPending;
  int m_sortColumn;
  bool m_descending[8];  // per column: the direction last used
  bool m_used[8];        // per column: sorted by it before
  int m_startMode;
  size_t m_logSeen;
  bool m_dropRegistered;
};
