// Directory and file commands of the session, the existence test and the cancel.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "vqCatch.h"
#include "vqResults.h"
#include "vqFtpEngine.h"
#include "vqFtpProtocol.h"
#include "vqFtpSocket.h"

namespace {
std::string withoutTrailing(const char* path, char delim) {
  std::string p(path ? path : "");
  if (!p.empty() && p.back() == delim) p.pop_back();
  return p;
}

bool vmsFamily(_VQ_HOSTTYPE t) {
  return t == VQ_HOST_MULTINET || t == VQ_HOST_VMS || t == VQ_HOST_VMSA55 || t == VQ_HOST_OPENVMS ||
         t == VQ_HOST_MULTINET34;
}
}  // namespace

// A path or name holding CR or LF would reach the server as a second command: it is refused.
unsigned long vqFtpEngine::_refuseLineBreak(const char* text) {
  if (!VQFTP_HasLineBreak(text)) return 0;
  std::string t(text);
  m_lastCommand = t.substr(0, t.find_first_of("\r\n"));
  m_lastReply = "Refused to send a command holding a line break.";
  _sock_dumpmessage(1, "Refused a name holding a line break: %s\n", m_lastCommand.c_str());
  return _SET_RESPONSE(VQFTP_SEND_FAILED);
}

unsigned long vqFtpEngine::FTP_MKD(const char* path) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(path)) return r;
    unsigned long r = 0;
    // A step is the path itself with at most a delimiter and a bracket more per level.
    std::vector<char> step(2 * strlen(path ? path : "") + 4);
    for (int i = 0; VQFTP_MkdStep(path, GetHostDelimChar(), vmsFamily(m_hostType), i, step.data(), step.size()); ++i)
      r = _sock_sendcmd("MKD %s", step.data());
    return _SET_RESPONSE(r);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_RMD(const char* path) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(path)) return r;
    return _SET_RESPONSE(_sock_sendcmd("RMD %s", withoutTrailing(path, GetHostDelimChar()).c_str()));
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_DELE(const char* path) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(path)) return r;
    std::string p = withoutTrailing(path, GetHostDelimChar());
    // No reply (1001) and an unsent command (1008) are failures of their own, never an older code.
    unsigned long r = _sock_sendcmd("DELE %s", p.c_str());
    if (r != 0 && r != VQFTP_TIMEOUT && r != VQFTP_SEND_FAILED && p.find(' ') != std::string::npos &&
        p.find('\'') == std::string::npos)
      r = _sock_sendcmd("DELE %c%s%c", '\'', p.c_str(), '\'');
    return _SET_RESPONSE(r);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_REN(const char* from, const char* to) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(from)) return r;
    if (unsigned long r = _refuseLineBreak(to)) return r;
    const char delim = GetHostDelimChar();
    unsigned long r = _sock_sendcmd("RNFR %s", withoutTrailing(from, delim).c_str());
    if (r == 0) r = _sock_sendcmd("RNTO %s", withoutTrailing(to, delim).c_str());
    return _SET_RESPONSE(r);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

