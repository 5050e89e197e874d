#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <set>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqCommonParams.h"
#include "vqCrypto.h"

namespace {
const char kProduct[] = "SoftWare\\Quillon\\Farhollow";
const char kSaved[] = "SoftWare\\Quillon\\Farhollow-saved-by-tests";
const char kSite[] = "SoftWare\\Quillon\\Farhollow\\FTP-Sites\\example";

std::vector<std::string> g_reports;
void recordReport(const char* text) { g_reports.push_back(text); }

bool keyExists(HKEY root, const char* path) {
  HKEY key;
  if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

// The tests own the product key of this prefix: whatever was there is set aside for the run and
// put back afterwards; nothing of theirs stays behind. Catch-all reports are recorded, not shown.
class ProductKeyAside : public ::testing::Environment {
 public:
  void SetUp() override {
    vqSetCatchReporter(recordReport);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSaved);
    if (keyExists(HKEY_CURRENT_USER, kProduct)) {
      HKEY from, to;
      ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, kProduct, 0, KEY_READ, &from));
      ASSERT_EQ(ERROR_SUCCESS,
                ::RegCreateKeyExA(HKEY_CURRENT_USER, kSaved, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr));
      ASSERT_EQ(ERROR_SUCCESS, ::RegCopyTreeA(from, nullptr, to));
      ::RegCloseKey(from);
      ::RegCloseKey(to);
      saved_ = true;
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
  }
  void TearDown() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    if (saved_) {
      HKEY from, to;
      if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSaved, 0, KEY_READ, &from) == ERROR_SUCCESS) {
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kProduct, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr) ==
            ERROR_SUCCESS) {
          ::RegCopyTreeA(from, nullptr, to);
          ::RegCloseKey(to);
        }
        ::RegCloseKey(from);
      }
      ::RegDeleteTreeA(HKEY_CURRENT_USER, kSaved);
    }
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "SoftWare\\Quillon");  // only goes when nothing else is in it
    vqSetCatchReporter(nullptr);
  }

 private:
  bool saved_ = false;
};
::testing::Environment* const g_aside = ::testing::AddGlobalTestEnvironment(new ProductKeyAside);

class Params : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    g_reports.clear();
  }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct); }

  static void putRaw(const char* path, const char* name, const void* data, DWORD size, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    ::RegCloseKey(key);
  }
  static void putText(const char* path, const char* name, const std::string& text) {
    putRaw(path, name, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  static std::string getRaw(const char* path, const char* name) {
    char buf[2048] = {};
    DWORD size = sizeof(buf);
    if (::RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_ANY, nullptr, buf, &size) != ERROR_SUCCESS)
      return "<missing>";
    return std::string(buf, size && buf[size - 1] == 0 ? size - 1 : size);
  }
  static std::string defaultDir() {
    char temp[MAX_PATH];
    DWORD len = GetTempPathA(MAX_PATH, temp);
    std::string dir(temp, len);
    if (dir.back() != '\\') dir += '\\';
    dir += "vqcache\\";
    CharLowerBuffA(&dir[0], static_cast<DWORD>(dir.size()));
    return dir;
  }
  static std::string defaultLog(const char* file) {
    std::string dir = defaultDir();
    return dir.substr(0, dir.size() - 1) + "\\" + file;
  }
};
}  // namespace

