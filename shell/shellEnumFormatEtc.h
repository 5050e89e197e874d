// The formats a selection's data object offers, in the order it prefers them: its kind format,
// CF_HDROP, "Shell IDList Array", "Preferred DropEffect", and for plain files the shell's
// virtual-file pair.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <vector>

#include "vqComObject.h"

class shellEnumFormatEtc : public vqComObject, public IEnumFORMATETC {
  static const vqInterfaceEntry kTable[];

 public:
  explicit shellEnumFormatEtc(const std::vector<FORMATETC>& formats);
  VQ_COM_IUNKNOWN(kTable)
  // The entries of a selection: each global memory, content aspect, all indices; the file
  // contents come as streams, one per descriptor.
  static std::vector<FORMATETC> Fill(UINT kindFormat, bool virtualFiles);

  STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG n) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumFORMATETC** out) override;

 private:
  std::vector<FORMATETC> m_formats;
  ULONG m_position;
};
