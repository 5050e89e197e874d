// Fuzz target of the listing parser: the first byte picks the host type (and switches), the rest
// is the listing as a server would send it. Every record read back must stay inside its fields.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "vqDirParser.h"
#include "vqString.h"

namespace {

std::string listingPath() {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/fh-fuzz-dirparser-" + std::to_string(getpid()) + ".vqLS";
}

// The fuzzer ends through exit(): the listing it wrote goes with it.
void removeListing() { remove(listingPath().c_str()); }

unsigned long linkCallback(_FTPITEMID* item, void*) {
  item->kind = item->size & 1 ? VQ_KIND_FOLDERLINK : VQ_KIND_OBJECTLINK;
  return 0;
}

unsigned long statusCallback(_sock_notification_* note, _FTPITEMID*, void* user) {
  if (strnlen(note->message, sizeof note->message) >= sizeof note->message) abort();
  return note->type == 1004 && *static_cast<int*>(user) && note->current > 4096 ? 1 : 0;
}

// Shift-JIS lead bytes: odd-sized inputs run as if the system code page were double-byte.
int shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
int noLead(unsigned char) { return 0; }

void check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const std::string path = listingPath();
  static const int cleanup = atexit(removeListing);
  (void)cleanup;
  const uint8_t control = data[0];
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data + 1, 1, size - 1, f);
  fclose(f);

  VQSTR_SetLeadByteTest(size % 2 ? shiftJisLead : noLead);
  vqDirParser parser(static_cast<_VQ_HOSTTYPE>(1999 + (control & 31) % 29));
  parser.SetIgnoreDotDirs(control & 0x20 ? 0 : 1);
  parser.SetToday(2026, 6, 15);
  if (control & 0x40) parser.SetSymLinkCallback(linkCallback, nullptr);
  int stopEarly = control & 0x80 ? 1 : 0;
  parser.SetStatusCallback(statusCallback, &stopEarly);

  unsigned long count = 0;
  unsigned long result = parser.DIR_PARSE(path.c_str(), count);
  check(result == 0 || result == 101);
  check(strnlen(parser.GetFirstLine(), VQ_DIRPARSE_BUFSIZE) < VQ_DIRPARSE_BUFSIZE);

  unsigned long read = 0;
  if (parser.DirEnumOpen(parser.GetOutfileName())) {
    _FTPITEMID item;
    memset(&item, 0, sizeof item);
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
      ++read;
      check(item.cbStored == VQ_ITEMID_STORED_SIZE);
      check(item.kind >= VQ_KIND_FOLDER && item.kind <= VQ_KIND_OBJECTLINK);
      check(item.name[0] != 0);
      check(strnlen(item.name, sizeof item.name) < sizeof item.name);
      check(strnlen(item.url, sizeof item.url) <= 255);
      // A whole size from 4 GB on, else the record of old: size alone, the extra bytes zero.
      check(item.sizeHigh ? item.size == 0xFFFFFFFFu : item.sizeLow == 0);
      check(VQITEM_FullSize(&item) >= item.size);
      check(strnlen(item.permText, sizeof item.permText) <= 24);
      check(strnlen(item.owner, sizeof item.owner) <= 24);
      check(strnlen(item.group, sizeof item.group) <= 24);
      check(strnlen(item.sortDate, sizeof item.sortDate) < sizeof item.sortDate);
      for (unsigned char flag : item.permFlags) check(flag <= 1);
      memset(&item, 0, sizeof item);
    }
    parser.DirEnumClose();
  }
  check(read == count);
  remove(parser.GetOutfileName());
  return 0;
}
