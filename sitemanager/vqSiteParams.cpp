// Site parameters and the site store in the registry.
#include "vqSiteParams.h"

#include "dlgSmAppParams.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqHostType.h"

namespace {
const char kSource[] = "vqSiteParams";
const char kCategoryMark[] = "Category";
const char kCopyOf[] = "Copy of ";
const int kCopyTries = 10;
const int kTlsOff = 0, kTlsWhenOffered = 1, kTlsRequired = 2;  // the engine's vqTlsMode
const int kMaxDepth = 32;
// Room for any text value vqRegistry writes (1023 characters) and its terminator.
const unsigned kValueBuf = 1100;
// A rename leaves notes on its copy in the scratch list, so that one cut short by a killed process
// can be finished or undone by the next enumeration: where it came from, where it goes, and that
// the copy at the target is whole.
const char kRenameFromSub[] = "RenameFromSub";
const char kRenameToSub[] = "RenameToSub";
const char kRenameToName[] = "RenameToName";
const char kRenameDone[] = "RenameDone";
// Before the copy into the scratch list starts, its list key notes "Renaming:<name>" = the source's
// list: a scratch item with that note but without its own notes is a copy cut short (its source is
// intact); an item with neither was left by an older version and is brought back to the top list.
const char kRenamingPrefix[] = "Renaming:";
// Held by a rename and by the recovery, across processes; a killed holder leaves it abandoned.
const char kRenameMutex[] = "Farhollow.SiteRename";
// Set while this thread renames or recovers, so that their own enumerations do not recover.
thread_local int t_inRename = 0;

struct renameLock {
  HANDLE mutex;
  bool owned;
  explicit renameLock(DWORD waitMs) : mutex(::CreateMutexA(nullptr, FALSE, kRenameMutex)), owned(false) {
    if (!mutex) return;
    DWORD r = ::WaitForSingleObject(mutex, waitMs);
    owned = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~renameLock() {
    if (owned) ::ReleaseMutex(mutex);
    if (mutex) ::CloseHandle(mutex);
  }
};

void trimSlash(char* text) {
  size_t len = strlen(text);
  while (len > 0 && text[len - 1] == '\\') text[--len] = 0;
}

// Bounded copy of a path argument without its trailing "\"; false when it does not fit.
bool takePath(char* out, unsigned size, const char* in) {
  if (!in) in = "";
  size_t len = strlen(in);
  if (len >= size) return false;
  memcpy(out, in, len + 1);
  trimSlash(out);
  return true;
}

std::string keyOf(const char* subPath, const char* name) {
  std::string key = VQ_PRODUCT_KEY;
  key += '\\';
  key += subPath;
  if (name) {
    key += '\\';
    key += name;
  }
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

// True when list lies inside the category fromSub\fromName (or is that category's own list).
bool within(const char* list, const char* fromSub, const char* fromName) {
  std::string cat = std::string(fromSub) + "\\" + fromName;
  while (!cat.empty() && cat.back() == '\\') cat.pop_back();
  std::string to = list;
  while (!to.empty() && to.back() == '\\') to.pop_back();
  if (to.size() < cat.size()) return false;
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, to.c_str(), static_cast<int>(cat.size()), cat.c_str(),
                     static_cast<int>(cat.size())) != CSTR_EQUAL)
    return false;
  return to.size() == cat.size() || to[cat.size()] == '\\';
}

void idText(char* out, unsigned long id) { snprintf(out, 16, "%10.10lu", id); }
}  // namespace

vqSiteParams::vqSiteParams(unsigned char progId)
    : vqCommonParams(progId), m_pageHolder(nullptr), m_sites(nullptr), m_siteCount(0), m_siteCapacity(0) {
  m_FullSitePath[0] = m_SiteSubPath[0] = m_SiteName[0] = m_SiteKeyName[0] = 0;
  m_URL[0] = m_Username[0] = m_Password[0] = m_Account[0] = m_InitStr[0] = 0;
  m_Description[0] = m_IRD[0] = m_CmdSYST[0] = m_CmdPWD[0] = m_HostDelim[0] = m_Wendal[0] = 0;
  m_SiteId = 0;
  m_HostType = VQ_HOST_AUTO;
  m_URLPort = 21;
  m_IsAnonymous = 1;
  m_IsCategory = 0;
  m_VirtualHost = 0;
  m_NameEncoding = VQ_NAMES_AUTO;
  m_TlsMode = kTlsWhenOffered;
  m_TlsTrusted[0] = 0;
  m_UseMLSD = 1;
  SITE_InitParams(1, VQSMGR_GetAppParams());
  SetSiteSubPath(VQ_SITES_LIST);
}

