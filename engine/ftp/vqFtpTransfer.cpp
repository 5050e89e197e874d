// Data connections and transfers: passive and active set-up (with the switch to passive when a
// server refuses PORT or never connects back), downloads with restart, uploads, and the copy
// between two servers with its fallback through a local file.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "vqCatch.h"
#include "vqResults.h"
#include "vqFtpEngine.h"
#include "vqFtpProtocol.h"
#include "vqFtpSocket.h"
#include "vqHandles.h"
#include "vqWait.h"

namespace {

const unsigned long kUsePassive = 0xFFFF0001;  // PORT refused: run the transfer again, passive
const char kCanceled[] = " = Operation canceled by local user.";
// How long a cancelled transfer waits for the server to come back in step.
const DWORD kAbortWaitMs = 1500;

// Size announced in a 150 reply ("... (1234 bytes)"); -1 when none.
long long announcedSize(const std::string& reply) {
  size_t open = reply.rfind('(');
  if (open == std::string::npos) return -1;
  long long n = 0;
  size_t i = open + 1;
  if (i >= reply.size() || !isdigit(static_cast<unsigned char>(reply[i]))) return -1;
  for (; i < reply.size() && isdigit(static_cast<unsigned char>(reply[i])); ++i) {
    if (n > 1000000000000000LL) return -1;
    n = n * 10 + (reply[i] - '0');
  }
  return _strnicmp(reply.c_str() + i, " bytes)", 7) == 0 ? n : -1;
}

// Marks a transfer as running for the cancel of another thread, for as long as it lives.
struct transferMark {
  volatile LONG& flag;
  explicit transferMark(volatile LONG& f) : flag(f) { InterlockedExchange(&flag, 1); }
  ~transferMark() { InterlockedExchange(&flag, 0); }
};

// Creates every folder above a local file.
void createParentFolders(const char* file) {
  std::string path(file);
  size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || cut == 0) return;
  path.erase(cut);
  // Files of one folder follow each other: a folder there already costs one look, not one
  // create per level.
  const DWORD there = GetFileAttributesA(path.c_str());
  if (there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_DIRECTORY)) return;
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
}

std::string formatSize(unsigned long long n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

bool classOk(int code) { return code >= 200 && code <= 299; }

// The notification record carries byte counts as two 32-bit halves.
void setCount(unsigned int& low, unsigned int& high, unsigned long long n) {
  low = static_cast<unsigned int>(n);
  high = static_cast<unsigned int>(n >> 32);
}
unsigned long long countOf(unsigned int low, unsigned int high) {
  return (static_cast<unsigned long long>(high) << 32) | low;
}

// Socket buffers of a data connection: room for a few blocks in flight, so one block is read
// while the next arrives (and a link with delay is not held back), never below the site's value.
unsigned int dataBuffer(unsigned int site, int block) {
  const unsigned int wanted = static_cast<unsigned int>(block) * 4;
  return site > wanted ? site : wanted;
}

// A data connection carries one way only: the other way's buffer stays as the system makes it
// (asking costs a round trip to the system per file).
struct dataBuffers {
  unsigned int receive, send;
  dataBuffers(bool sending, unsigned int siteReceive, int receiveBlock, unsigned int siteSend, int sendBlock)
      : receive(sending ? 0 : dataBuffer(siteReceive, receiveBlock)),
        send(sending ? dataBuffer(siteSend, sendBlock) : 0) {}
};

}  // namespace

int vqFtpEngine::_sock_recvcallback(long bytes, void* engine, void*) {
  vqFtpEngine* self = static_cast<vqFtpEngine*>(engine);
  // The hook's count wraps at 4 GB; the data connection keeps the whole one.
  (void)bytes;
  _sock_notification_& n = self->m_notify;
  const unsigned long long current = self->m_transferBase + self->m_data->TransferredBytes();
  setCount(n.current, n.currentHigh, current);
  if (countOf(n.total, n.totalHigh) < current) setCount(n.total, n.totalHigh, current);
  int stop = self->_sock_docallback(&self->m_notify);
  // FTP_CANCEL (from this callback or another thread) has told the server already.
  if (self->m_abortAsked) return 1;
  return stop;
}

