// What the shell tests need to meet fh32.dll as Explorer does: the module's full path (FH32_DLL, or
// fh32.dll beside the test), regsvr32 run on it in the prefix, and the folder's junction name.
#pragma once
#include <windows.h>

#include <algorithm>
#include <stdlib.h>
#include <string>

namespace fhtest {

const wchar_t kFarhollowJunction[] = L"::{5E0C7A31-0000-0000-0002-000007310412}";

inline std::string fh32Path() {
  const char* env = getenv("FH32_DLL");
  std::string path = env ? env : "fh32.dll";
  std::replace(path.begin(), path.end(), '/', '\\');
  char full[MAX_PATH];
  GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return full;
}

// regsvr32's exit code (0 on success); 0xFFFFFFFF when it could not be started.
inline DWORD regsvr32(bool unregister) {
  std::string cmd = std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" + fh32Path() + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace fhtest
