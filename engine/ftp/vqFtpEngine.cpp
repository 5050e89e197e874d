#include "vqFtpEngine.h"
#include "vqResults.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "vqCatch.h"
#include "vqEngineModule.h"
#include "vqEngineText.h"
#include "vqFtpProtocol.h"
#include "vqMsg.h"
#include "vqString.h"

namespace {

std::string text(unsigned id) {
  char buf[1024];
  int n = LoadStringA(vqEngineModule(), id, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// printf into a string of whatever length the (untrusted) arguments need. The format is a plain
// pointer: va_start on a reference parameter is undefined.
std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string out = VQFTP_FormatV(fmt, args);
  va_end(args);
  return out;
}

bool isReplyCode(unsigned long code) {
  static const unsigned short kReplies[] = {110, 120, 125, 150, 200, 202, 211, 212, 213, 214, 215, 220, 221,
                                            225, 226, 227, 230, 250, 257, 331, 332, 350, 421, 425, 426, 450,
                                            451, 452, 500, 501, 502, 503, 504, 530, 532, 550, 551, 552, 553};
  for (unsigned short r : kReplies)
    if (r == code) return true;
  return false;
}

bool isWinsockError(int error) {
  static const int kErrors[] = {10004, 10014, 10022, 10024, 10035, 10036, 10038, 10039, 10041, 10043, 10044,
                                10047, 10048, 10049, 10050, 10051, 10053, 10054, 10055, 10056, 10057, 10060,
                                10061, 10064, 10065, 10091, 10092, 10093, 11001, 11002, 11003, 11004};
  for (int e : kErrors)
    if (e == error) return true;
  return false;
}

}  // namespace

const char* vqFtpEngine::GetURL() const { return m_url.c_str(); }

void vqFtpEngine::SetURL(const char* url) {
  VQ_TRY
    m_url = url ? url : "";
  VQ_CATCH_VOID("vqFtpEngine")
}

unsigned long vqFtpEngine::GetLastRetCode() const { return m_notify.result; }

void vqFtpEngine::_sock_setwinsockerror() {
  int error = WSAGetLastError();
  m_notify.sockError = error;
  std::string t;
  if (error == 0) {
    t = text(IDS_VQENG_WSOCK_NOERROR);
  } else {
    std::string phrase = isWinsockError(error) ? text(IDS_VQENG_WSOCK_BASE + static_cast<unsigned>(error - 10000))
                                               : text(IDS_VQENG_WSOCK_UNKNOWN);
    t = format(text(IDS_VQENG_WSOCK_FORMAT).c_str(), phrase.c_str(), static_cast<unsigned>(error));
  }
  VQSTR_Copy(m_notify.sockErrorText, t.c_str(), sizeof m_notify.sockErrorText);
}

const char* vqFtpEngine::FTP_ErrorString(unsigned long code) {
  VQ_TRY
    const bool engineCode = code == 0 || code == 1 || (code >= VQFTP_TIMEOUT && code <= VQFTP_CERT_REFUSED);
    std::string t;
    bool winsockInfo = false;
    if (engineCode) {
      // No reply because the server hung up: the time-out's text would send the user looking for a
      // busy server; the closed session's text says what happened.
      const bool hungUp = code == VQFTP_TIMEOUT && m_hungUp;
      std::string fmt = text(IDS_VQENG_CODE_BASE + static_cast<unsigned>(hungUp ? VQFTP_NOT_CONNECTED : code));
      switch (code) {
        case VQFTP_CONNECT_FAILED:
          if (m_lastReply.empty())
            m_lastReply = m_notify.sockError ? std::string(m_notify.sockErrorText) : text(IDS_VQENG_NO_RESPONSE);
          t = format(fmt.c_str(), m_url.c_str(), m_lastReply.c_str());
          winsockInfo = true;
          break;
        case VQFTP_TLS_FAILED:
        case VQFTP_TLS_REFUSED:
        case VQFTP_CERT_REFUSED:
          t = format(fmt.c_str(), m_url.c_str(), m_lastReply.c_str());
          break;
        case VQFTP_UNRESOLVED:
          t = format(fmt.c_str(), m_url.c_str());
          winsockInfo = true;
          break;
        case VQFTP_SEND_FAILED:
        case VQFTP_DOWNLOAD_FAILED:
        case VQFTP_UPLOAD_FAILED:
          t = format(fmt.c_str(), m_lastCommand.c_str(), m_lastReply.c_str());
          winsockInfo = true;
          break;
        default:
          t = fmt;
          break;
      }
    } else if (isReplyCode(code)) {
      std::string phrase = text(IDS_VQENG_CODE_BASE + static_cast<unsigned>(code));
      t = format(text(IDS_VQENG_REPLY_FORMAT).c_str(), phrase.c_str(), m_lastCommand.c_str(), m_lastReply.c_str());
    } else {
      t = text(IDS_VQENG_CODE_BASE + VQFTP_INTERNAL);
    }
    if (winsockInfo && m_notify.sockError != 0) t += "\n" + text(IDS_VQENG_WINSOCK_INFO) + m_notify.sockErrorText;
    m_resultText = t;
    return m_resultText.c_str();
  VQ_CATCH("vqFtpEngine", "")
}

unsigned long vqFtpEngine::_SET_RESPONSE(unsigned long code) {
  m_notify.result = static_cast<unsigned int>(code);
  VQSTR_Copy(m_notify.resultText, FTP_ErrorString(code), sizeof m_notify.resultText);
  return code;
}

unsigned long vqFtpEngine::FTP_DoErrorDlg(unsigned long code, HWND, const char* prefix) {
  VQ_TRY
    std::string t = FTP_ErrorString(code);
    if (prefix && *prefix) t = std::string(prefix) + "\n\n" + t;
    VQ_MSG(t.c_str(), MB_OK | MB_ICONERROR | MB_TOPMOST);
    return 0;
  VQ_CATCH("vqFtpEngine", 0)
}
