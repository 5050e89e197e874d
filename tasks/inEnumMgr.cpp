#include "inEnumMgr.h"

#include <vector>

#include "shellEnum.h"
#include "shellItems.h"
#include "shellPaths.h"

namespace {
const DWORD kTakeMs = 1000, kFilledMs = 30000, kNewMs = 5000;
const char kRootKey[] = "FTP-Sites";

// Folders of the site store are read again on every request: the site manager may have changed
// the store from another process, and the registry is quick. Remote listings stay cached.
bool fromSiteStore(LPCITEMIDLIST folder) {
  int kind = shellItemKind(VQPIDL_Last(folder));
  return kind == VQ_KIND_ROOT || kind == VQ_KIND_CATEGORY;
}
bool isBelow(const std::string& key, const std::string& item) {
  if (key.compare(0, item.size(), item) != 0) return false;
  return key.size() == item.size() || key[item.size()] == '\\' || key[item.size()] == '|';
}
// A copy with a position of its own; the caller's reference to the original goes.
shellEnum* walkCopy(shellEnum* cached, DWORD flags) {
  IEnumIDList* copy = nullptr;
  HRESULT hr = cached->Clone(&copy);
  cached->Drop();
  if (FAILED(hr) || !copy) return nullptr;
  shellEnum* twin = static_cast<shellEnum*>(copy);
  twin->SetFlags(flags);
  twin->Reset();
  return twin;
}
}  // namespace

inEnumMgr::inEnumMgr() { InitializeSRWLock(&m_mapLock); }

inEnumMgr::~inEnumMgr() { FlushAll(); }

std::string inEnumMgr::FolderKey(LPCITEMIDLIST folder) {
  std::string key;
  if (!ItemPathString(folder, key) || key.empty()) key = kRootKey;
  return key;
}

shellEnum* inEnumMgr::GetEnum(LPCITEMIDLIST folder, DWORD flags) {
  std::string key = FolderKey(folder);
  shellEnum* cached = nullptr;
  AcquireSRWLockExclusive(&m_mapLock);
  auto found = m_cache.find(key);
  if (found != m_cache.end()) {
    cached = found->second;
    cached->AddRef();
  } else {
    cached = new shellEnum();
    cached->AddRef();  // the cache's
    cached->AddRef();  // the caller's
    cached->SetFilling(true);
    // A new enumerator is free, so this cannot wait while the map is locked.
    cached->Lock().LockAcquire(kNewMs);
    m_cache[key] = cached;
    ReleaseSRWLockExclusive(&m_mapLock);
    cached->SetFlags(flags);
    cached->Fill(folder);
    cached->SetFilling(false);
    cached->Reset();
    if (cached->GetResult() != 0) {
      // A listing that failed is not kept: the next look at the folder asks the server again
      // instead of showing the failure (or an empty folder) until someone refreshes.
      bool forget = false;
      AcquireSRWLockExclusive(&m_mapLock);
      auto again = m_cache.find(key);
      if (again != m_cache.end() && again->second == cached) {
        m_cache.erase(again);
        forget = true;
      }
      ReleaseSRWLockExclusive(&m_mapLock);
      if (forget) cached->Drop();  // the cache's reference; the caller keeps its own
    }
    return cached;
  }
  ReleaseSRWLockExclusive(&m_mapLock);

  if (cached->Lock().IsHeldByThisThread()) {
    // Asked again from a message handled while this thread fills or walks the folder (a refresh
    // posted meanwhile): waiting would wait on ourselves. A folder still filling has nothing to
    // give yet; a filled one is walked through a copy.
    if (cached->IsFilling()) {
      cached->Drop();
      return nullptr;
    }
    return walkCopy(cached, flags);
  }
  if (cached->IsFilling()) {
    if (!cached->Lock().LockAcquire(kFilledMs)) {
      cached->Drop();
      return nullptr;
    }
  } else if (!cached->Lock().LockAcquire(kTakeMs)) {
    // Another walk holds it: hand out a copy with a position of its own.
    return walkCopy(cached, flags);
  }
  cached->SetFlags(flags);
  if (fromSiteStore(folder)) cached->Fill(folder);
  cached->Reset();
  return cached;
}

void inEnumMgr::Flush(LPCITEMIDLIST item) {
  std::string path;
  bool root = !ItemPathString(item, path) || path.empty() || path == kRootKey;
  std::vector<shellEnum*> dropped;
  AcquireSRWLockExclusive(&m_mapLock);
  for (auto it = m_cache.begin(); it != m_cache.end();) {
    if (root || isBelow(it->first, path)) {
      dropped.push_back(it->second);
      it = m_cache.erase(it);
    } else {
      ++it;
    }
  }
  ReleaseSRWLockExclusive(&m_mapLock);
  for (shellEnum* e : dropped) e->Drop();
}

void inEnumMgr::FlushAll() {
  std::vector<shellEnum*> dropped;
  AcquireSRWLockExclusive(&m_mapLock);
  for (auto& entry : m_cache) dropped.push_back(entry.second);
  m_cache.clear();
  ReleaseSRWLockExclusive(&m_mapLock);
  for (shellEnum* e : dropped) e->Drop();
}

size_t inEnumMgr::CachedCount() {
  AcquireSRWLockShared(&m_mapLock);
  size_t n = m_cache.size();
  ReleaseSRWLockShared(&m_mapLock);
  return n;
}
