// Machine-readable listing entries: splitting the facts from the name and reading the facts that
// become a record. Everything here comes from a server and is bounded on every copy.
#ifdef _WIN32
#include <windows.h>
#endif
#include "vqMachineListing.h"

#include <string.h>
#include <time.h>

namespace {

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool factNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

// Case-blind equality of a fact name (not terminated) with a lower-case word.
bool nameIs(const char* name, size_t len, const char* word) {
  size_t n = strlen(word);
  if (n != len) return false;
  for (size_t i = 0; i < n; ++i)
    if (lower(name[i]) != word[i]) return false;
  return true;
}

bool knownFact(const char* name, size_t len) {
  static const char* const known[] = {"type",       "size",       "sizd",       "modify",         "create",
                                      "perm",       "unique",     "lang",       "media-type",     "charset",
                                      "unix.mode",  "unix.owner", "unix.group", "unix.ownername", "unix.groupname",
                                      "unix.uid",   "unix.gid"};
  for (const char* k : known)
    if (nameIs(name, len, k)) return true;
  return false;
}

// One fact of the line: its name and value.
struct Fact {
  const char* name;
  size_t nameLen;
  const char* value;
  size_t valueLen;
};

// Walks the facts; calls each(fact) for every one. Returns the offset of the name (after the one
// blank), or 0 when the line has no fact list of the right shape. A line that starts with the blank
// (a server that sends no facts) has its name at 1.
template <typename F>
size_t walkFacts(const char* line, size_t length, F each) {
  if (length >= 2 && line[0] == ' ') return 1;
  size_t i = 0;
  int facts = 0;
  while (i < length) {
    const size_t nameStart = i;
    while (i < length && factNameChar(line[i])) ++i;
    if (i == nameStart || i >= length || line[i] != '=') return 0;
    const size_t nameLen = i - nameStart;
    ++i;
    const size_t valueStart = i;
    while (i < length && line[i] != ';') {
      if (line[i] == '\r' || line[i] == '\n' || line[i] == 0) return 0;
      ++i;
    }
    if (i >= length) return 0;
    Fact f = {line + nameStart, nameLen, line + valueStart, i - valueStart};
    each(f);
    ++facts;
    ++i;  // past ';'
    if (i < length && line[i] == ' ') return facts > 0 && i + 1 < length ? i + 1 : 0;
  }
  return 0;
}

// Decimal digits as a number; false when empty, not all digits, or past 2^64 - 1.
bool decimal(const char* s, size_t n, uint64_t* out) {
  if (n == 0) return false;
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    const unsigned d = static_cast<unsigned>(s[i] - '0');
    if (v > (UINT64_MAX - d) / 10) return false;
    v = v * 10 + d;
  }
  *out = v;
  return true;
}

void copyBounded(char* dst, size_t dstSize, const char* src, size_t n) {
  if (n > dstSize - 1) n = dstSize - 1;
  memcpy(dst, src, n);
  dst[n] = 0;
  // A NUL inside would end the text early; that is harmless, but tabs and controls are not names.
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(dst[i]) < 0x20) dst[i] = ' ';
}

int daysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return days[month - 1];
}

}  // namespace

int VQLIST_ParseFactTime(const char* text, size_t length, int* year, int* month, int* day, int* hour, int* minute,
                         int* second) {
  if (!text || length < 14) return 0;
  int v[6];
  static const int widths[6] = {4, 2, 2, 2, 2, 2};
  size_t pos = 0;
  for (int k = 0; k < 6; ++k) {
    int n = 0;
    for (int j = 0; j < widths[k]; ++j, ++pos) {
      if (text[pos] < '0' || text[pos] > '9') return 0;
      n = n * 10 + (text[pos] - '0');
    }
    v[k] = n;
  }
  // Fractions of a second may follow; anything else may not.
  if (pos < length) {
    if (text[pos] != '.') return 0;
    for (++pos; pos < length; ++pos)
      if (text[pos] < '0' || text[pos] > '9') return 0;
  }
  if (v[0] < 1601 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > daysIn(v[0], v[1]) || v[3] > 23 || v[4] > 59 ||
      v[5] > 60)
    return 0;
  *year = v[0];
  *month = v[1];
  *day = v[2];
  *hour = v[3];
  *minute = v[4];
  *second = v[5] > 59 ? 59 : v[5];  // a leap second shows as the second before
  return 1;
}

int VQLIST_UtcToLocal(int year, int month, int day, int hour, int minute, int second, int* lyear, int* lmonth,
                      int* lday, int* lhour, int* lminute, int* lsecond) {
#ifdef _WIN32
  SYSTEMTIME utc = {}, local = {};
  utc.wYear = static_cast<WORD>(year);
  utc.wMonth = static_cast<WORD>(month);
  utc.wDay = static_cast<WORD>(day);
  utc.wHour = static_cast<WORD>(hour);
  utc.wMinute = static_cast<WORD>(minute);
  utc.wSecond = static_cast<WORD>(second);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
  *lyear = local.wYear;
  *lmonth = local.wMonth;
  *lday = local.wDay;
  *lhour = local.wHour;
  *lminute = local.wMinute;
  *lsecond = local.wSecond;
  return 1;
#else
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  time_t when = timegm(&t);
  struct tm l;
  if (when == static_cast<time_t>(-1) || !localtime_r(&when, &l)) return 0;
  *lyear = l.tm_year + 1900;
  *lmonth = l.tm_mon + 1;
  *lday = l.tm_mday;
  *lhour = l.tm_hour;
  *lminute = l.tm_min;
  *lsecond = l.tm_sec;
  return 1;
#endif
}

