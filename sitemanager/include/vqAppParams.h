// Settings of the product as a whole, kept under the Settings key beside the global common part.
#pragma once
#include <windows.h>

#include <prsht.h>

#include "vqCommonParams.h"

class dlgSmAppParams;

class VQSMGR_API vqAppParams : public vqCommonParams {
 public:
  explicit vqAppParams(unsigned char progId);
  ~vqAppParams() override;

  int APP_InitParams();
  int APP_LoadParams();
  int APP_SaveParams();
  const char* GetTargetDir(unsigned progId);
  // The application settings sheet, modal; returns 0.
  int APP_Properties(unsigned char progId, HWND parent);
  // Hands the settings sheet's pages to another program's property sheet through `add`; the
  // pages are made once and live as long as this object. Returns 1.
  int SHELL_AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount, unsigned progId);

  const char* GetEMailAddress();
  void SetEMailAddress(const char* text);
  unsigned GetTransferMode();
  void SetTransferMode(unsigned mode);
  const char* GetAutoModeFiles();
  void SetAutoModeFiles(const char* text);
  int GetPreserveDate();
  void SetPreserveDate(int on);
  unsigned GetConvertCase();
  void SetConvertCase(unsigned mode);
  const char* GetFH32LogfileName();
  void SetFH32LogfileName(const char* text);
  int GetFH32LogfileEnabled();
  void SetFH32LogfileEnabled(int on);
  const char* GetZMPLogfileName();
  void SetZMPLogfileName(const char* text);
  int GetZMPLogfileEnabled();
  void SetZMPLogfileEnabled(int on);
  const char* GetVXDLogfileName();
  void SetVXDLogfileName(const char* text);
  int GetVXDLogfileEnabled();
  void SetVXDLogfileEnabled(int on);
  unsigned GetCacheSize();
  void SetCacheSize(unsigned megabytes);
  const char* GetDefCacheDir();
  void SetDefCacheDir(const char* text);
  const char* GetZmpMonLoc();
  void SetZmpMonLoc(const char* text);
  unsigned GetDoubleClickAction();
  void SetDoubleClickAction(unsigned action);
  unsigned GetIconPlacement();
  void SetIconPlacement(unsigned place);
  int GetViewFtpLog();
  void SetViewFtpLog(int on);

 private:
  friend vqAppParams* VQSMGR_GetAppParams();
  // Every value of `other`, through the setters, so text that stays the same is never cleared.
  void _takeFrom(vqAppParams& other);
  // A log name: trimmed; empty becomes the default directory joined with `file`.
  void _logName(char* name, const char* dir, const char* file);

  dlgSmAppParams* m_pageHolder;
  char m_EMailAddress[TEXT_LEN + 1];
  unsigned m_TransferMode;
  unsigned m_ConvertCase;
  char m_AutoModeFiles[TEXT_LEN + 1];
  int m_PreserveDate;
  int m_ViewFtpLog;
  char m_FH32LogfileName[TEXT_LEN + 1];
  int m_FH32LogfileEnabled;
  char m_ZMPLogfileName[TEXT_LEN + 1];
  int m_ZMPLogfileEnabled;
  char m_VXDLogfileName[TEXT_LEN + 1];
  int m_VXDLogfileEnabled;
  char m_DefCacheDir[TEXT_LEN + 1];
  unsigned m_CacheSize;
  unsigned m_DoubleClickAction;
  unsigned m_IconPlacement;
  char m_ZmpMonLoc[TEXT_LEN + 1];
  char m_TargetDirFH32[TEXT_LEN + 1];
  char m_TargetDirZMP[TEXT_LEN + 1];
};

// The library's one instance, reloaded from the registry on each call; callers never free it.
VQSMGR_API vqAppParams* VQSMGR_GetAppParams();
