// The text side of the FTP conversation: reply framing, the PASV and PORT address forms, the
// directory in a PWD reply, the system type from a SYST reply, and the command texts the session
// builds. Pure functions without sockets or windows, so every server's odd answer can be tried alone.
#pragma once
#include <stdarg.h>
#include <stddef.h>

#include <string>

#include "vqEngineApi.h"

// Reply code of one reply line: its first three characters as a number (100 to 599), else 0.
VQENGINE_API int VQFTP_ReplyCode(const char* line);

// Collects one reply, single or multi-line ("ddd-" opens it, a line "ddd " with the same code closes it).
class VQENGINE_API vqFtpReplyFrame {
 public:
  vqFtpReplyFrame();
  ~vqFtpReplyFrame();
  // Feeds the next line (without its line end); returns 1 when the reply is complete.
  int Add(const char* line);
  // Ends a reply whose closing line never came; the lines so far stay.
  void Abandon();
  int IsComplete() const { return m_complete; }
  int Code() const { return m_code; }
  // All lines so far, joined with CR LF.
  const char* Text() const;
  void Reset();

 private:
  vqFtpReplyFrame(const vqFtpReplyFrame&) = delete;
  vqFtpReplyFrame& operator=(const vqFtpReplyFrame&) = delete;
  int m_code;
  int m_multi;
  int m_complete;
  int m_lines;
  std::string* m_text;
};

// Reads one reply from the control connection's bytes in pieces of any size. A line ends at LF (a CR
// before it is dropped, a lone CR is text, a NUL becomes a blank); lines without a reply code ahead
// of the reply are skipped. Feed never takes bytes past the reply's last line end, so what follows
// stays in the connection for the next reply.
class VQENGINE_API vqFtpReplyReader {
 public:
  enum Event {
    kMore,      // every byte given was taken; the reply goes on
    kLine,      // a line of the reply was taken (Line())
    kStray,     // a line without a reply code was skipped (Line())
    kDone,      // the reply's last line was taken (Line(), Frame())
    kTooLarge,  // past a limit: the server can never be in step again
  };
  // Characters kept of a line (the rest is read and dropped), lines of one reply, bytes read for one
  // reply (skipped lines included), lines skipped ahead of it.
  vqFtpReplyReader(size_t lineMax, int linesMax, size_t bytesMax, int strayMax);
  ~vqFtpReplyReader();
  // Takes bytes up to the next event; *used tells how many were taken.
  Event Feed(const char* data, size_t size, size_t* used);
  // The line of the last kLine, kStray or kDone.
  const char* Line() const;
  // The text of a line begun but not ended.
  const char* Partial() const;
  const vqFtpReplyFrame& Frame() const { return m_frame; }
  // Starts a new reply (limits kept).
  void Reset();

 private:
  vqFtpReplyReader(const vqFtpReplyReader&) = delete;
  vqFtpReplyReader& operator=(const vqFtpReplyReader&) = delete;
  Event endLine();
  size_t m_lineMax, m_bytesMax;
  int m_linesMax, m_strayMax;
  size_t m_bytes;
  int m_lines, m_stray, m_done, m_ended;
  size_t m_raw;  // bytes of the current line before its LF
  std::string* m_line;
  vqFtpReplyFrame m_frame;
};

// Address and port of a 227 reply (the whole reply text, code included). Refuses anything but six
// numbers of 0 to 255; returns 0 on success, 1 otherwise.
VQENGINE_API int VQFTP_ParsePasv(const char* replyText, unsigned char address[4], unsigned int* port);

// The argument of PORT for a dotted address and a port: "h1,h2,h3,h4,p1,p2". 0 on success, 1 when the
// address is not a dotted address or out is too small.
VQENGINE_API int VQFTP_FormatPort(const char* dottedAddress, unsigned int port, char* out, size_t outSize);

// The directory named in a PWD reply (the whole reply text, code included); out is emptied first and
// always terminated. Returns the length of the directory found (which may exceed what fit).
VQENGINE_API size_t VQFTP_ParsePwd(const char* replyText, char* out, size_t outSize);

// What the SYST text and the working directory tell about the server.
struct vqSystemGuess {
  unsigned int hostType;  // a _VQ_HOSTTYPE value; VQ_HOST_AUTO when nothing matched
  int recognised;         // 1 when a rule of the table matched
  char delim[2];          // path delimiter of the host
};
// sysDir may be changed in place (VM: a bare "/" is dropped; MVS: quotes removed).
VQENGINE_API void VQFTP_GuessSystem(const char* sysType, char* sysDir, vqSystemGuess* out);

// 1 when the name's extension (from the last dot, any case) is listed in asciiList ("|.txt|.htm|").
VQENGINE_API int VQFTP_IsAsciiName(const char* name, const char* asciiList);

// "LIST" or "NLST" with, where not empty, the directory, the switches and the mask. 0 or 1 (too long).
VQENGINE_API int VQFTP_BuildListCommand(const char* verb, const char* directory, const char* mask, const char* switches,
                                        char* out, size_t outSize);

// The index-th (from 0) path that creating every level of path sends with MKD. VMS paths
// (device:[a.b.c]) grow inside their brackets. Returns 1 and fills out when there is such a step.
VQENGINE_API int VQFTP_MkdStep(const char* path, char delim, int vmsFamily, int index, char* out, size_t outSize);

// printf into a string of whatever length the (untrusted) arguments need: a command line cut to a
// buffer's size would name another file.
std::string VQFTP_FormatV(const char* format, va_list args);

// 1 when the text holds CR or LF: such a name would smuggle a second command onto the control line.
VQENGINE_API int VQFTP_HasLineBreak(const char* text);

// What a server's FEAT reply offers. A server that refused FEAT, or never answered it, offers none.
struct vqFtpFeatures {
  int asked;     // FEAT was sent on this connection
  int answered;  // it came back with 211
  int mlst, utf8, size, mdtm, epsv, eprt, rest, tvfs;
  char mlstFacts[128];  // the facts MLST names ("type*;size*;modify*;"), as sent
};
// Reads a FEAT reply (the whole reply text, code included). Only a 211 reply offers anything; each
// feature is a line of its own, after one blank (some servers leave it out or repeat "211-" on every
// line). Unknown features are passed over.
VQENGINE_API void VQFTP_ParseFeatures(const char* replyText, vqFtpFeatures* out);

// The port of a 229 reply: "(|||6446|)", any printable delimiter repeated as RFC 2428 says. 0 on
// success, 1 otherwise (no such field, a port of 0 or past 65535).
VQENGINE_API int VQFTP_ParseEpsv(const char* replyText, unsigned int* port);

// The argument of EPRT: "|1|127.0.0.1|5282|" or "|2|::1|5282|". 0 on success, 1 when the address is
// neither a dotted address nor an IPv6 address in text, or out is too small.
VQENGINE_API int VQFTP_FormatEprt(const char* address, unsigned int port, char* out, size_t outSize);

// The host of a site's URL: "[::1]" and "[::1]:2121" give "::1" (and the port when one follows the
// bracket, else 0); anything else comes back as it is. 0 on success, 1 when a bracket is not closed
// or out is too small.
VQENGINE_API int VQFTP_SplitHost(const char* url, char* out, size_t outSize, unsigned int* port);
