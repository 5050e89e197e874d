// Listing parser. A run reads the listing line by line (at most 254 characters at a time), lets the
// host type's filter and format (vqListFormats.cpp) fill the working record, and appends the stored
// part of each accepted record to the parsed-listing file. Everything a server sends is untrusted:
// every copy into the record is bounded by its field, numbers saturate instead of overflowing.
#ifdef _WIN32
#include <windows.h>  // before the portable FILETIME, which the Windows headers do not test for
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif
#include "vqDirParser.h"
#include "vqListFormatUtil.h"
#include "vqMachineListing.h"

#include <stdint.h>
#include <string.h>
#include <time.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "vqCatch.h"
#include "vqString.h"
#include "vqTokens.h"

namespace {

const int kMaxRead = 1022;            // characters taken from the listing per read
const size_t kReadBuffer = 1 << 16;   // file buffering of the run
const size_t kWriteBuffer = 1 << 18;  // records are written in blocks of this size

const uint64_t kOnes = 0x0101010101010101ULL;
const uint64_t kHighs = 0x8080808080808080ULL;

// Some byte of x is below 14: NUL, tab, line feed, carriage return and the like need a closer look.
inline bool hasControl(uint64_t x) { return ((x - kOnes * 14) & ~x & kHighs) != 0; }

// What one read puts into the line.
struct LineRead {
  size_t consumed = 0;  // bytes taken from the file; 0 at the end
  size_t written = 0;   // characters added to the line
  bool carriageReturn = false;
  bool highBytes = false;  // a byte of 0x80 or above
  int first = -1;          // the first character read: '\n' for a line end, '\r' for a lone CR
};

// Reads the listing like a text-mode fgets with a 255-byte buffer (CR LF counts as one line feed),
// but in binary on every platform so that a Ctrl-Z byte or a NUL does not end the listing early.
class LineReader {
 public:
  explicit LineReader(FILE* f) : m_f(f), m_buf(new unsigned char[kReadBuffer]), m_pos(0), m_len(0) {}
  ~LineReader() { delete[] m_buf; }

  // Takes up to maxChars characters through the first line feed from the listing and copies them
  // into out, at most room characters: the copy ends before the line feed or a NUL byte, tabs
  // become blanks. out is terminated.
  LineRead Read(char* out, size_t maxChars, size_t room) {
    LineRead r;
    size_t n = 0, w = 0;
    bool open = true;  // no NUL byte yet
    uint64_t high = 0;
    while (n < maxChars) {
      if (!Fill()) break;
      const unsigned char* src = m_buf + m_pos;
      size_t run = m_len - m_pos;
      if (run > maxChars - n) run = maxChars - n;
      size_t k = 0;
      if (n == 0 && src[0] != '\n' && src[0] != '\r') r.first = src[0];
      // Ordinary bytes eight at a time; anything below 14 goes through the loop after.
      if (open) {
        while (k + 8 <= run && w + 8 <= room) {
          uint64_t x;
          memcpy(&x, src + k, 8);
          if (hasControl(x)) break;
          high |= x;
          memcpy(out + w, src + k, 8);
          w += 8;
          k += 8;
        }
      }
      for (; k < run; ++k) {
        unsigned char c = src[k];
        if (c == '\n' || c == '\r') break;
        high |= c;
        if (!open) continue;
        if (c == 0)
          open = false;
        else if (w < room)
          out[w++] = static_cast<char>(c == '\t' ? ' ' : c);
      }
      n += k;
      m_pos += k;
      r.consumed += k;
      if (k == run) continue;
      int c = Get();
      ++r.consumed;
      if (c == '\r' && Peek() == '\n') {
        Get();
        ++r.consumed;
        c = '\n';
      }
      if (n++ == 0) r.first = c;
      if (c == '\n') break;
      r.carriageReturn = true;  // a lone CR stays in the line
      if (open && w < room) out[w++] = '\r';
    }
    out[w] = 0;
    r.written = w;
    r.highBytes = (high & kHighs) != 0;
    return r;
  }

 private:
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  bool Fill() {
    if (m_pos < m_len) return true;
    m_len = fread(m_buf, 1, kReadBuffer, m_f);
    m_pos = 0;
    return m_len > 0;
  }
  int Get() { return Fill() ? m_buf[m_pos++] : -1; }
  int Peek() { return Fill() ? m_buf[m_pos] : -1; }

