// "Remote Object Properties": one page that shows what the listing knows of the selected remote
// items and changes their UNIX permissions with "SITE chmod" through the site's pooled connection.
#pragma once
#include <string>
#include <vector>

#include "vqItemIdList.h"
#include "vqPropSheet.h"

class dlgObjPropSingle : public vqPropPage {
 public:
  // folder: absolute list of the folder holding the items; items: relative single items.
  // selfDeleting: the page deletes itself when its window is gone (pages lent to the shell's sheet).
  dlgObjPropSingle(LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items, bool selfDeleting = false);

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  void OnFinalMessage() override;

 private:
  void Fill();
  void ChangePermissions();

  vqItemIdList m_folder;
  std::vector<std::vector<unsigned char>> m_items;  // each one record
  bool m_selfDeleting;
};

class dlgObjPropSheet {
 public:
  static INT_PTR Show(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items);
};
