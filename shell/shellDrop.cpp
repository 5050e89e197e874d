#include "shellDrop.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "fh32_menusRes.h"
#include "inJob.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellDropBlocks.h"
#include "shellItems.h"
#include "shellPaths.h"
#include "shellPidl.h"
#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "shellDrop";
const unsigned char kProgId = 2;
const char kRefused[] = "You cant drop that here!";
const char kNoClipboard[] = "Unable to retrieve clipboard data; aborting!";
const char kSitesRoot[] = "FTP-Sites\\";
// The menu's ids are the effects they choose (resource 1094).
const UINT kMenuMove = DROPEFFECT_MOVE, kMenuCopy = DROPEFFECT_COPY;

shellDropMenuHook g_menuHook = nullptr;

bool offers(IDataObject* data, UINT format) {
  if (!format) return false;
  FORMATETC f = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&f) == S_OK;
}

// Hands a global-memory format's bytes to read, locked, with the global's own size (at most
// SHELL_BLOCK_MAX of them): what they mean is checked by the block readers.
template <typename Read>
bool withBlock(IDataObject* data, UINT format, Read read) {
  FORMATETC f = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m;
  if (!data || !format || FAILED(data->GetData(&f, &m))) return false;
  bool ok = false;
  if (m.tymed == TYMED_HGLOBAL && m.hGlobal) {
    const size_t size = GlobalSize(m.hGlobal);
    const void* p = GlobalLock(m.hGlobal);
    if (p) {
      try {
        ok = read(p, size < SHELL_BLOCK_MAX ? size : SHELL_BLOCK_MAX);
      } catch (...) {
        ok = false;
      }
      GlobalUnlock(m.hGlobal);
    }
  }
  ReleaseStgMedium(&m);
  return ok;
}

// An item's place for comparing a drag's items with its target: category, site and remote names
// joined by "\", without the leading "FTP-Sites\".
std::string placeOf(LPCITEMIDLIST list) {
  std::string path;
  if (!ItemPathString(list, path)) return std::string();
  for (char& c : path)
    if (c == '|') c = '\\';
  if (path.compare(0, sizeof kSitesRoot - 1, kSitesRoot) == 0) path.erase(0, sizeof kSitesRoot - 1);
  return path;
}

// True when path is place or lies inside it (whole names only: "pub2" is not inside "pub").
bool within(const std::string& path, const std::string& place) {
  if (place.empty()) return true;
  if (path.size() < place.size() || _strnicmp(path.c_str(), place.c_str(), place.size()) != 0) return false;
  return path.size() == place.size() || path[place.size()] == '\\';
}

LPITEMIDLIST parentOf(LPCITEMIDLIST list) {
  LPITEMIDLIST parent = ILClone(list);
  if (parent && !ILRemoveLastID(parent)) {
    ILFree(parent);
    return nullptr;
  }
  return parent;
}

void changed(LONG event, LPCITEMIDLIST list) {
  shellApp::Get().RefreshViews(list);
  SHChangeNotify(event, SHCNF_IDLIST | SHCNF_FLUSH, list, nullptr);
}

// Categories and sites onto the root or a category: copied or moved in the site store.
int storeTransfer(LPCITEMIDLIST target, const std::vector<vqItemIdList>& items, bool move) {
  std::string toPath;
  if (!SiteKeyPath(target, toPath)) return 0;
  inEnumMgr& enums = shellApp::Get().GetEnumManager();
  int done = 0;
  for (const vqItemIdList& item : items) {
    const int kind = shellItemKind(VQPIDL_Last(item.Get()));
    if (kind != VQ_KIND_CATEGORY && kind != VQ_KIND_FTPSITE) continue;
    std::string fromPath, name;
    if (!SiteKeySplit(item.Get(), fromPath, name)) continue;
    // Moving into the category it is in already changes nothing.
    if (move && _stricmp(fromPath.c_str(), toPath.c_str()) == 0) continue;
    vqSiteParams store(kProgId);
    int ok = move ? store.SITE_Rename(fromPath.c_str(), name.c_str(), toPath.c_str(), name.c_str())
                  : store.SITE_Copy(fromPath.c_str(), name.c_str(), toPath.c_str(), name.c_str());
    if (!ok) {
      shellApp::Get().Log(3, "Unable to %s %s\\%s to %s\n", move ? "move" : "copy", fromPath.c_str(), name.c_str(),
                          toPath.c_str());
      continue;
    }
    ++done;
    // A copy may have taken another name ("Copy of ...") beside an item of the same name.
    const char* made = !move && store.GetSiteName()[0] ? store.GetSiteName() : name.c_str();
    vqItemIdList madeList = shellPidl::WithChild(target, kind, made);
    enums.Flush(target);
    if (madeList.Get()) changed(SHCNE_MKDIR, madeList.Get());
    if (move) {
      vqItemIdList from(parentOf(item.Get()));
      if (from.Get()) enums.Flush(from.Get());
      changed(SHCNE_RMDIR, item.Get());
    }
  }
  return done;
}

