// Fuzz target of the machine-listing reader: every line of the input through the fact reader (each
// answer must stay inside the line and its fields), then the whole input as an MLSD listing through
// the parser, whose records must stay inside theirs.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "fuzzCheck.h"
#include "vqDirParser.h"
#include "vqMachineListing.h"

namespace {

std::string listingPath() {
  const char* tmp = getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/fh-fuzz-mlsd-" + std::to_string(getpid()) + ".vqLS";
}

void removeListing() { remove(listingPath().c_str()); }

void checkLine(const char* line, size_t length) {
  vqMachineFacts f;
  const int entry = VQLIST_ReadMachineLine(line, length, &f);
  FUZZ_CHECK(entry == 0 || entry == 1);
  if (!entry) {
    FUZZ_CHECK(f.name == nullptr && f.nameLength == 0);
    return;
  }
  FUZZ_CHECK(f.name > line && f.name + f.nameLength <= line + length && f.nameLength > 0);
  FUZZ_CHECK(f.type >= VQ_MLS_OTHER && f.type <= VQ_MLS_LINK);
  FUZZ_CHECK(strnlen(f.perm, sizeof f.perm) < sizeof f.perm);
  FUZZ_CHECK(strnlen(f.owner, sizeof f.owner) < sizeof f.owner);
  FUZZ_CHECK(strnlen(f.group, sizeof f.group) < sizeof f.group);
  FUZZ_CHECK(strnlen(f.linkTarget, sizeof f.linkTarget) < sizeof f.linkTarget);
  FUZZ_CHECK(f.mode <= 07777);
  if (f.hasModify)
    FUZZ_CHECK(f.year >= 1601 && f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= 31 && f.hour <= 23 &&
               f.minute <= 59 && f.second <= 59);
  // A line that is an entry with facts has the shape the parser looks for, unless it has no known fact.
  if (VQLIST_IsMachineLine(line, length)) FUZZ_CHECK(entry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  // Each line alone, in a copy of its own size so that any read past it is caught.
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i == size || text[i] == '\n') {
      const size_t n = i - start;
      char* line = static_cast<char*>(malloc(n ? n : 1));
      memcpy(line, text + start, n);
      checkLine(line, n);
      free(line);
      start = i + 1;
    }
  }

  static const std::string path = listingPath();
  static const int cleanup = atexit(removeListing);
  (void)cleanup;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  vqDirParser parser(size % 2 ? VQ_HOST_UNIX : VQ_HOST_VMS);
  parser.SetIgnoreDotDirs(size % 3 ? 1 : 0);
  unsigned long count = 0;
  // Input that is no machine listing goes to the host type's format, which may end on a wrapped line.
  const unsigned long result = parser.DIR_PARSE(path.c_str(), count);
  FUZZ_CHECK(result == 0 || result == 101);
  unsigned long read = 0;
  if (parser.DirEnumOpen(parser.GetOutfileName())) {
    _FTPITEMID item;
    memset(&item, 0, sizeof item);
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
      ++read;
      FUZZ_CHECK(item.kind >= VQ_KIND_FOLDER && item.kind <= VQ_KIND_OBJECTLINK);
      FUZZ_CHECK(item.name[0] != 0);
      FUZZ_CHECK(strnlen(item.name, sizeof item.name) < sizeof item.name);
      // A link is stored as "name|target", 255 characters a side; a name that itself holds a '|'
      // moves its tail into the target when read back, so only the field's own bound holds.
      FUZZ_CHECK(strnlen(item.url, sizeof item.url) < sizeof item.url);
      FUZZ_CHECK(strnlen(item.permText, sizeof item.permText) <= 24);
      FUZZ_CHECK(strnlen(item.owner, sizeof item.owner) <= 24);
      FUZZ_CHECK(strnlen(item.group, sizeof item.group) <= 24);
      FUZZ_CHECK(item.sizeHigh ? item.size == 0xFFFFFFFFu : item.sizeLow == 0);
      for (unsigned char flag : item.permFlags) FUZZ_CHECK(flag <= 1);
      memset(&item, 0, sizeof item);
    }
    parser.DirEnumClose();
  }
  FUZZ_CHECK(read == count);
  remove(parser.GetOutfileName());
  return 0;
}
