// Import of WS_FTP initialisation files written here and of FTP Explorer profiles made here.
#include <vector>

#include "site_fixture.h"

using namespace sitetest;

namespace {
const char kFtpx[] = "software\\ftp explorer";
const char kProfiles[] = "software\\ftp explorer\\profiles";
}  // namespace

TEST_F(SiteStore, WsFtpFileWithCategoryFileAndFirewall) {
  writeFile(root_ + "\\ws_ftp.ini",
            "[_config_]\r\nHOST=not a site\r\n"
            "[FIREWALL]\r\nHOST=fw.example\r\nUID=fwuser\r\nPORT=0\r\nFIRETYPE=5\r\n"
            "[My Site]\r\nHOST=  ftp.example  \r\nUID=ANONYMOUS\r\nDIR=/pub\r\nCOMMENT=the mirror\r\n"
            "PASVMODE=1\r\nPORT=0\r\nRETRIES=3\r\nRMASK=*.zip\r\nLOCDIR=c:\\down\r\nTIMEOUT=0\r\nFIREWALL=1\r\n"
            "INITCMD=SITE UMASK 022\r\nPASSWORD=never\r\n"
            "[Plain]\r\nHOST=plain.example\r\nUID=bob\r\nPORT=2121\r\nTIMEOUT=90\r\nPASVMODE=0\r\nFIREWALL=0\r\n"
            "[Odd]\r\nPORT=99999\r\nPASVMODE=yes\r\nFIREWALL=\r\n"
            "[Group]\r\nFILENAME=group.ini\r\n"
            "[Loop]\r\nFILENAME=ws_ftp.ini\r\n");
  writeFile(root_ + "\\group.ini", "[Inner]\r\nHOST=inner.example\r\nUID=anonymous\r\n");

  vqSiteParams imp(2);
  ASSERT_EQ(1, imp.SITE_Import(0, (root_ + "\\ws_ftp.ini").c_str()));
  ASSERT_EQ(5, imp.ENUM_GetSiteCount());
  vqSiteParams* my = imp.ENUM_GetSiteItem(0);
  EXPECT_STREQ("My Site", my->GetSiteName());
  EXPECT_STREQ("FTP-Sites", my->GetSiteSubPath());
  EXPECT_STREQ("ftp.example", my->GetURL());
  EXPECT_STREQ("ANONYMOUS", my->GetUsername());
  EXPECT_EQ(1, my->GetIsAnonymous());
  EXPECT_STREQ("/pub", my->GetIRD());
  EXPECT_STREQ("the mirror", my->GetDescription());
  EXPECT_EQ(1, my->GetFirewallPasv());
  EXPECT_EQ(21, my->GetURLPort());
  EXPECT_EQ(3u, my->GetRetryCount());
  EXPECT_STREQ("*.zip", my->GetRemoteFileMask());
  EXPECT_STREQ("c:\\down", my->GetDefXferDir());
  EXPECT_EQ(30u, my->GetTimeout());
  EXPECT_STREQ("SITE UMASK 022", my->GetInitStr());
  EXPECT_EQ(1, my->GetFirewallEnabled());
  EXPECT_STREQ("fw.example", my->GetFirewallHost());
  EXPECT_STREQ("fwuser", my->GetFirewallUser());
  EXPECT_EQ(21, my->GetFirewallPort());
  EXPECT_EQ(0u, my->GetFirewallType());
  EXPECT_STRNE("never", my->GetPassword()) << "passwords are not imported";

  vqSiteParams* plain = imp.ENUM_GetSiteItem(1);
  EXPECT_STREQ("Plain", plain->GetSiteName());
  EXPECT_EQ(0, plain->GetIsAnonymous());
  EXPECT_EQ(2121, plain->GetURLPort());
  EXPECT_EQ(90u, plain->GetTimeout());
  EXPECT_EQ(0, plain->GetFirewallEnabled());
  EXPECT_STREQ("", plain->GetFirewallHost());

  vqSiteParams* odd = imp.ENUM_GetSiteItem(2);
  EXPECT_EQ(21, odd->GetURLPort()) << "a port past 65535 is no port";
  EXPECT_EQ(0, odd->GetFirewallPasv());
  EXPECT_EQ(0, odd->GetFirewallEnabled());

  vqSiteParams* group = imp.ENUM_GetSiteItem(3);
  EXPECT_STREQ("Group", group->GetSiteName());
  EXPECT_EQ(1, group->GetIsCategory());
  ASSERT_EQ(1, group->ENUM_GetSiteCount());
  EXPECT_STREQ("Inner", group->ENUM_GetSiteItem(0)->GetSiteName());
  EXPECT_STREQ("FTP-Sites\\Group", group->ENUM_GetSiteItem(0)->GetSiteSubPath());
  EXPECT_STREQ("inner.example", group->ENUM_GetSiteItem(0)->GetURL());

  // A file that names itself ends after a few levels instead of running out of stack.
  vqSiteParams* loop = imp.ENUM_GetSiteItem(4);
  EXPECT_EQ(1, loop->GetIsCategory());
  int depth = 0;
  for (vqSiteParams* p = loop; p && p->ENUM_GetSiteCount() > 0; p = p->ENUM_GetSiteItem(4)) ++depth;
  EXPECT_GT(depth, 0);
  EXPECT_LT(depth, 20);

  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSites)) << "the import itself stores nothing";
  EXPECT_EQ(1, imp.SITE_Import(0, (root_ + "\\missing.ini").c_str()));
  EXPECT_EQ(0, imp.ENUM_GetSiteCount());
  EXPECT_EQ(1, imp.SITE_Import(7, nullptr));
  EXPECT_EQ(0, imp.ENUM_GetSiteCount());
}

