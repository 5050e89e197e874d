#include "inTaskManager.h"

#include <stdio.h>

#include "dlgUsePrimary.h"
#include "inEngineMgr.h"
#include "inJob.h"
#include "inTaskSteps.h"
#include "shellApp.h"
#include "shellItems.h"
#include "shellPaths.h"
#include "shellWideNames.h"
#include "thrdProgDlg.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqWait.h"

namespace {
const char kSource[] = "inTaskManager";
const DWORD kQueueWaitMs = 30000;
const char kNoHandle[] = "Unable to acquire connection handle, aborting.";
const char kLocking[] = "Locking FTP Engine handle...";

void waitForReady(const volatile LONG& ready) {
  for (int i = 0; i < 20 && !ready; ++i) VQ_WaitIdle(100);
}

void notifySite(LPCITEMIDLIST item) {
  LPITEMIDLIST site = SiteOnly(item);
  if (!site) return;
  shellApp::Get().ChangeNotify(SHCNE_UPDATEITEM, site);
  CoTaskMemFree(site);
}

// The remembered type of the job's window, put back when a connection window closes.
struct ConnectWindow {
  void* progress;
  unsigned type;
  bool open, wasOpen;
  // restore: the job's own window was open and comes back when the connection window closes.
  ConnectWindow(inJob& job, vqFtpEngine* engine, bool show, bool restore = false)
      : progress(job.Progress()), type(0), open(false), wasOpen(restore) {
    type = VQPROG_GetType(progress);
    if (show && progress) open = VQPROG_Open(progress, 1) == 0;
    VQPROG_FileSetTitle(progress, engine ? engine->GetURL() : "");
    VQPROG_CnctSetStatus(progress, kLocking);
  }
  void Close() {
    if (open) VQPROG_Close(progress);
    // The job's own window comes back for the work that follows the connect.
    if (open && wasOpen && type)
      VQPROG_Open(progress, type);
    else if (progress && type)
      VQPROG_SetType(progress, type);
    open = false;
  }
};

// Runs the tasks from the head while each goes on (0); each is deleted after it ran, and any
// left when the batch ends. Shows the file counters when per-file is set.
unsigned long runTasks(inJob& job, bool perFile) {
  unsigned long result = 0;
  void* progress = job.Progress();
  while (!job.Tasks.empty()) {
    inTask* task = job.Tasks.front();
    if (perFile) {
      ++job.CurrentFile;
      VQPROG_JobSetCurrentFile(progress, job.CurrentFile);
      VQPROG_FileTimerStop(progress);
      VQPROG_FileSetSourceW(progress, task->ShownName().c_str());
      if (task->LocalFile.empty())
        VQPROG_FileSetDest(progress, task->LocalDir.c_str());
      else
        VQPROG_FileSetDestW(progress, task->LocalFile.c_str());  // its folder is what the line shows
      VQPROG_FileSetTotalBytes(progress, 0);
      VQPROG_FileSetCurrentBytes(progress, 0);
      VQPROG_FileTimerStart(progress);
    }
    result = inRunTask(job, *task);
    job.Tasks.pop_front();
    delete task;
    if (result != 0) break;
  }
  for (inTask* task : job.Tasks) delete task;
  job.Tasks.clear();
  return result;
}

void signalDone(inJob& job) {
  if (job.Done) SetEvent(job.Done);
}

// The server's welcome when the site shows it; empty otherwise.
std::string welcomeOf(inJob& job, vqFtpEngine* engine) {
  if (!engine->FTP_IsOpen() || !job.SiteLoaded || !job.Site.GetShowMsg()) return std::string();
  const char* text = engine->GetWelcomeMsg();
  return text ? text : "";
}

// Explore, Connect and Disconnect: the pooled connection, held for the whole job.
unsigned long stepA(inJob& job) {
  inEngineMgr& mgr = shellApp::Get().GetEngineManager();
  vqFtpEngine* engine = mgr.GetEngine(job.Item, 1);
  bool free = mgr.IsFree(job.Item) != 0;
  ConnectWindow window(job, engine, free && engine && !engine->FTP_IsOpen());
  if (!free && (job.Command == IN_CMD_CONNECT || job.Command == IN_CMD_DISCONNECT)) {
    char text[512];
    snprintf(text, sizeof text,
             "The primary connection is currently in use. You will need to cancel the cancel processing on this "
             "connection before attempting to %s.",
             job.Command == IN_CMD_CONNECT ? "reconnect" : "disconnect");
    VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION);
    window.Close();
    signalDone(job);
    return IN_RESULT_NO_ENGINE;
  }
  if (!engine || mgr.LockAndConnect(job.Item, 0) != 0) {
    VQ_MSG(kNoHandle, MB_OK | MB_ICONEXCLAMATION);
    window.Close();
    signalDone(job);
    return IN_RESULT_NO_ENGINE;
  }
  engine->SetCallback(inJobCallback, &job, nullptr);
  job.Engine = engine;
  // Connect and Disconnect act on the site itself; a job made without a task still does.
  if (job.Tasks.empty() && job.Command != IN_CMD_EXPLORE) job.AddTask(new inTask(job.Item, nullptr));
  unsigned long result = runTasks(job, false);
  engine->SetCallback(nullptr, nullptr, nullptr);
  job.Engine = nullptr;
  const std::string welcome = welcomeOf(job, engine);
  // The connection is free before the waiter hears the job is done: a rename or new folder right
  // after a listing would otherwise find it busy.
  mgr.Release(job.Item, 0);
  signalDone(job);
  if (!welcome.empty()) shellApp::Get().ShowWelcome(welcome.c_str());
  window.Close();
  return result;
}

