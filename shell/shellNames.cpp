#include "shellNames.h"

namespace {
const char16_t kReplacement = 0xFFFD;
const size_t kMaxPath = 260;  // the file system's path limit, in UTF-16 units with the terminator

// Length of the well-formed sequence at p (1 to 4), or 0 when it is ill-formed. The second byte's
// range depends on the first, which rules out overlong forms, surrogates and values past U+10FFFF.
size_t sequenceLength(const unsigned char* p, char32_t& value) {
  const unsigned char c = p[0];
  if (c < 0x80) {
    value = c;
    return 1;
  }
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    value = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    value = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    value = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (size_t i = 1; i < n; ++i) {
    const unsigned char t = p[i];
    if (t < (i == 1 ? lo : 0x80) || t > (i == 1 ? hi : 0xBF)) return 0;
    value = (value << 6) | (t & 0x3F);
  }
  return n;
}

// Bytes an ill-formed sequence at p spans: its lead and the continuation bytes that could still
// have belonged to it (one mark per such part, as the Unicode standard recommends).
size_t badSpan(const unsigned char* p) {
  const unsigned char c = p[0];
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 1;
  if (n == 1) return 1;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c == 0xE0) lo = 0xA0;
  if (c == 0xED) hi = 0x9F;
  if (c == 0xF0) lo = 0x90;
  if (c == 0xF4) hi = 0x8F;
  size_t at = 1;
  while (at < n && p[at] >= (at == 1 ? lo : 0x80) && p[at] <= (at == 1 ? hi : 0xBF)) ++at;
  return at;
}

bool isBad(char16_t c) {
  return c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
         c == '<' || c == '>' || c == '|';
}
bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

void dropTrailingDotsAndBlanks(std::u16string& s) {
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
}

bool isDeviceName(const std::u16string& s) {
  std::u16string base = s.substr(0, s.find(u'.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char16_t& c : base)
    if (c >= 'a' && c <= 'z') c = static_cast<char16_t>(c - 32);
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// Cuts s to at most max units, never between the halves of a surrogate pair.
void cutTo(std::u16string& s, size_t max) {
  if (s.size() <= max) return;
  if (max > 0 && isHigh(s[max - 1])) --max;
  s.resize(max);
}
}  // namespace

void shellUtf8Evidence::Add(const char* name) {
  bool wide = false;
  if (!shellIsUtf8(name, &wide)) allValid = false;
  if (wide) multiByte = true;
}

bool shellNamesUtf8(int setting, bool serverSaysUtf8, bool listingLooksUtf8) {
  switch (setting) {
    case VQ_NAMES_UTF8:
      return true;
    case VQ_NAMES_CODEPAGE:
      return false;
    default:
      return serverSaysUtf8 || listingLooksUtf8;
  }
}

bool shellIsUtf8(const char* text, bool* multiByte) {
  if (multiByte) *multiByte = false;
  if (!text) return true;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    char32_t v;
    size_t n = sequenceLength(p, v);
    if (!n) return false;
    if (n > 1 && multiByte) *multiByte = true;
    p += n;
  }
  return true;
}

std::u16string shellUtf8ToWide(const char* text) {
  std::u16string out;
  if (!text) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    char32_t v;
    size_t n = sequenceLength(p, v);
    if (!n) {
      out += kReplacement;
      p += badSpan(p);
      continue;
    }
    if (v >= 0x10000) {
      v -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (v >> 10));
      out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out += static_cast<char16_t>(v);
    }
    p += n;
  }
  return out;
}

bool shellWideToUtf8(const std::u16string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t v = text[i];
    if (v >= 0xDC00 && v <= 0xDFFF) return out.clear(), false;
    if (isHigh(static_cast<char16_t>(v))) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return out.clear(), false;
      v = 0x10000 + ((v - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (v < 0x80) {
      out += static_cast<char>(v);
    } else if (v < 0x800) {
      out += static_cast<char>(0xC0 | (v >> 6));
      out += static_cast<char>(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
      out += static_cast<char>(0xE0 | (v >> 12));
      out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (v & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (v >> 18));
      out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (v & 0x3F));
    }
  }
  return true;
}

bool shellSafeLocalNameW(const std::u16string& name, size_t folderLength, std::u16string& out) {
  out.clear();
  std::u16string s;
  for (char16_t c : name) s += isBad(c) ? u'_' : c;
  const std::u16string kept = s;
  dropTrailingDotsAndBlanks(s);
  if (s.empty()) s.assign(kept.empty() ? 1 : kept.size(), u'_');

  if (folderLength + 2 > kMaxPath) return false;
  const size_t room = kMaxPath - 1 - folderLength;
  if (s.size() > room) {
    size_t dot = s.rfind(u'.');
    std::u16string ext = dot != std::u16string::npos && dot > 0 && s.size() - dot <= 16 ? s.substr(dot) : u"";
    if (ext.size() >= room) ext.clear();
    std::u16string base = s.substr(0, s.size() - ext.size());
    cutTo(base, room - ext.size());
    dropTrailingDotsAndBlanks(base);
    if (base.empty()) base = u"_";
    s = base + ext;
    cutTo(s, room);
    dropTrailingDotsAndBlanks(s);
    if (s.empty()) s = u"_";
  }
  if (isDeviceName(s)) {
    s.insert(0, 1, u'_');
    cutTo(s, room);
    dropTrailingDotsAndBlanks(s);
  }
  out = s;
  return true;
}
