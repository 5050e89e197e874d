// Fuzz target of remote names read as UTF-8 (any bytes a server lists): the wide name never
// holds a lone surrogate; a name that is UTF-8 goes back to exactly its bytes, one that is not
// shows at least one mark; the safe local name of the wide name fits its folder and keeps every
// surrogate pair whole.
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzzCheck.h"
#include "shellNames.h"

namespace {
bool pairsWhole(const std::u16string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const bool high = s[i] >= 0xD800 && s[i] <= 0xDBFF, low = s[i] >= 0xDC00 && s[i] <= 0xDFFF;
    if (low) return false;
    if (high && (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF)) return false;
    if (high) ++i;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A name field holds at most 511 bytes and its terminator.
  const std::string field(reinterpret_cast<const char*>(data), size < 511 ? size : 511);
  const std::string name = field.substr(0, strlen(field.c_str()));
  bool multi = false;
  const bool valid = shellIsUtf8(name.c_str(), &multi);
  const std::u16string wide = shellUtf8ToWide(name.c_str());
  FUZZ_CHECK(pairsWhole(wide));
  FUZZ_CHECK(wide.size() <= name.size());
  std::string back;
  FUZZ_CHECK(shellWideToUtf8(wide, back));
  if (valid) {
    FUZZ_CHECK(back == name);
  } else {
    FUZZ_CHECK(wide.find(u'\xFFFD') != std::u16string::npos);
  }
  shellUtf8Evidence evidence;
  evidence.Add(name.c_str());
  FUZZ_CHECK(evidence.LooksUtf8() == (valid && multi));

  const size_t folder = size ? data[0] % 262 : 3;
  std::u16string safe;
  if (shellSafeLocalNameW(wide, folder, safe)) {
    FUZZ_CHECK(!safe.empty() && folder + safe.size() + 1 <= 260);
    FUZZ_CHECK(pairsWhole(safe));
    for (char16_t c : safe) FUZZ_CHECK(c >= 0x20 && c != '/' && c != '\\' && c != ':' && c != '*' && c != '?');
    FUZZ_CHECK(safe.back() != '.' && safe.back() != ' ');
  } else {
    FUZZ_CHECK(folder + 2 > 260);
  }
  return 0;
}
