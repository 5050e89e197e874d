// Reply framing and the small text forms of the FTP conversation. Everything here reads text that
// came from a server, so every copy is bounded and every number is range-checked.
#include "vqFtpProtocol.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "vqHostType.h"
#include "vqString.h"

namespace {

bool has(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

// Parses 1 to 3 digits, optionally surrounded by blanks, into 0..255.
bool byteField(const std::string& field, unsigned int* value) {
  size_t b = field.find_first_not_of(' ');
  size_t e = field.find_last_not_of(' ');
  if (b == std::string::npos) return false;
  std::string digits = field.substr(b, e - b + 1);
  if (digits.empty() || digits.size() > 3) return false;
  unsigned int v = 0;
  for (char c : digits) {
    if (!isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + static_cast<unsigned int>(c - '0');
  }
  if (v > 255) return false;
  *value = v;
  return true;
}

}  // namespace

int VQFTP_ReplyCode(const char* line) {
  if (!line) return 0;
  for (int i = 0; i < 3; ++i)
    if (!isdigit(static_cast<unsigned char>(line[i]))) return 0;
  int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  return code >= 100 && code <= 599 ? code : 0;
}

vqFtpReplyFrame::vqFtpReplyFrame() : m_code(0), m_multi(0), m_complete(0), m_lines(0), m_text(new std::string) {}

vqFtpReplyFrame::~vqFtpReplyFrame() { delete m_text; }

void vqFtpReplyFrame::Reset() {
  m_code = m_multi = m_complete = m_lines = 0;
  m_text->clear();
}

const char* vqFtpReplyFrame::Text() const { return m_text->c_str(); }

void vqFtpReplyFrame::Abandon() { m_complete = 1; }

int vqFtpReplyFrame::Add(const char* line) {
  if (m_complete) Reset();
  if (!line) line = "";
  if (m_lines++ == 0) {
    m_code = VQFTP_ReplyCode(line);
    *m_text = line;
    // Only a coded first line with a hyphen opens a multi-line reply.
    m_multi = m_code != 0 && line[3] == '-';
    m_complete = !m_multi;
    return m_complete;
  }
  m_text->append("\r\n");
  m_text->append(line);
  // The closing line repeats the opening code followed by a blank.
  if (strncmp(line, m_text->c_str(), 3) == 0 && line[3] == ' ') m_complete = 1;
  return m_complete;
}

vqFtpReplyReader::vqFtpReplyReader(size_t lineMax, int linesMax, size_t bytesMax, int strayMax)
    : m_lineMax(lineMax),
      m_bytesMax(bytesMax),
      m_linesMax(linesMax),
      m_strayMax(strayMax),
      m_bytes(0),
      m_lines(0),
      m_stray(0),
      m_done(0),
      m_ended(0),
      m_raw(0),
      m_line(new std::string) {}

vqFtpReplyReader::~vqFtpReplyReader() { delete m_line; }

void vqFtpReplyReader::Reset() {
  m_bytes = 0;
  m_lines = m_stray = m_done = m_ended = 0;
  m_raw = 0;
  m_line->clear();
  m_frame.Reset();
}

const char* vqFtpReplyReader::Line() const { return m_line->c_str(); }

const char* vqFtpReplyReader::Partial() const { return m_ended ? "" : m_line->c_str(); }

vqFtpReplyReader::Event vqFtpReplyReader::Feed(const char* data, size_t size, size_t* used) {
  *used = 0;
  if (m_done) Reset();
  while (*used < size) {
    if (m_ended) {
      m_line->clear();
      m_raw = 0;
      m_ended = 0;
    }
    if (m_bytes >= m_bytesMax) return kTooLarge;
    const char c = data[(*used)++];
    ++m_bytes;
    if (c == '\n') return endLine();
    // One character beyond the limit is kept: it may be the CR of the line end.
    if (m_raw++ <= m_lineMax) m_line->push_back(c ? c : ' ');
  }
  return kMore;
}

// A line's text is what came before its LF, less one CR at the end, cut to the limit.
vqFtpReplyReader::Event vqFtpReplyReader::endLine() {
  std::string& line = *m_line;
  m_ended = 1;
  if (m_raw <= m_lineMax + 1 && !line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > m_lineMax) line.resize(m_lineMax);
  if (m_lines == 0 && VQFTP_ReplyCode(line.c_str()) == 0) return ++m_stray > m_strayMax ? kTooLarge : kStray;
  if (++m_lines > m_linesMax) return kTooLarge;
  if (!m_frame.Add(line.c_str())) return kLine;
  m_done = 1;
  return kDone;
}

int VQFTP_ParsePasv(const char* replyText, unsigned char address[4], unsigned int* port) {
  if (!replyText || strlen(replyText) < 4) return 1;
  const char* p = replyText + 4;
  while (*p && !isdigit(static_cast<unsigned char>(*p))) ++p;
  std::string fields[6];
  int n = 0;
  for (; *p && n < 6; ++p) {
    if (*p == '(' || *p == ',' || *p == ')') {
      ++n;
      continue;
    }
    if (fields[n].size() > 8) return 1;  // no field of a real reply is that long
    fields[n] += *p;
  }
  if (n < 5) return 1;  // fewer than six fields
  unsigned int v[6];
  for (int i = 0; i < 6; ++i)
    if (!byteField(fields[i], &v[i])) return 1;
  for (int i = 0; i < 4; ++i) address[i] = static_cast<unsigned char>(v[i]);
  *port = v[4] * 256 + v[5];
  return 0;
}

int VQFTP_FormatPort(const char* dottedAddress, unsigned int port, char* out, size_t outSize) {
  if (out && outSize) out[0] = 0;
  if (!dottedAddress || !out || port > 65535) return 1;
  unsigned int a[4];
  std::string text(dottedAddress);
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    size_t dot = i < 3 ? text.find('.', start) : text.size();
    if (dot == std::string::npos || !byteField(text.substr(start, dot - start), &a[i])) return 1;
    start = dot + 1;
  }
  char buf[32];
  int len = snprintf(buf, sizeof buf, "%u,%u,%u,%u,%u,%u", a[0], a[1], a[2], a[3], port >> 8, port & 0xFF);
  if (len < 0 || static_cast<size_t>(len) >= outSize) return 1;
  memcpy(out, buf, static_cast<size_t>(len) + 1);
  return 0;
}

size_t VQFTP_ParsePwd(const char* replyText, char* out, size_t outSize) {
  if (out && outSize) out[0] = 0;
  if (!replyText || strlen(replyText) <= 4) return 0;
  std::string t(replyText + 4);
  size_t b = t.find_first_not_of(" \t\r\n");
  size_t e = t.find_last_not_of(" \t\r\n");
  t = b == std::string::npos ? std::string() : t.substr(b, e - b + 1);

  static const char* const endings[] = {" is current directory", " is the current directory", " is cwd",
                                        " is working directory", " PWD  command successful."};
  bool cut = false;
  for (const char* ending : endings) {
    size_t at = t.find(ending);
    if (at != std::string::npos) {
      t.erase(at);
      cut = true;
      break;
    }
  }
  if (!cut) {
    static const char kCurrent[] = "Current Directory: ";
    size_t at = t.find(kCurrent);
    if (at != std::string::npos) {
      t.erase(0, at + sizeof kCurrent - 1);
    } else if (!t.empty() && (t[0] == '"' || t[0] == '\'')) {
      size_t last = t.rfind(t[0]);
      if (last > 0) t.erase(last);
      t.erase(0, 1);
    }
  }
  if (!t.empty() && (t[0] == '"' || t[0] == '\'')) t.erase(0, 1);
  if (!t.empty() && (t.back() == '"' || t.back() == '\'')) t.pop_back();
  VQSTR_Copy(out, t.c_str(), outSize);
  return t.size();
}

void VQFTP_GuessSystem(const char* sysType, char* sysDir, vqSystemGuess* out) {
  if (!out) return;
  std::string type(sysType ? sysType : "");
  std::string dir(sysDir ? sysDir : "");
  out->delim[0] = '/';
  out->delim[1] = 0;
  if (has(dir, "/"))
    out->delim[0] = '/';
  else if (has(dir, "\\"))
    out->delim[0] = '\\';
  else if (has(dir, "]"))
    out->delim[0] = '.';

  enum Fix { None, Dot, DotDropRoot, DotStripQuotes };
  struct Rule {
    const char* a;
    const char* b;
    unsigned int type;
    Fix fix;
  };
  static const Rule rules[] = {
      {"UNIX", "L8 Version: BSD-44", VQ_HOST_UNIXBSD44, None},
      {"UNIX", "L8", VQ_HOST_UNIXL8, None},
      {"UNIX", nullptr, VQ_HOST_UNIX, None},
      {"NetWare ", nullptr, VQ_HOST_NETWARE, None},
      {"Netware ", nullptr, VQ_HOST_NETWARE, None},
      {"OS/2", nullptr, VQ_HOST_OS2, None},
      {"Windows_NT", "3.51", 0, None},  // chosen by the delimiter below
      {"Windows_NT", nullptr, VQ_HOST_WINNT40, None},
      {"MultiNet", "3.4", VQ_HOST_MULTINET34, Dot},
      {"MultiNet", nullptr, VQ_HOST_MULTINET, Dot},
      {"VAX/VMS A5.5", nullptr, VQ_HOST_VMSA55, Dot},
      {"VMS VAX/VMS", nullptr, VQ_HOST_OPENVMS, Dot},
      {"VMS", nullptr, VQ_HOST_VMS, Dot},
      {"MACOS ", nullptr, VQ_HOST_MACOS, None},
      {"WFTPD", nullptr, VQ_HOST_WFTPD, None},
      {"VM/CMS ", nullptr, VQ_HOST_VMCMS, DotDropRoot},
      {"VM ", nullptr, VQ_HOST_VM, DotDropRoot},
      {"MVS ", nullptr, VQ_HOST_MVS, DotStripQuotes},
      {"HellSoft", nullptr, VQ_HOST_HELLSOFT, None},
      {"BisonWare", nullptr, VQ_HOST_BISONWARE, None},
      {"MSDOS ", nullptr, VQ_HOST_FTPSOFT, None},
  };
  for (const Rule& r : rules) {
    if (!has(type, r.a) || (r.b && !has(type, r.b))) continue;
    out->recognised = 1;
    out->hostType = r.type ? r.type : (out->delim[0] == '/' ? VQ_HOST_WINNT351U : VQ_HOST_WINNT351D);
    if (r.fix != None) out->delim[0] = '.';
    if (sysDir && r.fix == DotDropRoot && dir == "/") sysDir[0] = 0;
    if (sysDir && r.fix == DotStripQuotes) {
      char* w = sysDir;
      for (const char* p = sysDir; *p; ++p)
        if (*p != '\'') *w++ = *p;
      *w = 0;
    }
    return;
  }
  out->recognised = 0;
  out->hostType = out->delim[0] != '/' ? VQ_HOST_WINNT351D : VQ_HOST_AUTO;
}

int VQFTP_IsAsciiName(const char* name, const char* asciiList) {
  if (!name || !asciiList) return 0;
  const char* dot = strrchr(name, '.');
  if (!dot) return 0;
  std::string probe = lower(std::string("|") + dot + "|");
  return lower(asciiList).find(probe) != std::string::npos ? 1 : 0;
}

int VQFTP_BuildListCommand(const char* verb, const char* directory, const char* mask, const char* switches, char* out,
                           size_t outSize) {
  if (out && outSize) out[0] = 0;
  if (!verb || !out || outSize == 0) return 1;
  std::string cmd(verb);
  for (const char* part : {directory, switches, mask}) {
    if (part && *part) {
      cmd += ' ';
      cmd += part;
    }
  }
  while (!cmd.empty() && cmd.back() == ' ') cmd.pop_back();
  if (cmd.size() >= outSize) return 1;
  memcpy(out, cmd.c_str(), cmd.size() + 1);
  return 0;
}

int VQFTP_MkdStep(const char* path, char delim, int vmsFamily, int index, char* out, size_t outSize) {
  if (out && outSize) out[0] = 0;
  if (!path || !out || index < 0) return 0;
  // Split at the delimiter, keeping empty pieces.
  std::string p(path);
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t at = p.find(delim, start);
    pieces.push_back(p.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  const int count = static_cast<int>(pieces.size());
  int step = -1;
  std::string text;
  if (vmsFamily) {
    text = pieces[0];
    for (int i = 1; i < count; ++i) {
      if (pieces[i].empty()) continue;
      if (!text.empty() && text.back() == ']') text.pop_back();
      if (text.empty() || text.back() != delim) text += delim;
      text += pieces[i];
      if (text.back() != ']') text += ']';
      if (++step == index) break;
    }
  } else {
    if (!p.empty() && p[0] == delim) text += delim;
    for (int i = 0; i < count; ++i) {
      if (pieces[i].empty()) continue;
      text += pieces[i];
      if (++step == index) break;
      text += delim;
    }
  }
  if (step != index) return 0;
  VQSTR_Copy(out, text.c_str(), outSize);
  return 1;
}

std::string VQFTP_FormatV(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int n = vsnprintf(nullptr, 0, format, args);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    vsnprintf(&out[0], out.size(), format, again);
    out.resize(static_cast<size_t>(n));
  }
  va_end(again);
  return out;
}

int VQFTP_HasLineBreak(const char* text) { return text && strpbrk(text, "\r\n") ? 1 : 0; }

void VQFTP_ParseFeatures(const char* replyText, vqFtpFeatures* out) {
  if (!out) return;
  const int asked = out->asked;
  memset(out, 0, sizeof *out);
  out->asked = asked;
  if (!replyText || VQFTP_ReplyCode(replyText) != 211) return;
  out->answered = 1;
  const char* p = replyText;
  bool first = true;
  while (*p) {
    const char* end = p;
    while (*end && *end != '\n' && *end != '\r') ++end;
    std::string line(p, static_cast<size_t>(end - p));
    p = end;
    while (*p == '\r' || *p == '\n') ++p;
    const bool opening = first;
    first = false;
    // The opening and closing lines carry the code and a remark, not features; a server that puts
    // "211-" before each feature has it taken off.
    if (line.size() >= 4 && VQFTP_ReplyCode(line.c_str()) == 211 && (line[3] == '-' || line[3] == ' ')) {
      if (opening || line[3] == ' ') continue;
      line.erase(0, 4);
    }
    size_t b = line.find_first_not_of(' ');
    if (b == std::string::npos) continue;
    size_t e = line.find(' ', b);
    std::string name = line.substr(b, e == std::string::npos ? std::string::npos : e - b);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::string args = e == std::string::npos ? std::string() : line.substr(e + 1);
    if (name == "MLST" || name == "MLSD") {
      out->mlst = 1;
      if (name == "MLST") snprintf(out->mlstFacts, sizeof out->mlstFacts, "%s", args.c_str());
    } else if (name == "UTF8") {
      out->utf8 = 1;
    } else if (name == "SIZE") {
      out->size = 1;
    } else if (name == "MDTM") {
      out->mdtm = 1;
    } else if (name == "EPSV") {
      out->epsv = 1;
    } else if (name == "EPRT") {
      out->eprt = 1;
    } else if (name == "REST") {
      out->rest = 1;
    } else if (name == "TVFS") {
      out->tvfs = 1;
    }
  }
}

int VQFTP_ParseEpsv(const char* replyText, unsigned int* port) {
  if (!replyText || !port) return 1;
  *port = 0;
  const char* open = strchr(replyText, '(');
  if (!open) return 1;
  const char d = open[1];
  if (d < 33 || d > 126 || (d >= '0' && d <= '9')) return 1;
  if (open[2] != d || open[3] != d) return 1;
  const char* p = open + 4;
  unsigned int n = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (++digits > 5) return 1;
    n = n * 10 + static_cast<unsigned int>(*p - '0');
  }
  if (digits == 0 || *p != d || p[1] != ')' || n == 0 || n > 65535) return 1;
  *port = n;
  return 0;
}

