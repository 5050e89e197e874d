#include "vqListFormatUtil.h"

#include <ctype.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

size_t vqCopyText(char* dst, size_t dstSize, const char* src, size_t maxChars) {
  if (!dst || dstSize == 0) return 0;
  size_t n = 0;
  if (src) {
    size_t limit = maxChars < dstSize - 1 ? maxChars : dstSize - 1;
    while (n < limit && src[n]) ++n;
    memmove(dst, src, n);
  }
  dst[n] = 0;
  return n;
}

void vqClearBytes(void* p, size_t n) {
  char* c = static_cast<char*>(p);
  size_t k = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; k + 16 <= n; k += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(c + k), zero);
#endif
  for (; k < n; ++k) c[k] = 0;
}

void vqCopyBytes(void* dst, const void* src, size_t n) {
  char* d = static_cast<char*>(dst);
  const char* s = static_cast<const char*>(src);
  size_t k = 0;
#if defined(__SSE2__)
  for (; k + 16 <= n; k += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + k), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)));
#endif
  for (; k < n; ++k) d[k] = s[k];
}

void vqAppendText(char* dst, size_t dstSize, const char* src) {
  size_t have = strnlen(dst, dstSize);
  if (have >= dstSize) return;
  vqCopyText(dst + have, dstSize - have, src, dstSize);
}

const char* vqFindText(const char* hay, const char* needle) {
  const char first = needle[0];
  if (!first) return hay;
  for (; *hay; ++hay) {
    if (*hay != first) continue;
    const char* a = hay + 1;
    const char* b = needle + 1;
    while (*b && *a == *b) ++a, ++b;
    if (!*b) return hay;
  }
  return nullptr;
}

const char* vqFindTextIn(const char* hay, size_t hayLen, const char* needle) {
  const size_t needleLen = vqTextLength(needle);
  if (needleLen == 0) return hay;
  if (needleLen > hayLen) return nullptr;
  if (needleLen == 1) {
    const void* at = memchr(hay, needle[0], hayLen);
    return static_cast<const char*>(at);
  }
  const uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
  const unsigned char a = static_cast<unsigned char>(needle[0]), b = static_cast<unsigned char>(needle[1]);
  const uint64_t first = ones * a, second = ones * b;
  const size_t last = hayLen - needleLen;  // last place the needle can start
  size_t k = 0;
  for (;;) {
    // Skip blocks of eight places where the needle's first two characters do not start.
    while (k + 9 <= hayLen) {
      uint64_t x, y;
      memcpy(&x, hay + k, 8);
      memcpy(&y, hay + k + 1, 8);
      uint64_t z = (x ^ first) | (y ^ second);
      if ((z - ones) & ~z & highs) break;
      k += 8;
    }
    while (k <= last && !(static_cast<unsigned char>(hay[k]) == a && static_cast<unsigned char>(hay[k + 1]) == b)) ++k;
    if (k > last) return nullptr;
    size_t m = 2;
    while (m < needleLen && hay[k + m] == needle[m]) ++m;
    if (m == needleLen) return hay + k;
    ++k;
  }
}

int vqHasLineBreak(const char* s) {
  for (; *s; ++s)
    if (*s == '\r' || *s == '\n') return 1;
  return 0;
}

size_t vqTextLength(const char* s) {
  const char* p = s;
  while (*p) ++p;
  return static_cast<size_t>(p - s);
}

static long long leadNumber(const char* s) {
  if (!s) return 0;
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
  int negative = 0;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  long long v = 0;
  const long long cap = 100000000000LL;  // far above any 32-bit value; keeps the sum from overflowing
  while (*s >= '0' && *s <= '9') {
    if (v < cap) v = v * 10 + (*s - '0');
    ++s;
  }
  return negative ? -v : v;
}

int vqLeadInt(const char* s) {
  long long v = leadNumber(s);
  if (v > 1000000000LL) v = 1000000000LL;
  if (v < -1000000000LL) v = -1000000000LL;
  return static_cast<int>(v);
}

