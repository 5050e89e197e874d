// Many small files through the transfer commands on one connection: one Download or Upload task
// of a whole folder tree, timed, printed as "<files> <seconds>" for the script beside it
// (bench/batch) to compare with lftp's mirror.
//
//   bench_batch get <port> <remote folder> <local folder>   (the tree lands in <local folder>\<name>)
//   bench_batch put <port> <remote folder> <local folder>   (uploaded into <remote folder>)
// A fifth argument sets the data connections' socket buffer sizes (the site's RBufSize and
// SBufSize; the engine's default otherwise).
#include <ctype.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "inJob.h"
#include "shellItems.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace {
std::vector<unsigned char> bytes(2, 0);

void add(int kind, const std::string& name) {
  _FTPITEMID* it = shellNewItem(kind, name.c_str());
  const unsigned char* p = reinterpret_cast<const unsigned char*>(it);
  bytes.insert(bytes.end() - 2, p, p + sizeof *it);
  shellFreeItem(it);
}

long countFiles(const std::string& dir) {
  long n = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      n += countFiles(dir + "\\" + fd.cFileName);
    else
      ++n;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return n;
}

int report(const char*, const char*, unsigned, void*) { return IDNO; }  // never wait for a click

// With FH_BATCH_TRACE set: the first few hundred commands and log lines with their times, and at
// the end where the time went: each command from its sending to its final reply (a transfer's
// from the sending to its preliminary reply, then its data up to the final one), and the rest,
// between exchanges (data connects, local files, the walk itself).
LARGE_INTEGER traceFreq, traceStart;
int traced = 0;
struct spent {
  int count = 0;
  double ms = 0;
};
std::map<std::string, spent> split;
std::string open;    // the exchange running, "" between exchanges
bool named = false;  // the command's own log line came already
double since = 0;

double nowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart - traceStart.QuadPart) / static_cast<double>(traceFreq.QuadPart);
}

void account(const std::string& what, double at) {
  spent& s = split[what];
  ++s.count;
  s.ms += at - since;
  since = at;
}

unsigned long trace(_sock_notification_* note, void*, void*) {
  if (!note || (note->type != VQNOTIFY_COMMAND && note->type != VQNOTIFY_LOG)) return 0;
  const double at = nowMs();
  if (traced < 400) {
    ++traced;
    fprintf(stderr, "%9.3f ms %d %.100s\n", at, note->type, note->message);
  }
  const char* m = note->message;
  if (note->type == VQNOTIFY_COMMAND) {
    if (open.empty()) account("(between exchanges)", at);
    open = "?";
    named = false;
  } else if (!open.empty() && !named) {
    std::string verb(m, strcspn(m, " \r\n"));
    open = verb;
    named = true;
  } else if (!open.empty() && isdigit(static_cast<unsigned char>(m[0])) && isdigit(static_cast<unsigned char>(m[1])) &&
             isdigit(static_cast<unsigned char>(m[2])) && m[3] == ' ') {
    account(open, at);
    open = m[0] == '1' ? open + " data" : "";
  }
  return 0;
}

void printSplit(long files) {
  if (split.empty() || files <= 0) return;
  fprintf(stderr, "\nper file (%ld files): count and milliseconds\n", files);
  double all = 0;
  for (const auto& s : split) all += s.second.ms;
  for (const auto& s : split)
    fprintf(stderr, "  %-22s %6.2f x %7.3f ms  (%4.1f%%)\n", s.first.c_str(),
            static_cast<double>(s.second.count) / files, s.second.ms / files, 100.0 * s.second.ms / all);
  fprintf(stderr, "  %-22s          %7.3f ms\n", "all", all / files);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: bench_batch get|put <port> <remote folder> <local folder>\n");
    return 2;
  }
  vqSetMessageAnswer(report, nullptr);
  const bool get = strcmp(argv[1], "get") == 0;
  const unsigned port = static_cast<unsigned>(atoi(argv[2]));
  vqSiteParams site(2);
  site.SITE_InitParams(1, nullptr);
  site.SetSiteName("Bench batch");
  site.SetURL("127.0.0.1");
  site.SetURLPort(static_cast<unsigned short>(port));
  site.SITE_SaveParams("FTP-Sites", "Bench batch");

  // The junction, the site, the remote folders, then the tree itself.
  std::vector<unsigned char> junction(20, 0x41);
  junction[0] = 20;
  junction[1] = 0;
  bytes.insert(bytes.end() - 2, junction.begin(), junction.end());
  add(VQ_KIND_FTPSITE, "Bench batch");
  std::string remote = argv[3], local = argv[4];
  std::string folders = remote;
  std::string last;
  for (size_t at = 0; at <= folders.size();) {
    size_t slash = folders.find('/', at);
    if (slash == std::string::npos) slash = folders.size();
    std::string part = folders.substr(at, slash - at);
    at = slash + 1;
    if (part.empty()) continue;
    if (!last.empty()) add(VQ_KIND_FOLDER, last);
    last = part;
  }
  std::string localDir = local;
  if (get) {
    add(VQ_KIND_FOLDER, last);  // download the remote folder into local
  } else {
    add(VQ_KIND_FOLDER, last);  // upload into the remote folder: the local tree's own name
    size_t cut = local.find_last_of('\\');
    add(VQ_KIND_OBJECT, local.substr(cut + 1));
    localDir = local.substr(0, cut);
  }
  LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(bytes.data());

  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL("127.0.0.1");
  e->SetPort(port);
  e->SetRetryCount(0);
  e->SetFirewallPassive(1);
  if (argc > 5) {
    e->SetRBufSize(static_cast<unsigned>(atoi(argv[5])));
    e->SetSBufSize(static_cast<unsigned>(atoi(argv[5])));
  }
  unsigned long r = e->FTP_Connect();
  if (r) {
    fprintf(stderr, "connect: %s\n", e->FTP_ErrorString(r));
    e->Release();
    return 1;
  }
  inJob job(get ? IN_CMD_DOWNLOAD : IN_CMD_UPLOAD, item);
  job.Engine = e;
  inTask* task = new inTask(item, nullptr);
  task->LocalDir = localDir + "\\";
  job.AddTask(task);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (getenv("FH_BATCH_TRACE")) {
    traceFreq = freq;
    traceStart = t0;
    e->SetCallback(trace, nullptr, nullptr);
  }
  r = get ? inDownloadTask(job, *task) : inUploadTask(job, *task);
  QueryPerformanceCounter(&t1);
  e->FTP_Disconnect();
  e->Release();
  if (r) {
    fprintf(stderr, "%s: result %lu\n", argv[1], r);
    return 1;
  }
  const long files = countFiles(get ? localDir + "\\" + last : local);
  if (getenv("FH_BATCH_TRACE")) printSplit(files);
  printf("%ld %.3f\n", files, static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart));
  return 0;
}
