// The folder view the shell shows in its right pane: the COM side (IShellView) of a folder's
// window. The window itself, its list and menus are dlgShellView's; this object keeps the folder,
// the shell browser and the activation state, and lives from CreateViewObject to its last Release.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "dlgShellView.h"
#include "vqComObject.h"
#include "vqComPtr.h"
#include "vqItemIdList.h"

class shellView : public vqComObject, public IShellView {
  static const vqInterfaceEntry kTable[];

 public:
  // folder: the folder object shown (one reference kept); list: its absolute list.
  shellView(IShellFolder* folder, LPCITEMIDLIST list);
  ~shellView() override;
  VQ_COM_IUNKNOWN(kTable)

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IShellView
  STDMETHODIMP TranslateAccelerator(MSG* msg) override;
  STDMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP UIActivate(UINT state) override;
  STDMETHODIMP Refresh() override;
  STDMETHODIMP CreateViewWindow(IShellView* previous, LPCFOLDERSETTINGS settings, IShellBrowser* browser, RECT* rect,
                                HWND* out) override;
  STDMETHODIMP DestroyViewWindow() override;
  STDMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS out) override;
  STDMETHODIMP AddPropertySheetPages(DWORD, LPFNADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
  STDMETHODIMP SaveViewState() override;
  STDMETHODIMP SelectItem(LPCITEMIDLIST item, UINT flags) override;
  STDMETHODIMP GetItemObject(UINT what, REFIID riid, void** out) override;

 private:
  vqComPtr<IShellFolder> m_folder;
  vqItemIdList m_list;
  vqComPtr<IShellBrowser> m_browser;
  dlgShellView m_dialog;
};
