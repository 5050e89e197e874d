// The listing formats of the server families and the field rules they share (permissions, date,
// file name, links). Each format reads one line into the working record and answers 1 (entry),
// 0 (not an entry) or 101 (the entry continues on the next line).
#include "vqDirParser.h"
#include "vqListFormatUtil.h"

#include <ctype.h>
#include <string.h>

#include "vqDate.h"
#include "vqString.h"
#include "vqTokens.h"

namespace {

const size_t kTextChars = 24;   // permText, group, owner
const size_t kNameChars = 128;  // name, link target
static_assert(2 * kNameChars + 2 <= sizeof(_FTPITEMID::name), "a stored link is name|target");

int isVmsFamily(_VQ_HOSTTYPE t) {
  return t == VQ_HOST_MULTINET || t == VQ_HOST_VMS || t == VQ_HOST_VMSA55 || t == VQ_HOST_OPENVMS ||
         t == VQ_HOST_MULTINET34;
}

int monthNum(const char* s) {
  // Most listings give English month names: answer those without the general look-up, which
  // also reads numbers and three other languages.
  static const char kMonths[] = "janfebmaraprmayjunjulaugsepoctnovdec";
  if (s[0] && s[1] && s[2] && !s[3]) {
    char a = static_cast<char>(s[0] | 0x20), b = static_cast<char>(s[1] | 0x20), c = static_cast<char>(s[2] | 0x20);
    for (int m = 0; m < 12; ++m)
      if (kMonths[m * 3] == a && kMonths[m * 3 + 1] == b && kMonths[m * 3 + 2] == c) return m + 1;
  }
  char word[64];
  vqCopyText(word, sizeof word, s, sizeof word - 1);
  return VQDATE_MonthNum(word);
}

// Base name of a path (after the last '/').
const char* baseName(const char* path) {
  const char* slash = vqFindLastByte(path, '/');
  return slash ? slash + 1 : path;
}

// Extension of the base name; a leading dot (".profile", "..") is not one.
const char* extensionOf(const char* path) {
  const char* base = baseName(path);
  const char* dot = vqFindLastByte(base, '.');
  return dot && dot != base ? dot : nullptr;
}

int isDocOrText(const char* path) {
  const char* ext = extensionOf(path);
  return ext && (vqEqualNoCase(ext, ".doc") || vqEqualNoCase(ext, ".txt"));
}

int isReadme(const char* path) {
  const char* base = baseName(path);
  const char* ext = extensionOf(path);
  size_t stem = ext ? static_cast<size_t>(ext - base) : vqTextLength(base);
  if (stem != 6) return 0;
  for (size_t k = 0; k < 6; ++k)
    if (tolower(static_cast<unsigned char>(base[k])) != "readme"[k]) return 0;
  return 1;
}

// vqTextLength(s) > n, reading no further than needed.
int longerThan(const char* s, size_t n) {
  for (size_t k = 0; k <= n; ++k)
    if (!s[k]) return 0;
  return 1;
}

// '03-14-00', '3/14/00', '14-MAR-2000', '14.03.2000'.
int hasDateSeparator(const char* s) {
  for (; *s; ++s)
    if (*s == '-' || *s == '.' || *s == '/') return 1;
  return 0;
}

// One of the short texts of the record (permissions, owner, group), cut to its 24 characters.
template <size_t N>
void setText(char (&field)[N], const char* text) {
  vqCopyText(field, N, text, kTextChars);
}

void trimBlanks(char* s) {
  size_t n = vqTextLength(s);
  while (n > 0 && s[n - 1] == ' ') s[--n] = 0;
  size_t k = 0;
  while (s[k] == ' ') ++k;
  if (k) memmove(s, s + k, n - k + 1);
}

}  // namespace

// ---- shared steps ----

void vqDirParser::_copyRaw(const char* line, int rawColumnStart) {
  if (line == m_line && m_lineLength < VQ_DIRPARSE_BUFSIZE) {
    memcpy(m_raw, line, m_lineLength + 1);
    m_rawLength = m_lineLength;
  } else {
    m_rawLength = vqCopyText(m_raw, VQ_DIRPARSE_BUFSIZE, line, VQ_DIRPARSE_BUFSIZE - 1);
  }
  m_rawColumnStart = rawColumnStart;
}

