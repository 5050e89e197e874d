// What the progress functions write and the progress windows read. The functions run on the
// worker's thread, the windows on the thread that created the handle, so every field is read and
// written under the lock, and the cancel flags are atomic.
#pragma once
#include <windows.h>

#include <atomic>

enum { VQPROG_TEXT = 520 };
enum vqProgressKind { VQPROG_KIND_XFER, VQPROG_KIND_CNCT, VQPROG_KIND_DEL, VQPROG_KINDS };

struct vqXferState {
  char source[VQPROG_TEXT];
  char dest[VQPROG_TEXT];
  char title[VQPROG_TEXT];
  unsigned long fileTotal, fileCurrent, jobTotal, jobCurrent;
  long long fileStart, jobStart;
  int totalFiles, currentFile;
};

struct vqCnctState {
  char title[VQPROG_TEXT];
  char status[VQPROG_TEXT];
  char lastError[VQPROG_TEXT];
  int attempt, attempts;
};

struct vqDelState {
  char item[VQPROG_TEXT];
  char title[VQPROG_TEXT];
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
