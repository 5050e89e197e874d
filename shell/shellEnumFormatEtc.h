// The formats a selection's data object offers: its kind format, CF_HDROP, "Shell IDList Array".
#pragma once
#include <windows.h>
#include <objidl.h>

#include "vqComObject.h"

class shellEnumFormatEtc : public vqComObject, public IEnumFORMATETC {
  static const vqInterfaceEntry kTable[];

 public:
  explicit shellEnumFormatEtc(UINT kindFormat);
  VQ_COM_IUNKNOWN(kTable)
  // The three entries, each global memory, content aspect, all indices.
  static void Fill(UINT kindFormat, FORMATETC out[3]);

  STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG n) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumFORMATETC** out) override;

 private:
  enum { kCount = 3 };
  FORMATETC m_formats[kCount];
  ULONG m_position;
};
