// Item-ID lists: sizes, clones and joins over lists of known shape; damaged lists stop where the
// damage starts; CIDA blocks written here read back, and blocks with any count, offset or size
// out of their bounds are refused.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "vqCatch.h"
#include "vqItemIdList.h"
#include "vqPidl.h"
#include "vqSafeName.h"

namespace {
// A list as bytes: items of the given sizes (each filled with its index), then the terminator.
std::vector<unsigned char> listOf(std::initializer_list<unsigned> sizes) {
  std::vector<unsigned char> out;
  unsigned char fill = 1;
  for (unsigned cb : sizes) {
    out.push_back(static_cast<unsigned char>(cb & 0xFF));
    out.push_back(static_cast<unsigned char>(cb >> 8));
    for (unsigned k = 2; k < cb; ++k) out.push_back(fill);
    ++fill;
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}
LPCITEMIDLIST L(const std::vector<unsigned char>& v) { return reinterpret_cast<LPCITEMIDLIST>(v.data()); }
std::vector<unsigned char> bytes(LPCITEMIDLIST l) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(l);
  return std::vector<unsigned char>(p, p + VQPIDL_GetListSize(l) + 2);
}
struct Owned {
  LPITEMIDLIST p;
  ~Owned() { VQPIDL_Free(p); }
};
}  // namespace

TEST(Pidl, WalksAndCopiesByTable) {
  struct Case {
    std::vector<unsigned char> list;
    int size, items;
    int parentSize;
  } cases[] = {
      {listOf({}), 0, 0, 0},
      {listOf({20}), 20, 1, 0},
      {listOf({1910, 1910, 1910}), 5730, 3, 3820},
      {listOf({14, 1910, 3}), 1927, 3, 1924},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("list of " + std::to_string(c.items) + " items, " + std::to_string(c.size) + " bytes");
    LPCITEMIDLIST l = L(c.list);
    EXPECT_EQ(c.size, VQPIDL_GetListSize(l));
    Owned clone{VQPIDL_Clone(l)};
    ASSERT_NE(nullptr, clone.p);
    EXPECT_EQ(c.list, bytes(clone.p));
    Owned parent{VQPIDL_CloneParent(l)};
    ASSERT_NE(nullptr, parent.p);
    EXPECT_EQ(c.parentSize, VQPIDL_GetListSize(parent.p));
    std::vector<unsigned char> parentBytes = bytes(parent.p);
    parentBytes.resize(parentBytes.size() - 2);
    EXPECT_EQ(std::vector<unsigned char>(c.list.begin(), c.list.begin() + c.parentSize), parentBytes);
    LPITEMIDLIST last = VQPIDL_Last(l);
    if (c.items == 0) {
      EXPECT_EQ(nullptr, last);
    } else {
      EXPECT_EQ(c.list.data() + c.parentSize, reinterpret_cast<unsigned char*>(last));
      Owned one{VQPIDL_CloneThis(last)};
      EXPECT_EQ(VQPIDL_GetItemSize(last), VQPIDL_GetListSize(one.p));
      EXPECT_EQ(0, VQPIDL_GetItemSize(VQPIDL_Next(one.p)));
    }
    // Joining with nothing on either side is a clone.
    Owned a{VQPIDL_BuildNew(nullptr, l)}, b{VQPIDL_BuildNew(l, nullptr)}, ab{VQPIDL_BuildNew(l, l)};
    EXPECT_EQ(c.list, bytes(a.p));
    EXPECT_EQ(c.list, bytes(b.p));
    EXPECT_EQ(2 * c.size, VQPIDL_GetListSize(ab.p));
    vqItemIdList owned = vqItemIdList::CopyOf(l);
    EXPECT_EQ(static_cast<size_t>(c.items), owned.Count());
  }
  // Null lists.
  EXPECT_EQ(0, VQPIDL_GetListSize(nullptr));
  EXPECT_EQ(nullptr, VQPIDL_Clone(nullptr));
  EXPECT_EQ(nullptr, VQPIDL_CloneParent(nullptr));
  EXPECT_EQ(nullptr, VQPIDL_Last(nullptr));
  EXPECT_EQ(nullptr, VQPIDL_Next(nullptr));
  // The item before the last, or the only one.
  std::vector<unsigned char> three = listOf({4, 5, 6}), one = listOf({7});
  EXPECT_EQ(three.data() + 4, reinterpret_cast<const unsigned char*>(VQPIDL_Parent(L(three))));
  EXPECT_EQ(one.data(), reinterpret_cast<const unsigned char*>(VQPIDL_Parent(L(one))));
}

