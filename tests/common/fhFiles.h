// Small file helpers shared by the test programs: whole-file reads and writes in binary, and
// names in the system's temp folder that differ per process.
#pragma once
#include <windows.h>

#include <stdio.h>

#include <fstream>
#include <iterator>
#include <string>

namespace fhtest {

// The whole file, or "" when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "<temp>\<prefix><process id>_<name>".
inline std::string tempPath(const char* prefix, const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  return std::string(dir) + prefix + std::to_string(GetCurrentProcessId()) + "_" + name;
}

// A new folder "<temp>\<prefix><process id>_<tick count>" (left in place).
inline std::string tempDir(const char* prefix = "fh_ftp_") {
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  char name[MAX_PATH];
  snprintf(name, sizeof name, "%s%s%lu_%lu", dir, prefix, GetCurrentProcessId(), GetTickCount());
  CreateDirectoryA(name, nullptr);
  return name;
}

}  // namespace fhtest