size_t vqDirParser::_lineLength(const char* line) const {
  return line == m_line && m_lineLength < VQ_DIRPARSE_BUFSIZE ? m_lineLength : vqTextLength(line);
}

const char* vqDirParser::_find(const char* line, const char* needle) const {
  return line == m_line && m_lineLength < VQ_DIRPARSE_BUFSIZE ? vqFindTextIn(line, m_lineLength, needle)
                                                              : vqFindText(line, needle);
}

// Keeps the raw line for the name rule; false for a first line that says the folder cannot be read.
int vqDirParser::_startLine(char* line, int firstLine) {
  _copyRaw(line, 0);
  return !_firstLineReject(line, firstLine);
}

// Date, then the name from where the date ends, then the permission flags: the common tail.
int vqDirParser::_dateNamePerms(int i) {
  _doparse_date(i);
  _doparse_filename(i);
  _doparse_perms();
  return 1;
}

int vqDirParser::_firstLineReject(const char* line, int firstLine) const {
  return firstLine && (_find(line, " unreadable") || _find(line, " denied"));
}

int vqDirParser::_isDotEntry(const char* line) const {
  size_t n = _lineLength(line);
  while (n >= 3 && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' ' || line[n - 1] == '\t')) --n;
  size_t start = n;
  size_t k = n;
  while (k > 0 && line[k - 1] != ' ') --k;
  if (k > 0) {
    start = k;
  } else {
    k = n;
    while (k > 0 && line[k - 1] != '\t') --k;
    start = k;
  }
  while (start < n && (line[start] == ' ' || line[start] == '\t')) ++start;
  size_t len = n - start;
  return (len == 1 && line[start] == '.') || (len == 2 && line[start] == '.' && line[start + 1] == '.');
}

int vqDirParser::_split(char* line) {
  // The line text changes from here on; its length is counted again when needed.
  const bool plain = m_linePlain && line >= m_line && line <= m_line + VQ_DIRPARSE_BUFSIZE;
  m_lineLength = static_cast<size_t>(-1);
  if (plain) return _splitPlain(line);
  m_plainFields = 0;
  if (vqHasLineBreak(line)) VQSTR_StripCRLF(line);
  VQSTR_Squish(line);
  VQSTR_Trim(line);
  m_fieldCount = m_tokens->Parse(line, " ");
  if (m_fieldCount < 0) m_fieldCount = 0;
  if (m_fieldCount > VQTOKENS_MAX_FIELDS) m_fieldCount = VQTOKENS_MAX_FIELDS;
  return m_fieldCount;
}

// Squishes and trims the line in place and splits it at its blanks in one pass, for lines without
// line breaks or double-byte characters; gives the same fields as the general way.
int vqDirParser::_splitPlain(char* line) {
  m_plainFields = 1;
  const char* src = line;
  char* out = line;
  char* text = m_fieldText;
  int count = 0;
  for (;;) {
    while (*src == ' ') ++src;
    if (!*src) break;
    if (out != line) *out++ = ' ';
    const char* word = src;
    if (count < VQTOKENS_MAX_FIELDS) {
      m_fieldStart[count] = text;
      m_fieldRawPos[count] = static_cast<int>(word - m_line);
      for (char c; (c = *src) != 0 && c != ' '; ++src) {
        *out++ = c;
        *text++ = c;
      }
      *text++ = 0;
      ++count;
    } else {
      for (char c; (c = *src) != 0 && c != ' '; ++src) *out++ = c;
    }
  }
  *out = 0;
  if (line == m_line) m_lineLength = static_cast<size_t>(out - line);
  m_fieldCount = count;
  return count;
}

const char* vqDirParser::_field(int i) const {
  if (i < 0 || i >= VQTOKENS_MAX_FIELDS) return "";
  if (m_plainFields) return i < m_fieldCount ? m_fieldStart[i] : "";
  const char* f = (*m_tokens)[i];
  return f ? f : "";
}

// ---- field rules ----

