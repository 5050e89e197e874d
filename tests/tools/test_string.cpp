#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "vqString.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
int shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

#ifdef _WIN32
// Under Windows the test asks the system about code page 932 (Wine's active code page is 1252).
int codePage932Lead(unsigned char c) { return IsDBCSLeadByteEx(932, c) ? 1 : 0; }
#else
int codePage932Lead(unsigned char c) { return shiftJisLead(c); }
#endif

struct CodePage932 {
  VQSTR_LEADBYTE_TEST old = VQSTR_SetLeadByteTest(codePage932Lead);
  ~CodePage932() { VQSTR_SetLeadByteTest(old); }
};

struct EditCase {
  const char* in;
  const char* out;
};

using Edit = char* (*)(char*);

void checkEdits(const char* name, Edit edit, std::initializer_list<EditCase> cases) {
  for (const EditCase& c : cases) {
    char buf[128];
    strcpy(buf, c.in);
    EXPECT_EQ(buf, edit(buf)) << name << " returns its argument";
    EXPECT_STREQ(c.out, buf) << name << "('" << c.in << "')";
  }
  EXPECT_EQ(nullptr, edit(nullptr)) << name << "(null)";
}
}  // namespace

TEST(String, InPlaceEdits) {
  checkEdits(
      "Squish", VQSTR_Squish,
      {{"  a   b  ", " a b "}, {"a b", "a b"}, {"", ""}, {"     ", " "}, {"a\t\tb", "a\t\tb"}, {"a \t  b", "a \t b"}});
  checkEdits("StripCRLF", VQSTR_StripCRLF, {{"a\r\nb\r\n", "ab"}, {"\r\r\n\n", ""}, {"abc", "abc"}, {"\ra\nb", "ab"}});
  checkEdits("TrimRight", VQSTR_TrimRight, {{"  a b  ", "  a b"}, {"   ", ""}, {"a\t ", "a\t"}, {"", ""}});
  checkEdits("TrimLeft", VQSTR_TrimLeft, {{"  a b  ", "a b  "}, {"   ", ""}, {" \ta", "\ta"}, {"", ""}});
  checkEdits("Trim", VQSTR_Trim, {{"  a b  ", "a b"}, {"   ", ""}, {"x", "x"}});
  checkEdits("StripVersion", VQSTR_StripVersion,
             {{"LOGIN.COM;12", "LOGIN.COM"}, {"a;b;c", "a"}, {"FILE.TXT", "FILE.TXT"}, {";1", ""}});
}

TEST(String, StripChar) {
  struct {
    const char* in;
    char c;
    const char* out;
  } cases[] = {{"'SYS1.'", '\'', "SYS1."}, {"aaa", 'a', ""}, {"abcabc", 'b', "acac"}, {"abc", 'x', "abc"}};
  for (auto& c : cases) {
    char buf[32];
    strcpy(buf, c.in);
    EXPECT_STREQ(c.out, VQSTR_StripChar(buf, c.c)) << "'" << c.in << "' without '" << c.c << "'";
  }
  EXPECT_EQ(nullptr, VQSTR_StripChar(nullptr, 'a'));
}

TEST(String, DirSlash) {
  struct {
    const char* in;
    char c;
    const char* added;
    const char* removed;
  } cases[] = {
      {"", '/', "/", ""},
      {"/", '/', "/", ""},
      {"/pub", '/', "/pub/", "/pub"},
      {"/pub/", '/', "/pub/", "/pub"},
      {"a//", '/', "a//", "a/"},
      {"C:\\Temp", '\\', "C:\\Temp\\", "C:\\Temp"},
      {"C:\\Temp\\", '\\', "C:\\Temp\\", "C:\\Temp"},
      {"/pub", '\\', "/pub\\", "/pub"},
  };
  for (auto& c : cases) {
    char buf[32];
    strcpy(buf, c.in);
    EXPECT_STREQ(c.added, VQSTR_DirSlashAdd(buf, c.c)) << "add '" << c.c << "' to '" << c.in << "'";
    strcpy(buf, c.in);
    EXPECT_STREQ(c.removed, VQSTR_DirSlashRemove(buf, c.c)) << "remove '" << c.c << "' from '" << c.in << "'";
  }
}

TEST(String, DirSlashAddUsesExactlyOneSpareByte) {
  // A buffer sized strlen + 2, with a guard after it that must survive.
  char buf[8];
  memset(buf, '#', sizeof buf);
  memcpy(buf, "/pub", 5);
  VQSTR_DirSlashAdd(buf, '/');
  EXPECT_STREQ("/pub/", buf);
  EXPECT_EQ('#', buf[6]);
  EXPECT_EQ('#', buf[7]);
}

TEST(String, FormatSize) {
  struct {
    unsigned long n;
    int inK;
    const char* out;
  } cases[] = {
      {0, 0, "0"},
      {999, 0, "999"},
      {1000, 0, "1,000"},
      {1234, 0, "1,234"},
      {1000000, 0, "1,000,000"},
      {1234567, 0, "1,234,567"},
      {1001001, 0, "1,001,001"},
      {4294967295UL, 0, "4294,967,295"},
      {0, 1, "1K"},
      {1023, 1, "1K"},
      {1024, 1, "2K"},
      {5000000, 1, "4,883K"},
      {1048576000, 1, "1,024,001K"},
      {4294967295UL, 1, "4,194,304K"},
  };
  for (auto& c : cases) {
    char out[VQSTR_SIZE_BUF];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(out, VQSTR_FormatSize(c.n, out, c.inK));
    EXPECT_STREQ(c.out, out) << c.n << (c.inK ? " in K" : " bytes");
  }
}

