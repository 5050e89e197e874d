#include "vqThread.h"

#include "vqCatch.h"
#include "vqPump.h"
#include "vqWait.h"

vqThread::vqThread() : m_id(0) {}

vqThread::~vqThread() { Stop(); }

bool vqThread::Start() {
  if (IsRunning()) return false;
  m_ready.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, &m_id));
  if (!m_thread.IsValid()) return false;
  HANDLE both[2] = {m_ready.Get(), m_thread.Get()};
  vqWaitFor w;
  w.handles = both;
  w.count = 2;
  DWORD which = 1;
  w.signalled = &which;
  return VQ_Wait(w) == VQ_WAIT_READY && which == 0;
}

bool vqThread::PostThreadMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return m_id && ::PostThreadMessageA(m_id, msg, wp, lp);
}

bool vqThread::IsRunning() const {
  return m_thread.IsValid() && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

bool vqThread::Stop(DWORD ms) {
  if (!m_thread.IsValid()) return true;
  if (GetCurrentThreadId() == m_id) return false;  // the thread cannot join itself
  while (IsRunning() && !PostThreadMessage(VQ_THREAD_MSG_QUIT)) VQ_WaitIdle(10);
  if (VQ_WaitHandle(m_thread.Get(), ms) != VQ_WAIT_READY) return false;
  m_thread.Close();
  m_id = 0;
  return true;
}

bool vqThread::InitInstance() { return true; }
void vqThread::OnThreadMessage(UINT, WPARAM, LPARAM) {}
void vqThread::ExitInstance() {}

int vqThread::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!msg.hwnd) {
      if (msg.message == VQ_THREAD_MSG_QUIT) break;
      OnThreadMessage(msg.message, msg.wParam, msg.lParam);
      continue;
    }
    VQ_DispatchMessage(msg);
  }
  return 0;
}

DWORD WINAPI vqThread::ThreadMain(LPVOID p) {
  auto* self = static_cast<vqThread*>(p);
  DWORD result = 1;
  VQ_TRY
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
    bool ok = self->InitInstance();
    SetEvent(self->m_ready.Get());
    if (ok) self->Run();
    self->ExitInstance();
    result = ok ? 0 : 1;
  VQ_CATCH_VOID("vqThread")
  SetEvent(self->m_ready.Get());  // Start never waits on a thread that failed early
  return result;
}
