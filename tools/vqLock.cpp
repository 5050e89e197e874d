#include "vqLock.h"

#include <windows.h>

#include "vqCatch.h"

namespace {
// A pending abort is noticed within this time, however long the caller is prepared to wait.
const DWORD kAbortCheckMs = 100;
}  // namespace

vqLock::vqLock() : abortFlag(0), semaphore(CreateSemaphoreA(nullptr, 1, 1, nullptr)), held(0) {}

vqLock::~vqLock() {
  if (semaphore) CloseHandle(semaphore);
}

int vqLock::LockAcquire(unsigned long timeoutMs) {
  if (!semaphore) return 0;
  const DWORD start = GetTickCount();
  auto expired = [&] { return GetTickCount() - start >= timeoutMs; };
  bool quit = false;
  WPARAM quitCode = 0;
  int result = 0;

  while (!abortFlag && !expired()) {
    DWORD left = timeoutMs - (GetTickCount() - start);
    DWORD r = MsgWaitForMultipleObjectsEx(1, &semaphore, left < kAbortCheckMs ? left : kAbortCheckMs, QS_ALLINPUT,
                                          MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0) {
      result = 1;
      break;
    }
    if (r == WAIT_TIMEOUT) continue;
    if (r != WAIT_OBJECT_0 + 1) break;  // the wait itself failed: not obtained

    // Keep this thread's windows alive; take the lock as soon as it is free.
    MSG msg;
    bool got = false;
    while (!got && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Belongs to the thread's own message loop: handed back after the wait.
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      got = WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0;
    }
    if (got) {
      if (expired()) {
        ReleaseSemaphore(semaphore, 1, nullptr);
      } else {
        result = 1;
      }
      break;
    }
  }

  if (result) held = 1;
  if (quit) PostQuitMessage((int)quitCode);
  return result;
}

void vqLock::LockRelease() {
  if (held) {
    held = 0;
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
