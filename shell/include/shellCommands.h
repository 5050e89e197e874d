// The rule that enables or grays each command of the extension, by the kind of the item the
// command concerns and the context the view asks in; and the walk that numbers a menu resource's
// entries for a context menu. Platform-neutral.
#pragma once
#include <stdint.h>

// Where a command is asked for.
enum shellContext {
  SHELL_CTX_TOOLBAR = 0,     // the view's toolbar buttons
  SHELL_CTX_FOLDER = 1,      // the folder shown (the view has no focus; item context menus)
  SHELL_CTX_BACKGROUND = 2,  // the view has the focus and nothing is selected
  SHELL_CTX_SELECTION = 3,   // the view has the focus and items are selected
};

// What the rule needs beyond the command, the kind and the context.
struct shellCommandState {
  const char* name;   // the item's name (Print is grayed for programs and archives)
  int connected;      // the site's pooled connection is open
  int clipboardDrop;  // the clipboard holds dropped files
};

bool shellCommandEnabled(int command, int kind, shellContext context, const shellCommandState& state);

// The menu resource of an item context menu for an item kind.
int shellContextMenuId(int kind);

// One entry of a menu resource as a context menu numbers it. Top-level entries take their
// position; the commands inside a popup follow after the last top-level entry, so every command
// of the menu (also "New" ones) can be invoked by position.
struct shellMenuEntry {
  int position;
  int command;  // 0 for a separator or a popup
  int depth;    // 0 top level, 1 inside a popup
};
// The command at a position of a numbered menu; a position without a command gives position + 1.
int shellCommandAtPosition(const shellMenuEntry* entries, int count, int position);
// The position of a command in a numbered menu, -1 when absent.
int shellPositionOfCommand(const shellMenuEntry* entries, int count, int command);

// Verbs a caller may name a command by ("open", "delete", "properties" ...); 0 when unknown.
int shellCommandFromVerb(const char* verb);
// The verb of a command, null for one without a verb.
const char* shellVerbOfCommand(int command);

// What the remote object property page shows of a selection.
struct _FTPITEMID;
enum { SHELL_PERM_BOXES = 12, SHELL_BOX_CLEAR = 0, SHELL_BOX_SET = 1, SHELL_BOX_MIXED = 2 };
struct shellObjectSummary {
  int boxes[SHELL_PERM_BOXES];  // in the item's flag order: owner, group, world; read, write, execute, delete
  const char* group;            // the first item's, or "Multiple Groups"
  const char* owner;            // the first item's, or "Multiple Owners"
  int files, folders, links;
  uint64_t totalSize;
};
void shellSummarize(const _FTPITEMID* const* items, int count, shellObjectSummary& out);
// The three octal digits of one item: a set box counts, a clear one does not, a mixed one keeps
// the item's own flag. Writes "755" into out[4].
void shellChmodDigits(const int boxes[SHELL_PERM_BOXES], const _FTPITEMID* item, char out[4]);
