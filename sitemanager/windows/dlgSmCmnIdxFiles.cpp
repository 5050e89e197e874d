#include "dlgSmCmnIdxFiles.h"

#include <string.h>

#include "smModule.h"
#include "vqCommonParams.h"
#include "vqSMgrRes.h"

dlgSmCmnIdxFiles::dlgSmCmnIdxFiles(unsigned char progId, vqCommonParams* params, vqSiteParams* site)
    : dlgSmCmnPage(IDD_SM_IDXFILES, "Index Files", progId, params, site) {}

BOOL dlgSmCmnIdxFiles::OnInitDialog() {
  Limit(IDC_SM_IX_ENTRY, 64);
  Limit(IDC_SM_IX_SIZE, 5);
  SetCheck(IDC_SM_IX_USE, m_params->GetUseIndexFiles() != 0);
  SM_ListFromText(Item(IDC_SM_IX_LIST), m_params->GetIndexFileList(), '|');
  SetNumber(IDC_SM_IX_SIZE, m_params->GetIndexFileSize());
  return TRUE;
}

BOOL dlgSmCmnIdxFiles::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_IX_ADD) {
    char entry[80];
    GetText(IDC_SM_IX_ENTRY, entry, sizeof entry);
    char* start = entry;
    while (*start == ' ') ++start;
    // "|" separates the stored names.
    if (!*start || strchr(start, '|')) {
      SM_Warn("Invalid Entry.");
    } else if (SendDlgItemMessageA(m_hWnd, IDC_SM_IX_LIST, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)start) != LB_ERR) {
      SM_Warn("This item is already in the list.");
    } else {
      ListAdd(IDC_SM_IX_LIST, start);
      SetText(IDC_SM_IX_ENTRY, "");
    }
    return TRUE;
  }
  if (id == IDC_SM_IX_DEL) {
    int at = ListGetSelection(IDC_SM_IX_LIST);
    if (at >= 0) SendDlgItemMessageA(m_hWnd, IDC_SM_IX_LIST, LB_DELETESTRING, at, 0);
    return TRUE;
  }
  return dlgSmCmnPage::OnCommand(id, code, control);
}

void dlgSmCmnIdxFiles::Save(vqCommonParams* to) {
  char list[vqCommonParams::TEXT_LEN + 1];
  SM_TextFromList(Item(IDC_SM_IX_LIST), list + 1, sizeof list - 2, '|');
  // Stored as "|a|b|" so a name is found by searching for "|name|".
  if (list[1]) {
    list[0] = '|';
    strcat(list, "|");
    to->SetIndexFileList(list);
  } else {
    to->SetIndexFileList("");
  }
  to->SetUseIndexFiles(GetCheck(IDC_SM_IX_USE) ? 1 : 0);
  to->SetIndexFileSize(GetNumber(IDC_SM_IX_SIZE));
}
