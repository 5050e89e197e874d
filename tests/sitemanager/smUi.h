// Driving the site manager's windows in tests: message boxes answered and recorded, property
// sheet pages found, the whole product key read back for before/after comparisons.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "site_fixture.h"
#include "uiDriver.h"
#include "vqMsg.h"
#include "fhServers.h"

namespace smtest {

// Records every box and answers from a queue (then `fallback`).
class Boxes {
 public:
  Boxes() { old_ = vqSetMessageAnswer(&Boxes::answer, this); }
  ~Boxes() { vqSetMessageAnswer(old_, nullptr); }
  void Answer(int button) {
    std::lock_guard<std::mutex> l(lock_);
    queue_.push_back(button);
  }
  int fallback = IDNO;
  size_t Count() {
    std::lock_guard<std::mutex> l(lock_);
    return texts_.size();
  }
  std::string Text(size_t i) {
    std::lock_guard<std::mutex> l(lock_);
    return i < texts_.size() ? texts_[i] : "<none>";
  }
  std::vector<std::string> All() {
    std::lock_guard<std::mutex> l(lock_);
    return texts_;
  }
  // Waits until more than `seen` boxes were shown; returns the newest text.
  std::string WaitAfter(size_t seen, DWORD ms = 5000) {
    for (DWORD w = 0; w < ms && Count() <= seen; w += 10) Sleep(10);
    return Count() > seen ? Text(Count() - 1) : "<none>";
  }

 private:
  static int answer(const char* text, const char*, unsigned, void* self) {
    auto* b = static_cast<Boxes*>(self);
    std::lock_guard<std::mutex> l(b->lock_);
    b->texts_.push_back(text);
    if (b->queue_.empty()) return b->fallback;
    int r = b->queue_.front();
    b->queue_.erase(b->queue_.begin());
    return r;
  }
  std::mutex lock_;
  std::vector<std::string> texts_;
  std::vector<int> queue_;
  VQ_MSG_ANSWER old_;
};

inline HWND CurrentPage(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
// The current page once it is not `notThis`.
inline HWND WaitPage(HWND sheet, HWND notThis = nullptr, DWORD ms = 5000) {
  for (DWORD w = 0; w < ms; w += 20) {
    HWND p = CurrentPage(sheet);
    if (p && p != notThis) return p;
    Sleep(20);
  }
  return CurrentPage(sheet);
}
inline void Press(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, button, 0); }
// Shows page `index` (the current page validates first and may refuse).
inline HWND Select(HWND sheet, int index) {
  HWND before = CurrentPage(sheet);
  PostMessageA(sheet, PSM_SETCURSEL, index, 0);
  return WaitPage(sheet, before, 1000);
}
// Sets an edit control's text as typing does (EN_CHANGE reaches the page).
inline void Type(HWND page, int id, const char* text) { SetDlgItemTextA(page, id, text); }
inline void Post(HWND page, int id) { PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
inline int ComboIndex(HWND page, int id) { return static_cast<int>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0)); }
inline bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000) {
  for (DWORD w = 0; w < ms; w += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

// Every key and value below `path` as "sub\key|value" -> data.
inline void Dump(HKEY root, const std::string& path, const std::string& prefix,
                 std::map<std::string, std::string>& out) {
  for (auto& v : sitetest::values(root, path)) out[prefix + "|" + v.first] = v.second;
  for (auto& k : sitetest::subkeys(root, path)) {
    out[prefix + "\\" + k] = "<key>";
    Dump(root, path + "\\" + k, prefix + "\\" + k, out);
  }
}
inline std::map<std::string, std::string> Snapshot() {
  std::map<std::string, std::string> out;
  Dump(HKEY_CURRENT_USER, sitetest::kProduct, "", out);
  return out;
}

// The local FTP servers of the test fixture ("FTP_A_PORT" ...), or empty.
inline std::map<std::string, std::string> Servers() { return fhtest::ftpServers(); }

}  // namespace smtest
