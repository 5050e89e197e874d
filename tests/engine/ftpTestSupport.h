// Shared pieces of the session tests: where the local servers are, a callback that records what
// the engine reports; file helpers and the engine's set-up come from tests/common.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fhEngineSetup.h"
#include "fhFiles.h"
#include "vqFtpEngine.h"
#include "fhServers.h"

namespace fhtest {

// A Linux path as Wine sees it.
inline std::string winPath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string out = "Z:";
  for (char c : unixPath) out += c == '/' ? '\\' : c;
  return out;
}

// The servers started by the test fixture (tests/servers/ftp-servers), or an empty map.
inline std::map<std::string, std::string> servers() { return fhtest::ftpServers(); }

// Byte i of the servers' big.bin.
inline unsigned char bigByte(unsigned long long i) {
  return static_cast<unsigned char>(((i % 65536) * 7 + (i % 65536) / 256) % 256);
}

// Records every notification; can cancel on a condition.
struct recorder {
  std::vector<std::pair<int, std::string>> notes;
  std::vector<unsigned int> progress;  // current of each 1002/1003
  std::function<unsigned long(_sock_notification_*)> decide;

  static unsigned long callback(_sock_notification_* n, void* self, void*) {
    recorder* r = static_cast<recorder*>(self);
    if (n->type != VQNOTIFY_COMMAND) r->notes.emplace_back(n->type, n->message);
    if (n->type == VQNOTIFY_RECEIVE || n->type == VQNOTIFY_SEND) r->progress.push_back(n->current);
    return r->decide ? r->decide(n) : 0;
  }
  void attach(vqFtpEngine& e) { e.SetCallback(callback, this, nullptr); }
  std::string log() const {
    std::string s;
    for (auto& n : notes)
      if (n.first == VQNOTIFY_LOG) s += n.second;
    return s;
  }
  int count(int type) const {
    int c = 0;
    for (auto& n : notes) c += n.first == type;
    return c;
  }
};

// An engine on a local port with its notifications recorded; released at the end.
struct session {
  vqFtpEngine* e;
  recorder rec;
  explicit session(unsigned int port, unsigned int timeoutSeconds = 5) : e(localEngine(port, timeoutSeconds)) {
    rec.attach(*e);
  }
  ~session() { e->Release(); }
};

}  // namespace fhtest
