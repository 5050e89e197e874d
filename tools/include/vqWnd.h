// Window base: binds one C++ object to its HWND. The object pointer lives in the window's user
// data; a static procedure forwards to short virtual handlers and catches everything, so no
// fault unwinds into USER32. The wrapper does not own the window.
#pragma once
#include <windows.h>
#include "vqToolsApi.h"

class VQTOOLS_API vqWnd {
 public:
  vqWnd();
  virtual ~vqWnd();
  vqWnd(const vqWnd&) = delete;
  vqWnd& operator=(const vqWnd&) = delete;

  HWND GetHwnd() const { return m_hWnd; }
  static vqWnd* FromHandle(HWND hwnd);

  // Registers `className` once per module with vqWnd's procedure (true when it is registered).
  static bool RegisterWindowClass(HINSTANCE module, const char* className, UINT style = 0, HBRUSH background = nullptr);
  // Creates a window of a class registered above and binds it to this object.
  HWND CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int cx, int cy,
                HWND parent, HINSTANCE module);
  void DestroyWindow();

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual void OnTimer(UINT_PTR id);
  // The window is gone after this; the object may delete itself here.
  virtual void OnFinalMessage();

  void Attach(HWND hwnd);
  void Detach();

  HWND m_hWnd;

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};
