// The local cache of a site: one directory per site below the application's cache root, named
// after the site's host and id, holding listing files (".vqD") and copies of remote files.
#include <stdio.h>
#include <string.h>

#include <string>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "vqSiteParams";
const char kListingExt[] = ".vqD";

bool endsWithListingExt(const char* name) {
  const char* dot = strrchr(name, '.');
  return dot && lstrcmpiA(dot, kListingExt) == 0;
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
    // The host name becomes a directory name: characters a file name cannot hold are replaced.
    std::string host = m_URL;
    for (char& c : host)
      if (static_cast<unsigned char>(c) < 0x20 || strchr("\\/:*?\"<>|", c)) c = '_';
    char id[16];
    snprintf(id, sizeof(id), "(%u)\\", m_SiteId);
    std::string dir = root + "\\" + host + id;
    if (dir.size() >= size) return 0;
    memcpy(out, dir.c_str(), dir.size() + 1);
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_ClearDirectoryCache(const char* folder) {
  VQ_TRY
    char dir[KEY_LEN];
    if (!SITE_GetCacheDir(dir, sizeof(dir))) return 1;
    std::string pattern = dir;
    if (folder && *folder) {
      if (!folderIsSafe(folder)) return 1;
      pattern += std::string("root.") + folder + "*" + kListingExt;
    } else {
      pattern += std::string("*") + kListingExt;
    }
    forEachMatch(pattern, [&](const WIN32_FIND_DATAA& f) {
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      // Short-name matching lets "*.vqD" find longer extensions such as ".vqDx".
      if (!endsWithListingExt(f.cFileName)) return;
      DeleteFileA((std::string(dir) + f.cFileName).c_str());
    });
    RemoveDirectoryA(dir);
    return 1;
  VQ_CATCH(kSource, 1)
}

int vqSiteParams::SITE_ClearFileCache(const char* folder) {
  VQ_TRY
    char dir[KEY_LEN];
    if (!SITE_GetCacheDir(dir, sizeof(dir))) return 1;
    std::string pattern = dir;
    if (folder && *folder) {
      if (!folderIsSafe(folder)) return 1;
      pattern += std::string("root.") + folder + ".*";
    } else {
      pattern += "*.*";
    }
    forEachMatch(pattern, [&](const WIN32_FIND_DATAA& f) {
      if (!strcmp(f.cFileName, ".") || !strcmp(f.cFileName, "..")) return;
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
      if (endsWithListingExt(f.cFileName)) return;
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
