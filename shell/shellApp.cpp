#include "shellApp.h"

#include <winsock2.h>
#include <commctrl.h>
#include <olectl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "dlgShellView.h"
#include "fh32_tasksRes.h"
#include "inEngineMgr.h"
#include "inJob.h"
#include "inTaskManager.h"
#include "shellItems.h"
#include "shellWideNames.h"
#include "vqAppParams.h"
#include "vqMsg.h"
#include "vqWait.h"
#include "vqEngineModule.h"
#include "vqSiteMgrApp.h"
#include "vqVersion.h"

namespace {
const char kSource[] = "shellApp";
const char kNameSpaceFmt[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Explorer\\%s\\NameSpace\\%s";
const char* const kPlaces[] = {"Desktop", "MyComputer", "Internet", "NetworkNeighborhood"};
const int kDefaultWidths[SHELL_COLUMNS] = {160, 100, 200, 200, 80, 120};
// "Attributes" of the class: has-subfolder, folder, can delete, can rename; on the desktop the
// junction shows property sheets instead of renaming.
const DWORD kAttributes = 0xA0000030, kDesktopAttributes = 0xA0000060;
const DWORD kLockWaitMs = 10000;

std::string nameSpaceKey(const char* place) {
  char key[256];
  snprintf(key, sizeof key, kNameSpaceFmt, place, kFarhollowClsid);
  return key;
}
// The shell asks the copy hook before it copies a folder (our placeholder among them).
const char kCopyHookKey[] = "Directory\\shellex\\CopyHookHandlers\\Farhollow";

std::string classKey(const char* sub = nullptr) {
  std::string key = std::string("CLSID\\") + kFarhollowClsid;
  if (sub) key += std::string("\\") + sub;
  return key;
}
bool putValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}
bool putText(HKEY root, const std::string& path, const char* name, const char* text) {
  return putValue(root, path, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}
bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
// A missing key is no failure.
bool deleteTree(HKEY root, const std::string& path) {
  LONG rc = SHDeleteKeyA(root, path.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
int clampWidth(long w) { return w < 0 ? 0 : w > SHELL_COLWIDTH_MAX - 1 ? SHELL_COLWIDTH_MAX : static_cast<int>(w); }

// One group of up to six comma-separated numbers; stops at the first that is not one.
void parseGroup(const char* p, const char* end, int widths[SHELL_COLUMNS]) {
  for (int i = 0; i < SHELL_COLUMNS && p < end; ++i) {
    char* stop;
    long v = strtol(p, &stop, 10);
    if (stop == p || stop > end) return;
    widths[i] = clampWidth(v);
    p = stop;
    if (p < end && *p != ',') return;
    ++p;
  }
}

BOOL CALLBACK startOnce(PINIT_ONCE, PVOID app, PVOID*) {
  static_cast<shellApp*>(app)->Startup();
  return TRUE;
}
}  // namespace

const CLSID CLSID_Farhollow = {0x5E0C7A31, 0x0000, 0x0000, {0x00, 0x02, 0x00, 0x00, 0x07, 0x31, 0x04, 0x12}};
const char kFarhollowClsid[] = "{5E0C7A31-0000-0000-0002-000007310412}";
const char kSettingsKey[] = "SoftWare\\Quillon\\Farhollow\\Settings";
HINSTANCE shellApp::s_module = nullptr;

void shellParseColWidths(const char* text, int root[SHELL_COLUMNS], int remote[SHELL_COLUMNS]) {
  if (!text) return;
  const char* bar = strchr(text, '|');
  const char* end = text + strlen(text);
  parseGroup(text, bar ? bar : end, root);
  if (bar) parseGroup(bar + 1, end, remote);
}

std::string shellFormatColWidths(const int root[SHELL_COLUMNS], const int remote[SHELL_COLUMNS]) {
  std::string out;
  for (int g = 0; g < 2; ++g) {
    const int* w = g ? remote : root;
    for (int i = 0; i < SHELL_COLUMNS; ++i) {
      if (i) out += ',';
      out += std::to_string(clampWidth(w[i]));
    }
    if (!g) out += '|';
  }
  return out;
}

shellApp& shellApp::Get() {
  static shellApp* app = new shellApp();  // lives until the process ends: threads may outlive unloading
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&once, startOnce, app, nullptr);
  return *app;
}

shellApp::shellApp() : m_engines(nullptr), m_started(0), m_explorer(nullptr) {
  InitializeSRWLock(&m_threadLock);
  m_moduleFile[0] = 0;
  InitializeSRWLock(&m_viewLock);
  InitializeSRWLock(&m_dragLock);
  memcpy(m_rootWidths, kDefaultWidths, sizeof m_rootWidths);
  memcpy(m_remoteWidths, kDefaultWidths, sizeof m_remoteWidths);
}

void shellApp::Startup() {
  if (InterlockedExchange(&m_started, 1)) return;
  try {
    vqAppParams* params = GetAppParams();
    bool firstRun = !keyExists(HKEY_CURRENT_USER, kSettingsKey) && !keyExists(HKEY_LOCAL_MACHINE, kSettingsKey);
    LoadColWidths();
    if (params && params->GetFH32LogfileEnabled()) {
      m_log.SetLogName(params->GetFH32LogfileName());
      m_log.DebuggerOn(1);
    } else {
      m_log.DebuggerOff();
    }
    if (firstRun) SaveState();
  } catch (...) {
    // The extension goes on with its defaults; the user learns the settings were not read.
    vqCatchReport(kSource, __LINE__);
    VQ_MSG(VQ_TEXT(Module(), 7133), MB_OK | MB_ICONSTOP);
  }
  // Started once for the life of the process: the engine's own starts only count up from here.
  WSADATA wsa;
  m_network = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
  if (!m_network) {
    m_log.DEBUGMSG("FH32: Winsock could not be started.");
    VQ_MSG(VQ_TEXT(Module(), 7134), MB_OK | MB_ICONSTOP);
  }
  VQ_TRY
    std::string banner(65, '+');
    m_log.DEBUGMSG("%s", banner.c_str());
    VQTOOLS_DUMPVERSION(&m_log);
    VQSMGR_DUMPVERSION(&m_log);
    VQENG_DUMPVERSION(&m_log);
    vqVersion own(GetModuleFile());
    own.VerGetInfo();
    char line[256];
    own.FormatVersionLine(line, sizeof line);
    m_log.DEBUGMSG("%s", line);
    m_log.DEBUGMSG("%s", banner.c_str());
  VQ_CATCH_VOID(kSource)
}

void shellApp::LoadColWidths() {
  char text[256] = {};
  DWORD size = sizeof text - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "ColWidths", RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    size = sizeof text - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kSettingsKey, "ColWidths", RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
      return;
  }
  shellParseColWidths(text, m_rootWidths, m_remoteWidths);
}

vqAppParams* shellApp::GetAppParams() { return VQSMGR_GetAppParams(); }

const char* shellApp::GetModuleFile() {
  if (!m_moduleFile[0]) {
    DWORD n = GetModuleFileNameA(s_module, m_moduleFile, sizeof m_moduleFile);
    if (n == 0 || n >= sizeof m_moduleFile) m_moduleFile[0] = 0;
  }
  return m_moduleFile;
}

std::string shellApp::GetCacheDir() {
  if (!m_cacheDir.empty()) return m_cacheDir;
  char dir[MAX_PATH + 16] = {};
  DWORD size = MAX_PATH;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "DefCacheDir", RRF_RT_REG_SZ, nullptr, dir, &size) !=
          ERROR_SUCCESS ||
      !dir[0]) {
    if (!GetTempPathA(MAX_PATH, dir) && !GetWindowsDirectoryA(dir, MAX_PATH)) return "";
    size_t n = strlen(dir);
    if (n && dir[n - 1] != '\\') strcat(dir, "\\");
    strcat(dir, "vqCache\\");
  }
  std::string out = dir;
  if (out.back() != '\\') out += '\\';
  SHCreateDirectoryExA(nullptr, out.substr(0, out.size() - 1).c_str(), nullptr);
  m_cacheDir = out;
  return out;
}

