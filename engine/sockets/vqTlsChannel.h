// TLS on one connected socket through the system's own provider (Schannel, through SSPI).
//
// The channel keeps two buffers: bytes read from the socket that are not yet a whole record, and
// decrypted bytes not yet taken. Every read of a protected connection goes through Recv, so a reply
// read by peeking, a line read and a file received all see the same stream; a caller about to wait
// on the socket first asks Buffered(), because bytes already decrypted make the socket look idle.
//
// The control connection and the data connections of one session share one credentials object:
// Schannel keeps its session cache per credentials handle and server name, which is how a data
// connection resumes the control connection's session where the provider can.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>

#include <string>
#include <vector>

class vqTlsCredentials {
 public:
  // One reference; 0 when the provider refuses (the reason then in `why`).
  static vqTlsCredentials* Create(std::string* why);
  void AddRef() { InterlockedIncrement(&m_refs); }
  void Release() {
    if (InterlockedDecrement(&m_refs) == 0) delete this;
  }
  CredHandle* Handle() { return &m_handle; }

 private:
  vqTlsCredentials() = default;
  ~vqTlsCredentials();
  vqTlsCredentials(const vqTlsCredentials&) = delete;
  vqTlsCredentials& operator=(const vqTlsCredentials&) = delete;
  CredHandle m_handle{};
  volatile LONG m_refs = 1;
};

class vqTlsChannel {
 public:
  explicit vqTlsChannel(vqTlsCredentials* credentials);
  ~vqTlsChannel();
  vqTlsChannel(const vqTlsChannel&) = delete;
  vqTlsChannel& operator=(const vqTlsChannel&) = delete;

  // The client handshake on connected socket s, naming serverName to the server. Waits for the
  // server within timeoutMs per step and ends early when stop(context) says so. 0 on success;
  // otherwise the reason is in ErrorText().
  typedef bool (*StopFn)(void* context);
  int Handshake(SOCKET s, const char* serverName, DWORD timeoutMs, StopFn stop, void* context);
  // Encrypts and sends all of data: length, or -1 (the socket's error is kept for WSAGetLastError).
  int Send(SOCKET s, const char* data, int length);
  // Like recv: flags may hold MSG_PEEK. 0 when the peer closed (close_notify or the connection's
  // end), -1 on an error (a non-blocking socket with nothing whole yet gives WSAEWOULDBLOCK).
  int Recv(SOCKET s, char* buffer, int size, int flags);
  // Decrypted bytes are waiting, or whole records still to be decrypted.
  bool Buffered() const;
  // Sends close_notify, without waiting for the peer's.
  void Shutdown(SOCKET s);

  // "TLS 1.3", "TLS 1.2" ... once the handshake is done.
  const char* Protocol() const { return m_protocol.c_str(); }
  // The server's certificate, to be freed with CertFreeCertificateContext; null when none.
  PCCERT_CONTEXT RemoteCertificate();
  const char* ErrorText() const { return m_error.c_str(); }
  // The handshake ended because it was told to stop.
  bool Cancelled() const { return m_cancelled; }

 private:
  int _handshakeLoop(SOCKET s, DWORD timeoutMs, StopFn stop, void* context, bool haveInput);
  int _sendAll(SOCKET s, const char* data, int length);
  int _fail(const char* what, SECURITY_STATUS status);
  // Decrypts the whole records in m_raw into m_plain: 1 something came, 0 more bytes needed,
  // -1 failed, 2 the peer closed.
  int _decrypt(SOCKET s);

  vqTlsCredentials* m_credentials;
  CtxtHandle m_context{};
  bool m_haveContext = false;
  std::string m_serverName;
  SecPkgContext_StreamSizes m_sizes{};
  std::vector<char> m_raw;    // encrypted bytes read ahead
  size_t m_rawLen = 0;
  std::vector<char> m_plain;  // decrypted bytes not yet taken
  size_t m_plainPos = 0;
  bool m_closed = false;
  bool m_needMore = false;  // m_raw holds only part of a record
  bool m_cancelled = false;
  std::string m_protocol;
  std::string m_error;
};

// Checks a server's certificate against the system's trust for the host name: 0 when trusted,
// else the reason in `why`.
int VQTLS_CheckCertificate(PCCERT_CONTEXT certificate, const char* host, std::string* why);
// The SHA-256 fingerprint of a certificate as "AB:CD:..." (95 characters); empty on failure.
std::string VQTLS_Fingerprint(PCCERT_CONTEXT certificate);
// Subject and issuer in one line, for the question and the log.
std::string VQTLS_Describe(PCCERT_CONTEXT certificate);
