// What each command of the extension does: the context menus, the view's menu bar, its toolbar and
// double clicks all end here. A command concerns the items of one folder; remote work is queued on
// the site's task manager, site-store work happens at once, and the few short server commands
// (new folder, rename) use the site's pooled connection under its lock.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shellCommands.h"
#include "vqItemIdList.h"

class shellCommand {
 public:
  // folder: the absolute list of the folder that holds the items; items: single-item lists
  // relative to it (copied). Without items the command concerns the folder itself.
  shellCommand(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items);
  shellCommand(const shellCommand&) = delete;
  shellCommand& operator=(const shellCommand&) = delete;

  // The browser of the view the command came from (BrowseObject after Explore, Delete, Change
  // Directory); found through the owner window when not given.
  void SetBrowser(IShellBrowser* browser) { m_browser = browser; }
  // A paste moves the pasted files (the clipboard's preferred effect was "move").
  int Kind() const;
  // The enable rule for this command's item in a context.
  bool Enabled(int command, shellContext context) const;

  // Runs the command: S_OK when it ran (also when the user cancelled a question), E_FAIL when it
  // could not, E_INVALIDARG for a command that is not enabled here.
  HRESULT Run(int command, shellContext context);

  // Renames the first item to newName, in the site store or on the server; false with the
  // message shown on failure. out (optional) receives the renamed item's relative list.
  bool Rename(const char* newName, LPITEMIDLIST* out = nullptr);

  // Uploads local files and folders into the items that are containers (or the folder shown),
  // one job per target; move removes each local file once it arrived. Whole wide paths, so names
  // beyond the code page are read as they are.
  HRESULT UploadFiles(const std::vector<std::wstring>& files, bool move) { return Upload(files, move); }

  // The absolute list of item i (or of the folder when there are no items), owned by this object.
  LPCITEMIDLIST Absolute(size_t i) const;
  size_t Count() const { return m_items.size(); }

 private:
  HRESULT NewCategoryOrSite(int command);
  HRESULT NewFolder();
  HRESULT Explore();
  HRESULT ChangeDirectory();
  HRESULT Delete();
  HRESULT QueueJob(int command, const char* localDir);
  HRESULT DownloadTo();
  HRESULT Upload(const std::vector<std::wstring>& files, bool move);
  HRESULT UploadCommand();
  HRESULT Paste();
  HRESULT Copy();
  HRESULT Refresh();
  HRESULT ViewCacheFile();
  HRESULT Welcome();
  HRESULT Properties(bool siteOfItem);
  HRESULT CancelTransfer();
  HRESULT TransferMode(int command);
  HRESULT StartRename();
  bool ConnectionOpen() const;
  // The list whose site a job belongs to: the folder, or the first item when the folder is not
  // inside a site (a site chosen in a category).
  LPCITEMIDLIST JobList() const;
  IShellBrowser* Browser();
  void BrowseTo(LPCITEMIDLIST absolute);
  void Notify(LONG event, LPCITEMIDLIST absolute, LPCITEMIDLIST second = nullptr);

  HWND m_owner;
  vqItemIdList m_folder;
  std::vector<vqItemIdList> m_items;     // relative
  std::vector<vqItemIdList> m_absolute;  // folder + item
  IShellBrowser* m_browser;              // not referenced: lives as long as the view
};

// Opens a file of ours (help, release notes, a listing) with the shell's "open" verb, or in
// Notepad with the path passed as one quoted argument. A path with a quote is refused.
bool shellOpenDocument(HWND owner, const char* path, bool notepad);
// The folder of this module, ending with "\".
std::string shellModuleDir();
