// The listing parser's text search over a line of known length: it looks at eight places at a time,
// so it is checked against strstr on many short texts, each in a buffer of exactly its length (the
// sanitizers of the host build report any read past it).
#include <gtest/gtest.h>

#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "vqListFormatUtil.h"

TEST(ListUtil, FindTextInFindsWhatStrstrFinds) {
  std::mt19937 rng(20261209);
  const char alphabet[] = "ab .DIR;";
  auto pick = [&](size_t n) {
    std::string s;
    for (size_t k = 0; k < n; ++k) s += alphabet[rng() % (sizeof alphabet - 1)];
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string hay = pick(rng() % 40);
    std::string needle = pick(1 + rng() % 5);
    if (round % 2 && !hay.empty()) {  // half of the needles are taken from the text
      size_t at = rng() % hay.size();
      needle = hay.substr(at, 1 + rng() % 5);
    }
    std::vector<char> exact(hay.begin(), hay.end());
    const char* base = exact.empty() ? "" : exact.data();
    const char* want = strstr(hay.c_str(), needle.c_str());
    const char* got = vqFindTextIn(base, exact.size(), needle.c_str());
    ASSERT_EQ(want ? want - hay.c_str() : -1, got ? got - base : -1) << "'" << needle << "' in '" << hay << "'";
  }
}

TEST(ListUtil, FindTextInStopsAtTheGivenLength) {
  const char text[] = "abcd.DIR;1";
  EXPECT_EQ(nullptr, vqFindTextIn(text, 7, ".DIR;"));
  EXPECT_EQ(text + 4, vqFindTextIn(text, 9, ".DIR;"));
  EXPECT_EQ(text, vqFindTextIn(text, 0, ""));
  EXPECT_EQ(nullptr, vqFindTextIn(text, 0, "a"));
}

// Size columns as servers write them, and texts that only resemble one.
TEST(ListUtil, SizesWithSeparatorsAndUnits) {
  struct Case {
    const char* text;
    uint64_t mult, want;
    int isSize;
  } cases[] = {
      {"1234", 1, 1234, 1},
      {"9,730", 1, 9730, 1},
      {"1,234,567", 1, 1234567, 1},
      {"1.234.567", 1, 1234567, 1},
      {"6'442'450'944", 1, 6442450944ull, 1},
      {"33.5k", 1, 34304, 1},
      {"1,5G", 1, 1610612736ull, 1},
      {"2M", 1, 2097152, 1},
      {"3MB", 1, 3145728, 1},
      {"512B", 1, 512, 1},
      {"4T", 1, 4398046511104ull, 1},
      {"5368709120", 1, 5368709120ull, 1},
      {"12", 512, 6144, 1},
      {"1,23", 1, 1, 1},  // shaped like a size, but not a group of three: the number ends there
      {"1.2345", 1, 1, 1},
      {"9,730,", 1, 9, 0},  // a trailing separator: no grouped number
      {"99999999999999999999999", 1, ~0ull, 1},
      {"18446744073709551615", 2, ~0ull, 1},
      {"-5", 1, 0, 0},
      {"", 1, 0, 0},
      {"k", 1, 0, 0},
      {"12ab", 1, 12, 0},
      {"staff99", 1, 0, 0},
      {"<DIR>", 1, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.want, vqParseSize(c.text, c.mult)) << "'" << c.text << "' x" << c.mult;
    EXPECT_EQ(c.isSize, vqIsSize(c.text)) << "'" << c.text << "'";
  }
}

// Month names of the four languages, as listings abbreviate and punctuate them.
TEST(ListUtil, MonthNames) {
  struct Case {
    const char* text;
    int month;
  } cases[] = {
      {"Jan", 1},
      {"january", 1},
      {"Januar", 1},
      {"janv.", 1},
      {"tammikuu", 1},
      {"F\xe9vr.", 2},
      {"f\xc3\xa9v", 2},
      {"FEVRIER", 2},
      {"helmi", 2},
      {"M\xe4rz", 3},
      {"M\xc3\x84R", 3},
      {"Mrz", 3},
      {"mars", 3},
      {"maalis", 3},
      {"Apr", 4},
      {"avr.", 4},
      {"Mai", 5},
      {"touko", 5},
      {"Juni", 6},
      {"juin", 6},
      {"kes\xe4", 6},
      {"Juli,", 7},
      {"juil.", 7},
      {"hein\xc3\xa4", 7},
      {"Aug", 8},
      {"ao\xfbt", 8},
      {"elo", 8},
      {"Sept.", 9},
      {"syys", 9},
      {"Okt.", 10},
      {"octobre", 10},
      {"Nov", 11},
      {"marras", 11},
      {"Dez", 12},
      {"d\xe9"
       "c.",
       12},
      {"joulu", 12},
      {"3", 0},
      {"12", 0},
      {"", 0},
      {"ma", 0},
      {"marc", 0},
      {"May2", 0},
      {"..", 0},
      {"jan.jan", 0},
      {"xjan", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.month, vqMonthName(c.text)) << "'" << c.text << "'";
}