TEST(Pidl, DamagedListsStopWhereTheDamageStarts) {
  // An item of size 1 cannot hold its own size field: the walk keeps what came before it.
  std::vector<unsigned char> v = listOf({6, 8});
  std::vector<unsigned char> damaged = v;
  damaged.insert(damaged.end() - 2, {1, 0, 9, 9});
  EXPECT_EQ(14, VQPIDL_GetListSize(L(damaged)));
  Owned c{VQPIDL_Clone(L(damaged))};
  EXPECT_EQ(v, bytes(c.p));

  // Block-bounded: sizes that run past the block, and blocks without a terminator.
  struct Case {
    std::vector<unsigned char> block;
    int size, complete;
  } cases[] = {
      {listOf({6, 8}), 14, 1},       {{6, 0, 1, 1, 1, 1, 200, 0, 2, 2}, 6, 0},  // second item claims 200 bytes of 4
      {{6, 0, 1, 1, 1, 1}, 6, 0},                                               // no terminator
      {{6, 0, 1, 1, 1, 1, 0}, 6, 0},                                            // half a terminator
      {{0xFF, 0xFF}, 0, 0},          {{}, 0, 0},
  };
  for (const Case& c : cases) {
    int complete = -1;
    EXPECT_EQ(c.size, VQPIDL_GetListSizeIn(c.block.empty() ? reinterpret_cast<LPCITEMIDLIST>("") : L(c.block),
                                           c.block.size(), &complete));
    EXPECT_EQ(c.complete, complete) << "block of " << c.block.size();
    vqItemIdList copy = vqItemIdList::FromBlock(c.block.data(), c.block.size());
    EXPECT_EQ(static_cast<size_t>(c.size), copy.Size());
  }
  // The owned list's own walk stops at a damaged item too.
  vqItemIdList owned = vqItemIdList::FromBlock(damaged.data(), damaged.size());
  EXPECT_EQ(2u, owned.Count());
  vqItemIdList moved = std::move(owned);
  EXPECT_TRUE(owned.IsNull());
  EXPECT_EQ(2u, moved.Count());
  static_assert(!std::is_copy_constructible<vqItemIdList>::value && !std::is_copy_assignable<vqItemIdList>::value,
                "an owned list is never copied");
}

TEST(Pidl, ShellIdListArrayRoundTripAndRefusals) {
  std::vector<unsigned char> folder = listOf({20, 1910}), a = listOf({1910}), b = listOf({30});
  LPCITEMIDLIST items[] = {L(a), L(b)};
  size_t size = VQPIDL_CIDASize(L(folder), 2, items);
  ASSERT_EQ(4u * 4 + (1930 + 2) + (1910 + 2) + (30 + 2), size);
  std::vector<unsigned char> block(size);
  ASSERT_EQ(1, VQPIDL_WriteCIDA(block.data(), block.size(), L(folder), 2, items));
  EXPECT_EQ(0, VQPIDL_WriteCIDA(block.data(), block.size() - 1, L(folder), 2, items));
  ASSERT_EQ(2, VQPIDL_CIDACheck(block.data(), block.size()));
  EXPECT_EQ(folder, bytes(VQPIDL_CIDAList(block.data(), block.size(), 0)));
  EXPECT_EQ(a, bytes(VQPIDL_CIDAList(block.data(), block.size(), 1)));
  EXPECT_EQ(b, bytes(VQPIDL_CIDAList(block.data(), block.size(), 2)));
  EXPECT_EQ(nullptr, VQPIDL_CIDAList(block.data(), block.size(), 3));

  // Another program's bytes: each damage is refused, never read past.
  auto put32 = [](std::vector<unsigned char>& v, size_t at, unsigned x) { memcpy(&v[at], &x, 4); };
  struct Damage {
    const char* what;
    void (*apply)(std::vector<unsigned char>&, decltype(put32)&);
  } damages[] = {
      {"count past the block", [](std::vector<unsigned char>& v, decltype(put32)& p) { p(v, 0, 0x40000000u); }},
      {"count of all ones", [](std::vector<unsigned char>& v, decltype(put32)& p) { p(v, 0, 0xFFFFFFFFu); }},
      {"offset past the block", [](std::vector<unsigned char>& v, decltype(put32)& p) { p(v, 8, 100000u); }},
      {"offset into the header", [](std::vector<unsigned char>& v, decltype(put32)& p) { p(v, 4, 4u); }},
      {"offset at the last byte",
       [](std::vector<unsigned char>& v, decltype(put32)& p) { p(v, 12, static_cast<unsigned>(v.size() - 1)); }},
      {"item size past the block",
       [](std::vector<unsigned char>& v, decltype(put32)&) { v[v.size() - 32] = 0xFF, v[v.size() - 31] = 0xFF; }},
      {"last list without terminator", [](std::vector<unsigned char>& v, decltype(put32)&) { v.resize(v.size() - 2); }},
  };
  for (const Damage& d : damages) {
    std::vector<unsigned char> bad = block;
    d.apply(bad, put32);
    EXPECT_EQ(-1, VQPIDL_CIDACheck(bad.data(), bad.size())) << d.what;
  }
  EXPECT_EQ(-1, VQPIDL_CIDACheck(block.data(), 7)) << "shorter than a header";
  EXPECT_EQ(-1, VQPIDL_CIDACheck(nullptr, 100));
}

