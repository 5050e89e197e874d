// The FTP session: settings, the control connection, replies, the callback, the connect with its
// own connecting thread and retries, the login conversations and the system type detection.
//
// A connect attempt runs its blocking socket connect on a short-lived thread that holds a
// reference on the engine; a caller that gives up (cancel, time-out) hands the connection object
// to a ring of abandoned connections instead of closing it under the thread.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include "dlgIRD.h"
#include "dlgLogin.h"
#include "vqCatch.h"
#include "vqEngineModule.h"
#include "vqResults.h"
#include "vqFtpEngine.h"
#include "vqFtpProtocol.h"
#include "vqFtpSocket.h"
#include "vqHandles.h"
#include "vqString.h"
#include "vqTlsChannel.h"
#include "vqWait.h"
#include "vqWinsock.h"

namespace {

const char kWindowClass[] = "vqFtpEngine";
const UINT_PTR kKeepAliveTimer = 1234;
const UINT_PTR kPollTimer = 1235;
const int kOldSlots = 1023;
const int kReplyCancelled = -1;
const int kReplyTooLarge = -2;
const char kGuestPassword[] = "guest@farhollow.invalid";

// Bounds of what one reply may take; a server past them is out of step for good and is dropped.
const size_t kReplyLineMax = 2048;         // characters kept of one line; the rest is read and dropped
const int kReplyLinesMax = 1000;           // lines of one multi-line reply
const size_t kReplyBytesMax = 256 * 1024;  // bytes read for one reply, stray lines included
const int kStrayLinesMax = 100;            // lines without a reply code ahead of a reply
// A reply must be complete within this many time-outs, however steadily it trickles in.
const DWORD kDeadlineTimeouts = 3;

VQFTP_LOGIN_PROMPT g_loginPrompt;
VQFTP_IRD_PROMPT g_irdPrompt;
void* g_promptContext;

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

bool equalsNoCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

// One connect attempt, shared by the engine and the connecting thread; the last holder frees it.
struct vqConnectBlock {
  volatile LONG refs;
  vqHandle event;
  vqFtpEngine* engine;
  vqFtpSocket* connection;
  unsigned int port;
  char address[132];
  unsigned int rbuf, sbuf;
  volatile LONG done;  // 1 when the thread is done, 2 when the engine gave the attempt up first
  volatile LONG result;
  volatile LONG error;

