// The least a Windows program does per file under this system: a bare FTP loop on one connection
// with blocking Winsock calls (EPSV, connect, RETR or STOR, the data, the closing reply) and no
// checks, progress, dates or message pumping. bench/batch runs it beside our task and lftp, so the
// share of the gap that belongs to the platform shows in the same run.
//
//   bench_floor get <port> <remote folder> <local folder>   (the tree lands as <local folder>)
//   bench_floor put <port> <remote folder> <local folder>   (the tree goes up as <remote folder>)
// Prints "<files> <seconds>", timed from the first transfer command to the last reply.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {
SOCKET control = INVALID_SOCKET;
sockaddr_in server;
std::string pending;

std::string reply() {
  for (;;) {
    size_t end;
    while ((end = pending.find("\r\n")) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 2);
      if (line.size() >= 4 && line[3] == ' ') return line;
    }
    char buf[4096];
    int n = recv(control, buf, sizeof buf, 0);
    if (n <= 0) {
      fprintf(stderr, "the control connection ended\n");
      exit(1);
    }
    pending.append(buf, static_cast<size_t>(n));
  }
}

std::string command(const std::string& text) {
  std::string line = text + "\r\n";
  send(control, line.data(), static_cast<int>(line.size()), 0);
  return reply();
}

SOCKET dataConnection() {
  std::string r = command("EPSV");
  size_t at = r.find("|||");
  if (at == std::string::npos) {
    fprintf(stderr, "EPSV: %s\n", r.c_str());
    exit(1);
  }
  sockaddr_in to = server;
  to.sin_port = htons(static_cast<u_short>(atoi(r.c_str() + at + 3)));
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to);
  return s;
}

// The server's folder as "d name" and "- name" lines, from its Unix-style listing.
std::vector<std::string> listing(const std::string& folder) {
  SOCKET s = dataConnection();
  command("LIST " + folder);
  std::string text;
  char buf[65536];
  int n;
  while ((n = recv(s, buf, sizeof buf, 0)) > 0) text.append(buf, static_cast<size_t>(n));
  closesocket(s);
  reply();
  std::vector<std::string> out;
  size_t from = 0, end;
  while ((end = text.find("\r\n", from)) != std::string::npos) {
    std::string line = text.substr(from, end - from);
    from = end + 2;
    int fields = 0;
    size_t i = 0;
    while (i < line.size() && fields < 8) {  // the name follows eight fields
      while (i < line.size() && line[i] != ' ') ++i;
      while (i < line.size() && line[i] == ' ') ++i;
      ++fields;
    }
    if (fields == 8 && i < line.size()) out.push_back(std::string(1, line[0]) + " " + line.substr(i));
  }
  return out;
}

std::vector<char> block(65536);
long files = 0;

void getTree(const std::string& remote, const std::string& local) {
  CreateDirectoryA(local.c_str(), nullptr);
  for (const std::string& entry : listing(remote)) {
    const std::string name = entry.substr(2);
    if (entry[0] == 'd') {
      getTree(remote + "/" + name, local + "\\" + name);
      continue;
    }
    SOCKET s = dataConnection();
    command("RETR " + remote + "/" + name);
    HANDLE f = CreateFileA((local + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    int n;
    DWORD written;
    while ((n = recv(s, block.data(), static_cast<int>(block.size()), 0)) > 0)
      WriteFile(f, block.data(), static_cast<DWORD>(n), &written, nullptr);
    CloseHandle(f);
    closesocket(s);
    reply();
    ++files;
  }
}

void putTree(const std::string& local, const std::string& remote) {
  command("MKD " + remote);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((local + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      putTree(local + "\\" + name, remote + "/" + name);
      continue;
    }
    SOCKET s = dataConnection();
    command("STOR " + remote + "/" + name);
    HANDLE f = CreateFileA((local + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    DWORD got;
    while (ReadFile(f, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0)
      send(s, block.data(), static_cast<int>(got), 0);
    CloseHandle(f);
    closesocket(s);
    reply();
    ++files;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (strcmp(argv[1], "get") != 0 && strcmp(argv[1], "put") != 0)) {
    fprintf(stderr, "usage: bench_floor get|put <port> <remote folder> <local folder>\n");
    return 2;
  }
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  memset(&server, 0, sizeof server);
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<u_short>(atoi(argv[2])));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  control = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(control, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
    fprintf(stderr, "no server on port %s\n", argv[2]);
    return 1;
  }
  int one = 1;
  setsockopt(control, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  reply();
  command("USER anonymous");
  command("PASS bench@example.com");
  command("TYPE I");
  LARGE_INTEGER frequency, t0, t1;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&t0);
  if (argv[1][0] == 'g')
    getTree(argv[3], argv[4]);
  else
    putTree(argv[4], argv[3]);
  QueryPerformanceCounter(&t1);
  command("QUIT");
  printf("%ld %.3f\n", files, static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
  return 0;
}
