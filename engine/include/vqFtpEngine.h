// One FTP client session: the settings of one site, the control connection, the login (direct or
// through a firewall scheme), the commands and transfers, and one callback that reports every
// command, reply line, status and progress step and through which the caller can cancel.
//
// Every operation blocks the calling thread while keeping its window messages flowing (through
// VQ_Wait, which leaves the thread's own messages queued). An engine is used on the thread that
// created it: its hidden timer window lives there. It is reference counted so that its connecting
// thread can outlive a caller that gave up; it cannot be copied (it owns its connections).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "vqEngineApi.h"
#include "vqHostType.h"
#include "vqSockNotification.h"
#include "vqTimerWnd.h"

class vqFtpSocket;
class vqFtpEngine;
class vqTlsChannel;
class vqTlsCredentials;
struct vqConnectBlock;
struct vqFtpFeatures;

// Notification codes.
enum {
  VQNOTIFY_COMMAND = 1000,  // a command is about to be sent
  VQNOTIFY_LOG = 1001,      // one line of the session log
  VQNOTIFY_RECEIVE = 1002,  // download, listing or site-to-site progress
  VQNOTIFY_SEND = 1003,     // upload progress
  VQNOTIFY_STATUS = 1005,   // status text for a progress window
  VQNOTIFY_RETRY = 1006,    // an attempt failed and another follows
  VQNOTIFY_ATTEMPT = 1007,  // an attempt begins
};

// Firewall login schemes.
enum _vq_fwtype_ : unsigned int {
  VQ_FW_USERWITHLOGIN = 0,
  VQ_FW_USERNOLOGIN = 1,
  VQ_FW_OPEN = 2,
  VQ_FW_SITE = 3,
  VQ_FW_RAPTOR = 4,
  VQ_FW_WINGATE = 5,
  VQ_FW_CHECKPOINT = 6,
  VQ_FW_WINPROXY = 7,
  VQ_FW_RIDEWAY = 8,
  VQ_FW_SIDEWINDER = 9,
};

// Explicit FTP over TLS (AUTH TLS after the greeting, then PBSZ 0 and PROT P): not at all, when
// the server offers it, or required (the session then ends before the login when it cannot be had).
enum vqTlsMode { VQ_TLS_OFF = 0, VQ_TLS_WHEN_OFFERED = 1, VQ_TLS_REQUIRED = 2 };

typedef unsigned long (*VQFTP_CALLBACK)(_sock_notification_* note, void* user1, void* user2);

// The engine's questions to the user. The default shows the login and initial-directory dialogs;
// tests and unattended runs install their own answers. Each returns IDOK or IDCANCEL.
struct vqFtpLoginRequest {
  const char* host;  // shown as the title
  char user[256];
  char password[256];
  char account[256];
  int save;  // the "save this information" choice
};
typedef int (*VQFTP_LOGIN_PROMPT)(vqFtpLoginRequest* request, void* context);
// dir holds the failed directory on entry and the chosen one on IDOK (dirSize bytes).
typedef int (*VQFTP_IRD_PROMPT)(vqFtpEngine* engine, char* dir, size_t dirSize, void* context);
VQENGINE_API void VQENG_SetPrompts(VQFTP_LOGIN_PROMPT login, VQFTP_IRD_PROMPT ird, void* context);

class VQENGINE_API vqFtpEngine : private vqTimerSink {
 public:
  vqFtpEngine();
  ~vqFtpEngine() override;
  vqFtpEngine(const vqFtpEngine&) = delete;
  vqFtpEngine& operator=(const vqFtpEngine&) = delete;

  void AddRef();
  void Release();

