// The engine library as a whole. Nothing happens while it loads (the loader lock is held, and
// Explorer loads us): Winsock starts on first use, and when it cannot, every engine operation
// reports "Windows sockets initialization failed." and fails.
#include "vqEngineModule.h"

#include <winsock2.h>

#include <stdio.h>

#include <new>

#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqDebugger.h"
#include "vqVersion.h"
#include "vqWinsock.h"

HINSTANCE vqEngineModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&vqEngineModule), &self);
  return self;
}

vqFtpEngine* VQENG_NEWENGINE() {
  VQ_TRY
    if (!VQENG_WinsockReady()) return nullptr;
    return new (std::nothrow) vqFtpEngine();
  VQ_CATCH("vqEngine", nullptr)
}

void VQENG_DumpWsaData(vqDebugger* debugger) {
  VQ_TRY
    if (!debugger) return;
    char line[300];
    VQENG_WinsockReady();
    snprintf(line, sizeof line, "WINSOCK: %s", VQENG_WinsockData().szDescription);
    debugger->DEBUGMSG("%s", line);
  VQ_CATCH_VOID("vqEngine")
}

void VQENG_DUMPVERSION(vqDebugger* debugger) {
  VQ_TRY
    if (!debugger) return;
    char path[513] = {0};
    GetModuleFileNameA(vqEngineModule(), path, 512);
    vqVersion version(path);
    version.VerGetInfo();
    char line[1100];
    version.FormatVersionLine(line, sizeof line);
    debugger->DEBUGMSG("%s", line);
  VQ_CATCH_VOID("vqEngine")
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // At process end other threads are gone already; only an explicit unload cleans up.
    VQENG_WinsockStop();
  }
  return TRUE;
}
