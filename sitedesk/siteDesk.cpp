// siteDesk: opens one window of the site manager library, chosen by switches anywhere on the
// command line, and ends when it closes. It keeps no state of its own.
#include <windows.h>

#include <commctrl.h>
#include <string.h>

#include "vqAppParams.h"
#include "vqSiteParams.h"

namespace {
const unsigned char kShellExtension = 2, kDriveMapping = 3, kSiteDesk = 4;

class CSiteMgrApp {
 public:
  explicit CSiteMgrApp(const char* commandLine) {
    lstrcpynA(m_commandLine, commandLine ? commandLine : "", sizeof m_commandLine);
    CharLowerA(m_commandLine);
  }

  // Runs the chosen window; no message loop follows.
  bool InitInstance() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    unsigned char progId = Has("-fh32") ? kShellExtension : Has("-zmp") ? kDriveMapping : kSiteDesk;
    vqSiteParams* site = new vqSiteParams(progId);
    if (!m_commandLine[0])
      site->SITE_Manager(nullptr);
    else if (Has("-mw"))
      site->SITE_MapDriveWizard(nullptr);
    else if (Has("-iw"))
      site->SITE_ImportWizard(nullptr);
    else if (Has("-w"))
      site->SITE_Wizard(nullptr);
    else if (Has("-a"))
      VQSMGR_GetAppParams()->APP_Properties(progId, nullptr);
    else
      site->SITE_Manager(nullptr);
    delete site;
    return false;
  }

 private:
  bool Has(const char* sw) const { return strstr(m_commandLine, sw) != nullptr; }
  char m_commandLine[4096];
};
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  CSiteMgrApp app(commandLine);
  app.InitInstance();
  return 0;
}
