// A short session with the engine, for the demo: connect, show the session log as the callback
// delivers it, list the root folder through the listing parser, download a file with progress,
// disconnect.
//
//   ftpdemo <host> <port> <remote file> <local folder> [user password]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

// windows.h first: the portable header's FILETIME yields to the system's only in this order.
#include "vqFtpEngine.h"
#include "vqDirParser.h"

namespace {

unsigned int g_lastPercent = 101;

unsigned long onNote(_sock_notification_* n, void*, void*) {
  std::string message = n->message;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  switch (n->type) {
    case VQNOTIFY_LOG:
      // The engine also polls with the record as it stands: an empty message is no new line.
      if (!message.empty()) printf("  | %s\n", message.c_str());
      break;
    case VQNOTIFY_STATUS:
      if (!message.empty()) printf("  * %s\n", message.c_str());
      break;
    case VQNOTIFY_ATTEMPT:
      printf("  * attempt %u of %u\n", n->current, n->total);
      break;
    case VQNOTIFY_RETRY:
      printf("  ! %s\n", n->message);
      break;
    case VQNOTIFY_RECEIVE:
    case VQNOTIFY_SEND: {
      if (n->total == 0) break;
      unsigned int percent = static_cast<unsigned int>(100.0 * n->current / n->total);
      if (percent / 10 != g_lastPercent / 10 || g_lastPercent == 101) {
        printf("  > %3u%%  %u of %u bytes\n", percent, n->current, n->total);
        g_lastPercent = percent;
      }
      break;
    }
    default:
      break;
  }
  fflush(stdout);
  return 0;
}

int fail(vqFtpEngine* e, const char* what, unsigned long code) {
  printf("\n%s failed (%lu):\n%s\n", what, code, e->FTP_ErrorString(code));
  e->FTP_Disconnect();
  e->Release();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: ftpdemo <host> <port> <remote file> <local folder> [user password]\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL(argv[1]);
  e->SetPort(static_cast<unsigned>(atoi(argv[2])));
  if (argc >= 7) {
    e->SetUsername(argv[5]);
    e->SetPassword(argv[6]);
  }
  e->SetRetryCount(2);
  e->SetTimeout(15);
  e->SetFirewallPassive(1);
  e->SetCallback(onNote, nullptr, nullptr);

  printf("== Connecting to %s:%s\n", argv[1], argv[2]);
  unsigned long r = e->FTP_Connect();
  if (r) return fail(e, "Connect", r);
  printf("\n== Connected: system \"%s\", working directory \"%s\", listing format %u\n", e->GetHostSysType(),
         e->GetHostSysDir(), static_cast<unsigned>(e->GetHostType()));

  std::string folder = argv[4];
  std::string listing = folder + "\\root.vqLS";
  printf("\n== Listing the root folder\n");
  r = e->FTP_LIST(listing.c_str(), "", "", "-a");
  if (r) return fail(e, "Listing", r);

  vqDirParser parser(e->GetHostType());
  unsigned long count = 0;
  r = parser.DIR_PARSE(listing.c_str(), count);
  if (r) return fail(e, "Parsing the listing", r);
  printf("\n   %-6s %12s  %-17s  %s\n", "kind", "size", "date", "name");
  if (parser.DirEnumOpen(parser.GetOutfileName())) {
    _FTPITEMID item;
    memset(&item, 0, sizeof item);
    item.cb = VQ_ITEMID_SIZE;
    for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
      const char* kind = item.kind == VQ_KIND_FOLDER       ? "folder"
                         : item.kind == VQ_KIND_FOLDERLINK ? "link/d"
                         : item.kind == VQ_KIND_OBJECTLINK ? "link"
                                                           : "file";
      std::string name = item.name;
      if (item.url[0]) name += std::string(" -> ") + item.url;
      printf("   %-6s %12lu  %-17s  %s\n", kind, static_cast<unsigned long>(item.size), item.sortDate, name.c_str());
      memset(&item, 0, sizeof item);
      item.cb = VQ_ITEMID_SIZE;
    }
    parser.DirEnumClose();
  }
  printf("   (%lu entries)\n", count);

  std::string remote = argv[3];
  std::string local = folder + "\\" + remote.substr(remote.find_last_of('/') + 1);
  // The file's size, from a listing of its folder, gives the progress its total.
  unsigned long size = 0;
  std::string parent = remote.substr(0, remote.find_last_of('/') + 1);
  std::string name = remote.substr(remote.find_last_of('/') + 1);
  std::string folderListing = folder + "\\folder.vqLS";
  if (e->FTP_LIST(folderListing.c_str(), parent.c_str(), "", "") == 0) {
    vqDirParser p2(e->GetHostType());
    unsigned long n = 0;
    if (p2.DIR_PARSE(folderListing.c_str(), n) == 0 && p2.DirEnumOpen(p2.GetOutfileName())) {
      _FTPITEMID item;
      memset(&item, 0, sizeof item);
      item.cb = VQ_ITEMID_SIZE;
      for (int more = p2.DirEnumFirst(&item); more; more = p2.DirEnumNext(&item))
        if (name == item.name) size = item.size;
      p2.DirEnumClose();
    }
  }
  printf("\n== Downloading %s (%lu bytes) to %s\n", remote.c_str(), size, local.c_str());
  r = e->FTP_GetFile(remote.c_str(), local.c_str(), 1, size, 0);
  if (r) return fail(e, "Download", r);

  printf("\n== Disconnecting\n");
  e->FTP_Disconnect();
  e->Release();
  printf("\n== Done.\n");
  return 0;
}