int VQLIST_IsMachineLine(const char* line, size_t length) {
  if (!line || length < 3 || line[0] == ' ') return 0;
  vqMachineFacts f;
  if (!VQLIST_ReadMachineLine(line, length, &f)) return 0;
  int known = 0;
  walkFacts(line, length, [&](const Fact& fact) { known |= knownFact(fact.name, fact.nameLen); });
  return known;
}

int VQLIST_ReadMachineLine(const char* line, size_t length, vqMachineFacts* out) {
  if (!line || !out) return 0;
  memset(out, 0, sizeof *out);
  bool sizeFromFile = false;
  size_t nameAt = walkFacts(line, length, [&](const Fact& f) {
    if (nameIs(f.name, f.nameLen, "type")) {
      const char* v = f.value;
      const size_t n = f.valueLen;
      if (nameIs(v, n, "file"))
        out->type = VQ_MLS_FILE;
      else if (nameIs(v, n, "dir"))
        out->type = VQ_MLS_DIR;
      else if (nameIs(v, n, "cdir"))
        out->type = VQ_MLS_CDIR;
      else if (nameIs(v, n, "pdir"))
        out->type = VQ_MLS_PDIR;
      else if (n >= 13 && (nameIs(v, 13, "os.unix=slink") || (n >= 15 && nameIs(v, 15, "os.unix=symlink")))) {
        // "OS.unix=slink:/target" names the target; "OS.unix=symlink" alone does not.
        out->type = VQ_MLS_LINK;
        const char* colon = static_cast<const char*>(memchr(v, ':', n));
        if (colon && colon + 1 < v + n)
          copyBounded(out->linkTarget, sizeof out->linkTarget, colon + 1, static_cast<size_t>(v + n - colon - 1));
      } else {
        out->type = VQ_MLS_OTHER;
      }
    } else if (nameIs(f.name, f.nameLen, "size")) {
      uint64_t s;
      if (decimal(f.value, f.valueLen, &s)) out->size = s, out->hasSize = 1, sizeFromFile = true;
    } else if (nameIs(f.name, f.nameLen, "sizd")) {
      uint64_t s;
      if (!sizeFromFile && decimal(f.value, f.valueLen, &s)) out->size = s, out->hasSize = 1;
    } else if (nameIs(f.name, f.nameLen, "modify")) {
      out->hasModify = VQLIST_ParseFactTime(f.value, f.valueLen, &out->year, &out->month, &out->day, &out->hour,
                                            &out->minute, &out->second);
    } else if (nameIs(f.name, f.nameLen, "perm")) {
      copyBounded(out->perm, sizeof out->perm, f.value, f.valueLen);
      out->hasPerm = 1;
    } else if (nameIs(f.name, f.nameLen, "unix.mode")) {
      unsigned int m = 0;
      size_t digits = 0;
      for (size_t i = 0; i < f.valueLen; ++i) {
        if (f.value[i] < '0' || f.value[i] > '7' || ++digits > 7) {
          digits = 0;
          break;
        }
        m = m * 8 + static_cast<unsigned>(f.value[i] - '0');
      }
      if (digits > 0) out->mode = m & 07777, out->hasMode = 1;
    } else if (nameIs(f.name, f.nameLen, "unix.owner") || nameIs(f.name, f.nameLen, "unix.ownername")) {
      // A name is better than a number; "unix.owner" of some servers is the number.
      if (!out->owner[0] || nameIs(f.name, f.nameLen, "unix.ownername"))
        copyBounded(out->owner, sizeof out->owner, f.value, f.valueLen);
    } else if (nameIs(f.name, f.nameLen, "unix.group") || nameIs(f.name, f.nameLen, "unix.groupname")) {
      if (!out->group[0] || nameIs(f.name, f.nameLen, "unix.groupname"))
        copyBounded(out->group, sizeof out->group, f.value, f.valueLen);
    }
  });
  if (nameAt == 0) {
    memset(out, 0, sizeof *out);
    return 0;
  }
  out->name = line + nameAt;
  out->nameLength = length - nameAt;
  // The line end may still be there when the caller kept it.
  while (out->nameLength > 0 && (out->name[out->nameLength - 1] == '\r' || out->name[out->nameLength - 1] == '\n'))
    --out->nameLength;
  if (out->nameLength == 0) {
    memset(out, 0, sizeof *out);
    return 0;
  }
  return 1;
}
