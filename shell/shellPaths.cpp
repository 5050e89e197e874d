#include "shellPaths.h"

#include <ctype.h>
#include <string.h>

#include "shellItems.h"
#include "vqCatch.h"
#include "vqHostType.h"
#include "vqSafeName.h"

namespace {
const char kSource[] = "shellPidl";
const char kSitesRoot[] = "FTP-Sites";

// Calls visit(item, isLast) for each whole item of the list.
template <class F>
void forEachItem(LPCITEMIDLIST list, F visit) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
  int size = VQPIDL_GetListSize(list);
  for (int at = 0; at < size;) {
    LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(p + at);
    at += item->mkid.cb;
    visit(item, at >= size);
  }
}

bool startsForeign(LPCITEMIDLIST list) { return list && list->mkid.cb != 0 && !shellOwnItem(list); }

bool isCategoryOrSite(int kind) { return kind == VQ_KIND_CATEGORY || kind == VQ_KIND_FTPSITE; }

// A link's target, or its name when the listing gave no target.
const char* nameOrTarget(const _FTPITEMID* it) {
  const char* target = shellItemLinkTarget(shellAsItemId(it));
  return target[0] ? target : shellItemName(shellAsItemId(it));
}
// Names through the accessor, which reads a field without terminator as empty.
const char* nameOf(const _FTPITEMID* it) { return shellItemName(shellAsItemId(it)); }

void ensureEnd(std::string& s, char c) {
  if (s.empty() || s.back() != c) s += c;
}

bool endsWithDirI(const std::string& s) {
  if (s.size() < 4) return false;
  const char* t = s.c_str() + s.size() - 4;
  return t[0] == '.' && tolower(static_cast<unsigned char>(t[1])) == 'd' &&
         tolower(static_cast<unsigned char>(t[2])) == 'i' && tolower(static_cast<unsigned char>(t[3])) == 'r';
}
}  // namespace

bool SiteKeyPath(LPCITEMIDLIST list, std::string& out) {
  out.clear();
  VQ_TRY
    if (startsForeign(list)) out = kSitesRoot;
    forEachItem(list, [&](LPCITEMIDLIST item, bool) {
      const _FTPITEMID* it = shellOwnItem(item);
      if (it && isCategoryOrSite(it->kind)) out.append("\\").append(nameOf(it));
    });
    return !out.empty();
  VQ_CATCH(kSource, false)
}

bool SiteKeySplit(LPCITEMIDLIST list, std::string& path, std::string& name) {
  path.clear();
  name.clear();
  VQ_TRY
    std::string whole;
    if (!SiteKeyPath(list, whole)) return false;
    const _FTPITEMID* last = nullptr;
    forEachItem(list, [&](LPCITEMIDLIST item, bool) {
      const _FTPITEMID* it = shellOwnItem(item);
      if (it && isCategoryOrSite(it->kind)) last = it;
    });
    if (!last) return false;
    name = nameOf(last);
    path = whole.substr(0, whole.size() - name.size() - 1);  // without "\" and the name
    return true;
  VQ_CATCH(kSource, false)
}

bool ItemPathString(LPCITEMIDLIST list, std::string& out) {
  out.clear();
  VQ_TRY
    if (startsForeign(list)) out = kSitesRoot;
    forEachItem(list, [&](LPCITEMIDLIST item, bool) {
      const _FTPITEMID* it = shellOwnItem(item);
      if (!it) return;
      if (isCategoryOrSite(it->kind)) out.append("\\").append(nameOf(it));
      if (shellIsRemoteKind(it->kind)) out.append("|").append(nameOf(it));
    });
    return !out.empty();
  VQ_CATCH(kSource, false)
}

LPITEMIDLIST SiteOnly(LPCITEMIDLIST list) {
  VQ_TRY
    if (!list) return nullptr;
    int keep = 0;
    bool cut = false;
    forEachItem(list, [&](LPCITEMIDLIST item, bool) {
      if (cut || shellIsRemoteKind(shellItemKind(item))) {
        cut = true;
        return;
      }
      keep += item->mkid.cb;
    });
    LPITEMIDLIST out = VQPIDL_Clone(list);
    if (out) {
      unsigned char* p = reinterpret_cast<unsigned char*>(out);
      p[keep] = p[keep + 1] = 0;  // the clone holds at least keep + 2 bytes
    }
    return out;
  VQ_CATCH(kSource, nullptr)
}

bool shellIsBracketHost(int hostType) {
  return hostType == VQ_HOST_MULTINET || hostType == VQ_HOST_VMS || hostType == VQ_HOST_VMSA55 ||
         hostType == VQ_HOST_OPENVMS || hostType == VQ_HOST_MULTINET34;
}