  void Release() {
    if (InterlockedDecrement(&refs) == 0) delete this;
  }
};

DWORD WINAPI _vqFtpConnectThread(LPVOID param) {
  vqConnectBlock* block = static_cast<vqConnectBlock*>(param);
  int r = block->connection->ConnectWithBuffers(block->port, block->address, block->rbuf, block->sbuf);
  block->error = r ? WSAGetLastError() : 0;
  block->result = r;
  // An attempt the engine gave up on while this thread still connected is closed here.
  if (InterlockedCompareExchange(&block->done, 1, 0) == 2) block->connection->WS_CloseConnection();
  SetEvent(block->event);
  vqFtpEngine* engine = block->engine;
  block->Release();
  engine->Release();
  return 0;
}

void VQENG_SetPrompts(VQFTP_LOGIN_PROMPT login, VQFTP_IRD_PROMPT ird, void* context) {
  g_loginPrompt = login;
  g_irdPrompt = ird;
  g_promptContext = context;
}

vqFtpEngine::vqFtpEngine()
    : m_cancel(0),
      m_refs(1),
      m_username("anonymous"),
      m_password(kGuestPassword),
      m_portNum(21),
      m_hostType(VQ_HOST_AUTO),
      m_isVirtualHost(0),
      m_fwPort(21),
      m_fwType(VQ_FW_USERWITHLOGIN),
      m_fwPassive(0),
      m_fwEnabled(0),
      m_hostDelim("/"),
      m_retryWait(0),
      m_retryCount(10),
      m_rBufSize(4096),
      m_sBufSize(4096),
      m_timeout(30000),
      m_keepAlive(0),
      m_storeInfo(0),
      m_storeFWInfo(0),
      m_transferType(-1),
      m_callback(nullptr),
      m_user1(nullptr),
      m_user2(nullptr),
      m_control(new vqFtpSocket),
      m_data(new vqFtpSocket),
      m_oldSockets(new vqFtpSocket*[kOldSlots]()),
      m_oldCount(0),
      m_lastReplyCode(0),
      m_connectBlock(nullptr),
      m_abortAsked(0),
      m_transferring(0),
      m_connecting(0),
      m_setupStopsOnAbort(0),
      m_timer(this) {
  memset(&m_notify, 0, sizeof m_notify);
  memset(m_localName, 0, sizeof m_localName);
  memset(m_localAddress, 0, sizeof m_localAddress);
  memset(&m_localAddr, 0, sizeof m_localAddr);
  memset(m_remoteAddress, 0, sizeof m_remoteAddress);
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  m_nextDataPort = (GetTickCount() % 20000) + 10000;
  if ((m_nextDataPort & 0xFFFF) > 32000) m_nextDataPort = 10000;
  SetTimeout(30);
  m_data->SetStopFlag(&m_abortAsked);
  m_data->SetTransferBlocks(VQFTP_SEND_BLOCK, VQFTP_RECEIVE_BLOCK);
  m_features = new vqFtpFeatures();
  m_timer.Create(vqEngineModule(), kWindowClass);
}

vqFtpEngine::~vqFtpEngine() {
  VQ_TRY
    if (FTP_IsOpen()) FTP_Disconnect();
    delete m_data;
    delete m_control;
    for (int i = 0; i < kOldSlots; ++i) delete m_oldSockets[i];
    delete[] m_oldSockets;
    if (m_connectBlock) m_connectBlock->Release();
    delete m_features;
    if (m_tlsCredentials) m_tlsCredentials->Release();
  VQ_CATCH_VOID("vqFtpEngine")
}

void vqFtpEngine::AddRef() { InterlockedIncrement(&m_refs); }

void vqFtpEngine::Release() {
  LONG now = InterlockedDecrement(&m_refs);
  if (now < 0) {
    InterlockedExchange(&m_refs, 0);
    return;
  }
  if (now == 0) delete this;
}

void vqFtpEngine::SetTimeout(unsigned int seconds) {
  m_timeout = seconds * 1000;
  for (vqFtpSocket* c : {m_control, m_data}) {
    c->SetSendTimeout(static_cast<int>(m_timeout));
    c->SetReceiveTimeout(static_cast<int>(m_timeout));
  }
}

unsigned long vqFtpEngine::FTP_SetupFW(const char* host, const char* user, const char* password, unsigned int port,
                                       _vq_fwtype_ type, int passive, int enabled) {
  SetFirewallHost(host);
  SetFirewallUser(user);
  SetFirewallPass(password);
  m_fwPort = port;
  m_fwType = type;
  m_fwPassive = passive;
  m_fwEnabled = enabled;
  return _SET_RESPONSE(VQFTP_OK);
}

void vqFtpEngine::SetCallback(VQFTP_CALLBACK callback, void* user1, void* user2) {
  m_callback = callback;
  m_user1 = user1;
  m_user2 = user2;
}

unsigned long vqFtpEngine::PollCallback() {
  _sock_docallback(&m_notify);
  return m_cancel;
}

int vqFtpEngine::_sock_docallback(_sock_notification_* record) {
  unsigned long r = m_callback ? m_callback(record, m_user1, m_user2) : 0;
  m_cancel = static_cast<unsigned int>(r);
  return r != 0;
}

void vqFtpEngine::_notify(int type) {
  m_notify.type = type;
  _sock_docallback(&m_notify);
}

void vqFtpEngine::_status(const char* text) {
  m_notify.type = VQNOTIFY_STATUS;
  VQSTR_Copy(m_notify.message, text, sizeof m_notify.message);
  _sock_docallback(&m_notify);
}

void vqFtpEngine::_sock_dumpmessage(int notify, const char* format, ...) {
  char* text = new char[10240];
  va_list args;
  va_start(args, format);
  vsnprintf(text, 10240, format, args);
  va_end(args);
  size_t len = strlen(text);
  if (!strchr(text, '\n') && len < 10239) {
    text[len] = '\n';
    text[len + 1] = 0;
  }
  m_notify.type = VQNOTIFY_LOG;
  memset(m_notify.message, 0, sizeof m_notify.message);
  VQSTR_Copy(m_notify.message, text, sizeof m_notify.message);
  delete[] text;
  if (notify) {
    _sock_docallback(&m_notify);
    memset(m_notify.message, 0, sizeof m_notify.message);
  }
}

// Every command stops and re-arms the timer; without a keep-alive neither call is made (each is a
// round trip to the system).
void vqFtpEngine::_stopKeepAlive() {
  if (!m_keepAliveArmed) return;
  m_timer.KillTimer(kKeepAliveTimer);
  m_keepAliveArmed = false;
}

void vqFtpEngine::_armKeepAlive() {
  if (m_keepAlive > 0) m_keepAliveArmed = m_timer.SetTimer(kKeepAliveTimer, m_keepAlive * 60000);
}

// Ends a waiting connect at once (cancel).
void vqFtpEngine::_signalConnect() {
  if (vqConnectBlock* block = m_connectBlock) SetEvent(block->event);
}

void vqFtpEngine::_onTimer(UINT_PTR id) {
  if (id == kPollTimer) {
    if (PollCallback()) _signalConnect();
  } else if (id == kKeepAliveTimer) {
    // The site only asks that the timer keeps running; no command is sent.
    _stopKeepAlive();
    if (FTP_IsOpen()) _armKeepAlive();
  }
}

// Tells the callback and the log that a command goes out (a password or account hidden), and keeps
// it as the last command for the error texts.
void vqFtpEngine::_announce(const std::string& bare) {
  _notify(VQNOTIFY_COMMAND);
  if (bare.compare(0, 5, "PASS ") == 0)
    _sock_dumpmessage(1, "PASS <hidden>\r\n");
  else if (bare.compare(0, 5, "ACCT ") == 0)
    _sock_dumpmessage(1, "ACCT <hidden>\r\n");
  else
    _sock_dumpmessage(1, "%s\r\n", bare.c_str());
  m_lastCommand = bare;
}

// Sends one command line. A text holding a line break anywhere but at its end is refused: it would
// reach the server as a second command.
unsigned long vqFtpEngine::_sock_send(const char* text, int readReply) {
  std::string line(text ? text : "");
  std::string bare = line;
  while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) bare.pop_back();
  if (VQFTP_HasLineBreak(bare.c_str())) {
    m_lastCommand = bare.substr(0, bare.find_first_of("\r\n"));
    m_lastReply = "Refused to send a command holding a line break.";
    _sock_dumpmessage(1, "Refused to send a command holding a line break: %s\n", m_lastCommand.c_str());
    return _SET_RESPONSE(VQFTP_SEND_FAILED);
  }
  if (m_connecting && m_cancel == 1) return _SET_RESPONSE(VQFTP_CANCELLED);
  m_hungUp = false;
  // Whatever came unasked (a late reply, a notice) must not answer this command.
  if (!_drainPending()) {
    m_lastCommand = bare;
    return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
  }
  _announce(bare);
  line = bare + "\r\n";
  if (readReply) _stopKeepAlive();
  int sent = m_control->WS_Send(line.c_str(), static_cast<int>(line.size()));
  if (readReply) _armKeepAlive();
  if (sent < static_cast<int>(line.size())) {
    _sock_setwinsockerror();
    m_lastReply = "Unable to SEND().";
    return _SET_RESPONSE(VQFTP_SEND_FAILED);
  }
  if (!readReply) return 0;
  return _replyResult(_ws_getresponse(m_control));
}

