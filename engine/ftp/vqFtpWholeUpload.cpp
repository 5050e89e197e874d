// Uploads that never leave a partial file under the target's name.
#include <string>

#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqResults.h"

namespace {
const char kPartSuffix[] = ".fhpart";
}

unsigned long vqFtpEngine::FTP_PutFileWhole(const char* remote, const char* localFile, unsigned int mode) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(remote)) return r;
    const std::string target = remote ? remote : "";
    const char delim = GetHostDelimChar() ? GetHostDelimChar() : '/';
    const size_t cut = target.find_last_of(delim);
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    if (name.empty()) return FTP_PutFile(remote, localFile, mode);
    const std::string temp = target + kPartSuffix;

    unsigned long r = FTP_PutFile(temp.c_str(), localFile, mode);
    // The server takes no such name (an upload-only folder, a name too long): straight to the target.
    if (r >= 500 && r <= 599) return FTP_PutFile(remote, localFile, mode);
    if (r != 0) {
      // The part left behind goes; the upload's own failure stays the result and its text.
      const std::string command = m_lastCommand, reply = m_lastReply;
      if (FTP_IsOpen() && r != VQFTP_CANCELLED) FTP_DELE(temp.c_str());
      m_lastCommand = command;
      m_lastReply = reply;
      return _SET_RESPONSE(r);
    }
    if (FTP_REN(temp.c_str(), remote) == 0) return _SET_RESPONSE(0);
    // Some servers rename only onto a free name: the old file goes first (the whole new one is
    // safe under its temporary name meanwhile).
    if (FTP_IsOpen() && FTP_DELE(remote) == 0 && FTP_REN(temp.c_str(), remote) == 0) return _SET_RESPONSE(0);
    // No renames at all here: straight to the target, and the temporary copy goes.
    if (!FTP_IsOpen()) return GetLastRetCode();
    r = FTP_PutFile(remote, localFile, mode);
    if (r == 0) {
      FTP_DELE(temp.c_str());
      return _SET_RESPONSE(0);
    }
    return r;
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}
