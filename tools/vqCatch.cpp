#include "vqCatch.h"

#include <atomic>
#include <stdio.h>

#ifdef _WIN32
#include "vqMsg.h"
#endif

namespace {
std::atomic<VQ_CATCH_REPORTER> g_reporter{nullptr};

void defaultReport(const char* text) {
#ifdef _WIN32
  VQ_MSG(text, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
#else
  fputs(text, stderr);
#endif
}
}  // namespace

VQ_CATCH_REPORTER vqSetCatchReporter(VQ_CATCH_REPORTER reporter) { return g_reporter.exchange(reporter); }

void vqCatchReport(const char* source, int line) {
  char text[512];
  snprintf(text, sizeof text, "Caught Exception in File %s, Line %d\n\n", source ? source : "?", line);
  VQ_CATCH_REPORTER r = g_reporter.load();
  (r ? r : defaultReport)(text);
}
