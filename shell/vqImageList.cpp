#include "vqImageList.h"

#include <shellapi.h>
#include <string.h>

#include "shellApp.h"
#include "vqCatch.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "vqImageList";

// The extension a file's icon and type are looked up by, lower-cased ("" for none).
std::string extensionOf(const char* name) {
  const char* dot = strrchr(name, '.');
  std::string ext = dot && dot[1] ? dot : "";
  for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Whether the system registers a file type for the extension. Where it does not, the shell's own
// type name is a made-up one (Wine says ".txt file"), and ours follows Windows' form instead.
bool systemKnowsType(const std::string& ext) {
  if (ext.size() < 2) return false;
  char progId[256] = {};
  LONG size = sizeof progId - 1;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, ext.c_str(), progId, &size) != ERROR_SUCCESS || !progId[0]) return false;
  char description[256] = {};
  size = sizeof description - 1;
  return RegQueryValueA(HKEY_CLASSES_ROOT, progId, description, &size) == ERROR_SUCCESS && description[0];
}
}  // namespace

vqImageList& vqImageList::Get() {
  static vqImageList lists;
  return lists;
}

vqImageList::vqImageList() : m_large(nullptr), m_small(nullptr) { InitializeCriticalSection(&m_lock); }

void vqImageList::Create() {
  if (m_large) return;
  m_large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 16);
  m_small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 16);
}

HIMAGELIST vqImageList::Large() {
  EnterCriticalSection(&m_lock);
  Create();
  LeaveCriticalSection(&m_lock);
  return m_large;
}

HIMAGELIST vqImageList::Small() {
  EnterCriticalSection(&m_lock);
  Create();
  LeaveCriticalSection(&m_lock);
  return m_small;
}

const vqImageList::Entry& vqImageList::Lookup(const std::string& key, int kind, const char* name) {
  auto found = m_cache.find(key);
  if (found != m_cache.end()) return found->second;
  Entry entry = {-1, std::string()};
  HICON large = nullptr, small = nullptr;
  bool link = shellIsLinkKind(kind);
  if (kind >= VQ_KIND_ROOT && kind <= VQ_KIND_FTPSITE) {
    // The namespace's own icons: resource ids are minus the folder's icon indices.
    int id = kind == VQ_KIND_ROOT ? 1000 : kind == VQ_KIND_WIZARD ? 1001 : kind == VQ_KIND_CATEGORY ? 1002 : 1004;
    if (key == "site+") id = 1006;
    HINSTANCE module = shellApp::Module();
    entry.typeName = VQ_TEXT(module, static_cast<unsigned>(id));
    large = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0));
    small = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
  } else {
    bool folder = shellIsFolderLikeKind(kind);
    char path[MAX_PATH] = "fred";
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (folder) {
      if (!GetWindowsDirectoryA(path, sizeof path)) lstrcpynA(path, "C:\\windows", sizeof path);
      attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
      std::string file = "fred" + extensionOf(name);
      lstrcpynA(path, file.c_str(), sizeof path);
    }
    UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (link ? SHGFI_LINKOVERLAY : 0);
    SHFILEINFOA info;
    memset(&info, 0, sizeof info);
    if (SHGetFileInfoA(path, attributes, &info, sizeof info, flags | SHGFI_LARGEICON | SHGFI_TYPENAME)) {
      large = info.hIcon;
      entry.typeName = info.szTypeName;
    }
    memset(&info, 0, sizeof info);
    if (SHGetFileInfoA(path, attributes, &info, sizeof info, flags | SHGFI_SMALLICON)) small = info.hIcon;
    const std::string ext = extensionOf(name);
    if (folder) {
      entry.typeName = link ? "Folder Link" : "Folder";
    } else if (ext == ".exe") {
      entry.typeName = "Application";
    } else if (entry.typeName.empty() || !systemKnowsType(ext)) {
      entry.typeName = ext.size() > 1 ? ext.substr(1) + " File" : "Object";
      for (size_t i = 0; i + 5 < entry.typeName.size(); ++i)
        entry.typeName[i] = static_cast<char>(toupper(static_cast<unsigned char>(entry.typeName[i])));
    }
  }
  if (large && small) {
    int at = ImageList_AddIcon(m_large, large);
    if (at >= 0 && ImageList_AddIcon(m_small, small) == at) entry.index = at;
  }
  if (large) DestroyIcon(large);
  if (small) DestroyIcon(small);
  return m_cache.emplace(key, entry).first->second;
}

int vqImageList::IconOf(_FTPITEMID* item, bool connected) {
  if (!item) return -1;
  VQ_TRY
    int kind = item->kind;
    std::string key;
    switch (kind) {
      case VQ_KIND_ROOT:
      case VQ_KIND_WIZARD:
      case VQ_KIND_CATEGORY:
        key = "kind" + std::to_string(kind);
        break;
      case VQ_KIND_FTPSITE:
        key = connected ? "site+" : "site";
        break;
      case VQ_KIND_FOLDER:
        key = "folder";
        break;
      case VQ_KIND_FOLDERLINK:
        key = "folder|link";
        break;
      default:
        item->name[sizeof item->name - 1] = 0;
        key = "file" + extensionOf(item->name) + (shellIsLinkKind(kind) ? "|link" : "");
        break;
    }
    EnterCriticalSection(&m_lock);
    Create();
    item->name[sizeof item->name - 1] = 0;
    const Entry& entry = Lookup(key, kind, item->name);
    int index = entry.index;
    if (!item->typeName[0] && strcmp(item->name, "..") != 0)
      lstrcpynA(item->typeName, entry.typeName.c_str(), sizeof item->typeName);
    LeaveCriticalSection(&m_lock);
    return index;
  VQ_CATCH(kSource, -1)
}