// Sends NOOP and reads replies until its own comes back (earlier ones belonged to the transfer and
// its abort); true when that happened within withinMs.
bool vqFtpEngine::_inStep(DWORD withinMs, int replies) {
  const unsigned int saved = m_timeout;
  const DWORD until = GetTickCount() + withinMs;
  bool found = false;
  if (_sock_send("NOOP", 0) == 0) {
    for (int i = 0; i < replies && !found; ++i) {
      const LONG left = static_cast<LONG>(until - GetTickCount());
      if (left <= 0) break;
      m_timeout = static_cast<unsigned int>(left);
      int code = _ws_getresponse(m_control);
      if (code <= 0) break;
      found = code == 200;
    }
  }
  m_timeout = saved;
  if (found) _drainPending();
  return found;
}

// After replies went missing (pendingReplies of them may still come): in step again, or a new
// connection when the server does not come back in step within a short wait.
void vqFtpEngine::_backInStep(int pendingReplies) {
  if (!FTP_IsOpen() || _inStep(kAbortWaitMs, pendingReplies + 8)) return;
  _sock_dumpmessage(1, "The server did not answer in step; connecting again.\n");
  m_control->WS_CloseConnection();
  const unsigned int retries = m_retryCount;
  m_retryCount = 0;
  FTP_Connect();
  m_retryCount = retries;
}

// Ends a transfer the user stopped. When the transfer command went out: the urgent ABOR, the data
// connection closed, then NOOP until its reply shows the control connection is in step again
// (a server without an urgent ABOR answers only after the data connection is gone). A server that
// does not come back in step within a short wait has its connection opened anew.
unsigned long vqFtpEngine::_abortTransfer(bool commandSent) {
  const int setup = m_setupStopsOnAbort;
  m_setupStopsOnAbort = 0;
  if (commandSent && FTP_IsOpen()) _sendUrgent("ABOR");
  _closeData();
  // Also when stopped before the transfer command: a reply cut short (PASV, REST) would otherwise
  // answer the next command.
  _backInStep(0);
  m_setupStopsOnAbort = setup;
  InterlockedExchange(&m_abortAsked, 0);
  m_cancel = 0;
  m_lastReply += kCanceled;
  return VQFTP_CANCELLED;
}

int vqFtpEngine::_sock_isasciifile(const char* name) { return VQFTP_IsAsciiName(name, m_asciiList.c_str()); }

int vqFtpEngine::_sock_getfilesize(const char* path, unsigned long* low, unsigned long* high) {
  *low = 0;
  if (high) *high = 0;
  vqFileHandle f(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f.IsValid()) return 0;
  DWORD hi = 0;
  *low = GetFileSize(f, &hi);
  if (high) *high = hi;
  return 1;
}

unsigned long vqFtpEngine::_setType(unsigned int mode, const char* localName) {
  int want = mode == 1 ? 1 : mode == 2 ? 2 : (_sock_isasciifile(localName) ? 2 : 1);
  if (m_transferType == want) return 0;
  unsigned long r = _sock_sendcmd(want == 1 ? "TYPE I" : "TYPE A");
  m_transferType = want;
  return r;
}

unsigned long vqFtpEngine::_sock_pasv(sockaddr_in* address) {
  unsigned long r = _sock_sendcmd("PASV\r\n");
  if (r != 0) return r;
  unsigned char a[4];
  unsigned int port = 0;
  // A multi-line 227 names the address on its last line.
  size_t last = m_lastReply.rfind('\n');
  std::string reply = last == std::string::npos ? m_lastReply : m_lastReply.substr(last + 1);
  if (VQFTP_ParsePasv(reply.c_str(), a, &port) != 0) {
    _sock_dumpmessage(1, "Unusable passive address in: %s\n", m_lastReply.c_str());
    return VQFTP_INTERNAL;
  }
  char dotted[32];
  snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
  unsigned long ip = inet_addr(dotted);
  if (ip == INADDR_NONE || port == 0) return VQFTP_INTERNAL;
  memset(address, 0, sizeof *address);
  address->sin_family = AF_INET;
  address->sin_addr.s_addr = ip;
  address->sin_port = htons(static_cast<u_short>(port));
  return 0;
}