  FILE* m_f;
  unsigned char* m_buf;
  size_t m_pos, m_len;
};

// Appends records to the parsed-listing file in large blocks.
class RecordWriter {
 public:
  explicit RecordWriter(FILE* f) : m_f(f), m_buf(new char[kWriteBuffer]), m_used(0) {}
  ~RecordWriter() { delete[] m_buf; }
  bool Add(const void* record, size_t size) {
    if (m_used + size > kWriteBuffer && !Flush()) return false;
    vqCopyBytes(m_buf + m_used, record, size);
    m_used += size;
    return true;
  }
  bool Flush() {
    if (m_used && fwrite(m_buf, 1, m_used, m_f) != m_used) return false;
    m_used = 0;
    return fflush(m_f) == 0;
  }

 private:
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;
  FILE* m_f;
  char* m_buf;
  size_t m_used;
};

// A server's "not found" answer in place of a listing: " not found" or " cannot find the file"
// anywhere in the line. Both contain an 'f' at a fixed place, and 'f' is rarer than a blank.
int isNotFoundMessage(const char* line, size_t len) {
  static const char kNotFound[] = " not found";
  static const char kCannotFind[] = " cannot find the file";
  const size_t notLen = sizeof kNotFound - 1, cannotLen = sizeof kCannotFind - 1;
  const uint64_t fs = kOnes * 'f';
  size_t k = 0;
  for (;;) {
    // Next 'f', eight bytes at a time while they are all inside the line.
    while (k + 8 <= len) {
      uint64_t x;
      memcpy(&x, line + k, 8);
      x ^= fs;
      if ((x - kOnes) & ~x & kHighs) break;
      k += 8;
    }
    while (k < len && line[k] != 'f') ++k;
    if (k >= len) return 0;
    if (k >= 5 && k - 5 + notLen <= len && memcmp(line + k - 5, kNotFound, notLen) == 0) return 1;
    if (k >= 8 && k - 8 + cannotLen <= len && memcmp(line + k - 8, kCannotFind, cannotLen) == 0) return 1;
    ++k;
  }
}

// A recursive listing opens with the folder's heading ('.:', '/pub:') before its "total" line:
// it is no entry, and the listing has not begun yet.
int isFolderHeading(const char* line, size_t len) {
  if (len >= VQ_DIRPARSE_BUFSIZE) len = vqTextLength(line);
  while (len > 0 && (line[len - 1] == ' ' || line[len - 1] == '\r')) --len;
  if (len < 2 || line[len - 1] != ':') return 0;
  // An entry begins with its permissions ('drwxr-xr-x'): a name ending in ':' is still an entry.
  static const char kType[] = "-dlbcpsDL";
  if (!vqFindByte(kType, line[0])) return 1;
  for (size_t k = 1; k < 10 && k < len; ++k)
    if (!vqFindByte("rwxsStTlL-", line[k])) return 1;
  return 0;
}

class FileCloser {
 public:
  explicit FileCloser(FILE* f) : m_f(f) {}
  ~FileCloser() {
    if (m_f) fclose(m_f);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  FILE* m_f;
};

// Deletes a file; a folder of that name stays (remove() would take an empty one).
void removeFile(const char* path) {
#ifdef _WIN32
  _unlink(path);
#else
  unlink(path);
#endif
}

// "%04d/%02d/%02d %02d:%02d" without the formatted-output machinery, which costs more than the
// rest of reading a record back.
void formatSortDate(char* out, size_t size, int y, int mo, int d, int h, int mi) {
  const int parts[5] = {y, mo, d, h, mi};
  for (int v : parts)
    if (v < 0 || v > 99999) {
      snprintf(out, size, "%04d/%02d/%02d %02d:%02d", y, mo, d, h, mi);
      return;
    }
  char text[32];
  size_t n = 0;
  const char seps[5] = {'/', '/', ' ', ':', 0};
  for (int k = 0; k < 5; ++k) {
    char digits[8];
    int len = 0, v = parts[k];
    do {
      digits[len++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    for (int pad = k == 0 ? 4 : 2; len < pad;) digits[len++] = '0';
    while (len) text[n++] = digits[--len];
    if (seps[k]) text[n++] = seps[k];
  }
  text[n] = 0;
  vqCopyText(out, size, text, size - 1);
}

// Creates path, failing when it exists.
FILE* openNewFile(const char* path) {
#ifdef _WIN32
  int fd = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* f = _fdopen(fd, "wb");
  if (!f) _close(fd);
  return f;
#else
  return fopen(path, "wbx");
#endif
}

void todayLocal(int& year, int& month, int& day) {
  time_t now = time(nullptr);
  struct tm t;
  memset(&t, 0, sizeof t);
#ifdef _WIN32
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  year = t.tm_year + 1900;
  month = t.tm_mon + 1;
  day = t.tm_mday;
}

}  // namespace

vqDirParser::vqDirParser(_VQ_HOSTTYPE hostType)
    : m_hostType(hostType),
      m_line(new char[VQ_DIRPARSE_BUFSIZE + 2]()),
      m_raw(new char[VQ_DIRPARSE_BUFSIZE + 2]()),
      m_outfile(new char[VQ_DIRPARSE_BUFSIZE]()),
      m_firstLine(new char[VQ_DIRPARSE_BUFSIZE]()),
      m_owner(new char[VQ_DIRPARSE_BUFSIZE]()),
      m_lineCopy(new char[VQ_DIRPARSE_BUFSIZE + 2]()),
      m_note(new _sock_notification_()),
      m_item(new _FTPITEMID()),
      m_tokens(new vqTokens(" ")),
      m_fieldCount(0),
      m_plainFields(0),
      m_linePlain(0),
      m_leadBytes(0),
      m_lineLength(0),
      m_fieldText(new char[VQ_DIRPARSE_BUFSIZE + 2]()),
      m_fieldStart(new const char*[VQTOKENS_MAX_FIELDS]()),
      m_fieldRawPos(new int[VQTOKENS_MAX_FIELDS]()),
      m_itemTouched(1),
      m_enumTexts(nullptr),
      m_keepNameBlanks(0),
      m_rawColumnStart(0),
      m_rawLength(0),
      m_statusCb(nullptr),
      m_statusUser(nullptr),
      m_linkCb(nullptr),
      m_linkUser(nullptr),
      m_ignoreDotDirs(1),
      m_listingSize(0),
      m_bytesRead(0),
      m_enumFile(nullptr),
      m_fixedYear(0),
      m_fixedMonth(0),
      m_fixedDay(0),
      m_year(1970),
      m_month(1),
      m_day(1),
      m_machine(-1) {}

vqDirParser::~vqDirParser() {
  DirEnumClose();
  delete m_enumTexts;
  delete[] m_fieldRawPos;
  delete[] m_fieldStart;
  delete[] m_fieldText;
  delete m_tokens;
  delete m_item;
  delete m_note;
  delete[] m_lineCopy;
  delete[] m_owner;
  delete[] m_firstLine;
  delete[] m_outfile;
  delete[] m_raw;
  delete[] m_line;
}

const char* vqDirParser::GetOutfileName() { return m_outfile; }
const char* vqDirParser::GetFirstLine() { return m_firstLine; }

void vqDirParser::SetStatusCallback(VQ_DIRSTATUS_CALLBACK cb, void* user) {
  m_statusCb = cb;
  m_statusUser = user;
}

void vqDirParser::SetSymLinkCallback(VQ_SYMLINK_CALLBACK cb, void* user) {
  m_linkCb = cb;
  m_linkUser = user;
}

void vqDirParser::SetIgnoreDotDirs(int on) { m_ignoreDotDirs = on; }

void vqDirParser::SetOwner(const char* name) {
  vqCopyText(m_owner, VQ_DIRPARSE_BUFSIZE, name ? name : "", VQ_DIRPARSE_BUFSIZE - 1);
}

void vqDirParser::SetToday(int year, int month, int day) {
  m_fixedYear = year;
  m_fixedMonth = month;
  m_fixedDay = day;
}

void vqDirParser::_notify(int type, unsigned long result, const char* prefix, const char* line) {
  memset(m_note, 0, sizeof *m_note);
  m_note->type = type;
  m_note->result = static_cast<unsigned int>(result);
  m_note->current = static_cast<unsigned int>(m_bytesRead);
  m_note->total = static_cast<unsigned int>(m_listingSize);
  if (prefix)
    snprintf(m_note->message, sizeof m_note->message, "%s: %s\n", prefix, line);
  else
    snprintf(m_note->message, sizeof m_note->message, "VQ-LS: %s\n", line);
}

unsigned long vqDirParser::DIR_PARSE(const char* listingPath, unsigned long& count) {
  VQ_TRY
    count = 0;
    m_outfile[0] = 0;
    if (!listingPath) return 1010;
    vqParsedListingName(listingPath, m_outfile, VQ_DIRPARSE_BUFSIZE);

    FILE* in = fopen(listingPath, "rb");
    if (!in) return 1010;
    FileCloser closeIn(in);
    m_listingSize = 0;
    if (fseek(in, 0, SEEK_END) == 0) {
      long size = ftell(in);
      if (size > 0) m_listingSize = static_cast<unsigned long>(size);
    }
    if (fseek(in, 0, SEEK_SET) != 0) return 1010;

    // A new file rather than the old one cut to nothing: some file systems write a truncated file
    // out to disk when it is closed, which costs more than the parse. When the old file cannot be
    // removed (another reader holds it), opening it for writing still empties it.
    removeFile(m_outfile);
    FILE* out = openNewFile(m_outfile);
    if (!out) out = fopen(m_outfile, "wb");
    if (!out) return 1002;
    FileCloser closeOut(out);
    setvbuf(out, nullptr, _IONBF, 0);  // RecordWriter hands over whole blocks
    RecordWriter writer(out);

    if (m_fixedYear > 0)
      m_year = m_fixedYear, m_month = m_fixedMonth, m_day = m_fixedDay;
    else
      todayLocal(m_year, m_month, m_day);
    m_leadBytes = 0;
    for (int c = 0x80; c < 0x100 && !m_leadBytes; ++c) m_leadBytes = VQSTR_IsLeadByte(static_cast<unsigned char>(c));

    LineReader reader(in);
    m_itemTouched = 1;
    m_bytesRead = 0;
    m_line[0] = 0;
    m_machine = -1;
    int firstLine = 1;
    int stop = 0;
    int result = 0;
    int keptPlain = 1;
    char piece[kMaxRead + 2];

    while (!stop) {
      // A wrapped entry (result 101) gets its next line joined to what it kept, with a blank between
      // unless either side already has one there.
      size_t have = result == 101 ? vqTextLength(m_line) : 0;
      LineRead got;
      if (have == 0) {
        got = reader.Read(m_line, kMaxRead, VQ_DIRPARSE_BUFSIZE - 1);
        if (got.consumed == 0) break;
        m_lineLength = got.written;
        keptPlain = 1;
      } else {
        got = reader.Read(piece, kMaxRead, kMaxRead);
        if (got.consumed == 0) break;
        if (m_line[have - 1] != ' ' && got.first != ' ' && got.first != '\t' && got.first != '\n' &&
            have < VQ_DIRPARSE_BUFSIZE - 1)
          m_line[have++] = ' ';
        size_t take = got.written < VQ_DIRPARSE_BUFSIZE - have - 1 ? got.written : VQ_DIRPARSE_BUFSIZE - have - 1;
        memcpy(m_line + have, piece, take);
        m_line[have + take] = 0;
        m_lineLength = have + take;
      }
      m_bytesRead += static_cast<unsigned long>(got.consumed);
      m_linePlain = keptPlain && !got.carriageReturn && !(got.highBytes && m_leadBytes);
      keptPlain = m_linePlain;
      if (m_line[0] == 0) continue;  // blank line: the previous result stands

      // Outside the stored part only a link's target and the callbacks write: the whole record is
      // cleared only after them.
      if (m_itemTouched) {
        vqClearBytes(m_item, sizeof *m_item);
        m_itemTouched = m_statusCb != nullptr;
      } else {
        vqClearBytes(reinterpret_cast<char*>(m_item) + VQ_ITEMID_STORED_OFFSET, VQ_ITEMID_STORED_SIZE);
      }
      m_item->cb = VQ_ITEMID_SIZE;
      m_item->cbStored = VQ_ITEMID_STORED_SIZE;
      m_item->kind = VQ_KIND_OBJECT;

      if (m_statusCb) {
        vqCopyText(m_lineCopy, VQ_DIRPARSE_BUFSIZE, m_line, VQ_DIRPARSE_BUFSIZE - 1);
        _notify(1001, 0, nullptr, m_lineCopy);
        m_statusCb(m_note, m_item, m_statusUser);
      }

      // The first line with text tells whether the whole listing is a machine listing.
      if (m_machine < 0) m_machine = VQLIST_IsMachineLine(m_line, vqTextLength(m_line));
      if (m_machine)
        result = _parseMachine(m_line);
      else if (isNotFoundMessage(m_line, m_lineLength))
        result = 0;
      else
        result = _parseCurLine(m_line, firstLine, stop);

      if (result == 101) {
        if (!m_firstLine[0]) vqCopyText(m_firstLine, VQ_DIRPARSE_BUFSIZE, m_raw, VQ_DIRPARSE_BUFSIZE - 1);
        continue;
      }
      // An entry without a name could not be addressed on the server; it is a rejected line. So is
      // one whose name (or link target) filled its field: it was cut, and would name another file.
      int entry = result == 1 && m_item->name[0] != 0 && m_item->name[0] != '|' &&
                  vqTextLength(m_item->name) < sizeof m_item->name - 1;
      result = 0;
      if (entry && !m_firstLine[0]) vqCopyText(m_firstLine, VQ_DIRPARSE_BUFSIZE, m_raw, VQ_DIRPARSE_BUFSIZE - 1);
      if (m_statusCb) {
        _notify(1004, entry ? 0 : 1099, entry ? "SUCCESS" : "ERROR", m_lineCopy);
        if (m_statusCb(m_note, m_item, m_statusUser) == 1) stop = 1;
      }
      if (entry) {
        if (!writer.Add(reinterpret_cast<const char*>(m_item) + VQ_ITEMID_STORED_OFFSET, VQ_ITEMID_STORED_SIZE))
          return 1002;
        ++count;
      }
    }
    if (!writer.Flush()) return 1002;
    return static_cast<unsigned long>(result);
  VQ_CATCH("vqDirParser", 1099UL)
}

int vqDirParser::_parseCurLine(char* line, int& firstLine, int& stop) {
  const int first = firstLine;
  int r = 0;
  switch (m_hostType) {
    case VQ_HOST_WINNT351D:
      r = _parseWINNT351D(line, first);
      break;
    case VQ_HOST_WINNT40:
      r = _parseWINNT40(line, first);
      break;
    case VQ_HOST_UNIXL8:
    case VQ_HOST_UNIXBSD44:
      if (first && isFolderHeading(line, m_lineLength)) return 0;
      if (vqIsUnixTotal(line)) {
        if (!first) stop = 1;  // a second listing (recursive) follows the first
        return 0;
      }
      r = _parseUNIXL8(line, first);
      break;
    case VQ_HOST_MULTINET:
    case VQ_HOST_VMS:
    case VQ_HOST_MULTINET34:
      if (_find(line, "no files found") || _find(line, "Total of ")) return 0;
      r = m_hostType == VQ_HOST_MULTINET ? _parseMULTINET(line, first)
          : m_hostType == VQ_HOST_VMS    ? _parseVMS(line, first)
                                         : _parseMULTINET34(line, first);
      break;
    case VQ_HOST_MACOS:
      r = _parseMACOS(line, first);
      break;
    case VQ_HOST_VM:
      r = _parseVM(line, first);
      break;
    case VQ_HOST_NETWARE:
      if (_find(line, "total 0")) {
        firstLine = 0;
        return 0;
      }
      r = _parseNETWARE(line, first);
      break;
    case VQ_HOST_OS2:
      r = _parseOS2(line, first);
      break;
    case VQ_HOST_HELLSOFT:
      if (_find(line, "total: 0")) return 0;
      r = _parseHELLSOFT(line, first);
      break;
    case VQ_HOST_FTPSOFT:
      r = _parseFTPSOFT(line, first);
      break;
    case VQ_HOST_VMSA55:
    case VQ_HOST_OPENVMS:
      if (_find(line, "no files found") || _find(line, "Total of ") || _find(line, "Directory ")) return 0;
      r = m_hostType == VQ_HOST_VMSA55 ? _parseVMSA55(line, first) : _parseOPENVMS(line, first);
      break;
    case VQ_HOST_VMCMS:
      r = _parseVMCMS(line, first);
      break;
    case VQ_HOST_AS400:
      r = _parseAS400(line, first);
      break;
    default:
      if (first && isFolderHeading(line, m_lineLength)) return 0;
      if (vqIsUnixTotal(line)) {
        if (!first) stop = 1;
        return 0;
      }
      r = _parseDEFAULT(line, first);
      break;
  }
  firstLine = 0;
  return r;
}

// ---- enumeration ----

int vqDirParser::DirEnumOpen(const char* path) {
  VQ_TRY
    DirEnumClose();
    if (!path) return 0;
    m_enumFile = fopen(path, "rb");
    if (!m_enumFile) return 0;
    setvbuf(m_enumFile, nullptr, _IOFBF, kReadBuffer);  // records are read one by one
#ifdef _WIN32
    if (!m_enumTexts) m_enumTexts = new EnumTexts();
    m_enumTexts->dateKey = -1;
    memset(m_enumTexts->timeKnown, 0, sizeof m_enumTexts->timeKnown);
#endif
    return 1;
  VQ_CATCH("vqDirParser", 0)
}

int vqDirParser::DirEnumFirst(_FTPITEMID* item) {
  VQ_TRY
    if (!m_enumFile) return 0;
    rewind(m_enumFile);
    return DirEnumNext(item);
  VQ_CATCH("vqDirParser", 0)
}

int vqDirParser::DirEnumNext(_FTPITEMID* item) {
  VQ_TRY
    if (!m_enumFile || !item) return 0;
    char* stored = reinterpret_cast<char*>(item) + VQ_ITEMID_STORED_OFFSET;
    memset(stored, 0, VQ_ITEMID_STORED_SIZE);
    if (fread(stored, 1, VQ_ITEMID_STORED_SIZE, m_enumFile) != VQ_ITEMID_STORED_SIZE) {
      memset(stored, 0, VQ_ITEMID_STORED_SIZE);
      return 0;  // end, or a cut-off last record
    }
    // The file lives in the user's cache folder: never trust its texts to be terminated.
    item->name[sizeof item->name - 1] = 0;
    item->permText[sizeof item->permText - 1] = 0;
    item->group[sizeof item->group - 1] = 0;
    item->owner[sizeof item->owner - 1] = 0;

    if (item->kind == VQ_KIND_FOLDERLINK || item->kind == VQ_KIND_OBJECTLINK) {
      if (char* bar = strchr(item->name, '|')) {
        *bar = 0;
        vqCopyText(item->url, sizeof item->url, bar + 1, sizeof item->url - 1);
      }
    }

    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    vqFileTimeToParts(item->modified, y, mo, d, h, mi);
    formatSortDate(item->sortDate, sizeof item->sortDate, y, mo, d, h, mi);
    item->dateText[0] = 0;
#ifdef _WIN32
    SYSTEMTIME st;
    memset(&st, 0, sizeof st);
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(mo);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(mi);
    // The locale's texts depend only on the date and the minute: each is formatted once per
    // enumeration (the last date, every minute of the day) for dates the calendar accepts.
    const bool cacheable = m_enumTexts && y >= 1601 && y <= 30827 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 &&
                           h >= 0 && h < 24 && mi >= 0 && mi < 60;
    char dateBuf[32] = "", timeBuf[32] = "";
    const char* datePart = dateBuf;
    const char* timePart = timeBuf;
    if (cacheable) {
      const int dateKey = (y * 16 + mo) * 32 + d, minute = h * 60 + mi;
      if (m_enumTexts->dateKey != dateKey) {
        if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, m_enumTexts->date,
                            sizeof m_enumTexts->date))
          m_enumTexts->date[0] = 0;
        m_enumTexts->dateKey = dateKey;
      }
      if (!m_enumTexts->timeKnown[minute]) {
        if (!GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, m_enumTexts->times[minute],
                            sizeof m_enumTexts->times[minute]))
          m_enumTexts->times[minute][0] = 0;
        m_enumTexts->timeKnown[minute] = 1;
      }
      datePart = m_enumTexts->date;
      timePart = m_enumTexts->times[minute];
    } else {
      if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, dateBuf, sizeof dateBuf)) dateBuf[0] = 0;
      if (!GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, timeBuf, sizeof timeBuf)) timeBuf[0] = 0;
    }
    size_t dateLen = strnlen(datePart, 31), timeLen = strnlen(timePart, 31);
    if (dateLen + 1 + timeLen < sizeof item->dateText) {
      memcpy(item->dateText, datePart, dateLen);
      item->dateText[dateLen] = ' ';
      memcpy(item->dateText + dateLen + 1, timePart, timeLen);
      item->dateText[dateLen + 1 + timeLen] = 0;
    }
#else
    snprintf(item->dateText, sizeof item->dateText, "%04d-%02d-%02d %02d:%02d", y, mo, d, h, mi);
#endif
    return 1;
  VQ_CATCH("vqDirParser", 1)
}

void vqDirParser::DirEnumClose() {
  VQ_TRY
    if (m_enumFile) {
      fclose(m_enumFile);
      m_enumFile = nullptr;
    }
  VQ_CATCH_VOID("vqDirParser")
}
