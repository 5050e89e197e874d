#include "vqWsEngine.h"
#include "vqResults.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

#include <winioctl.h>

#include "vqHandles.h"
#include "vqString.h"
#include "vqTlsChannel.h"
#include "vqWait.h"
#include "vqWinsock.h"

namespace {

const int kSendBlock = 4096;
const int kReceiveBlock = 10240;

// Copies src into out (size bytes, terminator included); 1 if it does not fit, out then untouched.
int copyIfFits(char* out, int outSize, const char* src) {
  size_t n = strlen(src);
  if (out == nullptr || outSize <= 0 || n + 1 > static_cast<size_t>(outSize)) return 1;
  memcpy(out, src, n + 1);
  return 0;
}

// Pieces of text separated by runs of delimiter characters; calls fn(start, length) for each.
template <typename Fn>
int forEachPiece(const char* text, const char* delimiters, Fn fn) {
  int count = 0;
  const char* p = text;
  for (;;) {
    p += strspn(p, delimiters);
    if (*p == '\0') break;
    size_t len = strcspn(p, delimiters);
    if (!fn(count, p, len)) return count;
    ++count;
    p += len;
  }
  return count;
}

// Byte counts reach callers as long. They are added up in 64 bits and handed on modulo 2^32, so a
// count past 2 GB read as unsigned long is right up to 4 GB and no addition overflows.
long countAsLong(unsigned long long n) { return static_cast<long>(static_cast<unsigned long>(n)); }

// True when every byte is zero; quick to say no for ordinary data.
bool allZero(const char* data, size_t size) {
  size_t i = 0;
  for (; i < size && (reinterpret_cast<uintptr_t>(data + i) & 7); ++i)
    if (data[i]) return false;
  for (; i + 64 <= size; i += 64) {
    const unsigned long long* w = reinterpret_cast<const unsigned long long*>(data + i);
    if (w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) return false;
  }
  for (; i < size; ++i)
    if (data[i]) return false;
  return true;
}

// An address from dotted text and a port; `absent` stands in when there is no text.
sockaddr_in addressOf(int family, const char* address, unsigned int port, unsigned long absent) {
  sockaddr_in a;
  memset(&a, 0, sizeof a);
  a.sin_family = static_cast<short>(family);
  a.sin_port = htons(static_cast<u_short>(port));
  a.sin_addr.s_addr = address ? inet_addr(address) : absent;
  return a;
}

const char* afterLastAt(const char* name) {
  const char* at = strrchr(name, '@');
  return at ? at + 1 : name;
}

}  // namespace

vqWsEngine::vqWsEngine()
    : m_port(0),
      m_protocol(0),
      m_family(AF_INET),
      m_type(SOCK_STREAM),
      m_socket(INVALID_SOCKET),
      m_listenSocket(INVALID_SOCKET),
      m_started(0),
      m_notifyWindow(nullptr),
      m_sendTimeout(30000),
      m_recvTimeout(30000),
      m_cancel(0),
      m_recvCallback(nullptr),
      m_recvUser1(nullptr),
      m_recvUser2(nullptr),
      m_sendCallback(nullptr),
      m_sendUser1(nullptr),
      m_sendUser2(nullptr),
      m_sendBlock(kSendBlock),
      m_recvBlock(kReceiveBlock),
      m_lookupRequest(nullptr) {
  m_hostAddress[0] = '\0';
  m_lookupBuffer[0] = '\0';
  memset(&m_remoteAddr, 0, sizeof m_remoteAddr);
  memset(&m_listenAddr, 0, sizeof m_listenAddr);
  memset(&m_wsaData, 0, sizeof m_wsaData);
  m_started = WSAStartup(MAKEWORD(1, 1), &m_wsaData) == 0 ? 1 : 0;
}

vqWsEngine::~vqWsEngine() {
  _cancelLookup();
  if (m_notifyWindow) {
    SetWindowLongPtrA(m_notifyWindow, 0, 0);
    DestroyWindow(m_notifyWindow);
  }
  WS_CloseConnection();
  if (m_started) WSACleanup();
  delete[] m_block;
}

char* vqWsEngine::_block(size_t size) {
  if (m_blockSize < size) {
    delete[] m_block;
    m_block = nullptr;
    m_blockSize = 0;
    m_block = new char[size];
    m_blockSize = size;
  }
  return m_block;
}

void vqWsEngine::_trimBlock() {
  if (m_blockSize <= 65536) return;
  delete[] m_block;
  m_block = nullptr;
  m_blockSize = 0;
}

int vqWsEngine::WS_SendFileStatus(long bytesSoFar) {
  return m_sendCallback ? m_sendCallback(bytesSoFar, m_sendUser1, m_sendUser2) : 0;
}