// Connects the data connection to a server's passive port. A server may name an address other than
// its own (behind NAT, or to aim the client elsewhere); the client only ever connects to the peer of
// its control connection.
unsigned long vqFtpEngine::_connectPassive(const sockaddr_in& address) {
  char named[32], peer[64];
  snprintf(named, sizeof named, "%s", inet_ntoa(address.sin_addr));
  m_control->PeerAddress(peer, sizeof peer);
  const char* target = named;
  if (peer[0] && strcmp(peer, named) != 0) {
    _sock_dumpmessage(1, "Passive address %s is not the server's; connecting to %s instead.\n", named, peer);
    target = peer;
  }
  return _connectPassiveTo(target, ntohs(address.sin_port));
}

unsigned long vqFtpEngine::_connectPassiveTo(const char* target, unsigned int port) {
  m_data->WS_CloseConnection();
  const dataBuffers buffers(m_notify.type == VQNOTIFY_SEND, m_rBufSize, m_data->GetReceiveBlock(), m_sBufSize,
                            m_data->GetSendBlock());
  int r = m_data->ConnectWithin(
      port, target, buffers.receive, buffers.send, m_timeout,
      [](void* e) { return static_cast<vqFtpEngine*>(e)->m_abortAsked != 0; }, this);
  if (r == 5) return VQFTP_CANCELLED;
  if (r != 0) {
    _sock_setwinsockerror();
    return VQFTP_DOWNLOAD_FAILED;
  }
  return 0;
}

// EPSV names only a port, on the server the control connection reaches: it works behind NAT and
// over IPv6, where PASV cannot. It is asked where FEAT offers it or the connection is IPv6; a
// refusal (or a reply without a usable port) falls back to PASV for the rest of the session.
unsigned long vqFtpEngine::_openPassive() {
  const bool six = m_control->Family() == AF_INET6;
  if ((m_features->epsv || six) && !m_epsvRefused) {
    unsigned long r = _sock_sendcmd("EPSV");
    unsigned int port = 0;
    if (r == 0 && VQFTP_ParseEpsv(m_lastReply.c_str(), &port) == 0) {
      char peer[64];
      m_control->PeerAddress(peer, sizeof peer);
      if (!peer[0]) return VQFTP_DOWNLOAD_FAILED;
      return _connectPassiveTo(peer, port);
    }
    if (r == VQFTP_TIMEOUT || r == VQFTP_SEND_FAILED || r == VQFTP_CANCELLED || r == VQFTP_INTERNAL) return r;
    m_epsvRefused = 1;
    _sock_dumpmessage(1, r == 0 ? "Unusable EPSV reply; using PASV from now on.\n"
                                : "EPSV refused; using PASV from now on.\n");
    _noteFeaturesInUse();
    if (six) return VQFTP_DOWNLOAD_FAILED;  // PASV names IPv4 addresses only
  }
  sockaddr_in addr;
  unsigned long r = _sock_pasv(&addr);
  if (r == 0) r = _connectPassive(addr);
  return r;
}

