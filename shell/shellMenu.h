// The context menu and property-sheet object the folder hands out for a selection of its items:
// the menu resource of the first item's kind, numbered into the shell's menu, with every command
// enabled or grayed by the enable rule; invoking a position or a verb runs the command.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "shellCommands.h"
#include "vqComObject.h"
#include "vqItemIdList.h"

class shellMenu : public vqComObject, public IContextMenu, public IShellPropSheetExt {
  static const vqInterfaceEntry kTable[];

 public:
  // folder: absolute list of the folder; items: its children the menu concerns.
  shellMenu(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items);
  VQ_COM_IUNKNOWN(kTable)
  static HRESULT Create(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items, REFIID riid,
                        void** out);

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT last, UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  STDMETHODIMP GetCommandString(UINT_PTR id, UINT flags, UINT* reserved, LPSTR name, UINT max) override;

  // IShellPropSheetExt: the remote object page for remote items.
  STDMETHODIMP AddPages(LPFNSVADDPROPSHEETPAGE add, LPARAM data) override;
  STDMETHODIMP ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }

  // The browser of the view that shows the menu (tests and the view hand theirs in).
  void SetBrowser(IShellBrowser* browser) { m_browser = browser; }
  // Entries of the menu resource as numbered for the shell; a numbering that could not be made
  // when the menu was created is made on first use, so positions and commands always agree.
  const std::vector<shellMenuEntry>& Entries();

 private:
  int Kind() const;
  std::vector<LPCITEMIDLIST> Items() const;

  HWND m_owner;
  vqItemIdList m_folder;
  std::vector<vqItemIdList> m_items;
  std::vector<shellMenuEntry> m_entries;
  shellContext m_context;  // of the last query; a selection until then
  IShellBrowser* m_browser;
};