vqSiteParams::~vqSiteParams() {
  delete m_pageHolder;
  _freeSites();
  memset(m_Password, 0, sizeof(m_Password));
}

void vqSiteParams::_freeSites() {
  for (int i = 0; i < m_siteCount; ++i) delete m_sites[i];
  delete[] m_sites;
  m_sites = nullptr;
  m_siteCount = m_siteCapacity = 0;
}

void vqSiteParams::_appendSite(vqSiteParams* site) {
  if (m_siteCount == m_siteCapacity) {
    int capacity = m_siteCapacity ? m_siteCapacity * 2 : 16;
    vqSiteParams** grown = new vqSiteParams*[capacity];
    for (int i = 0; i < m_siteCount; ++i) grown[i] = m_sites[i];
    delete[] m_sites;
    m_sites = grown;
    m_siteCapacity = capacity;
  }
  m_sites[m_siteCount++] = site;
}

int vqSiteParams::SITE_IsValidName(const char* name) {
  if (!name || !*name || strlen(name) > TEXT_LEN) return 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
    if (*p < 0x20 || strchr("\\/:*?\"<>|", *p)) return 0;
  return 1;
}

int vqSiteParams::_fullPath(char* out, unsigned size, const char* subPath, const char* name) {
  std::string key = keyOf(subPath, name);
  if (key.size() >= size) return 0;
  memcpy(out, key.c_str(), key.size() + 1);
  return 1;
}

int vqSiteParams::SITE_InitParams(int clearName, vqCommonParams* defaults) {
  VQ_TRY
    COMMON_InitParams(defaults);
    vqAppParams* app = VQSMGR_GetAppParams();
    SetPassword(app ? app->GetEMailAddress() : "");
    m_FullSitePath[0] = 0;
    if (clearName) m_SiteName[0] = 0;
    m_SiteKeyName[0] = 0;
    m_SiteId = 0;
    m_HostType = VQ_HOST_AUTO;
    m_URL[0] = 0;
    m_URLPort = 21;
    SetUsername("anonymous");
    m_Account[0] = m_InitStr[0] = m_Description[0] = m_IRD[0] = 0;
    m_CmdSYST[0] = m_CmdPWD[0] = m_HostDelim[0] = m_Wendal[0] = 0;
    m_IsAnonymous = 1;
    m_IsCategory = 0;
    m_VirtualHost = 0;
    m_NameEncoding = VQ_NAMES_AUTO;
    m_TlsMode = kTlsWhenOffered;  // a new site
    m_TlsTrusted[0] = 0;
    m_UseMLSD = 1;
    return 1;
  VQ_CATCH(kSource, 0)
}

void vqSiteParams::_readSitePassword(vqRegistry& r) {
  char stored[kValueBuf];
  memset(m_Password, 0, sizeof(m_Password));
  if (!r.RegGetStr("PassWord", stored, sizeof(stored))) return;
  // The length form may hold 0 bytes: its length counts, not the terminator.
  unsigned size = r.RegGetLastSize();
  if (size > sizeof(stored)) size = sizeof(stored);
  if (size > 0 && stored[size - 1] == 0) --size;
  if (!stored[0]) size = 0;
  m_crypto.ReadStored(stored, size, VQ_STORED_SITE_LENGTH, m_Password, TEXT_LEN + 1);
  memset(stored, 0, sizeof(stored));
}

void vqSiteParams::_storedSitePassword(char* stored, unsigned size) {
  memset(stored, 0, size);
  if (m_IsAnonymous) {
    _copy(stored, size, m_Password);
    return;
  }
  // At most a full-length password behind the mark.
  m_crypto.StoreScrambled(m_Password, stored, size < TEXT_LEN + 2 ? size : TEXT_LEN + 2);
}

