#include "inTransfers.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "shellItems.h"
#include "shellPaths.h"
#include "shellWideNames.h"
#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqDirParser.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqResults.h"
#include "vqSafeName.h"

namespace {
const char kSource[] = "inTaskManager";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

// A listing file of this thread's own in the temporary folder.
std::string listingFile() {
  static volatile LONG serial = 0;
  char dir[MAX_PATH] = "";
  GetTempPathA(sizeof dir, dir);
  char name[MAX_PATH + 64];
  snprintf(name, sizeof name, "%sfhw%lu_%lu_%ld.vqLS", dir, GetCurrentProcessId(), GetCurrentThreadId(),
           InterlockedIncrement(&serial));
  return name;
}
}  // namespace

bool inEntry::IsFolder() const { return kind == VQ_KIND_FOLDER || kind == VQ_KIND_FOLDERLINK; }

inWalk::inWalk(inJob& job, vqFtpEngine* engine)
    : TransferMode(1), PreserveDate(1), ConvertCase(0), m_job(job), m_engine(engine) {
  if (vqAppParams* app = VQSMGR_GetAppParams()) {
    TransferMode = app->GetTransferMode();
    PreserveDate = app->GetPreserveDate();
    ConvertCase = app->GetConvertCase();
    m_autoModeFiles = lower(app->GetAutoModeFiles());
  }
  m_delim = engine && engine->GetHostDelimChar() ? engine->GetHostDelimChar() : '/';
  m_brackets = engine && shellIsBracketHost(engine->GetHostType());
}

std::string inWalk::pwdOr(const std::string& fallback) {
  char buf[1024] = "";
  unsigned int size = sizeof buf - 2;
  if (m_engine->FTP_PWD(buf, size) == 0 && buf[0]) return buf;
  return fallback;
}

std::string inWalk::Child(const std::string& name) const {
  if (m_chain.empty()) return name;
  if (m_brackets) return Here() + name;
  std::string path = Here();
  if (path.empty() || path.back() != m_delim) path += m_delim;
  return path + name;
}

bool inWalk::NameIsPlain(const std::string& name) const {
  return !name.empty() && name != "." && name != ".." && name.find(m_delim) == std::string::npos &&
         name.find('/') == std::string::npos;
}

unsigned long inWalk::Enter(const std::string& pathOrName) {
  if (!m_engine) return IN_RESULT_NO_ENGINE;
  const std::string shown = m_chain.empty() ? pathOrName : Child(pathOrName);
  if (m_chain.size() >= IN_MAX_DEPTH) {
    Skipped.push_back(shown + " (more than 64 folders deep)");
    return IN_RESULT_CYCLE;
  }
  unsigned long rc = m_engine->FTP_CWD(pathOrName.c_str());
  if (rc != 0) return rc;
  std::string here = pwdOr(shown);
  if (std::find(m_chain.begin(), m_chain.end(), here) != m_chain.end()) {
    Skipped.push_back(shown + " (leads back to " + here + ")");
    if (!m_chain.empty()) m_engine->FTP_CWD(m_chain.back().c_str());
    return IN_RESULT_CYCLE;
  }
  m_chain.push_back(here);
  return 0;
}

unsigned long inWalk::Leave() {
  if (m_chain.empty()) return 0;
  m_chain.pop_back();
  if (m_chain.empty()) return 0;
  return m_engine->FTP_CWD(m_chain.back().c_str());
}

unsigned long inWalk::Open(const std::string& pathOrName, std::vector<inEntry>& out, const char* failure) {
  out.clear();
  unsigned long rc = Enter(pathOrName);
  if (rc == IN_RESULT_CYCLE) return rc;
  if (rc == 0) {
    rc = List(out);
    if (rc != 0) Leave();
  }
  if (rc != 0) NoteFailure(std::string(failure) + "\n\n" + pathOrName + ": " + inResultText(m_engine, rc));
  return rc;
}

