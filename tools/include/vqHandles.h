// Owning wrappers for Win32 handles: each closes its handle in the destructor and cannot be
// copied, so an early return or a caught fault never leaks one. Window wrappers (vqWnd) do not
// own their window; these do.
#pragma once
#include <windows.h>

template <class T, T Invalid, class Closer>
class vqOwnedHandle {
 public:
  vqOwnedHandle() : m_h(Invalid) {}
  explicit vqOwnedHandle(T h) : m_h(h) {}
  ~vqOwnedHandle() { Close(); }
  vqOwnedHandle(const vqOwnedHandle&) = delete;
  vqOwnedHandle& operator=(const vqOwnedHandle&) = delete;
  vqOwnedHandle(vqOwnedHandle&& o) noexcept : m_h(o.Release()) {}
  vqOwnedHandle& operator=(vqOwnedHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }

  T Get() const { return m_h; }
  operator T() const { return m_h; }
  bool IsValid() const { return m_h != Invalid; }
  T Release() {
    T h = m_h;
    m_h = Invalid;
    return h;
  }
  void Reset(T h = Invalid) {
    Close();
    m_h = h;
  }
  void Close() {
    if (m_h != Invalid) Closer()(m_h);
    m_h = Invalid;
  }

 private:
  T m_h;
};

struct vqCloseKernel {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
struct vqCloseFind {
  void operator()(HANDLE h) const { FindClose(h); }
};
struct vqCloseKey {
  void operator()(HKEY h) const { RegCloseKey(h); }
};
struct vqCloseGdi {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct vqCloseIcon {
  void operator()(HICON h) const { DestroyIcon(h); }
};
struct vqCloseLibrary {
  void operator()(HMODULE h) const { FreeLibrary(h); }
};

// Events, semaphores, threads, mutexes: null when empty.
typedef vqOwnedHandle<HANDLE, nullptr, vqCloseKernel> vqHandle;
// CreateFile: INVALID_HANDLE_VALUE when empty. The casts below are what the API defines.
struct vqFileHandle : vqOwnedHandle<HANDLE, nullptr, vqCloseKernel> {
  vqFileHandle() = default;
  explicit vqFileHandle(HANDLE h) : vqOwnedHandle(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
struct vqFindHandle : vqOwnedHandle<HANDLE, nullptr, vqCloseFind> {
  vqFindHandle() = default;
  explicit vqFindHandle(HANDLE h) : vqOwnedHandle(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
typedef vqOwnedHandle<HKEY, nullptr, vqCloseKey> vqKeyHandle;
typedef vqOwnedHandle<HGDIOBJ, nullptr, vqCloseGdi> vqGdiHandle;
typedef vqOwnedHandle<HICON, nullptr, vqCloseIcon> vqIconHandle;
typedef vqOwnedHandle<HMODULE, nullptr, vqCloseLibrary> vqLibraryHandle;
