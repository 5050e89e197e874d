// What the transfer commands share: walking a remote folder tree on one connection (entering,
// listing, leaving, with the guards that make a walk end), local names made from remote ones, the
// batch questions and the progress calls that are skipped when a job has no progress window.
//
// A walk keeps the chain of folders it is inside as the server names them (PWD after each CWD), so
// a folder link back to one of them is seen for what it is and not followed; nor is anything
// deeper than IN_MAX_DEPTH. Files are fetched by their names relative to the folder entered.
#pragma once
#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "inJob.h"

enum : unsigned long {
  IN_RESULT_SHORT_FILE = 0xFFF0,  // the closing reply said done, but fewer bytes came than listed
  IN_RESULT_CYCLE = 0xFFF1,       // a folder leads back into the walk, or lies too deep: not followed
  IN_RESULT_LOCAL = 0xFFF2,       // a local folder or file could not be made or read
};
enum { IN_MAX_DEPTH = 64 };

// One entry of a remote listing.
struct inEntry {
  std::string name;
  int kind;  // VQ_KIND_FOLDER, _OBJECT, _FOLDERLINK, _OBJECTLINK
  uint64_t size;
  FILETIME modified;
  bool yearGuessed = false;  // the listing gave no year: the server's MDTM knows better
  bool IsFolder() const;
};

class inWalk {
 public:
  inWalk(inJob& job, vqFtpEngine* engine);
  inWalk(const inWalk&) = delete;
  inWalk& operator=(const inWalk&) = delete;

  // Enters a folder: an absolute path, or a name in the folder entered last. 0; IN_RESULT_CYCLE
  // when it leads back into the chain or too deep (noted, and the walk stays where it was); or
  // the code of the failed CWD.
  unsigned long Enter(const std::string& pathOrName);
  // Back to the folder entered before; 0 or the CWD's code.
  unsigned long Leave();
  // The entries of the folder entered last, without "." and "..".
  unsigned long List(std::vector<inEntry>& out);
  // Enter, then List; when either fails (a cycle is noted by Enter) the walk stays where it was and
  // the failure is noted as `failure` followed by the folder and the reason.
  unsigned long Open(const std::string& pathOrName, std::vector<inEntry>& out, const char* failure);
  // The folder entered last, and the path of a name in it.
  const std::string& Here() const { return m_chain.back(); }
  std::string Child(const std::string& name) const;
  bool NameIsPlain(const std::string& name) const;  // holds no path separator of the server

  // The application's transfer settings, read once per task: a registry read per file would cost
  // more than a small file's transfer.
  unsigned TransferMode;  // 0 automatic, 1 binary, 2 text
  int PreserveDate;
  unsigned ConvertCase;  // 0 kept, 1 upper, 2 lower
  // Whether a file of this name goes as binary.
  bool IsBinary(const std::string& name) const;
  // A local name as the server gets it on upload.
  std::string RemoteName(const std::string& localName) const;

  inJob& Job() { return m_job; }
  vqFtpEngine* Engine() { return m_engine; }
  // Folders that were not followed, one line each, for the report at the end of the task.
  std::vector<std::string> Skipped;
  // The first failure's text, for the report when nothing is left to ask about.
  std::string FirstFailure;
  void NoteFailure(const std::string& text) {
    if (FirstFailure.empty()) FirstFailure = text;
  }

 private:
  std::string pwdOr(const std::string& fallback);

  inJob& m_job;
  vqFtpEngine* m_engine;
  std::vector<std::string> m_chain;
  char m_delim;
  bool m_brackets;
  std::string m_autoModeFiles;  // lower case
};

// The remote path of an item list on the job's source (or destination) connection.
bool inRemotePath(vqFtpEngine* engine, LPCITEMIDLIST list, bool convertCase, std::string& out);
bool inParentRemotePath(vqFtpEngine* engine, LPCITEMIDLIST list, std::string& out);
// The folder and a remote name in it joined the way the server writes paths.
std::string inJoinRemote(vqFtpEngine* engine, const std::string& dir, const std::string& name);

// A local name for a remote one inside dir (which ends with "\"); "" when dir leaves no room.
std::string inLocalChild(const std::string& dir, const std::string& remoteName);
// "\" at the end.
void inEnsureSlash(std::string& dir);
// The size of a local file, or -1 when it does not exist.
int64_t inLocalSize(const std::string& path);

// The text of a result for the user: the engine's own text for its codes, ours for ours.
std::string inResultText(vqFtpEngine* engine, unsigned long code);

// Tasks of the job still waiting after this one.
size_t inTasksAfter(const inJob& job, const inTask& task);
// After a failure: with more to come, asks `question` (yes goes on); without, only reports.
// Returns true to go on. utf8: the site's names are UTF-8 (the text shows them so).
bool inAskGoOn(const std::string& reason, const char* question, bool more, bool utf8);
// How a task ends: 0 and cancel pass; a failure is reported, with the batch question when more
// tasks wait (yes gives 0, so the batch goes on).
unsigned long inEndTask(inJob& job, inTask& task, inWalk& walk, unsigned long result, const char* batchQuestion);

// Progress calls that are skipped without a progress window.
// source and dest as a person reads them (see shellWideName).
void inProgressFile(inJob& job, const std::wstring& source, const std::wstring& dest, uint64_t bytes);
void inProgressAddFiles(inJob& job, int files, uint64_t bytes);
// The files of a folder's entries (folders not counted) added to the job's totals.
void inProgressAddFiles(inJob& job, const std::vector<inEntry>& entries);
bool inCancelled(inJob& job);

// The module that holds this code and its dialogs.
HINSTANCE inModule();
