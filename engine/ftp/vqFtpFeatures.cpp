// What a server offers beyond the classic commands: FEAT, asked once per connection at the first
// moment it matters (a listing, a data connection, a question about names or dates), so a session
// that only logs in says exactly what it always said. A server that refuses FEAT, or never answers
// it, is spoken to as ever.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqFtpProtocol.h"
#include "vqFtpSocket.h"
#include "vqMachineListing.h"
#include "vqResults.h"

void vqFtpEngine::_forgetFeatures() {
  memset(m_features, 0, sizeof *m_features);
  m_mlsdRefused = m_epsvRefused = m_eprtRefused = 0;
  m_utf8On = 0;
  m_featuresInUse.clear();
}

void vqFtpEngine::_askFeatures() {
  if (m_features->asked || !FTP_IsOpen()) return;
  m_features->asked = 1;
  const unsigned long r = _sock_sendcmd("FEAT");
  if (r == 0) {
    VQFTP_ParseFeatures(m_lastReply.c_str(), m_features);
  } else {
    _sock_dumpmessage(1, "The server does not list its features; using the classic commands.\n");
  }
  if (m_features->utf8) {
    // A server that lists UTF8 uses it anyway; a refusal here changes nothing.
    m_utf8On = _sock_sendcmd("OPTS UTF8 ON") == 0;
  }
  _noteFeaturesInUse(true);
}

// Keeps the list of what this session uses, and logs it once FEAT was asked and whenever it changes.
void vqFtpEngine::_noteFeaturesInUse(bool always) {
  std::string in;
  auto add = [&](const char* name) { in += in.empty() ? name : std::string(", ") + name; };
  const bool six = m_control->Family() == AF_INET6;
  if (!m_tlsInUse.empty()) add(m_tlsInUse.c_str());
  if (m_features->mlst && m_useMlsd && !m_mlsdRefused) add("MLSD");
  if ((m_features->epsv || six) && !m_epsvRefused) add("EPSV");
  if (six && !m_eprtRefused) add("EPRT");
  if (m_features->utf8) add("UTF8");
  if (m_features->mdtm) add("MDTM");
  if (m_features->size) add("SIZE");
  if (in != m_featuresInUse || always) {
    m_featuresInUse = in;
    _sock_dumpmessage(1, "Features in use: %s\n", in.empty() ? "none (classic commands)" : in.c_str());
  }
}

int vqFtpEngine::FTP_ServerSaysUtf8() {
  VQ_TRY
    _askFeatures();
    return m_features->utf8 ? 1 : 0;
  VQ_CATCH("vqFtpEngine", 0)
}

const char* vqFtpEngine::FTP_FeaturesInUse() { return m_featuresInUse.c_str(); }

// The last reply as an MDTM answer, "213 20240102030405" (fractions of a second may follow), in
// local time (the server sends UTC).
unsigned long vqFtpEngine::_mdtmTime(FILETIME* localTime) {
  if (m_lastReplyCode != 213) return VQFTP_LIST_FAILED;
  const char* text = m_lastReply.size() > 4 ? m_lastReply.c_str() + 4 : "";
  size_t n = 0;
  while (text[n] && text[n] != ' ' && text[n] != '\r' && text[n] != '\n') ++n;
  int y, mo, d, h, mi, s, ly, lmo, ld, lh, lmi, ls;
  if (!VQLIST_ParseFactTime(text, n, &y, &mo, &d, &h, &mi, &s) ||
      !VQLIST_UtcToLocal(y, mo, d, h, mi, s, &ly, &lmo, &ld, &lh, &lmi, &ls))
    return VQFTP_LIST_FAILED;
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(ly);
  st.wMonth = static_cast<WORD>(lmo);
  st.wDay = static_cast<WORD>(ld);
  st.wHour = static_cast<WORD>(lh);
  st.wMinute = static_cast<WORD>(lmi);
  st.wSecond = static_cast<WORD>(ls);
  return localTime && SystemTimeToFileTime(&st, localTime) ? VQFTP_OK : VQFTP_LIST_FAILED;
}

unsigned long vqFtpEngine::FTP_MDTM(const char* path, FILETIME* localTime) {
  VQ_TRY
    if (localTime) memset(localTime, 0, sizeof *localTime);
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(path)) return r;
    _askFeatures();
    if (!m_features->mdtm) return _SET_RESPONSE(VQFTP_LIST_FAILED);
    unsigned long r = _sock_sendcmd("MDTM %s", path ? path : "");
    if (r != 0) return _SET_RESPONSE(r);
    return _SET_RESPONSE(_mdtmTime(localTime));
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_MDTMMany(const char* const* paths, unsigned count, FILETIME* localTimes,
                                        unsigned long* results) {
  VQ_TRY
    // A group's commands fit any server's input buffer, and its replies ours. A server that lost
    // a group's commands once is asked one command at a time from then on.
    const unsigned group = m_oneByOne ? 1 : 16;
    for (unsigned i = 0; i < count; ++i) {
      memset(&localTimes[i], 0, sizeof localTimes[i]);
      results[i] = VQFTP_LIST_FAILED;
    }
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    _askFeatures();
    if (!m_features->mdtm) return _SET_RESPONSE(VQFTP_LIST_FAILED);
    for (unsigned first = 0; first < count; first += group) {
      const unsigned end = count - first < group ? count : first + group;
      std::string lines;
      std::vector<unsigned> sent;
      for (unsigned i = first; i < end; ++i) {
        const char* path = paths[i] ? paths[i] : "";
        if (VQFTP_HasLineBreak(path)) {
          results[i] = _refuseLineBreak(path);
          continue;
        }
        lines += "MDTM " + std::string(path) + "\r\n";
        sent.push_back(i);
      }
      if (sent.empty()) continue;
      if (!_drainPending()) {
        for (unsigned i = first; i < count; ++i) results[i] = VQFTP_NOT_CONNECTED;
        return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
      }
      for (unsigned i : sent) _announce(std::string("MDTM ") + paths[i]);
      _stopKeepAlive();
      const int wrote = m_control->WS_Send(lines.data(), static_cast<int>(lines.size()));
      _armKeepAlive();
      if (wrote < static_cast<int>(lines.size())) {
        _sock_setwinsockerror();
        m_lastReply = "Unable to SEND().";
        for (unsigned i = first; i < count; ++i) results[i] = VQFTP_SEND_FAILED;
        // Part of the group may have gone out: its replies must not answer later commands.
        _backInStep(static_cast<int>(sent.size()));
        return _SET_RESPONSE(VQFTP_SEND_FAILED);
      }
      for (size_t k = 0; k < sent.size(); ++k) {
        const unsigned i = sent[k];
        m_lastCommand = std::string("MDTM ") + paths[i];
        const unsigned long r = _sock_getresponse();
        if (r == VQFTP_TIMEOUT || r == VQFTP_CANCELLED || r == VQFTP_INTERNAL) {
          for (unsigned j = i; j < count; ++j) results[j] = r;
          if (r == VQFTP_TIMEOUT && sent.size() > 1 && !m_hungUp) {
            m_oneByOne = 1;
            _sock_dumpmessage(1, "The server lost commands sent together; sending one at a time.\n");
          }
          _backInStep(static_cast<int>(sent.size() - k));
          return _SET_RESPONSE(r);
        }
        results[i] = r != 0 ? r : _mdtmTime(&localTimes[i]);
      }
    }
    return _SET_RESPONSE(VQFTP_OK);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}