void vqDirParser::_doparse_perms() {
  unsigned char* flags = m_item->permFlags;
  if (isVmsFamily(m_hostType)) {
    // '(RWED,RWED,RE,)': system, owner, group, world.
    char prot[sizeof m_item->permText];
    size_t n = 0;
    for (const char* p = m_item->permText; *p && n < sizeof prot - 1; ++p)
      if (*p != '(' && *p != ')') prot[n++] = *p;
    prot[n] = 0;
    const char* part = prot;
    for (int field = 0; field < 4 && part; ++field) {
      const char* comma = strchr(part, ',');
      size_t len = comma ? static_cast<size_t>(comma - part) : vqTextLength(part);
      if (field > 0) {
        unsigned char* f = flags + (field - 1) * 4;
        f[0] = memchr(part, 'R', len) != nullptr;
        f[1] = memchr(part, 'W', len) != nullptr;
        f[2] = memchr(part, 'E', len) != nullptr;
        f[3] = memchr(part, 'D', len) != nullptr;
      }
      part = comma ? comma + 1 : nullptr;
    }
    return;
  }
  const char* t = m_item->permText;  // zero-filled beyond its text, so positions 1 to 9 are readable
  for (int k = 0; k < 3; ++k) {
    flags[k * 4 + 0] = t[1 + k * 3] != '-';
    flags[k * 4 + 1] = t[2 + k * 3] != '-';
    flags[k * 4 + 2] = t[3 + k * 3] != '-';
    flags[k * 4 + 3] = k == 0;
  }
}

void vqDirParser::_doparse_date(int& i) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  const char* f = _field(i);
  if (hasDateSeparator(f) && vqLeadInt(f) != 0) {
    // '03-14-00', '3/14/00' or '14-MAR-2000'
    const char* parts[3] = {"", "", ""};
    const char* p = f;
    for (int k = 0; k < 3; ++k) {
      parts[k] = p;
      const char* next = p;
      while (*next && *next != '-' && *next != '/') ++next;
      if (!*next) {
        p = next;
        for (int j = k + 1; j < 3; ++j) parts[j] = p;
        break;
      }
      p = next + 1;
    }
    month = vqLeadInt(parts[0]);
    day = vqLeadInt(parts[1]);
    year = vqLeadInt(parts[2]);
    if (day == 0 && !isdigit(static_cast<unsigned char>(parts[1][0]))) {
      day = month;
      char word[64];
      size_t len = strcspn(parts[1], "-/");
      vqCopyText(word, sizeof word, parts[1], len);
      month = monthNum(word);
    }
    ++i;
    f = _field(i);
    if (vqLooksLikeTime(f)) {
      hour = vqLeadInt(f);
      minute = vqLeadInt(vqFindByte(f, ':') + 1);
      char upper[64];
      vqCopyText(upper, sizeof upper, f, sizeof upper - 1);
      for (char* c = upper; *c; ++c) *c = static_cast<char>(toupper(static_cast<unsigned char>(*c)));
      if (vqFindText(upper, "PM") && hour < 12)
        hour += 12;
      else if (vqFindText(upper, "AM") && hour == 12)
        hour = 0;  // 12:30AM is half past midnight

      ++i;
    }
  } else {
    // 'Mar 14 10:04', 'Mar 14 2000', '14 Mar 2000 10:04'
    int m = monthNum(f);
    if (m != 0) {
      month = m;
      day = vqLeadInt(_field(i + 1));
    } else {
      day = vqLeadInt(f);
      month = monthNum(_field(i + 1));
    }
    i += 2;
    f = _field(i);
    if (vqFindByte(f, ':')) {
      year = m_year;
      if (month > m_month || (month == m_month && day > m_day))
        --year;  // a listed date without a year is never in the future
    } else {
      year = vqLeadInt(f);
      ++i;
    }
    f = _field(i);
    if (vqLooksLikeTime(f)) {
      hour = vqLeadInt(f);
      minute = vqLeadInt(vqFindByte(f, ':') + 1);
      ++i;
    }
  }
  if (year >= 0 && year < 100) year += year > m_year % 100 ? 1900 : 2000;
  vqFileTimeFromParts(year, month, day, hour, minute, reinterpret_cast<char*>(m_item) + offsetof(_FTPITEMID, modified));
}

