// "Category Information": the name and description of a new or existing category.
#pragma once
#include "vqDialog.h"

class vqSiteParams;

class dlgSmCategory : public vqDialog {
 public:
  // `category` names the category (its list in SiteSubPath); `isNew` when it is not stored yet.
  dlgSmCategory(vqSiteParams* category, bool isNew);

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  vqSiteParams* m_category;
  bool m_isNew;
};
