#include <gtest/gtest.h>

#include <string.h>
#include <time.h>

#include <string>

#include "vqDate.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
// Pins "today" for the length of a test.
struct Today {
  Today(int y, int m, int d) { VQDATE_SetToday(y, m, d); }
  ~Today() { VQDATE_SetToday(0, 0, 0); }
};

struct Ymd {
  int y, m, d;
  bool operator!=(const Ymd& o) const { return y != o.y || m != o.m || d != o.d; }
};

// The local date, read independently of the code under test.
Ymd clockToday() {
#ifdef _WIN32
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay};
#else
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
#endif
}

struct DateCase {
  const char* text;
  int result, year, month, day, hour, minute, second;
};

void checkDates(std::initializer_list<DateCase> cases) {
  CParseDate p;
  for (const DateCase& c : cases) {
    int r = p.Parse(c.text);
    char got[96], want[96];
    snprintf(got, sizeof got, "%d: %d-%d-%d %d:%d:%d", r, p.year, p.month, p.day, p.hour, p.minute, p.second);
    snprintf(want, sizeof want, "%d: %d-%d-%d %d:%d:%d", c.result, c.year, c.month, c.day, c.hour, c.minute, c.second);
    EXPECT_STREQ(want, got) << "'" << c.text << "'";
  }
}
}  // namespace

TEST(Date, MonthNum) {
  struct {
    const char* s;
    int month;
  } cases[] = {
      {"Mar", 3},     {"MARS", 3},    {"M\xE4r", 3},  {"M\xC4R", 3},     {"mrz", 0},         {"12", 12},
      {"13", 0},      {"0", 0},       {"-3", 0},      {"03", 3},         {"3rd", 3},         {" 7", 7},
      {"f\xE9vr", 2}, {"F\xC9V", 2},  {"joulu", 12},  {"", 0},           {"ja", 0},          {"janvier", 0},
      {"Okt", 10},    {"kes\xE4", 6}, {"ao\xFBt", 8}, {"d\xE9\x63", 12}, {"DEZ", 12},        {"maalis", 3},
      {"may", 5},     {"mai", 5},     {"sept", 9},    {"juil", 7},       {"99999999999", 0},
  };
  for (auto& c : cases) EXPECT_EQ(c.month, VQDATE_MonthNum(c.s)) << "'" << c.s << "'";
  EXPECT_EQ(0, VQDATE_MonthNum(nullptr));
}

TEST(Date, IsMonth) {
  struct {
    const char* s;
    int is;
  } cases[] = {{"12", 0}, {"Dez", 1}, {"mars", 1}, {"", 0}, {"tue", 0}, {"helmi", 1}, {"f\xE9v", 1}, {"febr", 0}};
  for (auto& c : cases) EXPECT_EQ(c.is, VQDATE_IsMonth(c.s)) << "'" << c.s << "'";
  EXPECT_EQ(0, VQDATE_IsMonth(nullptr));
}

TEST(Date, ParseFullDates) {
  Today t(2026, 3, 10);
  checkDates({
      {"14 Mar 2000 10:04 pm", 1, 2000, 3, 14, 22, 4, 0},
      {"14 Mar 2000 10:04 PM", 1, 2000, 3, 14, 22, 4, 0},
      {"Tue, 14 Mar 2000", 1, 2000, 3, 14, 0, 0, 0},
      {"Tue, 14 Mar 2000 10:04:59", 1, 2000, 3, 14, 10, 4, 59},
      {"Mar 14, 2000", 1, 2000, 3, 14, 0, 0, 0},
      {"2000-03-14 23:59:01", 1, 2000, 3, 14, 23, 59, 1},
      {"03/14/2000", 1, 2000, 3, 14, 0, 0, 0},
      {"14-mar-2000", 1, 2000, 3, 14, 0, 0, 0},
      {"  14   MAR   2000  ", 1, 2000, 3, 14, 0, 0, 0},
      {"5 d\xE9\x63 2001", 1, 2001, 12, 5, 0, 0, 0},
      {"5 Dez 2001", 1, 2001, 12, 5, 0, 0, 0},
      {"5 joulu 2001", 1, 2001, 12, 5, 0, 0, 0},
      {"Wed 5 kes\xE4 2001 1:02 am", 1, 2001, 6, 5, 1, 2, 0},
  });
}

TEST(Date, TimeOfDay) {
  Today t(2026, 3, 10);
  checkDates({
      {"14 Mar 2000 12:05 pm", 1, 2000, 3, 14, 12, 5, 0},
      {"14 Mar 2000 1:05 pm", 1, 2000, 3, 14, 13, 5, 0},
      {"14 Mar 2000 11:59 am", 1, 2000, 3, 14, 11, 59, 0},
      {"14 Mar 2000 12:05 am", 1, 2000, 3, 14, 0, 5, 0},
      {"14 Mar 2000 00:00", 1, 2000, 3, 14, 0, 0, 0},
      {"14 Mar 2000 9:30", 1, 2000, 3, 14, 9, 30, 0},
      {"14 Mar 2000 10:04pm", 1, 2000, 3, 14, 22, 4, 0},
  });
}