TEST_F(SiteStore, WsFtpFirewallKindsAndTakenNames) {
  struct Case {
    const char* fireType;
    unsigned type;
  } cases[] = {{"0", 3}, {"1", 0}, {"2", 1}, {"3", 2}, {"4", 4}, {"5", 0}, {"6", 0}, {"7", 6}, {"8", 0}, {"", 3}};
  std::string file = root_ + "\\fw.ini";
  for (const Case& c : cases) {
    writeFile(file,
              std::string("[S]\r\nHOST=h\r\nFIREWALL=1\r\n[FIREWALL]\r\nPORT=1080\r\nFIRETYPE=") + c.fireType + "\r\n");
    vqSiteParams imp(2);
    ASSERT_EQ(1, imp.SITE_Import(0, file.c_str()));
    ASSERT_EQ(1, imp.ENUM_GetSiteCount());
    EXPECT_EQ(c.type, imp.ENUM_GetSiteItem(0)->GetFirewallType()) << "FIRETYPE=" << c.fireType;
    EXPECT_EQ(1080, imp.ENUM_GetSiteItem(0)->GetFirewallPort());
  }

  // Names already taken in the target list get the member count in front.
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites\\Cat", "B", "b.example");
  saveSite("FTP-Sites", "A", "a.example");
  writeFile(file, "[A]\r\nHOST=a2\r\n[B]\r\nHOST=b2\r\n[C]\r\nHOST=c2\r\n");
  vqSiteParams top(2);
  ASSERT_EQ(1, top.SITE_Import(0, file.c_str()));
  ASSERT_EQ(3, top.ENUM_GetSiteCount());
  EXPECT_STREQ("WS(1)-A", top.ENUM_GetSiteItem(0)->GetSiteName());
  EXPECT_STREQ("B", top.ENUM_GetSiteItem(1)->GetSiteName());
  // Into a category: the category's own list decides.
  vqSiteParams inCat(2);
  inCat.SetSiteSubPath("FTP-Sites");
  inCat.SetSiteName("Cat");
  ASSERT_EQ(1, inCat.SITE_Import(0, file.c_str()));
  ASSERT_EQ(3, inCat.ENUM_GetSiteCount());
  EXPECT_STREQ("A", inCat.ENUM_GetSiteItem(0)->GetSiteName());
  EXPECT_STREQ("WS(2)-B", inCat.ENUM_GetSiteItem(1)->GetSiteName());
  EXPECT_STREQ("FTP-Sites\\Cat", inCat.ENUM_GetSiteItem(1)->GetSiteSubPath());
}

