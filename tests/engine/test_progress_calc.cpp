// Figures of the transfer window: percent, rate, remaining time, clock text and path split.
#include <gtest/gtest.h>

#include <string>

#include "vqProgressCalc.h"

TEST(ProgressCalc, PercentRateAndRemaining) {
  struct {
    unsigned long total, current;
    long long start, now;
    int percent;
    unsigned long range, pos, elapsed, rate, remaining;
  } cases[] = {
      // total, current, start, now -> percent, bar range, bar pos, elapsed, rate, remaining
      {1048576, 524288, 100, 100, 50, 1048, 524, 1, 524288, 2},
      {1048576, 524288, 100, 102, 50, 1048, 524, 2, 262144, 3},
      {0, 0, 100, 100, 0, 0, 0, 1, 0, 1},               // empty file: no division by zero
      {999, 999, 100, 101, 0, 0, 0, 1, 999, 1},         // below 1000 bytes the bar has no units
      {1000, 1000, 100, 101, 100, 1, 1, 1, 1000, 1},    // exactly 100 stays 100
      {2000, 4000, 100, 101, 0, 2, 4, 1, 4000, 1},      // 200 wraps to 0; nothing left, not 4 GB
      {10000, 1500, 100, 110, 10, 10, 1, 10, 150, 57},  // percent from whole units; 8500 / 150 + 1
      {4294967295ul, 4294967295ul, 1, 2, 100, 4294967, 4294967, 1, 4294967295ul, 1},
      {5000, 2500, 0, 1700000000, 40, 5, 2, 1, 2500, 2},  // timer not running counts as 1 second
  };
  for (auto& c : cases) {
    vqProgressFigures f;
    _progCalc(c.total, c.current, c.start, c.now, &f);
    std::string in =
        std::to_string(c.total) + "/" + std::to_string(c.current) + " after " + std::to_string(c.now - c.start) + "s";
    EXPECT_EQ(c.percent, f.percent) << in;
    EXPECT_EQ(c.range, f.barRange) << in;
    EXPECT_EQ(c.pos, f.barPos) << in;
    EXPECT_EQ(c.elapsed, f.elapsed) << in;
    EXPECT_EQ(c.rate, f.rate) << in;
    EXPECT_EQ(c.remaining, f.remaining) << in;
  }
}

TEST(ProgressCalc, ClockDropsWholeDays) {
  struct {
    unsigned long seconds;
    const char* want;
  } cases[] = {{0, "00:00:00"}, {59, "00:00:59"}, {3661, "01:01:01"}, {86399, "23:59:59"}, {90061, "01:01:01"}};
  for (auto& c : cases) {
    char out[32];
    _progClock("%02.2d:%02.2d:%02.2d", c.seconds, out, sizeof out);
    EXPECT_STREQ(c.want, out) << c.seconds;
  }
}

TEST(ProgressCalc, SplitPathAtTheLastSeparatorOfAnyKind) {
  struct {
    const char* path;
    int keep;
    const char* dir;
    const char* name;
  } cases[] = {
      {"/pub/dir/file.zip", 0, "/pub/dir", "file.zip"},
      {"/pub/dir/file.zip", 1, "/pub/dir/", "file.zip"},
      {"C:\\down\\file.zip", 1, "C:\\down\\", "file.zip"},
      {"DISK$USER:[SMITH.WWW]INDEX.HTML;3", 0, "DISK$USER:[SMITH.WWW", "INDEX.HTML;3"},
      {"plain.txt", 1, "", "plain.txt"},
      {"", 0, "", ""},
      {"/", 1, "/", ""},
  };
  for (auto& c : cases) {
    char dir[64];
    const char* name = _progSplitPath(c.path, dir, sizeof dir, c.keep);
    EXPECT_STREQ(c.dir, dir) << c.path;
    EXPECT_STREQ(c.name, name) << c.path;
  }
  char small[5];
  EXPECT_STREQ("file", _progSplitPath("/long/directory/file", small, sizeof small, 1));
  EXPECT_STREQ("/lon", small) << "a long directory is cut to the buffer";
  EXPECT_STREQ("", _progSplitPath(nullptr, small, sizeof small, 0));
}
