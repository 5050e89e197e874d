#include "vqBase64.h"

#include <string.h>

const char vqBase64::Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {
int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

vqBase64::vqBase64() {}
vqBase64::~vqBase64() {}

const char* vqBase64::Encode(const void* data, size_t length) {
  m_text.clear();
  if (!data) length = 0;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  try {
    m_text.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
      unsigned long v = (unsigned long)p[i] << 16 | (unsigned long)p[i + 1] << 8 | p[i + 2];
      m_text += Alphabet[(v >> 18) & 63];
      m_text += Alphabet[(v >> 12) & 63];
      m_text += Alphabet[(v >> 6) & 63];
      m_text += Alphabet[v & 63];
    }
    if (length - i == 1) {
      unsigned long v = (unsigned long)p[i] << 16;
      m_text += Alphabet[(v >> 18) & 63];
      m_text += Alphabet[(v >> 12) & 63];
      m_text += "==";
    } else if (length - i == 2) {
      unsigned long v = (unsigned long)p[i] << 16 | (unsigned long)p[i + 1] << 8;
      m_text += Alphabet[(v >> 18) & 63];
      m_text += Alphabet[(v >> 12) & 63];
      m_text += Alphabet[(v >> 6) & 63];
      m_text += '=';
    }
  } catch (...) {
    m_text.clear();
  }
  return m_text.c_str();
}

const char* vqBase64::Encode(const char* text) { return Encode(text, text ? strlen(text) : 0); }

size_t vqBase64::DecodedBound(const char* text) { return text ? strlen(text) / 4 * 3 + 3 : 0; }

size_t vqBase64::Decode(const char* text, unsigned char* buffer, size_t size) const {
  if (!text || !*text || !buffer) return 0;
  // Check the whole text first so a bad character leaves the buffer as it was.
  size_t bits = 0;
  for (const char* s = text; *s; ++s) {
    if (*s == '=') continue;
    if (sextet(*s) < 0) return 0;
    bits += 6;
  }
  if (bits / 8 > size) return 0;
  size_t n = 0;
  unsigned long acc = 0;
  int held = 0;
  for (const char* s = text; *s; ++s) {
    if (*s == '=') continue;
    acc = (acc << 6 | (unsigned long)sextet(*s)) & 0xFFFFFF;
    held += 6;
    if (held >= 8) {
      held -= 8;
      buffer[n++] = (unsigned char)(acc >> held);
    }
  }
  return n;
}
