// The FTP session's connections: a vqWsEngine whose socket takes the site's buffer sizes before it
// connects.
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
  // buffer sizes first, so the accepted connection starts with them.
  int ListenWithBuffers(unsigned int port, unsigned int rbuf, unsigned int sbuf);
  // Gives an open socket the buffer sizes (larger ones only).
  void ApplyBuffers(unsigned int rbuf, unsigned int sbuf);
  // Address of the peer of the connected socket as dotted text; empty when none.
  void PeerAddress(char* out, int size);
  // Local address of the connected socket as dotted text; empty when none.
  void LocalAddress(char* out, int size);
};
