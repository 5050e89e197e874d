// Item-ID list walking and copying. Every walk goes through walkList, which stops at the terminator,
// at an item smaller than its own size field, and (for blocks) at an item that runs past the block.
#include "vqPidl.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vqCatch.h"

namespace {
const char kSource[] = "vqPidl";
const size_t kUnbounded = SIZE_MAX;

unsigned itemSize(const unsigned char* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); }

struct Walk {
  size_t size;      // bytes of the whole items
  size_t lastSize;  // size of the last whole item (0 when none)
  size_t items;
  bool complete;  // the terminator was reached inside the limit
};

Walk walkList(LPCITEMIDLIST list, size_t limit) {
  Walk w = {0, 0, 0, false};
  if (!list) {
    w.complete = true;
    return w;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
  for (;;) {
    if (limit - w.size < 2) return w;  // no room for a size field
    unsigned cb = itemSize(p + w.size);
    if (cb == 0) {
      w.complete = true;
      return w;
    }
    if (cb < 2 || cb > limit - w.size) return w;  // damaged: keep what came before
    w.size += cb;
    w.lastSize = cb;
    ++w.items;
  }
}

LPITEMIDLIST allocList(size_t bytes, bool report, int line) {
  vqMalloc m;
  void* p = bytes + 2 <= 0xFFFFFFFFu ? m.Malloc(static_cast<unsigned long>(bytes + 2)) : nullptr;
  if (!p) {
    if (report) vqCatchReport(kSource, line);
    return nullptr;
  }
  memset(p, 0, bytes + 2);
  return static_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST copyOf(LPCITEMIDLIST list, size_t bytes, int line) {
  LPITEMIDLIST out = allocList(bytes, true, line);
  if (out && bytes) memcpy(out, list, bytes);
  return out;
}
}  // namespace

#ifdef _WIN32
vqMalloc::vqMalloc() : m_malloc(nullptr) {
  IMalloc* m = nullptr;
  if (SUCCEEDED(SHGetMalloc(&m))) m_malloc = m;
}
vqMalloc::~vqMalloc() {
  if (m_malloc) static_cast<IMalloc*>(m_malloc)->Release();
}
void* vqMalloc::Malloc(unsigned long n) { return m_malloc ? static_cast<IMalloc*>(m_malloc)->Alloc(n) : nullptr; }
void vqMalloc::Free(void* p) {
  if (m_malloc && p) static_cast<IMalloc*>(m_malloc)->Free(p);
}
#else
vqMalloc::vqMalloc() : m_malloc(nullptr) { (void)m_malloc; }
vqMalloc::~vqMalloc() {}
void* vqMalloc::Malloc(unsigned long n) { return malloc(n ? n : 1); }
void vqMalloc::Free(void* p) { free(p); }
#endif

int VQPIDL_GetListSize(LPCITEMIDLIST list) {
  VQ_TRY
    return static_cast<int>(walkList(list, kUnbounded).size);
  VQ_CATCH(kSource, 0)
}

LPITEMIDLIST VQPIDL_Next(LPCITEMIDLIST item) {
  if (!item) return nullptr;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(item);
  return reinterpret_cast<LPITEMIDLIST>(const_cast<unsigned char*>(p + itemSize(p)));
}

int VQPIDL_GetItemSize(LPCITEMIDLIST item) {
  return item ? static_cast<int>(itemSize(reinterpret_cast<const unsigned char*>(item))) : 0;
}

LPITEMIDLIST VQPIDL_Last(LPCITEMIDLIST list) {
  VQ_TRY
    Walk w = walkList(list, kUnbounded);
    if (!w.items) return nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
    return reinterpret_cast<LPITEMIDLIST>(const_cast<unsigned char*>(p + w.size - w.lastSize));
  VQ_CATCH(kSource, nullptr)
}

LPITEMIDLIST VQPIDL_Parent(LPCITEMIDLIST list) {
  VQ_TRY
    if (!list) return nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
    const unsigned char* before = nullptr;
    const unsigned char* last = nullptr;
    size_t at = 0;
    Walk w = walkList(list, kUnbounded);
    for (size_t k = 0; k < w.items; ++k) {
      before = last;
      last = p + at;
      at += itemSize(p + at);
    }
    const unsigned char* r = before ? before : last;
    return reinterpret_cast<LPITEMIDLIST>(const_cast<unsigned char*>(r));
  VQ_CATCH(kSource, nullptr)
}

LPITEMIDLIST VQPIDL_Clone(LPCITEMIDLIST list) {
  VQ_TRY
    if (!list) return nullptr;
    return copyOf(list, walkList(list, kUnbounded).size, __LINE__);
  VQ_CATCH(kSource, nullptr)
}

LPITEMIDLIST VQPIDL_CloneParent(LPCITEMIDLIST list) {
  VQ_TRY
    if (!list) return nullptr;
    Walk w = walkList(list, kUnbounded);
    return copyOf(list, w.size - w.lastSize, __LINE__);
  VQ_CATCH(kSource, nullptr)
}

LPITEMIDLIST VQPIDL_CloneThis(LPCITEMIDLIST item) {
  VQ_TRY
    if (!item) return nullptr;
    unsigned cb = itemSize(reinterpret_cast<const unsigned char*>(item));
    return copyOf(item, cb < 2 ? 0 : cb, __LINE__);
  VQ_CATCH(kSource, nullptr)
}

LPITEMIDLIST VQPIDL_BuildNew(LPCITEMIDLIST list1, LPCITEMIDLIST list2) {
  VQ_TRY
    size_t a = walkList(list1, kUnbounded).size, b = walkList(list2, kUnbounded).size;
    LPITEMIDLIST out = allocList(a + b, false, __LINE__);
    if (!out) return nullptr;
    unsigned char* p = reinterpret_cast<unsigned char*>(out);
    if (a) memcpy(p, list1, a);
    if (b) memcpy(p + a, list2, b);
    return out;
  VQ_CATCH(kSource, nullptr)
}

void VQPIDL_Free(LPITEMIDLIST list) {
  if (!list) return;
  vqMalloc m;
  m.Free(list);
}

void VQPIDL_Dump(LPCITEMIDLIST list) {
  VQ_TRY
    Walk w = walkList(list, kUnbounded);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(list);
    size_t at = 0;
    for (size_t k = 0; k < w.items; ++k) {
      char line[80];
      unsigned cb = itemSize(p + at);
      snprintf(line, sizeof line, "#%02d-> addr:%08x size:%08d\r\n", static_cast<int>(k),
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(p + at)), static_cast<int>(cb));
#ifdef _WIN32
      OutputDebugStringA(line);
#else
      fputs(line, stderr);
#endif
      at += cb;
    }
  VQ_CATCH_VOID(kSource)
}

