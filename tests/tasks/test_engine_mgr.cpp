// The pooled connections against vsftpd: one primary per site shared by every item of the site,
// secondaries configured alike, the site lock, the connection kept between users, what a login
// learned written back to the store, and the keep-alive of an idle connection.
#include <gtest/gtest.h>

#include <functional>

#include "inEngineMgr.h"
#include "shellApp.h"
#include "tasksTestSupport.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"

using namespace taskstest;
using shelltest::List;

namespace {
struct Environment : ::testing::Environment {
  void SetUp() override {
    shellApp::SetModule(GetModuleHandleA(nullptr));
    Messages::Get().Install();
    vqSetCatchReporter([](const char* text) { ADD_FAILURE() << text; });
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

unsigned portOf(const char* key) { return static_cast<unsigned>(atoi(fhtest::ftpServers()[key].c_str())); }

struct Attempts {
  int count = 0;
  static unsigned long callback(_sock_notification_* n, void* self, void*) {
    if (n->type == VQNOTIFY_ATTEMPT) ++static_cast<Attempts*>(self)->count;
    return 0;
  }
};

bool waitFor(const std::function<bool()>& done, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}
}  // namespace

TEST(EngineManager, OnePrimaryPerSiteTakenInTurnsAndKeptOpenBetweenUsers) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  List site = saveSite("Pool A", portOf("FTP_A_PORT"), [](vqSiteParams& s) {
    s.SetHostType(VQ_HOST_AUTO);
    s.SetKeepAlive(3);
  });
  List folder = List().foreign(20).own(VQ_KIND_FTPSITE, "Pool A").own(VQ_KIND_FOLDER, "pub");
  List noSite = List().foreign(20);
  inEngineMgr mgr;

  // Items of one site share the primary; secondaries are new and configured alike.
  vqFtpEngine* primary = mgr.GetEngine(site, 1);
  ASSERT_NE(nullptr, primary);
  EXPECT_EQ(primary, mgr.GetEngine(folder, 1));
  vqFtpEngine* s1 = mgr.GetEngine(site, 0);
  vqFtpEngine* s2 = mgr.GetEngine(folder, 0);
  ASSERT_TRUE(s1 && s2);
  EXPECT_NE(s1, s2);
  EXPECT_NE(primary, s1);
  for (vqFtpEngine* e : {primary, s1, s2}) {
    EXPECT_STREQ("127.0.0.1", e->GetURL());
    EXPECT_EQ(portOf("FTP_A_PORT"), e->GetPort());
    EXPECT_EQ(3u, e->GetKeepAlive());
    EXPECT_EQ(20u, e->GetTimeout());
    EXPECT_EQ(0u, e->GetRetryCount());
  }
  s1->Release();
  s2->Release();

  // An item without a site has no engine, no lock and is never free.
  EXPECT_EQ(nullptr, mgr.GetEngine(noSite, 1));
  EXPECT_EQ(0xFFFFul, mgr.LockAndConnect(noSite, 1));
  EXPECT_EQ(0, mgr.IsFree(noSite));

  // Connect under the lock; the login's findings reach the store.
  EXPECT_EQ(1, mgr.IsFree(site));
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 1)) << primary->FTP_ErrorString(primary->GetLastRetCode());
  EXPECT_EQ(0, mgr.IsFree(folder));
  EXPECT_TRUE(primary->FTP_IsOpen());
  StoredSite stored("Pool A");
  EXPECT_EQ(static_cast<unsigned>(VQ_HOST_UNIXL8), stored.GetHostType());
  EXPECT_STREQ("UNIX Type: L8", stored.GetCmdSYST());
  EXPECT_STREQ("/", stored.GetHostDelim());

  // A second user waits for the lock until the first gives it back.
  std::atomic<int> second{-1};
  std::thread other([&] { second = static_cast<int>(mgr.LockAndConnect(folder, 1)); });
  Sleep(400);
  EXPECT_EQ(-1, second.load()) << "the lock was taken twice";
  mgr.Release(site, 0);
  other.join();
  EXPECT_EQ(0, second.load());
  mgr.Release(folder, 0);
  EXPECT_EQ(1, mgr.IsFree(site));
  EXPECT_TRUE(primary->FTP_IsOpen()) << "a release without disconnect keeps the connection";

  // The kept connection is reused: no new connect attempt.
  Attempts attempts;
  primary->SetCallback(Attempts::callback, &attempts, nullptr);
  EXPECT_EQ(0ul, mgr.LockAndConnect(site, 1));
  EXPECT_EQ(0, attempts.count);
  primary->SetCallback(nullptr, nullptr, nullptr);
  mgr.Release(site, 1);
  EXPECT_FALSE(primary->FTP_IsOpen());
  EXPECT_EQ(1, mgr.IsFree(site));

  // A closed primary is configured from the store again, learned host type included, and a
  // secondary copies it.
  vqFtpEngine* copy = mgr.GetEngine(site, 0);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(VQ_HOST_UNIXL8, copy->GetHostType());
  copy->Release();

  // A secondary wanted while another user holds the closed primary (it may be configuring it at
  // that moment) is made from the site as stored, never from the primary half way.
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 0));
  saveSite("Pool A", portOf("FTP_B_PORT"), [](vqSiteParams& s) { s.SetHostType(VQ_HOST_AUTO); });
  copy = mgr.GetEngine(site, 0);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(portOf("FTP_B_PORT"), copy->GetPort()) << "copied from the held primary";
  copy->Release();
  mgr.Release(site, 0);
}

