#include "vqTlsChannel.h"

#include <stdio.h>
#include <string.h>

#include "vqWait.h"

namespace {

const unsigned long kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                               ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION |
                               ISC_REQ_EXTENDED_ERROR;
// A handshake message or record larger than this is no server we can talk to.
const size_t kRawMax = 64 * 1024;
const unsigned char kAlertRecord = 21;

#ifndef SP_PROT_TLS1_3_CLIENT
#define SP_PROT_TLS1_3_CLIENT 0x00002000
#endif

std::string statusText(SECURITY_STATUS status) {
  switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
      return "the server offers no protocol or cipher in common";
    case SEC_E_ILLEGAL_MESSAGE:
      return "the server sent something that is not TLS";
    case SEC_E_DECRYPT_FAILURE:
    case SEC_E_MESSAGE_ALTERED:
      return "a record could not be decrypted";
    case SEC_E_UNTRUSTED_ROOT:
    case SEC_E_CERT_UNKNOWN:
    case SEC_E_WRONG_PRINCIPAL:
      return "the certificate was refused";
    case SEC_E_INTERNAL_ERROR:
      return "the TLS provider failed";
    case SEC_E_INVALID_TOKEN:
      return "the server's handshake was not understood";
    default:
      break;
  }
  char text[64];
  snprintf(text, sizeof text, "TLS error 0x%08lX", static_cast<unsigned long>(status));
  return text;
}

// The provider's functions. secur32 starts Winsock as it loads, and nothing may start while the
// library loads: it is loaded at the first secure connection.
PSecurityFunctionTableA sspi() {
  static PSecurityFunctionTableA table = []() -> PSecurityFunctionTableA {
    HMODULE module = LoadLibraryA("secur32.dll");
    if (!module) return nullptr;
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(
        reinterpret_cast<void*>(GetProcAddress(module, "InitSecurityInterfaceA")));
    return init ? init() : nullptr;
  }();
  return table;
}

void freeToken(SecBuffer& b) {
  if (b.pvBuffer) sspi()->FreeContextBuffer(b.pvBuffer);
  b.pvBuffer = nullptr;
  b.cbBuffer = 0;
}

// Waits until s can be read: 0 it can, 1 time-out, 2 stopped.
int waitReadable(SOCKET s, DWORD timeoutMs, vqTlsChannel::StopFn stop, void* context) {
  vqWaitFor w;
  w.socket = s;
  w.timeoutMs = timeoutMs;
  w.poll = stop;
  w.pollContext = context;
  w.pollMs = 50;
  vqWaitResult r = VQ_Wait(w);
  return r == VQ_WAIT_READY ? 0 : r == VQ_WAIT_STOPPED ? 2 : 1;
}

}  // namespace

// ---- credentials

vqTlsCredentials* vqTlsCredentials::Create(std::string* why) {
  if (!sspi()) {
    if (why) *why = "the system's TLS provider (secur32.dll) could not be loaded";
    return nullptr;
  }
  vqTlsCredentials* c = new vqTlsCredentials;
  // TLS 1.2 and 1.3 first; a provider that knows no 1.3 refuses the pair, and then gets its own
  // defaults (which never include the broken old protocols on a current system).
  const DWORD choices[] = {SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT, SP_PROT_TLS1_2_CLIENT, 0};
  SECURITY_STATUS status = SEC_E_INTERNAL_ERROR;
  for (DWORD protocols : choices) {
    SCHANNEL_CRED cred;
    memset(&cred, 0, sizeof cred);
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = protocols;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    status = sspi()->AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                                       &cred, nullptr, nullptr, &c->m_handle, &expiry);
    if (status == SEC_E_OK) return c;
  }
  if (why) *why = "the system's TLS provider is not available (" + statusText(status) + ")";
  c->m_handle.dwLower = c->m_handle.dwUpper = 0;
  c->Release();
  return nullptr;
}

vqTlsCredentials::~vqTlsCredentials() {
  if (m_handle.dwLower || m_handle.dwUpper) sspi()->FreeCredentialsHandle(&m_handle);
}

// ---- channel

