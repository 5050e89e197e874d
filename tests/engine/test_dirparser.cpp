// Listing parser: golden listings of every server kind, the parsed-listing file layout, the field
// rules' corner cases, callbacks and enumeration.
#include <gtest/gtest.h>

#include <stdint.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_dirparser_helpers.h"
#include "vqString.h"

using namespace dirtest;

namespace {

struct Expected {
  int kind;
  std::string name, size, date, owner, group, perm, flags, target, fullSize;
};

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return out;
    start = tab + 1;
  }
}

// Nine columns; a tenth gives the whole size where the size column is saturated.
std::vector<Expected> readExpected(const std::string& path) {
  std::vector<Expected> rows;
  std::istringstream in(readFile(path));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = splitTabs(line);
    EXPECT_TRUE(f.size() == 9u || f.size() == 10u) << path << ": " << line;
    f.resize(10);
    rows.push_back({atoi(f[0].c_str()), f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]});
  }
  return rows;
}

// Every listing of the folder ("<host type>-<what>.txt") with its host type.
std::vector<std::pair<int, std::string>> goldenListings() {
  std::vector<std::pair<int, std::string>> out;
  for (const auto& entry : std::filesystem::directory_iterator(sourcePath("tests/engine/listings")))
    if (entry.path().extension() == ".txt")
      out.push_back({atoi(entry.path().filename().string().c_str()), entry.path().stem().string()});
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

// Every server kind has a listing and its expected records; so do the shapes real servers send
// beside the plain ones. The parse must match field by field.
TEST(DirParserGolden, EveryHostTypeParsesItsListing) {
  std::vector<std::pair<int, std::string>> listings = goldenListings();
  for (int host = 2000; host <= 2026; ++host)
    EXPECT_TRUE(std::any_of(listings.begin(), listings.end(), [host](const auto& l) { return l.first == host; }))
        << "no golden listing for host type " << host;
  for (const auto& [host, base] : listings) {
    std::string listing = readFile(sourcePath("tests/engine/listings/" + base + ".txt"));
    std::vector<Expected> want = readExpected(sourcePath("tests/engine/listings/" + base + ".expected"));
    ASSERT_FALSE(want.empty()) << base;

    ParseRun run = parseText(static_cast<_VQ_HOSTTYPE>(host), listing);
    EXPECT_EQ(0u, run.result) << base;
    EXPECT_EQ(want.size(), run.count) << base;
    ASSERT_EQ(want.size(), run.items.size()) << base;
    for (size_t k = 0; k < want.size(); ++k) {
      const _FTPITEMID& got = run.items[k];
      const Expected& w = want[k];
      std::string where = base + " record " + std::to_string(k) + " (" + w.name + ")";
      EXPECT_EQ(w.kind, +got.kind) << where;
      EXPECT_EQ(w.name, got.name) << where;
      EXPECT_EQ(w.size, std::to_string(got.size)) << where;
      if (!w.fullSize.empty()) {
        EXPECT_EQ(w.fullSize, std::to_string(VQITEM_FullSize(&got))) << where;
      }
      EXPECT_EQ(w.date, dateOf(got)) << where;
      EXPECT_EQ(w.owner, got.owner) << where;
      EXPECT_EQ(w.group, got.group) << where;
      EXPECT_EQ(w.perm, got.permText) << where;
      EXPECT_EQ(w.flags, flagsText(got)) << where;
      EXPECT_EQ(w.target, got.url) << where;
      EXPECT_EQ(VQ_ITEMID_STORED_SIZE, +got.cbStored) << where;
      EXPECT_EQ(VQ_ITEMID_SIZE, +got.cb) << where;
    }
  }
}

namespace {
int shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
int singleByte(unsigned char) { return 0; }
}  // namespace

// Plain lines are split by a quick path; lines that may hold double-byte characters by the
// general one. With a half-width katakana byte (never a lead byte) on every line of every golden
// listing, the general path under a Shift-JIS code page must give what the quick path gives under
// a single-byte one, record for record and byte for byte.
TEST(DirParserGolden, QuickAndGeneralSplitAgree) {
  VQSTR_LEADBYTE_TEST saved = VQSTR_SetLeadByteTest(singleByte);
  for (const auto& [host, base] : goldenListings()) {
    std::string listing = readFile(sourcePath("tests/engine/listings/" + base + ".txt"));
    std::string marked;
    for (char c : listing) {
      if (c == '\n' && !(marked.size() && marked.back() == ':')) marked += "\xB1";  // headings keep their ':'
      marked += c;
    }
    VQSTR_SetLeadByteTest(singleByte);
    ParseRun quick = parseText(static_cast<_VQ_HOSTTYPE>(host), marked);
    VQSTR_SetLeadByteTest(shiftJisLead);
    ParseRun general = parseText(static_cast<_VQ_HOSTTYPE>(host), marked);
    EXPECT_EQ(quick.result, general.result) << base;
    EXPECT_EQ(quick.firstLine, general.firstLine) << base;
    EXPECT_LT(0u, quick.count) << base;
    ASSERT_EQ(quick.items.size(), general.items.size()) << base;
    for (size_t k = 0; k < quick.items.size(); ++k)
      EXPECT_EQ(0, memcmp(&quick.items[k], &general.items[k], sizeof(_FTPITEMID)))
          << base << " record " << k << " (" << quick.items[k].name << " / " << general.items[k].name << ")";
  }
  VQSTR_SetLeadByteTest(saved);
}

// The parsed-listing file is the stored part of each record, back to back, nothing else.
TEST(DirParserFile, RecordsAreTheStoredPartOfTheItemId) {
  ParseRun run = parseText(VQ_HOST_UNIX,
                           "total 2\n"
                           "-rw-r--r--   1 ann  staff  1234 Mar 14  2000 alpha.txt\n"
                           "lrwxrwxrwx   1 ann  staff     7 Mar 14  2000 bin -> usr/bin\n");
  ASSERT_EQ(2u, run.count);
  std::string path = run.outfile;
  EXPECT_EQ(".vqD", path.substr(path.size() - 4));
  std::string bytes = readFile(path);
  ASSERT_EQ(2u * VQ_ITEMID_STORED_SIZE, bytes.size());

  auto u16 = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                             << 8);
  };
  const size_t base = VQ_ITEMID_STORED_OFFSET;
  for (size_t rec = 0; rec < 2; ++rec) {
    size_t r = rec * VQ_ITEMID_STORED_SIZE;
    EXPECT_EQ(659u, u16(r)) << "cbStored of record " << rec;
    EXPECT_EQ(rec == 0 ? 6u : 7u, u16(r + 1253 - base)) << "kind of record " << rec;
    EXPECT_EQ(std::string(4, '\0'), bytes.substr(r + 1255 - base, 4)) << "reserved after kind";
    EXPECT_EQ(std::string(16, '\0'), bytes.substr(r + 1267 - base, 16)) << "reserved after modified";
  }
  // size 1234 little-endian at 1283, name at 1287, permText 1799, group 1832, owner 1865, flags 1898
  EXPECT_EQ(std::string("\xd2\x04\x00\x00", 4), bytes.substr(1283 - base, 4));
  EXPECT_STREQ("alpha.txt", bytes.c_str() + (1287 - base));
  EXPECT_STREQ("-rw-r--r--", bytes.c_str() + (1799 - base));
  EXPECT_STREQ("staff", bytes.c_str() + (1832 - base));
  EXPECT_STREQ("ann", bytes.c_str() + (1865 - base));
  EXPECT_EQ(std::string("\1\1\0\1\1\0\0\0\1\0\0\0", 12), bytes.substr(1898 - base, 12));
  // A stored link keeps "name|target"; enumeration splits it again.
  EXPECT_STREQ("bin|usr/bin", bytes.c_str() + VQ_ITEMID_STORED_SIZE + (1287 - base));
  ASSERT_EQ(2u, run.items.size());
  EXPECT_STREQ("bin", run.items[1].name);
  EXPECT_STREQ("usr/bin", run.items[1].url);

  // FILETIME of 2000-03-14 00:00: (952,992,000 + 11,644,473,600) seconds in 100 ns since 1601.
  uint64_t ft = 0;
  for (int k = 7; k >= 0; --k) ft = ft << 8 | static_cast<unsigned char>(bytes[1259 - base + k]);
  EXPECT_EQ(125974656000000000ull, ft);
}

