// Fuzz target of the HTTP status line: the first byte is the room for the reason text, the rest
// the line. The answer is compared with the line cut into its blank-separated pieces.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzzCheck.h"
#include "vqHttpStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t room = data[0];
  std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
  line = line.c_str();

  std::vector<std::string> pieces;
  std::string piece;
  for (char c : line + " ") {
    if (c == ' ' || c == '\t') {
      if (!piece.empty()) pieces.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  bool good =
      pieces.size() >= 2 && pieces[1].size() == 3 && strspn(pieces[1].c_str(), "0123456789") == 3 && pieces[1] >= "100";
  std::string reason;
  for (size_t i = 2; good && i < pieces.size(); ++i) reason += (i > 2 ? " " : "") + pieces[i];
  if (room && reason.size() > room - 1) reason.resize(room - 1);

  std::vector<char> text(room + 16, '\x55');
  int code = -1;
  int result = VQHTTP_ParseStatusLine(line.c_str(), &code, room ? text.data() : nullptr, room);
  FUZZ_CHECK(result == (good ? 1 : 0));
  FUZZ_CHECK(code == (good ? atoi(pieces[1].c_str()) : 0));
  for (size_t i = room; i < text.size(); ++i) FUZZ_CHECK(text[i] == '\x55');
  if (room) FUZZ_CHECK(std::string(text.data()) == reason);
  // Neither output is needed.
  FUZZ_CHECK(VQHTTP_ParseStatusLine(line.c_str(), nullptr, nullptr, 0) == result);
  return 0;
}
