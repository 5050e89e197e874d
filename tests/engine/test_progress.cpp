// The progress windows under Xvfb, fed the way the tasks feed them: the windows live on their
// own thread with its own loop, the updates come from the test's thread (the worker).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "uiDriver.h"
#include "vqCatch.h"
#include "vqEngineRes.h"
#include "vqProgress.h"
#include "vqThread.h"

namespace {
class ProgressThread : public vqThread {
 public:
  std::atomic<void*> handle{nullptr};

 protected:
  bool InitInstance() override {
    handle = VQPROG_Create();
    return handle != nullptr;
  }
  void ExitInstance() override {
    VQPROG_Destroy(handle);
    handle = nullptr;
  }
};

std::string g_faults;
void recordFault(const char* text) { g_faults += text; }

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    g_faults.clear();
    m_oldReporter = vqSetCatchReporter(recordFault);
    ASSERT_TRUE(m_thread.Start());
    h = m_thread.handle;
    ASSERT_NE(nullptr, h);
  }
  void TearDown() override {
    EXPECT_TRUE(m_thread.Stop(5000));
    vqSetCatchReporter(m_oldReporter);
    EXPECT_EQ("", g_faults);
  }
  // The window of the current type once every posted update has been drawn.
  HWND Settle() {
    for (int i = 0; i < 250; ++i) {
      HWND w = static_cast<HWND>(VQPROG_GetWindow(h));
      if (w && IsWindowVisible(w) && !VQPROG_IsRefreshPending(h)) return w;
      Sleep(20);
    }
    return nullptr;
  }
  static int ClientBottom(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return r.bottom;
  }
  static RECT Placeholder(HWND w, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(w, id), &r);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  void* h = nullptr;

 private:
  ProgressThread m_thread;
  VQ_CATCH_REPORTER m_oldReporter = nullptr;
};
}  // namespace

