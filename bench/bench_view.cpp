// Opening a large remote folder in the folder view, hosted in a small shell browser: from the
// view's fill request to the filled, sorted list (the status text), each run listing the server
// again. The module is loaded from its file and reached through its class factory.
//
//   bench_view <fh32.dll> <port> <folder below the site root> <runs>
// Prints one line per run ("run N: items, ms") and the median.
#include <windows.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell_browser.h"
#include "shell_lists.h"
#include "vqSiteParams.h"

namespace {
const CLSID kFarhollow = {0x5E0C7A31, 0, 0, {0, 2, 0, 0, 7, 0x31, 4, 0x12}};
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: bench_view <fh32.dll> <port> <folder> <runs>\n");
    return 2;
  }
  int runs = atoi(argv[4]);
  OleInitialize(nullptr);
  vqSiteParams site(2);
  site.SITE_InitParams(1, nullptr);
  site.SetURL("127.0.0.1");
  site.SetURLPort(static_cast<unsigned short>(atoi(argv[2])));
  site.SetIsAnonymous(1);
  site.SetUsername("anonymous");
  site.SetRetryCount(0);
  site.SetTimeout(60);
  if (!site.SITE_SaveParams("FTP-Sites", "Bench")) return 1;

  HMODULE module = LoadLibraryA(argv[1]);
  typedef HRESULT(WINAPI * GetClassFn)(REFCLSID, REFIID, void**);
  GetClassFn getClass = nullptr;
  if (module) {
    FARPROC proc = GetProcAddress(module, "DllGetClassObject");
    memcpy(&getClass, &proc, sizeof getClass);
  }
  IClassFactory* factory = nullptr;
  if (!getClass || FAILED(getClass(kFarhollow, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    fprintf(stderr, "bench_view: cannot load %s\n", argv[1]);
    return 1;
  }
  shelltest::List list = shelltest::List().foreign(20).own(VQ_KIND_FTPSITE, "Bench");
  std::string path = argv[3];
  for (size_t at = 0; at < path.size();) {
    size_t slash = path.find('/', at);
    std::string part = path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    if (!part.empty()) list.own(VQ_KIND_FOLDER, part.c_str());
    at = slash == std::string::npos ? path.size() : slash + 1;
  }
  IPersistFolder* persist = nullptr;
  IShellFolder* folder = nullptr;
  IShellView* view = nullptr;
  factory->CreateInstance(nullptr, IID_IPersistFolder, reinterpret_cast<void**>(&persist));
  if (!persist || FAILED(persist->Initialize(list.get())) ||
      FAILED(persist->QueryInterface(IID_IShellFolder, reinterpret_cast<void**>(&folder))) ||
      FAILED(folder->CreateViewObject(nullptr, IID_IShellView, reinterpret_cast<void**>(&view)))) {
    fprintf(stderr, "bench_view: no view\n");
    return 1;
  }
  shelltest::TestBrowser browser;
  FOLDERSETTINGS fs = {FVM_DETAILS, 0};
  RECT r = {0, 0, 800, 600};
  HWND window = nullptr;
  if (view->CreateViewWindow(nullptr, &fs, &browser, &r, &window) != S_OK) return 1;
  // The first fill also connects; it is not counted.
  shelltest::PumpUntil([&] { return browser.statusCount > 0; }, 120000);
  HWND listCtrl = GetDlgItem(window, 3169);
  std::vector<double> times;
  for (int run = 1; run <= runs; ++run) {
    int before = browser.statusCount;
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    view->Refresh();  // drops the cached listing and lists the folder again
    shelltest::PumpUntil([&] { return browser.statusCount > before; }, 120000);
    QueryPerformanceCounter(&b);
    double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
    times.push_back(ms);
    printf("run %d: %ld items, %.0f ms\n", run, static_cast<long>(SendMessageA(listCtrl, LVM_GETITEMCOUNT, 0, 0)), ms);
  }
  std::sort(times.begin(), times.end());
  printf("median %.0f ms\n", times.empty() ? 0.0 : times[times.size() / 2]);
  view->DestroyViewWindow();
  view->Release();
  folder->Release();
  persist->Release();
  factory->Release();
  site.SITE_Delete("FTP-Sites", "Bench");
  return 0;
}
