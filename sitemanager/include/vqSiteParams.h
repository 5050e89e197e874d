// One FTP site or one category of the site tree, and the store that keeps the tree in the
// registry: a list key per level ("FTP-Sites", then "FTP-Sites\<category>" and so on) holding one
// value per member (ten-digit site id = member name) and one sub-key per member.
//
// The windows opened for a site are modal and save through this class once every page is valid.
#pragma once
#include <windows.h>

#include <prsht.h>

#include "vqCommonParams.h"
#include "vqNameEncoding.h"

class dlgSmSitePages;

// The top-level site list, and the scratch list a rename passes through.
#define VQ_SITES_LIST "FTP-Sites"
#define VQ_SITES_SCRATCH "TMP-SITES"

class VQSMGR_API vqSiteParams : public vqCommonParams {
 public:
  enum { KEY_LEN = 1024 };

  explicit vqSiteParams(unsigned char progId);
  ~vqSiteParams() override;

  int SITE_InitParams(int clearName, vqCommonParams* defaults);
  int SITE_LoadParams(const char* subPath, const char* name);
  int SITE_LoadParams(const char* subPath, unsigned siteId);
  int SITE_SaveParams(const char* subPath, const char* name);
  int SITE_SaveParams();

  int ENUM_SiteEnumerate(const char* subPath);
  int ENUM_GetSiteCount();
  // Owned by this object; valid until the next enumeration, import or destruction.
  vqSiteParams* ENUM_GetSiteItem(int index);

  int SITE_Exists(const char* subPath, const char* name);
  int SITE_Copy(const char* fromSub, const char* fromName, const char* toSub, const char* toName);
  int SITE_Rename(const char* fromSub, const char* fromName, const char* toSub, const char* toName);
  int SITE_Delete(const char* subPath, const char* name);

  // Local cache of the site: listing files (".vqLS" raw, ".vqD" parsed) and copies of remote files.
  int SITE_ClearDirectoryCache(const char* folder);
  int SITE_ClearFileCache(const char* folder);
  unsigned long SITE_GetCacheUsage();
  // The site's cache directory with a trailing "\" (URL made safe for a file name); 0 if it
  // does not fit in size bytes.
  int SITE_GetCacheDir(char* out, unsigned size);

  // Sources: 0 a WS_FTP initialisation file, 1 FTP Explorer's registry profiles.
  int SITE_Import(unsigned source, const char* file);

  // The site's property sheet; 1 when OK saved it (this object then holds the saved site).
  int SITE_Properties(HWND parent);
  // The new-site wizard in this object's category; 1 when finished and saved (this object then
  // is the new site).
  int SITE_Wizard(HWND parent);
  // The site manager window; 1 unless it failed to open.
  int SITE_Manager(HWND parent);
  // The site manager choosing a site for `drive`: 1 when a site was chosen (this object then is
  // that site, its Wendal the drive, saved).
  int SITE_Manager(const char* drive, const char* url, HWND parent);
  // "Category Information" for a new category in list `subPath`; 1 when saved (this object then
  // is the category).
  int SITE_CategoryWizard(HWND parent, const char* subPath);
  // The import wizard into the category this object names; 1 when sites were imported.
  int SITE_ImportWizard(HWND parent);
  // The map-drive wizard; 1 when a drive was mapped.
  int SITE_MapDriveWizard(HWND parent);
  // Hands the site sheet's pages for site `siteId` (of this object's list) to another program's
  // property sheet through `add`; the pages live as long as this object. 1 on success.
  int SHELL_AddPages(unsigned siteId, LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount);

  // A name can become a registry key and a file name: not empty, at most 256 characters, and
  // without "\", "/", ":", "*", "?", '"', "<", ">", "|" or control characters.
  static int SITE_IsValidName(const char* name);

  const char* GetFullSitePath();
  const char* GetSiteKeyName();