// Remote items onto a site or remote folder: one job on the source site's task manager.
int remoteTransfer(LPCITEMIDLIST target, const std::vector<vqItemIdList>& items, bool move) {
  std::string toPath, toName, fromPath, fromName;
  if (!SiteKeySplit(target, toPath, toName)) return 0;
  const std::string targetPlace = placeOf(target);
  inJob* job = nullptr;
  for (const vqItemIdList& item : items) {
    if (!shellIsRemoteKind(shellItemKind(VQPIDL_Last(item.Get())))) continue;
    if (!SiteKeySplit(item.Get(), fromPath, fromName)) continue;
    vqItemIdList parent(parentOf(item.Get()));
    // An item copied onto its own folder would be written over while it is read.
    if (parent.Get() && _stricmp(placeOf(parent.Get()).c_str(), targetPlace.c_str()) == 0) continue;
    const char* name = shellItemName(VQPIDL_Last(item.Get()));
    if (!job) {
      const bool sameSite = _stricmp(toPath.c_str(), fromPath.c_str()) == 0 && toName == fromName;
      job = new inJob(sameSite ? IN_CMD_INTRA_SITE : IN_CMD_SITE_TO_SITE, item.Get());
      const std::string fromSite = fromPath + "\\" + fromName, toSite = toPath + "\\" + toName;
      if (sameSite)
        shellApp::Get().Log(3, "IntraSite transfer of %s for %s\n", name, fromSite.c_str());
      else
        shellApp::Get().Log(3, "Site-To-Site transfer of %s from %s to %s\n", name, fromSite.c_str(), toSite.c_str());
    }
    inTask* task = new inTask(item.Get(), target);
    task->Name = name;
    task->NameIsUtf8 = shellItemNameIsUtf8(VQPIDL_Last(item.Get()));
    task->IsMove = move ? 1 : 0;
    job->AddTask(task);
  }
  if (!job) return 0;
  const int count = static_cast<int>(job->Tasks.size());
  // The task manager owns the job from here, also when it cannot take it.
  return shellApp::Get().SubmitJob(job) ? count : 0;
}

}  // namespace

std::wstring shellSafeWideName(std::wstring name) {
  for (wchar_t& c : name)
    if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  if (name.empty()) name = L"_";
  if (name.size() >= MAX_PATH) name.resize(MAX_PATH - 1);
  return name;
}

UINT shellFormat(shellClipFormat which) {
  static const char* const names[] = {"Shell IDList Array", "Preferred DropEffect", "UniformResourceLocator",
                                      "FileGroupDescriptorW", "FileContents"};
  static UINT ids[5];
  const int i = static_cast<int>(which);
  if (i < 0 || i >= 5) return 0;
  if (!ids[i]) ids[i] = RegisterClipboardFormatA(names[i]);
  return ids[i];
}

shellDropOffer shellDropOfferOf(IDataObject* data) {
  shellDropOffer offer;
  if (!data) return offer;
  offer.files = offers(data, CF_HDROP);
  offer.categories = offers(data, shellPidl::ClipboardFormat(SHELL_FORMAT_CATEGORY));
  offer.sites = offers(data, shellPidl::ClipboardFormat(SHELL_FORMAT_FTPSITE));
  offer.folders = offers(data, shellPidl::ClipboardFormat(SHELL_FORMAT_FOLDER));
  offer.objects = offers(data, shellPidl::ClipboardFormat(SHELL_FORMAT_OBJECT));
  offer.url = offers(data, shellFormat(SHELL_CF_URL));
  return offer;
}

bool shellDropAccepted(int targetKind, const shellDropOffer& offer) {
  switch (targetKind) {
    case VQ_KIND_ROOT:
    case VQ_KIND_CATEGORY:
      return offer.categories || offer.sites || offer.url;
    case VQ_KIND_FTPSITE:
    case VQ_KIND_FOLDER:
    case VQ_KIND_FOLDERLINK:
      if (offer.categories || offer.sites) return false;
      return offer.files || offer.folders || offer.objects;
    default:
      return false;
  }
}