vqTlsChannel::vqTlsChannel(vqTlsCredentials* credentials) : m_credentials(credentials) {
  m_credentials->AddRef();
}

vqTlsChannel::~vqTlsChannel() {
  if (m_haveContext) sspi()->DeleteSecurityContext(&m_context);
  m_credentials->Release();
}

int vqTlsChannel::_fail(const char* what, SECURITY_STATUS status) {
  m_error = what;
  if (status != SEC_E_OK) m_error += ": " + statusText(status);
  return 1;
}

int vqTlsChannel::_sendAll(SOCKET s, const char* data, int length) {
  int done = 0;
  while (done < length) {
    int n = send(s, data + done, length - done, 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
      vqWaitFor w;
      w.socket = s;
      w.socketWrite = true;
      w.timeoutMs = 30000;
      if (VQ_Wait(w) == VQ_WAIT_READY) continue;
    }
    return -1;
  }
  return done;
}

int vqTlsChannel::Handshake(SOCKET s, const char* serverName, DWORD timeoutMs, StopFn stop, void* context) {
  m_serverName = serverName ? serverName : "";
  m_raw.assign(kRawMax, 0);
  m_rawLen = 0;
  SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
  unsigned long attributes = 0;
  SECURITY_STATUS status = sspi()->InitializeSecurityContextA(
      m_credentials->Handle(), nullptr, m_serverName.empty() ? nullptr : const_cast<char*>(m_serverName.c_str()),
      kRequest, 0, 0, nullptr, 0, &m_context, &outDesc, &attributes, nullptr);
  if (status != SEC_I_CONTINUE_NEEDED) {
    freeToken(out[0]);
    return _fail("The TLS handshake could not start", status);
  }
  m_haveContext = true;
  const int sent = out[0].cbBuffer ? _sendAll(s, static_cast<const char*>(out[0].pvBuffer), out[0].cbBuffer) : 0;
  const int wanted = static_cast<int>(out[0].cbBuffer);
  freeToken(out[0]);
  if (sent != wanted) return _fail("The TLS handshake could not be sent", SEC_E_OK);
  if (int r = _handshakeLoop(s, timeoutMs, stop, context, false)) return r;

  if ((status = sspi()->QueryContextAttributesA(&m_context, SECPKG_ATTR_STREAM_SIZES, &m_sizes)) != SEC_E_OK)
    return _fail("The TLS connection gives no record sizes", status);
  SecPkgContext_ConnectionInfo info;
  memset(&info, 0, sizeof info);
  m_protocol = "TLS";
  if (sspi()->QueryContextAttributesA(&m_context, SECPKG_ATTR_CONNECTION_INFO, &info) == SEC_E_OK) {
    if (info.dwProtocol & SP_PROT_TLS1_3_CLIENT)
      m_protocol = "TLS 1.3";
    else if (info.dwProtocol & SP_PROT_TLS1_2_CLIENT)
      m_protocol = "TLS 1.2";
    else if (info.dwProtocol & SP_PROT_TLS1_1_CLIENT)
      m_protocol = "TLS 1.1";
    else if (info.dwProtocol & SP_PROT_TLS1_0_CLIENT)
      m_protocol = "TLS 1.0";
  }
  const size_t record = m_sizes.cbHeader + m_sizes.cbMaximumMessage + m_sizes.cbTrailer;
  if (m_raw.size() < record + 1024) m_raw.resize(record + 1024);
  return 0;
}

