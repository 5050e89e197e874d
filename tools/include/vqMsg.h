// Texts from string tables and the product's standard message box.
#pragma once
#include <windows.h>

#include "vqToolsApi.h"

// Loads string `id` of `module`. Each thread has its own ring of ten results, so a returned
// pointer stays valid for that thread's next nine calls; a missing id gives "".
VQTOOLS_API const char* VQ_TEXT(HINSTANCE module, unsigned id);

// A message box owned by the thread's active window, captioned with the application title,
// always top-most; returns the button pressed.
VQTOOLS_API int VQ_MSG(const char* text, unsigned flags);
// The same with the question icon.
VQTOOLS_API int VQ_QUESTION(const char* text, unsigned flags);

// An answer provider replaces the box (tests, unattended runs): it receives the text, caption and
// final style and returns the button. Null restores the real box. Returns the previous provider.
typedef int (*VQ_MSG_ANSWER)(const char* text, const char* caption, unsigned flags, void* context);
VQTOOLS_API VQ_MSG_ANSWER vqSetMessageAnswer(VQ_MSG_ANSWER provider, void* context);

// The toolkit's own module, for its texts and version resource.
VQTOOLS_API HINSTANCE vqToolsModule();