int VQFTP_FormatEprt(const char* address, unsigned int port, char* out, size_t outSize) {
  if (out && outSize) out[0] = 0;
  if (!address || !out || port == 0 || port > 65535) return 1;
  int family = 0;
  char dotted[32];
  if (VQFTP_FormatPort(address, port, dotted, sizeof dotted) == 0) {
    family = 1;
  } else {
    // An IPv6 address in text: hex digits, colons, and a dotted tail; a zone ("%3") is left off.
    size_t n = 0;
    int colons = 0;
    for (const char* p = address; *p && *p != '%'; ++p, ++n) {
      const char c = *p;
      if (c == ':') ++colons;
      if (!(isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.') || n > 45) return 1;
    }
    if (colons < 2) return 1;
    family = 2;
  }
  std::string host(address);
  size_t zone = host.find('%');
  if (zone != std::string::npos) host.erase(zone);
  char buf[96];
  int len = snprintf(buf, sizeof buf, "|%d|%s|%u|", family, host.c_str(), port);
  if (len < 0 || static_cast<size_t>(len) >= outSize) return 1;
  memcpy(out, buf, static_cast<size_t>(len) + 1);
  return 0;
}

int VQFTP_SplitHost(const char* url, char* out, size_t outSize, unsigned int* port) {
  if (port) *port = 0;
  if (!out || outSize == 0) return 1;
  out[0] = 0;
  if (!url) return 1;
  std::string host(url);
  if (!host.empty() && host[0] == '[') {
    size_t close = host.find(']');
    if (close == std::string::npos) return 1;
    std::string rest = host.substr(close + 1);
    host = host.substr(1, close - 1);
    if (!rest.empty()) {
      if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) return 1;
      unsigned int n = 0;
      for (size_t i = 1; i < rest.size(); ++i) {
        if (!isdigit(static_cast<unsigned char>(rest[i]))) return 1;
        n = n * 10 + static_cast<unsigned int>(rest[i] - '0');
      }
      if (n == 0 || n > 65535) return 1;
      if (port) *port = n;
    }
  }
  if (host.size() >= outSize) return 1;
  memcpy(out, host.c_str(), host.size() + 1);
  return 0;
}
