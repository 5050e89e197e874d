// Password cipher. Both schemes are keyed by one passphrase compiled in here; changing it would
// make every stored password unreadable.
#include "vqCrypto.h"

#include <string.h>

#include <string>
#include <vector>

#include <cryptopp/default.h>
#include <cryptopp/des.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>

#include "vqCatch.h"

namespace {
const char kPassphrase[] = "copper_lantern";
const char kSource[] = "vqCrypto";
// Room the new scheme's plain text is given when a stored value is read.
const int kCipherPlainCapacity = 132;

// Single DES in ECB mode over whole 8-byte blocks, keyed with the first 8 passphrase bytes.
void desBlocks(unsigned char* data, int len, bool encrypt) {
  const CryptoPP::byte* key = reinterpret_cast<const CryptoPP::byte*>(kPassphrase);
  if (encrypt) {
    CryptoPP::DES::Encryption des(key, CryptoPP::DES::DEFAULT_KEYLENGTH);
    for (int at = 0; at + 8 <= len; at += 8) des.ProcessBlock(data + at);
  } else {
    CryptoPP::DES::Decryption des(key, CryptoPP::DES::DEFAULT_KEYLENGTH);
    for (int at = 0; at + 8 <= len; at += 8) des.ProcessBlock(data + at);
  }
}
}  // namespace

vqCrypto::vqCrypto() : m_passphrase(kPassphrase) {}

const char* vqCrypto::Encrypt(char* buf, int len) {
  if (!buf) return nullptr;
  VQ_TRY
    for (int i = 0; i < len; ++i) {
      unsigned char c = static_cast<unsigned char>(buf[i]);
      for (const char* p = m_passphrase; *p; ++p) c ^= static_cast<unsigned char>(*p);
      // Stored as a NUL-terminated string, so no byte may become 0.
      buf[i] = static_cast<char>(c == 0 ? 0xFF : c);
    }
    return buf;
  VQ_CATCH(kSource, buf)
}

const char* vqCrypto::Decrypt(char* buf, int len) {
  if (!buf) return nullptr;
  VQ_TRY
    for (int i = 0; i < len; ++i) {
      unsigned char c = static_cast<unsigned char>(buf[i]);
      if (c == 0xFF) c = 0;
      for (const char* p = m_passphrase; *p; ++p) c ^= static_cast<unsigned char>(*p);
      buf[i] = static_cast<char>(c);
    }
    return buf;
  VQ_CATCH(kSource, buf)
}

int vqCrypto::NEW_Encrypt(unsigned char* in, int inLen, unsigned char* out, int& outLen) {
  VQ_TRY
    if (!in || !out || inLen <= 0 || outLen <= 0) return 0;
    std::string hex;
    CryptoPP::StringSource(
        in, static_cast<size_t>(inLen), true,
        new CryptoPP::LegacyEncryptor(m_passphrase, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex))));
    int len = static_cast<int>(hex.size());
    if (len > outLen) len = outLen;
    memcpy(out, hex.data(), static_cast<size_t>(len));
    out[len] = 0;
    outLen = len;
    desBlocks(out, len, true);
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqCrypto::NEW_Decrypt(unsigned char* in, int inLen, unsigned char* out, int& outLen) {
  VQ_TRY
    if (!in || !out || inLen <= 0 || outLen <= 0) return 0;
    // The outer layer is undone in a buffer of the input's size: the caller's buffer only has to
    // hold the plain text, which is always shorter than its cipher text.
    std::vector<unsigned char> hex(in, in + inLen);
    desBlocks(hex.data(), inLen, false);
    memset(out, 0, static_cast<size_t>(outLen));
    std::string plain;
    CryptoPP::StringSource(
        hex.data(), hex.size(), true,
        new CryptoPP::HexDecoder(new CryptoPP::LegacyDecryptor(m_passphrase, new CryptoPP::StringSink(plain))));
    int len = static_cast<int>(plain.size());
    if (len > outLen) len = outLen;
    memcpy(out, plain.data(), static_cast<size_t>(len));
    out[len] = 0;
    outLen = len;
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqCrypto::ReadStored(const char* stored, size_t size, unsigned char lengthMark, char* plain, size_t plainSize) {
  if (!plain || plainSize == 0) return 0;
  memset(plain, 0, plainSize);
  if (!stored || size == 0) return 1;
  VQ_TRY
    const unsigned char mark = static_cast<unsigned char>(stored[0]);
    const size_t room = plainSize - 1;
    if (mark == lengthMark && mark == VQ_STORED_COMMON_CIPHER) {
      // The cipher bytes may hold 0: the length byte, not the terminator, says where they end.
      if (size < 2) return 0;
      int n = static_cast<signed char>(stored[1]);
      if (n <= 0 || 2 + static_cast<size_t>(n) > size) return 0;
      std::vector<unsigned char> cipher(stored + 2, stored + 2 + n);
      int outLen = room < static_cast<size_t>(kCipherPlainCapacity) ? static_cast<int>(room) : kCipherPlainCapacity;
      if (outLen <= 0) return 0;
      std::vector<unsigned char> out(static_cast<size_t>(outLen) + 1, 0);
      if (!NEW_Decrypt(cipher.data(), n, out.data(), outLen)) return 0;
      memcpy(plain, out.data(), static_cast<size_t>(outLen));
      memset(out.data(), 0, out.size());
      return 1;
    }
    if (mark == lengthMark && mark == VQ_STORED_SITE_LENGTH) {
      if (size < 2) return 0;
      size_t n = static_cast<unsigned char>(stored[1]);
      if (2 + n > size) return 0;
      size_t take = n < room ? n : room;
      memcpy(plain, stored + 2, take);
      Decrypt(plain, static_cast<int>(take));
      return 1;
    }
    size_t len = strnlen(stored, size);
    if (mark == VQ_STORED_SCRAMBLED) {
      size_t take = len - 1 < room ? len - 1 : room;
      memcpy(plain, stored + 1, take);
      Decrypt(plain, static_cast<int>(take));
      return 1;
    }
    memcpy(plain, stored, len < room ? len : room);
    return 1;
  VQ_CATCH(kSource, (memset(plain, 0, plainSize), 0))
}

int vqCrypto::StoreScrambled(const char* plain, char* stored, size_t storedSize) {
  if (!stored || storedSize < 2) return 0;
  memset(stored, 0, storedSize);
  size_t len = plain ? strnlen(plain, storedSize - 2) : 0;
  stored[0] = static_cast<char>(VQ_STORED_SCRAMBLED);
  memcpy(stored + 1, plain, len);
  Encrypt(stored + 1, static_cast<int>(len));
  return 1;
}
