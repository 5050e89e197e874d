// The toolkit's single wait: one loop that sleeps in the system until a handle, a socket, input
// or the next check is due, pumps window messages and keeps the thread's own messages aside.
#include <winsock2.h>

#include "vqWait.h"

#include "vqMessageHold.h"

namespace {

// A stop flag or a socket is looked at this often; input wakes the wait at once.
const DWORD kSliceMs = 50;
// A socket is watched in select passes this long, with the queue looked at in between.
const DWORD kSocketSliceMs = 20;

enum Step { kIdle, kReady, kInput, kFailed };

// select on the socket for up to ms: kReady, kIdle or kFailed.
Step selectSocket(const vqWaitFor& w, DWORD ms) {
  SOCKET s = static_cast<SOCKET>(w.socket);
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  int r = w.socketWrite ? select(0, nullptr, &set, nullptr, &tv) : select(0, &set, nullptr, nullptr, &tv);
  return r > 0 ? kReady : r == 0 ? kIdle : kFailed;
}

bool inputWaiting() { return (HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0); }

}  // namespace

vqWaitResult VQ_Wait(const vqWaitFor& w) {
  const bool withSocket = w.socket != static_cast<UINT_PTR>(INVALID_SOCKET);
  if (w.count >= MAXIMUM_WAIT_OBJECTS || (w.count && !w.handles)) return VQ_WAIT_FAILED;
  vqMessageHold hold;
  const DWORD start = GetTickCount();
  DWORD lastPoll = start;
  bool polled = false, firstPass = true;
  for (;;) {
    if (w.stop && *w.stop) return VQ_WAIT_STOPPED;
    DWORD now = GetTickCount();
    if (w.poll && (!polled || now - lastPoll >= w.pollMs)) {
      polled = true;
      lastPoll = now;
      if (w.poll(w.pollContext)) return VQ_WAIT_STOPPED;
    }
    const DWORD elapsed = now - start;
    const DWORD left = w.timeoutMs == INFINITE ? INFINITE : elapsed >= w.timeoutMs ? 0 : w.timeoutMs - elapsed;
    DWORD step = left;
    if ((w.stop || withSocket) && step > kSliceMs) step = kSliceMs;
    if (w.poll) {
      DWORD untilPoll = now - lastPoll >= w.pollMs ? 0 : w.pollMs - (now - lastPoll);
      if (step > untilPoll) step = untilPoll;
    }

    Step got = kIdle;
    if (withSocket && !w.count) {
      // The socket is watched for a short pass, which ends at once when it is ready; the windows
      // are served between passes. (Each look at the socket or the queue is a round trip to the
      // system, and most waits end in their first pass: input waits at most one pass.)
      if (!firstPass && inputWaiting()) hold.Pump([&] { return w.stop && *w.stop; });
      firstPass = false;
      got = selectSocket(w, step < kSocketSliceMs ? step : kSocketSliceMs);
      if (got == kIdle && inputWaiting()) got = kInput;
    } else {
      DWORD r = MsgWaitForMultipleObjectsEx(w.count, w.handles, step, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (r < WAIT_OBJECT_0 + w.count || (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + w.count)) {
        if (w.signalled) *w.signalled = r >= WAIT_ABANDONED_0 ? r - WAIT_ABANDONED_0 : r - WAIT_OBJECT_0;
        return VQ_WAIT_READY;
      }
      if (r == WAIT_OBJECT_0 + w.count)
        got = kInput;
      else if (r == WAIT_FAILED)
        got = kFailed;
      if (withSocket && got != kFailed) {
        Step s = selectSocket(w, 0);
        if (s != kIdle) got = s;
      }
    }
    if (got == kReady) return VQ_WAIT_READY;
    if (got == kFailed) return VQ_WAIT_FAILED;
    if (got == kInput) hold.Pump([&] { return w.stop && *w.stop; });
    if (left == 0) return VQ_WAIT_TIMEOUT;
  }
}

vqWaitResult VQ_WaitHandle(HANDLE handle, DWORD timeoutMs, const volatile LONG* stop) {
  vqWaitFor w;
  w.handles = &handle;
  w.count = 1;
  w.timeoutMs = timeoutMs;
  w.stop = stop;
  return VQ_Wait(w);
}

void VQ_WaitIdle(DWORD ms) {
  vqWaitFor w;
  w.timeoutMs = ms;
  VQ_Wait(w);
}
