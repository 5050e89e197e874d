#include "vqHttpStatus.h"

#include <string.h>

namespace {
bool blank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

int VQHTTP_ParseStatusLine(const char* line, int* code, char* text, size_t textSize) {
  if (code) *code = 0;
  if (text && textSize) *text = '\0';
  if (!line) return 0;

  const char* p = line;
  while (blank(*p)) ++p;
  while (*p && !blank(*p)) ++p;  // protocol version
  while (blank(*p)) ++p;
  int value = 0, digits = 0;
  for (; *p && !blank(*p); ++p, ++digits) {
    if (*p < '0' || *p > '9' || digits >= 3) return 0;
    value = value * 10 + (*p - '0');
  }
  if (digits != 3 || value < 100) return 0;
  if (code) *code = value;

  if (text && textSize) {
    size_t n = 0;
    while (*p) {
      while (blank(*p)) ++p;
      if (!*p) break;
      if (n && n + 1 < textSize) text[n++] = ' ';
      for (; *p && !blank(*p); ++p)
        if (n + 1 < textSize) text[n++] = *p;
    }
    text[n] = '\0';
  }
  return 1;
}
