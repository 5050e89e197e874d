#include "vqProgress.h"

#include <string.h>
#include <time.h>

#include <string>

#include "dlgConnect.h"
#include "dlgDelete.h"
#include "dlgProgress.h"
#include "vqCatch.h"
#include "vqEngineModule.h"
#include "vqProgressCalc.h"
#include "vqPump.h"
#include "vqWide.h"
#include "vqWnd.h"

namespace {
const DWORD kSignature = 0x47505156;  // "VQPG"
const char kClass[] = "vqProgress";

enum : UINT {
  WM_PROG_OPEN = WM_APP + 1,
  WM_PROG_CLOSE,
  WM_PROG_REFRESH,
  WM_PROG_TOPMOST,
  WM_PROG_DESTROY,
};

const UINT_PTR kFlushTimer = 1;
const DWORD kBytesRedrawMs = 100;

// Which types each call serves (bit n = type n).
const unsigned kAll = 0x7E, kNotCnct = 0x7C, kXfer = 0x6C, kCnct = 0x02;

vqProgressKind kindOf(unsigned type) {
  return type == 1 ? VQPROG_KIND_CNCT : type == 4 ? VQPROG_KIND_DEL : VQPROG_KIND_XFER;
}

void copyText(wchar_t* dst, const wchar_t* src) { lstrcpynW(dst, src ? src : L"", VQPROG_TEXT); }

// The handle: the shared state, the three windows, and a hidden window on the creating thread
// through which other threads ask for opening, closing and redrawing.
class vqProgress : public vqWnd {
 public:
  vqProgress()
      : signature(kSignature),
        type(0),
        owner(GetCurrentThreadId()),
        xfer(&shared),
        cnct(&shared),
        del(&shared),
        refreshPending(false),
        lastBytesDraw(GetTickCount() - kBytesRedrawMs),
        flushArmed(false) {}
  ~vqProgress() override { signature = 0; }

  bool Create() {
    HINSTANCE module = vqEngineModule();
    return RegisterWindowClass(module, kClass) && CreateEx(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, module);
  }
  bool OnOwnerThread() const { return GetCurrentThreadId() == owner; }
  // Same thread: at once. Other threads: posted, never sent, so a blocked worker cannot deadlock.
  void Ask(UINT msg, WPARAM wp = 0) {
    if (OnOwnerThread())
      SendMessageA(m_hWnd, msg, wp, 0);
    else
      PostMessageA(m_hWnd, msg, wp, 0);
  }
  // A byte count alone redraws at most every kBytesRedrawMs (a transfer reports every block); the
  // last count held back is drawn when that time is up. Everything else, the first count, zero and
  // a finished file are drawn at once.
  void Redraw(bool bytesOnly = false) {
    if (OnOwnerThread()) {
      if (bytesOnly && Defer()) return;
      Draw(bytesOnly);
    } else if (!refreshPending.exchange(true)) {
      if (!PostMessageA(m_hWnd, WM_PROG_REFRESH, bytesOnly ? 1 : 0, 0)) refreshPending = false;
    }
  }
  void Draw(bool bytes) {
    if (flushArmed) {
      KillTimer(m_hWnd, kFlushTimer);
      flushArmed = false;
      bytes = true;
    }
    refreshPending = false;
    if (bytes) lastBytesDraw = GetTickCount();
    Window(type)->Update();
  }
  // True when a byte count is held back for the flush timer.
  bool Defer() {
    unsigned long current = 0, total = 0;
    shared.Update([&](vqProgressShared& s) {
      current = s.xfer.fileCurrent;
      total = s.xfer.fileTotal;
    });
    const DWORD since = GetTickCount() - lastBytesDraw;
    if (current == 0 || current >= total || since >= kBytesRedrawMs) return false;
    if (!flushArmed) flushArmed = SetTimer(m_hWnd, kFlushTimer, kBytesRedrawMs - since, nullptr) != 0;
    return flushArmed;
  }
  dlgProgressBase* Window(unsigned t) {
    vqProgressKind k = kindOf(t);
    return k == VQPROG_KIND_CNCT  ? static_cast<dlgProgressBase*>(&cnct)
           : k == VQPROG_KIND_DEL ? static_cast<dlgProgressBase*>(&del)
                                  : &xfer;
  }
  int TakeCancel() { return shared.cancel[kindOf(type)].exchange(false) ? 1 : 0; }
  void DestroyAll() {
    xfer.DestroyWindow();
    cnct.DestroyWindow();
    del.DestroyWindow();
    DestroyWindow();
  }

