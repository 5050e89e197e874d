#include "smModule.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "vqMsg.h"
#include "vqSiteParams.h"
#include "vqSupportedServers.h"

namespace {
const int kMaxDepth = 32;
const unsigned kHostFirst = VQ_HOST_AUTO;

int walk(const char* subPath, SM_SITE_VISITOR visit, void* context, unsigned char progId, int depth) {
  if (depth > kMaxDepth) return 0;
  vqSiteParams level(progId);
  int n = level.ENUM_SiteEnumerate(subPath);
  int visited = 0;
  for (int i = 0; i < n; ++i) {
    vqSiteParams* item = level.ENUM_GetSiteItem(i);
    if (!item) continue;
    if (item->GetIsCategory()) {
      std::string inner = std::string(subPath) + "\\" + item->GetSiteName();
      visited += walk(inner.c_str(), visit, context, progId, depth + 1);
    } else {
      visit(item, context);
      ++visited;
    }
  }
  return visited;
}
}  // namespace

HINSTANCE _smModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&_smModule), &self);
  return self;
}

void SM_Warn(const char* text) { VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION); }
bool SM_Ask(const char* text) { return VQ_MSG(text, MB_YESNO | MB_ICONEXCLAMATION) == IDYES; }

void SM_WarnF(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SM_Warn(text);
}

bool SM_AskF(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return SM_Ask(text);
}

void SM_FillHostTypes(HWND combo, unsigned hostType) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  vqSupportedServers servers;
  for (unsigned i = 0; i < servers.CfgCount(); ++i) {
    const _ftpsvr_info_* row = servers.CfgFind(kHostFirst + i);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row ? row->name : "?"));
  }
  unsigned index = hostType >= kHostFirst ? hostType - kHostFirst : 0;
  if (index >= servers.CfgCount()) index = 0;
  SendMessageA(combo, CB_SETCURSEL, index, 0);
}

unsigned SM_SelectedHostType(HWND combo) {
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  return kHostFirst + static_cast<unsigned>(index < 0 ? 0 : index);
}

int SM_ForEachSite(const char* subPath, SM_SITE_VISITOR visit, void* context, unsigned char progId) {
  if (!subPath || !visit) return 0;
  return walk(subPath, visit, context, progId, 0);
}

void SM_ListFromText(HWND list, const char* text, char separator) {
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  std::string all = text ? text : "";
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(separator, start);
    if (end == std::string::npos) end = all.size();
    std::string piece = all.substr(start, end - start);
    size_t a = piece.find_first_not_of(" \t"), b = piece.find_last_not_of(" \t");
    if (a != std::string::npos) {
      piece = piece.substr(a, b - a + 1);
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece.c_str()));
    }
    start = end + 1;
  }
}

void SM_TextFromList(HWND list, char* out, unsigned size, char separator) {
  if (!out || !size) return;
  std::string all;
  LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    LRESULT len = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    if (len <= 0) continue;
    std::string item(static_cast<size_t>(len) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
    item.resize(strlen(item.c_str()));
    if (!all.empty()) all += separator;
    all += item;
  }
  lstrcpynA(out, all.c_str(), static_cast<int>(size));
}