uint32_t vqLeadSize(const char* s, uint32_t mult) {
  long long v = leadNumber(s);
  if (v <= 0) return 0;
  if (v > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
  unsigned long long total = static_cast<unsigned long long>(v) * mult;
  return total > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
}

uint64_t vqParseSize(const char* s, uint64_t mult) {
  if (!s) return 0;
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == '+') ++s;
  const uint64_t cap = 0xFFFFFFFFFFFFFFFFull;
  const uint64_t limit = 100000000000000000ull;  // digits beyond this only saturate
  uint64_t whole = 0;
  const char* p = s;
  while (*p >= '0' && *p <= '9') {
    whole = whole < limit ? whole * 10 + static_cast<uint64_t>(*p - '0') : cap;
    ++p;
  }
  if (p == s) return 0;
  if (*p == 0 || *p == ' ') return whole == ~0ull || mult <= 1 ? whole : (whole > ~0ull / mult ? ~0ull : whole * mult);
  // Thousands separators: each followed by exactly three digits, and nothing but a unit after.
  char sep = *p;
  if ((sep == ',' || sep == '.' || sep == '\'') && p[1] >= '0' && p[1] <= '9') {
    const char* q = p;
    uint64_t grouped = whole;
    while (*q == sep && q[1] >= '0' && q[1] <= '9' && q[2] >= '0' && q[2] <= '9' && q[3] >= '0' && q[3] <= '9' &&
           !(q[4] >= '0' && q[4] <= '9')) {
      grouped = grouped < limit
                    ? grouped * 1000 + static_cast<uint64_t>((q[1] - '0') * 100 + (q[2] - '0') * 10 + (q[3] - '0'))
                    : cap;
      q += 4;
    }
    const char u = static_cast<char>(*q | 0x20);
    const bool unitAfter = u == 'k' || u == 'm' || u == 'g' || u == 't';
    if (q != p && !unitAfter && !(*q >= '0' && *q <= '9') && *q != sep) {
      whole = grouped;
      p = q;
    }
  }
  // A decimal fraction counts only before a unit ('33.5k', '1,5G').
  uint64_t fraction = 0, scale = 1;
  const char* q = p;
  if ((*q == '.' || *q == ',') && q[1] >= '0' && q[1] <= '9') {
    ++q;
    while (*q >= '0' && *q <= '9') {
      if (scale < 1000000) fraction = fraction * 10 + static_cast<uint64_t>(*q - '0'), scale *= 10;
      ++q;
    }
  }
  uint64_t unit = 1;
  switch (*q | 0x20) {
    case 'k':
      unit = 1ull << 10;
      break;
    case 'm':
      unit = 1ull << 20;
      break;
    case 'g':
      unit = 1ull << 30;
      break;
    case 't':
      unit = 1ull << 40;
      break;
    default:
      break;
  }
  if (unit == 1) fraction = 0;
  auto times = [](uint64_t a, uint64_t b) { return a != 0 && b > ~0ull / a ? ~0ull : a * b; };
  uint64_t bytes = times(whole, unit);
  if (fraction) {
    uint64_t part = times(fraction, unit) / scale;
    bytes = bytes > cap - part ? cap : bytes + part;
  }
  return times(bytes, mult == 0 ? 1 : mult);
}

int vqIsSize(const char* s) {
  if (!s || !(*s >= '0' && *s <= '9')) return 0;
  const char* p = s;
  while (*p >= '0' && *p <= '9') ++p;
  if (!*p) return 1;
  // Separators or a fraction, then an optional unit with an optional 'B'.
  while ((*p == ',' || *p == '.' || *p == '\'') && p[1] >= '0' && p[1] <= '9') {
    ++p;
    while (*p >= '0' && *p <= '9') ++p;
  }
  const char u = static_cast<char>(*p | 0x20);
  if (u == 'k' || u == 'm' || u == 'g' || u == 't') {
    ++p;
    if ((*p | 0x20) == 'b') ++p;
  } else if (*p == 'B') {
    ++p;
  }
  return *p == 0;
}

int vqMonthName(const char* s) {
  if (!s) return 0;
  // Letters folded to lower-case ASCII: accented vowels of both code pages become plain ones.
  char w[20];
  size_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    unsigned char c = *p;
    if (c == 0xC3 && p[1]) {  // UTF-8 of the Latin-1 letters
      c = static_cast<unsigned char>(p[1] + 0x40);
      ++p;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE) c = static_cast<unsigned char>(c + 32);
    if (c >= 0xE0 && c <= 0xE6)
      c = 'a';
    else if (c >= 0xE8 && c <= 0xEB)
      c = 'e';
    else if (c >= 0xF9 && c <= 0xFC)
      c = 'u';
    if (c >= 0x80 || n + 1 >= sizeof w) return 0;
    w[n++] = static_cast<char>(c);
  }
  while (n > 0 && (w[n - 1] == '.' || w[n - 1] == ',')) --n;
  w[n] = 0;
  if (n < 3) return 0;
  static const char* const kNames[12] = {
      " jan january januar janv janvier tammi tammikuu ",
      " feb february februar fev fevr fevrier helmi helmikuu ",
      " mar march marz mrz maerz mars maalis maaliskuu ",
      " apr april avr avril huhti huhtikuu ",
      " may mai touko toukokuu ",
      " jun june juni juin kesa kesakuu ",
      " jul july juli juil juillet heina heinakuu ",
      " aug august aout elo elokuu ",
      " sep sept september septembre syys syyskuu ",
      " oct october okt oktober octobre loka lokakuu ",
      " nov november novembre marras marraskuu ",
      " dec december dez dezember decembre joulu joulukuu ",
  };
  char key[24];
  key[0] = ' ';
  memcpy(key + 1, w, n);
  key[n + 1] = ' ';
  key[n + 2] = 0;
  for (int m = 0; m < 12; ++m)
    if (strstr(kNames[m], key)) return m + 1;
  return 0;
}

