// The window framework against real windows under Xvfb: dialogs, value exchange, property sheets
// and wizards, the thread object, the timer window, the pump and the handle wrappers.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <string>
#include <vector>

#include "test_framework_res.h"
#include "uiDriver.h"
#include "vqCatch.h"
#include "vqDialog.h"
#include "vqHandles.h"
#include "vqMsg.h"
#include "vqPropSheet.h"
#include "vqPump.h"
#include "vqThread.h"
#include "vqTimerWnd.h"

namespace {
HINSTANCE exe() { return GetModuleHandleA(nullptr); }

class FieldsDialog : public vqDialog {
 public:
  FieldsDialog() : vqDialog(exe(), IDD_T_FIELDS) {}
  char text[64] = "start";
  unsigned long number = 7;
  bool numberOk = true;
  bool check = false;
  int radio = 1;
  int list = 2;

 protected:
  BOOL OnInitDialog() override {
    SetText(IDC_T_TEXT, text);
    SetNumber(IDC_T_NUMBER, number);
    SetCheck(IDC_T_CHECK, check);
    SetRadio(IDC_T_RADIO1, IDC_T_RADIO3, radio);
    for (const char* s : {"alpha", "beta", "gamma"}) ListAdd(IDC_T_LIST, s);
    ListSelect(IDC_T_LIST, list);
    return TRUE;
  }
  void OnOK() override {
    GetText(IDC_T_TEXT, text, sizeof text);
    number = GetNumber(IDC_T_NUMBER, &numberOk);
    check = GetCheck(IDC_T_CHECK);
    radio = GetRadio(IDC_T_RADIO1, IDC_T_RADIO3);
    list = ListGetSelection(IDC_T_LIST);
    EndDialog(IDOK);
  }
};
}  // namespace

TEST(Dialog, OkMovesEveryKindOfControlBackIntoTheFields) {
  FieldsDialog d;
  std::string shownText, shownNumber;
  bool shownCheck = true;
  INT_PTR r = ui::WithDriver(
      "Fields", [&] { return d.DoModal(); },
      [&](HWND w) {
        shownText = ui::ItemText(w, IDC_T_TEXT);
        shownNumber = ui::ItemText(w, IDC_T_NUMBER);
        shownCheck = ui::Checked(w, IDC_T_CHECK);
        ui::SetItemText(w, IDC_T_TEXT, "changed");
        ui::SetItemText(w, IDC_T_NUMBER, "4294967295");
        ui::Click(w, IDC_T_CHECK);
        ui::Click(w, IDC_T_RADIO3);
        SendDlgItemMessageA(w, IDC_T_LIST, LB_SETCURSEL, 0, 0);
        ui::Click(w, IDOK);
      });
  EXPECT_EQ(IDOK, r);
  EXPECT_EQ("start", shownText);
  EXPECT_EQ("7", shownNumber);
  EXPECT_FALSE(shownCheck);
  EXPECT_STREQ("changed", d.text);
  EXPECT_EQ(4294967295ul, d.number);
  EXPECT_TRUE(d.numberOk);
  EXPECT_TRUE(d.check);
  EXPECT_EQ(2, d.radio);
  EXPECT_EQ(0, d.list);
  EXPECT_EQ(nullptr, d.GetHwnd()) << "the object is unbound once its window is gone";
}

TEST(Dialog, CancelLeavesTheFieldsAndANonNumberIsReported) {
  FieldsDialog d;
  INT_PTR r = ui::WithDriver(
      "Fields", [&] { return d.DoModal(); },
      [&](HWND w) {
        ui::SetItemText(w, IDC_T_TEXT, "ignored");
        ui::Click(w, IDCANCEL);
      });
  EXPECT_EQ(IDCANCEL, r);
  EXPECT_STREQ("start", d.text);

  FieldsDialog bad;
  r = ui::WithDriver(
      "Fields", [&] { return bad.DoModal(); },
      [&](HWND w) {
        ui::SetItemText(w, IDC_T_NUMBER, "12x");
        ui::Click(w, IDOK);
      });
  EXPECT_EQ(IDOK, r);
  EXPECT_FALSE(bad.numberOk);
}

TEST(Dialog, ModelessLivesUntilEndDialogAndTakesDialogKeysThroughThePump) {
  FieldsDialog d;
  HWND w = d.Create(nullptr);
  ASSERT_NE(nullptr, w);
  ShowWindow(w, SW_SHOW);
  EXPECT_EQ(&d, vqWnd::FromHandle(w));
  // Escape reaches the dialog only when the pump hands it to IsDialogMessage.
  SetFocus(GetDlgItem(w, IDC_T_TEXT));
  PostMessageA(GetDlgItem(w, IDC_T_TEXT), WM_KEYDOWN, VK_ESCAPE, 0);
  for (int i = 0; i < 50 && d.GetHwnd(); ++i) {
    VQ_PumpMessages();
    Sleep(10);
  }
  EXPECT_EQ(nullptr, d.GetHwnd()) << "Escape should have cancelled (destroyed) the modeless dialog";
  EXPECT_FALSE(IsWindow(w));
}