unsigned long inWalk::List(std::vector<inEntry>& out) {
  out.clear();
  VQ_TRY
    const std::string file = listingFile();
    vqSiteParams& site = m_job.Site;
    const char* switches = m_job.SiteLoaded && site.GetShowHiddenFiles() ? site.GetShowHiddenCmd() : "";
    unsigned long rc = m_engine->FTP_LIST(file.c_str(), "", "", switches);
    if (rc == 0) {
      vqDirParser parser(m_engine->GetHostType());
      parser.SetIgnoreDotDirs(1);
      unsigned long count = 0;
      rc = parser.DIR_PARSE(file.c_str(), count);
      std::string parsed = parser.GetOutfileName() ? parser.GetOutfileName() : "";
      if (rc == 0 && parser.DirEnumOpen(parsed.c_str())) {
        _FTPITEMID* item = new _FTPITEMID();
        for (int more = parser.DirEnumFirst(item); more; more = parser.DirEnumNext(item)) {
          inEntry e;
          e.name = item->name;
          e.kind = item->kind;
          e.size = VQITEM_FullSize(item);
          e.modified = item->modified;
          e.yearGuessed = VQITEM_YearGuessed(item);
          if (e.name.empty() || e.name == "." || e.name == "..") continue;
          out.push_back(e);
        }
        delete item;
        parser.DirEnumClose();
      }
      if (!parsed.empty()) DeleteFileA(parsed.c_str());
    }
    DeleteFileA(file.c_str());
    return rc;
  VQ_CATCH(kSource, VQFTP_INTERNAL)
}

bool inRemotePath(vqFtpEngine* engine, LPCITEMIDLIST list, bool convertCase, std::string& out) {
  out.clear();
  if (!engine) return false;
  shellRemoteSite site = {engine->GetIRD(), engine->GetHostDelimChar(), static_cast<int>(engine->GetHostType())};
  unsigned mode = 0;
  if (convertCase) {
    vqAppParams* app = VQSMGR_GetAppParams();
    mode = app ? app->GetConvertCase() : 0;
  }
  return RemotePath(list, &site, mode, out);
}

bool inParentRemotePath(vqFtpEngine* engine, LPCITEMIDLIST list, std::string& out) {
  out.clear();
  if (!engine) return false;
  shellRemoteSite site = {engine->GetIRD(), engine->GetHostDelimChar(), static_cast<int>(engine->GetHostType())};
  return ParentRemotePath(list, &site, out);
}

std::string inJoinRemote(vqFtpEngine* engine, const std::string& dir, const std::string& name) {
  if (engine && shellIsBracketHost(engine->GetHostType())) return dir + name;
  const char delim = engine && engine->GetHostDelimChar() ? engine->GetHostDelimChar() : '/';
  std::string path = dir;
  if (path.empty() || path.back() != delim) path += delim;
  return path + name;
}

void inEnsureSlash(std::string& dir) {
  if (dir.empty() || dir.back() != '\\') dir += '\\';
}

std::string inLocalChild(const std::string& dir, const std::string& remoteName) {
  char safe[VQ_MAX_PATH];
  if (!VQSTR_SafeLocalName(remoteName.c_str(), dir.size(), safe, sizeof safe)) return "";
  return dir + safe;
}

int64_t inLocalSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string inResultText(vqFtpEngine* engine, unsigned long code) {
  switch (code) {
    case IN_RESULT_SHORT_FILE:
      return "The server reported the transfer complete, but sent fewer bytes than the file holds. The "
             "partial file was kept so that the download can be resumed.";
    case IN_RESULT_CYCLE:
      return "A folder leads back into the folders being walked, or lies too deep; it was not followed.";
    case IN_RESULT_LOCAL:
      return "The local file or folder could not be created or read.";
    case IN_RESULT_NO_ENGINE:
      return "No connection to the server.";
    default:
      break;
  }
  const char* text = engine ? engine->FTP_ErrorString(code) : nullptr;
  if (text && *text) return text;
  char buf[64];
  snprintf(buf, sizeof buf, "Error %lu", code);
  return buf;
}