DWORD shellDropEffect(DWORD keys, DWORD offered) {
  const bool ctrl = (keys & MK_CONTROL) != 0, alt = (keys & MK_ALT) != 0;
  if (ctrl && alt) return DROPEFFECT_NONE;
  if (ctrl) return offered & DROPEFFECT_COPY;
  if (alt) return offered & DROPEFFECT_MOVE;
  // The shell's own rule: the effect must be one the source offers.
  if (offered & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  return offered & DROPEFFECT_MOVE;
}

void shellSetDropMenuHook(shellDropMenuHook hook) { g_menuHook = hook; }

DWORD shellDropMenu(HWND owner, POINT at, DWORD offered) {
  VQ_TRY
    HMENU bar = LoadMenuA(shellApp::Module(), MAKEINTRESOURCEA(IDM_DROP));
    HMENU popup = bar ? GetSubMenu(bar, 0) : nullptr;
    if (!popup) {
      if (bar) DestroyMenu(bar);
      return DROPEFFECT_NONE;
    }
    if (!(offered & DROPEFFECT_MOVE)) DeleteMenu(popup, kMenuMove, MF_BYCOMMAND);
    if (!(offered & DROPEFFECT_COPY)) DeleteMenu(popup, kMenuCopy, MF_BYCOMMAND);
    if (!(offered & (DROPEFFECT_MOVE | DROPEFFECT_COPY))) DeleteMenu(popup, 0, MF_BYPOSITION);  // the separator
    UINT chosen;
    if (g_menuHook) {
      chosen = g_menuHook(popup);
    } else {
      // The menu needs a window of this thread; a folder object has none of its own.
      HWND window = owner && GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId() ? owner : nullptr;
      HWND own = window ? nullptr
                        : CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, at.x, at.y, 1, 1, nullptr, nullptr,
                                          shellApp::Module(), nullptr);
      if (own) SetForegroundWindow(own);
      chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0,
                              window ? window : own, nullptr);
      if (own) DestroyWindow(own);
    }
    DestroyMenu(bar);
    if (chosen == kMenuMove && (offered & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
    if (chosen == kMenuCopy && (offered & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
    return DROPEFFECT_NONE;
  VQ_CATCH(kSource, DROPEFFECT_NONE)
}

bool shellDropItems(IDataObject* data, std::vector<vqItemIdList>& items, vqItemIdList* parentOut) {
  items.clear();
  const bool ok = withBlock(data, shellFormat(SHELL_CF_IDLIST), [&](const void* block, size_t size) {
    return shellBlockItems(block, size, items, parentOut);
  });
  if (!ok) items.clear();  // also what a reader stopped by running out of memory had made
  return ok;
}

std::vector<std::wstring> shellDropFiles(IDataObject* data) {
  std::vector<std::wstring> files;
  shellDropNames names;
  // Names travel wide from here on; the longest a wide path can be is the bound.
  if (!withBlock(data, CF_HDROP, [&](const void* block, size_t size) {
        return shellBlockDropFiles(block, size, 32767, names);
      }))
    return files;
  for (const std::u16string& wide : names.wideNames)
    files.emplace_back(reinterpret_cast<const wchar_t*>(wide.c_str()), wide.size());
  for (const std::string& narrow : names.narrow) {
    const int n = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), static_cast<int>(narrow.size()), nullptr, 0);
    if (n <= 0) {
      ++names.skipped;
      continue;
    }
    std::wstring path(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), static_cast<int>(narrow.size()), &path[0], n);
    files.push_back(path);
  }
  if (names.skipped)
    shellApp::Get().Log(3, "%u dropped file name(s) too long or cut short; left out\n",
                        static_cast<unsigned>(names.skipped));
  return files;
}

std::vector<std::wstring> shellChosenFiles(const wchar_t* buffer) {
  std::vector<std::wstring> files;
  if (!buffer || !*buffer) return files;
  const std::wstring first = buffer;
  const wchar_t* p = buffer + first.size() + 1;
  if (!*p) {
    files.push_back(first);
    return files;
  }
  const std::wstring dir = first.back() == L'\\' ? first : first + L"\\";
  for (; *p; p += wcslen(p) + 1) files.push_back(dir + p);
  return files;
}

DWORD shellPreferredEffect(IDataObject* data) {
  uint32_t effect = 0;
  withBlock(data, shellFormat(SHELL_CF_EFFECT),
            [&](const void* block, size_t size) { return shellBlockEffect(block, size, effect); });
  return effect;
}

bool shellDropIntoItself(LPCITEMIDLIST target, const std::vector<vqItemIdList>& items) {
  const std::string to = placeOf(target);
  for (const vqItemIdList& item : items) {
    const std::string from = placeOf(item.Get());
    if (!from.empty() && within(to, from)) return true;
  }
  return false;
}

int shellTransferItems(HWND, LPCITEMIDLIST target, const std::vector<vqItemIdList>& items, bool move) {
  VQ_TRY
    const int kind = shellItemKind(VQPIDL_Last(target));
    if (kind == VQ_KIND_ROOT || kind == VQ_KIND_CATEGORY) return storeTransfer(target, items, move);
    if (kind == VQ_KIND_FTPSITE || shellIsFolderLikeKind(kind)) return remoteTransfer(target, items, move);
    return 0;
  VQ_CATCH(kSource, 0)
}

