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
