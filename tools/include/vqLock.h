// Mutual exclusion for the extension's managers. Unlike a plain mutex, a waiting thread keeps
// dispatching its window messages (it may own windows inside Explorer), the wait has a time-out,
// and another thread can abort a pending wait. Not re-entrant: a second acquire by the holder waits
// like any other. Message handlers that run during a wait must not wait for the same lock.
#pragma once
#include "vqToolsApi.h"

class VQTOOLS_API vqLock {
 public:
  vqLock();
  ~vqLock();
  vqLock(const vqLock&) = delete;
  vqLock& operator=(const vqLock&) = delete;

  // 1 when obtained within timeoutMs (0 never waits and fails), else 0 (time-out or abort).
  int LockAcquire(unsigned long timeoutMs);
  // 1 when obtained at once, else 0; never waits and never dispatches a message (callers that must
  // not see their window go meanwhile).
  int LockTry();
  // Releases the lock if this object holds it; clears the abort flag either way.
  void LockRelease();
  // Makes a pending and every later LockAcquire fail, until LockRelease.
  void LockAbort();
  int IsLocked();
  // 1 when the calling thread holds it: a message handler run during the holder's own wait must not
  // wait for it (it would wait on itself).
  int IsHeldByThisThread();

 private:
  volatile long abortFlag;
  void* semaphore;  // HANDLE
  volatile long held;
  volatile unsigned long owner;  // thread id of the holder, 0 when free
};
