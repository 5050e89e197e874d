// Scrambling of the passwords kept in the registry. Encrypt/Decrypt is the form the product writes;
// NEW_Encrypt/NEW_Decrypt (passphrase encryptor under a DES layer) is read where it is found.
#pragma once
#include <stddef.h>

#include "vqToolsApi.h"

// First bytes of a stored password value. Any other first byte: the value is the plain password.
enum : unsigned char {
  VQ_STORED_SITE_LENGTH = 0x7E,    // a length byte, then that many scrambled bytes (site values)
  VQ_STORED_SCRAMBLED = 0x7F,      // the scrambled text up to the terminator (what is written)
  VQ_STORED_COMMON_CIPHER = 0x80,  // a signed length byte, then that many bytes of the new scheme
};

class VQTOOLS_API vqCrypto {
 public:
  vqCrypto();

  // In place over the first len bytes; returns buf (null for null).
  const char* Encrypt(char* buf, int len);
  const char* Decrypt(char* buf, int len);

  // outLen: capacity of out on entry, bytes produced on return; out must hold outLen + 1 bytes
  // (a 0 follows the produced bytes). 1 on success, 0 on failure.
  int NEW_Encrypt(unsigned char* in, int inLen, unsigned char* out, int& outLen);
  int NEW_Decrypt(unsigned char* in, int inLen, unsigned char* out, int& outLen);

  // A stored password value, size bytes as the registry gave them (terminator excluded), read into
  // plain (plainSize bytes, always terminated). lengthMark says which length form the value may
  // take besides the scrambled and the plain one (VQ_STORED_SITE_LENGTH or VQ_STORED_COMMON_CIPHER).
  // 1 when read; 0 for a damaged value (a length past the bytes stored, a cipher that does not
  // decrypt), which leaves plain empty.
  int ReadStored(const char* stored, size_t size, unsigned char lengthMark, char* plain, size_t plainSize);
  // The written form: VQ_STORED_SCRAMBLED and the scrambled password (at most storedSize - 2 bytes
  // of it), terminated. 0 when stored cannot hold the mark and the terminator.
  int StoreScrambled(const char* plain, char* stored, size_t storedSize);

 private:
  const char* m_passphrase;
};