int vqWsEngine::WS_ReceiveFileStatus(long bytesSoFar) {
  return m_recvCallback ? m_recvCallback(bytesSoFar, m_recvUser1, m_recvUser2) : 0;
}

void vqWsEngine::OnAsyncNotify(int, int) {}
void vqWsEngine::OnAsyncGetNameNotify(int) {}
void vqWsEngine::OnAsyncGetAddressNotify(int) {}

int vqWsEngine::WS_Reset() {
  if (m_started) WSACleanup();
  m_started = WSAStartup(MAKEWORD(1, 1), &m_wsaData) == 0 ? 1 : 0;
  return m_started ? 0 : 1;
}

// ---- connecting

int vqWsEngine::WS_Connect(unsigned int port, const char* address) {
  return WS_Connect(port, address, AF_INET, SOCK_STREAM);
}

int vqWsEngine::_connect(SOCKET s, int family, const char* address, unsigned int port) {
  m_remoteAddr = addressOf(family, address, port, INADDR_NONE);
  return connect(s, reinterpret_cast<sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr) == 0 ? 0 : 1;
}

int vqWsEngine::_open(unsigned int port, const char* address, int family, int type) {
  if (m_socket != INVALID_SOCKET) return 1;
  m_port = port;
  m_family = family;
  m_type = type;
  VQSTR_Copy(m_hostAddress, address, sizeof m_hostAddress);
  m_socket = socket(family, type, 0);
  m_nonBlocking = 0;
  return m_socket == INVALID_SOCKET ? 2 : 0;
}

int vqWsEngine::WS_Connect(unsigned int port, const char* address, int family, int type) {
  if (int r = _open(port, address, family, type)) return r;
  return _connect(m_socket, family, address, port) ? 3 : 0;
}

int vqWsEngine::WS_ConnectBound(unsigned int localPort, unsigned int remotePort, const char* localAddress,
                                const char* remoteAddress, int family, int type) {
  if (int r = _open(remotePort, remoteAddress, family, type)) return r;
  sockaddr_in local = addressOf(family, localAddress, localPort, INADDR_ANY);
  if (bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return 3;
  return _connect(m_socket, family, remoteAddress, remotePort) ? 4 : 0;
}

int vqWsEngine::WS_CreateUDPSocket(unsigned int localPort, unsigned int remotePort, const char* localAddress,
                                   const char* remoteAddress) {
  if (int r = _open(remotePort, remoteAddress, AF_INET, SOCK_DGRAM)) return r;
  sockaddr_in local = addressOf(AF_INET, localAddress, localPort, INADDR_ANY);
  if (bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return 3;
  m_remoteAddr = addressOf(AF_INET, remoteAddress, remotePort, INADDR_NONE);
  return 0;
}

int vqWsEngine::WS_CloseConnection() {
  int result = 0;
  m_heldAt = m_heldEnd = 0;
  if (m_tls) {
    m_tls->Shutdown(m_socket);
    delete m_tls;
    m_tls = nullptr;
  }
  if (m_socket != INVALID_SOCKET) {
    if (m_type == SOCK_STREAM && shutdown(m_socket, SD_BOTH) != 0) result += 1;
    if (closesocket(m_socket) != 0) result += 2;
  }
  if (m_listenSocket != INVALID_SOCKET) {
    if (shutdown(m_listenSocket, SD_BOTH) != 0) result += 4;
    if (closesocket(m_listenSocket) != 0) result += 8;
  }
  m_socket = INVALID_SOCKET;
  m_listenSocket = INVALID_SOCKET;
  m_nonBlocking = 0;
  m_timeoutsPending = false;
  m_knownFamily = 0;
  return result;
}

// ---- listening

int vqWsEngine::WaitForConnect(unsigned int port) { return WaitForConnect(port, 1, AF_INET, INADDR_ANY); }

int vqWsEngine::WaitForConnect(unsigned int port, int backlog) {
  return WaitForConnect(port, backlog, AF_INET, INADDR_ANY);
}

int vqWsEngine::WaitForConnect(unsigned int port, int backlog, int family, unsigned long address) {
  if (m_listenSocket != INVALID_SOCKET) return 1;
  m_listenSocket = socket(family, SOCK_STREAM, m_protocol);
  if (m_listenSocket == INVALID_SOCKET) return 2;
  memset(&m_listenAddr, 0, sizeof m_listenAddr);
  m_listenAddr.sin_family = static_cast<short>(family);
  m_listenAddr.sin_port = htons(static_cast<u_short>(port));
  m_listenAddr.sin_addr.s_addr = address;
  if (bind(m_listenSocket, reinterpret_cast<sockaddr*>(&m_listenAddr), sizeof m_listenAddr) != 0) return 3;
  if (listen(m_listenSocket, backlog) != 0) return 4;
  int len = sizeof m_listenAddr;
  getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&m_listenAddr), &len);
  return 0;
}

