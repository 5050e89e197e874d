// Delete: a remote file, a link entry, or a folder with everything in it, depth first. A link to
// a folder is removed as an entry and never entered: its target may be anywhere on the server.
#include <stdio.h>

#include "inTransfers.h"
#include "shellItems.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"

namespace {
const char kSource[] = "inTaskManager";
const char kFolderQuestion[] = "Continue Deleting the remaining items in this folder?";
const char kBatchQuestion[] = "Continue Deleting the remaining items in this batch?";

void status(inJob& job, const std::string& path) {
  if (void* p = job.Progress()) {
    const std::wstring text = L"Deleting: " + shellWideName(path.c_str(), job.NamesUtf8());
    VQPROG_FileSetSourceW(p, text.c_str());
  }
}

// A failed delete asks whether to stop the rest; true to stop.
bool stopAfter(inWalk& walk, const std::string& name, unsigned long rc) {
  std::string reason = inResultText(walk.Engine(), rc);
  std::vector<char> text(name.size() + reason.size() + 160);
  snprintf(text.data(), text.size(),
           "Farhollow was unable to delete the file named %s.\n\nReason: %s\n\nWould you like to cancel the deletion "
           "of the remaining files?",
           name.c_str(), reason.c_str());
  walk.NoteFailure("Farhollow was unable to delete the file named " + name + ".\n\nReason: " + reason);
  return VQ_QUESTION(text.data(), MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

// Empties the folder `remote` (a path, or a name in the folder entered); the caller removes it.
unsigned long emptyFolder(inWalk& walk, const std::string& remote) {
  std::vector<inEntry> entries;
  unsigned long rc = walk.Open(remote, entries, "Unable to access remote directory!");
  if (rc != 0) return rc;
  unsigned long failed = 0;
  for (size_t i = 0; i < entries.size() && failed != IN_RESULT_CANCEL; ++i) {
    const inEntry& e = entries[i];
    if (inCancelled(walk.Job())) {
      failed = IN_RESULT_CANCEL;
      break;
    }
    // A name holding the server's separator would name something elsewhere.
    if (!walk.NameIsPlain(e.name)) {
      walk.Skipped.push_back(walk.Child(e.name) + " (not a plain name)");
      if (!failed) failed = IN_RESULT_CYCLE;
      continue;
    }
    const std::string shown = walk.Child(e.name);
    status(walk.Job(), shown);
    unsigned long r;
    if (e.kind == VQ_KIND_FOLDER) {
      r = emptyFolder(walk, e.name);
      if (r == 0) r = walk.Engine()->FTP_RMD(e.name.c_str());
      if (r == IN_RESULT_CYCLE) {
        if (!failed) failed = r;
        continue;
      }
    } else {
      r = walk.Engine()->FTP_DELE(e.name.c_str());  // files, file links and folder links alike
    }
    if (r == IN_RESULT_CANCEL) {
      failed = r;
      break;
    }
    if (r != 0) {
      if (!failed || failed == IN_RESULT_CYCLE) failed = r;
      if (e.kind == VQ_KIND_FOLDER) {
        if (!inAskGoOn(shown + ": " + inResultText(walk.Engine(), r), kFolderQuestion, i + 1 < entries.size(), walk.Job().NamesUtf8())) break;
      } else if (stopAfter(walk, shown, r)) {
        failed = IN_RESULT_CANCEL;
      }
    }
  }
  walk.Leave();
  return failed;
}
}  // namespace

unsigned long inDeleteTask(inJob& job, inTask& task) {
  VQ_TRY
    vqFtpEngine* engine = job.Engine;
    if (!engine || !task.Source) return IN_RESULT_NO_ENGINE;
    inWalk walk(job, engine);
    std::string remote;
    if (!inRemotePath(engine, task.Source, false, remote))
      return inEndTask(job, task, walk, IN_RESULT_NO_ENGINE, kBatchQuestion);
    const int kind = shellItemKind(VQPIDL_Last(task.Source));
    unsigned long rc;
    if (kind == VQ_KIND_FOLDER) {
      rc = emptyFolder(walk, remote);
      if (rc == 0) {
        status(job, remote);
        rc = engine->FTP_RMD(remote.c_str());
        if (rc != 0) walk.NoteFailure("Unable to remove " + remote + ".\n\nReason: " + inResultText(engine, rc));
      }
    } else {
      if (kind == VQ_KIND_FOLDERLINK) {
        // The link entry itself: its remote path is the link's name, not its target.
        std::string parent;
        inParentRemotePath(engine, task.Source, parent);
        remote = inJoinRemote(engine, parent, task.Name);
      }
      status(job, remote);
      rc = engine->FTP_DELE(remote.c_str());
      // The question just asked is the report; "no" goes on with the batch.
      if (rc != 0 && rc != IN_RESULT_CANCEL)
        return stopAfter(walk, remote, rc) ? static_cast<unsigned long>(IN_RESULT_CANCEL) : 0ul;
    }
    if (rc == IN_RESULT_CANCEL) return rc;
    return inEndTask(job, task, walk, rc, kBatchQuestion);
  VQ_CATCH(kSource, IN_RESULT_NO_ENGINE)
}
