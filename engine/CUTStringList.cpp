#include "CUTStringList.h"

#include <new>
#include <string.h>

CUTStringList::CUTStringList() : m_head(nullptr), m_tail(nullptr), m_count(0), m_cursor(nullptr), m_cursorIndex(-1) {}

CUTStringList::~CUTStringList() { Clear(); }

int CUTStringList::Add(const char* text) {
  if (!text) return 0;
  size_t len = strlen(text);
  char* copy = new (std::nothrow) char[len + 1];
  if (!copy) return 0;
  memcpy(copy, text, len + 1);
  Node* node = new (std::nothrow) Node{copy, nullptr};
  if (!node) {
    delete[] copy;
    return 0;
  }
  if (m_tail)
    m_tail->next = node;
  else
    m_head = node;
  m_tail = node;
  ++m_count;
  return 1;
}

int CUTStringList::GetCount() const { return m_count; }

CUTStringList::Node* CUTStringList::_nodeAt(int index) const {
  if (index < 0 || index >= m_count) return nullptr;
  Node* node = m_head;
  int at = 0;
  if (m_cursor && m_cursorIndex <= index) {
    node = m_cursor;
    at = m_cursorIndex;
  }
  for (; at < index; ++at) node = node->next;
  m_cursor = node;
  m_cursorIndex = index;
  return node;
}

const char* CUTStringList::Get(int index) const {
  Node* node = _nodeAt(index);
  return node ? node->text : nullptr;
}

int CUTStringList::Remove(int index) {
  if (index < 0 || index >= m_count) return 0;
  Node* prev = index > 0 ? _nodeAt(index - 1) : nullptr;
  Node* node = prev ? prev->next : m_head;
  if (prev)
    prev->next = node->next;
  else
    m_head = node->next;
  if (m_tail == node) m_tail = prev;
  --m_count;
  m_cursor = nullptr;
  m_cursorIndex = -1;
  delete[] node->text;
  delete node;
  return 1;
}

void CUTStringList::Clear() {
  Node* node = m_head;
  while (node) {
    Node* next = node->next;
    delete[] node->text;
    delete node;
    node = next;
  }
  m_head = m_tail = nullptr;
  m_count = 0;
  m_cursor = nullptr;
  m_cursorIndex = -1;
}
