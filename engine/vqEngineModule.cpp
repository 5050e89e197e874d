// Start-up of the engine library: without Winsock the library refuses to load, so no deliverable
// that imports it can start half-working.
#include "vqEngineModule.h"

#include <winsock2.h>

#include <stdio.h>

#include <new>

#include "vqCatch.h"
#include "vqEngineText.h"
#include "vqFtpEngine.h"
#include "vqDebugger.h"
#include "vqMsg.h"
#include "vqVersion.h"

namespace {
HINSTANCE g_module;
WSADATA g_wsaData;
bool g_winsock;
}  // namespace

HINSTANCE vqEngineModule() { return g_module; }

vqFtpEngine* VQENG_NEWENGINE() {
  VQ_TRY
    return new (std::nothrow) vqFtpEngine();
  VQ_CATCH("vqEngine", nullptr)
}

void VQENG_DumpWsaData(vqDebugger* debugger) {
  VQ_TRY
    if (!debugger) return;
    char line[300];
    snprintf(line, sizeof line, "WINSOCK: %s", g_wsaData.szDescription);
    debugger->DEBUGMSG("%s", line);
  VQ_CATCH_VOID("vqEngine")
}

void VQENG_DUMPVERSION(vqDebugger* debugger) {
  VQ_TRY
    if (!debugger) return;
    char path[513] = {0};
    GetModuleFileNameA(g_module, path, 512);
    vqVersion version(path);
    char line[1100];
    version.FormatVersionLine(line, sizeof line);
    debugger->DEBUGMSG("%s", line);
  VQ_CATCH_VOID("vqEngine")
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    DisableThreadLibraryCalls(module);
    if (WSAStartup(MAKEWORD(1, 1), &g_wsaData) != 0) {
      VQ_MSG(VQ_TEXT(module, IDS_VQENG_WSOCK_INIT_FAILED), MB_OK | MB_ICONSTOP);
      return FALSE;
    }
    g_winsock = true;
  } else if (reason == DLL_PROCESS_DETACH) {
    // At process end other threads are gone already; only an explicit unload cleans up.
    if (g_winsock && reserved == nullptr) WSACleanup();
    g_winsock = false;
  }
  return TRUE;
}
