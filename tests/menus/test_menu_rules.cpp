// The enable rule, the numbering of menu entries, verbs, and what the property page computes from
// a selection (summary and chmod digits): the rules as tables, the same in both builds.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "shellCommands.h"
#include "shellItems.h"

namespace {
const shellContext T = SHELL_CTX_TOOLBAR, F = SHELL_CTX_FOLDER, B = SHELL_CTX_BACKGROUND, S = SHELL_CTX_SELECTION;

// Kinds 1..8 as a string of '1'/'0', one per kind, for one command and context.
std::string kinds(int command, shellContext ctx, const char* name = "file.txt", int connected = 0, int clip = 0) {
  std::string out;
  for (int kind = 1; kind <= 8; ++kind)
    out += shellCommandEnabled(command, kind, ctx, {name, connected, clip}) ? '1' : '0';
  return out;
}

_FTPITEMID record(int kind, const char* name, const char* owner, const char* group, const char* flags, uint32_t size) {
  _FTPITEMID it;
  memset(&it, 0, sizeof it);
  it.cb = VQ_ITEMID_SIZE;
  it.kind = static_cast<int16_t>(kind);
  strcpy(it.name, name);
  strcpy(it.owner, owner);
  strcpy(it.group, group);
  for (int i = 0; i < 12; ++i) it.permFlags[i] = flags[i] == '1';
  it.size = size;
  return it;
}
}  // namespace

TEST(MenuRules, EveryCommandByKindAndContext) {
  struct Row {
    int command;
    shellContext ctx;
    const char* expected;  // kinds 1..8
    int connected;
    int clip;
  };
  const Row rows[] = {
      {2001, F, "11100000", 0, 0}, {2002, S, "11100000", 0, 0}, {2003, F, "00011010", 0, 0},
      {2006, S, "00011010", 0, 0}, {2023, T, "00011010", 0, 0}, {2005, F, "00000000", 0, 0},
      {2005, S, "00111010", 0, 0}, {2007, F, "00000000", 0, 0}, {2007, S, "00000101", 0, 0},
      {2008, S, "00000101", 0, 0}, {2009, B, "00000000", 0, 0}, {2009, F, "00111100", 0, 0},
      {2009, T, "00111100", 0, 0}, {2010, F, "00000000", 0, 0}, {2010, S, "00111111", 0, 0},
      {2011, T, "00011111", 0, 0}, {2011, S, "00011111", 0, 0}, {2012, F, "00011010", 0, 0},
      {2012, B, "00000000", 0, 0}, {2013, F, "10111010", 0, 0}, {2013, B, "10111010", 0, 0},
      {2013, S, "00111010", 0, 0}, {2028, F, "00000000", 0, 0}, {2028, F, "10111010", 0, 1},
      {2028, S, "00111010", 0, 1}, {2017, F, "00010000", 0, 0}, {2017, F, "00000000", 1, 0},
      {2018, F, "00000000", 0, 0}, {2018, S, "00010000", 1, 0}, {2019, T, "10011111", 0, 0},
      {2019, B, "10011111", 0, 0}, {2019, F, "00011111", 0, 0}, {2019, S, "00011111", 0, 0},
      {2020, S, "00000000", 1, 1}, {2022, F, "00000000", 1, 1}, {2024, F, "00010000", 0, 0},
      {2027, T, "00111111", 0, 0}, {2027, S, "00111111", 0, 0}, {2027, F, "00111010", 0, 0},
      {2027, B, "00000000", 0, 0}, {2029, F, "00000000", 0, 0}, {2029, B, "00011111", 0, 0},
      {2032, F, "10111111", 0, 0}, {2032, S, "10111111", 0, 0}, {2032, T, "00111111", 0, 0},
      {2032, B, "00111111", 0, 0}, {2035, B, "11111111", 0, 0}, {2036, F, "00000000", 0, 0},
      {2036, F, "00011111", 1, 0}, {2037, S, "00001111", 0, 0}, {7001, T, "10000000", 0, 0},
      {7012, T, "00011111", 0, 0}, {7013, F, "00011111", 0, 0}, {7014, B, "00011111", 0, 0},
      {7002, F, "11111111", 0, 0}, {7019, S, "11111111", 0, 0}, {7099, S, "11111111", 0, 0},
      {2034, F, "11111111", 0, 0}, {2038, F, "11111111", 0, 0}, {2004, S, "00000000", 1, 1},
      {2030, S, "00000000", 1, 1}, {7100, S, "00000000", 1, 1}, {0, S, "00000000", 1, 1},
  };
  for (const Row& r : rows)
    EXPECT_EQ(r.expected, kinds(r.command, r.ctx, "file.txt", r.connected, r.clip))
        << "command " << r.command << " context " << r.ctx << " connected " << r.connected << " clip " << r.clip;
}

