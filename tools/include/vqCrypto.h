// Scrambling of the passwords kept in the registry. Encrypt/Decrypt is the form the product writes;
// NEW_Encrypt/NEW_Decrypt (passphrase encryptor under a DES layer) is read where it is found.
#pragma once
#include "vqToolsApi.h"

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

 private:
  const char* m_passphrase;
};
