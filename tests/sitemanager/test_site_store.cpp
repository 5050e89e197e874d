// The site store against the prefix's real registry: layout byte for byte, ids, copy, rename,
// delete, the machine-wide migration and the refusal of names that cannot be keys.
#include <string.h>

#include "site_fixture.h"
#include "vqCrypto.h"

using namespace sitetest;

namespace {
std::string scrambled(const std::string& plain) {
  std::string s = plain;
  vqCrypto c;
  c.Encrypt(&s[0], static_cast<int>(s.size()));
  return s;
}
}  // namespace

TEST_F(SiteStore, NestedStoreIsWrittenByteForByte) {
  saveCategory("FTP-Sites", "Work");  // id 2: counting starts at 1 and is raised before use
  EXPECT_EQ("2", raw(HKEY_CURRENT_USER, kSites, ""));

  vqSiteParams s(2);
  s.SetURL("ftp.example");
  s.SetUsername("bob");
  s.SetPassword("s3cret");
  s.SetIsAnonymous(0);
  s.SetHostType(2007);
  s.SetURLPort(2121);
  s.SetIRD("/pub");
  s.SetTimeout(45);
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites\\Work\\", "Box"));  // trailing "\" is dropped
  EXPECT_EQ(3u, s.GetSiteId());
  EXPECT_STREQ("0000000003", s.GetSiteKeyName());
  EXPECT_STREQ("SoftWare\\Quillon\\Farhollow\\FTP-Sites\\Work\\Box", s.GetFullSitePath());
  saveSite("FTP-Sites", "Open", "mirror.example");  // anonymous

  EXPECT_EQ("4", raw(HKEY_CURRENT_USER, kSites, ""));
  std::map<std::string, std::string> top = values(HKEY_CURRENT_USER, kSites);
  EXPECT_EQ((std::map<std::string, std::string>{{"", "4"}, {"0000000002", "Work"}, {"0000000004", "Open"}}), top);
  EXPECT_EQ((std::set<std::string>{"Open", "Work"}), subkeys(HKEY_CURRENT_USER, kSites));

  // A category key holds its id, the marker, its description and its own list.
  std::map<std::string, std::string> cat = values(HKEY_CURRENT_USER, key("FTP-Sites\\Work"));
  EXPECT_EQ((std::map<std::string, std::string>{
                {"", "Category"}, {"SiteId", "0000000002"}, {"Description", "category Work"}, {"0000000003", "Box"}}),
            cat);

  std::map<std::string, std::string> box = values(HKEY_CURRENT_USER, key("FTP-Sites\\Work\\Box"));
  const std::map<std::string, std::string> expected = {{"", ""},
                                                       {"SiteId", "0000000003"},
                                                       {"HostType", "2007"},
                                                       {"URL", "ftp.example"},
                                                       {"URLPort", "2121"},
                                                       {"LoginName", "bob"},
                                                       {"Account", ""},
                                                       {"InitStr", ""},
                                                       {"Description", ""},
                                                       {"RootDir", "/pub"},
                                                       {"cmdSYST", ""},
                                                       {"cmdPWD", ""},
                                                       {"Anonymous", "0"},
                                                       {"VirtualHost", "0"},
                                                       {"HostDelim", ""},
                                                       {"wendal", ""},
                                                       {"Timeout", "45"},
                                                       {"PassWord", "\x7F" + scrambled("s3cret")}};
  for (const auto& e : expected) EXPECT_EQ(e.second, box[e.first]) << "value " << e.first;
  EXPECT_TRUE(box.count("FirewallHost") && box.count("RetryCount")) << "the site key holds the common values";

  // The anonymous site stores its password (the e-mail address) as it is.
  vqAppParams* app = VQSMGR_GetAppParams();
  EXPECT_EQ(app->GetEMailAddress(), raw(HKEY_CURRENT_USER, key("FTP-Sites\\Open"), "PassWord"));

  vqSiteParams back(2);
  ASSERT_EQ(1, back.SITE_LoadParams("FTP-Sites\\Work", "Box"));
  EXPECT_STREQ("s3cret", back.GetPassword());
  EXPECT_STREQ("bob", back.GetUsername());
  EXPECT_EQ(2121, back.GetURLPort());
  EXPECT_EQ(2007u, back.GetHostType());
  EXPECT_EQ(45u, back.GetTimeout());
  EXPECT_EQ(0, back.GetIsCategory());
  vqSiteParams byId(2);
  ASSERT_EQ(1, byId.SITE_LoadParams("FTP-Sites\\Work", 3u));
  EXPECT_STREQ("Box", byId.GetSiteName());
  EXPECT_EQ(0, byId.SITE_LoadParams("FTP-Sites\\Work", 99u));

  vqSiteParams list(2);
  ASSERT_EQ(2, list.ENUM_SiteEnumerate("FTP-Sites"));
  EXPECT_STREQ("Open", list.ENUM_GetSiteItem(0)->GetSiteName());
  EXPECT_STREQ("Work", list.ENUM_GetSiteItem(1)->GetSiteName());
  EXPECT_EQ(1, list.ENUM_GetSiteItem(1)->GetIsCategory());
  EXPECT_STREQ("category Work", list.ENUM_GetSiteItem(1)->GetDescription());
  EXPECT_EQ(nullptr, list.ENUM_GetSiteItem(2));
  EXPECT_EQ(1, list.ENUM_SiteEnumerate("FTP-Sites\\Work"));
  EXPECT_EQ(0, list.ENUM_SiteEnumerate("FTP-Sites\\Nowhere"));
}

