// Upload: a local file, or a local folder tree, into the remote folder of the task's item. A
// local folder reached twice (a junction or link back into the tree) is uploaded once.
#include <stdio.h>

#include <set>
#include <tuple>

#include "inLocalNames.h"
#include "inTransfers.h"
#include "shellItems.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "inTaskManager";
const char kFolderQuestion[] = "Continue Uploading the remaining items in this folder?";
const char kBatchQuestion[] = "Continue Uploading the remaining items in this batch?";

typedef std::tuple<DWORD, DWORD, DWORD> folderId;  // volume, file index high, low

bool localFolderId(const std::string& path, folderId& id) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (ok) id = folderId(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
  return ok;
}

// A narrow path the engine can open for a wide one: its code-page form, else its short form.
bool narrowPath(const std::wstring& wide, std::string& out) {
  if (shellToCodePage(wide.c_str(), out)) return true;
  std::wstring shortPath;
  return inPathForm(GetShortPathNameW, wide, shortPath) && shellToCodePage(shortPath.c_str(), out);
}

// A local entry's name for the server: UTF-8 to a UTF-8 server, else the code page; and a
// narrow path the engine can open (the short form when the code page lacks the name). False
// with the reason noted when the file cannot go.
bool localEntry(inWalk& walk, const std::string& dir, const WIN32_FIND_DATAW& fd, bool utf8, std::string& local,
                std::string& remote) {
  std::string narrow;
  const bool fits = shellToCodePage(fd.cFileName, narrow);
  if (fits)
    local = dir + "\\" + narrow;
  else if (fd.cAlternateFileName[0] && shellToCodePage(fd.cAlternateFileName, narrow))
    local = dir + "\\" + narrow;
  else
    local.clear();
  std::string name;
  const std::string shown = dir + "\\" + shellShownNarrow(fd.cFileName);
  if (!shellServerName(fd.cFileName, utf8, name)) {
    walk.NoteFailure("The name of " + shown +
                     " holds characters this server's names cannot carry (the system's code page lacks them): "
                     "it was not uploaded. Set the site's Names to UTF-8 if the server takes UTF-8.");
    return false;
  }
  if (local.empty()) {
    walk.NoteFailure("The file " + shown + " has no name the transfer can open: it was not uploaded.");
    return false;
  }
  remote = walk.RemoteName(name);
  return true;
}

struct upload {
  inWalk& walk;
  bool move;
  bool utf8;  // names go to the server as UTF-8
  std::set<folderId> visited;
  size_t depth = 0;

  // local: what the engine opens; wide: the same file under its real name.
  unsigned long file(const std::string& local, const std::string& remote, const std::wstring& wide) {
    inProgressFile(walk.Job(), wide, shellWideName(walk.Child(remote).c_str(), utf8),
                   static_cast<uint64_t>(inLocalSize(local)));
    unsigned long rc = walk.Engine()->FTP_PutFile(remote.c_str(), local.c_str(), walk.TransferMode);
    if (rc != 0 && rc != IN_RESULT_CANCEL) {
      std::string error = inResultText(walk.Engine(), rc);
      const std::string shown = shellShownNarrow(wide);
      std::vector<char> text(shown.size() + error.size() + 96);
      snprintf(text.data(), text.size(), "An error was encountered while attempting to upload [%s]\nERROR: %s\n",
               shown.c_str(), error.c_str());
      walk.NoteFailure(text.data());
    }
    if (rc == 0 && move) DeleteFileW(wide.c_str());
    return rc;
  }

