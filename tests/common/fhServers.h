// The local FTP servers that the test fixture (tests/servers/ftp-servers) started for this run.
#pragma once
#include <stdlib.h>

#include <fstream>
#include <map>
#include <string>

namespace fhtest {

// The servers' NAME=value lines ("FTP_A_PORT" ...), or an empty map outside ctest.
inline std::map<std::string, std::string> ftpServers() {
  std::map<std::string, std::string> out;
  const char* env = getenv("FH_FTP_SERVERS");
  if (!env) return out;
  std::string path = env;
  if (!path.empty() && path[0] == '/') {  // a Linux path seen through Wine's Z: drive
    std::string win = "Z:";
    for (char c : path) win += c == '/' ? '\\' : c;
    path = win;
  }
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

}  // namespace fhtest
