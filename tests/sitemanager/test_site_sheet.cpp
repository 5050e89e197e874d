// The site's property sheet and the new-site wizard under Xvfb, driven from a second thread,
// against the real registry of the prefix: proposals while typing, each refusal with its
// message, what a finished wizard or OK stores, and that Cancel stores nothing.
#include <gtest/gtest.h>

#include <functional>

#include "smUi.h"
#include "vqHostType.h"
#include "vqSMgrRes.h"

using namespace sitetest;
using namespace smtest;

namespace {
class SiteSheet : public SiteStore {};

std::string siteKey(const char* name) { return std::string(kSites) + "\\" + name; }
}  // namespace

TEST_F(SiteSheet, WizardProposesNameAndDescriptionWhileTheUrlIsTypedAndCancelStoresNothing) {
  saveSite(VQ_SITES_LIST, "Exists", "old.example.com", 7);
  auto before = Snapshot();
  struct Row {
    const char* url;
    const char* name;
    const char* desc;
  };
  const Row rows[] = {
      {"ftp.example.com", "Example", "ftp site for Example"},
      {"10.1.2.3", "IP-10.1.2.3", "ftp site for 10.1.2.3"},
      {"ftp://ftp.gnu.org", "Gnu", "ftp site for Gnu"},
      {"localhost", "Localhost", "ftp site for Localhost"},
      {"ftp.", "", ""},
      {"", "", ""},
  };
  std::vector<std::string> got;
  std::string initialUrl;
  vqSiteParams site(4);
  int r = static_cast<int>(ui::WithDriver(
      nullptr, [&] { return site.SITE_Wizard(nullptr); },
      [&](HWND sheet) {
        HWND page = WaitPage(sheet);
        initialUrl = ui::ItemText(page, IDC_SM_URL);
        for (const Row& row : rows) {
          Type(page, IDC_SM_URL, row.url);
          got.push_back(ui::ItemText(page, IDC_SM_NAME) + "|" + ui::ItemText(page, IDC_SM_DESC));
        }
        Type(page, IDC_SM_URL, "ftp.cancelled.org");
        Press(sheet, PSBTN_CANCEL);
      }));
  EXPECT_EQ(0, r) << "a cancelled wizard reports failure";
  EXPECT_EQ("ftp.", initialUrl);
  ASSERT_EQ(std::size(rows), got.size());
  for (size_t i = 0; i < got.size(); ++i)
    EXPECT_EQ(std::string(rows[i].name) + "|" + rows[i].desc, got[i]) << "URL '" << rows[i].url << "'";
  EXPECT_EQ(before, Snapshot()) << "Cancel must leave the store exactly as it was";
}

