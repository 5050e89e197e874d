// Shows one window or page of the site manager with a sample store, for scripts/screenshots:
//   sm_showcase <shot> <rect file>
// <shot> is "manager", "manager-map", "category", "site-N", "wizard-N", "app-N", "zmpapp-0",
// "import-N" or "map-0". The store lives under a scratch key that stands in for HKEY_CURRENT_USER,
// so the prefix's own settings are never touched. Once drawn, the window's screen rectangle goes
// to <rect file>; the window closes when the script deletes the file.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <thread>

#include "uiDriver.h"
#include "vqAppParams.h"
#include "vqMsg.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
const char kScratch[] = "Software\\FarhollowShowcase";
const char* g_rectFile = nullptr;

int answerNo(const char*, const char*, unsigned, void*) { return IDNO; }

void publish(HWND w) {
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);
  RECT r;
  GetWindowRect(w, &r);
  char tmp[MAX_PATH + 8];
  snprintf(tmp, sizeof tmp, "%s.tmp", g_rectFile);
  if (FILE* f = fopen(tmp, "wb")) {
    fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    fclose(f);
    MoveFileExA(tmp, g_rectFile, MOVEFILE_REPLACE_EXISTING);
  }
  for (int i = 0; i < 600 && GetFileAttributesA(g_rectFile) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

HWND page(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

void seed() {
  vqSiteParams cat(2);
  cat.SetIsCategory(1);
  cat.SetDescription("Mirrors of free software");
  cat.SITE_SaveParams(VQ_SITES_LIST, "Mirrors");
  struct Sample {
    const char* sub;
    const char* name;
    const char* url;
    const char* desc;
  };
  const Sample samples[] = {
      {VQ_SITES_LIST, "Example", "ftp.example.com", "ftp site for Example"},
      {VQ_SITES_LIST, "Local", "127.0.0.1", "The test server on this computer"},
      {"FTP-Sites\\Mirrors", "Gnu", "ftp.gnu.org", "GNU project files"},
      {"FTP-Sites\\Mirrors", "Kernel", "ftp.kernel.org", "Linux kernel archives"},
  };
  for (const Sample& s : samples) {
    vqSiteParams site(2);
    site.SetURL(s.url);
    site.SetDescription(s.desc);
    site.SetIRD("/pub");
    site.SITE_SaveParams(s.sub, s.name);
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string shot = argv[1];
  g_rectFile = argv[2];
  HKEY scratch;
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
  seed();
  vqSetMessageAnswer(answerNo, nullptr);
  size_t dash = shot.rfind('-');
  int index = dash != std::string::npos && isdigit(static_cast<unsigned char>(shot[dash + 1]))
                  ? atoi(shot.c_str() + dash + 1)
                  : 0;
  std::string kind =
      dash != std::string::npos && isdigit(static_cast<unsigned char>(shot[dash + 1])) ? shot.substr(0, dash) : shot;
  bool sheet =
      kind == "site" || kind == "wizard" || kind == "app" || kind == "zmpapp" || kind == "import" || kind == "map";

  DWORD self = GetCurrentThreadId();
  std::thread driver([&] {
    HWND w = ui::WaitForWindow(self, nullptr, 10000);
    if (!w) return;
    if (kind == "wizard" || kind == "import") {
      for (int i = 0; i < index; ++i) {
        HWND p = page(w);
        if (kind == "wizard" && i == 0) SetDlgItemTextA(p, IDC_SM_URL, "ftp.newsite.org");
        if (kind == "import")
          SetDlgItemTextA(p, IDC_SM_IM_FILE, getenv("SM_SHOWCASE_INI") ? getenv("SM_SHOWCASE_INI") : "");
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        for (int t = 0; t < 100 && page(w) == p; ++t) Sleep(20);
      }
    } else if (sheet && index > 0) {
      PostMessageA(w, PSM_SETCURSEL, index, 0);
      Sleep(300);
    }
    publish(w);
    if (sheet)
      PostMessageA(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    else
      PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
  });

  vqSiteParams site(2);
  if (kind == "manager") {
    site.SITE_Manager(nullptr);
  } else if (kind == "manager-map") {
    site.SITE_Manager("Q:", "ftp.example.com", nullptr);
  } else if (kind == "category") {
    site.SITE_CategoryWizard(nullptr, VQ_SITES_LIST);
  } else if (kind == "site") {
    site.SITE_LoadParams(VQ_SITES_LIST, "Example");
    site.SITE_Properties(nullptr);
  } else if (kind == "wizard") {
    site.SITE_Wizard(nullptr);
  } else if (kind == "app") {
    VQSMGR_GetAppParams()->APP_Properties(2, nullptr);
  } else if (kind == "zmpapp") {
    VQSMGR_GetAppParams()->APP_Properties(3, nullptr);
  } else if (kind == "import") {
    site.SITE_ImportWizard(nullptr);
  } else if (kind == "map") {
    site.SITE_MapDriveWizard(nullptr);
  }
  driver.join();
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(scratch);
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  return 0;
}
