#include "shellFactory.h"

#include "shellApp.h"
#include "shellFolder.h"

const vqInterfaceEntry shellFactory::kTable[] = {VQ_INTERFACE(shellFactory, IClassFactory), {}};

shellFactory::shellFactory() : vqComObject(&shellApp::Get().Objects()) {}

STDMETHODIMP shellFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return vqCreateInstance<shellFolder>(riid, out);
}

STDMETHODIMP shellFactory::LockServer(BOOL lock) {
  if (lock)
    shellApp::Get().Objects().Lock();
  else
    shellApp::Get().Objects().Unlock();
  return S_OK;
}
