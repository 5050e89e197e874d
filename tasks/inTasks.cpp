// The work of one task: the dispatch by command, with the batch question, and the connection
// commands and the folder listing that run on the pooled connection.
#include <stdio.h>

#include "inJob.h"
#include "inLocalNames.h"
#include "inTaskManager.h"
#include "inTaskSteps.h"
#include "shellApp.h"
#include "shellEnum.h"
#include "shellItems.h"
#include "shellPaths.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqDirParser.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqResults.h"

namespace {
const char kSource[] = "inTasks";
const DWORD kFillLockMs = 5000;

void notifyItem(inJob& job) {
  LPITEMIDLIST site = SiteOnly(job.Item);
  if (!site) return;
  shellApp::Get().ChangeNotify(SHCNE_UPDATEITEM, site);
  CoTaskMemFree(site);
}

int addItem(const _FTPITEMID* item, void* into) {
  static_cast<shellEnum*>(into)->Add(reinterpret_cast<LPITEMIDLIST>(const_cast<_FTPITEMID*>(item)), true);
  return 1;
}
}  // namespace

std::string inOneLine(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p)
    if (*p != '\r' && *p != '\n') out += *p;
  return out;
}

void inStatus(inJob& job, const char* text) {
  (void)job;
  shellApp::Get().SetStatusText(text);
}

void inStatus(inJob& job, const std::wstring& text) {
  (void)job;
  shellApp::Get().SetStatusText(text.c_str());
}

const char* inBatchQuestion(int command) {
  switch (command) {
    case IN_CMD_OPEN:
    case IN_CMD_PRINT:
    case IN_CMD_DOWNLOAD:
    case IN_CMD_DOWNLOAD_TO:
    case IN_CMD_VIEW_INDEX:
      return "Continue downloading the remaining items in this batch?";
    case IN_CMD_DELETE:
      return "Continue Deleting the remaining items in this batch?";
    case IN_CMD_UPLOAD:
      return "Continue Uploading the remaining items in this batch?";
    case IN_CMD_SITE_TO_SITE:
    case IN_CMD_INTRA_SITE:
      return "Continue transferring the remaining items in this batch?";
    default:
      return nullptr;
  }
}

unsigned long inJobCallback(_sock_notification_* note, void* user, void*) {
  auto* job = static_cast<inJob*>(user);
  if (!job || !note) return 0;
  void* progress = job->Progress();
  if (!progress) return 0;
  switch (note->type) {
    case VQNOTIFY_COMMAND:
      return VQPROG_IsCanceled(progress);
    case VQNOTIFY_LOG:
      shellApp::Get().SetStatusText(shellWideText(note->message, job->NamesUtf8()).c_str());
      return VQPROG_IsCanceled(progress);
    case VQNOTIFY_RECEIVE:
    case VQNOTIFY_SEND:
      // Each setter also answers whether Cancel was pressed, so a transfer stops mid-file.
      return VQPROG_FileSetTotalBytes(progress, note->total) | VQPROG_FileSetCurrentBytes(progress, note->current);
    case VQNOTIFY_STATUS:
      return VQPROG_CnctSetStatusW(progress, shellWideText(inOneLine(note->message).c_str(), job->NamesUtf8()).c_str());
    case VQNOTIFY_RETRY:
      return VQPROG_CnctSetLastErrorW(progress,
                                      shellWideText(inOneLine(note->message).c_str(), job->NamesUtf8()).c_str());
    case VQNOTIFY_ATTEMPT:
      return VQPROG_CnctSetAttempts(progress, static_cast<int>(note->current), static_cast<int>(note->total));
    default:
      return 0;
  }
}

unsigned long inConnectStep(inJob& job, vqFtpEngine* engine) {
  if (!engine) return IN_RESULT_NO_ENGINE;
  int wasOpen = engine->FTP_IsOpen();
  std::string status = wasOpen ? "Testing FTP Connection..." : "Establishing Connection...";
  inStatus(job, status.c_str());
  unsigned long rc = engine->FTP_Connect();
  const bool trusted = rc == 0 && engine->GetTlsTrustedIsNew();
  if (trusted && job.SiteLoaded) job.Site.SetTlsTrusted(engine->GetTlsTrusted());
  if (rc == 0 && engine == job.Engine && job.SiteLoaded) {
    job.Site.SetHostDelim(engine->GetHostDelim());
    if (job.Site.GetIRD()[0]) job.Site.SetIRD(engine->GetIRD());
    job.Site.SITE_SaveParams(job.SubPath.c_str(), job.SiteName.c_str());
  } else if (trusted && job.SiteLoaded) {
    job.Site.SITE_SaveParams(job.SubPath.c_str(), job.SiteName.c_str());
  }
  status += rc == 0 ? "Success!" : "Connection failure! ";
  inStatus(job, status.c_str());
  if (engine->FTP_IsOpen() != wasOpen) notifyItem(job);
  return rc;
}

unsigned long inDisconnectStep(inJob& job) {
  if (!job.Engine) return IN_RESULT_NO_ENGINE;
  unsigned long rc = job.Engine->FTP_Disconnect();
  notifyItem(job);
  return rc;
}