TEST_F(SiteSheet, WizardRefusesEachFaultOnItsPageThenStoresTheFinishedSite) {
  saveSite(VQ_SITES_LIST, "Exists", "old.example.com", 7);
  struct Row {
    const char* url;
    const char* port;
    const char* ird;
    const char* name;
    const char* message;  // start of the expected box
  };
  const Row rows[] = {
      {"", "21", "", "a", "Invalid URL. \nPlease reenter a valid URL of the form\n"},
      {"   ", "21", "", "a", "Invalid URL. \nPlease reenter"},
      {"http://www.example.com", "21", "", "a", "Invalid URL."},
      {"ftp.example.com/pub", "21", "", "a", "Invalid URL."},
      {"ftp.example.com", "21", "C:\\home", "a", "Invalid 'Initial Remote Directory'. You cannot supply a drive"},
      {"ftp.example.com", "0", "", "a", "Invalid Port Number. Please specify a port number between 1 and 65535."},
      {"ftp.example.com", "65536", "", "a", "Invalid Port Number."},
      {"ftp.example.com", "", "", "a", "Invalid Port Number."},
      {"ftp.example.com", "21", "", "", "You must enter a site name"},
      {"ftp.example.com", "21", "", "exists", "There is already a site by this name, please choose a different"},
      {"ftp.example.com", "21", "", "a:b", "A site name cannot contain"},
  };
  Boxes boxes;
  std::vector<std::string> shown;
  std::vector<bool> stayed;
  std::string userOnUserPage;
  vqSiteParams site(4);
  int r = static_cast<int>(ui::WithDriver(
      nullptr, [&] { return site.SITE_Wizard(nullptr); },
      [&](HWND sheet) {
        HWND first = WaitPage(sheet);
        for (const Row& row : rows) {
          Type(first, IDC_SM_URL, row.url);
          Type(first, IDC_SM_PORT, row.port);
          Type(first, IDC_SM_IRD, row.ird);
          Type(first, IDC_SM_NAME, row.name);
          size_t seen = boxes.Count();
          Press(sheet, PSBTN_NEXT);
          shown.push_back(boxes.WaitAfter(seen));
          stayed.push_back(CurrentPage(sheet) == first);
        }
        Type(first, IDC_SM_URL, " ftp://ftp.example.com ");
        Type(first, IDC_SM_PORT, "2121");
        Type(first, IDC_SM_IRD, "/pub");
        Type(first, IDC_SM_DESC, "the example site");
        Press(sheet, PSBTN_NEXT);
        HWND user = WaitPage(sheet, first);
        userOnUserPage = ui::ItemText(user, IDC_SM_USER);
        Press(sheet, PSBTN_NEXT);
        WaitPage(sheet, user);
        Press(sheet, PSBTN_FINISH);
      }));
  ASSERT_EQ(std::size(rows), shown.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(0u, shown[i].find(rows[i].message))
        << "row " << i << " ('" << rows[i].url << "', '" << rows[i].port << "', '" << rows[i].ird << "', '"
        << rows[i].name << "') showed: " << shown[i];
    EXPECT_TRUE(stayed[i]) << "row " << i << " must keep the user on the page";
  }
  EXPECT_EQ(1, r);
  EXPECT_EQ("anonymous", userOnUserPage);
  EXPECT_NE(std::string::npos, boxes.Text(2).find("no other protocol prefix")) << "the wizard explains the URL";

  // Byte for byte what the wizard stored, and the caller's object is the new site.
  auto v = values(HKEY_CURRENT_USER, siteKey("Example"));
  EXPECT_EQ("ftp.example.com", v["URL"]);
  EXPECT_EQ("2121", v["URLPort"]);
  EXPECT_EQ("/pub", v["RootDir"]);
  EXPECT_EQ("the example site", v["Description"]);
  EXPECT_EQ("anonymous", v["LoginName"]);
  EXPECT_EQ("1", v["Anonymous"]);
  EXPECT_EQ("2000", v["HostType"]);
  EXPECT_EQ("", v[""]);
  EXPECT_EQ("0000000008", v["SiteId"]);
  EXPECT_EQ("Example", values(HKEY_CURRENT_USER, kSites)["0000000008"]);
  EXPECT_STREQ("Example", site.GetSiteName());
  EXPECT_EQ(8u, site.GetSiteId());
}

