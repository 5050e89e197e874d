#include "shellEnum.h"

#include <string.h>

#include "shellApp.h"
#include "shellPidl.h"
#include "vqMsg.h"

namespace {
const char kSource[] = "shellEnum";
const DWORD kDefaultFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
const unsigned IDS_INTERNAL_MEMORY = 7126;

int addCopy(const _FTPITEMID* item, void* user) {
  static_cast<shellEnum*>(user)->Add(const_cast<LPITEMIDLIST>(shellAsItemId(item)), true);
  return 1;
}
}  // namespace

const vqInterfaceEntry shellEnum::kTable[] = {VQ_INTERFACE(shellEnum, IEnumIDList), {}};

shellEnum::shellEnum()
    : vqComObject(&shellApp::Get().Objects()), m_position(0), m_flags(kDefaultFlags), m_filling(false) {}

STDMETHODIMP_(ULONG) shellEnum::Release() {
  if (m_lock.IsLocked()) m_lock.LockRelease();
  return InternalRelease();
}

shellEnum::~shellEnum() {
  if (m_lock.IsLocked()) m_lock.LockRelease();
  Clear();
}

LPITEMIDLIST shellEnum::Add(LPITEMIDLIST item, bool copy) {
  if (!item) return nullptr;
  BYTE* stored = reinterpret_cast<BYTE*>(item);
  if (copy) {
    int size = VQPIDL_GetItemSize(item);
    stored = new BYTE[size];
    memcpy(stored, item, size);
  }
  m_items.push_back(stored);
  return reinterpret_cast<LPITEMIDLIST>(stored);
}

void shellEnum::Clear() {
  for (BYTE* item : m_items) delete[] item;
  m_items.clear();
  m_position = 0;
}

bool shellEnum::Passes(LPCITEMIDLIST item) const {
  bool folders = m_flags & SHCONTF_FOLDERS, others = m_flags & SHCONTF_NONFOLDERS;
  if (folders && others) return true;
  bool container = shellIsContainerKind(shellItemKind(item));
  return folders ? container : others ? !container : false;
}

void shellEnum::Fill(LPCITEMIDLIST folder) {
  Clear();
  int kind = shellItemKind(VQPIDL_Last(folder));
  if (kind == VQ_KIND_ROOT || kind == VQ_KIND_CATEGORY) {
    shellPidl pidl(shellApp::Module());
    pidl.ItemsFromSiteStore(folder, true, addCopy, this);
  } else if (kind == VQ_KIND_FTPSITE || shellIsFolderLikeKind(kind)) {
    shellRemoteItems(folder, *this);
  }
}

STDMETHODIMP shellEnum::Next(ULONG count, LPITEMIDLIST* out, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!out) return E_POINTER;
  ULONG handed = 0;
  try {
    while (handed < count && m_position < m_items.size()) {
      LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(m_items[m_position++]);
      if (!Passes(item)) continue;
      int size = VQPIDL_GetItemSize(item);
      BYTE* copy = static_cast<BYTE*>(CoTaskMemAlloc(size + 2));
      if (!copy) throw std::bad_alloc();
      memcpy(copy, item, size);
      copy[size] = copy[size + 1] = 0;
      out[handed++] = reinterpret_cast<LPITEMIDLIST>(copy);
    }
  } catch (...) {
    for (ULONG i = 0; i < handed; ++i) CoTaskMemFree(out[i]);
    VQ_MSG(VQ_TEXT(shellApp::Module(), IDS_INTERNAL_MEMORY), MB_OK | MB_ICONSTOP);
    return E_OUTOFMEMORY;
  }
  if (fetched) *fetched = handed;
  return handed ? S_OK : S_FALSE;
}

STDMETHODIMP shellEnum::Skip(ULONG n) {
  m_position = n >= m_items.size() - m_position ? m_items.size() : m_position + n;
  return S_OK;
}

STDMETHODIMP shellEnum::Reset() {
  m_position = 0;
  return S_OK;
}

STDMETHODIMP shellEnum::Clone(IEnumIDList** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  VQ_TRY
    shellEnum* twin = new shellEnum();
    twin->AddRef();
    twin->m_flags = m_flags;
    for (BYTE* item : m_items) twin->Add(reinterpret_cast<LPITEMIDLIST>(item), true);
    twin->m_position = m_position;
    *out = twin;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

void shellRemoteItems(LPCITEMIDLIST, shellEnum&) {}
