#include "shellEnum.h"

#include <string.h>

#include <stdio.h>

#include "inJob.h"
#include "shellApp.h"
#include "fh32_tasksRes.h"
#include "vqWait.h"
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
    : vqComObject(&shellApp::Get().Objects()), m_position(0), m_flags(kDefaultFlags), m_filling(false), m_result(0) {}

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
  m_result = 0;
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
    twin->m_result = m_result;
    for (BYTE* item : m_items) twin->Add(reinterpret_cast<LPITEMIDLIST>(item), true);
    twin->m_position = m_position;
    *out = twin;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

unsigned long shellRemoteItems(LPCITEMIDLIST folder, shellEnum& into) {
  unsigned long result = 0xFFFF;
  VQ_TRY
    shellApp& app = shellApp::Get();
    // The job fills a collection of its own: a caller that stops waiting must not find a worker
    // still writing into the enumerator it hands to the shell.
    shellEnum* stage = new shellEnum();
    stage->AddRef();
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE jobDone = nullptr;
    if (!done ||
        !DuplicateHandle(GetCurrentProcess(), done, GetCurrentProcess(), &jobDone, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      if (done) CloseHandle(done);
      stage->Drop();
      return result;
    }
    inJob* job = new inJob(IN_CMD_EXPLORE, folder);
    unsigned timeout = job->SiteLoaded ? job->Site.GetTimeout() : 30;
    if (!timeout) timeout = 30;
    inTask* task = new inTask(folder, nullptr);
    task->SetEnumerator(stage);
    job->AddTask(task);
    job->Done = jobDone;
    job->OwnsDone = true;  // the job closes its copy of the event whenever it ends
    bool filled = false;
    if (app.SubmitJob(job)) {
      for (;;) {
        if (VQ_WaitHandle(done, timeout * 1000) == VQ_WAIT_READY) {
          filled = true;
          break;
        }
        app.Log(3, "Timedout waiting for directory listing!");
        char text[512];
        snprintf(text, sizeof text, VQ_TEXT(shellApp::Module(), IDS_LISTING_TIMEOUT), static_cast<int>(timeout));
        if (VQ_QUESTION(text, MB_YESNO) != IDYES) break;
      }
    }
    CloseHandle(done);
    // After a time-out, what has arrived: the worker adds its items in one go, under the lock.
    if (filled || stage->Lock().LockTry()) {
      for (size_t i = 0; i < stage->Count(); ++i) into.Add(stage->ItemAt(i), true);
      stage->Lock().LockRelease();
      result = filled ? stage->GetResult() : 0xFFFF;
    }
    into.SetResult(result);
    stage->Drop();
    return result;
  VQ_CATCH(kSource, result)
}
