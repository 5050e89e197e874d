// The icon lists every folder view shares: large (32x32) and small (16x16), made on first use and
// kept for the process, with one index per icon kind (a namespace item kind, a folder, a file
// extension), so a listing of any size costs one shell look-up per distinct type.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "shellItems.h"

class vqImageList {
 public:
  static vqImageList& Get();
  vqImageList(const vqImageList&) = delete;
  vqImageList& operator=(const vqImageList&) = delete;

  HIMAGELIST Large();
  HIMAGELIST Small();
  // The item's icon index in both lists (-1 when none could be had). A remote item without a type
  // name receives the shell's type name for its extension ("Folder" for folders).
  int IconOf(_FTPITEMID* item, bool connected);

 private:
  vqImageList();
  struct Entry {
    int index;
    std::string typeName;
  };
  const Entry& Lookup(const std::string& key, int kind, const char* name);
  void Create();

  CRITICAL_SECTION m_lock;
  HIMAGELIST m_large;
  HIMAGELIST m_small;
  std::map<std::string, Entry> m_cache;
};
