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
