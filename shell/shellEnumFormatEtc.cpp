#include "shellEnumFormatEtc.h"

#include <shlobj.h>

#include "shellApp.h"
#include "shellDrop.h"

const vqInterfaceEntry shellEnumFormatEtc::kTable[] = {VQ_INTERFACE(shellEnumFormatEtc, IEnumFORMATETC), {}};

shellEnumFormatEtc::shellEnumFormatEtc(const std::vector<FORMATETC>& formats)
    : vqComObject(&shellApp::Get().Objects()), m_formats(formats), m_position(0) {}

std::vector<FORMATETC> shellEnumFormatEtc::Fill(UINT kindFormat, bool virtualFiles) {
  std::vector<FORMATETC> out;
  UINT formats[] = {kindFormat, CF_HDROP, shellFormat(SHELL_CF_IDLIST), shellFormat(SHELL_CF_EFFECT)};
  for (UINT f : formats) out.push_back({static_cast<CLIPFORMAT>(f), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
  if (virtualFiles) {
    out.push_back(
        {static_cast<CLIPFORMAT>(shellFormat(SHELL_CF_DESCRIPTOR)), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    out.push_back(
        {static_cast<CLIPFORMAT>(shellFormat(SHELL_CF_CONTENTS)), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM});
  }
  return out;
}

STDMETHODIMP shellEnumFormatEtc::Next(ULONG count, FORMATETC* out, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!out) return E_INVALIDARG;
  ULONG n = 0;
  while (n < count && m_position < m_formats.size()) out[n++] = m_formats[m_position++];
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP shellEnumFormatEtc::Skip(ULONG n) {
  if (n > m_formats.size() - m_position) {
    m_position = static_cast<ULONG>(m_formats.size());
    return S_FALSE;
  }
  m_position += n;
  return S_OK;
}

STDMETHODIMP shellEnumFormatEtc::Reset() {
  m_position = 0;
  return S_OK;
}

STDMETHODIMP shellEnumFormatEtc::Clone(IEnumFORMATETC** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VQ_TRY
    auto* twin = new shellEnumFormatEtc(m_formats);
    twin->m_position = m_position;
    twin->AddRef();
    HRESULT hr = twin->QueryInterface(IID_IEnumFORMATETC, reinterpret_cast<void**>(out));
    twin->Release();
    return hr;
  VQ_CATCH_COM("shellEnumFormatEtc")
}
