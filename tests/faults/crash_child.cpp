// The process that the crash tests kill (TerminateProcess) at a random moment. Each mode sets the
// named event given as its first argument once it is under way, then works until it is killed.
//   crash_child <event> rename                      sites and a category renamed back and forth
//   crash_child <event> settings                    the settings saved with two sets of values in turn
//   crash_child <event> download <port> <remote> <local>   one download (user "slow")
//   crash_child <event> upload <port> <remote> <local>     one upload that keeps the target whole
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vqAppParams.h"
#include "vqFtpEngine.h"
#include "vqSiteParams.h"

namespace {

void ready(const char* event) {
  HANDLE h = OpenEventA(EVENT_MODIFY_STATE, FALSE, event);
  if (h) {
    SetEvent(h);
    CloseHandle(h);
  }
}

int renames(const char* event) {
  for (unsigned round = 0;; ++round) {
    vqSiteParams s(2);
    s.SITE_Rename("FTP-Sites", "Alpha", "FTP-Sites\\Cat", "Beta");
    s.SITE_Rename("FTP-Sites", "Group", "FTP-Sites\\Cat", "Team");
    if (round == 0) ready(event);
    s.SITE_Rename("FTP-Sites\\Cat", "Beta", "FTP-Sites", "Alpha");
    s.SITE_Rename("FTP-Sites\\Cat", "Team", "FTP-Sites", "Group");
  }
}

// The two sets of values; the test knows them too.
void apply(vqAppParams* p, int set) {
  p->SetTimeout(set ? 47 : 31);
  p->SetRetryCount(set ? 9 : 3);
  p->SetFirewallHost(set ? "new.proxy.example" : "old.proxy.example");
  p->SetIndexFileList(set ? "|new_index.txt|" : "|old_index.txt|");
  p->SetEMailAddress(set ? "new@example.org" : "old@example.org");
  p->SetCacheSize(set ? 40 : 20);
}

int settings(const char* event) {
  vqAppParams* p = VQSMGR_GetAppParams();
  for (unsigned round = 0;; ++round) {
    apply(p, static_cast<int>(round % 2));
    p->APP_SaveParams();
    if (round == 0) ready(event);
  }
}

vqFtpEngine* engine(unsigned port, const char* user) {
  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL("127.0.0.1");
  e->SetPort(port);
  e->SetRetryCount(0);
  e->SetTimeout(10);
  e->SetFirewallPassive(1);
  e->SetUsername(user);
  return e;
}

int download(const char* event, unsigned port, const char* remote, const char* local) {
  vqFtpEngine* e = engine(port, "slow");
  if (e->FTP_Connect() != 0) return 2;
  ready(event);
  e->FTP_GetFile(remote, local, 1, 0, 0);
  Sleep(INFINITE);  // killed before or after the end; never exits on its own
  return 0;
}

int upload(const char* event, unsigned port, const char* remote, const char* local) {
  vqFtpEngine* e = engine(port, "anonymous");
  if (e->FTP_Connect() != 0) return 2;
  ready(event);
  e->FTP_PutFileWhole(remote, local, 1);
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  if (!strcmp(argv[2], "rename")) return renames(argv[1]);
  if (!strcmp(argv[2], "settings")) return settings(argv[1]);
  if (!strcmp(argv[2], "download") && argc == 6)
    return download(argv[1], static_cast<unsigned>(atoi(argv[3])), argv[4], argv[5]);
  if (!strcmp(argv[2], "upload") && argc == 6)
    return upload(argv[1], static_cast<unsigned>(atoi(argv[3])), argv[4], argv[5]);
  return 2;
}