size_t inTasksAfter(const inJob& job, const inTask& task) {
  size_t n = 0;
  for (const inTask* t : job.Tasks)
    if (t != &task) ++n;
  return n;
}

namespace {
// A failure text as the narrow message box shows it: on a UTF-8 site the server's names in it read
// as UTF-8 and written in the code page ("?" for what it lacks), not as UTF-8 bytes read in the code page.
std::string shownText(const std::string& text, bool utf8) {
  return utf8 ? shellShownNarrow(shellWideText(text.c_str(), true)) : text;
}
}  // namespace

bool inAskGoOn(const std::string& reason, const char* question, bool more, bool utf8) {
  const std::string shown = shownText(reason, utf8);
  if (!more) {
    if (!shown.empty()) VQ_MSG(shown.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  std::string text = shown.empty() ? question : shown + "\n\n" + question;
  return VQ_QUESTION(text.c_str(), MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

unsigned long inEndTask(inJob& job, inTask& task, inWalk& walk, unsigned long result, const char* batchQuestion) {
  if (!walk.Skipped.empty()) {
    std::string text = "These folders were not copied:\n";
    for (const std::string& s : walk.Skipped) text += "\n" + s;
    VQ_MSG(shownText(text, job.NamesUtf8()).c_str(), MB_OK | MB_ICONEXCLAMATION);
    if (result == 0) result = IN_RESULT_CYCLE;  // the tree is not complete: never report success
  }
  if (result == 0 || result == IN_RESULT_CANCEL) return result;
  std::string reason = walk.FirstFailure;
  if (reason.empty() && result != IN_RESULT_CYCLE) reason = task.Name + ": " + inResultText(walk.Engine(), result);
  if (result == IN_RESULT_CYCLE && walk.Skipped.size()) reason.clear();  // reported just above
  const bool more = inTasksAfter(job, task) > 0;
  if (!more) {
    if (!reason.empty()) VQ_MSG(shownText(reason, job.NamesUtf8()).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return result;
  }
  return inAskGoOn(reason, batchQuestion, true, job.NamesUtf8()) ? 0 : result;
}

void inProgressFile(inJob& job, const std::wstring& source, const std::wstring& dest, uint64_t bytes) {
  void* p = job.Progress();
  if (!p) return;
  VQPROG_FileSetSourceW(p, source.c_str());
  VQPROG_FileSetDestW(p, dest.c_str());
  VQPROG_FileSetCurrentBytes(p, 0);
  VQPROG_FileSetTotalBytes(p, static_cast<unsigned long>(std::min<uint64_t>(bytes, 0xFFFFFFFFul)));
}

void inProgressAddFiles(inJob& job, int files, uint64_t bytes) {
  void* p = job.Progress();
  if (!p) return;
  VQPROG_JobAddTotalFiles(p, files);
  VQPROG_JobAddTotalBytes(p, static_cast<unsigned long>(std::min<uint64_t>(bytes, 0xFFFFFFFFul)));
}

void inProgressAddFiles(inJob& job, const std::vector<inEntry>& entries) {
  uint64_t bytes = 0;
  int files = 0;
  for (const inEntry& e : entries)
    if (!e.IsFolder()) bytes += e.size, ++files;
  inProgressAddFiles(job, files, bytes);
}

bool inCancelled(inJob& job) {
  void* p = job.Progress();
  return p && VQPROG_IsCanceled(p);
}

bool inWalk::IsBinary(const std::string& name) const {
  if (TransferMode == 1) return true;
  if (TransferMode == 2) return false;
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return true;
  return m_autoModeFiles.find("|" + lower(name.substr(dot)) + "|") == std::string::npos;
}

std::string inWalk::RemoteName(const std::string& localName) const {
  std::string out = localName;
  for (char& c : out) {
    if (ConvertCase == 1) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (ConvertCase == 2) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

HINSTANCE inModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&inModule), &module);
  return module;
}