unsigned int vqWsEngine::GetListenPort() {
  if (m_listenSocket == INVALID_SOCKET) return 0;
  return ntohs(m_listenAddr.sin_port);
}

int vqWsEngine::WaitForAccept(int seconds) {
  if (m_listenSocket == INVALID_SOCKET || seconds < 0) return 1;
  vqWaitFor w;
  w.socket = m_listenSocket;
  w.timeoutMs = static_cast<DWORD>(seconds) * 1000;
  return VQ_Wait(w) == VQ_WAIT_READY ? 0 : 1;
}

int vqWsEngine::AcceptConnection() {
  if (m_listenSocket == INVALID_SOCKET) return 1;
  sockaddr_in peer;
  int len = sizeof peer;
  SOCKET s = accept(m_listenSocket, reinterpret_cast<sockaddr*>(&peer), &len);
  if (s == INVALID_SOCKET) return 1;
  m_socket = s;
  m_nonBlocking = 0;
  m_remoteAddr = peer;
  m_type = SOCK_STREAM;
  return 0;
}

// ---- sending

int vqWsEngine::WS_Send(const char* text) { return WS_Send(text, -1); }

int vqWsEngine::WS_Send(const char* data, int length) {
  if (data == nullptr) return -1;
  if (length <= 0) length = static_cast<int>(strlen(data));
  return _send(data, length);
}

int vqWsEngine::_send(const char* data, int length) {
  SetBlockingMode(0);
  return m_tls ? m_tls->Send(m_socket, data, length) : send(m_socket, data, length, 0);
}

int vqWsEngine::_recv(char* buffer, int size, int flags) {
  if (m_heldAt < m_heldEnd && buffer && size > 0) {
    const int n = m_heldEnd - m_heldAt < size ? m_heldEnd - m_heldAt : size;
    memcpy(buffer, m_held + m_heldAt, static_cast<size_t>(n));
    if (!(flags & MSG_PEEK)) m_heldAt += n;
    return n;
  }
  return m_tls ? m_tls->Recv(m_socket, buffer, size, flags) : recv(m_socket, buffer, size, flags);
}

void vqWsEngine::SetTls(vqTlsChannel* channel) {
  delete m_tls;
  m_tls = channel;
}

int vqWsEngine::HasBufferedInput() { return m_heldAt < m_heldEnd || (m_tls && m_tls->Buffered()) ? 1 : 0; }

bool vqWsEngine::Unread(const char* data, int length) {
  if (length <= 0) return true;
  if (!data || length > kHeldMax - (m_heldEnd - m_heldAt)) return false;
  // Before what is held already: those bytes came later.
  char joined[kHeldMax];
  memcpy(joined, data, static_cast<size_t>(length));
  memcpy(joined + length, m_held + m_heldAt, static_cast<size_t>(m_heldEnd - m_heldAt));
  m_heldEnd = length + (m_heldEnd - m_heldAt);
  m_heldAt = 0;
  memcpy(m_held, joined, static_cast<size_t>(m_heldEnd));
  return true;
}

int vqWsEngine::SendAsLine(const char* data, int length, int lineLength) {
  if (data == nullptr || lineLength <= 0) return 0;
  if (length < 0) length = static_cast<int>(strlen(data));
  int sent = 0;
  while (sent < length) {
    int piece = length - sent < lineLength ? length - sent : lineLength;
    if (_send(data + sent, piece) != piece) break;
    sent += piece;
    if (_send("\r\n", 2) != 2) break;
  }
  return sent;
}

void vqWsEngine::SetTransferBlocks(int sendBytes, int receiveBytes) {
  m_sendBlock = sendBytes > kSendBlock ? sendBytes : kSendBlock;
  m_recvBlock = receiveBytes > kReceiveBlock ? receiveBytes : kReceiveBlock;
}

