#include "CUTTagList.h"

#include <new>

CUTTagList::CUTTagList() : m_head(nullptr), m_tail(nullptr), m_count(0) {}

CUTTagList::~CUTTagList() { Clear(); }

int CUTTagList::Add(int first, int second) {
  Node* node = new (std::nothrow) Node{first, second, nullptr};
  if (!node) return 0;
  if (m_tail)
    m_tail->next = node;
  else
    m_head = node;
  m_tail = node;
  ++m_count;
  return 1;
}

int CUTTagList::GetCount() const { return m_count; }

int CUTTagList::Get(int index, int* first, int* second) const {
  if (index < 0 || index >= m_count) return 0;
  Node* node = m_head;
  while (index-- > 0) node = node->next;
  if (first) *first = node->first;
  if (second) *second = node->second;
  return 1;
}

void CUTTagList::Clear() {
  Node* node = m_head;
  while (node) {
    Node* next = node->next;
    delete node;
    node = next;
  }
  m_head = m_tail = nullptr;
  m_count = 0;
}
