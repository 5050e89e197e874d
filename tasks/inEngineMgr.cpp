#include "inEngineMgr.h"

#include <vector>

#include "shellApp.h"
#include "shellPaths.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqLock.h"
#include "vqSiteParams.h"
#include "vqWait.h"

namespace {
const char kSource[] = "inEngineMgr";
const unsigned char kProgId = 2;
const DWORD kLockWaitMs = 30000;
const UINT kMakeEngine = 603;  // wParam: the request below
const UINT_PTR kKeepAliveTimer = 1;

struct MakeRequest {
  HANDLE done;
  vqFtpEngine* engine;
};

bool siteOf(LPCITEMIDLIST item, std::string& path, std::string& name) {
  return item && SiteKeySplit(item, path, name) && !path.empty() && !name.empty();
}

void configure(vqFtpEngine& e, vqSiteParams& s) {
  e.FTP_SetupFW(s.GetFirewallHost(), s.GetFirewallUser(), s.GetFirewallPass(), s.GetFirewallPort(),
                static_cast<_vq_fwtype_>(s.GetFirewallType()), s.GetFirewallPasv(), s.GetFirewallEnabled());
  e.SetRetryCount(s.GetRetryCount());
  e.SetRetryWait(s.GetRetryWait());
  e.SetRBufSize(s.GetRBufSize());
  e.SetSBufSize(s.GetSBufSize());
  e.SetIsVirtualHost(s.GetVirtualHost());
  e.SetTimeout(s.GetTimeout());
  e.SetURL(s.GetURL());
  e.SetUsername(s.GetUsername());
  e.SetPassword(s.GetPassword());
  e.SetAccount(s.GetAccount());
  e.SetPort(s.GetURLPort());
  e.SetIRD(s.GetIRD());
  e.SetInitStr(s.GetInitStr());
  e.SetHostType(static_cast<_VQ_HOSTTYPE>(s.GetHostType()));
  e.SetKeepAlive(s.GetKeepAlive());
  e.SetTlsMode(s.GetTlsMode());
  e.SetTlsTrusted(s.GetTlsTrusted());
  e.SetUseMLSD(s.GetUseMLSD());
}

void copySettings(vqFtpEngine& to, const vqFtpEngine& from) {
  to.FTP_SetupFW(from.GetFirewallHost(), from.GetFirewallUser(), from.GetFirewallPass(), from.GetFirewallPort(),
                 from.GetFirewallType(), from.GetFirewallPassive(), from.GetFirewallEnabled());
  to.SetRetryCount(from.GetRetryCount());
  to.SetRetryWait(from.GetRetryWait());
  to.SetRBufSize(from.GetRBufSize());
  to.SetSBufSize(from.GetSBufSize());
  to.SetIsVirtualHost(from.GetIsVirtualHost());
  to.SetURL(from.GetURL());
  to.SetUsername(from.GetUsername());
  to.SetPassword(from.GetPassword());
  to.SetAccount(from.GetAccount());
  to.SetPort(from.GetPort());
  to.SetIRD(from.GetIRD());
  to.SetInitStr(from.GetInitStr());
  to.SetHostType(from.GetHostType());
  to.SetTimeout(from.GetTimeout());
  to.SetKeepAlive(from.GetKeepAlive());
  to.SetTlsMode(from.GetTlsMode());
  to.SetTlsTrusted(from.GetTlsTrusted());
  to.SetUseMLSD(from.GetUseMLSD());
}

void notifySite(LPCITEMIDLIST item) {
  LPITEMIDLIST site = SiteOnly(item);
  if (!site) return;
  shellApp::Get().ChangeNotify(SHCNE_UPDATEITEM, site);
  CoTaskMemFree(site);
}
}  // namespace

inEngineMgr::inEngineMgr() : m_timer(nullptr), m_minuteMs(60000), m_noops(0) { InitializeSRWLock(&m_mapLock); }

inEngineMgr::~inEngineMgr() {
  Stop();
  // Entries made while the thread was not running (or after it ended) go here.
  for (auto& entry : m_sites) {
    if (entry.second.engine) entry.second.engine->Release();
    delete entry.second.lock;
  }
  m_sites.clear();
}

bool inEngineMgr::InitInstance() {
  m_timer = new vqTimerWnd(this);
  if (m_timer->Create(shellApp::Module())) m_timer->SetTimer(kKeepAliveTimer, m_minuteMs / 4);
  return true;
}

