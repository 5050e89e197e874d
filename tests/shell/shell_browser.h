// A small shell browser for hosting the extension's folder view in tests: a frame window, the
// shared menu with the browser's File, Edit, View and Help popups, the status text and the
// folders it was asked to browse to.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace shelltest {

class TestBrowser : public IShellBrowser {
 public:
  TestBrowser() : m_refs(1), m_menu(nullptr), m_menuWindow(nullptr) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FhTestBrowser";
    RegisterClassA(&wc);
    m_frame = CreateWindowExA(0, "FhTestBrowser", "Test browser", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                              0, 900, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  virtual ~TestBrowser() {
    DestroyWindow(m_frame);
    for (LPITEMIDLIST l : browsed) CoTaskMemFree(l);
  }
  HWND Frame() const { return m_frame; }
  HMENU Menu() const { return m_menu; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IShellBrowser) {
      *out = static_cast<IShellBrowser*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
  STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&m_refs); }  // owned by the test
  LONG Refs() const { return m_refs; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* out) override {
    *out = m_frame;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IShellBrowser
  STDMETHODIMP InsertMenusSB(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override {
    const struct {
      const char* text;
      UINT id;
    } popups[] = {
        {"&File", FCIDM_MENU_FILE}, {"&Edit", FCIDM_MENU_EDIT}, {"&View", FCIDM_MENU_VIEW}, {"&Help", FCIDM_MENU_HELP}};
    for (auto& p : popups) {
      HMENU sub = CreatePopupMenu();
      if (p.id == FCIDM_MENU_FILE) AppendMenuA(sub, MF_STRING, 0xA001, "&Close");
      MENUITEMINFOA info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
      info.wID = p.id;
      info.hSubMenu = sub;
      info.dwTypeData = const_cast<char*>(p.text);
      InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
    }
    if (widths) widths->width[0] = widths->width[2] = widths->width[4] = 1;
    ++inserts;
    return S_OK;
  }
  STDMETHODIMP SetMenuSB(HMENU menu, HOLEMENU, HWND window) override {
    m_menu = menu;
    m_menuWindow = window;
    return S_OK;
  }
  STDMETHODIMP RemoveMenusSB(HMENU menu) override {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    ++removes;
    return S_OK;
  }
  STDMETHODIMP SetStatusTextSB(LPCOLESTR text) override {
    char narrow[512] = "";
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    status = narrow;
    ++statusCount;
    return S_OK;
  }
  STDMETHODIMP EnableModelessSB(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return S_FALSE; }
  STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE list, UINT flags) override {
    browsed.push_back(ILClone(list));
    browseFlags = flags;
    return S_OK;
  }
  STDMETHODIMP GetViewStateStream(DWORD, IStream** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetControlWindow(UINT, HWND* out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* out) override {
    if (out) *out = 0;
    return S_OK;
  }
  STDMETHODIMP QueryActiveShellView(IShellView** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP OnViewWindowActive(IShellView*) override {
    ++activeCalls;
    return S_OK;
  }
  STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return S_OK; }

  std::string status;
  int statusCount = 0;
  int inserts = 0, removes = 0, activeCalls = 0;
  std::vector<LPITEMIDLIST> browsed;
  UINT browseFlags = 0;

 private:
  volatile LONG m_refs;
  HWND m_frame;
  HMENU m_menu;
  HWND m_menuWindow;
};

// Dispatches this thread's messages until done() or ms pass; true when done() came true.
template <class Done>
bool PumpUntil(Done done, DWORD ms = 10000) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(5);
  }
}

}  // namespace shelltest
