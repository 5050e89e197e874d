// One request per connection: prime the three standard header lines, connect (to the proxy when it
// is enabled), send the request, read the reply header and, when wanted, the body as text lines (or
// the whole rest into a file), close. A 407 reply is answered once with proxy credentials and a 401
// reply once with server credentials.
#include "vqHttpEngine.h"

#include <stdlib.h>
#include <string.h>

#include "vqBase64.h"
#include "vqCatch.h"
#include "vqHandles.h"
#include "vqHttpReader.h"
#include "vqHttpStatus.h"

namespace {
std::string textOf(const char* s) { return s ? std::string(s) : std::string(); }

bool startsNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    char a = *text, b = *prefix;
    if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}
// The connection as the reply reader's source of line pieces.
int receivePiece(void* engine, char* buffer, int size) {
  vqWsEngine* e = static_cast<vqWsEngine*>(engine);
  return e->ReceiveLine(buffer, size, e->GetReceiveTimeout());
}

// A method or path with a line end in it would end the request line early and let the rest pass
// for header lines (a path can come from a server's own listing).
bool hasLineEnd(const char* text) { return text && strpbrk(text, "\r\n") != nullptr; }
}  // namespace

vqHttpEngine::vqHttpEngine()
    : m_serverPort(80),
      m_proxyPort(80),
      m_proxyEnabled(0),
      m_statusCode(0),
      m_callback(nullptr),
      m_user1(nullptr),
      m_user2(nullptr) {
  memset(&m_notify, 0, sizeof m_notify);
}

vqHttpEngine::~vqHttpEngine() {}

// ---- settings

const char* vqHttpEngine::GetServerURL() const { return m_serverURL.c_str(); }
void vqHttpEngine::SetServerURL(const char* url) {
  VQ_TRY
    m_serverURL = textOf(url);
    m_serverAddress.clear();
  VQ_CATCH_VOID("vqHttpEngine")
}
unsigned int vqHttpEngine::GetServerPort() const { return m_serverPort; }
void vqHttpEngine::SetServerPort(unsigned int port) { m_serverPort = port; }
const char* vqHttpEngine::GetServerUID() const { return m_serverUID.c_str(); }
void vqHttpEngine::SetServerUID(const char* uid) {
  VQ_TRY
    m_serverUID = textOf(uid);
  VQ_CATCH_VOID("vqHttpEngine")
}
const char* vqHttpEngine::GetServerPWD() const { return m_serverPWD.c_str(); }
void vqHttpEngine::SetServerPWD(const char* pwd) {
  VQ_TRY
    m_serverPWD = textOf(pwd);
  VQ_CATCH_VOID("vqHttpEngine")
}
const char* vqHttpEngine::GetProxyURL() const { return m_proxyURL.c_str(); }
void vqHttpEngine::SetProxyURL(const char* url) {
  VQ_TRY
    m_proxyURL = textOf(url);
    m_proxyAddress.clear();
  VQ_CATCH_VOID("vqHttpEngine")
}
unsigned int vqHttpEngine::GetProxyPort() const { return m_proxyPort; }
void vqHttpEngine::SetProxyPort(unsigned int port) { m_proxyPort = port; }
const char* vqHttpEngine::GetProxyUID() const { return m_proxyUID.c_str(); }
void vqHttpEngine::SetProxyUID(const char* uid) {
  VQ_TRY
    m_proxyUID = textOf(uid);
  VQ_CATCH_VOID("vqHttpEngine")
}
const char* vqHttpEngine::GetProxyPWD() const { return m_proxyPWD.c_str(); }
void vqHttpEngine::SetProxyPWD(const char* pwd) {
  VQ_TRY
    m_proxyPWD = textOf(pwd);
  VQ_CATCH_VOID("vqHttpEngine")
}
int vqHttpEngine::GetProxyEnabled() const { return m_proxyEnabled; }
void vqHttpEngine::SetProxyEnabled(int enabled) { m_proxyEnabled = enabled; }

void vqHttpEngine::SetCallback(VQHTTP_CALLBACK callback, void* user1, void* user2) {
  m_callback = callback;
  m_user1 = user1;
  m_user2 = user2;
}

