#include "vqTokens.h"

#include <string.h>

#include "vqCatch.h"
#include "vqString.h"

vqTokens::vqTokens(const char* delims)
    : tokens(new char*[VQTOKENS_MAX_FIELDS + 1]()),
      count(0),
      delimiters(new char[VQTOKENS_MAX_LINE + 1]()),
      work(new char[VQTOKENS_MAX_LINE + 1]()),
      used(0),
      isDelimiter(new unsigned char[256]()) {
  if (delims) setDelimiters(delims);
}

vqTokens::~vqTokens() {
  delete[] tokens;
  delete[] delimiters;
  delete[] work;
  delete[] isDelimiter;
}

// Callers pass the same set line after line; the flag table is rebuilt only when it changes.
void vqTokens::setDelimiters(const char* delims) {
  if (strcmp(delimiters, delims) == 0) return;
  VQSTR_Copy(delimiters, delims, VQTOKENS_MAX_LINE + 1);
  memset(isDelimiter, 0, 256);
  for (const unsigned char* d = reinterpret_cast<const unsigned char*>(delimiters); *d; ++d) isDelimiter[*d] = 1;
}

int vqTokens::Parse(const char* line, const char* delims) { return Parse(VQTOKENS_MAX_FIELDS, line, delims); }

int vqTokens::Parse(int maxFields, const char* line, const char* delims) {
  VQ_TRY
    count = 0;
    memset(tokens, 0, used * sizeof(char*));
    used = 0;
    if (!line) return 0;
    if (delims) setDelimiters(delims);
    if (maxFields > VQTOKENS_MAX_FIELDS) maxFields = VQTOKENS_MAX_FIELDS;

    // Copy and split in one pass. The line may be one of our own fields: it then starts at or
    // after the working copy, so a forward copy never overwrites what it has still to read.
    // Only single-byte characters are delimiters; a double-byte character that would not fit
    // whole ends the copy.
    int hits = 0, filled = 0, k = 0;
    char* w = work;
    char* const end = work + VQTOKENS_MAX_LINE;
    char* field = work;
    if (maxFields > 0) {
      tokens[0] = work;
      used = 1;
    }
    const char* s = line;
    while (*s) {
      unsigned char c = static_cast<unsigned char>(*s);
      size_t n = c < 0x80 ? 1 : VQSTR_CharLen(s);
      if (w + n > end) break;
      if (n == 2) {
        w[0] = s[0];
        w[1] = s[1];
        w += 2;
        s += 2;
        continue;
      }
      ++s;
      if (k < maxFields && isDelimiter[c]) {
        if (w != field) ++filled;
        *w++ = 0;
        ++hits;
        field = w;
        if (++k < maxFields) {
          tokens[k] = w;
          used = k + 1;
        }
      } else {
        *w++ = static_cast<char>(c);
      }
    }
    *w = 0;
    // The last slot reached holds the rest; a non-empty rest leaves one more slot with the empty end.
    if (k < maxFields && *field) {
      ++filled;
      if (k + 1 < maxFields) {
        tokens[k + 1] = w;
        used = k + 2;
      }
    }
    count = hits > filled ? hits : filled;
    return count;
  VQ_CATCH("vqTokens", count)
}

const char* vqTokens::operator[](int index) const {
  if (index < 0 || index > VQTOKENS_MAX_FIELDS || !tokens[index]) return "";
  return tokens[index];
}