void vqDirParser::_doparse_filename(int i) {
  char* name = m_item->name;
  name[0] = 0;
  if (m_plainFields && i >= 0 && i < m_fieldCount && m_fieldRawPos[i] >= m_rawColumnStart &&
      static_cast<size_t>(m_fieldRawPos[i]) < m_rawLength) {
    // The field's place in the raw line is known: the name runs from there, blanks kept.
    const char* p = m_raw + m_fieldRawPos[i];
    size_t n = m_rawLength - static_cast<size_t>(m_fieldRawPos[i]);
    if (n > kNameChars) n = kNameChars;
    while (n > 0 && p[n - 1] == ' ') --n;
    memcpy(name, p, n);
    name[n] = 0;
    if (m_item->kind == VQ_KIND_FOLDERLINK || m_item->kind == VQ_KIND_OBJECTLINK) _doparse_link();
    return;
  }
  const char* first = _field(i);
  size_t firstLen = vqTextLength(first);
  int found = 0;
  if (firstLen > 0) {
    // Where column i starts in the raw line: the squished fields differ from it only in runs of
    // blanks, so walking the raw columns finds the name even when it repeats an earlier column.
    size_t rawLen = m_rawLength;
    size_t pos = static_cast<size_t>(m_rawColumnStart) < rawLen ? static_cast<size_t>(m_rawColumnStart) : rawLen;
    const char* p = m_raw + pos;
    while (*p == ' ') ++p;
    for (int k = 0; k < i && *p; ++k) {
      while (*p && *p != ' ') ++p;
      while (*p == ' ') ++p;
    }
    if (strncmp(p, first, firstLen) == 0 && (p[firstLen] == ' ' || p[firstLen] == 0)) {
      vqCopyText(name, sizeof m_item->name, p, kNameChars);
      found = 1;
    } else {
      // The columns did not line up (a carriage return inside the line, a cut-off line): the
      // last occurrence of " first " in the raw line with a blank appended.
      size_t plen = firstLen + 2;
      m_raw[rawLen] = ' ';
      m_raw[rawLen + 1] = 0;
      size_t hayLen = rawLen + 1;
      for (size_t at = hayLen >= plen ? hayLen - plen + 1 : 0; at > 0 && !found; --at) {
        const char* c = m_raw + at - 1;
        if (c[0] == ' ' && c[plen - 1] == ' ' && memcmp(c + 1, first, firstLen) == 0) {
          vqCopyText(name, sizeof m_item->name, c + 1, kNameChars);
          found = 1;
        }
      }
      m_raw[rawLen] = 0;
    }
  }
  if (found) {
    if (vqHasLineBreak(name)) VQSTR_StripCRLF(name);
    trimBlanks(name);
  } else {
    for (int k = i; k < m_fieldCount && vqTextLength(name) < kNameChars; ++k) {
      if (k > i) vqAppendText(name, sizeof m_item->name, " ");
      vqAppendText(name, sizeof m_item->name, _field(k));
    }
  }
  if (m_item->kind == VQ_KIND_FOLDERLINK || m_item->kind == VQ_KIND_OBJECTLINK) _doparse_link();
}

void vqDirParser::_doparse_link() {
  char linkName[sizeof m_item->name];
  char target[sizeof m_item->name];
  vqCopyText(linkName, sizeof linkName, m_item->name, sizeof linkName - 1);
  target[0] = 0;
  if (char* gt = const_cast<char*>(vqFindByte(linkName, '>'))) {
    *gt = 0;
    const char* after = gt + 1;
    if (*after == ' ') ++after;
    vqCopyText(target, sizeof target, after, sizeof target - 1);  // 'a -> b -> c' keeps 'b -> c'
    size_t n = vqTextLength(linkName);
    if (n > 0 && linkName[n - 1] == '-') linkName[--n] = 0;
    trimBlanks(linkName);
    trimBlanks(target);
  }
  linkName[kNameChars] = 0;
  target[kNameChars] = 0;
  vqCopyText(m_item->name, sizeof m_item->name, linkName, kNameChars);
  vqCopyText(m_item->url, sizeof m_item->url, target, kNameChars);
  m_itemTouched = 1;

  if (m_linkCb) {
    m_linkCb(m_item, m_linkUser);
  } else {
    m_item->kind = VQ_KIND_OBJECTLINK;
    if (m_item->size < 1024 && !isDocOrText(target) && !isDocOrText(linkName) && !isReadme(target) &&
        !isReadme(linkName) && (!extensionOf(target) || !extensionOf(linkName)))
      m_item->kind = VQ_KIND_FOLDERLINK;
  }
  // "name|target": both are cut to 128 characters above, so the record's name field holds them.
  size_t nameLen = vqTextLength(linkName), targetLen = vqTextLength(target);
  char* out = m_item->name;
  memcpy(out, linkName, nameLen);
  out[nameLen] = '|';
  memcpy(out + nameLen + 1, target, targetLen);
  out[nameLen + 1 + targetLen] = 0;
}

