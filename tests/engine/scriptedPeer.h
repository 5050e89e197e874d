// A server on 127.0.0.1 that plays a script to one client: send bytes, pause, read a line from the
// client, close or reset. It runs on its own thread; after the script it keeps the connection open
// until the client closes it (or the peer is destroyed), reading and recording what the client sends.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "peerSocket.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class scriptedPeer {
 public:
  scriptedPeer() {
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~scriptedPeer() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_listen != INVALID_SOCKET) closesocket(m_listen);
    if (m_started) WSACleanup();
  }
  scriptedPeer(const scriptedPeer&) = delete;
  scriptedPeer& operator=(const scriptedPeer&) = delete;

  scriptedPeer& Send(const std::string& bytes) { return add(kSend, bytes, 0); }
  scriptedPeer& Pause(int ms) { return add(kPause, std::string(), ms); }
  // Reads one line (up to LF) from the client; it is recorded in Lines() without its line end.
  scriptedPeer& ReadLine() { return add(kReadLine, std::string(), 0); }
  // Graceful close: the client sees the end of the stream after what was sent.
  scriptedPeer& Close() { return add(kClose, std::string(), 0); }
  // Hard close (RST).
  scriptedPeer& Reset() { return add(kReset, std::string(), 0); }

  // Listens on an ephemeral port of 127.0.0.1 and starts playing to the first client.
  bool Start() {
    if (!peerListen(m_listen, m_port)) return false;
    m_thread = std::thread([this] { run(); });
    return true;
  }

  unsigned int Port() const { return m_port; }
  // Lines the client sent (ReadLine steps and whatever came after the script).
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_lines;
  }
  // Whether the script ran to its end.
  bool Finished() const { return m_finished; }
  // Waits (up to ms) for the script to finish.
  bool WaitFinished(int ms) {
    for (int waited = 0; !m_finished && waited < ms; waited += 10) Sleep(10);
    return m_finished;
  }

 private:
  enum kind { kSend, kPause, kReadLine, kClose, kReset };
  struct step {
    kind what;
    std::string bytes;
    int ms;
  };

  scriptedPeer& add(kind what, const std::string& bytes, int ms) {
    m_script.push_back(step{what, bytes, ms});
    return *this;
  }

  bool waitReadable(SOCKET s, int maxMs) { return peerWaitReadable(s, maxMs, m_stop); }

  void record(std::string& pending) {
    std::lock_guard<std::mutex> hold(m_mutex);
    while (!pending.empty() && (pending.back() == '\n' || pending.back() == '\r')) pending.pop_back();
    m_lines.push_back(pending);
    pending.clear();
  }

  void run() {
    if (!waitReadable(m_listen, 20000)) return;
    SOCKET s = accept(m_listen, nullptr, nullptr);
    if (s == INVALID_SOCKET) return;
    std::string pending;
    for (const step& st : m_script) {
      if (m_stop) break;
      if (st.what == kSend) {
        size_t done = 0;
        while (done < st.bytes.size()) {
          int n = send(s, st.bytes.data() + done, static_cast<int>(st.bytes.size() - done), 0);
          if (n <= 0) break;
          done += static_cast<size_t>(n);
        }
      } else if (st.what == kPause) {
        for (int waited = 0; waited < st.ms && !m_stop; waited += 10) Sleep(10);
      } else if (st.what == kReadLine) {
        char c;
        while (waitReadable(s, 20000) && recv(s, &c, 1, 0) == 1) {
          if (c == '\n') break;
          pending += c;
        }
        record(pending);
      } else if (st.what == kClose) {
        shutdown(s, SD_SEND);
        break;
      } else if (st.what == kReset) {
        linger hard = {1, 0};
        setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        closesocket(s);
        s = INVALID_SOCKET;
        break;
      }
    }
    m_finished = true;
    // Keep the connection until the client is done with it, recording what it still sends.
    if (s != INVALID_SOCKET) {
      char buf[512];
      while (waitReadable(s, 60000)) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        for (int i = 0; i < n; ++i) {
          if (buf[i] == '\n') {
            record(pending);
          } else {
            pending += buf[i];
          }
        }
      }
      closesocket(s);
    }
  }

  bool m_started = false;
  SOCKET m_listen = INVALID_SOCKET;
  unsigned int m_port = 0;
  std::vector<step> m_script;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_finished{false};
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};
