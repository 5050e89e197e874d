#include "shellView.h"

#include "shellApp.h"
#include "shellWait.h"

namespace {
const char kSource[] = "shellView";
}

const vqInterfaceEntry shellView::kTable[] = {
    VQ_INTERFACE(shellView, IShellView), VQ_INTERFACE(shellView, IOleWindow), {}};

shellView::shellView(IShellFolder* folder, LPCITEMIDLIST list)
    : vqComObject(&shellApp::Get().Objects()), m_folder(folder), m_list(vqItemIdList::CopyOf(list)) {}

shellView::~shellView() { m_dialog.Close(); }

STDMETHODIMP shellView::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = m_dialog.GetHwnd();
  return *out ? S_OK : E_FAIL;
}

STDMETHODIMP shellView::TranslateAccelerator(MSG* msg) {
  if (!msg || !m_dialog.GetHwnd()) return S_FALSE;
  // Keys for the in-place name editor stay with it.
  HWND edit = reinterpret_cast<HWND>(SendDlgItemMessageA(m_dialog.GetHwnd(), 3169, LVM_GETEDITCONTROL, 0, 0));
  if (edit && msg->hwnd == edit) return S_FALSE;
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
    Refresh();
    return S_OK;
  }
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F2) {
    SendMessageA(m_dialog.GetHwnd(), WM_COMMAND, 2010, 0);
    return S_OK;
  }
  return S_FALSE;
}

STDMETHODIMP shellView::UIActivate(UINT state) {
  VQ_TRY
    m_dialog.Activate(state);
    if (state == SVUIA_ACTIVATE_FOCUS && m_browser) m_browser->OnViewWindowActive(this);
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::Refresh() {
  VQ_TRY
    if (m_dialog.GetHwnd()) m_dialog.Fill(true);
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::CreateViewWindow(IShellView* previous, LPCFOLDERSETTINGS settings, IShellBrowser* browser,
                                         RECT* rect, HWND* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!browser) return E_INVALIDARG;
  VQ_TRY
    shellWait wait;
    if (m_dialog.GetHwnd()) return E_UNEXPECTED;
    HWND old = nullptr;
    if (previous && SUCCEEDED(previous->GetWindow(&old)) && old) ShowWindow(old, SW_HIDE);
    m_browser = vqComPtr<IShellBrowser>(browser);
    HWND frame = nullptr;
    if (SUCCEEDED(browser->GetWindow(&frame)) && frame) shellApp::Get().SetExplorerWindow(frame);
    *out = m_dialog.Open(browser, m_folder.Get(), m_list.Get(), settings, rect);
    if (!*out) {
      m_browser.Reset();
      return E_FAIL;
    }
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::DestroyViewWindow() {
  VQ_TRY
    m_dialog.Close();
    m_browser.Reset();
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::GetCurrentInfo(LPFOLDERSETTINGS out) {
  if (!out) return E_POINTER;
  out->ViewMode = static_cast<UINT>(m_dialog.Mode());
  out->fFlags = 0;
  return S_OK;
}

STDMETHODIMP shellView::SaveViewState() {
  VQ_TRY
    m_dialog.SaveWidths();
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::SelectItem(LPCITEMIDLIST item, UINT flags) {
  VQ_TRY
    return m_dialog.SelectByName(item, flags) ? S_OK : E_FAIL;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellView::GetItemObject(UINT, REFIID, void** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