TEST_F(Progress, TransferShowsFileAndJobAfterASeriesOfUpdates) {
  VQPROG_Open(h, 2);
  VQPROG_JobSetTotalFiles(h, 3);
  VQPROG_JobSetCurrentFile(h, 2);
  VQPROG_FileSetSource(h, "/pub/dir/file.zip");
  VQPROG_FileSetDest(h, "C:\\down\\file.zip");
  VQPROG_FileTimerStart(h);
  VQPROG_JobTimerStart(h);
  VQPROG_FileSetTotalBytes(h, 1048576);  // the job total is still 0: it takes the file's
  for (unsigned long n : {1024ul, 262144ul, 524288ul}) VQPROG_FileSetCurrentBytes(h, n);
  HWND w = Settle();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ("(50%) file.zip", ui::Text(w));
  EXPECT_EQ("/pub/dir", ui::ItemText(w, IDC_PROG_SOURCE));
  EXPECT_EQ("C:\\down\\", ui::ItemText(w, IDC_PROG_DEST));
  EXPECT_EQ("50%", ui::ItemText(w, IDC_PROG_FILEPERCENT));
  EXPECT_EQ("50%", ui::ItemText(w, IDC_PROG_JOBPERCENT)) << "job current grew by the file's deltas";
  EXPECT_EQ("Processing File 2 of 3.", ui::ItemText(w, IDC_PROG_JOBFILES));
  // The rate depends on the elapsed whole seconds (1, or 2 on a slow machine).
  std::string bytes = ui::ItemText(w, IDC_PROG_FILEBYTES);
  EXPECT_EQ(0u, bytes.find("524,288 of 1,048,576 bytes transferred, ")) << bytes;
  EXPECT_TRUE(bytes.find(", 512 K-bytes/sec") != std::string::npos ||
              bytes.find(", 256 K-bytes/sec") != std::string::npos)
      << bytes;
  EXPECT_EQ(524u, SendDlgItemMessageA(w, IDC_PROG_FILEBAR, PBM_GETPOS, 0, 0));
  EXPECT_EQ(1048, (int)SendDlgItemMessageA(w, IDC_PROG_FILEBAR, PBM_GETRANGE, FALSE, 0));

  // A second file: the job keeps counting from where it was.
  VQPROG_JobSetCurrentFile(h, 3);
  VQPROG_FileSetSource(h, "/pub/dir/next.bin");
  VQPROG_FileSetCurrentBytes(h, 0);
  VQPROG_FileSetTotalBytes(h, 2000);
  VQPROG_FileSetCurrentBytes(h, 1000);
  w = Settle();
  EXPECT_EQ("(50%) next.bin", ui::Text(w));
  EXPECT_EQ("Processing File 3 of 3.", ui::ItemText(w, IDC_PROG_JOBFILES));
  EXPECT_EQ(0u, ui::ItemText(w, IDC_PROG_JOBBYTES).find("525,288 of 1,048,576 bytes"));
  VQPROG_Close(h);
  for (int i = 0; i < 100 && IsWindow(w); ++i) Sleep(20);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(Progress, AZeroByteFileShowsZeroPercent) {
  VQPROG_Open(h, 3);
  VQPROG_FileSetSource(h, "C:\\up\\empty.txt");
  VQPROG_FileTimerStart(h);
  VQPROG_FileSetTotalBytes(h, 0);
  VQPROG_FileSetCurrentBytes(h, 0);
  HWND w = Settle();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ("(0%) empty.txt", ui::Text(w));
  EXPECT_EQ("0%", ui::ItemText(w, IDC_PROG_FILEPERCENT));
  EXPECT_EQ(0u, ui::ItemText(w, IDC_PROG_FILEBYTES).find("0 of 0 bytes transferred, 0 K-bytes/sec"));
  EXPECT_EQ("00:00:01", ui::ItemText(w, IDC_PROG_FILEREMAIN));
}

TEST_F(Progress, TwoCancelPressesWhileTheWorkerIsBlockedAreOneCancel) {
  VQPROG_Open(h, 2);
  HWND w = Settle();
  ASSERT_NE(nullptr, w);
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr), blocked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  int before = -1, polls[3] = {-1, -1, -1};
  std::thread worker([&] {
    before = VQPROG_FileSetTotalBytes(h, 100000);  // a worker call, then blocked "in the network"
    SetEvent(blocked);
    WaitForSingleObject(go, INFINITE);
    polls[0] = VQPROG_FileSetCurrentBytes(h, 5000);
    polls[1] = VQPROG_IsCanceled(h);
    polls[2] = VQPROG_FileSetCurrentBytes(h, 6000);
  });
  WaitForSingleObject(blocked, 5000);
  ui::Click(w, IDCANCEL);  // answered by the window's thread while the worker waits
  ui::Click(w, IDCANCEL);
  EXPECT_TRUE(IsWindow(w)) << "Cancel only raises the flag; the worker closes the window";
  SetEvent(go);
  worker.join();
  CloseHandle(go);
  CloseHandle(blocked);
  EXPECT_EQ(0, before);
  EXPECT_EQ(1, polls[0]);
  EXPECT_EQ(0, polls[1]);
  EXPECT_EQ(0, polls[2]);
}

TEST_F(Progress, CallsOnAHandleOfTheWrongTypeReturnZeroAndChangeNothing) {
  void* none = nullptr;
  EXPECT_EQ(0, VQPROG_IsCanceled(none));
  EXPECT_EQ(0, VQPROG_FileSetCurrentBytes(none, 5));
  EXPECT_EQ(0u, VQPROG_GetType(none));
  EXPECT_EQ(0, VQPROG_FileSetTitle(h, "never opened")) << "type 0 serves no call";

  for (unsigned type : {1u, 4u}) {
    VQPROG_Open(h, type);
    HWND w = Settle();
    ASSERT_NE(nullptr, w) << "type " << type;
    std::string title = ui::Text(w);
    ui::Click(w, IDCANCEL);
    struct {
      const char* name;
      int result;
    } calls[] = {
        {"FileSetCurrentBytes", VQPROG_FileSetCurrentBytes(h, 4000)},
        {"FileSetTotalBytes", VQPROG_FileSetTotalBytes(h, 8000)},
        {"FileSetDest", VQPROG_FileSetDest(h, "C:\\x\\y")},
        {"FileTimerStart", VQPROG_FileTimerStart(h)},
        {"JobSetTotalBytes", VQPROG_JobSetTotalBytes(h, 9)},
        {"JobAddTotalBytes", VQPROG_JobAddTotalBytes(h, 9)},
        {"CnctSetStatus", type == 4 ? VQPROG_CnctSetStatus(h, "x") : 0},
        {"CnctSetAttempts", type == 4 ? VQPROG_CnctSetAttempts(h, 1, 2) : 0},
        {"FileSetSource", type == 1 ? VQPROG_FileSetSource(h, "/a/b") : 0},
        {"JobSetTotalFiles", type == 1 ? VQPROG_JobSetTotalFiles(h, 4) : 0},
    };
    for (auto& c : calls) EXPECT_EQ(0, c.result) << c.name << " on type " << type;
    EXPECT_EQ(title, ui::Text(Settle())) << "type " << type;
    EXPECT_EQ(1, VQPROG_IsCanceled(h)) << "the wrong-type calls must not have taken the cancel";
    VQPROG_Close(h);
  }
  // Nothing reached the transfer state.
  VQPROG_Open(h, 2);
  HWND w = Settle();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ(0u, ui::ItemText(w, IDC_PROG_FILEBYTES).find("0 of 0 bytes")) << ui::ItemText(w, IDC_PROG_FILEBYTES);
  EXPECT_EQ("", ui::ItemText(w, IDC_PROG_DEST));
}

