// The few Windows types the platform-neutral modules need; the host build gets them without windows.h.
// Layouts match the Windows headers.
#pragma once
#include <stdint.h>

#ifdef _WIN32
// The Windows build takes the real definitions (minwindef.h defines FILETIME without a guard).
#include <windows.h>
#else

typedef uint32_t VQ_DWORD;
typedef uint16_t VQ_WORD;

#ifndef _FILETIME_
#define _FILETIME_
typedef struct _FILETIME {
  VQ_DWORD dwLowDateTime;
  VQ_DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;
#endif

#ifndef _SYSTEMTIME_
#define _SYSTEMTIME_
typedef struct _SYSTEMTIME {
  VQ_WORD wYear;
  VQ_WORD wMonth;
  VQ_WORD wDayOfWeek;
  VQ_WORD wDay;
  VQ_WORD wHour;
  VQ_WORD wMinute;
  VQ_WORD wSecond;
  VQ_WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;
#endif

#endif  // _WIN32

static_assert(sizeof(FILETIME) == 8, "FILETIME is two 32-bit halves");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");
