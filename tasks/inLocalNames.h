// Local files named after remote names in any language. The engine and the older code take
// narrow paths in the system's code page; a UTF-8 name that the code page carries goes that way
// unchanged. One it cannot carry is transferred under a plain stand-in name beside its place
// ("~fh<hash>.part") and moved to its real (wide) name at the end; a folder is made under its wide name and reached
// through its short form.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct inEntry;
class inJob;
class vqFtpEngine;

struct inLocalName {
  std::string path;  // what narrow calls and the engine are given; empty: no room for a name
  std::wstring real;  // the whole wide path when path only stands in for it
  bool IsStandIn() const { return !real.empty(); }
  // The name for messages and the shell: the real one when there is one.
  std::wstring Shown() const;
};

// The path in another form of the file system's (GetLongPathNameW, GetShortPathNameW), of any
// length: false when the system has none for it.
bool inPathForm(DWORD(WINAPI* form)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path, std::wstring& out);

// A file for remoteName (the server's bytes) in dir (narrow, ending with "\"). utf8: the bytes are
// UTF-8; otherwise the toolkit's safe name of the bytes, exactly as before.
inLocalName inLocalFile(const std::string& dir, const std::string& remoteName, bool utf8);
// The same for a whole narrow path whose part after dir came from UTF-8 bytes (a cached copy's
// flat name).
inLocalName inLocalFileIn(const std::string& dir, const std::string& utf8Name);
// Before a transfer into a stand-in: a file already under the real name (a part to resume)
// becomes the stand-in, so the size checks and the resume see it.
void inLocalBegin(const inLocalName& name);
// After the transfer, whole or cut short: the stand-in takes its real name, so nothing is left
// under the stand-in. False when the move failed (the stand-in then stays, with its data).
bool inLocalEnd(const inLocalName& name);
// Makes the folder for remoteName in dir; out receives a narrow path that reaches it (ending
// without "\"). False when it could not be made or reached.
bool inLocalFolder(const std::string& dir, const std::string& remoteName, bool utf8, inLocalName& out);
// Whether a listing's entries (of a folder reached as utf8Parent) are UTF-8 for the job's site.
bool inEntriesUtf8(inJob& job, const std::vector<inEntry>& entries, bool utf8Parent);
// What the server said about its names (its features list), for the automatic setting.
bool inServerSaysUtf8(vqFtpEngine* engine);
// A narrow path that reaches the file once it has its real name (its short form), or path.
std::string inNarrowPath(const inLocalName& name);
