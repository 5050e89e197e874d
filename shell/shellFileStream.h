// The contents of one remote file as the shell's virtual-file stream: a drop target that reads
// "FileContents" gets the file through a download job (the site's pooled connection, its progress
// window) into a folder of its own in the cache, and reads it from there. The copy goes with the
// stream's last reference.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>

#include "vqComObject.h"
#include "vqItemIdList.h"

class shellFileStream : public vqComObject, public IStream {
  static const vqInterfaceEntry kTable[];

 public:
  // folder: the item's parent (absolute); item: one relative item. A new reference, or null.
  static IStream* Create(LPCITEMIDLIST folder, LPCITEMIDLIST item);
  ~shellFileStream() override;
  VQ_COM_IUNKNOWN(kTable)

  STDMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override;
  STDMETHODIMP Write(const void*, ULONG, ULONG* written) override;
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  STDMETHODIMP CopyTo(IStream* to, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
  STDMETHODIMP Commit(DWORD) override { return S_OK; }
  STDMETHODIMP Revert() override { return S_OK; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  STDMETHODIMP Stat(STATSTG* out, DWORD flags) override;
  STDMETHODIMP Clone(IStream** out) override;

 private:
  shellFileStream(LPCITEMIDLIST folder, LPCITEMIDLIST item);
  // Downloads the file on first use; false when it could not be had.
  bool Fetch();

  vqItemIdList m_folder;
  vqItemIdList m_item;  // absolute
  std::wstring m_dir;   // the download's own folder
  std::wstring m_path;  // the downloaded file
  HANDLE m_file;
  enum { kNotFetched, kFetched, kFailed } m_state;
};
