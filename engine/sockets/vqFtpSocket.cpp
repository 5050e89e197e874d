#include "vqFtpSocket.h"

#include <stdio.h>
#include <string.h>

namespace {
// The system's buffers are usually far larger than a site's stored value; shrinking them would only
// slow transfers down, so a value is applied only when it enlarges the buffer.
void growBuffer(SOCKET s, int option, unsigned int wanted) {
  if (s == INVALID_SOCKET || wanted == 0 || wanted > 0x7FFFFFFF) return;
  int current = 0;
  int len = sizeof current;
  if (getsockopt(s, SOL_SOCKET, option, reinterpret_cast<char*>(&current), &len) != 0) return;
  if (static_cast<unsigned int>(current) >= wanted) return;
  int value = static_cast<int>(wanted);
  setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
}
}  // namespace

void vqFtpSocket::ApplyBuffers(unsigned int rbuf, unsigned int sbuf) {
  growBuffer(m_socket, SO_RCVBUF, rbuf);
  growBuffer(m_socket, SO_SNDBUF, sbuf);
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
