#include "shellMenu.h"

#include <shellapi.h>
#include <string.h>

#include "dlgObjPropSheet.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellItems.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "shellMenu";

// The entries of a menu resource: top-level ones by position, then the popups' commands.
std::vector<shellMenuEntry> numberMenu(HMENU menu) {
  std::vector<shellMenuEntry> out;
  int top = GetMenuItemCount(menu);
  int next = top;
  for (int p = 0; p < top; ++p) {
    HMENU popup = GetSubMenu(menu, p);
    UINT id = GetMenuItemID(menu, p);
    out.push_back({p, popup || id == 0xFFFFFFFF ? 0 : static_cast<int>(id), 0});
    if (!popup) continue;
    for (int k = 0, n = GetMenuItemCount(popup); k < n; ++k) {
      UINT sub = GetMenuItemID(popup, k);
      if (sub && sub != 0xFFFFFFFF) out.push_back({next++, static_cast<int>(sub), 1});
    }
  }
  return out;
}

int positionOf(const std::vector<shellMenuEntry>& entries, int command) {
  return shellPositionOfCommand(entries.data(), static_cast<int>(entries.size()), command);
}
}  // namespace

const vqInterfaceEntry shellMenu::kTable[] = {
    VQ_INTERFACE(shellMenu, IContextMenu), VQ_INTERFACE(shellMenu, IShellPropSheetExt), {}};

shellMenu::shellMenu(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items)
    : vqComObject(&shellApp::Get().Objects()),
      m_owner(owner),
      m_folder(vqItemIdList::CopyOf(folder)),
      m_context(SHELL_CTX_SELECTION),
      m_browser(nullptr) {
  for (UINT i = 0; i < count; ++i)
    if (items && items[i]) m_items.push_back(vqItemIdList::CopyOf(items[i]));
  Entries();
}

const std::vector<shellMenuEntry>& shellMenu::Entries() {
  if (m_entries.empty()) {
    HMENU menu = LoadMenuA(shellApp::Module(), MAKEINTRESOURCEA(shellContextMenuId(Kind())));
    if (menu) {
      m_entries = numberMenu(menu);
      DestroyMenu(menu);
    }
  }
  return m_entries;
}

HRESULT shellMenu::Create(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items, REFIID riid,
                          void** out) {
  VQ_TRY
    shellMenu* menu = new shellMenu(owner, folder, count, items);
    menu->AddRef();
    HRESULT hr = menu->QueryInterface(riid, out);
    menu->Release();
    return hr;
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}

int shellMenu::Kind() const {
  return shellItemKind(m_items.empty() ? VQPIDL_Last(m_folder.Get()) : VQPIDL_Last(m_items[0].Get()));
}

std::vector<LPCITEMIDLIST> shellMenu::Items() const {
  std::vector<LPCITEMIDLIST> out;
  for (auto& it : m_items) out.push_back(it.Get());
  return out;
}

STDMETHODIMP shellMenu::QueryContextMenu(HMENU target, UINT index, UINT first, UINT last, UINT flags) {
  VQ_TRY
    m_context = (flags & 0xFFFF0000u) ? SHELL_CTX_SELECTION : SHELL_CTX_FOLDER;
    // Without the numbering the shell's positions would name the wrong commands.
    const std::vector<shellMenuEntry>& entries = Entries();
    HMENU menu =
        entries.empty() ? nullptr : LoadMenuA(shellApp::Module(), MAKEINTRESOURCEA(shellContextMenuId(Kind())));
    if (!menu) return E_FAIL;
    std::vector<LPCITEMIDLIST> items = Items();
    shellCommand command(m_owner, m_folder.Get(), static_cast<UINT>(items.size()), items.data());
    int top = GetMenuItemCount(menu);
    int used = 0;
    UINT at = index;
    for (int p = 0; p < top; ++p) {
      HMENU popup = GetSubMenu(menu, p);
      UINT id = GetMenuItemID(menu, p);
      char text[256] = "";
      GetMenuStringA(menu, static_cast<UINT>(p), text, sizeof text, MF_BYPOSITION);
      MENUITEMINFOA mi = {};
      mi.cbSize = sizeof mi;
      if (popup) {
        // The popup goes over whole, its commands numbered after the top-level entries.
        HMENU copy = CreatePopupMenu();
        for (int k = 0, n = GetMenuItemCount(popup); k < n; ++k) {
          UINT sub = GetMenuItemID(popup, k);
          char subText[256] = "";
          GetMenuStringA(popup, static_cast<UINT>(k), subText, sizeof subText, MF_BYPOSITION);
          int position = positionOf(entries, static_cast<int>(sub));
          if (sub == 0 || sub == 0xFFFFFFFF || position < 0) {
            AppendMenuA(copy, MF_SEPARATOR, 0, nullptr);
            continue;
          }
          UINT cmd = first + static_cast<UINT>(position);
          if (cmd > last) continue;
          bool on = command.Enabled(static_cast<int>(sub), m_context);
          AppendMenuA(copy, MF_STRING | (on ? MF_ENABLED : MF_GRAYED), cmd, subText);
          if (position + 1 > used) used = position + 1;
        }
        mi.fMask = MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        mi.fType = MFT_STRING;
        mi.hSubMenu = copy;
        mi.dwTypeData = text;
      } else if (id == 0 || id == 0xFFFFFFFF) {
        mi.fMask = MIIM_FTYPE;
        mi.fType = MFT_SEPARATOR;
      } else {
        UINT cmd = first + static_cast<UINT>(p);
        if (cmd > last) continue;
        mi.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        mi.fType = MFT_STRING;
        mi.wID = cmd;
        mi.fState = command.Enabled(static_cast<int>(id), m_context) ? MFS_ENABLED : MFS_GRAYED;
        mi.dwTypeData = text;
        if (p + 1 > used) used = p + 1;
      }
      InsertMenuItemA(target, at++, TRUE, &mi);
    }
    DestroyMenu(menu);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(used));
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}