unsigned long vqFtpEngine::_openActive() {
  const bool six = m_control->Family() == AF_INET6;
  int listening = 0;
  const dataBuffers buffers(m_notify.type == VQNOTIFY_SEND, m_rBufSize, m_data->GetReceiveBlock(), m_sBufSize,
                            m_data->GetSendBlock());
  for (int i = 0; i < 128 && !listening; ++i) {
    m_data->WS_CloseConnection();
    if (m_data->ListenWithBuffers(m_nextDataPort, buffers.receive, buffers.send, six ? AF_INET6 : AF_INET) == 0) {
      listening = 1;
      break;
    }
    ++m_nextDataPort;
    if ((m_nextDataPort & 0xFFFF) > 32000) m_nextDataPort = 10000;
  }
  if (!listening) {
    _sock_setwinsockerror();
    _sock_dumpmessage(0, "SockData->Wait() failed, Reason: %s!\n", m_notify.sockErrorText);
    m_data->WS_CloseConnection();
    return VQFTP_DOWNLOAD_FAILED;
  }
  // The server must reach the address it is told; the control connection's own local address is the
  // one it already reaches.
  char local[64];
  m_control->LocalAddress(local, sizeof local);
  if (!local[0] && !six) snprintf(local, sizeof local, "%s", m_localAddress);
  char arg[96];
  unsigned long r;
  if (six) {
    // PORT names IPv4 addresses only: an IPv6 session says EPRT, and goes passive when refused.
    if (m_eprtRefused || VQFTP_FormatEprt(local, m_data->GetListenPort(), arg, sizeof arg) != 0) {
      m_data->WS_CloseConnection();
      m_fwPassive = 1;
      return kUsePassive;
    }
    r = _sock_sendcmd("EPRT %s", arg);
    if (r != 0) {
      if (r == VQFTP_TIMEOUT || r == VQFTP_SEND_FAILED || r == VQFTP_CANCELLED || r == VQFTP_INTERNAL) {
        m_data->WS_CloseConnection();
        return r;
      }
      m_eprtRefused = 1;
      _noteFeaturesInUse();
    }
  } else {
    if (VQFTP_FormatPort(local, m_nextDataPort, arg, sizeof arg) != 0) {
      m_data->WS_CloseConnection();
      return VQFTP_DOWNLOAD_FAILED;
    }
    r = _sock_sendcmd("PORT %s\r\n", arg);
  }
  if (r != 0) {
    m_data->WS_CloseConnection();
    m_fwPassive = 1;
    _sock_dumpmessage(1, six ? "EPRT refused; using passive data connections from now on.\n"
                             : "PORT refused; using passive data connections from now on.\n");
    return kUsePassive;
  }
  ++m_nextDataPort;
  if ((m_nextDataPort & 0xFFFF) > 32000) m_nextDataPort = 10000;
  return 0;
}

void vqFtpEngine::_closeData() { m_data->WS_CloseConnection(); }

unsigned long vqFtpEngine::_sock_abort() {
  if (!FTP_IsOpen()) return VQFTP_NOT_CONNECTED;
  unsigned long r = _sock_sendcmd("ABOR\r\n");
  int code = m_lastReplyCode;
  if (code / 100 == 2) return 0;
  if (code / 100 == 4) {
    _sock_getresponse();
    return static_cast<unsigned long>(code);
  }
  return r;
}

