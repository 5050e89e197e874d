#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CUTStringList.h"
#include "CUTTagList.h"

namespace {
std::vector<std::string> contents(const CUTStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.GetCount(); ++i) out.push_back(list.Get(i) ? list.Get(i) : "<null>");
  return out;
}
}  // namespace

TEST(StringList, KeepsCopiesInOrder) {
  CUTStringList list;
  char text[] = "first";
  EXPECT_EQ(1, list.Add(text));
  text[0] = 'F';  // the list holds its own copy
  EXPECT_EQ(1, list.Add(""));
  EXPECT_EQ(1, list.Add("third"));
  EXPECT_EQ(0, list.Add(nullptr));
  EXPECT_EQ((std::vector<std::string>{"first", "", "third"}), contents(list));
  EXPECT_EQ(nullptr, list.Get(3));
  EXPECT_EQ(nullptr, list.Get(-1));
}

TEST(StringList, RemoveKeepsHeadTailAndIndexesRight) {
  struct Case {
    std::vector<int> removals;
    std::vector<std::string> left;
  } cases[] = {
      {{0}, {"b", "c", "d"}}, {{3}, {"a", "b", "c"}},      {{1, 1}, {"a", "d"}},
      {{3, 2, 1, 0}, {}},     {{4}, {"a", "b", "c", "d"}}, {{-1}, {"a", "b", "c", "d"}},
  };
  for (const Case& c : cases) {
    CUTStringList list;
    for (const char* s : {"a", "b", "c", "d"}) list.Add(s);
    list.Get(2);  // a cached position must not survive removals
    std::string trace;
    for (int r : c.removals) {
      list.Remove(r);
      trace += std::to_string(r) + " ";
    }
    EXPECT_EQ(c.left, contents(list)) << "removed " << trace;
    list.Add("z");  // the tail must still be right
    EXPECT_STREQ("z", list.Get(list.GetCount() - 1)) << "removed " << trace;
    EXPECT_EQ(int(c.left.size()) + 1, list.GetCount()) << "removed " << trace;
  }
}

TEST(StringList, RandomAccessAfterWalkingForward) {
  CUTStringList list;
  for (int i = 0; i < 1000; ++i) list.Add(std::to_string(i).c_str());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(std::to_string(i), list.Get(i));
  EXPECT_STREQ("10", list.Get(10));  // backwards after the walk
  EXPECT_STREQ("999", list.Get(999));
  EXPECT_STREQ("0", list.Get(0));
  list.Clear();
  EXPECT_EQ(0, list.GetCount());
  EXPECT_EQ(nullptr, list.Get(0));
  EXPECT_EQ(1, list.Add("again"));
  EXPECT_STREQ("again", list.Get(0));
}

TEST(TagList, KeepsPairsInOrder) {
  CUTTagList tags;
  EXPECT_EQ(1, tags.Add(1, -1));
  EXPECT_EQ(1, tags.Add(2, 400));
  EXPECT_EQ(1, tags.Add(0x7fffffff, -0x7fffffff - 1));
  ASSERT_EQ(3, tags.GetCount());
  int a = 0, b = 0;
  EXPECT_EQ(1, tags.Get(1, &a, &b));
  EXPECT_EQ(2, a);
  EXPECT_EQ(400, b);
  EXPECT_EQ(1, tags.Get(2, &a, nullptr));
  EXPECT_EQ(0x7fffffff, a);
  a = b = 77;
  EXPECT_EQ(0, tags.Get(3, &a, &b));
  EXPECT_EQ(0, tags.Get(-1, &a, &b));
  EXPECT_EQ(77, a);
  EXPECT_EQ(77, b);
  tags.Clear();
  EXPECT_EQ(0, tags.GetCount());
  EXPECT_EQ(0, tags.Get(0, &a, &b));
  EXPECT_EQ(1, tags.Add(5, 6));
  EXPECT_EQ(1, tags.Get(0, &a, &b));
  EXPECT_EQ(5, a);
}
