#include "shellFolder.h"

#include <shellapi.h>

#include <stdio.h>
#include <string.h>

#include "shellApp.h"
#include "shellCommand.h"
#include "shellDrop.h"
#include "shellFileStream.h"
#include "shellEnum.h"
#include "shellEnumFormatEtc.h"
#include "shellMenu.h"
#include "shellView.h"
#include "shellWideNames.h"
#include "vqComPtr.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "shellFolder";
const char kNoCodePageName[] =
    "The new name holds characters that this server's names cannot carry (the system's code page lacks "
    "them).\n\nChoose another name, or set the site's Names to UTF-8 if the server takes UTF-8.";

// Icon index of an item kind (negative: this module's icon resource), with the open variant.
int iconIndex(int kind, bool open, bool connected) {
  switch (kind) {
    case VQ_KIND_ROOT:
      return -1000;
    case VQ_KIND_WIZARD:
      return -1001;
    case VQ_KIND_CATEGORY:
      return open ? -1003 : -1002;
    case VQ_KIND_FTPSITE:
      return connected ? (open ? -1007 : -1006) : (open ? -1005 : -1004);
    case VQ_KIND_FOLDER:
      return open ? -9 : -8;
    case VQ_KIND_FOLDERLINK:
      return open ? -11 : -10;
    default:
      return 0;
  }
}
}  // namespace

const vqInterfaceEntry shellFolder::kTable[] = {VQ_INTERFACE(shellFolder, IShellFolder),
                                                VQ_INTERFACE(shellFolder, IPersistFolder2),
                                                VQ_INTERFACE(shellFolder, IPersistFolder),
                                                VQ_INTERFACE(shellFolder, IPersist),
                                                VQ_INTERFACE(shellFolder, IShellIcon),
                                                VQ_INTERFACE(shellFolder, IExtractIconA),
                                                VQ_INTERFACE(shellFolder, IExtractIconW),
                                                VQ_INTERFACE(shellFolder, IDataObject),
                                                VQ_INTERFACE(shellFolder, IShellExtInit),
                                                VQ_INTERFACE(shellFolder, IDropSource),
                                                VQ_INTERFACE(shellFolder, IDropTarget),
                                                VQ_INTERFACE(shellFolder, ICopyHookA),
                                                {}};

// Cheap on purpose: the shell makes folder objects many times per navigation.
shellFolder::shellFolder()
    : vqComObject(&shellApp::Get().Objects()), m_pidl(shellApp::Module()), m_initialized(false), m_role(kRoleFolder) {
  m_pidl.m_dropAllowed = false;
  m_pidl.m_rightDrag = false;
}

STDMETHODIMP shellFolder::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = CLSID_Farhollow;
  return S_OK;
}

