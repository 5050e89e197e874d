// Open, Print, Download, Download To and the index-file fetch: one remote file or folder tree to a
// local folder (or to the site's cache), then whatever the command does with the local copy.
#include <shlobj.h>
#include <shellapi.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "dlgResume.h"
#include "inLocalNames.h"
#include "inTransfers.h"
#include "shellWideNames.h"
#include "shellItems.h"
#include "vqCatch.h"
#include "vqFileApi.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqResults.h"

namespace {
const char kSource[] = "inTaskManager";
const char kFolderQuestion[] = "Continue Downloading the remaining items in this folder?";
const char kBatchQuestion[] = "Continue downloading the remaining items in this batch?";

bool isZero(const FILETIME& t) { return t.dwLowDateTime == 0 && t.dwHighDateTime == 0; }

// Listed times are the server's wall clock; the file keeps them as local time.
void setFileTime(const std::string& path, const FILETIME& listed) {
  FILETIME utc;
  if (isZero(listed) || !LocalFileTimeToFileTime(&listed, &utc)) return;
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

// Asks how to go on with a shorter local copy; the job keeps an answer meant for all its files
// (job.Extra: -1 ask, else the choice). False when the user cancels.
bool resumeChoice(inJob& job, bool& resume) {
  if (job.Extra == dlgResume::Resume || job.Extra == dlgResume::StartAgain) {
    resume = job.Extra == dlgResume::Resume;
    return true;
  }
  dlgResume dlg(inModule());
  void* p = job.Progress();
  HWND owner = p ? static_cast<HWND>(VQPROG_GetWindow(p)) : nullptr;
  if (dlg.DoModal(owner) != IDOK) return false;
  resume = dlg.Choice == dlgResume::Resume;
  if (dlg.ApplyToAll) job.Extra = dlg.Choice;
  return true;
}

// One file. remote is what RETR is given (a name in the folder entered, or a whole path).
// shown: the remote name and the local file as the progress window names them.
unsigned long getFile(inWalk& walk, const std::string& remote, const std::string& local, const inEntry& entry,
                      bool move, const std::wstring& shownRemote, const std::wstring& shownLocal) {
  inJob& job = walk.Job();
  vqFtpEngine* engine = walk.Engine();
  const unsigned mode = walk.TransferMode;
  const uint64_t listed = entry.size;
  bool resume = false;
  const int64_t have = inLocalSize(local);
  if (listed > 0 && have > 0 && static_cast<uint64_t>(have) < listed && !resumeChoice(job, resume))
    return IN_RESULT_CANCEL;

  inProgressFile(job, shownRemote, shownLocal, listed);
  const unsigned long sizeArg = listed > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<unsigned long>(listed);
  unsigned long rc = engine->FTP_GetFile(remote.c_str(), local.c_str(), mode, sizeArg, resume ? 1 : 0);
  if (rc != 0) {
    if (rc != IN_RESULT_CANCEL)
      walk.NoteFailure("Unable to download " + remote + ".\n\nReason: " + inResultText(engine, rc));
    return rc;
  }
  // The closing reply alone does not prove the file arrived whole.
  if (listed > 0 && walk.IsBinary(local)) {
    const int64_t got = inLocalSize(local);
    if (got < 0 || static_cast<uint64_t>(got) < listed) {
      char text[160];
      snprintf(text, sizeof text, " (%lld of %llu bytes arrived)", static_cast<long long>(got < 0 ? 0 : got),
               static_cast<unsigned long long>(listed));
      walk.NoteFailure("Unable to download " + remote + text +
                       ".\n\nReason: " + inResultText(engine, IN_RESULT_SHORT_FILE));
      return IN_RESULT_SHORT_FILE;
    }
  }
  if (walk.PreserveDate) {
    // A date listed without its year may be a year off, and has no seconds: ask the server.
    FILETIME exact;
    const bool asked = entry.yearGuessed && engine->FTP_MDTM(remote.c_str(), &exact) == 0;
    setFileTime(local, asked ? exact : entry.modified);
  }
  if (move) {
    rc = engine->FTP_DELE(remote.c_str());
    if (rc != 0)
      walk.NoteFailure("Unable to delete " + remote + " after its download.\n\nReason: " + inResultText(engine, rc));
  }
  return rc;
}

// The exact dates of a folder's files listed without a year, asked together before their
// transfers (one round trip per group rather than one per file). An entry the server answered for
// is no longer guessed: it takes the server's date, or keeps the listed one when the server has
// none; one left unanswered is asked again when its file comes.
void askDates(inWalk& walk, std::vector<inEntry>& entries) {
  const unsigned kBatch = 64;  // the user's Cancel is looked at between batches
  std::vector<size_t> asked;
  for (size_t i = 0; i < entries.size(); ++i)
    if (!entries[i].IsFolder() && entries[i].yearGuessed) asked.push_back(i);
  for (size_t first = 0; first < asked.size() && !inCancelled(walk.Job()); first += kBatch) {
    const unsigned n = static_cast<unsigned>(std::min<size_t>(kBatch, asked.size() - first));
    std::vector<const char*> paths(n);
    std::vector<FILETIME> times(n);
    std::vector<unsigned long> results(n);
    for (unsigned k = 0; k < n; ++k) paths[k] = entries[asked[first + k]].name.c_str();
    const unsigned long r = walk.Engine()->FTP_MDTMMany(paths.data(), n, times.data(), results.data());
    for (unsigned k = 0; k < n; ++k) {
      inEntry& e = entries[asked[first + k]];
      const unsigned long got = results[k];
      if (got == 0) e.modified = times[k];
      if (got != VQFTP_TIMEOUT && got != VQFTP_CANCELLED && got != VQFTP_INTERNAL && got != VQFTP_NOT_CONNECTED)
        e.yearGuessed = false;
    }
    if (r != 0) return;  // the rest are asked one by one, as their files come
  }
}

// A local path as a person reads it: a folder reached through its short form (a name the code
// page lacks) shown under its own long name.
std::wstring longForm(const std::wstring& path) {
  const size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return path;
  const std::wstring dir = path.substr(0, cut);
  // Only a short form has a '~' in it; the lookup walks the whole path in the file system, which
  // costs more than a small file's transfer.
  std::wstring whole;
  if (dir.find(L'~') == std::wstring::npos || !inPathForm(GetLongPathNameW, dir, whole)) return path;
  return whole + path.substr(cut);
}

// One file under a local name that may stand in for its wide one.
unsigned long getFileAs(inWalk& walk, const std::string& remote, const inLocalName& local, const inEntry& entry,
                        bool move, bool utf8) {
  inLocalBegin(local);
  // A name in the folder entered is shown with that folder, as a whole path is.
  const std::string shownRemote = walk.NameIsPlain(remote) ? walk.Child(remote) : remote;
  unsigned long rc =
      getFile(walk, remote, local.path, entry, move, shellWideName(shownRemote.c_str(), utf8), longForm(local.Shown()));
  if (!inLocalEnd(local) && rc == 0) {
    walk.NoteFailure("Unable to give the downloaded file " + remote + " its name; it stays as " + local.path + ".");
    rc = IN_RESULT_LOCAL;
  }
  return rc;
}

// utf8Parent: the folder was reached as a UTF-8 name, so its entries are UTF-8 too.
unsigned long getFolder(inWalk& walk, const std::string& remote, const std::string& local, bool move,
                        bool utf8Parent) {
  inJob& job = walk.Job();
  if (!CreateDirectoryA(local.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    walk.NoteFailure("Unable to create the folder " + local + ".");
    return IN_RESULT_LOCAL;
  }
  std::vector<inEntry> entries;
  unsigned long rc = walk.Open(remote, entries, "Unable to generate file list!");
  if (rc != 0) return rc;
  inProgressAddFiles(job, entries);
  if (walk.PreserveDate) askDates(walk, entries);

  std::string dir = local;
  inEnsureSlash(dir);
  const bool utf8 = inEntriesUtf8(job, entries, utf8Parent);
  unsigned long failed = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const inEntry& e = entries[i];
    if (inCancelled(job)) {
      failed = IN_RESULT_CANCEL;
      break;
    }
    inLocalName child;
    bool made = true;
    if (!e.IsFolder())
      child = inLocalFile(dir, e.name, utf8);
    else if (!utf8)
      child.path = inLocalChild(dir, e.name);  // getFolder makes it
    else if (walk.NameIsPlain(e.name))
      made = inLocalFolder(dir, e.name, true, child);
    else
      child.path = dir;  // not followed: no folder is made for it
    unsigned long r;
    if (!made) {
      walk.NoteFailure("Unable to create a local folder for " + walk.Child(e.name) + " in " + dir + ".");
      r = IN_RESULT_LOCAL;
    } else if (child.path.empty()) {
      walk.NoteFailure("No room for a local name for " + walk.Child(e.name) + " in " + dir + ".");
      r = IN_RESULT_LOCAL;
    } else if (e.IsFolder()) {
      r = walk.NameIsPlain(e.name) ? getFolder(walk, e.name, child.path, move, utf8) : IN_RESULT_CYCLE;
      if (r == IN_RESULT_CYCLE) {
        if (!walk.NameIsPlain(e.name)) walk.Skipped.push_back(walk.Child(e.name) + " (not a plain name)");
        if (!failed) failed = r;
        continue;  // reported at the end of the task
      }
      if (r == 0 && move) walk.Engine()->FTP_RMD(e.name.c_str());
    } else {
      r = getFileAs(walk, e.name, child, e, move, utf8);
    }
    if (r == IN_RESULT_CANCEL) {
      failed = r;
      break;
    }
    if (r != 0) {
      if (!failed || failed == IN_RESULT_CYCLE) failed = r;
      if (!inAskGoOn(walk.Child(e.name) + ": " + inResultText(walk.Engine(), r), kFolderQuestion,
                     i + 1 < entries.size(), walk.Job().NamesUtf8()))
        break;
    }
  }
  walk.Leave();
  return failed;
}

// Open and Print hand the local copy to the program the system associates with it.
void launch(int command, std::string path, const std::wstring& real) {
  if (path.size() > 1 && path[0] == '\\' && path[1] != '\\') path = "c:" + path;
  const bool print = command == IN_CMD_PRINT;
  if (!real.empty()) {
    // A wide name the code page cannot carry opens through the wide call.
    const INT_PTR w = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, print ? L"print" : nullptr, real.c_str(), nullptr,
                                                              nullptr, print ? SW_SHOWMINIMIZED : SW_SHOWMAXIMIZED));
    if (w > 32) return;
  }
  const INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, print ? "print" : nullptr, path.c_str(), nullptr,
                                                            nullptr, print ? SW_SHOWMINIMIZED : SW_SHOWMAXIMIZED));
  if (r > 32) return;
  if (r == SE_ERR_NOASSOC || r == SE_ERR_ASSOCINCOMPLETE) {
    std::string cmd = "rundll32.exe shell32.dll,OpenAs_RunDLL " + path;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    return;
  }
  char text[MAX_PATH + 128];
  snprintf(text, sizeof text, "An error occurred (%x) while attempting to launch the application associated with %s",
           static_cast<unsigned>(r), path.c_str());
  VQ_MSG(text, MB_OK | MB_ICONEXCLAMATION);
}