bool saveConnectionSaver(inJob& job) {
  if (!job.SiteLoaded) return false;
  job.Site.SetConnectionSaver(1);
  return job.Site.SITE_SaveParams(job.SubPath.c_str(), job.SiteName.c_str()) != 0;
}

// Opens a connection for the item: the primary (waiting for its lock) or a new secondary, with
// the choices offered when a secondary cannot be opened. On success engine is connected and
// isPrimary says whether the site's lock is held for it.
unsigned long openConnection(inJob& job, LPCITEMIDLIST item, bool usePrimary, vqFtpEngine*& engine, bool& isPrimary) {
  inEngineMgr& mgr = shellApp::Get().GetEngineManager();
  engine = nullptr;
  isPrimary = false;
  vqFtpEngine* primary = mgr.GetEngine(item, 1);
  ConnectWindow window(job, primary, true, job.ProgressType != 0);
  if (!primary) {
    VQ_MSG(kNoHandle, MB_OK | MB_ICONEXCLAMATION);
    window.Close();
    return IN_RESULT_NO_ENGINE;
  }
  if (usePrimary) {
    while (mgr.LockAndConnect(item, 0) != 0) {
      if (VQPROG_IsCanceled(job.Progress())) {
        window.Close();
        return IN_RESULT_CANCEL;
      }
    }
    isPrimary = true;
  }
  unsigned long rc = 0;
  for (;;) {
    if (!isPrimary)
      engine = mgr.GetEngine(item, 0);
    else
      engine = primary;
    if (!engine) {
      VQ_MSG(kNoHandle, MB_OK | MB_ICONEXCLAMATION);
      rc = IN_RESULT_NO_ENGINE;
      break;
    }
    engine->SetCallback(inJobCallback, &job, nullptr);
    rc = inConnectStep(job, engine);
    if (rc == 0 || isPrimary || rc == IN_RESULT_CANCEL) break;
    // A secondary connection was refused (servers limit connections per user).
    dlgUsePrimary dlg;
    char text[1024];
    snprintf(text, sizeof text, "Unable to open a secondary connection to the server.\n\nReason: %s",
             engine->FTP_ErrorString(rc));
    dlg.Text = text;
    engine->SetCallback(nullptr, nullptr, nullptr);
    engine->Release();
    engine = nullptr;
    if (dlg.DoModal(shellApp::Get().GetExplorerWindow()) != IDOK) break;
    if (dlg.Choice == dlgUsePrimary::RETRY) continue;
    if (dlg.Choice == dlgUsePrimary::ALWAYS) saveConnectionSaver(job);
    // The primary: at once when free; else waits, asking after each failed wait.
    while (mgr.LockAndConnect(item, 0) != 0) {
      if (dlg.Choice == dlgUsePrimary::ALWAYS) continue;
      if (VQ_QUESTION("The primary connection is currently in use; would you like to wait for it to become available?",
                      MB_YESNO) != IDYES) {
        rc = IN_RESULT_CANCEL;
        break;
      }
    }
    if (rc == IN_RESULT_CANCEL) break;
    isPrimary = true;
  }
  if (rc == 0) {
    vqSiteParams site(2);
    if (site.SITE_LoadParams(job.SubPath.c_str(), job.SiteName.c_str())) {
      site.SetHostDelim(engine->GetHostDelim());
      if (site.GetIRD()[0]) site.SetIRD(engine->GetIRD());
      site.SITE_SaveParams(job.SubPath.c_str(), job.SiteName.c_str());
    }
  } else {
    if (engine && rc != IN_RESULT_CANCEL)
      engine->FTP_DoErrorDlg(rc, shellApp::Get().GetExplorerWindow(), "Unable to open connection to server!");
    if (engine) {
      engine->SetCallback(nullptr, nullptr, nullptr);
      if (isPrimary)
        mgr.Release(item, 0);
      else
        engine->Release();
    } else if (isPrimary) {
      mgr.Release(item, 0);
    }
    engine = nullptr;
    isPrimary = false;
  }
  window.Close();
  return rc;
}