unsigned long vqFtpEngine::FTP_GetFile(const char* remote, const char* localFile, unsigned int mode, unsigned long size,
                                       int resume) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(remote)) return r;
    std::string rem(remote ? remote : "");
    _askFeatures();
    InterlockedExchange(&m_abortAsked, 0);
    transferMark running(m_transferring);
    memset(&m_notify, 0, sizeof m_notify);
    const bool listing = (rem.compare(0, 4, "LIST") == 0 || rem.compare(0, 4, "NLST") == 0 ||
                          rem.compare(0, 4, "MLSD") == 0) &&
                         size == 0 && !resume && mode == 2;
    m_notify.total = listing ? 2048 : static_cast<unsigned int>(size);
    _sock_dumpmessage(1, listing ? "Generating directory listing..." : "Downloading file...");
    m_notify.type = VQNOTIFY_RECEIVE;
    _setType(mode, localFile);
    m_notify.type = VQNOTIFY_RECEIVE;

    if (!localFile || !*localFile) return _SET_RESPONSE(VQFTP_LOCAL_FILE);
    createParentFolders(localFile);
    // The local file is only opened here; it is emptied once the server has accepted the transfer,
    // so a refused download never costs the local copy.
    bool existed = false;
    {
      vqFileHandle probe(
          CreateFileA(localFile, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!probe.IsValid()) return _SET_RESPONSE(VQFTP_LOCAL_FILE);
      existed = GetLastError() == ERROR_ALREADY_EXISTS;
    }
    auto refused = [&](unsigned long r) {
      _closeData();
      if (!existed) DeleteFileA(localFile);
      return _SET_RESPONSE(r);
    };
    unsigned long offset = 0, offsetHigh = 0;
    if (resume) _sock_getfilesize(localFile, &offset, &offsetHigh);
    // A local file of 4 GB or more cannot be measured against the 32-bit size: it is fetched whole
    // rather than continued at a wrong place.
    if (offset == 0 || offset >= size || offsetHigh != 0) {
      offset = 0;
      resume = 0;
    }
    const std::string command = listing ? rem : "RETR " + rem;

    // A refused restart falls back to the whole file; REST 0 clears a marker a server may keep.
    auto restart = [&]() -> unsigned long {
      if (!resume) return 0;
      unsigned long rr = _sock_sendcmd("REST %lu\r\n", offset);
      if (rr == VQFTP_TIMEOUT || rr == VQFTP_SEND_FAILED || rr == VQFTP_CANCELLED || rr == VQFTP_INTERNAL) return rr;
      if (rr != 0) {
        _sock_dumpmessage(1, "Restart refused; downloading the whole file.\n");
        offset = 0;
        resume = 0;
        rr = _sock_sendcmd("REST %lu\r\n", 0UL);
        if (rr == VQFTP_TIMEOUT || rr == VQFTP_SEND_FAILED || rr == VQFTP_CANCELLED || rr == VQFTP_INTERNAL) return rr;
      }
      return 0;
    };

    unsigned long r;
    m_setupStopsOnAbort = 1;
    if (m_fwPassive) {
      // The data connection is made before anything else is asked: a server may hold its answer to
      // REST until it is there, and a failed connect then leaves no command unanswered.
      r = _openPassive();
      if (r == 0) r = restart();
      if (r != 0) {
        m_setupStopsOnAbort = 0;
        if (r == VQFTP_CANCELLED) return refused(_abortTransfer(false));
        if (r == VQFTP_DOWNLOAD_FAILED)
          _sock_dumpmessage(0, "SockData->Connect failed, Reason: %s!\n", m_notify.sockErrorText);
        return refused(r);
      }
      r = _sock_sendcmd("%s\r\n", command.c_str());
      m_setupStopsOnAbort = 0;
      if (r == VQFTP_CANCELLED || m_abortAsked) return refused(_abortTransfer(true));
      if (r != 0) return refused(r);
    } else {
      r = _openActive();
      if (r == kUsePassive) {
        m_setupStopsOnAbort = 0;
        return FTP_GetFile(remote, localFile, mode, size, resume);
      }
      if (r == 0) r = restart();
      if (r == 0) r = _sock_sendcmd("%s\r\n", command.c_str());
      m_setupStopsOnAbort = 0;
      if (r == VQFTP_CANCELLED || m_abortAsked) return refused(_abortTransfer(true));
      if (r != 0) return refused(r);
      if (m_data->WaitForAccept(5) != 0) {
        _sock_setwinsockerror();
        _sock_dumpmessage(0, "SockData->WaitForAccept timedout, Reason: %s!\n", m_notify.sockErrorText);
        _closeData();
        _sock_abort();
        m_fwPassive = 1;
        if (!existed) DeleteFileA(localFile);
        return FTP_GetFile(remote, localFile, mode, size, resume);
      }
      if (m_data->AcceptConnection() != 0) {
        _sock_setwinsockerror();
        _closeData();
        _sock_abort();
        return refused(VQFTP_DOWNLOAD_FAILED);
      }
    }
    // A protected data connection: the server refuses or fails the handshake with a reply of its own.
    if (_secureData() != 0) {
      _closeData();
      _sock_getresponse();
      return refused(VQFTP_DOWNLOAD_FAILED);
    }
    const long long announced = announcedSize(m_lastReply);

    DWORD started = GetTickCount();
    m_notify.type = VQNOTIFY_RECEIVE;
    m_notify.current = static_cast<unsigned int>(offset);
    if (m_notify.total < m_notify.current) m_notify.total = m_notify.current;
    // A server's announced size may pass 4 GB where the caller's cannot.
    if (announced > 0 && !listing && !resume && (size == 0 || size == static_cast<unsigned long>(announced)))
      setCount(m_notify.total, m_notify.totalHigh, static_cast<unsigned long long>(announced));
    m_transferBase = offset;
    m_data->SetRecvCallBackFunction(_sock_recvcallback, this, nullptr);
    long received = static_cast<long>(offset);
    int rr = m_data->WS_ReceiveToFile(localFile, resume ? 2 : 1, received, static_cast<int>(m_timeout));
    m_data->SetRecvCallBackFunction(nullptr, nullptr, nullptr);
    const unsigned long long bytes = m_data->TransferredBytes();
    if (rr == 6 || m_abortAsked) return _SET_RESPONSE(_abortTransfer(true));

    unsigned long result = 0;
    _closeData();
    _sock_getresponse();
    if (!classOk(m_lastReplyCode)) {
      result = VQFTP_DOWNLOAD_FAILED;
    } else if (rr == 2 || rr == 5) {
      // The server sent everything but it could not be stored: not a success. What was written
      // stays for a later resume.
      _sock_dumpmessage(1, "Unable to write the local file %s.\n", localFile);
      result = VQFTP_LOCAL_FILE;
    } else if (rr == 3 || rr == 4) {
      // The data connection broke (or fell silent); the server's 226 cannot make up for it.
      _sock_dumpmessage(1, "The data connection broke after %s bytes.\n", formatSize(bytes).c_str());
      result = VQFTP_DOWNLOAD_FAILED;
    } else if (announced >= 0 && !listing && !resume && m_transferType == 1 &&
               static_cast<unsigned long long>(announced) != bytes) {
      _sock_dumpmessage(1, "Received %s bytes of the %s announced.\n", formatSize(bytes).c_str(),
                        formatSize(static_cast<unsigned long long>(announced)).c_str());
      result = VQFTP_DOWNLOAD_FAILED;
    }
    DWORD secs = (GetTickCount() - started) / 1000;
    _sock_dumpmessage(1, "Downloaded %s Bytes to: %s\n", formatSize(bytes).c_str(), localFile);
    _sock_dumpmessage(1, "Elapsed Time: %d hours, %d minutes, %d seconds.\n", static_cast<int>((secs / 3600) % 24),
                      static_cast<int>((secs / 60) % 60), static_cast<int>(secs % 60));
    return _SET_RESPONSE(result);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_PutFile(const char* remote, const char* localFile, unsigned int mode) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(remote)) return r;
    _askFeatures();
    InterlockedExchange(&m_abortAsked, 0);
    transferMark running(m_transferring);
    memset(&m_notify, 0, sizeof m_notify);
    m_notify.total = 0;
    _sock_dumpmessage(1, "Uploading file...");
    m_notify.type = VQNOTIFY_SEND;
    _setType(mode, localFile);
    m_notify.type = VQNOTIFY_SEND;
    if (!localFile || !*localFile) return _SET_RESPONSE(VQFTP_LOCAL_FILE);
    unsigned long total = 0, totalHigh = 0;
    {
      // Never made here: a missing file would go up empty over the server's copy. (Its attributes
      // are read without opening it: an open is a round trip to the system per file.)
      WIN32_FILE_ATTRIBUTE_DATA there;
      if (!GetFileAttributesExA(localFile, GetFileExInfoStandard, &there) ||
          (there.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return _SET_RESPONSE(VQFTP_LOCAL_FILE);
      total = there.nFileSizeLow;
      totalHigh = there.nFileSizeHigh;
    }
    m_notify.total = static_cast<unsigned int>(total);
    m_notify.totalHigh = static_cast<unsigned int>(totalHigh);
    if (total == 0 && totalHigh == 0) _sock_dumpmessage(0, "Warning: Uploading an empty file [%s]\n", localFile);
    const std::string command = std::string("STOR ") + (remote ? remote : "");

    unsigned long r;
    m_setupStopsOnAbort = 1;
    if (m_fwPassive) {
      r = _openPassive();
      if (r != 0) {
        m_setupStopsOnAbort = 0;
        if (r == VQFTP_CANCELLED) return _SET_RESPONSE(_abortTransfer(false));
        if (r == VQFTP_DOWNLOAD_FAILED)
          _sock_dumpmessage(0, "SockData->Connect failed, Reason: %s!\n", m_notify.sockErrorText);
        _closeData();
        return _SET_RESPONSE(r);
      }
      r = _sock_sendcmd("%s\r\n", command.c_str());
      m_setupStopsOnAbort = 0;
      if (r == VQFTP_CANCELLED || m_abortAsked) return _SET_RESPONSE(_abortTransfer(true));
      if (r != 0) {
        _closeData();
        return _SET_RESPONSE(r >= 400 && r <= 599 ? r : VQFTP_UPLOAD_FAILED);
      }
    } else {
      r = _openActive();
      if (r == kUsePassive) {
        m_setupStopsOnAbort = 0;
        return FTP_PutFile(remote, localFile, mode);
      }
      if (r != 0) {
        m_setupStopsOnAbort = 0;
        return _SET_RESPONSE(r);
      }
      r = _sock_sendcmd("%s\r\n", command.c_str());
      m_setupStopsOnAbort = 0;
      if (r == VQFTP_CANCELLED || m_abortAsked) return _SET_RESPONSE(_abortTransfer(true));
      if (r != 0) {
        _sock_dumpmessage(1, "Error Uploading: %s\n", m_lastReply.c_str());
        _closeData();
        return _SET_RESPONSE(r);
      }
      if (m_data->WaitForAccept(5) != 0 || m_data->AcceptConnection() != 0) {
        _sock_setwinsockerror();
        _sock_dumpmessage(0, "SockData->Accept() failed, Reason: %s!\n", m_notify.sockErrorText);
        _closeData();
        _sock_abort();
        return _SET_RESPONSE(VQFTP_UPLOAD_FAILED);
      }
    }
    if (_secureData() != 0) {
      _closeData();
      _sock_getresponse();
      return _SET_RESPONSE(VQFTP_UPLOAD_FAILED);
    }

    DWORD started = GetTickCount();
    m_notify.type = VQNOTIFY_SEND;
    m_transferBase = 0;
    m_data->SetSendCallBackFunction(_sock_recvcallback, this, nullptr);
    long sent = 0;
    int sr = m_data->SendFile(localFile, sent, 0);
    m_data->SetSendCallBackFunction(nullptr, nullptr, nullptr);
    if (sr == 6 || m_abortAsked) return _SET_RESPONSE(_abortTransfer(true));
    _closeData();
    _sock_getresponse();
    unsigned long result = classOk(m_lastReplyCode) ? 0 : VQFTP_DOWNLOAD_FAILED;
    if (sr == 1 && result == 0) {
      result = VQFTP_LOCAL_FILE;  // the local file could not be read
    } else if (sr == 2 && result == 0) {
      // The server dropped the data connection: what it confirms is not the whole file.
      _sock_dumpmessage(1, "The data connection broke after %s bytes.\n",
                        formatSize(m_data->TransferredBytes()).c_str());
      result = VQFTP_UPLOAD_FAILED;
    }
    DWORD secs = (GetTickCount() - started) / 1000;
    const unsigned long long sentAll = m_data->TransferredBytes();
    _sock_dumpmessage(0, "Uploaded %llu Bytes to %s in %d hours, %d minutes, %d seconds (%llu kps)\n", sentAll,
                      remote ? remote : "", static_cast<int>((secs / 3600) % 24), static_cast<int>((secs / 60) % 60),
                      static_cast<int>(secs % 60), sentAll / (secs + 1));
    return _SET_RESPONSE(result);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::_setup_fxp(vqFtpEngine* passiveSide, vqFtpEngine* portSide) {
  sockaddr_in addr;
  unsigned long r = passiveSide->_sock_pasv(&addr);
  if (r != 0) return passiveSide->_SET_RESPONSE(r);
  const unsigned char* a = reinterpret_cast<const unsigned char*>(&addr.sin_addr.s_addr);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(&addr.sin_port);
  // Servers copying to each other get the passive side's address exactly as it was named.
  r = portSide->_sock_sendcmd("PORT %d,%d,%d,%d,%d,%d\r\n", a[0], a[1], a[2], a[3], p[0], p[1]);
  if (r == 0) return 0;
  passiveSide->_sock_abort();
  return portSide->_SET_RESPONSE(r);
}

unsigned long vqFtpEngine::_fxp_old(vqFtpEngine* destination, const char* sourcePath, const char* destinationPath,
                                    unsigned long size) {
  char temp[MAX_PATH + 1];
  if (!_tempFile(temp, sizeof temp)) return _SET_RESPONSE(VQFTP_LOCAL_FILE);
  unsigned long r = FTP_GetFile(sourcePath, temp, 1, size, 0);
  if (r == 0) r = destination->FTP_PutFile(destinationPath, temp, 1);
  DeleteFileA(temp);
  return _SET_RESPONSE(r);
}

unsigned long vqFtpEngine::FTP_STS(vqFtpEngine* destination, const char* sourcePath, const char* destinationPath,
                                   int throughLocal, unsigned long size) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (!destination || !destination->FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(sourcePath)) return r;
    if (unsigned long r = _refuseLineBreak(destinationPath)) return r;
    if (m_transferType != 1) {
      _sock_sendcmd("TYPE I");
      m_transferType = 1;
    }
    if (destination->m_transferType != 1) {
      unsigned long r = destination->_sock_sendcmd("TYPE I");
      if (r != 0) return _SET_RESPONSE(r);
      destination->m_transferType = 1;
    }
    // Two servers cannot hold one protected data connection between them: such copies pass through here.
    if (throughLocal || m_protectData || destination->m_protectData)
      return _fxp_old(destination, sourcePath, destinationPath, size);
    if (_setup_fxp(destination, this) != 0 && _setup_fxp(this, destination) != 0)
      return _fxp_old(destination, sourcePath, destinationPath, size);

    const std::string line = std::string("STOR ") + (destinationPath ? destinationPath : "") + "\r\n";
    _sock_dumpmessage(1, "%s", line.c_str());
    destination->m_lastCommand = line.substr(0, line.size() - 2);
    int n = destination->m_control->WS_Send(line.c_str(), static_cast<int>(line.size()));
    if (n < static_cast<int>(line.size())) {
      _sock_abort();
      return _fxp_old(destination, sourcePath, destinationPath, size);
    }
    if (_sock_sendnowait("RETR %s\r\n", sourcePath ? sourcePath : "") != 0) {
      destination->_sock_abort();
      return _fxp_old(destination, sourcePath, destinationPath, size);
    }
    auto abandon = [&]() {
      destination->FTP_SendCmd("ABOR", 1);
      _sock_getresponse();
      FTP_SendCmd("ABOR", 1);
      return _fxp_old(destination, sourcePath, destinationPath, size);
    };
    if (destination->_sock_getresponse() != 0) return abandon();
    if (_sock_getresponse() != 0) return abandon();

    _sock_dumpmessage(1, "Waiting for FXP transfer to complete...");
    memset(m_notify.message, 0, sizeof m_notify.message);
    unsigned long result = 0;
    while (!m_control->IsDataWaiting() && !destination->m_control->IsDataWaiting()) {
      m_notify.type = VQNOTIFY_RECEIVE;
      snprintf(m_notify.message, sizeof m_notify.message, "Transferring file...");
      m_notify.current += 256;
      if (m_notify.total < m_notify.current) m_notify.total = m_notify.current;
      if (_sock_docallback(&m_notify)) {
        result = VQFTP_CANCELLED;
        destination->FTP_SendCmd("ABOR", 1);
        FTP_SendCmd("ABOR", 1);
        break;
      }
      // The source's control connection speaks first when the copy ends.
      vqWaitFor w;
      w.socket = m_control->GetSocket();
      w.timeoutMs = 250;
      VQ_Wait(w);
    }
    unsigned long source = _sock_getresponse();
    destination->_sock_getresponse();
    if (result == VQFTP_CANCELLED) {
      m_lastReply += kCanceled;
      return _SET_RESPONSE(VQFTP_CANCELLED);
    }
    return _SET_RESPONSE(source);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}
