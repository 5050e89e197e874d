#include "shellCommand.h"

#include <commdlg.h>
#include <shellapi.h>
#include <string.h>

#include "dlgCwd.h"
#include "dlgFileOpen.h"
#include "dlgFolder.h"
#include "dlgObjPropSheet.h"
#include "fh32_menusRes.h"
#include "inEngineMgr.h"
#include "inJob.h"
#include "shellApp.h"
#include "shellDrop.h"
#include "shellFolder.h"
#include "shellPidl.h"
#include "shellWideNames.h"
#include "vqAbout.h"
#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqFileApi.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqRegistry.h"
#include "vqSiteMgrApp.h"
#include "vqSiteParams.h"
#include "vqString.h"

namespace {
const char kSource[] = "shellCommand";
const unsigned char kProgId = 2;
const char kHelpFile[] = "fh32help.html";
const char kReleaseNotes[] = "relnotes.html";
const char kNoClipboardData[] = "Unable to retrieve clipboard data; aborting!";

HINSTANCE module() { return shellApp::Module(); }


// The directory a setting names, else this module's, ending with "\".
std::string installDir() {
  vqRegistry r;
  char dir[MAX_PATH] = "";
  if (r.RegOpenRead(HKEY_CURRENT_USER, kSettingsKey) && r.RegGetStr("TargetDir-FH32", dir, sizeof dir) && dir[0]) {
    std::string out = dir;
    if (out.back() != '\\') out += '\\';
    return out;
  }
  return shellModuleDir();
}

bool fileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string withSlash(const char* dir) {
  std::string out = dir ? dir : "";
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out;
}

}  // namespace

