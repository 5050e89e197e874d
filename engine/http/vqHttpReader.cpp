#include "vqHttpReader.h"

#include <string.h>

#include "vqHttpStatus.h"

namespace {
// The socket layer's line buffer: a longer line arrives in several pieces.
const int kPiece = 2048;
}  // namespace

const vqHttpLimits VQHTTP_DEFAULT_LIMITS = {1024 * 1024, 256 * 1024, 1000, 4 * 1024 * 1024, 65536, kPiece};

int VQHTTP_ReadLine(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, std::string& line) {
  line.clear();
  const int piece = limits.piece >= 2 && limits.piece <= kPiece ? limits.piece : kPiece;
  char buffer[kPiece];
  bool any = false;
  bool pastCut = false;
  for (;;) {
    int n = receive(source, buffer, piece);
    if (n <= 0) break;
    if (n > piece - 1) n = piece - 1;
    any = true;
    line.append(buffer, static_cast<size_t>(n));
    if (buffer[n - 1] == '\n') break;  // whole line
    if (n < piece - 1) break;          // the stream ended inside the line
    if (line.size() >= limits.line) {
      // The rest comes as the next line. A part ending in CR gets one more piece, so that its
      // LF still ends this line; a run of CRs ends there too.
      if (pastCut || line.back() != '\r') break;
      pastCut = true;
    }
  }
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any ? 1 : 0;
}

int VQHTTP_ReadHeader(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, CUTStringList& lines,
                      std::string& statusText) {
  statusText.clear();
  std::string line;
  size_t bytes = 0;
  while (VQHTTP_ReadLine(receive, source, limits, line) && !line.empty()) {
    bytes += line.size();
    // A header without end would hold the connection and grow without limit: refuse it.
    if (lines.GetCount() >= limits.headerLines || bytes > limits.headerBytes) return 3;
    lines.Add(line.c_str());
  }
  if (lines.GetCount() == 0) return 3;
  const char* first = lines.Get(0);
  std::string text(strlen(first) + 1, '\0');
  int code = 0;
  if (!VQHTTP_ParseStatusLine(first, &code, &text[0], text.size())) return 3;
  statusText = text.c_str();
  return code;
}

int VQHTTP_ReadBodyLines(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, CUTStringList& lines) {
  std::string line;
  size_t bytes = 0;
  while (VQHTTP_ReadLine(receive, source, limits, line)) {
    if (lines.GetCount() >= limits.bodyLines || bytes + line.size() > limits.bodyBytes) return 0;
    bytes += line.size();
    lines.Add(line.c_str());
    if (line.empty()) return 1;
  }
  return 1;
}