namespace {
struct PageLog {
  std::vector<std::string> events;
  std::atomic<int> refusals{0};
};

class TextPage : public vqPropPage {
 public:
  TextPage(PageLog* log) : vqPropPage(exe(), IDD_T_PAGE1, "First"), m_log(log) {}
  char text[64] = "";

 protected:
  bool OnKillActive() override {
    GetText(IDC_T_TEXT, text, sizeof text);
    m_log->events.push_back(text[0] ? "leave1" : "refuse1");
    if (!text[0]) ++m_log->refusals;
    return text[0] != '\0';  // a name is required
  }
  bool OnApply() override {
    m_log->events.push_back("apply1");
    return true;
  }
  bool OnSetActive() override {
    SetWizardButtons(PSWIZB_NEXT);
    return true;
  }
  PageLog* m_log;
};

class NumberPage : public vqPropPage {
 public:
  NumberPage(PageLog* log) : vqPropPage(exe(), IDD_T_PAGE2, "Second"), m_log(log) {}
  unsigned long number = 0;

 protected:
  bool OnSetActive() override {
    m_log->events.push_back("enter2");
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return true;
  }
  bool OnWizardFinish() override {
    number = GetNumber(IDC_T_NUMBER);
    m_log->events.push_back("finish2");
    return true;
  }
  bool OnApply() override {
    number = GetNumber(IDC_T_NUMBER);
    m_log->events.push_back("apply2");
    return true;
  }
  PageLog* m_log;
};

HWND currentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

HWND waitForPage(HWND sheet, HWND notThis) {
  for (int i = 0; i < 100; ++i) {
    HWND p = currentPage(sheet);
    if (p && p != notThis) return p;
    Sleep(20);
  }
  return currentPage(sheet);
}
}  // namespace

TEST(PropSheet, WizardRefusesToLeaveAnInvalidPageThenFinishes) {
  PageLog log;
  TextPage p1(&log);
  NumberPage p2(&log);
  vqPropSheet sheet("Wizard", nullptr, exe());
  sheet.AddPage(&p1);
  sheet.AddPage(&p2);
  sheet.SetWizardMode();
  HWND stayed = nullptr, first = nullptr;
  // A wizard shows the page caption, so the driver takes the thread's one window.
  INT_PTR r = ui::WithDriver(
      nullptr, [&] { return sheet.DoModal(); },
      [&](HWND w) {
        first = waitForPage(w, nullptr);
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_NEXT, 0);  // empty name: refused
        for (int i = 0; i < 250 && !log.refusals; ++i) Sleep(20);
        stayed = currentPage(w);
        SetDlgItemTextA(first, IDC_T_TEXT, "site");
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        HWND second = waitForPage(w, first);
        SetDlgItemTextA(second, IDC_T_NUMBER, "21");
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
      });
  EXPECT_NE(0, r);
  EXPECT_EQ(first, stayed) << "the page with an empty name must keep the user";
  EXPECT_STREQ("site", p1.text);
  EXPECT_EQ(21ul, p2.number);
  ASSERT_GE(log.events.size(), 4u);
  EXPECT_EQ("refuse1", log.events[0]);
  EXPECT_EQ("leave1", log.events[1]);
  EXPECT_EQ("enter2", log.events[2]);
}

TEST(PropSheet, OkAppliesEveryVisitedPage) {
  PageLog log;
  TextPage p1(&log);
  NumberPage p2(&log);
  vqPropSheet sheet("Sheet", nullptr, exe());
  sheet.AddPage(&p1);
  sheet.AddPage(&p2);
  INT_PTR r = ui::WithDriver(
      "Sheet", [&] { return sheet.DoModal(); },
      [&](HWND w) {
        HWND first = waitForPage(w, nullptr);
        SetDlgItemTextA(first, IDC_T_TEXT, "x");
        PostMessageA(w, PSM_SETCURSEL, 1, 0);
        HWND second = waitForPage(w, first);
        SetDlgItemTextA(second, IDC_T_NUMBER, "5");
        PostMessageA(w, PSM_PRESSBUTTON, PSBTN_OK, 0);
      });
  EXPECT_GT(r, 0);
  EXPECT_EQ(5ul, p2.number);
  bool applied1 = false, applied2 = false;
  for (auto& e : log.events) applied1 |= e == "apply1", applied2 |= e == "apply2";
  EXPECT_TRUE(applied1 && applied2);
}

namespace {
class Collector : public vqThread {
 public:
  std::vector<UINT> seen;
  std::vector<WPARAM> values;
  DWORD ranOn = 0;
  bool exited = false;

