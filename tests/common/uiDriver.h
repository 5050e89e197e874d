// Drives real windows from a second thread, the way a user would: find the window, set controls,
// press buttons by messages. The window's own thread keeps running its message loop meanwhile.
#pragma once
#include <windows.h>

#include <string>
#include <thread>

namespace ui {

struct FindState {
  const char* title;
  HWND found;
};

inline BOOL CALLBACK matchWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<FindState*>(lp);
  char text[512];
  GetWindowTextA(hwnd, text, sizeof text);
  if (IsWindowVisible(hwnd) && (!s->title || std::string(text) == s->title)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of `thread` (with exactly `title` when given), waiting up to `ms`.
inline HWND WaitForWindow(DWORD thread, const char* title = nullptr, DWORD ms = 5000) {
  for (DWORD waited = 0; waited <= ms; waited += 20) {
    FindState s = {title, nullptr};
    EnumThreadWindows(thread, matchWindow, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(20);
  }
  return nullptr;
}

// A visible top-level window of this process titled `title`, waiting up to `ms`. Test programs run side
// by side on one display: a search by title alone can find (and answer) another program's window.
inline HWND WaitForOwnWindow(const char* title, DWORD ms) {
  struct Search {
    const char* title;
    HWND found;
    static BOOL CALLBACK Each(HWND hwnd, LPARAM lp) {
      auto* s = reinterpret_cast<Search*>(lp);
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      char text[512] = "";
      if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
      GetWindowTextA(hwnd, text, sizeof text);
      if (std::string(text) != s->title) return TRUE;
      s->found = hwnd;
      return FALSE;
    }
  };
  for (DWORD waited = 0; waited <= ms; waited += 50) {
    Search s = {title, nullptr};
    EnumWindows(Search::Each, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(50);
  }
  return nullptr;
}

inline std::string Text(HWND hwnd) {
  char text[1024] = "";
  if (hwnd) GetWindowTextA(hwnd, text, sizeof text);
  return text;
}
// This process's visible top-level windows with their titles and child texts, one per line: what a
// test that waited in vain was waiting behind (a question nobody answered, a stuck progress window).
inline std::string OwnWindowsNow() {
  struct Collect {
    std::string out;
    static BOOL CALLBACK Child(HWND hwnd, LPARAM lp) {
      char text[256] = "";
      GetWindowTextA(hwnd, text, sizeof text);
      if (text[0] && IsWindowVisible(hwnd)) reinterpret_cast<Collect*>(lp)->out += std::string(" [") + text + "]";
      return TRUE;
    }
    static BOOL CALLBACK Top(HWND hwnd, LPARAM lp) {
      DWORD pid = 0;
      GetWindowThreadProcessId(hwnd, &pid);
      if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd)) return TRUE;
      auto* c = reinterpret_cast<Collect*>(lp);
      c->out += "\n  window \"" + Text(hwnd) + "\":";
      EnumChildWindows(hwnd, Child, lp);
      return TRUE;
    }
  } c;
  EnumWindows(Collect::Top, reinterpret_cast<LPARAM>(&c));
  return c.out.empty() ? "\n  no window of this process is shown" : c.out;
}

inline std::string ItemText(HWND dlg, int id) { return Text(GetDlgItem(dlg, id)); }
inline void SetItemText(HWND dlg, int id, const char* text) { SetDlgItemTextA(dlg, id, text); }
inline void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
inline bool Checked(HWND dlg, int id) { return SendMessageA(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Runs `modal` on this thread while `drive(window)` runs on a second thread once a window titled
// `title` shows up. A window that never shows up is closed by the driver so the test cannot hang.
template <class Modal, class Drive>
INT_PTR WithDriver(const char* title, Modal modal, Drive drive, bool* found = nullptr) {
  DWORD self = GetCurrentThreadId();
  bool seen = false;
  std::thread driver([&] {
    HWND w = WaitForWindow(self, title);
    seen = w != nullptr;
    if (w)
      drive(w);
    else if (HWND any = WaitForWindow(self, nullptr, 100))
      PostMessageA(any, WM_CLOSE, 0, 0);
  });
  INT_PTR r = modal();
  driver.join();
  if (found) *found = seen;
  return r;
}

}  // namespace ui
