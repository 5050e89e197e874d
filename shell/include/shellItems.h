// Items of the namespace: every object the extension shows is one _FTPITEMID record used as a shell
// item-ID. An item is ours exactly when its size field is 1910; the shell's own items (the junction
// where the namespace is mounted) are foreign and read as the root.
//
// These are the item-level rules without the shell around them (kinds, attributes, accessor
// fallbacks, columns, items from a parsed listing); shellPidl adds the module's resources, the
// site store and the settings. Platform-neutral.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "vqFtpItemId.h"
#include "vqPidl.h"

class vqDirParser;

// Default attributes of folders, sites and categories: has-subfolder, folder, browsable,
// drop target, can move, can copy.
enum : uint32_t { SHELL_CONTAINER_ATTRIBUTES = 0xA8000103u };

// Command ids of the default command (the menu's numbers).
enum {
  SHELL_CMD_NEWSITE = 2002,
  SHELL_CMD_EXPLORE = 2005,
  SHELL_CMD_OPEN = 2007,
  SHELL_CMD_DOWNLOAD = 2011,
};

// String ids of the module's type names and column titles.
enum {
  IDS_TYPE_ROOT = 1000,
  IDS_TYPE_WIZARD = 1001,
  IDS_TYPE_CATEGORY = 1002,
  IDS_TYPE_CATEGORY_OPEN = 1003,
  IDS_TYPE_SITE = 1004,
  IDS_TYPE_SITE_OPEN = 1005,
  IDS_TYPE_SITE_CONNECTED = 1006,
  IDS_TYPE_SITE_CONNECTED_OPEN = 1007,
  IDS_TYPE_DIRECTORY = 1008,
  IDS_TYPE_DIRECTORY_OPEN = 1009,
  IDS_TYPE_REMOTE_OBJECT = 1012,
  IDS_COL_NAME = 57703,
  IDS_COL_TYPE = 57704,
  IDS_COL_URL = 57705,
  IDS_COL_DESCRIPTION = 57706,
  IDS_COL_SIZE = 57707,
  IDS_COL_DATE = 57708,
  IDS_COL_PERMISSIONS = 57709,
};

// The kind formats a selection travels under, by priority.
enum shellKindFormat {
  SHELL_FORMAT_NONE = -1,
  SHELL_FORMAT_CATEGORY = 0,  // "VQ_OBTYPE_CATEGORY"
  SHELL_FORMAT_FTPSITE,       // "VQ_OBTYPE_FTPSITE"
  SHELL_FORMAT_FOLDER,        // "VQ_OBTYPE_FOLDER"
  SHELL_FORMAT_OBJECT,        // "VQ_OBTYPE_OBJECT"
  SHELL_FORMAT_COUNT
};
extern const char* const kShellKindFormatNames[SHELL_FORMAT_COUNT];

// Our record, or null for a null or foreign item.
inline const _FTPITEMID* shellOwnItem(LPCITEMIDLIST item) {
  return item && item->mkid.cb == VQ_ITEMID_SIZE ? reinterpret_cast<const _FTPITEMID*>(item) : nullptr;
}
inline _FTPITEMID* shellOwnItem(LPITEMIDLIST item) {
  return item && item->mkid.cb == VQ_ITEMID_SIZE ? reinterpret_cast<_FTPITEMID*>(item) : nullptr;
}
inline LPCITEMIDLIST shellAsItemId(const _FTPITEMID* item) { return reinterpret_cast<LPCITEMIDLIST>(item); }

// Whether an item's name bytes are UTF-8: one byte of the record's reserved run (offset 1271,
// reserved2[4], zero in every older record and in the parsed-listing file), set when the listing
// that made the item was read as UTF-8. The name itself stays the server's bytes.
enum { SHELL_ITEM_UTF8_MARK = 0x55, SHELL_ITEM_UTF8_OFFSET = 1271 };
static_assert(offsetof(_FTPITEMID, reserved2) + 4 == SHELL_ITEM_UTF8_OFFSET, "the mark follows sizeLow");
inline bool shellItemIsUtf8(const _FTPITEMID* item) {
  return item && item->reserved2[4] == SHELL_ITEM_UTF8_MARK;
}
inline void shellSetItemUtf8(_FTPITEMID* item, bool on) {
  if (item) item->reserved2[4] = on ? static_cast<unsigned char>(SHELL_ITEM_UTF8_MARK) : 0;
}
// The same for any list's last item (false for foreign ones).
bool shellItemNameIsUtf8(LPCITEMIDLIST item);

