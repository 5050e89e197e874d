// The application settings sheet: the extension list's checks, what OK stores in the Settings
// key, and that Cancel stores nothing.
#include <gtest/gtest.h>

#include <vector>

#include "smUi.h"
#include "vqSMgrRes.h"

using namespace sitetest;
using namespace smtest;

namespace {
class AppSheet : public SiteStore {};

void addExtension(HWND page, const char* text) {
  Type(page, IDC_SM_AP_EXT, text);
  ui::Click(page, IDC_SM_AP_EXTADD);
}
}  // namespace

TEST_F(AppSheet, ExtensionChecksThenOkStoresTheSettingsAndCancelStoresNothing) {
  auto before = Snapshot();
  Boxes boxes;
  ui::WithDriver(
      "Farhollow Settings", [&] { return VQSMGR_GetAppParams()->APP_Properties(2, nullptr); },
      [&](HWND sheet) {
        HWND general = WaitPage(sheet);
        Type(general, IDC_SM_AP_EMAIL, "changed@example.org");
        Press(sheet, PSBTN_CANCEL);
      });
  EXPECT_EQ(before, Snapshot()) << "Cancel must leave the settings as they were";

  boxes.Answer(IDYES);  // add the "." for me
  ui::WithDriver(
      "Farhollow Settings", [&] { return VQSMGR_GetAppParams()->APP_Properties(2, nullptr); },
      [&](HWND sheet) {
        HWND general = WaitPage(sheet);
        Type(general, IDC_SM_AP_EMAIL, "me@example.org");
        HWND xfer = Select(sheet, 1);
        addExtension(xfer, "md");
        addExtension(xfer, ".md");
        addExtension(xfer, "  ");
        addExtension(xfer, "a|b");
        Press(sheet, PSBTN_OK);
      });
  auto texts = boxes.All();
  ASSERT_EQ(4u, texts.size());
  EXPECT_EQ(0u, texts[0].find("If you are adding an extension, you will need to have the `.` added"));
  EXPECT_EQ("This item is already in the list!", texts[1]);
  EXPECT_EQ("Invalid Entry.", texts[2]);
  EXPECT_EQ("Invalid Entry.", texts[3]);
  auto v = values(HKEY_CURRENT_USER, std::string(kProduct) + "\\Settings");
  EXPECT_EQ("me@example.org", v["EmailAddress"]);
  EXPECT_EQ("|.htm|.html|.md|.pl|.txt|", v["AutoModeFiles"]);
}

namespace {
struct Collected {
  std::vector<HPROPSHEETPAGE> pages;
  int refuseAt = -1;
  int offered = 0;
};
BOOL CALLBACK collect(HPROPSHEETPAGE page, LPARAM lp) {
  auto* c = reinterpret_cast<Collected*>(lp);
  if (c->offered++ == c->refuseAt) return FALSE;
  c->pages.push_back(page);
  return TRUE;
}

// Shows `pages` in a sheet of our own, as the shell would, and returns its tab count.
int showInOwnSheet(Collected& c, unsigned long* refCount, unsigned long* whileOpen) {
  PROPSHEETHEADERA psh = {};
  psh.dwSize = sizeof psh;
  psh.dwFlags = PSH_NOAPPLYNOW;
  psh.pszCaption = "Shell";
  psh.nPages = static_cast<UINT>(c.pages.size());
  psh.phpage = c.pages.data();
  int tabs = 0;
  ui::WithDriver(
      "Shell", [&] { return PropertySheetA(&psh); },
      [&](HWND sheet) {
        WaitPage(sheet);
        tabs = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet));
        *whileOpen = *refCount;
        Press(sheet, PSBTN_CANCEL);
      });
  return tabs;
}
}  // namespace

TEST_F(AppSheet, ShellAddPagesHandsEveryPageOverWithTheReferenceCount) {
  saveSite(VQ_SITES_LIST, "Alpha", "alpha.example.com", 9);
  unsigned long refCount = 0, whileOpen = 0;
  Collected app;
  app.refuseAt = 1;  // a refused page is destroyed, the rest still arrive
  ASSERT_EQ(1, VQSMGR_GetAppParams()->SHELL_AddPages(collect, reinterpret_cast<LPARAM>(&app), &refCount, 2));
  EXPECT_EQ(7u, app.pages.size()) << "eight pages, one refused";
  EXPECT_EQ(7, showInOwnSheet(app, &refCount, &whileOpen));
  // Wine's property sheets do not keep PSP_USEREFPARENT counts, so only the balance is checked.
  EXPECT_EQ(0u, refCount) << "no page outlives the sheet";

  vqSiteParams site(2);
  Collected sitePages;
  ASSERT_EQ(1, site.SHELL_AddPages(9, collect, reinterpret_cast<LPARAM>(&sitePages), &refCount));
  EXPECT_EQ(7u, sitePages.pages.size());
  EXPECT_EQ(7, showInOwnSheet(sitePages, &refCount, &whileOpen));
  EXPECT_STREQ("Alpha", site.GetSiteName());
}
