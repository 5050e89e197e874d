// Asynchronous socket events and look-ups delivered through the engine's hidden window.
#include <gtest/gtest.h>

#include <string>

#include "scriptedPeer.h"
#include "vqWsEngine.h"

namespace {

class asyncProbe : public vqWsEngine {
 public:
  int readEvents = 0;
  int closeEvents = 0;
  int lookups = 0;
  int lookupError = -1;
  std::string found;

  void OnAsyncNotify(int event, int) override {
    if (event == FD_READ) ++readEvents;
    if (event == FD_CLOSE) ++closeEvents;
  }
  void OnAsyncGetAddressNotify(int error) override {
    ++lookups;
    lookupError = error;
    if (error == 0) {
      const hostent* h = reinterpret_cast<const hostent*>(m_lookupBuffer);
      in_addr a;
      memcpy(&a, h->h_addr_list[0], sizeof a);
      found = inet_ntoa(a);
    }
  }
  void OnAsyncGetNameNotify(int error) override {
    ++lookups;
    lookupError = error;
    if (error == 0) found = reinterpret_cast<const hostent*>(m_lookupBuffer)->h_name;
  }
};

template <typename Done>
bool pumpUntil(Done done, int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (done()) return true;
    Sleep(10);
  }
  return done();
}

TEST(WsAsync, NothingWithoutTheWindow) {
  asyncProbe ws;
  EXPECT_EQ(1, ws.SetAsyncNotify(FD_READ));
  EXPECT_EQ(1, ws.AsyncGetAddressFromName("localhost", nullptr, 0));
  EXPECT_EQ(1, ws.AsyncGetNameFromAddress("127.0.0.1", nullptr, 0));
}

TEST(WsAsync, LookupsReportThroughTheNotifyOperations) {
  asyncProbe ws;
  ASSERT_EQ(0, ws.InitAsync(GetModuleHandleA(nullptr)));
  ASSERT_EQ(0, ws.AsyncGetAddressFromName("anonymous@localhost", nullptr, 0));
  ASSERT_TRUE(pumpUntil([&] { return ws.lookups == 1; }, 10000));
  EXPECT_EQ(0, ws.lookupError);
  EXPECT_EQ("127.0.0.1", ws.found);

  ASSERT_EQ(0, ws.AsyncGetAddressFromName("no-such-host.invalid", nullptr, 0));
  ASSERT_TRUE(pumpUntil([&] { return ws.lookups == 2; }, 10000));
  EXPECT_NE(0, ws.lookupError);

  asyncProbe second;  // the window class is registered once and shared
  EXPECT_EQ(0, second.InitAsync(GetModuleHandleA(nullptr)));
  ASSERT_EQ(0, second.AsyncGetNameFromAddress("127.0.0.1", nullptr, 0));
  ASSERT_TRUE(pumpUntil([&] { return second.lookups == 1; }, 10000));
  EXPECT_EQ(0, second.lookupError);
  EXPECT_FALSE(second.found.empty());
  EXPECT_EQ(2, ws.lookups) << "each window calls back its own object";
}

TEST(WsAsync, SocketEventsReachOnAsyncNotify) {
  scriptedPeer peer;
  peer.Pause(300).Send("220 ready\r\n").Pause(300).Close();
  ASSERT_TRUE(peer.Start());
  asyncProbe ws;
  ASSERT_EQ(0, ws.InitAsync(GetModuleHandleA(nullptr)));
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  ASSERT_EQ(0, ws.SetAsyncNotify(FD_READ | FD_CLOSE));
  ASSERT_TRUE(pumpUntil([&] { return ws.readEvents > 0; }, 10000));
  char line[32];
  EXPECT_EQ(11, ws.ReceiveLine(line, sizeof line, 3000));
  EXPECT_TRUE(pumpUntil([&] { return ws.closeEvents > 0; }, 10000));
}

TEST(WsAsync, ObjectGoneBeforeItsLookupEnds) {
  asyncProbe* ws = new asyncProbe;
  ASSERT_EQ(0, ws->InitAsync(GetModuleHandleA(nullptr)));
  ASSERT_EQ(0, ws->AsyncGetAddressFromName("localhost", nullptr, 0));
  delete ws;
  asyncProbe other;
  ASSERT_EQ(0, other.InitAsync(GetModuleHandleA(nullptr)));
  ASSERT_EQ(0, other.AsyncGetAddressFromName("localhost", nullptr, 0));
  EXPECT_TRUE(pumpUntil([&] { return other.lookups == 1; }, 10000));
  EXPECT_EQ(1, other.lookups) << "no late message reached the deleted object or this one";
}

}  // namespace
