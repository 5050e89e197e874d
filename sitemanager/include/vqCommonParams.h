// Connection, firewall, listing and transfer settings shared by every site. The copy under the
// Settings key is the default for all sites; each site key holds its own full copy.
#pragma once
#include "vqCrypto.h"
#include "vqRegistry.h"
#include "vqSMgrApi.h"

// The product's registry root and its global settings key (HKEY_CURRENT_USER).
#define VQ_PRODUCT_KEY "SoftWare\\Quillon\\Farhollow"
#define VQ_SETTINGS_KEY "SoftWare\\Quillon\\Farhollow\\Settings"

class VQSMGR_API vqCommonParams {
 public:
  enum { TEXT_LEN = 256, DIR_LEN = 512 };

  explicit vqCommonParams(unsigned char progId);
  virtual ~vqCommonParams();
  vqCommonParams(const vqCommonParams&) = delete;
  vqCommonParams& operator=(const vqCommonParams&) = delete;

  void COMMON_InitParams(vqCommonParams* source = nullptr);
  int COMMON_LoadParams();
  int COMMON_SaveParams();
  char* GetDefaultDir(char* out, int size);

  void SetParamsKeyPath(const char* path);
  const char* GetParamsKeyPath();
  unsigned char GetProgId();

  const char* GetFirewallHost();
  void SetFirewallHost(const char* text);
  const char* GetFirewallUser();
  void SetFirewallUser(const char* text);
  const char* GetFirewallPass();
  void SetFirewallPass(const char* text);
  unsigned GetFirewallType();
  void SetFirewallType(unsigned type);
  unsigned short GetFirewallPort();
  void SetFirewallPort(unsigned short port);
  int GetFirewallPasv();
  void SetFirewallPasv(int on);
  int GetFirewallEnabled();
  void SetFirewallEnabled(int on);
  const char* GetDefXferDir();
  void SetDefXferDir(const char* text);
  unsigned GetFileCacheType();
  void SetFileCacheType(unsigned type);
  unsigned GetDirCacheType();
  void SetDirCacheType(unsigned type);
  int GetShowHiddenFiles();
  void SetShowHiddenFiles(int on);
  const char* GetShowHiddenCmd();
  void SetShowHiddenCmd(const char* text);
  const char* GetRemoteFileMask();
  void SetRemoteFileMask(const char* text);
  int GetHideDotDir();
  void SetHideDotDir(int on);
  int GetShowDotDotDir();
  void SetShowDotDotDir(int on);
  int GetHideDotFile();
  void SetHideDotFile(int on);
  int GetResolveLinks();
  void SetResolveLinks(int on);
  unsigned GetRetryCount();
  void SetRetryCount(unsigned n);
  unsigned GetRetryWait();
  void SetRetryWait(unsigned seconds);
  unsigned GetKeepAlive();
  void SetKeepAlive(unsigned minutes);
  int GetShowMsg();
  void SetShowMsg(int on);
  int GetConnectionSaver();
  void SetConnectionSaver(int on);
  const char* GetIndexFileList();
  void SetIndexFileList(const char* text);
  int GetUseIndexFiles();
  void SetUseIndexFiles(int on);
  unsigned GetIndexFileSize();
  void SetIndexFileSize(unsigned kilobytes);
  unsigned GetRBufSize();
  void SetRBufSize(unsigned bytes);
  unsigned GetSBufSize();
  void SetSBufSize(unsigned bytes);
  unsigned GetTimeout();
  void SetTimeout(unsigned seconds);

 protected:
  int _loadparams(const char* keyPath, HKEY root = HKEY_CURRENT_USER);
  // Bounded text helpers shared with the derived parameter classes.
  static void _copy(char* dst, unsigned size, const char* src);
  static void _ensureSlash(char* text, unsigned size);
  static void _lower(char* text);
  // Reads a stored password value (0x80, 0x7F or plain form) into `plain` (TEXT_LEN + 1 bytes).
  void _readPassword(const char* name, char* plain);
  // The stored form of a password: empty, or 0x7F and the scrambled text.
  void _storedPassword(const char* plain, char* stored);

  char m_FirewallHost[TEXT_LEN + 1];
  char m_FirewallUser[TEXT_LEN + 1];
  char m_FirewallPass[TEXT_LEN + 1];
  unsigned m_FirewallType;
  unsigned short m_FirewallPort;
  int m_FirewallPasv;
  int m_FirewallEnabled;
  char m_DefXferDir[DIR_LEN + 1];
  unsigned m_FileCacheType;
  unsigned m_DirCacheType;
  int m_ShowHiddenFiles;
  char m_ShowHiddenCmd[TEXT_LEN + 1];
  char m_RemoteFileMask[TEXT_LEN + 1];
  int m_HideDotDir;
  int m_ShowDotDotDir;
  int m_HideDotFile;
  int m_ResolveLinks;
  unsigned m_RetryCount;
  unsigned m_RetryWait;
  unsigned m_KeepAlive;
  int m_ShowMsg;
  int m_ConnectionSaver;
  char m_IndexFileList[TEXT_LEN + 1];
  int m_UseIndexFiles;
  unsigned m_IndexFileSize;
  unsigned m_SBufSize;
  unsigned m_RBufSize;
  unsigned m_Timeout;
  char m_ParamsKeyPath[TEXT_LEN + 1];
  unsigned char m_ProgId;
  vqRegistry m_registry;
  vqCrypto m_crypto;
};