  // Settings.
  const char* GetURL() const;
  void SetURL(const char* url);
  const char* GetUsername() const { return m_username.c_str(); }
  void SetUsername(const char* v) { m_username = v ? v : ""; }
  const char* GetPassword() const { return m_password.c_str(); }
  void SetPassword(const char* v) { m_password = v ? v : ""; }
  const char* GetAccount() const { return m_account.c_str(); }
  void SetAccount(const char* v) { m_account = v ? v : ""; }
  unsigned int GetPort() const { return m_portNum; }
  void SetPort(unsigned int v) { m_portNum = v; }
  const char* GetIRD() const { return m_ird.c_str(); }
  void SetIRD(const char* v) { m_ird = v ? v : ""; }
  const char* GetInitStr() const { return m_initStr.c_str(); }
  void SetInitStr(const char* v) { m_initStr = v ? v : ""; }
  _VQ_HOSTTYPE GetHostType() const { return m_hostType; }
  void SetHostType(_VQ_HOSTTYPE v) { m_hostType = v; }
  int GetIsVirtualHost() const { return m_isVirtualHost; }
  void SetIsVirtualHost(int v) { m_isVirtualHost = v; }
  const char* GetFirewallHost() const { return m_fwHost.c_str(); }
  void SetFirewallHost(const char* v) { m_fwHost = v ? v : ""; }
  const char* GetFirewallUser() const { return m_fwUser.c_str(); }
  void SetFirewallUser(const char* v) { m_fwUser = v ? v : ""; }
  const char* GetFirewallPass() const { return m_fwPass.c_str(); }
  void SetFirewallPass(const char* v) { m_fwPass = v ? v : ""; }
  unsigned int GetFirewallPort() const { return m_fwPort; }
  void SetFirewallPort(unsigned int v) { m_fwPort = v; }
  _vq_fwtype_ GetFirewallType() const { return m_fwType; }
  void SetFirewallType(_vq_fwtype_ v) { m_fwType = v; }
  int GetFirewallPassive() const { return m_fwPassive; }
  void SetFirewallPassive(int v) { m_fwPassive = v; }
  int GetFirewallEnabled() const { return m_fwEnabled; }
  void SetFirewallEnabled(int v) { m_fwEnabled = v; }
  unsigned int GetRetryWait() const { return m_retryWait; }
  void SetRetryWait(unsigned int v) { m_retryWait = v; }
  unsigned int GetRetryCount() const { return m_retryCount; }
  void SetRetryCount(unsigned int v) { m_retryCount = v; }
  unsigned int GetRBufSize() const { return m_rBufSize; }
  void SetRBufSize(unsigned int v) { m_rBufSize = v; }
  unsigned int GetSBufSize() const { return m_sBufSize; }
  void SetSBufSize(unsigned int v) { m_sBufSize = v; }
  unsigned int GetKeepAlive() const { return m_keepAlive; }
  void SetKeepAlive(unsigned int v) { m_keepAlive = v; }
  // Machine listings (MLSD) where the server offers them; 1 by default. 0 lists with LIST always.
  int GetUseMLSD() const { return m_useMlsd; }
  void SetUseMLSD(int v) { m_useMlsd = v ? 1 : 0; }
  int GetTlsMode() const { return m_tlsMode; }
  void SetTlsMode(int v) { m_tlsMode = v == VQ_TLS_WHEN_OFFERED || v == VQ_TLS_REQUIRED ? v : VQ_TLS_OFF; }
  // The SHA-256 fingerprint ("AB:CD:...") of a certificate the user trusted for this site although
  // the system does not; a server showing it is not asked about again.
  const char* GetTlsTrusted() const { return m_tlsTrusted.c_str(); }
  void SetTlsTrusted(const char* v) { m_tlsTrusted = v ? v : ""; }
  // 1 when the last connect trusted a certificate on the user's word that GetTlsTrusted did not
  // hold before: the caller stores the new fingerprint with the site.
  int GetTlsTrustedIsNew() const { return m_tlsTrustedNew; }
  void SetAsciiList(const char* v) { m_asciiList = v ? v : ""; }
  void SetTimeout(unsigned int seconds);
  unsigned int GetTimeout() const { return m_timeout / 1000; }
  const char* GetHostDelimStr() const { return m_hostDelim.c_str(); }
  const char* GetHostDelim() const { return m_hostDelim.c_str(); }
  void SetHostDelimStr(const char* v) { m_hostDelim = v ? v : ""; }
  char GetHostDelimChar() const { return m_hostDelim.empty() ? 0 : m_hostDelim[0]; }
  void SetHostDelimChar(char c) { m_hostDelim = std::string(1, c); }

