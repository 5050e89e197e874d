// One Winsock connection (stream or datagram) plus one optional listening socket.
//
// Every wait goes through VQ_Wait (whole one-second passes for a receive) and keeps the calling
// thread's window messages flowing, so a user-interface thread can run a transfer; its thread
// messages stay queued. WS_Cancel cuts a running wait short.
// Lines are read by peeking, so bytes after a line stay in the socket for the next read. A reader
// that took more than it wanted may hand the rest back (Unread): it is read first, before the
// socket. A protected connection (TLS) also holds what its channel decrypted; every read goes
// through both, and HasBufferedInput says so before a wait.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "vqEngineApi.h"

class vqTlsChannel;

// Hook of the default transfer status operations: a return of 1 stops the transfer.
typedef int (*VQWS_CALLBACK)(long bytesSoFar, void* user1, void* user2);

class VQENGINE_API vqWsEngine {
 public:
  vqWsEngine();
  // One object owns its sockets and closes them: never copied.
  vqWsEngine(const vqWsEngine&) = delete;
  vqWsEngine& operator=(const vqWsEngine&) = delete;

  // Transfer status, called after each block; 1 stops the transfer. The defaults call the hooks.
  virtual int WS_SendFileStatus(long bytesSoFar);
  virtual int WS_ReceiveFileStatus(long bytesSoFar);
  // Asynchronous notifications; empty here.
  virtual void OnAsyncNotify(int event, int error);
  virtual void OnAsyncGetNameNotify(int error);
  virtual void OnAsyncGetAddressNotify(int error);
  // Derived engines are deleted through this type (abandoned connections, HTTP engine).
  virtual ~vqWsEngine();

  int WS_Reset();

  // Connecting; addresses are dotted IPv4 text (resolve names first with GetAddressFromName).
  int WS_Connect(unsigned int port, const char* address);
  int WS_Connect(unsigned int port, const char* address, int family, int type);
  int WS_ConnectBound(unsigned int localPort, unsigned int remotePort, const char* localAddress,
                      const char* remoteAddress, int family, int type);
  int WS_CreateUDPSocket(unsigned int localPort, unsigned int remotePort, const char* localAddress,
                         const char* remoteAddress);
  int WS_CloseConnection();

  // Listening (active-mode data connections).
  int WaitForConnect(unsigned int port);
  int WaitForConnect(unsigned int port, int backlog);
  int WaitForConnect(unsigned int port, int backlog, int family, unsigned long address);
  int WaitForAccept(int seconds);
  int AcceptConnection();
  // Local port of the listening socket (host order), 0 when there is none.
  unsigned int GetListenPort();

  // Sending.
  int WS_Send(const char* text);
  int WS_Send(const char* data, int length);
  int SendAsLine(const char* data, int length, int lineLength);
  // Byte counts here and in the status calls wrap past 2 GB: read as unsigned long they are right
  // up to 4 GB. The files themselves may be of any size; TransferredBytes has the whole count.
  int SendFile(const char* path, long& sent, long offset);
  int SendTo(const char* data, int& length);
  int WaitForSend(long seconds, long microseconds);

  // Receiving.
  int WS_WaitForReceive(int milliseconds);
  int Receive(char* buffer, int size, int timeoutMs);
  // recv itself (flags may hold MSG_PEEK), through the connection's TLS channel when it has one.
  int WS_Recv(char* buffer, int size, int flags) { return _recv(buffer, size, flags); }
  // Hands back bytes a read took beyond what it used (at most kHeldMax, before any held already):
  // the next reads return them first. False when they do not fit.
  bool Unread(const char* data, int length);
  enum { kHeldMax = 4096 };
  int ReceiveLine(char* buffer, int size, int timeoutMs);
  int WS_ReceiveToFile(const char* path, int mode, long& received, int timeoutMs);
  int ReceiveFrom(char* buffer, int& size, int timeoutMs);
  int IsDataWaiting();
  int ClearReceiveBuffer();
  // Bytes moved by the running or last SendFile / WS_ReceiveToFile (a starting count not included).
  unsigned long long TransferredBytes() const { return m_transferred; }
  // Largest blocks of SendFile and WS_ReceiveToFile (4096 and 10240 are the least, and the
  // default). With larger ones a receive fills its block from data already waiting before it
  // writes (in file-aligned pieces), and a send grows its block while the link keeps up, so the
  // status calls (and with them the cancel checks) stay frequent on a slow link.
  void SetTransferBlocks(int sendBytes, int receiveBytes);
  int GetSendBlock() const { return m_sendBlock; }
  int GetReceiveBlock() const { return m_recvBlock; }
  static void RemoveCRLF(char* text);
  static int EndWithCRLF(const char* text);

  // Cancel and state.
  void WS_Cancel();
  // A flag of the owner's that also ends every receive wait; waits never clear it.
  void SetStopFlag(const volatile LONG* flag) { m_stopFlag = flag; }
  int IsConnected();
  // Protection of this connection: the channel (already through its handshake) carries every send
  // and receive from now on; the object owns it and ends it (close_notify) with the connection.
  void SetTls(vqTlsChannel* channel);
  vqTlsChannel* GetTls() const { return m_tls; }
  // Received bytes the channel holds already: a wait on the socket would not see them.
  int HasBufferedInput();
  unsigned int GetPort() const { return m_port; }
  SOCKET GetSocket() const { return m_socket; }

