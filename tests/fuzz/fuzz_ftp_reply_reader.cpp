// Fuzz target of the FTP reply reader over the control connection's bytes. The first byte picks
// small limits (so each is reached), the next two the read splits; the rest is what the server
// sent. The replies, lines and skipped lines must be the same however the bytes are split, and the
// same as a separate line-by-line reading of the whole text.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzzCheck.h"
#include "vqFtpProtocol.h"

namespace {

struct Limits {
  size_t lineMax, bytesMax;
  int linesMax, strayMax;
};

// One event as the reader reports it: its kind, the line, and for a whole reply its code and text.
struct Seen {
  int event;
  std::string line;
  int code;
  std::string text;
  bool operator==(const Seen& o) const {
    return event == o.event && line == o.line && code == o.code && text == o.text;
  }
};

// Feeds the stream in pieces whose sizes come from the seed (0: all that is left at once).
std::vector<Seen> read(const Limits& l, const std::string& data, unsigned seed) {
  vqFtpReplyReader reader(l.lineMax, l.linesMax, l.bytesMax, l.strayMax);
  std::vector<Seen> out;
  size_t pos = 0;
  unsigned state = seed * 2654435761u + 1;
  while (pos < data.size()) {
    size_t piece = data.size() - pos;
    if (seed) {
      state = state * 1103515245u + 12345u;
      piece = 1 + (state >> 16) % (piece < 37 ? piece : 37);
    }
    size_t used = 0;
    vqFtpReplyReader::Event e = reader.Feed(data.data() + pos, piece, &used);
    FUZZ_CHECK(used <= piece);
    pos += used;
    if (e == vqFtpReplyReader::kMore) {
      FUZZ_CHECK(used == piece);
      continue;
    }
    Seen s{e, e == vqFtpReplyReader::kTooLarge ? "" : reader.Line(), 0, ""};
    FUZZ_CHECK(s.line.size() <= l.lineMax);
    if (e == vqFtpReplyReader::kDone) {
      FUZZ_CHECK(reader.Frame().IsComplete());
      s.code = reader.Frame().Code();
      s.text = reader.Frame().Text();
      // Lines joined with CR LF: never more than the bytes read plus one more per line.
      FUZZ_CHECK(s.text.size() <= l.bytesMax + 2 * static_cast<size_t>(l.linesMax));
    }
    out.push_back(s);
    if (e == vqFtpReplyReader::kTooLarge) break;
  }
  return out;
}

int codeOf(const std::string& line) {
  if (line.size() < 3) return 0;
  for (int i = 0; i < 3; ++i)
    if (line[i] < '0' || line[i] > '9') return 0;
  int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  return code >= 100 && code <= 599 ? code : 0;
}

// The same reading done on the whole text, a line at a time.
std::vector<Seen> model(const Limits& l, const std::string& data) {
  std::vector<Seen> out;
  size_t pos = 0;
  while (pos < data.size()) {
    // One reply.
    size_t bytes = 0;
    int lines = 0, stray = 0;
    std::string first, text;
    bool multi = false;
    for (;;) {
      size_t lf = data.find('\n', pos);
      if (lf == std::string::npos) {
        if (bytes + (data.size() - pos) > l.bytesMax) out.push_back({vqFtpReplyReader::kTooLarge, "", 0, ""});
        return out;
      }
      if (bytes + (lf - pos + 1) > l.bytesMax) {
        out.push_back({vqFtpReplyReader::kTooLarge, "", 0, ""});
        return out;
      }
      bytes += lf - pos + 1;
      std::string line = data.substr(pos, lf - pos);
      pos = lf + 1;
      for (char& c : line)
        if (c == 0) c = ' ';
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > l.lineMax) line.resize(l.lineMax);
      if (lines == 0 && codeOf(line) == 0) {
        if (++stray > l.strayMax) {
          out.push_back({vqFtpReplyReader::kTooLarge, "", 0, ""});
          return out;
        }
        out.push_back({vqFtpReplyReader::kStray, line, 0, ""});
        continue;
      }
      if (++lines > l.linesMax) {
        out.push_back({vqFtpReplyReader::kTooLarge, "", 0, ""});
        return out;
      }
      bool last;
      if (lines == 1) {
        first = line;
        text = line;
        multi = line.size() > 3 && line[3] == '-';
        last = !multi;
      } else {
        text += "\r\n" + line;
        last = line.size() > 3 && line.compare(0, 3, first, 0, 3) == 0 && line[3] == ' ';
      }
      if (last) {
        out.push_back({vqFtpReplyReader::kDone, line, codeOf(first), text});
        break;
      }
      out.push_back({vqFtpReplyReader::kLine, line, 0, ""});
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  Limits l;
  l.lineMax = 1 + (data[0] & 7) * 9;
  l.linesMax = 1 + ((data[0] >> 3) & 3) * 3;
  l.strayMax = (data[0] >> 5) & 3;
  l.bytesMax = 8 + static_cast<size_t>(data[0] >> 3) * 37;
  if (data[0] == 0xFF) {  // the engine's own limits
    l.lineMax = 2048;
    l.linesMax = 1000;
    l.bytesMax = 256 * 1024;
    l.strayMax = 100;
  }
  const unsigned seed = static_cast<unsigned>(data[1]) << 8 | data[2];
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);

  const std::vector<Seen> expected = model(l, text);
  FUZZ_CHECK(read(l, text, 0) == expected);
  FUZZ_CHECK(read(l, text, seed | 1) == expected);
  FUZZ_CHECK(read(l, text, seed + 7919) == expected);
  return 0;
}