// Feeds the server's handshake messages to the provider until it is done. haveInput: m_raw already
// holds bytes to give it (a renegotiation's first message).
int vqTlsChannel::_handshakeLoop(SOCKET s, DWORD timeoutMs, StopFn stop, void* context, bool haveInput) {
  bool read = !haveInput;
  for (;;) {
    if (read) {
      if (m_rawLen >= m_raw.size()) return _fail("The server's handshake message is too large", SEC_E_OK);
      if (int w = waitReadable(s, timeoutMs, stop, context)) {
        m_cancelled = w == 2;
        return _fail(w == 2 ? "The TLS handshake was cancelled" : "The server did not answer the TLS handshake",
                     SEC_E_OK);
      }
      int n = recv(s, m_raw.data() + m_rawLen, static_cast<int>(m_raw.size() - m_rawLen), 0);
      if (n <= 0) return _fail("The server closed the connection during the TLS handshake", SEC_E_OK);
      m_rawLen += static_cast<size_t>(n);
    }
    SecBuffer in[2] = {{static_cast<unsigned long>(m_rawLen), SECBUFFER_TOKEN, m_raw.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
    unsigned long attributes = 0;
    SECURITY_STATUS status = sspi()->InitializeSecurityContextA(
        m_credentials->Handle(), &m_context, m_serverName.empty() ? nullptr : const_cast<char*>(m_serverName.c_str()),
        kRequest, 0, 0, &inDesc, 0, nullptr, &outDesc, &attributes, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      freeToken(out[0]);
      read = true;
      continue;
    }
    // A token goes out even with a failure: it is then the alert that tells the server why.
    if (out[0].cbBuffer && out[0].pvBuffer) {
      const int wanted = static_cast<int>(out[0].cbBuffer);
      const int sent = _sendAll(s, static_cast<const char*>(out[0].pvBuffer), wanted);
      freeToken(out[0]);
      if (sent != wanted && !FAILED(status)) return _fail("The TLS handshake could not be sent", SEC_E_OK);
    }
    freeToken(out[0]);
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= m_rawLen) {
      memmove(m_raw.data(), m_raw.data() + (m_rawLen - in[1].cbBuffer), in[1].cbBuffer);
      m_rawLen = in[1].cbBuffer;
    } else if (status != SEC_I_INCOMPLETE_CREDENTIALS) {
      m_rawLen = 0;
    }
    if (status == SEC_E_OK) return 0;
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
      // The server asks for a client certificate; we have none and go on without.
      read = false;
      continue;
    }
    if (status != SEC_I_CONTINUE_NEEDED) return _fail("The TLS handshake failed", status);
    read = m_rawLen == 0;
  }
}

