// Shows one of the windows of the toolkit and the engine with sample contents, for
// scripts/screenshots:  ui_showcase <window> <rect file>
// Once the window is drawn its screen rectangle is written to <rect file> ("left top right bottom");
// the window closes when the script deletes the file.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <thread>

#include "dlgLogin.h"
#include "uiDriver.h"
#include "vqAbout.h"
#include "vqEngineRes.h"
#include "vqMsg.h"
#include "vqProgress.h"
#include "vqPump.h"

namespace {
const char* g_rectFile = nullptr;

void publish(HWND w) {
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);  // let X catch up with the drawing
  RECT r;
  GetWindowRect(w, &r);
  char tmp[MAX_PATH + 8];
  snprintf(tmp, sizeof tmp, "%s.tmp", g_rectFile);
  if (FILE* f = fopen(tmp, "wb")) {
    fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    fclose(f);
    MoveFileExA(tmp, g_rectFile, MOVEFILE_REPLACE_EXISTING);
  }
  for (int i = 0; i < 600 && GetFileAttributesA(g_rectFile) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
}

// Waits for this thread's window, publishes it, then ends it with `finish`.
template <class Finish>
std::thread driver(bool details, Finish finish) {
  DWORD self = GetCurrentThreadId();
  return std::thread([=] {
    HWND w = ui::WaitForWindow(self, nullptr, 10000);
    if (w && details) ui::Click(w, IDC_PROG_DETAILS);
    if (w) publish(w);
    finish(w, self);
  });
}

void closeWindow(HWND w, DWORD) {
  if (w) PostMessageA(w, WM_CLOSE, 0, 0);
}
void quitLoop(HWND, DWORD thread) { PostThreadMessageA(thread, WM_QUIT, 0, 0); }

void runLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) VQ_DispatchMessage(msg);
}

int progress(unsigned type, bool details) {
  void* h = VQPROG_Create();
  VQPROG_Open(h, type);
  if (type == 1) {
    VQPROG_FileSetTitle(h, "ftp.example.org");
    VQPROG_CnctSetStatus(h, "Connected to 127.0.0.1, waiting for the welcome message...");
    VQPROG_CnctSetAttempts(h, 2, 5);
    VQPROG_CnctSetLastError(h, "Connection refused by the server (10061).");
  } else if (type == 4) {
    VQPROG_FileSetTitle(h, "Deleting from ftp.example.org");
    VQPROG_JobSetTotalFiles(h, 12);
    VQPROG_JobSetCurrentFile(h, 5);
    VQPROG_FileSetSource(h, "/pub/archive/2026/old-release-notes.txt");
  } else {
    VQPROG_JobSetTotalFiles(h, 4);
    VQPROG_JobSetCurrentFile(h, 2);
    VQPROG_JobSetTotalBytes(h, 9876543);
    VQPROG_FileSetSource(h, "/pub/releases/farhollow-setup.exe");
    VQPROG_FileSetDest(h, "C:\\Downloads\\farhollow-setup.exe");
    VQPROG_FileTimerStart(h);
    VQPROG_JobTimerStart(h);
    VQPROG_FileSetTotalBytes(h, 3456789);
    VQPROG_FileSetCurrentBytes(h, 1234567);
  }
  std::thread d = driver(details, quitLoop);
  runLoop();
  d.join();
  VQPROG_Close(h);
  VQPROG_Destroy(h);
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: ui_showcase about|login|xfer|xfer-details|cnct|cnct-details|del|msgbox <rect file>\n");
    return 2;
  }
  const char* what = argv[1];
  g_rectFile = argv[2];
  if (!strcmp(what, "about")) {
    std::thread d = driver(false, closeWindow);
    vqAbout::DoAbout(vqToolsModule());
    d.join();
  } else if (!strcmp(what, "login")) {
    dlgLogin login("ftp.example.org", "anonymous", "guest@example.org", "");
    std::thread d = driver(false, closeWindow);
    login.DoModal();
    d.join();
  } else if (!strcmp(what, "msgbox")) {
    std::thread d = driver(false, [](HWND w, DWORD) {
      if (w) ui::Click(w, IDNO);
    });
    VQ_MSG("The file 'farhollow-setup.exe' already exists.\n\nDo you want to replace it?",
           MB_YESNO | MB_ICONEXCLAMATION);
    d.join();
  } else {
    struct {
      const char* name;
      unsigned type;
      bool details;
    } shots[] = {{"xfer", 2, false},
                 {"xfer-details", 2, true},
                 {"cnct", 1, false},
                 {"cnct-details", 1, true},
                 {"del", 4, false}};
    for (auto& s : shots)
      if (!strcmp(what, s.name)) return progress(s.type, s.details);
    fprintf(stderr, "unknown window '%s'\n", what);
    return 2;
  }
  return 0;
}