TEST(SafeLocalName, StaysInItsFolder) {
  struct Case {
    const char* remote;
    size_t folder;
    const char* local;
  } cases[] = {
      {"report.txt", 3, "report.txt"},
      {"..\\..\\windows\\win.ini", 3, ".._.._windows_win.ini"},
      {"../../etc/passwd", 3, ".._.._etc_passwd"},
      {"a:b*c?d\"e<f>g|h", 3, "a_b_c_d_e_f_g_h"},
      {"tab\there\x01\x7f", 3, "tab_here__"},
      {"C:\\boot.ini", 3, "C__boot.ini"},
      {"..", 3, "__"},
      {".", 3, "_"},
      {"   ", 3, "___"},
      {". .", 3, "___"},
      {"", 3, "_"},
      {"name. . ", 3, "name"},
      {"trailing...", 3, "trailing"},
      {" lead", 3, " lead"},
      {".profile", 3, ".profile"},
      {"CON", 3, "_CON"},
      {"con.txt", 3, "_con.txt"},
      {"Nul.tar.gz", 3, "_Nul.tar.gz"},
      {"COM1", 3, "_COM1"},
      {"lpt9.log", 3, "_lpt9.log"},
      {"COM0", 3, "COM0"},
      {"CONSOLE", 3, "CONSOLE"},
      {"aux .c", 3, "_aux .c"},
      {"CON.", 3, "_CON"},
      // Room for the name: 260 with the folder and the terminator.
      {"abcdefghij.txt", 250, "abcde.txt"},
      {"abcdefghij.txt", 257, "ab"},
      {"CONSOLE.txt", 252, "_CON.tx"},
      {"short.tar.gz", 250, "short.gz"},
      {"x", 258, "x"},
  };
  for (const Case& c : cases) {
    char out[300];
    EXPECT_EQ(1, VQSTR_SafeLocalName(c.remote, c.folder, out, sizeof out)) << c.remote;
    EXPECT_STREQ(c.local, out) << "remote '" << c.remote << "' in a folder of " << c.folder;
    EXPECT_LE(c.folder + strlen(out), 259u) << c.remote;
  }
  char out[300] = "x";
  EXPECT_EQ(0, VQSTR_SafeLocalName("a", 259, out, sizeof out)) << "no room left in the folder";
  EXPECT_STREQ("", out);
  EXPECT_EQ(0, VQSTR_SafeLocalName("abc", 3, out, 3)) << "out too small";
  std::string longName(600, 'n');
  longName += ".dat";
  EXPECT_EQ(1, VQSTR_SafeLocalName(longName.c_str(), 100, out, sizeof out));
  EXPECT_EQ(159u, strlen(out));
  EXPECT_STREQ(".dat", out + strlen(out) - 4) << "the extension survives a cut";
}