TEST(String, FormatSizeFromDigits) {
  struct {
    const char* digits;
    int inK;
    const char* out;
  } cases[] = {
      {"1234", 0, "1,234"},
      {"  42", 0, "42"},
      {"007", 0, "7"},
      {"12abc", 0, "12"},
      {"", 0, "0"},
      {"abc", 0, "0"},
      {"-5", 0, "0"},
      // Sizes past 32 bits from a server listing are shown, not wrapped.
      {"5000000000", 0, "5000,000,000"},
      {"5000000000", 1, "4,882,813K"},
      {"99999999999999999999999", 0, "18446744073709,551,615"},
  };
  for (auto& c : cases) {
    char out[VQSTR_SIZE_BUF];
    EXPECT_STREQ(c.out, VQSTR_FormatSize(c.digits, out, c.inK)) << "'" << c.digits << "'";
  }
  char out[VQSTR_SIZE_BUF] = "old";
  EXPECT_STREQ("0", VQSTR_FormatSize(static_cast<const char*>(nullptr), out, 0));
  EXPECT_EQ(nullptr, VQSTR_FormatSize("12", nullptr, 0));
}

TEST(String, BoundedCopy) {
  char buf[4];
  EXPECT_STREQ("abc", VQSTR_Copy(buf, "abcdef", sizeof buf));
  EXPECT_STREQ("", VQSTR_Copy(buf, nullptr, sizeof buf));
  EXPECT_STREQ("ab", VQSTR_Copy(buf, "ab", sizeof buf));
}

#ifdef _WIN32
TEST(String, WindowsBuildFollowsTheActiveCodePage) {
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(IsDBCSLeadByte((BYTE)c) ? 1 : 0, VQSTR_IsLeadByte((unsigned char)c)) << "byte " << c;
}

TEST(String, ShiftJisTableMatchesTheSystem) {
  // The host build tests with this table; here it is checked against the system's code page 932.
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(IsDBCSLeadByteEx(932, (BYTE)c) ? 1 : 0, shiftJisLead((unsigned char)c)) << "byte " << c;
}
#endif

TEST(String, DoubleByteCharactersStayWhole) {
  CodePage932 cp;
  // "\x95\x5C" is one character whose second byte is the '\' code.
  char buf[32];

  strcpy(buf, "dir\x95\x5C");
  EXPECT_STREQ("dir\x95\x5C", VQSTR_DirSlashRemove(buf, '\\'));
  EXPECT_STREQ("dir\x95\x5C\\", VQSTR_DirSlashAdd(buf, '\\'));
  EXPECT_STREQ("dir\x95\x5C", VQSTR_DirSlashRemove(buf, '\\'));

  strcpy(buf, "\x95\x5C\\a\\");
  EXPECT_STREQ(
      "\x95\x5C"
      "a",
      VQSTR_StripChar(buf, '\\'));

  // A CR or LF that is the second byte of a character stays; a space after a lead byte is its second byte.
  checkEdits("StripCRLF", VQSTR_StripCRLF,
             {{"\x95\r\n", "\x95\r"}, {"a\r\x95\nb\n", "a\x95\nb"}, {"\x95\n\r", "\x95\n"}, {"\r\x95", "\x95"}});
  checkEdits("Squish", VQSTR_Squish,
             {{"\x81  \x81   ", "\x81  \x81  "}, {"  \x81\x40  x", " \x81\x40 x"}, {"a \x95", "a \x95"}});

  const char* text = "\x95\x5C\\";
  EXPECT_EQ(text + 2, VQSTR_FindChar(text, '\\'));
  EXPECT_EQ(text + 2, VQSTR_FindAny(text, "/\\"));

  strcpy(buf, "  \x81\x40x\x81\x40  ");  // full-width spaces are not spaces
  EXPECT_STREQ("\x81\x40x\x81\x40", VQSTR_Trim(buf));

  // A copy stops before a character that does not fit whole.
  char small[4];
  EXPECT_STREQ("ab", VQSTR_Copy(small, "ab\x95\x5C", sizeof small));
  EXPECT_STREQ("a\x95\x5C", VQSTR_Copy(small, "a\x95\x5C", sizeof small));

  // A lead byte at the very end stands alone; nothing reads past the terminator.
  strcpy(buf, "a\\\x95");
  EXPECT_STREQ("a\\\x95", VQSTR_DirSlashRemove(buf, '\\'));
  EXPECT_EQ(1u, VQSTR_CharLen("\x95"));
}

TEST(String, SingleByteTextSplitsThoseBytes) {
  VQSTR_LEADBYTE_TEST old = VQSTR_SetLeadByteTest(nullptr);
  char buf[32];
  strcpy(buf, "dir\x95\x5C");
  EXPECT_STREQ("dir\x95", VQSTR_DirSlashRemove(buf, '\\'));
  VQSTR_SetLeadByteTest(old);
}
