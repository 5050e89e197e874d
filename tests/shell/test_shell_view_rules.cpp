// The folder view's rules: which commands each menu context offers, the order of items under
// every sort order, and index-file lines turned into descriptions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shellViewRules.h"

namespace {
enum { T = SHELL_CONTEXT_TOOLBAR, F = SHELL_CONTEXT_FOLDER, B = SHELL_CONTEXT_BACKGROUND, S = SHELL_CONTEXT_SELECTION };

// Kinds 1..8 as a string of '1' (enabled) and '.' (grayed).
std::string row(int command, int context, bool connected = false, const char* name = "a.txt", bool files = false) {
  std::string out;
  for (int kind = 1; kind <= 8; ++kind) {
    shellCommandQuery q = {command, kind, context, connected, name, files};
    out += shellCommandEnabled(q) ? '1' : '.';
  }
  return out;
}
}  // namespace

TEST(ShellViewRules, EnableRuleByKindAndContext) {
  struct Case {
    int command, context;
    bool connected;
    const char* name;
    bool files;
    const char* kinds;  // kinds 1..8
  } cases[] = {
      {2001, F, false, "", false, "111....."},
      {2002, S, false, "", false, "111....."},
      {2003, S, false, "", false, "...11.1."},
      {2006, F, false, "", false, "...11.1."},
      {2005, F, false, "", false, "........"},
      {2005, S, false, "", false, "..111.1."},
      {2007, B, false, "a.txt", false, "........"},
      {2007, S, false, "a.txt", false, ".....1.1"},
      {2008, S, false, "a.txt", false, ".....1.1"},
      {2008, S, false, "setup.exe", false, "........"},
      {2008, S, false, "SRC.TAR.GZ", false, "........"},
      {2008, S, false, "x.ZIP", false, "........"},
      {2009, B, false, "", false, "........"},
      {2009, S, false, "", false, "..1111.."},
      {2009, F, false, "", false, "..1111.."},
      {2010, F, false, "", false, "........"},
      {2010, S, false, "", false, "..111111"},
      {2011, T, false, "", false, "...11111"},
      {2011, F, false, "", false, "...11.1."},
      {2012, B, false, "", false, "........"},
      {2013, F, false, "", false, "1.111.1."},
      {2013, S, false, "", false, "..111.1."},
      {2028, F, false, "", false, "........"},
      {2028, F, false, "", true, "1.111.1."},
      {2017, F, false, "", false, "...1...."},
      {2017, F, true, "", false, "........"},
      {2018, F, true, "", false, "...1...."},
      {2018, F, false, "", false, "........"},
      {2019, B, false, "", false, "1..11111"},
      {2019, F, false, "", false, "...11111"},
      {2020, S, true, "", true, "........"},
      {2022, T, true, "", true, "........"},
      {2024, S, false, "", false, "...1...."},
      {2027, B, false, "", false, "........"},
      {2027, F, false, "", false, "..111.1."},
      {2027, S, false, "", false, "..111111"},
      {2029, F, false, "", false, "........"},
      {2029, B, false, "", false, "...11111"},
      {2032, S, false, "", false, "1.111111"},
      {2032, B, false, "", false, "..111111"},
      {2035, B, false, "", false, "11111111"},
      {2036, S, false, "", false, "........"},
      {2036, S, true, "", false, "...11111"},
      {2037, S, false, "", false, "....1111"},
      {7001, B, false, "", false, "1......."},
      {7014, B, false, "", false, "...11111"},
      {7011, F, false, "", false, "11111111"},
      {7010, T, false, "", false, "11111111"},
      {2038, S, false, "", false, "11111111"},
      {2004, S, false, "", false, "........"},
      {7100, S, false, "", false, "........"},
      {12345, S, false, "", false, "........"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.kinds, row(c.command, c.context, c.connected, c.name, c.files))
        << "command " << c.command << " context " << c.context << " connected " << c.connected << " name " << c.name;
}

TEST(ShellViewRules, SortOrdersKeepKindGroupsBothWays) {
  struct Item {
    int kind;
    const char* key;
    const char* name;
  };
  // Keys as a size column sorts them; the wizard and the folders have empty keys.
  std::vector<Item> items = {{6, "00000000000000000010", "ten.txt"},
                             {5, "", "pub"},
                             {2, "", "wizard"},
                             {8, "00000000000000000005", "five.lnk"},
                             {7, "", "Incoming"},
                             {6, "00000000000000001000", "big.bin"},
                             {3, "", "Work"},
                             {4, "", "site"}};
  auto sorted = [&](bool descending) {
    std::vector<Item> v = items;
    std::stable_sort(v.begin(), v.end(), [&](const Item& a, const Item& b) {
      return shellCompareForView(a.kind, a.key, b.kind, b.key, descending) < 0;
    });
    std::string out;
    for (const Item& i : v) out += std::string(i.name) + ",";
    return out;
  };
  EXPECT_EQ("wizard,Work,pub,Incoming,site,five.lnk,ten.txt,big.bin,", sorted(false));
  EXPECT_EQ("wizard,Work,pub,Incoming,big.bin,ten.txt,five.lnk,site,", sorted(true));
  // Case does not decide; equal keys keep their order.
  EXPECT_EQ(0, shellCompareForView(6, "README", 6, "readme", false));
  EXPECT_GT(0, shellCompareForView(6, "abc", 6, "ABD", false));
  EXPECT_LT(0, shellCompareForView(6, "abc", 6, "ABD", true));

  struct Column {
    int order;
    bool remote;
    int column;
  } columns[] = {{7011, false, 0},  {7001, false, 2}, {7014, false, -1}, {7012, false, -1},
                 {7013, false, -1}, {7011, true, 0},  {7014, true, 1},   {7012, true, 2},
                 {7013, true, 3},   {7001, true, -1}, {7015, true, -1}};
  for (const Column& c : columns) {
    EXPECT_EQ(c.column, shellSortColumn(c.order, c.remote)) << c.order << " remote " << c.remote;
    if (c.column >= 0) {
      EXPECT_EQ(c.order, shellSortOrderOf(c.column, c.remote)) << c.order;
    }
  }
  EXPECT_EQ(0, shellSortOrderOf(4, true));
  EXPECT_EQ(0, shellSortOrderOf(1, false));
}

TEST(ShellViewRules, IndexFileLines) {
  struct Case {
    const char* line;
    bool ok;
    const char* name;
    const char* description;
  } cases[] = {
      {"README.txt  Read this first", true, "README.txt", "Read this first"},
      {"  tools/\tUtilities   for\t\tthe  build  \r\n", true, "tools", "Utilities for the build"},
      {"pkg.zip B 1024 19990314 Package of the week", true, "pkg.zip", "Package of the week"},
      {"pkg.zip B 0 0 Zero sizes stay", true, "pkg.zip", "0 0 Zero sizes stay"},
      {"pkg.zip Bb 1024 7 Word not one letter", true, "pkg.zip", "Bb Word not one letter"},
      {"a.txt 12ab 5 text", true, "a.txt", "12ab text"},
      {"dir\\ Windows folder", true, "dir", "Windows folder"},
      {"only-name", true, "only-name", ""},
      {"", false, "", ""},
      {" \t \r\n", false, "", ""},
      {"/ x", false, "", ""},
  };
  for (const Case& c : cases) {
    std::string name = "stale", description = "stale";
    EXPECT_EQ(c.ok, shellParseIndexLine(c.line, name, description)) << c.line;
    if (c.ok) {
      EXPECT_EQ(c.name, name) << c.line;
      EXPECT_EQ(c.description, description) << c.line;
    }
  }
}