unsigned long vqFtpEngine::_sock_sendcmd(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = VQFTP_FormatV(format, args);
  va_end(args);
  return _sock_send(text.c_str(), 1);
}

unsigned long vqFtpEngine::_sock_sendnowait(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = VQFTP_FormatV(format, args);
  va_end(args);
  return _sock_send(text.c_str(), 0);
}

unsigned long vqFtpEngine::_sock_getresponse() { return _replyResult(_ws_getresponse(m_control)); }

// A reply code, or what _ws_getresponse says instead of one, as a result.
unsigned long vqFtpEngine::_replyResult(int code) {
  m_lastReplyCode = code > 0 ? code : 0;
  _sock_setwinsockerror();
  if (code == kReplyCancelled) return _SET_RESPONSE(VQFTP_CANCELLED);
  if (code == kReplyTooLarge) return _SET_RESPONSE(VQFTP_INTERNAL);
  if (code <= 0) return _SET_RESPONSE(VQFTP_TIMEOUT);
  if (code >= 100 && code <= 399) return _SET_RESPONSE(VQFTP_OK);
  return _SET_RESPONSE(static_cast<unsigned long>(code));
}

bool vqFtpEngine::_stopWaiting(void* engine) {
  vqFtpEngine* self = static_cast<vqFtpEngine*>(engine);
  return (self->m_connecting && self->m_cancel == 1) || (self->m_setupStopsOnAbort && self->m_abortAsked);
}

// Waits until the control connection has bytes to read: 1, 0 when none came in time (within the
// time-out and never past the deadline), kReplyCancelled.
int vqFtpEngine::_waitForReplyBytes(vqFtpSocket* connection, DWORD deadline) {
  const LONG left = static_cast<LONG>(deadline - GetTickCount());
  if (left <= 0) return 0;
  if (connection->HasBufferedInput()) return 1;
  vqWaitFor w;
  w.socket = connection->GetSocket();
  w.timeoutMs = static_cast<DWORD>(left) < m_timeout ? static_cast<DWORD>(left) : m_timeout;
  w.poll = _stopWaiting;
  w.pollContext = this;
  w.pollMs = 50;
  vqWaitResult r = VQ_Wait(w);
  if (r == VQ_WAIT_STOPPED) return kReplyCancelled;
  return r == VQ_WAIT_READY ? 1 : 0;
}

// Reads one whole reply: its code, 0 when none came in time (or the connection ended),
// kReplyCancelled, or kReplyTooLarge (the connection is then closed: it can never be in step again).
// What is read past the reply's end goes back to the connection, so a following reply stays queued
// (one read per pass, not a peek and a read: each is a round trip to the system).
int vqFtpEngine::_ws_getresponse(vqFtpSocket* connection) {
  vqFtpReplyReader reader(kReplyLineMax, kReplyLinesMax, kReplyBytesMax, kStrayLinesMax);
  const DWORD deadline = GetTickCount() + m_timeout * kDeadlineTimeouts;
  char buf[1024];
  vqFtpReplyReader::Event event = vqFtpReplyReader::kMore;
  while (event != vqFtpReplyReader::kDone && event != vqFtpReplyReader::kTooLarge) {
    int r = _waitForReplyBytes(connection, deadline);
    int peeked = r == 1 ? connection->WS_Recv(buf, sizeof buf, 0) : 0;
    if (peeked <= 0) {
      const int error = peeked < 0 ? WSAGetLastError() : 0;
      if (reader.Frame().Text()[0] || reader.Partial()[0])
        _sock_dumpmessage(1, "The reply ended before its last line.\n");
      m_lastReply = reader.Frame().Text();
      // Readable yet nothing to read: the server ended the session.
      if (r == 1 && error != WSAETIMEDOUT && error != WSAEWOULDBLOCK) {
        const std::string partial = m_lastReply;
        _hangUp(connection);
        if (!partial.empty()) m_lastReply = partial;
        WSASetLastError(error);
      }
      return r == kReplyCancelled ? kReplyCancelled : 0;
    }
    size_t taken = 0;
    while (taken < static_cast<size_t>(peeked)) {
      size_t used = 0;
      event = reader.Feed(buf + taken, static_cast<size_t>(peeked) - taken, &used);
      taken += used;
      if (event == vqFtpReplyReader::kStray)
        _sock_dumpmessage(1, "Ignored a line without a reply code: %s\n", reader.Line());
      else if (event == vqFtpReplyReader::kLine || event == vqFtpReplyReader::kDone)
        _sock_dumpmessage(1, "%s", reader.Line());
      if (event == vqFtpReplyReader::kDone || event == vqFtpReplyReader::kTooLarge) break;
    }
    if (taken < static_cast<size_t>(peeked) && !connection->Unread(buf + taken, peeked - static_cast<int>(taken))) {
      m_lastReply = reader.Frame().Text();
      return 0;
    }
  }
  if (event == vqFtpReplyReader::kTooLarge) {
    m_lastReply = "The server's reply was too long (more than " + std::to_string(kReplyLinesMax) + " lines or " +
                  std::to_string(kReplyBytesMax / 1024) + " KB); the connection was closed.";
    _sock_dumpmessage(1, "%s\n", m_lastReply.c_str());
    connection->WS_CloseConnection();
    return kReplyTooLarge;
  }
  m_lastReply = reader.Frame().Text();
  return reader.Frame().Code();
}

