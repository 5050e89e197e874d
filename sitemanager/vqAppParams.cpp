// Application parameters. Everything lives under the Settings key; a missing key leaves the
// defaults, and out-of-range values are repaired silently on load.
#include "vqAppParams.h"

#include "dlgSmAppParams.h"

#include <stdio.h>
#include <string.h>

#include "vqCatch.h"

namespace {
const char kSource[] = "vqAppParams";
const char kDefaultEMail[] = "guest@example.com";
const char kDefaultAutoModeFiles[] = "|.html|.htm|.txt|.pl|";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void trim(char* text) {
  size_t start = 0;
  while (text[start] && isBlank(text[start])) ++start;
  size_t len = strlen(text + start);
  while (len > 0 && isBlank(text[start + len - 1])) --len;
  memmove(text, text + start, len);
  text[len] = 0;
}

// 0 or 1, else the fallback.
int flag(int value, int fallback) { return value == 0 || value == 1 ? value : fallback; }
}  // namespace

vqAppParams::vqAppParams(unsigned char progId) : vqCommonParams(progId), m_pageHolder(nullptr) {
  m_EMailAddress[0] = m_AutoModeFiles[0] = m_FH32LogfileName[0] = m_ZMPLogfileName[0] = 0;
  m_VXDLogfileName[0] = m_DefCacheDir[0] = m_ZmpMonLoc[0] = 0;
  m_TargetDirFH32[0] = m_TargetDirZMP[0] = 0;
  SetParamsKeyPath(VQ_SETTINGS_KEY);
  APP_InitParams();
}

vqAppParams::~vqAppParams() { delete m_pageHolder; }

void vqAppParams::_logName(char* name, const char* dir, const char* file) {
  trim(name);
  if (!name[0]) snprintf(name, TEXT_LEN + 1, "%s\\%s", dir, file);
}

int vqAppParams::APP_InitParams() {
  VQ_TRY
    COMMON_InitParams(nullptr);
    char dir[TEXT_LEN + 1];
    GetDefaultDir(dir, sizeof(dir));
    char base[TEXT_LEN + 1];
    _copy(base, sizeof(base), dir);
    size_t len = strlen(base);
    if (len && base[len - 1] == '\\') base[len - 1] = 0;

    SetEMailAddress(kDefaultEMail);
    m_TransferMode = 1;
    m_ConvertCase = 0;
    SetAutoModeFiles(kDefaultAutoModeFiles);
    m_PreserveDate = 1;
    m_ViewFtpLog = 0;
    snprintf(m_FH32LogfileName, sizeof(m_FH32LogfileName), "%s\\%s", base, "fh32.log");
    m_FH32LogfileEnabled = 1;
    snprintf(m_ZMPLogfileName, sizeof(m_ZMPLogfileName), "%s\\%s", base, "zmp.log");
    m_ZMPLogfileEnabled = 1;
    snprintf(m_VXDLogfileName, sizeof(m_VXDLogfileName), "%s\\%s", base, "zmpvxd.log");
    m_VXDLogfileEnabled = 0;
    SetDefCacheDir(dir);
    m_CacheSize = 10;
    m_DoubleClickAction = 0;
    m_IconPlacement = 0;
    SetZmpMonLoc("");
    return 1;
  VQ_CATCH(kSource, 0)
}

