// The folder view's rules without windows around them: which command a menu offers in which
// context, the order of two items under a sort order, and the lines of an index file.
// Platform-neutral.
#pragma once
#include <stddef.h>

#include <string>

#include "shellItems.h"

// Where a command is asked for: the view's toolbar, the folder shown (the view has no focus; also
// every item context menu), the view's background (focus, nothing selected), or its selection.
enum shellMenuContext {
  SHELL_CONTEXT_TOOLBAR = 0,
  SHELL_CONTEXT_FOLDER,
  SHELL_CONTEXT_BACKGROUND,
  SHELL_CONTEXT_SELECTION,
};

struct shellCommandQuery {
  int command;
  int kind;                // kind of the current item (the folder itself when nothing is selected)
  int context;             // shellMenuContext
  bool connected;          // the site's pooled connection is open
  const char* name;        // the current item's name (Print refuses some types)
  bool clipboardHasFiles;  // the clipboard holds dropped files (Paste)
};
bool shellCommandEnabled(const shellCommandQuery& query);

// Sort orders of the view (command numbers) and the column each sorts by; -1 when the order does
// not apply to the list (remote: a site or folder list).
enum {
  SHELL_SORT_URL = 7001,
  SHELL_SORT_NAME = 7011,
  SHELL_SORT_TYPE = 7012,
  SHELL_SORT_DATE = 7013,
  SHELL_SORT_SIZE = 7014,
};
int shellSortColumn(int order, bool remote);
// The order that sorts by a column; 0 for a column that has none.
int shellSortOrderOf(int column, bool remote);

// The order of two items whose sort keys are given (column texts for sorting). Groups come first
// and keep their order when descending; only the keys turn round. Case-insensitive.
int shellCompareForView(int kindA, const char* keyA, int kindB, const char* keyB, bool descending);

// One line of an index file: tabs become blanks, runs of blanks are squeezed, the line trimmed.
// The first word is the file name (a trailing "/" or "\" dropped); the description is the other
// words joined by one blank, leaving out a one-character second word and non-zero numbers as the
// third and fourth words. False for an empty line.
bool shellParseIndexLine(const char* line, std::string& name, std::string& description);
