// Common parameters: defaults, registry load with silent repair of out-of-range numbers, save.
// A site loads the global key first and then its own, so its silent numbers keep the global values.
#include "vqCommonParams.h"

#include <string.h>

#include "vqCatch.h"

namespace {
const char kSource[] = "vqCommonParams";
const char kDefaultIndexFiles[] = "|00_index.txt|index.txt|00-index.txt|";

bool outside(unsigned v, unsigned lo, unsigned hi) { return v < lo || v > hi; }
}  // namespace

vqCommonParams::vqCommonParams(unsigned char progId) : m_ProgId(progId) {
  m_FirewallHost[0] = m_FirewallUser[0] = m_FirewallPass[0] = 0;
  m_DefXferDir[0] = m_ShowHiddenCmd[0] = m_RemoteFileMask[0] = m_IndexFileList[0] = 0;
  m_ParamsKeyPath[0] = 0;
  COMMON_InitParams(nullptr);
}

vqCommonParams::~vqCommonParams() {
  // Plain passwords do not outlive the object in freed memory.
  memset(m_FirewallPass, 0, sizeof(m_FirewallPass));
}

void vqCommonParams::_copy(char* dst, unsigned size, const char* src) {
  if (!dst || size == 0) return;
  if (!src) src = "";
  size_t len = strnlen(src, size - 1);
  memmove(dst, src, len);
  dst[len] = 0;
}

void vqCommonParams::_ensureSlash(char* text, unsigned size) {
  size_t len = strlen(text);
  if (len > 0 && text[len - 1] == '\\') return;
  if (len + 1 < size) {
    text[len] = '\\';
    text[len + 1] = 0;
  }
}

void vqCommonParams::_lower(char* text) { CharLowerBuffA(text, static_cast<DWORD>(strlen(text))); }

char* vqCommonParams::GetDefaultDir(char* out, int size) {
  if (!out) return nullptr;
  VQ_TRY
    if (size <= 0) return out;
    char dir[MAX_PATH + 16] = {};
    DWORD len = GetTempPathA(MAX_PATH, dir);
    if (len == 0 || len >= MAX_PATH) {
      memset(dir, 0, sizeof(dir));
      len = GetWindowsDirectoryA(dir, MAX_PATH);
      if (len >= MAX_PATH) dir[0] = 0;
    }
    _ensureSlash(dir, sizeof(dir));
    strcat(dir, "vqCache\\");
    _lower(dir);
    _copy(out, static_cast<unsigned>(size), dir);
    return out;
  VQ_CATCH(kSource, out)
}

void vqCommonParams::COMMON_InitParams(vqCommonParams* source) {
  VQ_TRY
    if (source == this) return;
    if (source) {
      SetFirewallHost(source->GetFirewallHost());
      SetFirewallUser(source->GetFirewallUser());
      SetFirewallPass(source->GetFirewallPass());
      SetFirewallType(source->GetFirewallType());
      SetFirewallPort(source->GetFirewallPort());
      SetFirewallPasv(source->GetFirewallPasv());
      SetFirewallEnabled(source->GetFirewallEnabled());
      SetDefXferDir(source->GetDefXferDir());
      SetFileCacheType(source->GetFileCacheType());
      SetDirCacheType(source->GetDirCacheType());
      SetShowHiddenFiles(source->GetShowHiddenFiles());
      SetShowHiddenCmd(source->GetShowHiddenCmd());
      SetRemoteFileMask(source->GetRemoteFileMask());
      SetHideDotDir(source->GetHideDotDir());
      SetShowDotDotDir(source->GetShowDotDotDir());
      SetHideDotFile(source->GetHideDotFile());
      SetResolveLinks(source->GetResolveLinks());
      SetRetryCount(source->GetRetryCount());
      SetRetryWait(source->GetRetryWait());
      SetKeepAlive(source->GetKeepAlive());
      SetShowMsg(source->GetShowMsg());
      SetConnectionSaver(source->GetConnectionSaver());
      SetIndexFileList(source->GetIndexFileList());
      SetUseIndexFiles(source->GetUseIndexFiles());
      SetIndexFileSize(source->GetIndexFileSize());
      SetRBufSize(source->GetRBufSize());
      SetSBufSize(source->GetSBufSize());
      SetTimeout(source->GetTimeout());
      return;
    }
    SetFirewallHost("");
    SetFirewallUser("");
    SetFirewallPass("");
    m_FirewallType = 0;
    m_FirewallPort = 21;
    m_FirewallPasv = 0;
    m_FirewallEnabled = 0;
    GetDefaultDir(m_DefXferDir, sizeof(m_DefXferDir));
    m_FileCacheType = 0;
    m_DirCacheType = 0;
    m_ShowHiddenFiles = 0;
    SetShowHiddenCmd("-a");
    SetRemoteFileMask("");
    m_HideDotDir = 0;
    m_ShowDotDotDir = 0;
    m_HideDotFile = 0;
    m_ResolveLinks = 0;
    m_RetryCount = 10;
    m_RetryWait = 0;
    m_KeepAlive = 0;
    m_ShowMsg = 0;
    m_ConnectionSaver = 0;
    SetIndexFileList(kDefaultIndexFiles);
    m_UseIndexFiles = 0;
    m_IndexFileSize = 40;
    m_SBufSize = 4096;
    m_RBufSize = 4096;
    m_Timeout = 30;
  VQ_CATCH_VOID(kSource)
}

