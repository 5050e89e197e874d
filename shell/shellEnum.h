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
  vqLock& Lock() { return m_lock; }
  void SetFilling(bool on) { m_filling = on; }
  bool IsFilling() const { return m_filling; }

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
};

// Children of a site or remote folder. The listing is the task manager's to fetch; until it runs
// jobs, a remote folder lists nothing.
void shellRemoteItems(LPCITEMIDLIST folder, shellEnum& into);