TEST(EngineManager, KeepAliveSendsNoopOnAnIdleConnectionAndNeverOnABusyOne) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  List site = saveSite("Keep A", portOf("FTP_A_PORT"), [](vqSiteParams& s) { s.SetKeepAlive(1); });
  List quiet = saveSite("Keep None", portOf("FTP_A_PORT"), [](vqSiteParams& s) { s.SetKeepAlive(0); });
  inEngineMgr mgr;
  mgr.SetKeepAliveMinute(200);  // one keep-alive minute lasts 200 ms here
  vqFtpEngine* engine = mgr.GetEngine(site, 1);
  vqFtpEngine* other = mgr.GetEngine(quiet, 1);
  ASSERT_TRUE(engine && other);
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 1));
  mgr.Release(site, 0);
  ASSERT_EQ(0ul, mgr.LockAndConnect(quiet, 1));
  mgr.Release(quiet, 0);

  long before = mgr.KeepAliveCount();
  ASSERT_TRUE(waitFor([&] { return mgr.KeepAliveCount() > before; }, 5000)) << "no keep-alive on an idle connection";
  EXPECT_STREQ("NOOP", engine->GetLastCommand());
  EXPECT_EQ(200, engine->GetLastReplyCode());
  EXPECT_TRUE(engine->FTP_IsOpen());
  EXPECT_STRNE("NOOP", other->GetLastCommand()) << "a site without keep-alive got one";

  // While a user holds the connection, the ticks leave it alone.
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 0));
  Sleep(100);
  long held = mgr.KeepAliveCount();
  Sleep(1000);
  EXPECT_EQ(held, mgr.KeepAliveCount()) << "a busy connection was sent a keep-alive";
  mgr.Release(site, 0);
  EXPECT_TRUE(waitFor([&] { return mgr.KeepAliveCount() > held; }, 5000)) << "keep-alive did not resume";
}

// The site's TLS and machine-listing settings reach its engines; a certificate the user trusted
// while the pooled connection logged in is written back to the site, and the next connect to the
// same server asks nothing.
TEST(EngineManager, SiteTlsAndListingSettingsReachTheEngineAndATrustedCertificateIsStored) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  List site = saveSite("Secure A", portOf("FTP_TLS_PORT"), [](vqSiteParams& s) {
    s.SetURL("localhost");
    s.SetTlsMode(2);
    s.SetUseMLSD(0);
  });
  inEngineMgr mgr;
  vqFtpEngine* primary = mgr.GetEngine(site, 1);
  ASSERT_NE(nullptr, primary);
  Messages::Get().Clear();
  Messages::Get().answers = {IDYES};
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 1)) << primary->FTP_ErrorString(primary->GetLastRetCode());
  EXPECT_EQ(2, primary->GetTlsMode());
  EXPECT_EQ(0, primary->GetUseMLSD());
  EXPECT_EQ(0u, std::string(primary->FTP_TlsInUse()).find("TLS 1."));
  EXPECT_EQ(1u, Messages::Get().Count()) << "the certificate question, once";
  StoredSite stored("Secure A");
  EXPECT_STREQ(primary->GetTlsTrusted(), stored.GetTlsTrusted());
  EXPECT_EQ(95u, strlen(stored.GetTlsTrusted()));
  mgr.Release(site, 1);

  vqFtpEngine* copy = mgr.GetEngine(site, 0);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(0, copy->GetUseMLSD()) << "a secondary is configured alike";
  copy->Release();
  Messages::Get().Clear();
  ASSERT_EQ(0ul, mgr.LockAndConnect(site, 1));
  EXPECT_EQ(0u, Messages::Get().Count()) << Messages::Get().All();
  mgr.Release(site, 1);
}