TEST_F(SiteStore, NextIdFollowsTheLastIdOrTheLargestMember) {
  struct Case {
    const char* lastId;                      // default value of FTP-Sites, null for none
    std::map<std::string, std::string> ids;  // existing id values
    unsigned expected;
  } cases[] = {
      {nullptr, {}, 2},
      {"41", {}, 42},
      {"", {{"0000000007", "a"}, {"0000000012", "b"}}, 13},
      {nullptr, {{"0000000003", "a"}}, 4},
      {"9", {{"0000000050", "a"}}, 10},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSites);
    if (c.lastId) put(HKEY_CURRENT_USER, kSites, "", c.lastId);
    for (const auto& v : c.ids) put(HKEY_CURRENT_USER, kSites, v.first.c_str(), v.second);
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "New"));
    char name[16];
    snprintf(name, sizeof(name), "%010u", c.expected);
    EXPECT_EQ(c.expected, s.GetSiteId()) << "last id " << (c.lastId ? c.lastId : "(none)");
    EXPECT_EQ("New", raw(HKEY_CURRENT_USER, kSites, name));
    EXPECT_EQ(name, raw(HKEY_CURRENT_USER, key("FTP-Sites\\New"), "SiteId"));
    EXPECT_EQ(std::to_string(c.expected), raw(HKEY_CURRENT_USER, kSites, ""));
  }
}

TEST_F(SiteStore, StoredHostTypesAndPasswordFormsLoad) {
  struct HostCase {
    const char* stored;
    unsigned loaded;
  } hosts[] = {{"6010", 2010}, {"0", 2000}, {"6051", 6051}, {"6000", 2000}, {"6050", 2050}, {"2005", 2005}};
  for (const HostCase& c : hosts) {
    put(HKEY_CURRENT_USER, key("FTP-Sites\\H"), "HostType", c.stored);
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_LoadParams("FTP-Sites", "H"));
    EXPECT_EQ(c.loaded, s.GetHostType()) << "stored " << c.stored;
  }

  std::string secret = scrambled("pw123");
  struct PassCase {
    std::string stored;
    const char* loaded;
  } passes[] = {
      {std::string("\x7E") + char(5) + secret, "pw123"},
      {std::string("\x7E") + char(3) + secret, "pw1"},
      {std::string("\x7E") + char(40) + secret, ""},  // length beyond the stored bytes: damage
      {"\x7F" + secret, "pw123"},
      {"plain", "plain"},
      {"", ""},
  };
  for (const PassCase& c : passes) {
    put(HKEY_CURRENT_USER, key("FTP-Sites\\P"), "PassWord", c.stored);
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_LoadParams("FTP-Sites", "P"));
    EXPECT_STREQ(c.loaded, s.GetPassword()) << "stored form of " << c.stored.size() << " bytes";
  }
}