// Gives back a connection: a primary unlocked and left open, a secondary disconnected and freed.
void closeConnection(LPCITEMIDLIST item, vqFtpEngine* engine, bool isPrimary) {
  if (!engine) return;
  engine->SetCallback(nullptr, nullptr, nullptr);
  if (isPrimary) {
    shellApp::Get().GetEngineManager().Release(item, 0);
    return;
  }
  if (engine->FTP_IsOpen()) {
    engine->FTP_Disconnect();
    notifySite(item);
  }
  engine->Release();
}

unsigned long addUpTotals(inJob& job) {
  unsigned long bytes = 0;
  for (inTask* task : job.Tasks) {
    _FTPITEMID* source = task->Source ? shellOwnItem(const_cast<LPITEMIDLIST>(VQPIDL_Last(task->Source))) : nullptr;
    if (!source) continue;
    if (job.Command == IN_CMD_UPLOAD && source->size == 0 && !shellIsContainerKind(source->kind)) {
      const std::wstring local =
          task->LocalFile.empty() ? shellFromCodePage((task->LocalDir + task->Name).c_str()) : task->LocalFile;
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (GetFileAttributesExW(local.c_str(), GetFileExInfoStandard, &data)) source->size = data.nFileSizeLow;
    }
    bytes += source->size;
  }
  return bytes;
}

// Every other command: a connection chosen by the site's ConnectionSaver.
unsigned long stepB(inJob& job) {
  bool usePrimary = (job.SiteLoaded && job.Site.GetConnectionSaver()) || job.Command == IN_CMD_DELETE ||
                    job.Command == IN_CMD_OPEN || job.Command == IN_CMD_PRINT;
  bool twoSites = job.Command == IN_CMD_SITE_TO_SITE || job.Command == IN_CMD_INTRA_SITE;
  void* progress = job.Progress();
  if (twoSites)
    job.ProgressType = !job.Tasks.empty() && job.Tasks.front()->IsMove ? 6 : 5;
  else if (!job.ProgressType)
    job.ProgressType = job.Command == IN_CMD_UPLOAD ? 2 : job.Command == IN_CMD_DELETE ? 4 : 3;
  if (job.ProgressType) VQPROG_Open(progress, job.ProgressType);

  vqFtpEngine* engine = nullptr;
  bool isPrimary = false;
  unsigned long rc = openConnection(job, job.Item, usePrimary, engine, isPrimary);
  if (rc != 0) {
    VQPROG_Close(progress);
    signalDone(job);
    return rc;
  }
  job.Engine = engine;
  vqFtpEngine* dest = nullptr;
  bool destPrimary = false;
  LPCITEMIDLIST destItem = twoSites && !job.Tasks.empty() ? job.Tasks.front()->Destination : nullptr;
  if (twoSites) {
    rc = destItem ? openConnection(job, destItem, false, dest, destPrimary) : IN_RESULT_NO_ENGINE;
    if (rc != 0) {
      closeConnection(job.Item, engine, isPrimary);
      job.Engine = nullptr;
      VQPROG_Close(progress);
      signalDone(job);
      return rc;
    }
    job.DestEngine = dest;
  }
  VQPROG_JobSetTotalFiles(progress, static_cast<int>(job.Tasks.size()));
  VQPROG_JobSetTotalBytes(progress, addUpTotals(job));
  job.CurrentFile = 0;
  VQPROG_JobTimerStart(progress);
  unsigned long result = runTasks(job, true);
  VQPROG_JobTimerStop(progress);

  closeConnection(job.Item, engine, isPrimary);
  if (dest) closeConnection(destItem, dest, destPrimary);
  job.Engine = job.DestEngine = nullptr;
  if (job.Command == IN_CMD_DELETE || job.Command == IN_CMD_UPLOAD) {
    if (job.Item) shellApp::Get().ChangeNotify(SHCNE_UPDATEDIR, job.Item);
  }
  signalDone(job);
  VQPROG_Close(progress);
  return result;
}
}  // namespace

