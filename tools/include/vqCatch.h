// The product's catch-all: a fault inside an exported body is reported with the source name and
// line, and the function returns its failure value instead of unwinding into the caller.
//
//   VQ_TRY
//     ... body ...
//   VQ_CATCH("vqString", s)
#pragma once
#include "vqToolsApi.h"

// A reporter receives the formatted text ("Caught Exception in File %s, Line %d\n\n").
// Tests and unattended runs install one so nothing waits for a click; null restores the default
// (VQ_MSG: a top-most message box on Windows, standard error on the host build).
typedef void (*VQ_CATCH_REPORTER)(const char* text);
VQTOOLS_API VQ_CATCH_REPORTER vqSetCatchReporter(VQ_CATCH_REPORTER reporter);
VQTOOLS_API void vqCatchReport(const char* source, int line);

#define VQ_TRY try {
#define VQ_CATCH(source, ...)        \
  }                                  \
  catch (...) {                      \
    vqCatchReport(source, __LINE__); \
    return __VA_ARGS__;              \
  }
#define VQ_CATCH_VOID(source)        \
  }                                  \
  catch (...) {                      \
    vqCatchReport(source, __LINE__); \
  }
