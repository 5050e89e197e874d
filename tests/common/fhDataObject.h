// A data object of the tests: any formats, each a block of global memory, as another program's
// drag or clipboard would hand them over.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "vqComPtr.h"

namespace fhtest {

class TestData : public IDataObject {
 public:
  virtual ~TestData() {}
  void Put(UINT format, const std::string& bytes) { m_blocks[format] = bytes; }
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&m_refs);
    if (!n) delete this;
    return n;
  }
  STDMETHODIMP GetData(FORMATETC* f, STGMEDIUM* m) override {
    auto it = m_blocks.find(f->cfFormat);
    if (it == m_blocks.end() || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, it->second.size() + 1);
    memcpy(GlobalLock(mem), it->second.data(), it->second.size());
    GlobalUnlock(mem);
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = mem;
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* f) override {
    return m_blocks.count(f->cfFormat) && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC* f, STGMEDIUM* m, BOOL release) override {
    std::string bytes(static_cast<const char*>(GlobalLock(m->hGlobal)), GlobalSize(m->hGlobal));
    GlobalUnlock(m->hGlobal);
    m_blocks[f->cfFormat] = bytes;
    if (release) ReleaseStgMedium(m);
    return S_OK;
  }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  std::map<UINT, std::string> m_blocks;

 private:
  LONG m_refs = 1;
};

inline vqComPtr<IDataObject> adopt(TestData* d) {
  vqComPtr<IDataObject> p;
  p.Attach(d);
  return p;
}

// CF_HDROP with wide names, as the system's file windows make it.
inline std::string wideHdrop(const std::vector<std::wstring>& files) {
  DROPFILES head = {};
  head.pFiles = sizeof head;
  head.fWide = TRUE;
  std::string out(reinterpret_cast<const char*>(&head), sizeof head);
  for (const std::wstring& f : files)
    out.append(reinterpret_cast<const char*>(f.c_str()), (f.size() + 1) * sizeof(wchar_t));
  return out.append(sizeof(wchar_t), '\0');
}

}  // namespace fhtest
