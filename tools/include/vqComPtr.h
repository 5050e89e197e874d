// A counted reference to a COM interface: released when it goes, AddRef'd when copied.
//
//   vqComPtr<IShellFolder> desktop;
//   SHGetDesktopFolder(desktop.Put());
//   vqComPtr<IPersistFolder> persist;
//   if (SUCCEEDED(desktop.As(persist))) ...
#pragma once
#include <windows.h>
#include <unknwn.h>

template <class T>
class vqComPtr {
 public:
  vqComPtr() : m_p(nullptr) {}
  // Takes a new reference to p.
  explicit vqComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  vqComPtr(const vqComPtr& o) : vqComPtr(o.m_p) {}
  vqComPtr(vqComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
  ~vqComPtr() { Reset(); }
  vqComPtr& operator=(const vqComPtr& o) {
    if (o.m_p) o.m_p->AddRef();
    Reset();
    m_p = o.m_p;
    return *this;
  }
  vqComPtr& operator=(vqComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      m_p = o.m_p;
      o.m_p = nullptr;
    }
    return *this;
  }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // For out parameters: drops the present reference and hands out the slot.
  T** Put() {
    Reset();
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  // Takes over a reference the caller already owns.
  void Attach(T* p) {
    Reset();
    m_p = p;
  }
  T* Detach() {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }
  void Reset() {
    T* p = m_p;
    m_p = nullptr;
    if (p) p->Release();
  }
  template <class U>
  HRESULT As(vqComPtr<U>& out) const {
    if (!m_p) {
      out.Reset();
      return E_POINTER;
    }
    return m_p->QueryInterface(__uuidof(U), out.PutVoid());
  }

 private:
  T* m_p;
};
