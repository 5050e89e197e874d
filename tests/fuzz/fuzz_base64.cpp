// Fuzz target of base64: the bytes must come back from their text, and any text (the first byte
// sets the room it is decoded into) must decode to what its characters say, or to nothing with the
// buffer untouched.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzzCheck.h"
#include "vqBase64.h"

namespace {

int sextet(char c) {
  const char* at = strchr(vqBase64::Alphabet, c);
  return c && at ? static_cast<int>(at - vqBase64::Alphabet) : -1;
}

void roundTrip(const uint8_t* data, size_t size) {
  vqBase64 b64;
  std::string text = b64.Encode(data, size);
  FUZZ_CHECK(text.size() == (size + 2) / 3 * 4);
  size_t pad = text.size() - text.find_last_not_of('=') - 1;
  FUZZ_CHECK(size == 0 || pad == (3 - size % 3) % 3);
  for (size_t i = 0; i + pad < text.size(); ++i) FUZZ_CHECK(sextet(text[i]) >= 0);
  std::vector<unsigned char> back(vqBase64::DecodedBound(text.c_str()) + 1);
  size_t n = b64.Decode(text.c_str(), back.data(), back.size());
  FUZZ_CHECK(n == size && (size == 0 || memcmp(back.data(), data, size) == 0));
  // Exactly the room it needs is enough; one byte less is refused.
  if (size) {
    FUZZ_CHECK(b64.Decode(text.c_str(), back.data(), size) == size);
    FUZZ_CHECK(b64.Decode(text.c_str(), back.data(), size - 1) == 0);
  }
}

void decode(const std::string& text, size_t room) {
  // What the characters say: six bits each, "=" skipped, whole bytes kept.
  std::vector<unsigned char> want;
  unsigned long acc = 0;
  int held = 0;
  bool valid = !text.empty();
  for (char c : text) {
    if (c == '=') continue;
    int v = sextet(c);
    if (v < 0) valid = false;
    acc = (acc << 6 | static_cast<unsigned long>(v & 63)) & 0xFFFF;
    held += 6;
    if (held >= 8) {
      held -= 8;
      want.push_back(static_cast<unsigned char>(acc >> held));
    }
  }
  if (want.size() > room) valid = false;
  if (valid) FUZZ_CHECK(want.size() <= vqBase64::DecodedBound(text.c_str()));

  std::vector<unsigned char> buffer(room + 8, 0xA5);
  vqBase64 b64;
  size_t n = b64.Decode(text.c_str(), buffer.data(), room);
  if (!valid) {
    FUZZ_CHECK(n == 0);
    for (unsigned char b : buffer) FUZZ_CHECK(b == 0xA5);
    return;
  }
  FUZZ_CHECK(n == want.size());
  FUZZ_CHECK(n == 0 || memcmp(buffer.data(), want.data(), n) == 0);
  for (size_t i = n; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == 0xA5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  roundTrip(data + 1, size - 1);
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  decode(text, data[0] & 0x80 ? (data[0] & 0x7F) : text.size());
  return 0;
}