// ---- formats ----

int vqDirParser::_parseDEFAULT(char* line, int firstLine) { return _parseUNIX(line, firstLine, 1); }
int vqDirParser::_parseUNIXL8(char* line, int firstLine) { return _parseUNIX(line, firstLine, 0); }

int vqDirParser::_parseUNIX(char* line, int firstLine, int plusMark) {
  if (!_startLine(line, firstLine)) return 0;
  if (m_ignoreDotDirs && _isDotEntry(line)) return 0;
  char type = static_cast<char>(tolower(static_cast<unsigned char>(line[0])));
  m_item->kind = type == 'd' ? VQ_KIND_FOLDER : type == 'l' ? VQ_KIND_OBJECTLINK : VQ_KIND_OBJECT;
  vqCopyText(m_item->permText, sizeof m_item->permText, line, 10);
  char* cols = line;
  if (longerThan(line, 10)) {
    cols = line + 10;
    m_rawColumnStart = 10;
    if (plusMark && *cols == '+') {  // access-list mark after the permissions
      *cols = ' ';
      m_rawColumnStart = 11;
    }
  }
  _split(cols);
  setText(m_item->owner, _field(1));
  setText(m_item->group, _field(2));
  m_item->size = vqLeadSize(_field(3), 1);
  int i = 4;
  return _dateNamePerms(i);
}

int vqDirParser::_parseWINNT40(char* line, int firstLine) {
  if (_firstLineReject(line, firstLine)) {
    _copyRaw(line, 0);
    return 0;
  }
  char c = static_cast<char>(tolower(static_cast<unsigned char>(line[0])));
  if (c == '-' || c == 'd' || c == 'l') return _parseUNIX(line, firstLine, 1);
  return _parseWINNT351D(line, firstLine);
}

int vqDirParser::_parseWINNT351D(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  if (m_ignoreDotDirs && _isDotEntry(line)) return 0;
  m_item->kind = (_find(line, "<DIR>") || _find(line, "<dir>")) ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  _split(line);
  int i = 0;
  _doparse_date(i);
  m_item->size = vqLeadSize(_field(i), 1);
  ++i;
  _doparse_filename(i);
  _doparse_perms();
  return 1;
}

int vqDirParser::_parseOS2(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  if (m_ignoreDotDirs && _isDotEntry(line)) return 0;
  _split(line);
  m_item->kind = vqEqualNoCase(_field(1), "dir") ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  m_item->size = vqLeadSize(_field(0), 1);
  int i = isdigit(static_cast<unsigned char>(_field(1)[0])) ? 1 : 2;
  _doparse_date(i);
  _doparse_perms();
  _doparse_filename(i);
  return 1;
}

int vqDirParser::_parseMACOS(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  if (m_ignoreDotDirs && _isDotEntry(line)) return 0;
  int link = tolower(static_cast<unsigned char>(line[0])) == 'l';
  if ((_find(line, " folder ") || _find(line, " FOLDER ")))
    m_item->kind = link ? VQ_KIND_FOLDERLINK : VQ_KIND_FOLDER;
  else
    m_item->kind = link ? VQ_KIND_OBJECTLINK : VQ_KIND_OBJECT;
  _split(line);
  setText(m_item->permText, _field(0));
  m_item->size = vqLeadSize(_field(3), 1);
  int i = (m_item->kind == VQ_KIND_FOLDER || m_item->kind == VQ_KIND_FOLDERLINK) ? 3 : 4;
  return _dateNamePerms(i);
}