// Kind predicates.
inline bool shellIsContainerKind(int kind) {
  return kind != VQ_KIND_WIZARD && kind != VQ_KIND_OBJECT && kind != VQ_KIND_OBJECTLINK;
}
inline bool shellIsLinkKind(int kind) { return kind == VQ_KIND_FOLDERLINK || kind == VQ_KIND_OBJECTLINK; }
inline bool shellIsRemoteKind(int kind) { return kind >= VQ_KIND_FOLDER && kind <= VQ_KIND_OBJECTLINK; }
inline bool shellIsFolderLikeKind(int kind) { return kind == VQ_KIND_FOLDER || kind == VQ_KIND_FOLDERLINK; }
uint32_t shellDefaultAttributes(int kind);
// Kind groups of the item order: the wizard entry, categories, folders and folder links, the rest.
int shellSortGroup(int kind);

// Accessors with their fallbacks for a null or foreign item; a text field without its terminator
// (an item another program made) reads as empty.
int shellItemKind(LPCITEMIDLIST item);              // VQ_KIND_ROOT
const char* shellItemName(LPCITEMIDLIST item);      // "FTP-Root"
uint32_t shellItemAttributes(LPCITEMIDLIST item);   // 0
uint32_t shellItemSize(LPCITEMIDLIST item);         // 0
const char* shellItemPermText(LPCITEMIDLIST item);  // ""
const char* shellItemTypeName(LPCITEMIDLIST item);  // "Unknown Object Type"
const char* shellItemDateText(LPCITEMIDLIST item);  // ""
const char* shellItemSortDate(LPCITEMIDLIST item);  // ""
// A link's target (its url field); "" for other items.
const char* shellItemLinkTarget(LPCITEMIDLIST item);
// The command a double click runs; doubleClickAction is the application's setting.
int shellDefaultCommand(LPCITEMIDLIST item, unsigned doubleClickAction);

// A zero-filled record of the kind, its name cut to 511 characters, default attributes applied.
// Ordinary heap; free with shellFreeItem. Null when memory runs out.
_FTPITEMID* shellNewItem(int kind, const char* name);
void shellFreeItem(_FTPITEMID* item);

// The kind format of a run of items (one after another, ended by a 16-bit zero, as a selection
// is kept): categories, or the shell's own 20-byte junction item, first; then sites; then folders
// and folder links; then files and file links.
shellKindFormat shellSelectionFormat(LPCITEMIDLIST run);

// Columns: root and category folders (kinds 1, 3) have four, all others six.
int shellColumnCount(int folderKind);
// String id of a column's title; 0 past the last column.
int shellColumnTitleId(int folderKind, int column);
// A column's text for one item. forSorting gives texts that order as the values do (sizes as
// zero-padded digits, sortable dates). Returns a field of the item or buf (which receives the
// formatted size); "" for an empty column.
enum { SHELL_COLUMN_BUF = 32 };
const char* shellColumnText(LPCITEMIDLIST item, int column, int forSorting, char* buf, size_t size);

// Items of a remote folder from its parsed listing.
struct shellListingOptions {
  int dotDot;       // make the ".." entry first (the folder is being explored, and the setting asks)
  int hideDotDirs;  // folders whose names begin with "."
  int hideDotFiles;
  int namesSetting = 0;    // the site's VQ_NAMES_* value (0: automatic)
  int serverSaysUtf8 = 0;  // the server announced UTF-8 names
};
// Receives each item; the item is reused for the next one, so the sink copies what it keeps.
// A zero answer stops the walk.
typedef int (*shellItemSink)(const _FTPITEMID* item, void* user);
// Reads the parser's open enumeration (DirEnumOpen done) and hands every entry to sink with default
// attributes and delete flags taken from the folder's write flags; folderItem is the folder's own
// item (or null for a foreign one). Every item is marked UTF-8 or not by shellNamesUtf8, the
// automatic setting judging the whole listing (and a folder reached as UTF-8 keeps its children
// UTF-8). namesUtf8 (when given) receives the verdict. Returns the number of items handed out.
long shellItemsFromListing(vqDirParser& parser, const _FTPITEMID* folderItem, const shellListingOptions& options,
                           shellItemSink sink, void* user, bool* namesUtf8 = nullptr);
// The three delete flags of item from the three write flags of its parent folder's item.
void shellApplyParentDeleteFlags(_FTPITEMID* item, const _FTPITEMID* parent);
// The ".." entry: a copy of the folder's item named ".." of kind 5 with default attributes.
void shellMakeDotDot(_FTPITEMID* out, const _FTPITEMID* folderItem);

// The order of two relative lists as the folder sorts them: by kind group when both last items
// are ours (wizard entry, categories, folders, then the rest), then case-insensitively by the key
// of each list: an own item's name, a foreign item's bytes as two-digit decimals, each followed
// by "|". No allocation.
int shellCompareItemLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