  DWORD signature;
  std::atomic<unsigned> type;
  DWORD owner;
  vqProgressShared shared;
  dlgProgress xfer;
  dlgConnect cnct;
  dlgDelete del;
  std::atomic<bool> refreshPending;
  DWORD lastBytesDraw;  // owner thread only
  bool flushArmed;      // owner thread only

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_PROG_OPEN:
        OpenWindow(static_cast<unsigned>(wp));
        return 0;
      case WM_PROG_CLOSE:
        Window(static_cast<unsigned>(wp))->DestroyWindow();
        return 0;
      case WM_PROG_REFRESH:
        if (wp && Defer()) return 0;  // stays pending until the flush
        Draw(wp != 0);
        return 0;
      case WM_TIMER:
        if (wp != kFlushTimer) break;
        Draw(true);
        return 0;
      case WM_PROG_TOPMOST:
        if (HWND w = Window(type)->GetHwnd())
          SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
      case WM_PROG_DESTROY:
        DestroyAll();
        delete this;
        return 0;
    }
    return vqWnd::WindowProc(msg, wp, lp);
  }

 private:
  void OpenWindow(unsigned t) {
    dlgProgressBase* w = Window(t);
    if (!w->GetHwnd() && !w->Create(nullptr)) return;
    if (kindOf(t) == VQPROG_KIND_XFER) xfer.SetJobIcon(t);
    w->Update();
    SetWindowPos(w->GetHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(w->GetHwnd());
  }
};

vqProgress* handleOf(void* h) {
  auto* p = static_cast<vqProgress*>(h);
  return p && p->signature == kSignature ? p : nullptr;
}

long long nowSeconds() { return static_cast<long long>(time(nullptr)); }

// The common shape of the setters: check the handle and its type, keep the window responsive on
// its own thread, change the state, redraw, answer the cancel flag.
template <class F>
int call(void* h, unsigned types, F change, bool bytesOnly = false) {
  VQ_TRY
    vqProgress* p = handleOf(h);
    if (!p) return 0;
    if (p->OnOwnerThread()) VQ_PumpMessages();
    unsigned t = p->type;
    if (t > 6 || !(types & (1u << t))) return 0;
    p->shared.Update([&](vqProgressShared& s) { change(s, t); });
    p->Redraw(bytesOnly);
    return p->TakeCancel();
  VQ_CATCH("vqProgress", 0)
}
}  // namespace

void* VQPROG_Create() {
  VQ_TRY
    auto* p = new vqProgress;
    if (!p->Create()) {
      delete p;
      return nullptr;
    }
    return p;
  VQ_CATCH("vqProgress", nullptr)
}

int VQPROG_Destroy(void* handle) {
  VQ_TRY
    vqProgress* p = handleOf(handle);
    if (!p) return 0;
    if (p->OnOwnerThread()) {
      p->DestroyAll();
      delete p;
    } else if (!PostMessageA(p->GetHwnd(), WM_PROG_DESTROY, 0, 0)) {
      delete p;  // the window's thread has ended and took its windows with it
    }
    return 0;
  VQ_CATCH("vqProgress", 0)
}

int VQPROG_Open(void* handle, unsigned int type) {
  VQ_TRY
    vqProgress* p = handleOf(handle);
    if (!p || type < 1 || type > 6) return 0;
    p->type = type;
    p->Ask(WM_PROG_OPEN, type);
    return 0;
  VQ_CATCH("vqProgress", 0)
}

int VQPROG_Close(void* handle) {
  VQ_TRY
    vqProgress* p = handleOf(handle);
    if (!p || p->type < 1 || p->type > 6) return 0;
    p->Ask(WM_PROG_CLOSE, p->type);
    return 0;
  VQ_CATCH("vqProgress", 0)
}

unsigned int VQPROG_GetType(void* handle) {
  vqProgress* p = handleOf(handle);
  return p ? p->type.load() : 0;
}

int VQPROG_SetType(void* handle, unsigned int type) {
  if (vqProgress* p = handleOf(handle)) p->type = type;
  return 0;
}

int VQPROG_IsCanceled(void* handle) {
  return call(handle, kAll, [](vqProgressShared&, unsigned) {});
}

int VQPROG_FileSetTitleW(void* handle, const wchar_t* text) {
  return call(handle, kAll, [&](vqProgressShared& s, unsigned t) {
    copyText(t == 1 ? s.cnct.title : t == 4 ? s.del.title : s.xfer.title, text);
  });
}

int VQPROG_FileSetSourceW(void* handle, const wchar_t* path) {
  return call(handle, kNotCnct, [&](vqProgressShared& s, unsigned t) {
    if (t == 4) return copyText(s.del.item, path);
    wchar_t dir[VQPROG_TEXT];
    const wchar_t* name = _progSplitPathW(path, dir, VQPROG_TEXT, 0);
    copyText(s.xfer.source, dir);
    copyText(s.xfer.title, name);
  });
}

int VQPROG_FileSetDestW(void* handle, const wchar_t* path) {
  return call(handle, kXfer,
              [&](vqProgressShared& s, unsigned) { _progSplitPathW(path, s.xfer.dest, VQPROG_TEXT, 1); });
}

