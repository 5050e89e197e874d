// Winsock for the whole engine library, started on first use rather than while the library loads:
// the loader lock is held there, and Explorer loads us.
#pragma once
#include <winsock2.h>

// Starts Winsock 1.1 once per process (the first caller does it, others wait for its answer).
// On failure the first caller is shown "Windows sockets initialization failed."; every call then
// answers false.
bool VQENG_WinsockReady();
// The start-up data (zeros until a start-up succeeded).
const WSADATA& VQENG_WinsockData();
// The text reported when Winsock could not be started.
const char* VQENG_WinsockFailureText();
// Balances a successful start-up; only for an explicit unload of the library.
void VQENG_WinsockStop();