inTaskManager::inTaskManager() : m_event(CreateEventA(nullptr, FALSE, FALSE, nullptr)), m_quit(0), m_ready(0) {}

inTaskManager::~inTaskManager() {
  Shutdown(INFINITE);
  for (inJob* job : m_queue) delete job;
  m_queue.clear();
  if (m_event) CloseHandle(m_event);
}

bool inTaskManager::InitInstance() {
  InterlockedExchange(&m_ready, 1);
  return true;
}

void inTaskManager::ExitInstance() { ReapJobThreads(true, INFINITE); }

int inTaskManager::AddJob(inJob* job) {
  if (!job) return 0;
  if (m_quit || !m_queueLock.LockAcquire(kQueueWaitMs)) {
    delete job;
    return 0;
  }
  m_queue.push_back(job);
  m_queueLock.LockRelease();
  while (!SetEvent(m_event)) VQ_WaitIdle(10);
  return 1;
}

void inTaskManager::RequestQuit() {
  InterlockedExchange(&m_quit, 1);
  while (m_event && !SetEvent(m_event)) VQ_WaitIdle(10);
}

bool inTaskManager::Shutdown(DWORD ms) {
  RequestQuit();
  return Stop(ms);
}

void inTaskManager::OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == IN_MSG_DISPATCH) {
    Dispatch();
    PostThreadMessage(VQ_THREAD_MSG_QUIT);
  } else if (msg == IN_MSG_RUN_JOB) {
    if (wp) RunJob(reinterpret_cast<inJob*>(wp));
    if (lp) PostThreadMessage(VQ_THREAD_MSG_QUIT);
  }
}

void inTaskManager::Dispatch() {
  while (!m_quit) {
    // The stop flag ends the wait too: a quit arrives as flag and event, never as a lost message.
    VQ_WaitHandle(m_event, INFINITE, &m_quit);
    if (m_quit) break;
    ReapJobThreads(false, 0);
    for (;;) {
      inJob* job = nullptr;
      if (!m_queueLock.LockAcquire(kQueueWaitMs)) break;
      if (!m_queue.empty() && !m_quit) {
        job = m_queue.front();
        m_queue.pop_front();
      }
      m_queueLock.LockRelease();
      if (!job) break;
      VQ_TRY
        if (job->SiteLoaded && !job->Site.GetConnectionSaver())
          StartJobThread(job);
        else
          RunJob(job);
      VQ_CATCH_VOID(kSource)
    }
  }
}

void inTaskManager::StartJobThread(inJob* job) {
  auto* thread = new inTaskManager();
  if (!thread->Start()) {
    delete thread;
    RunJob(job);  // no thread to be had: the job still runs, in turn
    return;
  }
  waitForReady(thread->m_ready);
  m_jobThreads.push_back(thread);
  while (!thread->PostThreadMessage(IN_MSG_RUN_JOB, reinterpret_cast<WPARAM>(job), 1)) VQ_WaitIdle(10);
}

void inTaskManager::ReapJobThreads(bool all, DWORD ms) {
  for (size_t i = 0; i < m_jobThreads.size();) {
    inTaskManager* thread = m_jobThreads[i];
    if (all || !thread->IsRunning()) {
      if (thread->IsRunning() && !thread->Stop(ms)) {
        ++i;  // still running its job: it keeps its object
        continue;
      }
      delete thread;
      m_jobThreads.erase(m_jobThreads.begin() + i);
    } else {
      ++i;
    }
  }
}

void inTaskManager::RunJob(inJob* job) {
  if (!job) return;
  thrdProgDlg* progress = new thrdProgDlg();
  VQ_TRY
    if (progress->Start()) {
      for (int i = 0; i < 20 && !progress->Handle(); ++i) VQ_WaitIdle(100);
      job->ProgressThread = progress;
    }
    if (job->Command == IN_CMD_EXPLORE || job->Command == IN_CMD_CONNECT || job->Command == IN_CMD_DISCONNECT)
      stepA(*job);
    else
      stepB(*job);
  VQ_CATCH_VOID(kSource)
  job->ProgressThread = nullptr;
  if (progress->Handle()) VQPROG_Close(progress->Handle());
  delete progress;  // posts 602 until accepted and waits for the thread
  delete job;
}
