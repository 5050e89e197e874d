// Import wizard from a WS_FTP file, the map-drive wizard without its network provider, and
// "Apply to All Sites" over a nested store, each against the prefix's registry under Xvfb.
#include <gtest/gtest.h>

#include "smUi.h"
#include "vqSMgrRes.h"

using namespace sitetest;
using namespace smtest;

namespace {
class SiteWizards : public SiteStore {};
}  // namespace

TEST_F(SiteWizards, ImportWizardAddsOnlyTheChosenSitesAfterItsQuestion) {
  std::string ini = root_ + "\\ws_ftp.ini";
  writeFile(ini,
            "[_config_]\r\nX=1\r\n[Gnu]\r\nHOST=ftp.gnu.org\r\nUID=anonymous\r\nDIR=/gnu\r\n"
            "[Kernel]\r\nHOST=ftp.kernel.org\r\nUID=anonymous\r\n[Private]\r\nHOST=10.0.0.9\r\nUID=me\r\n");
  Boxes boxes;
  boxes.Answer(IDYES);
  std::string listed;
  vqSiteParams target(4);
  int r = static_cast<int>(ui::WithDriver(
      nullptr, [&] { return target.SITE_ImportWizard(nullptr); },
      [&](HWND sheet) {
        HWND first = WaitPage(sheet);
        Type(first, IDC_SM_IM_FILE, ini.c_str());
        Press(sheet, PSBTN_NEXT);
        HWND second = WaitPage(sheet, first);
        HWND list = GetDlgItem(second, IDC_SM_IM_LIST);
        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
          char text[64] = "";
          SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
          listed += std::string(listed.empty() ? "" : "|") + text;
        }
        ui::Click(second, IDC_SM_IM_ALL);  // choose instead of all
        SendMessageA(list, LB_SETSEL, TRUE, 0);
        SendMessageA(list, LB_SETSEL, TRUE, 2);
        Press(sheet, PSBTN_FINISH);
      }));
  EXPECT_EQ(1, r);
  EXPECT_EQ("Gnu|Kernel|Private", listed);
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ("Import this information?", boxes.Text(0));
  EXPECT_EQ("ftp.gnu.org", values(HKEY_CURRENT_USER, key("FTP-Sites\\Gnu"))["URL"]);
  EXPECT_EQ("/gnu", values(HKEY_CURRENT_USER, key("FTP-Sites\\Gnu"))["RootDir"]);
  EXPECT_EQ("me", values(HKEY_CURRENT_USER, key("FTP-Sites\\Private"))["LoginName"]);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Kernel")));
}

TEST_F(SiteWizards, MapDriveWithoutItsNetworkProviderFailsWithTheSystemsReasonAndStoresNothing) {
  saveSite(VQ_SITES_LIST, "Local", "127.0.0.1", 5);
  auto before = Snapshot();
  Boxes boxes;
  std::string drive, error;
  bool stayed = false;
  vqSiteParams site(3);
  int r = static_cast<int>(ui::WithDriver(
      nullptr, [&] { return site.SITE_MapDriveWizard(nullptr); },
      [&](HWND sheet) {
        HWND page = WaitPage(sheet);
        drive = ui::ItemText(page, IDC_SM_MW_DRIVE);
        SendDlgItemMessageA(page, IDC_SM_MW_SITES, LB_SETCURSEL, 0, 0);
        size_t seen = boxes.Count();
        Press(sheet, PSBTN_FINISH);
        error = boxes.WaitAfter(seen);
        stayed = CurrentPage(sheet) == page;
        Press(sheet, PSBTN_CANCEL);
      }));
  EXPECT_EQ(0, r);
  EXPECT_EQ(2u, drive.size()) << "a free drive letter is offered: " << drive;
  EXPECT_EQ(0u, error.find("Error: Unable to configure drive mapping.\n\nError Code: ")) << error;
  EXPECT_NE(std::string::npos, error.find("\nError Details: "));
  EXPECT_TRUE(stayed) << "the wizard stays open after a failed mapping";
  EXPECT_EQ(before, Snapshot()) << "a failed mapping stores nothing";
}

TEST_F(SiteWizards, ApplyToAllSitesWritesThePageIntoEverySiteOfANestedStore) {
  saveCategory(VQ_SITES_LIST, "Outer");
  saveCategory("FTP-Sites\\Outer", "Inner");
  saveSite(VQ_SITES_LIST, "Top", "top.example.com", 1);
  saveSite("FTP-Sites\\Outer", "Middle", "middle.example.com", 2);
  saveSite("FTP-Sites\\Outer\\Inner", "Deep", "deep.example.com", 3);
  Boxes boxes;
  boxes.Answer(IDYES);
  vqSiteParams site(4);
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Top"));
  ui::WithDriver(
      "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
      [&](HWND sheet) {
        WaitPage(sheet);
        HWND socket = Select(sheet, 5);
        Type(socket, IDC_SM_SO_TIMEOUT, "77");
        Type(socket, IDC_SM_SO_RETRIES, "3");
        Post(socket, IDC_SM_APPLYALL);
        WaitFor([&] { return boxes.Count() >= 2; }, 5000);
        Press(sheet, PSBTN_CANCEL);
      });
  ASSERT_GE(boxes.Count(), 2u);
  EXPECT_EQ("Apply these settings to ALL of your currently defined ftp sites?", boxes.Text(0));
  EXPECT_EQ("You will need to restart Windows for these changes to take effect.", boxes.Text(1));
  for (const char* path : {"FTP-Sites\\Top", "FTP-Sites\\Outer\\Middle", "FTP-Sites\\Outer\\Inner\\Deep"}) {
    auto v = values(HKEY_CURRENT_USER, key(path));
    EXPECT_EQ("77", v["Timeout"]) << path;
    EXPECT_EQ("3", v["RetryCount"]) << path;
  }
  EXPECT_EQ("<missing>", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Outer"), "Timeout")) << "categories hold no settings";
}
