#include "vqVersion.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>
#include <vector>

#include "vqCatch.h"
#include "vqDebugger.h"
#include "vqMsg.h"

namespace {
const char* const kKeys[vqVersion::KeyCount] = {"Comments",     "CompanyName",    "FileDescription", "FileVersion",
                                                "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
                                                "PrivateBld",   "ProductName",    "ProductVersion",  "SpecialBld"};
// The names resource compilers write for the two abbreviated keys; read when the short one is absent.
const char* fallbackKey(vqVersion::Key key) {
  return key == vqVersion::PrivateBld ? "PrivateBuild" : key == vqVersion::SpecialBld ? "SpecialBuild" : nullptr;
}
}  // namespace

vqVersion::vqVersion(const char* path) {
  m_path[0] = '\0';
  Clear();
  if (path) lstrcpynA(m_path, path, TextSize);
}

void vqVersion::Clear() {
  m_language[0] = '\0';
  for (auto& t : m_text) t[0] = '\0';
  memset(m_fileVer, 0, sizeof m_fileVer);
  memset(m_productVer, 0, sizeof m_productVer);
  memset(m_fixed, 0, sizeof m_fixed);
}

const char* vqVersion::VerGetText(Key key) const { return key >= 0 && key < KeyCount ? m_text[key] : ""; }

unsigned short vqVersion::VerGetFileVersion(int part) const { return part >= 1 && part <= 4 ? m_fileVer[part - 1] : 0; }
unsigned short vqVersion::VerGetProductVersion(int part) const {
  return part >= 1 && part <= 4 ? m_productVer[part - 1] : 0;
}

void vqVersion::ReadText(const void* block, Key key) {
  for (const char* name : {kKeys[key], fallbackKey(key)}) {
    if (!name) continue;
    char query[96];
    snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", name);
    char* value = nullptr;
    UINT len = 0;
    if (VerQueryValueA(block, query, reinterpret_cast<void**>(&value), &len) && value && len) {
      lstrcpynA(m_text[key], value, len < UINT(TextSize) ? int(len) + 1 : int(TextSize));
      return;
    }
  }
}

void vqVersion::SplitVersion(const char* text, unsigned short parts[4]) {
  const char* p = text;
  for (int i = 0; i < 4 && p && *p; ++i) {
    while (*p == ' ') ++p;
    parts[i] = static_cast<unsigned short>(strtoul(p, nullptr, 10));
    p = strchr(p, ',');
    if (p) ++p;
  }
}

int vqVersion::VerGetInfo(const char* path) {
  VQ_TRY
    Clear();
    if (path) lstrcpynA(m_path, path, TextSize);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(m_path, &ignored);
    if (!size) return 1;
    std::vector<char> block(size + 16, 0);
    if (!GetFileVersionInfoA(m_path, 0, size, block.data())) return 1;

    WORD* trans = nullptr;
    UINT len = 0;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&trans), &len) && len >= 4)
      VerLanguageNameA(trans[0], m_language, TextSize);
    for (int k = 0; k < KeyCount; ++k) ReadText(block.data(), static_cast<Key>(k));

    VS_FIXEDFILEINFO* fixed = nullptr;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) && fixed &&
        len == sizeof(VS_FIXEDFILEINFO)) {
      const DWORD words[4] = {fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                              fixed->dwProductVersionLS};
      for (int i = 0; i < 2; ++i) {
        m_fileVer[i * 2] = HIWORD(words[i]);
        m_fileVer[i * 2 + 1] = LOWORD(words[i]);
        m_productVer[i * 2] = HIWORD(words[2 + i]);
        m_productVer[i * 2 + 1] = LOWORD(words[2 + i]);
      }
      const DWORD f[5] = {fixed->dwFileFlagsMask, fixed->dwFileFlags, fixed->dwFileOS, fixed->dwFileType,
                          fixed->dwFileSubtype};
      memcpy(m_fixed, f, sizeof m_fixed);
    } else {
      SplitVersion(m_text[FileVersion], m_fileVer);
      SplitVersion(m_text[ProductVersion], m_productVer);
    }
    return 0;
  VQ_CATCH("vqVersion", (Clear(), 1))
}

void vqVersion::FormatVersionLine(char* out, int size) const {
  if (!out || size <= 0) return;
  snprintf(out, static_cast<size_t>(size), "%s - Ver. %d.%d (Build %d)", m_text[ProductName], m_productVer[0],
           m_productVer[1] * 10 + m_productVer[2], m_fileVer[3]);
}

void VQTOOLS_DUMPVERSION(vqDebugger* log) {
  VQ_TRY
    if (!log) return;
    char path[MAX_PATH];
    if (!GetModuleFileNameA(vqToolsModule(), path, sizeof path)) return;
    vqVersion v(path);
    v.VerGetInfo();
    char line[vqVersion::TextSize + 64];
    v.FormatVersionLine(line, sizeof line);
    log->DEBUGMSG("%s", line);
  VQ_CATCH_VOID("vqTools")
}
