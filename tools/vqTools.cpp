#include <windows.h>

#include <string.h>
#include <string>

#include "vqCatch.h"
#include "vqFileApi.h"
#include "vqString.h"
#include "vqTokens.h"

namespace {
int activeCodePageLeadByte(unsigned char c) { return IsDBCSLeadByte(c) ? 1 : 0; }

// The string helpers follow the active code page from the moment the toolkit loads.
struct LeadByteSetup {
  LeadByteSetup() { VQSTR_SetLeadByteTest(activeCodePageLeadByte); }
} g_leadByteSetup;
}  // namespace

int VQAPI_CreatePath(const char* path) {
  int result = 1;
  VQ_TRY
    if (!path) return result;
    vqTokens parts("\\");
    parts.Parse(path, nullptr);
    // Walk to the last non-empty part: the count stops short of it when separators are doubled
    // ("\\server\share\dir", "C:\A\\B").
    int last = -1;
    for (int i = 0; i < VQTOKENS_MAX_FIELDS; ++i)
      if (*parts[i]) last = i;
    std::string sofar;
    for (int i = 0; i <= last; ++i) {
      if (i) sofar += '\\';
      sofar += parts[i];
      CreateDirectoryA(sofar.c_str(), nullptr);
    }
    return result;
  VQ_CATCH("vqTools", result)
}

int VQAPI_FileExists(const char* path, unsigned long& size) {
  int result = 0;
  VQ_TRY
    size = 0;
    if (!path) return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(h);
    result = 1;
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &info)) {
      size = info.nFileSizeHigh ? 0xFFFFFFFFUL : info.nFileSizeLow;
    }
    return result;
  VQ_CATCH("vqTools", result)
}

void VQAPI_UnlinkFiles(const char* path) {
  VQ_TRY
    if (!path || !*path) return;
    // The extension is the part of the name from its last '.'; a '.' in a folder name is not one.
    const char* dot = nullptr;
    for (const char* p = path; *p; p += VQSTR_CharLen(p)) {
      if (VQSTR_CharLen(p) != 1) continue;
      if (*p == '.') dot = p;
      if (*p == '\\' || *p == '/' || *p == ':') dot = nullptr;
    }
    std::string companion(path, dot ? size_t(dot - path) : strlen(path));
    companion += ".vqD";
    DeleteFileA(path);
    DeleteFileA(companion.c_str());
  VQ_CATCH_VOID("vqTools")
}
