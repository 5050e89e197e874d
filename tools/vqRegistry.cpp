// Registry access. Strings found with another type than REG_SZ are removed on read, so a damaged
// setting falls back to its default once and is written back cleanly by the next save.
#include "vqRegistry.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "vqCatch.h"

namespace {
// Keys opened to write: KEY_READ with KEY_SET_VALUE and KEY_CREATE_SUB_KEY.
const REGSAM kAccess = 0x2001F;
// Keys opened to read ask for nothing more, so a user without write rights (the machine-wide
// store, for one) can still read them; a write through such a key asks for rights when it writes.
const REGSAM kReadAccess = KEY_READ;
const char kSource[] = "vqRegistry";

// Terminates text of `got` bytes inside a buffer of `size` bytes.
void terminate(char* buf, unsigned size, DWORD got) { buf[got < size ? got : size - 1] = 0; }
}  // namespace

vqRegistry::vqRegistry() : m_key(nullptr), m_writeKey(nullptr), m_readOnly(false), m_result(0), m_lastSize(0) {}

vqRegistry::~vqRegistry() {
  if (m_writeKey) ::RegCloseKey(m_writeKey);
  if (m_key) ::RegCloseKey(m_key);
}

HKEY vqRegistry::_writable() {
  if (!m_key) return nullptr;
  if (!m_readOnly) return m_key;
  if (!m_writeKey) {
    HKEY key = nullptr;
    m_result = ::RegOpenKeyExA(m_key, nullptr, 0, kAccess, &key);
    if (m_result != ERROR_SUCCESS) return nullptr;
    m_writeKey = key;
  }
  return m_writeKey;
}

