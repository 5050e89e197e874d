// Dispatches the calling thread's waiting messages, giving dialog messages (Tab, Enter, Esc) to
// the dialog they belong to. Long work on a thread that owns windows calls it to stay responsive.
#pragma once
#include <windows.h>

#include "vqToolsApi.h"

// Dispatches one message; returns true when a dialog took it.
VQTOOLS_API bool VQ_DispatchMessage(MSG& msg);
// Dispatches every waiting window message; thread messages stay queued for the thread's own loop.
// Returns false when WM_QUIT was seen (it is posted again).
VQTOOLS_API bool VQ_PumpMessages();
