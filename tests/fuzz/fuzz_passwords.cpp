// Fuzz target of the stored password forms and the cipher under them. The first byte picks what
// the rest is: a stored value as the registry returns it (either reader's forms), a password to
// store and read back, or a password and cipher bytes for the new scheme.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzzCheck.h"
#include "vqCatch.h"
#include "vqCrypto.h"

namespace {

const size_t kPlain = 257;  // a password field and its terminator
unsigned char scrambleKey() {
  unsigned char k = 0;
  for (const char* p = "copper_lantern"; *p; ++p) k ^= static_cast<unsigned char>(*p);
  return k;
}

void quiet(const char*) {}

// Any stored bytes: plain always terminated inside its room, nothing written past it.
void readStored(const std::string& stored, unsigned char lengthMark, size_t room) {
  vqCrypto crypto;
  std::vector<char> plain(room + 8, '\x55');
  int ok = crypto.ReadStored(stored.data(), stored.size(), lengthMark, plain.data(), room);
  FUZZ_CHECK(ok == 0 || ok == 1);
  for (size_t i = room; i < plain.size(); ++i) FUZZ_CHECK(plain[i] == '\x55');
  if (room == 0) return;
  FUZZ_CHECK(memchr(plain.data(), 0, room) != nullptr);
  if (!ok) FUZZ_CHECK(plain[0] == 0);
  // A value that begins with no mark is the password itself.
  unsigned char mark = stored.empty() ? 0 : static_cast<unsigned char>(stored[0]);
  if (mark != VQ_STORED_SCRAMBLED && mark != lengthMark) {
    std::string want(stored.c_str());
    if (want.size() > room - 1) want.resize(room - 1);
    FUZZ_CHECK(ok == 1 && want == plain.data());
  }
}

// A password stored and read back is the same, but for the one byte the written form cannot hold.
void storeAndRead(const std::string& password, size_t room) {
  vqCrypto crypto;
  std::vector<char> stored(room + 8, '\x55');
  if (!crypto.StoreScrambled(password.c_str(), stored.data(), room)) {
    FUZZ_CHECK(room < 2);
    return;
  }
  for (size_t i = room; i < stored.size(); ++i) FUZZ_CHECK(stored[i] == '\x55');
  std::string kept(password.c_str());
  if (kept.size() > room - 2) kept.resize(room - 2);
  size_t len = strlen(stored.data());
  FUZZ_CHECK(len == kept.size() + 1);  // no scrambled byte is 0
  const unsigned char lost = static_cast<unsigned char>(scrambleKey() ^ 0xFF);
  for (char& c : kept)
    if (static_cast<unsigned char>(c) == lost) c = static_cast<char>(scrambleKey());
  for (unsigned char mark : {VQ_STORED_SITE_LENGTH, VQ_STORED_COMMON_CIPHER}) {
    char plain[kPlain];
    FUZZ_CHECK(crypto.ReadStored(stored.data(), len, mark, plain, sizeof plain) == 1);
    std::string back(plain);
    std::string want = kept.size() > kPlain - 1 ? kept.substr(0, kPlain - 1) : kept;
    FUZZ_CHECK(back == std::string(want.c_str()));
  }
}

// The new scheme: what is encrypted decrypts again, and random cipher bytes never overrun.
void newScheme(const std::string& bytes, unsigned char control) {
  vqCrypto crypto;
  size_t half = bytes.size() / 2;
  std::string plainText = bytes.substr(0, half > 120 ? 120 : half);
  if (!plainText.empty()) {
    std::vector<unsigned char> in(plainText.begin(), plainText.end());
    std::vector<unsigned char> cipher(600, 0);
    int len = static_cast<int>(cipher.size()) - 1;
    FUZZ_CHECK(crypto.NEW_Encrypt(in.data(), static_cast<int>(in.size()), cipher.data(), len) == 1);
    int n = static_cast<int>(in.size());
    FUZZ_CHECK(len == 2 * (8 + 8 * ((8 + n) / 8 + 1)));
    // Stored in the common form when it fits a signed length byte, and read back.
    if (len <= 127) {
      std::string stored = std::string(1, static_cast<char>(VQ_STORED_COMMON_CIPHER)) + static_cast<char>(len) +
                           std::string(reinterpret_cast<char*>(cipher.data()), static_cast<size_t>(len));
      char plain[kPlain];
      FUZZ_CHECK(crypto.ReadStored(stored.data(), stored.size(), VQ_STORED_COMMON_CIPHER, plain, sizeof plain) == 1);
      FUZZ_CHECK(memcmp(plain, plainText.data(), plainText.size()) == 0 && plain[plainText.size()] == 0);
    }
    std::vector<unsigned char> out(in.size() + 1, 0);
    int outLen = static_cast<int>(in.size());
    FUZZ_CHECK(crypto.NEW_Decrypt(cipher.data(), len, out.data(), outLen) == 1);
    FUZZ_CHECK(outLen == n && memcmp(out.data(), in.data(), in.size()) == 0 && out[in.size()] == 0);
  }
  // The rest as cipher bytes, into a room of the control's choosing.
  std::vector<unsigned char> cipher(bytes.begin() + static_cast<long>(half), bytes.end());
  if (cipher.empty()) return;
  int room = control & 0x7F;
  std::vector<unsigned char> out(static_cast<size_t>(room) + 9, 0x55);
  int outLen = room;
  int ok = crypto.NEW_Decrypt(cipher.data(), static_cast<int>(cipher.size()), out.data(), outLen);
  FUZZ_CHECK(ok == 0 || (room > 0 && outLen >= 0 && outLen <= room && out[static_cast<size_t>(outLen)] == 0));
  for (size_t i = static_cast<size_t>(room) + 1; i < out.size(); ++i) FUZZ_CHECK(out[i] == 0x55);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const VQ_CATCH_REPORTER previous = vqSetCatchReporter(quiet);
  (void)previous;
  const uint8_t control = data[0];
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t room = control & 0x10 ? (control >> 5) : kPlain;
  switch (control & 3) {
    case 0:
      readStored(rest, VQ_STORED_COMMON_CIPHER, room);
      break;
    case 1:
      readStored(rest, VQ_STORED_SITE_LENGTH, room);
      break;
    case 2:
      storeAndRead(rest, control & 0x10 ? (control >> 5) : rest.size() + 2);
      break;
    default:
      newScheme(rest, control);
      break;
  }
  return 0;
}
