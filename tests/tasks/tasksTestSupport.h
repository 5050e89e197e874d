// Shared pieces of the background-work tests: the fixture's servers, sites in the prefix's store,
// item lists below the junction, recorded message boxes, and a scripted server for what vsftpd
// will not do (refuse a second connection, stall).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fhServers.h"
#include "uiDriver.h"
#include "shell_lists.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace taskstest {

inline std::string winPath(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string out = "Z:";
  for (char c : unixPath) out += c == '/' ? '\\' : c;
  return out;
}

// Every message box and question, answered without a window.
struct Messages {
  std::mutex lock;
  std::vector<std::string> texts;
  int answer = IDNO;         // for yes/no questions; plain boxes get IDOK
  std::vector<int> answers;  // taken first, in order, by yes/no questions
  static Messages& Get() {
    static Messages m;
    return m;
  }
  static int Provider(const char* text, const char*, unsigned flags, void* self) {
    auto* m = static_cast<Messages*>(self);
    std::lock_guard<std::mutex> hold(m->lock);
    m->texts.push_back(text ? text : "");
    if ((flags & 0xF) != MB_YESNO) return IDOK;
    if (m->answers.empty()) return m->answer;
    int next = m->answers.front();
    m->answers.erase(m->answers.begin());
    return next;
  }
  void Install() { vqSetMessageAnswer(Provider, this); }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock);
    texts.clear();
    answers.clear();
    answer = IDNO;
  }
  std::string All() {
    std::lock_guard<std::mutex> hold(lock);
    std::string s;
    for (auto& t : texts) s += "[" + t + "]";
    return s;
  }
  size_t Count() {
    std::lock_guard<std::mutex> hold(lock);
    return texts.size();
  }
};

// A site at the top of the store; returns its list below the junction.
inline shelltest::List saveSite(const char* name, unsigned port, void (*tune)(vqSiteParams&) = nullptr) {
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetIsCategory(0);
  s.SetURL("127.0.0.1");
  s.SetURLPort(static_cast<unsigned short>(port));
  s.SetIsAnonymous(1);
  s.SetUsername("anonymous");
  s.SetRetryCount(0);
  s.SetTimeout(20);
  s.SetConnectionSaver(1);
  if (tune) tune(s);
  s.SITE_SaveParams("FTP-Sites", name);
  return shelltest::List().foreign(20).own(VQ_KIND_FTPSITE, name);
}

// A site as the store holds it now.
struct StoredSite : vqSiteParams {
  explicit StoredSite(const char* name) : vqSiteParams(2) { SITE_LoadParams("FTP-Sites", name); }
};

