// A job's progress window on a thread of its own, so that it stays responsive while the job's
// worker is blocked in network calls. The worker only calls the progress functions on the handle.
#pragma once
#include "vqThread.h"

class thrdProgDlg : public vqThread {
 public:
  ~thrdProgDlg() override;
  // The progress handle; null before the thread has started and after it ended.
  void* Handle() const { return m_handle; }

 protected:
  bool InitInstance() override;
  void ExitInstance() override;

 private:
  void* volatile m_handle = nullptr;
};
