// What the progress functions write and the progress windows read. The functions run on the
// worker's thread, the windows on the thread that created the handle, so every field is read and
// written under the lock, and the cancel flags are atomic. Texts are wide: file names from a
// UTF-8 server reach the window whole, whatever the system's code page.
#pragma once
#include <windows.h>

#include <atomic>

enum { VQPROG_TEXT = 520 };
enum vqProgressKind { VQPROG_KIND_XFER, VQPROG_KIND_CNCT, VQPROG_KIND_DEL, VQPROG_KINDS };

struct vqXferState {
  wchar_t source[VQPROG_TEXT];
  wchar_t dest[VQPROG_TEXT];
  wchar_t title[VQPROG_TEXT];
  unsigned long fileTotal, fileCurrent, jobTotal, jobCurrent;
  long long fileStart, jobStart;
  int totalFiles, currentFile;
};

struct vqCnctState {
  wchar_t title[VQPROG_TEXT];
  wchar_t status[VQPROG_TEXT];
  wchar_t lastError[VQPROG_TEXT];
  int attempt, attempts;
};

struct vqDelState {
  wchar_t item[VQPROG_TEXT];
  wchar_t title[VQPROG_TEXT];
  int totalFiles, currentFile;
};

class vqProgressShared {
 public:
  vqProgressShared();
  vqProgressShared(const vqProgressShared&) = delete;
  vqProgressShared& operator=(const vqProgressShared&) = delete;

  // Runs `f` on the state under the lock.
  template <class F>
  void Update(F f) {
    AcquireSRWLockExclusive(&m_lock);
    f(*this);
    ReleaseSRWLockExclusive(&m_lock);
  }
  template <class T>
  T Read(T vqProgressShared::*member) {
    AcquireSRWLockShared(&m_lock);
    T copy = this->*member;
    ReleaseSRWLockShared(&m_lock);
    return copy;
  }

  vqXferState xfer;
  vqCnctState cnct;
  vqDelState del;
  std::atomic<bool> cancel[VQPROG_KINDS];

 private:
  SRWLOCK m_lock;
};