DWORD shellDropRun(HWND owner, LPCITEMIDLIST target, IDataObject* data, DWORD effect) {
  VQ_TRY
    if (!data || !target || !(effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE))) return DROPEFFECT_NONE;
    const bool move = effect == DROPEFFECT_MOVE;
    if (vqAppParams* app = shellApp::Get().GetAppParams()) app->APP_LoadParams();
    const shellDropOffer offer = shellDropOfferOf(data);
    if (offer.url) {
      std::string url;
      withBlock(data, shellFormat(SHELL_CF_URL), [&](const void* block, size_t size) {
        url = shellBlockText(block, size, 2048);
        return true;
      });
      shellApp::Get().Log(3, "URL: %s\n", url.c_str());
      // Nothing is made of a URL: the source must not take it as moved.
      return DROPEFFECT_NONE;
    }
    if (offer.Items()) {
      std::vector<vqItemIdList> items;
      if (!shellDropItems(data, items)) return DROPEFFECT_NONE;
      if (move && shellDropIntoItself(target, items)) {
        VQ_MSG(kRefused, MB_OK | MB_ICONEXCLAMATION);
        return DROPEFFECT_NONE;
      }
      return shellTransferItems(owner, target, items, move) ? effect : DROPEFFECT_NONE;
    }
    std::vector<std::wstring> files = shellDropFiles(data);
    if (files.empty()) return DROPEFFECT_NONE;
    shellCommand upload(owner, target, 0, nullptr);
    return SUCCEEDED(upload.UploadFiles(files, move)) ? effect : DROPEFFECT_NONE;
  VQ_CATCH(kSource, DROPEFFECT_NONE)
}

UINT shellCopyHook(HWND, UINT func, const char* source, const char* destination) {
  VQ_TRY
    if (func != FO_COPY && func != FO_MOVE) return IDYES;
    // Only the placeholder is ours; any other folder the shell copies goes on as usual.
    std::string placeholder = shellApp::Get().GetPlaceholderDir();
    std::string from = source ? source : "";
    while (!from.empty() && from.back() == '\\') from.pop_back();
    if (placeholder.empty() || _stricmp(from.c_str(), placeholder.c_str()) != 0) return IDYES;

    // A drag of ours names its items in its own data object; a paste in the clipboard's.
    vqComPtr<IDataObject> data = shellApp::Get().DragData();
    const bool fromClipboard = !data.Get();
    if (fromClipboard && (FAILED(OleGetClipboard(data.Put())) || !data.Get())) return IDYES;
    const shellDropOffer offer = shellDropOfferOf(data.Get());
    if (!offer.sites && !offer.folders && !offer.objects) return IDYES;  // categories do not download

    const std::string to = destination ? destination : "";
    const size_t cut = to.find_last_of('\\');
    if (to.empty()) {
      shellApp::Get().Log(3, "`%s` is an invalid destination file!\n", to.c_str());
      return IDYES;
    }
    if (cut == std::string::npos || cut == 0) {
      shellApp::Get().Log(3, "`%s` is an invalid destination directory!\n", to.c_str());
      return IDYES;
    }
    std::vector<vqItemIdList> items;
    vqItemIdList parent;
    if (!shellDropItems(data.Get(), items, &parent)) {
      VQ_MSG(kNoClipboard, MB_OK | MB_ICONEXCLAMATION);
      return IDCANCEL;
    }
    // A paste never moves remote items: a "cut" of them is copied, and the source stays.
    const bool move = func == FO_MOVE && !fromClipboard;
    inJob* job = new inJob(IN_CMD_DOWNLOAD, parent.Get());
    for (const vqItemIdList& item : items) {
      const int kind = shellItemKind(VQPIDL_Last(item.Get()));
      if (!shellIsRemoteKind(kind) && kind != VQ_KIND_FTPSITE) continue;
      inTask* task = new inTask(item.Get(), nullptr);
      task->Name = shellItemName(VQPIDL_Last(item.Get()));
      task->NameIsUtf8 = shellItemNameIsUtf8(VQPIDL_Last(item.Get()));
      task->IsMove = move ? 1 : 0;
      task->LocalDir = to.substr(0, cut + 1);
      job->AddTask(task);
    }
    data.Reset();
    if (job->Tasks.empty())
      delete job;
    else
      shellApp::Get().SubmitJob(job);
    if (fromClipboard && OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    // The shell must not copy the placeholder itself.
    return IDCANCEL;
  VQ_CATCH(kSource, IDCANCEL)
}