int vqDirParser::_parseNETWARE(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  m_item->kind = (line[0] == 'd' || line[0] == 'D') ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  _split(line);
  setText(m_item->permText, _field(1));
  setText(m_item->owner, _field(2));
  setText(m_item->group, _field(2));
  m_item->size = vqLeadSize(_field(3), 1);
  int i = 4;
  return _dateNamePerms(i);
}

int vqDirParser::_parseHELLSOFT(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  m_item->kind = (line[0] == 'd' || line[0] == 'D') ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  if (line[0]) {
    line[0] = ' ';
    m_rawColumnStart = 1;
  }
  _split(line);
  setText(m_item->permText, _field(0));
  setText(m_item->group, _field(1));
  setText(m_item->owner, _field(2));
  m_item->size = vqLeadSize(_field(3), 1);
  int i = 4;
  return _dateNamePerms(i);
}

int vqDirParser::_parseFTPSOFT(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  _split(line);
  vqCopyText(m_item->name, sizeof m_item->name, _field(0), kNameChars);
  m_item->kind = vqEqualNoCase(_field(1), "<dir>") ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  m_item->size = vqLeadSize(_field(1), 1);
  int i = 2;
  _doparse_date(i);
  return 1;
}

// VMS family variants.
enum { kMultiNet, kVms, kVmsA55, kOpenVms, kMultiNet34 };

int vqDirParser::_parseMULTINET(char* line, int firstLine) { return _parseVMSFamily(line, firstLine, kMultiNet); }
int vqDirParser::_parseVMS(char* line, int firstLine) { return _parseVMSFamily(line, firstLine, kVms); }
int vqDirParser::_parseVMSA55(char* line, int firstLine) { return _parseVMSFamily(line, firstLine, kVmsA55); }
int vqDirParser::_parseOPENVMS(char* line, int firstLine) { return _parseVMSFamily(line, firstLine, kOpenVms); }
int vqDirParser::_parseMULTINET34(char* line, int firstLine) { return _parseVMSFamily(line, firstLine, kMultiNet34); }

int vqDirParser::_parseVMSFamily(char* line, int firstLine, int variant) {
  if (!_startLine(line, firstLine)) return 0;
  if (_split(line) == 0) return 0;
  if (!*_field(1) && !*_field(2) && !*_field(3)) {
    // A name too long for its column stands alone; its details follow on the next line. The
    // very first line of a MultiNet or VMS listing may instead be a lone directory heading.
    if (firstLine && (variant == kMultiNet || variant == kVms || variant == kMultiNet34)) line[0] = 0;
    return 101;
  }
  vqCopyText(m_item->name, sizeof m_item->name, _field(0), kNameChars);
  int multiNet = variant == kMultiNet || variant == kMultiNet34;
  const char* dirTest = multiNet ? m_item->name : line;
  if (_find(dirTest, ".DIR;") || _find(dirTest, ".dir;")) {
    m_item->kind = VQ_KIND_FOLDER;
    VQSTR_StripVersion(m_item->name);
  }
  const int count = m_fieldCount;
  char blocks[64];
  switch (variant) {
    case kMultiNet:
    case kMultiNet34:
      m_item->size = vqLeadSize(_field(1), 512);
      setText(m_item->owner, _field(4));
      setText(m_item->group, _field(4));
      setText(m_item->permText, _field(5));
      break;
    case kVms:
      vqCopyText(blocks, sizeof blocks, _field(3), strcspn(_field(3), "/"));
      m_item->size = vqLeadSize(blocks, 512);
      setText(m_item->owner, "unavailable");
      setText(m_item->group, "unavailable");
      setText(m_item->permText, _field(4));
      break;
    case kVmsA55:
      vqCopyText(blocks, sizeof blocks, _field(1), strcspn(_field(1), "/"));
      m_item->size = vqLeadSize(blocks, 512);
      if (count > 2) {
        // '[GROUP,OWNER]'
        const char* uic = _field(count - 2);
        const char* pieces[3] = {"", "", ""};
        size_t lens[3] = {0, 0, 0};
        const char* p = uic;
        for (int k = 0; k < 3; ++k) {
          size_t len = strcspn(p, "[],");
          pieces[k] = p;
          lens[k] = len;
          if (!p[len]) break;
          p += len + 1;
        }
        vqCopyText(m_item->group, sizeof m_item->group, pieces[1], lens[1] < kTextChars ? lens[1] : kTextChars);
        vqCopyText(m_item->owner, sizeof m_item->owner, pieces[2], lens[2] < kTextChars ? lens[2] : kTextChars);
      }
      setText(m_item->permText, _field(4));
      break;
    case kOpenVms:
      vqCopyText(blocks, sizeof blocks, _field(1), strcspn(_field(1), "/"));
      m_item->size = vqLeadSize(blocks, 512);
      if (count > 2) {
        setText(m_item->owner, _field(count - 2));
        setText(m_item->group, _field(count - 2));
      }
      setText(m_item->permText, _field(count - 1));
      break;
  }
  int i = 2;
  _doparse_date(i);
  _doparse_perms();
  return 1;
}

