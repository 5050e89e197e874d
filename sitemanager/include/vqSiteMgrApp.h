// The site manager library's module: loads the application settings once when the library is
// loaded, and writes its version line into a debug log.
#pragma once
#include "vqSMgrApi.h"

class vqDebugger;

// "<file> - Ver. <major>.<minor> (Build <n>)" of vqSMgr.dll, from its own version resource.
extern "C" VQSMGR_API void VQSMGR_DUMPVERSION(vqDebugger* log);
