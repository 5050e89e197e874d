// The library module: its version line in a debug log, and each control's pop-up help on F1 and
// right-click in a real dialog under Xvfb.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "smUi.h"
#include "vqDebugger.h"
#include "vqSMgrRes.h"
#include "vqSiteMgrApp.h"
#include "vqVersionNumber.h"

using namespace sitetest;
using namespace smtest;

namespace {
class SmgrModule : public SiteStore {};

struct PopupFind {
  DWORD thread;
  HWND found;
};
BOOL CALLBACK findPopup(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<PopupFind*>(lp);
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  if (std::string(cls) == "vqSMgrHelpPopup" && IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}
HWND waitPopup(DWORD thread) {
  PopupFind f = {thread, nullptr};
  WaitFor(
      [&] {
        EnumThreadWindows(thread, findPopup, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr;
      },
      3000);
  return f.found;
}
}  // namespace

TEST_F(SmgrModule, DumpVersionWritesTheLibrarysLine) {
  VQSMGR_DUMPVERSION(nullptr);  // no log: nothing happens
  std::string path = root_ + "\\smgr.log";
  vqDebugger log;
  log.SetLogName(path.c_str());
  log.DebuggerOn(1);
  VQSMGR_DUMPVERSION(&log);
  log.DebuggerOff();
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  char expected[64];
  snprintf(expected, sizeof expected, " - Ver. %d.%d (Build %d)", VQ_VER_MAJOR, VQ_VER_MINOR * 10 + VQ_VER_PATCH,
           VQ_VER_BUILD);
  EXPECT_NE(std::string::npos, text.str().find(expected)) << text.str();
}

TEST_F(SmgrModule, F1AndRightClickShowTheControlsHelpInAPopUp) {
  vqSiteParams category(4);
  DWORD self = GetCurrentThreadId();
  std::string onF1, onRightClick, onLabel;
  ui::WithDriver(
      "Category Information", [&] { return category.SITE_CategoryWizard(nullptr, VQ_SITES_LIST); },
      [&](HWND dlg) {
        HWND name = GetDlgItem(dlg, IDC_SM_CAT_NAME);
        HELPINFO info = {sizeof info, HELPINFO_WINDOW, IDC_SM_CAT_NAME, name, 0, {0, 0}};
        SendMessageA(dlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        HWND popup = waitPopup(self);
        onF1 = ui::Text(popup);
        PostMessageA(popup, WM_LBUTTONDOWN, 0, 0);  // a click closes it
        WaitFor([&] { return !IsWindow(popup); }, 2000);
        RECT r;
        GetWindowRect(name, &r);
        SendMessageA(dlg, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(name), MAKELPARAM(r.left, r.top));
        popup = waitPopup(self);
        onRightClick = ui::Text(popup);
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitFor([&] { return !IsWindow(popup); }, 2000);
        ui::Click(dlg, IDCANCEL);
      });
  EXPECT_EQ("The name of the category as it appears in Farhollow.", onF1);
  EXPECT_EQ(onF1, onRightClick);
}