// The server ended the session: said once in the log, and the session is closed so that the next
// operation connects again instead of writing into a dead one.
void vqFtpEngine::_hangUp(vqFtpSocket* connection) {
  m_hungUp = true;
  m_lastReply = "The server closed the connection.";
  _sock_dumpmessage(1, "%s\n", m_lastReply.c_str());
  connection->WS_CloseConnection();
}

// Reads and logs what is already waiting on the control connection, without waiting. Its end (a
// server's closing alert, or the connection's end) closes the session: false then.
bool vqFtpEngine::_drainPending() {
  if (m_control->GetSocket() == INVALID_SOCKET) return true;
  size_t budget = kReplyBytesMax;
  std::string line;
  char buf[1024];
  // A protected connection may hold part of a record only: its reads here must not wait for the rest.
  const bool tls = m_control->GetTls() != nullptr;
  if (tls) m_control->SetBlockingMode(1);
  bool ended = false;
  while (budget > 0 && m_control->IsDataWaiting()) {
    int n = m_control->WS_Recv(buf, static_cast<int>(budget < sizeof buf ? budget : sizeof buf), 0);
    ended = n == 0;
    if (n <= 0) break;
    budget -= static_cast<size_t>(n);
    for (int i = 0; i < n; ++i) {
      if (buf[i] == '\n') {
        _sock_dumpmessage(1, "Discarded a line that came unasked: %s\n", line.c_str());
        line.clear();
      } else if (line.size() < kReplyLineMax && buf[i] != '\r') {
        line += buf[i] ? buf[i] : ' ';
      }
    }
  }
  if (tls) m_control->SetBlockingMode(0);
  if (!line.empty()) _sock_dumpmessage(1, "Discarded a line that came unasked: %s\n", line.c_str());
  if (ended) _hangUp(m_control);
  return !ended;
}

int vqFtpEngine::FTP_IsOpen() {
  VQ_TRY
    return m_control && m_control->GetSocket() != INVALID_SOCKET && m_control->IsConnected() ? 1 : 0;
  VQ_CATCH("vqFtpEngine", 0)
}

unsigned long vqFtpEngine::FTP_SendCmd(const char* command, int urgent) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(command)) return r;
    if (!urgent) return _sock_sendcmd("%s", command ? command : "");
    if (_sendUrgent(command ? command : "") != 0) return _SET_RESPONSE(VQFTP_SEND_FAILED);
    return _sock_getresponse();
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

// Telnet interrupt as urgent data, then the synch mark before the command itself; no reply read.
int vqFtpEngine::_sendUrgent(const char* command) {
  static const char interrupt[] = {'\xFF', '\xF4', '\xFF'};
  // Urgent bytes would land in the middle of a protected stream: a TLS session sends the command
  // alone.
  const bool tls = m_control->GetTls() != nullptr;
  if (!tls) send(m_control->GetSocket(), interrupt, 3, MSG_OOB);
  std::string line = (tls ? std::string() : std::string(1, '\xF2')) + command + "\r\n";
  _notify(VQNOTIFY_COMMAND);
  _sock_dumpmessage(1, "%s\r\n", command);
  m_lastCommand = command;
  int sent = m_control->WS_Send(line.c_str(), static_cast<int>(line.size()));
  if (sent < static_cast<int>(line.size())) {
    _sock_setwinsockerror();
    m_lastReply = "Unable to SEND().";
    return 1;
  }
  return 0;
}

unsigned long vqFtpEngine::_sock_login(const char* user, const char* password, const char* account, int) {
  for (const char* text : {user, password, account})
    if (unsigned long r = _refuseLineBreak(text)) return r;
  unsigned long r = _sock_sendcmd("USER %s\r\n", user);
  if (r == 0 && m_lastReplyCode == 331) r = _sock_sendcmd("PASS %s\r\n", password);
  if (r == 0 && m_lastReplyCode == 332) r = _sock_sendcmd("ACCT %s\r\n", account);
  if (m_welcomeMsg.empty() && m_lastReply.find('\n') != std::string::npos) m_welcomeMsg = m_lastReply;
  // A refusal is already its reply code; no reply or an unsent command keep their own codes rather
  // than the code of an earlier reply.
  return r;
}

