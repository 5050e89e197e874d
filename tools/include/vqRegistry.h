// One open registry key. Every setting of the product is read and written through this class:
// numbers as decimal text, strings as REG_SZ, short blobs as REG_BINARY.
#pragma once
#include <windows.h>
#include "vqToolsApi.h"

class VQTOOLS_API vqRegistry {
 public:
  vqRegistry();
  ~vqRegistry();
  vqRegistry(const vqRegistry&) = delete;
  vqRegistry& operator=(const vqRegistry&) = delete;

  int RegOpenRead(HKEY root, const char* path);
  int RegOpenWrite(HKEY root, const char* path);
  int RegClose();
  int RegDeleteKeyA(HKEY root, const char* path);
  int RegDeleteValueA(const char* name);

  int RegGetStr(const char* name, char* buf, unsigned size);
  int RegPutStr(const char* name, const char* text);
  int RegGetNum(const char* name, unsigned long& n);
  int RegGetNum(const char* name, unsigned int& n);
  int RegGetNum(const char* name, int& n);
  int RegGetNum(const char* name, unsigned short& n);
  int RegPutNum(const char* name, unsigned long n);
  int RegPutBin(const char* name, const unsigned char* data, unsigned len);
  int RegGetBin(const char* name, unsigned char* buf, unsigned size);

  int RegEnumKeyA(int index, char* buf, unsigned size);
  int RegEnumStr(int index, char* buf, unsigned size);
  int RegEnumVal(int index, char* name, unsigned nameSize, char* data, unsigned dataSize);

  long RegGetLastError();
  // Bytes the last successful RegGetStr or RegGetBin found stored (text values may hold binary
  // password forms, whose readers must not trust a length byte beyond what is there).
  unsigned RegGetLastSize();

  enum { MAX_STR = 1023, MAX_BIN = 131 };

 private:
  // The key itself, or for a key opened to read a second handle with write rights, opened on
  // the first write (null when the user has none).
  HKEY _writable();

  HKEY m_key;
  HKEY m_writeKey;
  bool m_readOnly;
  long m_result;
  unsigned m_lastSize;
};