void vqCommonParams::_readPassword(const char* name, char* plain) {
  // Room for the marker in front of a password of full length, or it could not be read back.
  char stored[TEXT_LEN + 2];
  m_registry.RegGetStr(name, stored, sizeof(stored));
  // The cipher form may hold 0 bytes: its length counts, not the terminator.
  unsigned size = m_registry.RegGetLastSize();
  if (size > sizeof(stored)) size = sizeof(stored);
  if (size > 0 && stored[size - 1] == 0) --size;
  if (!stored[0]) size = 0;
  m_crypto.ReadStored(stored, size, VQ_STORED_COMMON_CIPHER, plain, TEXT_LEN + 1);
  memset(stored, 0, sizeof(stored));
}

void vqCommonParams::_storedPassword(const char* plain, char* stored) {
  memset(stored, 0, TEXT_LEN + 2);
  if (strnlen(plain, TEXT_LEN) == 0) return;
  m_crypto.StoreScrambled(plain, stored, TEXT_LEN + 2);
}

int vqCommonParams::_loadparams(const char* keyPath, HKEY root) {
  if (!m_registry.RegOpenRead(root, keyPath)) return 0;
  m_registry.RegGetStr("FirewallHost", m_FirewallHost, sizeof(m_FirewallHost));
  m_registry.RegGetStr("FirewallUser", m_FirewallUser, sizeof(m_FirewallUser));
  _readPassword("FirewallPass", m_FirewallPass);
  m_registry.RegGetStr("DefXferDir", m_DefXferDir, sizeof(m_DefXferDir));
  if (!m_DefXferDir[0]) GetDefaultDir(m_DefXferDir, sizeof(m_DefXferDir));
  _ensureSlash(m_DefXferDir, sizeof(m_DefXferDir));
  _lower(m_DefXferDir);

  m_registry.RegGetStr("ShowHiddenCmd", m_ShowHiddenCmd, sizeof(m_ShowHiddenCmd));
  m_registry.RegGetStr("RemoteFileMask", m_RemoteFileMask, sizeof(m_RemoteFileMask));
  m_registry.RegGetStr("IndexFiles", m_IndexFileList, sizeof(m_IndexFileList));
  m_registry.RegGetNum("FirewallType", m_FirewallType);
  m_registry.RegGetNum("FirewallPort", m_FirewallPort);
  m_registry.RegGetNum("PasvMode", m_FirewallPasv);
  m_registry.RegGetNum("UseFirewall", m_FirewallEnabled);
  m_registry.RegGetNum("ShowHidden", m_ShowHiddenFiles);
  m_registry.RegGetNum("HideDotFile", m_HideDotFile);
  m_registry.RegGetNum("HideDotDir", m_HideDotDir);
  m_registry.RegGetNum("ShowDotDotDir", m_ShowDotDotDir);
  m_registry.RegGetNum("ResolveLinks", m_ResolveLinks);
  m_registry.RegGetNum("RetryCount", m_RetryCount);
  m_registry.RegGetNum("RetryWait", m_RetryWait);
  m_registry.RegGetNum("KeepAlive", m_KeepAlive);
  m_registry.RegGetNum("ShowMsg", m_ShowMsg);
  m_registry.RegGetNum("ConnectionSaver", m_ConnectionSaver);
  m_registry.RegGetNum("UseIndexFiles", m_UseIndexFiles);
  m_registry.RegGetNum("RBufSize", m_RBufSize);
  m_registry.RegGetNum("SBufSize", m_SBufSize);
  m_registry.RegGetNum("IndexFileSize", m_IndexFileSize);
  m_registry.RegGetNum("Timeout", m_Timeout);
  m_registry.RegGetNum("FileCacheType", m_FileCacheType);
  m_registry.RegGetNum("DirCacheType", m_DirCacheType);

  if (m_RetryCount > 256) m_RetryCount = 10;
  if (m_RetryWait > 3600) m_RetryWait = 0;
  if (m_KeepAlive > 10) m_KeepAlive = 2;
  if (outside(m_SBufSize, 32, 16384)) m_SBufSize = 4096;
  if (outside(m_RBufSize, 32, 16384)) m_RBufSize = 4096;
  if (outside(m_Timeout, 5, 600)) m_Timeout = 30;

  m_registry.RegClose();
  return 1;
}