 protected:
  bool InitInstance() override {
    ranOn = GetCurrentThreadId();
    return true;
  }
  void OnThreadMessage(UINT msg, WPARAM wp, LPARAM) override {
    seen.push_back(msg);
    values.push_back(wp);
  }
  void ExitInstance() override { exited = true; }
};
}  // namespace

TEST(Thread, ThreadMessagesArriveInOrderAnd602EndsTheLoop) {
  Collector t;
  ASSERT_TRUE(t.Start());
  for (WPARAM i = 0; i < 20; ++i) ASSERT_TRUE(t.PostThreadMessage(VQ_THREAD_MSG_WORK, i));
  ASSERT_TRUE(t.Stop(5000));
  EXPECT_TRUE(t.exited);
  EXPECT_NE(GetCurrentThreadId(), t.ranOn);
  ASSERT_EQ(20u, t.values.size());
  for (WPARAM i = 0; i < 20; ++i) EXPECT_EQ(i, t.values[i]) << "message " << i;
  EXPECT_FALSE(t.PostThreadMessage(VQ_THREAD_MSG_WORK)) << "a stopped thread takes no messages";
}

namespace {
struct Ticks : vqTimerSink {
  int count = 0;
  DWORD thread = 0;
  void OnTick(UINT_PTR id) override {
    if (id == 77) ++count, thread = GetCurrentThreadId();
  }
};
}  // namespace

TEST(TimerWnd, TicksReachTheSinkOnTheCreatingThreadUntilKilled) {
  Ticks sink;
  vqTimerWnd timer(&sink);
  ASSERT_TRUE(timer.Create());
  ASSERT_TRUE(timer.SetTimer(77, 10));
  for (int i = 0; i < 200 && sink.count < 3; ++i) {
    VQ_PumpMessages();
    Sleep(5);
  }
  timer.KillTimer(77);
  EXPECT_GE(sink.count, 3);
  EXPECT_EQ(GetCurrentThreadId(), sink.thread);
  int after = sink.count;
  for (int i = 0; i < 10; ++i) {
    VQ_PumpMessages();
    Sleep(10);
  }
  EXPECT_EQ(after, sink.count);
}

TEST(Pump, LeavesThreadMessagesQueuedInOrder) {
  DWORD self = GetCurrentThreadId();
  MSG drain;
  while (PeekMessageA(&drain, nullptr, 0, 0, PM_REMOVE)) {
  }
  // More than a handful: a worker's queue can hold many jobs while its window is being served.
  const WPARAM kPosted = 300;
  for (WPARAM i = 1; i <= kPosted; ++i) PostThreadMessageA(self, VQ_THREAD_MSG_WORK, i, 0);
  EXPECT_TRUE(VQ_PumpMessages());
  MSG m;
  for (WPARAM i = 1; i <= kPosted; ++i) {
    ASSERT_TRUE(PeekMessageA(&m, nullptr, VQ_THREAD_MSG_WORK, VQ_THREAD_MSG_WORK, PM_REMOVE)) << "message " << i;
    EXPECT_EQ(i, m.wParam);
  }
}

TEST(Handles, CloseOnScopeExitAndMoveOwnership) {
  HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD flags = 0;
  {
    vqHandle a(raw);
    vqHandle b(std::move(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(raw, b.Get());
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
  }
  EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the event must be closed with its owner";

  vqFileHandle none(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none.IsValid());
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  vqFindHandle find;
  WIN32_FIND_DATAA fd;
  find.Reset(FindFirstFileA(path, &fd));
  EXPECT_TRUE(find.IsValid());
}

namespace {
std::vector<std::string> g_boxes;
std::vector<unsigned> g_flags;
int recordBox(const char* text, const char* caption, unsigned flags, void*) {
  g_boxes.push_back(std::string(caption) + "|" + text);
  g_flags.push_back(flags);
  return IDOK;
}
int faults() {
  VQ_TRY
    throw 1;
  VQ_CATCH("vqSample", -3)
}
}  // namespace

TEST(CatchAll, DefaultReportIsTheTopMostProductBox) {
  g_boxes.clear();
  g_flags.clear();
  VQ_CATCH_REPORTER oldReporter = vqSetCatchReporter(nullptr);
  VQ_MSG_ANSWER oldAnswer = vqSetMessageAnswer(recordBox, nullptr);
  EXPECT_EQ(-3, faults());
  vqSetMessageAnswer(oldAnswer, nullptr);
  vqSetCatchReporter(oldReporter);
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ(0u, g_boxes[0].find("Farhollow|Caught Exception in File vqSample, Line ")) << g_boxes[0];
  EXPECT_TRUE(g_flags[0] & MB_TOPMOST);
  EXPECT_TRUE(g_flags[0] & MB_ICONSTOP);
}
