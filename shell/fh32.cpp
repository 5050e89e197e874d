// The module's exports: the class object, unloading, and registration for regsvr32 and the setup.
#include <windows.h>
#include <olectl.h>

#include "shellApp.h"
#include "shellFactory.h"

namespace {
const char kSource[] = "fh32";
}

// Only the module handle is kept here: settings, logging and everything else wait for the
// first object, since the loader lock is held now.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    shellApp::SetModule(module);
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_Farhollow)) return CLASS_E_CLASSNOTAVAILABLE;
  VQ_TRY
    if (!shellApp::Get().NetworkReady()) return CLASS_E_CLASSNOTAVAILABLE;  // told to the user at start-up
    HRESULT hr = vqCreateInstance<shellFactory>(riid, out);
    if (hr == E_OUTOFMEMORY)
      shellApp::Get().Log(1, "Internal memory error in DllGetClassObject(). unable to create a new class factory.");
    return hr;
  VQ_CATCH_COM(kSource)
}

STDAPI DllCanUnloadNow() {
  VQ_TRY
    shellApp& app = shellApp::Get();
    if (!app.CanUnload()) return S_FALSE;
    app.Log(1, "FH32: Unloading DLL!");
    return S_OK;
  VQ_CATCH(kSource, S_FALSE)
}

STDAPI DllRegisterServer() { return shellApp::Get().Register(); }

STDAPI DllUnregisterServer() { return shellApp::Get().Unregister(); }
