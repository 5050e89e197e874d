// An owned item-ID list (shell allocator) that knows its size and walks only inside it. It cannot be
// copied (Clone makes a second list); moving hands the list over.
//
//   vqItemIdList list = vqItemIdList::CopyOf(pidl);
//   for (LPCITEMIDLIST item : list) ...
#pragma once
#include <stddef.h>
#include <string.h>

#include "vqPidl.h"

class vqItemIdList {
 public:
  vqItemIdList() : m_list(nullptr), m_size(0) {}
  // Takes over a list the shell (or VQPIDL_*) allocated; the shell's lists are whole.
  explicit vqItemIdList(LPITEMIDLIST adopt) : m_list(adopt), m_size(adopt ? VQPIDL_GetListSize(adopt) : 0) {}
  ~vqItemIdList() { VQPIDL_Free(m_list); }
  vqItemIdList(const vqItemIdList&) = delete;
  vqItemIdList& operator=(const vqItemIdList&) = delete;
  vqItemIdList(vqItemIdList&& o) noexcept : m_list(o.m_list), m_size(o.m_size) {
    o.m_list = nullptr;
    o.m_size = 0;
  }
  vqItemIdList& operator=(vqItemIdList&& o) noexcept {
    if (this != &o) {
      VQPIDL_Free(m_list);
      m_list = o.m_list;
      m_size = o.m_size;
      o.m_list = nullptr;
      o.m_size = 0;
    }
    return *this;
  }

  static vqItemIdList CopyOf(LPCITEMIDLIST list) { return vqItemIdList(VQPIDL_Clone(list)); }
  // The whole items of a list that lies in a block of `size` bytes (for example a clipboard block):
  // an item running past the block or a block without a terminator ends the copy there.
  static vqItemIdList FromBlock(const void* block, size_t size) {
    size_t whole =
        block ? static_cast<size_t>(VQPIDL_GetListSizeIn(static_cast<LPCITEMIDLIST>(block), size, nullptr)) : 0;
    vqMalloc m;
    unsigned char* out = static_cast<unsigned char*>(m.Malloc(static_cast<unsigned long>(whole + 2)));
    if (!out) return vqItemIdList();
    if (whole) memcpy(out, block, whole);
    out[whole] = out[whole + 1] = 0;
    return vqItemIdList(reinterpret_cast<LPITEMIDLIST>(out));
  }

  vqItemIdList Clone() const { return CopyOf(m_list); }
  LPCITEMIDLIST Get() const { return m_list; }
  operator LPCITEMIDLIST() const { return m_list; }
  bool IsNull() const { return m_list == nullptr; }
  // Bytes of the items, without the terminator.
  size_t Size() const { return m_size; }
  LPITEMIDLIST Detach() {
    LPITEMIDLIST l = m_list;
    m_list = nullptr;
    m_size = 0;
    return l;
  }
  void Reset(LPITEMIDLIST adopt = nullptr) { *this = vqItemIdList(adopt); }

  // Walks the items; an item smaller than its size field or running past the list's size ends it.
  class iterator {
   public:
    iterator(const unsigned char* p, size_t left) : m_p(p), m_left(left) { check(); }
    LPCITEMIDLIST operator*() const { return reinterpret_cast<LPCITEMIDLIST>(m_p); }
    iterator& operator++() {
      size_t cb = m_p[0] | (m_p[1] << 8);
      m_p += cb;
      m_left -= cb;
      check();
      return *this;
    }
    bool operator!=(const iterator& o) const { return m_p != o.m_p; }

   private:
    void check() {
      if (!m_p) return;
      size_t cb = m_left >= 2 ? static_cast<size_t>(m_p[0] | (m_p[1] << 8)) : 0;
      if (cb < 2 || cb > m_left) m_p = nullptr;
    }
    const unsigned char* m_p;
    size_t m_left;
  };
  iterator begin() const { return iterator(reinterpret_cast<const unsigned char*>(m_list), m_size); }
  iterator end() const { return iterator(nullptr, 0); }
  size_t Count() const {
    size_t n = 0;
    for (LPCITEMIDLIST it : *this) (void)it, ++n;
    return n;
  }

 private:
  LPITEMIDLIST m_list;
  size_t m_size;
};
