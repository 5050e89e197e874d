#include "shellItems.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "shellNames.h"
#include "vqCatch.h"
#include "vqDirParser.h"
#include "vqString.h"

const char* const kShellKindFormatNames[SHELL_FORMAT_COUNT] = {"VQ_OBTYPE_CATEGORY", "VQ_OBTYPE_FTPSITE",
                                                               "VQ_OBTYPE_FOLDER", "VQ_OBTYPE_OBJECT"};

namespace {
const char kSource[] = "shellPidl";
// The shell's own item for the junction of the namespace; a selection holding it stands for the root.
const unsigned kJunctionItemSize = 20;

// Copies at most max characters of src into a field of size bytes, always terminated.
template <size_t N>
void setText(char (&field)[N], const char* src, size_t max) {
  size_t n = src ? strnlen(src, max < N - 1 ? max : N - 1) : 0;
  memcpy(field, src ? src : "", n);
  field[n] = 0;
}

// A text field as a string: a field with no terminator (an item another program made) reads as
// empty rather than running on into the next field or past the item.
template <size_t N>
const char* fieldText(const char (&field)[N]) {
  return memchr(field, 0, N) ? field : "";
}

inline unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
}  // namespace

int shellSortGroup(int kind) {
  switch (kind) {
    case VQ_KIND_WIZARD:
      return 0;
    case VQ_KIND_CATEGORY:
      return 1;
    case VQ_KIND_FOLDER:
    case VQ_KIND_FOLDERLINK:
      return 2;
    default:
      return 3;
  }
}

uint32_t shellDefaultAttributes(int kind) {
  switch (kind) {
    case VQ_KIND_CATEGORY:
    case VQ_KIND_FTPSITE:
    case VQ_KIND_FOLDER:
    case VQ_KIND_FOLDERLINK:
      return SHELL_CONTAINER_ATTRIBUTES;
    default:
      return 0;
  }
}

int shellItemKind(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? static_cast<int>(it->kind) : static_cast<int>(VQ_KIND_ROOT);
}
const char* shellItemName(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? fieldText(it->name) : "FTP-Root";
}
bool shellItemNameIsUtf8(LPCITEMIDLIST item) { return shellItemIsUtf8(shellOwnItem(item)); }
uint32_t shellItemAttributes(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? it->attributes : 0u;
}
uint32_t shellItemSize(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? it->size : 0;
}
const char* shellItemPermText(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? fieldText(it->permText) : "";
}
const char* shellItemTypeName(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? fieldText(it->typeName) : "Unknown Object Type";
}
const char* shellItemDateText(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? fieldText(it->dateText) : "";
}
const char* shellItemSortDate(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it ? fieldText(it->sortDate) : "";
}
const char* shellItemLinkTarget(LPCITEMIDLIST item) {
  const _FTPITEMID* it = shellOwnItem(item);
  return it && shellIsLinkKind(it->kind) ? fieldText(it->url) : "";
}

int shellDefaultCommand(LPCITEMIDLIST item, unsigned doubleClickAction) {
  switch (shellItemKind(item)) {
    case VQ_KIND_WIZARD:
      return SHELL_CMD_NEWSITE;
    case VQ_KIND_OBJECT:
    case VQ_KIND_OBJECTLINK:
      return doubleClickAction ? SHELL_CMD_DOWNLOAD : SHELL_CMD_OPEN;
    default:
      return SHELL_CMD_EXPLORE;
  }
}

_FTPITEMID* shellNewItem(int kind, const char* name) {
  _FTPITEMID* item = static_cast<_FTPITEMID*>(calloc(1, sizeof(_FTPITEMID)));
  if (!item) return nullptr;
  item->cb = VQ_ITEMID_SIZE;
  item->kind = static_cast<int16_t>(kind);
  setText(item->name, name, sizeof item->name - 1);
  item->attributes = shellDefaultAttributes(kind);
  return item;
}

void shellFreeItem(_FTPITEMID* item) { free(item); }