int vqContainsNoCase(const char* hay, const char* needle) {
  size_t n = strlen(needle);
  for (const char* p = hay; *p; ++p) {
    size_t k = 0;
    while (k < n && p[k] && tolower(static_cast<unsigned char>(p[k])) == tolower(static_cast<unsigned char>(needle[k])))
      ++k;
    if (k == n) return 1;
  }
  return n == 0;
}

int vqEqualNoCase(const char* a, const char* b) {
  while (*a && *b) {
    if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) return 0;
    ++a, ++b;
  }
  return *a == *b;
}

static const char* digits(const char* s) {
  const char* p = s;
  while (*p >= '0' && *p <= '9') ++p;
  return p == s ? nullptr : p;
}

int vqLooksLikeTime(const char* s) {
  const char* p = digits(s);
  if (!p || *p != ':') return 0;
  p = digits(p + 1);
  if (!p) return 0;
  if (*p == ':') {
    p = digits(p + 1);
    if (!p) return 0;
    if (*p == '.') {  // hundredths, as VMS lists them
      p = digits(p + 1);
      if (!p) return 0;
    }
  }
  if (*p == 0) return 1;
  return (toupper(static_cast<unsigned char>(p[0])) == 'A' || toupper(static_cast<unsigned char>(p[0])) == 'P') &&
         toupper(static_cast<unsigned char>(p[1])) == 'M' && p[2] == 0;
}

int vqIsUnixTotal(const char* line) {
  static const char total[] = "total ";
  size_t len = strnlen(line, 6);
  for (size_t k = 0; k < 6; ++k) {
    char c = k < len ? line[k] : ' ';
    if (tolower(static_cast<unsigned char>(c)) != total[k]) return 0;
  }
  return 1;
}

void vqParsedListingName(const char* listing, char* out, size_t outSize) {
  static const char ext[] = ".vqD";
  if (!out || outSize == 0) return;
  size_t len = strlen(listing);
  size_t cut = len;
  for (size_t k = len; k > 0; --k) {
    char c = listing[k - 1];
    if (c == '/' || c == '\\') break;
    if (c == '.') {
      cut = k - 1;
      break;
    }
  }
  if (cut + sizeof ext > outSize) {  // no room for the whole name: leave it empty so creation fails
    out[0] = 0;
    return;
  }
  memcpy(out, listing, cut);
  memcpy(out + cut, ext, sizeof ext);
}

// Days since 1601-01-01 of a proleptic Gregorian date.
static long long daysFrom1601(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long since1970 = era * 146097 + doe - 719468;
  return since1970 + 134774;  // 1601-01-01 lies 134774 days before 1970-01-01
}

static int daysInMonth(int y, int m) {
  static const int dim[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return dim[m - 1];
}

int vqFileTimeFromParts(int year, int month, int day, int hour, int minute, void* ft) {
  FILETIME value = {0, 0};
  memcpy(ft, &value, sizeof value);
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59)
    return 0;
  unsigned long long t = static_cast<unsigned long long>(daysFrom1601(year, month, day)) * 86400ULL +
                         static_cast<unsigned long long>(hour) * 3600ULL +
                         static_cast<unsigned long long>(minute) * 60ULL;
  t *= 10000000ULL;
  value.dwLowDateTime = static_cast<uint32_t>(t & 0xFFFFFFFFull);
  value.dwHighDateTime = static_cast<uint32_t>(t >> 32);
  memcpy(ft, &value, sizeof value);
  return 1;
}

void vqFileTimeToParts(FILETIME ft, int& year, int& month, int& day, int& hour, int& minute) {
  unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  unsigned long long secs = t / 10000000ULL;
  long long days = static_cast<long long>(secs / 86400ULL);
  if (days > 10675199LL) {  // past 30827-12-31
    year = month = day = hour = minute = 0;
    return;
  }
  unsigned long long rest = secs % 86400ULL;
  hour = static_cast<int>(rest / 3600);
  minute = static_cast<int>(rest % 3600 / 60);
  long long z = days - 134774 + 719468;  // shift to days since 0000-03-01
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}
