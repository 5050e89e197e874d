// The About box of a module: product name, description, version line and copyright read from the
// module's own version resource.
#pragma once
#include <windows.h>

#include "vqToolsApi.h"

class VQTOOLS_API vqAbout {
 public:
  static INT_PTR DoAbout(HINSTANCE module, HWND parent = nullptr);
  static INT_PTR DoAbout(const char* modulePath, HWND parent = nullptr);
  // "Version 2.1" / "Version 2.1 Beta 5 (Build 37)" from the version parts; see the .cpp.
  static void FormatVersion(char* out, int size, const unsigned short product[4], unsigned short build, bool beta);
};
