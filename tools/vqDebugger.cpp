#include "vqDebugger.h"

#include <windows.h>

#include <stdarg.h>
#include <string.h>

#include "vqCatch.h"
#include "vqMsg.h"
#include "vqString.h"

namespace {
const char kPrefix[] = "LOG: ";

// Holds the log's semaphore for a scope, if it can be had in time.
class Turn {
 public:
  Turn(void* semaphore, DWORD waitMs)
      : semaphore_(semaphore), held_(WaitForSingleObject(semaphore, waitMs) == WAIT_OBJECT_0) {}
  ~Turn() {
    if (held_) ReleaseSemaphore(semaphore_, 1, nullptr);
  }
  bool held() const { return held_; }

 private:
  void* semaphore_;
  bool held_;
};
}  // namespace

vqDebugger::vqDebugger() : on(0), semaphore(nullptr), file(nullptr) {
  message[0] = line[0] = 0;
  strcpy(logPath, "fh32.log");
  VQ_TRY
    semaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  VQ_CATCH_VOID("vqDebugger")
}

vqDebugger::~vqDebugger() {
  if (semaphore) CloseHandle(semaphore);
}

void vqDebugger::SetLogName(const char* path) {
  if (!path) return;
  Turn turn(semaphore, kWaitMs);
  VQSTR_Copy(logPath, path, sizeof logPath);
}

void vqDebugger::DebuggerOn(int fresh) {
  Turn turn(semaphore, kWaitMs);
  VQ_TRY
    if (fresh == 1) {
      // The ".old" name replaces the file name's extension; a '.' in a folder name does not count.
      char oldPath[kPathSize + 8];
      VQSTR_Copy(oldPath, logPath, sizeof oldPath);
      char* dot = nullptr;
      for (char* p = oldPath; *p; p += VQSTR_CharLen(p)) {
        if (VQSTR_CharLen(p) != 1) continue;
        if (*p == '.') dot = p;
        if (*p == '\\' || *p == '/' || *p == ':') dot = nullptr;
      }
      strcpy(dot ? dot : oldPath + strlen(oldPath), ".old");
      DeleteFileA(oldPath);
      MoveFileA(logPath, oldPath);
      HANDLE h = CreateFileA(logPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    } else if (FILE* f = fopen(logPath, "at")) {
      fclose(f);
    }
    on = 1;
  VQ_CATCH_VOID("vqDebugger")
}

void vqDebugger::DebuggerOff() { on = 0; }

int vqDebugger::IsDebuggerOn() { return on ? 1 : 0; }

void vqDebugger::DEBUGMSG(const char* format, ...) {
  if (!semaphore) return;
  Turn turn(semaphore, kWaitMs);
  if (!turn.held()) return;
  VQ_TRY
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format ? format : "", args);
    va_end(args);
    message[sizeof message - 1] = 0;
    writeLine();
  VQ_CATCH_VOID("vqDebugger")
  if (file) {
    fclose(file);
    file = nullptr;
  }
}

void vqDebugger::DEBUGMSG(unsigned int stringId) {
  char text[kLineSize];
  text[0] = 0;
  VQ_TRY
    lstrcpynA(text, VQ_TEXT(vqToolsModule(), stringId), sizeof text);
  VQ_CATCH_VOID("vqDebugger")
  DEBUGMSG("%s\n", text);
}

// Under the semaphore: the message becomes one entry that ends with a line feed, within the line
// buffer, and is appended to the log when logging is on.
void vqDebugger::writeLine() {
  // Message bytes that fit beside the prefix, a line feed and the NUL.
  const size_t room = sizeof line - sizeof kPrefix;
  strcpy(line, kPrefix);
  VQSTR_Copy(line + strlen(kPrefix), message, room);
  size_t len = strlen(line);
  if (line[len - 1] != '\n') {
    line[len] = '\n';
    line[len + 1] = 0;
  }
  if (!on) return;
  file = fopen(logPath, "at");
  if (!file) return;
  fputs(line, file);
  fclose(file);
  file = nullptr;
}