// ---- header tags

int vqHttpEngine::AddSendHeaderTag(const char* line) {
  VQ_TRY
    if (!line) return 0;
    // Line ends inside the text would start a header of the caller's choosing.
    std::string tag;
    for (const char* p = line; *p; ++p)
      if (*p != '\r' && *p != '\n') tag += *p;
    tag += "\r\n";
    return m_sendTags.Add(tag.c_str());
  VQ_CATCH("vqHttpEngine", 0)
}

void vqHttpEngine::ClearSendHeaderTags() { m_sendTags.Clear(); }
int vqHttpEngine::GetSendHeaderTagCount() const { return m_sendTags.GetCount(); }
const char* vqHttpEngine::GetSendHeaderTag(int index) const { return m_sendTags.Get(index); }

void vqHttpEngine::_primeTags() {
  m_sendTags.Clear();
  AddSendHeaderTag(("Host: " + m_serverURL).c_str());
  AddSendHeaderTag("User-Agent: Quillon-DAV-Engine/1.0");
  AddSendHeaderTag("Pragma: No-Cache");
}

void vqHttpEngine::_addBasicAuth(const char* tag, const std::string& uid, const std::string& pwd) {
  std::string credentials = uid + ":" + pwd;
  vqBase64 b64;
  std::string line = std::string(tag) + ": Basic " + b64.Encode(credentials.data(), credentials.size());
  AddSendHeaderTag(line.c_str());
}

// ---- the reply

int vqHttpEngine::GetStatusCode() const { return m_statusCode; }
const char* vqHttpEngine::GetStatusText() const { return m_statusText.c_str(); }
int vqHttpEngine::GetHeaderLineCount() const { return m_headerLines.GetCount(); }
const char* vqHttpEngine::GetHeaderLine(int index) const { return m_headerLines.Get(index); }
int vqHttpEngine::GetBodyLineCount() const { return m_bodyLines.GetCount(); }
const char* vqHttpEngine::GetBodyLine(int index) const { return m_bodyLines.Get(index); }

void vqHttpEngine::ClearReceivedData() {
  m_headerLines.Clear();
  m_bodyLines.Clear();
}

// ---- requests

int vqHttpEngine::HTTP_SendCmd(const char* method, const char* path, int readBody) {
  VQ_TRY
    return _sendCmd(method, path, readBody, nullptr, nullptr);
  VQ_CATCH("vqHttpEngine", _abandon())
}

int vqHttpEngine::HTTP_OPTIONS(const char* path) { return HTTP_SendCmd("OPTIONS", path, 0); }
int vqHttpEngine::HTTP_HEAD(const char* path) { return HTTP_SendCmd("HEAD", path, 0); }
int vqHttpEngine::HTTP_DELETE(const char* path) { return HTTP_SendCmd("DELETE", path, 1); }

int vqHttpEngine::HTTP_GET(const char* path, const char* localFile) {
  VQ_TRY
    if (!localFile || !*localFile) return _sendCmd("GET", path, 1, nullptr, nullptr);
    int fileResult = 0;
    int result = _sendCmd("GET", path, 1, localFile, &fileResult);
    if (m_statusCode == 0 || m_statusCode >= 400) return result;
    return fileResult;
  VQ_CATCH("vqHttpEngine", _abandon())
}

