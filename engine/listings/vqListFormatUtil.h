// Small bounded helpers of the listing parser: text copies, numbers that saturate, calendar
// conversion. Platform-neutral; internal to the engine (not exported).
#pragma once
#include <stddef.h>
#include <stdint.h>
#include "vqPortable.h"

// Copies at most maxChars characters of src (and never more than dstSize - 1) and terminates;
// returns the length copied.
size_t vqCopyText(char* dst, size_t dstSize, const char* src, size_t maxChars);
// Appends like vqCopyText at the end of dst's current text.
void vqAppendText(char* dst, size_t dstSize, const char* src);

// memset(p, 0, n) and memcpy for the record-sized blocks of every listing line, sixteen bytes a
// store: the string instructions compilers put in for these start slowly.
void vqClearBytes(void* p, size_t n);
void vqCopyBytes(void* dst, const void* src, size_t n);

// Leading decimal integer as atoi reads it (blanks, sign, digits), clamped to +-1,000,000,000.
int vqLeadInt(const char* s);
// Leading decimal integer times mult, as a 32-bit size: negative gives 0, too large saturates.
uint32_t vqLeadSize(const char* s, uint32_t mult);

// A size column as servers write it, times mult: '1234', '9,730', '1.234.567' (groups of three),
// '33.5k', '2M', '1,5G', '512B' (a unit of 1024 from k on). Anything after the number is ignored, as
// for a leading integer; no digits or a sign gives 0; too large saturates.
uint64_t vqParseSize(const char* s, uint64_t mult);
// The whole text is such a size (digits first, nothing left over).
int vqIsSize(const char* s);
// Month number of a month name in English, German, French or Finnish, abbreviated or whole, in
// Windows-1252 or UTF-8, with a trailing '.' or ',' ('Okt.', 'Juli,', 'févr.', 'tammikuu');
// 0 for anything else, numbers included.
int vqMonthName(const char* s);

// strstr and strpbrk(s, "\r\n") for listing lines. Some C runtimes prepare a search table on every
// call, which costs more than the search itself on lines this short.
const char* vqFindText(const char* hay, const char* needle);
// vqFindText for a text of known length (no NUL inside), eight bytes at a time.
const char* vqFindTextIn(const char* hay, size_t hayLen, const char* needle);
int vqHasLineBreak(const char* s);
// strchr and strrchr for a character other than NUL in the short texts of a listing line, without
// a runtime call.
inline const char* vqFindByte(const char* s, char c) {
  for (; *s; ++s)
    if (*s == c) return s;
  return nullptr;
}
inline const char* vqFindLastByte(const char* s, char c) {
  const char* last = nullptr;
  for (; *s; ++s)
    if (*s == c) last = s;
  return last;
}
// strlen of a text that cannot be longer than a listing line, without a runtime call.
size_t vqTextLength(const char* s);
int vqContainsNoCase(const char* hay, const char* needle);
int vqEqualNoCase(const char* a, const char* b);
// "10:04", "10:04:12", "10:04:12.00", "10:04PM": digits ':' digits, optionally ':' seconds (with
// hundredths) and AM/PM.
int vqLooksLikeTime(const char* s);
// First six characters, padded with blanks, equal "total " without regard to case.
int vqIsUnixTotal(const char* line);

// 'X.ext' -> 'X.vqD' (the extension of the last path component only), or ".vqD" appended.
void vqParsedListingName(const char* listing, char* out, size_t outSize);

// Calendar date and time as a FILETIME (100 ns since 1601-01-01); 0 when not a valid date.
// ft may be a packed (unaligned) field: it is written byte-wise.
int vqFileTimeFromParts(int year, int month, int day, int hour, int minute, void* ft);
// Back to calendar parts; a value past the year 30827 gives zeros.
void vqFileTimeToParts(FILETIME ft, int& year, int& month, int& day, int& hour, int& minute);
