#include "vqProgressCalc.h"

#include <stdio.h>
#include <string.h>

void _progCalc(unsigned long total, unsigned long current, long long start, long long now, vqProgressFigures* out) {
  if (!out) return;
  out->barRange = total / 1000;
  out->barPos = current / 1000;
  unsigned long whole = out->barRange ? out->barRange : 1;
  unsigned long long pct = static_cast<unsigned long long>(out->barPos) * 100 / whole;
  out->percent = static_cast<int>(pct == 100 ? 100 : pct % 100);
  long long elapsed = start ? now - start : 1;
  out->elapsed = static_cast<unsigned long>(elapsed < 1 ? 1 : elapsed);
  out->rate = current / out->elapsed;
  // More done than announced (a growing file) means nothing is left, not four billion bytes.
  unsigned long left = current < total ? total - current : 0;
  out->remaining = left / (out->rate ? out->rate : 1) + 1;
}

void _progClock(const char* format, unsigned long seconds, char* out, size_t size) {
  if (!out || !size) return;
  int h = static_cast<int>((seconds / 3600) % 24);
  int m = static_cast<int>((seconds / 60) % 60);
  int s = static_cast<int>(seconds % 60);
  snprintf(out, size, format ? format : "%02d:%02d:%02d", h, m, s);
}

namespace {
template <class C>
const C* splitPath(const C* path, C* dir, size_t size, int keepSeparator) {
  static const C empty[1] = {0};
  if (dir && size) dir[0] = 0;
  if (!path) return empty;
  const C* cut = nullptr;
  for (const C* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ']') cut = p;
  if (!cut) return path;
  if (dir && size) {
    size_t n = static_cast<size_t>(cut - path) + (keepSeparator ? 1 : 0);
    if (n >= size) n = size - 1;
    memcpy(dir, path, n * sizeof(C));
    dir[n] = 0;
  }
  return cut + 1;
}
}  // namespace

const char* _progSplitPath(const char* path, char* dir, size_t size, int keepSeparator) {
  return splitPath(path, dir, size, keepSeparator);
}

const wchar_t* _progSplitPathW(const wchar_t* path, wchar_t* dir, size_t size, int keepSeparator) {
  return splitPath(path, dir, size, keepSeparator);
}