std::string shellApp::GetPlaceholderDir() {
  std::string cache = GetCacheDir();
  if (cache.empty()) return cache;
  std::string dir = cache + "Farhollow items";
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void shellApp::SetDragData(IDataObject* data) {
  if (data) data->AddRef();
  AcquireSRWLockExclusive(&m_dragLock);
  IDataObject* old = m_dragData;
  m_dragData = data;
  ReleaseSRWLockExclusive(&m_dragLock);
  if (old) old->Release();
}

vqComPtr<IDataObject> shellApp::DragData() {
  AcquireSRWLockShared(&m_dragLock);
  vqComPtr<IDataObject> out(m_dragData);
  ReleaseSRWLockShared(&m_dragLock);
  return out;
}

void shellApp::Log(int level, const char* format, ...) {
  (void)level;
  if (!m_log.IsDebuggerOn()) return;
  char line[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  m_log.DEBUGMSG("%s", line);
}

int shellApp::SaveState() {
  if (!m_lock.LockAcquire(kLockWaitMs)) return 0xFFFF;
  int result = 0xFFFF;
  VQ_TRY
    bool ok = true;
    vqAppParams* params = GetAppParams();
    if (params) params->APP_SaveParams();
    std::string widths = shellFormatColWidths(m_rootWidths, m_remoteWidths);
    ok &= putText(HKEY_CURRENT_USER, kSettingsKey, "ColWidths", widths.c_str());
    if (keyExists(HKEY_LOCAL_MACHINE, kSettingsKey)) deleteTree(HKEY_LOCAL_MACHINE, kSettingsKey);
    for (const char* place : kPlaces) deleteTree(HKEY_LOCAL_MACHINE, nameSpaceKey(place));
    unsigned placement = params ? params->GetIconPlacement() : 0;
    const char* place = placement == 1   ? "MyComputer"
                        : placement == 2 ? "Internet"
                        : placement == 3 ? "NetworkNeighborhood"
                                         : "Desktop";
    bool desktop = !strcmp(place, "Desktop");
    DWORD attributes = desktop ? kDesktopAttributes : kAttributes;
    ok &= putValue(HKEY_CLASSES_ROOT, classKey("ShellFolder"), "Attributes", REG_BINARY, &attributes, 4);
    ok &= putText(HKEY_CLASSES_ROOT, classKey("Shell"), nullptr, desktop ? "Launch" : "");
    ok &= putText(HKEY_LOCAL_MACHINE, nameSpaceKey(place), nullptr, "Farhollow");
    result = ok ? 0 : 0xFFFF;
  VQ_CATCH_VOID(kSource)
  m_lock.LockRelease();
  return result;
}

HRESULT shellApp::Register() {
  VQ_TRY
    const char* file = GetModuleFile();
    if (!file[0]) return SELFREG_E_CLASS;
    std::string icon = std::string(file) + ",-1000";
    bool ok = putText(HKEY_CLASSES_ROOT, classKey(), nullptr, "Farhollow") &&
              putText(HKEY_CLASSES_ROOT, classKey("InprocServer32"), nullptr, file) &&
              putText(HKEY_CLASSES_ROOT, classKey("InprocServer32"), "ThreadingModel", "Apartment") &&
              putText(HKEY_CLASSES_ROOT, classKey("DefaultIcon"), nullptr, icon.c_str()) &&
              putText(HKEY_CLASSES_ROOT, kCopyHookKey, nullptr, kFarhollowClsid);
    if (!ok) return SELFREG_E_CLASS;
    return SaveState() == 0 ? S_OK : SELFREG_E_CLASS;
  VQ_CATCH_COM(kSource)
}

HRESULT shellApp::Unregister() {
  VQ_TRY
    bool ok = true;
    for (const char* place : kPlaces) ok &= deleteTree(HKEY_LOCAL_MACHINE, nameSpaceKey(place));
    ok &= deleteTree(HKEY_CLASSES_ROOT, classKey());
    ok &= deleteTree(HKEY_CLASSES_ROOT, kCopyHookKey);
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      LONG rc = RegDeleteValueA(key, "ColWidths");
      ok &= rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
      RegCloseKey(key);
    }
    return ok ? S_OK : SELFREG_E_CLASS;
  VQ_CATCH_COM(kSource)
}

bool shellApp::CanUnload() {
  if (m_objects.Count() != 0) {
    if (static_cast<size_t>(m_objects.Count()) != m_enums.CachedCount()) return false;
    m_enums.FlushAll();
    if (m_objects.Count() != 0) return false;
  }
  // The module may go now: none of its threads may outlive it.
  ShutdownThreads();
  return true;
}

inEngineMgr& shellApp::GetEngineManager() {
  AcquireSRWLockExclusive(&m_threadLock);
  if (!m_engines) m_engines = new inEngineMgr();
  inEngineMgr* engines = m_engines;
  ReleaseSRWLockExclusive(&m_threadLock);
  // Started outside the lock: starting waits for the thread.
  if (!engines->IsRunning()) engines->Start();
  return *engines;
}

int shellApp::SubmitJob(inJob* job) {
  if (!job) return 0;
  inTaskManager* manager = nullptr;
  bool fresh = false;
  VQ_TRY
    if (job->SiteName.empty()) {
      delete job;
      return 0;
    }
    std::string key = job->SiteKey();
    AcquireSRWLockExclusive(&m_threadLock);
    auto found = m_taskManagers.find(key);
    if (found != m_taskManagers.end()) {
      manager = found->second;
    } else {
      manager = new inTaskManager();
      m_taskManagers[key] = manager;
      fresh = true;
    }
    ReleaseSRWLockExclusive(&m_threadLock);
  VQ_CATCH_VOID(kSource)
  if (!manager) {
    delete job;
    return 0;
  }
  if (fresh && manager->Start()) {
    while (!manager->PostThreadMessage(IN_MSG_DISPATCH, 0, 1)) VQ_WaitIdle(10);
  }
  return manager->AddJob(job);
}

void shellApp::ChangeNotify(LONG event, LPCITEMIDLIST item) {
  if (!item) return;
  VQ_TRY
    // A site's own state (connected or not, learned values) shows anew without asking the server
    // again: a listing after Disconnect would connect once more.
    RefreshViews(item, event != SHCNE_UPDATEITEM);
    LPITEMIDLIST full = nullptr;
    if (item->mkid.cb && !shellOwnItem(item)) {
      SHChangeNotify(event, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, item, nullptr);
      return;
    }
    // Ours alone: below the junction, wherever the namespace is mounted.
    LPITEMIDLIST root = nullptr;
    std::wstring name = L"::";
    for (const char* p = kFarhollowClsid; *p; ++p) name += static_cast<wchar_t>(*p);
    if (SUCCEEDED(SHParseDisplayName(name.c_str(), nullptr, &root, 0, nullptr)) && root) {
      full = ILCombine(root, item);
      CoTaskMemFree(root);
    }
    if (full) {
      SHChangeNotify(event, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, full, nullptr);
      CoTaskMemFree(full);
    }
  VQ_CATCH_VOID(kSource)
}

namespace {
BOOL CALLBACK findStatusBar(HWND hwnd, LPARAM out) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (!_stricmp(cls, STATUSCLASSNAMEA)) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

void shellApp::SetStatusText(const char* text) { SetStatusText(shellFromCodePage(text).c_str()); }

void shellApp::SetStatusText(const wchar_t* text) {
  VQ_TRY
    AppendLog(text);
    HWND explorer = m_explorer;
    if (!explorer || !IsWindow(explorer)) return;
    wchar_t line[131];
    size_t n = 0;
    for (const wchar_t* p = text ? text : L""; *p && n < 130; ++p)
      if (*p != L'\r' && *p != L'\n') line[n++] = *p;
    line[n] = 0;
    // The status bar is reached by message, never through the browser's interface: callers are
    // worker threads, and the Explorer window's thread may be waiting for them (it pumps messages).
    HWND status = nullptr;
    EnumChildWindows(explorer, findStatusBar, reinterpret_cast<LPARAM>(&status));
    DWORD_PTR ignored;
    if (status)
      SendMessageTimeoutW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(line), SMTO_ABORTIFHUNG, 2000, &ignored);
  VQ_CATCH_VOID(kSource)
}

void shellApp::ShowWelcome(const char* text) {
  const char* shown = text && text[0] ? text : VQ_TEXT(s_module, IDS_NO_WELCOME);
  VQ_MSG(shown, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
}

void shellApp::ShutdownThreads() {
  VQ_TRY
    std::map<std::string, inTaskManager*> managers;
    AcquireSRWLockExclusive(&m_threadLock);
    managers.swap(m_taskManagers);
    inEngineMgr* engines = m_engines;
    m_engines = nullptr;
    ReleaseSRWLockExclusive(&m_threadLock);
    for (auto& entry : managers) entry.second->RequestQuit();
    for (auto& entry : managers) delete entry.second;  // waits for each thread to end
    delete engines;
  VQ_CATCH_VOID(kSource)
}

void shellApp::AddView(HWND view, LPCITEMIDLIST folder) {
  View entry = {view, inEnumMgr::FolderKey(folder)};
  AcquireSRWLockExclusive(&m_viewLock);
  m_views.push_back(entry);
  ReleaseSRWLockExclusive(&m_viewLock);
}

void shellApp::RemoveView(HWND view) {
  AcquireSRWLockExclusive(&m_viewLock);
  for (auto it = m_views.begin(); it != m_views.end();) it = it->window == view ? m_views.erase(it) : it + 1;
  ReleaseSRWLockExclusive(&m_viewLock);
}

HWND shellApp::CurrentView() {
  HWND found = nullptr;
  AcquireSRWLockShared(&m_viewLock);
  for (const View& v : m_views)
    if (IsWindow(v.window)) {
      found = v.window;
      break;
    }
  ReleaseSRWLockShared(&m_viewLock);
  return found;
}

void shellApp::RefreshViews(LPCITEMIDLIST changed, bool relist) {
  std::string item = inEnumMgr::FolderKey(changed);
  LPITEMIDLIST parent = VQPIDL_CloneParent(changed);
  std::string folder = inEnumMgr::FolderKey(parent);
  VQPIDL_Free(parent);
  AcquireSRWLockShared(&m_viewLock);
  for (const View& v : m_views)
    if (v.folderKey == item || v.folderKey == folder) PostMessageA(v.window, WM_SHELLVIEW_RELIST, relist ? 1 : 0, 0);
  ReleaseSRWLockShared(&m_viewLock);
}

void shellApp::AppendLog(const wchar_t* text) {
  if (!text || !*text) return;
  std::vector<HWND> views;
  AcquireSRWLockExclusive(&m_viewLock);
  m_logLines.push_back(text);
  if (m_logLines.size() > kLogLinesKept) m_logLines.pop_front();
  ++m_logSeq;
  for (const View& v : m_views) views.push_back(v.window);
  ReleaseSRWLockExclusive(&m_viewLock);
  for (HWND w : views) PostMessageA(w, WM_SHELLVIEW_LOG, 0, 0);
}

size_t shellApp::LogLinesSince(size_t seen, std::vector<std::wstring>& out) {
  AcquireSRWLockShared(&m_viewLock);
  size_t fresh = m_logSeq - seen < m_logLines.size() ? m_logSeq - seen : m_logLines.size();
  out.assign(m_logLines.end() - static_cast<std::ptrdiff_t>(fresh), m_logLines.end());
  size_t now = m_logSeq;
  ReleaseSRWLockShared(&m_viewLock);
  return now;
}
