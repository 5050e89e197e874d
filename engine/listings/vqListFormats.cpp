// The listing formats of the server families and the field rules they share (permissions, date,
// file name, links). Each format reads one line into the working record and answers 1 (entry),
// 0 (not an entry) or 101 (the entry continues on the next line).
#include "vqDirParser.h"
#include "vqListFormatUtil.h"
#include "vqMachineListing.h"

#include <ctype.h>
#include <string.h>

#include "vqDate.h"
#include "vqString.h"
#include "vqTokens.h"

namespace {

const size_t kTextChars = 24;                            // permText, group, owner
const size_t kNameChars = sizeof(_FTPITEMID::name) - 1;  // a name as the server gives it
const size_t kLinkChars = 255;                           // each side of a stored link
static_assert(2 * kLinkChars + 2 <= sizeof(_FTPITEMID::name), "a stored link is name|target");

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
  int m = vqMonthName(s);
  if (m) return m;
  char word[64];
  vqCopyText(word, sizeof word, s, sizeof word - 1);
  return VQDATE_MonthNum(word);
}

// A month by its name only; a number is not one here ('3 Mar 2000' is day first).
int monthByName(const char* s) {
  if (!(*s >= '0' && *s <= '9')) {
    if (s[0] && s[1] && s[2] && !s[3]) {
      static const char kMonths[] = "janfebmaraprmayjunjulaugsepoctnovdec";
      char a = static_cast<char>(s[0] | 0x20), b = static_cast<char>(s[1] | 0x20), c = static_cast<char>(s[2] | 0x20);
      for (int m = 0; m < 12; ++m)
        if (kMonths[m * 3] == a && kMonths[m * 3 + 1] == b && kMonths[m * 3 + 2] == c) return m + 1;
    }
    return vqMonthName(s);
  }
  return 0;
}

int isDigit(char c) { return c >= '0' && c <= '9'; }

// '14', '2.', '26,' : a day of the month.
int isDayField(const char* s) {
  if (!isDigit(s[0])) return 0;
  int v = s[0] - '0', k = 1;
  if (isDigit(s[1])) v = v * 10 + (s[1] - '0'), k = 2;
  if (s[k] == '.' || s[k] == ',') ++k;
  return s[k] == 0 && v >= 1 && v <= 31;
}

// '2000', '2003,' : a year written out.
int isYearField(const char* s) {
  for (int k = 0; k < 4; ++k)
    if (!isDigit(s[k])) return 0;
  return s[4] == 0 || (s[4] == ',' && s[5] == 0);
}

// '10:04', '20:10,' : a time column in a word-form date.
int isTimeField(const char* s) {
  if (!isDigit(s[0])) return 0;
  if (vqLooksLikeTime(s)) return 1;
  char t[16];
  size_t n = vqCopyText(t, sizeof t, s, sizeof t - 1);
  if (n > 1 && (t[n - 1] == ',' || t[n - 1] == '.')) {
    t[n - 1] = 0;
    return vqLooksLikeTime(t);
  }
  return 0;
}

// A numeric date column: digit groups joined by one kind of separator ('03-14-00', '3/14/00',
// '18.09.06', '2003-10-02', '14-MAR-2000', '09-26'); the number of parts, or 0.
int numericDateParts(const char* s) {
  if (!isDigit(s[0])) return 0;
  char sep = 0;
  int parts = 1;
  const char* p = s;
  for (;;) {
    int digits = 0, letters = 0;
    while (isDigit(*p)) ++p, ++digits;
    while (parts == 2 && sep == '-' && digits == 0 && ((*p | 0x20) >= 'a' && (*p | 0x20) <= 'z')) ++p, ++letters;
    if (digits == 0 && letters == 0) return 0;
    if (digits > 4) return 0;
    if (*p == 0) return parts >= 2 ? parts : 0;
    if (*p != '-' && *p != '/' && *p != '.') return 0;
    if (sep && *p != sep) return 0;
    sep = *p++;
    if (++parts > 3) return 0;
  }
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
  // No text grants everything; a short one ('-rwxr-x') grants nothing it does not show.
  const char absent = t[0] ? 0 : '-';
  for (int k = 0; k < 3; ++k) {
    const char r = t[1 + k * 3], w = t[2 + k * 3], x = t[3 + k * 3];
    flags[k * 4 + 0] = r != '-' && r != absent;
    flags[k * 4 + 1] = w != '-' && w != absent;
    flags[k * 4 + 2] = x != '-' && x != absent;
    flags[k * 4 + 3] = k == 0;
  }
}

