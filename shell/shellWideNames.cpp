#include "shellWideNames.h"

#include <mutex>
#include <set>

#include "shellItems.h"
#include "shellNames.h"
#include "shellPaths.h"
#include "vqSiteParams.h"
#include "vqWide.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 on Windows");

namespace {
const unsigned char kProgId = 2;

std::mutex g_sitesLock;
std::set<std::string>& utf8Sites() {
  static std::set<std::string> sites;
  return sites;
}

bool anyRemoteUtf8(LPCITEMIDLIST list) {
  bool found = false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
  const int size = VQPIDL_GetListSize(list);
  for (int at = 0; at < size && !found;) {
    LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(p + at);
    if (!item->mkid.cb) break;
    at += item->mkid.cb;
    const _FTPITEMID* own = shellOwnItem(item);
    found = own && shellIsRemoteKind(own->kind) && shellItemIsUtf8(own);
  }
  return found;
}
}  // namespace

std::wstring shellFromCodePage(const char* text) { return vqFromCodePage(text); }

bool shellToCodePage(const wchar_t* text, std::string& out) {
  out.clear();
  if (!text || !*text) return true;
  BOOL lost = FALSE;
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return false;
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, &narrow[0], n, nullptr, &lost);
  narrow.resize(static_cast<size_t>(n - 1));
  // Some code pages map a character one way only: the name must come back as it went.
  if (lost || shellFromCodePage(narrow.c_str()) != text) return false;
  out = narrow;
  return true;
}

std::wstring shellWideName(const char* raw, bool utf8) {
  if (!utf8) return shellFromCodePage(raw);
  std::u16string wide = shellUtf8ToWide(raw);
  return std::wstring(wide.begin(), wide.end());
}

std::wstring shellItemWideName(LPCITEMIDLIST item) {
  const _FTPITEMID* own = shellOwnItem(item);
  return shellWideName(shellItemName(item), own && shellIsRemoteKind(own->kind) && shellItemIsUtf8(own));
}

std::string shellShownNarrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::string shellShownName(const std::string& raw, bool utf8) {
  return utf8 ? shellShownNarrow(shellWideName(raw.c_str(), true)) : raw;
}

std::wstring shellWideText(const char* text, bool utf8) {
  if (!text || !*text) return std::wstring();
  if (utf8 && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) > 0)
    return shellWideName(text, true);
  return shellFromCodePage(text);
}

bool shellServerName(const wchar_t* name, bool utf8, std::string& out) {
  out.clear();
  if (!name) return false;
  if (!utf8) return shellToCodePage(name, out);
  std::wstring w(name);
  return shellWideToUtf8(std::u16string(w.begin(), w.end()), out);
}

bool shellFolderNamesUtf8(LPCITEMIDLIST folder) {
  const _FTPITEMID* last = shellOwnItem(VQPIDL_Last(folder));
  if (last && shellIsRemoteKind(last->kind) && shellItemIsUtf8(last)) return true;
  std::string path, name, key;
  int setting = VQ_NAMES_AUTO;
  if (SiteKeySplit(folder, path, name)) {
    vqSiteParams site(kProgId);
    if (site.SITE_LoadParams(path.c_str(), name.c_str())) setting = site.GetNameEncoding();
  }
  bool seen = anyRemoteUtf8(folder);
  if (!seen && SiteKeyPath(folder, key)) {
    std::lock_guard<std::mutex> hold(g_sitesLock);
    seen = utf8Sites().count(key) != 0;
  }
  // engine FTP_ServerSaysUtf8() is not known here: the listing's verdict stands for it.
  return shellNamesUtf8(setting, false, seen);
}

void shellNoteSiteNamesUtf8(LPCITEMIDLIST folder, bool utf8) {
  std::string key;
  if (!utf8 || !SiteKeyPath(folder, key)) return;
  std::lock_guard<std::mutex> hold(g_sitesLock);
  utf8Sites().insert(key);
}