int VQPROG_FileSetTitle(void* handle, const char* text) {
  return VQPROG_FileSetTitleW(handle, vqFromCodePage(text).c_str());
}
int VQPROG_FileSetSource(void* handle, const char* path) {
  return VQPROG_FileSetSourceW(handle, vqFromCodePage(path).c_str());
}
int VQPROG_FileSetDest(void* handle, const char* path) {
  return VQPROG_FileSetDestW(handle, vqFromCodePage(path).c_str());
}

int VQPROG_FileSetTotalBytes(void* handle, unsigned long n) {
  // A transfer repeats its total with every block: the same total again is a byte count like the
  // others (drawn at most every 100 ms); only a new one is drawn at once.
  bool same = false;
  if (vqProgress* p = handleOf(handle)) p->shared.Update([&](vqProgressShared& s) { same = s.xfer.fileTotal == n; });
  return call(
      handle, kXfer,
      [&](vqProgressShared& s, unsigned) {
        s.xfer.fileTotal = n;
        if (!s.xfer.jobTotal) s.xfer.jobTotal = n;
      },
      same);
}

int VQPROG_FileSetCurrentBytes(void* handle, unsigned long n) {
  return call(
      handle, kXfer,
      [&](vqProgressShared& s, unsigned) {
        s.xfer.jobCurrent += n ? n - s.xfer.fileCurrent : 0;
        s.xfer.fileCurrent = n;
      },
      true);
}

int VQPROG_FileTimerStart(void* handle) {
  return call(handle, kXfer, [](vqProgressShared& s, unsigned) { s.xfer.fileStart = nowSeconds(); });
}

int VQPROG_FileTimerStop(void* handle) {
  return call(handle, kXfer, [](vqProgressShared& s, unsigned) { s.xfer.fileStart = 0; });
}

int VQPROG_JobTimerStart(void* handle) {
  int r = call(handle, kNotCnct, [](vqProgressShared& s, unsigned) { s.xfer.jobStart = nowSeconds(); });
  vqProgress* p = handleOf(handle);
  if (p && p->type >= 2 && p->type <= 6) p->Ask(WM_PROG_TOPMOST);
  return r;
}

int VQPROG_JobTimerStop(void* handle) {
  return call(handle, kNotCnct, [](vqProgressShared& s, unsigned) { s.xfer.jobStart = 0; });
}

int VQPROG_JobSetTotalBytes(void* handle, unsigned long n) {
  return call(handle, kXfer, [&](vqProgressShared& s, unsigned) { s.xfer.jobTotal = n; });
}

int VQPROG_JobAddTotalBytes(void* handle, unsigned long n) {
  return call(handle, kXfer, [&](vqProgressShared& s, unsigned) { s.xfer.jobTotal += n; });
}

int VQPROG_JobSetTotalFiles(void* handle, int n) {
  return call(handle, kNotCnct,
              [&](vqProgressShared& s, unsigned t) { (t == 4 ? s.del.totalFiles : s.xfer.totalFiles) = n; });
}

int VQPROG_JobAddTotalFiles(void* handle, int n) {
  return call(handle, kNotCnct,
              [&](vqProgressShared& s, unsigned t) { (t == 4 ? s.del.totalFiles : s.xfer.totalFiles) += n; });
}

int VQPROG_JobSetCurrentFile(void* handle, int n) {
  return call(handle, kNotCnct,
              [&](vqProgressShared& s, unsigned t) { (t == 4 ? s.del.currentFile : s.xfer.currentFile) = n; });
}

int VQPROG_CnctSetStatusW(void* handle, const wchar_t* text) {
  return call(handle, kCnct, [&](vqProgressShared& s, unsigned) { copyText(s.cnct.status, text); });
}

int VQPROG_CnctSetLastErrorW(void* handle, const wchar_t* text) {
  return call(handle, kCnct, [&](vqProgressShared& s, unsigned) { copyText(s.cnct.lastError, text); });
}

int VQPROG_CnctSetStatus(void* handle, const char* text) {
  return VQPROG_CnctSetStatusW(handle, vqFromCodePage(text).c_str());
}

int VQPROG_CnctSetLastError(void* handle, const char* text) {
  return VQPROG_CnctSetLastErrorW(handle, vqFromCodePage(text).c_str());
}

int VQPROG_CnctSetAttempts(void* handle, int attempt, int attempts) {
  return call(handle, kCnct, [&](vqProgressShared& s, unsigned) {
    s.cnct.attempt = attempt;
    s.cnct.attempts = attempts;
  });
}

void* VQPROG_GetWindow(void* handle) {
  vqProgress* p = handleOf(handle);
  return p ? p->Window(p->type)->GetHwnd() : nullptr;
}

int VQPROG_IsRefreshPending(void* handle) {
  vqProgress* p = handleOf(handle);
  return p && p->refreshPending ? 1 : 0;
}