TEST(Date, TwoDigitYearsFollowTheCurrentYear) {
  {
    Today t(2026, 3, 10);
    checkDates({
        {"03/14/00", 1, 2000, 3, 14, 0, 0, 0},
        {"03/14/99", 1, 1999, 3, 14, 0, 0, 0},
        {"03/14/26", 1, 2026, 3, 14, 0, 0, 0},
        {"03/14/27", 1, 1927, 3, 14, 0, 0, 0},
        {"14 mar 30", 1, 1930, 3, 14, 0, 0, 0},
        {"32 mar 14", 1, 1932, 3, 14, 0, 0, 0},  // 32 cannot be a day: it is the year
    });
  }
  {
    Today t(2031, 1, 1);
    checkDates({{"14 mar 30", 1, 2030, 3, 14, 0, 0, 0}, {"03/14/31", 1, 2031, 3, 14, 0, 0, 0}});
  }
}

TEST(Date, DatesWithoutYearAreNeverInTheFuture) {
  Today t(2026, 3, 10);
  checkDates({
      {"Jan 5 9:30", 1, 2026, 1, 5, 9, 30, 0},
      {"Dec 5 9:30", 1, 2025, 12, 5, 9, 30, 0},
      {"Mar 9", 1, 2026, 3, 9, 0, 0, 0},
      {"Mar 10", 1, 2026, 3, 10, 0, 0, 0},
      {"Mar 11", 1, 2025, 3, 11, 0, 0, 0},
      {"Apr 1", 1, 2025, 4, 1, 0, 0, 0},
      {"14 mar", 1, 2025, 3, 14, 0, 0, 0},
  });
}

TEST(Date, MissingParts) {
  Today t(2026, 3, 10);
  checkDates({
      {"", 0, 2026, -1, -1, 0, 0, 0},
      {"10:04", 0, 2026, -1, -1, 10, 4, 0},
      {"hello", 0, 2026, 0, -1, 0, 0, 0},
      {"Tue", 0, 2026, -1, -1, 0, 0, 0},
      {"2000", 0, 2000, -1, -1, 0, 0, 0},
      // A word where the month belongs is month 0, and the date still counts as found.
      {"lun 5 2001", 1, 2001, 0, 5, 0, 0, 0},
  });
  CParseDate p;
  EXPECT_EQ(0, p.Parse(nullptr));
  EXPECT_EQ(-1, p.month);
}

TEST(Date, OverlongTextIsCutNotOverrun) {
  Today t(2026, 3, 10);
  std::string text = "14 Mar 2000" + std::string(80, ' ') + "10:04";
  std::string longTime = "14 Mar 2000 1:2:3" + std::string(60, 'x');
  std::string noSpaces(200, '7');
  checkDates({
      {text.c_str(), 1, 2000, 3, 14, 0, 0, 0},
      {longTime.c_str(), 1, 2000, 3, 14, 1, 2, 3},
  });
  CParseDate p;
  p.Parse(noSpaces.c_str());
  EXPECT_EQ(-1, p.month);
}

TEST(Date, RealClock) {
  VQDATE_SetToday(0, 0, 0);
  Ymd before = clockToday();
  Ymd today;
  VQDATE_Today(&today.y, &today.m, &today.d);
  CParseDate p;
  // A date in the coming month has no year yet, so it belongs to last year; today's is this year's.
  int nextMonth = before.m % 12 + 1;
  char text[32];
  snprintf(text, sizeof text, "%d/1", nextMonth);
  int r1 = p.Parse(text);
  int yearOfNext = p.year;
  snprintf(text, sizeof text, "%d/%d", before.m, before.d);
  int r2 = p.Parse(text);
  int yearOfToday = p.year;
  p.Parse("1/1/70");
  int twoDigit = p.year;
  if (before != clockToday()) GTEST_SKIP() << "the date changed during the test";

  EXPECT_EQ(before.y, today.y);
  EXPECT_EQ(before.m, today.m);
  EXPECT_EQ(before.d, today.d);
  EXPECT_EQ(1, r1);
  EXPECT_EQ(1, r2);
  EXPECT_EQ(before.m == 12 ? before.y : before.y - 1, yearOfNext) << "month " << nextMonth;
  EXPECT_EQ(before.y, yearOfToday);
  EXPECT_EQ(70 > before.y % 100 ? 1970 : 2070, twoDigit);
}
