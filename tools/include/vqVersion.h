// A module's version resource, read into fixed fields.
#pragma once
#include <windows.h>

#include "vqToolsApi.h"

class vqDebugger;

class VQTOOLS_API vqVersion {
 public:
  enum Key {
    Comments,
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    LegalTrademarks,
    OriginalFilename,
    PrivateBld,
    ProductName,
    ProductVersion,
    SpecialBld,
    KeyCount
  };
  enum { TextSize = 512 };

  explicit vqVersion(const char* path = nullptr);
  // 0 when a resource was read; 1 when the module has none or a fault occurred (fields cleared).
  int VerGetInfo(const char* path = nullptr);

  const char* VerGetPath() const { return m_path; }
  const char* VerGetLanguage() const { return m_language; }
  const char* VerGetText(Key key) const;
  // part 1..4; 0 outside that range.
  unsigned short VerGetFileVersion(int part) const;
  unsigned short VerGetProductVersion(int part) const;
  DWORD VerGetFilFlagsMask() const { return m_fixed[0]; }
  DWORD VerGetFilFlags() const { return m_fixed[1]; }
  DWORD VerGetFilOS() const { return m_fixed[2]; }
  DWORD VerGetFilType() const { return m_fixed[3]; }
  DWORD VerGetFilSubType() const { return m_fixed[4]; }

  // "%s - Ver. %d.%d (Build %d)": product name, product major, minor × 10 + patch, file build.
  void FormatVersionLine(char* out, int size) const;

 private:
  void Clear();
  void ReadText(const void* block, Key key);
  static void SplitVersion(const char* text, unsigned short parts[4]);

  char m_path[TextSize];
  char m_language[TextSize];
  char m_text[KeyCount][TextSize];
  unsigned short m_fileVer[4];
  unsigned short m_productVer[4];
  DWORD m_fixed[5];
};

// Logs the toolkit's own version line.
VQTOOLS_API void VQTOOLS_DUMPVERSION(vqDebugger* log);