int vqCommonParams::COMMON_LoadParams() {
  VQ_TRY
    int result = _loadparams(VQ_SETTINGS_KEY);
    // An owner without a key of its own has only the global values (an empty path would be the
    // root of HKEY_CURRENT_USER).
    if (m_ParamsKeyPath[0] && lstrcmpiA(m_ParamsKeyPath, VQ_SETTINGS_KEY) != 0) result = _loadparams(m_ParamsKeyPath);
    return result;
  VQ_CATCH(kSource, 0)
}

int vqCommonParams::COMMON_SaveParams() {
  VQ_TRY
    if (!m_ParamsKeyPath[0]) return 0;
    if (!m_registry.RegOpenWrite(HKEY_CURRENT_USER, m_ParamsKeyPath)) return 0;
    char stored[TEXT_LEN + 2];
    _storedPassword(m_FirewallPass, stored);

    if (outside(m_SBufSize, 32, 16384)) m_SBufSize = 4096;
    if (outside(m_RBufSize, 32, 16384)) m_RBufSize = 4096;
    if (outside(m_Timeout, 5, 600)) m_Timeout = 30;
    if (!m_DefXferDir[0]) GetDefaultDir(m_DefXferDir, sizeof(m_DefXferDir));
    _ensureSlash(m_DefXferDir, sizeof(m_DefXferDir));
    _lower(m_DefXferDir);

    vqRegistry& r = m_registry;
    r.RegPutStr("FirewallHost", m_FirewallHost);
    r.RegPutStr("FirewallUser", m_FirewallUser);
    r.RegPutStr("FirewallPass", stored);
    r.RegPutStr("DefXferDir", m_DefXferDir);
    r.RegPutStr("ShowHiddenCmd", m_ShowHiddenCmd);
    r.RegPutStr("RemoteFileMask", m_RemoteFileMask);
    r.RegPutStr("IndexFiles", m_IndexFileList);
    r.RegPutNum("FirewallType", m_FirewallType);
    r.RegPutNum("FirewallPort", m_FirewallPort);
    r.RegPutNum("PasvMode", static_cast<unsigned long>(m_FirewallPasv));
    r.RegPutNum("UseFirewall", static_cast<unsigned long>(m_FirewallEnabled));
    r.RegPutNum("ShowHidden", static_cast<unsigned long>(m_ShowHiddenFiles));
    r.RegPutNum("HideDotFile", static_cast<unsigned long>(m_HideDotFile));
    r.RegPutNum("HideDotDir", static_cast<unsigned long>(m_HideDotDir));
    r.RegPutNum("ShowDotDotDir", static_cast<unsigned long>(m_ShowDotDotDir));
    r.RegPutNum("ResolveLinks", static_cast<unsigned long>(m_ResolveLinks));
    r.RegPutNum("RetryCount", m_RetryCount);
    r.RegPutNum("RetryWait", m_RetryWait);
    r.RegPutNum("KeepAlive", m_KeepAlive);
    r.RegPutNum("ShowMsg", static_cast<unsigned long>(m_ShowMsg));
    r.RegPutNum("ConnectionSaver", static_cast<unsigned long>(m_ConnectionSaver));
    r.RegPutNum("UseIndexFiles", static_cast<unsigned long>(m_UseIndexFiles));
    r.RegPutNum("RBufSize", m_RBufSize);
    r.RegPutNum("SBufSize", m_SBufSize);
    r.RegPutNum("IndexFileSize", m_IndexFileSize);
    r.RegPutNum("Timeout", m_Timeout);
    r.RegPutNum("FileCacheType", m_FileCacheType);
    r.RegPutNum("DirCacheType", m_DirCacheType);
    memset(stored, 0, sizeof(stored));
    r.RegClose();
    return 1;
  VQ_CATCH(kSource, 0)
}

