// Fuzz target of the "Shell IDList Array" reader: any bytes, as a block of exactly that size (its
// own heap block, so a read past it is caught). A block the checker accepts hands out lists that lie
// whole inside it, and writing those lists into a new block reads back the same lists.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzzCheck.h"
#include "vqCatch.h"
#include "vqItemIdList.h"
#include "vqPidl.h"

namespace {
void quiet(const char*) {}

// The list lies in the block from its start to its terminator.
size_t checkInside(LPCITEMIDLIST list, const unsigned char* block, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
  FUZZ_CHECK(p >= block && p + 2 <= block + size);
  const size_t offset = static_cast<size_t>(p - block);
  int complete = 0;
  const int bytes = VQPIDL_GetListSizeIn(list, size - offset, &complete);
  FUZZ_CHECK(complete == 1 && bytes >= 0 && offset + static_cast<size_t>(bytes) + 2 <= size);
  FUZZ_CHECK(VQPIDL_GetListSize(list) == bytes);
  return static_cast<size_t>(bytes);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const VQ_CATCH_REPORTER previous = vqSetCatchReporter(quiet);
  (void)previous;
  unsigned char* block = static_cast<unsigned char*>(malloc(size ? size : 1));
  if (size) memcpy(block, data, size);

  const int count = VQPIDL_CIDACheck(block, size);
  FUZZ_CHECK(count >= -1);
  if (count < 0) {
    // A list handed out anyway is whole inside the block.
    for (unsigned k = 0; k < 4; ++k)
      if (LPCITEMIDLIST list = VQPIDL_CIDAList(block, size, k)) checkInside(list, block, size);
    free(block);
    return 0;
  }
  const unsigned n = static_cast<unsigned>(count);
  FUZZ_CHECK(VQPIDL_CIDAList(block, size, n + 1) == nullptr);
  std::vector<LPCITEMIDLIST> lists;
  std::vector<size_t> sizes;
  for (unsigned k = 0; k <= n; ++k) {
    LPCITEMIDLIST list = VQPIDL_CIDAList(block, size, k);
    FUZZ_CHECK(list != nullptr);
    lists.push_back(list);
    sizes.push_back(checkInside(list, block, size));
    // A copy taken from the rest of the block is the same list.
    const size_t offset = static_cast<size_t>(reinterpret_cast<const unsigned char*>(list) - block);
    vqItemIdList copy = vqItemIdList::FromBlock(list, size - offset);
    FUZZ_CHECK(static_cast<size_t>(VQPIDL_GetListSize(copy.Get())) == sizes.back());
    FUZZ_CHECK(memcmp(copy.Get(), list, sizes.back()) == 0);
  }

  // Written again and read back: the same lists.
  const size_t need = VQPIDL_CIDASize(lists[0], n, lists.data() + 1);
  FUZZ_CHECK(need >= sizeof(unsigned) * (n + 2) + 2 * (n + 1));
  unsigned char* again = static_cast<unsigned char*>(malloc(need));
  FUZZ_CHECK(VQPIDL_WriteCIDA(again, need - 1, lists[0], n, lists.data() + 1) == 0);
  FUZZ_CHECK(VQPIDL_WriteCIDA(again, need, lists[0], n, lists.data() + 1) == 1);
  FUZZ_CHECK(VQPIDL_CIDACheck(again, need) == count);
  for (unsigned k = 0; k <= n; ++k) {
    LPCITEMIDLIST list = VQPIDL_CIDAList(again, need, k);
    FUZZ_CHECK(list != nullptr && checkInside(list, again, need) == sizes[k]);
    FUZZ_CHECK(memcmp(list, lists[k], sizes[k]) == 0);
  }
  // Cut short by one byte, the written block no longer passes.
  FUZZ_CHECK(VQPIDL_CIDACheck(again, need - 1) == -1);
  free(again);
  free(block);
  return 0;
}
