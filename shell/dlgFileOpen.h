// The directory chooser of "Download To...": the shell's folder browser (new style) titled
// "Choose Directory", starting in the given directory.
#pragma once
#include <windows.h>

#include <string>

class dlgFileOpen {
 public:
  // True with out = the chosen directory ending with "\"; false when cancelled or not a
  // file-system folder.
  static bool ChooseDirectory(HWND owner, const char* startDir, std::string& out);
};
