// What the engine library knows about itself.
#pragma once
#include <windows.h>

#include "vqEngineApi.h"

class vqFtpEngine;

// The engine library's own module (its texts, dialogs and version resource).
HINSTANCE vqEngineModule();

// A new session with default settings and a reference count of 1 (end it with Release), or null.
extern "C" VQENGINE_API vqFtpEngine* VQENG_NEWENGINE();