void vqDirParser::_doparse_date(int& i) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  const char* f = _field(i);
  if (hasDateSeparator(f) && vqLeadInt(f) != 0 && !isDayField(f)) {  // '26.' is a day before its month
    // '03-14-00', '3/14/00', '14-MAR-2000', '23/02/00', '18.09.06', '2003-10-02', '09-26 2000'
    const char* parts[3] = {"", "", ""};
    const char* p = f;
    char sep = 0;
    int count = 0;
    while (count < 3) {
      parts[count++] = p;
      const char* next = p;
      while (*next && *next != '-' && *next != '/' && *next != '.') ++next;
      if (!*next) break;
      if (!sep) sep = *next;
      p = next + 1;
    }
    for (int k = count; k < 3; ++k) parts[k] = "";
    const int a = vqLeadInt(parts[0]), b = vqLeadInt(parts[1]), c = vqLeadInt(parts[2]);
    size_t firstDigits = 0;
    while (isDigit(parts[0][firstDigits])) ++firstDigits;
    if (firstDigits == 4) {
      year = a, month = b, day = c;  // year first
    } else if (sep == '.') {
      day = a, month = b, year = c;  // day first, as dotted dates are written
    } else {
      month = a, day = b, year = c;
      if (day == 0 && !isdigit(static_cast<unsigned char>(parts[1][0]))) {
        day = month;
        char word[64];
        size_t len = strcspn(parts[1], "-/");
        vqCopyText(word, sizeof word, parts[1], len);
        month = monthNum(word);
      } else if (month > 12 && day >= 1 && day <= 12) {
        const int t = month;  // '23/02/00': the day came first
        month = day, day = t;
      }
    }
    ++i;
    f = _field(i);
    if (count == 2 && firstDigits != 4) {
      // Month and day only: a year column may follow, or the time of a recent date.
      if (isYearField(f)) {
        year = vqLeadInt(f);
        ++i;
        f = _field(i);
      } else {
        year = m_year;
        if (month > m_month || (month == m_month && day > m_day)) --year;
        VQITEM_SetYearGuessed(m_item, true);
      }
    }
    if (vqLooksLikeTime(f)) {
      hour = vqLeadInt(f);
      minute = vqLeadInt(vqFindByte(f, ':') + 1);
      char upper[64];
      vqCopyText(upper, sizeof upper, f, sizeof upper - 1);
      for (char* ch = upper; *ch; ++ch) *ch = static_cast<char>(toupper(static_cast<unsigned char>(*ch)));
      if (vqFindText(upper, "PM") && hour < 12)
        hour += 12;
      else if (vqFindText(upper, "AM") && hour == 12)
        hour = 0;  // 12:30AM is half past midnight

      ++i;
    }
  } else {
    // 'Mar 14 10:04', 'Mar 14 2000', '14 Mar 2000 10:04', '26. Juli, 20:10', '2. Okt. 2003'
    int m = monthByName(f);
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
      VQITEM_SetYearGuessed(m_item, true);
    } else {
      year = vqLeadInt(f);
      ++i;
    }
    f = _field(i);
    if (isTimeField(f)) {
      hour = vqLeadInt(f);
      minute = vqLeadInt(vqFindByte(f, ':') + 1);
      ++i;
    }
  }
  if (year >= 0 && year < 100) year += year > m_year % 100 ? 1900 : 2000;
  vqFileTimeFromParts(year, month, day, hour, minute, reinterpret_cast<char*>(m_item) + offsetof(_FTPITEMID, modified));
}