  // Results of a connect.
  const char* GetHostSysDir() const { return m_hostSysDir.c_str(); }
  const char* GetHostSysType() const { return m_hostSysType.c_str(); }
  const char* GetWelcomeMsg() const { return m_welcomeMsg.c_str(); }
  const char* GetConnectMsg() const { return m_connectMsg.c_str(); }
  int GetStoreInfo() const { return m_storeInfo; }
  int GetStoreFWInfo() const { return m_storeFWInfo; }
  unsigned long GetLastRetCode() const;
  const char* GetLastCommand() const { return m_lastCommand.c_str(); }
  const char* GetLastReply() const { return m_lastReply.c_str(); }
  int GetLastReplyCode() const { return m_lastReplyCode; }

  unsigned long FTP_SetupFW(const char* host, const char* user, const char* password, unsigned int port,
                            _vq_fwtype_ type, int passive, int enabled);
  void SetCallback(VQFTP_CALLBACK callback, void* user1, void* user2);
  unsigned long PollCallback();

  // Session.
  unsigned long FTP_Connect();
  unsigned long FTP_Disconnect();
  int FTP_IsOpen();
  unsigned long FTP_SendCmd(const char* command, int urgent);
  unsigned long FTP_CWD(const char* path);
  unsigned long FTP_CDUP();
  // size: the characters buffer holds besides its terminator (buffer has size + 1 bytes); on
  // return, the length of the directory.
  unsigned long FTP_PWD(char* buffer, unsigned int& size);

  // Commands and transfers.
  unsigned long FTP_MKD(const char* path);
  unsigned long FTP_RMD(const char* path);
  unsigned long FTP_DELE(const char* path);
  unsigned long FTP_REN(const char* from, const char* to);
  unsigned long FTP_LIST(const char* localFile, const char* directory, const char* mask, const char* switches);
  unsigned long FTP_NLST(const char* localFile, const char* directory, const char* mask, const char* switches);
  unsigned long FTP_Exists(const char* directory, const char* name, int& exists);
  unsigned long FTP_CANCEL();
  unsigned long FTP_GetFile(const char* remote, const char* localFile, unsigned int mode, unsigned long size,
                            int resume);
  unsigned long FTP_PutFile(const char* remote, const char* localFile, unsigned int mode);
  // Uploads beside the target under a temporary name and renames it over the target once whole,
  // so an upload cut short (a killed process, a dropped connection) leaves the old file or the
  // whole new one, never a part. Where the server refuses the temporary name or the rename, the
  // upload goes straight to the target as FTP_PutFile does.
  unsigned long FTP_PutFileWhole(const char* remote, const char* localFile, unsigned int mode);
  unsigned long FTP_STS(vqFtpEngine* destination, const char* sourcePath, const char* destinationPath, int throughLocal,
                        unsigned long size);

  // What the server offers (FEAT, asked once per connection when first needed, a refusal costing
  // nothing). 1 when FEAT listed UTF8 (the engine then sent OPTS UTF8 ON), else 0.
  int FTP_ServerSaysUtf8();
  // The features this session uses, for the log and the property pages: "MLSD, EPSV, UTF8"; empty
  // when none (a server without FEAT is spoken to as ever).
  const char* FTP_FeaturesInUse();
  // "TLS 1.3" while the control connection is protected, else empty; data connections are
  // protected too when FTP_DataProtected says 1.
  const char* FTP_TlsInUse() const { return m_tlsInUse.c_str(); }
  int FTP_DataProtected() const { return m_protectData; }
  // The modification time of a remote file from MDTM, as local time (the server sends UTC). 0 on
  // success; VQFTP_LIST_FAILED when the server does not offer MDTM or its answer is unusable; a
  // server's refusal passes through.
  unsigned long FTP_MDTM(const char* path, FILETIME* localTime);
  // The same for many files of the current folder at once: the commands go out together and the
  // replies are read in order, one round trip for a group instead of one per file. results[i] is
  // what FTP_MDTM would return for paths[i]. 0 when the replies came in step (whatever each said);
  // otherwise every result not yet read is that failure.
  unsigned long FTP_MDTMMany(const char* const* paths, unsigned count, FILETIME* localTimes, unsigned long* results);