shellKindFormat shellSelectionFormat(LPCITEMIDLIST run) {
  bool site = false, folder = false, object = false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(run);
  int left = VQPIDL_GetListSize(run);
  for (int at = 0; at < left;) {
    LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(p + at);
    unsigned cb = item->mkid.cb;
    if (cb == kJunctionItemSize) return SHELL_FORMAT_CATEGORY;
    switch (shellItemKind(item)) {
      case VQ_KIND_CATEGORY:
        return SHELL_FORMAT_CATEGORY;
      case VQ_KIND_FTPSITE:
        site = true;
        break;
      case VQ_KIND_FOLDER:
      case VQ_KIND_FOLDERLINK:
        folder = true;
        break;
      case VQ_KIND_OBJECT:
      case VQ_KIND_OBJECTLINK:
        object = true;
        break;
    }
    at += static_cast<int>(cb);
  }
  if (site) return SHELL_FORMAT_FTPSITE;
  if (folder) return SHELL_FORMAT_FOLDER;
  if (object) return SHELL_FORMAT_OBJECT;
  return SHELL_FORMAT_NONE;
}

int shellColumnCount(int folderKind) { return folderKind == VQ_KIND_ROOT || folderKind == VQ_KIND_CATEGORY ? 4 : 6; }

int shellColumnTitleId(int folderKind, int column) {
  static const int siteColumns[4] = {IDS_COL_NAME, IDS_COL_TYPE, IDS_COL_URL, IDS_COL_DESCRIPTION};
  static const int remoteColumns[6] = {IDS_COL_NAME, IDS_COL_SIZE,        IDS_COL_TYPE,
                                       IDS_COL_DATE, IDS_COL_PERMISSIONS, IDS_COL_DESCRIPTION};
  if (column < 0 || column >= shellColumnCount(folderKind)) return 0;
  return shellColumnCount(folderKind) == 4 ? siteColumns[column] : remoteColumns[column];
}

const char* shellColumnText(LPCITEMIDLIST item, int column, int forSorting, char* buf, size_t size) {
  if (buf && size) buf[0] = 0;
  int kind = shellItemKind(item);
  if (column == 0) return shellItemName(item);
  const _FTPITEMID* it = shellOwnItem(item);
  if (!it) {
    // Foreign items read as the root: type name only.
    return column == 1 ? shellItemTypeName(item) : "";
  }
  switch (kind) {
    case VQ_KIND_ROOT:
    case VQ_KIND_CATEGORY:
    case VQ_KIND_FTPSITE:
      if (column == 1) return fieldText(it->typeName);
      if (column == 2) return fieldText(it->url);
      if (column == 3) return fieldText(it->description);
      return "";
    case VQ_KIND_FOLDER:
    case VQ_KIND_OBJECT:
    case VQ_KIND_FOLDERLINK:
    case VQ_KIND_OBJECTLINK:
      switch (column) {
        case 1: {
          if (shellIsFolderLikeKind(kind) || !buf || size < SHELL_COLUMN_BUF) return "";
          // The whole size: files of 4 GB and more keep their high bits beside the saturated field.
          uint64_t n = VQITEM_FullSize(it);
          if (forSorting) {
            // Twenty digits hold every 64-bit size, so the texts order as the sizes do.
            for (int k = 19; k >= 0; --k, n /= 10) buf[k] = static_cast<char>('0' + n % 10);
            buf[20] = 0;
            return buf;
          }
          char digits[24];
          snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(n));
          return VQSTR_FormatSize(digits, buf, 0);
        }
        case 2:
          return fieldText(it->typeName);
        case 3:
          return forSorting ? fieldText(it->sortDate) : fieldText(it->dateText);
        case 4:
          return fieldText(it->permText);
        default:
          return "";
      }
    default:  // the wizard entry and unknown kinds
      return "";
  }
}

