// The diagnostic log: one "LOG: " line per message, appended to a text file that is opened and
// closed for every line so the log survives a crash of the host process. One object is shared by
// all threads of a process; a semaphore keeps each line whole.
#pragma once
#include <stdio.h>

#include "vqToolsApi.h"

#if defined(__GNUC__)
#define VQ_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define VQ_PRINTF_FORMAT(fmt, args)
#endif

class VQTOOLS_API vqDebugger {
 public:
  vqDebugger();
  ~vqDebugger();
  vqDebugger(const vqDebugger&) = delete;
  vqDebugger& operator=(const vqDebugger&) = delete;

  // The log file ("fh32.log" in the current directory until set). Longer than 1023 characters: cut.
  void SetLogName(const char* path);
  // fresh == 1 keeps the previous log as the ".old" file ("fh32.log" -> "fh32.old") and starts an
  // empty one; otherwise the log is appended to (and created if missing).
  void DebuggerOn(int fresh);
  void DebuggerOff();
  int IsDebuggerOn();

  // printf-style; a message without a line feed gets one. Messages are cut to fit one line of
  // 2047 characters, which still ends with a line feed. Dropped when the log is busy for 5 s.
  void DEBUGMSG(const char* format, ...) VQ_PRINTF_FORMAT(2, 3);
  // A text from the toolkit's string table, logged as "%s\n".
  void DEBUGMSG(unsigned int stringId);

 private:
  enum { kPathSize = 1024, kLineSize = 2048, kWaitMs = 5000 };
  void writeLine();

  char logPath[kPathSize];
  char message[kLineSize];
  char line[kLineSize];
  volatile long on;
  void* semaphore;  // HANDLE
  FILE* file;
};
