// Base64 text as used in the Basic authentication header lines.
#pragma once
#include <stddef.h>
#include <string>

#include "vqEngineApi.h"

class VQENGINE_API vqBase64 {
 public:
  static const char Alphabet[];

  vqBase64();
  ~vqBase64();

  // Standard padded text of the bytes; it belongs to this object and lives until the next Encode.
  // Null data counts as no bytes.
  const char* Encode(const void* data, size_t length);
  const char* Encode(const char* text);

  // Decodes text into buffer (at most size bytes) and returns the number of bytes written. "=" is
  // skipped wherever it stands; an empty text, a null buffer, any other character outside the
  // alphabet or a buffer too small for the result gives 0.
  size_t Decode(const char* text, unsigned char* buffer, size_t size) const;

  // Room that Decode needs for text (never less than it writes).
  static size_t DecodedBound(const char* text);

 private:
  std::string m_text;
};