void postToView(HWND view, const std::string& path) {
  if (!view || !IsWindow(view)) return;
  char* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, path.size() + 1));
  if (!copy) return;
  memcpy(copy, path.c_str(), path.size() + 1);
  if (!PostMessageA(view, WM_COMMAND, IN_CMD_VIEW_INDEX, reinterpret_cast<LPARAM>(copy))) LocalFree(copy);
}
}  // namespace

unsigned long inDownloadTask(inJob& job, inTask& task) {
  VQ_TRY
    vqFtpEngine* engine = job.Engine;
    if (!engine || !task.Source) return IN_RESULT_NO_ENGINE;
    const int command = job.Command;
    const bool toCache = command == IN_CMD_OPEN || command == IN_CMD_PRINT || command == IN_CMD_VIEW_INDEX;
    const int kind = shellItemKind(VQPIDL_Last(task.Source));
    const bool folder = shellIsFolderLikeKind(kind);
    const bool move = task.IsMove != 0 && !toCache;
    inWalk walk(job, engine);

    task.LocalPath.clear();
    const std::string local = task.GetLocalPath(toCache && !folder ? IN_PATH_CACHED : IN_PATH_TARGET);
    std::string remote;
    unsigned long rc = 0;
    if (local.empty()) {
      walk.NoteFailure("No local name for " + task.Name + " in " + task.LocalDir + ".");
      rc = IN_RESULT_LOCAL;
    } else if (!inRemotePath(engine, task.Source, false, remote)) {
      rc = IN_RESULT_NO_ENGINE;
    }
    if (rc == 0) {
      const std::string dir = local.substr(0, local.rfind('\\') + 1);
      VQAPI_CreatePath(dir.c_str());
      if (folder) {
        std::string target = local;
        inLocalName made;
        if (task.NameIsUtf8) {
          if (inLocalFolder(dir, task.Name, true, made)) {
            target = made.path;
          } else {
            walk.NoteFailure("Unable to create a local folder for " + remote + " in " + dir + ".");
            rc = IN_RESULT_LOCAL;
          }
        }
        if (rc == 0) rc = getFolder(walk, remote, target, move, task.NameIsUtf8);
        if (rc == 0 && move) engine->FTP_RMD(remote.c_str());
      } else {
        const _FTPITEMID* item = shellOwnItem(VQPIDL_Last(task.Source));
        inEntry e;
        e.name = task.Name;
        e.kind = kind;
        e.size = VQITEM_FullSize(item);
        e.modified = item ? item->modified : FILETIME{0, 0};
        e.yearGuessed = VQITEM_YearGuessed(item);
        inLocalName as;
        as.path = local;
        as.real = task.LocalReal;
        rc = getFileAs(walk, remote, as, e, move, task.NameIsUtf8);
      }
    }
    if (rc == 0) {
      if (command == IN_CMD_DOWNLOAD || command == IN_CMD_DOWNLOAD_TO) {
        const std::string parent = local.substr(0, local.rfind('\\'));
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA | SHCNF_FLUSHNOWAIT, parent.c_str(), nullptr);
      } else if (command == IN_CMD_VIEW_INDEX) {
        inLocalName fetched;
        fetched.path = local;
        fetched.real = task.LocalReal;
        postToView(task.NotifyWindow, inNarrowPath(fetched));
      } else if (command == IN_CMD_OPEN || command == IN_CMD_PRINT) {
        launch(command, local, task.LocalReal);
      }
    }
    return inEndTask(job, task, walk, rc, kBatchQuestion);
  VQ_CATCH(kSource, IN_RESULT_NO_ENGINE)
}