STDMETHODIMP shellFolder::Initialize(LPCITEMIDLIST list) {
  VQ_TRY
    m_pidl.SetFolder(list);
    m_initialized = true;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::GetCurFolder(LPITEMIDLIST* out) {
  if (!out) return E_POINTER;
  *out = m_pidl.GetFolder() ? ILClone(m_pidl.GetFolder()) : nullptr;
  return *out ? S_OK : m_initialized ? E_OUTOFMEMORY : E_FAIL;
}

STDMETHODIMP shellFolder::ParseDisplayName(HWND, LPBC, LPOLESTR, ULONG*, LPITEMIDLIST* out, ULONG*) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP shellFolder::EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VQ_TRY
    // The Explorer frame is three windows up; status texts reach its status bar through it.
    HWND frame = owner;
    for (int i = 0; i < 3 && frame; ++i) frame = GetParent(frame);
    if (frame) shellApp::Get().SetExplorerWindow(frame);
    shellEnum* list = shellApp::Get().GetEnumManager().GetEnum(m_pidl.GetFolder(), flags);
    if (!list) return E_OUTOFMEMORY;
    *out = list;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

HRESULT shellFolder::Child(LPCITEMIDLIST child, REFIID riid, void** out, UINT count, LPCITEMIDLIST* items) {
  LPITEMIDLIST full = ILCombine(m_pidl.GetFolder(), child);
  if (!full) return E_OUTOFMEMORY;
  shellFolder* folder = new shellFolder();
  folder->AddRef();
  HRESULT hr = folder->Initialize(full);
  if (SUCCEEDED(hr) && count) {
    // A selection: its items, their parent and the formats it travels under.
    std::vector<BYTE>& sel = folder->m_selection;
    for (UINT i = 0; i < count; ++i) {
      int size = VQPIDL_GetListSize(items[i]);
      if (size <= 0) continue;
      const BYTE* p = reinterpret_cast<const BYTE*>(items[i]);
      sel.insert(sel.end(), p, p + size);
      folder->m_itemLists.emplace_back(p, p + size);
      folder->m_itemLists.back().resize(size + 2, 0);
    }
    sel.push_back(0);
    sel.push_back(0);
    for (auto& list : folder->m_itemLists) folder->m_selected.push_back(reinterpret_cast<LPCITEMIDLIST>(list.data()));
    const BYTE* parent = reinterpret_cast<const BYTE*>(m_pidl.GetFolder());
    if (parent) folder->m_parent.assign(parent, parent + VQPIDL_GetListSize(m_pidl.GetFolder()));
    folder->m_parent.resize(folder->m_parent.size() + 2, 0);
    folder->m_role = kRoleSelection;
    // Plain files also travel as the shell's virtual files, fetched when a drop target reads them;
    // a selection with folders offers only the placeholder, which the copy hook turns into a download.
    bool plainFiles = !folder->m_selected.empty();
    for (size_t i = 0; i < folder->m_selected.size(); ++i) {
      int kind = shellItemKind(folder->m_selected[i]);
      if (kind != VQ_KIND_OBJECT && kind != VQ_KIND_OBJECTLINK) plainFiles = false;
      folder->m_fileItems.push_back(i);
    }
    if (!plainFiles) folder->m_fileItems.clear();
    folder->m_formats =
        shellEnumFormatEtc::Fill(shellPidl::SelectionFormat(reinterpret_cast<LPCITEMIDLIST>(sel.data())), plainFiles);
  }
  if (SUCCEEDED(hr)) hr = folder->QueryInterface(riid, out);
  folder->Release();
  ILFree(full);
  return hr;
}

STDMETHODIMP shellFolder::BindToObject(LPCITEMIDLIST child, LPBC, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!child || !child->mkid.cb) return E_INVALIDARG;
  VQ_TRY
    if (!shellIsContainerKind(shellItemKind(child))) return E_FAIL;
    return Child(child, riid, out);
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::BindToStorage(LPCITEMIDLIST, LPBC, REFIID, void** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

// The order travels in the code field of a success result: a negative comparison returned as it
// is would read as a failure to the shell.
STDMETHODIMP shellFolder::CompareIDs(LPARAM, LPCITEMIDLIST a, LPCITEMIDLIST b) {
  VQ_TRY
    int n = shellCompareItemLists(a, b);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(n < 0 ? -1 : n > 0 ? 1 : 0)));
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::CreateViewObject(HWND, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VQ_TRY
    if (IsEqualIID(riid, IID_IDropTarget)) return QueryInterface(riid, out);
    if (!IsEqualIID(riid, IID_IShellView)) return E_NOINTERFACE;
    return vqCreateInstance<shellView>(riid, out, static_cast<IShellFolder*>(this), m_pidl.GetFolder());
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::GetAttributesOf(UINT count, LPCITEMIDLIST* items, SFGAOF* inOut) {
  if (!inOut || (count && !items)) return E_POINTER;
  SFGAOF bits = 0xFFFFFFFF;
  for (UINT i = 0; i < count; ++i) bits &= shellItemAttributes(VQPIDL_Last(items[i]));
  *inOut = bits;
  return S_OK;
}

STDMETHODIMP shellFolder::GetUIObjectOf(HWND owner, UINT count, LPCITEMIDLIST* items, REFIID riid, UINT*, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!count || !items || !items[0]) return E_INVALIDARG;
  VQ_TRY
    if (IsEqualIID(riid, IID_IContextMenu) || IsEqualIID(riid, IID_IShellPropSheetExt))
      return shellMenu::Create(owner, m_pidl.GetFolder(), count, items, riid, out);
    // A container under the cursor takes drops for itself.
    if (IsEqualIID(riid, IID_IDropTarget))
      return shellIsContainerKind(shellItemKind(VQPIDL_Last(items[0]))) ? Child(items[0], riid, out) : E_NOINTERFACE;
    return Child(items[0], riid, out, count, items);
  VQ_CATCH_COM(kSource)
}

// A UTF-8 server's names go to the shell as wide text; code-page names as they always went.
STDMETHODIMP shellFolder::GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF, STRRET* out) {
  if (!out) return E_POINTER;
  VQ_TRY
    LPCITEMIDLIST last = VQPIDL_Last(item);
    if (shellItemNameIsUtf8(last) && shellIsRemoteKind(shellItemKind(last))) {
      std::wstring name = shellItemWideName(last);
      const size_t bytes = (name.size() + 1) * sizeof(wchar_t);
      out->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
      if (!out->pOleStr) return E_OUTOFMEMORY;
      memcpy(out->pOleStr, name.c_str(), bytes);
      out->uType = STRRET_WSTR;
      return S_OK;
    }
    out->uType = STRRET_CSTR;
    lstrcpynA(out->cStr, shellItemName(last), sizeof out->cStr);
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::SetNameOf(HWND owner, LPCITEMIDLIST item, LPCOLESTR name, SHGDNF, LPITEMIDLIST* out) {
  if (out) *out = nullptr;
  if (!item || !item->mkid.cb || !name) return E_INVALIDARG;
  VQ_TRY
    // The new name goes to the server in the encoding its listing came in.
    LPCITEMIDLIST last = VQPIDL_Last(item);
    const bool utf8 = shellIsRemoteKind(shellItemKind(last)) && shellItemNameIsUtf8(last);
    std::string raw;
    if (!shellServerName(name, utf8, raw)) {
      VQ_MSG(kNoCodePageName, MB_OK | MB_ICONEXCLAMATION);
      return E_INVALIDARG;
    }
    if (raw.size() >= sizeof reinterpret_cast<const _FTPITEMID*>(last)->name) return E_INVALIDARG;
    shellCommand rename(owner, m_pidl.GetFolder(), 1, &item);
    return rename.Rename(raw.c_str(), out) ? S_OK : E_FAIL;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::GetIconOf(LPCITEMIDLIST item, UINT flags, int* index) {
  if (!index) return E_POINTER;
  if (!item || !item->mkid.cb || !shellIsFolderLikeKind(shellItemKind(VQPIDL_Last(item)))) return S_FALSE;
  *index = (flags & GIL_OPENICON) ? 4 : 3;
  return S_OK;
}

STDMETHODIMP shellFolder::GetIconLocation(UINT flags, LPSTR file, UINT max, int* index, UINT* outFlags) {
  if (!file || !index || !outFlags) return E_POINTER;
  VQ_TRY
    int kind = m_pidl.GetKind();
    int icon = iconIndex(kind, (flags & GIL_OPENICON) != 0, m_pidl.GetConnection() != nullptr);
    if (!icon) return S_FALSE;  // the shell's own icon for remote files
    const char* module = shellApp::Get().GetModuleFile();
    if (strlen(module) >= max) return E_INVALIDARG;
    lstrcpynA(file, module, max);
    *index = icon;
    *outFlags =
        kind == VQ_KIND_ROOT ? GIL_PERINSTANCE | GIL_DONTCACHE | GIL_NOTFILENAME : GIL_PERINSTANCE | GIL_NOTFILENAME;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::Extract(LPCSTR, UINT index, HICON* large, HICON* small, UINT) {
  VQ_TRY
    int icon = static_cast<int>(index);
    if (large) *large = nullptr;
    if (small) *small = nullptr;
    if (icon <= -1000 && icon >= -1007) {
      UINT n = ExtractIconExA(shellApp::Get().GetModuleFile(), icon, large, small, 1);
      return n ? S_OK : E_FAIL;
    }
    if (icon <= -8 && icon >= -11) {
      // Remote folders look like the system's own folders.
      char dir[MAX_PATH];
      if (!GetWindowsDirectoryA(dir, sizeof dir)) return E_FAIL;
      UINT base = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (icon == -9 || icon == -11 ? SHGFI_OPENICON : 0) |
                  (icon <= -10 ? SHGFI_LINKOVERLAY : 0);
      SHFILEINFOA info;
      if (large && SHGetFileInfoA(dir, FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, base | SHGFI_LARGEICON))
        *large = info.hIcon;
      if (small && SHGetFileInfoA(dir, FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, base | SHGFI_SMALLICON))
        *small = info.hIcon;
      return S_OK;
    }
    return S_FALSE;
  VQ_CATCH_COM(kSource)
}

// The wide pair: the shell of Windows NT and Wine ask only these, and read the file as wide text.
STDMETHODIMP shellFolder::GetIconLocation(UINT flags, LPWSTR file, UINT max, int* index, UINT* outFlags) {
  if (!file || !index || !outFlags) return E_POINTER;
  char narrow[MAX_PATH];
  HRESULT hr = GetIconLocation(flags, narrow, sizeof narrow, index, outFlags);
  if (hr != S_OK) return hr;
  int need = MultiByteToWideChar(CP_ACP, 0, narrow, -1, nullptr, 0);
  if (need <= 0 || static_cast<UINT>(need) > max) return E_INVALIDARG;
  MultiByteToWideChar(CP_ACP, 0, narrow, -1, file, static_cast<int>(max));
  return S_OK;
}

STDMETHODIMP shellFolder::Extract(LPCWSTR, UINT index, HICON* large, HICON* small, UINT size) {
  return Extract(static_cast<LPCSTR>(nullptr), index, large, small, size);
}

namespace {
HGLOBAL globalCopy(const void* data, size_t size) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!mem) return nullptr;
  if (data) memcpy(GlobalLock(mem), data, size);
  GlobalUnlock(mem);
  return mem;
}
}  // namespace

STDMETHODIMP shellFolder::QueryGetData(FORMATETC* format) {
  if (!format) return E_INVALIDARG;
  if (!(format->dwAspect & DVASPECT_CONTENT)) return DV_E_DVASPECT;
  for (const FORMATETC& f : m_formats)
    if (f.cfFormat && f.cfFormat == format->cfFormat && (f.tymed & format->tymed)) return S_OK;
  return DV_E_FORMATETC;
}

STDMETHODIMP shellFolder::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!format || !medium) return E_INVALIDARG;
  VQ_TRY
    memset(medium, 0, sizeof *medium);
    if (m_role != kRoleSelection || QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const UINT cf = format->cfFormat;
    if (cf == shellFormat(SHELL_CF_CONTENTS)) {
      // One stream per descriptor; the file is fetched when the drop target first reads it.
      if (format->lindex < 0 || static_cast<size_t>(format->lindex) >= m_fileItems.size() ||
          !(format->tymed & TYMED_ISTREAM))
        return DV_E_LINDEX;
      LPCITEMIDLIST parent = reinterpret_cast<LPCITEMIDLIST>(m_parent.data());
      IStream* stream = shellFileStream::Create(parent, m_selected[m_fileItems[format->lindex]]);
      if (!stream) return E_OUTOFMEMORY;
      medium->tymed = TYMED_ISTREAM;
      medium->pstm = stream;
      return S_OK;
    }
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    HGLOBAL mem = nullptr;
    if (cf == shellFormat(SHELL_CF_IDLIST)) {
      LPCITEMIDLIST parent = reinterpret_cast<LPCITEMIDLIST>(m_parent.data());
      unsigned n = static_cast<unsigned>(m_selected.size());
      size_t size = VQPIDL_CIDASize(parent, n, m_selected.data());
      if (!size) return E_OUTOFMEMORY;
      mem = globalCopy(nullptr, size);
      if (mem && !VQPIDL_WriteCIDA(GlobalLock(mem), size, parent, n, m_selected.data())) {
        GlobalUnlock(mem);
        GlobalFree(mem);
        return E_OUTOFMEMORY;
      }
      if (mem) GlobalUnlock(mem);
    } else if (cf == CF_HDROP) {
      // An empty folder of ours stands in for the remote items: the copy hook knows it, and a shell
      // that copies without asking makes an empty folder, never a copy of the cache.
      std::string dir = shellApp::Get().GetPlaceholderDir();
      if (dir.empty()) return E_FAIL;
      std::vector<BYTE> block(sizeof(DROPFILES) + dir.size() + 2, 0);
      reinterpret_cast<DROPFILES*>(block.data())->pFiles = sizeof(DROPFILES);
      memcpy(&block[sizeof(DROPFILES)], dir.data(), dir.size());
      mem = globalCopy(block.data(), block.size());
    } else if (cf == shellFormat(SHELL_CF_EFFECT)) {
      // Categories and sites are moved in the store; remote items are copied.
      const UINT kind = m_formats[0].cfFormat;
      const bool store = kind == shellPidl::ClipboardFormat(SHELL_FORMAT_CATEGORY) ||
                         kind == shellPidl::ClipboardFormat(SHELL_FORMAT_FTPSITE);
      const DWORD effect = store ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
      mem = globalCopy(&effect, sizeof effect);
    } else if (cf == shellFormat(SHELL_CF_DESCRIPTOR)) {
      mem = FileDescriptors();
    } else if (cf && cf == m_formats[0].cfFormat) {
      mem = globalCopy(m_selection.data(), m_selection.size());
    } else {
      return DV_E_FORMATETC;
    }
    if (!mem) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = mem;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

HGLOBAL shellFolder::FileDescriptors() const {
  const size_t n = m_fileItems.size();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(FILEGROUPDESCRIPTORW) + n * sizeof(FILEDESCRIPTORW));
  if (!mem) return nullptr;
  auto* group = static_cast<FILEGROUPDESCRIPTORW*>(GlobalLock(mem));
  group->cItems = static_cast<UINT>(n);
  for (size_t i = 0; i < n; ++i) {
    LPCITEMIDLIST item = m_selected[m_fileItems[i]];
    FILEDESCRIPTORW& d = group->fgd[i];
    d.dwFlags = FD_ATTRIBUTES | FD_FILESIZE | FD_PROGRESSUI;
    d.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    const uint64_t size = VQITEM_FullSize(shellOwnItem(item));
    d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<DWORD>(size);
    if (const _FTPITEMID* own = shellOwnItem(item)) {
      if (own->modified.dwLowDateTime || own->modified.dwHighDateTime) {
        d.ftLastWriteTime = own->modified;
        d.dwFlags |= FD_WRITESTIME;
      }
    }
    // One plain name: a server's name never climbs out of the folder it is dropped in.
    std::wstring name = shellSafeWideName(shellItemWideName(item));
    lstrcpynW(d.cFileName, name.c_str(), MAX_PATH);
  }
  GlobalUnlock(mem);
  return mem;
}

