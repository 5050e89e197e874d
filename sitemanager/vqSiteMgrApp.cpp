// The library's one module object: created when vqSMgr.dll is loaded, destroyed when it is
// unloaded.
#include "vqSiteMgrApp.h"

#include <windows.h>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqDebugger.h"
#include "vqVersion.h"

namespace {
const char kSource[] = "vqSiteMgr";

class vqSiteMgrApp {
 public:
  vqSiteMgrApp() { InitInstance(); }
  vqSiteMgrApp(const vqSiteMgrApp&) = delete;
  vqSiteMgrApp& operator=(const vqSiteMgrApp&) = delete;

 private:
  // The settings are read once at start-up; every later VQSMGR_GetAppParams reads them again.
  void InitInstance() { VQSMGR_GetAppParams(); }
};

HMODULE selfModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&selfModule), &self);
  return self;
}
}  // namespace

void VQSMGR_DUMPVERSION(vqDebugger* log) {
  VQ_TRY
    if (!log) return;
    char path[MAX_PATH + 1] = {0};
    GetModuleFileNameA(selfModule(), path, MAX_PATH);
    vqVersion version(path);
    version.VerGetInfo();
    char line[1100];
    version.FormatVersionLine(line, sizeof line);
    log->DEBUGMSG("%s", line);
  VQ_CATCH_VOID(kSource)
}

vqSiteMgrApp* g_app = nullptr;

// The runtime has built the library's globals (the settings objects) before this is called.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    VQ_TRY
      g_app = new vqSiteMgrApp();
    VQ_CATCH_VOID(kSource)
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    delete g_app;
    g_app = nullptr;
  }
  return TRUE;
}
