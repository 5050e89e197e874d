// The status line that opens an HTTP reply.
#pragma once
#include <stddef.h>

#include "vqEngineApi.h"

// Splits line at runs of blanks: the second piece is the status code, the pieces after it, joined
// by one blank, are the reason text (cut to textSize - 1 characters). 1 for a three-digit code,
// else 0 with code 0 and an empty text. code and text may be null.
VQENGINE_API int VQHTTP_ParseStatusLine(const char* line, int* code, char* text, size_t textSize);
