#include "shellDropBlocks.h"

#include <string.h>

namespace {
// DROPFILES: the names' offset, the drop point, the non-client flag and the wide flag.
const size_t kDropFilesHeader = 20;
const size_t kDropFilesWide = 16;

uint32_t word32(const unsigned char* p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

// Names from `at` on, each ended by a zero unit, the list by an empty name or the block's end.
template <typename Unit, typename Text>
void readNames(const unsigned char* base, size_t size, size_t at, size_t maxChars, std::vector<Text>& names,
               size_t& skipped) {
  const size_t units = (size - at) / sizeof(Unit);
  const unsigned char* p = base + at;
  size_t k = 0;
  while (k < units) {
    Text name;
    bool ended = false;
    for (; k < units; ++k) {
      Unit c;
      memcpy(&c, p + k * sizeof(Unit), sizeof c);
      if (!c) {
        ended = true;
        ++k;
        break;
      }
      name.push_back(c);
    }
    if (ended && name.empty()) return;
    if (!ended || name.size() >= maxChars)
      ++skipped;
    else
      names.push_back(std::move(name));
  }
}
}  // namespace

bool shellBlockItems(const void* block, size_t size, std::vector<vqItemIdList>& items, vqItemIdList* parent) {
  items.clear();
  if (!block || size < 2 * sizeof(uint32_t)) return false;
  // The count, then an offset for the folder and one per item, all inside the block.
  const uint32_t count = word32(static_cast<const unsigned char*>(block));
  if (count == 0 || count > size / sizeof(uint32_t) - 2) return false;
  LPCITEMIDLIST folder = VQPIDL_CIDAList(block, size, 0);
  if (!folder) return false;
  const size_t folderBytes = static_cast<size_t>(VQPIDL_GetListSize(folder));
  // Each list is walked and counted before the next: many offsets to one long list end here soon
  // instead of after walking it once for every offset.
  size_t total = 0;
  for (uint32_t i = 1; i <= count; ++i) {
    LPCITEMIDLIST item = VQPIDL_CIDAList(block, size, i);
    if (!item) break;
    total += folderBytes + static_cast<size_t>(VQPIDL_GetListSize(item)) + 2;
    if (total > SHELL_ITEMS_MAX) break;
    vqItemIdList whole(VQPIDL_BuildNew(folder, item));
    if (whole.IsNull()) break;
    items.push_back(std::move(whole));
  }
  if (items.size() != count) {
    items.clear();
    return false;
  }
  if (parent) *parent = vqItemIdList::CopyOf(folder);
  return true;
}

bool shellBlockDropFiles(const void* block, size_t size, size_t maxChars, shellDropNames& out) {
  out = shellDropNames();
  if (!block || size < kDropFilesHeader) return false;
  const unsigned char* base = static_cast<const unsigned char*>(block);
  // The names follow the header; an offset into it would read the header as names.
  const uint32_t at = word32(base);
  if (at < kDropFilesHeader || at > size) return false;
  out.wide = word32(base + kDropFilesWide) != 0;
  if (out.wide)
    readNames<char16_t>(base, size, at, maxChars, out.wideNames, out.skipped);
  else
    readNames<char>(base, size, at, maxChars, out.narrow, out.skipped);
  return true;
}

bool shellBlockEffect(const void* block, size_t size, uint32_t& effect) {
  effect = 0;
  if (!block || size < sizeof effect) return false;
  effect = word32(static_cast<const unsigned char*>(block));
  return true;
}

std::string shellBlockText(const void* block, size_t size, size_t max) {
  if (!block) return std::string();
  const char* p = static_cast<const char*>(block);
  const size_t limit = size < max ? size : max;
  const void* end = memchr(p, 0, limit);
  return std::string(p, end ? static_cast<size_t>(static_cast<const char*>(end) - p) : limit);
}
