// Listing parser against hostile server output: whatever arrives, every host type finishes the run
// and every text in the records stays inside its field.
#include <gtest/gtest.h>

#include <random>

#include "test_dirparser_helpers.h"

using namespace dirtest;

namespace {

void expectBounded(const _FTPITEMID& it, const std::string& where) {
  EXPECT_LT(strnlen(it.name, sizeof it.name), sizeof it.name) << where;
  EXPECT_LE(strnlen(it.url, sizeof it.url), 255u) << where;  // a link's target
  EXPECT_LE(strnlen(it.permText, sizeof it.permText), 24u) << where;
  EXPECT_LE(strnlen(it.owner, sizeof it.owner), 24u) << where;
  EXPECT_LE(strnlen(it.group, sizeof it.group), 24u) << where;
  EXPECT_LT(strnlen(it.sortDate, sizeof it.sortDate), sizeof it.sortDate) << where;
  EXPECT_LT(strnlen(it.dateText, sizeof it.dateText), sizeof it.dateText) << where;
  EXPECT_GE(+it.kind, VQ_KIND_FOLDER) << where;
  EXPECT_LE(+it.kind, VQ_KIND_OBJECTLINK) << where;
  for (unsigned char f : it.permFlags) EXPECT_LE(f, 1) << where;
}

void runEverywhere(const std::string& what, const std::string& text) {
  for (int host = 1999; host <= 2027; ++host) {
    ParseRun run = parseText(static_cast<_VQ_HOSTTYPE>(host), text);
    std::string where = what + " host " + std::to_string(host);
    EXPECT_TRUE(run.result == 0 || run.result == 101) << where << " result " << run.result;
    EXPECT_EQ(run.count, run.items.size()) << where;
    for (const _FTPITEMID& it : run.items) expectBounded(it, where);
  }
}

template <size_t N>
std::string bytesOf(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int k = 0; k < n; ++k) out += s;
  return out;
}

}  // namespace

TEST(DirParserRobust, HostileLines) {
  const std::string name600(600, 'N');
  const std::string digits40(40, '9');
  struct Case {
    std::string what, text;
  } cases[] = {
      {"only line feeds", "\n\n\n"},
      {"only blanks", "      \n \t \n"},
      {"no final line feed", "-rw-r--r-- 1 a b 1 Jan 1 2000 last"},
      {"single characters", "d\nl\n-\n*\n>\n|\n"},
      {"nul bytes", bytesOf("-rw-r--r-- 1 a\0b 1 Jan 1 2000 x\0y\n\0\0\0\n-rw-r--r-- 1 a b 1 Jan 1 2000 \0\n")},
      {"binary bytes", std::string("\xff\xfe\x01\x1a\x7f\x80 \x1a\r\r\n\x1a-rw-r--r-- 1 a b 1 Jan 1 2000 z\n")},
      {"thousands of fields", repeat("a ", 3000) + "\n" + repeat("-", 100) + repeat(" x", 2000) + "\n"},
      {"long line without blanks", std::string(20000, 'x') + "\n"},
      {"name of 600 characters", "-rw-r--r-- 1 a b 1 Jan 1 2000 " + name600 + "\n"},
      {"dos name of 600 characters", "03-14-00 10:04PM 1 " + name600 + "\n"},
      {"link with several arrows", "lrwxrwxrwx 1 a b 1 Jan 1 2000 a -> b -> c -> d\n"},
      {"link without target", "lrwxrwxrwx 1 a b 1 Jan 1 2000 a ->\n"},
      {"link that is only an arrow", "lrwxrwxrwx 1 a b 1 Jan 1 2000 ->\n"},
      {"link with a long target", "lrwxrwxrwx 1 a b 1 Jan 1 2000 a -> " + name600 + "\n"},
      {"40-digit numbers",
       "-rw-r--r-- " + digits40 + " a b " + digits40 + " " + digits40 + " " + digits40 + " " + digits40 + " n\n"},
      {"negative numbers", "-rw-r--r-- -1 a b -5 Jan -3 -2000 n\n03--14--00 -10:-4PM -12 m\n"},
      {"dates 99/99/99", "99/99/99 99:99PM 99 n\n-rw-r--r-- 1 a b 1 99/99/99 99:99 n\n"},
      {"date parts missing", "--/ 10: 1 n\n/ : 1 n\n-/- :: x\n"},
      {"long owner and group",
       "-rw-r--r-- 1 " + std::string(100, 'o') + " " + std::string(100, 'g') + " 1 Jan 1 2000 n\n"},
      {"vms protection garbage", "A;1 1 1-JAN-2000 [" + std::string(80, ',') + "] (((((RWED,,,,,,,,,)))))\n"},
      {"vms wrapped names without end", repeat("VERY_LONG_NAME_ALONE.TXT;1\n", 200)},
      {"vms wrapped then long continuation", "NAME.TXT;1\n" + std::string(1000, ' ') + "3 14-MAR-2000\n"},
      {"as400 types only", "*DIR *LIB *STMF *FLR *DDIR\n* * * * * *\n*DIR /\n"},
      {"total lines", "total 1\ntotal 2\ntotal\nTOTAL\n"},
      {"pipes in names", "-rw-r--r-- 1 a b 1 Jan 1 2000 a|b\nlrwxrwxrwx 1 a b 1 Jan 1 2000 c|d -> e|f\n"},
  };
  for (const auto& c : cases) runEverywhere(c.what, c.text);
}

// Random lines from a small alphabet of listing pieces, under every host type.
TEST(DirParserRobust, RandomListings) {
  const char* pieces[] = {" ",
                          "  ",
                          "\t",
                          "\n",
                          "\r\n",
                          "-",
                          "/",
                          ".",
                          ":",
                          ";",
                          "+",
                          "|",
                          "->",
                          ">",
                          "<DIR>",
                          "d",
                          "l",
                          "drwxr-xr-x",
                          "-rw-r--r--",
                          "Jan",
                          "MAR",
                          "14",
                          "2000",
                          "10:04",
                          "10:04PM",
                          "03-14-00",
                          "14-MAR-2000",
                          "1/3",
                          "[A,B]",
                          "(RWED,RE,,)",
                          "*DIR",
                          "*STMF",
                          "folder",
                          "total ",
                          "Total of ",
                          "DIR",
                          "9999999999999",
                          ".DIR;1",
                          "name",
                          "..",
                          "\xff",
                          "\0"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 40; ++round) {
    std::string text;
    int n = static_cast<int>(rng() % 400);
    for (int k = 0; k < n; ++k) {
      const char* p = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
      text.append(p, *p ? strlen(p) : 1);
    }
    runEverywhere("random round " + std::to_string(round), text);
  }
}

// Inputs that once made the parser fail stay here as regression cases.
TEST(DirParserRobust, FuzzRegressions) {
  std::filesystem::path dir = sourcePath("tests/engine/fuzz-regressions");
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
    runEverywhere(entry.path().filename().string(), readFile(entry.path().string()));
  }
}