TEST_F(SiteSheet, PropertiesRenameOnOkClearsTheOldHostsCacheAndCancelKeepsEverything) {
  saveSite(VQ_SITES_LIST, "Alpha", "alpha.example.com", 3);
  vqSiteParams site(4);
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Alpha"));
  char cacheDir[1024];
  ASSERT_TRUE(site.SITE_GetCacheDir(cacheDir, sizeof cacheDir));
  CreateDirectoryA(cacheDir, nullptr);
  std::string listing = std::string(cacheDir) + "root.vqLS";
  writeFile(listing, "-rw-r--r-- 1 a b 1 Jan 1 2000 x\r\n");

  // Cancel after changes on several pages: nothing moves.
  auto before = Snapshot();
  Boxes boxes;
  ui::WithDriver(
      "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
      [&](HWND sheet) {
        HWND general = WaitPage(sheet);
        Type(general, IDC_SM_NAME, "Changed");
        HWND socket = Select(sheet, 5);
        Type(socket, IDC_SM_SO_TIMEOUT, "99");
        Press(sheet, PSBTN_CANCEL);
      });
  EXPECT_EQ(before, Snapshot());
  EXPECT_STREQ("Alpha", site.GetSiteName()) << "the caller's object is untouched by a cancelled sheet";
  EXPECT_TRUE(fileExists(listing));

  // OK with a refused page first: the out-of-range time-out keeps the sheet open, unsaved.
  std::string refusal;
  bool savedWhileOpen = true;
  int r = static_cast<int>(ui::WithDriver(
      "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
      [&](HWND sheet) {
        HWND general = WaitPage(sheet);
        Type(general, IDC_SM_NAME, "Beta");
        Type(general, IDC_SM_URL, "ftp://beta.example.com");
        HWND socket = Select(sheet, 5);
        Type(socket, IDC_SM_SO_TIMEOUT, "2");
        size_t seen = boxes.Count();
        Press(sheet, PSBTN_OK);
        refusal = boxes.WaitAfter(seen);
        savedWhileOpen = keyExists(HKEY_CURRENT_USER, siteKey("Beta"));
        Type(socket, IDC_SM_SO_TIMEOUT, "60");
        Press(sheet, PSBTN_OK);
      }));
  EXPECT_EQ(1, r);
  EXPECT_EQ("Please enter a number from 5 to 600.", refusal);
  EXPECT_FALSE(savedWhileOpen) << "nothing is saved until every page is valid";
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, siteKey("Alpha")));
  auto v = values(HKEY_CURRENT_USER, siteKey("Beta"));
  EXPECT_EQ("beta.example.com", v["URL"]);
  EXPECT_EQ("60", v["Timeout"]);
  EXPECT_EQ("0000000003", v["SiteId"]) << "a renamed site keeps its id";
  EXPECT_FALSE(fileExists(listing)) << "a new host clears the old host's listings";
  EXPECT_STREQ("Beta", site.GetSiteName());
}

TEST_F(SiteSheet, SystemInfoShowsTheFirstItemPerHostTypeAndTheConnectionTestLearnsFromVsftpd) {
  auto env = Servers();
  if (env.empty()) GTEST_SKIP() << "FH_FTP_SERVERS not set: run through ctest, which starts the servers";
  Boxes boxes;
  boxes.Answer(IDYES);  // connect?
  boxes.Answer(IDYES);  // generate a listing?
  std::string syst, pwd, firstName, firstPerms, otherName;
  int type = -1;
  vqSiteParams site(4);
  int r = static_cast<int>(ui::WithDriver(
      nullptr, [&] { return site.SITE_Wizard(nullptr); },
      [&](HWND sheet) {
        HWND first = WaitPage(sheet);
        Type(first, IDC_SM_URL, "127.0.0.1");
        Type(first, IDC_SM_PORT, env["FTP_A_PORT"].c_str());
        Press(sheet, PSBTN_NEXT);
        HWND user = WaitPage(sheet, first);
        Press(sheet, PSBTN_NEXT);
        HWND host = WaitPage(sheet, user);
        Post(host, IDC_SM_HI_TEST);
        WaitFor([&] { return !ui::ItemText(host, IDC_SM_HI_FNAME).empty() || boxes.Count() > 2; }, 30000);
        syst = ui::ItemText(host, IDC_SM_HI_SYST);
        pwd = ui::ItemText(host, IDC_SM_HI_PWD);
        type = ComboIndex(host, IDC_SM_HI_TYPE);
        firstName = ui::ItemText(host, IDC_SM_HI_FNAME);
        firstPerms = ui::ItemText(host, IDC_SM_HI_PERMS);
        // Another kind's parser reads the same sample differently.
        SendDlgItemMessageA(host, IDC_SM_HI_TYPE, CB_SETCURSEL, VQ_HOST_VMS - VQ_HOST_AUTO, 0);
        SendMessageA(host, WM_COMMAND, MAKEWPARAM(IDC_SM_HI_TYPE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(host, IDC_SM_HI_TYPE)));
        otherName = ui::ItemText(host, IDC_SM_HI_FNAME);
        SendDlgItemMessageA(host, IDC_SM_HI_TYPE, CB_SETCURSEL, type, 0);
        Press(sheet, PSBTN_FINISH);
      }));
  EXPECT_EQ(1, r);
  ASSERT_GE(boxes.Count(), 1u);
  EXPECT_EQ("Would you like to connect to this site?", boxes.Text(0));
  EXPECT_EQ("Generate a directory listing of the remote server?", boxes.Text(1));
  EXPECT_EQ("UNIX Type: L8", syst);
  EXPECT_EQ("/", pwd);
  EXPECT_EQ(VQ_HOST_UNIXL8 - VQ_HOST_AUTO, type);
  EXPECT_FALSE(firstName.empty());
  EXPECT_EQ(10u, firstPerms.size()) << firstPerms;
  EXPECT_NE(firstName, otherName) << "changing the server type parses the sample again";
  auto v = values(HKEY_CURRENT_USER, siteKey("IP-127.0.0.1"));
  EXPECT_EQ(std::to_string(VQ_HOST_UNIXL8), v["HostType"]);
  EXPECT_EQ("UNIX Type: L8", v["cmdSYST"]);
  EXPECT_EQ("/", v["RootDir"]);

  // A server that is not there: the engine's reason, and the page keeps its values.
  boxes.Answer(IDYES);
  size_t seen = boxes.Count();
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "IP-127.0.0.1"));
  std::string reason;
  ui::WithDriver(
      "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
      [&](HWND sheet) {
        HWND general = WaitPage(sheet);
        Type(general, IDC_SM_PORT, "1");
        HWND host = Select(sheet, 6);
        Post(host, IDC_SM_HI_TEST);
        WaitFor([&] { return boxes.Count() >= seen + 2; }, 30000);
        reason = boxes.Text(seen + 1);
        Press(sheet, PSBTN_CANCEL);
      });
  EXPECT_EQ(0u, reason.find("Unable to connect to server.\n\nReason: ")) << reason;
}

