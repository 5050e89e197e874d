// A fresh folder under the system's temp folder, removed with its contents when the test ends.
#pragma once
#include <windows.h>

#include <string>

class TempDir {
 public:
  explicit TempDir(const char* prefix = "fh_") {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static LONG serial = 0;
    path_ = std::string(base) + prefix + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) +
            "_" + std::to_string(InterlockedIncrement(&serial));
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempDir() { removeTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& path() const { return path_; }

  static void removeTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string full = dir + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          removeTree(full);
        else
          DeleteFileA(full.c_str());
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
  }

 private:
  std::string path_;
};
