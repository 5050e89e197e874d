// Items arriving in the namespace and leaving it: which drops a folder takes and with what effect,
// what a drop or paste of items or files does (a site-store change, or one job on a site's task
// manager), and how remote items dropped or pasted on a local folder become a download (the copy
// hook over the empty placeholder folder the data object names as its file).
//
// Everything here runs on the shell's thread and ends once the job is queued.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "vqItemIdList.h"

// The clipboard formats besides the four kind formats and CF_HDROP, registered once by name.
enum shellClipFormat {
  SHELL_CF_IDLIST,      // "Shell IDList Array"
  SHELL_CF_EFFECT,      // "Preferred DropEffect"
  SHELL_CF_URL,         // "UniformResourceLocator"
  SHELL_CF_DESCRIPTOR,  // "FileGroupDescriptorW"
  SHELL_CF_CONTENTS     // "FileContents"
};
UINT shellFormat(shellClipFormat which);

// A remote name as one local file name a drop target can make: separators, wildcards and control
// characters become "_", trailing dots and blanks go, nothing empty and nothing past MAX_PATH.
std::wstring shellSafeWideName(std::wstring name);

// What a data object carries, asked with QueryGetData (content, any index, global memory).
struct shellDropOffer {
  bool files = false;  // CF_HDROP
  bool categories = false;
  bool sites = false;
  bool folders = false;
  bool objects = false;
  bool url = false;
  bool Items() const { return categories || sites || folders || objects; }
};
shellDropOffer shellDropOfferOf(IDataObject* data);

// Whether a folder of targetKind takes the offer: the root and categories take categories, sites
// and URLs; sites and remote folders take files and remote items but never categories or sites.
bool shellDropAccepted(int targetKind, const shellDropOffer& offer);
// The effect of the keys (MK_CONTROL, MK_ALT) among those the source offers: Ctrl and Alt none,
// Ctrl copy, Alt move, none copy (move when the source offers only that).
DWORD shellDropEffect(DWORD keys, DWORD offered);

// The right-button drop menu: "Move Here" and "Copy Here" as the source offers them, and Cancel.
// Returns the chosen effect, DROPEFFECT_NONE for Cancel or a dismissed menu.
DWORD shellDropMenu(HWND owner, POINT at, DWORD offered);
// Tests replace the menu's choice (nullptr restores the real menu); the callback sees the menu.
typedef UINT (*shellDropMenuHook)(HMENU menu);
void shellSetDropMenuHook(shellDropMenuHook hook);

// The items of a data object's "Shell IDList Array" as absolute lists (the block is checked before
// it is read); parent receives the folder. False when absent or malformed.
bool shellDropItems(IDataObject* data, std::vector<vqItemIdList>& items, vqItemIdList* parent = nullptr);
// The dropped file names of CF_HDROP, whole and wide (a name the code page lacks stays readable).
std::vector<std::wstring> shellDropFiles(IDataObject* data);
// The files the file dialog's multiple selection names: one whole path, or a folder followed by
// names, each ended by a zero and the list by an empty name.
std::vector<std::wstring> shellChosenFiles(const wchar_t* buffer);
// "Preferred DropEffect", 0 when absent.
DWORD shellPreferredEffect(IDataObject* data);

// A drop of data on the folder target (absolute) with the chosen effect: URLs are logged, items
// moved or copied, files uploaded. Returns the effect performed; DROPEFFECT_NONE when refused
// (the refusal is shown) or failed.
DWORD shellDropRun(HWND owner, LPCITEMIDLIST target, IDataObject* data, DWORD effect);

// Items (absolute lists) moved or copied onto the container target: categories and sites in the
// site store, remote items as one site-to-site or intra-site job. An item already in the target
// (its own folder) is left where it is. Returns the number of items handled.
int shellTransferItems(HWND owner, LPCITEMIDLIST target, const std::vector<vqItemIdList>& items, bool move);
// True when a move of items onto target must be refused: the target is one of them or lies inside.
bool shellDropIntoItself(LPCITEMIDLIST target, const std::vector<vqItemIdList>& items);

// The copy hook: answers the shell's copy of `source` to `destination` (IDYES: go on). Only the
// placeholder folder is ours; its copy becomes a download job of the dragged or clipboard items.
UINT shellCopyHook(HWND owner, UINT func, const char* source, const char* destination);
