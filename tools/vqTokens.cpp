#include "vqTokens.h"

#include <string.h>

#include "vqCatch.h"
#include "vqString.h"

vqTokens::vqTokens(const char* delims)
    : tokens(new char*[VQTOKENS_MAX_FIELDS + 1]()),
      count(0),
      delimiters(new char[VQTOKENS_MAX_LINE + 1]()),
      work(new char[VQTOKENS_MAX_LINE + 1]()),
      used(0) {
  if (delims) VQSTR_Copy(delimiters, delims, VQTOKENS_MAX_LINE + 1);
}

vqTokens::~vqTokens() {
  delete[] tokens;
  delete[] delimiters;
  delete[] work;
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
    if (delims) VQSTR_Copy(delimiters, delims, VQTOKENS_MAX_LINE + 1);
    if (maxFields > VQTOKENS_MAX_FIELDS) maxFields = VQTOKENS_MAX_FIELDS;

    // The line may be one of our own fields; VQSTR_Copy moves overlapping text safely.
    VQSTR_Copy(work, line, VQTOKENS_MAX_LINE + 1);

    int hits = 0, filled = 0;
    char* p = work;
    for (int k = 0; k < maxFields; ++k) {
      tokens[k] = p;
      used = k + 1;
      char* d = const_cast<char*>(VQSTR_FindAny(p, delimiters));
      if (d) {
        if (d != p) ++filled;
        *d = 0;
        p = d + 1;
        ++hits;
      } else if (*p) {
        ++filled;
        p += strlen(p);  // the next slot gets the empty rest
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