TEST_F(Params, FreshInstallHasTheDefaults) {
  vqCommonParams common(2);
  common.SetParamsKeyPath(VQ_SETTINGS_KEY);
  EXPECT_EQ(0, common.COMMON_LoadParams());
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kProduct)) << "a load must not create the key";
  EXPECT_EQ(2, common.GetProgId());
  EXPECT_EQ(defaultDir(), common.GetDefXferDir());
  EXPECT_STREQ("-a", common.GetShowHiddenCmd());
  EXPECT_STREQ("|00_index.txt|index.txt|00-index.txt|", common.GetIndexFileList());
  EXPECT_STREQ("", common.GetFirewallPass());
  EXPECT_EQ(21, common.GetFirewallPort());
  EXPECT_EQ(10u, common.GetRetryCount());
  EXPECT_EQ(40u, common.GetIndexFileSize());
  EXPECT_EQ(4096u, common.GetSBufSize());
  EXPECT_EQ(4096u, common.GetRBufSize());
  EXPECT_EQ(30u, common.GetTimeout());

  vqAppParams* app = VQSMGR_GetAppParams();
  ASSERT_NE(nullptr, app);
  EXPECT_EQ(app, VQSMGR_GetAppParams());
  EXPECT_EQ(4, app->GetProgId());
  EXPECT_STREQ(VQ_SETTINGS_KEY, app->GetParamsKeyPath());
  EXPECT_EQ(1, app->GetFH32LogfileEnabled());
  EXPECT_EQ(1, app->GetZMPLogfileEnabled());
  EXPECT_EQ(0, app->GetVXDLogfileEnabled());
  EXPECT_EQ(defaultLog("fh32.log"), app->GetFH32LogfileName());
  EXPECT_EQ(defaultLog("zmp.log"), app->GetZMPLogfileName());
  EXPECT_EQ(defaultLog("zmpvxd.log"), app->GetVXDLogfileName());
  EXPECT_EQ(defaultDir(), app->GetDefCacheDir());
  EXPECT_EQ(1u, app->GetTransferMode());
  EXPECT_EQ(10u, app->GetCacheSize());
  EXPECT_EQ(1, app->GetPreserveDate());
  EXPECT_STREQ("|.html|.htm|.txt|.pl|", app->GetAutoModeFiles());
  EXPECT_NE(nullptr, strchr(app->GetEMailAddress(), '@'));
  EXPECT_STREQ("", app->GetTargetDir(4));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kProduct));
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(Params, LoadRepairsOutOfRangeNumbers) {
  using Get = std::function<unsigned long(vqAppParams&)>;
  struct Case {
    const char* value;
    const char* stored;
    Get get;
    unsigned long expected;
  };
  const Get retry = [](vqAppParams& p) { return p.GetRetryCount(); };
  const Get wait = [](vqAppParams& p) { return p.GetRetryWait(); };
  const Get keep = [](vqAppParams& p) { return p.GetKeepAlive(); };
  const Get timeout = [](vqAppParams& p) { return p.GetTimeout(); };
  const Get sbuf = [](vqAppParams& p) { return p.GetSBufSize(); };
  const Get rbuf = [](vqAppParams& p) { return p.GetRBufSize(); };
  const Get mode = [](vqAppParams& p) { return p.GetTransferMode(); };
  const Get convert = [](vqAppParams& p) { return p.GetConvertCase(); };
  const Get icon = [](vqAppParams& p) { return p.GetIconPlacement(); };
  const Get cache = [](vqAppParams& p) { return p.GetCacheSize(); };
  const Get log = [](vqAppParams& p) { return static_cast<unsigned long>(p.GetFH32LogfileEnabled()); };
  const Get zmpLog = [](vqAppParams& p) { return static_cast<unsigned long>(p.GetZMPLogfileEnabled()); };
  const Get vxdLog = [](vqAppParams& p) { return static_cast<unsigned long>(p.GetVXDLogfileEnabled()); };
  const Case cases[] = {
      {"RetryCount", "300", retry, 10},   {"RetryCount", "256", retry, 256},  {"RetryWait", "4000", wait, 0},
      {"RetryWait", "3600", wait, 3600},  {"KeepAlive", "11", keep, 2},       {"KeepAlive", "10", keep, 10},
      {"Timeout", "4", timeout, 30},      {"Timeout", "601", timeout, 30},    {"Timeout", "5", timeout, 5},
      {"Timeout", "600", timeout, 600},   {"SBufSize", "31", sbuf, 4096},     {"SBufSize", "16385", sbuf, 4096},
      {"SBufSize", "32", sbuf, 32},       {"SBufSize", "16384", sbuf, 16384}, {"RBufSize", "31", rbuf, 4096},
      {"RBufSize", "16384", rbuf, 16384}, {"TransferMode", "3", mode, 0},     {"TransferMode", "2", mode, 2},
      {"ConvertCase", "3", convert, 0},   {"ConvertCase", "2", convert, 2},   {"IconPlacement", "4", icon, 0},
      {"IconPlacement", "3", icon, 3},    {"CacheSize", "4", cache, 10},      {"CacheSize", "4097", cache, 10},
      {"CacheSize", "5", cache, 5},       {"CacheSize", "4096", cache, 4096}, {"DebugLog", "2", log, 1},
      {"DebugLog", "0", log, 0},          {"DebugLog-ZMP", "2", zmpLog, 1},   {"DebugLog-VXD", "2", vxdLog, 0},
      {"DebugLog-VXD", "1", vxdLog, 1},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    putText(VQ_SETTINGS_KEY, c.value, c.stored);
    vqAppParams* app = VQSMGR_GetAppParams();
    EXPECT_EQ(c.expected, c.get(*app)) << c.value << " = " << c.stored;
  }
}