int vqTlsChannel::Send(SOCKET s, const char* data, int length) {
  if (!m_haveContext || data == nullptr || length < 0) {
    WSASetLastError(WSAENOTCONN);
    return -1;
  }
  std::vector<char> record(m_sizes.cbHeader + m_sizes.cbMaximumMessage + m_sizes.cbTrailer);
  int done = 0;
  while (done < length) {
    const unsigned long piece =
        static_cast<unsigned long>(length - done) < m_sizes.cbMaximumMessage ? length - done : m_sizes.cbMaximumMessage;
    memcpy(record.data() + m_sizes.cbHeader, data + done, piece);
    SecBuffer b[4] = {{m_sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                      {piece, SECBUFFER_DATA, record.data() + m_sizes.cbHeader},
                      {m_sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + m_sizes.cbHeader + piece},
                      {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, b};
    if (sspi()->EncryptMessage(&m_context, 0, &desc, 0) != SEC_E_OK) {
      WSASetLastError(WSAECONNABORTED);
      return -1;
    }
    // The provider may use less trailer than it asked room for: the buffers say what to send.
    const int total = static_cast<int>(b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer);
    if (b[1].pvBuffer != record.data() + b[0].cbBuffer) memmove(record.data() + b[0].cbBuffer, b[1].pvBuffer, b[1].cbBuffer);
    if (b[2].pvBuffer != record.data() + b[0].cbBuffer + b[1].cbBuffer)
      memmove(record.data() + b[0].cbBuffer + b[1].cbBuffer, b[2].pvBuffer, b[2].cbBuffer);
    if (_sendAll(s, record.data(), total) != total) return -1;
    done += static_cast<int>(piece);
  }
  return length;
}

bool vqTlsChannel::Buffered() const { return m_plainPos < m_plain.size() || (m_rawLen > 0 && !m_needMore); }

int vqTlsChannel::_decrypt(SOCKET s) {
  while (m_rawLen > 0) {
    SecBuffer b[4] = {{static_cast<unsigned long>(m_rawLen), SECBUFFER_DATA, m_raw.data()},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, b};
    const unsigned char recordType = static_cast<unsigned char>(m_raw[0]);
    const size_t plainBefore = m_plain.size() - m_plainPos;
    SECURITY_STATUS status = sspi()->DecryptMessage(&m_context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      m_needMore = true;
      return 0;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) {
      m_closed = true;
      m_rawLen = 0;
      return 2;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) {
      _fail("A protected record could not be read", status);
      return -1;
    }
    const SecBuffer* extra = nullptr;
    for (const SecBuffer& one : b) {
      if (one.BufferType == SECBUFFER_DATA && one.cbBuffer > 0) {
        if (m_plainPos == m_plain.size()) {
          m_plain.clear();
          m_plainPos = 0;
        }
        const char* at = static_cast<const char*>(one.pvBuffer);
        m_plain.insert(m_plain.end(), at, at + one.cbBuffer);
      } else if (one.BufferType == SECBUFFER_EXTRA && one.cbBuffer > 0) {
        extra = &one;
      }
    }
    if (extra && extra->cbBuffer <= m_rawLen) {
      memmove(m_raw.data(), m_raw.data() + (m_rawLen - extra->cbBuffer), extra->cbBuffer);
      m_rawLen = extra->cbBuffer;
    } else {
      m_rawLen = 0;
    }
    // An alert record that yields nothing is the peer's close_notify; some providers (Wine's) do not
    // say SEC_I_CONTEXT_EXPIRED for it, and a server that waits for ours would hold the connection.
    if (status == SEC_E_OK && recordType == kAlertRecord && m_plain.size() - m_plainPos == plainBefore) {
      m_closed = true;
      m_rawLen = 0;
      return m_plainPos < m_plain.size() ? 1 : 2;
    }
    if (status == SEC_I_RENEGOTIATE) {
      // The server's post-handshake messages (TLS 1.3 tickets, a key update) go back to the
      // provider as a handshake continues.
      if (_handshakeLoop(s, 30000, nullptr, nullptr, m_rawLen > 0) != 0) return -1;
    }
  }
  m_needMore = false;
  return m_plainPos < m_plain.size() ? 1 : 0;
}

int vqTlsChannel::Recv(SOCKET s, char* buffer, int size, int flags) {
  if (buffer == nullptr || size <= 0) return 0;
  while (m_plainPos == m_plain.size()) {
    if (m_closed) return 0;
    if (m_rawLen > 0 && !m_needMore) {
      int r = _decrypt(s);
      if (r < 0) {
        WSASetLastError(WSAECONNABORTED);
        return -1;
      }
      if (r == 2) return 0;
      if (r == 1) break;
    }
    if (m_rawLen >= m_raw.size()) {
      _fail("A protected record is larger than any TLS record", SEC_E_OK);
      WSASetLastError(WSAECONNABORTED);
      return -1;
    }
    int n = recv(s, m_raw.data() + m_rawLen, static_cast<int>(m_raw.size() - m_rawLen), 0);
    if (n <= 0) return n;
    m_rawLen += static_cast<size_t>(n);
    m_needMore = false;
  }
  const size_t have = m_plain.size() - m_plainPos;
  const size_t take = have < static_cast<size_t>(size) ? have : static_cast<size_t>(size);
  memcpy(buffer, m_plain.data() + m_plainPos, take);
  if (!(flags & MSG_PEEK)) m_plainPos += take;
  return static_cast<int>(take);
}

void vqTlsChannel::Shutdown(SOCKET s) {
  if (!m_haveContext || m_closed || s == INVALID_SOCKET) return;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer in[1] = {{sizeof type, SECBUFFER_TOKEN, &type}};
  SecBufferDesc inDesc = {SECBUFFER_VERSION, 1, in};
  if (sspi()->ApplyControlToken(&m_context, &inDesc) != SEC_E_OK) return;
  SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
  unsigned long attributes = 0;
  SECURITY_STATUS status = sspi()->InitializeSecurityContextA(
      m_credentials->Handle(), &m_context, m_serverName.empty() ? nullptr : const_cast<char*>(m_serverName.c_str()),
      kRequest, 0, 0, nullptr, 0, nullptr, &outDesc, &attributes, nullptr);
  if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out[0].cbBuffer && out[0].pvBuffer)
    send(s, static_cast<const char*>(out[0].pvBuffer), static_cast<int>(out[0].cbBuffer), 0);
  freeToken(out[0]);
  m_closed = true;
}

PCCERT_CONTEXT vqTlsChannel::RemoteCertificate() {
  PCCERT_CONTEXT cert = nullptr;
  if (!m_haveContext) return nullptr;
  if (sspi()->QueryContextAttributesA(&m_context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK) return nullptr;
  return cert;
}

// ---- certificates

int VQTLS_CheckCertificate(PCCERT_CONTEXT certificate, const char* host, std::string* why) {
  if (!certificate) {
    if (why) *why = "the server sent no certificate";
    return 1;
  }
  CERT_CHAIN_PARA para;
  memset(&para, 0, sizeof para);
  para.cbSize = sizeof para;
  // A chain engine of our own reads the system's trust afresh, so a root the user added while the
  // program runs counts at the next connect.
  CERT_CHAIN_ENGINE_CONFIG config;
  memset(&config, 0, sizeof config);
  config.cbSize = sizeof config;
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine)) engine = nullptr;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  const BOOL built =
      CertGetCertificateChain(engine, certificate, nullptr, certificate->hCertStore, &para, 0, nullptr, &chain);
  if (!built) {
    if (engine) CertFreeCertificateChainEngine(engine);
    if (why) *why = "its chain of trust could not be built";
    return 1;
  }
  std::wstring name;
  if (host) {
    int n = MultiByteToWideChar(CP_ACP, 0, host, -1, nullptr, 0);
    if (n > 0) {
      name.resize(static_cast<size_t>(n));
      MultiByteToWideChar(CP_ACP, 0, host, -1, &name[0], n);
    }
  }
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl;
  memset(&ssl, 0, sizeof ssl);
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = name.empty() ? nullptr : &name[0];
  CERT_CHAIN_POLICY_PARA policy;
  memset(&policy, 0, sizeof policy);
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status;
  memset(&status, 0, sizeof status);
  status.cbSize = sizeof status;
  BOOL ran = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
  CertFreeCertificateChain(chain);
  if (engine) CertFreeCertificateChainEngine(engine);
  if (!ran) {
    if (why) *why = "it could not be checked";
    return 1;
  }
  if (status.dwError == 0) return 0;
  if (why) {
    switch (static_cast<HRESULT>(status.dwError)) {
      case CERT_E_CN_NO_MATCH:
        *why = std::string("it was issued for another host name than ") + (host ? host : "");
        break;
      case CERT_E_UNTRUSTEDROOT:
      case CERT_E_UNTRUSTEDTESTROOT:
        *why = "it is not issued by an authority this system trusts";
        break;
      case CERT_E_EXPIRED:
        *why = "it has expired or is not valid yet";
        break;
      case CERT_E_REVOKED:
        *why = "it has been revoked";
        break;
      case CERT_E_CHAINING:
        *why = "its chain of trust is incomplete";
        break;
      default: {
        char text[80];
        snprintf(text, sizeof text, "it did not pass the system's check (0x%08lX)",
                 static_cast<unsigned long>(status.dwError));
        *why = text;
      }
    }
  }
  return 1;
}

std::string VQTLS_Fingerprint(PCCERT_CONTEXT certificate) {
  if (!certificate) return std::string();
  std::string out;
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return out;
  HCRYPTHASH hash = 0;
  BYTE digest[32];
  DWORD size = sizeof digest;
  if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
      CryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest) {
    static const char hex[] = "0123456789ABCDEF";
    for (DWORD i = 0; i < size; ++i) {
      if (i) out += ':';
      out += hex[digest[i] >> 4];
      out += hex[digest[i] & 15];
    }
  }
  if (hash) CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  return out;
}

std::string VQTLS_Describe(PCCERT_CONTEXT certificate) {
  if (!certificate) return std::string();
  char subject[256] = "", issuer[256] = "";
  CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, sizeof subject);
  CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, CERT_NAME_ISSUER_FLAG, nullptr, issuer, sizeof issuer);
  return std::string("issued to ") + subject + " by " + issuer;
}
