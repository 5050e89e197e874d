// Transfer rate of the engine against a local server: one download or upload of a file, timed
// from the connect on (as curl's total time is), printed as "<bytes> <seconds> <seconds of the
// connect and login>" for the script beside it (bench/transfer) to compare with curl.
//
//   bench_transfer get|put <port> <remote path> <local file> [passive|active|window] [tls]
//
// "window" is passive with the transfer window a shell job shows: on a thread of its own, fed by
// the engine's progress callback after every block the way a job's callback feeds it.
// With FH_BENCH_TRACE set, every command, reply and status goes to stderr with the milliseconds
// since the start, which shows where the connect and login spend their time.
// With "tls" the session requires TLS (control and data protected) and trusts the test server's
// self-signed certificate.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqThread.h"

namespace {
int trustTheTestServer(const char*, const char*, unsigned, void*) { return IDYES; }
LARGE_INTEGER frequency, began;
bool tracing = false;
// Progress calls made and the time the engine spent in them.
unsigned long progressCalls = 0;
long long progressTicks = 0;

void trace(const _sock_notification_* note) {
  if (!tracing || note->type == VQNOTIFY_RECEIVE || note->type == VQNOTIFY_SEND || !note->message[0]) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const char* text = note->message;
  fprintf(stderr, "%8.2f ms %d %.*s\n", static_cast<double>(now.QuadPart - began.QuadPart) * 1000 / frequency.QuadPart,
          note->type, static_cast<int>(strcspn(text, "\r\n")), text);
}

class progressThread : public vqThread {
 public:
  std::atomic<void*> handle{nullptr};

 protected:
  bool InitInstance() override {
    handle = VQPROG_Create();
    return handle != nullptr;
  }
  void ExitInstance() override {
    VQPROG_Destroy(handle);
    handle = nullptr;
  }
};

unsigned long callback(_sock_notification_* note, void* progress, void*) {
  trace(note);
  if (!progress) return 0;
  switch (note->type) {
    case VQNOTIFY_RECEIVE:
    case VQNOTIFY_SEND: {
      LARGE_INTEGER a, b;
      QueryPerformanceCounter(&a);
      const int stop = VQPROG_FileSetTotalBytes(progress, note->total) |
                       VQPROG_FileSetCurrentBytes(progress, note->current);
      QueryPerformanceCounter(&b);
      ++progressCalls;
      progressTicks += b.QuadPart - a.QuadPart;
      return static_cast<unsigned long>(stop);
    }
    case VQNOTIFY_COMMAND:
    case VQNOTIFY_LOG:
      return VQPROG_IsCanceled(progress);
    default:
      return 0;
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: bench_transfer get|put <port> <remote path> <local file> [passive|active|window] [tls]\n");
    return 2;
  }
  const bool get = strcmp(argv[1], "get") == 0;
  const char* mode = argc > 5 ? argv[5] : "passive";
  tracing = getenv("FH_BENCH_TRACE") != nullptr;
  progressThread window;
  void* progress = nullptr;
  if (strcmp(mode, "window") == 0) {
    if (!window.Start() || !window.handle) {
      fprintf(stderr, "the transfer window could not be made\n");
      return 1;
    }
    progress = window.handle;
    VQPROG_Open(progress, get ? 3 : 2);
    VQPROG_FileSetSource(progress, get ? argv[3] : argv[4]);
    VQPROG_FileSetDest(progress, get ? argv[4] : argv[3]);
  }
  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL("127.0.0.1");
  e->SetPort(static_cast<unsigned>(atoi(argv[2])));
  e->SetRetryCount(0);
  e->SetFirewallPassive(strcmp(mode, "active") == 0 ? 0 : 1);
  if (tracing || progress) e->SetCallback(callback, progress, nullptr);
  if (argc > 6 && strcmp(argv[6], "tls") == 0) {
    e->SetURL("localhost");
    e->SetTlsMode(VQ_TLS_REQUIRED);
    vqSetMessageAnswer(trustTheTestServer, nullptr);
  }
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  frequency = freq;
  began = t0;
  unsigned long r = e->FTP_Connect();
  LARGE_INTEGER tc;
  QueryPerformanceCounter(&tc);
  if (r) {
    fprintf(stderr, "connect: %s\n", e->FTP_ErrorString(r));
    e->Release();
    return 1;
  }
  if (progress) {
    VQPROG_FileTimerStart(progress);
    VQPROG_JobTimerStart(progress);
  }
  r = get ? e->FTP_GetFile(argv[3], argv[4], 1, 0, 0) : e->FTP_PutFile(argv[3], argv[4], 1);
  QueryPerformanceCounter(&t1);
  if (r) {
    fprintf(stderr, "%s: %s\n", argv[1], e->FTP_ErrorString(r));
    e->Release();
    return 1;
  }
  WIN32_FILE_ATTRIBUTE_DATA info;
  unsigned long long bytes = 0;
  if (GetFileAttributesExA(argv[4], GetFileExInfoStandard, &info))
    bytes = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  printf("%llu %.3f %.3f\n", bytes, static_cast<double>(t1.QuadPart - t0.QuadPart) / freq.QuadPart,
         static_cast<double>(tc.QuadPart - t0.QuadPart) / freq.QuadPart);
  e->FTP_Disconnect();
  e->Release();
  if (progress) {
    fprintf(stderr, "progress: %lu blocks reported in %.2f ms\n", progressCalls,
            static_cast<double>(progressTicks) * 1000 / freq.QuadPart);
    VQPROG_Close(progress);
    window.Stop(5000);
  }
  return 0;
}
