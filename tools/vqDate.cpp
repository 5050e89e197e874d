#include "vqDate.h"

#include <limits.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "vqCatch.h"
#include "vqString.h"
#include "vqTokens.h"

namespace {
// Windows-1252 text; empty entries match nothing.
const char* const kEnglish[12] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
const char* const kFrench[12] = {"janv", "f\xE9v",  "mars", "avr", "mai", "juin",
                                 "juil", "ao\xFBt", "sept", "oct", "nov", "d\xE9\x63"};
const char* const kFrenchAlt[12] = {"", "f\xE9vr", "", "", "", "", "", "", "", "", "", ""};
const char* const kGerman[12] = {"jan", "feb", "m\xE4r", "apr", "mai", "jun", "jul", "aug", "sep", "okt", "nov", "dez"};
const char* const kFinnish[12] = {"tammi",    "helmi", "maalis", "huhti", "touko",  "kes\xE4",
                                  "hein\xE4", "elo",   "syys",   "loka",  "marras", "joulu"};
const char* const kDays[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

// A date part of at most 63 characters holds at most 64 fields.
const int kDateFields = 64;

// Case folding of Windows-1252 letters (ASCII and the accented capitals).
unsigned char fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (unsigned char)(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (unsigned char)(c + 32);
  return c;
}

bool sameWord(const char* a, const char* b) {
  if (!*b) return false;
  for (; *a && *b; ++a, ++b) {
    if (fold((unsigned char)*a) != fold((unsigned char)*b)) return false;
  }
  return *a == *b;
}

// Index + 1 of s in the month tables, searched English, French (with its alternates), German,
// Finnish; 0 when none holds it.
int monthName(const char* s) {
  for (int m = 0; m < 12; ++m)
    if (sameWord(s, kEnglish[m])) return m + 1;
  for (int m = 0; m < 12; ++m)
    if (sameWord(s, kFrench[m]) || sameWord(s, kFrenchAlt[m])) return m + 1;
  for (int m = 0; m < 12; ++m)
    if (sameWord(s, kGerman[m])) return m + 1;
  for (int m = 0; m < 12; ++m)
    if (sameWord(s, kFinnish[m])) return m + 1;
  return 0;
}

// The runtime's decimal reading, kept within int.
int leadingInt(const char* s) {
  long v = strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return (int)v;
}

std::mutex g_todayLock;
bool g_pinned = false;
int g_today[3];  // year, month, day

void lowerAscii(char* s) {
  for (char* p = s; *p; p += VQSTR_CharLen(p)) {
    if (*p >= 'A' && *p <= 'Z') *p = (char)(*p + 32);
  }
}
}  // namespace

int VQDATE_MonthNum(const char* s) {
  int result = 0;
  VQ_TRY
    if (!s) return 0;
    int n = leadingInt(s);
    if (n >= 1 && n <= 12) return n;
    result = monthName(s);
    return result;
  VQ_CATCH("vqDate", result)
}

int VQDATE_IsMonth(const char* s) {
  VQ_TRY
    return s && monthName(s) ? 1 : 0;
  VQ_CATCH("vqDate", 0)
}

void VQDATE_SetToday(int year, int month, int day) {
  std::lock_guard<std::mutex> hold(g_todayLock);
  g_pinned = year != 0;
  g_today[0] = year;
  g_today[1] = month;
  g_today[2] = day;
}

void VQDATE_Today(int* year, int* month, int* day) {
  int t[3] = {0, 0, 0};
  bool pinned;
  {
    std::lock_guard<std::mutex> hold(g_todayLock);
    pinned = g_pinned;
    if (pinned) memcpy(t, g_today, sizeof t);
  }
  if (!pinned) {
    time_t now = time(nullptr);
    struct tm local;
    memset(&local, 0, sizeof local);
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    t[0] = local.tm_year + 1900;
    t[1] = local.tm_mon + 1;
    t[2] = local.tm_mday;
  }
  if (year) *year = t[0];
  if (month) *month = t[1];
  if (day) *day = t[2];
}

CParseDate::CParseDate()
    : year(-1), month(-1), day(-1), hour(-1), minute(-1), second(-1), tokens(new vqTokens(nullptr)) {
  datePart[0] = timePart[0] = text[0] = 0;
}

CParseDate::~CParseDate() { delete tokens; }

int CParseDate::isDOW(const char* token) {
  for (const char* d : kDays)
    if (sameWord(token, d)) return 1;
  return 0;
}

int CParseDate::isNUM(const char* token) {
  for (; *token; ++token)
    if (*token < '0' || *token > '9') return 0;
  return 1;
}

int CParseDate::Parse(const char* in) {
  VQ_TRY
    datePart[0] = timePart[0] = text[0] = 0;
    year = month = day = hour = minute = second = -1;
    VQSTR_Copy(text, in, sizeof text);
    VQSTR_Copy(datePart, in, sizeof datePart);
    lowerAscii(datePart);

    // The time starts two characters before the first ':' ("10:04", " 9:30").
    if (const char* colon = VQSTR_FindChar(datePart, ':')) {
      const char* starts[2] = {datePart, datePart};
      for (const char* p = datePart; p < colon; p += VQSTR_CharLen(p)) {
        starts[0] = starts[1];
        starts[1] = p;
      }
      size_t from = size_t(starts[0] - datePart);
      VQSTR_Copy(timePart, datePart + from, sizeof timePart);
      datePart[from] = 0;
    }
    VQSTR_Squish(VQSTR_Trim(datePart));
    VQSTR_Squish(VQSTR_Trim(timePart));

    // Every field is visited, also those past the tokenizer's count ("tue, 14 mar 2000" counts 4).
    tokens->Parse(datePart, " /-,");
    for (int k = 0; k < kDateFields; ++k) {
      const char* f = (*tokens)[k];
      if (!*f || isDOW(f)) continue;
      if (!isNUM(f)) {
        if (month == -1) month = VQDATE_MonthNum(f);
        continue;
      }
      int v = leadingInt(f);
      if (v >= 32) {
        if (year == -1) year = v;
      } else if (year == -1) {
        if (day != -1 && month != -1) {
          year = v;
        } else if (day == -1 && month == -1) {
          bool monthFollows = false;
          for (int j = k + 1; j < kDateFields && !monthFollows; ++j) {
            const char* g = (*tokens)[j];
            monthFollows = *g && !isNUM(g) && VQDATE_MonthNum(g) != 0;
          }
          (monthFollows ? day : month) = v;
        } else if (day == -1) {
          day = v;
        } else {
          month = v;
        }
      } else if (month == -1) {
        month = v;
      } else if (day == -1) {
        day = v;
      }
    }

    int thisYear, thisMonth, today;
    VQDATE_Today(&thisYear, &thisMonth, &today);
    if (year != -1 && year < 100) {
      year += year > thisYear % 100 ? 1900 : 2000;
    } else if (year == -1) {
      year = thisYear;
      if (month > thisMonth || (month == thisMonth && day > today)) --year;
    }

    hour = minute = second = 0;
    bool pm = strstr(timePart, "pm") != nullptr;
    bool am = strstr(timePart, "am") != nullptr;
    if (char* cut = strstr(timePart, "am")) *cut = 0;
    if (char* cut = strstr(timePart, "pm")) *cut = 0;
    tokens->Parse(timePart, ":");
    hour += leadingInt((*tokens)[0]);
    minute += leadingInt((*tokens)[1]);
    second += leadingInt((*tokens)[2]);
    if (pm && hour < 12) hour += 12;
    if (am && !pm && hour == 12) hour = 0;

    return year != -1 && month != -1 && day != -1 ? 1 : 0;
  VQ_CATCH("vqDate", 0)
}
