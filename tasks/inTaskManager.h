// Per site, the thread that runs the site's jobs in order; with the site's ConnectionSaver off,
// each job runs on a thread of its own with a secondary connection.
#pragma once
#include <windows.h>

#include <deque>
#include <vector>

#include "vqLock.h"
#include "vqThread.h"

class inJob;
class vqFtpEngine;

enum { IN_MSG_RUN_JOB = 600, IN_MSG_DISPATCH = 601 };

class inTaskManager : public vqThread {
 public:
  inTaskManager();
  ~inTaskManager() override;

  // Queues the job; the task manager owns it from here on (also on failure). Non-zero on success.
  int AddJob(inJob* job);
  // Sets the quit flag and wakes the dispatch loop; queued jobs are not run.
  void RequestQuit();
  // Quits and waits up to ms for the thread and the per-job threads it started.
  bool Shutdown(DWORD ms);
  bool IsReady() const { return m_ready != 0; }

  // Runs one job on the calling thread and deletes it (the work of message 600).
  static void RunJob(inJob* job);

 protected:
  bool InitInstance() override;
  void OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void ExitInstance() override;

 private:
  void Dispatch();
  void StartJobThread(inJob* job);
  void ReapJobThreads(bool all, DWORD ms);

  vqLock m_queueLock;
  std::deque<inJob*> m_queue;
  HANDLE m_event;  // auto-reset; one signal per added job
  volatile LONG m_quit;
  volatile LONG m_ready;
  std::vector<inTaskManager*> m_jobThreads;  // per-job threads, on the dispatcher's thread only
};

// The answers of a job to its engines' notifications (the job is user1).
unsigned long inJobCallback(struct _sock_notification_* note, void* job, void* unused);