STDMETHODIMP shellFolder::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (!out) return E_INVALIDARG;
  out->ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP shellFolder::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  return vqCreateInstance<shellEnumFormatEtc>(IID_IEnumFORMATETC, reinterpret_cast<void**>(out), m_formats);
}

STDMETHODIMP shellFolder::Initialize(LPCITEMIDLIST, IDataObject* data, HKEY) {
  m_extData = vqComPtr<IDataObject>(data);
  return S_OK;
}

STDMETHODIMP shellFolder::QueryContinueDrag(BOOL escape, DWORD keys) {
  if (escape) return DRAGDROP_S_CANCEL;
  if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
  return S_OK;
}

STDMETHODIMP shellFolder::DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!data) {
    *effect = DROPEFFECT_NONE;
    return E_INVALIDARG;
  }
  VQ_TRY
    m_pidl.m_dropAllowed = shellDropAccepted(m_pidl.GetKind(), shellDropOfferOf(data));
    m_pidl.m_rightDrag = (keys & MK_RBUTTON) != 0;
    *effect = m_pidl.m_dropAllowed ? shellDropEffect(keys, *effect) : DROPEFFECT_NONE;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFolder::DragOver(DWORD keys, POINTL, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (keys & (MK_LBUTTON | MK_RBUTTON)) m_pidl.m_rightDrag = (keys & MK_RBUTTON) != 0;
  *effect = m_pidl.m_dropAllowed ? shellDropEffect(keys, *effect) : DROPEFFECT_NONE;
  return S_OK;
}

