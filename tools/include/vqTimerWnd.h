// A hidden window that only carries timers: the owner gets OnTick(id) for each WM_TIMER on the
// thread that created the window. The engine uses it for its poll and keep-alive timers.
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
  bool Create(HINSTANCE module = nullptr);
  bool SetTimer(UINT_PTR id, UINT ms);
  void KillTimer(UINT_PTR id);

 protected:
  void OnTimer(UINT_PTR id) override;

 private:
  vqTimerSink* m_sink;
};