unsigned long vqFtpEngine::_sock_getlogininfo(int firewall) {
  vqFtpLoginRequest req;
  memset(&req, 0, sizeof req);
  if (!firewall) {
    if (equalsNoCase(m_username, "anonymous") || (!m_username.empty() && !m_password.empty())) return 0;
    req.host = m_url.c_str();
    VQSTR_Copy(req.user, m_username.c_str(), sizeof req.user);
    VQSTR_Copy(req.password, m_password.c_str(), sizeof req.password);
    VQSTR_Copy(req.account, m_account.c_str(), sizeof req.account);
  } else {
    if (m_fwType != VQ_FW_USERWITHLOGIN) return 0;
    if (!m_fwUser.empty() && !m_fwPass.empty()) return 0;
    req.host = m_fwHost.c_str();
    VQSTR_Copy(req.user, m_fwUser.c_str(), sizeof req.user);
    VQSTR_Copy(req.password, m_fwPass.c_str(), sizeof req.password);
  }
  if (g_loginPrompt) {
    if (g_loginPrompt(&req, g_promptContext) != IDOK) return VQFTP_CANCELLED;
  } else {
    dlgLogin dlg(req.host, req.user, req.password, req.account);
    if (dlg.DoModal(GetActiveWindow()) != IDOK) return VQFTP_CANCELLED;
    VQSTR_Copy(req.user, dlg.GetUser(), sizeof req.user);
    VQSTR_Copy(req.password, dlg.GetPassword(), sizeof req.password);
    VQSTR_Copy(req.account, dlg.GetAccount(), sizeof req.account);
    req.save = dlg.GetSave() ? 1 : 0;
  }
  if (!firewall) {
    m_username = req.user;
    m_password = req.password;
    m_account = req.account;
    m_storeInfo = req.save;
  } else {
    m_fwUser = req.user;
    m_fwPass = req.password;
    m_storeFWInfo = req.save;
  }
  return 0;
}

unsigned long vqFtpEngine::_sock_loginfirewall() {
  char text[1024];
  const bool withPort = m_portNum != 21;
  const char* host = m_url.c_str();
  auto userAtHost = [&](const char* user) {
    if (withPort)
      snprintf(text, sizeof text, "%s@%s:%u", user, host, m_portNum);
    else
      snprintf(text, sizeof text, "%s@%s", user, host);
    return std::string(text);
  };
  unsigned long r = 0;
  switch (m_fwType) {
    case VQ_FW_USERWITHLOGIN:
      r = _sock_login(m_fwUser.c_str(), m_fwPass.c_str(), "", 0);
      if (r == 0) r = _sock_getlogininfo(0);
      if (r == 0) r = _sock_login(userAtHost(m_username.c_str()).c_str(), m_password.c_str(), m_account.c_str(), 0);
      break;
    case VQ_FW_USERNOLOGIN:
    case VQ_FW_WINGATE:
    case VQ_FW_WINPROXY:
    case VQ_FW_RIDEWAY:
      r = _sock_getlogininfo(0);
      if (r == 0) r = _sock_login(userAtHost(m_username.c_str()).c_str(), m_password.c_str(), m_account.c_str(), 0);
      break;
    case VQ_FW_OPEN:
      r = withPort ? _sock_sendcmd("OPEN %s:%u", host, m_portNum) : _sock_sendcmd("OPEN %s", host);
      if (r == 0) r = _sock_getlogininfo(0);
      if (r == 0) r = _sock_login(m_username.c_str(), m_password.c_str(), m_account.c_str(), 0);
      break;
    case VQ_FW_SITE:
      r = _sock_login(m_fwUser.c_str(), m_fwPass.c_str(), "", 0);
      if (r == 0) r = withPort ? _sock_sendcmd("SITE %s:%u", host, m_portNum) : _sock_sendcmd("SITE %s", host);
      if (r == 0) r = _sock_getlogininfo(0);
      if (r == 0) r = _sock_login(m_username.c_str(), m_password.c_str(), m_account.c_str(), 0);
      break;
    case VQ_FW_RAPTOR: {
      r = _sock_getlogininfo(0);
      if (r == 0) {
        std::string user = userAtHost(m_username.c_str()) + " " + m_fwUser;
        std::string saved = m_account;
        m_account = m_fwPass;
        r = _sock_login(user.c_str(), m_password.c_str(), m_account.c_str(), 0);
        m_account = saved;
      }
      break;
    }
    case VQ_FW_CHECKPOINT: {
      r = _sock_getlogininfo(0);
      if (r == 0) {
        std::string user = m_username + "@" + m_fwUser;
        std::string password = m_password + "@" + m_fwPass;
        r = _sock_login(userAtHost(user.c_str()).c_str(), password.c_str(), m_account.c_str(), 0);
      }
      break;
    }
    case VQ_FW_SIDEWINDER: {
      std::string user = m_fwUser + "@" + m_url;
      _sock_login(user.c_str(), m_fwPass.c_str(), m_account.c_str(), 0);
      r = _sock_login(m_username.c_str(), m_password.c_str(), m_account.c_str(), 0);
      break;
    }
    default:
      _sock_dumpmessage(1, "Invalid Firewall Type supplied in FTP_Open\n");
      r = 0;
      break;
  }
  return _SET_RESPONSE(r);
}