STDMETHODIMP shellFolder::DragLeave() {
  m_pidl.m_dropAllowed = false;
  return S_OK;
}

STDMETHODIMP shellFolder::Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  if (!data) {
    *effect = DROPEFFECT_NONE;
    return E_INVALIDARG;
  }
  VQ_TRY
    const DWORD offered = *effect;
    *effect = DROPEFFECT_NONE;
    // The acceptance once more: a shell may drop without a DragEnter on this very object.
    const bool allowed = shellDropAccepted(m_pidl.GetKind(), shellDropOfferOf(data));
    if (!offered || !allowed) return S_OK;
    DWORD chosen = shellDropEffect(keys, offered);
    if (m_pidl.m_rightDrag || (keys & MK_RBUTTON)) {
      chosen = shellDropMenu(nullptr, POINT{at.x, at.y}, offered);
      if (!chosen) m_pidl.m_dropAllowed = false;
    }
    if (!chosen) return S_OK;
    const DWORD done = shellDropRun(nullptr, m_pidl.GetFolder(), data, chosen);
    m_pidl.m_rightDrag = false;
    if (done == DROPEFFECT_MOVE) {
      // Our own job removes each source once its copy arrived: the drag's source must not delete
      // anything itself, so the move is reported as done by the target.
      DWORD logical = DROPEFFECT_MOVE;
      FORMATETC f = {static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Logical Performed DropEffect")), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      STGMEDIUM m = {};
      m.tymed = TYMED_HGLOBAL;
      m.hGlobal = globalCopy(&logical, sizeof logical);
      if (m.hGlobal && FAILED(data->SetData(&f, &m, TRUE))) GlobalFree(m.hGlobal);
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    *effect = done;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP_(UINT)
shellFolder::CopyCallback(HWND owner, UINT func, UINT, LPCSTR source, DWORD, LPCSTR destination, DWORD) {
  return shellCopyHook(owner, func, source, destination);
}