TEST_F(Params, LoadRepairsTexts) {
  putText(VQ_SETTINGS_KEY, "DebugLogName", "   ");
  putText(VQ_SETTINGS_KEY, "DebugLogName-ZMP", "  D:\\Logs\\zmp.log\t");
  putText(VQ_SETTINGS_KEY, "DefXferDir", "C:\\Users\\Guest\\Downloads");
  putText(VQ_SETTINGS_KEY, "DefCacheDir", "D:\\Cache\\FTP\\");
  putText(VQ_SETTINGS_KEY, "EmailAddress", "");
  putText(VQ_SETTINGS_KEY, "AutoModeFiles", "");
  putText(VQ_SETTINGS_KEY, "ShowHiddenCmd", "-la");
  vqAppParams* app = VQSMGR_GetAppParams();
  EXPECT_EQ(defaultLog("fh32.log"), app->GetFH32LogfileName());
  EXPECT_STREQ("D:\\Logs\\zmp.log", app->GetZMPLogfileName());
  EXPECT_STREQ("c:\\users\\guest\\downloads\\", app->GetDefXferDir());
  EXPECT_STREQ("d:\\cache\\ftp\\", app->GetDefCacheDir());
  EXPECT_NE(nullptr, strchr(app->GetEMailAddress(), '@'));
  EXPECT_STREQ("|.html|.htm|.txt|.pl|", app->GetAutoModeFiles());
  EXPECT_STREQ("-la", app->GetShowHiddenCmd());

  putText(VQ_SETTINGS_KEY, "DefXferDir", "");
  EXPECT_EQ(defaultDir(), VQSMGR_GetAppParams()->GetDefXferDir());
}