// The names setting: a site stored before it existed reads as automatic and its page shows so;
// each choice made on System Info is stored as the site key's NameEncoding value and read back.
TEST_F(SiteSheet, SystemInfoStoresHowTheServerEncodesNames) {
  saveSite(VQ_SITES_LIST, "Names", "names.example.com", 9);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, siteKey("Names").c_str(), 0, KEY_SET_VALUE, &key));
  RegDeleteValueA(key, "NameEncoding");  // as an older version stored it
  RegCloseKey(key);
  vqSiteParams site(4);
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Names"));
  EXPECT_EQ(VQ_NAMES_AUTO, site.GetNameEncoding()) << "an older site without the value";
  EXPECT_EQ(0u, values(HKEY_CURRENT_USER, siteKey("Names")).count("NameEncoding"));
  struct Row {
    int choose;
    const char* stored;
  } rows[] = {{VQ_NAMES_UTF8, "1"}, {VQ_NAMES_CODEPAGE, "2"}, {VQ_NAMES_AUTO, "0"}};
  int shown = -1;
  for (const Row& row : rows) {
    ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Names"));
    const int before = site.GetNameEncoding();
    ui::WithDriver(
        "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
        [&](HWND sheet) {
          WaitPage(sheet);
          HWND host = Select(sheet, 6);
          shown = ComboIndex(host, IDC_SM_HI_NAMES);
          SendDlgItemMessageA(host, IDC_SM_HI_NAMES, CB_SETCURSEL, row.choose, 0);
          Press(sheet, PSBTN_OK);
        });
    EXPECT_EQ(before, shown) << "the page shows the stored choice";
    EXPECT_EQ(row.stored, values(HKEY_CURRENT_USER, siteKey("Names"))["NameEncoding"]);
    vqSiteParams reread(4);
    ASSERT_EQ(1, reread.SITE_LoadParams(VQ_SITES_LIST, "Names"));
    EXPECT_EQ(row.choose, reread.GetNameEncoding());
  }
  // A value this version does not know reads as automatic.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, siteKey("Names").c_str(), 0, KEY_SET_VALUE, &key));
  RegSetValueExA(key, "NameEncoding", 0, REG_SZ, reinterpret_cast<const BYTE*>("7"), 2);
  RegCloseKey(key);
  vqSiteParams reread(4);
  ASSERT_EQ(1, reread.SITE_LoadParams(VQ_SITES_LIST, "Names"));
  EXPECT_EQ(VQ_NAMES_AUTO, reread.GetNameEncoding());
}