// Sizes from 4 GB on: the size field stays saturated for readers that know only it, the whole size
// lies in the spare bytes after kind (high half) and after modified (low half); a record written
// before, with only a saturated size, reads back as it did.
TEST(DirParserFile, SizesOfFourGigabytesAndMoreKeepTheRecord) {
  struct Case {
    _VQ_HOSTTYPE host;
    const char* line;
    uint64_t size;
  } cases[] = {
      {VQ_HOST_UNIX, "-rw-r--r-- 1 a b 5368709120 Jan 1 2000 five.iso", 5368709120ull},
      {VQ_HOST_UNIX, "-rw-r--r-- 1 a b 4294967295 Jan 1 2000 edge.bin", 4294967295ull},
      {VQ_HOST_UNIX, "-rw-r--r-- 1 a b 4294967296 Jan 1 2000 over.bin", 4294967296ull},
      {VQ_HOST_UNIX, "-rw-r--r-- 1 a b 99999999999999999999999 Jan 1 2000 absurd", ~0ull},
      {VQ_HOST_WINNT351D, "01-02-24  11:00PM      6,442,450,944 backup.vhd", 6442450944ull},
      {VQ_HOST_OS2, "   5368709120      A          12-31-99   23:59  BIG.DAT", 5368709120ull},
      {VQ_HOST_AS400, "QSYS 5368709120 03/14/00 10:04:12 *STMF big.sav", 5368709120ull},
      {VQ_HOST_MACOS, "-rw-r--r--    0         0  8589934592 Feb  2  2002 Movie", 8589934592ull},
      {VQ_HOST_OPENVMS, "BIG.BCK;1 10485760/10485760 1-JAN-2002 00:00:00.00 [SYSTEM] (RWED,RWED,RE,)",
       10485760ull * 512},
  };
  for (const Case& c : cases) {
    ParseRun run = parseText(c.host, std::string(c.line) + "\n");
    ASSERT_EQ(1u, run.items.size()) << c.line;
    const _FTPITEMID& it = run.items[0];
    EXPECT_EQ(c.size, VQITEM_FullSize(&it)) << c.line;
    EXPECT_EQ(c.size > 0xFFFFFFFFull ? 0xFFFFFFFFull : c.size, +it.size) << c.line;
    std::string bytes = readFile(run.outfile);
    ASSERT_EQ(static_cast<size_t>(VQ_ITEMID_STORED_SIZE), bytes.size());
    uint32_t high = 0, low = 0;
    memcpy(&high, bytes.data() + 1255 - VQ_ITEMID_STORED_OFFSET, 4);
    memcpy(&low, bytes.data() + 1267 - VQ_ITEMID_STORED_OFFSET, 4);
    EXPECT_EQ(static_cast<uint32_t>(c.size >> 32), high) << c.line;
    EXPECT_EQ(c.size >> 32 ? static_cast<uint32_t>(c.size) : 0u, low) << c.line << ": zero below 4 GB, as before";
  }
  // A record of the earlier layout: saturated size, spare bytes zero.
  _FTPITEMID old;
  memset(&old, 0, sizeof old);
  old.size = 0xFFFFFFFFu;
  EXPECT_EQ(4294967295ull, VQITEM_FullSize(&old));
  old.size = 1234;
  EXPECT_EQ(1234ull, VQITEM_FullSize(&old));
  VQITEM_SetFullSize(&old, 77);
  EXPECT_EQ(0u, old.sizeHigh + old.sizeLow);
  VQITEM_SetFullSize(&old, 0x123456789ull);
  EXPECT_EQ(0xFFFFFFFFu, +old.size);
  EXPECT_EQ(0x123456789ull, VQITEM_FullSize(&old));
}

