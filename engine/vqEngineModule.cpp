// Start-up of the engine library: without Winsock the library refuses to load, so no deliverable
// that imports it can start half-working.
#include "vqEngineModule.h"

#include <winsock2.h>

#include <new>

#include "vqCatch.h"
#include "vqEngineText.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

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
