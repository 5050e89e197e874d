// Remote names in UTF-8 and in the code page: what reads as UTF-8, what a person sees for
// ill-formed bytes, the way back to the server's bytes, the one decision a site's setting, the
// server and a listing feed, the mark a listing leaves on its items, and safe wide local names.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "shellItems.h"
#include "shellNames.h"
#include "shell_lists.h"
#include "vqDirParser.h"

using namespace shelltest;

namespace {
std::string hex(const std::u16string& s) {
  std::string out;
  char b[8];
  for (char16_t c : s) snprintf(b, sizeof b, "%04X ", static_cast<unsigned>(c)), out += b;
  return out;
}
}  // namespace

TEST(ShellNames, Utf8IsCheckedStrictlyAndIllFormedPartsShowOneMarkEach) {
  struct Case {
    const char* bytes;
    bool valid, multi;
    std::u16string wide;
  } cases[] = {
      {"readme.txt", true, false, u"readme.txt"},
      {"caf\xC3\xA9.txt", true, true, u"caf\u00E9.txt"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", true, true, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", true, true, u"\u65E5\u672C\u8A9E"},
      {"\xF0\x9F\x93\x81 box", true, true, u"\xD83D\xDCC1 box"},  // beyond the BMP: a surrogate pair
      {"caf\xE9.txt", false, false, u"caf\uFFFD.txt"},            // Latin-1, not UTF-8
      {"\xC0\xAF", false, false, u"\uFFFD\uFFFD"},                // overlong "/"
      {"\xED\xA0\x80", false, false, u"\uFFFD\uFFFD\uFFFD"},      // a surrogate written as UTF-8
      {"\xF4\x90\x80\x80", false, false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"a\xE2\x82", false, false, u"a\uFFFD"},                    // cut short at the end
      {"\xE2\x82" "A", false, false, u"\uFFFDA"},                 // cut short before ASCII
      {"\xFF\xFE", false, false, u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    bool multi = !c.multi;
    EXPECT_EQ(c.valid, shellIsUtf8(c.bytes, &multi)) << c.bytes;
    if (c.valid) {
      EXPECT_EQ(c.multi, multi) << c.bytes;
    }
    EXPECT_EQ(hex(c.wide), hex(shellUtf8ToWide(c.bytes))) << c.bytes;
    std::string back;
    if (c.valid) {
      ASSERT_TRUE(shellWideToUtf8(c.wide, back));
      EXPECT_EQ(c.bytes, back) << "a valid name goes back to the server as the same bytes";
    }
  }
  std::string out = "x";
  EXPECT_FALSE(shellWideToUtf8(u"a\xD800", out)) << "a lone high surrogate";
  EXPECT_EQ("", out);
  EXPECT_FALSE(shellWideToUtf8(u"\xDC00" "b", out)) << "a lone low surrogate";
}

TEST(ShellNames, OneDecisionFromSettingServerAndListing) {
  struct Case {
    int setting;
    bool server, listing, utf8;
  } cases[] = {
      {VQ_NAMES_AUTO, false, false, false}, {VQ_NAMES_AUTO, true, false, true},
      {VQ_NAMES_AUTO, false, true, true},   {VQ_NAMES_UTF8, false, false, true},
      {VQ_NAMES_CODEPAGE, true, true, false}, {7, false, true, true},  // unknown values act as automatic
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.utf8, shellNamesUtf8(c.setting, c.server, c.listing))
        << c.setting << " server " << c.server << " listing " << c.listing;

  struct Listing {
    std::vector<const char*> names;
    bool looks;
  } listings[] = {
      {{"a.txt", "pub"}, false},                       // plain ASCII tells nothing
      {{"a.txt", "caf\xC3\xA9"}, true},                // one real UTF-8 name
      {{"caf\xC3\xA9", "caf\xE9"}, false},             // one name that is not UTF-8 spoils it
      {{}, false},
  };
  for (const Listing& l : listings) {
    shellUtf8Evidence e;
    for (const char* n : l.names) e.Add(n);
    EXPECT_EQ(l.looks, e.LooksUtf8()) << l.names.size() << " names";
  }
}

TEST(ShellNames, SafeWideLocalNamesKeepTheToolkitsRulesAndWholeCharacters) {
  const std::u16string emoji = u"\xD83D\xDCC1";
  struct Case {
    std::u16string name;
    size_t folder;
    bool ok;
    std::u16string safe;
  } cases[] = {
      {u"\u041F\u0440\u0438\u0432\u0435\u0442.txt", 3, true, u"\u041F\u0440\u0438\u0432\u0435\u0442.txt"},
      {u"a/b\\c:d*e?f\"g<h>i|j", 3, true, u"a_b_c_d_e_f_g_h_i_j"},
      {u"..\\..\\\u65E5", 3, true, u".._.._\u65E5"},
      {u"name. ", 3, true, u"name"},
      {u"...", 3, true, u"___"},
      {u"", 3, true, u"_"},
      {u"con.\u00E9", 3, true, u"_con.\u00E9"},
      {u"tab\there", 3, true, u"tab_here"},
      {u"x", 259, false, u""},
      // Cut to the 8 units the folder leaves, keeping ".txt"; the pair before the cut stays whole.
      {u"ab" + emoji + emoji + u"cd.txt", 250, true, u"ab" + emoji + u".txt"},
      {u"abcd" + emoji + u"e.txt", 250, true, u"abcd.txt"},
  };
  for (const Case& c : cases) {
    std::u16string got;
    EXPECT_EQ(c.ok, shellSafeLocalNameW(c.name, c.folder, got)) << hex(c.name);
    EXPECT_EQ(hex(c.safe), hex(got)) << hex(c.name);
  }
}

// A listing marks every item it makes with its verdict; the bytes of the names stay as listed.
TEST(ShellNames, ListingMarksItsItemsAndKeepsTheServersBytes) {
  struct Listing {
    const char* what;
    std::vector<std::string> names;
  } listings[] = {
      {"ascii", {"a.txt", "pub"}},
      {"utf8", {"a.txt", "caf\xC3\xA9.txt", "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"}},
      {"latin1", {"caf\xC3\xA9.txt", "r\xE9sum\xE9.txt"}},
  };
  struct Case {
    int listing;
    int setting;
    int server;
    bool folderUtf8;
    bool marked;
  } cases[] = {
      {0, VQ_NAMES_AUTO, 0, false, false},    {1, VQ_NAMES_AUTO, 0, false, true},
      {2, VQ_NAMES_AUTO, 0, false, false},    {2, VQ_NAMES_UTF8, 0, false, true},
      {1, VQ_NAMES_CODEPAGE, 1, true, false}, {0, VQ_NAMES_AUTO, 1, false, true},
      {0, VQ_NAMES_AUTO, 0, true, true},  // below a UTF-8 folder, plain names stay UTF-8
  };
  for (const Case& c : cases) {
    const Listing& l = listings[c.listing];
    std::string file = testing::TempDir() + "shell_names_" + l.what + ".vqLS";
    FILE* f = fopen(file.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    for (const std::string& n : l.names)
      fprintf(f, "-rw-r--r--   1 ftp      ftp          1234 Mar 14  2000 %s\n", n.c_str());
    fclose(f);
    vqDirParser parser(VQ_HOST_UNIX);
    unsigned long count = 0;
    ASSERT_EQ(0ul, parser.DIR_PARSE(file.c_str(), count));
    ASSERT_EQ(1, parser.DirEnumOpen(parser.GetOutfileName()));
    _FTPITEMID folder = item(VQ_KIND_FOLDER, "home", "");
    shellSetItemUtf8(&folder, c.folderUtf8);
    shellListingOptions options = {1, 0, 0, c.setting, c.server};
    struct Sink {
      std::vector<_FTPITEMID> items;
      static int add(const _FTPITEMID* it, void* user) {
        static_cast<Sink*>(user)->items.push_back(*it);
        return 1;
      }
    } got;
    bool verdict = !c.marked;
    shellItemsFromListing(parser, &folder, options, &Sink::add, &got, &verdict);
    parser.DirEnumClose();
    SCOPED_TRACE(std::string(l.what) + " setting " + std::to_string(c.setting));
    EXPECT_EQ(c.marked, verdict);
    ASSERT_EQ(l.names.size() + 1, got.items.size());
    for (size_t i = 0; i < got.items.size(); ++i) {
      EXPECT_EQ(c.marked, shellItemIsUtf8(&got.items[i])) << got.items[i].name;
      EXPECT_EQ(c.marked, shellItemNameIsUtf8(shellAsItemId(&got.items[i])));
      if (i) {
        EXPECT_EQ(l.names[i - 1], got.items[i].name) << "the name keeps the server's bytes";
      }
      EXPECT_EQ(VQ_ITEMID_SIZE, +got.items[i].cb);
    }
  }
  // An older record (zero in the reserved run) and a foreign item are code-page names.
  _FTPITEMID old = item(VQ_KIND_OBJECT, "caf\xC3\xA9");
  EXPECT_FALSE(shellItemIsUtf8(&old));
  EXPECT_FALSE(shellItemNameIsUtf8(List().foreign(20)));
  EXPECT_FALSE(shellItemIsUtf8(nullptr));
}
