#include "shellEnumFormatEtc.h"

#include <shlobj.h>

#include "shellApp.h"

const vqInterfaceEntry shellEnumFormatEtc::kTable[] = {VQ_INTERFACE(shellEnumFormatEtc, IEnumFORMATETC), {}};

shellEnumFormatEtc::shellEnumFormatEtc(UINT kindFormat) : vqComObject(&shellApp::Get().Objects()), m_position(0) {
  Fill(kindFormat, m_formats);
}

void shellEnumFormatEtc::Fill(UINT kindFormat, FORMATETC out[3]) {
  UINT formats[kCount] = {kindFormat, CF_HDROP, RegisterClipboardFormatA(CFSTR_SHELLIDLIST)};
  for (int i = 0; i < kCount; ++i)
    out[i] = {static_cast<CLIPFORMAT>(formats[i]), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

STDMETHODIMP shellEnumFormatEtc::Next(ULONG count, FORMATETC* out, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!out) return E_INVALIDARG;
  ULONG n = 0;
  while (n < count && m_position < kCount) out[n++] = m_formats[m_position++];
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP shellEnumFormatEtc::Skip(ULONG n) {
  if (n >= kCount - m_position) return S_FALSE;
  m_position += n;
  return S_OK;
}

STDMETHODIMP shellEnumFormatEtc::Reset() {
  m_position = 0;
  return S_OK;
}

STDMETHODIMP shellEnumFormatEtc::Clone(IEnumFORMATETC** out) {
  if (out) *out = nullptr;
  return E_OUTOFMEMORY;
}