  const char* GetSiteSubPath();
  void SetSiteSubPath(const char* text);
  const char* GetSiteName();
  void SetSiteName(const char* text);
  unsigned GetSiteId();
  void SetSiteId(unsigned id);
  unsigned GetHostType();
  void SetHostType(unsigned type);
  const char* GetURL();
  void SetURL(const char* text);
  unsigned short GetURLPort();
  void SetURLPort(unsigned short port);
  const char* GetUsername();
  void SetUsername(const char* text);
  const char* GetPassword();
  void SetPassword(const char* text);
  const char* GetAccount();
  void SetAccount(const char* text);
  const char* GetInitStr();
  void SetInitStr(const char* text);
  const char* GetDescription();
  void SetDescription(const char* text);
  const char* GetIRD();
  void SetIRD(const char* text);
  const char* GetCmdSYST();
  void SetCmdSYST(const char* text);
  const char* GetCmdPWD();
  void SetCmdPWD(const char* text);
  int GetIsAnonymous();
  void SetIsAnonymous(int on);
  int GetIsCategory();
  void SetIsCategory(int on);
  int GetVirtualHost();
  void SetVirtualHost(int on);
  // How the server encodes names (VQ_NAMES_*); other values read as automatic.
  int GetNameEncoding();
  void SetNameEncoding(int encoding);
  // Explicit TLS: 0 off, 1 when the server offers it, 2 required (the engine's vqTlsMode). New
  // sites start at 1; a site stored before the setting existed reads as 0, so it behaves as before.
  int GetTlsMode();
  void SetTlsMode(int mode);
  // The fingerprint of a certificate the user trusted for this site; empty when none.
  const char* GetTlsTrusted();
  void SetTlsTrusted(const char* fingerprint);
  // Machine listings (MLSD) where the server offers them; on unless turned off.
  int GetUseMLSD();
  void SetUseMLSD(int on);
  const char* GetHostDelim();
  void SetHostDelim(const char* text);
  const char* GetWendal();
  void SetWendal(const char* text);

 private:
  void _freeSites();
  void _appendSite(vqSiteParams* site);
  unsigned _site_getnextsiteid();
  int _loadSiteKey(HKEY root, const char* keyPath);
  void _readSitePassword(vqRegistry& r);
  void _storedSitePassword(char* stored, unsigned size);
  int _fullPath(char* out, unsigned size, const char* subPath, const char* name);
  int _copySite(const char* fromSub, const char* fromName, const char* toSub, const char* toName, int depth);
  void _clearCachesDeep(const char* subPath, const char* name, int depth);
  int _restoreFrom(const char* fromSub, const char* name, const char* toSub, const char* toName, int depth);
  void _recoverStranded();
  int _clearCache(const char* folder, int listings);
  int _importWsFtp(const char* file, const char* target, int depth, int* filesLeft);
  int _importFtpExplorer(const char* target);
  void _importTarget(char* out, unsigned size);

  dlgSmSitePages* m_pageHolder;
  vqSiteParams** m_sites;
  int m_siteCount;
  int m_siteCapacity;
  char m_FullSitePath[KEY_LEN];
  char m_SiteSubPath[TEXT_LEN + 1];
  char m_SiteName[TEXT_LEN + 1];
  char m_SiteKeyName[16];
  unsigned m_SiteId;
  unsigned m_HostType;
  char m_URL[TEXT_LEN + 1];
  unsigned short m_URLPort;
  char m_Username[TEXT_LEN + 1];
  char m_Password[TEXT_LEN + 1];
  char m_Account[TEXT_LEN + 1];
  char m_InitStr[TEXT_LEN + 1];
  char m_Description[TEXT_LEN + 1];
  char m_IRD[TEXT_LEN + 1];
  char m_CmdSYST[TEXT_LEN + 1];
  char m_CmdPWD[TEXT_LEN + 1];
  int m_IsAnonymous;
  int m_IsCategory;
  int m_VirtualHost;
  int m_NameEncoding;
  int m_TlsMode;
  char m_TlsTrusted[100];
  int m_UseMLSD;
  char m_HostDelim[TEXT_LEN + 1];
  char m_Wendal[TEXT_LEN + 1];
};
