// The folder view's drop target: a drop on a folder row goes to that folder, anywhere else to the
// folder shown. It forwards to the folder objects' own targets (shellFolder), so the rules are the
// same whether the shell or the view delivers the drop.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "shellListCtrl.h"
#include "vqComObject.h"
#include "vqComPtr.h"

class shellViewDrop : public vqComObject, public IDropTarget {
  static const vqInterfaceEntry kTable[];

 public:
  // list: the view's list (outlives this registration); folder: the folder shown.
  shellViewDrop(shellListCtrl* list, IShellFolder* folder);
  VQ_COM_IUNKNOWN(kTable)

  STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
  STDMETHODIMP DragOver(DWORD keys, POINTL at, DWORD* effect) override;
  STDMETHODIMP DragLeave() override;
  STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

 private:
  // The row under the screen point that takes drops itself, or -1 for the folder shown.
  int RowAt(POINTL at) const;
  // Moves the drag to the target of row (leaving the previous one); false when there is none.
  bool Retarget(int row, DWORD keys, POINTL at, DWORD* effect);
  void Highlight(int row, bool on);
  void Reset();

  shellListCtrl* m_list;
  vqComPtr<IShellFolder> m_folder;
  vqComPtr<IDataObject> m_data;
  vqComPtr<IDropTarget> m_target;
  int m_row;
  bool m_entered;
};