void vqCommonParams::SetParamsKeyPath(const char* path) { _copy(m_ParamsKeyPath, sizeof(m_ParamsKeyPath), path); }
const char* vqCommonParams::GetParamsKeyPath() { return m_ParamsKeyPath; }
unsigned char vqCommonParams::GetProgId() { return m_ProgId; }

#define VQ_TEXT_ACCESS(Name)                                   \
  const char* vqCommonParams::Get##Name() { return m_##Name; } \
  void vqCommonParams::Set##Name(const char* text) { _copy(m_##Name, sizeof(m_##Name), text); }
#define VQ_VALUE_ACCESS(Name, Type)                     \
  Type vqCommonParams::Get##Name() { return m_##Name; } \
  void vqCommonParams::Set##Name(Type value) { m_##Name = value; }

VQ_TEXT_ACCESS(FirewallHost)
VQ_TEXT_ACCESS(FirewallUser)
VQ_TEXT_ACCESS(FirewallPass)
VQ_TEXT_ACCESS(DefXferDir)
VQ_TEXT_ACCESS(ShowHiddenCmd)
VQ_TEXT_ACCESS(RemoteFileMask)
VQ_TEXT_ACCESS(IndexFileList)
VQ_VALUE_ACCESS(FirewallType, unsigned)
VQ_VALUE_ACCESS(FirewallPort, unsigned short)
VQ_VALUE_ACCESS(FirewallPasv, int)
VQ_VALUE_ACCESS(FirewallEnabled, int)
VQ_VALUE_ACCESS(FileCacheType, unsigned)
VQ_VALUE_ACCESS(DirCacheType, unsigned)
VQ_VALUE_ACCESS(ShowHiddenFiles, int)
VQ_VALUE_ACCESS(HideDotDir, int)
VQ_VALUE_ACCESS(ShowDotDotDir, int)
VQ_VALUE_ACCESS(HideDotFile, int)
VQ_VALUE_ACCESS(ResolveLinks, int)
VQ_VALUE_ACCESS(RetryCount, unsigned)
VQ_VALUE_ACCESS(RetryWait, unsigned)
VQ_VALUE_ACCESS(KeepAlive, unsigned)
VQ_VALUE_ACCESS(ShowMsg, int)
VQ_VALUE_ACCESS(ConnectionSaver, int)
VQ_VALUE_ACCESS(UseIndexFiles, int)
VQ_VALUE_ACCESS(IndexFileSize, unsigned)
VQ_VALUE_ACCESS(RBufSize, unsigned)
VQ_VALUE_ACCESS(SBufSize, unsigned)
VQ_VALUE_ACCESS(Timeout, unsigned)
