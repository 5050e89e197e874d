#include "vqLock.h"

#include <windows.h>

#include "vqCatch.h"
#include "vqWait.h"

vqLock::vqLock() : abortFlag(0), semaphore(CreateSemaphoreA(nullptr, 1, 1, nullptr)), held(0), owner(0) {}

vqLock::~vqLock() {
  if (semaphore) CloseHandle(semaphore);
}

int vqLock::LockAcquire(unsigned long timeoutMs) {
  if (!semaphore || timeoutMs == 0) return 0;
  // Windows of this thread stay alive meanwhile; its own thread messages wait for its loop.
  if (VQ_WaitHandle(semaphore, timeoutMs, &abortFlag) != VQ_WAIT_READY) return 0;
  held = 1;
  owner = GetCurrentThreadId();
  return 1;
}

int vqLock::LockTry() {
  if (!semaphore || abortFlag || WaitForSingleObject(semaphore, 0) != WAIT_OBJECT_0) return 0;
  held = 1;
  owner = GetCurrentThreadId();
  return 1;
}

void vqLock::LockRelease() {
  if (held) {
    held = 0;
    owner = 0;
    ReleaseSemaphore(semaphore, 1, nullptr);
  }
  abortFlag = 0;
}

void vqLock::LockAbort() {
  VQ_TRY
    abortFlag = 1;
  VQ_CATCH_VOID("vqLock")
}

int vqLock::IsLocked() { return held ? 1 : 0; }

int vqLock::IsHeldByThisThread() { return held && owner == GetCurrentThreadId() ? 1 : 0; }