void inEngineMgr::ExitInstance() {
  delete m_timer;
  m_timer = nullptr;
  // The engines' timer windows live on this thread: they go with it.
  AcquireSRWLockExclusive(&m_mapLock);
  std::map<std::string, Site> sites;
  sites.swap(m_sites);
  ReleaseSRWLockExclusive(&m_mapLock);
  for (auto& entry : sites) {
    if (entry.second.engine) entry.second.engine->Release();
    delete entry.second.lock;
  }
}

void inEngineMgr::OnThreadMessage(UINT msg, WPARAM wp, LPARAM) {
  if (msg != kMakeEngine) return;
  auto* request = reinterpret_cast<MakeRequest*>(wp);
  VQ_TRY
    request->engine = new vqFtpEngine();
  VQ_CATCH_VOID(kSource)
  SetEvent(request->done);
}

void inEngineMgr::SetKeepAliveMinute(DWORD ms) {
  m_minuteMs = ms < 40 ? 40 : ms;
  if (m_timer && IsRunning()) {
    // The timer belongs to the manager's thread; a tick there picks up the new period.
    PostMessageA(m_timer->GetHwnd(), WM_TIMER, kKeepAliveTimer, 0);
  }
}

vqFtpEngine* inEngineMgr::NewEngine() {
  if (GetCurrentThreadId() == GetThreadId()) return new vqFtpEngine();
  if (!IsRunning()) Start();
  MakeRequest request = {CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr};
  if (!request.done) return nullptr;
  vqFtpEngine* engine = nullptr;
  if (PostThreadMessage(kMakeEngine, reinterpret_cast<WPARAM>(&request)) &&
      VQ_WaitHandle(request.done, kLockWaitMs) == VQ_WAIT_READY)
    engine = request.engine;
  else if (!IsRunning())
    engine = new vqFtpEngine();  // no manager thread: the engine lives on the caller's
  CloseHandle(request.done);
  return engine;
}

inEngineMgr::Site* inEngineMgr::Find(LPCITEMIDLIST item, std::string* keyOut) {
  std::string path, name;
  if (!siteOf(item, path, name)) return nullptr;
  std::string key = path + "\\" + name;
  if (keyOut) *keyOut = key;
  AcquireSRWLockShared(&m_mapLock);
  auto found = m_sites.find(key);
  Site* site = found == m_sites.end() ? nullptr : &found->second;
  ReleaseSRWLockShared(&m_mapLock);
  if (site) return site;

  // Made outside the map lock: the manager's thread takes that lock on its keep-alive ticks.
  vqFtpEngine* engine = NewEngine();
  if (!engine) return nullptr;
  auto* lock = new vqLock();
  AcquireSRWLockExclusive(&m_mapLock);
  auto added = m_sites.emplace(key, Site());
  site = &added.first->second;
  if (added.second) {
    site->engine = engine;
    site->lock = lock;
    engine = nullptr;
    lock = nullptr;
  }
  ReleaseSRWLockExclusive(&m_mapLock);
  if (engine) engine->Release();  // another thread was quicker
  delete lock;
  return site;
}

vqFtpEngine* inEngineMgr::GetEngine(LPCITEMIDLIST item, int primary) {
  VQ_TRY
    Site* site = Find(item);
    if (!site) return nullptr;
    vqFtpEngine* engine = site->engine;
    // An open engine is never reconfigured; a closed one is, but not under its current user.
    if (!engine->FTP_IsOpen() && site->lock->LockTry()) {
      if (!engine->FTP_IsOpen()) {
        std::string path, name;
        siteOf(item, path, name);
        vqSiteParams params(kProgId);
        if (params.SITE_LoadParams(path.c_str(), name.c_str())) configure(*engine, params);
      }
      site->lock->LockRelease();
    }
    if (primary) return engine;
    auto* copy = new vqFtpEngine();
    // An open primary is settled (and holds what its login was told); a closed one may be under
    // another user's configure this moment, so the site is read from the store instead.
    std::string path, name;
    vqSiteParams params(kProgId);
    if (!engine->FTP_IsOpen() && siteOf(item, path, name) && params.SITE_LoadParams(path.c_str(), name.c_str()))
      configure(*copy, params);
    else
      copySettings(*copy, *engine);
    return copy;
  VQ_CATCH(kSource, nullptr)
}