int vqHttpEngine::HTTP_PUT(const char* path, const char* localFile) {
  VQ_TRY
    m_statusCode = 0;
    m_statusText.clear();
    ClearReceivedData();
    if (hasLineEnd(path)) return 2;
    // The server needs the length to know where the upload ends.
    if (!localFile) return 4;
    LARGE_INTEGER size;
    {
      vqFileHandle file(CreateFileA(localFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.IsValid() || !GetFileSizeEx(file, &size)) return 4;
    }

    if (_connect()) return 1;
    std::string request = std::string("PUT ") + textOf(path) + " HTTP/1.0\r\n";
    bool haveLength = false;
    for (int i = 0; i < m_sendTags.GetCount(); ++i) {
      request += m_sendTags.Get(i);
      haveLength = haveLength || startsNoCase(m_sendTags.Get(i), "content-length:");
    }
    if (!haveLength) request += "Content-Length: " + std::to_string(size.QuadPart) + "\r\n";
    request += "\r\n";
    if (_sendAll(request)) {
      WS_CloseConnection();
      return 2;
    }
    long sent = 0;
    int result = SendFile(localFile, sent, 0);
    if (result) {
      WS_CloseConnection();
      return result == 6 ? 7 : result == 1 ? 4 : 2;
    }
    result = _readHeader();
    WS_CloseConnection();
    return result < 100 ? 3 : 0;
  VQ_CATCH("vqHttpEngine", _abandon())
}

int vqHttpEngine::_abandon() {
  WS_CloseConnection();
  return 1;
}

int vqHttpEngine::_sendCmd(const char* method, const char* path, int readBody, const char* localFile, int* fileResult) {
  _primeTags();
  int result = _exchange(method, path, readBody, localFile, fileResult);
  if (result == 407) {
    _addBasicAuth("Proxy-Authorization", m_proxyUID, m_proxyPWD);
    result = _exchange(method, path, readBody, localFile, fileResult);
  }
  if (result == 401) {
    _addBasicAuth("Authorization", m_serverUID, m_serverPWD);
    result = _exchange(method, path, readBody, localFile, fileResult);
  }
  return result;
}

int vqHttpEngine::_exchange(const char* method, const char* path, int readBody, const char* localFile,
                            int* fileResult) {
  m_statusCode = 0;
  m_statusText.clear();
  ClearReceivedData();
  if (hasLineEnd(method) || hasLineEnd(path)) return 2;
  if (_connect()) return 1;

  std::string request = textOf(method) + " " + textOf(path) + " HTTP/1.0\r\n";
  for (int i = 0; i < m_sendTags.GetCount(); ++i) request += m_sendTags.Get(i);
  request += "\r\n";
  if (_sendAll(request)) {
    WS_CloseConnection();
    return 2;
  }

  int status = _readHeader();
  if (status < 100) {
    WS_CloseConnection();
    return status;
  }

  if (localFile && status < 400) {
    long received = 0;
    int r = WS_ReceiveToFile(localFile, 1, received, GetReceiveTimeout());
    if (fileResult) *fileResult = r;
  } else if (readBody || status >= 400) {
    VQHTTP_ReadBodyLines(receivePiece, static_cast<vqWsEngine*>(this), VQHTTP_DEFAULT_LIMITS, m_bodyLines);
  }
  WS_CloseConnection();
  return status;
}

int vqHttpEngine::_connect() {
  WS_CloseConnection();
  const std::string& url = m_proxyEnabled ? m_proxyURL : m_serverURL;
  std::string& address = m_proxyEnabled ? m_proxyAddress : m_serverAddress;
  unsigned int port = m_proxyEnabled ? m_proxyPort : m_serverPort;
  if (address.empty()) {
    if (url.empty()) return 1;
    if (IsIPAddress(url.c_str())) {
      address = url;
    } else {
      char resolved[64];
      if (GetAddressFromName(url.c_str(), resolved, sizeof resolved)) return 1;
      address = resolved;
    }
  }
  if (WS_Connect(port, address.c_str())) {
    WS_CloseConnection();
    return 1;
  }
  return 0;
}

int vqHttpEngine::_sendAll(const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    size_t piece = data.size() - done;
    if (piece > 0x10000) piece = 0x10000;
    int n = WS_Send(data.data() + done, static_cast<int>(piece));
    if (n <= 0) return 1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// Header lines up to the blank line; the status code, or 3 when no usable status line came.
int vqHttpEngine::_readHeader() {
  std::string text;
  int code =
      VQHTTP_ReadHeader(receivePiece, static_cast<vqWsEngine*>(this), VQHTTP_DEFAULT_LIMITS, m_headerLines, text);
  if (code < 100) return code;
  m_statusCode = code;
  m_statusText = text;
  return code;
}