void shellApplyParentDeleteFlags(_FTPITEMID* item, const _FTPITEMID* parent) {
  if (!item) return;
  item->permFlags[VQ_PERM_OWNER_DELETE] = parent ? parent->permFlags[VQ_PERM_OWNER_WRITE] : 0;
  item->permFlags[VQ_PERM_GROUP_DELETE] = parent ? parent->permFlags[VQ_PERM_GROUP_WRITE] : 0;
  item->permFlags[VQ_PERM_WORLD_DELETE] = parent ? parent->permFlags[VQ_PERM_WORLD_WRITE] : 0;
}

void shellMakeDotDot(_FTPITEMID* out, const _FTPITEMID* folderItem) {
  if (folderItem) {
    memcpy(out, folderItem, sizeof *out);
  } else {
    memset(out, 0, sizeof *out);
    out->cb = VQ_ITEMID_SIZE;
  }
  memset(out->name, 0, sizeof out->name);
  memcpy(out->name, "..", 3);
  out->kind = VQ_KIND_FOLDER;
  out->attributes = shellDefaultAttributes(VQ_KIND_FOLDER);
}

long shellItemsFromListing(vqDirParser& parser, const _FTPITEMID* folderItem, const shellListingOptions& options,
                           shellItemSink sink, void* user, bool* namesUtf8) {
  long count = 0;
  VQ_TRY
    if (!sink) return 0;
    // One record, reused: the sink copies what it keeps.
    _FTPITEMID item;
    bool looksUtf8 = shellItemIsUtf8(folderItem);
    if (options.namesSetting == VQ_NAMES_AUTO && !options.serverSaysUtf8 && !looksUtf8) {
      shellUtf8Evidence evidence;
      memset(&item, 0, sizeof item);
      for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
        item.name[sizeof item.name - 1] = 0;
        evidence.Add(item.name);
      }
      looksUtf8 = evidence.LooksUtf8();
    }
    const bool utf8 = shellNamesUtf8(options.namesSetting, options.serverSaysUtf8 != 0, looksUtf8);
    if (namesUtf8) *namesUtf8 = utf8;
    if (options.dotDot) {
      shellMakeDotDot(&item, folderItem);
      shellSetItemUtf8(&item, utf8);
      ++count;
      if (!sink(&item, user)) return count;
    }
    memset(&item, 0, sizeof item);
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
      // Only the stored part and the read-back texts come from the listing.
      item.cb = VQ_ITEMID_SIZE;
      item.attributes = shellDefaultAttributes(item.kind);
      item.description[0] = 0;
      item.typeName[0] = 0;
      if (!shellIsLinkKind(item.kind)) item.url[0] = 0;
      shellApplyParentDeleteFlags(&item, folderItem);
      shellSetItemUtf8(&item, utf8);
      if (item.name[0] == '.') {
        bool container = shellIsContainerKind(item.kind);
        if (container ? options.hideDotDirs : options.hideDotFiles) continue;
      }
      ++count;
      if (!sink(&item, user)) break;
    }
    return count;
  VQ_CATCH(kSource, count)
}

namespace {
// The key characters of one relative list, one at a time.
class KeyCursor {
 public:
  explicit KeyCursor(LPCITEMIDLIST list)
      : m_p(reinterpret_cast<const unsigned char*>(list)), m_left(list ? VQPIDL_GetListSize(list) : 0) {
    startItem();
  }
  // The next character, or -1 at the end of the key.
  int Next() {
    for (;;) {
      if (m_pendingLen) {
        int c = m_pending[m_pendingAt++];
        if (m_pendingAt == m_pendingLen) m_pendingLen = m_pendingAt = 0;
        return c;
      }
      if (!m_item) return -1;
      if (m_own) {
        unsigned char c = m_at < sizeof m_own->name ? static_cast<unsigned char>(m_own->name[m_at]) : 0;
        if (c) {
          ++m_at;
          return c;
        }
      } else if (m_at < m_byteCount) {
        unsigned v = m_item[m_at++];
        // At least two decimal digits per byte.
        if (v >= 100) m_pending[m_pendingLen++] = static_cast<unsigned char>('0' + v / 100);
        m_pending[m_pendingLen++] = static_cast<unsigned char>('0' + v / 10 % 10);
        m_pending[m_pendingLen++] = static_cast<unsigned char>('0' + v % 10);
        continue;
      }
      // End of the item's contribution: "|", then the next item.
      unsigned cb = m_item[0] | (m_item[1] << 8);
      m_p += cb;
      m_left -= static_cast<int>(cb);
      startItem();
      return '|';
    }
  }