  // Text of a result code with the last command and reply; valid until the next call.
  const char* FTP_ErrorString(unsigned long code);
  unsigned long FTP_DoErrorDlg(unsigned long code, HWND parent, const char* prefix);

  // Timer ticks of the hidden window.
  void _onTimer(UINT_PTR id);
  // The hidden window that carries the poll and keep-alive timers (on the creating thread).
  HWND GetTimerWindow() const { return m_timer.GetHwnd(); }

 protected:
  // Records WSAGetLastError and its text in the notification.
  void _sock_setwinsockerror();
  // Stores code as the last result with its text; returns code.
  unsigned long _SET_RESPONSE(unsigned long code);

  std::string m_url;
  std::string m_lastCommand;  // without its line end, unmasked
  std::string m_lastReply;    // all lines of the last reply, joined with CR LF
  bool m_hungUp = false;      // the server ended the session around the last command (it is closed)
  std::string m_resultText;
  _sock_notification_ m_notify;

 private:
  friend DWORD WINAPI _vqFtpConnectThread(LPVOID);

  unsigned long _sock_sendcmd(const char* format, ...);
  unsigned long _sock_sendnowait(const char* format, ...);
  unsigned long _sock_send(const char* text, int readReply);
  void _announce(const std::string& bare);
  unsigned long _sock_getresponse();
  int _ws_getresponse(vqFtpSocket* connection);
  int _waitForReplyBytes(vqFtpSocket* connection, DWORD deadline);
  unsigned long _replyResult(int code);
  bool _drainPending();
  void _hangUp(vqFtpSocket* connection);
  static bool _stopWaiting(void* engine);
  void _sock_dumpmessage(int notify, const char* format, ...);
  int _sock_docallback(_sock_notification_* record);
  static int _sock_recvcallback(long bytes, void* engine, void* ignored);
  unsigned long _sock_login(const char* user, const char* password, const char* account, int ignored);
  unsigned long _sock_getlogininfo(int firewall);
  unsigned long _sock_loginfirewall();
  unsigned long _sock_getsystemtype();
  void _addOldSocket(vqFtpSocket* connection);
  void _abandonControl();
  void _signalConnect();
  void _notify(int type);
  void _status(const char* text);
  unsigned long _waitConnect(vqConnectBlock* block);
  void _armKeepAlive();
  void _stopKeepAlive();

  // Transfers.
  unsigned long _sock_pasv(sockaddr_in* address);
  unsigned long _sock_abort();
  int _sock_isasciifile(const char* name);
  int _sock_getfilesize(const char* path, unsigned long* low, unsigned long* high);
  unsigned long _setType(unsigned int mode, const char* localName);
  unsigned long _openActive();
  unsigned long _connectPassive(const sockaddr_in& address);
  void _closeData();
  unsigned long _setup_fxp(vqFtpEngine* passiveSide, vqFtpEngine* portSide);
  unsigned long _fxp_old(vqFtpEngine* destination, const char* sourcePath, const char* destinationPath,
                         unsigned long size);
  unsigned long _refuseLineBreak(const char* text);
  int _tempFile(char* out, size_t size);
  unsigned long _abortTransfer(bool commandSent);
  int _sendUrgent(const char* command);
  bool _inStep(DWORD withinMs, int replies = 8);
  void _backInStep(int pendingReplies);
  unsigned long _mdtmTime(FILETIME* localTime);
  unsigned long _list(const char* verb, const char* localFile, const char* directory, const char* mask,
                      const char* switches);
  // FEAT on this connection, once; OPTS UTF8 ON when offered.
  void _askFeatures();
  void _noteFeaturesInUse(bool always = false);
  void _forgetFeatures();
  // The passive data connection: EPSV where offered (or on IPv6), PASV otherwise or when refused.
  unsigned long _openPassive();
  unsigned long _connectPassiveTo(const char* address, unsigned int port);
  // TLS: on the control connection after the greeting, its certificate, and each data connection.
  unsigned long _startTls(const char* host);
  unsigned long _checkCertificate(vqTlsChannel* channel, const char* host);
  unsigned long _secureData();

