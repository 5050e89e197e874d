// A singly linked list of texts; each entry is a heap copy owned by the list.
#pragma once
#include "vqEngineApi.h"

class VQENGINE_API CUTStringList {
 public:
  CUTStringList();
  virtual ~CUTStringList();

  // Appends a copy of text; 0 (and nothing added) when text is null or memory runs out.
  int Add(const char* text);
  int GetCount() const;
  // The text at index (from 0), or null out of range; it lives until the entry is removed.
  const char* Get(int index) const;
  // 1 when the entry existed and is gone, else 0.
  int Remove(int index);
  void Clear();

 private:
  struct Node {
    char* text;
    Node* next;
  };

  CUTStringList(const CUTStringList&) = delete;
  CUTStringList& operator=(const CUTStringList&) = delete;
  Node* _nodeAt(int index) const;

  Node* m_head;
  Node* m_tail;
  int m_count;
  // Last node reached by index, so walking the list in order stays linear.
  mutable Node* m_cursor;
  mutable int m_cursorIndex;
};
