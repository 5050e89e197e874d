// Fuzz target of item-ID lists another program chose (a drop, the clipboard) and of what the
// shell derives from them. The first byte picks the site's connection and the options; the rest
// is the block, in its own heap block of exactly that size. Every text handed back is terminated
// inside its field, so each item adds at most one field's worth to any path built from it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzzCheck.h"
#include "shellItems.h"
#include "shellPaths.h"
#include "vqCatch.h"
#include "vqHostType.h"
#include "vqItemIdList.h"
#include "vqSafeName.h"

namespace {
void quiet(const char*) {}

const size_t kField = 513;  // the largest text field, with its terminator

// A text an accessor handed back: short enough for a field, and when it lies in the item it ends
// there too.
void checkText(const char* text, LPCITEMIDLIST item) {
  FUZZ_CHECK(text != nullptr);
  const size_t len = strnlen(text, kField);
  FUZZ_CHECK(len < kField);
  const char* p = reinterpret_cast<const char*>(item);
  if (text >= p && text < p + item->mkid.cb) FUZZ_CHECK(text + len < p + item->mkid.cb);
}

void checkItem(LPCITEMIDLIST item, unsigned char control) {
  const bool ours = item->mkid.cb == VQ_ITEMID_SIZE;
  FUZZ_CHECK((shellOwnItem(item) != nullptr) == ours);
  const int kind = shellItemKind(item);
  if (!ours) {
    FUZZ_CHECK(kind == VQ_KIND_ROOT && strcmp(shellItemName(item), "FTP-Root") == 0);
    FUZZ_CHECK(shellItemAttributes(item) == 0 && shellItemSize(item) == 0);
  }
  checkText(shellItemName(item), item);
  checkText(shellItemPermText(item), item);
  checkText(shellItemTypeName(item), item);
  checkText(shellItemDateText(item), item);
  checkText(shellItemSortDate(item), item);
  checkText(shellItemLinkTarget(item), item);
  const int command = shellDefaultCommand(item, control & 1);
  FUZZ_CHECK(command == SHELL_CMD_NEWSITE || command == SHELL_CMD_EXPLORE || command == SHELL_CMD_OPEN ||
             command == SHELL_CMD_DOWNLOAD);
  for (int column = -1; column <= 7; ++column) {
    for (int sorting = 0; sorting < 2; ++sorting) {
      char buf[SHELL_COLUMN_BUF + 8];
      memset(buf, 0x55, sizeof buf);
      const char* text = shellColumnText(item, column, sorting, buf, SHELL_COLUMN_BUF);
      if (text == buf)
        FUZZ_CHECK(memchr(buf, 0, SHELL_COLUMN_BUF) != nullptr);
      else
        checkText(text, item);
      for (size_t k = SHELL_COLUMN_BUF; k < sizeof buf; ++k) FUZZ_CHECK(buf[k] == 0x55);
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const VQ_CATCH_REPORTER previous = vqSetCatchReporter(quiet);
  (void)previous;
  const unsigned char control = data[0];
  const size_t blockSize = size - 1;
  unsigned char* block = static_cast<unsigned char*>(malloc(blockSize ? blockSize : 1));
  if (blockSize) memcpy(block, data + 1, blockSize);

  vqItemIdList list = vqItemIdList::FromBlock(block, blockSize);
  const int whole = VQPIDL_GetListSizeIn(reinterpret_cast<LPCITEMIDLIST>(block), blockSize, nullptr);
  FUZZ_CHECK(list.Get() != nullptr && static_cast<int>(list.Size()) == whole);
  FUZZ_CHECK(VQPIDL_GetListSize(list.Get()) == whole && memcmp(list.Get(), block, static_cast<size_t>(whole)) == 0);
  free(block);

  size_t items = 0;
  for (LPCITEMIDLIST item : list) {
    checkItem(item, control);
    ++items;
  }
  const int format = shellSelectionFormat(list.Get());
  FUZZ_CHECK(format >= SHELL_FORMAT_NONE && format < SHELL_FORMAT_COUNT);

  // Sorting: a list equals itself, and two lists order the same way whichever comes first.
  FUZZ_CHECK(shellCompareItemLists(list.Get(), list.Get()) == 0);
  vqItemIdList parent(VQPIDL_CloneParent(list.Get()));
  vqItemIdList last(VQPIDL_CloneThis(VQPIDL_Last(list.Get())));
  FUZZ_CHECK(shellCompareItemLists(list.Get(), parent.Get()) == -shellCompareItemLists(parent.Get(), list.Get()));
  FUZZ_CHECK(shellCompareItemLists(last.Get(), parent.Get()) == -shellCompareItemLists(parent.Get(), last.Get()));

  // Each item adds at most a separator and one field.
  const size_t perItem = kField + 1;
  std::string key, path, name, itemPath;
  if (SiteKeyPath(list.Get(), key)) FUZZ_CHECK(key.size() <= 9 + items * perItem);
  if (SiteKeySplit(list.Get(), path, name)) FUZZ_CHECK(path + "\\" + name == key && name.size() < kField);
  if (ItemPathString(list.Get(), itemPath)) FUZZ_CHECK(itemPath.size() <= 9 + items * perItem);

  // The site's own list is the front of the list, without remote items.
  vqItemIdList site(SiteOnly(list.Get()));
  FUZZ_CHECK(site.Get() != nullptr && site.Size() <= list.Size());
  FUZZ_CHECK(memcmp(site.Get(), list.Get(), site.Size()) == 0);
  for (LPCITEMIDLIST item : site) FUZZ_CHECK(!shellIsRemoteKind(shellItemKind(item)));

  static const int hosts[4] = {VQ_HOST_UNIX, VQ_HOST_VMS, VQ_HOST_MULTINET, 0};
  static const char delimiters[4] = {'/', '\\', 0, ':'};
  const char* initialDir = control & 0x80 ? "/home/user" : "";
  const shellRemoteSite remote = {initialDir, delimiters[(control >> 5) & 3], hosts[(control >> 3) & 3]};
  std::string remotePath, parentPath;
  FUZZ_CHECK(RemotePath(list.Get(), &remote, (control >> 1) & 3, remotePath));
  FUZZ_CHECK(remotePath.size() <= strlen(initialDir) + 2 + items * (perItem + 2));
  FUZZ_CHECK(ParentRemotePath(list.Get(), &remote, parentPath));
  FUZZ_CHECK(parentPath.size() <= strlen(initialDir) + 2 + items * (perItem + 2));
  FUZZ_CHECK(!RemotePath(list.Get(), nullptr, 0, remotePath) && remotePath.empty());

  const shellCacheSite cache = {"C:\\cache\\", "ftp.example", control};
  std::string file, siteDir;
  if (CacheFileName(list.Get(), control & 4, cache, file, &siteDir)) {
    FUZZ_CHECK(file.size() <= strlen(cache.cacheDir) + VQ_MAX_PATH + 6 + items * (3 * perItem + 1) + 5);  // "%XX" per byte at most
    FUZZ_CHECK(file.compare(file.size() - 5, 5, ".vqLS") == 0 && !siteDir.empty());
    FUZZ_CHECK(siteDir.compare(0, strlen(cache.cacheDir), cache.cacheDir) == 0);
    // Whatever the server's bytes, the name is printable ASCII: the same file under any code page.
    for (char ch : file) FUZZ_CHECK(ch >= 0x20 && ch < 0x7F && !strchr("*?\"<>|", ch));
  }
  return 0;
}