int vqDirParser::_parseVM(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  int link = tolower(static_cast<unsigned char>(line[0])) == 'l';
  if ((_find(line, " folder ") || _find(line, " FOLDER ")))
    m_item->kind = link ? VQ_KIND_FOLDERLINK : VQ_KIND_FOLDER;
  else
    m_item->kind = link ? VQ_KIND_OBJECTLINK : VQ_KIND_OBJECT;
  if (_split(line) == 0) return 0;
  setText(m_item->permText, _field(0));
  int folder = m_item->kind == VQ_KIND_FOLDER || m_item->kind == VQ_KIND_FOLDERLINK;
  if (!folder) m_item->size = vqLeadSize(_field(3), 1);
  int i = folder ? 3 : 4;
  _doparse_date(i);
  _doparse_filename(i);  // the name rule alone decides the name
  _doparse_perms();
  return 1;
}

int vqDirParser::_parseVMCMS(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  m_item->kind = (_find(line, " folder ") || _find(line, " FOLDER ")) ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  if (_split(line) == 0) return 0;
  char name[2 * kNameChars + 2];
  snprintf(name, sizeof name, "%.128s.%.128s", _field(0), _field(1));
  vqCopyText(m_item->name, sizeof m_item->name, name, kNameChars);
  m_item->size = vqLeadSize(_field(5), 4096);
  int i = 6;
  _doparse_date(i);
  setText(m_item->owner, _field(m_fieldCount - 1));
  setText(m_item->group, _field(m_fieldCount - 1));
  return 1;
}

int vqDirParser::_parseAS400(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  _split(line);
  if (!_find(line, "*DIR") && !_find(line, "*DDIR") && !_find(line, "*STMF") && !_find(line, "*LIB") &&
      !_find(line, "*FLR"))
    return 0;
  size_t len = vqTextLength(line);
  if (_find(line, "*DIR ") || _find(line, "*LIB ") || _find(line, "*DDIR ") || (len > 0 && line[len - 1] == '/'))
    m_item->kind = VQ_KIND_FOLDER;
  int lastType = -1;
  for (int k = 0; k < m_fieldCount; ++k)
    if (_field(k)[0] == '*') lastType = k;
  // Owner, size, date, time before the object type; a name with blanks adds fields after it.
  int i;
  if (lastType == 4) {
    setText(m_item->owner, _field(0));
    m_item->size = vqLeadSize(_field(1), 1);
    i = 2;
  } else {
    m_item->size = vqLeadSize(_field(0), 1);
    i = 1;
  }
  _doparse_date(i);
  char* name = m_item->name;
  name[0] = 0;
  for (int k = lastType + 1; k < m_fieldCount && vqTextLength(name) < 132; ++k) {
    if (k > lastType + 1) vqAppendText(name, sizeof m_item->name, " ");
    vqAppendText(name, sizeof m_item->name, _field(k));
  }
  size_t n = vqTextLength(name);
  if (n > 0 && name[n - 1] == '/') name[n - 1] = 0;
  return 1;
}
