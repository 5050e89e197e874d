// The shell's IEnumIDList over one folder's children, and the plain item collection that carries
// listings. Items are owned heap copies; the lock is held by whoever fills the collection.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "vqComObject.h"
#include "vqLock.h"

class shellEnum : public vqComObject, public IEnumIDList {
  static const vqInterfaceEntry kTable[];

 public:
  shellEnum();
  ~shellEnum() override;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    return InternalQueryInterface(this, kTable, riid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InternalAddRef(); }
  // The shell's release ends its walk: the lock it was handed with is given back.
  STDMETHODIMP_(ULONG) Release() override;
  // A release of the enumeration manager's own, which leaves the lock to whoever walks.
  ULONG Drop() { return InternalRelease(); }

  // Appends the item (one item, nothing after it). With copy, a heap copy of exactly the item's
  // size is kept and the caller keeps its own; without, the collection takes the heap block
  // (allocated with operator new[]). Returns the stored pointer; null for a null item.
  LPITEMIDLIST Add(LPITEMIDLIST item, bool copy);
  void Clear();
  void SetFlags(DWORD flags) { m_flags = flags; }
  DWORD GetFlags() const { return m_flags; }
  size_t Count() const { return m_items.size(); }
  LPITEMIDLIST ItemAt(size_t i) const {
    return i < m_items.size() ? reinterpret_cast<LPITEMIDLIST>(m_items[i]) : nullptr;
  }
  vqLock& Lock() { return m_lock; }
  void SetFilling(bool on) { m_filling = on; }
  bool IsFilling() const { return m_filling; }
  // The result code of the listing that filled the collection (0 when none failed).
  void SetResult(unsigned long code) { m_result = code; }
  unsigned long GetResult() const { return m_result; }

  // Fills the collection with the children of an absolute folder list: the root and categories
  // from the site store, sites and remote folders from the remote listing. The caller holds the lock.
  void Fill(LPCITEMIDLIST folder);

  STDMETHODIMP Next(ULONG count, LPITEMIDLIST* out, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG n) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumIDList** out) override;

 private:
  bool Passes(LPCITEMIDLIST item) const;

  vqLock m_lock;
  std::vector<BYTE*> m_items;
  size_t m_position;
  DWORD m_flags;
  volatile bool m_filling;
  volatile unsigned long m_result = 0;
};

// Children of a site or remote folder: an Explore job on the site's task manager, waited for with
// the site's time-out while this thread's windows stay alive; on a time-out the user chooses
// between waiting longer and taking what has arrived. Returns the listing's result code.
unsigned long shellRemoteItems(LPCITEMIDLIST folder, shellEnum& into);