TEST_F(SiteStore, CopyPicksFreeNamesAndCopiesCategoriesWhole) {
  saveSite("FTP-Sites", "X", "x.example");
  saveSite("FTP-Sites", "Copy of X", "other.example");
  vqSiteParams op(2);
  ASSERT_EQ(1, op.SITE_Copy("FTP-Sites", "X", "FTP-Sites", "X"));
  EXPECT_STREQ("Copy of Copy of X", op.GetSiteName());
  vqSiteParams copy(2);
  ASSERT_EQ(1, copy.SITE_LoadParams("FTP-Sites", "Copy of Copy of X"));
  EXPECT_STREQ("x.example", copy.GetURL());
  EXPECT_EQ(4u, copy.GetSiteId()) << "a copy beside its source gets a new id";

  saveCategory("FTP-Sites", "C");
  saveSite("FTP-Sites\\C", "In", "in.example");
  saveCategory("FTP-Sites\\C", "Deep");
  saveSite("FTP-Sites\\C\\Deep", "Leaf", "leaf.example");
  ASSERT_EQ(1, op.SITE_Copy("FTP-Sites", "C", "FTP-Sites", "C"));
  EXPECT_STREQ("Copy of C", op.GetSiteName());
  ASSERT_EQ(1, op.SITE_Copy("FTP-Sites", "C", "FTP-Sites", "C"));
  EXPECT_STREQ("Copy of C Copy of C", op.GetSiteName());
  for (const char* cat : {"Copy of C", "Copy of C Copy of C"}) {
    std::string list = std::string("FTP-Sites\\") + cat;
    EXPECT_EQ("Category", raw(HKEY_CURRENT_USER, key(list), "")) << cat;
    EXPECT_EQ("in.example", raw(HKEY_CURRENT_USER, key(list + "\\In"), "URL")) << cat;
    EXPECT_EQ("leaf.example", raw(HKEY_CURRENT_USER, key(list + "\\Deep\\Leaf"), "URL")) << cat;
    EXPECT_EQ((std::set<std::string>{"Deep", "In"}), subkeys(HKEY_CURRENT_USER, key(list))) << cat;
  }

  // Into another list under a free name the id goes along (a rename relies on it).
  saveCategory("FTP-Sites", "D");
  ASSERT_EQ(1, op.SITE_Copy("FTP-Sites", "X", "FTP-Sites\\D", "X"));
  EXPECT_EQ(raw(HKEY_CURRENT_USER, key("FTP-Sites\\X"), "SiteId"),
            raw(HKEY_CURRENT_USER, key("FTP-Sites\\D\\X"), "SiteId"));

  // Beside its source under another free name it may not take over the source's id entry.
  ASSERT_EQ(1, op.SITE_Copy("FTP-Sites", "X", "FTP-Sites", "Y"));
  EXPECT_EQ("X", raw(HKEY_CURRENT_USER, kSites, raw(HKEY_CURRENT_USER, key("FTP-Sites\\X"), "SiteId").c_str()));
  EXPECT_NE(raw(HKEY_CURRENT_USER, key("FTP-Sites\\X"), "SiteId"),
            raw(HKEY_CURRENT_USER, key("FTP-Sites\\Y"), "SiteId"));

  // A category into itself, and a source that does not exist, copy nothing.
  EXPECT_EQ(0, op.SITE_Copy("FTP-Sites", "C", "FTP-Sites\\C\\Deep", "C"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\C\\Deep\\C")));
  EXPECT_EQ(0, op.SITE_Copy("FTP-Sites", "Ghost", "FTP-Sites", "Ghost2"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Ghost2")));
}

TEST_F(SiteStore, CopyGivesUpWhenTenNamesAreTaken) {
  std::string name = "S";
  saveSite("FTP-Sites", "S", "s.example");
  for (int i = 0; i < 10; ++i) {
    name = "Copy of " + name;
    saveSite("FTP-Sites", name.c_str(), "taken.example");
  }
  vqSiteParams op(2);
  EXPECT_EQ(0, op.SITE_Copy("FTP-Sites", "S", "FTP-Sites", "S"));
  EXPECT_EQ("taken.example", raw(HKEY_CURRENT_USER, key("FTP-Sites\\" + name), "URL")) << "no site is overwritten";
}

TEST_F(SiteStore, RenameKeepsTheIdAndLeavesNothingInTheScratchList) {
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites", "Old", "old.example");
  std::string id = raw(HKEY_CURRENT_USER, key("FTP-Sites\\Old"), "SiteId");
  vqSiteParams op(2);
  ASSERT_EQ(1, op.SITE_Rename("FTP-Sites", "Old", "FTP-Sites\\Cat", "New"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Old")));
  EXPECT_EQ(id, raw(HKEY_CURRENT_USER, key("FTP-Sites\\Cat\\New"), "SiteId"));
  EXPECT_EQ("old.example", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Cat\\New"), "URL"));
  EXPECT_EQ("New", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Cat"), id.c_str()));
  EXPECT_EQ("<missing>", raw(HKEY_CURRENT_USER, kSites, id.c_str()));
  EXPECT_TRUE(subkeys(HKEY_CURRENT_USER, kScratch).empty());
  std::map<std::string, std::string> scratch = values(HKEY_CURRENT_USER, kScratch);
  EXPECT_TRUE(scratch.empty()) << scratch.size() << " values left in the scratch list";

  // A category moves with its members.
  saveSite("FTP-Sites\\Cat", "Inner", "inner.example");
  ASSERT_EQ(1, op.SITE_Rename("FTP-Sites", "Cat", "FTP-Sites", "Renamed"));
  EXPECT_EQ("inner.example", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Renamed\\Inner"), "URL"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Cat")));

  // A refused target name, or a move into itself, leaves the item where it was.
  EXPECT_EQ(0, op.SITE_Rename("FTP-Sites", "Renamed", "FTP-Sites", "Bad/Name"));
  EXPECT_EQ(0, op.SITE_Rename("FTP-Sites", "Renamed", "FTP-Sites\\Renamed", "Inside"));
  EXPECT_EQ("inner.example", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Renamed\\Inner"), "URL"));
  EXPECT_EQ("Category", raw(HKEY_CURRENT_USER, key("FTP-Sites\\Renamed"), ""));
  EXPECT_TRUE(subkeys(HKEY_CURRENT_USER, kScratch).empty());
}

TEST_F(SiteStore, DeleteRemovesKeysIdValueAndCaches) {
  saveSite("FTP-Sites", "Keep", "keep.example");
  saveCategory("FTP-Sites", "Cat");
  saveSite("FTP-Sites\\Cat", "Inner", "inner.example");
  saveSite("FTP-Sites", "5", "five.example");  // a name that reads like the last id
  vqSiteParams inner(2);
  ASSERT_EQ(1, inner.SITE_LoadParams("FTP-Sites\\Cat", "Inner"));
  char dir[1024];
  ASSERT_EQ(1, inner.SITE_GetCacheDir(dir, sizeof(dir)));
  ASSERT_TRUE(::CreateDirectoryA(dir, nullptr));
  writeFile(std::string(dir) + "root.pub.vqD", "listing");
  writeFile(std::string(dir) + "root.pub.a.txt", "copy");
  put(HKEY_LOCAL_MACHINE, key("FTP-Sites\\Cat"), "", "Category");

  vqSiteParams op(2);
  EXPECT_EQ(0, op.SITE_Delete("FTP-Sites", "")) << "an empty name must not delete the whole list";
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kSites));
  std::string lastId = raw(HKEY_CURRENT_USER, kSites, "");
  ASSERT_EQ(1, op.SITE_Delete("FTP-Sites", "5"));
  EXPECT_EQ(lastId, raw(HKEY_CURRENT_USER, kSites, ""));

  ASSERT_EQ(1, op.SITE_Delete("FTP-Sites", "Cat\\"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Cat")));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, key("FTP-Sites\\Cat")));
  EXPECT_FALSE(fileExists(dir)) << "the caches of the sites inside go too";
  std::map<std::string, std::string> top = values(HKEY_CURRENT_USER, kSites);
  EXPECT_EQ((std::map<std::string, std::string>{{"", lastId}, {"0000000002", "Keep"}}), top);
  EXPECT_EQ(1, op.SITE_Exists("FTP-Sites", "Keep"));
  EXPECT_EQ(0, op.SITE_Exists("FTP-Sites", ""));
  EXPECT_EQ(0, op.SITE_Exists("FTP-Sites", nullptr));
}

TEST_F(SiteStore, NamesThatCannotBeKeysAreRefused) {
  const char* bad[] = {"", "a\\b", "a/b", "x:y", "star*", "what?", "say \"hi\"", "<tag>", "pipe|", "tab\tname"};
  for (const char* name : bad) {
    vqSiteParams s(2);
    s.SetIsCategory(0);
    EXPECT_EQ(0, s.SITE_SaveParams("FTP-Sites", name)) << "name [" << name << "]";
    vqSiteParams c(2);
    c.SetIsCategory(1);
    EXPECT_EQ(0, c.SITE_SaveParams("FTP-Sites", name)) << "category [" << name << "]";
  }
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSites)) << "a refused save writes nothing";
  std::string longName(257, 'n');
  vqSiteParams s(2);
  EXPECT_EQ(0, s.SITE_SaveParams("FTP-Sites", longName.c_str()));
  EXPECT_EQ(1, s.SITE_SaveParams("FTP-Sites", "My Site (1) - ok.example"));
  // A path the site's common part cannot address is refused rather than saved elsewhere.
  std::string deep = "FTP-Sites\\" + std::string(200, 'd');
  vqSiteParams d(2);
  EXPECT_EQ(0, d.SITE_SaveParams(deep.c_str(), std::string(60, 'e').c_str()));
}

TEST_F(SiteStore, MachineWideSiteLoadsAndMovesToTheUser) {
  std::string lm = key("FTP-Sites\\Legacy");
  put(HKEY_LOCAL_MACHINE, key("FTP-Sites"), "0000000017", "Legacy");
  put(HKEY_LOCAL_MACHINE, lm, "", "");
  put(HKEY_LOCAL_MACHINE, lm, "SiteId", "0000000017");
  put(HKEY_LOCAL_MACHINE, lm, "HostType", "6007");
  put(HKEY_LOCAL_MACHINE, lm, "URL", "legacy.example");
  put(HKEY_LOCAL_MACHINE, lm, "URLPort", "990");
  put(HKEY_LOCAL_MACHINE, lm, "LoginName", "old");
  put(HKEY_LOCAL_MACHINE, lm, "PassWord", "\x7F" + scrambled("oldpw"));
  put(HKEY_LOCAL_MACHINE, lm, "Anonymous", "0");
  put(HKEY_LOCAL_MACHINE, lm, "Timeout", "77");

  vqSiteParams s(2);
  EXPECT_EQ(1, s.SITE_Exists("FTP-Sites", "Legacy"));
  ASSERT_EQ(1, s.SITE_LoadParams("FTP-Sites", "Legacy"));
  EXPECT_STREQ("legacy.example", s.GetURL());
  EXPECT_EQ(2007u, s.GetHostType());
  EXPECT_STREQ("oldpw", s.GetPassword());
  EXPECT_EQ(77u, s.GetTimeout());
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Legacy"))) << "a load writes nothing";

  vqSiteParams list(2);
  ASSERT_EQ(1, list.ENUM_SiteEnumerate("FTP-Sites"));
  EXPECT_STREQ("Legacy", list.ENUM_GetSiteItem(0)->GetSiteName());
  std::string cu = key("FTP-Sites\\Legacy");
  EXPECT_EQ("Legacy", raw(HKEY_CURRENT_USER, kSites, "0000000017"));
  const std::map<std::string, std::string> expected = {{"", ""},
                                                       {"SiteId", "0000000017"},
                                                       {"HostType", "2007"},
                                                       {"URL", "legacy.example"},
                                                       {"URLPort", "990"},
                                                       {"LoginName", "old"},
                                                       {"Anonymous", "0"},
                                                       {"Timeout", "77"},
                                                       {"PassWord", "\x7F" + scrambled("oldpw")}};
  std::map<std::string, std::string> moved = values(HKEY_CURRENT_USER, cu);
  for (const auto& e : expected) EXPECT_EQ(e.second, moved[e.first]) << "value " << e.first;

  // A machine-wide member without an id is given a lasting one of its own when it moves.
  put(HKEY_LOCAL_MACHINE, key("FTP-Sites\\NoId"), "URL", "noid.example");
  ASSERT_EQ(2, list.ENUM_SiteEnumerate("FTP-Sites"));
  EXPECT_STREQ("NoId", list.ENUM_GetSiteItem(1)->GetSiteName());
  std::string id = raw(HKEY_CURRENT_USER, key("FTP-Sites\\NoId"), "SiteId");
  EXPECT_EQ(10u, id.size()) << id;
  EXPECT_NE("0000000017", id);
  EXPECT_EQ("NoId", raw(HKEY_CURRENT_USER, kSites, id.c_str()));
}

namespace {
// Every key below `path` readable by everyone and writable by nobody (or, with `writable`, open
// to all again so the fixture can remove it).
void setDacl(HKEY root, const std::string& path, bool writable) {
  for (auto& k : subkeys(root, path)) setDacl(root, path + "\\" + k, writable);
  HKEY key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  char aclBuf[256];
  auto* acl = reinterpret_cast<PACL>(aclBuf);
  InitializeAcl(acl, sizeof aclBuf, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, writable ? nullptr : acl, FALSE);
  ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
  ::RegCloseKey(key);
  FreeSid(everyone);
}
}  // namespace

TEST_F(SiteStore, AMachineWideStoreTheUserMayOnlyReadIsStillReadAndCopiedToTheUser) {
  const std::string machineSite = std::string(kSites) + "\\Shared";
  put(HKEY_LOCAL_MACHINE, kSites, "0000000004", "Shared");
  put(HKEY_LOCAL_MACHINE, machineSite, "SiteId", "0000000004");
  put(HKEY_LOCAL_MACHINE, machineSite, "", "");
  put(HKEY_LOCAL_MACHINE, machineSite, "URL", "shared.example.com");
  put(HKEY_LOCAL_MACHINE, machineSite, "Timeout", "45");
  setDacl(HKEY_LOCAL_MACHINE, kProduct, false);
  struct Restore {
    ~Restore() { setDacl(HKEY_LOCAL_MACHINE, kProduct, true); }
  } restore;

  vqSiteParams site(2);
  ASSERT_EQ(1, site.SITE_LoadParams(VQ_SITES_LIST, "Shared")) << "read access is all a reader needs";
  EXPECT_STREQ("shared.example.com", site.GetURL());
  EXPECT_EQ(45u, site.GetTimeout());
  vqSiteParams list(2);
  EXPECT_EQ(1, list.ENUM_SiteEnumerate(VQ_SITES_LIST));
  auto v = values(HKEY_CURRENT_USER, std::string(kSites) + "\\Shared");
  EXPECT_EQ("shared.example.com", v["URL"]) << "the machine-wide site is copied into the user's store";
  EXPECT_EQ("45", v["Timeout"]);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, machineSite)) << "and left where the user may not write";
}
