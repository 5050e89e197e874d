// Names of the interfaces the shell asks the extension for, for the trace lines.
#include <string.h>

#include "vqPidl.h"

namespace {
struct Named {
  const IID* id;
  const char* name;
};
// Compared in this order; the first match names the identifier.
const Named kNames[] = {
    {&IID_IUnknown, "IID_IUnknown"},
    {&IID_IClassFactory, "IID_IClassFactory"},
    {&IID_IEnumUnknown, "IID_IEnumUnknown"},
    {&IID_IShellFolder, "IID_IShellFolder"},
    {&IID_IPersistFolder, "IID_IPersistFolder"},
    {&IID_IContextMenu, "IID_IContextMenu"},
    {&IID_IContextMenu2, "IID_IContextMenu2"},
    {&IID_IShellExtInit, "IID_IShellExtInit"},
    {&IID_IShellIcon, "IID_IShellIcon"},
    {&IID_IExtractIconW, "IID_IExtractIconW"},
    {&IID_IExtractIconA, "IID_IExtractIcon"},
    {&IID_IDropTarget, "IID_IDropTarget"},
    {&IID_IShellCopyHookA, "IID_IShellCopyHook"},
    {&IID_IShellPropSheetExt, "IID_IShellPropSheetExt"},
    {&IID_IShellView, "IID_IShellView"},
};
}  // namespace

const char* VQPIDL_LPSTRFromCLSID(const GUID* id, char* buf) {
  static const char empty[1] = "";
  if (!buf) return empty;
  buf[0] = 0;
  if (!id) return buf;
  for (const Named& n : kNames) {
    if (IsEqualGUID(*id, *n.id)) {
      strcpy(buf, n.name);  // the longest name is 23 bytes
      break;
    }
  }
  return buf;
}
