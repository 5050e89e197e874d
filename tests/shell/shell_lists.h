// Item-ID lists for the shell tests: our own items of any kind, and foreign items of any size.
#pragma once
#include <string.h>

#include <string>
#include <vector>

#include "shellItems.h"

namespace shelltest {

inline _FTPITEMID item(int kind, const char* name, const char* url = "") {
  _FTPITEMID it;
  memset(&it, 0, sizeof it);
  it.cb = VQ_ITEMID_SIZE;
  it.kind = static_cast<int16_t>(kind);
  it.attributes = shellDefaultAttributes(kind);
  strncpy(it.name, name, sizeof it.name - 1);
  strncpy(it.url, url, sizeof it.url - 1);
  return it;
}

class List {
 public:
  List() : m_bytes(2, 0) {}
  List& own(const _FTPITEMID& it) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&it);
    m_bytes.insert(m_bytes.end() - 2, p, p + sizeof it);
    return *this;
  }
  List& own(int kind, const char* name, const char* url = "") { return own(item(kind, name, url)); }
  List& foreign(unsigned size, unsigned char fill = 0x41) {
    std::vector<unsigned char> it(size, fill);
    it[0] = static_cast<unsigned char>(size & 0xFF);
    it[1] = static_cast<unsigned char>(size >> 8);
    m_bytes.insert(m_bytes.end() - 2, it.begin(), it.end());
    return *this;
  }
  LPCITEMIDLIST get() const { return reinterpret_cast<LPCITEMIDLIST>(m_bytes.data()); }
  operator LPCITEMIDLIST() const { return get(); }
  size_t size() const { return m_bytes.size() - 2; }

 private:
  std::vector<unsigned char> m_bytes;
};

// A list below the shell's junction: Work category, Server 1 site.
inline List siteList() { return List().foreign(20).own(VQ_KIND_CATEGORY, "Work").own(VQ_KIND_FTPSITE, "Server 1"); }

}  // namespace shelltest
