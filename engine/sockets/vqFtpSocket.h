// The FTP session's connections: a vqWsEngine whose socket takes the site's buffer sizes before it
// connects. An address holding a colon is an IPv6 address; everything else stays IPv4 as before.
#pragma once
#include "vqWsEngine.h"

class VQENGINE_API vqFtpSocket : public vqWsEngine {
 public:
  // Connects like WS_Connect, giving the new socket the receive and send buffer sizes first; a size
  // only ever enlarges the system's buffer. 0 on success, 2 socket failed, 3 connect failed,
  // 1 already open.
  int ConnectWithBuffers(unsigned int port, const char* address, unsigned int rbuf, unsigned int sbuf);
  // The same without blocking the thread: gives up after timeoutMs (4) or when stop() says so (5);
  // a failed or abandoned attempt closes its socket.
  int ConnectWithin(unsigned int port, const char* address, unsigned int rbuf, unsigned int sbuf, DWORD timeoutMs,
                    bool (*stop)(void*), void* context);
  // Listens like WaitForConnect(port) (any address, backlog 1), giving the listening socket the
  // buffer sizes first, so the accepted connection starts with them. family: AF_INET or AF_INET6.
  int ListenWithBuffers(unsigned int port, unsigned int rbuf, unsigned int sbuf, int family = AF_INET);
  // Accepts like AcceptConnection, for a listener of either family.
  int AcceptConnection();
  // AF_INET6 when the connected socket speaks IPv6, else AF_INET.
  int Family();
  // Gives an open socket the buffer sizes (larger ones only).
  void ApplyBuffers(unsigned int rbuf, unsigned int sbuf);
  // Address of the peer of the connected socket as text (dotted, or IPv6 without brackets); empty when
  // none.
  void PeerAddress(char* out, int size);
  // Local address of the connected socket, the same way.
  void LocalAddress(char* out, int size);
};

// The first IPv6 address of a host name, or of an IPv6 address in text, as numeric text: for hosts
// that the IPv4 look-up does not find. 0 on success, VQFTP_UNRESOLVED otherwise.
unsigned long VQENG_GetRemoteHostInfo6(const char* host, char* address, size_t size);