  unsigned long folder(const std::string& local, const std::string& remote, const std::wstring& wide) {
    folderId id;
    if (!localFolderId(local, id)) {
      walk.NoteFailure("Unable to read the folder " + local + ".");
      return IN_RESULT_LOCAL;
    }
    if (!visited.insert(id).second) {
      walk.Skipped.push_back(local + " (a folder already uploaded in this task)");
      return IN_RESULT_CYCLE;
    }
    if (depth >= IN_MAX_DEPTH) {
      walk.Skipped.push_back(local + " (more than 64 folders deep)");
      return IN_RESULT_CYCLE;
    }
    walk.Engine()->FTP_MKD(remote.c_str());  // refused when it exists already; entering tells
    unsigned long rc = walk.Enter(remote);
    if (rc != 0) {
      if (rc != IN_RESULT_CYCLE)
        walk.NoteFailure("Unable to set remote directory!\n\n" + remote + ": " + inResultText(walk.Engine(), rc));
      return rc;
    }
    ++depth;
    // Wide, so names beyond the code page are read as they are.
    std::vector<WIN32_FIND_DATAW> found;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((wide + L"\\*.*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) found.push_back(fd);
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    uint64_t bytes = 0;
    int files = 0;
    for (const WIN32_FIND_DATAW& f : found)
      if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        bytes += (static_cast<uint64_t>(f.nFileSizeHigh) << 32) | f.nFileSizeLow, ++files;
    inProgressAddFiles(walk.Job(), files, bytes);

    unsigned long failed = 0;
    for (size_t i = 0; i < found.size(); ++i) {
      if (inCancelled(walk.Job())) {
        failed = IN_RESULT_CANCEL;
        break;
      }
      std::string child, name;
      unsigned long r;
      if (!localEntry(walk, local, found[i], utf8, child, name)) {
        r = IN_RESULT_LOCAL;
        if (!failed) failed = r;
        continue;  // noted, and reported at the end of the task
      } else if (found[i].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        r = folder(child, name, wide + L"\\" + found[i].cFileName);
        if (r == IN_RESULT_CYCLE) {
          if (!failed) failed = r;
          continue;
        }
        if (r == 0 && move) RemoveDirectoryW((wide + L"\\" + found[i].cFileName).c_str());
      } else {
        r = file(child, name, wide + L"\\" + found[i].cFileName);
      }
      if (r == IN_RESULT_CANCEL) {
        failed = r;
        break;
      }
      if (r != 0) {
        if (!failed || failed == IN_RESULT_CYCLE) failed = r;
        if (!inAskGoOn(child + ": " + inResultText(walk.Engine(), r), kFolderQuestion, i + 1 < found.size(), walk.Job().NamesUtf8())) break;
      }
    }
    --depth;
    walk.Leave();
    return failed;
  }
};
}  // namespace

unsigned long inUploadTask(inJob& job, inTask& task) {
  VQ_TRY
    vqFtpEngine* engine = job.Engine;
    if (!engine || !task.Source) return IN_RESULT_NO_ENGINE;
    inWalk walk(job, engine);
    // The file chosen, by its wide name when the shell gave one (a name the code page lacks
    // reaches the server whole); else the narrow name, as older callers give it.
    std::string dir = task.LocalDir;
    inEnsureSlash(dir);
    const std::wstring wide = task.LocalFile.empty() ? shellFromCodePage((dir + task.Name).c_str()) : task.LocalFile;
    const std::wstring name = wide.substr(wide.find_last_of(L'\\') + 1);
    std::string local;
    const bool opens = narrowPath(wide, local);
    const std::string shown = shellShownNarrow(wide);
    std::string remoteDir;
    unsigned long rc =
        inParentRemotePath(engine, task.Source, remoteDir) ? 0ul : static_cast<unsigned long>(IN_RESULT_NO_ENGINE);
    if (rc == 0) {
      rc = walk.Enter(remoteDir);
      if (rc != 0)
        walk.NoteFailure("Unable to set remote directory!\n\n" + remoteDir + ": " + inResultText(engine, rc));
    }
    const bool utf8 = shellFolderNamesUtf8(task.Source);
    std::string remoteName;
    if (rc == 0 && !shellServerName(name.c_str(), utf8, remoteName)) {
      walk.NoteFailure("The name of " + shown +
                       " holds characters this server's names cannot carry (the system's code page lacks them): "
                       "it was not uploaded. Set the site's Names to UTF-8 if the server takes UTF-8.");
      rc = IN_RESULT_LOCAL;
    }
    if (rc == 0) {
      upload up{walk, task.IsMove != 0, utf8, {}, 0};
      const DWORD attributes = GetFileAttributesW(wide.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) {
        walk.NoteFailure("Unable to read " + shown + ".");
        rc = IN_RESULT_LOCAL;
      } else if (!opens) {
        walk.NoteFailure("The file " + shown + " has no name the transfer can open: it was not uploaded.");
        rc = IN_RESULT_LOCAL;
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        rc = up.folder(local, walk.RemoteName(remoteName), wide);
        if (rc == 0 && up.move) RemoveDirectoryW(wide.c_str());
      } else {
        rc = up.file(local, walk.RemoteName(remoteName), wide);
      }
    }
    return inEndTask(job, task, walk, rc, kBatchQuestion);
  VQ_CATCH(kSource, IN_RESULT_NO_ENGINE)
}
