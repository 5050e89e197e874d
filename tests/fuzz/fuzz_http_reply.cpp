// Fuzz target of the HTTP reply reader: header lines, status and text body as a server sends them,
// handed over in the socket layer's line pieces. The first byte picks small limits so that every
// limit is reached; the lines kept are compared with the reply cut into lines here, by other means.
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzzCheck.h"
#include "vqHttpReader.h"
#include "vqHttpStatus.h"

namespace {

struct Stream {
  const char* data;
  size_t size;
  size_t at;
};

// As the socket layer's ReceiveLine: up to size - 1 bytes, ending after the first LF.
int receive(void* source, char* buffer, int size) {
  Stream* s = static_cast<Stream*>(source);
  FUZZ_CHECK(size >= 2);
  size_t room = static_cast<size_t>(size - 1);
  size_t left = s->size - s->at;
  size_t n = left < room ? left : room;
  const void* lf = memchr(s->data + s->at, '\n', n);
  if (lf) n = static_cast<size_t>(static_cast<const char*>(lf) - (s->data + s->at)) + 1;
  memcpy(buffer, s->data + s->at, n);
  buffer[n] = 0;
  s->at += n;
  return static_cast<int>(n);
}

// The next line as the reader promises it: pieces of up to piece - 1 bytes until a LF; past the
// limit the line is cut after its piece, or one piece later when that piece ends in CR. The line
// goes without its LF and one CR before it.
bool expectedLine(const std::string& in, size_t& at, size_t limit, size_t piece, std::string& line) {
  if (at >= in.size()) return false;
  size_t end = at;
  bool pastCut = false;
  for (;;) {
    size_t take = in.size() - end < piece - 1 ? in.size() - end : piece - 1;
    size_t lf = in.find('\n', end);
    if (lf != std::string::npos && lf < end + take) {
      end = lf + 1;
      break;
    }
    end += take;
    if (take < piece - 1) break;
    if (end - at >= limit) {
      if (pastCut || in[end - 1] != '\r') break;
      pastCut = true;
    }
  }
  line = in.substr(at, end - at);
  at = end;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  static const size_t kLines[] = {1, 2, 3, 7, 64, 2047, 2048, 1024 * 1024};
  vqHttpLimits limits = VQHTTP_DEFAULT_LIMITS;
  if (control & 0x80) {
    limits.line = kLines[control & 7];
    limits.headerLines = 1 + ((control >> 3) & 3);
    limits.headerBytes = 16u << ((control >> 5) & 3);
    limits.bodyLines = 2 + ((control >> 3) & 3);
    limits.bodyBytes = 24u << ((control >> 5) & 3);
  } else {
    limits.line = kLines[control & 7];
  }
  // Small pieces reach every cut in a short reply; the socket layer's own size now and then.
  limits.piece = control & 0x40 ? 2048 : 2 + (control >> 3) % 7;
  std::string in(reinterpret_cast<const char*>(data + 1), size - 1);
  Stream stream = {in.data(), in.size(), 0};

  CUTStringList header;
  std::string statusText;
  int code = VQHTTP_ReadHeader(receive, &stream, limits, header, statusText);

  // The header again, by the promise.
  size_t at = 0;
  std::string line;
  int lines = 0;
  size_t bytes = 0;
  bool over = false;
  while (expectedLine(in, at, limits.line, static_cast<size_t>(limits.piece), line) && !line.empty()) {
    bytes += line.size();
    if (lines >= limits.headerLines || bytes > limits.headerBytes) {
      over = true;
      break;
    }
    FUZZ_CHECK(lines < header.GetCount());
    FUZZ_CHECK(strcmp(header.Get(lines), line.c_str()) == 0);
    ++lines;
  }
  FUZZ_CHECK(header.GetCount() == lines);
  FUZZ_CHECK(stream.at == at);
  if (over || lines == 0) {
    FUZZ_CHECK(code == 3 && statusText.empty());
    return 0;
  }
  int firstCode = 0;
  std::string first(header.Get(0));
  std::string firstText(first.size() + 1, '\0');
  if (!VQHTTP_ParseStatusLine(first.c_str(), &firstCode, &firstText[0], firstText.size())) {
    FUZZ_CHECK(code == 3);
    return 0;
  }
  FUZZ_CHECK(code == firstCode && code >= 100 && code <= 999);
  FUZZ_CHECK(statusText == firstText.c_str());

  // What follows the header, read as a text body.
  CUTStringList body;
  int ended = VQHTTP_ReadBodyLines(receive, &stream, limits, body);
  lines = 0;
  bytes = 0;
  bool stopped = false;
  while (expectedLine(in, at, limits.line, static_cast<size_t>(limits.piece), line)) {
    if (lines >= limits.bodyLines || bytes + line.size() > limits.bodyBytes) {
      stopped = true;
      break;
    }
    bytes += line.size();
    FUZZ_CHECK(lines < body.GetCount());
    FUZZ_CHECK(strcmp(body.Get(lines), line.c_str()) == 0);
    ++lines;
    if (line.empty()) break;
  }
  FUZZ_CHECK(body.GetCount() == lines);
  FUZZ_CHECK(ended == (stopped ? 0 : 1));
  FUZZ_CHECK(stream.at == at);
  return 0;
}
