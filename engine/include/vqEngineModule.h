// What the engine library knows about itself.
#pragma once
#include <windows.h>

#include "vqEngineApi.h"

class vqFtpEngine;
class vqDebugger;

// The engine library's own module (its texts, dialogs and version resource).
HINSTANCE vqEngineModule();

// A new session with default settings and a reference count of 1 (end it with Release), or null.
extern "C" VQENGINE_API vqFtpEngine* VQENG_NEWENGINE();

// "WINSOCK: <description of the Winsock implementation>" into the log; nothing without a log.
extern "C" VQENGINE_API void VQENG_DumpWsaData(vqDebugger* debugger);
// The engine library's version line into the log.
extern "C" VQENGINE_API void VQENG_DUMPVERSION(vqDebugger* debugger);
