// The extension's process-wide application object: the module's object count, start-up on first
// use, the services the folder objects ask for, and the registry keys that mount the namespace.
#pragma once
#include <windows.h>

#include <string>

#include "inEnumMgr.h"
#include "vqComObject.h"
#include "vqDebugger.h"
#include "vqLock.h"

class vqAppParams;

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

  vqAppParams* GetAppParams();
  // The listing and file cache directory, created when missing; ends with "\".
  std::string GetCacheDir();
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
  // True when no object is alive but the enumeration manager's cached folders, which are then
  // dropped: a cache must not keep the module loaded.
  bool CanUnload();

 private:
  shellApp();
  void LoadColWidths();

  static HINSTANCE s_module;
  vqModuleCount m_objects;
  vqLock m_lock;  // the application lock: SaveState and the start-up
  vqDebugger m_log;
  inEnumMgr m_enums;
  volatile LONG m_started;
  HWND m_explorer;
  char m_moduleFile[MAX_PATH];
  std::string m_cacheDir;
  int m_rootWidths[SHELL_COLUMNS];
  int m_remoteWidths[SHELL_COLUMNS];
};