 private:
  void startItem() {
    m_item = nullptr;
    m_own = nullptr;
    m_at = 0;
    if (m_left < 2) return;
    unsigned cb = m_p[0] | (m_p[1] << 8);
    if (cb < 2 || static_cast<int>(cb) > m_left) return;
    m_item = m_p;
    m_own = cb == VQ_ITEMID_SIZE ? reinterpret_cast<const _FTPITEMID*>(m_p) : nullptr;
    // A foreign item's bytes, with the size field of what follows it.
    m_byteCount = cb + 2;
  }
  const unsigned char* m_p;
  int m_left;
  const unsigned char* m_item = nullptr;
  const _FTPITEMID* m_own = nullptr;
  size_t m_at = 0;
  size_t m_byteCount = 0;
  unsigned char m_pending[4] = {0, 0, 0, 0};
  int m_pendingLen = 0;
  int m_pendingAt = 0;
};

}  // namespace

namespace {
// The keys name + "|" of two own items, compared without building them.
int compareNameKeys(const char* x, const char* y) {
  const size_t n = sizeof(static_cast<_FTPITEMID*>(nullptr)->name);
  size_t k = 0;
  while (k < n && x[k] && y[k] && lower(static_cast<unsigned char>(x[k])) == lower(static_cast<unsigned char>(y[k])))
    ++k;
  const bool xEnd = k >= n || !x[k], yEnd = k >= n || !y[k];
  if (xEnd && yEnd) return 0;
  const int cx = xEnd ? '|' : lower(static_cast<unsigned char>(x[k]));
  const int cy = yEnd ? '|' : lower(static_cast<unsigned char>(y[k]));
  if (cx != cy) return cx < cy ? -1 : 1;
  return xEnd ? -1 : 1;  // one key ends where the other holds a "|": the shorter comes first
}

bool isOneOwnItem(LPCITEMIDLIST list) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
  return list && list->mkid.cb == VQ_ITEMID_SIZE && p[VQ_ITEMID_SIZE] == 0 && p[VQ_ITEMID_SIZE + 1] == 0;
}
}  // namespace

int shellCompareItemLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  VQ_TRY
    // What a view sorts: two items of ours, one each.
    if (isOneOwnItem(a) && isOneOwnItem(b)) {
      const _FTPITEMID* x = reinterpret_cast<const _FTPITEMID*>(a);
      const _FTPITEMID* y = reinterpret_cast<const _FTPITEMID*>(b);
      int gx = shellSortGroup(x->kind), gy = shellSortGroup(y->kind);
      if (gx != gy) return gx < gy ? -1 : 1;
      return compareNameKeys(x->name, y->name);
    }
    const _FTPITEMID* lastA = shellOwnItem(VQPIDL_Last(a));
    const _FTPITEMID* lastB = shellOwnItem(VQPIDL_Last(b));
    if (lastA && lastB) {
      int ga = shellSortGroup(lastA->kind), gb = shellSortGroup(lastB->kind);
      if (ga != gb) return ga < gb ? -1 : 1;
    }
    KeyCursor ka(a), kb(b);
    for (;;) {
      int ca = ka.Next(), cb = kb.Next();
      if (ca != cb) {
        if (ca < 0 || cb < 0) return ca < 0 ? -1 : 1;
        ca = lower(static_cast<unsigned char>(ca));
        cb = lower(static_cast<unsigned char>(cb));
        if (ca != cb) return ca < cb ? -1 : 1;
      }
      if (ca < 0) return 0;
    }
  VQ_CATCH(kSource, 0)
}