int vqSiteParams::_loadSiteKey(HKEY root, const char* keyPath) {
  vqRegistry r;
  if (!r.RegOpenRead(root, keyPath)) return 0;
  r.RegGetNum("SiteId", m_SiteId);
  char mark[132];
  r.RegGetStr("", mark, sizeof(mark));
  if (mark[0]) {
    m_IsCategory = 1;
    r.RegGetStr("Description", m_Description, sizeof(m_Description));
    r.RegClose();
    return 1;
  }
  m_IsCategory = 0;
  m_HostType = 0;
  r.RegGetNum("HostType", m_HostType);
  // Older stores numbered the server kinds from 6000.
  if (m_HostType >= 6000 && m_HostType <= 6050) m_HostType -= 4000;
  if (m_HostType == 0) m_HostType = VQ_HOST_AUTO;
  r.RegGetStr("URL", m_URL, sizeof(m_URL));
  r.RegGetNum("URLPort", m_URLPort);
  r.RegGetStr("LoginName", m_Username, sizeof(m_Username));
  _readSitePassword(r);
  r.RegGetStr("Account", m_Account, sizeof(m_Account));
  r.RegGetStr("InitStr", m_InitStr, sizeof(m_InitStr));
  r.RegGetStr("Description", m_Description, sizeof(m_Description));
  r.RegGetStr("RootDir", m_IRD, sizeof(m_IRD));
  r.RegGetStr("cmdSYST", m_CmdSYST, sizeof(m_CmdSYST));
  r.RegGetStr("cmdPWD", m_CmdPWD, sizeof(m_CmdPWD));
  r.RegGetNum("Anonymous", m_IsAnonymous);
  r.RegGetNum("VirtualHost", m_VirtualHost);
  m_NameEncoding = VQ_NAMES_AUTO;  // a site stored before the setting existed
  r.RegGetNum("NameEncoding", m_NameEncoding);
  // Sites stored before TLS existed have no value: they stay unprotected, exactly as they were.
  m_TlsMode = kTlsOff;
  r.RegGetNum("UseTLS", m_TlsMode);
  if (m_TlsMode != kTlsWhenOffered && m_TlsMode != kTlsRequired) m_TlsMode = kTlsOff;
  m_TlsTrusted[0] = 0;
  r.RegGetStr("TLSCertificate", m_TlsTrusted, sizeof(m_TlsTrusted));
  m_UseMLSD = 1;
  r.RegGetNum("UseMLSD", m_UseMLSD);
  r.RegGetStr("HostDelim", m_HostDelim, sizeof(m_HostDelim));
  r.RegGetStr("wendal", m_Wendal, sizeof(m_Wendal));
  r.RegClose();
  return 1;
}

