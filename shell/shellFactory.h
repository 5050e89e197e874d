// The class factory of the namespace's one class: makes folder objects.
#pragma once
#include <windows.h>

#include "vqComObject.h"

class shellFactory : public vqComObject, public IClassFactory {
  static const vqInterfaceEntry kTable[];

 public:
  shellFactory();
  VQ_COM_IUNKNOWN(kTable)
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;
};
