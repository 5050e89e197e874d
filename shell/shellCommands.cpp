#include "shellCommands.h"

#include <ctype.h>
#include <string.h>

#include "shellItems.h"

namespace {
const char kMultipleGroups[] = "Multiple Groups";
const char kMultipleOwners[] = "Multiple Owners";
}  // namespace

namespace {
bool in(int kind, int low, int high) { return kind >= low && kind <= high; }
bool oneOf(int kind, int a, int b, int c, int d = -1) { return kind == a || kind == b || kind == c || kind == d; }

// Case-insensitive search: "SETUP.EXE" is a program as much as "setup.exe".
bool containsNoCase(const char* text, const char* part) {
  size_t n = strlen(part);
  for (const char* p = text; *p; ++p) {
    size_t i = 0;
    while (i < n && p[i] && tolower(static_cast<unsigned char>(p[i])) == part[i]) ++i;
    if (i == n) return true;
  }
  return false;
}

bool equalNoCase(const char* a, const char* b) {
  while (*a && tolower(static_cast<unsigned char>(*a)) == tolower(static_cast<unsigned char>(*b))) ++a, ++b;
  return !*a && !*b;
}

// A text field of a record; one without its terminator (made by another program) reads as empty.
template <size_t N>
const char* field(const char (&f)[N]) {
  return memchr(f, 0, N) ? f : "";
}

struct Verb {
  const char* verb;
  int command;
};
const Verb kVerbs[] = {
    {"newcategory", 2001}, {"newsite", 2002}, {"newfolder", 2003},      {"explore", 2005},    {"cd", 2006},
    {"open", 2007},        {"print", 2008},   {"delete", 2009},         {"rename", 2010},     {"download", 2011},
    {"downloadto", 2012},  {"upload", 2013},  {"connect", 2017},        {"disconnect", 2018}, {"refresh", 2019},
    {"viewcache", 2023},   {"welcome", 2024}, {"copy", 2027},           {"paste", 2028},      {"properties", 2032},
    {"about", 2035},       {"cancel", 2036},  {"siteproperties", 2037}, {"options", 7002},    {"releasenotes", 7018},
    {"help", 7019},
};
}  // namespace

bool shellCommandEnabled(int command, int kind, shellContext context, const shellCommandState& state) {
  const bool selection = context == SHELL_CTX_SELECTION;
  switch (command) {
    case 2001:
    case 2002:
      return in(kind, 1, 3);
    case 2003:
    case 2006:
    case 2023:
      return oneOf(kind, 4, 5, 7);
    case 2005:
      return selection && oneOf(kind, 3, 4, 5, 7);
    case 2007:
      return selection && (kind == 6 || kind == 8);
    case 2008: {
      if (!selection || !(kind == 6 || kind == 8)) return false;
      const char* name = state.name ? state.name : "";
      return !containsNoCase(name, ".exe") && !containsNoCase(name, ".zip") && !containsNoCase(name, ".obj") &&
             !containsNoCase(name, ".tar");
    }
    case 2009:
      return context != SHELL_CTX_BACKGROUND && in(kind, 3, 6);
    case 2010:
      return selection && in(kind, 3, 8);
    case 2011:
    case 2012:
      if (context == SHELL_CTX_BACKGROUND) return false;
      if (context == SHELL_CTX_FOLDER) return oneOf(kind, 4, 5, 7);
      return in(kind, 4, 8);
    case 2013:
    case 2028:
      if (command == 2028 && !state.clipboardDrop) return false;
      return selection ? oneOf(kind, 3, 4, 5, 7) : (kind == 1 || oneOf(kind, 3, 4, 5, 7));
    case 2017:
      return kind == 4 && !state.connected;
    case 2018:
      return kind == 4 && state.connected;
    case 2019:
      if (context == SHELL_CTX_TOOLBAR || context == SHELL_CTX_BACKGROUND) return kind == 1 || in(kind, 4, 8);
      return in(kind, 4, 8);
    case 2020:
    case 2022:
      return false;
    case 2024:
      return kind == 4;
    case 2027:
      if (context == SHELL_CTX_BACKGROUND) return false;
      if (context == SHELL_CTX_FOLDER) return oneOf(kind, 3, 4, 5, 7);
      return in(kind, 3, 8);
    case 2029:
      return context != SHELL_CTX_FOLDER && in(kind, 4, 8);
    case 2032:
      if (kind == 2) return false;
      if ((context == SHELL_CTX_TOOLBAR || context == SHELL_CTX_BACKGROUND) && kind == 1) return false;
      return true;
    case 2035:
      return true;
    case 2036:
      return in(kind, 4, 8) && state.connected;
    case 2037:
      return in(kind, 5, 8);
    case 7001:
      return kind == 1;
    case 7012:
    case 7013:
    case 7014:
      return in(kind, 4, 8);
    case 2034:
    case 2038:
      return true;
    default:
      return command >= 7002 && command <= 7099;
  }
}

