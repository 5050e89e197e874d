// A small HTTP/1.0 client on one Winsock connection per request: optional proxy, Basic
// authentication retried after 407 and 401, the reply header and a text body kept as lines, GET
// straight into a file and PUT straight from a file.
#pragma once
#include <string>

#include "CUTStringList.h"
#include "vqEngineApi.h"
#include "vqFtpEngine.h"
#include "vqWsEngine.h"

// Same form as the FTP engine's callback; stored only, the HTTP engine sends no notifications.
typedef unsigned long (*VQHTTP_CALLBACK)(_sock_notification_* note, void* user1, void* user2);

class VQENGINE_API vqHttpEngine : public vqWsEngine {
 public:
  vqHttpEngine();
  virtual ~vqHttpEngine();

  const char* GetServerURL() const;
  void SetServerURL(const char* url);
  unsigned int GetServerPort() const;
  void SetServerPort(unsigned int port);
  const char* GetServerUID() const;
  void SetServerUID(const char* uid);
  const char* GetServerPWD() const;
  void SetServerPWD(const char* pwd);
  const char* GetProxyURL() const;
  void SetProxyURL(const char* url);
  unsigned int GetProxyPort() const;
  void SetProxyPort(unsigned int port);
  const char* GetProxyUID() const;
  void SetProxyUID(const char* uid);
  const char* GetProxyPWD() const;
  void SetProxyPWD(const char* pwd);
  int GetProxyEnabled() const;
  void SetProxyEnabled(int enabled);
  void SetCallback(VQHTTP_CALLBACK callback, void* user1, void* user2);

  // Header lines sent with each request (each stored with its CR LF).
  int AddSendHeaderTag(const char* line);
  void ClearSendHeaderTags();
  int GetSendHeaderTagCount() const;
  const char* GetSendHeaderTag(int index) const;

  // One request; the status code, or 1 no connection, 2 send failed, 3 no reply header. A method
  // or path holding CR or LF is not sent: 2.
  int HTTP_SendCmd(const char* method, const char* path, int readBody);
  int HTTP_OPTIONS(const char* path);
  int HTTP_HEAD(const char* path);
  int HTTP_DELETE(const char* path);
  // With a local file the body goes into it and the result is that of the file receive (0 on
  // success); a status of 400 or more leaves the file alone and is returned as it is.
  int HTTP_GET(const char* path, const char* localFile);
  // 0, or 1 no connection, 2 send failed (or a path holding CR or LF, not sent), 3 no reply header,
  // 4 local file unreadable, 7 stopped by the send status hook.
  int HTTP_PUT(const char* path, const char* localFile);

  // The last reply.
  int GetStatusCode() const;
  const char* GetStatusText() const;
  int GetHeaderLineCount() const;
  const char* GetHeaderLine(int index) const;
  int GetBodyLineCount() const;
  const char* GetBodyLine(int index) const;
  void ClearReceivedData();

 private:
  vqHttpEngine(const vqHttpEngine&) = delete;
  vqHttpEngine& operator=(const vqHttpEngine&) = delete;

  int _sendCmd(const char* method, const char* path, int readBody, const char* localFile, int* fileResult);
  int _exchange(const char* method, const char* path, int readBody, const char* localFile, int* fileResult);
  int _connect();
  int _sendAll(const std::string& data);
  int _readHeader();
  void _primeTags();
  void _addBasicAuth(const char* tag, const std::string& uid, const std::string& pwd);
  int _abandon();

  std::string m_serverURL;
  unsigned int m_serverPort;
  std::string m_serverUID, m_serverPWD;
  std::string m_serverAddress;
  std::string m_proxyURL;
  unsigned int m_proxyPort;
  std::string m_proxyUID, m_proxyPWD;
  std::string m_proxyAddress;
  int m_proxyEnabled;
  CUTStringList m_sendTags;
  int m_statusCode;
  std::string m_statusText;
  CUTStringList m_headerLines;
  CUTStringList m_bodyLines;
  VQHTTP_CALLBACK m_callback;
  void* m_user1;
  void* m_user2;
  _sock_notification_ m_notify;
};
