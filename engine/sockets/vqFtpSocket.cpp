#include "vqFtpSocket.h"

#include <stdio.h>
#include <string.h>

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
// system grants it in full.
void growBuffer(SOCKET s, int option, unsigned int wanted) {
  if (s == INVALID_SOCKET || wanted == 0 || wanted > 0x7FFFFFFF) return;
  int current = 0;
  int len = sizeof current;
  if (getsockopt(s, SOL_SOCKET, option, reinterpret_cast<char*>(&current), &len) != 0) return;
  if (static_cast<unsigned int>(current) >= wanted) return;
  int value = static_cast<int>(wanted);
  if (!honoured(option, value)) return;
  setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}
}  // namespace

void vqFtpSocket::ApplyBuffers(unsigned int rbuf, unsigned int sbuf) {
  growBuffer(m_socket, SO_RCVBUF, rbuf);
  growBuffer(m_socket, SO_SNDBUF, sbuf);
}

int vqFtpSocket::ListenWithBuffers(unsigned int port, unsigned int rbuf, unsigned int sbuf) {
  if (m_listenSocket != INVALID_SOCKET) return 1;
  m_listenSocket = socket(AF_INET, SOCK_STREAM, m_protocol);
  if (m_listenSocket == INVALID_SOCKET) return 2;
  growBuffer(m_listenSocket, SO_RCVBUF, rbuf);
  growBuffer(m_listenSocket, SO_SNDBUF, sbuf);
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
  m_family = AF_INET;
  m_type = SOCK_STREAM;
  snprintf(m_hostAddress, sizeof m_hostAddress, "%s", address ? address : "");
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return 2;
  m_socket = s;
  ApplyBuffers(rbuf, sbuf);
  if (m_recvTimeout > 0) SetReceiveTimeout(m_recvTimeout);
  if (m_sendTimeout > 0) SetSendTimeout(m_sendTimeout);
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  m_remoteAddr.sin_family = AF_INET;
  m_remoteAddr.sin_port = htons(static_cast<u_short>(port));
  m_remoteAddr.sin_addr.s_addr = address ? inet_addr(address) : INADDR_NONE;
  return connect(s, reinterpret_cast<sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr) == 0 ? 0 : 3;
}

void vqFtpSocket::PeerAddress(char* out, int size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  if (m_socket == INVALID_SOCKET) return;
  sockaddr_in peer;
  int len = sizeof peer;
  if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return;
  snprintf(out, static_cast<size_t>(size), "%s", inet_ntoa(peer.sin_addr));
}

void vqFtpSocket::LocalAddress(char* out, int size) {
  if (!out || size <= 0) return;
  out[0] = 0;
  if (m_socket == INVALID_SOCKET) return;
  sockaddr_in local;
  int len = sizeof local;
  if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &len) != 0) return;
  snprintf(out, static_cast<size_t>(size), "%s", inet_ntoa(local.sin_addr));
}

int vqFtpSocket::ConnectWithin(unsigned int port, const char* address, unsigned int rbuf, unsigned int sbuf,
                               DWORD timeoutMs, bool (*stop)(void*), void* context) {
  if (m_socket != INVALID_SOCKET) return 1;
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return 2;
  m_socket = s;
  m_port = port;
  m_family = AF_INET;
  m_type = SOCK_STREAM;
  snprintf(m_hostAddress, sizeof m_hostAddress, "%s", address ? address : "");
  ApplyBuffers(rbuf, sbuf);
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  m_remoteAddr.sin_family = AF_INET;
  m_remoteAddr.sin_port = htons(static_cast<u_short>(port));
  m_remoteAddr.sin_addr.s_addr = address ? inet_addr(address) : INADDR_NONE;
  u_long on = 1, off = 0;
  ioctlsocket(s, FIONBIO, &on);
  int result = 3;
  if (connect(s, reinterpret_cast<sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr) == 0) {
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
      if (r == VQ_WAIT_READY) {
        int error = 0;
        int len = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
        result = error == 0 ? 0 : 3;
        if (error) WSASetLastError(error);
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
  ioctlsocket(s, FIONBIO, &off);
  if (m_recvTimeout > 0) SetReceiveTimeout(m_recvTimeout);
  if (m_sendTimeout > 0) SetSendTimeout(m_sendTimeout);
  return 0;
}
