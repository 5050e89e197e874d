// A scripted FTP server for the protocol corners real servers will not show: it greets each
// control connection, records every command line and answers through a handler that runs on the
// server's thread. The handler may open a passive listener and send data on it.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fhtest {

class ftpScriptServer {
 public:
  // Returns the reply to send (CR LF added per line when missing); "" sends nothing; "<close>"
  // drops the connection.
  typedef std::function<std::string(ftpScriptServer& s, const std::string& line)> handler;

  explicit ftpScriptServer(const std::string& greeting, handler h) : m_greeting(greeting), m_handler(h) {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
    m_listen = listenOn(&m_port);
    m_thread = std::thread([this] { run(); });
  }
  ~ftpScriptServer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    for (std::thread& t : m_sessions) t.join();
    closeSocket(m_listen);
    closeSocket(m_shared.pasv);
    WSACleanup();
  }
  ftpScriptServer(const ftpScriptServer&) = delete;
  ftpScriptServer& operator=(const ftpScriptServer&) = delete;

  unsigned int Port() const { return m_port; }
  // Some servers read a command and throw away whatever else had already come with it.
  std::atomic<bool> dropsWhatCameTogether{false};
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_lines;
  }
  int Connections() const { return m_connections; }
  // Control connections the client has not closed yet.
  int OpenConnections() const { return m_open; }

  // For handlers: a passive listener; returns "227 ... (h1,h2,h3,h4,p1,p2)" naming `address`.
  std::string OpenPassive(const char* address = "127,0,0,1") {
    dataState& d = here();
    closeSocket(d.pasv);
    d.usePort = false;
    unsigned int port = 0;
    d.pasv = listenOn(&port);
    char text[128];
    snprintf(text, sizeof text, "227 Entering Passive Mode (%s,%u,%u).", address, port >> 8, port & 0xFF);
    return text;
  }
  // For handlers: a passive listener announced as EPSV does it: "229 ... (|||port|)".
  std::string OpenExtendedPassive() {
    std::string pasv = OpenPassive();
    unsigned a[6] = {};
    sscanf(pasv.c_str() + pasv.find('(') + 1, "%u,%u,%u,%u,%u,%u", &a[0], &a[1], &a[2], &a[3], &a[4], &a[5]);
    return "229 Entering Extended Passive Mode (|||" + std::to_string(a[4] * 256 + a[5]) + "|)";
  }
  // For handlers: accepts the client's data connection (passive listener, or a connect to the
  // address of the last PORT) and sends data on it, then closes it.
  bool SendData(const std::string& data) { return SendDataThen(data, false); }
  // The same, ending with a reset instead of a clean close when reset is true.
  bool SendDataThen(const std::string& data, bool reset) {
    SOCKET s = dataConnection();
    if (s == INVALID_SOCKET) return false;
    // A client that stops reading (a cancelled transfer) must not hold the server thread forever.
    DWORD sendLimitMs = 10000;
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendLimitMs), sizeof sendLimitMs);
    size_t done = 0;
    while (done < data.size()) {
      int n = send(s, data.data() + done, static_cast<int>(data.size() - done), 0);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (reset) {
      linger hard = {1, 0};
      setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    } else {
      shutdown(s, SD_SEND);
    }
    closesocket(s);
    return done == data.size();
  }
  // For handlers: accepts the client's data connection and reads it to its end (10 s at most).
  std::string ReceiveData() {
    std::string data;
    SOCKET s = dataConnection();
    if (s == INVALID_SOCKET) return data;
    char buf[8192];
    while (readable(s, 10000)) {
      int n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      data.append(buf, static_cast<size_t>(n));
    }
    closesocket(s);
    return data;
  }
  // For handlers: accepts the client's data connection, reads `bytes` of it, then resets it.
  size_t ReceiveDataThenReset(size_t bytes) {
    SOCKET s = dataConnection();
    if (s == INVALID_SOCKET) return 0;
    size_t got = 0;
    char buf[8192];
    while (got < bytes && readable(s, 10000)) {
      int n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    closesocket(s);
    return got;
  }
  // For handlers: work to do after the reply went out (send data, then the closing reply it returns).
  void Then(std::function<std::string()> after) { here().then = after; }
  // For handlers: the address of a PORT argument.
  void RememberPort(const std::string& arg) {
    unsigned a[6] = {};
    if (sscanf(arg.c_str(), "%u,%u,%u,%u,%u,%u", &a[0], &a[1], &a[2], &a[3], &a[4], &a[5]) == 6) {
      dataState& d = here();
      d.portAddr = {};
      d.portAddr.sin_family = AF_INET;
      d.portAddr.sin_addr.s_addr = htonl((a[0] << 24) | (a[1] << 16) | (a[2] << 8) | a[3]);
      d.portAddr.sin_port = htons(static_cast<u_short>(a[4] * 256 + a[5]));
      d.usePort = true;
    }
  }

 private:
  // What one control connection said about its next data connection: sessions served at the same
  // time must never take each other's listener or PORT address.
  struct dataState {
    SOCKET pasv = INVALID_SOCKET;
    sockaddr_in portAddr = {};
    bool usePort = false;
    std::function<std::string()> then;
  };
  // The calling session's state; a call from outside any session uses one shared state.
  dataState& here() {
    std::lock_guard<std::mutex> hold(m_mutex);
    auto found = m_data.find(std::this_thread::get_id());
    return found != m_data.end() ? found->second : m_shared;
  }

  static void closeSocket(SOCKET& s) {
    if (s != INVALID_SOCKET) closesocket(s);
    s = INVALID_SOCKET;
  }
  static SOCKET listenOn(unsigned int* port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(s, 8);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return s;
  }
  static bool arrived(SOCKET s) {
    fd_set r;
    FD_ZERO(&r);
    FD_SET(s, &r);
    timeval now = {0, 0};
    return select(0, &r, nullptr, nullptr, &now) > 0;
  }
  bool readable(SOCKET s, int ms) {
    for (int waited = 0; waited < ms && !m_stop; waited += 50) {
      fd_set r;
      FD_ZERO(&r);
      FD_SET(s, &r);
      timeval tv = {0, 50000};
      int n = select(0, &r, nullptr, nullptr, &tv);
      if (n != 0) return n > 0;
    }
    return false;
  }
  SOCKET dataConnection() {
    dataState& d = here();
    if (d.usePort) {
      d.usePort = false;
      SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
      if (connect(s, reinterpret_cast<sockaddr*>(&d.portAddr), sizeof d.portAddr) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
      }
      return s;
    }
    if (d.pasv == INVALID_SOCKET || !readable(d.pasv, 10000)) return INVALID_SOCKET;
    SOCKET s = accept(d.pasv, nullptr, nullptr);
    closeSocket(d.pasv);
    return s;
  }
  static void sendAll(SOCKET s, std::string text) {
    if (text.empty()) return;
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
    send(s, text.data(), static_cast<int>(text.size()), 0);
  }
  // Each control connection is served on its own thread: a client may leave an abandoned
  // connection open while it tries again on a new one.
  void run() {
    while (!m_stop) {
      if (!readable(m_listen, 60000)) return;
      SOCKET c = accept(m_listen, nullptr, nullptr);
      if (c == INVALID_SOCKET) return;
      ++m_connections;
      m_sessions.emplace_back([this, c] { serve(c); });
    }
  }
  void serve(SOCKET c) {
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_data[std::this_thread::get_id()] = dataState();
    }
    dataState& d = here();
    ++m_open;
    sendAll(c, m_greeting);
    std::string line;
    bool open = true;
    while (open && readable(c, 60000)) {
      char ch;
      int n = recv(c, &ch, 1, 0);
      if (n <= 0) break;
      if (ch != '\n') {
        line += ch;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      for (char dropped[256]; dropsWhatCameTogether && arrived(c);)
        if (recv(c, dropped, sizeof dropped, 0) <= 0) break;
      // Telnet interrupt bytes in front of an urgent command are not part of it.
      while (!line.empty() && static_cast<unsigned char>(line[0]) >= 0xF0) line.erase(0, 1);
      {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_lines.push_back(line);
      }
      std::string reply = m_handler(*this, line);
      if (reply == "<close>") {
        open = false;
      } else {
        sendAll(c, reply);
        if (d.then) {
          std::function<std::string()> after = d.then;
          d.then = nullptr;
          sendAll(c, after());
        }
      }
      line.clear();
    }
    closesocket(c);
    closeSocket(d.pasv);
    --m_open;
  }

  std::string m_greeting;
  handler m_handler;
  SOCKET m_listen = INVALID_SOCKET;
  unsigned int m_port = 0;
  // std::map keeps each session's entry in place while others are added.
  std::map<std::thread::id, dataState> m_data;
  dataState m_shared;
  std::thread m_thread;
  std::vector<std::thread> m_sessions;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connections{0};
  std::atomic<int> m_open{0};
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

// Answers of a plain server after login (SYST, PWD, TYPE, NOOP); "" when the line is none of them.
// A plain server knows no FEAT and says so, as servers of its age do.
inline std::string plainAnswer(const std::string& line) {
  if (line == "FEAT") return "500 'FEAT': command not understood.";
  // A server without TLS refuses it; a site that asks when offered then logs in as ever.
  if (line.compare(0, 5, "AUTH ") == 0) return "502 Command not implemented.";
  if (line == "SYST") return "215 UNIX Type: L8";
  if (line == "PWD") return "257 \"/\" is the current directory";
  if (line.compare(0, 4, "TYPE") == 0) return "200 Type set.";
  if (line == "NOOP") return "200 NOOP ok.";
  if (line == "QUIT") return "221 Goodbye.";
  if (line.compare(0, 4, "ABOR") == 0) return "226 Abort ok.";
  return "";
}

}  // namespace fhtest
