// The few Windows types the platform-neutral modules need, without windows.h.
// Layouts and include guards match the Windows headers, so either may come first.
#pragma once
#include <stdint.h>

#ifdef _WIN32
typedef unsigned long  VQ_DWORD;
typedef unsigned short VQ_WORD;
#else
typedef uint32_t VQ_DWORD;
typedef uint16_t VQ_WORD;
#endif

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

static_assert(sizeof(FILETIME) == 8, "FILETIME is two 32-bit halves");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");
