// Site-to-site and intra-site copy or move: files go server to server (or through a local
// temporary file when the servers cannot reach each other); folders are made on the destination
// and walked on the source. A move removes a source file or folder only once its copy succeeded.
#include <stdio.h>

#include "inTransfers.h"
#include "shellItems.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "inTaskManager";
const char kBatchQuestion[] = "Continue transferring the remaining items in this batch?";

struct transfer {
  inWalk& walk;  // on the source connection
  vqFtpEngine* dest;
  bool move;
  bool fromUtf8, toUtf8;  // how each side's names read, for the progress window

  vqFtpEngine* source() { return walk.Engine(); }

  // A failed file asks whether to go on with the rest; true to go on.
  bool askAfterFailure() {
    char src[160], dst[160];
    snprintf(src, sizeof src, "Source Server Returned: [%d] ", source()->GetLastReplyCode());
    snprintf(dst, sizeof dst, "Destination Server Returned: [%d] ", dest->GetLastReplyCode());
    std::string text = std::string("Farhollow was unable to perform the site-to-site ") +
                       "transfer because either the source server failed to send the file " +
                       "or the destination server failed to receive the file. The following " +
                       "error information was reported back.\n\n" + src + source()->GetLastReply() + "\n\n" + dst +
                       dest->GetLastReply() + "\n\n" + "Do you wish to continue transferring the remaining files?";
    return VQ_QUESTION(text.c_str(), MB_YESNO | MB_ICONEXCLAMATION | MB_TOPMOST) == IDYES;
  }

  unsigned long file(const std::string& from, const std::string& to, uint64_t size) {
    inProgressFile(walk.Job(), shellWideName(from.c_str(), fromUtf8), shellWideName(to.c_str(), toUtf8), size);
    const unsigned long sizeArg = size > 0xFFFFFFFFull ? 0xFFFFFFFFul : static_cast<unsigned long>(size);
    unsigned long rc = source()->FTP_STS(dest, from.c_str(), to.c_str(), 0, sizeArg);
    if (rc == 0) rc = dest->GetLastRetCode();  // the destination's closing reply counts as much
    if (rc == 0 && move) {
      rc = source()->FTP_DELE(from.c_str());
      if (rc != 0)
        walk.NoteFailure("Unable to remove " + from + " after its copy.\n\nReason: " + inResultText(source(), rc));
    }
    return rc;
  }

  // Copies the source folder `from` (a path, or a name in the folder entered) to the path `to`.
  unsigned long folder(const std::string& from, const std::string& to) {
    dest->FTP_MKD(to.c_str());  // refused when it exists already; the files then tell
    std::vector<inEntry> entries;
    unsigned long rc = walk.Open(from, entries, "Unable to generate file list!");
    if (rc != 0) return rc;
    inProgressAddFiles(walk.Job(), entries);

    unsigned long failed = 0;
    for (const inEntry& e : entries) {
      if (inCancelled(walk.Job())) {
        failed = IN_RESULT_CANCEL;
        break;
      }
      if (!walk.NameIsPlain(e.name)) {
        walk.Skipped.push_back(walk.Child(e.name) + " (not a plain name)");
        if (!failed) failed = IN_RESULT_CYCLE;
        continue;
      }
      const std::string target = inJoinRemote(dest, to, e.name);
      unsigned long r;
      if (e.IsFolder()) {
        r = folder(e.name, target);
        if (r == 0 && move) r = source()->FTP_RMD(e.name.c_str());
        if (r == IN_RESULT_CYCLE) {
          if (!failed) failed = r;
          continue;
        }
      } else {
        r = file(walk.Child(e.name), target, e.size);
        if (r != 0 && r != IN_RESULT_CANCEL) {
          if (!failed || failed == IN_RESULT_CYCLE) failed = r;
          walk.NoteFailure("Unable to copy " + walk.Child(e.name) + " to " + target + ".");
          if (!askAfterFailure()) break;
          continue;
        }
      }
      if (r == IN_RESULT_CANCEL) {
        failed = r;
        break;
      }
      if (r != 0 && (!failed || failed == IN_RESULT_CYCLE)) failed = r;
    }
    walk.Leave();
    return failed;
  }
};

bool startsWithFolder(const std::string& path, const std::string& folder, char delim) {
  std::string f = folder;
  if (f.empty() || f.back() != delim) f += delim;
  std::string p = path;
  if (p.empty() || p.back() != delim) p += delim;
  return p.compare(0, f.size(), f) == 0;
}
}  // namespace

unsigned long inTransferTask(inJob& job, inTask& task) {
  VQ_TRY
    vqFtpEngine* source = job.Engine;
    vqFtpEngine* dest = job.DestEngine;
    if (!source || !dest || !task.Source || !task.Destination) return IN_RESULT_NO_ENGINE;
    inWalk walk(job, source);
    transfer t{walk, dest, task.IsMove != 0, shellFolderNamesUtf8(task.Source), shellFolderNamesUtf8(task.Destination)};
    std::string from, toDir;
    if (!inRemotePath(source, task.Source, false, from) || !inRemotePath(dest, task.Destination, false, toDir))
      return inEndTask(job, task, walk, IN_RESULT_NO_ENGINE, kBatchQuestion);
    const std::string to = inJoinRemote(dest, toDir, task.SourceName);
    const int kind = shellItemKind(VQPIDL_Last(task.Source));
    unsigned long rc;
    if (shellIsFolderLikeKind(kind)) {
      const char delim = source->GetHostDelimChar() ? source->GetHostDelimChar() : '/';
      if (job.Command == IN_CMD_INTRA_SITE && startsWithFolder(to, from, delim)) {
        // A copy into itself would find its own copy inside and never end.
        walk.NoteFailure("Unable to copy " + from + " into " + to + ": the destination lies inside the folder.");
        rc = IN_RESULT_CYCLE;
      } else {
        rc = t.folder(from, to);
        if (rc == 0 && t.move) {
          rc = source->FTP_RMD(from.c_str());
          if (rc != 0)
            walk.NoteFailure("Unable to remove " + from + " after its copy.\n\nReason: " + inResultText(source, rc));
        }
      }
    } else {
      rc = t.file(from, to, VQITEM_FullSize(shellOwnItem(VQPIDL_Last(task.Source))));
      if (rc != 0 && rc != IN_RESULT_CANCEL && walk.FirstFailure.empty()) {
        // The question is the report; yes goes on with the batch.
        return t.askAfterFailure() ? 0 : rc;
      }
    }
    return inEndTask(job, task, walk, rc, kBatchQuestion);
  VQ_CATCH(kSource, IN_RESULT_NO_ENGINE)
}