std::string shellModuleDir() {
  std::string path = shellApp::Get().GetModuleFile();
  size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool shellOpenDocument(HWND owner, const char* path, bool notepad) {
  VQ_TRY
    if (!path || !*path || strchr(path, '"')) return false;
    HINSTANCE r;
    if (notepad) {
      std::string quoted = std::string("\"") + path + "\"";
      r = ShellExecuteA(owner, "open", "notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL);
    } else {
      r = ShellExecuteA(owner, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
    }
    return reinterpret_cast<INT_PTR>(r) > 32;
  VQ_CATCH(kSource, false)
}

shellCommand::shellCommand(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items)
    : m_owner(owner), m_browser(nullptr) {
  if (count && items) {
    m_folder = vqItemIdList::CopyOf(folder);
    for (UINT i = 0; i < count; ++i) {
      if (!items[i]) continue;
      m_items.push_back(vqItemIdList::CopyOf(items[i]));
      m_absolute.push_back(vqItemIdList(ILCombine(folder, items[i])));
    }
  } else {
    // The folder itself: split into its parent and its last item.
    vqItemIdList whole = vqItemIdList::CopyOf(folder);
    LPITEMIDLIST parent = ILClone(folder);
    if (parent && ILRemoveLastID(parent)) {
      m_folder = vqItemIdList(parent);
      m_items.push_back(vqItemIdList(ILClone(ILFindLastID(folder))));
      m_absolute.push_back(std::move(whole));
    } else {
      if (parent) ILFree(parent);
      m_folder = std::move(whole);
    }
  }
}

LPCITEMIDLIST shellCommand::Absolute(size_t i) const {
  if (i < m_absolute.size()) return m_absolute[i].Get();
  return m_folder.Get();
}

int shellCommand::Kind() const { return shellItemKind(VQPIDL_Last(Absolute(0))); }

bool shellCommand::ConnectionOpen() const {
  int kind = Kind();
  if (kind < VQ_KIND_FTPSITE) return false;
  vqFtpEngine* engine = shellApp::Get().GetEngineManager().GetEngine(Absolute(0), 1);
  return engine && engine->FTP_IsOpen();
}

bool shellCommand::Enabled(int command, shellContext context) const {
  shellCommandState state;
  state.name = shellItemName(VQPIDL_Last(Absolute(0)));
  state.connected = (command == 2017 || command == 2018 || command == 2036) ? ConnectionOpen() : 0;
  state.clipboardDrop = command == 2028 ? IsClipboardFormatAvailable(CF_HDROP) : 0;
  return shellCommandEnabled(command, Kind(), context, state);
}

LPCITEMIDLIST shellCommand::JobList() const {
  int kind = shellItemKind(VQPIDL_Last(m_folder.Get()));
  if (kind >= VQ_KIND_FTPSITE) return m_folder.Get();
  return Absolute(0);
}

IShellBrowser* shellCommand::Browser() {
  if (m_browser) return m_browser;
  // A shell browser answers this message with itself, on its own windows and their parents.
  for (HWND w = m_owner; w; w = GetParent(w)) {
    auto* b = reinterpret_cast<IShellBrowser*>(SendMessageA(w, WM_USER + 7, 0, 0));
    if (b) return m_browser = b;
  }
  return nullptr;
}

void shellCommand::BrowseTo(LPCITEMIDLIST absolute) {
  if (IShellBrowser* b = Browser()) {
    b->BrowseObject(absolute, SBSP_SAMEBROWSER | SBSP_ABSOLUTE);
    return;
  }
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_IDLIST;
  info.hwnd = m_owner;
  info.lpVerb = "explore";
  info.lpIDList = const_cast<LPITEMIDLIST>(absolute);
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&info);
}

void shellCommand::Notify(LONG event, LPCITEMIDLIST absolute, LPCITEMIDLIST second) {
  shellApp::Get().GetEnumManager().Flush(event == SHCNE_UPDATEDIR ? absolute : m_folder.Get());
  // Our own views hear of it at once; other windows through the shell.
  shellApp::Get().RefreshViews(absolute);
  SHChangeNotify(event, SHCNF_IDLIST | SHCNF_FLUSH, absolute, second);
}

HRESULT shellCommand::Run(int command, shellContext context) {
  VQ_TRY
    if (!Enabled(command, context)) return E_INVALIDARG;
    switch (command) {
      case 2001:
      case 2002:
        return NewCategoryOrSite(command);
      case 2003:
        return NewFolder();
      case 2005:
        return Explore();
      case 2006:
        return ChangeDirectory();
      case 2007:
      case 2008:
        return QueueJob(command, nullptr);
      case 2009:
        return Delete();
      case 2010:
        return StartRename();
      case 2011: {
        vqSiteParams site(kProgId);
        std::string path, name;
        if (SiteKeySplit(Absolute(0), path, name)) site.SITE_LoadParams(path.c_str(), name.c_str());
        return QueueJob(2011, withSlash(site.GetDefXferDir()).c_str());
      }
      case 2012:
        return DownloadTo();
      case 2013:
        return UploadCommand();
      case 2017:
      case 2018:
        return QueueJob(command, nullptr);
      case 2019:
        return Refresh();
      case 2023:
        return ViewCacheFile();
      case 2024:
        return Welcome();
      case 2027:
        return Copy();
      case 2028:
        return Paste();
      case 2032:
        return Properties(false);
      case 2037:
        return Properties(true);
      case 2035:
        vqAbout::DoAbout(module(), m_owner);
        shellApp::Get().SaveState();
        return S_OK;
      case 2036:
        return CancelTransfer();
      case 7002: {
        vqAppParams* app = shellApp::Get().GetAppParams();
        if (!app) return E_FAIL;
        app->APP_LoadParams();
        app->APP_Properties(kProgId, m_owner);
        return S_OK;
      }
      case 7003:
      case 7004:
      case 7005:
        return TransferMode(command);
      case 7018: {
        std::string notes = installDir() + kReleaseNotes;
        if (!shellOpenDocument(m_owner, notes.c_str(), false))
          VQ_MSG(VQ_TEXT(module(), IDS_ASK_HELP + 1), MB_OK | MB_ICONEXCLAMATION);
        return S_OK;
      }
      case 7019: {
        // Only what is installed is offered: the guide, else the release notes beside it.
        std::string dir = installDir();
        if (shellOpenDocument(m_owner, (dir + kHelpFile).c_str(), false)) return S_OK;
        std::string notes = dir + kReleaseNotes;
        if (!fileExists(notes)) {
          VQ_MSG(VQ_TEXT(module(), IDS_ASK_HELP + 1), MB_OK | MB_ICONEXCLAMATION);
        } else if (VQ_QUESTION(VQ_TEXT(module(), IDS_ASK_HELP), MB_YESNO) == IDYES) {
          shellOpenDocument(m_owner, notes.c_str(), false);
        }
        return S_OK;
      }
      default:
        // The view's own commands (view modes, order, log pane) are the view's.
        return E_INVALIDARG;
    }
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}

HRESULT shellCommand::NewCategoryOrSite(int command) {
  // Inside the root or category the command concerns; from the wizard entry, its parent.
  int kind = Kind();
  LPCITEMIDLIST container = (kind == VQ_KIND_ROOT || kind == VQ_KIND_CATEGORY) ? Absolute(0) : m_folder.Get();
  std::string key;
  if (!SiteKeyPath(container, key)) key = VQ_SITES_LIST;
  vqSiteParams site(kProgId);
  int ok;
  if (command == 2001) {
    ok = site.SITE_CategoryWizard(m_owner, key.c_str());
  } else {
    site.SITE_InitParams(1, nullptr);
    site.SetSiteSubPath(key.c_str());
    ok = site.SITE_Wizard(m_owner);
  }
  if (!ok) return S_OK;
  vqItemIdList made = shellPidl::WithChild(container, command == 2001 ? VQ_KIND_CATEGORY : VQ_KIND_FTPSITE, site.GetSiteName());
  shellApp::Get().GetEnumManager().Flush(container);
  if (made.Get()) {
    shellApp::Get().RefreshViews(made.Get());
    SHChangeNotify(SHCNE_MKDIR, SHCNF_IDLIST | SHCNF_FLUSH, made.Get(), nullptr);
  }
  return S_OK;
}

HRESULT shellCommand::NewFolder() {
  dlgFolder dialog(Absolute(0));
  if (dialog.DoModal(m_owner) != IDOK) return S_OK;
  vqItemIdList made = shellPidl::WithChild(Absolute(0), VQ_KIND_FOLDER, dialog.m_name.c_str());
  if (made.Get()) shellSetItemUtf8(shellOwnItem(const_cast<LPITEMIDLIST>(VQPIDL_Last(made.Get()))), dialog.m_utf8);
  shellPidl pidl(module());
  std::string cache;
  pidl.SetCacheDir(shellApp::Get().GetCacheDir().c_str());
  if (pidl.CacheFileName(Absolute(0), false, cache)) VQAPI_UnlinkFiles(cache.c_str());
  shellApp::Get().GetEnumManager().Flush(Absolute(0));
  if (made.Get()) {
    shellApp::Get().RefreshViews(made.Get());
    SHChangeNotify(SHCNE_MKDIR, SHCNF_IDLIST | SHCNF_FLUSH, made.Get(), nullptr);
  }
  return S_OK;
}

HRESULT shellCommand::Explore() {
  for (size_t i = 0; i < m_absolute.size(); ++i) {
    int kind = shellItemKind(VQPIDL_Last(Absolute(i)));
    if (kind == VQ_KIND_FTPSITE || kind == VQ_KIND_CATEGORY || shellIsFolderLikeKind(kind)) BrowseTo(Absolute(i));
  }
  return S_OK;
}

HRESULT shellCommand::ChangeDirectory() {
  dlgCwd dialog;
  if (dialog.DoModal(m_owner) != IDOK || dialog.m_dir.empty()) return S_OK;
  vqItemIdList base;
  if (dialog.m_dir[0] == '/')
    base = vqItemIdList(SiteOnly(Absolute(0)));
  else
    base = vqItemIdList::CopyOf(Absolute(0));
  if (!base.Get()) return E_FAIL;
  vqItemIdList target = shellPidl::WithChild(base.Get(), VQ_KIND_FOLDER, dialog.m_dir.c_str());
  if (!target.Get()) return E_OUTOFMEMORY;
  BrowseTo(target.Get());
  return S_OK;
}

HRESULT shellCommand::Delete() {
  if (VQ_QUESTION(VQ_TEXT(module(), IDS_ASK_DELETE), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return S_OK;
  bool remote = false;
  for (size_t i = 0; i < m_absolute.size(); ++i) {
    int kind = shellItemKind(VQPIDL_Last(Absolute(i)));
    if (kind == VQ_KIND_CATEGORY || kind == VQ_KIND_FTPSITE) {
      std::string path, name;
      vqSiteParams store(kProgId);
      if (SiteKeySplit(Absolute(i), path, name) && store.SITE_Delete(path.c_str(), name.c_str()))
        Notify(kind == VQ_KIND_CATEGORY ? SHCNE_RMDIR : SHCNE_RMDIR, Absolute(i));
    } else if (shellIsRemoteKind(kind)) {
      remote = true;
    }
  }
  if (remote) QueueJob(2009, nullptr);
  if (IShellBrowser* b = Browser()) b->BrowseObject(m_folder.Get(), SBSP_SAMEBROWSER | SBSP_ABSOLUTE);
  return S_OK;
}

HRESULT shellCommand::QueueJob(int command, const char* localDir) {
  inJob* job = new inJob(command, JobList());
  for (size_t i = 0; i < m_absolute.size(); ++i) {
    int kind = shellItemKind(VQPIDL_Last(Absolute(i)));
    // Only remote items travel (a delete's categories and sites were done in the store).
    if (command == 2009 && !shellIsRemoteKind(kind)) continue;
    inTask* task = new inTask(Absolute(i), nullptr);
    task->Name = shellItemName(VQPIDL_Last(Absolute(i)));
    if (localDir) task->LocalDir = localDir;
    job->AddTask(task);
  }
  // The task manager owns the job from here, also when it cannot take it.
  shellApp::Get().SubmitJob(job);
  return S_OK;
}

HRESULT shellCommand::DownloadTo() {
  vqSiteParams site(kProgId);
  std::string path, name;
  if (SiteKeySplit(Absolute(0), path, name)) site.SITE_LoadParams(path.c_str(), name.c_str());
  std::string dir;
  if (!dlgFileOpen::ChooseDirectory(m_owner, site.GetDefXferDir(), dir)) return S_OK;
  return QueueJob(2012, dir.c_str());
}

HRESULT shellCommand::UploadCommand() {
  vqSiteParams site(kProgId);
  std::string path, name;
  if (SiteKeySplit(Absolute(0), path, name)) site.SITE_LoadParams(path.c_str(), name.c_str());
  // Wide, so a file whose name the code page lacks can be chosen and read.
  std::vector<wchar_t> buffer(40960, 0);
  const std::wstring initialDir = shellFromCodePage(site.GetDefXferDir());
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_owner;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = initialDir.c_str();
  ofn.lpstrTitle = L"Upload";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT;
  if (!GetOpenFileNameW(&ofn)) return S_OK;
  return Upload(shellChosenFiles(buffer.data()), false);
}

HRESULT shellCommand::Upload(const std::vector<std::wstring>& files, bool move) {
  if (files.empty()) return S_OK;
  // One job per target folder: the selected containers, or the folder shown.
  std::vector<LPCITEMIDLIST> targets;
  for (size_t i = 0; i < m_absolute.size(); ++i) {
    int kind = shellItemKind(VQPIDL_Last(Absolute(i)));
    if (kind == VQ_KIND_FTPSITE || shellIsFolderLikeKind(kind)) targets.push_back(Absolute(i));
  }
  if (targets.empty()) targets.push_back(m_folder.Get());
  for (LPCITEMIDLIST target : targets) {
    inJob* job = new inJob(2013, target);
    for (const std::wstring& file : files) {
      size_t cut = file.find_last_of(L'\\');
      const std::wstring wideName = cut == std::wstring::npos ? file : file.substr(cut + 1);
      // The narrow forms stay for the item and the older calls; "?" marks what the code page lacks.
      const std::string dir = cut == std::wstring::npos ? std::string() : shellShownNarrow(file.substr(0, cut + 1));
      const std::string name = shellShownNarrow(wideName);
      DWORD a = GetFileAttributesW(file.c_str());
      bool isDir = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
      vqItemIdList source = shellPidl::WithChild(target, isDir ? VQ_KIND_FOLDER : VQ_KIND_OBJECT, name.c_str());
      inTask* task = new inTask(source.Get(), target);
      task->IsMove = move ? 1 : 0;
      task->LocalDir = dir;
      task->Name = name;
      task->LocalFile = file;
      job->AddTask(task);
    }
    shellApp::Get().SubmitJob(job);
  }
  return S_OK;
}

HRESULT shellCommand::Paste() {
  vqComPtr<IDataObject> data;
  if (FAILED(OleGetClipboard(data.Put())) || !data.Get()) return E_FAIL;
  LPCITEMIDLIST target = m_absolute.empty() ? m_folder.Get() : Absolute(0);
  if (!shellIsContainerKind(shellItemKind(VQPIDL_Last(target)))) target = m_folder.Get();
  // The namespace's own items always copy (a "cut" of them never removes the source); files cut
  // in a file window move.
  if (shellDropOfferOf(data.Get()).Items()) {
    std::vector<vqItemIdList> items;
    if (shellDropItems(data.Get(), items)) shellTransferItems(m_owner, target, items, false);
    return S_OK;
  }
  std::vector<std::wstring> files = shellDropFiles(data.Get());
  if (files.empty()) {
    VQ_MSG(kNoClipboardData, MB_OK | MB_ICONEXCLAMATION);
    return S_OK;
  }
  const bool move = shellPreferredEffect(data.Get()) == DROPEFFECT_MOVE;
  data.Reset();
  return Upload(files, move);
}

HRESULT shellCommand::Copy() {
  shellFolder* folder = new shellFolder();
  folder->AddRef();
  HRESULT hr = folder->Initialize(m_folder.Get());
  std::vector<LPCITEMIDLIST> items;
  for (auto& it : m_items) items.push_back(it.Get());
  IDataObject* data = nullptr;
  if (SUCCEEDED(hr) && !items.empty())
    hr = folder->GetUIObjectOf(m_owner, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
                               reinterpret_cast<void**>(&data));
  folder->Release();
  if (FAILED(hr) || !data) return FAILED(hr) ? hr : E_FAIL;
  hr = OleSetClipboard(data);
  data->Release();
  return hr;
}

HRESULT shellCommand::Refresh() {
  int kind = Kind();
  LPCITEMIDLIST folder = shellIsContainerKind(kind) ? Absolute(0) : m_folder.Get();
  shellPidl pidl(module());
  pidl.SetCacheDir(shellApp::Get().GetCacheDir().c_str());
  std::string cache;
  if (pidl.CacheFileName(folder, false, cache)) VQAPI_UnlinkFiles(cache.c_str());
  Notify(SHCNE_UPDATEDIR, folder);
  return S_OK;
}

HRESULT shellCommand::ViewCacheFile() {
  shellPidl pidl(module());
  pidl.SetCacheDir(shellApp::Get().GetCacheDir().c_str());
  std::string cache;
  if (!pidl.CacheFileName(Absolute(0), false, cache)) return E_FAIL;
  return shellOpenDocument(m_owner, cache.c_str(), true) ? S_OK : E_FAIL;
}

HRESULT shellCommand::Welcome() {
  for (size_t i = 0; i < (m_absolute.empty() ? 1 : m_absolute.size()); ++i) {
    if (shellItemKind(VQPIDL_Last(Absolute(i))) != VQ_KIND_FTPSITE) continue;
    vqFtpEngine* engine = shellApp::Get().GetEngineManager().GetEngine(Absolute(i), 1);
    const char* text = engine ? engine->GetWelcomeMsg() : "";
    VQ_MSG(text && *text ? text : VQ_TEXT(module(), IDS_NO_WELCOME), MB_OK | MB_ICONEXCLAMATION);
  }
  return S_OK;
}

HRESULT shellCommand::Properties(bool siteOfItem) {
  int kind = Kind();
  if (siteOfItem || kind == VQ_KIND_CATEGORY || kind == VQ_KIND_FTPSITE) {
    vqItemIdList site(siteOfItem ? SiteOnly(Absolute(0)) : VQPIDL_Clone(Absolute(0)));
    std::string path, name;
    if (!site.Get() || !SiteKeySplit(site.Get(), path, name)) return E_FAIL;
    vqSiteParams params(kProgId);
    if (!params.SITE_LoadParams(path.c_str(), name.c_str())) return E_FAIL;
    if (!params.SITE_Properties(m_owner)) return S_OK;
    inEngineMgr& engines = shellApp::Get().GetEngineManager();
    vqFtpEngine* engine = engines.GetEngine(site.Get(), 1);
    if (engine && engine->FTP_IsOpen() &&
        VQ_QUESTION(VQ_TEXT(module(), IDS_ASK_RECONNECT), MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
      if (engines.LockAndConnect(site.Get(), 0) == 0) engines.Release(site.Get(), 1);
    }
    // A renamed site shows under its new name.
    LPITEMIDLIST parent = ILClone(site.Get());
    if (parent && ILRemoveLastID(parent)) Notify(SHCNE_UPDATEDIR, parent);
    if (parent) ILFree(parent);
    return S_OK;
  }
  std::vector<LPCITEMIDLIST> items;
  for (auto& it : m_items) items.push_back(it.Get());
  dlgObjPropSheet::Show(m_owner, m_folder.Get(), static_cast<UINT>(items.size()), items.data());
  return S_OK;
}

HRESULT shellCommand::CancelTransfer() {
  vqFtpEngine* engine = shellApp::Get().GetEngineManager().GetEngine(Absolute(0), 1);
  if (engine && engine->FTP_IsOpen()) engine->FTP_CANCEL();
  return S_OK;
}

HRESULT shellCommand::TransferMode(int command) {
  vqAppParams* app = shellApp::Get().GetAppParams();
  if (!app) return E_FAIL;
  app->SetTransferMode(command == 7003 ? 2 : command == 7005 ? 1 : 0);
  shellApp::Get().SaveState();
  return S_OK;
}

HRESULT shellCommand::StartRename() {
  // The view edits the name in place; the edit ends in the folder's SetNameOf.
  IShellBrowser* b = Browser();
  IShellView* view = nullptr;
  if (!b || FAILED(b->QueryActiveShellView(&view)) || !view || m_items.empty()) return E_FAIL;
  HRESULT hr = view->SelectItem(m_items[0].Get(), SVSI_EDIT | SVSI_SELECT | SVSI_DESELECTOTHERS | SVSI_FOCUSED);
  view->Release();
  return hr;
}

bool shellCommand::Rename(const char* newName, LPITEMIDLIST* out) {
  if (out) *out = nullptr;
  VQ_TRY
    if (m_absolute.empty() || !newName) return false;
    std::string to = newName;
    char* t = &to[0];
    to = VQSTR_Trim(t);
    LPCITEMIDLIST abs = Absolute(0);
    int kind = Kind();
    const char* from = shellItemName(VQPIDL_Last(abs));
    if (to.empty() || to == from) return false;
    auto fail = [&](const char* why) {
      char text[2048];
      snprintf(text, sizeof text, VQ_TEXT(module(), IDS_RENAME_FAILED), from, to.c_str(), why);
      VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION);
      return false;
    };
    if (to.find_first_of("\r\n") != std::string::npos) return fail("The name contains a line break.");
    vqItemIdList renamed = shellPidl::WithChild(m_folder.Get(), kind, to.c_str());
    if (!renamed.Get()) return false;
    if (kind == VQ_KIND_CATEGORY || kind == VQ_KIND_FTPSITE) {
      std::string path, name;
      vqSiteParams store(kProgId);
      if (!SiteKeySplit(abs, path, name)) return false;
      if (!vqSiteParams::SITE_IsValidName(to.c_str())) return fail("The name is not a valid site or category name.");
      if (store.SITE_Exists(path.c_str(), to.c_str())) return fail("An item by this name already exists.");
      if (!store.SITE_Rename(path.c_str(), name.c_str(), path.c_str(), to.c_str()))
        return fail("The site store could not be changed.");
    } else if (shellIsRemoteKind(kind)) {
      // Keep the item's own fields (size, date, flags), with the new name.
      _FTPITEMID* item = shellOwnItem(const_cast<LPITEMIDLIST>(VQPIDL_Last(renamed.Get())));
      const _FTPITEMID* old = shellOwnItem(VQPIDL_Last(abs));
      if (item && old) {
        memcpy(item, old, sizeof *item);
        snprintf(item->name, sizeof item->name, "%s", to.c_str());
      }
      if (to.find('/') != std::string::npos) return fail("The name contains a \"/\".");
      inEngineMgr& engines = shellApp::Get().GetEngineManager();
      unsigned long rc = engines.LockAndConnect(abs, 1);
      if (rc) return fail(VQ_TEXT(module(), IDS_NO_SOCKET));
      vqFtpEngine* engine = engines.GetEngine(abs, 1);
      shellPidl pidl(module());
      pidl.SetConnection(engine);
      std::string oldPath, newPath;
      if (!engine || !pidl.RemotePath(abs, false, oldPath) || !pidl.RemotePath(renamed.Get(), false, newPath)) {
        engines.Release(abs, 0);
        return fail(VQ_TEXT(module(), IDS_NO_SOCKET));
      }
      rc = engine->FTP_REN(oldPath.c_str(), newPath.c_str());
      std::string why = rc ? engine->FTP_ErrorString(rc) : "";
      engines.Release(abs, 0);
      if (rc) return fail(why.c_str());
    } else {
      return false;
    }
    shellApp::Get().GetEnumManager().Flush(m_folder.Get());
    shellApp::Get().RefreshViews(abs);
    SHChangeNotify(shellIsContainerKind(kind) ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, SHCNF_IDLIST | SHCNF_FLUSH, abs,
                   renamed.Get());
    if (out) *out = ILClone(ILFindLastID(renamed.Get()));
    return true;
  VQ_CATCH(kSource, false)
}
