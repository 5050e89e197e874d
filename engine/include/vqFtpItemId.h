// The item record: one remote entry as the listing parser fills it, and byte for byte the shell
// item-ID of the namespace extension. Offsets are fixed by stored item-IDs and by the parsed-listing
// file (bytes 1251 to 1909 of each record), so they are checked at compile time.
//
//   offset size  field
//      0     2   cb            always 1910
//      2     4   attributes    shell attribute flags
//      6   513   url           site URL, or a link's target
//    519    65   dateText      modification time for display (user's locale)
//    584    25   sortDate      "yyyy/mm/dd hh:mm"
//    609   513   typeName      Type column text
//   1122   129   description   site or category description
//   1251     2   cbStored      659 in parsed records, 0 otherwise   <- stored part starts here
//   1253     2   kind          VQ_KIND_*
//   1255     4   sizeHigh      high 32 bits of the size (was reserved1, zero in older records)
//   1259     8   modified      FILETIME as listed (no time-zone conversion)
//   1267     4   sizeLow       low 32 bits of the size when sizeHigh is not zero (in reserved2)
//   1271    12   reserved      1271: the shell's UTF-8 name mark; 1272: year guessed (below)
//   1283     4   size          bytes (0 for folders), saturated at 4,294,967,295
//
// Sizes of 4 GB and more: size stays saturated for readers that know only it; sizeHigh and sizeLow
// hold the whole size. Older records have zeros there and read back as before. Use VQITEM_FullSize
// and VQITEM_SetFullSize rather than the three fields.
//   1287   512   name          for a stored link: "name|target"
//   1799    33   permText      e.g. drwxr-xr-x or (RWED,RWED,RE,)
//   1832    33   group
//   1865    33   owner
//   1898    12   permFlags     read, write, execute, delete for owner, group, world (0 or 1)
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "vqPortable.h"

enum {
  VQ_KIND_ROOT = 1,
  VQ_KIND_WIZARD = 2,
  VQ_KIND_CATEGORY = 3,
  VQ_KIND_FTPSITE = 4,
  VQ_KIND_FOLDER = 5,
  VQ_KIND_OBJECT = 6,
  VQ_KIND_FOLDERLINK = 7,
  VQ_KIND_OBJECTLINK = 8,
};

#define VQ_ITEMID_SIZE 1910
#define VQ_ITEMID_STORED_OFFSET 1251
#define VQ_ITEMID_STORED_SIZE 659

// Indices into permFlags.
enum {
  VQ_PERM_OWNER_READ,
  VQ_PERM_OWNER_WRITE,
  VQ_PERM_OWNER_EXEC,
  VQ_PERM_OWNER_DELETE,
  VQ_PERM_GROUP_READ,
  VQ_PERM_GROUP_WRITE,
  VQ_PERM_GROUP_EXEC,
  VQ_PERM_GROUP_DELETE,
  VQ_PERM_WORLD_READ,
  VQ_PERM_WORLD_WRITE,
  VQ_PERM_WORLD_EXEC,
  VQ_PERM_WORLD_DELETE,
};

#pragma pack(push, 1)
struct _FTPITEMID {
  uint16_t cb;
  uint32_t attributes;
  char url[513];
  char dateText[65];
  char sortDate[25];
  char typeName[513];
  char description[129];
  uint16_t cbStored;
  int16_t kind;
  union {
    unsigned char reserved1[4];
    uint32_t sizeHigh;
  };
  FILETIME modified;
  union {
    unsigned char reserved2[16];
    uint32_t sizeLow;
  };
  uint32_t size;
  char name[512];
  char permText[33];
  char group[33];
  char owner[33];
  unsigned char permFlags[12];
};
#pragma pack(pop)

static_assert(sizeof(_FTPITEMID) == VQ_ITEMID_SIZE, "item-ID size is stored by the shell");
static_assert(offsetof(_FTPITEMID, cb) == 0, "layout");
static_assert(offsetof(_FTPITEMID, attributes) == 2, "layout");
static_assert(offsetof(_FTPITEMID, url) == 6, "layout");
static_assert(offsetof(_FTPITEMID, dateText) == 519, "layout");
static_assert(offsetof(_FTPITEMID, sortDate) == 584, "layout");
static_assert(offsetof(_FTPITEMID, typeName) == 609, "layout");
static_assert(offsetof(_FTPITEMID, description) == 1122, "layout");
static_assert(offsetof(_FTPITEMID, cbStored) == VQ_ITEMID_STORED_OFFSET, "layout");
static_assert(offsetof(_FTPITEMID, kind) == 1253, "layout");
static_assert(offsetof(_FTPITEMID, sizeHigh) == 1255, "layout");
static_assert(offsetof(_FTPITEMID, reserved1) == 1255, "layout");
static_assert(offsetof(_FTPITEMID, modified) == 1259, "layout");
static_assert(offsetof(_FTPITEMID, sizeLow) == 1267, "layout");
static_assert(offsetof(_FTPITEMID, reserved2) == 1267, "layout");
static_assert(offsetof(_FTPITEMID, size) == 1283, "layout");
static_assert(offsetof(_FTPITEMID, name) == 1287, "layout");
static_assert(offsetof(_FTPITEMID, permText) == 1799, "layout");
static_assert(offsetof(_FTPITEMID, group) == 1832, "layout");
static_assert(offsetof(_FTPITEMID, owner) == 1865, "layout");
static_assert(offsetof(_FTPITEMID, permFlags) == 1898, "layout");
static_assert(VQ_ITEMID_STORED_OFFSET + VQ_ITEMID_STORED_SIZE == VQ_ITEMID_SIZE,
              "the stored part runs to the end of the record");

// The whole size of an item: sizeHigh and sizeLow when the size reached 4 GB, else size.
inline uint64_t VQITEM_FullSize(const _FTPITEMID* item) {
  if (!item) return 0;
  const uint32_t high = item->sizeHigh;
  if (high == 0) return item->size;
  return (static_cast<uint64_t>(high) << 32) | item->sizeLow;
}

// Sets size (saturated) and, from 4 GB on, sizeHigh and sizeLow; below 4 GB both stay zero, so the
// record is the same as one written before sizes grew.
inline void VQITEM_SetFullSize(_FTPITEMID* item, uint64_t bytes) {
  if (!item) return;
  const uint32_t high = static_cast<uint32_t>(bytes >> 32);
  item->size = high ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
  item->sizeHigh = high;
  item->sizeLow = high ? static_cast<uint32_t>(bytes) : 0;
}

// Whether the listing gave the date without its year (the parser supplied the most recent one):
// a byte of the reserved run, zero in older records, so they read as "year given".
enum { VQITEM_YEAR_GUESSED = 0x59 };
inline bool VQITEM_YearGuessed(const _FTPITEMID* item) { return item && item->reserved2[5] == VQITEM_YEAR_GUESSED; }
inline void VQITEM_SetYearGuessed(_FTPITEMID* item, bool guessed) {
  if (item) item->reserved2[5] = guessed ? static_cast<unsigned char>(VQITEM_YEAR_GUESSED) : 0;
}
