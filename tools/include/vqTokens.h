// Splits one line into fields at any of a set of delimiter characters, in a private copy.
//
// Every delimiter character ends a field, so adjacent delimiters leave an empty field between them
// and fields keep their slot numbers. The count is the larger of the number of non-empty fields and
// the number of delimiters found: 'a,,b' at "," has slots 'a', '', 'b' and a count of 2. Callers that
// split on spaces squish runs of spaces first. At most VQTOKENS_MAX_FIELDS fields and the first
// VQTOKENS_MAX_LINE bytes of a line are considered.
#pragma once
#include "vqToolsApi.h"

enum { VQTOKENS_MAX_FIELDS = 1024, VQTOKENS_MAX_LINE = 10240 };

class VQTOOLS_API vqTokens {
 public:
  explicit vqTokens(const char* delimiters = nullptr);
  ~vqTokens();
  vqTokens(const vqTokens&) = delete;
  vqTokens& operator=(const vqTokens&) = delete;

  // A non-null delimiter set replaces the stored one for this and later parses; null keeps it.
  // A null line gives 0 and leaves the previous fields' text in place (their slots are cleared).
  int Parse(const char* line, const char* delimiters);
  int Parse(int maxFields, const char* line, const char* delimiters);

  // The field in slot index; the empty string for a slot no parse filled or an index out of range.
  const char* operator[](int index) const;
  int GetCount() const { return count; }

 private:
  char** tokens;  // VQTOKENS_MAX_FIELDS + 1 slots into work
  int count;
  char* delimiters;            // VQTOKENS_MAX_LINE + 1 bytes
  char* work;                  // VQTOKENS_MAX_LINE + 1 bytes
  int used;                    // slots the last parse filled; the rest are null
  unsigned char* isDelimiter;  // 256 flags for the bytes of the delimiter set

  void setDelimiters(const char* delims);
};
