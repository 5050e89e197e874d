// An HTTP server on 127.0.0.1 for the engine tests. Each connection gets the next scripted reply:
// the peer reads the request head up to the blank line and a body by its Content-Length, records
// them, writes the reply bytes and closes its side. It runs on its own thread.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "peerSocket.h"

#include <stdlib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct httpRequest {
  std::vector<std::string> head;  // request line and header lines, line ends removed
  std::string body;
  bool complete = false;  // the blank line and the whole announced body arrived
};

class httpPeer {
 public:
  httpPeer() {
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~httpPeer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listen != INVALID_SOCKET) closesocket(m_listen);
    if (m_started) WSACleanup();
  }
  httpPeer(const httpPeer&) = delete;
  httpPeer& operator=(const httpPeer&) = delete;

  // The reply for the next connection; an empty text closes without answering.
  httpPeer& Reply(const std::string& bytes) {
    m_replies.push_back(bytes);
    return *this;
  }

  bool Start() {
    if (!m_started) return false;
    if (!peerListen(m_listen, m_port)) return false;
    m_thread = std::thread([this] { run(); });
    return true;
  }

  unsigned int Port() const { return m_port; }
  int Connections() const { return m_connections; }
  std::vector<httpRequest> Requests() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_requests;
  }
  // Waits (up to ms) until every scripted reply has been played.
  bool WaitDone(int ms) {
    for (int waited = 0; !m_done && waited < ms; waited += 10) Sleep(10);
    return m_done;
  }

  // A reply with a status line, header lines and a body.
  static std::string Answer(const std::string& status, const std::string& headers, const std::string& body) {
    return "HTTP/1.0 " + status + "\r\n" + headers + "\r\n" + body;
  }

 private:
  bool waitReadable(SOCKET s, int maxMs) { return peerWaitReadable(s, maxMs, m_stop); }

  static size_t contentLength(const std::vector<std::string>& head) {
    for (const std::string& line : head)
      if (_strnicmp(line.c_str(), "Content-Length:", 15) == 0) return strtoul(line.c_str() + 15, nullptr, 10);
    return 0;
  }

  httpRequest readRequest(SOCKET s) {
    httpRequest req;
    std::string pending;
    char buf[65536];
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos && waitReadable(s, 20000)) {
      int n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      pending.append(buf, static_cast<size_t>(n));
      headEnd = pending.find("\r\n\r\n");
    }
    if (headEnd == std::string::npos) return req;
    size_t at = 0;
    while (at < headEnd) {
      size_t end = pending.find("\r\n", at);
      req.head.push_back(pending.substr(at, end - at));
      at = end + 2;
    }
    req.body = pending.substr(headEnd + 4);
    size_t want = contentLength(req.head);
    while (req.body.size() < want && waitReadable(s, 20000)) {
      int n = recv(s, buf, sizeof buf, 0);
      if (n <= 0) break;
      req.body.append(buf, static_cast<size_t>(n));
    }
    req.complete = req.body.size() == want;
    return req;
  }

  void run() {
    for (const std::string& reply : m_replies) {
      if (!waitReadable(m_listen, 20000)) break;
      SOCKET s = accept(m_listen, nullptr, nullptr);
      if (s == INVALID_SOCKET) break;
      ++m_connections;
      httpRequest req = readRequest(s);
      {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_requests.push_back(req);
      }
      size_t done = 0;
      while (done < reply.size()) {
        int n = send(s, reply.data() + done, static_cast<int>(reply.size() - done), 0);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      shutdown(s, SD_SEND);
      // Let the client read everything and close first.
      char buf[512];
      while (waitReadable(s, 5000) && recv(s, buf, sizeof buf, 0) > 0) {
      }
      closesocket(s);
    }
    m_done = true;
  }

  bool m_started = false;
  SOCKET m_listen = INVALID_SOCKET;
  unsigned int m_port = 0;
  std::vector<std::string> m_replies;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_done{false};
  std::atomic<int> m_connections{0};
  std::mutex m_mutex;
  std::vector<httpRequest> m_requests;
};