int vqWsEngine::SendFile(const char* path, long& sent, long offset) {
  SetBlockingMode(0);
  sent = 0;
  m_transferred = 0;
  if (path == nullptr) return 1;
  vqFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) return 1;
  int result = 0;
  unsigned long long position = offset > 0 ? static_cast<unsigned long long>(offset) : 0;
  if (position > 0) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) result = 1;
  }
  // The block starts small and doubles while a block goes out quickly: a fast link gets large
  // sends, a slow one keeps a status call (and a cancel check) every fraction of a second.
  DWORD size = m_sendBlock > 65536 ? 65536 : static_cast<DWORD>(m_sendBlock);
  const DWORD largest = static_cast<DWORD>(m_sendBlock);
  while (result == 0) {
    char* block = _block(size);
    DWORD want = size;
    // Reads of large blocks start at multiples of the block in the file.
    if (size > static_cast<DWORD>(kSendBlock)) want = size - static_cast<DWORD>(position % size);
    DWORD got = 0;
    if (!ReadFile(file, block, want, &got, nullptr)) {
      result = 1;  // a read failure must not pass for the end of the file
      break;
    }
    if (got == 0) break;
    const DWORD began = GetTickCount();
    // A time-out may let send take only part of the block; the rest goes out before the next one.
    DWORD done = 0;
    while (done < got) {
      int n = WS_Send(block + done, static_cast<int>(got - done));
      if (n <= 0) break;
      done += static_cast<DWORD>(n);
    }
    if (done < got) {
      result = 2;
      break;
    }
    position += got;
    m_transferred += got;
    sent = countAsLong(m_transferred);
    if (WS_SendFileStatus(sent) == 1) result = 6;
    const DWORD took = GetTickCount() - began;
    if (took < 40 && size < largest) {
      size = size * 2 < largest ? size * 2 : largest;
    } else if (took > 250 && size > static_cast<DWORD>(kSendBlock)) {
      size = size / 2 > static_cast<DWORD>(kSendBlock) ? size / 2 : kSendBlock;
    }
  }
  _trimBlock();
  return result;
}

int vqWsEngine::SendTo(const char* data, int& length) {
  if (m_socket == INVALID_SOCKET) return 1;
  if (data == nullptr) return 2;
  int n = sendto(m_socket, data, length, 0, reinterpret_cast<sockaddr*>(&m_remoteAddr), sizeof m_remoteAddr);
  if (n == SOCKET_ERROR) return 2;
  length = n;
  return 0;
}

int vqWsEngine::WaitForSend(long seconds, long microseconds) {
  if (m_socket == INVALID_SOCKET || seconds < 0 || microseconds < 0) return 1;
  vqWaitFor w;
  w.socket = m_socket;
  w.socketWrite = true;
  w.timeoutMs = static_cast<DWORD>(seconds) * 1000 + static_cast<DWORD>(microseconds) / 1000;
  return VQ_Wait(w) == VQ_WAIT_READY ? 0 : 1;
}

// ---- receiving

// Bytes the socket holds already: reading them needs no wait (a wait is several round trips to
// the system, and a reply of many short lines would pay them per line).
u_long vqWsEngine::bytesWaiting() {
  if (HasBufferedInput()) return 1;
  u_long n = 0;
  if (m_socket == INVALID_SOCKET || ioctlsocket(m_socket, FIONREAD, &n) != 0) return 0;
  return n;
}

// Waits are whole one-second passes (a wait below a second only looks once), and data already
// waiting is never a time-out. The thread's windows are served meanwhile; its own thread messages
// (a task thread's jobs) and a quit stay queued for its message loop.
int vqWsEngine::WS_WaitForReceive(int milliseconds) {
  InterlockedExchange(&m_cancel, 0);
  if (m_socket == INVALID_SOCKET) return 1;
  if (HasBufferedInput()) return 0;
  vqWaitFor w;
  w.socket = m_socket;
  w.timeoutMs = milliseconds > 0 ? static_cast<DWORD>(milliseconds / 1000) * 1000 : 0;
  w.stop = &m_cancel;
  if (m_stopFlag) {
    w.poll = [](void* flag) { return *static_cast<const volatile LONG*>(flag) != 0; };
    w.pollContext = const_cast<LONG*>(m_stopFlag);
    w.pollMs = 50;
  }
  return VQ_Wait(w) == VQ_WAIT_READY ? 0 : 1;
}

int vqWsEngine::Receive(char* buffer, int size, int timeoutMs) {
  if (buffer == nullptr || size <= 0) return -1;
  SetBlockingMode(0);
  if (timeoutMs > 0 && WS_WaitForReceive(timeoutMs) != 0) return 0;
  return _recv(buffer, size, 0);
}