// TLS and machine listings: a site stored before the settings existed reads as TLS off and MLSD on
// (so it behaves as it always did), a new site starts with TLS when offered, and each choice made
// on System Info is stored in the site key and read back.
TEST_F(SiteSheet, SystemInfoStoresTheTlsAndMachineListingChoices) {
  saveSite(VQ_SITES_LIST, "Secure", "secure.example.com", 11);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, siteKey("Secure").c_str(), 0, KEY_SET_VALUE, &key));
  for (const char* name : {"UseTLS", "TLSCertificate", "UseMLSD"}) RegDeleteValueA(key, name);  // an older store
  RegCloseKey(key);
  vqSiteParams site(4);
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Secure"));
  EXPECT_EQ(0, site.GetTlsMode()) << "an older site stays unprotected";
  EXPECT_EQ(1, site.GetUseMLSD()) << "an older site keeps machine listings";
  EXPECT_STREQ("", site.GetTlsTrusted());
  vqSiteParams fresh(4);
  EXPECT_EQ(1, fresh.GetTlsMode()) << "a new site uses TLS when the server offers it";

  struct Row {
    int tls;
    bool mlsd;
    const char* storedTls;
    const char* storedMlsd;
  } rows[] = {{2, false, "2", "0"}, {1, true, "1", "1"}, {0, false, "0", "0"}};
  int shownTls = -1, shownMlsd = -1;
  for (const Row& row : rows) {
    ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Secure"));
    const int beforeTls = site.GetTlsMode(), beforeMlsd = site.GetUseMLSD();
    ui::WithDriver(
        "FTP Site Information", [&] { return site.SITE_Properties(nullptr); },
        [&](HWND sheet) {
          WaitPage(sheet);
          HWND host = Select(sheet, 6);
          shownTls = ComboIndex(host, IDC_SM_HI_TLS);
          shownMlsd = IsDlgButtonChecked(host, IDC_SM_HI_MLSD) == BST_CHECKED;
          SendDlgItemMessageA(host, IDC_SM_HI_TLS, CB_SETCURSEL, row.tls, 0);
          CheckDlgButton(host, IDC_SM_HI_MLSD, row.mlsd ? BST_CHECKED : BST_UNCHECKED);
          Press(sheet, PSBTN_OK);
        });
    EXPECT_EQ(beforeTls, shownTls) << "the page shows the stored TLS choice";
    EXPECT_EQ(beforeMlsd, shownMlsd) << "the page shows the stored MLSD choice";
    auto stored = values(HKEY_CURRENT_USER, siteKey("Secure"));
    EXPECT_EQ(row.storedTls, stored["UseTLS"]);
    EXPECT_EQ(row.storedMlsd, stored["UseMLSD"]);
    vqSiteParams reread(4);
    ASSERT_EQ(1, reread.SITE_LoadParams(VQ_SITES_LIST, "Secure"));
    EXPECT_EQ(row.tls, reread.GetTlsMode());
    EXPECT_EQ(row.mlsd ? 1 : 0, reread.GetUseMLSD());
  }
  // A remembered certificate survives a save; a TLS value this version does not know reads as off.
  site.SetTlsTrusted("AB:CD");
  site.SITE_SaveParams();
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, siteKey("Secure").c_str(), 0, KEY_SET_VALUE, &key));
  RegSetValueExA(key, "UseTLS", 0, REG_SZ, reinterpret_cast<const BYTE*>("7"), 2);
  RegCloseKey(key);
  vqSiteParams reread(4);
  ASSERT_EQ(1, reread.SITE_LoadParams(VQ_SITES_LIST, "Secure"));
  EXPECT_STREQ("AB:CD", reread.GetTlsTrusted());
  EXPECT_EQ(0, reread.GetTlsMode());
}