TEST(DirParserFile, OutputNameAndOpenFailures) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"dir/list.vqLS", "dir/list.vqD"},
      {"dir/list", "dir/list.vqD"},
      {"dir.d/list", "dir.d/list.vqD"},
      {"a.b.c", "a.b.vqD"},
  };
  for (const Case& c : cases) {
    vqDirParser parser(VQ_HOST_UNIX);
    unsigned long count = 99;
    parser.DIR_PARSE((tempDir() + "/missing/" + c.in).c_str(), count);
    EXPECT_EQ(tempDir() + "/missing/" + c.out, parser.GetOutfileName()) << c.in;
    EXPECT_EQ(0u, count) << c.in;
  }
  vqDirParser parser(VQ_HOST_UNIX);
  unsigned long count = 5;
  EXPECT_EQ(1010u, parser.DIR_PARSE((tempDir() + "/no-such-listing.vqLS").c_str(), count));
  EXPECT_EQ(0u, count);

  // The output cannot be created when its name is taken by a directory.
  std::string listing = writeFile("blocked.vqLS", "-rw-r--r-- 1 a b 1 Jan 1 2000 x\n");
  std::filesystem::create_directories(tempDir() + "/blocked.vqD");
  count = 5;
  EXPECT_EQ(1002u, parser.DIR_PARSE(listing.c_str(), count));
  EXPECT_EQ(0u, count);
}

// A folder listed again replaces its parsed listing, also while a reader still has the old one
// open: no record of the earlier run may survive behind the new ones.
TEST(DirParserFile, ListingAgainReplacesTheOldRecords) {
  std::string listing = writeFile("again.vqLS",
                                  "-rw-r--r-- 1 a b 1 Jan 1 2000 one\n"
                                  "-rw-r--r-- 1 a b 2 Jan 1 2000 two\n"
                                  "-rw-r--r-- 1 a b 3 Jan 1 2000 three\n");
  vqDirParser first(VQ_HOST_UNIX), reader(VQ_HOST_UNIX);
  unsigned long count = 0;
  ASSERT_EQ(0u, first.DIR_PARSE(listing.c_str(), count));
  ASSERT_EQ(3u, count);
  ASSERT_EQ(1, reader.DirEnumOpen(first.GetOutfileName()));

  writeFile("again.vqLS", "-rw-r--r-- 1 a b 9 Jan 1 2000 only\n");
  vqDirParser second(VQ_HOST_UNIX);
  EXPECT_EQ(0u, second.DIR_PARSE(listing.c_str(), count));
  EXPECT_EQ(1u, count);
  reader.DirEnumClose();
  vqDirParser check(VQ_HOST_UNIX);
  ASSERT_EQ(1, check.DirEnumOpen(second.GetOutfileName()));
  _FTPITEMID item;
  memset(&item, 0, sizeof item);
  ASSERT_EQ(1, check.DirEnumFirst(&item));
  EXPECT_STREQ("only", item.name);
  EXPECT_EQ(0, check.DirEnumNext(&item));
  check.DirEnumClose();
  EXPECT_EQ(size_t(VQ_ITEMID_STORED_SIZE), readFile(second.GetOutfileName()).size());
}

TEST(DirParserFile, EmptyListingGivesEmptyFile) {
  ParseRun run = parseText(VQ_HOST_UNIX, "");
  EXPECT_EQ(0u, run.result);
  EXPECT_EQ(0u, run.count);
  EXPECT_EQ("", readFile(run.outfile));
  EXPECT_EQ("", run.firstLine);
}

// One line, one host type, one expected record (or none).
struct LineCase {
  const char* what;
  _VQ_HOSTTYPE host;
  const char* text;
  int kind;  // 0: no entry
  const char* name;
  const char* target;
  const char* date;  // sortDate, "-" for no date
  long long size;    // -1: not checked
};