int vqWsEngine::ReceiveLine(char* buffer, int size, int timeoutMs) {
  if (buffer == nullptr || size <= 0) return 0;
  SetBlockingMode(0);
  int room = size - 1;
  int total = 0;
  buffer[0] = '\0';
  while (room > 0 && (timeoutMs <= 0 || bytesWaiting() > 0 || WS_WaitForReceive(timeoutMs) == 0)) {
    char* at = buffer + total;
    int peeked = _recv(at, room, MSG_PEEK);
    if (peeked <= 0) break;
    if (peeked > room) peeked = room;
    // A line ends at LF (alone or after CR); a lone CR is ordinary data.
    const char* lf = static_cast<const char*>(memchr(at, '\n', static_cast<size_t>(peeked)));
    int take = lf ? static_cast<int>(lf - at) + 1 : peeked;
    int got = 0;
    while (got < take) {
      int n = _recv(at + got, take - got, 0);
      if (n <= 0) break;
      got += n;
    }
    total += got;
    room -= got;
    buffer[total] = '\0';
    if (lf && got == take) return total;
    if (got < take) break;
  }
  return total;
}

int vqWsEngine::WS_ReceiveToFile(const char* path, int mode, long& received, int timeoutMs) {
  m_transferred = 0;
  if (mode != 1 && mode != 2) return 1;
  if (path == nullptr) return 2;
  vqFileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, mode == 1 ? CREATE_ALWAYS : OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return 2;
  LARGE_INTEGER position;
  position.QuadPart = 0;
  if (mode == 1) {
    received = 0;
  } else {
    // The 64-bit form: the 32-bit one fails on a file of 4 GB or more, and the data would then
    // overwrite the start of the file.
    LARGE_INTEGER none;
    none.QuadPart = 0;
    if (!SetFilePointerEx(file, none, &position, FILE_END)) return 2;
  }
  const unsigned long long start = static_cast<unsigned long>(received);
  if (timeoutMs > 0 && m_socket != INVALID_SOCKET)
    return _receiveStreaming(file, static_cast<unsigned long long>(position.QuadPart), start, received, timeoutMs);

  // No time-out: plain blocking reads, one block at a time.
  SetBlockingMode(0);
  char* block = _block(static_cast<size_t>(m_recvBlock));
  int result = -1;
  while (result < 0) {
    int n = Receive(block, m_recvBlock, 0);
    if (n <= 0) {
      result = n == 0 ? 0 : 4;
      break;
    }
    DWORD written = 0;
    if (!WriteFile(file, block, static_cast<DWORD>(n), &written, nullptr) || written != static_cast<DWORD>(n)) {
      result = 5;
      break;
    }
    m_transferred += static_cast<unsigned long long>(n);
    received = countAsLong(start + m_transferred);
    if (WS_ReceiveFileStatus(received) == 1) result = 6;
  }
  _trimBlock();
  return result;
}

int vqWsEngine::_receiveStreaming(HANDLE file, unsigned long long position, unsigned long long start, long& received,
                                  int timeoutMs) {
  const size_t largest = static_cast<size_t>(m_recvBlock);
  const bool large = m_recvBlock > kReceiveBlock;
  // Large blocks start at 64 KB and double while they fill quickly, as SendFile's do. Each ends at
  // a multiple of its size in the file, so the writes after the first are whole and aligned.
  size_t block = large && largest > 65536 ? 65536 : largest;
  char* data = _block(block);
  auto room = [&]() { return large ? block - static_cast<size_t>(position % block) : block; };
  size_t want = room(), fill = 0;
  int result = -1;
  DWORD lastWrite = GetTickCount();
  bool sparse = false, holeAtEnd = false;
  // Writes what the block holds and reports it: 0 goes on, else the result.
  auto flush = [&]() -> int {
    if (fill == 0) return 0;
    if (large && fill >= 65536 && allZero(data, fill)) {
      // A run of zeros (a sparse file on the server) stays a hole here too; the length is set at
      // the end.
      if (!sparse) {
        DWORD none = 0;
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &none, nullptr);
        sparse = true;
      }
      LARGE_INTEGER by;
      by.QuadPart = static_cast<LONGLONG>(fill);
      if (!SetFilePointerEx(file, by, nullptr, FILE_CURRENT)) return 5;
      holeAtEnd = true;
    } else {
      DWORD written = 0;
      if (!WriteFile(file, data, static_cast<DWORD>(fill), &written, nullptr) || written != fill) return 5;
      holeAtEnd = false;
    }
    position += fill;
    m_transferred += fill;
    const DWORD now = GetTickCount();
    if (fill == want && now - lastWrite < 40 && block < largest) {
      block = block * 2 < largest ? block * 2 : largest;
      data = _block(block);
    }
    fill = 0;
    want = room();
    lastWrite = now;
    received = countAsLong(start + m_transferred);
    return WS_ReceiveFileStatus(received) == 1 ? 6 : 0;
  };
  // Non-blocking reads take what is waiting without a wait; only an empty socket is waited for.
  SetBlockingMode(1);
  while (result < 0) {
    int n = _recv(data + fill, static_cast<int>(want - fill), 0);
    if (n > 0) {
      fill += static_cast<size_t>(n);
      if (fill == want && (result = flush()) == 0) result = -1;
      continue;
    }
    if (n == 0) {
      result = flush();
      break;
    }
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
      int f = flush();
      result = f ? f : 4;
      break;
    }
    if (fill > 0) {
      // A partly filled block waits a moment for the rest, but is written within 100 ms.
      if (GetTickCount() - lastWrite < 100) {
        vqWaitFor w;
        w.socket = m_socket;
        w.timeoutMs = 20;
        w.stop = m_stopFlag;
        if (VQ_Wait(w) == VQ_WAIT_READY) continue;
      }
      if ((result = flush()) == 0) result = -1;
      continue;
    }
    if (WS_WaitForReceive(timeoutMs) != 0) result = 3;
  }
  // The socket stays non-blocking: it is mostly closed next, and a blocking call switches back.
  if (holeAtEnd && !SetEndOfFile(file) && (result == 0 || result == 6)) result = 5;
  _trimBlock();
  return result;
}

