// Fuzz target of the blocks a drop or paste brings (the bytes another program put in a data object
// or on the clipboard): every reader sees the same block, in its own heap block of exactly the size
// the global would have, so a read past it is caught. The first byte picks the limits. What comes
// back must lie in the block as the format lays it out.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzzCheck.h"
#include "shellDropBlocks.h"
#include "vqCatch.h"
#include "vqPidl.h"

namespace {
void quiet(const char*) {}

// The names come from the block in order, each followed by its zero, none longer than a path.
template <typename Text>
void checkNames(const std::vector<Text>& names, const unsigned char* block, size_t size, size_t at, size_t maxChars) {
  typedef typename Text::value_type Unit;
  size_t pos = at;
  for (const Text& name : names) {
    FUZZ_CHECK(!name.empty() && name.size() < maxChars);
    for (Unit c : name) FUZZ_CHECK(c != 0);
    const size_t bytes = (name.size() + 1) * sizeof(Unit);
    bool found = false;
    for (; !found && pos + bytes <= size; pos += sizeof(Unit)) {
      Unit end;
      memcpy(&end, block + pos + name.size() * sizeof(Unit), sizeof end);
      found = end == 0 && memcmp(block + pos, name.data(), name.size() * sizeof(Unit)) == 0;
    }
    FUZZ_CHECK(found);
    pos += bytes - sizeof(Unit);
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

  // "Shell IDList Array": the folder's list in front of each item's, exactly as many as counted.
  std::vector<vqItemIdList> items;
  vqItemIdList parent;
  const int checked = VQPIDL_CIDACheck(block, blockSize);
  if (shellBlockItems(block, blockSize, items, (control & 1) ? &parent : nullptr)) {
    FUZZ_CHECK(checked > 0 && items.size() == static_cast<size_t>(checked));
    LPCITEMIDLIST folder = VQPIDL_CIDAList(block, blockSize, 0);
    const size_t folderBytes = static_cast<size_t>(VQPIDL_GetListSize(folder));
    size_t total = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      LPCITEMIDLIST item = VQPIDL_CIDAList(block, blockSize, static_cast<unsigned>(i + 1));
      const size_t itemBytes = static_cast<size_t>(VQPIDL_GetListSize(item));
      FUZZ_CHECK(items[i].Size() == folderBytes + itemBytes);
      const unsigned char* whole = reinterpret_cast<const unsigned char*>(items[i].Get());
      FUZZ_CHECK(memcmp(whole, folder, folderBytes) == 0 && memcmp(whole + folderBytes, item, itemBytes) == 0);
      total += items[i].Size() + 2;
    }
    FUZZ_CHECK(total <= SHELL_ITEMS_MAX);
    if (control & 1) FUZZ_CHECK(parent.Size() == folderBytes && memcmp(parent.Get(), folder, folderBytes) == 0);
  } else {
    // Refused only when malformed or empty (these blocks are far below the memory limit).
    FUZZ_CHECK(items.empty() && checked <= 0);
  }

  // CF_HDROP, with a path's limit or a small one that leaves names out.
  const size_t maxChars = (control & 2) ? 260 : 1 + (control >> 4);
  shellDropNames names;
  if (shellBlockDropFiles(block, blockSize, maxChars, names)) {
    uint32_t at;
    memcpy(&at, block, sizeof at);
    FUZZ_CHECK(blockSize >= 20 && at >= 20 && at <= blockSize);
    FUZZ_CHECK(names.wide ? names.narrow.empty() : names.wideNames.empty());
    const size_t unit = names.wide ? 2 : 1;
    FUZZ_CHECK(names.Count() + names.skipped <= (blockSize - at) / unit);
    if (names.wide)
      checkNames(names.wideNames, block, blockSize, at, maxChars);
    else
      checkNames(names.narrow, block, blockSize, at, maxChars);
  } else {
    FUZZ_CHECK(names.Count() == 0 && names.skipped == 0);
  }

  uint32_t effect = 1;
  FUZZ_CHECK(shellBlockEffect(block, blockSize, effect) == (blockSize >= 4));
  if (blockSize >= 4) FUZZ_CHECK(memcmp(&effect, block, 4) == 0);
  else FUZZ_CHECK(effect == 0);

  const size_t max = (control & 4) ? 2048 : control >> 3;
  const std::string text = shellBlockText(block, blockSize, max);
  FUZZ_CHECK(text.size() <= max && text.size() <= blockSize && text.find('\0') == std::string::npos);
  FUZZ_CHECK(memcmp(text.data(), block, text.size()) == 0);
  FUZZ_CHECK(text.size() == max || text.size() == blockSize || block[text.size()] == 0);

  free(block);
  return 0;
}