namespace {
bool remotePathOf(LPCITEMIDLIST list, const shellRemoteSite* site, unsigned caseMode, bool withoutLast,
                  std::string& out) {
  out.clear();
  if (!site) return false;
  const bool brackets = shellIsBracketHost(site->hostType);
  const char sep = site->delimiter ? site->delimiter : '/';
  forEachItem(list, [&](LPCITEMIDLIST item, bool isLast) {
    const _FTPITEMID* it = shellOwnItem(item);
    if (!it || (withoutLast && isLast)) return;
    switch (it->kind) {
      case VQ_KIND_FTPSITE:
        out = site->initialDir ? site->initialDir : "";
        if (!brackets) ensureEnd(out, sep);
        break;
      case VQ_KIND_FOLDER:
      case VQ_KIND_FOLDERLINK: {
        const char* part = nameOrTarget(it);
        if (brackets) {
          if (!out.empty() && out.back() == ']') out.pop_back();
          ensureEnd(out, '.');
          out += part;
          if (endsWithDirI(out)) out.erase(out.rfind('.'));
          ensureEnd(out, ']');
        } else {
          ensureEnd(out, sep);
          if (part[0] == sep)
            out = part;  // an absolute link target replaces the path
          else
            out += part;
          ensureEnd(out, sep);
        }
        break;
      }
      case VQ_KIND_OBJECT:
      case VQ_KIND_OBJECTLINK: {
        if (!brackets) ensureEnd(out, sep);
        if (it->kind == VQ_KIND_OBJECTLINK) {
          const char* target = nameOrTarget(it);
          if (!brackets && target[0] == sep)
            out = target;
          else
            out += target;
        } else {
          std::string name = nameOf(it);
          if (caseMode == 1)
            for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
          if (caseMode == 2)
            for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
          out += name;
        }
        break;
      }
      default:  // root, wizard entry and categories add nothing
        break;
    }
  });
  return true;
}
}  // namespace

bool RemotePath(LPCITEMIDLIST list, const shellRemoteSite* site, unsigned caseMode, std::string& out) {
  VQ_TRY
    return remotePathOf(list, site, caseMode, false, out);
  VQ_CATCH(kSource, false)
}

bool ParentRemotePath(LPCITEMIDLIST list, const shellRemoteSite* site, std::string& out) {
  VQ_TRY
    return remotePathOf(list, site, 0, true, out);
  VQ_CATCH(kSource, false)
}

std::string shellCacheComponent(const char* name) {
  std::string c = name ? name : "";
  if (c == "..") c = "__";  // a parent reference names nothing here
  // Only plain ASCII reaches the file name: a server's bytes beyond it (UTF-8 names, another code
  // page's) may not form a name in the system's code page at all, and a character the file
  // system refuses would leave the listing nowhere to go. Such bytes, and "%" itself, are written
  // as "%" and two hex digits, so different names stay different files.
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : c) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (ch == '/' || ch == '\\' || ch == ':') {
      out += '.';
    } else if (b < 0x20 || b >= 0x7F || strchr("%*?\"<>|", ch)) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += ch;
    }
  }
  out += '.';
  if (out[0] == '.') out.erase(0, 1);
  if (out.size() <= 1) out.clear();
  return out;
}

bool CacheFileName(LPCITEMIDLIST list, bool parentOnly, const shellCacheSite& site, std::string& file,
                   std::string* siteDir) {
  file.clear();
  if (siteDir) siteDir->clear();
  VQ_TRY
    std::string path, dir;
    bool haveSite = false;
    auto append = [&](const char* component) {
      std::string c = shellCacheComponent(component);
      if (c.empty()) return;
      if (!path.empty() && path.back() != '.' && path.back() != '\\') path += '.';
      path += c;
    };
    forEachItem(list, [&](LPCITEMIDLIST item, bool isLast) {
      const _FTPITEMID* it = shellOwnItem(item);
      if (!it) return;
      if (parentOnly && isLast &&
          (it->kind == VQ_KIND_FTPSITE || it->kind == VQ_KIND_FOLDER || it->kind == VQ_KIND_FOLDERLINK))
        return;
      if (it->kind == VQ_KIND_FTPSITE && !haveSite) {
        haveSite = true;
        // The site's directory is named as the site manager names it, so clearing finds it.
        std::string cacheDir = site.cacheDir ? site.cacheDir : "";
        std::string id = std::string(site.url ? site.url : "") + "(" + std::to_string(site.siteId) + ")";
        char safe[VQ_MAX_PATH];
        if (!VQSTR_SafeLocalName(id.c_str(), cacheDir.size(), safe, sizeof safe)) return;
        dir = cacheDir + safe;
        path = std::string(safe) + "\\";
        append("root");
      } else if (haveSite && shellIsFolderLikeKind(it->kind)) {
        append(nameOrTarget(it));
      }
    });
    if (!haveSite || dir.empty()) return false;
    if (!path.empty() && path.back() == '.') path.pop_back();
    file = std::string(site.cacheDir ? site.cacheDir : "") + path + ".vqLS";
    if (siteDir) *siteDir = dir;
    return true;
  VQ_CATCH(kSource, false)
}