  // Options.
  int SetReceiveTimeout(int milliseconds);
  int SetSendTimeout(int milliseconds);
  int GetReceiveTimeout() const { return m_recvTimeout; }
  int GetSendTimeout() const { return m_sendTimeout; }
  // 1 non-blocking, 0 blocking. The mode is remembered and a call that changes nothing asks nothing
  // of the system (each change is a round trip to it under Wine). A data connection stays
  // non-blocking after ConnectWithin and WS_ReceiveToFile; the calls that read or write blocking
  // make it blocking again themselves.
  int SetBlockingMode(unsigned long value);
  int GetMaxSend();
  int GetMaxReceive();
  int SetMaxSend(int bytes);
  int SetMaxReceive(int bytes);
  int SetSocketOption(int option, const void* value, int size);
  int GetSocketOption(int option, void* value);

  // Name and address services.
  static int GetAddressFromName(const char* name, char* out, int outSize);
  static int GetNameFromAddress(const char* address, char* out, int outSize);
  static int IsIPAddress(const char* text);
  int GetHostAddress(char* out, int outSize, int useSocket);

  // Asynchronous notifications through a hidden window of this thread (messages 1151 to 1154).
  int InitAsync(HINSTANCE instance);
  int SetAsyncNotify(long events);
  // The result arrives in the lookup buffer (a hostent) with OnAsyncGetNameNotify /
  // OnAsyncGetAddressNotify; out and outSize are not written.
  int AsyncGetNameFromAddress(const char* address, char* out, int outSize);
  int AsyncGetAddressFromName(const char* name, char* out, int outSize);
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // Hooks of the default transfer status operations.
  void SetRecvCallBackFunction(VQWS_CALLBACK fn, void* user1, void* user2);
  void SetSendCallBackFunction(VQWS_CALLBACK fn, void* user1, void* user2);

  // Splitting at runs of delimiter characters (no empty pieces).
  static int ParseString(const char* text, const char* delimiters, int index, char* out, int outSize);
  static int ParseString(const char* text, const char* delimiters, int index, long& number);
  static int GetParseStringPieces(const char* text, const char* delimiters);

 protected:
  unsigned int m_port;
  char m_hostAddress[32];
  int m_protocol;
  int m_family;
  int m_type;
  WSADATA m_wsaData;
  SOCKET m_socket;
  sockaddr_in m_remoteAddr;
  SOCKET m_listenSocket;
  sockaddr_in m_listenAddr;
  int m_started;
  HWND m_notifyWindow;
  int m_sendTimeout;
  int m_recvTimeout;
  char m_lookupBuffer[1024];
  volatile LONG m_cancel;
  VQWS_CALLBACK m_recvCallback;
  void* m_recvUser1;
  void* m_recvUser2;
  VQWS_CALLBACK m_sendCallback;
  void* m_sendUser1;
  void* m_sendUser2;
  const volatile LONG* m_stopFlag = nullptr;
  int m_sendBlock;
  int m_recvBlock;
  unsigned long long m_transferred = 0;
  int m_nonBlocking = 0;  // the socket's mode as last set (a new socket is blocking)
  // The time-outs are still to be given to the socket: they rule blocking calls only, so a data
  // connection read without blocking never pays for them.
  bool m_timeoutsPending = false;
  int m_knownFamily = 0;  // the open socket's address family once asked (0 not yet)

 private:
  // The block of SendFile and WS_ReceiveToFile, at least size bytes. It is kept between transfers
  // (a small file must not pay for allocating and clearing a large block), and a large one is let
  // go when its transfer ends.
  char* _block(size_t size);
  void _trimBlock();
  char* m_block = nullptr;
  size_t m_blockSize = 0;
  // WS_ReceiveToFile on a socket read without blocking, waiting only when nothing has come.
  int _receiveStreaming(HANDLE file, unsigned long long position, unsigned long long start, long& received,
                        int timeoutMs);
  // Records the peer and makes the socket: 0, 1 already open, 2 no socket.
  int _open(unsigned int port, const char* address, int family, int type);
  int _connect(SOCKET s, int family, const char* address, unsigned int port);
  void _cancelLookup();
  u_long bytesWaiting();
  // The lowest reads and writes: through the TLS channel when there is one, else the socket's own.
  int _recv(char* buffer, int size, int flags);
  int _send(const char* data, int length);
  vqTlsChannel* m_tls = nullptr;
  // Bytes handed back by Unread, m_heldAt..m_heldEnd still to read.
  char m_held[kHeldMax];
  int m_heldAt = 0, m_heldEnd = 0;
  // Look-up still writing into the lookup buffer; cancelled before the object goes.
  HANDLE m_lookupRequest;
};

// Host look-ups used before a session connects; 0 or 1004 (host name could not be resolved).
// name holds at least 132 characters, address at least 32; socketAddress keeps its port.
extern "C" VQENGINE_API unsigned long VQENG_GetLocalHostInfo(char* name, char* address, sockaddr_in* socketAddress);
extern "C" VQENGINE_API unsigned long VQENG_GetRemoteHostInfo(const char* host, char* address,
                                                              sockaddr_in* socketAddress);
