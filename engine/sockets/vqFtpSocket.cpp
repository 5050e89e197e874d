#include "vqFtpSocket.h"

#include <ws2tcpip.h>
#include <stdio.h>
#include <string.h>

#include "vqResults.h"
#include "vqWait.h"

namespace {
// Whether the system gives a socket a buffer of this size when asked. A system that cuts the size
// down (a Linux host below Wine with its default limit) also stops growing the buffer by itself
// once one is asked for, and would end with less than it grows to alone; there nothing is asked.
// One look per size and option, on a socket of its own.
bool honoured(int option, int value) {
  static volatile LONG known[2][2] = {};  // [option][answer]: last size found honoured / refused
  const int slot = option == SO_RCVBUF ? 0 : 1;
  if (known[slot][0] == value) return true;
  if (known[slot][1] == value) return false;
  SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
  if (probe == INVALID_SOCKET) return false;
  int got = 0, len = sizeof got;
  const bool ok = setsockopt(probe, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) == 0 &&
                  getsockopt(probe, SOL_SOCKET, option, reinterpret_cast<char*>(&got), &len) == 0 && got >= value;
  closesocket(probe);
  InterlockedExchange(&known[slot][ok ? 0 : 1], value);
  return ok;
}

// The system's buffers are usually far larger than a site's stored value; shrinking them would only
// slow transfers down, so a value is applied only when it enlarges the buffer, and only where the
// system grants it in full. Only fresh sockets come here, and a fresh socket's size is the system's:
// it is asked once per process, not once per data connection (each ask is a round trip to the system).
void growBuffer(SOCKET s, int option, unsigned int wanted, int family) {
  if (s == INVALID_SOCKET || wanted == 0 || wanted > 0x7FFFFFFF) return;
  static volatile LONG fresh[2][2] = {};  // [IPv6][option]: a fresh socket's size, 0 not known yet
  volatile LONG& known = fresh[family == AF_INET6 ? 1 : 0][option == SO_RCVBUF ? 0 : 1];
  int current = static_cast<int>(known);
  if (current <= 0) {
    int len = sizeof current;
    if (getsockopt(s, SOL_SOCKET, option, reinterpret_cast<char*>(&current), &len) != 0) return;
    if (current > 0) InterlockedExchange(&known, current);
  }
  if (static_cast<unsigned int>(current) >= wanted) return;
  int value = static_cast<int>(wanted);
  if (!honoured(option, value)) return;
  setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}
// An IPv6 address in text (with or without a zone) and a port; false when the text is none.
bool ipv6Address(const char* text, unsigned int port, sockaddr_in6* out) {
  if (!text || !strchr(text, ':')) return false;
  addrinfo hints = {};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(text, nullptr, &hints, &found) != 0 || !found) return false;
  bool ok = found->ai_addrlen <= sizeof *out;
  if (ok) {
    memset(out, 0, sizeof *out);
    memcpy(out, found->ai_addr, found->ai_addrlen);
    out->sin6_port = htons(static_cast<u_short>(port));
  }
  freeaddrinfo(found);
  return ok;
}

// Text of a socket's address: dotted for IPv4 (as inet_ntoa gives it), numeric IPv6 otherwise.
void addressText(const sockaddr_storage& a, int len, char* out, int size) {
  if (a.ss_family == AF_INET) {
    snprintf(out, static_cast<size_t>(size), "%s", inet_ntoa(reinterpret_cast<const sockaddr_in&>(a).sin_addr));
    return;
  }
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&a), len, host, sizeof host, nullptr, 0, NI_NUMERICHOST) == 0)
    snprintf(out, static_cast<size_t>(size), "%s", host);
}

}  // namespace

int vqFtpSocket::Family() {
  if (m_knownFamily) return m_knownFamily;  // asked once per connection, not once per transfer
  sockaddr_storage a;
  int len = sizeof a;
  SOCKET s = m_socket != INVALID_SOCKET ? m_socket : m_listenSocket;
  if (s == INVALID_SOCKET || getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) return AF_INET;
  m_knownFamily = a.ss_family == AF_INET6 ? AF_INET6 : AF_INET;
  return m_knownFamily;
}

