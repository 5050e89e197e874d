#include "inLocalNames.h"

#include <stdio.h>

#include "inJob.h"
#include "inTransfers.h"
#include "shellNames.h"
#include "shellWideNames.h"
#include "vqFtpEngine.h"
#include "vqSafeName.h"

namespace {
std::wstring safeWide(const std::wstring& dir, const std::wstring& name) {
  std::u16string safe;
  if (!shellSafeLocalNameW(std::u16string(name.begin(), name.end()), dir.size(), safe)) return std::wstring();
  return std::wstring(safe.begin(), safe.end());
}

// A plain name in dir for the transfer to write into, the same for the same real name (so a
// part cut short is found again).
std::string standIn(const std::string& dir, const std::wstring& real) {
  unsigned long hash = 2166136261ul;
  for (wchar_t c : real) hash = ((hash ^ static_cast<unsigned long>(c)) * 16777619ul) & 0xFFFFFFFFul;
  char name[32];
  snprintf(name, sizeof name, "~fh%08lx.part", hash);
  return dir + name;
}

inLocalName fromWide(const std::string& dir, const std::wstring& wideDir, const std::wstring& safe) {
  inLocalName out;
  if (safe.empty()) return out;
  std::string narrow;
  if (shellToCodePage(safe.c_str(), narrow)) {
    out.path = dir + narrow;
    return out;
  }
  out.real = wideDir + safe;
  out.path = standIn(dir, out.real);
  return out;
}
}  // namespace

std::wstring inLocalName::Shown() const { return IsStandIn() ? real : shellFromCodePage(path.c_str()); }

inLocalName inLocalFile(const std::string& dir, const std::string& remoteName, bool utf8) {
  inLocalName out;
  if (!utf8) {
    char safe[VQ_MAX_PATH];
    if (VQSTR_SafeLocalName(remoteName.c_str(), dir.size(), safe, sizeof safe)) out.path = dir + safe;
    return out;
  }
  const std::wstring wideDir = shellFromCodePage(dir.c_str());
  return fromWide(dir, wideDir, safeWide(wideDir, shellWideName(remoteName.c_str(), true)));
}

inLocalName inLocalFileIn(const std::string& dir, const std::string& utf8Name) {
  return inLocalFile(dir, utf8Name, true);
}

void inLocalBegin(const inLocalName& name) {
  if (!name.IsStandIn()) return;
  if (GetFileAttributesW(name.real.c_str()) != INVALID_FILE_ATTRIBUTES)
    MoveFileExW(name.real.c_str(), shellFromCodePage(name.path.c_str()).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool inLocalEnd(const inLocalName& name) {
  if (!name.IsStandIn()) return true;
  return MoveFileExW(shellFromCodePage(name.path.c_str()).c_str(), name.real.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool inLocalFolder(const std::string& dir, const std::string& remoteName, bool utf8, inLocalName& out) {
  out = inLocalName();
  if (!utf8) {
    out.path = inLocalChild(dir, remoteName);
    return !out.path.empty() &&
           (CreateDirectoryA(out.path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  const std::wstring wideDir = shellFromCodePage(dir.c_str());
  const std::wstring safe = safeWide(wideDir, shellWideName(remoteName.c_str(), true));
  if (safe.empty()) return false;
  const std::wstring real = wideDir + safe;
  if (!CreateDirectoryW(real.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  std::string narrow;
  if (shellToCodePage(safe.c_str(), narrow)) {
    out.path = dir + narrow;
    return true;
  }
  // The folder's short form reaches it through narrow calls.
  wchar_t shortForm[MAX_PATH];
  DWORD n = GetShortPathNameW(real.c_str(), shortForm, MAX_PATH);
  if (!n || n >= MAX_PATH || !shellToCodePage(shortForm, narrow)) return false;
  out.path = narrow;
  out.real = real;
  return true;
}

bool inEntriesUtf8(inJob& job, const std::vector<inEntry>& entries, bool utf8Parent) {
  shellUtf8Evidence evidence;
  for (const inEntry& e : entries) evidence.Add(e.name.c_str());
  return shellNamesUtf8(job.SiteLoaded ? job.Site.GetNameEncoding() : VQ_NAMES_AUTO, inServerSaysUtf8(job.Engine),
                        utf8Parent || evidence.LooksUtf8());
}

// Asks the server's features once per session (on the engine's own thread, as every caller is).
bool inServerSaysUtf8(vqFtpEngine* engine) { return engine && engine->FTP_ServerSaysUtf8() != 0; }

std::string inNarrowPath(const inLocalName& name) {
  if (!name.IsStandIn()) return name.path;
  wchar_t shortForm[MAX_PATH];
  std::string narrow;
  DWORD n = GetShortPathNameW(name.real.c_str(), shortForm, MAX_PATH);
  if (n && n < MAX_PATH && shellToCodePage(shortForm, narrow)) return narrow;
  return name.path;
}

bool inPathForm(DWORD(WINAPI* form)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path, std::wstring& out) {
  const DWORD n = form(path.c_str(), nullptr, 0);
  if (!n) return false;
  out.assign(n, L'\0');
  const DWORD got = form(path.c_str(), &out[0], n);
  if (!got || got >= n) return false;
  out.resize(got);
  return true;
}
