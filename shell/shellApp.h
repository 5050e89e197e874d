// The extension's process-wide application object: the module's object count, start-up on first
// use, the services the folder objects ask for, and the registry keys that mount the namespace.
#pragma once
#include <windows.h>

#include <map>
#include <deque>
#include <string>
#include <vector>

#include "inEnumMgr.h"
#include "vqComObject.h"
#include "vqComPtr.h"
#include "vqDebugger.h"
#include "vqLock.h"

class vqAppParams;
class inEngineMgr;
class inJob;
class inTaskManager;

// {5E0C7A31-0000-0000-0002-000007310412}
extern const CLSID CLSID_Farhollow;
extern const char kFarhollowClsid[];  // the same, as registry text
extern const char kSettingsKey[];     // "SoftWare\Quillon\Farhollow\Settings"

enum { SHELL_COLUMNS = 6, SHELL_COLWIDTH_MAX = 500 };
// "ColWidths": six widths for root and category views, "|", six for site and folder views.
// Each is limited to 0..500; a missing or unreadable value keeps the width it had.
void shellParseColWidths(const char* text, int root[SHELL_COLUMNS], int remote[SHELL_COLUMNS]);
std::string shellFormatColWidths(const int root[SHELL_COLUMNS], const int remote[SHELL_COLUMNS]);

class shellApp {
 public:
  static shellApp& Get();
  shellApp(const shellApp&) = delete;
  shellApp& operator=(const shellApp&) = delete;

  // Set by DllMain; the module whose resources and file name the services use.
  static void SetModule(HINSTANCE module) { s_module = module; }
  static HINSTANCE Module() { return s_module; }
  vqModuleCount& Objects() { return m_objects; }

  // Settings, log and version lines, once per process. Reads the registry only: folder objects are
  // made many times per navigation, and nothing here may wait on the network.
  void Startup();
  // Whether start-up found a working network layer.
  bool NetworkReady() const { return m_network; }

  vqAppParams* GetAppParams();
  // The listing and file cache directory, created when missing; ends with "\".
  std::string GetCacheDir();
  // The empty folder a selection's CF_HDROP names in place of the remote items (inside the cache
  // directory, without a trailing "\"), created when missing. A shell that copies it without asking
  // the copy hook makes an empty folder, never a copy of the cache.
  std::string GetPlaceholderDir();
  // The data object of the drag our view runs, for the copy hook (none outside a drag).
  void SetDragData(IDataObject* data);
  vqComPtr<IDataObject> DragData();
  const char* GetModuleFile();
  void Log(int level, const char* format, ...);
  void SetExplorerWindow(HWND wnd) { m_explorer = wnd; }
  HWND GetExplorerWindow() const { return m_explorer; }

  int* ColWidths(bool remote) { return remote ? m_remoteWidths : m_rootWidths; }
  // Saves the settings and writes the keys that mount the namespace by the icon placement.
  // 0 on success, 0xFFFF on a fault or when the lock could not be had.
  int SaveState();
  // Keys of the class itself (this module as its in-process server), then SaveState.
  HRESULT Register();
  // Removes what Register and SaveState wrote: the class key, the mount points, "ColWidths".
  HRESULT Unregister();

  inEnumMgr& GetEnumManager() { return m_enums; }

  // Open folder views, by window, in the order they were made; the first is the current view.
  void AddView(HWND view, LPCITEMIDLIST folder);
  void RemoveView(HWND view);
  HWND CurrentView();
  // Asks every open view showing the changed item's folder, or the item itself, to list again.
  // Any thread; the views do it on their own.
  void RefreshViews(LPCITEMIDLIST changed, bool relist = true);
  // The session log shown in the views' log panes: a line from any thread, and the lines after
  // the count a view has seen (returns the new count). The newest lines are kept, whole: a name
  // beyond the code page shows as it is.
  void AppendLog(const wchar_t* text);
  size_t LogLinesSince(size_t seen, std::vector<std::wstring>& out);
  // True when no object is alive but the enumeration manager's cached folders, which are then
  // dropped: a cache must not keep the module loaded.
  bool CanUnload();

  // The pooled connections, started on first use.
  inEngineMgr& GetEngineManager();
  // Queues the job on its site's task manager (started on first use). The job is owned from here
  // on, also on failure. Non-zero when queued; 0 for a job without a site.
  int SubmitJob(inJob* job);
  // Tells the shell that an item changed; a list of ours alone (no junction in front) is taken as
  // relative to the namespace root.
  void ChangeNotify(LONG event, LPCITEMIDLIST absoluteOrRootRelative);
  // Shows the text in the status bar of the Explorer window that listed last, when it still exists
  // (at most 130 characters, line breaks removed). Callable from any thread.
  void SetStatusText(const char* text);
  // Wide, for lines that name files beyond the code page.
  void SetStatusText(const wchar_t* text);
  // The server's welcome message; an empty one says none was found.
  void ShowWelcome(const char* text);
  // Ends every task manager and the engine manager and waits for their threads: after this no
  // thread of the module runs. Jobs still queued are not run.
  void ShutdownThreads();

 private:
  shellApp();
  void LoadColWidths();

  static HINSTANCE s_module;
  vqModuleCount m_objects;
  vqLock m_lock;  // the application lock: SaveState and the start-up
  vqDebugger m_log;
  inEnumMgr m_enums;
  SRWLOCK m_threadLock;  // the task-manager map and the engine manager pointer; short
  inEngineMgr* m_engines;
  std::map<std::string, inTaskManager*> m_taskManagers;
  volatile LONG m_started;
  bool m_network = false;  // Winsock started; without it the extension does not load
  HWND m_explorer;
  char m_moduleFile[MAX_PATH];
  std::string m_cacheDir;
  int m_rootWidths[SHELL_COLUMNS];
  int m_remoteWidths[SHELL_COLUMNS];
  struct View {
    HWND window;
    std::string folderKey;
  };
  SRWLOCK m_dragLock;  // m_dragData only
  IDataObject* m_dragData = nullptr;
  SRWLOCK m_viewLock;  // the view list only; nothing waits while holding it
  std::vector<View> m_views;
  enum { kLogLinesKept = 500 };
  std::deque<std::wstring> m_logLines;
  size_t m_logSeq = 0;
};