// A date starts at column i: a numeric date, or a day and a month name in either order followed by
// a year or a time.
int vqDirParser::_isDateAt(int i) const {
  if (i < 0 || i >= m_fieldCount) return 0;
  const char* f = _field(i);
  const int parts = numericDateParts(f);
  if (parts == 3) return 1;
  if (parts == 2) {
    const char* next = _field(i + 1);
    return isYearField(next) || vqLooksLikeTime(next);
  }
  const char* g = _field(i + 1);
  const char* h = _field(i + 2);
  if (!isYearField(h) && !isTimeField(h)) return 0;
  if (isDayField(g) && monthByName(f)) return 1;
  return isDayField(f) && monthByName(g);
}

// The first column from 'from' up to 'to' (exclusive) where a date starts, or -1.
int vqDirParser::_findDate(int from, int to) const {
  if (to > m_fieldCount) to = m_fieldCount;
  for (int k = from < 0 ? 0 : from; k < to; ++k)
    if (_isDateAt(k)) return k;
  return -1;
}

void vqDirParser::_setSize(const char* text, uint64_t mult) { VQITEM_SetFullSize(m_item, vqParseSize(text, mult)); }

// A name that is only "." or ".." (blanks after it aside): the folder itself or its parent.
int vqDirParser::_isDotName() const {
  const char* n = m_item->name;
  size_t len = 0;
  while (n[len] == '.') ++len;
  if (len == 0 || len > 2) return 0;
  for (size_t k = len; n[k]; ++k)
    if (n[k] != ' ') return 0;
  return 1;
}

