// A singly linked list of integer pairs.
#pragma once
#include "vqEngineApi.h"

class VQENGINE_API CUTTagList {
 public:
  CUTTagList();
  virtual ~CUTTagList();

  // Appends the pair; 0 when memory runs out.
  int Add(int first, int second);
  int GetCount() const;
  // 1 and the pair at index (from 0); 0 out of range, the outputs untouched. Either output may be null.
  int Get(int index, int* first, int* second) const;
  void Clear();

 private:
  struct Node {
    int first;
    int second;
    Node* next;
  };

  CUTTagList(const CUTTagList&) = delete;
  CUTTagList& operator=(const CUTTagList&) = delete;

  Node* m_head;
  Node* m_tail;
  int m_count;
};