void vqFtpEngine::_addOldSocket(vqFtpSocket* connection) {
  if (m_oldCount > kOldSlots - 1) m_oldCount = 0;
  delete m_oldSockets[m_oldCount];
  m_oldSockets[m_oldCount++] = connection;
}

void vqFtpEngine::_abandonControl() {
  _addOldSocket(m_control);
  m_control = new vqFtpSocket;
  m_control->SetSendTimeout(static_cast<int>(m_timeout));
  m_control->SetReceiveTimeout(static_cast<int>(m_timeout));
}

unsigned long vqFtpEngine::_waitConnect(vqConnectBlock* block) {
  HANDLE event = block->event.Get();
  vqWaitFor w;
  w.handles = &event;
  w.count = 1;
  w.timeoutMs = m_timeout;
  w.poll = [](void* self) { return static_cast<vqFtpEngine*>(self)->PollCallback() == VQFTP_CANCELLED; };
  w.pollContext = this;
  w.pollMs = 250;
  vqWaitResult r = VQ_Wait(w);
  if (r == VQ_WAIT_STOPPED) return VQFTP_CANCELLED;
  if (r != VQ_WAIT_READY) return VQFTP_TIMEOUT;
  // The event is also set by a cancel; only the thread marks the connect done.
  if (!block->done) return VQFTP_CANCELLED;
  if (block->result != 0) {
    WSASetLastError(block->error);
    return VQFTP_CONNECT_FAILED;
  }
  return VQFTP_OK;
}

