// Text helpers of the socket layer and the host look-ups.
#include <gtest/gtest.h>

#include <string>

#include "vqWsEngine.h"

namespace {

// Winsock for the static look-ups, which run without an engine object.
class winsockEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(1, 1), &data));
  }
  void TearDown() override { WSACleanup(); }
};
::testing::Environment* const g_winsock = ::testing::AddGlobalTestEnvironment(new winsockEnvironment);

struct parseCase {
  const char* text;
  const char* delimiters;
  int index;
  int outSize;
  int result;
  const char* piece;
};

TEST(WsParseString, PiecesBetweenRunsOfDelimiters) {
  const parseCase cases[] = {
      {"  a,, b ", " ,", 0, 16, 0, "a"},
      {"  a,, b ", " ,", 1, 16, 0, "b"},
      {"  a,, b ", " ,", 2, 16, 1, ""},
      {"227 Entering Passive Mode (127,0,0,1,4,1)", "(,)", 5, 16, 0, "4"},
      {"drwxr-xr-x   2 ftp  ftp  4096 Jan  1 pub", " ", 7, 16, 0, "pub"},
      {"abc", " ", 0, 4, 0, "abc"},
      {"abcd", " ", 0, 4, 1, ""},  // piece and terminator do not fit
      {"", " ", 0, 16, 1, ""},
      {"   ", " ", 0, 16, 1, ""},
      {"a b", "", 0, 16, 0, "a b"},  // no delimiters: one piece
      {"a b", " ", -1, 16, 1, ""},
  };
  for (const parseCase& c : cases) {
    char out[32];
    memset(out, '#', sizeof out);
    int result = vqWsEngine::ParseString(c.text, c.delimiters, c.index, out, c.outSize);
    EXPECT_EQ(c.result, result) << "text [" << c.text << "] index " << c.index;
    EXPECT_STREQ(c.piece, out) << "text [" << c.text << "] index " << c.index;
    EXPECT_EQ('#', out[c.outSize]) << "wrote past outSize for [" << c.text << "]";
  }
  char out[4] = "xy";
  EXPECT_EQ(1, vqWsEngine::ParseString(nullptr, " ", 0, out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(1, vqWsEngine::ParseString("a", nullptr, 0, out, sizeof out));
}

TEST(WsParseString, NumbersAndPieceCounts) {
  long n = -1;
  EXPECT_EQ(0, vqWsEngine::ParseString("213 48213", " ", 1, n));
  EXPECT_EQ(48213, n);
  EXPECT_EQ(1, vqWsEngine::ParseString("213", " ", 1, n));
  EXPECT_EQ(1, vqWsEngine::ParseString(("x " + std::string(60, '9')).c_str(), " ", 1, n)) << "over 59 digits";
  EXPECT_EQ(0, vqWsEngine::ParseString(("x " + std::string(59, '1')).c_str(), " ", 1, n));

  struct {
    const char* text;
    const char* delimiters;
    int pieces;
  } counts[] = {{"  a,, b ", " ,", 2}, {"", " ", 0}, {",,,", ",", 0}, {"a", ",", 1}, {"1,2,3,4,5,6", ",", 6}};
  for (const auto& c : counts)
    EXPECT_EQ(c.pieces, vqWsEngine::GetParseStringPieces(c.text, c.delimiters)) << "[" << c.text << "]";
  EXPECT_EQ(0, vqWsEngine::GetParseStringPieces(nullptr, " "));
}

TEST(WsLineEnds, RemoveCRLFAndEndWithCRLF) {
  struct {
    const char* in;
    const char* out;
    int endsWithLineEnd;
  } cases[] = {
      {"220 ok\r\n", "220 ok", 1},
      {"220 ok\n", "220 ok", 1},
      {"220 ok\r", "220 ok", 1},
      {"220 ok", "220 ok", 0},
      {"", "", 0},
      {"\r\n", "", 1},
      {"\n", "", 1},
      {"a\r\r\n", "a\r", 1},
  };
  for (const auto& c : cases) {
    char buf[32];
    strcpy(buf, c.in);
    EXPECT_EQ(c.endsWithLineEnd, vqWsEngine::EndWithCRLF(buf) ? 1 : 0) << "[" << c.in << "]";
    vqWsEngine::RemoveCRLF(buf);
    EXPECT_STREQ(c.out, buf) << "[" << c.in << "]";
  }
  vqWsEngine::RemoveCRLF(nullptr);
  EXPECT_EQ(0, vqWsEngine::EndWithCRLF(nullptr));
}

TEST(WsNames, AddressFromName) {
  struct {
    const char* name;
    int outSize;
    int result;
    const char* address;
  } cases[] = {
      {"127.0.0.1", 32, 0, "127.0.0.1"},     {"anonymous@127.0.0.1", 32, 0, "127.0.0.1"},
      {"a@b@127.0.0.1", 32, 0, "127.0.0.1"}, {"localhost", 32, 0, "127.0.0.1"},
      {"127.0.0.1", 10, 0, "127.0.0.1"},     {"127.0.0.1", 9, 1, ""},
      {"no-such-host.invalid", 32, 2, ""},
  };
  for (const auto& c : cases) {
    char out[32] = "";
    EXPECT_EQ(c.result, vqWsEngine::GetAddressFromName(c.name, out, c.outSize)) << c.name;
    EXPECT_STREQ(c.address, out) << c.name;
  }
  EXPECT_NE(0, vqWsEngine::IsIPAddress("10.1.2.3"));
  EXPECT_EQ(0, vqWsEngine::IsIPAddress("ftp.example.com"));
  EXPECT_EQ(0, vqWsEngine::IsIPAddress(""));
}

TEST(WsNames, RemoteHostInfo) {
  struct {
    const char* host;
    unsigned long result;
    const char* address;
  } cases[] = {
      {"http://127.0.0.1", 0, "127.0.0.1"},     {"127.0.0.1", 0, "127.0.0.1"},      {"bob@localhost", 0, "127.0.0.1"},
      {"http://bob@localhost", 0, "127.0.0.1"}, {"no-such-host.invalid", 1004, ""},
  };
  for (const auto& c : cases) {
    char address[132] = "";
    sockaddr_in sa = {};
    sa.sin_port = htons(2121);
    EXPECT_EQ(c.result, VQENG_GetRemoteHostInfo(c.host, address, &sa)) << c.host;
    EXPECT_STREQ(c.address, address) << c.host;
    EXPECT_EQ(htons(2121), sa.sin_port) << "port left as it was for " << c.host;
    if (c.result == 0) {
      EXPECT_EQ(AF_INET, sa.sin_family) << c.host;
      EXPECT_EQ(inet_addr("127.0.0.1"), sa.sin_addr.s_addr) << c.host;
    }
  }
}

TEST(WsNames, LocalHostInfo) {
  char name[132] = "";
  char address[132] = "";
  sockaddr_in sa = {};
  sa.sin_port = htons(21);
  ASSERT_EQ(0u, VQENG_GetLocalHostInfo(name, address, &sa));
  EXPECT_NE('\0', name[0]);
  EXPECT_NE(0, vqWsEngine::IsIPAddress(address)) << address;
  EXPECT_EQ(AF_INET, sa.sin_family);
  EXPECT_EQ(inet_addr(address), sa.sin_addr.s_addr);
  EXPECT_EQ(htons(21), sa.sin_port);
  char viaName[32];
  vqWsEngine ws;
  EXPECT_EQ(0, ws.GetHostAddress(viaName, sizeof viaName, 0));
  EXPECT_STREQ(address, viaName);
}

}  // namespace
