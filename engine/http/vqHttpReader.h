// Reading an HTTP reply from its connection: whole lines out of the socket layer's line pieces,
// the header up to its blank line, the text body as lines. Pure code over a receive callback, so a
// hostile reply can be tried without a socket. Everything a server sends is held within the limits.
#pragma once
#include <stddef.h>

#include <string>

#include "CUTStringList.h"

// Supplies the next piece of the reply as the socket layer's ReceiveLine does: at most size - 1
// bytes, ending just after the first LF when one came, followed by a 0; 0 or less when nothing came.
typedef int (*VQHTTP_RECEIVE)(void* source, char* buffer, int size);

struct vqHttpLimits {
  size_t line;         // a longer line is handed on in parts, cut at the first piece boundary past this
  size_t headerBytes;  // text of all header lines together; past it the header is refused
  int headerLines;     // header lines; past it the header is refused
  size_t bodyBytes;    // text of all body lines kept; reading stops before the line that passes it
  int bodyLines;       // body lines kept
  int piece;           // buffer size of one receive (2 to 2048): a line arrives in pieces of size - 1
};

// 1 MiB lines; 256 KiB and 1000 lines of header; 4 MiB and 65536 lines of body text; the socket
// layer's line buffer of 2048 bytes.
extern const vqHttpLimits VQHTTP_DEFAULT_LIMITS;

// One line without its line end (LF, CR LF); 0 when nothing came. At most limits.line rounded up
// to whole pieces, and one piece more when the cut falls after a CR.
int VQHTTP_ReadLine(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, std::string& line);

// Header lines up to the blank line (not stored) into lines; the status code of the first line and
// its reason text. 3 when no line came, the first line is no status line or the header passes its
// limits (the lines so far stay).
int VQHTTP_ReadHeader(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, CUTStringList& lines,
                      std::string& statusText);

// Body lines up to and including the first empty one, or until the stream ends or the limits are
// reached. Returns 1 when the body ended by itself, 0 when a limit stopped it.
int VQHTTP_ReadBodyLines(VQHTTP_RECEIVE receive, void* source, const vqHttpLimits& limits, CUTStringList& lines);
