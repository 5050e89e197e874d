// Directory listing parser: raw LIST text of one server family in, fixed-size item records out. A
// machine-readable listing (MLSD) is recognised by its first line and read as such for any host type.
// DIR_PARSE writes the stored part of each record to a parsed-listing file beside the listing
// ('X.vqD'); DirEnumOpen/First/Next/Close read them back as whole _FTPITEMID records.
#pragma once
#include <stdio.h>
#include "vqEngineApi.h"
#include "vqFtpItemId.h"
#include "vqHostType.h"
#include "vqSockNotification.h"

class vqTokens;

typedef unsigned long (*VQ_DIRSTATUS_CALLBACK)(_sock_notification_* note, _FTPITEMID* item, void* user);
typedef unsigned long (*VQ_SYMLINK_CALLBACK)(_FTPITEMID* item, void* user);

#define VQ_DIRPARSE_BUFSIZE 10240

class VQENGINE_API vqDirParser {
 public:
  explicit vqDirParser(_VQ_HOSTTYPE hostType);
  ~vqDirParser();

  unsigned long DIR_PARSE(const char* listingPath, unsigned long& count);
  const char* GetOutfileName();
  const char* GetFirstLine();

  int DirEnumOpen(const char* path);
  int DirEnumFirst(_FTPITEMID* item);
  int DirEnumNext(_FTPITEMID* item);
  void DirEnumClose();

  void SetStatusCallback(VQ_DIRSTATUS_CALLBACK cb, void* user);
  void SetSymLinkCallback(VQ_SYMLINK_CALLBACK cb, void* user);
  void SetIgnoreDotDirs(int on);
  void SetOwner(const char* name);

  // Listings give "Mar 14 10:04" without a year; the year is taken relative to this day.
  // Zeros (the default) mean today's local date at the start of each run.
  void SetToday(int year, int month, int day);

 private:
  vqDirParser(const vqDirParser&) = delete;
  vqDirParser& operator=(const vqDirParser&) = delete;

  int _parseCurLine(char* line, int& firstLine, int& stop);

  int _parseDEFAULT(char* line, int firstLine);
  int _parseUNIXL8(char* line, int firstLine);
  int _parseUNIX(char* line, int firstLine, int plusMark);
  int _parseWINNT40(char* line, int firstLine);
  int _parseWINNT351D(char* line, int firstLine);
  int _parseOS2(char* line, int firstLine);
  int _parseMACOS(char* line, int firstLine);
  int _parseNETWARE(char* line, int firstLine);
  int _parseHELLSOFT(char* line, int firstLine);
  int _parseFTPSOFT(char* line, int firstLine);
  int _parseMULTINET(char* line, int firstLine);
  int _parseVMS(char* line, int firstLine);
  int _parseVMSA55(char* line, int firstLine);
  int _parseMULTINET34(char* line, int firstLine);
  int _parseOPENVMS(char* line, int firstLine);
  int _parseVMSFamily(char* line, int firstLine, int variant);
  int _parseVM(char* line, int firstLine);
  int _parseVMCMS(char* line, int firstLine);
  int _parseAS400(char* line, int firstLine);
  // A machine-readable listing (MLSD), whatever the host type says.
  int _parseMachine(const char* line);

  // Shared steps of the formats.
  void _copyRaw(const char* line, int rawColumnStart);
  int _startLine(char* line, int firstLine);
  int _dateNamePerms(int i);
  int _firstLineReject(const char* line, int firstLine) const;
  int _isDotEntry(const char* line) const;
  int _split(char* line);
  int _splitPlain(char* line);
  const char* _field(int i) const;
  size_t _lineLength(const char* line) const;
  const char* _find(const char* line, const char* needle) const;

  void _doparse_perms();
  void _doparse_date(int& i);
  void _doparse_filename(int i);
  void _doparse_link();

  // Columns found by their shape rather than their place.
  int _isDateAt(int i) const;
  int _findDate(int from, int to) const;
  void _setSize(const char* text, uint64_t mult);
  void _storeLink(const char* name, const char* target, int decideKind);
  int _isDotName() const;

  void _notify(int type, unsigned long result, const char* prefix, const char* line);

  _VQ_HOSTTYPE m_hostType;
  char* m_line;  // current line (a wrapped entry is joined here)
  char* m_raw;   // current line before squishing; the file-name rule searches it
  char* m_outfile;
  char* m_firstLine;
  char* m_owner;
  char* m_lineCopy;  // the line as read, for the status callback
  _sock_notification_* m_note;
  _FTPITEMID* m_item;
  vqTokens* m_tokens;  // one per parser, so parses on different threads never share it
  int m_fieldCount;
  // Plain lines (no carriage return, no double-byte characters) are split without the
  // tokenizer: each field is copied once into m_fieldText and remembers where it starts in
  // the line, which is also where it starts in the raw copy.
  int m_plainFields;    // the fields of the current line come from _splitPlain
  int m_linePlain;      // the current line qualifies for _splitPlain
  int m_leadBytes;      // the code page has double-byte lead bytes
  size_t m_lineLength;  // length of the text in m_line, or kUnknownLength once it was changed
  char* m_fieldText;
  const char** m_fieldStart;
  int* m_fieldRawPos;
  int m_itemTouched;  // something may have written outside the record's stored part
  // Display texts already formatted in this enumeration.
  struct EnumTexts {
    int dateKey;
    char date[32];
    unsigned char timeKnown[24 * 60];
    char times[24 * 60][32];
  };
  EnumTexts* m_enumTexts;
  int m_keepNameBlanks;  // the format puts exactly one blank before the name: others belong to it
  int m_rawColumnStart;  // where the squished columns begin in m_raw
  size_t m_rawLength;    // length of the text in m_raw

  VQ_DIRSTATUS_CALLBACK m_statusCb;
  void* m_statusUser;
  VQ_SYMLINK_CALLBACK m_linkCb;
  void* m_linkUser;
  int m_ignoreDotDirs;
  unsigned long m_listingSize;
  unsigned long m_bytesRead;
  FILE* m_enumFile;

  int m_fixedYear, m_fixedMonth, m_fixedDay;
  int m_year, m_month, m_day;  // "today" of the current run
  int m_machine;                // this run reads a machine listing: -1 not known yet, 0 no, 1 yes
};
