// "Remote Folder Name": asks a folder name and makes the directory on the server at once, through
// the site's pooled connection; the dialog stays open on every failure so the name can be fixed.
#pragma once
#include <string>

#include "vqDialog.h"
#include "vqItemIdList.h"

class dlgFolder : public vqDialog {
 public:
  // folder: absolute list of the site or folder to create in.
  explicit dlgFolder(LPCITEMIDLIST folder);
  std::string m_name;  // the trimmed name made, as the server got it, after IDOK
  bool m_utf8;         // m_name is UTF-8

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  vqItemIdList m_folder;
};
