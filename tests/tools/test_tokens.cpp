#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vqString.h"
#include "vqTokens.h"

namespace {
// Shift-JIS (code page 932) lead bytes, so double-byte text is tested whatever the system's code page.
int shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct CodePage932 {
  VQSTR_LEADBYTE_TEST old = VQSTR_SetLeadByteTest(shiftJisLead);
  ~CodePage932() { VQSTR_SetLeadByteTest(old); }
};

std::string slots(const vqTokens& t, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += std::string(i ? "|" : "") + t[i];
  return s;
}

struct SplitCase {
  const char* line;
  const char* delims;
  int count;
  const char* slots;  // first four slots joined with '|'
};

const SplitCase kSplits[] = {
    {"", " ", 0, "|||"},
    {"a b c", " ", 3, "a|b|c|"},
    {"a b ", " ", 2, "a|b||"},
    {" a", " ", 1, "|a||"},
    {"a  b", " ", 2, "a||b|"},
    {"a,,b", ",", 2, "a||b|"},
    {",", ",", 1, "|||"},
    {"a,b;c", ",;", 3, "a|b|c|"},
    {"tue, 14 mar 2000", " ,", 4, "tue||14|mar"},
    {"drwxr-xr-x 2 ftp ftp", " ", 4, "drwxr-xr-x|2|ftp|ftp"},
    {"no delimiter here", ";", 1, "no delimiter here|||"},
    {"a b", "", 1, "a b|||"},
};
}  // namespace

TEST(Tokens, SlotsAndCountFollowEveryDelimiter) {
  vqTokens t;
  for (const SplitCase& c : kSplits) {
    int n = t.Parse(c.line, c.delims);
    EXPECT_EQ(c.count, n) << "line '" << c.line << "' at '" << c.delims << "'";
    EXPECT_EQ(c.count, t.GetCount()) << c.line;
    EXPECT_EQ(c.slots, slots(t, 4)) << "line '" << c.line << "' at '" << c.delims << "'";
  }
}

TEST(Tokens, ParseWithoutDelimitersKeepsTheStoredSet) {
  vqTokens fromConstructor("\\");
  EXPECT_EQ(3, fromConstructor.Parse("C:\\A\\B", nullptr));
  EXPECT_EQ("C:|A|B", slots(fromConstructor, 3));

  vqTokens t;
  t.Parse("x\\y", "\\");
  EXPECT_EQ(2, t.Parse("a b\\c d", nullptr));
  EXPECT_EQ("a b|c d", slots(t, 2));
}

TEST(Tokens, NullLineClearsTheSlots) {
  vqTokens t(" ");
  t.Parse("a b c", nullptr);
  EXPECT_EQ(0, t.Parse(nullptr, nullptr));
  EXPECT_EQ(0, t.GetCount());
  EXPECT_EQ("|||", slots(t, 4));
}

TEST(Tokens, ReparseForgetsLongerLine) {
  vqTokens t(" ");
  t.Parse("a b c d e", nullptr);
  EXPECT_EQ(1, t.Parse("x", nullptr));
  EXPECT_EQ("x||||", slots(t, 5));
}

TEST(Tokens, FieldLimit) {
  std::string line;
  for (int i = 0; i < 1100; ++i) line += "w" + std::to_string(i) + " ";
  vqTokens t(" ");
  EXPECT_EQ(1024, t.Parse(line.c_str(), nullptr));
  EXPECT_STREQ("w0", t[0]);
  EXPECT_STREQ("w1023", t[1023]);
  EXPECT_STREQ("", t[1024]);
  EXPECT_STREQ("", t[-1]);
  EXPECT_STREQ("", t[100000]);

  EXPECT_EQ(2, t.Parse(2, "a b c", nullptr));
  EXPECT_EQ("a|b|", slots(t, 3));
  EXPECT_EQ(3, t.Parse(5000, "a b c", nullptr));
  EXPECT_EQ(0, t.Parse(0, "a b c", nullptr));
}

TEST(Tokens, LongLineIsCutAtTheByteLimit) {
  std::string line(12000, 'x');
  line[VQTOKENS_MAX_LINE] = ' ';  // beyond the limit: never seen
  vqTokens t(" ");
  EXPECT_EQ(1, t.Parse(line.c_str(), nullptr));
  EXPECT_EQ(size_t(VQTOKENS_MAX_LINE), strlen(t[0]));
  EXPECT_STREQ("", t[1]);
}

TEST(Tokens, FieldOfItselfCanBeParsedAgain) {
  vqTokens t;
  t.Parse("one two:three four", " ");
  EXPECT_EQ(2, t.Parse(t[1], ":"));
  EXPECT_EQ("two|three", slots(t, 2));
}

TEST(Tokens, DoubleByteCharactersAreNeverSplit) {
  CodePage932 cp;
  // 0x95 0x5C is one character whose second byte is the backslash code.
  vqTokens t("\\");
  EXPECT_EQ(3, t.Parse("C:\\\x95\x5C\\B", nullptr));
  EXPECT_EQ("C:|\x95\x5C|B", slots(t, 3));

  // A lead byte at the byte limit is left out rather than copied without its second byte.
  std::string line(VQTOKENS_MAX_LINE - 1, 'a');
  line += "\x95\x5C";
  EXPECT_EQ(1, t.Parse(line.c_str(), nullptr));
  EXPECT_EQ(size_t(VQTOKENS_MAX_LINE - 1), strlen(t[0]));
}

TEST(Tokens, ChangingTheDelimiterSetTakesEffectAtOnce) {
  vqTokens t(" ");
  struct Step {
    const char* line;
    const char* delims;
    int count;
    const char* slots;
  } steps[] = {
      {"a b,c", nullptr, 2, "a|b,c|"},
      {"a b,c", ",", 2, "a b|c|"},
      {"a b,c", nullptr, 2, "a b|c|"},
      {"a b,c", ", ", 3, "a|b|c"},
      {"a b,c", "", 1, "a b,c||"},
      {"a\xA7"
       "b",
       "\xA7", 2, "a|b|"},
      {"a b,c", " ", 2, "a|b,c|"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(s.count, t.Parse(s.line, s.delims))
        << "'" << s.line << "' at '" << (s.delims ? s.delims : "(kept)") << "'";
    EXPECT_EQ(s.slots, slots(t, 3)) << "'" << s.line << "' at '" << (s.delims ? s.delims : "(kept)") << "'";
  }
}

TEST(Tokens, SlotsPastTheCountHoldWhatTheWalkLeft) {
  // The field limit stops the walk: slots past it are empty even when the line goes on.
  vqTokens t(" ");
  EXPECT_EQ(1, t.Parse(1, "a b c", nullptr));
  EXPECT_EQ("a|||", slots(t, 4));
  // Adjacent delimiters: the count stops short of the last field, but its slot still holds it.
  EXPECT_EQ(2, t.Parse("a,,b", ","));
  EXPECT_STREQ("b", t[2]);
  EXPECT_STREQ("", t[3]);
}

TEST(Tokens, SingleByteCodePageSplitsAtEveryBackslash) {
  VQSTR_LEADBYTE_TEST old = VQSTR_SetLeadByteTest(nullptr);
  vqTokens t("\\");
  t.Parse("C:\\\x95\x5C\\B", nullptr);
  EXPECT_EQ("C:|\x95||B", slots(t, 4));
  VQSTR_SetLeadByteTest(old);
}