unsigned long inExploreTask(inJob& job, inTask& task) {
  vqFtpEngine* engine = job.Engine;
  shellEnum* into = task.Enumerator;
  if (!engine) return IN_RESULT_NO_ENGINE;
  LPCITEMIDLIST folder = task.Source ? task.Source : job.Item;
  void* progress = job.Progress();

  unsigned long rc = inConnectStep(job, engine);
  if (rc == 0) {
    VQPROG_CnctSetStatus(progress, "Generating initial directory listing...");
    shellRemoteSite site = {engine->GetIRD(), engine->GetHostDelimChar() ? engine->GetHostDelimChar() : '/',
                            static_cast<int>(engine->GetHostType())};
    std::string remote;
    RemotePath(folder, &site, 0, remote);
    const bool namesUtf8 = shellFolderNamesUtf8(folder);
    const std::string shownRemote = shellShownName(remote, namesUtf8);
    inStatus(job, L"Retrieving file listing: " + shellWideName(remote.c_str(), namesUtf8));
    std::string cacheDir = shellApp::Get().GetCacheDir(), listing, siteDir;
    shellCacheSite cache = {cacheDir.c_str(), job.Site.GetURL(), job.Site.GetSiteId()};
    if (!CacheFileName(folder, false, cache, listing, &siteDir)) rc = IN_RESULT_NO_ENGINE;
    if (rc == 0 && !siteDir.empty()) CreateDirectoryA(siteDir.c_str(), nullptr);
    if (rc == 0) rc = engine->FTP_CWD(remote.c_str());
    if (rc == 0)
      rc = engine->FTP_LIST(listing.c_str(), "", job.Site.GetRemoteFileMask(),
                            job.Site.GetShowHiddenFiles() ? job.Site.GetShowHiddenCmd() : "");
    if (rc == 0) {
      const char* parsing = "Parsing directory information...";
      inStatus(job, parsing);
      vqDirParser parser(engine->GetHostType());
      parser.SetIgnoreDotDirs(1);  // the ".." entry is made from the folder's own record
      unsigned long count = 0;
      rc = parser.DIR_PARSE(listing.c_str(), count);
      if (rc == 0 && into && parser.DirEnumOpen(parser.GetOutfileName())) {
        shellListingOptions options = {job.Site.GetShowDotDotDir() && job.Command == IN_CMD_EXPLORE,
                                       job.Site.GetHideDotDir(), job.Site.GetHideDotFile(),
                                       job.Site.GetNameEncoding(), inServerSaysUtf8(engine)};
        const _FTPITEMID* folderItem = shellOwnItem(VQPIDL_Last(folder));
        // Whoever reads the collection waits for its lock; items go in whole.
        bool locked = into->Lock().LockAcquire(kFillLockMs) != 0;
        bool namesUtf8 = false;
        shellItemsFromListing(parser, folderItem, options, addItem, into, &namesUtf8);
        if (locked) into->Lock().LockRelease();
        shellNoteSiteNamesUtf8(folder, namesUtf8);
        parser.DirEnumClose();
      }
      char done[128];
      snprintf(done, sizeof done, "%s Success!", parsing);
      if (rc == 0) inStatus(job, done);
    }
    if (rc != 0 && rc != IN_RESULT_CANCEL) {
      char text[2048];
      snprintf(text, sizeof text,
               "Unable to generate a directory listing on the remote server.\n\nReason: %s\nRemote Directory: %s",
               engine->FTP_ErrorString(rc), shownRemote.c_str());
      VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION);
    }
  }
  if (into) into->SetResult(rc);
  return rc;
}

unsigned long inRunTask(inJob& job, inTask& task) {
  unsigned long rc = 0;
  VQ_TRY
    switch (job.Command) {
      case IN_CMD_EXPLORE:
        rc = inExploreTask(job, task);
        break;
      case IN_CMD_CONNECT:
        rc = inConnectStep(job, job.Engine);
        break;
      case IN_CMD_DISCONNECT:
        rc = inDisconnectStep(job);
        break;
      case IN_CMD_OPEN:
      case IN_CMD_PRINT:
      case IN_CMD_DOWNLOAD:
      case IN_CMD_DOWNLOAD_TO:
      case IN_CMD_VIEW_INDEX:
        rc = inDownloadTask(job, task);
        break;
      case IN_CMD_DELETE:
        rc = inDeleteTask(job, task);
        break;
      case IN_CMD_UPLOAD:
        rc = inUploadTask(job, task);
        break;
      case IN_CMD_SITE_TO_SITE:
      case IN_CMD_INTRA_SITE:
        rc = inTransferTask(job, task);
        break;
      default:
        VQ_MSG("Invalid Command in INTASKMANAGER", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
  VQ_CATCH(kSource, IN_RESULT_NO_ENGINE)
  // A cancel ends the batch without a question; any other failure asks whether to go on when
  // items remain (the running task is still at the head of the list).
  const char* question = inBatchQuestion(job.Command);
  if (rc != 0 && rc != IN_RESULT_CANCEL && question && job.Tasks.size() > 1 && !job.Tasks.empty() &&
      job.Tasks.front() == &task) {
    if (VQ_QUESTION(question, MB_YESNO) == IDYES) rc = 0;
  }
  return rc;
}
