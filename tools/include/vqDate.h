// Reading dates written by people and by servers: month names in English, French, German and
// Finnish (Windows-1252 text), and CParseDate, a free-form parser ('14 Mar 2000 10:04 pm').
//
// Dates without a year, and two-digit years, are placed relative to today's local date, which
// VQDATE_SetToday can pin (tests, replays of saved listings).
#pragma once
#include "vqToolsApi.h"

class vqTokens;

// 1 to 12 for a leading number in that range ('3', '03', '3rd') or a month name; 0 otherwise.
VQTOOLS_API int VQDATE_MonthNum(const char* s);
// 1 when s is a month name (whole, any case); numbers are not months here.
VQTOOLS_API int VQDATE_IsMonth(const char* s);

// Today's local date (month and day from 1), or the pinned one.
VQTOOLS_API void VQDATE_Today(int* year, int* month, int* day);
// Pins "today" for every date rule in the process; a year of 0 returns to the clock.
VQTOOLS_API void VQDATE_SetToday(int year, int month, int day);

class VQTOOLS_API CParseDate {
 public:
  CParseDate();
  ~CParseDate();
  CParseDate(const CParseDate&) = delete;
  CParseDate& operator=(const CParseDate&) = delete;

  // 1 when year, month and day were all found (month is 0 when a word that names no month stood
  // where the month was expected). Text past 63 characters is not read.
  int Parse(const char* text);

  int year, month, day;  // -1: not found
  int hour, minute, second;

 private:
  static int isDOW(const char* token);
  static int isNUM(const char* token);

  char datePart[64];
  char timePart[32];
  char text[64];
  vqTokens* tokens;
};
