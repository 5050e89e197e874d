// The item accessor of a folder object: the folder's absolute list, the current item, the
// connection last looked up for the item's site, the drag state and the cached icon indices.
// Accessors take an item; without one they read the current item, and without that the last item
// of the folder's list. Foreign or missing items give each accessor's fallback.
#pragma once
#include <windows.h>

#include <string>

#include "shellItems.h"
#include "shellPaths.h"
#include "vqItemIdList.h"

class vqFtpEngine;
class vqSiteParams;

class shellPidl {
 public:
  // module: the extension's own module, for its string table.
  explicit shellPidl(HINSTANCE module);
  ~shellPidl();
  shellPidl(const shellPidl&) = delete;
  shellPidl& operator=(const shellPidl&) = delete;

  // Keeps a copy of the folder's absolute list; the current item becomes its last item.
  void SetFolder(LPCITEMIDLIST absolute);
  LPCITEMIDLIST GetFolder() const { return m_folder.Get(); }
  // The current item (not owned; null for none).
  void SetCurrent(LPCITEMIDLIST item) { m_current = item; }
  LPCITEMIDLIST GetCurrent() const { return m_current; }

  int GetKind(LPCITEMIDLIST item = nullptr) const { return shellItemKind(Resolve(item)); }
  const char* GetName(LPCITEMIDLIST item = nullptr) const { return shellItemName(Resolve(item)); }
  uint32_t GetAttributes(LPCITEMIDLIST item = nullptr) const { return shellItemAttributes(Resolve(item)); }
  uint32_t GetSize(LPCITEMIDLIST item = nullptr) const { return shellItemSize(Resolve(item)); }
  const char* GetPermText(LPCITEMIDLIST item = nullptr) const { return shellItemPermText(Resolve(item)); }
  const char* GetTypeName(LPCITEMIDLIST item = nullptr) const { return shellItemTypeName(Resolve(item)); }
  const char* GetDateText(LPCITEMIDLIST item = nullptr) const { return shellItemDateText(Resolve(item)); }
  const char* GetSortDate(LPCITEMIDLIST item = nullptr) const { return shellItemSortDate(Resolve(item)); }
  bool IsContainer(LPCITEMIDLIST item = nullptr) const { return shellIsContainerKind(GetKind(item)); }
  bool IsLink(LPCITEMIDLIST item = nullptr) const { return shellIsLinkKind(GetKind(item)); }
  // The command a double click or Enter runs, after the application's double-click setting.
  int GetDefaultCommand(LPCITEMIDLIST item = nullptr) const;

  static _FTPITEMID* NewItem(int kind, const char* name) { return shellNewItem(kind, name); }
  // A new absolute list: list + one item of kind named name (empty when it cannot be made).
  static vqItemIdList WithChild(LPCITEMIDLIST list, int kind, const char* name);

  // Column titles of the folder's view and one item's texts (valid until the next call).
  int GetColumnCount() const { return shellColumnCount(shellItemKind(VQPIDL_Last(GetFolder()))); }
  const char* GetColumnTitle(int column);
  const char* GetColumnText(LPCITEMIDLIST item, int column, int forSorting);

  // The four kind formats, registered by name once per process.
  static UINT ClipboardFormat(shellKindFormat format);
  // The format a run of items (a selection) travels under; 0 for none.
  static UINT SelectionFormat(LPCITEMIDLIST run);

  // Children of the root or a category from the site store: the wizard entry (when asked), then
  // every category, then every site, each in store order. Returns the number handed out.
  long ItemsFromSiteStore(LPCITEMIDLIST folder, bool withWizard, shellItemSink sink, void* user);
  // Items of a local directory for an upload: folders (kind 5) and files (kind 6) except "." and "..".
  static long ItemsFromLocalDir(const char* dir, shellItemSink sink, void* user);

  // The site's connection (looked up by the engine manager); null for none.
  void SetConnection(vqFtpEngine* engine) { m_engine = engine; }
  vqFtpEngine* GetConnection() const { return m_engine; }
  // The remote path of a list through the connection; convertCase applies the application's
  // case setting to a file's name.
  bool RemotePath(LPCITEMIDLIST list, bool convertCase, std::string& out) const;
  bool ParentRemotePath(LPCITEMIDLIST list, std::string& out) const;

  // The application's cache directory (ending with "\").
  void SetCacheDir(const char* dir) { m_cacheDir = dir ? dir : ""; }
  // The listing cache file of a list's folder; the site's cache directory is created if missing.
  bool CacheFileName(LPCITEMIDLIST list, bool parentOnly, std::string& out) const;

  // Drag state and icon caches kept for the folder object.
  bool m_dropAllowed;
  bool m_rightDrag;
  int m_largeIcon;
  int m_smallIcon;

 private:
  LPCITEMIDLIST Resolve(LPCITEMIDLIST item) const;

  HINSTANCE m_module;
  vqItemIdList m_folder;
  LPCITEMIDLIST m_current;
  vqFtpEngine* m_engine;
  std::string m_cacheDir;
  char m_text[SHELL_COLUMN_BUF];
  std::string m_title;
};