TEST(MenuRules, PrintIsGrayedForProgramsAndArchivesWhateverTheirCase) {
  const struct {
    const char* name;
    bool print;
  } rows[] = {{"setup.exe", false}, {"SETUP.EXE", false}, {"src.zip", false}, {"main.obj", false},
              {"a.tar.gz", false},  {"readme.txt", true}, {"exe", true},      {"notes.ex", true},
              {"", true},           {"x.Tar", false},     {"archive.z", true}};
  for (const auto& r : rows) {
    EXPECT_EQ(r.print, shellCommandEnabled(2008, VQ_KIND_OBJECT, S, {r.name, 0, 0})) << r.name;
    EXPECT_EQ(r.print, shellCommandEnabled(2008, VQ_KIND_OBJECTLINK, S, {r.name, 0, 0})) << r.name;
    EXPECT_TRUE(shellCommandEnabled(2007, VQ_KIND_OBJECT, S, {r.name, 0, 0})) << "Open stays: " << r.name;
  }
  EXPECT_TRUE(shellCommandEnabled(2008, VQ_KIND_OBJECT, S, {nullptr, 0, 0})) << "no name is no program";
}

TEST(MenuRules, MenusByKindPositionsAndVerbs) {
  const int expected[] = {1087, 1087, 1092, 1088, 1090, 1091, 1093, 1091, 1093, 1087};
  for (int kind = 0; kind <= 9; ++kind) EXPECT_EQ(expected[kind], shellContextMenuId(kind)) << kind;

  // A popup at 0 with two commands numbered after the top level, a separator at 1, a command at 2.
  const shellMenuEntry menu[] = {{0, 0, 0}, {3, 2001, 1}, {4, 2002, 1}, {1, 0, 0}, {2, 2027, 0}};
  EXPECT_EQ(2027, shellCommandAtPosition(menu, 5, 2));
  EXPECT_EQ(2001, shellCommandAtPosition(menu, 5, 3));
  EXPECT_EQ(2002, shellCommandAtPosition(menu, 5, 4));
  EXPECT_EQ(1, shellCommandAtPosition(menu, 5, 0)) << "a position without a command gives position + 1";
  EXPECT_EQ(2, shellCommandAtPosition(menu, 5, 1));
  EXPECT_EQ(100, shellCommandAtPosition(menu, 5, 99));
  EXPECT_EQ(4, shellPositionOfCommand(menu, 5, 2002));
  EXPECT_EQ(-1, shellPositionOfCommand(menu, 5, 2009));

  const int commands[] = {2001, 2002, 2003, 2005, 2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013, 2017,
                          2018, 2019, 2023, 2024, 2027, 2028, 2032, 2035, 2036, 2037, 7002, 7018, 7019};
  for (int c : commands) {
    const char* verb = shellVerbOfCommand(c);
    ASSERT_NE(nullptr, verb) << c;
    EXPECT_EQ(c, shellCommandFromVerb(verb)) << verb;
    std::string upper = verb;
    for (char& ch : upper) ch = static_cast<char>(toupper(ch));
    EXPECT_EQ(c, shellCommandFromVerb(upper.c_str())) << "verbs ignore case: " << upper;
  }
  EXPECT_EQ(2007, shellCommandFromVerb("open"));
  EXPECT_EQ(2009, shellCommandFromVerb("delete"));
  EXPECT_EQ(2032, shellCommandFromVerb("properties"));
  for (const char* bad : {"", "ope", "openx", "runas", "delete "}) EXPECT_EQ(0, shellCommandFromVerb(bad)) << bad;
  EXPECT_EQ(0, shellCommandFromVerb(nullptr));
  EXPECT_EQ(nullptr, shellVerbOfCommand(2020));
}