TEST(DirParserRules, LineCases) {
  const LineCase cases[] = {
      {"name keeps runs of blanks", VQ_HOST_UNIX, "drwxr-xr-x   2 ftp  ftp  512 Mar 14 10:04 my  dir", 5, "my  dir", "",
       "2026/03/14 10:04", 512},
      {"folder link", VQ_HOST_UNIX, "lrwxrwxrwx 1 root root 7 Jan 1 1999 lib -> usr/lib", 7, "lib", "usr/lib",
       "1999/01/01 00:00", 7},
      {"large link is a file link", VQ_HOST_UNIX, "lrwxrwxrwx 1 root root 2000 Jan 1 1999 lib -> usr/lib", 8, "lib",
       "usr/lib", "1999/01/01 00:00", 2000},
      {"link to a text file", VQ_HOST_UNIX, "lrw-r--r-- 1 a b 10 Jan 1 2000 notes -> notes.txt", 8, "notes",
       "notes.txt", "2000/01/01 00:00", 10},
      {"link to readme", VQ_HOST_UNIX, "lrwxrwxrwx 1 a b 6 Jan 1 2000 info -> README", 8, "info", "README",
       "2000/01/01 00:00", 6},
      {"link name and target both with extensions", VQ_HOST_UNIX, "lrwxrwxrwx 1 a b 6 Jan 1 2000 a.so -> b.so.1", 8,
       "a.so", "b.so.1", "2000/01/01 00:00", 6},
      {"link to parent", VQ_HOST_UNIX, "lrwxrwxrwx 1 a b 2 Jan 1 2000 up.lnk -> ../pub", 7, "up.lnk", "../pub",
       "2000/01/01 00:00", 2},
      {"arrow in a plain file's name stays", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 10 Jan 1 2000 notes -> notes.txt", 6,
       "notes -> notes.txt", "", "2000/01/01 00:00", 10},
      {"name equal to the link count", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Jan 1 2000 1", 6, "1", "", "2000/01/01 00:00",
       1},
      {"name equal to the owner", VQ_HOST_UNIX, "-rw-r--r-- 1 ann b 1 Jan 1 2000 ann", 6, "ann", "", "2000/01/01 00:00",
       1},
      {"name whose first word recurs", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Jan 1 2000 a b a", 6, "a b a", "",
       "2000/01/01 00:00", 1},
      {"name with a colon after a year", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Jan 1 2000 c:d", 6, "c:d", "",
       "2000/01/01 00:00", 1},
      {"acl mark", VQ_HOST_UNIX, "-rw-r--r--+ 1 a b 3 Jan 1 2000 acl", 6, "acl", "", "2000/01/01 00:00", 3},
      {"tabs are blanks", VQ_HOST_UNIX, "-rw-r--r--\t1\ta\tb\t3\tJan\t1\t2000\ttabbed", 6, "tabbed", "",
       "2000/01/01 00:00", 3},
      {"crlf line end", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 Jan 1 2000 dos\r\n", 6, "dos", "", "2000/01/01 00:00", 3},
      {"future date is last year", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 Jun 16 10:00 f", 6, "f", "", "2025/06/16 10:00",
       3},
      {"today is this year", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 Jun 15 10:00 f", 6, "f", "", "2026/06/15 10:00", 3},
      {"day before month", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 14 mar 2000 f", 6, "f", "", "2000/03/14 00:00", 3},
      {"french month", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 14 mars 2000 f", 6, "f", "", "2000/03/14 00:00", 3},
      {"invalid day", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 3 Feb 30 2000 f", 6, "f", "", "-", 3},
      {"size beyond 32 bits saturates", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 99999999999999 Jan 1 2000 big", 6, "big", "",
       "2000/01/01 00:00", 4294967295LL},
      {"dot entry", VQ_HOST_UNIX, "drwxr-xr-x 2 a b 512 Jan 1 2000 .", 0, "", "", "", -1},
      {"dot-dot entry", VQ_HOST_UNIX, "drwxr-xr-x 2 a b 512 Jan 1 2000 ..", 0, "", "", "", -1},
      {"dot-dot with trailing blanks", VQ_HOST_UNIX, "drwxr-xr-x 2 a b 512 Jan 1 2000 ..   ", 0, "", "", "", -1},
      {"hidden file is no dot entry", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 5 Jan 1 2000 .profile", 6, ".profile", "",
       "2000/01/01 00:00", 5},
      {"unreadable directory", VQ_HOST_UNIX, "ls: /root: Permission denied", 0, "", "", "", -1},
      {"not found", VQ_HOST_UNIX, "/pub/x not found", 0, "", "", "", -1},
      {"dos date with pm", VQ_HOST_WINNT351D, "03-14-00  10:04PM       <DIR>          pub", 5, "pub", "",
       "2000/03/14 22:04", 0},
      {"dos date dots only", VQ_HOST_WINNT351D, "03.14.00  10:04PM   12 dotted", 6, "dotted", "", "-", 12},
      {"dos date 99/99/99", VQ_HOST_WINNT351D, "99/99/99  99:99PM   12 odd", 6, "odd", "", "-", 12},
      {"vms date with month name", VQ_HOST_VMSA55, "A.TXT;1 1/3 14-MAR-2000 [S,A] (RWED,RWED,RE,)", 6, "A.TXT;1", "",
       "2000/03/14 00:00", 512},
      {"multinet empty listing", VQ_HOST_MULTINET, "Total of 12 files", 0, "", "", "", -1},
      {"multinet no files", VQ_HOST_MULTINET, "%RMS-E-FNF, no files found", 0, "", "", "", -1},
      {"as400 line without an object type", VQ_HOST_AS400, "QSYS 4096 03/14/00 10:04:12 *MEM name", 0, "", "", "", -1},
      {"as400 file with owner", VQ_HOST_AS400, "QSYS 77824 12/31/99 23:59:59 *STMF a b", 6, "a b", "",
       "1999/12/31 23:59", 77824},
      {"netware entries keep dots", VQ_HOST_NETWARE, "d [RWCEAFMS] admin 512 Mar 14 10:04 ..", 5, "..", "",
       "2026/03/14 10:04", 512},
      {"vm/cms folder word", VQ_HOST_VMCMS, "WORK folder V 80 12 1 3/14/00 10:04:12 DISK1", 5, "WORK.folder", "",
       "2000/03/14 10:04", 4096},
  };
  for (const LineCase& c : cases) {
    ParseRun run = parseText(c.host, std::string(c.text) + "\n");
    if (c.kind == 0) {
      EXPECT_EQ(0u, run.count) << c.what << ": " << c.text;
      continue;
    }
    ASSERT_EQ(1u, run.items.size()) << c.what << ": " << c.text;
    const _FTPITEMID& it = run.items[0];
    EXPECT_EQ(c.kind, +it.kind) << c.what << ": " << c.text;
    EXPECT_STREQ(c.name, it.name) << c.what << ": " << c.text;
    EXPECT_STREQ(c.target, it.url) << c.what << ": " << c.text;
    EXPECT_EQ(c.date, dateOf(it)) << c.what << ": " << c.text;
    if (c.size >= 0) {
      EXPECT_EQ(c.size, static_cast<long long>(it.size)) << c.what << ": " << c.text;
    }
  }
}

// Lines whose columns stand elsewhere than the usual place, one line each: the name is what follows
// the date and time, the size what precedes the date, and the kind is right.
TEST(DirParserRules, ColumnsFoundByTheirShape) {
  const LineCase cases[] = {
      {"owner only", VQ_HOST_UNIX, "-rw-r--r-- 1 ann 1534 Mar 3 2021 two words", 6, "two words", "", "2021/03/03 00:00",
       1534},
      {"no link count", VQ_HOST_UNIX, "-rw-r--r-- ann staff 1534 Mar 3 2021 x y", 6, "x y", "", "2021/03/03 00:00",
       1534},
      {"group ran into the size", VQ_HOST_UNIX, "-rw-r--r-- 1 ann staff99 Mar 3 2021 z", 6, "z", "", "2021/03/03 00:00",
       99},
      {"unit suffix", VQ_HOST_UNIX, "-rw-r--r-- 1 ann staff 1.5K Mar 3 2021 k", 6, "k", "", "2021/03/03 00:00", 1536},
      {"unit with B", VQ_HOST_UNIX, "-rw-r--r-- 1 ann staff 3MB Mar 3 2021 m", 6, "m", "", "2021/03/03 00:00", 3145728},
      {"german day and month", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 9 3. M\xe4rz 2011 maerz", 6, "maerz", "",
       "2011/03/03 00:00", 9},
      {"german in UTF-8", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 9 M\xc3\xa4r 3 2011 utf", 6, "utf", "", "2011/03/03 00:00",
       9},
      {"french day first", VQ_HOST_UNIX,
       "-rw-r--r-- 1 a b 9 14 d\xe9"
       "c. 2022 fr",
       6, "fr", "", "2022/12/14 00:00", 9},
      {"month and day then year", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 9 12-01 1999 y", 6, "y", "", "1999/12/01 00:00", 9},
      {"month-day with time is this year", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 9 06-16 08:00 t", 6, "t", "",
       "2025/06/16 08:00", 9},
      {"short permissions", VQ_HOST_UNIX, "drwxr-x 2 a b 512 Jan 1 2000 d", 5, "d", "", "2000/01/01 00:00", 512},
      {"links run into the permissions", VQ_HOST_UNIX, "drwxr-xr-x123 a b 512 Jan 1 2000 many", 5, "many", "",
       "2000/01/01 00:00", 512},
      {"link to the folder itself", VQ_HOST_UNIX, "lrwxrwxrwx 1 a b 1 Jan 1 2000 self -> .", 7, "self", ".",
       "2000/01/01 00:00", 1},
      {"link to the parent", VQ_HOST_UNIX, "lrwxrwxrwx 1 a b 2 Jan 1 2000 up -> ..", 7, "up", "..", "2000/01/01 00:00",
       2},
      {"name ending in dots", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Jan 1 2000 wait..", 6, "wait..", "", "2000/01/01 00:00",
       1},
      {"blanks around a name", VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Jan 1 2000   both  ", 6, "  both  ", "",
       "2000/01/01 00:00", 1},
      {"acl mark then an owner only", VQ_HOST_UNIX, "-rw-r--r--+ 1 ann 7 Jan 1 2000 acl", 6, "acl", "",
       "2000/01/01 00:00", 7},
      {"extended-attribute mark", VQ_HOST_UNIX, "-rw-r--r--@ 1 ann staff 7 Jan 1 2000 attr", 6, "attr", "",
       "2000/01/01 00:00", 7},
      {"nt thousands", VQ_HOST_WINNT351D, "03-14-00  10:04PM  9,730 budget.xls", 6, "budget.xls", "",
       "2000/03/14 22:04", 9730},
      {"nt junction", VQ_HOST_WINNT351D, "03-14-00  10:04PM  <JUNCTION>  All Users [C:\\ProgramData]", 7, "All Users",
       "C:\\ProgramData", "2000/03/14 22:04", 0},
      {"nt symlinkd arrow", VQ_HOST_WINNT40, "03-14-00  10:04PM  <SYMLINKD>  bin -> D:\\bin", 7, "bin", "D:\\bin",
       "2000/03/14 22:04", 0},
      {"nt file symlink", VQ_HOST_WINNT351D, "03-14-00  10:04PM  <SYMLINK>  a.txt => b.txt", 8, "a.txt", "b.txt",
       "2000/03/14 22:04", 0},
      {"macos name ending in dots", VQ_HOST_MACOS, "-rw-r--r-- 0 0 5 Feb 2 2002 more..", 6, "more..", "",
       "2002/02/02 00:00", 5},
      {"macos dot entry still hidden", VQ_HOST_MACOS, "drwxrwxr-x folder 2 Mar 14 2000 ..", 0, "", "", "", -1},
      {"nt dot entry still hidden", VQ_HOST_WINNT351D, "03-14-00  10:04PM  <DIR>  ..", 0, "", "", "", -1},
      {"os2 lower-case dir", VQ_HOST_OS2, "0 dir 03-14-00 10:04 sub", 5, "sub", "", "2000/03/14 10:04", 0},
      {"os2 dir beside attributes", VQ_HOST_OS2, "0 A DIR 03-14-00 10:04 sub two", 5, "sub two", "", "2000/03/14 10:04",
       0},
      {"os2 attributes of a file", VQ_HOST_OS2, "77 A H 03-14-00 10:04 hidden.sys", 6, "hidden.sys", "",
       "2000/03/14 10:04", 77},
      {"as400 day first", VQ_HOST_AS400, "QSYS 10 23/02/00 10:04:12 *STMF eu.txt", 6, "eu.txt", "", "2000/02/23 10:04",
       10},
      {"as400 dotted", VQ_HOST_AS400, "QSYS 10 18.09.06 10:04:12 *STMF dot.txt", 6, "dot.txt", "", "2006/09/18 10:04",
       10},
      {"as400 member", VQ_HOST_AS400, "QSYS *MEM SRC.FILE/PGM1.MBR", 6, "SRC.FILE/PGM1.MBR", "", "-", 0},
      {"as400 absolute path", VQ_HOST_AS400, "QSYS 10 03/14/00 10:04:12 *STMF /home/ann/my file.txt", 6, "my file.txt",
       "", "2000/03/14 10:04", 10},
      {"vmcms directory", VQ_HOST_VMCMS, "TOOLS DIR - - - 2021-01-31 07:08:09 -", 5, "TOOLS", "", "2021/01/31 07:08",
       0},
      {"vms no privilege", VQ_HOST_VMS, "X.DAT;1 no privilege for attempted operation", 0, "", "", "", -1},
      {"multinet status text", VQ_HOST_MULTINET, "Y.DIR;1 %SYSTEM-F-NOPRIV, no privilege", 0, "", "", "", -1},
      {"vax/vms status text", VQ_HOST_VMSA55, "Z.TXT;1 %RMS-E-PRV, insufficient privilege", 0, "", "", "", -1},
  };
  for (const LineCase& c : cases) {
    ParseRun run = parseText(c.host, std::string(c.text) + "\n");
    if (c.kind == 0) {
      EXPECT_EQ(0u, run.count) << c.what << ": " << c.text;
      continue;
    }
    ASSERT_EQ(1u, run.items.size()) << c.what << ": " << c.text;
    const _FTPITEMID& it = run.items[0];
    EXPECT_EQ(c.kind, +it.kind) << c.what << ": " << c.text;
    EXPECT_STREQ(c.name, it.name) << c.what << ": " << c.text;
    EXPECT_STREQ(c.target, it.url) << c.what << ": " << c.text;
    EXPECT_EQ(c.date, dateOf(it)) << c.what << ": " << c.text;
    if (c.size >= 0) {
      EXPECT_EQ(static_cast<uint64_t>(c.size), VQITEM_FullSize(&it)) << c.what << ": " << c.text;
    }
  }
}

// A recursive listing begins with its folder's heading: the entries of the first folder are read,
// and the second folder's "total" still ends the run.
TEST(DirParserRules, RecursiveListingHeading) {
  for (_VQ_HOSTTYPE host : {VQ_HOST_UNIX, VQ_HOST_UNIXL8, VQ_HOST_AUTO}) {
    ParseRun run = parseText(host,
                             "/pub:\n"
                             "total 2\n"
                             "-rw-r--r-- 1 a b 1 Jan 1 2000 one\n"
                             "-rw-r--r-- 1 a b 1 Jan 1 2000 name ending in colon:\n"
                             "\n"
                             "/pub/sub:\n"
                             "total 1\n"
                             "-rw-r--r-- 1 a b 1 Jan 1 2000 deeper\n");
    ASSERT_EQ(2u, run.items.size()) << host;
    EXPECT_STREQ("one", run.items[0].name);
    EXPECT_STREQ("name ending in colon:", run.items[1].name);
  }
}

TEST(DirParserRules, DotEntriesWhenNotIgnored) {
  ParseRun run = parseText(VQ_HOST_UNIX,
                           "drwxr-xr-x 2 a b 512 Jan 1 2000 .\n"
                           "drwxr-xr-x 2 a b 512 Jan 1 2000 ..\n",
                           0);
  ASSERT_EQ(2u, run.items.size());
  EXPECT_STREQ(".", run.items[0].name);
  EXPECT_STREQ("..", run.items[1].name);
}

TEST(DirParserRules, TotalLines) {
  // Before the entries it is skipped; after them it ends the run (a second listing follows).
  ParseRun run = parseText(VQ_HOST_UNIX,
                           "total 12\n"
                           "-rw-r--r-- 1 a b 1 Jan 1 2000 one\n"
                           "TOTAL 3\n"
                           "-rw-r--r-- 1 a b 1 Jan 1 2000 two\n");
  EXPECT_EQ(0u, run.result);
  ASSERT_EQ(1u, run.items.size());
  EXPECT_STREQ("one", run.items[0].name);
  EXPECT_EQ("-rw-r--r-- 1 a b 1 Jan 1 2000 one", run.firstLine);
}

// Lines are read eight bytes at a time where no control byte is near: a tab, a NUL or a line end
// must act the same at every place in such a block.
TEST(DirParserRules, SameRecordWhereverTheBytesFallInTheReadBlocks) {
  for (int shift = 0; shift < 18; ++shift) {
    std::string lead(shift, ' ');
    std::string where = "shift " + std::to_string(shift);
    ParseRun run = parseText(VQ_HOST_WINNT351D, lead + "03-14-00  10:04AM\t1234 report\tfinal.txt\r\n" + lead +
                                                    "03-15-00  11:05AM 99 cut" + std::string(1, '\0') + "dropped\n");
    ASSERT_EQ(2u, run.items.size()) << where;
    EXPECT_STREQ("report final.txt", run.items[0].name) << where;
    EXPECT_EQ(1234u, +run.items[0].size) << where;
    EXPECT_STREQ("2000/03/14 10:04", run.items[0].sortDate) << where;
    EXPECT_STREQ("cut", run.items[1].name) << where << ": a NUL ends the line, the rest is not a line";
  }
  // A CR LF whose CR is the last character of a 254-character read is still one line end.
  std::string name(254 - 32, 'w');
  std::string line = "-rw-r--r-- 1 a b 1 Jan 1 2000 " + name;
  ASSERT_EQ(252u, line.size());
  for (const std::string& fill : {std::string("x"), std::string("xy")}) {
    ParseRun run = parseText(VQ_HOST_UNIX, line + fill + "\r\n-rw-r--r-- 1 a b 2 Jan 1 2000 next\n");
    ASSERT_EQ(2u, run.items.size()) << fill;
    EXPECT_STREQ("next", run.items[1].name) << fill;
  }
}

// A server's "not found" answer is dropped wherever it stands in the line; a name that only
// resembles it is kept.
TEST(DirParserRules, NotFoundAnswersAtAnyPlace) {
  for (int shift = 0; shift < 17; ++shift) {
    for (const char* answer : {" not found", " cannot find the file"}) {
      std::string text = "-rw-r--r-- 1 a b 1 Jan 1 2000 one\n" + std::string(shift, 'x') + answer +
                         "\n-rw-r--r-- 1 a b 1 Jan 1 2000 not-found\n";
      ParseRun run = parseText(VQ_HOST_UNIX, text);
      ASSERT_EQ(2u, run.items.size()) << shift << answer;
      EXPECT_STREQ("not-found", run.items[1].name);
    }
  }
}

TEST(DirParserRules, LongLinesAreReadInPieces) {
  // A name as long as servers allow is read whole, so that the file can be opened by it; only a
  // line past 1022 characters is read in pieces. A name longer than its field is left out rather
  // than cut (cut, it would name another file), in a line read whole or in pieces.
  const std::string entry = "-rw-r--r-- 1 a b 1 Jan 1 2000 ";
  for (size_t length : {300, 510, 511, 600, 1500}) {
    const std::string name(length, 'n');
    ParseRun run = parseText(VQ_HOST_UNIX, entry + name + "\n" + entry + "after\n");
    std::vector<std::string> names;
    for (const _FTPITEMID& it : run.items) names.push_back(it.name);
    if (length < 511)
      EXPECT_EQ(std::vector<std::string>({name, "after"}), names) << length;
    else
      EXPECT_EQ(std::vector<std::string>({"after"}), names) << length;
  }
}

TEST(DirParserRules, WrappedVmsEntryAtEndReturnsContinue) {
  ParseRun run = parseText(VQ_HOST_VMSA55,
                           "A.TXT;1 1/3 14-MAR-2000 [S,A] (RWED,RWED,RE,)\n"
                           "A_NAME_THAT_WRAPS_BUT_NEVER_CONTINUES.TXT;1\n");
  EXPECT_EQ(101u, run.result);
  EXPECT_EQ(1u, run.count);
  ASSERT_EQ(1u, run.items.size());
  EXPECT_STREQ("A.TXT;1", run.items[0].name);
}

TEST(DirParserRules, OpenVmsSevenFields) {
  ParseRun run = parseText(VQ_HOST_OPENVMS, "X.TXT;1 2/3 1-JAN-2001 10:00:00.00 [G,O] (RWED,RE,R,)\n");
  ASSERT_EQ(1u, run.items.size());
  EXPECT_STREQ("[G,O]", run.items[0].owner);
  EXPECT_STREQ("[G,O]", run.items[0].group);
  EXPECT_STREQ("(RWED,RE,R,)", run.items[0].permText);
  EXPECT_EQ("101010000000", flagsText(run.items[0])) << "system RWED, owner RE, group R, world none";
}

// Years given as a time are taken relative to the real clock when none is set.
TEST(DirParserRules, YearFromTheClock) {
  time_t now = time(nullptr);
  struct tm t;
#ifdef _WIN32
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  int year = t.tm_year + 1900;
  // January 1st is never in the future; December 31st is, unless today is December 31st.
  ParseRun run = parseText(VQ_HOST_UNIX,
                           "-rw-r--r-- 1 a b 1 Jan 1 10:00 jan\n"
                           "-rw-r--r-- 1 a b 1 Dec 31 10:00 dec\n",
                           1, 0);
  ASSERT_EQ(2u, run.items.size());
  EXPECT_EQ(std::to_string(year) + "/01/01 10:00", std::string(run.items[0].sortDate));
  int decYear = (t.tm_mon == 11 && t.tm_mday == 31) ? year : year - 1;
  EXPECT_EQ(std::to_string(decYear) + "/12/31 10:00", std::string(run.items[1].sortDate));
}

namespace {
struct Seen {
  std::vector<int> types;
  std::vector<unsigned long> results;
  std::vector<std::string> messages;
  unsigned long stopAfter = 0;
  unsigned long lastCurrent = 0, total = 0;
};

unsigned long statusCb(_sock_notification_* note, _FTPITEMID*, void* user) {
  Seen* s = static_cast<Seen*>(user);
  s->types.push_back(note->type);
  s->results.push_back(note->result);
  s->messages.push_back(note->message);
  s->lastCurrent = note->current;
  s->total = note->total;
  if (note->type == 1004 && s->stopAfter && ++s->stopAfter > 2) return 1;
  return 0;
}

unsigned long allFileLinks(_FTPITEMID* item, void* user) {
  ++*static_cast<int*>(user);
  item->kind = VQ_KIND_OBJECTLINK;
  return 0;
}
}  // namespace

TEST(DirParserCallbacks, StatusNotifications) {
  std::string text = "total 1\n-rw-r--r-- 1 a b 1 Jan 1 2000 one\n";
  std::string path = writeFile("status.vqLS", text);
  Seen seen;
  vqDirParser parser(VQ_HOST_UNIX);
  parser.SetStatusCallback(statusCb, &seen);
  unsigned long count = 0;
  EXPECT_EQ(0u, parser.DIR_PARSE(path.c_str(), count));
  EXPECT_EQ(1u, count);
  ASSERT_EQ(4u, seen.types.size());
  EXPECT_EQ((std::vector<int>{1001, 1004, 1001, 1004}), seen.types);
  EXPECT_EQ("VQ-LS: total 1\n", seen.messages[0]);
  EXPECT_EQ("ERROR: total 1\n", seen.messages[1]);
  EXPECT_EQ(1099u, seen.results[1]);
  EXPECT_EQ("SUCCESS: -rw-r--r-- 1 a b 1 Jan 1 2000 one\n", seen.messages[3]);
  EXPECT_EQ(0u, seen.results[3]);
  EXPECT_EQ(text.size(), seen.lastCurrent);
  EXPECT_EQ(text.size(), seen.total);
}

TEST(DirParserCallbacks, StatusCallbackStopsTheRun) {
  std::string text;
  for (int k = 0; k < 5; ++k) text += "-rw-r--r-- 1 a b 1 Jan 1 2000 f" + std::to_string(k) + "\n";
  std::string path = writeFile("stop.vqLS", text);
  Seen seen;
  seen.stopAfter = 1;  // answers 1 on the second result
  vqDirParser parser(VQ_HOST_UNIX);
  parser.SetStatusCallback(statusCb, &seen);
  unsigned long count = 0;
  EXPECT_EQ(0u, parser.DIR_PARSE(path.c_str(), count));
  EXPECT_EQ(2u, count) << "the line that asked to stop is still written";
}

TEST(DirParserCallbacks, SymLinkCallbackDecidesTheKind) {
  std::string path = writeFile("links.vqLS", "lrwxrwxrwx 1 a b 7 Jan 1 1999 lib -> usr/lib\n");
  int calls = 0;
  vqDirParser parser(VQ_HOST_UNIX);
  parser.SetSymLinkCallback(allFileLinks, &calls);
  ParseRun run = parseWith(parser, path);
  EXPECT_EQ(1, calls);
  ASSERT_EQ(1u, run.items.size());
  EXPECT_EQ(VQ_KIND_OBJECTLINK, +run.items[0].kind);
  EXPECT_STREQ("usr/lib", run.items[0].url);
}

TEST(DirParserEnum, ReadsBackAndRewinds) {
  ParseRun run = parseText(VQ_HOST_UNIX, "-rw-r--r-- 1 a b 1 Mar 14 2000 one\n-rw-r--r-- 1 a b 2 Jan 2 2001 two\n");
  ASSERT_EQ(2u, run.items.size());
  EXPECT_STREQ("2000/03/14 00:00", run.items[0].sortDate);
  EXPECT_NE('\0', run.items[0].dateText[0]);
  vqDirParser parser(VQ_HOST_UNIX);
  _FTPITEMID item;
  memset(&item, 0, sizeof item);
  EXPECT_EQ(0, parser.DirEnumFirst(&item)) << "nothing open";
  EXPECT_EQ(0, parser.DirEnumNext(&item));
  ASSERT_EQ(1, parser.DirEnumOpen(run.outfile.c_str()));
  EXPECT_EQ(1, parser.DirEnumNext(&item));
  EXPECT_EQ(1, parser.DirEnumNext(&item));
  EXPECT_STREQ("two", item.name);
  EXPECT_EQ(0, parser.DirEnumNext(&item));
  EXPECT_EQ(1, parser.DirEnumFirst(&item));
  EXPECT_STREQ("one", item.name);
  parser.DirEnumClose();
  EXPECT_EQ(0, parser.DirEnumOpen((tempDir() + "/absent.vqD").c_str()));

  // A cut-off last record is not handed out; texts without terminators are cut at their fields.
  std::string bytes = readFile(run.outfile);
  std::string broken = bytes.substr(0, VQ_ITEMID_STORED_SIZE);
  memset(&broken[36], 'x', VQ_ITEMID_STORED_SIZE - 36);
  broken += bytes.substr(0, 100);
  std::string brokenPath = writeFile("broken.vqD", broken);
  ASSERT_EQ(1, parser.DirEnumOpen(brokenPath.c_str()));
  EXPECT_EQ(1, parser.DirEnumFirst(&item));
  EXPECT_EQ(511u, strlen(item.name));
  EXPECT_EQ(32u, strlen(item.owner));
  EXPECT_EQ(0, parser.DirEnumNext(&item));
  parser.DirEnumClose();
}

#ifdef _WIN32
// Display dates are formatted once per date and minute within an enumeration; every record must
// still show exactly what the locale gives for its own date and time.
TEST(DirParserEnum, DateTextsMatchTheLocaleForEveryRecord) {
  std::string listing;
  const char* lines[] = {
      "-rw-r--r-- 1 a b 1 Mar 14 2000 a\n",       "-rw-r--r-- 1 a b 1 Mar 14 2000 b\n",
      "-rw-r--r-- 1 a b 1 Dec 31 1999 c\n",       "-rw-r--r-- 1 a b 1 Mar 14 2000 d\n",
      "-rw-r--r-- 1 a b 1 Jan 2 10:04 e\n",       "-rw-r--r-- 1 a b 1 Jan 2 23:59 f\n",
      "-rw-r--r-- 1 a b 1 Jan 2 10:04 g\n",       "-rw-r--r-- 1 a b 1 Feb 29 2024 h\n",
      "-rw-r--r-- 1 a b 1 Feb 30 2024 invalid\n",
  };
  for (const char* l : lines) listing += l;
  ParseRun run = parseText(VQ_HOST_UNIX, listing);
  ASSERT_EQ(9u, run.items.size());
  for (int pass = 0; pass < 2; ++pass) {  // a second enumeration starts afresh
    vqDirParser parser(VQ_HOST_UNIX);
    ASSERT_EQ(1, parser.DirEnumOpen(run.outfile.c_str()));
    _FTPITEMID item;
    memset(&item, 0, sizeof item);
    int n = 0;
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item), ++n) {
      SYSTEMTIME st;
      memset(&st, 0, sizeof st);
      FileTimeToSystemTime(&item.modified, &st);
      st.wSecond = 0;
      st.wMilliseconds = 0;
      st.wDayOfWeek = 0;
      char date[64] = "", time[64] = "";
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
      GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
      EXPECT_EQ(std::string(date) + " " + time, item.dateText) << item.name;
    }
    EXPECT_EQ(9, n);
    parser.DirEnumClose();
  }
}
#endif

TEST(DirParserFirstLine, KeptFromTheFirstEntryAcrossRuns) {
  std::string a = writeFile("first-a.vqLS", "total 1\n-rw-r--r-- 1 a b 1 Jan 1 2000 one\n");
  std::string b = writeFile("first-b.vqLS", "-rw-r--r-- 1 a b 1 Jan 1 2000 two\n");
  vqDirParser parser(VQ_HOST_UNIX);
  EXPECT_STREQ("", parser.GetFirstLine());
  unsigned long count = 0;
  parser.DIR_PARSE(a.c_str(), count);
  EXPECT_STREQ("-rw-r--r-- 1 a b 1 Jan 1 2000 one", parser.GetFirstLine());
  parser.DIR_PARSE(b.c_str(), count);
  EXPECT_STREQ("-rw-r--r-- 1 a b 1 Jan 1 2000 one", parser.GetFirstLine());
}

// Each parser has its own tokenizer: parses on two threads at once give their own results.
TEST(DirParserThreads, ConcurrentParsesDoNotInterfere) {
  std::string unixText, dosText;
  for (int k = 0; k < 3000; ++k) {
    unixText += "-rw-r--r-- 1 own grp " + std::to_string(k) + " Jan 1 2000 unix" + std::to_string(k) + "\n";
    dosText += "03-14-00  10:04PM  " + std::to_string(k) + " dos" + std::to_string(k) + "\n";
  }
  std::string unixPath = writeFile("thread-unix.vqLS", unixText);
  std::string dosPath = writeFile("thread-dos.vqLS", dosText);
  ParseRun unixRun, dosRun;
  std::thread t1([&] {
    vqDirParser p(VQ_HOST_UNIX);
    unixRun = parseWith(p, unixPath);
  });
  std::thread t2([&] {
    vqDirParser p(VQ_HOST_WINNT351D);
    dosRun = parseWith(p, dosPath);
  });
  t1.join();
  t2.join();
  ASSERT_EQ(3000u, unixRun.items.size());
  ASSERT_EQ(3000u, dosRun.items.size());
  for (int k = 0; k < 3000; ++k) {
    ASSERT_EQ("unix" + std::to_string(k), std::string(unixRun.items[k].name));
    ASSERT_EQ(static_cast<uint32_t>(k), +unixRun.items[k].size);
    ASSERT_EQ("dos" + std::to_string(k), std::string(dosRun.items[k].name));
    ASSERT_EQ(static_cast<uint32_t>(k), +dosRun.items[k].size);
  }
}
