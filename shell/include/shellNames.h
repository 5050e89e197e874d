// Remote names in two encodings. A server's names stay the bytes it sent (the item's name field,
// and every command); what a person sees and every local file name is the wide name read from
// those bytes: as UTF-8 when the site's names are UTF-8, else in the system's code page.
// Platform-neutral: wide text is UTF-16 in std::u16string; the code page conversions are the
// caller's (Windows) part.
#pragma once
#include <stddef.h>

#include <string>

#include "vqNameEncoding.h"

// What a listing's names tell about their encoding, one name at a time.
struct shellUtf8Evidence {
  bool allValid = true;   // every name so far is well-formed UTF-8
  bool multiByte = false; // at least one name holds a character beyond ASCII
  void Add(const char* name);
  // Every name valid and one of them more than ASCII: names that read as UTF-8 by accident in
  // a code page are rare enough to trust this.
  bool LooksUtf8() const { return allValid && multiByte; }
};

// The one decision: are a site's names UTF-8? setting is the site's VQ_NAMES_* value;
// serverSaysUtf8 is the server's own word (its features list); listingLooksUtf8 the evidence of
// the listing at hand (or of the folder it was reached through).
bool shellNamesUtf8(int setting, bool serverSaysUtf8, bool listingLooksUtf8);

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF). multiByte, when
// given, tells whether any character is beyond ASCII.
bool shellIsUtf8(const char* text, bool* multiByte = nullptr);
// UTF-8 to UTF-16; each ill-formed part becomes U+FFFD, so such a name is still shown and marked.
std::u16string shellUtf8ToWide(const char* text);
// UTF-16 to UTF-8; false for an unpaired surrogate (out is then empty).
bool shellWideToUtf8(const std::u16string& text, std::string& out);

// The wide twin of the toolkit's safe local name: the same rules (no separators, wildcards or
// control characters, no trailing dots or blanks, no device names, cut to fit the folder keeping
// a short extension) on UTF-16 units, never splitting a surrogate pair. folderLength counts the
// folder's UTF-16 units with its trailing '\'. False when the folder leaves no room.
bool shellSafeLocalNameW(const std::u16string& name, size_t folderLength, std::u16string& out);
