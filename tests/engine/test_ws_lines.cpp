// Reading replies: line framing, waits, cancel and message pumping against a scripted peer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "scriptedPeer.h"
#include "vqWsEngine.h"

namespace {

const int kWaitMs = 5000;

std::string show(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c < 32 || c > 126)
      out += "\\x" + std::to_string(c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

// Waits until the peer's bytes have had time to arrive completely.
void settle(scriptedPeer& peer) {
  ASSERT_TRUE(peer.WaitFinished(5000));
  Sleep(150);
}

struct framingCase {
  const char* name;
  std::vector<std::string> sends;  // separated by short pauses
  bool closeAfter;
  int bufferSize;
  std::vector<std::string> lines;  // successive ReceiveLine results, line ends included
};

TEST(WsReceiveLine, FramesLinesAndLeavesTheRestInTheSocket) {
  const framingCase cases[] = {
      {"two replies waiting", {"220 first\r\n230 second\r\n"}, false, 1024, {"220 first\r\n", "230 second\r\n"}},
      {"bare LF ends a line", {"abc\ndef\r\n"}, false, 1024, {"abc\n", "def\r\n"}},
      {"lone CR is data", {"a\rb\r\n"}, false, 1024, {"a\rb\r\n"}},
      {"CR LF split across sends", {"250 ok\r", "\n257 next\r\n"}, false, 1024, {"250 ok\r\n", "257 next\r\n"}},
      {"line in pieces", {"21", "1-sta", "tus\r\n"}, false, 1024, {"211-status\r\n"}},
      {"longer than the buffer", {"0123456789ABCDEF\r\n"}, false, 8, {"0123456", "789ABCD", "EF\r\n"}},
      {"exactly fills the buffer", {"123456\n7\n"}, false, 8, {"123456\n", "7\n"}},
      {"peer closes mid-line", {"220 hal"}, true, 1024, {"220 hal", ""}},
      {"empty lines", {"\r\n\n"}, false, 1024, {"\r\n", "\n"}},
  };
  for (const framingCase& c : cases) {
    SCOPED_TRACE(c.name);
    scriptedPeer peer;
    for (size_t i = 0; i < c.sends.size(); ++i) {
      if (i) peer.Pause(200);
      peer.Send(c.sends[i]);
    }
    if (c.closeAfter) peer.Close();
    ASSERT_TRUE(peer.Start());
    vqWsEngine ws;
    ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
    if (c.sends.size() == 1) settle(peer);
    for (const std::string& want : c.lines) {
      std::vector<char> buf(static_cast<size_t>(c.bufferSize) + 16, '#');
      int n = ws.ReceiveLine(buf.data(), c.bufferSize, kWaitMs);
      std::string got(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
      EXPECT_EQ(show(want), show(got));
      EXPECT_EQ(static_cast<int>(want.size()), n);
      EXPECT_EQ('\0', buf[static_cast<size_t>(n > 0 ? n : 0)]) << "terminated behind the bytes";
      EXPECT_EQ('#', buf[static_cast<size_t>(c.bufferSize)]) << "nothing written past the buffer";
    }
  }
}

TEST(WsReceiveLine, SecondLineStaysForTheNextReader) {
  scriptedPeer peer;
  peer.Send("220 first\r\n230 second\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  settle(peer);
  char line[64];
  ASSERT_EQ(11, ws.ReceiveLine(line, sizeof line, kWaitMs));
  EXPECT_NE(0, ws.IsDataWaiting());
  // A plain Receive sees exactly the second line: nothing was held back inside the object.
  char rest[64] = {};
  EXPECT_EQ(12, ws.Receive(rest, sizeof rest - 1, kWaitMs));
  EXPECT_STREQ("230 second\r\n", rest);
}

TEST(WsReceiveLine, UntrustedInputNeverOverrunsTheBuffer) {
  // 100 KB without a line end, then binary garbage with NULs and stray CRs, then the end of stream.
  std::string flood(100 * 1024, 'x');
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) & 0xff);
  scriptedPeer peer;
  peer.Send(flood).Send(garbage).Close();
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));

  const int size = 1024;
  std::vector<char> buf(size + 64, '#');
  std::string all;
  int calls = 0;
  for (;;) {
    int n = ws.ReceiveLine(buf.data(), size, kWaitMs);
    ASSERT_GE(n, 0);
    ASSERT_LE(n, size - 1);
    for (int i = size; i < size + 64; ++i) ASSERT_EQ('#', buf[static_cast<size_t>(i)]) << "overrun at " << i;
    if (n == 0) break;
    all.append(buf.data(), static_cast<size_t>(n));
    ASSERT_LT(++calls, 1000);
  }
  EXPECT_EQ(flood.size() + garbage.size(), all.size());
  EXPECT_TRUE(all == flood + garbage) << "bytes lost or reordered";
}

