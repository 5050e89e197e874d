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
  for (const unsigned char* d = reinterpret_cast<const unsigned char*>(delimiters); *d; ++d)
    isDelimiter[*d] = 1;
}

int vqTokens::Parse(const char* line, const char* delims) {
  return Parse(VQTOKENS_MAX_FIELDS, line, delims);
}

int vqTokens::Parse(int maxFields, const char* line, const char* delims) {
  VQ_TRY
    count = 0;
    memset(tokens, 0, used * sizeof(char*));
    used = 0;
    if (!line) return 0;
    if (delims) setDelimiters(delims);
    if (maxFields > VQTOKENS_MAX_FIELDS) maxFields = VQTOKENS_MAX_FIELDS;

    // The line may be one of our own fields; VQSTR_Copy moves overlapping text safely.
    VQSTR_Copy(work, line, VQTOKENS_MAX_LINE + 1);

    int hits = 0, filled = 0;
    char* p = work;
    for (int k = 0; k < maxFields; ++k) {
      tokens[k] = p;
      used = k + 1;
      // The next single-byte character of the set; the second byte of a double-byte character
      // never ends a field.
      char* d = p;
      while (*d) {
        unsigned char c = static_cast<unsigned char>(*d);
        size_t n = c < 0x80 ? 1 : VQSTR_CharLen(d);
        if (n == 1 && isDelimiter[c]) break;
        d += n;
      }
      if (*d) {
        if (d != p) ++filled;
        *d = 0;
        p = d + 1;
        ++hits;
      } else if (*p) {
        ++filled;
        p = d;  // the next slot gets the empty rest
      } else {
        break;
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