STDMETHODIMP shellMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info) return E_INVALIDARG;
  VQ_TRY
    int command = 0;
    shellContext context = m_context;
    const CMINVOKECOMMANDINFOEX* ex =
        info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) ? reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info) : nullptr;
    if (ex && (ex->fMask & CMIC_MASK_UNICODE) && HIWORD(ex->lpVerbW)) {
      char verb[64] = "";
      WideCharToMultiByte(CP_ACP, 0, ex->lpVerbW, -1, verb, sizeof verb, nullptr, nullptr);
      command = shellCommandFromVerb(verb);
      context = SHELL_CTX_SELECTION;
    } else if (HIWORD(info->lpVerb)) {
      command = shellCommandFromVerb(info->lpVerb);
      context = SHELL_CTX_SELECTION;
    } else {
      const std::vector<shellMenuEntry>& entries = Entries();
      if (entries.empty()) return E_FAIL;
      command = shellCommandAtPosition(entries.data(), static_cast<int>(entries.size()), LOWORD(info->lpVerb));
    }
    if (!command) return E_INVALIDARG;
    std::vector<LPCITEMIDLIST> items = Items();
    shellCommand run(info->hwnd ? info->hwnd : m_owner, m_folder.Get(), static_cast<UINT>(items.size()), items.data());
    run.SetBrowser(m_browser);
    return run.Run(command, context);
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}

STDMETHODIMP shellMenu::GetCommandString(UINT_PTR id, UINT flags, UINT*, LPSTR name, UINT max) {
  VQ_TRY
    const std::vector<shellMenuEntry>& entries = Entries();
    int command = shellCommandAtPosition(entries.data(), static_cast<int>(entries.size()), static_cast<int>(id));
    if (positionOf(entries, command) < 0) return E_INVALIDARG;
    if (flags == GCS_VALIDATEA || flags == GCS_VALIDATEW) return S_OK;
    const char* text = nullptr;
    if (flags == GCS_HELPTEXTA || flags == GCS_HELPTEXTW)
      text = VQ_TEXT(shellApp::Module(), static_cast<unsigned>(command));
    else if (flags == GCS_VERBA || flags == GCS_VERBW)
      text = shellVerbOfCommand(command);
    if (!text || !name || !max) return E_NOTIMPL;
    if (flags & GCS_UNICODE) {
      if (!MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(name), static_cast<int>(max)))
        reinterpret_cast<LPWSTR>(name)[max - 1] = 0;
    } else {
      lstrcpynA(name, text, static_cast<int>(max));
    }
    return S_OK;
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}

STDMETHODIMP shellMenu::AddPages(LPFNSVADDPROPSHEETPAGE add, LPARAM data) {
  if (!add) return E_INVALIDARG;
  VQ_TRY
    if (!shellIsRemoteKind(Kind())) return S_OK;
    std::vector<LPCITEMIDLIST> items = Items();
    auto* page = new dlgObjPropSingle(m_folder.Get(), static_cast<UINT>(items.size()), items.data(), true);
    HPROPSHEETPAGE handle = page->CreatePage();
    if (!handle) {
      delete page;
      return E_FAIL;
    }
    if (!add(handle, data)) {
      DestroyPropertySheetPage(handle);
      delete page;
      return E_FAIL;
    }
    return S_OK;
  VQ_CATCH(kSource, E_OUTOFMEMORY)
}