int vqAppParams::APP_LoadParams() {
  char saved[TEXT_LEN + 1];
  _copy(saved, sizeof(saved), GetParamsKeyPath());
  VQ_TRY
    char dir[TEXT_LEN + 1];
    GetDefaultDir(dir, sizeof(dir));
    size_t len = strlen(dir);
    if (len && dir[len - 1] == '\\') dir[len - 1] = 0;

    APP_InitParams();
    SetParamsKeyPath(VQ_SETTINGS_KEY);
    int result = COMMON_LoadParams();

    vqRegistry& r = m_registry;
    if (r.RegOpenRead(HKEY_CURRENT_USER, VQ_SETTINGS_KEY)) {
      r.RegGetStr("EmailAddress", m_EMailAddress, sizeof(m_EMailAddress));
      if (!m_EMailAddress[0]) SetEMailAddress(kDefaultEMail);
      r.RegGetNum("DebugLog", m_FH32LogfileEnabled);
      m_FH32LogfileEnabled = flag(m_FH32LogfileEnabled, 1);
      r.RegGetNum("DebugLog-ZMP", m_ZMPLogfileEnabled);
      m_ZMPLogfileEnabled = flag(m_ZMPLogfileEnabled, 1);
      r.RegGetNum("DebugLog-VXD", m_VXDLogfileEnabled);
      m_VXDLogfileEnabled = flag(m_VXDLogfileEnabled, 0);
      r.RegGetStr("DebugLogName", m_FH32LogfileName, sizeof(m_FH32LogfileName));
      _logName(m_FH32LogfileName, dir, "fh32.log");
      r.RegGetStr("DebugLogName-ZMP", m_ZMPLogfileName, sizeof(m_ZMPLogfileName));
      _logName(m_ZMPLogfileName, dir, "zmp.log");
      r.RegGetStr("DebugLogName-VXD", m_VXDLogfileName, sizeof(m_VXDLogfileName));
      _logName(m_VXDLogfileName, dir, "zmpvxd.log");
      r.RegGetNum("TransferMode", m_TransferMode);
      if (m_TransferMode > 2) m_TransferMode = 0;
      r.RegGetNum("ConvertCase", m_ConvertCase);
      if (m_ConvertCase > 2) m_ConvertCase = 0;
      r.RegGetStr("AutoModeFiles", m_AutoModeFiles, sizeof(m_AutoModeFiles));
      if (!m_AutoModeFiles[0]) SetAutoModeFiles(kDefaultAutoModeFiles);
      r.RegGetNum("PreserveDate", m_PreserveDate);
      r.RegGetNum("DblClkAction", m_DoubleClickAction);
      r.RegGetNum("IconPlacement", m_IconPlacement);
      if (m_IconPlacement > 3) m_IconPlacement = 0;
      r.RegGetNum("CacheSize", m_CacheSize);
      if (m_CacheSize < 5 || m_CacheSize > 4096) m_CacheSize = 10;
      r.RegGetStr("DefCacheDir", m_DefCacheDir, sizeof(m_DefCacheDir));
      if (!m_DefCacheDir[0]) GetDefaultDir(m_DefCacheDir, sizeof(m_DefCacheDir));
      _lower(m_DefCacheDir);
      r.RegGetStr("ZmpMonLoc", m_ZmpMonLoc, sizeof(m_ZmpMonLoc));
      r.RegGetStr("TargetDir-FH32", m_TargetDirFH32, sizeof(m_TargetDirFH32));
      r.RegGetStr("TargetDir-ZMP", m_TargetDirZMP, sizeof(m_TargetDirZMP));
      r.RegGetNum("FH32-ViewFtpLog", m_ViewFtpLog);
      r.RegClose();
      result = 1;
    }
    SetParamsKeyPath(saved);
    return result;
  VQ_CATCH(kSource, (SetParamsKeyPath(saved), 0))
}

int vqAppParams::APP_SaveParams() {
  VQ_TRY
    SetParamsKeyPath(VQ_SETTINGS_KEY);
    COMMON_SaveParams();
    vqRegistry& r = m_registry;
    if (!r.RegOpenWrite(HKEY_CURRENT_USER, VQ_SETTINGS_KEY)) return 1;

    if (!m_AutoModeFiles[0]) SetAutoModeFiles(kDefaultAutoModeFiles);
    if (m_CacheSize < 5 || m_CacheSize > 4096) m_CacheSize = 10;
    if (!m_DefCacheDir[0]) GetDefaultDir(m_DefCacheDir, sizeof(m_DefCacheDir));
    _ensureSlash(m_DefCacheDir, sizeof(m_DefCacheDir));
    _lower(m_DefCacheDir);

    r.RegPutStr("EmailAddress", m_EMailAddress);
    r.RegPutNum("DebugLog", static_cast<unsigned long>(m_FH32LogfileEnabled));
    r.RegPutStr("DebugLogName", m_FH32LogfileName);
    r.RegPutNum("DebugLog-ZMP", static_cast<unsigned long>(m_ZMPLogfileEnabled));
    r.RegPutStr("DebugLogName-ZMP", m_ZMPLogfileName);
    r.RegPutNum("DebugLog-VXD", static_cast<unsigned long>(m_VXDLogfileEnabled));
    r.RegPutStr("DebugLogName-VXD", m_VXDLogfileName);
    r.RegPutNum("TransferMode", m_TransferMode);
    r.RegPutNum("ConvertCase", m_ConvertCase);
    r.RegPutStr("AutoModeFiles", m_AutoModeFiles);
    r.RegPutNum("PreserveDate", static_cast<unsigned long>(m_PreserveDate));
    r.RegPutNum("CacheSize", m_CacheSize);
    r.RegPutStr("DefCacheDir", m_DefCacheDir);
    r.RegPutNum("IconPlacement", m_IconPlacement);
    r.RegPutNum("DblClkAction", m_DoubleClickAction);
    r.RegPutStr("ZmpMonLoc", m_ZmpMonLoc);
    r.RegPutStr("TargetDir-FH32", m_TargetDirFH32);
    r.RegPutStr("TargetDir-ZMP", m_TargetDirZMP);
    r.RegPutNum("FH32-ViewFtpLog", static_cast<unsigned long>(m_ViewFtpLog));
    r.RegClose();
    return 1;
  VQ_CATCH(kSource, 0)
}

