#include "vqWinsock.h"

#include <windows.h>

#include "vqEngineModule.h"
#include "vqEngineText.h"
#include "vqMsg.h"
#include "vqString.h"

namespace {
INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
WSADATA g_data;
bool g_started;
char g_failure[256];
volatile LONG g_told;

BOOL CALLBACK startOnce(PINIT_ONCE, PVOID, PVOID*) {
  g_started = WSAStartup(MAKEWORD(1, 1), &g_data) == 0;
  if (!g_started) {
    ZeroMemory(&g_data, sizeof g_data);
    VQSTR_Copy(g_failure, VQ_TEXT(vqEngineModule(), IDS_VQENG_WSOCK_INIT_FAILED), sizeof g_failure);
    if (!g_failure[0]) VQSTR_Copy(g_failure, "Windows sockets initialization failed.", sizeof g_failure);
  }
  return TRUE;
}
}  // namespace

bool VQENG_WinsockReady() {
  InitOnceExecuteOnce(&g_once, startOnce, nullptr, nullptr);
  // The box outside the once, so that other callers are not held while it is shown.
  if (!g_started && InterlockedExchange(&g_told, 1) == 0) VQ_MSG(g_failure, MB_OK | MB_ICONSTOP);
  return g_started;
}

const WSADATA& VQENG_WinsockData() { return g_data; }

const char* VQENG_WinsockFailureText() { return g_failure; }

void VQENG_WinsockStop() {
  BOOL pending = FALSE;
  // Only when a start-up ran to its end.
  if (InitOnceBeginInitialize(&g_once, INIT_ONCE_CHECK_ONLY, &pending, nullptr) && g_started) {
    WSACleanup();
    g_started = false;
  }
}
