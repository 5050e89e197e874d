// Fuzz target of the FTP reply texts a server chooses: the 227 address, the PWD directory and the
// SYST type with its working directory; and of the PORT argument formed from an address text. The
// first byte picks the reader (and an output size); the rest is the text. An address read or
// formed must come back the same through the other direction.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "fuzzCheck.h"
#include "vqFtpProtocol.h"
#include "vqHostType.h"

namespace {

std::string dotted(const unsigned char a[4]) {
  char buf[32];
  snprintf(buf, sizeof buf, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
  return buf;
}

// PORT's argument for an address and port, read back as a 227 reply gives both again.
void portRoundTrip(const unsigned char address[4], unsigned int port) {
  char arg[32];
  FUZZ_CHECK(VQFTP_FormatPort(dotted(address).c_str(), port, arg, sizeof arg) == 0);
  unsigned char back[4] = {};
  unsigned int backPort = 70000;
  FUZZ_CHECK(VQFTP_ParsePasv((std::string("227 Entering Passive Mode (") + arg + ").").c_str(), back, &backPort) == 0);
  FUZZ_CHECK(memcmp(address, back, 4) == 0 && port == backPort);
  // Too small a buffer is refused and left empty, never overrun.
  char small[16];
  memset(small, 'x', sizeof small);
  const size_t room = strlen(arg) % 12 + 4;
  int result = VQFTP_FormatPort(dotted(address).c_str(), port, small, room);
  FUZZ_CHECK(result == (strlen(arg) < room ? 0 : 1));
  FUZZ_CHECK(result ? small[0] == 0 : strcmp(small, arg) == 0);
  for (size_t i = room; i < sizeof small; ++i) FUZZ_CHECK(small[i] == 'x');
}

void pasv(const std::string& text) {
  unsigned char address[4] = {1, 2, 3, 4};
  unsigned int port = 70000;
  if (VQFTP_ParsePasv(text.c_str(), address, &port) != 0) return;
  FUZZ_CHECK(port <= 65535);
  portRoundTrip(address, port);
}

void port(const std::string& text, unsigned int number) {
  char arg[32];
  memset(arg, 'x', sizeof arg);
  if (VQFTP_FormatPort(text.c_str(), number, arg, sizeof arg) != 0) {
    FUZZ_CHECK(arg[0] == 0);
    return;
  }
  FUZZ_CHECK(number <= 65535);
  // Six numbers and five commas, nothing else.
  int commas = 0;
  for (const char* p = arg; *p; ++p) {
    FUZZ_CHECK((*p >= '0' && *p <= '9') || *p == ',');
    commas += *p == ',';
  }
  FUZZ_CHECK(commas == 5);
  unsigned char address[4];
  unsigned int back = 70000;
  FUZZ_CHECK(VQFTP_ParsePasv((std::string("227 (") + arg + ")").c_str(), address, &back) == 0);
  FUZZ_CHECK(back == number);
  portRoundTrip(address, number);
}

void pwd(const std::string& text, size_t outSize) {
  std::string out(outSize + 8, '\x55');
  size_t found = VQFTP_ParsePwd(text.c_str(), outSize ? &out[0] : nullptr, outSize);
  FUZZ_CHECK(found <= text.size());
  for (size_t i = outSize; i < out.size(); ++i) FUZZ_CHECK(out[i] == '\x55');
  if (outSize == 0) return;
  size_t kept = strnlen(out.c_str(), outSize);
  FUZZ_CHECK(kept < outSize);
  FUZZ_CHECK(kept == (found < outSize - 1 ? found : outSize - 1));
  // The directory is a piece of the reply.
  FUZZ_CHECK(text.find(out.c_str()) != std::string::npos);
}

void syst(const std::string& text) {
  // "type\ndirectory": the SYST text and the working directory of the same server.
  size_t cut = text.find('\n');
  std::string type = text.substr(0, cut);
  std::string dir = cut == std::string::npos ? std::string() : text.substr(cut + 1);
  std::string before = dir;
  dir.push_back(0);
  vqSystemGuess guess;
  memset(&guess, 0x55, sizeof guess);
  VQFTP_GuessSystem(type.c_str(), &dir[0], &guess);
  FUZZ_CHECK(guess.hostType >= VQ_HOST_AUTO && guess.hostType <= VQ_HOST_BISONWARE);
  FUZZ_CHECK(guess.recognised == 0 || guess.recognised == 1);
  FUZZ_CHECK(guess.delim[1] == 0 && strchr("/\\.", guess.delim[0]) && guess.delim[0]);
  // The directory may only lose characters.
  FUZZ_CHECK(strlen(dir.c_str()) <= strlen(before.c_str()));
  FUZZ_CHECK(dir.back() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  // Replies are C strings: the text ends at its first NUL.
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  switch (control & 3) {
    case 0:
      pasv(text);
      break;
    case 1:
      port(text, (static_cast<unsigned int>(control) << 10) ^ static_cast<unsigned int>(size * 131));
      break;
    case 2:
      pwd(text, control >> 2);
      break;
    default:
      syst(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
      break;
  }
  return 0;
}