TEST(WsReceiveLine, ZeroAndTinyBuffers) {
  scriptedPeer peer;
  peer.Send("ab\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  settle(peer);
  char one[2] = {'#', '#'};
  EXPECT_EQ(0, ws.ReceiveLine(one, 0, kWaitMs));
  EXPECT_EQ('#', one[0]) << "a size of 0 writes nothing";
  EXPECT_EQ(0, ws.ReceiveLine(one, 1, kWaitMs));
  EXPECT_EQ('\0', one[0]);
  EXPECT_EQ('#', one[1]);
  char line[16];
  EXPECT_EQ(4, ws.ReceiveLine(line, sizeof line, kWaitMs)) << "nothing was consumed by the tiny reads";
}

TEST(WsWait, ShortWaitReportsTimeOutAtOnceButSeesWaitingData) {
  scriptedPeer peer;
  peer.Pause(1500).Send("220 late\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  DWORD start = GetTickCount();
  EXPECT_EQ(1, ws.WS_WaitForReceive(500));
  EXPECT_LT(GetTickCount() - start, 400u) << "a wait below one second makes no pass";
  settle(peer);
  EXPECT_EQ(0, ws.WS_WaitForReceive(500)) << "data already waiting is never a time-out";
  char line[32];
  EXPECT_EQ(10, ws.ReceiveLine(line, sizeof line, 500));
}

TEST(WsWait, WaitRunsWholeSecondPasses) {
  scriptedPeer peer;
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  DWORD start = GetTickCount();
  EXPECT_EQ(1, ws.WS_WaitForReceive(2500));
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 1800u) << "two passes";
  EXPECT_LT(took, 3500u) << "not three";
}

TEST(WsWait, DataArrivingDuringAPassEndsTheWait) {
  scriptedPeer peer;
  peer.Pause(1200).Send("226 done\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  DWORD start = GetTickCount();
  EXPECT_EQ(0, ws.WS_WaitForReceive(10000));
  EXPECT_LT(GetTickCount() - start, 6000u);
  char line[32];
  EXPECT_EQ(10, ws.ReceiveLine(line, sizeof line, 1000));
  EXPECT_STREQ("226 done\r\n", line);
}

TEST(WsWait, CancelFromAnotherThreadEndsTheWait) {
  scriptedPeer peer;
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  std::thread canceller([&ws] {
    Sleep(700);
    ws.WS_Cancel();
  });
  DWORD start = GetTickCount();
  int result = ws.WS_WaitForReceive(20000);
  DWORD took = GetTickCount() - start;
  canceller.join();
  EXPECT_EQ(1, result);
  EXPECT_LT(took, 8000u) << "the cancel must end a 20-second wait";
  // A line read that was waiting returns nothing.
}

TEST(WsWait, CancelBeforeTheWaitDoesNotCount) {
  scriptedPeer peer;
  peer.Pause(1300).Send("200 ok\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  ws.WS_Cancel();
  EXPECT_EQ(0, ws.WS_WaitForReceive(8000));
}

TEST(WsWait, CancelDuringReceiveLineReturnsNothing) {
  scriptedPeer peer;
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  std::thread canceller([&ws] {
    Sleep(500);
    ws.WS_Cancel();
  });
  char line[32] = "stale";
  EXPECT_EQ(0, ws.ReceiveLine(line, sizeof line, 30000));
  EXPECT_STREQ("", line);
  canceller.join();
}

int g_dispatched = 0;
LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 7) {
    ++g_dispatched;
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(WsWait, PumpsTheThreadsMessagesWhileWaiting) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = countingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "wsWaitProbe";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA("wsWaitProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, hwnd);
  scriptedPeer peer;
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  g_dispatched = 0;
  PostMessageA(hwnd, WM_APP + 7, 0, 0);
  PostMessageA(hwnd, WM_APP + 7, 0, 0);
  EXPECT_EQ(1, ws.WS_WaitForReceive(1500));
  EXPECT_EQ(2, g_dispatched);
  DestroyWindow(hwnd);
}

TEST(WsReceive, TimeOutReadsNothingThenDataIsRead) {
  scriptedPeer peer;
  peer.Pause(1500).Send("hello");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  char buf[16] = {};
  EXPECT_EQ(0, ws.Receive(buf, sizeof buf, 1000));
  EXPECT_EQ(5, ws.Receive(buf, sizeof buf, 5000));
  EXPECT_EQ(std::string("hello"), std::string(buf, 5));
}

TEST(WsReceive, ClearReceiveBufferDropsOnlyWhatIsWaiting) {
  scriptedPeer peer;
  peer.Send("stale 1\r\nstale 2\r\n").Pause(800).Send("220 fresh\r\n");
  ASSERT_TRUE(peer.Start());
  vqWsEngine ws;
  ASSERT_EQ(0, ws.WS_Connect(peer.Port(), "127.0.0.1"));
  ASSERT_EQ(0, ws.WS_WaitForReceive(5000));
  Sleep(100);
  EXPECT_EQ(0, ws.ClearReceiveBuffer());
  EXPECT_EQ(0, ws.IsDataWaiting());
  char line[64];
  ASSERT_EQ(11, ws.ReceiveLine(line, sizeof line, kWaitMs));
  EXPECT_STREQ("220 fresh\r\n", line);
}

}  // namespace
