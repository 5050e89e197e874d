#include "vqSafeName.h"

#include <ctype.h>
#include <string.h>

#include <string>

#include "vqCatch.h"
#include "vqString.h"

namespace {
bool isBadChar(unsigned char c) { return c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr; }

void dropTrailingDotsAndBlanks(std::string& s) {
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
}

// The device names Windows opens whatever folder they stand in, with any extension.
bool isDeviceName(const std::string& s) {
  std::string base = s.substr(0, s.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// Cuts s to at most max bytes without splitting a double-byte character.
void cutTo(std::string& s, size_t max) {
  size_t at = 0;
  while (at < s.size()) {
    size_t n = VQSTR_CharLen(s.c_str() + at);
    if (n == 0 || at + n > max) break;
    at += n;
  }
  s.resize(at);
}
}  // namespace

int VQSTR_SafeLocalName(const char* name, size_t folderLength, char* out, size_t size) {
  VQ_TRY
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (!name) name = "";
    std::string s;
    for (const char* p = name; *p;) {
      size_t n = VQSTR_CharLen(p);
      if (n == 2) {
        s.append(p, 2);
      } else {
        s += isBadChar(static_cast<unsigned char>(*p)) ? '_' : *p;
      }
      p += n;
    }
    std::string kept = s;
    dropTrailingDotsAndBlanks(s);
    if (s.empty()) s.assign(kept.empty() ? 1 : kept.size(), '_');

    // The folder, the name and the terminator within VQ_MAX_PATH.
    if (folderLength + 2 > VQ_MAX_PATH) return 0;
    size_t room = VQ_MAX_PATH - 1 - folderLength;
    if (s.size() > room) {
      size_t dot = s.rfind('.');
      std::string ext = dot != std::string::npos && dot > 0 && s.size() - dot <= 16 ? s.substr(dot) : "";
      if (ext.size() >= room) ext.clear();
      std::string base = s.substr(0, s.size() - ext.size());
      cutTo(base, room - ext.size());
      dropTrailingDotsAndBlanks(base);
      if (base.empty()) base = "_";
      s = base + ext;
      cutTo(s, room);
      dropTrailingDotsAndBlanks(s);
      if (s.empty()) s = "_";
    }
    // After any cut: "CONSOLE.txt" cut to "CON.txt" must not name the console.
    if (isDeviceName(s)) {
      s.insert(0, 1, '_');
      cutTo(s, room);
      dropTrailingDotsAndBlanks(s);
    }
    if (s.size() + 1 > size) return 0;
    memcpy(out, s.c_str(), s.size() + 1);
    return 1;
  VQ_CATCH("vqSafeName", 0)
}
