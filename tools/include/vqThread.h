// A thread object with its own message loop. Thread messages (600, 601, ...) posted to it reach
// OnThreadMessage; message 602 ends the loop. InitInstance runs on the new thread before the
// loop, ExitInstance after it.
#pragma once
#include <windows.h>

#include "vqHandles.h"
#include "vqToolsApi.h"

enum { VQ_THREAD_MSG_START = 600, VQ_THREAD_MSG_WORK = 601, VQ_THREAD_MSG_QUIT = 602 };

class VQTOOLS_API vqThread {
 public:
  vqThread();
  // Ends and joins the thread. A derived class with its own ExitInstance calls Stop in its own
  // destructor, while its part of the object still exists.
  virtual ~vqThread();
  vqThread(const vqThread&) = delete;
  vqThread& operator=(const vqThread&) = delete;

  // Starts the thread and waits until its message queue exists, so a post right after works.
  bool Start();
  bool PostThreadMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
  // Posts 602 until the thread accepts it, then waits up to `ms` for the thread to end.
  bool Stop(DWORD ms = INFINITE);
  bool IsRunning() const;
  DWORD GetThreadId() const { return m_id; }
  HANDLE GetThreadHandle() const { return m_thread.Get(); }

 protected:
  virtual bool InitInstance();
  virtual void OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp);
  virtual void ExitInstance();
  // The loop; dispatches window messages (dialog messages to their dialogs) and thread messages.
  virtual int Run();

 private:
  static DWORD WINAPI ThreadMain(LPVOID self);
  vqHandle m_thread;
  vqHandle m_ready;
  DWORD m_id;
};