int VQPIDL_GetListSizeIn(LPCITEMIDLIST list, size_t limit, int* complete) {
  Walk w = walkList(list, limit);
  if (complete) *complete = w.complete ? 1 : 0;
  return static_cast<int>(w.size);
}

// CIDA: a 32-bit count, count + 1 32-bit offsets, then the lists.
size_t VQPIDL_CIDASize(LPCITEMIDLIST folder, unsigned count, const LPCITEMIDLIST* items) {
  VQ_TRY
    if (count && !items) return 0;
    size_t total = sizeof(unsigned) * (static_cast<size_t>(count) + 2);
    total += walkList(folder, kUnbounded).size + 2;
    for (unsigned k = 0; k < count; ++k) total += walkList(items[k], kUnbounded).size + 2;
    return total <= 0xFFFFFFFFu ? total : 0;  // offsets are 32-bit
  VQ_CATCH(kSource, 0)
}

int VQPIDL_WriteCIDA(void* block, size_t size, LPCITEMIDLIST folder, unsigned count, const LPCITEMIDLIST* items) {
  VQ_TRY
    size_t need = VQPIDL_CIDASize(folder, count, items);
    if (!block || !need || size < need) return 0;
    unsigned char* base = static_cast<unsigned char*>(block);
    memset(base, 0, need);
    memcpy(base, &count, sizeof count);
    size_t at = sizeof(unsigned) * (static_cast<size_t>(count) + 2);
    for (unsigned k = 0; k <= count; ++k) {
      LPCITEMIDLIST list = k ? items[k - 1] : folder;
      unsigned offset = static_cast<unsigned>(at);
      memcpy(base + sizeof(unsigned) * (k + 1), &offset, sizeof offset);
      size_t bytes = walkList(list, kUnbounded).size;
      if (bytes) memcpy(base + at, list, bytes);
      at += bytes + 2;  // the terminator is already zero
    }
    return 1;
  VQ_CATCH(kSource, 0)
}

namespace {
// The count of a block whose header fits, or -1.
long cidaCount(const void* block, size_t size) {
  if (!block || size < sizeof(unsigned) * 2) return -1;
  unsigned count;
  memcpy(&count, block, sizeof count);
  if (count > size / sizeof(unsigned) - 2) return -1;  // count + 2 words must fit
  return static_cast<long>(count);
}

LPCITEMIDLIST cidaList(const void* block, size_t size, unsigned index) {
  long count = cidaCount(block, size);
  if (count < 0 || index > static_cast<unsigned long>(count)) return nullptr;
  const unsigned char* base = static_cast<const unsigned char*>(block);
  unsigned offset;
  memcpy(&offset, base + sizeof(unsigned) * (index + 1), sizeof offset);
  size_t header = sizeof(unsigned) * (static_cast<size_t>(count) + 2);
  if (offset < header || offset > size - 2) return nullptr;
  LPCITEMIDLIST list = reinterpret_cast<LPCITEMIDLIST>(base + offset);
  return walkList(list, size - offset).complete ? list : nullptr;
}
}  // namespace

int VQPIDL_CIDACheck(const void* block, size_t size) {
  VQ_TRY
    long count = cidaCount(block, size);
    if (count < 0) return -1;
    for (long k = 0; k <= count; ++k)
      if (!cidaList(block, size, static_cast<unsigned>(k))) return -1;
    return static_cast<int>(count);
  VQ_CATCH(kSource, -1)
}

LPCITEMIDLIST VQPIDL_CIDAList(const void* block, size_t size, unsigned index) {
  VQ_TRY
    return cidaList(block, size, index);
  VQ_CATCH(kSource, nullptr)
}