// A small FTP server on 127.0.0.1 that follows a script: connections whose number (from 1) is in
// `refused` get "421" and are closed; others log in anonymously and answer the few commands a
// login and a NOOP need. With `stall`, CWD is never answered.
class ScriptServer {
 public:
  std::vector<int> refused;
  bool stall = false;
  DWORD replyDelayMs = 0;  // before every reply after the greeting
  // Files served by RETR (passive only), sent in `chunks` pieces `chunkDelayMs` apart.
  std::string body = std::string(65536, 'f');
  int chunks = 1;
  DWORD chunkDelayMs = 0;
  struct Retr {
    int connection;
    std::string name;
    DWORD start, end;
    bool complete;
  };
  std::vector<Retr> Retrs() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_retrs;
  }
  std::atomic<int> connections{0};
  std::atomic<int> retrsBegun{0};  // RETR commands whose data began, finished or not

  ScriptServer() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    listen(m_listen, 8);
    m_thread = std::thread([this] { Accept(); });
  }
  ~ScriptServer() {
    m_stop = true;
    closesocket(m_listen);
    m_thread.join();
    {
      // Sessions still open (a pooled connection) end here.
      std::lock_guard<std::mutex> hold(m_lock);
      for (SOCKET c : m_open) shutdown(c, SD_BOTH);
    }
    for (auto& t : m_sessions) t.join();
  }
  unsigned Port() const { return m_port; }

 private:
  void Accept() {
    for (;;) {
      SOCKET c = accept(m_listen, nullptr, nullptr);
      if (c == INVALID_SOCKET) return;
      int n = ++connections;
      bool refuse = false;
      for (int r : refused) refuse |= r == n;
      {
        std::lock_guard<std::mutex> hold(m_lock);
        m_open.push_back(c);
      }
      m_sessions.emplace_back([this, c, refuse, n] { Session(c, refuse, n); });
    }
  }
  void Send(SOCKET c, const std::string& line) {
    if (line[0] != '2' || line[1] != '2' || line[2] != '0') Sleep(replyDelayMs);
    send(c, line.c_str(), static_cast<int>(line.size()), 0);
  }
  static SOCKET Listener(unsigned* port) {
    SOCKET l = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    listen(l, 1);
    return l;
  }
  // Sends the body on the passive connection; false when the client went away first.
  bool Serve(SOCKET pasv) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(pasv, &set);
    timeval wait = {10, 0};
    if (select(0, &set, nullptr, nullptr, &wait) != 1) return false;
    SOCKET d = accept(pasv, nullptr, nullptr);
    if (d == INVALID_SOCKET) return false;
    bool ok = true;
    size_t piece = (body.size() + chunks - 1) / chunks;
    for (size_t at = 0; at < body.size() && ok && !m_stop; at += piece) {
      size_t n = std::min(piece, body.size() - at);
      ok = send(d, body.data() + at, static_cast<int>(n), 0) == static_cast<int>(n);
      if (chunkDelayMs) Sleep(chunkDelayMs);
    }
    closesocket(d);
    return ok;
  }
  void Session(SOCKET c, bool refuse, int number) {
    SOCKET pasv = INVALID_SOCKET;
    if (refuse) {
      Send(c, "421 There are too many connections from your internet address.\r\n");
      Sleep(200);
      closesocket(c);
      return;
    }
    Send(c, "220 script server ready\r\n");
    std::string buf;
    char chunk[512];
    for (;;) {
      // A session left open by a failed test ends with the server, not on a wake-up from shutdown.
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(c, &readable);
      timeval pass = {0, 200000};
      int ready = select(0, &readable, nullptr, nullptr, &pass);
      if (m_stop) break;
      if (ready == 0) continue;
      int got = recv(c, chunk, sizeof chunk, 0);
      if (got <= 0 || m_stop) break;
      buf.append(chunk, got);
      size_t end;
      while ((end = buf.find("\r\n")) != std::string::npos) {
        std::string line = buf.substr(0, end);
        buf.erase(0, end + 2);
        std::string verb = line.substr(0, line.find(' '));
        if (verb == "USER")
          Send(c, "331 Please specify the password.\r\n");
        else if (verb == "PASS")
          Send(c, "230 Login successful.\r\n");
        else if (verb == "SYST")
          Send(c, "215 UNIX Type: L8\r\n");
        else if (verb == "PWD")
          Send(c, "257 \"/\" is the current directory\r\n");
        else if (verb == "TYPE")
          Send(c, "200 Switching mode.\r\n");
        else if (verb == "NOOP")
          Send(c, "200 NOOP ok.\r\n");
        else if (verb == "CWD" && stall)
          continue;
        else if (verb == "CWD")
          Send(c, "250 Directory successfully changed.\r\n");
        else if (verb == "SIZE")
          Send(c, "213 " + std::to_string(body.size()) + "\r\n");
        else if (verb == "REST")
          Send(c, "350 Restart position accepted.\r\n");
        else if (verb == "ABOR")
          Send(c, "225 No transfer to ABOR.\r\n");
        else if (verb == "PASV") {
          if (pasv != INVALID_SOCKET) closesocket(pasv);
          unsigned port = 0;
          pasv = Listener(&port);
          Send(c, "227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
                      std::to_string(port & 0xFF) + ").\r\n");
        } else if (verb == "RETR" && pasv != INVALID_SOCKET) {
          Send(c, "150 Opening BINARY mode data connection.\r\n");
          Retr r = {number, line.substr(5), GetTickCount(), 0, false};
          ++retrsBegun;
          r.complete = Serve(pasv);
          r.end = GetTickCount();
          closesocket(pasv);
          pasv = INVALID_SOCKET;
          {
            std::lock_guard<std::mutex> hold(m_lock);
            m_retrs.push_back(r);
          }
          Send(c, r.complete ? "226 Transfer complete.\r\n" : "426 Failure writing network stream.\r\n");
        } else if (verb == "QUIT") {
          Send(c, "221 Goodbye.\r\n");
          closesocket(c);
          return;
        } else
          Send(c, "502 Command not implemented.\r\n");
      }
    }
    closesocket(c);
  }
  std::mutex m_lock;
  std::vector<SOCKET> m_open;
  std::vector<Retr> m_retrs;
  SOCKET m_listen = INVALID_SOCKET;
  unsigned m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  std::vector<std::thread> m_sessions;
};

inline std::string ui_text(HWND dlg) {
  char text[1024] = "";
  GetDlgItemTextA(dlg, 6171, text, sizeof text);
  return text;
}

// A visible window with this title on any thread of the process, waiting up to ms.
inline HWND findWindow(const char* title, DWORD ms) { return ui::WaitForOwnWindow(title, ms); }

}  // namespace taskstest