// A listing is a download of the listing command's output, in ASCII. Where the server offers
// machine listings, LIST becomes MLSD (without the switches, which are LIST's own): exact sizes and
// times whatever the host type; a server that refuses MLSD is listed with LIST from then on.
unsigned long vqFtpEngine::_list(const char* verb, const char* localFile, const char* directory, const char* mask,
                                 const char* switches) {
  VQ_TRY
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    for (const char* text : {directory, mask, switches})
      if (unsigned long r = _refuseLineBreak(text)) return r;
    _askFeatures();
    const bool anyName = !mask || !*mask || strcmp(mask, "*") == 0 || strcmp(mask, "*.*") == 0;
    const bool machine = strcmp(verb, "LIST") == 0 && anyName && m_features->mlst && m_useMlsd && !m_mlsdRefused;
    // Lists dir with the verb asked for, or with MLSD in its place.
    auto run = [&](const char* dir) -> unsigned long {
      char cmd[1024];
      const bool mlsd = machine && !m_mlsdRefused;
      if (VQFTP_BuildListCommand(mlsd ? "MLSD" : verb, dir, mlsd ? "" : mask, mlsd ? "" : switches, cmd, sizeof cmd))
        return _SET_RESPONSE(VQFTP_SEND_FAILED);
      unsigned long r = FTP_GetFile(cmd, localFile, 2, 0, 0);
      // Refused as a command (not as a folder): LIST does it, now and from now on.
      if (mlsd && (r == 500 || r == 501 || r == 502 || r == 504)) {
        m_mlsdRefused = 1;
        _sock_dumpmessage(1, "MLSD refused; listing with LIST from now on.\n");
        _noteFeaturesInUse();
        if (VQFTP_BuildListCommand(verb, dir, mask, switches, cmd, sizeof cmd)) return _SET_RESPONSE(VQFTP_SEND_FAILED);
        r = FTP_GetFile(cmd, localFile, 2, 0, 0);
      }
      return r;
    };
    // Servers read a path with blanks as several patterns: such a folder is listed from inside.
    if (directory && strchr(directory, ' ')) {
      char back[1024];
      unsigned int size = sizeof back - 1;
      if (unsigned long r = FTP_PWD(back, size)) return r;
      if (size >= sizeof back - 1) return _SET_RESPONSE(VQFTP_LIST_FAILED);
      if (unsigned long r = FTP_CWD(directory)) return r;
      unsigned long r = run("");
      std::string reply = m_lastReply;
      unsigned long cameBack = FTP_CWD(back);
      m_lastReply = reply;
      return _SET_RESPONSE(r != 0 ? r : cameBack);
    }
    return run(directory);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

unsigned long vqFtpEngine::FTP_LIST(const char* localFile, const char* directory, const char* mask,
                                    const char* switches) {
  return _list("LIST", localFile, directory, mask, switches);
}

unsigned long vqFtpEngine::FTP_NLST(const char* localFile, const char* directory, const char* mask,
                                    const char* switches) {
  return _list("NLST", localFile, directory, mask, switches);
}

// A temporary file of its own for each call, so engines working at once never share one.
int vqFtpEngine::_tempFile(char* out, size_t size) {
  char dir[512];
  DWORD n = GetTempPathA(sizeof dir, dir);
  if (n == 0 || n >= sizeof dir || size < MAX_PATH) return 0;
  return GetTempFileNameA(dir, "fh_", 0, out) != 0;
}

// Lists the whole directory and looks for the name among the entries. Asking the server for
// "NLST directory name" instead is read by many servers (vsftpd among them) as one path with a
// blank in it, which never exists.
unsigned long vqFtpEngine::FTP_Exists(const char* directory, const char* name, int& exists) {
  VQ_TRY
    exists = 0;
    if (!FTP_IsOpen()) return _SET_RESPONSE(VQFTP_NOT_CONNECTED);
    if (unsigned long r = _refuseLineBreak(name)) return r;
    char temp[MAX_PATH + 1];
    if (!_tempFile(temp, sizeof temp)) return _SET_RESPONSE(VQFTP_LOCAL_FILE);
    unsigned long r = FTP_NLST(temp, directory, "", "");
    FILE* f = r == 0 ? fopen(temp, "rb") : nullptr;
    if (f) {
      const char delim = GetHostDelimChar();
      char line[256];
      while (fgets(line, sizeof line, f)) {
        size_t len = strlen(line);
        // A line longer than the buffer is skipped to its end: it cannot be the name.
        bool whole = len > 0 && line[len - 1] == '\n';
        while (len && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = 0;
        if (!whole && !feof(f)) {
          int c;
          while ((c = fgetc(f)) != EOF && c != '\n') {
          }
          continue;
        }
        // Some servers name each entry with the directory in front.
        const char* entry = line;
        if (const char* cut = strrchr(line, delim ? delim : '/')) entry = cut + 1;
        if (*entry && name && strcmp(entry, name) == 0) exists = 1;
      }
      fclose(f);
    }
    DeleteFileA(temp);
    return _SET_RESPONSE(r);
  VQ_CATCH("vqFtpEngine", _SET_RESPONSE(VQFTP_INTERNAL))
}

// Only asks: the thread running the operation sends the abort and reads its replies, so the
// control connection never has two readers. Safe from any thread.
unsigned long vqFtpEngine::FTP_CANCEL() {
  VQ_TRY
    m_cancel = 1;
    _signalConnect();
    if (m_transferring) InterlockedExchange(&m_abortAsked, 1);
    return VQFTP_OK;
  VQ_CATCH("vqFtpEngine", VQFTP_INTERNAL)
}