TEST_F(SiteStore, FtpExplorerProfilesAreReadAndLeftAlone) {
  if (keyExists(HKEY_CURRENT_USER, kFtpx)) GTEST_SKIP() << "the prefix has FTP Explorer settings of its own";
  struct Gone {
    ~Gone() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kFtpx); }
  } gone;
  std::string a = std::string(kProfiles) + "\\Alpha";
  std::string b = std::string(kProfiles) + "\\Beta";
  put(HKEY_CURRENT_USER, a, "Host", "alpha.example");
  put(HKEY_CURRENT_USER, a, "Login", "al");
  put(HKEY_CURRENT_USER, a, "Description", "first");
  put(HKEY_CURRENT_USER, a, "InitialPath", "/home/al");
  putDword(HKEY_CURRENT_USER, a, "AnonLogin", 0);
  putDword(HKEY_CURRENT_USER, a, "Port", 2121);
  putDword(HKEY_CURRENT_USER, a, "PasvMode", 1);
  putDword(HKEY_CURRENT_USER, a, "Retries", 4);
  putDword(HKEY_CURRENT_USER, a, "RetryDelay", 15);
  put(HKEY_CURRENT_USER, b, "Host", "beta.example");
  put(HKEY_CURRENT_USER, b, "AnonLogin", "1");
  put(HKEY_CURRENT_USER, b, "Port", "0");
  saveSite("FTP-Sites", "Beta", "old-beta.example");
  std::map<std::string, std::string> before = values(HKEY_CURRENT_USER, a);

  vqSiteParams imp(2);
  ASSERT_EQ(1, imp.SITE_Import(1, nullptr));
  ASSERT_EQ(2, imp.ENUM_GetSiteCount());
  vqSiteParams* alpha = imp.ENUM_GetSiteItem(0);
  EXPECT_STREQ("Alpha", alpha->GetSiteName());
  EXPECT_STREQ("alpha.example", alpha->GetURL());
  EXPECT_STREQ("al", alpha->GetUsername());
  EXPECT_STREQ("first", alpha->GetDescription());
  EXPECT_STREQ("/home/al", alpha->GetIRD());
  EXPECT_EQ(0, alpha->GetIsAnonymous());
  EXPECT_EQ(2121, alpha->GetURLPort());
  EXPECT_EQ(1, alpha->GetFirewallPasv());
  EXPECT_EQ(4u, alpha->GetRetryCount());
  EXPECT_EQ(15u, alpha->GetRetryWait());
  vqSiteParams* beta = imp.ENUM_GetSiteItem(1);
  EXPECT_STREQ("FTPX(2)-Beta", beta->GetSiteName());
  EXPECT_STREQ("beta.example", beta->GetURL());
  EXPECT_EQ(1, beta->GetIsAnonymous());
  EXPECT_EQ(21, beta->GetURLPort());
  EXPECT_EQ(before, values(HKEY_CURRENT_USER, a)) << "the other program's profile is not changed";

  ::RegDeleteTreeA(HKEY_CURRENT_USER, kFtpx);
  EXPECT_EQ(1, imp.SITE_Import(1, nullptr));
  EXPECT_EQ(0, imp.ENUM_GetSiteCount());
}

TEST_F(SiteStore, WsFtpFilesThatNameThemselvesOftenStayBounded) {
  // Three sections name the file again at every level: bounded by depth alone that would be
  // thousands of files; the import reads a bounded number and keeps every file's own sites.
  writeFile(root_ + "\\self.ini",
            "[A]\r\nFILENAME=self.ini\r\n[B]\r\nFILENAME=self.ini\r\n[C]\r\nFILENAME=self.ini\r\n"
            "[Leaf]\r\nHOST=leaf.example\r\n");
  vqSiteParams imp(2);
  ASSERT_EQ(1, imp.SITE_Import(0, (root_ + "\\self.ini").c_str()));
  ASSERT_EQ(4, imp.ENUM_GetSiteCount());
  EXPECT_STREQ("leaf.example", imp.ENUM_GetSiteItem(3)->GetURL());
  int members = 0;
  std::vector<vqSiteParams*> open = {&imp};
  while (!open.empty()) {
    vqSiteParams* p = open.back();
    open.pop_back();
    for (int i = 0; i < p->ENUM_GetSiteCount(); ++i) {
      ++members;
      open.push_back(p->ENUM_GetSiteItem(i));
    }
  }
  EXPECT_GT(members, 4);
  EXPECT_LE(members, 64 * 4);
}
