// The one way to wait. Every blocking wait of the toolkit and the engine (a lock, a thread's end,
// a connect, a reply, a data connection, an abort) goes through VQ_Wait, which:
// - keeps the calling thread's windows alive: window messages are dispatched while it waits (dialog
//   keys to their dialog), and a thread timer still runs its procedure;
// - never consumes what belongs to the thread's own message loop: every thread message (a task
//   thread's 600, 601, 602 ...) and WM_QUIT are set aside and posted back, in their order, when the
//   wait ends, so a job or a quit posted during a connect or transfer is not lost;
// - ends on a handle, a socket becoming ready, a time-out, a stop flag set from any thread, or a
//   poll function that asks to stop.
//
// Threads. An engine is used on the thread that created it: its hidden timer window and its timers
// live there, and its waits pump that thread's messages. A task thread therefore creates its
// engines itself, runs a message loop (vqThread::Run) between jobs, and returns to that loop to see
// its thread messages; another thread ends a running operation only through the engine's cancel
// (the callback's answer, or FTP_CANCEL), never by using the engine itself. A message handler that
// runs during a wait must not start a wait for the same lock or engine.
#pragma once
#include <windows.h>

#include "vqToolsApi.h"

enum vqWaitResult {
  VQ_WAIT_READY = 0,    // a handle was signalled (its index in `signalled`) or the socket is ready
  VQ_WAIT_TIMEOUT = 1,  // the time ran out
  VQ_WAIT_STOPPED = 2,  // the stop flag was set, or the poll function asked to stop
  VQ_WAIT_FAILED = 3,   // the wait itself failed (a bad handle or socket)
};

struct vqWaitFor {
  const HANDLE* handles = nullptr;  // any one of them ends the wait; up to MAXIMUM_WAIT_OBJECTS - 1
  DWORD count = 0;
  UINT_PTR socket = ~static_cast<UINT_PTR>(0);  // a Winsock socket, or INVALID_SOCKET for none
  bool socketWrite = false;                     // wait until it may be written rather than read
  DWORD timeoutMs = INFINITE;                   // 0 checks once and returns
  const volatile LONG* stop = nullptr;          // non-zero ends the wait (seen within 50 ms)
  bool (*poll)(void* context) = nullptr;        // called at the start and every pollMs; true stops
  void* pollContext = nullptr;
  DWORD pollMs = 250;
  DWORD* signalled = nullptr;  // receives the index of the signalled handle
};

VQTOOLS_API vqWaitResult VQ_Wait(const vqWaitFor& what);
// One handle (a semaphore or mutex is acquired), with an optional stop flag.
VQTOOLS_API vqWaitResult VQ_WaitHandle(HANDLE handle, DWORD timeoutMs, const volatile LONG* stop = nullptr);
// Lets ms pass while the thread's windows stay alive.
VQTOOLS_API void VQ_WaitIdle(DWORD ms);