TEST_F(Params, PlainPasswordIsStoredScrambledOnNextSave) {
  putText(kSite, "FirewallPass", "hunter2");
  vqCommonParams site(2);
  site.SetParamsKeyPath(kSite);
  ASSERT_EQ(1, site.COMMON_LoadParams());
  EXPECT_STREQ("hunter2", site.GetFirewallPass());
  ASSERT_EQ(1, site.COMMON_SaveParams());
  std::string stored = getRaw(kSite, "FirewallPass");
  ASSERT_EQ(8u, stored.size());
  EXPECT_EQ('\x7F', stored[0]);
  EXPECT_EQ(std::string::npos, stored.find("hunter2"));

  vqCommonParams again(2);
  again.SetParamsKeyPath(kSite);
  ASSERT_EQ(1, again.COMMON_LoadParams());
  EXPECT_STREQ("hunter2", again.GetFirewallPass());

  // A password of full length still fits with its marker.
  const std::string longest(256, 'p');
  again.SetFirewallPass(longest.c_str());
  ASSERT_EQ(1, again.COMMON_SaveParams());
  vqCommonParams longOne(2);
  longOne.SetParamsKeyPath(kSite);
  ASSERT_EQ(1, longOne.COMMON_LoadParams());
  EXPECT_EQ(longest, longOne.GetFirewallPass());

  again.SetFirewallPass("");
  ASSERT_EQ(1, again.COMMON_SaveParams());
  EXPECT_EQ("", getRaw(kSite, "FirewallPass"));
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(Params, CipherPasswordFormAndItsDamage) {
  vqCrypto crypto;
  unsigned char plain[] = "s3cr3t pass";
  unsigned char cipher[200];
  int cipherLen = sizeof(cipher) - 1;
  ASSERT_EQ(1, crypto.NEW_Encrypt(plain, 11, cipher, cipherLen));
  ASSERT_LT(cipherLen, 127);

  // 0x80, signed length byte, cipher bytes, terminator.
  auto stored = [&](int lengthByte, int bytes) {
    std::string s;
    s += '\x80';
    s += static_cast<char>(lengthByte);
    s.append(reinterpret_cast<char*>(cipher), bytes);
    return s;
  };
  struct Case {
    const char* what;
    std::string value;
    const char* expected;
    size_t reports;
  } cases[] = {
      {"whole", stored(cipherLen, cipherLen), "s3cr3t pass", 0},
      {"negative length", stored(-16, cipherLen), "", 0},
      {"length past the value", stored(cipherLen + 1, cipherLen), "", 0},
      {"largest length, short value", stored(127, cipherLen), "", 0},
      {"zero length", stored(0, cipherLen), "", 0},
      {"length byte only", std::string("\x80", 1), "", 0},
      {"cipher cut short", stored(cipherLen - 8, cipherLen - 8), "", 1},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    g_reports.clear();
    putRaw(kSite, "FirewallPass", c.value.data(), static_cast<DWORD>(c.value.size() + 1));
    vqCommonParams site(2);
    site.SetParamsKeyPath(kSite);
    site.SetFirewallPass("previous");
    ASSERT_EQ(1, site.COMMON_LoadParams()) << c.what;
    EXPECT_STREQ(c.expected, site.GetFirewallPass()) << c.what;
    EXPECT_EQ(c.reports, g_reports.size()) << c.what;
  }
}

TEST_F(Params, SiteKeyOverridesTheGlobalValues) {
  putText(VQ_SETTINGS_KEY, "ShowHiddenCmd", "-la");
  putText(VQ_SETTINGS_KEY, "Timeout", "100");
  putText(VQ_SETTINGS_KEY, "RetryCount", "5");
  putText(VQ_SETTINGS_KEY, "FirewallHost", "proxy.example.net");
  putText(kSite, "Timeout", "60");
  putText(kSite, "FirewallHost", "gate.example.org");

  vqCommonParams site(2);
  site.SetParamsKeyPath(kSite);
  ASSERT_EQ(1, site.COMMON_LoadParams());
  EXPECT_STREQ("", site.GetShowHiddenCmd()) << "a text the site lacks reads empty";
  EXPECT_EQ(5u, site.GetRetryCount()) << "a number the site lacks keeps the global one";
  EXPECT_EQ(60u, site.GetTimeout());
  EXPECT_STREQ("gate.example.org", site.GetFirewallHost());

  vqCommonParams missing(2);
  missing.SetParamsKeyPath("SoftWare\\Quillon\\Farhollow\\FTP-Sites\\nowhere");
  EXPECT_EQ(0, missing.COMMON_LoadParams());
  EXPECT_STREQ("-la", missing.GetShowHiddenCmd());
  EXPECT_EQ(100u, missing.GetTimeout());
}

TEST_F(Params, SaveWritesEveryValueAndLoadsItBack) {
  vqCommonParams out(3);
  out.SetParamsKeyPath(kSite);
  out.SetFirewallHost("fw.example.net");
  out.SetFirewallUser("fwuser");
  out.SetFirewallPass("fw pass");
  out.SetFirewallType(7);
  out.SetFirewallPort(1080);
  out.SetFirewallPasv(1);
  out.SetFirewallEnabled(1);
  out.SetDefXferDir("E:\\Incoming");
  out.SetFileCacheType(2);
  out.SetDirCacheType(1);
  out.SetShowHiddenFiles(1);
  out.SetShowHiddenCmd("-al");
  out.SetRemoteFileMask("*.zip");
  out.SetHideDotDir(1);
  out.SetShowDotDotDir(1);
  out.SetHideDotFile(1);
  out.SetResolveLinks(1);
  out.SetRetryCount(300);
  out.SetRetryWait(15);
  out.SetKeepAlive(5);
  out.SetShowMsg(1);
  out.SetConnectionSaver(1);
  out.SetIndexFileList("|README|");
  out.SetUseIndexFiles(1);
  out.SetIndexFileSize(64);
  out.SetRBufSize(31);
  out.SetSBufSize(8192);
  out.SetTimeout(601);
  ASSERT_EQ(1, out.COMMON_SaveParams());

  std::set<std::string> names;
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, kSite, 0, KEY_READ, &key));
  char name[256];
  for (DWORD i = 0, len = sizeof(name);
       ::RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, len = sizeof(name))
    names.insert(name);
  ::RegCloseKey(key);
  const std::set<std::string> expected = {
      "FirewallHost",  "FirewallUser", "FirewallPass",    "DefXferDir",    "ShowHiddenCmd", "RemoteFileMask",
      "IndexFiles",    "FirewallType", "FirewallPort",    "PasvMode",      "UseFirewall",   "ShowHidden",
      "HideDotFile",   "HideDotDir",   "ShowDotDotDir",   "ResolveLinks",  "RetryCount",    "RetryWait",
      "KeepAlive",     "ShowMsg",      "ConnectionSaver", "UseIndexFiles", "RBufSize",      "SBufSize",
      "IndexFileSize", "Timeout",      "FileCacheType",   "DirCacheType"};
  EXPECT_EQ(expected, names);
  // Sizes and the time-out are repaired before writing; the retry count goes as it is.
  EXPECT_EQ("4096", getRaw(kSite, "RBufSize"));
  EXPECT_EQ("30", getRaw(kSite, "Timeout"));
  EXPECT_EQ("300", getRaw(kSite, "RetryCount"));
  EXPECT_EQ("e:\\incoming\\", getRaw(kSite, "DefXferDir"));
  EXPECT_EQ("1080", getRaw(kSite, "FirewallPort"));

  vqCommonParams in(3);
  in.SetParamsKeyPath(kSite);
  ASSERT_EQ(1, in.COMMON_LoadParams());
  EXPECT_STREQ("fw.example.net", in.GetFirewallHost());
  EXPECT_STREQ("fwuser", in.GetFirewallUser());
  EXPECT_STREQ("fw pass", in.GetFirewallPass());
  EXPECT_EQ(7u, in.GetFirewallType());
  EXPECT_EQ(1080, in.GetFirewallPort());
  EXPECT_EQ(1, in.GetFirewallPasv());
  EXPECT_EQ(1, in.GetFirewallEnabled());
  EXPECT_STREQ("e:\\incoming\\", in.GetDefXferDir());
  EXPECT_EQ(2u, in.GetFileCacheType());
  EXPECT_EQ(1u, in.GetDirCacheType());
  EXPECT_EQ(1, in.GetShowHiddenFiles());
  EXPECT_STREQ("-al", in.GetShowHiddenCmd());
  EXPECT_STREQ("*.zip", in.GetRemoteFileMask());
  EXPECT_EQ(1, in.GetHideDotDir());
  EXPECT_EQ(1, in.GetShowDotDotDir());
  EXPECT_EQ(1, in.GetHideDotFile());
  EXPECT_EQ(1, in.GetResolveLinks());
  EXPECT_EQ(10u, in.GetRetryCount());
  EXPECT_EQ(15u, in.GetRetryWait());
  EXPECT_EQ(5u, in.GetKeepAlive());
  EXPECT_EQ(1, in.GetShowMsg());
  EXPECT_EQ(1, in.GetConnectionSaver());
  EXPECT_STREQ("|README|", in.GetIndexFileList());
  EXPECT_EQ(1, in.GetUseIndexFiles());
  EXPECT_EQ(64u, in.GetIndexFileSize());
  EXPECT_EQ(8192u, in.GetSBufSize());

  vqCommonParams copy(2);
  copy.COMMON_InitParams(&in);
  EXPECT_STREQ("fw pass", copy.GetFirewallPass());
  EXPECT_NE(in.GetFirewallPass(), copy.GetFirewallPass());
  EXPECT_EQ(8192u, copy.GetSBufSize());
  EXPECT_STREQ("", copy.GetParamsKeyPath());
  EXPECT_EQ(2, copy.GetProgId());
}

