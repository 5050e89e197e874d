// What the test servers on 127.0.0.1 share: a listening socket on an ephemeral port, and a
// readable-wait that gives up as soon as the server is being torn down.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>

// Opens a listening socket on 127.0.0.1 with a port of the system's choosing.
inline bool peerListen(SOCKET& listenSocket, unsigned int& port) {
  listenSocket = socket(AF_INET, SOCK_STREAM, 0);
  if (listenSocket == INVALID_SOCKET) return false;
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = inet_addr("127.0.0.1");
  addr.sin_port = 0;
  if (bind(listenSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
  if (listen(listenSocket, 4) != 0) return false;
  int len = sizeof addr;
  getsockname(listenSocket, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return true;
}

// Waits up to maxMs for s to become readable, in 50 ms slices so a stop is seen quickly.
inline bool peerWaitReadable(SOCKET s, int maxMs, const std::atomic<bool>& stop) {
  for (int waited = 0; waited < maxMs && !stop; waited += 50) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv = {0, 50000};
    int r = select(0, &readable, nullptr, nullptr, &tv);
    if (r != 0) return r > 0;
  }
  return false;
}
