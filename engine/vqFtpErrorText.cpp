// Texts of the session's result codes and of the Winsock error it recorded last.
#include <stdio.h>
#include <string.h>

#include "vqCatch.h"
#include "vqEngineModule.h"
#include "vqEngineText.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

namespace {
std::string text(unsigned id) { return VQ_TEXT(vqEngineModule(), id); }

// Fills the "%s" places of a text-table pattern; texts from servers may hold any length or '%'.
std::string format2(const std::string& pattern, const std::string& a, const std::string& b,
                    const std::string& c = std::string()) {
  std::string out;
  size_t used = 0;
  const std::string* args[] = {&a, &b, &c};
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && used < 3) {
      out += *args[used++];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}
}  // namespace

void vqFtpEngine::_sock_setwinsockerror() {
  int error = WSAGetLastError();
  m_note.sockError = error;
  std::string t;
  if (error == 0) {
    t = text(IDS_VQENG_WSOCK_NOERROR);
  } else {
    std::string phrase;
    if (error >= 10000 && error <= 11100) phrase = text(IDS_VQENG_WSOCK_BASE + static_cast<unsigned>(error - 10000));
    if (phrase.empty()) phrase = text(IDS_VQENG_WSOCK_UNKNOWN);
    char buf[1100];
    snprintf(buf, sizeof buf, text(IDS_VQENG_WSOCK_FORMAT).c_str(), phrase.c_str(), error);
    t = buf;
  }
  snprintf(m_note.sockErrorText, sizeof m_note.sockErrorText, "%s", t.c_str());
}

const char* vqFtpEngine::FTP_ErrorString(unsigned long code) {
  VQ_TRY
    std::string out;
    const std::string winsock = m_note.sockError ? "\n" + text(IDS_VQENG_WINSOCK_INFO) + m_note.sockErrorText : "";
    std::string own = code <= 1099 ? text(IDS_VQENG_CODE_BASE + static_cast<unsigned>(code)) : std::string();
    if (code >= 100 && code <= 599) {
      // "%s\nCommand: %s\nResponse: %s\n" with the phrase, the last command and the reply.
      if (own.empty()) {
        out = text(IDS_VQENG_CODE_BASE + 1099);
      } else {
        out = format2(text(IDS_VQENG_REPLY_FORMAT), own, m_lastCommand, m_lastReply);
      }
    } else if (code == 1003) {
      if (m_lastReply.empty()) m_lastReply = m_note.sockError ? m_note.sockErrorText : text(IDS_VQENG_NO_RESPONSE);
      out = format2(own, m_url, m_lastReply) + winsock;
    } else if (code == 1004) {
      out = format2(own, m_url, "") + winsock;
    } else if (code == 1008 || code == 1011 || code == 1012) {
      out = format2(own, m_lastCommand, m_lastReply) + winsock;
    } else if (!own.empty()) {
      out = own;
    } else {
      out = text(IDS_VQENG_CODE_BASE + 1099);
    }
    m_resultText = out;
    return m_resultText.c_str();
  VQ_CATCH("vqFtpEngine", "")
}

unsigned long vqFtpEngine::FTP_DoErrorDlg(unsigned long code, HWND, const char* prefix) {
  VQ_TRY
    std::string t = FTP_ErrorString(code);
    if (prefix && *prefix) t = std::string(prefix) + "\n\n" + t;
    VQ_MSG(t.c_str(), MB_OK | MB_ICONSTOP | MB_TOPMOST);
    return 0;
  VQ_CATCH("vqFtpEngine", 0)
}
