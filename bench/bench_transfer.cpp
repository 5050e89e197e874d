// Transfer rate of the engine against a local server: one download or upload of a file, timed
// from the connect on (as curl's total time is), printed as "<bytes> <seconds> <seconds of the
// connect and login>" for the script beside it (bench/transfer) to compare with curl.
//
//   bench_transfer get|put <port> <remote path> <local file> [passive|active] [tls]
//
// With "tls" the session requires TLS (control and data protected) and trusts the test server's
// self-signed certificate.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vqFtpEngine.h"
#include "vqMsg.h"

namespace {
int trustTheTestServer(const char*, const char*, unsigned, void*) { return IDYES; }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: bench_transfer get|put <port> <remote path> <local file> [passive|active] [tls]\n");
    return 2;
  }
  const bool get = strcmp(argv[1], "get") == 0;
  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL("127.0.0.1");
  e->SetPort(static_cast<unsigned>(atoi(argv[2])));
  e->SetRetryCount(0);
  e->SetFirewallPassive(argc > 5 && strcmp(argv[5], "active") == 0 ? 0 : 1);
  if (argc > 6 && strcmp(argv[6], "tls") == 0) {
    e->SetURL("localhost");
    e->SetTlsMode(VQ_TLS_REQUIRED);
    vqSetMessageAnswer(trustTheTestServer, nullptr);
  }
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  unsigned long r = e->FTP_Connect();
  LARGE_INTEGER tc;
  QueryPerformanceCounter(&tc);
  if (r) {
    fprintf(stderr, "connect: %s\n", e->FTP_ErrorString(r));
    e->Release();
    return 1;
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
  return 0;
}