int vqFtpSocket::AcceptConnection() {
  if (m_listenSocket == INVALID_SOCKET) return 1;
  sockaddr_storage peer;
  int len = sizeof peer;
  SOCKET s = accept(m_listenSocket, reinterpret_cast<sockaddr*>(&peer), &len);
  if (s == INVALID_SOCKET) return 1;
  m_socket = s;
  m_nonBlocking = 0;
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  if (peer.ss_family == AF_INET) m_remoteAddr = reinterpret_cast<const sockaddr_in&>(peer);
  m_type = SOCK_STREAM;
  return 0;
}

void vqFtpSocket::ApplyBuffers(unsigned int rbuf, unsigned int sbuf) {
  growBuffer(m_socket, SO_RCVBUF, rbuf, m_family);
  growBuffer(m_socket, SO_SNDBUF, sbuf, m_family);
}

int vqFtpSocket::ListenWithBuffers(unsigned int port, unsigned int rbuf, unsigned int sbuf, int family) {
  if (m_listenSocket != INVALID_SOCKET) return 1;
  m_listenSocket = socket(family == AF_INET6 ? AF_INET6 : AF_INET, SOCK_STREAM, m_protocol);
  if (m_listenSocket == INVALID_SOCKET) return 2;
  growBuffer(m_listenSocket, SO_RCVBUF, rbuf, family);
  growBuffer(m_listenSocket, SO_SNDBUF, sbuf, family);
  if (family == AF_INET6) {
    sockaddr_in6 any = {};
    any.sin6_family = AF_INET6;
    any.sin6_port = htons(static_cast<u_short>(port));
    any.sin6_addr = in6addr_any;
    if (bind(m_listenSocket, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return 3;
    if (listen(m_listenSocket, 1) != 0) return 4;
    int len = sizeof any;
    getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&any), &len);
    // The port sits at the same place in both forms: GetListenPort reads it from here.
    memset(&m_listenAddr, 0, sizeof m_listenAddr);
    m_listenAddr.sin_port = any.sin6_port;
    return 0;
  }
  memset(&m_listenAddr, 0, sizeof m_listenAddr);
  m_listenAddr.sin_family = AF_INET;
  m_listenAddr.sin_port = htons(static_cast<u_short>(port));
  m_listenAddr.sin_addr.s_addr = INADDR_ANY;
  if (bind(m_listenSocket, reinterpret_cast<sockaddr*>(&m_listenAddr), sizeof m_listenAddr) != 0) return 3;
  if (listen(m_listenSocket, 1) != 0) return 4;
  int len = sizeof m_listenAddr;
  getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&m_listenAddr), &len);
  return 0;
}

int vqFtpSocket::ConnectWithBuffers(unsigned int port, const char* address, unsigned int rbuf, unsigned int sbuf) {
  if (m_socket != INVALID_SOCKET) return 1;
  m_port = port;
  m_type = SOCK_STREAM;
  snprintf(m_hostAddress, sizeof m_hostAddress, "%s", address ? address : "");
  sockaddr_in6 v6;
  const bool six = ipv6Address(address, port, &v6);
  m_family = six ? AF_INET6 : AF_INET;
  SOCKET s = socket(six ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return 2;
  m_socket = s;
  m_nonBlocking = 0;
  ApplyBuffers(rbuf, sbuf);
  if (m_recvTimeout > 0) SetReceiveTimeout(m_recvTimeout);
  if (m_sendTimeout > 0) SetSendTimeout(m_sendTimeout);
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  if (six) {
    m_family = AF_INET6;
    return connect(s, reinterpret_cast<sockaddr*>(&v6), sizeof v6) == 0 ? 0 : 3;
  }
  m_remoteAddr.sin_family = AF_INET;
  m_remoteAddr.sin_port = htons(static_cast<u_short>(port));
  m_remoteAddr.sin_addr.s_addr = address ? inet_addr(address) : INADDR_NONE;
  return connect(s, reinterpret_cast<sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr) == 0 ? 0 : 3;
}

void vqFtpSocket::PeerAddress(char* out, int size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  if (m_socket == INVALID_SOCKET) return;
  sockaddr_storage peer;
  int len = sizeof peer;
  if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return;
  addressText(peer, len, out, size);
}

void vqFtpSocket::LocalAddress(char* out, int size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  if (m_socket == INVALID_SOCKET) return;
  sockaddr_storage local;
  int len = sizeof local;
  if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &len) != 0) return;
  addressText(local, len, out, size);
}