unsigned long vqFtpEngine::FTP_Connect() {
  unsigned long result = VQFTP_INTERNAL;
  VQ_TRY
    m_timer.SetTimer(kPollTimer, 250);
    _stopKeepAlive();
    m_cancel = 0;
    m_hungUp = false;
    if (FTP_IsOpen()) {
      m_timer.KillTimer(kPollTimer);
      _armKeepAlive();
      return _SET_RESPONSE(VQFTP_OK);
    }
    InterlockedExchange(&m_abortAsked, 0);
    if (m_control->GetSocket() != INVALID_SOCKET) m_control->WS_CloseConnection();
    m_data->WS_CloseConnection();

    std::string url = trim(m_url);
    if (url.find("ftp://") != std::string::npos) url = url.substr(6);
    if (url.find("http://") != std::string::npos) url = url.substr(7);
    m_url = url;
    m_hostDelim = "/";
    m_hostSysDir.clear();
    m_hostSysType.clear();
    m_lastReply.clear();
    _forgetFeatures();

    const unsigned int attempts = m_retryCount + 1;
    m_notify.current = 1;
    m_notify.total = attempts;
    _notify(VQNOTIFY_ATTEMPT);

    m_connecting = 1;
    auto finish = [&](unsigned long r) {
      m_connecting = 0;
      m_timer.KillTimer(kPollTimer);
      if (r != 0 && m_control->GetSocket() != INVALID_SOCKET) m_control->WS_CloseConnection();
      if (r == 0) _armKeepAlive();
      return _SET_RESPONSE(r);
    };

    if (!VQENG_WinsockReady()) {
      m_lastReply = VQENG_WinsockFailureText();
      return finish(VQFTP_CONNECT_FAILED);
    }
    _status("Resolving local host information...");
    if (m_cancel == 1) return finish(VQFTP_CANCELLED);
    if (VQENG_GetLocalHostInfo(m_localName, m_localAddress, &m_localAddr) != 0) {
      _sock_dumpmessage(0, "Failed to resolve Local Host Information...LocalHost=[%s], LocalIP=[%s]\n", m_localName,
                        m_localAddress);
      return finish(VQFTP_UNRESOLVED);
    }
    // "[::1]" and "[::1]:2121" name an IPv6 host (and perhaps its port); other names stay as they are.
    char host[600];
    unsigned int hostPort = 0;
    if (VQFTP_SplitHost(m_fwEnabled ? m_fwHost.c_str() : m_url.c_str(), host, sizeof host, &hostPort) != 0) {
      _sock_dumpmessage(0, "Unusable host name [%s]\n", m_fwEnabled ? m_fwHost.c_str() : m_url.c_str());
      return finish(VQFTP_UNRESOLVED);
    }
    const std::string target = host;
    const unsigned int port = hostPort ? hostPort : m_fwEnabled ? m_fwPort : m_portNum;
    char line[600];
    snprintf(line, sizeof line, m_fwEnabled ? "Locating firewall %s...\n" : "Locating remote host %s...\n",
             target.c_str());
    _status(line);
    if (m_cancel == 1) return finish(VQFTP_CANCELLED);
    _sock_dumpmessage(1, "%s", line);
    const bool literal6 = target.find(':') != std::string::npos;
    if ((literal6 || VQENG_GetRemoteHostInfo(target.c_str(), m_remoteAddress, &m_remoteAddr) != 0) &&
        VQENG_GetRemoteHostInfo6(target.c_str(), m_remoteAddress, sizeof m_remoteAddress) != 0) {
      _sock_dumpmessage(0, "Failed to resolve Remote Host Information for URL=[%s]\n", target.c_str());
      return finish(VQFTP_UNRESOLVED);
    }
    if (m_cancel == 1) return finish(VQFTP_CANCELLED);
    const std::string stars65(65, '*'), stars66(66, '*');
    _sock_dumpmessage(
        0, "%s\n LocalHost: %s\n   Address: %s\n      Port: %u\n%s\n%s\n%s: %s\n   Address: %s\n      Port: %u\n%s\n",
        stars65.c_str(), m_localName, m_localAddress, static_cast<unsigned>(ntohs(m_localAddr.sin_port)),
        stars65.c_str(), stars66.c_str(), m_fwEnabled ? "  Firewall" : "RemoteHost", target.c_str(), m_remoteAddress,
        port, stars66.c_str());

    result = VQFTP_INTERNAL;
    for (unsigned int attempt = 1; attempt <= attempts && result != VQFTP_OK && result != VQFTP_CANCELLED; ++attempt) {
      m_welcomeMsg.clear();
      m_connectMsg.clear();
      if (attempt > 1) {
        m_control->WS_CloseConnection();
        m_notify.current = attempt;
        m_notify.total = attempts;
        _notify(VQNOTIFY_ATTEMPT);
        if (m_cancel == 1) {
          result = VQFTP_CANCELLED;
          break;
        }
        std::string failed = m_resultText;
        m_notify.type = VQNOTIFY_RETRY;
        VQSTR_Copy(m_notify.message, failed.c_str(), sizeof m_notify.message);
        _sock_docallback(&m_notify);
        if (m_cancel == 1) {
          result = VQFTP_CANCELLED;
          break;
        }
      }
      snprintf(line, sizeof line, "Connecting to %s at %s on port %u...", target.c_str(), m_remoteAddress, port);
      _status(line);
      _sock_dumpmessage(1, "%s\n", line);

      vqConnectBlock* block = new vqConnectBlock;
      block->refs = 2;
      block->event.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
      block->engine = this;
      block->connection = m_control;
      block->port = port;
      VQSTR_Copy(block->address, m_remoteAddress, sizeof block->address);
      block->rbuf = m_rBufSize;
      block->sbuf = m_sBufSize;
      block->done = block->result = block->error = 0;
      AddRef();
      vqHandle thread(CreateThread(nullptr, 0, _vqFtpConnectThread, block, 0, nullptr));
      if (!thread.IsValid()) {
        block->Release();
        block->Release();
        Release();
        result = VQFTP_CONNECT_FAILED;
        continue;
      }
      m_connectBlock = block;
      unsigned long waited = _waitConnect(block);
      m_connectBlock = nullptr;
      // Given up while the thread still connects: the thread closes the socket when it is done.
      const bool threadDone = waited == 0 || InterlockedCompareExchange(&block->done, 2, 0) != 0;
      block->Release();
      auto dropControl = [&]() {
        if (threadDone)
          m_control->WS_CloseConnection();
        else
          _abandonControl();
      };
      if (waited == VQFTP_CANCELLED) {
        _sock_dumpmessage(1, "Connect() Canceled.\n");
        dropControl();
        result = VQFTP_CANCELLED;
        break;
      }
      if (waited != 0) {
        _sock_setwinsockerror();
        dropControl();
        _sock_dumpmessage(1, "Connect() failed, WSError: %s\n", m_notify.sockErrorText);
        result = waited;
        _SET_RESPONSE(result);
        continue;
      }
      _status("Connection established. Waiting for response from server...");
      int code = m_cancel == 1 ? kReplyCancelled : _ws_getresponse(m_control);
      m_lastReplyCode = code > 0 ? code : 0;
      if (code == kReplyCancelled) {
        _sock_dumpmessage(1, "Connect() Canceled.\n");
        dropControl();
        result = VQFTP_CANCELLED;
        break;
      }
      if (code <= 0 || code < 200 || code > 399) {
        _sock_setwinsockerror();
        _sock_dumpmessage(0, code <= 0 ? "Connect() failed; no response, or connection dropped by remote server.\n"
                                       : "Connect() refused\n");
        dropControl();
        result = _SET_RESPONSE(VQFTP_CONNECT_FAILED);
        continue;
      }
      m_connectMsg = m_lastReply;
      // TLS before anything of the login; a site that requires it stops here when it cannot be had,
      // and so does one whose server agreed to TLS and then failed it (no retries: the answer would
      // be the same).
      if (unsigned long t = _startTls(target.c_str())) {
        result = _SET_RESPONSE(t);
        dropControl();
        if (t == VQFTP_CANCELLED || t == VQFTP_TLS_FAILED || t == VQFTP_TLS_REFUSED || t == VQFTP_CERT_REFUSED) break;
        continue;
      }
      _status("Connection established. Logging into server...");
      if (m_fwEnabled) {
        result = _sock_getlogininfo(1);
        if (result == 0) result = _sock_loginfirewall();
      } else {
        result = _sock_getlogininfo(0);
        if (result == 0) result = _sock_login(m_username.c_str(), m_password.c_str(), m_account.c_str(), 0);
      }
      _SET_RESPONSE(result);
      if (result != 0) dropControl();
    }

    if (!m_connectMsg.empty()) {
      if (!m_welcomeMsg.empty())
        m_welcomeMsg = m_connectMsg + "\n" + m_welcomeMsg;
      else if (m_connectMsg.find('\n') != std::string::npos)
        m_welcomeMsg = m_connectMsg;
    }
    if (result == 0) {
      _status("Login successful. Querying server characteristics...\n");
      if (m_cancel == 1) result = VQFTP_CANCELLED;
    }
    if (result == 0) {
      std::string init = m_initStr;
      size_t start = 0;
      while (start <= init.size()) {
        size_t semi = init.find(';', start);
        std::string piece = trim(init.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (!piece.empty()) _sock_sendcmd("%s", piece.c_str());
        if (semi == std::string::npos) break;
        start = semi + 1;
      }
      _sock_getsystemtype();
      unsigned long typed = _sock_sendcmd("TYPE A");
      m_transferType = 2;
      // A session that died or fell silent while it was being set up is no session.
      if (typed == VQFTP_TIMEOUT || typed == VQFTP_SEND_FAILED || typed == VQFTP_INTERNAL || typed == VQFTP_CANCELLED)
        result = typed;
      else if (!FTP_IsOpen())
        result = VQFTP_CONNECT_FAILED;
    }
    return finish(result);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::_sock_getsystemtype() {
  m_hostSysDir.clear();
  m_hostSysType.clear();
  m_hostDelim = "/";
  if (_sock_sendcmd("SYST\r\n") == 0 && m_lastReply.size() > 4) m_hostSysType = m_lastReply.substr(4);
  // Only a live server's refusal is a question for the user; a session that died or went silent
  // (a reconnect after an abort, a reply cut off) has nothing to ask about, and no one may be there.
  const unsigned long cwd = m_ird.empty() ? 0 : FTP_CWD(m_ird.c_str());
  if (cwd >= 400 && cwd <= 599) {
    char dir[1024];
    VQSTR_Copy(dir, m_ird.c_str(), sizeof dir);
    int answer;
    if (g_irdPrompt) {
      answer = g_irdPrompt(this, dir, sizeof dir, g_promptContext);
    } else {
      dlgIRD dlg(this, dir);
      answer = static_cast<int>(dlg.DoModal(GetActiveWindow()));
      VQSTR_Copy(dir, dlg.GetDirectory(), sizeof dir);
    }
    m_ird = answer == IDOK ? dir : "";
  }
  char dir[513];
  unsigned int size = 512;
  if (FTP_PWD(dir, size) == 0) m_hostSysDir = dir;
  if (!equalsNoCase(m_hostSysDir, m_ird)) m_ird = m_hostSysDir;

  char sysDir[513];
  VQSTR_Copy(sysDir, m_hostSysDir.c_str(), sizeof sysDir);
  vqSystemGuess guess{};
  VQFTP_GuessSystem(m_hostSysType.c_str(), sysDir, &guess);
  m_hostSysDir = sysDir;
  m_hostDelim = guess.delim;
  if (guess.recognised)
    _sock_dumpmessage(0, "* [%s] is our system type. * \n", m_hostSysType.c_str());
  else if (!m_hostSysType.empty())
    _sock_dumpmessage(0, "* [%s] is a new systemtype *\n", m_hostSysType.c_str());
  if (m_isVirtualHost) {
    _sock_dumpmessage(0, "Virtual Hosting is enabled, so [%s] is being\n", m_hostSysDir.c_str());
    _sock_dumpmessage(0, "replaced with [%s] as the base directory\n", m_ird.c_str());
    m_hostSysDir = m_ird;
  }
  if (m_hostType == VQ_HOST_AUTO) m_hostType = static_cast<_VQ_HOSTTYPE>(guess.hostType);
  return 0;
}

unsigned long vqFtpEngine::FTP_Disconnect() {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_OK);
    if (m_data->GetSocket() != INVALID_SOCKET) {
      m_data->WS_CloseConnection();
      _sock_abort();
    }
    _sock_sendcmd("QUIT\r\n");
    m_control->WS_CloseConnection();
    _stopKeepAlive();
    m_hostDelim = "/";
    m_hostSysDir.clear();
    m_hostSysType.clear();
    m_lastReply.clear();
    m_welcomeMsg.clear();
    m_connectMsg.clear();
    _forgetFeatures();
    m_tlsInUse.clear();
    m_protectData = 0;
    return _SET_RESPONSE(VQFTP_OK);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_CWD(const char* path) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(path)) return r;
    std::string p(path ? path : "");
    if (p.empty()) return _SET_RESPONSE(VQFTP_OK);
    const char delim = GetHostDelimChar();
    if (delim == '.' && p.back() == '.') p.pop_back();
    unsigned long r = _sock_sendcmd("CWD %s", p.c_str());
    if (r != 0 && r != VQFTP_SEND_FAILED && !p.empty() && p.back() == delim) {
      std::string shorter = p.substr(0, p.size() - 1);
      if (!shorter.empty() && !equalsNoCase(shorter, p)) r = _sock_sendcmd("CWD %s", shorter.c_str());
    }
    return _SET_RESPONSE(r);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_CDUP() {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    return _SET_RESPONSE(_sock_sendcmd("CDUP\r\n"));
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_PWD(char* buffer, unsigned int& size) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    unsigned long r = _sock_sendcmd("PWD\r\n");
    if (r != 0) return _SET_RESPONSE(r);
    if (buffer) memset(buffer, 0, size);
    size_t len = VQFTP_ParsePwd(m_lastReply.c_str(), buffer, buffer ? size_t(size) + 1 : 0);
    size = static_cast<unsigned int>(len);
    return _SET_RESPONSE(VQFTP_OK);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}