int vqWsEngine::ReceiveFrom(char* buffer, int& size, int timeoutMs) {
  if (m_socket == INVALID_SOCKET) return 1;
  SetBlockingMode(0);
  if (timeoutMs > 0 && WS_WaitForReceive(timeoutMs) != 0) return 2;
  if (buffer == nullptr || size <= 0) return 3;
  int len = sizeof m_remoteAddr;
  int n = recvfrom(m_socket, buffer, size, 0, reinterpret_cast<sockaddr*>(&m_remoteAddr), &len);
  if (n == SOCKET_ERROR) return 3;
  size = n;
  return 0;
}

int vqWsEngine::IsDataWaiting() {
  if (HasBufferedInput()) return 1;
  u_long waiting = 0;
  if (ioctlsocket(m_socket, FIONREAD, &waiting) != 0) return 0;
  return waiting > 0 ? 1 : 0;
}

int vqWsEngine::ClearReceiveBuffer() {
  char* block = new char[kReceiveBlock];
  while (IsDataWaiting()) {
    if (Receive(block, kReceiveBlock, m_recvTimeout) <= 0) break;
  }
  delete[] block;
  return 0;
}

void vqWsEngine::RemoveCRLF(char* text) {
  if (text == nullptr) return;
  size_t n = strlen(text);
  if (n >= 2 && (text[n - 2] == '\r' || text[n - 2] == '\n')) {
    text[n - 2] = '\0';
  } else if (n >= 1 && (text[n - 1] == '\r' || text[n - 1] == '\n')) {
    text[n - 1] = '\0';
  }
}

int vqWsEngine::EndWithCRLF(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  char last = text[strlen(text) - 1];
  return last == '\r' || last == '\n';
}

// ---- cancel and state

void vqWsEngine::WS_Cancel() { InterlockedExchange(&m_cancel, 1); }

// Asked from any thread (menus and the view ask while a task uses the connection), so it never
// reads, never waits and never touches the socket's blocking mode: a readable socket with nothing
// to read is one the peer closed or reset.
int vqWsEngine::IsConnected() {
  if (m_socket == INVALID_SOCKET) return 0;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(m_socket, &readable);
  timeval now = {0, 0};
  int selected = select(0, &readable, nullptr, nullptr, &now);
  if (selected == SOCKET_ERROR) {
    int err = WSAGetLastError();
    return err == WSAENOTSOCK || err == WSAENETDOWN || err == WSANOTINITIALISED ? 0 : 1;
  }
  if (selected == 0) return 1;
  BOOL listening = FALSE;
  int size = sizeof listening;
  if (getsockopt(m_socket, SOL_SOCKET, SO_ACCEPTCONN, reinterpret_cast<char*>(&listening), &size) == 0 && listening)
    return 1;  // readable means a caller waits to be accepted
  u_long waiting = 0;
  if (ioctlsocket(m_socket, FIONREAD, &waiting) != 0) return 0;
  return waiting > 0 ? 1 : 0;
}

// ---- options

int vqWsEngine::SetReceiveTimeout(int milliseconds) {
  m_recvTimeout = milliseconds;
  DWORD value = static_cast<DWORD>(milliseconds);
  return setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

int vqWsEngine::SetSendTimeout(int milliseconds) {
  m_sendTimeout = milliseconds;
  DWORD value = static_cast<DWORD>(milliseconds);
  return setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

int vqWsEngine::SetBlockingMode(unsigned long value) {
  const int wanted = value ? 1 : 0;
  if (m_socket != INVALID_SOCKET && wanted == m_nonBlocking) return 0;
  u_long mode = value;
  if (ioctlsocket(m_socket, FIONBIO, &mode) != 0) return 1;
  m_nonBlocking = wanted;
  if (!wanted && m_timeoutsPending) {
    m_timeoutsPending = false;
    if (m_recvTimeout > 0) SetReceiveTimeout(m_recvTimeout);
    if (m_sendTimeout > 0) SetSendTimeout(m_sendTimeout);
  }
  return 0;
}

int vqWsEngine::GetMaxSend() {
  int value = 0;
  int len = sizeof value;
  return getsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&value), &len) == 0 ? value : -1;
}

