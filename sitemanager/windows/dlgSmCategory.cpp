#include "dlgSmCategory.h"

#include "smHelp.h"
#include "smModule.h"
#include "smSiteCheck.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

dlgSmCategory::dlgSmCategory(vqSiteParams* category, bool isNew)
    : vqDialog(_smModule(), IDD_SM_CATEGORY), m_category(category), m_isNew(isNew) {}

BOOL dlgSmCategory::OnInitDialog() {
  SendDlgItemMessageA(m_hWnd, IDC_SM_CAT_NAME, EM_LIMITTEXT, vqSiteParams::TEXT_LEN, 0);
  SendDlgItemMessageA(m_hWnd, IDC_SM_CAT_DESC, EM_LIMITTEXT, vqSiteParams::TEXT_LEN, 0);
  SetText(IDC_SM_CAT_NAME, m_category->GetSiteName());
  SetText(IDC_SM_CAT_DESC, m_category->GetDescription());
  return TRUE;
}

INT_PTR dlgSmCategory::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = SM_HandleHelpMessage(m_hWnd, msg, wp, lp);
  return handled;
}

void dlgSmCategory::OnOK() {
  char name[vqSiteParams::TEXT_LEN + 1], desc[vqSiteParams::TEXT_LEN + 1];
  GetText(IDC_SM_CAT_NAME, name, sizeof name);
  GetText(IDC_SM_CAT_DESC, desc, sizeof desc);
  const char* sub = m_category->GetSiteSubPath();
  bool renamed = !m_isNew && lstrcmpiA(name, m_category->GetSiteName()) != 0;
  if (!name[0]) {
    SM_Warn("You must enter a category name");
  } else if (!vqSiteParams::SITE_IsValidName(name)) {
    SM_Warn(SM_TXT_BADNAME);
  } else if ((m_isNew || renamed) && m_category->SITE_Exists(sub, name)) {
    SM_Warn("There is already a category by this name; please select a different name for your category.");
  } else {
    vqSiteParams saved(m_category->GetProgId());
    saved.SetIsCategory(1);
    saved.SetSiteId(m_category->GetSiteId());
    saved.SetDescription(desc);
    bool ok = true;
    if (renamed) ok = m_category->SITE_Rename(sub, m_category->GetSiteName(), sub, name) != 0;
    if (ok && !m_isNew) {
      ok = saved.SITE_LoadParams(sub, name) != 0;  // the stored id stays
      saved.SetDescription(desc);
    }
    ok = ok && saved.SITE_SaveParams(sub, name);
    if (!ok) {
      SM_Warn("Unable to save the category information!");
      return;
    }
    m_category->SetIsCategory(1);
    m_category->SetSiteName(name);
    m_category->SetDescription(desc);
    m_category->SetSiteId(saved.GetSiteId());
    EndDialog(IDOK);
    return;
  }
  SetFocus(Item(IDC_SM_CAT_NAME));
}