void vqDirParser::_doparse_filename(int i) {
  char* name = m_item->name;
  name[0] = 0;
  const char* rawFloor = m_raw + (static_cast<size_t>(m_rawColumnStart) < m_rawLength ? m_rawColumnStart : m_rawLength);
  // Where the name starts in the raw line: with one blank as the separator, further blanks in
  // front of the name are part of it (' a.txt').
  auto nameStart = [&](const char* p) {
    if (m_keepNameBlanks)
      while (p - 2 >= rawFloor && p[-1] == ' ' && p[-2] == ' ') --p;
    return p;
  };
  // How much of the raw text from p is the name: trailing blanks too where the format keeps them.
  auto nameLength = [&](const char* p, size_t n) {
    if (n > kNameChars) n = kNameChars;
    if (!m_keepNameBlanks)
      while (n > 0 && p[n - 1] == ' ') --n;
    return n;
  };
  if (m_plainFields && i >= 0 && i < m_fieldCount && m_fieldRawPos[i] >= m_rawColumnStart &&
      static_cast<size_t>(m_fieldRawPos[i]) < m_rawLength) {
    // The field's place in the raw line is known: the name runs from there, blanks kept.
    const char* p = nameStart(m_raw + m_fieldRawPos[i]);
    size_t n = nameLength(p, m_rawLength - static_cast<size_t>(p - m_raw));
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
    const char* p = rawFloor;
    while (*p == ' ') ++p;
    for (int k = 0; k < i && *p; ++k) {
      while (*p && *p != ' ') ++p;
      while (*p == ' ') ++p;
    }
    if (strncmp(p, first, firstLen) == 0 && (p[firstLen] == ' ' || p[firstLen] == 0)) {
      p = nameStart(p);
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
    if (m_keepNameBlanks)
      name[nameLength(name, vqTextLength(name))] = 0;
    else
      trimBlanks(name);
  } else {
    for (int k = i; k < m_fieldCount && vqTextLength(name) < kNameChars; ++k) {
      if (k > i) vqAppendText(name, sizeof m_item->name, " ");
      vqAppendText(name, sizeof m_item->name, _field(k));
    }
  }
  if (m_item->kind == VQ_KIND_FOLDERLINK || m_item->kind == VQ_KIND_OBJECTLINK) _doparse_link();
}

// 'lib -> usr/lib': the name before the arrow, the target after it.
void vqDirParser::_doparse_link() {
  char linkName[sizeof m_item->name];
  char target[sizeof m_item->name];
  vqCopyText(linkName, sizeof linkName, m_item->name, sizeof linkName - 1);
  target[0] = 0;
  if (char* arrow = const_cast<char*>(vqFindText(linkName, " -> "))) {
    // The arrow as servers write it; a '>' inside the name stays ('a>b -> c').
    *arrow = 0;
    vqCopyText(target, sizeof target, arrow + 4, sizeof target - 1);  // 'a -> b -> c' keeps 'b -> c'
    trimBlanks(target);
  } else if (char* gt = const_cast<char*>(vqFindByte(linkName, '>'))) {
    *gt = 0;
    const char* after = gt + 1;
    if (*after == ' ') ++after;
    vqCopyText(target, sizeof target, after, sizeof target - 1);
    size_t n = vqTextLength(linkName);
    if (n > 0 && linkName[n - 1] == '-') linkName[--n] = 0;
    trimBlanks(linkName);
    trimBlanks(target);
  }
  _storeLink(linkName, target, 1);
}

// Stores a link as "name|target" in the record, its target in url, and lets the link callback (or,
// with decideKind, the rule of sizes and extensions) choose between a folder and a file link.
void vqDirParser::_storeLink(const char* name, const char* target, int decideKind) {
  char linkName[kLinkChars + 1];
  char linkTarget[kLinkChars + 1];
  vqCopyText(linkName, sizeof linkName, name, kLinkChars);
  vqCopyText(linkTarget, sizeof linkTarget, target, kLinkChars);
  vqCopyText(m_item->url, sizeof m_item->url, linkTarget, kLinkChars);
  m_itemTouched = 1;

  if (m_linkCb) {
    m_linkCb(m_item, m_linkUser);
  } else if (decideKind) {
    m_item->kind = VQ_KIND_OBJECTLINK;
    if (VQITEM_FullSize(m_item) < 1024 && !isDocOrText(linkTarget) && !isDocOrText(linkName) && !isReadme(linkTarget) &&
        !isReadme(linkName) && (!extensionOf(linkTarget) || !extensionOf(linkName)))
      m_item->kind = VQ_KIND_FOLDERLINK;
  }
  size_t nameLen = vqTextLength(linkName), targetLen = vqTextLength(linkTarget);
  char* out = m_item->name;
  memcpy(out, linkName, nameLen);
  out[nameLen] = '|';
  memcpy(out + nameLen + 1, linkTarget, targetLen);
  out[nameLen + 1 + targetLen] = 0;
}

// ---- formats ----

int vqDirParser::_parseDEFAULT(char* line, int firstLine) { return _parseUNIX(line, firstLine, 1); }
int vqDirParser::_parseUNIXL8(char* line, int firstLine) { return _parseUNIX(line, firstLine, 0); }

int vqDirParser::_parseUNIX(char* line, int firstLine, int plusMark) {
  if (!_startLine(line, firstLine)) return 0;
  // The last word alone may be "." or ".." in a longer name or a link's target: decided on the name.
  const int dotCandidate = m_ignoreDotDirs && _isDotEntry(line);
  char type = static_cast<char>(tolower(static_cast<unsigned char>(line[0])));
  m_item->kind = type == 'd' ? VQ_KIND_FOLDER : type == 'l' ? VQ_KIND_OBJECTLINK : VQ_KIND_OBJECT;
  // Ten permission characters, which a large link count may follow without a blank; some servers
  // write fewer, then a blank ends them.
  size_t permLen = vqCopyText(m_item->permText, sizeof m_item->permText, line, 10);
  if (const void* blank = memchr(m_item->permText, ' ', permLen)) {
    permLen = static_cast<size_t>(static_cast<const char*>(blank) - m_item->permText);
    memset(m_item->permText + permLen, 0, 10 - permLen);
  }
  char* cols = line;
  if (longerThan(line, permLen)) {
    cols = line + permLen;
    m_rawColumnStart = static_cast<int>(permLen);
    if (plusMark && permLen == 10 && *cols == '+') {  // access-list mark after the permissions
      *cols = ' ';
      m_rawColumnStart = 11;
    }
  }
  _split(cols);
  int d = 4;
  if (vqIsSize(_field(3)) && _isDateAt(4)) {
    // links, owner, group, size, date: most servers
    setText(m_item->owner, _field(1));
    setText(m_item->group, _field(2));
    _setSize(_field(3), 1);
  } else {
    // Otherwise the date is found by its shape and the size is the column before it; what comes
    // before the size is a link count, an owner and a group, any of which may be missing.
    const int found = _findDate(1, m_fieldCount);
    if (found > 0) d = found;
    const char* sizeText = _field(d - 1);
    char joined[64] = "";  // 'staff12345': a group that ran into the size
    if (!vqIsSize(sizeText)) {
      size_t len = vqTextLength(sizeText), k = len;
      while (k > 0 && isDigit(sizeText[k - 1])) --k;
      if (k > 0 && k < len && k < sizeof joined) {
        vqCopyText(joined, sizeof joined, sizeText, k);
        sizeText += k;
      }
    }
    const char* cols3[3] = {nullptr, nullptr, nullptr};  // the last three columns before the size
    int n = 0;
    for (int k = 0; k < d - 1; ++k) {
      if (n == 3) cols3[0] = cols3[1], cols3[1] = cols3[2], n = 2;
      cols3[n++] = _field(k);
    }
    if (joined[0]) {
      if (n == 3) cols3[0] = cols3[1], cols3[1] = cols3[2], n = 2;
      cols3[n++] = joined;
    }
    auto allDigits = [](const char* t) {
      if (!*t) return false;
      for (; *t; ++t)
        if (!isDigit(*t)) return false;
      return true;
    };
    if (n == 3) {
      setText(m_item->owner, cols3[1]);
      setText(m_item->group, cols3[2]);
    } else if (n == 2) {
      if (allDigits(cols3[0]) && !joined[0]) {
        setText(m_item->owner, cols3[1]);  // link count and owner, no group
      } else {
        setText(m_item->owner, cols3[0]);
        setText(m_item->group, cols3[1]);
      }
    } else if (n == 1 && !allDigits(cols3[0])) {
      setText(m_item->owner, cols3[0]);
    }
    _setSize(sizeText, 1);
  }
  int i = d;
  _doparse_date(i);
  m_keepNameBlanks = 1;
  _doparse_filename(i);
  m_keepNameBlanks = 0;
  _doparse_perms();
  return dotCandidate && _isDotName() ? 0 : 1;
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
  const int dotCandidate = m_ignoreDotDirs && _isDotEntry(line);
  _split(line);
  int i = 0;
  _doparse_date(i);
  // The column after the time: a size ('9,730'), <DIR>, or a link marker.
  const char* marker = _field(i);
  int link = 0;
  if (marker[0] == '<') {
    if (vqEqualNoCase(marker, "<DIR>")) {
      m_item->kind = VQ_KIND_FOLDER;
    } else if (vqEqualNoCase(marker, "<JUNCTION>") || vqEqualNoCase(marker, "<SYMLINKD>")) {
      m_item->kind = VQ_KIND_FOLDERLINK;
      link = 1;
    } else if (vqEqualNoCase(marker, "<SYMLINK>")) {
      m_item->kind = VQ_KIND_OBJECTLINK;
      link = 1;
    }
  } else if (_find(line, "<DIR>") || _find(line, "<dir>")) {
    m_item->kind = VQ_KIND_FOLDER;
  }
  if (!link && m_item->kind == VQ_KIND_OBJECT) _setSize(marker, 1);
  ++i;
  // A file's name follows its size after one blank; after <DIR> the name column is padded.
  m_keepNameBlanks = m_item->kind == VQ_KIND_OBJECT && vqIsSize(marker);
  const int kind = m_item->kind;
  m_item->kind = VQ_KIND_OBJECT;  // the link form is read below, not by the arrow rule
  _doparse_filename(i);
  m_keepNameBlanks = 0;
  m_item->kind = static_cast<int16_t>(kind);
  if (link) {
    // 'Docs [C:\Users\Docs]', 'bin -> D:\tools\bin', 'bin => D:\tools\bin'
    char name[sizeof m_item->name];
    vqCopyText(name, sizeof name, m_item->name, sizeof name - 1);
    const char* target = "";
    size_t n = vqTextLength(name);
    char* arrow = const_cast<char*>(vqFindText(name, " -> "));
    if (!arrow) arrow = const_cast<char*>(vqFindText(name, " => "));
    if (arrow) {
      *arrow = 0;
      target = arrow + 4;
    } else if (n > 0 && name[n - 1] == ']') {
      char* open = const_cast<char*>(vqFindLastByte(name, '['));
      if (open && open > name && open[-1] == ' ') {
        name[n - 1] = 0;
        open[-1] = 0;
        target = open + 1;
      }
    }
    _storeLink(name, target, 0);
  }
  _doparse_perms();
  return dotCandidate && _isDotName() ? 0 : 1;
}

int vqDirParser::_parseOS2(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  const int dotCandidate = m_ignoreDotDirs && _isDotEntry(line);
  _split(line);
  _setSize(_field(0), 1);
  // Attribute letters and the DIR marker stand between the size and the date, in any case.
  int i = _findDate(1, m_fieldCount);
  if (i < 0) i = isdigit(static_cast<unsigned char>(_field(1)[0])) ? 1 : 2;
  for (int k = 1; k < i; ++k)
    if (vqEqualNoCase(_field(k), "dir")) m_item->kind = VQ_KIND_FOLDER;
  _doparse_date(i);
  _doparse_perms();
  _doparse_filename(i);
  return dotCandidate && _isDotName() ? 0 : 1;
}

int vqDirParser::_parseMACOS(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  const int dotCandidate = m_ignoreDotDirs && _isDotEntry(line);
  int link = tolower(static_cast<unsigned char>(line[0])) == 'l';
  if ((_find(line, " folder ") || _find(line, " FOLDER ")))
    m_item->kind = link ? VQ_KIND_FOLDERLINK : VQ_KIND_FOLDER;
  else
    m_item->kind = link ? VQ_KIND_OBJECTLINK : VQ_KIND_OBJECT;
  _split(line);
  setText(m_item->permText, _field(0));
  _setSize(_field(3), 1);
  int i = (m_item->kind == VQ_KIND_FOLDER || m_item->kind == VQ_KIND_FOLDERLINK) ? 3 : 4;
  _dateNamePerms(i);
  return dotCandidate && _isDotName() ? 0 : 1;
}

int vqDirParser::_parseNETWARE(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  m_item->kind = (line[0] == 'd' || line[0] == 'D') ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  _split(line);
  setText(m_item->permText, _field(1));
  setText(m_item->owner, _field(2));
  setText(m_item->group, _field(2));
  _setSize(_field(3), 1);
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
  _setSize(_field(3), 1);
  int i = 4;
  return _dateNamePerms(i);
}

int vqDirParser::_parseFTPSOFT(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  _split(line);
  vqCopyText(m_item->name, sizeof m_item->name, _field(0), kNameChars);
  m_item->kind = vqEqualNoCase(_field(1), "<dir>") ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  if (m_item->kind == VQ_KIND_OBJECT) _setSize(_field(1), 1);
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
  // A server's answer in place of the details ('%RMS-E-PRV, insufficient privilege', 'no
  // privilege for attempted operation'): the name stands there, but not as an entry to open.
  if (_field(1)[0] == '%' || _find(line, " privilege")) return 0;
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
      _setSize(_field(1), 512);
      setText(m_item->owner, _field(4));
      setText(m_item->group, _field(4));
      setText(m_item->permText, _field(5));
      break;
    case kVms:
      vqCopyText(blocks, sizeof blocks, _field(3), strcspn(_field(3), "/"));
      _setSize(blocks, 512);
      setText(m_item->owner, "unavailable");
      setText(m_item->group, "unavailable");
      setText(m_item->permText, _field(4));
      break;
    case kVmsA55:
      vqCopyText(blocks, sizeof blocks, _field(1), strcspn(_field(1), "/"));
      _setSize(blocks, 512);
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
      _setSize(blocks, 512);
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
  if (!folder) _setSize(_field(3), 1);
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
  int i = 6;
  if (vqEqualNoCase(_field(1), "DIR")) {
    // 'WORK DIR - - - 2000-01-01 12:00:00 -': a directory of a shared file system, named by its first
    // column alone, with no record counts before its date.
    m_item->kind = VQ_KIND_FOLDER;
    vqCopyText(m_item->name, sizeof m_item->name, _field(0), kNameChars);
    const int found = _findDate(2, m_fieldCount);
    if (found > 0) i = found;
  } else {
    snprintf(name, sizeof name, "%.255s.%.255s", _field(0), _field(1));
    vqCopyText(m_item->name, sizeof m_item->name, name, kNameChars);
    if (!_isDateAt(6)) {
      const int found = _findDate(2, m_fieldCount);
      if (found > 0) i = found;
    }
    if (i > 5 && !numericDateParts(_field(5))) _setSize(_field(5), 4096);
  }
  _doparse_date(i);
  setText(m_item->owner, _field(m_fieldCount - 1));
  setText(m_item->group, _field(m_fieldCount - 1));
  return 1;
}

int vqDirParser::_parseAS400(char* line, int firstLine) {
  if (!_startLine(line, firstLine)) return 0;
  _split(line);
  int lastType = -1;
  for (int k = 0; k < m_fieldCount; ++k)
    if (_field(k)[0] == '*') lastType = k;
  // A member of a database file is listed by owner, type and name alone ('QSYS *MEM A.FILE/B.MBR').
  const int member = lastType >= 0 && lastType <= 1 && vqEqualNoCase(_field(lastType), "*MEM");
  if (!member && !_find(line, "*DIR") && !_find(line, "*DDIR") && !_find(line, "*STMF") && !_find(line, "*LIB") &&
      !_find(line, "*FLR"))
    return 0;
  size_t len = vqTextLength(line);
  if (!member &&
      (_find(line, "*DIR ") || _find(line, "*LIB ") || _find(line, "*DDIR ") || (len > 0 && line[len - 1] == '/')))
    m_item->kind = VQ_KIND_FOLDER;
  // Owner, size, date, time before the object type; a name with blanks adds fields after it.
  if (member) {
    if (lastType == 1) setText(m_item->owner, _field(0));
  } else {
    int i;
    if (lastType == 4) {
      setText(m_item->owner, _field(0));
      _setSize(_field(1), 1);
      i = 2;
    } else {
      _setSize(_field(0), 1);
      i = 1;
    }
    _doparse_date(i);
  }
  char* name = m_item->name;
  name[0] = 0;
  for (int k = lastType + 1; k < m_fieldCount && vqTextLength(name) < kNameChars; ++k) {
    if (k > lastType + 1) vqAppendText(name, sizeof m_item->name, " ");
    vqAppendText(name, sizeof m_item->name, _field(k));
  }
  size_t n = vqTextLength(name);
  if (n > 0 && name[n - 1] == '/') name[--n] = 0;
  // The integrated file system may list whole paths ('/home/ann/a.txt'): the entry is the last part.
  if (name[0] == '/') {
    const char* base = vqFindLastByte(name, '/') + 1;
    memmove(name, base, vqTextLength(base) + 1);
  }
  return 1;
}

// ---- machine listings ----

int vqDirParser::_parseMachine(const char* line) {
  const size_t length = vqTextLength(line);
  m_rawLength = vqCopyText(m_raw, VQ_DIRPARSE_BUFSIZE, line, VQ_DIRPARSE_BUFSIZE - 1);
  m_rawColumnStart = 0;
  vqMachineFacts f;
  if (!VQLIST_ReadMachineLine(line, length, &f)) return 0;

  char name[sizeof m_item->name];
  vqCopyText(name, sizeof name, f.name, f.nameLength < sizeof name - 1 ? f.nameLength : sizeof name - 1);
  const bool folder = f.type == VQ_MLS_DIR || f.type == VQ_MLS_CDIR || f.type == VQ_MLS_PDIR;
  if (f.type == VQ_MLS_CDIR || f.type == VQ_MLS_PDIR) {
    // The folder itself and its parent, named by their paths: shown as "." and ".." when wanted.
    if (m_ignoreDotDirs) return 0;
    vqCopyText(name, sizeof name, f.type == VQ_MLS_CDIR ? "." : "..", 2);
  } else if (m_ignoreDotDirs && (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)) {
    return 0;
  }
  m_item->kind = folder ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
  if (!folder && f.hasSize) VQITEM_SetFullSize(m_item, f.size);

  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (f.hasModify && VQLIST_UtcToLocal(f.year, f.month, f.day, f.hour, f.minute, f.second, &y, &mo, &d, &h, &mi, &s))
    vqFileTimeFromParts(y, mo, d, h, mi, &m_item->modified);

  unsigned char* flags = m_item->permFlags;
  if (f.hasMode) {
    char* t = m_item->permText;
    t[0] = f.type == VQ_MLS_LINK ? 'l' : folder ? 'd' : '-';
    for (int k = 0; k < 3; ++k) {
      const unsigned bits = (f.mode >> (6 - 3 * k)) & 7;
      t[1 + k * 3] = bits & 4 ? 'r' : '-';
      t[2 + k * 3] = bits & 2 ? 'w' : '-';
      t[3 + k * 3] = bits & 1 ? 'x' : '-';
      flags[k * 4 + 0] = (bits & 4) != 0;
      flags[k * 4 + 1] = (bits & 2) != 0;
      flags[k * 4 + 2] = (bits & 1) != 0;
      flags[k * 4 + 3] = k == 0;
    }
    t[10] = 0;
  } else if (f.hasPerm) {
    vqCopyText(m_item->permText, sizeof m_item->permText, f.perm, 24);
  }
  if (f.hasPerm) {
    // The perm fact says what this login may do: it decides the owner's rights shown for the item.
    auto has = [&](char c) { return strchr(f.perm, c) != nullptr || strchr(f.perm, c - 32) != nullptr; };
    const unsigned char owner[4] = {
        static_cast<unsigned char>(folder ? has('l') || has('e') : has('r')),
        static_cast<unsigned char>(folder ? has('c') || has('m') || has('p') : has('w') || has('a')),
        static_cast<unsigned char>(folder ? has('e') : (f.hasMode ? flags[2] : 0)),
        static_cast<unsigned char>(has('d')),
    };
    for (int k = 0; k < 4; ++k) flags[k] = owner[k];
    if (!f.hasMode)
      for (int k = 4; k < 12; ++k) flags[k] = 0;
  } else if (!f.hasMode) {
    // Nothing said: like a listing without a permission column, everything is granted.
    for (int k = 0; k < 12; ++k) flags[k] = 1;
  }
  vqCopyText(m_item->owner, sizeof m_item->owner, f.owner, 24);
  vqCopyText(m_item->group, sizeof m_item->group, f.group, 24);

  if (f.type == VQ_MLS_LINK) {
    // A link whose target the server does not name is reached through its own name.
    _storeLink(name, f.linkTarget[0] ? f.linkTarget : name, 1);
  } else {
    vqCopyText(m_item->name, sizeof m_item->name, name, sizeof m_item->name - 1);
  }
  return 1;
}