int vqRegistry::RegOpenRead(HKEY root, const char* path) {
  VQ_TRY
    RegClose();
    if (!path) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    HKEY key = nullptr;
    m_result = ::RegOpenKeyExA(root, path, 0, kReadAccess, &key);
    if (m_result != ERROR_SUCCESS) return 0;
    m_key = key;
    m_readOnly = true;
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegOpenWrite(HKEY root, const char* path) {
  VQ_TRY
    RegClose();
    if (!path) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    HKEY key = nullptr;
    DWORD disposition = 0;
    char cls[] = "REG_SZ";
    m_result = ::RegCreateKeyExA(root, path, 0, cls, REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key, &disposition);
    if (m_result != ERROR_SUCCESS) return 0;
    m_key = key;
    m_readOnly = false;
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegClose() {
  VQ_TRY
    if (m_writeKey) {
      ::RegCloseKey(m_writeKey);
      m_writeKey = nullptr;
    }
    if (m_key) {
      m_result = ::RegCloseKey(m_key);
      m_key = nullptr;
    }
    m_readOnly = false;
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegDeleteKeyA(HKEY root, const char* path) {
  VQ_TRY
    RegClose();
    if (!path) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    // Depth first: the system only deletes keys without subkeys.
    std::vector<std::string> names;
    {
      vqRegistry sub;
      if (sub.RegOpenRead(root, path)) {
        char name[256];
        int count = 0;
        while (sub.RegEnumKeyA(count, name, sizeof(name))) ++count;
        names.reserve(count);
        for (int i = 0; i < count && sub.RegEnumKeyA(i, name, sizeof(name)); ++i) names.push_back(name);
        sub.RegClose();
      }
    }
    for (const std::string& name : names) {
      std::string child = std::string(path) + "\\" + name;
      RegDeleteKeyA(root, child.c_str());
    }
    m_result = ::RegDeleteKeyA(root, path);
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegDeleteValueA(const char* name) {
  VQ_TRY
    if (!m_key) return 0;
    HKEY key = _writable();
    if (!key) return 0;
    m_result = ::RegDeleteValueA(key, name);
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegGetStr(const char* name, char* buf, unsigned size) {
  VQ_TRY
    if (!m_key) return 0;
    if (!buf || size == 0) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    memset(buf, 0, size);
    DWORD type = 0;
    DWORD got = size;
    m_result = ::RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &got);
    if (m_result != ERROR_SUCCESS) {
      buf[size - 1] = 0;
      return 0;
    }
    m_lastSize = got < size ? got : size;
    terminate(buf, size, got);
    if (type != REG_SZ) {
      // Without write rights the value stays; it still reads as what was found.
      if (HKEY key = _writable()) ::RegDeleteValueA(key, name);
      m_result = ERROR_SUCCESS;
    }
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegPutStr(const char* name, const char* text) {
  VQ_TRY
    if (!m_key) return 0;
    if (!text) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    char stored[MAX_STR + 1];
    size_t len = strnlen(text, MAX_STR);
    memcpy(stored, text, len);
    stored[len] = 0;
    HKEY key = _writable();
    if (!key) return 0;
    m_result =
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored), static_cast<DWORD>(len + 1));
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegGetNum(const char* name, unsigned long& n) {
  VQ_TRY
    if (!m_key) return 0;
    char text[64] = {};
    DWORD type = 0;
    DWORD got = sizeof(text) - 1;
    m_result = ::RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &got);
    if (m_result != ERROR_SUCCESS) return 0;
    text[got < sizeof(text) ? got : sizeof(text) - 1] = 0;
    if (type == REG_SZ) n = strtoul(text, nullptr, 10);
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegGetNum(const char* name, unsigned int& n) {
  unsigned long value = n;
  if (!RegGetNum(name, value)) return 0;
  n = static_cast<unsigned int>(value);
  return 1;
}

int vqRegistry::RegGetNum(const char* name, int& n) {
  unsigned long value = static_cast<unsigned long>(n);
  if (!RegGetNum(name, value)) return 0;
  n = static_cast<int>(value);
  return 1;
}

int vqRegistry::RegGetNum(const char* name, unsigned short& n) {
  unsigned long value = n;
  if (!RegGetNum(name, value)) return 0;
  n = static_cast<unsigned short>(value & 0xFFFF);
  return 1;
}

int vqRegistry::RegPutNum(const char* name, unsigned long n) {
  VQ_TRY
    if (!m_key) return 0;
    char text[32];
    int len = snprintf(text, sizeof(text), "%lu", n);
    HKEY key = _writable();
    if (!key) return 0;
    m_result = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(len + 1));
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegPutBin(const char* name, const unsigned char* data, unsigned len) {
  VQ_TRY
    if (!m_key) return 0;
    if (!data && len) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    if (len > MAX_BIN) len = MAX_BIN;
    HKEY key = _writable();
    if (!key) return 0;
    m_result = ::RegSetValueExA(key, name, 0, REG_BINARY, data, len);
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegGetBin(const char* name, unsigned char* buf, unsigned size) {
  VQ_TRY
    if (!m_key) return 0;
    if (!buf || size == 0) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    memset(buf, 0, size);
    DWORD got = size;
    m_result = ::RegQueryValueExA(m_key, name, nullptr, nullptr, buf, &got);
    if (m_result != ERROR_SUCCESS) return 0;
    m_lastSize = got;
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegEnumKeyA(int index, char* buf, unsigned size) {
  VQ_TRY
    if (!m_key) return 0;
    if (!buf || size == 0 || index < 0) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    memset(buf, 0, size);
    DWORD len = size;
    m_result = ::RegEnumKeyExA(m_key, static_cast<DWORD>(index), buf, &len, nullptr, nullptr, nullptr, nullptr);
    buf[size - 1] = 0;
    return m_result == ERROR_SUCCESS ? 1 : 0;
  VQ_CATCH(kSource, 0)
}

int vqRegistry::RegEnumStr(int index, char* buf, unsigned size) { return RegEnumKeyA(index, buf, size); }

int vqRegistry::RegEnumVal(int index, char* name, unsigned nameSize, char* data, unsigned dataSize) {
  VQ_TRY
    if (!m_key) return 0;
    if (!name || nameSize == 0 || !data || dataSize == 0 || index < 0) {
      m_result = ERROR_INVALID_PARAMETER;
      return 0;
    }
    memset(name, 0, nameSize);
    memset(data, 0, dataSize);
    DWORD nameLen = nameSize;
    DWORD dataLen = dataSize;
    m_result = ::RegEnumValueA(m_key, static_cast<DWORD>(index), name, &nameLen, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(data), &dataLen);
    name[nameSize - 1] = 0;
    if (m_result != ERROR_SUCCESS) {
      data[dataSize - 1] = 0;
      return 0;
    }
    terminate(data, dataSize, dataLen);
    return 1;
  VQ_CATCH(kSource, 0)
}

long vqRegistry::RegGetLastError() { return m_result; }

unsigned vqRegistry::RegGetLastSize() { return m_lastSize; }