TEST_F(Progress, TransferAndConnectionOpenCollapsedAndDetailsToggles) {
  for (unsigned type : {2u, 1u}) {
    VQPROG_Open(h, type);
    HWND w = Settle();
    ASSERT_NE(nullptr, w);
    int upper = Placeholder(w, IDC_PROG_UPPER).bottom, lower = Placeholder(w, IDC_PROG_LOWER).bottom;
    EXPECT_EQ(upper, ClientBottom(w)) << "type " << type;
    ui::Click(w, IDC_PROG_DETAILS);
    EXPECT_EQ(lower, ClientBottom(w)) << "type " << type;
    ui::Click(w, IDC_PROG_DETAILS);
    EXPECT_EQ(upper, ClientBottom(w)) << "type " << type;
    VQPROG_Close(h);
  }
}

TEST_F(Progress, ConnectionAndDeleteWindowsShowTheirTexts) {
  VQPROG_Open(h, 1);
  VQPROG_FileSetTitle(h, "ftp://ftp.example.org");
  VQPROG_CnctSetStatus(h, "Resolving host address...");
  VQPROG_CnctSetAttempts(h, 2, 5);
  VQPROG_CnctSetLastError(h, "Connection refused");
  HWND w = Settle();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ("ftp://ftp.example.org", ui::Text(w));
  EXPECT_EQ("Connecting To: ftp://ftp.example.org", ui::ItemText(w, IDC_CNCT_HOST));
  EXPECT_EQ("Resolving host address...", ui::ItemText(w, IDC_CNCT_STATUS));
  EXPECT_EQ("2", ui::ItemText(w, IDC_CNCT_ATTEMPT));
  EXPECT_EQ("5", ui::ItemText(w, IDC_CNCT_ATTEMPTS));
  EXPECT_EQ("Connection refused", ui::ItemText(w, IDC_CNCT_LASTERROR));
  VQPROG_Close(h);

  VQPROG_Open(h, 4);
  VQPROG_FileSetTitle(h, "Deleting from ftp.example.org");
  VQPROG_JobSetTotalFiles(h, 4);
  VQPROG_JobSetCurrentFile(h, 2);
  VQPROG_FileSetSource(h, "/pub/old/a.txt");
  w = Settle();
  ASSERT_NE(nullptr, w);
  EXPECT_EQ("Deleting from ftp.example.org", ui::Text(w));
  EXPECT_EQ("/pub/old/a.txt", ui::ItemText(w, IDC_DEL_ITEM));
  EXPECT_EQ("50% Complete.", ui::ItemText(w, IDC_DEL_PERCENT));
  EXPECT_EQ("Processing File 2 of 4.", ui::ItemText(w, IDC_DEL_FILES));
}

TEST(ProgressSameThread, AnimationsArePlayable) {
  HMODULE engine = GetModuleHandleA("vqEngine.dll");
  for (UINT id : {IDA_PROG_CONNECT, IDA_PROG_DELETE}) {
    HWND anim = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD, 0, 0, 96, 32, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, anim);
    EXPECT_TRUE(Animate_OpenEx(anim, engine, MAKEINTRESOURCEA(id))) << "animation " << id;
    EXPECT_TRUE(Animate_Play(anim, 0, -1, -1)) << "animation " << id;
    DestroyWindow(anim);
  }
  HWND anim = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD, 0, 0, 96, 32, HWND_MESSAGE, nullptr, nullptr, nullptr);
  EXPECT_FALSE(Animate_OpenEx(anim, engine, MAKEINTRESOURCEA(IDD_LOGIN))) << "not an animation";
  DestroyWindow(anim);
}