int vqWsEngine::GetMaxReceive() {
  int value = 0;
  int len = sizeof value;
  return getsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&value), &len) == 0 ? value : -1;
}

int vqWsEngine::SetMaxSend(int bytes) {
  return setsockopt(m_socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

int vqWsEngine::SetMaxReceive(int bytes) {
  return setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

int vqWsEngine::SetSocketOption(int option, const void* value, int size) {
  return setsockopt(m_socket, SOL_SOCKET, option, static_cast<const char*>(value), size);
}

int vqWsEngine::GetSocketOption(int option, void* value) {
  int len = 4;
  return getsockopt(m_socket, SOL_SOCKET, option, static_cast<char*>(value), &len);
}

// ---- names and addresses

int vqWsEngine::GetAddressFromName(const char* name, char* out, int outSize) {
  if (name == nullptr) return 2;
  hostent* host = gethostbyname(afterLastAt(name));
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return 2;
  in_addr addr;
  memcpy(&addr, host->h_addr_list[0], sizeof addr);
  return copyIfFits(out, outSize, inet_ntoa(addr));
}

int vqWsEngine::GetNameFromAddress(const char* address, char* out, int outSize) {
  if (address == nullptr) return 2;
  unsigned long addr = inet_addr(address);
  hostent* host = gethostbyaddr(reinterpret_cast<const char*>(&addr), sizeof addr, AF_INET);
  if (host == nullptr || host->h_name == nullptr) return 2;
  return copyIfFits(out, outSize, host->h_name);
}

int vqWsEngine::IsIPAddress(const char* text) {
  return text != nullptr && *text != '\0' && inet_addr(text) != INADDR_NONE;
}

int vqWsEngine::GetHostAddress(char* out, int outSize, int useSocket) {
  if (out == nullptr || outSize <= 0) return 1;
  if (!useSocket) {
    char name[256];
    if (gethostname(name, sizeof name) == 0) {
      name[sizeof name - 1] = '\0';
      if (GetAddressFromName(name, out, outSize) == 0) return 0;
    }
  }
  if (m_socket == INVALID_SOCKET) return 1;
  sockaddr_in local;
  int len = sizeof local;
  if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &len) != 0) return 1;
  VQSTR_Copy(out, inet_ntoa(local.sin_addr), static_cast<size_t>(outSize));
  return 0;
}

// ---- asynchronous notifications

namespace {
const UINT kMsgAttach = WM_USER + 127;
const UINT kMsgSocket = WM_USER + 128;
const UINT kMsgName = WM_USER + 129;
const UINT kMsgAddress = WM_USER + 130;
const char kAsyncClass[] = "vqWsEngine";
}  // namespace

LRESULT CALLBACK vqWsEngine::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrA(hwnd, 0, 0);
    return TRUE;
  }
  if (msg == kMsgAttach) {
    SetWindowLongPtrA(hwnd, 0, lParam);
    return 1;
  }
  vqWsEngine* self = reinterpret_cast<vqWsEngine*>(GetWindowLongPtrA(hwnd, 0));
  if (self && (msg == kMsgSocket || msg == kMsgName || msg == kMsgAddress)) {
    if (msg == kMsgSocket) {
      self->OnAsyncNotify(LOWORD(lParam), HIWORD(lParam));
    } else {
      self->m_lookupRequest = nullptr;
      if (msg == kMsgName) {
        self->OnAsyncGetNameNotify(HIWORD(lParam));
      } else {
        self->OnAsyncGetAddressNotify(HIWORD(lParam));
      }
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int vqWsEngine::InitAsync(HINSTANCE instance) {
  if (m_notifyWindow) return 0;
  WNDCLASSA wc;
  if (!GetClassInfoA(instance, kAsyncClass, &wc)) {
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = WndProc;
    wc.cbWndExtra = 20;
    wc.hInstance = instance;
    wc.lpszClassName = kAsyncClass;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 1;
  }
  m_notifyWindow = CreateWindowA(kAsyncClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!m_notifyWindow) return 1;
  SendMessageA(m_notifyWindow, kMsgAttach, 0, reinterpret_cast<LPARAM>(this));
  return 0;
}

int vqWsEngine::SetAsyncNotify(long events) {
  if (!m_notifyWindow) return 1;
  return WSAAsyncSelect(m_socket, m_notifyWindow, kMsgSocket, events) == 0 ? 0 : 1;
}

void vqWsEngine::_cancelLookup() {
  if (m_lookupRequest) WSACancelAsyncRequest(m_lookupRequest);
  m_lookupRequest = nullptr;
}

int vqWsEngine::AsyncGetNameFromAddress(const char* address, char*, int) {
  if (!m_notifyWindow || address == nullptr) return 1;
  _cancelLookup();
  unsigned long addr = inet_addr(address);
  m_lookupRequest = WSAAsyncGetHostByAddr(m_notifyWindow, kMsgName, reinterpret_cast<const char*>(&addr), sizeof addr,
                                          AF_INET, m_lookupBuffer, sizeof m_lookupBuffer);
  return m_lookupRequest ? 0 : 1;
}

int vqWsEngine::AsyncGetAddressFromName(const char* name, char*, int) {
  if (!m_notifyWindow || name == nullptr) return 1;
  _cancelLookup();
  m_lookupRequest =
      WSAAsyncGetHostByName(m_notifyWindow, kMsgAddress, afterLastAt(name), m_lookupBuffer, sizeof m_lookupBuffer);
  return m_lookupRequest ? 0 : 1;
}

// ---- hooks

void vqWsEngine::SetRecvCallBackFunction(VQWS_CALLBACK fn, void* user1, void* user2) {
  m_recvCallback = fn;
  m_recvUser1 = user1;
  m_recvUser2 = user2;
}

void vqWsEngine::SetSendCallBackFunction(VQWS_CALLBACK fn, void* user1, void* user2) {
  m_sendCallback = fn;
  m_sendUser1 = user1;
  m_sendUser2 = user2;
}

// ---- text splitting

int vqWsEngine::ParseString(const char* text, const char* delimiters, int index, char* out, int outSize) {
  if (out != nullptr && outSize > 0) out[0] = '\0';
  if (text == nullptr || delimiters == nullptr || out == nullptr || outSize <= 0 || index < 0) return 1;
  int result = 1;
  forEachPiece(text, delimiters, [&](int n, const char* start, size_t len) {
    if (n != index) return true;
    if (len + 1 <= static_cast<size_t>(outSize)) {
      memcpy(out, start, len);
      out[len] = '\0';
      result = 0;
    }
    return false;
  });
  return result;
}

int vqWsEngine::ParseString(const char* text, const char* delimiters, int index, long& number) {
  char piece[60];
  if (ParseString(text, delimiters, index, piece, sizeof piece) != 0) return 1;
  number = atol(piece);
  return 0;
}

int vqWsEngine::GetParseStringPieces(const char* text, const char* delimiters) {
  if (text == nullptr || delimiters == nullptr) return 0;
  return forEachPiece(text, delimiters, [](int, const char*, size_t) { return true; });
}

// ---- host look-ups

namespace {

unsigned long firstAddress(const char* name, char* address, sockaddr_in* socketAddress) {
  hostent* host = gethostbyname(name);
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return VQFTP_UNRESOLVED;
  in_addr addr;
  memcpy(&addr, host->h_addr_list[0], sizeof addr);
  VQSTR_Copy(address, inet_ntoa(addr), 32);
  if (socketAddress) {
    socketAddress->sin_family = AF_INET;
    socketAddress->sin_addr = addr;
  }
  return 0;
}

}  // namespace

unsigned long VQENG_GetLocalHostInfo(char* name, char* address, sockaddr_in* socketAddress) {
  if (name == nullptr || address == nullptr || !VQENG_WinsockReady()) return VQFTP_UNRESOLVED;
  name[0] = '\0';
  address[0] = '\0';
  if (gethostname(name, 132) != 0) {
    name[0] = '\0';
    return VQFTP_UNRESOLVED;
  }
  name[131] = '\0';
  return firstAddress(name, address, socketAddress);
}

unsigned long VQENG_GetRemoteHostInfo(const char* host, char* address, sockaddr_in* socketAddress) {
  if (host == nullptr || address == nullptr || !VQENG_WinsockReady()) return VQFTP_UNRESOLVED;
  address[0] = '\0';
  const char* text = strstr(host, "http://");
  text = text ? text + 7 : host;
  if (vqWsEngine::IsIPAddress(text)) {
    VQSTR_Copy(address, text, 32);
    if (socketAddress) {
      socketAddress->sin_family = AF_INET;
      socketAddress->sin_addr.s_addr = inet_addr(text);
    }
    return 0;
  }
  return firstAddress(afterLastAt(text), address, socketAddress);
}
