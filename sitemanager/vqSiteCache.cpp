// The local cache of a site: one directory per site below the application's cache root, named
// after the site's host and id, holding copies of remote files and, per listed folder, two listing
// files: the raw listing (".vqLS") and the parser's records of it (".vqD").
#include <stdio.h>
#include <string.h>

#include <string>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqSafeName.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "vqSiteParams";

// Both files of a folder's listing belong to the directory cache; everything else is a file copy.
bool isListingFile(const char* name) {
  const char* dot = strrchr(name, '.');
  return dot && (lstrcmpiA(dot, ".vqD") == 0 || lstrcmpiA(dot, ".vqLS") == 0);
}

// A folder text names files inside the site's directory; one that reaches elsewhere names none.
bool folderIsSafe(const char* folder) { return !strpbrk(folder, "\\/:"); }

template <typename F>
void forEachMatch(const std::string& pattern, F visit) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    visit(found);
  } while (FindNextFileA(h, &found));
  FindClose(h);
}
}  // namespace

int vqSiteParams::SITE_GetCacheDir(char* out, unsigned size) {
  VQ_TRY
    if (!out || size == 0) return 0;
    out[0] = 0;
    vqAppParams* app = VQSMGR_GetAppParams();
    std::string root = app ? app->GetDefCacheDir() : "";
    while (!root.empty() && root.back() == '\\') root.pop_back();
    // Host and id become one directory name that stays below the root (the shell names the
    // listing cache files the same way).
    char id[16];
    snprintf(id, sizeof(id), "(%u)", m_SiteId);
    char name[VQ_MAX_PATH];
    if (!VQSTR_SafeLocalName((std::string(m_URL) + id).c_str(), root.size() + 1, name, sizeof name)) return 0;
    std::string dir = root + "\\" + name + "\\";
    if (dir.size() >= size) return 0;
    memcpy(out, dir.c_str(), dir.size() + 1);
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_ClearDirectoryCache(const char* folder) { return _clearCache(folder, 1); }

int vqSiteParams::SITE_ClearFileCache(const char* folder) { return _clearCache(folder, 0); }

// Deletes the site's listing files (listings set) or its file copies, of one folder or of the
// whole site, then the site's directory when that has become empty.
int vqSiteParams::_clearCache(const char* folder, int listings) {
  VQ_TRY
    char dir[KEY_LEN];
    if (!SITE_GetCacheDir(dir, sizeof(dir))) return 1;
    std::string pattern = dir;
    if (folder && *folder) {
      if (!folderIsSafe(folder)) return 1;
      // A folder's listings are "root.<folder>" plus an extension; its copies "root.<folder>.<name>".
      pattern += std::string("root.") + folder + (listings ? "*" : ".*");
    } else {
      pattern += "*";
    }
    forEachMatch(pattern, [&](const WIN32_FIND_DATAA& f) {
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      // Matching is by name, not by short name: "*.vqD" would also find ".vqDx".
      if ((isListingFile(f.cFileName) ? 1 : 0) != (listings ? 1 : 0)) return;
      DeleteFileA((std::string(dir) + f.cFileName).c_str());
    });
    RemoveDirectoryA(dir);
    return 1;
  VQ_CATCH(kSource, 1)
}

unsigned long vqSiteParams::SITE_GetCacheUsage() {
  VQ_TRY
    if (!m_URL[0]) {
      char sub[TEXT_LEN + 1], name[TEXT_LEN + 1];
      _copy(sub, sizeof(sub), m_SiteSubPath);
      _copy(name, sizeof(name), m_SiteName);
      SITE_LoadParams(sub, name);
    }
    char dir[KEY_LEN];
    if (!SITE_GetCacheDir(dir, sizeof(dir))) return 0;
    unsigned long total = 0;
    forEachMatch(std::string(dir) + "*.*", [&](const WIN32_FIND_DATAA& f) { total += f.nFileSizeLow; });
    return total;
  VQ_CATCH(kSource, 0)
}
