#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "vqCatch.h"

namespace {
std::string g_seen;
void record(const char* text) { g_seen += text; }

int faulting(int fail) {
  VQ_TRY
    throw std::runtime_error("boom");
  VQ_CATCH("vqSample", fail)
}
}  // namespace

TEST(CatchAll, ReportsSourceAndLineAndReturnsFailureValue) {
  g_seen.clear();
  VQ_CATCH_REPORTER old = vqSetCatchReporter(record);
  EXPECT_EQ(-7, faulting(-7));
  vqSetCatchReporter(old);
  EXPECT_EQ(0u, g_seen.find("Caught Exception in File vqSample, Line "));
  EXPECT_EQ("\n\n", g_seen.substr(g_seen.size() - 2));
}
