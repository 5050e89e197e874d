// The folder contents already listed, one enumerator per folder, so that Explorer's repeated
// requests for a folder are answered from memory instead of a new listing. All work runs on the
// calling (Explorer) thread.
#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "vqPidl.h"

class shellEnum;

class inEnumMgr {
 public:
  inEnumMgr();
  ~inEnumMgr();
  inEnumMgr(const inEnumMgr&) = delete;
  inEnumMgr& operator=(const inEnumMgr&) = delete;

  // The enumerator of an absolute folder list, reset to its first item, with one reference for
  // the caller; null when it could not be had. The cached one when nobody holds it, else a clone.
  // flags are the shell's SHCONTF_ bits for the caller's walk.
  shellEnum* GetEnum(LPCITEMIDLIST folder, DWORD flags);
  // Drops the cached contents of the item's folder and of every folder below it; the root drops all.
  void Flush(LPCITEMIDLIST item);
  void FlushAll();
  size_t CachedCount();

  // The cache key of a folder list: its path text, "FTP-Sites" for the root.
  static std::string FolderKey(LPCITEMIDLIST folder);

 private:
  // Guards the map only; never held while waiting for an enumerator or filling one.
  SRWLOCK m_mapLock;
  std::map<std::string, shellEnum*> m_cache;
};