  void OnTick(UINT_PTR id) override { _onTimer(id); }

  volatile unsigned int m_cancel;
  volatile LONG m_refs;
  std::string m_username, m_password, m_account;
  unsigned int m_portNum;
  std::string m_ird, m_initStr;
  _VQ_HOSTTYPE m_hostType;
  int m_isVirtualHost;
  std::string m_fwHost, m_fwUser, m_fwPass;
  unsigned int m_fwPort;
  _vq_fwtype_ m_fwType;
  int m_fwPassive;
  int m_fwEnabled;
  std::string m_hostDelim;
  unsigned int m_retryWait, m_retryCount;
  unsigned int m_rBufSize, m_sBufSize;
  unsigned int m_timeout;
  unsigned int m_keepAlive;
  bool m_keepAliveArmed = false;  // the timer runs: only then is there one to stop
  std::string m_hostSysDir, m_hostSysType, m_welcomeMsg, m_connectMsg;
  int m_storeInfo, m_storeFWInfo;
  std::string m_asciiList;
  int m_transferType;
  VQFTP_CALLBACK m_callback;
  void* m_user1;
  void* m_user2;
  vqFtpSocket* m_control;
  vqFtpSocket* m_data;
  unsigned int m_nextDataPort;
  vqFtpSocket** m_oldSockets;
  int m_oldCount;
  char m_localName[132];
  char m_localAddress[132];
  sockaddr_in m_localAddr;
  char m_remoteAddress[132];
  sockaddr_in m_remoteAddr;
  int m_lastReplyCode;
  // The running connect attempt, shared with its thread.
  vqConnectBlock* m_connectBlock;
  // FTP_CANCEL during a transfer only asks; the thread running the transfer does the abort.
  volatile LONG m_abortAsked;
  volatile LONG m_transferring;
  // Reply waits end on a cancel while connecting, and on an abort while a transfer is set up.
  int m_connecting;
  int m_setupStopsOnAbort;
  // Largest blocks of the data connection: large enough that the per-block work (a system call,
  // a status call) is small beside the copying.
  static const int VQFTP_SEND_BLOCK = 1 << 20;
  static const int VQFTP_RECEIVE_BLOCK = 1 << 20;
  // FEAT's answer on this connection, and what was refused since.
  vqFtpFeatures* m_features = nullptr;
  int m_useMlsd = 1;
  int m_mlsdRefused = 0, m_epsvRefused = 0, m_eprtRefused = 0;
  int m_oneByOne = 0;  // the server lost commands that came together: each waits for its reply
  int m_utf8On = 0;
  std::string m_featuresInUse;
  // TLS: the setting, the certificate the user trusted, one credentials handle shared by the control
  // and data connections (Schannel's session cache hangs on it), and what this session uses.
  int m_tlsMode = VQ_TLS_OFF;
  std::string m_tlsTrusted;
  int m_tlsTrustedNew = 0;
  vqTlsCredentials* m_tlsCredentials = nullptr;
  std::string m_tlsHost, m_tlsInUse, m_tlsControlPrint;
  int m_protectData = 0;
  // Where the running transfer's byte count starts (a download's restart offset).
  unsigned long long m_transferBase = 0;
  // Last, so that its window goes first when the engine is destroyed.
  vqTimerWnd m_timer;
};
