// The one object through which the shell sees the namespace: the folder it binds to (root,
// category, site, remote folder), the folder handed out for a child, and the icon object of a
// selection. Every role is one absolute item-ID list.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "shellPidl.h"
#include "vqComPtr.h"
#include "vqComObject.h"

class shellFolder : public vqComObject,
                    public IShellFolder,
                    public IPersistFolder2,
                    public IShellIcon,
                    public IExtractIconA,
                    public IExtractIconW,
                    public IDataObject,
                    public IShellExtInit,
                    public IDropSource,
                    public IDropTarget,
                    public ICopyHookA {
  static const vqInterfaceEntry kTable[];

 public:
  shellFolder();
  VQ_COM_IUNKNOWN(kTable)

  // IPersist, IPersistFolder, IPersistFolder2
  STDMETHODIMP GetClassID(CLSID* out) override;
  STDMETHODIMP Initialize(LPCITEMIDLIST list) override;
  STDMETHODIMP GetCurFolder(LPITEMIDLIST* out) override;

  // IShellFolder
  STDMETHODIMP ParseDisplayName(HWND, LPBC, LPOLESTR, ULONG*, LPITEMIDLIST* out, ULONG*) override;
  STDMETHODIMP EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** out) override;
  STDMETHODIMP BindToObject(LPCITEMIDLIST child, LPBC, REFIID riid, void** out) override;
  STDMETHODIMP BindToStorage(LPCITEMIDLIST, LPBC, REFIID, void** out) override;
  STDMETHODIMP CompareIDs(LPARAM column, LPCITEMIDLIST a, LPCITEMIDLIST b) override;
  STDMETHODIMP CreateViewObject(HWND owner, REFIID riid, void** out) override;
  STDMETHODIMP GetAttributesOf(UINT count, LPCITEMIDLIST* items, SFGAOF* inOut) override;
  STDMETHODIMP GetUIObjectOf(HWND owner, UINT count, LPCITEMIDLIST* items, REFIID riid, UINT*, void** out) override;
  STDMETHODIMP GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF flags, STRRET* out) override;
  STDMETHODIMP SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST* out) override;

  // IShellIcon
  STDMETHODIMP GetIconOf(LPCITEMIDLIST item, UINT flags, int* index) override;

  // IExtractIconA and its wide twin; both hand out this module's file and the item's icon index.
  STDMETHODIMP GetIconLocation(UINT flags, LPSTR file, UINT max, int* index, UINT* outFlags) override;
  STDMETHODIMP Extract(LPCSTR file, UINT index, HICON* large, HICON* small, UINT size) override;
  STDMETHODIMP GetIconLocation(UINT flags, LPWSTR file, UINT max, int* index, UINT* outFlags) override;
  STDMETHODIMP Extract(LPCWSTR file, UINT index, HICON* large, HICON* small, UINT size) override;

  // IDataObject of a selection: its items ("Shell IDList Array", the kind format) and the cache
  // directory as the dropped file.
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  // IShellExtInit: keeps the shell's data object for the property sheet and menu.
  STDMETHODIMP Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY key) override;
  // IDropSource of a drag out of a view.
  STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override;
  STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

  // IDropTarget of this folder: what it accepts by its kind, the effect by the keys, and the drop
  // (see shellDrop.h). The right-button state is kept from DragEnter and DragOver.
  STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
  STDMETHODIMP DragOver(DWORD keys, POINTL at, DWORD* effect) override;
  STDMETHODIMP DragLeave() override;
  STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

  // ICopyHookA: the shell's copy of our placeholder folder becomes a download.
  STDMETHODIMP_(UINT)
  CopyCallback(HWND owner, UINT func, UINT flags, LPCSTR source, DWORD sourceAttributes, LPCSTR destination,
               DWORD destinationAttributes) override;

 private:
  enum { kRoleFolder = 0, kRoleSelection = 3 };
  HRESULT Child(LPCITEMIDLIST child, REFIID riid, void** out, UINT count = 0, LPCITEMIDLIST* items = nullptr);

  shellPidl m_pidl;
  bool m_initialized;
  int m_role;
  // The selection's items one after another, ended by a 16-bit zero, and their parent's list.
  std::vector<BYTE> m_selection;
  std::vector<std::vector<BYTE>> m_itemLists;  // each selected item as a list of its own
  std::vector<LPCITEMIDLIST> m_selected;
  std::vector<BYTE> m_parent;
  // The selection's plain files as the shell's virtual files: descriptor i is item m_fileItems[i].
  HGLOBAL FileDescriptors() const;
  std::vector<size_t> m_fileItems;
  std::vector<FORMATETC> m_formats;
  vqComPtr<IDataObject> m_extData;
};