TEST(MenuRules, SelectionSummaryAndChmodDigitsKeepEachItemsOwnValueForMixedBoxes) {
  //                                 owner rwxd group rwxd world rwxd
  _FTPITEMID a = record(VQ_KIND_OBJECT, "a.txt", "alice", "staff", "111010001000", 1000);
  _FTPITEMID b = record(VQ_KIND_OBJECT, "b.txt", "bob", "STAFF", "110011001000", 24);
  _FTPITEMID dir = record(VQ_KIND_FOLDER, "d", "alice", "staff", "111010101010", 0);
  _FTPITEMID dlink = record(VQ_KIND_FOLDERLINK, "latest", "alice", "staff", "111010101010", 0);
  _FTPITEMID flink = record(VQ_KIND_OBJECTLINK, "cur", "Alice", "wheel", "111010101010", 7);

  const _FTPITEMID* two[] = {&a, &b};
  shellObjectSummary s;
  shellSummarize(two, 2, s);
  EXPECT_STREQ("Multiple Owners", s.owner);
  EXPECT_STREQ("staff", s.group) << "groups compare without case";
  int expectedBoxes[12] = {1, 1, 2, 0, 1, 2, 0, 0, 1, 0, 0, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(expectedBoxes[i], s.boxes[i]) << "box " << i;
  EXPECT_EQ(2, s.files);
  EXPECT_EQ(0, s.folders);
  EXPECT_EQ(0, s.links);
  EXPECT_EQ(1024u, s.totalSize);

  // Boxes as left: the mixed ones keep each file's own bit; set and clear ones apply to both.
  char digits[4];
  shellChmodDigits(s.boxes, &a, digits);
  EXPECT_STREQ("744", digits);
  shellChmodDigits(s.boxes, &b, digits);
  EXPECT_STREQ("664", digits);
  // The user sets owner execute and clears group read: only those bits change.
  s.boxes[2] = SHELL_BOX_SET;
  s.boxes[4] = SHELL_BOX_CLEAR;
  shellChmodDigits(s.boxes, &a, digits);
  EXPECT_STREQ("704", digits);
  shellChmodDigits(s.boxes, &b, digits);
  EXPECT_STREQ("724", digits);
  // Delete boxes never reach the digits.
  int all[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, none[12] = {};
  shellChmodDigits(all, &a, digits);
  EXPECT_STREQ("777", digits);
  shellChmodDigits(none, &a, digits);
  EXPECT_STREQ("000", digits);

  const _FTPITEMID* mixed[] = {&a, &dir, &dlink, &flink};
  shellSummarize(mixed, 4, s);
  EXPECT_EQ(1, s.files) << "file links count as links only";
  EXPECT_EQ(2, s.folders) << "folder links count as folders";
  EXPECT_EQ(2, s.links);
  EXPECT_STREQ("alice", s.owner) << "owners compare without case";
  EXPECT_STREQ("Multiple Groups", s.group);
  EXPECT_EQ(1007u, s.totalSize);

  // A record from another program without terminators reads as empty, never past its field.
  _FTPITEMID odd = a;
  memset(odd.owner, 'x', sizeof odd.owner);
  const _FTPITEMID* one[] = {&odd};
  shellSummarize(one, 1, s);
  EXPECT_STREQ("", s.owner);
  shellSummarize(nullptr, 0, s);
  EXPECT_EQ(0, s.files + s.folders + s.links);
}