TEST(ProgressSameThread, CallsOnTheWindowsOwnThreadActAtOnce) {
  void* h = VQPROG_Create();
  ASSERT_NE(nullptr, h);
  VQPROG_Open(h, 5);
  EXPECT_EQ(5u, VQPROG_GetType(h));
  VQPROG_FileSetSource(h, "/a/b/c.dat");
  VQPROG_FileSetTotalBytes(h, 10000);
  VQPROG_FileSetCurrentBytes(h, 2500);
  HWND w = static_cast<HWND>(VQPROG_GetWindow(h));
  ASSERT_NE(nullptr, w);
  EXPECT_FALSE(VQPROG_IsRefreshPending(h));
  EXPECT_EQ("(20%) c.dat", ui::Text(w));
  EXPECT_TRUE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  VQPROG_Close(h);
  EXPECT_FALSE(IsWindow(w));
  VQPROG_SetType(h, 1);
  EXPECT_EQ(1u, VQPROG_GetType(h));
  EXPECT_EQ(nullptr, VQPROG_GetWindow(h)) << "SetType opens nothing";
  EXPECT_EQ(0, VQPROG_Destroy(h));
}

// A transfer reports every block: byte counts are drawn at most every 100 ms, the one held back
// appears when that time is up, and a finished file is drawn at once.
TEST(ProgressSameThread, ByteCountsAreDrawnAtMostEveryTenthOfASecond) {
  void* h = VQPROG_Create();
  ASSERT_NE(nullptr, h);
  VQPROG_Open(h, 2);
  VQPROG_FileSetSource(h, "/pub/big.bin");
  VQPROG_FileSetTotalBytes(h, 10000);
  HWND w = static_cast<HWND>(VQPROG_GetWindow(h));
  ASSERT_NE(nullptr, w);
  VQPROG_FileSetCurrentBytes(h, 1000);
  EXPECT_EQ("(10%) big.bin", ui::Text(w)) << "the first count is drawn at once";
  for (unsigned long n = 2000; n <= 5000; n += 1000) VQPROG_FileSetCurrentBytes(h, n);
  EXPECT_EQ("(10%) big.bin", ui::Text(w)) << "counts right after it are held back";
  MSG m;
  for (int i = 0; i < 50 && ui::Text(w) != "(50%) big.bin"; ++i) {
    Sleep(10);
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }
  EXPECT_EQ("(50%) big.bin", ui::Text(w)) << "the last count held back is drawn when its time is up";
  VQPROG_FileSetCurrentBytes(h, 6000);
  VQPROG_FileSetCurrentBytes(h, 10000);
  EXPECT_EQ("(100%) big.bin", ui::Text(w)) << "a finished file is drawn at once";
  VQPROG_Close(h);
  EXPECT_EQ(0, VQPROG_Destroy(h));
}

// A job's callback gives the total together with each block's count (as the shell's jobs do): the
// repeated total is held back with the count; a new total is drawn at once.
TEST(ProgressSameThread, TheTotalRepeatedWithEveryBlockIsHeldBackWithTheCount) {
  void* h = VQPROG_Create();
  ASSERT_NE(nullptr, h);
  VQPROG_Open(h, 3);
  VQPROG_FileSetSource(h, "/pub/big.bin");
  HWND w = static_cast<HWND>(VQPROG_GetWindow(h));
  ASSERT_NE(nullptr, w);
  auto block = [&](unsigned long total, unsigned long current) {
    VQPROG_FileSetTotalBytes(h, total);
    VQPROG_FileSetCurrentBytes(h, current);
  };
  block(10000, 1000);
  EXPECT_EQ("(10%) big.bin", ui::Text(w)) << "the first block is drawn at once";
  for (unsigned long n = 2000; n <= 4000; n += 1000) block(10000, n);
  EXPECT_EQ("(10%) big.bin", ui::Text(w)) << "the same total does not force a redraw";
  block(5000, 4000);
  EXPECT_EQ("(80%) big.bin", ui::Text(w)) << "a new total is drawn at once";
  block(5000, 5000);
  EXPECT_EQ("(100%) big.bin", ui::Text(w)) << "a finished file is drawn at once";
  VQPROG_Close(h);
  EXPECT_EQ(0, VQPROG_Destroy(h));
}
