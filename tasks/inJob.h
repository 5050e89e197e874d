// A job: one command over one or more objects of one site, queued on the site's task manager and
// run once on its thread. A task: one object of a job (the source item, its destination, and the
// local names made from them).
//
// The shell side makes the job, adds its tasks, optionally sets a completion event, and hands it to
// the site's task manager; from then on the task manager owns it and deletes it after it ran.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <deque>
#include <string>

#include "vqSiteParams.h"

class vqFtpEngine;
class shellEnum;
class thrdProgDlg;

// Command numbers: the shell's menu command ids.
enum {
  IN_CMD_EXPLORE = 2005,
  IN_CMD_OPEN = 2007,
  IN_CMD_PRINT = 2008,
  IN_CMD_DELETE = 2009,
  IN_CMD_DOWNLOAD = 2011,
  IN_CMD_DOWNLOAD_TO = 2012,
  IN_CMD_UPLOAD = 2013,
  IN_CMD_SITE_TO_SITE = 2014,
  IN_CMD_INTRA_SITE = 2016,
  IN_CMD_CONNECT = 2017,
  IN_CMD_DISCONNECT = 2018,
  IN_CMD_VIEW_INDEX = 7024,
};

// Results beside the engine's own codes.
enum : unsigned long {
  IN_RESULT_OK = 0,
  IN_RESULT_CANCEL = 1,         // the user cancelled: the batch ends without further questions
  IN_RESULT_NO_ENGINE = 0xFFFF  // no engine, or its lock could not be had
};

// Kinds of local path a task forms.
enum { IN_PATH_PREVIOUS = 0, IN_PATH_CACHED = 1, IN_PATH_LOCAL_COPY = 2, IN_PATH_TARGET = 3 };

class inTask {
 public:
  // Either list may be null. Lists are root-relative (categories, site, remote items) and copied.
  inTask(LPCITEMIDLIST source, LPCITEMIDLIST destination);
  virtual ~inTask();
  inTask(const inTask&) = delete;
  inTask& operator=(const inTask&) = delete;

  // Forms and returns LocalPath by kind (IN_PATH_*). The name part always goes through the
  // safe-name rules, so a server's name never leaves LocalDir.
  const char* GetLocalPath(int kind);
  // Takes a reference on the enumerator a listing fills (null clears).
  void SetEnumerator(shellEnum* target);

  std::string LocalDir;    // ends with "\"; the site's transfer folder, or the caller's choice
  std::string Name;        // display name of the source item
  std::string LocalPath;   // the last local path formed
  // When the source's name is UTF-8 and the code page cannot carry it: LocalPath is a stand-in
  // and this the real wide path the file takes (see inLocalNames.h); empty otherwise.
  std::wstring LocalReal;
  // Upload: the whole wide path of the local file or folder chosen (a drop, a paste, the file
  // dialog), so a name the code page lacks is read all the same; when set it wins over
  // LocalDir and Name, which then hold its code-page form for the older calls.
  std::wstring LocalFile;
  // The source's name as a person reads it (progress windows, status texts).
  std::wstring ShownName() const;
  bool NameIsUtf8;         // the source item was listed as UTF-8
  std::string RemotePath;  // the source's remote path, or the destination's remote directory
  std::string SourceName;  // the name used on the remote side
  std::string Scratch;
  int IsMove;
  // Command 7024: the folder view window that receives the fetched file as WM_COMMAND 7024 with
  // lParam a LocalAlloc'd copy of the local path (the receiver frees it with LocalFree).
  HWND NotifyWindow;
  shellEnum* Enumerator;     // referenced, or null
  LPITEMIDLIST Source;       // owned copy (shell allocator), or null
  LPITEMIDLIST Destination;  // owned copy (shell allocator), or null
};

class inJob {
 public:
  // item: the root-relative list the command was issued on (copied); the site is loaded from it.
  inJob(int command, LPCITEMIDLIST item);
  ~inJob();
  inJob(const inJob&) = delete;
  inJob& operator=(const inJob&) = delete;

  void AddTask(inTask* task) { Tasks.push_back(task); }
  // The progress handle of the job's progress thread; null while there is none (then every
  // progress call is skipped and the engine callback answers "not cancelled").
  void* Progress() const;
  // "%s\%s" of sub-path and site name: the key of the site's engine, lock and task manager.
  std::string SiteKey() const { return SubPath + "\\" + SiteName; }

  int Command;
  LPITEMIDLIST Item;    // owned copy (shell allocator)
  HANDLE Done;          // completion event set by a waiting caller, or null
  bool OwnsDone;        // the job closes Done when it is deleted (a caller that may stop waiting)
  vqFtpEngine* Engine;  // the source connection in use, or null between runs
  vqFtpEngine* DestEngine;
  vqSiteParams Site;  // loaded at construction (program id 2)
  bool SiteLoaded;
  std::string SubPath;
  std::string SiteName;
  std::deque<inTask*> Tasks;  // run head first; owned
  int ProgressType;
  thrdProgDlg* ProgressThread;  // owned by the task manager while the job runs
  int CurrentFile;
  int Extra;
  // Whether the site's names are UTF-8 (asked once): how the engine's lines are read for the user.
  bool NamesUtf8();

 private:
  int m_namesUtf8;  // -1 not asked yet
};

// Runs one task of a job on the job's engine(s): the command's own work and its questions.
// Returns 0 to go on with the batch, IN_RESULT_CANCEL or an error code to end it.
unsigned long inRunTask(inJob& job, inTask& task);

// The commands' work, one task each (the task manager calls these through inRunTask).
unsigned long inExploreTask(inJob& job, inTask& task);   // 2005
unsigned long inDownloadTask(inJob& job, inTask& task);  // 2007, 2008, 2011, 2012, 7024
unsigned long inDeleteTask(inJob& job, inTask& task);    // 2009
unsigned long inUploadTask(inJob& job, inTask& task);    // 2013
unsigned long inTransferTask(inJob& job, inTask& task);  // 2014, 2016
