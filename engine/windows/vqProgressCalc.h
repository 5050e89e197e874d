// The figures a progress window shows, worked out apart from the window so they can be checked
// on their own: bar range and position in units of 1000 bytes, percent, rate and times.
#pragma once
#include <stddef.h>

#include "vqEngineApi.h"

struct vqProgressFigures {
  unsigned long barRange;   // total / 1000
  unsigned long barPos;     // current / 1000
  int percent;              // 0..100
  unsigned long elapsed;    // seconds, at least 1
  unsigned long rate;       // bytes a second
  unsigned long remaining;  // seconds
};

// start 0 means the timer is not running.
VQENGINE_API void _progCalc(unsigned long total, unsigned long current, long long start, long long now,
                            vqProgressFigures* out);
// Hours (without whole days), minutes and seconds of `seconds` through `format`
// ("%02.2d:%02.2d:%02.2d").
VQENGINE_API void _progClock(const char* format, unsigned long seconds, char* out, size_t size);
// Splits a remote or local path at its last '\\', '/' or ']'. The directory part ends before the
// separator, or includes it when `keepSeparator`; returns the name after it (the whole path when
// there is none).
VQENGINE_API const char* _progSplitPath(const char* path, char* dir, size_t size, int keepSeparator);
// The same for a wide path (size in characters).
VQENGINE_API const wchar_t* _progSplitPathW(const wchar_t* path, wchar_t* dir, size_t size, int keepSeparator);
