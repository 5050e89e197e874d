// The session's connections take a site's buffer sizes only where they enlarge the system's.
#include <gtest/gtest.h>

#include "ftpScriptServer.h"
#include "vqFtpSocket.h"

TEST(FtpSocket, BufferSizesNeverShrinkTheSystems) {
  fhtest::ftpScriptServer srv("220 ready", [](fhtest::ftpScriptServer&, const std::string&) { return std::string(); });
  // What the system gives a fresh socket.
  vqFtpSocket plain;
  ASSERT_EQ(0, plain.ConnectWithBuffers(srv.Port(), "127.0.0.1", 0, 0));
  const int systemRecv = plain.GetMaxReceive();
  const int systemSend = plain.GetMaxSend();
  ASSERT_GT(systemRecv, 0);
  plain.WS_CloseConnection();
  struct Case {
    unsigned int size;
  } cases[] = {{1}, {4096}, {static_cast<unsigned int>(systemRecv)}};
  for (const Case& c : cases) {
    vqFtpSocket s;
    ASSERT_EQ(0, s.ConnectWithBuffers(srv.Port(), "127.0.0.1", c.size, c.size)) << c.size;
    EXPECT_GE(s.GetMaxReceive(), systemRecv) << "asked for " << c.size;
    EXPECT_GE(s.GetMaxSend(), systemSend) << "asked for " << c.size;
    s.WS_CloseConnection();
  }
  // A larger wish is applied.
  vqFtpSocket big;
  unsigned int wish = static_cast<unsigned int>(systemRecv) * 2;
  ASSERT_EQ(0, big.ConnectWithBuffers(srv.Port(), "127.0.0.1", wish, 0));
  EXPECT_GT(big.GetMaxReceive(), systemRecv);
}
