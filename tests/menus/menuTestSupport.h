// What the menu and drop tests share: every box the commands show answered without a click, the
// fault reports kept, a wait that serves this thread's windows, and the store's existence check.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "vqSiteParams.h"

namespace menutest {

struct Answers {
  std::mutex lock;
  std::vector<std::string> texts;
  int answer = IDYES;  // to every yes/no question
  static int Provide(const char* text, const char*, unsigned flags, void* ctx) {
    auto* self = static_cast<Answers*>(ctx);
    std::lock_guard<std::mutex> hold(self->lock);
    self->texts.push_back(text ? text : "");
    return (flags & MB_YESNO) ? self->answer : IDOK;
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> out;
    out.swap(texts);
    return out;
  }
};

inline std::vector<std::string> g_faults;
inline void recordFault(const char* text) { g_faults.push_back(text ? text : ""); }

inline bool waitFor(const std::function<bool()>& done, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 50) {
    if (done()) return true;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(50);
  }
  return done();
}

// A path of the fixture's (Unix) as this process opens it.
inline std::string winPath(const std::string& unix) {
  std::string out = "Z:";
  for (char c : unix) out += c == '/' ? '\\' : c;
  return out;
}

inline bool exists(const char* sub, const char* name) {
  vqSiteParams p(2);
  return p.SITE_Exists(sub, name) != 0;
}

}  // namespace menutest
