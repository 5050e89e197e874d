// Shared helpers of the listing-parser tests: run a listing text through a parser and read the
// records back the way the shell does.
#pragma once
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "vqDirParser.h"

namespace dirtest {

// Paths of the repository as the test program sees them (Wine reaches the host's / as Z:).
inline std::string sourcePath(const std::string& rel) {
  std::string root = FH_SOURCE_DIR;
#ifdef _WIN32
  if (!root.empty() && root[0] == '/') root = "Z:" + root;
#endif
  return root + "/" + rel;
}

// One folder per test program, removed with everything in it when the program ends.
inline std::string tempDir() {
  static struct Folder {
    std::string path;
    ~Folder() {
      std::error_code ignored;
      if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
  } dir;
  if (dir.path.empty()) {
    std::filesystem::path p =
        std::filesystem::temp_directory_path() /
        ("fh-dirparser-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(p);
    dir.path = p.string();
  }
  return dir.path;
}

inline std::string writeFile(const std::string& name, const std::string& bytes) {
  std::string path = tempDir() + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

inline std::string readFile(const std::string& path) {
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  fclose(f);
  return out;
}

struct ParseRun {
  unsigned long result = 0;
  unsigned long count = 0;
  std::string firstLine;
  std::string outfile;
  std::vector<_FTPITEMID> items;
};

// Parses and enumerates; today is fixed unless year is 0.
inline ParseRun parseWith(vqDirParser& parser, const std::string& listingPath) {
  ParseRun run;
  run.result = parser.DIR_PARSE(listingPath.c_str(), run.count);
  run.firstLine = parser.GetFirstLine();
  run.outfile = parser.GetOutfileName();
  if (parser.DirEnumOpen(run.outfile.c_str())) {
    _FTPITEMID item;
    memset(&item, 0, sizeof item);
    item.cb = VQ_ITEMID_SIZE;
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
      run.items.push_back(item);
      memset(&item, 0, sizeof item);
      item.cb = VQ_ITEMID_SIZE;
    }
    parser.DirEnumClose();
  }
  return run;
}

inline ParseRun parseText(_VQ_HOSTTYPE host, const std::string& text, int ignoreDots = 1, int year = 2026,
                          int month = 6, int day = 15) {
  static int serial = 0;
  std::string path = writeFile("listing" + std::to_string(++serial) + ".vqLS", text);
  vqDirParser parser(host);
  parser.SetIgnoreDotDirs(ignoreDots);
  if (year) parser.SetToday(year, month, day);
  return parseWith(parser, path);
}

inline bool modifiedIsZero(const _FTPITEMID& item) {
  return item.modified.dwLowDateTime == 0 && item.modified.dwHighDateTime == 0;
}

inline std::string flagsText(const _FTPITEMID& item) {
  std::string s;
  for (unsigned char f : item.permFlags) s += f ? '1' : '0';
  return s;
}

inline std::string dateOf(const _FTPITEMID& item) { return modifiedIsZero(item) ? "-" : item.sortDate; }

}  // namespace dirtest
