// One FTP client session. So far it holds what the result texts are made of: the host, the last
// command and reply, the recorded Winsock error and the notification record handed to callers.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "vqEngineApi.h"

#include "vqSockNotification.h" // handed to the engine's callback

class VQENGINE_API vqFtpEngine {
 public:
  vqFtpEngine();
  ~vqFtpEngine();

  const char* GetURL() const;
  void SetURL(const char* url);
  unsigned long GetLastRetCode() const;

  // Text of a result code, built from the last command, last reply and Winsock error recorded
  // now; valid until the next call on this engine.
  const char* FTP_ErrorString(unsigned long code);
  // Shows the code's text (after prefix and a blank line, when a prefix is given); returns 0.
  unsigned long FTP_DoErrorDlg(unsigned long code, HWND parent, const char* prefix);

 protected:
  // Records WSAGetLastError and its text in the notification.
  void _sock_setwinsockerror();
  // Stores code as the last result with its text; returns code.
  unsigned long _SET_RESPONSE(unsigned long code);

  std::string m_url;
  std::string m_lastCommand;  // without its line end, unmasked
  std::string m_lastReply;    // all lines of the last reply, joined with CR LF
  std::string m_resultText;
  _sock_notification_ m_notify;

 private:
  vqFtpEngine(const vqFtpEngine&);
  vqFtpEngine& operator=(const vqFtpEngine&);
};
