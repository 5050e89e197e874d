// The blocks of a drop or paste as another program may write them: well-formed ones read whole,
// every count, offset and terminator that points outside the block refused or left out.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shellDropBlocks.h"
#include "shell_lists.h"

using namespace shelltest;

namespace {
typedef std::vector<unsigned char> Bytes;

void put32(Bytes& b, size_t at, uint32_t v) { memcpy(&b[at], &v, sizeof v); }

// A DROPFILES header naming its names at `at`, then the names' bytes.
Bytes dropFiles(uint32_t at, bool wide, const Bytes& names) {
  Bytes b(20 + names.size(), 0);
  put32(b, 0, at);
  put32(b, 16, wide ? 1 : 0);
  std::copy(names.begin(), names.end(), b.begin() + 20);
  return b;
}
Bytes narrow(const char* s, size_t n) { return Bytes(s, s + n); }
Bytes wide(const char16_t* s, size_t n) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  return Bytes(p, p + 2 * n);
}
}  // namespace

TEST(ShellDropBlocks, IdListArrayGivesAbsoluteListsAndRefusesWhatPointsOutside) {
  const List parent = siteList();
  const List a = List().own(VQ_KIND_FOLDER, "pub"), b = List().own(VQ_KIND_OBJECT, "readme.txt");
  LPCITEMIDLIST lists[] = {a, b};
  Bytes block(VQPIDL_CIDASize(parent, 2, lists));
  ASSERT_EQ(1, VQPIDL_WriteCIDA(block.data(), block.size(), parent, 2, lists));

  std::vector<vqItemIdList> items;
  vqItemIdList folder;
  ASSERT_TRUE(shellBlockItems(block.data(), block.size(), items, &folder));
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(parent.size(), folder.Size());
  EXPECT_EQ(parent.size() + a.size(), items[0].Size());
  EXPECT_STREQ("readme.txt", shellItemName(VQPIDL_Last(items[1])));

  struct Case {
    const char* what;
    size_t at;  // word to replace (0: the count, k: offset k-1)
    uint32_t value;
    size_t cut;   // bytes left off the block's end
  } bad[] = {
      {"no items", 0, 0, 0},
      {"more items than offsets fit", 0, 1000, 0},
      {"an item past the end", 3, 0x7FFFFFF0u, 0},
      {"the folder inside the header", 1, 4, 0},
      {"cut before the last list ends", 0, 2, 3},
  };
  for (const Case& c : bad) {
    Bytes copy = block;
    put32(copy, 4 * c.at, c.value);
    EXPECT_FALSE(shellBlockItems(copy.data(), copy.size() - c.cut, items)) << c.what;
    EXPECT_TRUE(items.empty()) << c.what;
  }
}

TEST(ShellDropBlocks, ManyOffsetsToOneLongListStopAtTheMemoryLimit) {
  // 64 KiB of items named 600 times: 38 MiB of absolute lists from a block of 66 KiB.
  List longList;
  for (int k = 0; k < 64; ++k) longList.foreign(1024);
  const uint32_t count = 600, header = 4 * (count + 2);
  Bytes block(header, 0);
  put32(block, 0, count);
  for (uint32_t k = 0; k <= count; ++k) put32(block, 4 * (k + 1), header);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(longList.get());
  block.insert(block.end(), p, p + longList.size() + 2);
  std::vector<vqItemIdList> items;
  EXPECT_FALSE(shellBlockItems(block.data(), block.size(), items));
  EXPECT_TRUE(items.empty());
  // Fewer of them fit.
  put32(block, 0, 100);
  EXPECT_TRUE(shellBlockItems(block.data(), block.size(), items));
  EXPECT_EQ(100u, items.size());
}

TEST(ShellDropBlocks, DropFilesNamesNarrowAndWideEndedInsideTheBlock) {
  struct Case {
    const char* what;
    Bytes block;
    size_t maxChars;
    bool ok;
    std::vector<std::string> names;     // narrow, or the wide names' ASCII
    size_t skipped;
  } cases[] = {
      {"narrow", dropFiles(20, false, narrow("C:\\a.txt\0C:\\b\0\0", 16)), 260, true, {"C:\\a.txt", "C:\\b"}, 0},
      {"wide", dropFiles(20, true, wide(u"C:\\a\0D:\\bb\0\0", 12)), 260, true, {"C:\\a", "D:\\bb"}, 0},
      {"names further on", dropFiles(24, false, narrow("xxxxC:\\a\0\0", 10)), 260, true, {"C:\\a"}, 0},
      {"no closing empty name", dropFiles(20, false, narrow("C:\\a\0C:\\b\0", 10)), 260, true, {"C:\\a", "C:\\b"}, 0},
      {"last name cut short", dropFiles(20, false, narrow("C:\\a\0C:\\lo", 10)), 260, true, {"C:\\a"}, 1},
      {"wide, odd last byte", dropFiles(20, true, wide(u"C:\\a\0D", 6)), 260, true, {"C:\\a"}, 1},
      {"too long for a path", dropFiles(20, false, narrow("C:\\long\0C:\\a\0\0", 14)), 5, true, {"C:\\a"}, 1},
      {"no names", dropFiles(20, false, Bytes()), 260, true, {}, 0},
      {"names in the header", dropFiles(8, false, narrow("C:\\a\0\0", 6)), 260, false, {}, 0},
      {"names past the end", dropFiles(27, false, narrow("C:\\a\0\0", 6)), 260, false, {}, 0},
      {"short header", Bytes(19, 0), 260, false, {}, 0},
  };
  for (const Case& c : cases) {
    shellDropNames names;
    EXPECT_EQ(c.ok, shellBlockDropFiles(c.block.data(), c.block.size(), c.maxChars, names)) << c.what;
    std::vector<std::string> got = names.narrow;
    for (const std::u16string& w : names.wideNames) got.push_back(std::string(w.begin(), w.end()));
    EXPECT_EQ(c.names, got) << c.what;
    EXPECT_EQ(c.skipped, names.skipped) << c.what;
  }
}

TEST(ShellDropBlocks, EffectAndTextStayInsideTheBlock) {
  const unsigned char effect[] = {5, 0, 0, 0};
  uint32_t value = 9;
  EXPECT_FALSE(shellBlockEffect(effect, 3, value));
  EXPECT_EQ(0u, value);
  EXPECT_TRUE(shellBlockEffect(effect, 4, value));
  EXPECT_EQ(5u, value);

  const char url[] = {'f', 't', 'p', ':', '/', '/', 'h', 0, 'x'};
  EXPECT_EQ("ftp://h", shellBlockText(url, sizeof url, 2048));
  EXPECT_EQ("ftp", shellBlockText(url, sizeof url, 3));
  EXPECT_EQ("ftp:", shellBlockText(url, 4, 2048));  // no zero inside the block
}
