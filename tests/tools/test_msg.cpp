// String-table texts and the product's message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "uiDriver.h"
#include "vqMsg.h"

namespace {
const unsigned kTitle = 57344, kWarning = 60000, kBeta = 60003, kVersion = 60004, kAbout = 60010;
}

TEST(Text, LoadsTheToolkitTextsAndGivesEmptyForAMissingId) {
  struct {
    unsigned id;
    const char* want;
  } cases[] = {
      {kTitle, "Farhollow"},
      {kBeta, "Version %lu.%lu Beta %lu (Build %lu)"},
      {kVersion, "Version %lu.%02.2d"},
      {kAbout, "About %s"},
      {12345, ""},
  };
  for (auto& c : cases) EXPECT_STREQ(c.want, VQ_TEXT(vqToolsModule(), c.id)) << "id " << c.id;
  EXPECT_EQ(0u, std::string(VQ_TEXT(vqToolsModule(), kWarning)).find("Warning: "));
}

TEST(Text, ARingOfTenPerThread) {
  HINSTANCE m = vqToolsModule();
  const char* first = VQ_TEXT(m, kTitle);
  const char* held[9];
  for (auto& h : held) h = VQ_TEXT(m, kAbout);
  EXPECT_STREQ("Farhollow", first) << "valid for the next nine calls";
  const char* eleventh = VQ_TEXT(m, kVersion);
  EXPECT_EQ(first, eleventh);
  EXPECT_STREQ("Version %lu.%02.2d", first);

  // Another thread's calls never touch this thread's texts.
  const char* mine = VQ_TEXT(m, kTitle);
  std::thread other([m] {
    for (int i = 0; i < 1000; ++i) VQ_TEXT(m, kBeta);
  });
  other.join();
  EXPECT_STREQ("Farhollow", mine);
}

namespace {
struct Seen {
  std::string text, caption;
  unsigned flags = 0;
  int calls = 0;
};
int answer(const char* text, const char* caption, unsigned flags, void* context) {
  auto* s = static_cast<Seen*>(context);
  s->text = text;
  s->caption = caption;
  s->flags = flags;
  ++s->calls;
  return IDNO;
}
}  // namespace

TEST(MsgBox, AnswerProviderSeesTextCaptionAndTopMostStyle) {
  Seen seen;
  VQ_MSG_ANSWER old = vqSetMessageAnswer(answer, &seen);
  EXPECT_EQ(IDNO, VQ_MSG("Delete it?", MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ("Delete it?", seen.text);
  EXPECT_EQ("Farhollow", seen.caption);
  EXPECT_EQ(unsigned(MB_YESNO | MB_ICONEXCLAMATION | MB_TOPMOST), seen.flags);
  EXPECT_EQ(IDNO, VQ_QUESTION("Go on?", MB_YESNO));
  EXPECT_EQ(unsigned(MB_YESNO | MB_ICONQUESTION | MB_TOPMOST), seen.flags);
  EXPECT_EQ(answer, vqSetMessageAnswer(old, nullptr));
  EXPECT_EQ(2, seen.calls);
}

TEST(MsgBox, TheRealBoxIsTopMostAndReturnsThePressedButton) {
  LONG_PTR exStyle = 0;
  std::string text;
  INT_PTR r = ui::WithDriver(
      "Farhollow", [] { return VQ_MSG("Transfer finished.", MB_OKCANCEL); },
      [&](HWND w) {
        exStyle = GetWindowLongPtrA(w, GWL_EXSTYLE);
        // The text is the box's static control (id 0xFFFF).
        text = ui::ItemText(w, 0xFFFF);
        ui::Click(w, IDCANCEL);
      });
  EXPECT_EQ(IDCANCEL, r);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_EQ("Transfer finished.", text);
}
