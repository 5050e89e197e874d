// Item-ID lists: walking, measuring, copying and joining the shell's lists without knowing what
// the items hold. A list is a run of items, each starting with its own 16-bit little-endian size
// (which counts those two bytes), ended by a 16-bit zero. A null list is an empty list.
//
// Lists made here come from the shell's task allocator (vqMalloc), so the shell can free them;
// free them with VQPIDL_Free (or the shell's allocator). Lists the shell hands in are trusted to be
// whole; bytes that another program chose (clipboard blocks, drops) are read only through the
// block-bounded functions below, which never read outside the block they are given.
//
// A walk stops at the terminator and at an item smaller than its own size field: what came before
// is the list. Platform-neutral: the host build gets the shell's list types from here.
#pragma once
#include <stddef.h>

#include "vqToolsApi.h"

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#pragma pack(push, 1)
typedef struct _SHITEMID {
  unsigned short cb;
  unsigned char abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
  SHITEMID mkid;
} ITEMIDLIST;
#pragma pack(pop)
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef struct _IDA {
  unsigned int cidl;
  unsigned int aoffset[1];
} CIDA;
#endif

// The shell's task allocator, held for the life of the object (the host build uses the C heap).
class VQTOOLS_API vqMalloc {
 public:
  vqMalloc();
  ~vqMalloc();
  vqMalloc(const vqMalloc&) = delete;
  vqMalloc& operator=(const vqMalloc&) = delete;
  // Null when no allocator was obtained or it has no memory.
  void* Malloc(unsigned long n);
  void Free(void* p);

 private:
  void* m_malloc;  // IMalloc*
};

extern "C" {
// Sum of the item sizes before the terminator; 0 for null or empty.
VQTOOLS_API int VQPIDL_GetListSize(LPCITEMIDLIST list);
// The item after this one (its address plus its size); null for null. The caller checks for the
// terminator.
VQTOOLS_API LPITEMIDLIST VQPIDL_Next(LPCITEMIDLIST item);
// The item's size field; 0 for null.
VQTOOLS_API int VQPIDL_GetItemSize(LPCITEMIDLIST item);
// The last item before the terminator; null for a null or empty list.
VQTOOLS_API LPITEMIDLIST VQPIDL_Last(LPCITEMIDLIST list);
// The item before the last, or the only item of a one-item list; null for a null or empty list.
VQTOOLS_API LPITEMIDLIST VQPIDL_Parent(LPCITEMIDLIST list);

// New lists (shell allocator, terminated); null for a null argument or when memory runs out.
VQTOOLS_API LPITEMIDLIST VQPIDL_Clone(LPCITEMIDLIST list);
// Every item but the last; a one-item or empty list gives the empty list.
VQTOOLS_API LPITEMIDLIST VQPIDL_CloneParent(LPCITEMIDLIST list);
// A one-item list holding a copy of item.
VQTOOLS_API LPITEMIDLIST VQPIDL_CloneThis(LPCITEMIDLIST item);
// The items of list1, then those of list2 (either may be null or empty).
VQTOOLS_API LPITEMIDLIST VQPIDL_BuildNew(LPCITEMIDLIST list1, LPCITEMIDLIST list2);
// Frees a list made here (or by the shell). Null is fine.
VQTOOLS_API void VQPIDL_Free(LPITEMIDLIST list);

// One debugger-output line per item: "#nn-> addr:xxxxxxxx size:nnnnnnnn".
VQTOOLS_API void VQPIDL_Dump(LPCITEMIDLIST list);
#ifdef _WIN32
// The name of a well-known interface for diagnostics, into buf (64 bytes are enough); empty
// when the identifier is not one of them. Returns buf, or a static empty text for a null buf.
VQTOOLS_API const char* VQPIDL_LPSTRFromCLSID(const GUID* id, char* buf);
#endif

// Block-bounded walking: the list lies in a block of `limit` bytes. Returns the size of the whole
// items before the terminator; *complete (when given) is 1 when the terminator lies inside the
// block, 0 when an item runs past the block or the block ends before a terminator.
VQTOOLS_API int VQPIDL_GetListSizeIn(LPCITEMIDLIST list, size_t limit, int* complete);

// "Shell IDList Array" (CIDA): the folder's absolute list, then `count` relative lists, each at an
// offset from the start of the block. VQPIDL_CIDASize gives the bytes the block needs (0 when too
// large); VQPIDL_WriteCIDA fills a block of that size and returns 1 (0 when it is too small).
VQTOOLS_API size_t VQPIDL_CIDASize(LPCITEMIDLIST folder, unsigned count, const LPCITEMIDLIST* items);
VQTOOLS_API int VQPIDL_WriteCIDA(void* block, size_t size, LPCITEMIDLIST folder, unsigned count,
                                 const LPCITEMIDLIST* items);
// Reading a block another program wrote: the number of items when the count, every offset and
// every list lie inside the block with their terminators; -1 otherwise (then nothing is read).
VQTOOLS_API int VQPIDL_CIDACheck(const void* block, size_t size);
// List `index` of a block: 0 the folder, 1 to count the items; null when out of range or when that
// list does not lie whole inside the block. A list handed out is safe to walk, but a selection
// should come only from a block that passes VQPIDL_CIDACheck.
VQTOOLS_API LPCITEMIDLIST VQPIDL_CIDAList(const void* block, size_t size, unsigned index);
}
