// String helpers of the toolkit: in-place tidying of caller-owned, NUL-terminated 8-bit strings,
// size formatting for display, and trailing separators. Every VQSTR_* editor returns the pointer it
// was given (null in, null out), so calls nest: VQSTR_Trim(VQSTR_StripCRLF(line)).
//
// Text is in the active ANSI code page. Where a code page has double-byte characters, a lead byte and
// the byte after it are one character: no function here splits such a pair, or mistakes its second
// byte for a '\', ';' or delimiter.
//
// Platform-neutral: no windows.h. The local-file functions (VQAPI_*) are in vqFileApi.h.
#pragma once
#include <stddef.h>

#include "vqToolsApi.h"

// Lead-byte test of the code page in use. The Windows build installs the system's test for the active
// code page when vqTools loads; the host build starts with none. Null means single-byte text.
// Returns the previous test.
typedef int (*VQSTR_LEADBYTE_TEST)(unsigned char c);
VQTOOLS_API VQSTR_LEADBYTE_TEST VQSTR_SetLeadByteTest(VQSTR_LEADBYTE_TEST test);
VQTOOLS_API int VQSTR_IsLeadByte(unsigned char c);

// Length in bytes of the character at s: 2 for a lead byte followed by a byte that is not NUL, else 1
// (0 at the terminating NUL).
VQTOOLS_API size_t VQSTR_CharLen(const char* s);

// Copies src into dst, a buffer of size bytes, and always terminates it. Stops early rather than copy
// a lead byte without its second byte. Null src gives the empty string. Returns dst.
VQTOOLS_API char* VQSTR_Copy(char* dst, const char* src, size_t size);

// First character of s equal to c, or in set; null when there is none (or s is null).
VQTOOLS_API const char* VQSTR_FindChar(const char* s, char c);
VQTOOLS_API const char* VQSTR_FindAny(const char* s, const char* set);

// Collapses each run of spaces (0x20) to one space; leading and trailing runs become one space.
VQTOOLS_API char* VQSTR_Squish(char* s);
// Removes every occurrence of c.
VQTOOLS_API char* VQSTR_StripChar(char* s, char c);
// Removes every carriage return and line feed, wherever they stand.
VQTOOLS_API char* VQSTR_StripCRLF(char* s);
// Remove trailing, leading, or both trailing and leading spaces (0x20 only).
VQTOOLS_API char* VQSTR_TrimRight(char* s);
VQTOOLS_API char* VQSTR_TrimLeft(char* s);
VQTOOLS_API char* VQSTR_Trim(char* s);
// Ends the string at its first ';' ("FILE.TXT;3" becomes "FILE.TXT").
VQTOOLS_API char* VQSTR_StripVersion(char* s);

// Appends c unless the string already ends with c; an empty string becomes "c".
// The buffer MUST have one spare byte after the terminating NUL: strlen(s) + 2 bytes in all.
// Callers pass '/' for remote paths and '\' for local ones.
VQTOOLS_API char* VQSTR_DirSlashAdd(char* s, char c);
// Removes one trailing c, if there is one.
VQTOOLS_API char* VQSTR_DirSlashRemove(char* s, char c);

// Size for display, into out (at least VQSTR_SIZE_BUF bytes): with inK zero, bytes with thousands
// separators below the millions ("4294,967,295"); otherwise kilobytes rounded up by one
// ("1,024,001K" for 1048576000). The digits form reads a leading decimal number; anything that
// is not one gives "0". Both return out.
enum { VQSTR_SIZE_BUF = 32 };
VQTOOLS_API char* VQSTR_FormatSize(unsigned long n, char* out, int inK);
VQTOOLS_API char* VQSTR_FormatSize(const char* digits, char* out, int inK);
