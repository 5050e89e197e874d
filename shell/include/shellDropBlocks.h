// The blocks a drop or a paste brings, as another program wrote them: the items of a "Shell IDList
// Array", the file names of CF_HDROP, the "Preferred DropEffect" and a text format. Each reader
// takes the block's bytes and its size (the global's, not what the block claims) and checks every
// count, offset and terminator against that size before it reads; nothing here trusts the writer.
// Platform-neutral: wide names are UTF-16 in std::u16string, their code page conversion is the
// caller's (Windows) part.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "vqItemIdList.h"

// The most a data object's block is read of; a larger one is read that far.
const size_t SHELL_BLOCK_MAX = 16u << 20;
// The most the absolute lists of one "Shell IDList Array" may come to together: every item
// repeats the folder's list, so a small block could otherwise ask for a great deal of memory.
const size_t SHELL_ITEMS_MAX = 32u << 20;

// The items of a "Shell IDList Array" as absolute lists (the folder's list, then the item's), and
// the folder itself when parent is given. False when the block is malformed, names no item, or its
// lists would exceed SHELL_ITEMS_MAX; items is then empty.
bool shellBlockItems(const void* block, size_t size, std::vector<vqItemIdList>& items, vqItemIdList* parent = nullptr);

// The file names of a CF_HDROP block (DROPFILES, then names each ended by a zero, the list ended by
// an empty name). A name that is not ended inside the block was cut short and is left out; so is a
// name of maxChars characters or more, which a path buffer of maxChars could only hold cut short
// (another file's name). False when the header or the names' offset lies outside the block.
struct shellDropNames {
  bool wide = false;                    // the block's names are UTF-16 (wideNames), else narrow
  std::vector<std::string> narrow;      // the system's code page, as the block has them
  std::vector<std::u16string> wideNames;
  size_t skipped = 0;                   // names left out as too long or cut short
  size_t Count() const { return wide ? wideNames.size() : narrow.size(); }
};
bool shellBlockDropFiles(const void* block, size_t size, size_t maxChars, shellDropNames& out);

// The DWORD of "Preferred DropEffect"; false when the block is shorter.
bool shellBlockEffect(const void* block, size_t size, uint32_t& effect);

// A narrow text format (a URL): the bytes up to the first zero, the block's end or max bytes.
std::string shellBlockText(const void* block, size_t size, size_t max);
