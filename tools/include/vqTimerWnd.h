// A hidden window that only carries timers: the owner gets OnTick(id) for each WM_TIMER on the
// thread that created the window. The engine uses it for its poll and keep-alive timers. It may be
// destroyed on another thread: the window then closes itself on its own.
#pragma once
#include "vqWnd.h"

class VQTOOLS_API vqTimerSink {
 public:
  virtual ~vqTimerSink() {}
  virtual void OnTick(UINT_PTR id) = 0;
};

class VQTOOLS_API vqTimerWnd : public vqWnd {
 public:
  explicit vqTimerWnd(vqTimerSink* sink);
  ~vqTimerWnd() override;
  // A message-only window of this thread; className names it for tools that list windows.
  bool Create(HINSTANCE module = nullptr, const char* className = nullptr);
  bool SetTimer(UINT_PTR id, UINT ms);
  void KillTimer(UINT_PTR id);

 protected:
  void OnTimer(UINT_PTR id) override;

 private:
  vqTimerSink* m_sink;
};