int vqSiteParams::SITE_LoadParams(const char* subPath, const char* name) {
  VQ_TRY
    SITE_InitParams(0, VQSMGR_GetAppParams());
    if (!subPath || !*subPath || !name || !*name) return 0;
    char sub[TEXT_LEN + 1], site[TEXT_LEN + 1], key[KEY_LEN];
    if (!takePath(sub, sizeof(sub), subPath) || !takePath(site, sizeof(site), name)) return 0;
    SetSiteSubPath(sub);
    SetSiteName(site);
    // The common part is addressed through ParamsKeyPath; a key it cannot hold is not a site.
    if (!_fullPath(key, TEXT_LEN + 1, m_SiteSubPath, m_SiteName)) return 0;
    SetParamsKeyPath(key);
    COMMON_LoadParams();
    if (_loadSiteKey(HKEY_CURRENT_USER, key)) return 1;
    if (!_loadSiteKey(HKEY_LOCAL_MACHINE, key)) return 0;
    // A machine-wide site carries its own common values too; they travel with it.
    _loadparams(key, HKEY_LOCAL_MACHINE);
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_LoadParams(const char* subPath, unsigned siteId) {
  VQ_TRY
    if (!subPath || !*subPath) return 0;
    char sub[TEXT_LEN + 1], list[KEY_LEN], id[16];
    if (!takePath(sub, sizeof(sub), subPath)) return 0;
    if (!_fullPath(list, sizeof(list), sub, nullptr)) return 0;
    m_SiteId = siteId;
    SetParamsKeyPath(list);
    COMMON_LoadParams();
    idText(id, siteId);
    char name[513];
    vqRegistry r;
    if (!r.RegOpenRead(HKEY_CURRENT_USER, list)) return 0;
    if (!r.RegGetStr(id, name, sizeof(name))) return 0;
    r.RegClose();
    return SITE_LoadParams(sub, name);
  VQ_CATCH(kSource, 0)
}

unsigned vqSiteParams::_site_getnextsiteid() {
  vqRegistry r;
  if (!r.RegOpenWrite(HKEY_CURRENT_USER, keyOf(VQ_SITES_LIST, nullptr).c_str())) return 1;
  char last[64];
  unsigned long id = 0;
  if (r.RegGetStr("", last, sizeof(last)) && last[0]) {
    id = strtoul(last, nullptr, 10);
  } else {
    id = 1;
    char name[kValueBuf], data[kValueBuf];
    unsigned long largest = 0;
    bool any = false;
    for (int i = 0; r.RegEnumVal(i, name, sizeof(name), data, sizeof(data)); ++i) {
      if (!name[0]) continue;
      unsigned long n = strtoul(name, nullptr, 10);
      if (!any || n > largest) largest = n;
      any = true;
    }
    if (any) id = largest;
  }
  unsigned next = static_cast<unsigned>(id + 1);
  if (next == 0) next = 1;  // 0 means "no id yet"
  r.RegPutNum("", next);
  r.RegClose();
  return next;
}

int vqSiteParams::SITE_SaveParams(const char* subPath, const char* name) {
  VQ_TRY
    // The name becomes a key name (and, through the windows, part of file names).
    if (!SITE_IsValidName(name) || !subPath) return 0;
    char sub[TEXT_LEN + 1], key[KEY_LEN], list[KEY_LEN];
    if (!takePath(sub, sizeof(sub), subPath) || !sub[0]) return 0;
    if (!_fullPath(key, TEXT_LEN + 1, sub, name)) return 0;
    if (!_fullPath(list, sizeof(list), sub, nullptr)) return 0;
    SetSiteSubPath(sub);
    SetSiteName(name);
    if (m_SiteId == 0) m_SiteId = _site_getnextsiteid();
    char id[16];
    idText(id, m_SiteId);

    vqRegistry r;
    if (r.RegOpenWrite(HKEY_CURRENT_USER, list)) {
      r.RegPutStr(id, m_SiteName);
      r.RegClose();
    }
    if (!m_IsCategory) {
      SetParamsKeyPath(key);
      COMMON_SaveParams();
    }
    if (!r.RegOpenWrite(HKEY_CURRENT_USER, key)) return 0;
    r.RegPutStr("SiteId", id);
    if (m_IsCategory) {
      r.RegPutStr("", kCategoryMark);
      r.RegPutStr("Description", m_Description);
    } else {
      char stored[TEXT_LEN + 2];
      _storedSitePassword(stored, sizeof(stored));
      r.RegPutStr("", "");
      r.RegPutNum("HostType", m_HostType);
      r.RegPutStr("URL", m_URL);
      r.RegPutNum("URLPort", m_URLPort);
      r.RegPutStr("LoginName", m_Username);
      r.RegPutStr("PassWord", stored);
      r.RegPutStr("Account", m_Account);
      r.RegPutStr("InitStr", m_InitStr);
      r.RegPutStr("Description", m_Description);
      r.RegPutStr("RootDir", m_IRD);
      r.RegPutStr("cmdSYST", m_CmdSYST);
      r.RegPutStr("cmdPWD", m_CmdPWD);
      r.RegPutNum("Anonymous", static_cast<unsigned long>(m_IsAnonymous));
      r.RegPutNum("VirtualHost", static_cast<unsigned long>(m_VirtualHost));
      r.RegPutNum("NameEncoding", static_cast<unsigned long>(m_NameEncoding));
      r.RegPutNum("UseTLS", static_cast<unsigned long>(m_TlsMode));
      r.RegPutStr("TLSCertificate", m_TlsTrusted);
      r.RegPutNum("UseMLSD", static_cast<unsigned long>(m_UseMLSD ? 1 : 0));
      r.RegPutStr("HostDelim", m_HostDelim);
      r.RegPutStr("wendal", m_Wendal);
      memset(stored, 0, sizeof(stored));
    }
    r.RegClose();
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_SaveParams() {
  char sub[TEXT_LEN + 1], name[TEXT_LEN + 1];
  _copy(sub, sizeof(sub), m_SiteSubPath);
  _copy(name, sizeof(name), m_SiteName);
  return SITE_SaveParams(sub, name);
}

int vqSiteParams::ENUM_SiteEnumerate(const char* subPath) {
  VQ_TRY
    _freeSites();
    char sub[TEXT_LEN + 1], list[KEY_LEN], name[TEXT_LEN + 1];
    if (!subPath || !takePath(sub, sizeof(sub), subPath) || !sub[0]) return 0;
    if (!_fullPath(list, sizeof(list), sub, nullptr)) return 0;
    if (!t_inRename) _recoverStranded();

    // Members of an older machine-wide list are copied into the user's store; the machine-wide
    // list stays as it is (writing there needs rights the user may not have, and moving again
    // later is harmless because saving is idempotent).
    unsigned largest = 0;
    vqRegistry r;
    if (r.RegOpenRead(HKEY_LOCAL_MACHINE, list)) {
      for (int i = 0; r.RegEnumKeyA(i, name, sizeof(name)); ++i) {
        vqSiteParams member(m_ProgId);
        if (!member.SITE_LoadParams(sub, name)) continue;
        member.SITE_SaveParams(sub, name);
        if (member.GetSiteId() > largest) largest = member.GetSiteId();
      }
      r.RegClose();
    }

    if (!r.RegOpenRead(HKEY_CURRENT_USER, list)) return 0;
    for (int i = 0; r.RegEnumKeyA(i, name, sizeof(name)); ++i) {
      vqSiteParams* member = new vqSiteParams(m_ProgId);
      if (!member->SITE_LoadParams(sub, name)) {
        delete member;
        continue;
      }
      if (member->GetSiteId() == 0) member->SetSiteId(++largest);
      _appendSite(member);
    }
    r.RegClose();
    return m_siteCount;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::ENUM_GetSiteCount() { return m_siteCount; }

vqSiteParams* vqSiteParams::ENUM_GetSiteItem(int index) {
  if (index < 0 || index >= m_siteCount) return nullptr;
  return m_sites[index];
}

int vqSiteParams::SITE_Exists(const char* subPath, const char* name) {
  VQ_TRY
    if (!name || !*name || !subPath) return 0;
    std::string key = keyOf(subPath, name);
    vqRegistry r;
    if (r.RegOpenRead(HKEY_CURRENT_USER, key.c_str())) return 1;
    if (r.RegOpenRead(HKEY_LOCAL_MACHINE, key.c_str())) return 1;
    return 0;
  VQ_CATCH(kSource, 0)
}

void vqSiteParams::_clearCachesDeep(const char* subPath, const char* name, int depth) {
  vqSiteParams site(m_ProgId);
  if (!site.SITE_LoadParams(subPath, name)) return;
  site.SITE_ClearDirectoryCache(nullptr);
  site.SITE_ClearFileCache(nullptr);
  if (!site.GetIsCategory() || depth >= kMaxDepth) return;
  // The sites inside a deleted category lose their keys too; their caches go with them.
  std::string list = std::string(site.GetSiteSubPath()) + "\\" + site.GetSiteName();
  vqSiteParams members(m_ProgId);
  members.ENUM_SiteEnumerate(list.c_str());
  for (int i = 0; i < members.ENUM_GetSiteCount(); ++i)
    _clearCachesDeep(list.c_str(), members.ENUM_GetSiteItem(i)->GetSiteName(), depth + 1);
}

int vqSiteParams::SITE_Delete(const char* subPath, const char* name) {
  VQ_TRY
    char sub[TEXT_LEN + 1], site[TEXT_LEN + 1];
    if (!subPath || !name || !takePath(sub, sizeof(sub), subPath) || !takePath(site, sizeof(site), name)) return 0;
    // Without a name the key would be the whole list.
    if (!sub[0] || !site[0]) return 0;
    _clearCachesDeep(sub, site, 0);

    std::string key = keyOf(sub, site);
    vqRegistry r;
    r.RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    r.RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());

    if (r.RegOpenRead(HKEY_CURRENT_USER, keyOf(sub, nullptr).c_str())) {
      char value[kValueBuf], data[kValueBuf];
      for (int i = 0; r.RegEnumVal(i, value, sizeof(value), data, sizeof(data)); ++i) {
        // The unnamed value of the top list is the last id handed out, never a member.
        if (value[0] && lstrcmpiA(data, site) == 0) {
          r.RegDeleteValueA(value);
          break;
        }
      }
      r.RegClose();
    }
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::_copySite(const char* fromSub, const char* fromName, const char* toSub, const char* toName,
                            int depth) {
  if (depth > kMaxDepth) return 0;
  char from[TEXT_LEN + 1], to[TEXT_LEN + 1];
  if (!takePath(from, sizeof(from), fromSub) || !takePath(to, sizeof(to), toSub)) return 0;
  vqSiteParams site(m_ProgId);
  // A copy of nothing would store a site made of defaults.
  if (!site.SITE_LoadParams(from, fromName)) return 0;
  // A category copied into itself would copy its own copy without end.
  if (site.GetIsCategory() && within(to, from, fromName)) return 0;

  std::string finalName = toName;
  if (SITE_Exists(to, toName)) {
    bool found = false;
    std::string name;
    for (int tries = 1; tries <= kCopyTries && !found; ++tries) {
      if (site.GetIsCategory()) {
        if (tries > 1) name += ' ';
        name += kCopyOf;
        name += toName;
      } else {
        name = kCopyOf + name;
        if (tries == 1) name += toName;
      }
      std::string candidate = name.substr(0, TEXT_LEN);
      // Every name is tested: taking a tenth name that exists would overwrite another site.
      if (!SITE_Exists(to, candidate.c_str())) {
        finalName = candidate;
        found = true;
      }
    }
    if (!found) return 0;
    site.SetSiteId(0);
  } else {
    // The id goes along, unless the target list already lists it for another member. A value
    // naming a member that is gone (a delete cut short) is stale: the save overwrites it.
    char id[16], owner[kValueBuf];
    idText(id, site.GetSiteId());
    vqRegistry r;
    if (r.RegOpenRead(HKEY_CURRENT_USER, keyOf(to, nullptr).c_str()) && r.RegGetStr(id, owner, sizeof(owner)) &&
        owner[0] && lstrcmpiA(owner, toName) != 0 && SITE_Exists(to, owner))
      site.SetSiteId(0);
  }
  if (!site.SITE_SaveParams(to, finalName.c_str())) return 0;
  SetSiteSubPath(to);
  SetSiteName(finalName.c_str());
  if (!site.GetIsCategory()) return 1;

  std::string fromList = std::string(from) + "\\" + fromName;
  std::string toList = std::string(to) + "\\" + finalName;
  vqSiteParams members(m_ProgId);
  members.ENUM_SiteEnumerate(fromList.c_str());
  int result = 1;
  for (int i = 0; i < members.ENUM_GetSiteCount(); ++i) {
    const char* member = members.ENUM_GetSiteItem(i)->GetSiteName();
    vqSiteParams copier(m_ProgId);
    if (!copier._copySite(fromList.c_str(), member, toList.c_str(), member, depth + 1)) result = 0;
  }
  return result;
}

int vqSiteParams::SITE_Copy(const char* fromSub, const char* fromName, const char* toSub, const char* toName) {
  VQ_TRY
    if (!fromSub || !fromName || !toSub || !toName || !*fromName || !*toName) return 0;
    // On success the object names the copy, so the caller learns its final name.
    int result = _copySite(fromSub, fromName, toSub, toName, 0);
    return result;
  VQ_CATCH(kSource, 0)
}

int vqSiteParams::SITE_Rename(const char* fromSub, const char* fromName, const char* toSub, const char* toName) {
  VQ_TRY
    if (!fromSub || !fromName || !toSub || !toName || !*fromName || !*toName) return 0;
    if (!SITE_IsValidName(toName)) return 0;
    // Moving a category into itself would delete it before its copy could be made.
    if (within(toSub, fromSub, fromName)) return 0;
    renameLock lock(INFINITE);
    struct inRename {
      inRename() { ++t_inRename; }
      ~inRename() { --t_inRename; }
    } mark;
    vqSiteParams worker(m_ProgId);
    worker.SITE_Delete(VQ_SITES_SCRATCH, fromName);
    const std::string journal = std::string(kRenamingPrefix) + fromName;
    struct journalEntry {
      const std::string& name;
      bool written;
      journalEntry(const std::string& n, const char* from) : name(n), written(false) {
        vqRegistry r;
        written = r.RegOpenWrite(HKEY_CURRENT_USER, keyOf(VQ_SITES_SCRATCH, nullptr).c_str()) &&
                  r.RegPutStr(name.c_str(), from);
      }
      // Removed once the scratch item is gone (or was never made).
      ~journalEntry() {
        vqRegistry r;
        if (r.RegOpenWrite(HKEY_CURRENT_USER, keyOf(VQ_SITES_SCRATCH, nullptr).c_str()))
          r.RegDeleteValueA(name.c_str());
      }
    } entry(journal, fromSub);
    if (!entry.written) return 0;
    if (!worker.SITE_Copy(fromSub, fromName, VQ_SITES_SCRATCH, fromName)) {
      worker.SITE_Delete(VQ_SITES_SCRATCH, fromName);
      return 0;
    }
    const std::string scratchKey = keyOf(VQ_SITES_SCRATCH, fromName);
    vqRegistry notes;
    if (!notes.RegOpenWrite(HKEY_CURRENT_USER, scratchKey.c_str()) || !notes.RegPutStr(kRenameToSub, toSub) ||
        !notes.RegPutStr(kRenameToName, toName) || !notes.RegPutStr(kRenameFromSub, fromSub)) {
      // Without its notes the copy could not be recovered: the item stays where it is.
      notes.RegClose();
      worker.SITE_Delete(VQ_SITES_SCRATCH, fromName);
      return 0;
    }
    notes.RegClose();
    worker.SITE_Delete(fromSub, fromName);
    if (worker.SITE_Copy(VQ_SITES_SCRATCH, fromName, toSub, toName)) {
      if (notes.RegOpenWrite(HKEY_CURRENT_USER, scratchKey.c_str())) {
        notes.RegPutNum(kRenameDone, 1);
        notes.RegClose();
      }
      worker.SITE_Delete(VQ_SITES_SCRATCH, fromName);
      return 1;
    }
    // The target refused it: the item goes back where it was rather than stay in the scratch list.
    if (worker.SITE_Copy(VQ_SITES_SCRATCH, fromName, fromSub, fromName)) worker.SITE_Delete(VQ_SITES_SCRATCH, fromName);
    return 0;
  VQ_CATCH(kSource, 0)
}

// Writes the item (and a category's members) from one place over another under the same names and
// id, completing a copy that was cut short: values and members already there are overwritten.
int vqSiteParams::_restoreFrom(const char* fromSub, const char* name, const char* toSub, const char* toName,
                               int depth) {
  if (depth > kMaxDepth) return 0;
  vqSiteParams item(m_ProgId);
  if (!item.SITE_LoadParams(fromSub, name)) return 0;
  if (!item.SITE_SaveParams(toSub, toName)) return 0;
  if (!item.GetIsCategory()) return 1;
  const std::string fromList = std::string(fromSub) + "\\" + name;
  const std::string toList = std::string(toSub) + "\\" + toName;
  vqSiteParams members(m_ProgId);
  members.ENUM_SiteEnumerate(fromList.c_str());
  int result = 1;
  for (int i = 0; i < members.ENUM_GetSiteCount(); ++i) {
    const char* member = members.ENUM_GetSiteItem(i)->GetSiteName();
    if (!_restoreFrom(fromList.c_str(), member, toList.c_str(), member, depth + 1)) result = 0;
  }
  return result;
}

// Finishes or undoes each rename that a killed process left in the scratch list. Skipped while
// another rename runs (in any process).
void vqSiteParams::_recoverStranded() {
  const std::string scratch = keyOf(VQ_SITES_SCRATCH, nullptr);
  char name[TEXT_LEN + 1];
  {
    vqRegistry probe;
    if (!probe.RegOpenRead(HKEY_CURRENT_USER, scratch.c_str()) || !probe.RegEnumKeyA(0, name, sizeof(name))) return;
  }
  renameLock lock(0);
  if (!lock.owned) return;
  ++t_inRename;
  std::vector<std::string> names;
  {
    vqRegistry list;
    if (list.RegOpenRead(HKEY_CURRENT_USER, scratch.c_str()))
      for (int i = 0; list.RegEnumKeyA(i, name, sizeof(name)); ++i) names.push_back(name);
  }
  for (const std::string& n : names) {
    char fromSub[TEXT_LEN + 1] = "", toSub[TEXT_LEN + 1] = "", toName[TEXT_LEN + 1] = "", journal[TEXT_LEN + 1] = "";
    unsigned long done = 0;
    const std::string journalName = kRenamingPrefix + n;
    vqRegistry notes;
    if (notes.RegOpenRead(HKEY_CURRENT_USER, scratch.c_str())) {
      notes.RegGetStr(journalName.c_str(), journal, sizeof(journal));
      notes.RegClose();
    }
    if (!notes.RegOpenRead(HKEY_CURRENT_USER, keyOf(VQ_SITES_SCRATCH, n.c_str()).c_str())) continue;
    notes.RegGetStr(kRenameFromSub, fromSub, sizeof(fromSub));
    notes.RegGetStr(kRenameToSub, toSub, sizeof(toSub));
    notes.RegGetStr(kRenameToName, toName, sizeof(toName));
    notes.RegGetNum(kRenameDone, done);
    notes.RegClose();
    vqSiteParams copy(m_ProgId), there(m_ProgId), worker(m_ProgId);
    int restored = 1;
    if (!fromSub[0] || !toSub[0] || !toName[0]) {
      // A copy cut short has an intact source; one from an older version goes to the top list.
      if (!journal[0]) restored = worker._copySite(VQ_SITES_SCRATCH, n.c_str(), VQ_SITES_LIST, n.c_str(), 0);
    } else if (!done && copy.SITE_LoadParams(VQ_SITES_SCRATCH, n.c_str())) {
      if (SITE_Exists(fromSub, n.c_str())) {
        // The source was not (or not wholly) deleted: the rename is undone.
        restored = _restoreFrom(VQ_SITES_SCRATCH, n.c_str(), fromSub, n.c_str(), 0);
      } else if (!SITE_Exists(toSub, toName) || !there.SITE_LoadParams(toSub, toName) || there.GetSiteId() == 0 ||
                 there.GetSiteId() == copy.GetSiteId()) {
        // The source is gone: the copy at the target (none yet, or ours cut short, which may lack
        // even its id: a save writes that after the common values) is made whole.
        restored = _restoreFrom(VQ_SITES_SCRATCH, n.c_str(), toSub, toName, 0);
      } else {
        // The target name belongs to another item: back to where it came from.
        restored = _restoreFrom(VQ_SITES_SCRATCH, n.c_str(), fromSub, n.c_str(), 0);
      }
    }
    if (!restored) continue;  // kept in the scratch list for a later try
    worker.SITE_Delete(VQ_SITES_SCRATCH, n.c_str());
    if (notes.RegOpenWrite(HKEY_CURRENT_USER, scratch.c_str())) notes.RegDeleteValueA(journalName.c_str());
  }
  --t_inRename;
}

const char* vqSiteParams::GetFullSitePath() {
  if (!_fullPath(m_FullSitePath, sizeof(m_FullSitePath), m_SiteSubPath, m_SiteName)) m_FullSitePath[0] = 0;
  return m_FullSitePath;
}

const char* vqSiteParams::GetSiteKeyName() {
  idText(m_SiteKeyName, m_SiteId);
  return m_SiteKeyName;
}

const char* vqSiteParams::GetSiteSubPath() { return m_SiteSubPath; }
void vqSiteParams::SetSiteSubPath(const char* text) {
  _copy(m_SiteSubPath, sizeof(m_SiteSubPath), text);
  trimSlash(m_SiteSubPath);
}

#define VQ_SITE_TEXT(Name)                                   \
  const char* vqSiteParams::Get##Name() { return m_##Name; } \
  void vqSiteParams::Set##Name(const char* text) { _copy(m_##Name, sizeof(m_##Name), text); }
#define VQ_SITE_VALUE(Name, Type)                     \
  Type vqSiteParams::Get##Name() { return m_##Name; } \
  void vqSiteParams::Set##Name(Type value) { m_##Name = value; }

VQ_SITE_TEXT(SiteName)
VQ_SITE_TEXT(URL)
VQ_SITE_TEXT(Username)
VQ_SITE_TEXT(Password)
VQ_SITE_TEXT(Account)
VQ_SITE_TEXT(InitStr)
VQ_SITE_TEXT(Description)
VQ_SITE_TEXT(IRD)
VQ_SITE_TEXT(CmdSYST)
VQ_SITE_TEXT(CmdPWD)
VQ_SITE_TEXT(HostDelim)
VQ_SITE_TEXT(Wendal)
VQ_SITE_VALUE(SiteId, unsigned)
VQ_SITE_VALUE(HostType, unsigned)
VQ_SITE_VALUE(URLPort, unsigned short)
VQ_SITE_VALUE(IsAnonymous, int)
VQ_SITE_VALUE(IsCategory, int)
VQ_SITE_VALUE(VirtualHost, int)

int vqSiteParams::GetNameEncoding() {
  return m_NameEncoding == VQ_NAMES_UTF8 || m_NameEncoding == VQ_NAMES_CODEPAGE ? m_NameEncoding : VQ_NAMES_AUTO;
}
void vqSiteParams::SetNameEncoding(int encoding) { m_NameEncoding = encoding; }

int vqSiteParams::GetTlsMode() { return m_TlsMode == kTlsWhenOffered || m_TlsMode == kTlsRequired ? m_TlsMode : kTlsOff; }
void vqSiteParams::SetTlsMode(int mode) { m_TlsMode = mode; }
const char* vqSiteParams::GetTlsTrusted() { return m_TlsTrusted; }
void vqSiteParams::SetTlsTrusted(const char* fingerprint) { _copy(m_TlsTrusted, sizeof(m_TlsTrusted), fingerprint ? fingerprint : ""); }
int vqSiteParams::GetUseMLSD() { return m_UseMLSD ? 1 : 0; }
void vqSiteParams::SetUseMLSD(int on) { m_UseMLSD = on ? 1 : 0; }