void vqAppParams::_takeFrom(vqAppParams& other) {
  COMMON_InitParams(&other);
  SetEMailAddress(other.m_EMailAddress);
  m_TransferMode = other.m_TransferMode;
  m_ConvertCase = other.m_ConvertCase;
  SetAutoModeFiles(other.m_AutoModeFiles);
  m_PreserveDate = other.m_PreserveDate;
  m_ViewFtpLog = other.m_ViewFtpLog;
  SetFH32LogfileName(other.m_FH32LogfileName);
  m_FH32LogfileEnabled = other.m_FH32LogfileEnabled;
  SetZMPLogfileName(other.m_ZMPLogfileName);
  m_ZMPLogfileEnabled = other.m_ZMPLogfileEnabled;
  SetVXDLogfileName(other.m_VXDLogfileName);
  m_VXDLogfileEnabled = other.m_VXDLogfileEnabled;
  SetDefCacheDir(other.m_DefCacheDir);
  m_CacheSize = other.m_CacheSize;
  m_DoubleClickAction = other.m_DoubleClickAction;
  m_IconPlacement = other.m_IconPlacement;
  SetZmpMonLoc(other.m_ZmpMonLoc);
  _copy(m_TargetDirFH32, sizeof(m_TargetDirFH32), other.m_TargetDirFH32);
  _copy(m_TargetDirZMP, sizeof(m_TargetDirZMP), other.m_TargetDirZMP);
}

const char* vqAppParams::GetTargetDir(unsigned progId) {
  if (progId == 2) return m_TargetDirFH32;
  if (progId == 3) return m_TargetDirZMP;
  return "";
}

#define VQ_APP_TEXT(Name)                                   \
  const char* vqAppParams::Get##Name() { return m_##Name; } \
  void vqAppParams::Set##Name(const char* text) { _copy(m_##Name, sizeof(m_##Name), text); }
#define VQ_APP_VALUE(Name, Type)                     \
  Type vqAppParams::Get##Name() { return m_##Name; } \
  void vqAppParams::Set##Name(Type value) { m_##Name = value; }

VQ_APP_TEXT(EMailAddress)
VQ_APP_TEXT(AutoModeFiles)
VQ_APP_TEXT(FH32LogfileName)
VQ_APP_TEXT(ZMPLogfileName)
VQ_APP_TEXT(VXDLogfileName)
VQ_APP_TEXT(DefCacheDir)
VQ_APP_TEXT(ZmpMonLoc)
VQ_APP_VALUE(TransferMode, unsigned)
VQ_APP_VALUE(PreserveDate, int)
VQ_APP_VALUE(ConvertCase, unsigned)
VQ_APP_VALUE(FH32LogfileEnabled, int)
VQ_APP_VALUE(ZMPLogfileEnabled, int)
VQ_APP_VALUE(VXDLogfileEnabled, int)
VQ_APP_VALUE(CacheSize, unsigned)
VQ_APP_VALUE(DoubleClickAction, unsigned)
VQ_APP_VALUE(IconPlacement, unsigned)
VQ_APP_VALUE(ViewFtpLog, int)

namespace {
// Built when the library loads; its registry load waits for the first caller.
vqAppParams g_appParams(4);
// Task threads fetch the shared object at the same time. A reload goes into this second object,
// one thread at a time, and is then taken over: the shared object never passes through its
// defaults, and one registry handle is never used by two threads.
vqAppParams g_reload(4);
SRWLOCK g_reloadLock = SRWLOCK_INIT;

struct ReloadTurn {
  ReloadTurn() { AcquireSRWLockExclusive(&g_reloadLock); }
  ~ReloadTurn() { ReleaseSRWLockExclusive(&g_reloadLock); }
};
}  // namespace

vqAppParams* VQSMGR_GetAppParams() {
  ReloadTurn turn;
  g_reload.APP_LoadParams();
  g_appParams._takeFrom(g_reload);
  return &g_appParams;
}