TEST_F(Params, AppSaveRepairsAndRoundTrips) {
  vqAppParams* app = VQSMGR_GetAppParams();
  app->SetEMailAddress("someone@example.org");
  app->SetTransferMode(2);
  app->SetConvertCase(1);
  app->SetAutoModeFiles("");
  app->SetPreserveDate(0);
  app->SetFH32LogfileName("C:\\logs\\fh32.log");
  app->SetFH32LogfileEnabled(0);
  app->SetVXDLogfileEnabled(1);
  app->SetCacheSize(4097);
  app->SetDefCacheDir("D:\\Cache");
  app->SetZmpMonLoc("here");
  app->SetDoubleClickAction(1);
  app->SetIconPlacement(3);
  app->SetViewFtpLog(1);
  app->SetTimeout(45);
  ASSERT_EQ(1, app->APP_SaveParams());
  EXPECT_EQ("10", getRaw(VQ_SETTINGS_KEY, "CacheSize"));
  EXPECT_EQ("d:\\cache\\", getRaw(VQ_SETTINGS_KEY, "DefCacheDir"));
  EXPECT_EQ("|.html|.htm|.txt|.pl|", getRaw(VQ_SETTINGS_KEY, "AutoModeFiles"));
  EXPECT_EQ("1", getRaw(VQ_SETTINGS_KEY, "DblClkAction"));
  EXPECT_EQ("1", getRaw(VQ_SETTINGS_KEY, "FH32-ViewFtpLog"));
  EXPECT_EQ("45", getRaw(VQ_SETTINGS_KEY, "Timeout"));

  putText(VQ_SETTINGS_KEY, "TargetDir-FH32", "C:\\Program Files\\Farhollow");
  app->SetEMailAddress("changed@example.org");
  app = VQSMGR_GetAppParams();
  EXPECT_STREQ("someone@example.org", app->GetEMailAddress());
  EXPECT_EQ(2u, app->GetTransferMode());
  EXPECT_EQ(1u, app->GetConvertCase());
  EXPECT_EQ(0, app->GetPreserveDate());
  EXPECT_STREQ("C:\\logs\\fh32.log", app->GetFH32LogfileName());
  EXPECT_EQ(0, app->GetFH32LogfileEnabled());
  EXPECT_EQ(1, app->GetVXDLogfileEnabled());
  EXPECT_STREQ("here", app->GetZmpMonLoc());
  EXPECT_EQ(1u, app->GetDoubleClickAction());
  EXPECT_EQ(3u, app->GetIconPlacement());
  EXPECT_EQ(1, app->GetViewFtpLog());
  EXPECT_EQ(45u, app->GetTimeout());
  EXPECT_STREQ("C:\\Program Files\\Farhollow", app->GetTargetDir(2));
  EXPECT_STREQ("", app->GetTargetDir(3));
  EXPECT_STREQ("", app->GetTargetDir(4));
}

TEST_F(Params, OwnerWithoutAKeyWritesNothing) {
  vqCommonParams p(2);
  p.SetTimeout(77);
  EXPECT_EQ(0, p.COMMON_SaveParams());
  EXPECT_EQ("<missing>", getRaw("", "Timeout"));
  EXPECT_EQ("<missing>", getRaw("", "FirewallPass"));
}

TEST_F(Params, ThreadsFetchingTheSharedParametersTogetherAllSeeTheStoredValues) {
  // Every task thread fetches the shared object, and each fetch reloads it from the registry.
  putText(VQ_SETTINGS_KEY, "EmailAddress", "race@example.com");
  putText(VQ_SETTINGS_KEY, "CacheSize", "77");
  const int kThreads = 4, kRounds = 150;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        vqAppParams* app = VQSMGR_GetAppParams();
        if (app->GetCacheSize() != 77 || strcmp(app->GetEMailAddress(), "race@example.com") != 0) ++wrong;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(0, wrong.load()) << "fetches that saw other values than the stored ones";
  EXPECT_EQ(77u, VQSMGR_GetAppParams()->GetCacheSize());
}
