#include "vqString.h"

#include <atomic>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "vqCatch.h"

namespace {
int singleByte(unsigned char) { return 0; }

std::atomic<VQSTR_LEADBYTE_TEST> g_leadByte{singleByte};
// The answers of g_leadByte for 0x80..0xFF, asked once per change: text is walked a character at a
// time, and asking the system for every byte is far slower than a table look-up.
std::atomic<unsigned char> g_leadTable[128];

inline bool isLead(unsigned char c) { return c >= 0x80 && g_leadTable[c - 0x80].load(std::memory_order_relaxed); }

// Bytes in the character at s: 0 at the terminator, 2 for a lead byte with a byte after it.
inline size_t charLen(const char* s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  if (c < 0x80) return c ? 1 : 0;
  return isLead(c) && s[1] ? 2 : 1;
}

// Position just past the last character of s that is not `c`, walking whole characters.
char* endWithout(char* s, char c) {
  char* end = s;
  for (char* p = s; *p;) {
    unsigned char b = static_cast<unsigned char>(*p);
    if (b >= 0x80 && isLead(b) && p[1]) {
      p += 2;
      end = p;
      continue;
    }
    if (*p != c) end = p + 1;
    ++p;
  }
  return end;
}

// Start of the last character of a non-empty s.
char* lastChar(char* s) {
  char* last = s;
  for (char* p = s; *p; p += charLen(p)) last = p;
  return last;
}

// Removes the single-byte characters `a` and `b` in one pass, keeping double-byte characters whole.
char* stripTwo(char* s, char a, char b) {
  char* out = s;
  const char* p = s;
  while (*p) {
    if (charLen(p) == 2) {
      out[0] = p[0];
      out[1] = p[1];
      out += 2;
      p += 2;
      continue;
    }
    if (*p != a && *p != b) *out++ = *p;
    ++p;
  }
  *out = 0;
  return s;
}

// Reads a leading decimal number: white space, an optional '+', digits; saturates instead of wrapping.
uint64_t readSize(const char* s) {
  while (*s == ' ' || *s == '\t' || *s == '\r' || *s == '\n' || *s == '\f' || *s == '\v') ++s;
  if (*s == '+') ++s;
  uint64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    unsigned d = unsigned(*s - '0');
    if (v > (UINT64_MAX - d) / 10) return UINT64_MAX;
    v = v * 10 + d;
  }
  return v;
}
}  // namespace

VQSTR_LEADBYTE_TEST VQSTR_SetLeadByteTest(VQSTR_LEADBYTE_TEST test) {
  if (!test) test = singleByte;
  VQSTR_LEADBYTE_TEST old = g_leadByte.exchange(test);
  for (int c = 0x80; c < 0x100; ++c)
    g_leadTable[c - 0x80].store(test(static_cast<unsigned char>(c)) ? 1 : 0, std::memory_order_relaxed);
  return old;
}

int VQSTR_IsLeadByte(unsigned char c) { return isLead(c) ? 1 : 0; }

size_t VQSTR_CharLen(const char* s) { return charLen(s); }

char* VQSTR_Copy(char* dst, const char* src, size_t size) {
  if (!dst || !size) return dst;
  size_t used = 0;
  if (src) {
    while (src[used]) {
      size_t n = charLen(src + used);
      if (used + n > size - 1) break;
      used += n;
    }
    memmove(dst, src, used);
  }
  dst[used] = 0;
  return dst;
}

const char* VQSTR_FindChar(const char* s, char c) {
  if (!s) return nullptr;
  for (; *s; s += charLen(s)) {
    if (*s == c) return s;
  }
  return nullptr;
}

const char* VQSTR_FindAny(const char* s, const char* set) {
  if (!s || !set || !*set) return nullptr;
  for (; *s; s += charLen(s)) {
    if (charLen(s) == 1 && strchr(set, *s)) return s;
  }
  return nullptr;
}

// The editors below compact in one pass (a read and a write position) instead of shifting the
// tail once per removed character.
char* VQSTR_Squish(char* s) {
  VQ_TRY
    if (!s) return s;
    char* out = s;
    const char* p = s;
    bool afterSpace = false;
    for (unsigned char c; (c = static_cast<unsigned char>(*p)) != 0;) {
      if (c >= 0x80 && isLead(c) && p[1]) {
        out[0] = p[0];
        out[1] = p[1];
        out += 2;
        p += 2;
        afterSpace = false;
        continue;
      }
      if (c != ' ' || !afterSpace) *out++ = static_cast<char>(c);
      afterSpace = c == ' ';
      ++p;
    }
    *out = 0;
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_StripChar(char* s, char c) {
  VQ_TRY
    if (!s) return s;
    return stripTwo(s, c, c);
  VQ_CATCH("vqString", s)
}

char* VQSTR_StripCRLF(char* s) {
  VQ_TRY
    if (!s) return s;
    // One pass gives what stripping CR and then LF gives: removing a whole character never
    // changes where the characters after it start.
    return stripTwo(s, 13, 10);
  VQ_CATCH("vqString", s)
}

char* VQSTR_TrimRight(char* s) {
  VQ_TRY
    if (!s) return s;
    *endWithout(s, ' ') = 0;
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_TrimLeft(char* s) {
  VQ_TRY
    if (!s) return s;
    size_t lead = strspn(s, " ");
    if (lead) memmove(s, s + lead, strlen(s + lead) + 1);
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_Trim(char* s) { return VQSTR_TrimLeft(VQSTR_TrimRight(s)); }

char* VQSTR_StripVersion(char* s) {
  VQ_TRY
    if (!s) return s;
    char* semi = const_cast<char*>(VQSTR_FindChar(s, ';'));
    if (semi) *semi = 0;
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_DirSlashAdd(char* s, char c) {
  VQ_TRY
    if (!s) return s;
    if (!*s) {
      s[0] = c;
      s[1] = 0;
      return s;
    }
    char* last = lastChar(s);
    if (charLen(last) == 1 && *last == c) return s;
    size_t len = strlen(s);
    s[len] = c;
    s[len + 1] = 0;
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_DirSlashRemove(char* s, char c) {
  VQ_TRY
    if (!s || !*s) return s;
    char* last = lastChar(s);
    if (charLen(last) == 1 && *last == c) *last = 0;
    return s;
  VQ_CATCH("vqString", s)
}

char* VQSTR_FormatSize(unsigned long n, char* out, int inK) {
  VQ_TRY
    char digits[64];
    snprintf(digits, sizeof digits, "%lu", n);
    return VQSTR_FormatSize(digits, out, inK);
  VQ_CATCH("vqString", out)
}

char* VQSTR_FormatSize(const char* digits, char* out, int inK) {
  VQ_TRY
    if (!out) return out;
    out[0] = 0;
    unsigned long long v = digits ? readSize(digits) : 0;
    const char* k = "";
    if (inK) {
      v = (v >> 10) + 1;
      k = "K";
    }
    if (v / 1000000)
      snprintf(out, VQSTR_SIZE_BUF, "%llu,%03llu,%03llu%s", v / 1000000, (v / 1000) % 1000, v % 1000, k);
    else if (v / 1000)
      snprintf(out, VQSTR_SIZE_BUF, "%llu,%03llu%s", v / 1000, v % 1000, k);
    else
      snprintf(out, VQSTR_SIZE_BUF, "%llu%s", v, k);
    return out;
  VQ_CATCH("vqString", out)
}
