// Texts derived from a whole item-ID list: the site's key in the site store, the path of an item
// for comparing drag sources with drop targets, the remote path on the server and the file that
// caches a folder's listing. Foreign items (the shell's own, in front of ours) add nothing except
// where told. Platform-neutral: what comes from the site's connection and from the application is
// handed in.
#pragma once
#include <string>

#include "vqPidl.h"

// "FTP-Sites" when the list starts with a foreign item, then "\" and the name of each category or
// site: FTP-Sites\Work\Server 1. False when nothing was produced.
bool SiteKeyPath(LPCITEMIDLIST list, std::string& out);
// The same walk split into the path without its last component and that last category or site
// name. False when the list names no category or site.
bool SiteKeySplit(LPCITEMIDLIST list, std::string& path, std::string& name);
// SiteKeyPath with each remote item appended as "|" and its name: FTP-Sites\Work\Server 1|pub|incoming.
bool ItemPathString(LPCITEMIDLIST list, std::string& out);
// A new list (shell allocator): the list cut before its first remote item, the site's own list.
LPITEMIDLIST SiteOnly(LPCITEMIDLIST list);

// What the remote path needs of the site's connection.
struct shellRemoteSite {
  const char* initialDir;  // the engine's initial remote directory
  char delimiter;          // its separator ('/' when it knows none)
  int hostType;            // _VQ_HOSTTYPE
};
// True for the host types that write directories in brackets ([PUB.SUB]).
bool shellIsBracketHost(int hostType);
// The remote path of the list's last item. site null (no connection): empty and false.
// caseMode applies to a plain file's name: 0 kept, 1 upper case, 2 lower case.
bool RemotePath(LPCITEMIDLIST list, const shellRemoteSite* site, unsigned caseMode, std::string& out);
// RemotePath of the list without its last item.
bool ParentRemotePath(LPCITEMIDLIST list, const shellRemoteSite* site, std::string& out);

// What the listing cache file needs: the application's cache directory (ending with "\") and the
// URL and id of the list's site.
struct shellCacheSite {
  const char* cacheDir;
  const char* url;
  unsigned siteId;
};
// The file that caches the listing of the list's folder (".vqLS"; the parser writes its records
// beside it as ".vqD"): cacheDir + "ftp.example(3)\root.pub.incoming.vqLS". With parentOnly, a
// last item that is a site or folder is left out. siteDir (when given) receives the site's cache
// directory, which the caller creates. False when the list names no site.
bool CacheFileName(LPCITEMIDLIST list, bool parentOnly, const shellCacheSite& site, std::string& file,
                   std::string* siteDir);
// One component of a cache file name: "/", "\" and ":" become ".", a ".." component becomes "__",
// bytes outside printable ASCII and the characters file names refuse become "%XX" (so the name
// is the same file under every code page), a "." is appended and one leading "." removed. Empty
// when the result is one character or less.
std::string shellCacheComponent(const char* name);