unsigned long inEngineMgr::LockAndConnect(LPCITEMIDLIST item, int connect) {
  VQ_TRY
    std::string key;
    Site* site = Find(item, &key);
    if (!site || !GetEngine(item, 1)) return 0xFFFF;
    if (site->lock->IsLocked())
      shellApp::Get().Log(3, "Getting ready to do a LockAcquire() on a locked object: %s\n", key.c_str());
    if (!site->lock->LockAcquire(kLockWaitMs)) return 0xFFFF;
    vqFtpEngine* engine = site->engine;
    if (!connect || engine->FTP_IsOpen()) return 0;
    std::string path, name;
    siteOf(item, path, name);
    {
      vqSiteParams params(kProgId);
      if (params.SITE_LoadParams(path.c_str(), name.c_str())) configure(*engine, params);
    }
    unsigned long rc = engine->FTP_Connect();
    if (rc != 0) {
      site->lastUse = GetTickCount();
      site->lock->LockRelease();
      return rc;
    }
    vqSiteParams params(kProgId);
    if (params.SITE_LoadParams(path.c_str(), name.c_str())) {
      params.SetHostType(engine->GetHostType());
      params.SetHostDelim(engine->GetHostDelim());
      params.SetIRD(engine->GetIRD());
      params.SetCmdSYST(engine->GetHostSysType());
      params.SetCmdPWD(engine->GetHostSysDir());
      // A certificate the user trusted during this connect is remembered for the site.
      if (engine->GetTlsTrustedIsNew()) params.SetTlsTrusted(engine->GetTlsTrusted());
      if (engine->GetStoreInfo()) {
        params.SetUsername(engine->GetUsername());
        params.SetPassword(engine->GetPassword());
        params.SetAccount(engine->GetAccount());
      }
      if (engine->GetStoreFWInfo()) {
        params.SetFirewallUser(engine->GetFirewallUser());
        params.SetFirewallPass(engine->GetFirewallPass());
      }
      params.SITE_SaveParams();
    }
    notifySite(item);
    return 0;
  VQ_CATCH(kSource, 0xFFFF)
}

void inEngineMgr::Release(LPCITEMIDLIST item, int disconnect) {
  VQ_TRY
    Site* site = Find(item);
    if (!site) return;
    if (disconnect && site->engine->FTP_IsOpen()) {
      site->engine->FTP_Disconnect();
      notifySite(item);
    }
    site->lastUse = GetTickCount();
    if (site->lock->IsLocked()) site->lock->LockRelease();
  VQ_CATCH_VOID(kSource)
}

int inEngineMgr::IsFree(LPCITEMIDLIST item) {
  std::string path, name;
  if (!siteOf(item, path, name)) return 0;
  AcquireSRWLockShared(&m_mapLock);
  auto found = m_sites.find(path + "\\" + name);
  int free = found == m_sites.end() || !found->second.lock->IsLocked();
  ReleaseSRWLockShared(&m_mapLock);
  return free;
}

void inEngineMgr::OnTick(UINT_PTR id) {
  if (id != kKeepAliveTimer) return;
  if (m_timer) m_timer->SetTimer(kKeepAliveTimer, m_minuteMs / 4);
  KeepAlive();
}

// An idle open primary whose keep-alive time has passed sends NOOP and reads its reply, so the
// server does not drop it for idleness. A connection in use (its lock held) is never touched.
void inEngineMgr::KeepAlive() {
  VQ_TRY
    std::vector<Site*> sites;
    AcquireSRWLockShared(&m_mapLock);
    for (auto& entry : m_sites) sites.push_back(&entry.second);
    ReleaseSRWLockShared(&m_mapLock);
    DWORD now = GetTickCount();
    for (Site* site : sites) {
      vqFtpEngine* engine = site->engine;
      unsigned minutes = engine->GetKeepAlive();
      if (!minutes || site->lock->IsLocked() || now - site->lastUse < minutes * m_minuteMs) continue;
      if (!site->lock->LockTry()) continue;
      if (engine->FTP_IsOpen()) {
        engine->FTP_SendCmd("NOOP", 0);
        InterlockedIncrement(&m_noops);
      }
      site->lastUse = GetTickCount();
      site->lock->LockRelease();
    }
  VQ_CATCH_VOID(kSource)
}
