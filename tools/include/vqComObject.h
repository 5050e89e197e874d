// Ground for the extension's COM objects: the module's object count, an interface table for
// QueryInterface, an interlocked reference count, one creation path and the catch-all that turns
// a fault into E_OUTOFMEMORY.
//
//   class shellThing : public vqComObject, public IDropSource, public IDropTarget {
//     static const vqInterfaceEntry kTable[];  // { VQ_INTERFACE(shellThing, IDropSource), ..., {} }
//    public:
//     VQ_COM_IUNKNOWN(kTable)
//   };
//   HRESULT hr = vqCreateInstance<shellThing>(riid, ppv, &g_module);
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <new>
#include <utility>

#include "vqCatch.h"

// Live objects and server locks of one module: DllCanUnloadNow answers from it.
class vqModuleCount {
 public:
  vqModuleCount() : m_count(0) {}
  vqModuleCount(const vqModuleCount&) = delete;
  vqModuleCount& operator=(const vqModuleCount&) = delete;
  void Lock() { InterlockedIncrement(&m_count); }
  // Never below zero: a stray unlock (LockServer(FALSE) without TRUE) must not hide live objects.
  void Unlock() {
    LONG seen = m_count;
    while (seen > 0) {
      LONG was = InterlockedCompareExchange(&m_count, seen - 1, seen);
      if (was == seen) return;
      seen = was;
    }
  }
  LONG Count() const { return m_count; }

 private:
  volatile LONG m_count;
};

// One row per interface: its identifier and where the interface sits in the object.
// The table ends with an empty row; its first row also answers IID_IUnknown.
struct vqInterfaceEntry {
  const IID* iid;
  ptrdiff_t offset;
};
#define VQ_INTERFACE(Class, Iface)                                                                               \
  {                                                                                                              \
    &IID_##Iface,                                                                                                \
        reinterpret_cast<char*>(static_cast<Iface*>(reinterpret_cast<Class*>(64))) - reinterpret_cast<char*>(64) \
  }
// An interface reached through one of two bases that both derive from it (IExtractIconW beside A).
#define VQ_INTERFACE_AS(Class, Iid, Iface) \
  { &Iid, reinterpret_cast<char*>(static_cast<Iface*>(reinterpret_cast<Class*>(64))) - reinterpret_cast<char*>(64) }

class vqComObject {
 public:
  LONG RefCount() const { return m_refs; }

 protected:
  // Born with no reference: the creator's first QueryInterface or AddRef makes it 1.
  explicit vqComObject(vqModuleCount* module) : m_refs(0), m_module(module) {
    if (m_module) m_module->Lock();
  }
  virtual ~vqComObject() {
    if (m_module) m_module->Unlock();
  }
  vqComObject(const vqComObject&) = delete;
  vqComObject& operator=(const vqComObject&) = delete;

  HRESULT InternalQueryInterface(void* self, const vqInterfaceEntry* table, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const vqInterfaceEntry* e = table; e && e->iid; ++e) {
      if (IsEqualIID(riid, *e->iid) || (e == table && IsEqualIID(riid, IID_IUnknown))) {
        IUnknown* unk = reinterpret_cast<IUnknown*>(static_cast<char*>(self) + e->offset);
        unk->AddRef();
        *ppv = unk;
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
  // A release below zero is ignored; the object deletes itself when the count reaches zero.
  ULONG InternalRelease() {
    LONG seen = m_refs;
    while (seen > 0) {
      LONG was = InterlockedCompareExchange(&m_refs, seen - 1, seen);
      if (was == seen) {
        if (seen == 1) delete this;
        return static_cast<ULONG>(seen - 1);
      }
      seen = was;
    }
    return 0;
  }

 private:
  volatile LONG m_refs;
  vqModuleCount* m_module;
};

// The IUnknown of a class with an interface table; every interface's slots lead here.
#define VQ_COM_IUNKNOWN(table)                                        \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {     \
    return InternalQueryInterface(this, table, riid, ppv);            \
  }                                                                   \
  STDMETHODIMP_(ULONG) AddRef() override { return InternalAddRef(); } \
  STDMETHODIMP_(ULONG) Release() override { return InternalRelease(); }

// The catch-all of a COM method: a fault is reported with the source name and line, and the
// method answers E_OUTOFMEMORY.
#define VQ_CATCH_COM(source) \
  VQ_CATCH                   \
  (source, E_OUTOFMEMORY)

// Makes an object, asks it for riid and drops the creator's reference, so a refused interface
// leaves nothing behind. *ppv is cleared first.
template <class T, class... Args>
HRESULT vqCreateInstance(REFIID riid, void** ppv, Args&&... args) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  VQ_TRY
    T* obj = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!obj) return E_OUTOFMEMORY;
    obj->AddRef();
    HRESULT hr = obj->QueryInterface(riid, ppv);
    obj->Release();
    return hr;
  VQ_CATCH_COM("vqComObject")
}
