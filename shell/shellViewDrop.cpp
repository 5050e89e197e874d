#include "shellViewDrop.h"

#include <commctrl.h>

#include "shellApp.h"
#include "shellItems.h"
#include "vqCatch.h"

namespace {
const char kSource[] = "shellViewDrop";
}

const vqInterfaceEntry shellViewDrop::kTable[] = {VQ_INTERFACE(shellViewDrop, IDropTarget), {}};

shellViewDrop::shellViewDrop(shellListCtrl* list, IShellFolder* folder)
    : vqComObject(&shellApp::Get().Objects()), m_list(list), m_folder(folder), m_row(-2), m_entered(false) {}

int shellViewDrop::RowAt(POINTL at) const {
  LVHITTESTINFO hit = {};
  hit.pt = {at.x, at.y};
  ScreenToClient(m_list->GetHwnd(), &hit.pt);
  int row = static_cast<int>(SendMessageA(m_list->GetHwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0 || !(hit.flags & LVHT_ONITEM)) return -1;
  return shellIsContainerKind(shellItemKind(m_list->Item(static_cast<size_t>(row)))) ? row : -1;
}

void shellViewDrop::Highlight(int row, bool on) {
  if (row < 0) return;
  LVITEMA state = {};
  state.stateMask = LVIS_DROPHILITED;
  state.state = on ? LVIS_DROPHILITED : 0;
  SendMessageA(m_list->GetHwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

void shellViewDrop::Reset() {
  Highlight(m_row, false);
  m_target.Reset();
  m_row = -2;
  m_entered = false;
}

bool shellViewDrop::Retarget(int row, DWORD keys, POINTL at, DWORD* effect) {
  if (row == m_row && m_target.Get()) return true;
  if (m_target.Get() && m_entered) m_target->DragLeave();
  Reset();
  if (!m_folder.Get()) return false;
  HWND owner = GetParent(m_list->GetHwnd());
  if (row >= 0) {
    LPCITEMIDLIST item = m_list->Item(static_cast<size_t>(row));
    m_folder->GetUIObjectOf(owner, 1, &item, IID_IDropTarget, nullptr, m_target.PutVoid());
  }
  if (!m_target.Get()) {
    row = -1;
    m_folder->CreateViewObject(owner, IID_IDropTarget, m_target.PutVoid());
  }
  if (!m_target.Get()) return false;
  m_row = row;
  m_entered = SUCCEEDED(m_target->DragEnter(m_data.Get(), keys, at, effect));
  Highlight(m_row, *effect != DROPEFFECT_NONE);
  return m_entered;
}

STDMETHODIMP shellViewDrop::DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  VQ_TRY
    Reset();
    m_data = vqComPtr<IDataObject>(data);
    if (!data || !Retarget(RowAt(at), keys, at, effect)) *effect = DROPEFFECT_NONE;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellViewDrop::DragOver(DWORD keys, POINTL at, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  VQ_TRY
    const int row = RowAt(at);
    if (row != m_row) {
      if (!Retarget(row, keys, at, effect)) *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    if (!m_target.Get()) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    return m_target->DragOver(keys, at, effect);
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellViewDrop::DragLeave() {
  VQ_TRY
    if (m_target.Get() && m_entered) m_target->DragLeave();
    Reset();
    m_data.Reset();
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellViewDrop::Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  VQ_TRY
    const DWORD offered = *effect;
    m_data = vqComPtr<IDataObject>(data);
    DWORD probe = offered;
    HRESULT hr = E_FAIL;
    *effect = DROPEFFECT_NONE;
    if (data && Retarget(RowAt(at), keys, at, &probe)) {
      *effect = offered;
      hr = m_target->Drop(data, keys, at, effect);
    }
    Reset();
    m_data.Reset();
    return SUCCEEDED(hr) ? S_OK : hr;
  VQ_CATCH_COM(kSource)
}