int shellContextMenuId(int kind) {
  switch (kind) {
    case VQ_KIND_CATEGORY:
      return 1088;
    case VQ_KIND_WIZARD:
      return 1092;
    case VQ_KIND_FTPSITE:
      return 1090;
    case VQ_KIND_FOLDER:
    case VQ_KIND_FOLDERLINK:
      return 1091;
    case VQ_KIND_OBJECT:
    case VQ_KIND_OBJECTLINK:
      return 1093;
    default:
      return 1087;
  }
}

int shellCommandAtPosition(const shellMenuEntry* entries, int count, int position) {
  for (int i = 0; i < count; ++i)
    if (entries[i].position == position) return entries[i].command ? entries[i].command : position + 1;
  return position + 1;
}

int shellPositionOfCommand(const shellMenuEntry* entries, int count, int command) {
  for (int i = 0; i < count; ++i)
    if (entries[i].command == command) return entries[i].position;
  return -1;
}

int shellCommandFromVerb(const char* verb) {
  if (!verb) return 0;
  for (const Verb& v : kVerbs) {
    const char* a = v.verb;
    const char* b = verb;
    while (*a && tolower(static_cast<unsigned char>(*b)) == *a) ++a, ++b;
    if (!*a && !*b) return v.command;
  }
  return 0;
}

const char* shellVerbOfCommand(int command) {
  for (const Verb& v : kVerbs)
    if (v.command == command) return v.verb;
  return nullptr;
}

void shellSummarize(const _FTPITEMID* const* items, int count, shellObjectSummary& out) {
  memset(&out, 0, sizeof out);
  out.group = out.owner = "";
  for (int i = 0; i < count; ++i) {
    const _FTPITEMID* it = items[i];
    if (!it) continue;
    const char* group = field(it->group);
    const char* owner = field(it->owner);
    if (i == 0) {
      for (int b = 0; b < SHELL_PERM_BOXES; ++b) out.boxes[b] = it->permFlags[b] ? SHELL_BOX_SET : SHELL_BOX_CLEAR;
      out.group = group;
      out.owner = owner;
    } else {
      for (int b = 0; b < SHELL_PERM_BOXES; ++b)
        if (out.boxes[b] != SHELL_BOX_MIXED && out.boxes[b] != (it->permFlags[b] ? SHELL_BOX_SET : SHELL_BOX_CLEAR))
          out.boxes[b] = SHELL_BOX_MIXED;
      if (out.group != kMultipleGroups && !equalNoCase(out.group, group)) out.group = kMultipleGroups;
      if (out.owner != kMultipleOwners && !equalNoCase(out.owner, owner)) out.owner = kMultipleOwners;
    }
    int kind = it->kind;
    if (shellIsFolderLikeKind(kind)) ++out.folders;
    if (shellIsLinkKind(kind)) ++out.links;
    if (!shellIsFolderLikeKind(kind) && !shellIsLinkKind(kind)) ++out.files;
    out.totalSize += VQITEM_FullSize(it);
  }
}

void shellChmodDigits(const int boxes[SHELL_PERM_BOXES], const _FTPITEMID* item, char out[4]) {
  static const int weight[3] = {4, 2, 1};
  for (int who = 0; who < 3; ++who) {
    int digit = 0;
    for (int bit = 0; bit < 3; ++bit) {
      int b = who * 4 + bit;
      bool on = boxes[b] == SHELL_BOX_SET || (boxes[b] == SHELL_BOX_MIXED && item && item->permFlags[b]);
      if (on) digit += weight[bit];
    }
    out[who] = static_cast<char>('0' + digit);
  }
  out[3] = 0;
}