int vqFtpSocket::ConnectWithin(unsigned int port, const char* address, unsigned int rbuf, unsigned int sbuf,
                               DWORD timeoutMs, bool (*stop)(void*), void* context) {
  if (m_socket != INVALID_SOCKET) return 1;
  sockaddr_in6 v6;
  const bool six = ipv6Address(address, port, &v6);
  SOCKET s = socket(six ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return 2;
  m_socket = s;
  m_nonBlocking = 0;
  m_port = port;
  m_family = six ? AF_INET6 : AF_INET;
  m_type = SOCK_STREAM;
  snprintf(m_hostAddress, sizeof m_hostAddress, "%s", address ? address : "");
  ApplyBuffers(rbuf, sbuf);
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  m_remoteAddr.sin_family = AF_INET;
  m_remoteAddr.sin_port = htons(static_cast<u_short>(port));
  m_remoteAddr.sin_addr.s_addr = address ? inet_addr(address) : INADDR_NONE;
  SetBlockingMode(1);
  int result = 3;
  if (six) m_family = AF_INET6;
  const sockaddr* to = six ? reinterpret_cast<const sockaddr*>(&v6) : reinterpret_cast<const sockaddr*>(&m_remoteAddr);
  const int toLen = six ? static_cast<int>(sizeof v6) : static_cast<int>(sizeof m_remoteAddr);
  if (connect(s, to, toLen) == 0) {
    result = 0;
  } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
    // A refused connect shows only as an exception, so each short wait for writability is followed
    // by a look at the exceptions.
    const DWORD started = GetTickCount();
    for (;;) {
      vqWaitFor w;
      w.socket = s;
      w.socketWrite = true;
      w.timeoutMs = 50;
      vqWaitResult r = VQ_Wait(w);
      if (r == VQ_WAIT_READY) {  // writable means connected; a failure shows as an exception
        result = 0;
        break;
      }
      fd_set failed;
      FD_ZERO(&failed);
      FD_SET(s, &failed);
      timeval now = {0, 0};
      if (r == VQ_WAIT_FAILED || select(0, nullptr, nullptr, &failed, &now) > 0) {
        int error = 0;
        int len = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
        WSASetLastError(error ? error : WSAECONNREFUSED);
        break;
      }
      if (stop && stop(context)) {
        result = 5;
        break;
      }
      if (GetTickCount() - started >= timeoutMs) {
        WSASetLastError(WSAETIMEDOUT);
        result = 4;
        break;
      }
    }
  }
  if (result != 0) {
    int error = WSAGetLastError();
    WS_CloseConnection();
    WSASetLastError(error);
    return result;
  }
  // Left non-blocking: a download reads it so, and whatever reads or writes it blocking switches,
  // and gives it its time-outs then.
  m_timeoutsPending = m_recvTimeout > 0 || m_sendTimeout > 0;
  return 0;
}

unsigned long VQENG_GetRemoteHostInfo6(const char* host, char* address, size_t size) {
  if (!host || !*host || !address || size == 0) return VQFTP_UNRESOLVED;
  address[0] = 0;
  addrinfo hints = {};
  hints.ai_family = AF_INET6;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return VQFTP_UNRESOLVED;
  char text[NI_MAXHOST];
  const int r = getnameinfo(found->ai_addr, static_cast<int>(found->ai_addrlen), text, sizeof text, nullptr, 0,
                            NI_NUMERICHOST);
  freeaddrinfo(found);
  if (r != 0 || strlen(text) >= size) return VQFTP_UNRESOLVED;
  memcpy(address, text, strlen(text) + 1);
  return 0;
}
