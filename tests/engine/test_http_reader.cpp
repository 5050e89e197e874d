// The HTTP reply reader over replies that real and hostile servers send, handed over in the
// socket layer's line pieces: what is kept, and where reading stops.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "vqHttpReader.h"

namespace {

struct Stream {
  std::string data;
  size_t at = 0;
  size_t calls = 0;
};

// As ReceiveLine: up to size - 1 bytes, ending after the first LF.
int receive(void* source, char* buffer, int size) {
  Stream* s = static_cast<Stream*>(source);
  ++s->calls;
  size_t n = s->data.size() - s->at;
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  size_t lf = s->data.find('\n', s->at);
  if (lf != std::string::npos && lf - s->at + 1 < n) n = lf - s->at + 1;
  memcpy(buffer, s->data.data() + s->at, n);
  buffer[n] = 0;
  s->at += n;
  return static_cast<int>(n);
}

std::vector<std::string> linesOf(const CUTStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.Get(i));
  return out;
}

}  // namespace

TEST(HttpReader, HeaderAndBodyWithinTheirLimits) {
  vqHttpLimits small = {8, 40, 3, 16, 3, 5};  // pieces of 4 bytes
  struct Case {
    const char* name;
    vqHttpLimits limits;
    std::string reply;
    int code;
    std::vector<std::string> header;
    std::vector<std::string> body;
    int bodyEnded;
  } cases[] = {
      {"plain reply",
       VQHTTP_DEFAULT_LIMITS,
       "HTTP/1.0 200 OK\r\nA: 1\r\n\r\nx\r\n\r\nafter\r\n",
       200,
       {"HTTP/1.0 200 OK", "A: 1"},
       {"x", ""},
       1},
      {"LF only, no body end",
       VQHTTP_DEFAULT_LIMITS,
       "HTTP/1.0 404 Gone\nB: 2\n\nlast",
       404,
       {"HTTP/1.0 404 Gone", "B: 2"},
       {"last"},
       1},
      {"no status line", VQHTTP_DEFAULT_LIMITS, "hello\r\n\r\n", 3, {"hello"}, {}, 1},
      {"nothing at all", VQHTTP_DEFAULT_LIMITS, "", 3, {}, {}, 1},
      // A long line is handed on in parts; a CR LF at the cut stays together.
      {"line cut in parts", small, "HTTP/1.0 200\r\n\r\n", 3, {"HTTP/1.0", " 200"}, {}, 1},
      {"CR LF at the cut",
       {8, 400, 30, 400, 30, 5},
       "1 200 x\r\n\r\n1234567\r\nz\r\n",
       200,
       {"1 200 x"},
       {"1234567", "z"},
       1},
      // A run of CRs ends the line one piece past the cut instead of growing it without limit.
      {"run of CRs",
       {8, 400, 30, 400, 30, 5},
       "1 200 x\r\n\r\nab" + std::string(20, '\r') + "\n",
       200,
       {"1 200 x"},
       {"ab" + std::string(9, '\r'), std::string(9, '\r')},
       1},
      // A header that does not end within its limits is refused whole.
      {"too many header lines", small, "1 200\r\na\r\nb\r\nc\r\n\r\n", 3, {"1 200", "a", "b"}, {}, 1},
      {"too many header bytes", {100, 12, 30, 16, 3, 5}, "1 200 xyz\r\nabcd\r\n\r\n", 3, {"1 200 xyz"}, {}, 1},
      // A body past its limits is kept up to them.
      {"too many body lines", small, "1 200\r\n\r\na\r\nb\r\nc\r\nd\r\n", 200, {"1 200"}, {"a", "b", "c"}, 0},
      {"too many body bytes",
       {100, 40, 3, 16, 3, 5},
       "1 200\r\n\r\n12345678\r\n12345678\r\nz\r\n",
       200,
       {"1 200"},
       {"12345678", "12345678"},
       0},
  };
  for (const Case& c : cases) {
    Stream s;
    s.data = c.reply;
    CUTStringList header, body;
    std::string text;
    int code = VQHTTP_ReadHeader(receive, &s, c.limits, header, text);
    EXPECT_EQ(c.code, code) << c.name;
    EXPECT_EQ(c.header, linesOf(header)) << c.name;
    if (code < 100) continue;
    EXPECT_EQ(c.bodyEnded, VQHTTP_ReadBodyLines(receive, &s, c.limits, body)) << c.name;
    EXPECT_EQ(c.body, linesOf(body)) << c.name;
  }
}

TEST(HttpReader, EndlessHeaderStopsAtTheDefaultLimits) {
  // A server that sends header lines without end: reading stops near the byte limit.
  Stream s;
  std::string line = "X-Pad: " + std::string(1000, 'p') + "\r\n";
  s.data = "HTTP/1.0 200 OK\r\n";
  while (s.data.size() < 2 * VQHTTP_DEFAULT_LIMITS.headerBytes) s.data += line;
  CUTStringList header;
  std::string text;
  EXPECT_EQ(3, VQHTTP_ReadHeader(receive, &s, VQHTTP_DEFAULT_LIMITS, header, text));
  EXPECT_LT(s.at, VQHTTP_DEFAULT_LIMITS.headerBytes + 2 * line.size());

  // And one endless line of CRs ends after the line limit, not at the end of the stream.
  Stream cr;
  cr.data = "1 200\r\n\r\n" + std::string(3 * 1024 * 1024, '\r');
  CUTStringList h2, body;
  ASSERT_EQ(200, VQHTTP_ReadHeader(receive, &cr, VQHTTP_DEFAULT_LIMITS, h2, text));
  std::string first;
  ASSERT_EQ(1, VQHTTP_ReadLine(receive, &cr, VQHTTP_DEFAULT_LIMITS, first));
  EXPECT_GE(first.size(), VQHTTP_DEFAULT_LIMITS.line);
  EXPECT_LE(first.size(), VQHTTP_DEFAULT_LIMITS.line + 2 * 2047);
}
