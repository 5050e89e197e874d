#include "shellViewRules.h"

#include "shellCommands.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {
int compareNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int ca = tolower(static_cast<unsigned char>(*a)), cb = tolower(static_cast<unsigned char>(*b));
    if (ca != cb || !ca) return ca < cb ? -1 : ca > cb ? 1 : 0;
  }
}

bool nonZeroNumber(const std::string& word) {
  if (word.empty()) return false;
  bool nonZero = false;
  for (char c : word) {
    if (!isdigit(static_cast<unsigned char>(c))) return false;
    if (c != '0') nonZero = true;
  }
  return nonZero;
}
}  // namespace

bool shellCommandEnabled(const shellCommandQuery& q) {
  // One rule for the view's menus and the context menus.
  shellCommandState state = {q.name, q.connected ? 1 : 0, q.clipboardHasFiles ? 1 : 0};
  return shellCommandEnabled(q.command, q.kind, static_cast<shellContext>(q.context), state);
}

int shellSortColumn(int order, bool remote) {
  switch (order) {
    case SHELL_SORT_NAME:
      return 0;
    case SHELL_SORT_URL:
      return remote ? -1 : 2;
    case SHELL_SORT_SIZE:
      return remote ? 1 : -1;
    case SHELL_SORT_TYPE:
      return remote ? 2 : -1;
    case SHELL_SORT_DATE:
      return remote ? 3 : -1;
    default:
      return -1;
  }
}

int shellSortOrderOf(int column, bool remote) {
  static const int kRemote[] = {SHELL_SORT_NAME, SHELL_SORT_SIZE, SHELL_SORT_TYPE, SHELL_SORT_DATE};
  if (column == 0) return SHELL_SORT_NAME;
  if (remote) return column > 0 && column < 4 ? kRemote[column] : 0;
  return column == 2 ? SHELL_SORT_URL : 0;
}

int shellCompareForView(int kindA, const char* keyA, int kindB, const char* keyB, bool descending) {
  int ga = shellSortGroup(kindA), gb = shellSortGroup(kindB);
  if (ga != gb) return ga < gb ? -1 : 1;
  int n = compareNoCase(keyA ? keyA : "", keyB ? keyB : "");
  return descending ? -n : n;
}

bool shellParseIndexLine(const char* line, std::string& name, std::string& description) {
  name.clear();
  description.clear();
  std::vector<std::string> words;
  std::string word;
  for (const char* p = line ? line : "";; ++p) {
    char ch = *p;
    if (ch == '\0' || ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
      if (!ch) break;
    } else {
      word += ch;
    }
  }
  if (words.empty()) return false;
  name = words[0];
  while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
  for (size_t i = 1; i < words.size(); ++i) {
    if (i == 1 && words[i].size() == 1) continue;
    if ((i == 2 || i == 3) && nonZeroNumber(words[i])) continue;
    if (!description.empty()) description += ' ';
    description += words[i];
  }
  return !name.empty();
}
