#include "smXferFields.h"

#include <stdio.h>
#include <string.h>

#include "smModule.h"
#include "vqAppParams.h"
#include "vqSMgrRes.h"

namespace smXferFields {
namespace {
const char* const kModes[] = {"Automatic", "Binary", "ASCII"};
const char* const kCases[] = {"Keep as is", "Upper case", "Lower case"};

void fill(vqDialog* page, int id, const char* const* items, unsigned count, unsigned selected) {
  for (unsigned i = 0; i < count; ++i) SendDlgItemMessageA(page->GetHwnd(), id, CB_ADDSTRING, 0, (LPARAM)items[i]);
  SendDlgItemMessageA(page->GetHwnd(), id, CB_SETCURSEL, selected < count ? selected : 0, 0);
}
unsigned selection(vqDialog* page, int id) {
  LRESULT r = SendDlgItemMessageA(page->GetHwnd(), id, CB_GETCURSEL, 0, 0);
  return r < 0 ? 0 : static_cast<unsigned>(r);
}
}  // namespace

void Load(vqDialog* page, vqAppParams* app) {
  fill(page, IDC_SM_AP_MODE, kModes, 3, app->GetTransferMode());
  fill(page, IDC_SM_AP_CASE, kCases, 3, app->GetConvertCase());
  SendDlgItemMessageA(page->GetHwnd(), IDC_SM_AP_EXT, EM_LIMITTEXT, 32, 0);
  SM_ListFromText(page->Item(IDC_SM_AP_EXTLIST), app->GetAutoModeFiles(), '|');
}

bool CheckExtension(const char* typed, HWND list, char* out, unsigned size) {
  char text[64];
  lstrcpynA(text, typed ? typed : "", sizeof text);
  char* start = text;
  while (*start == ' ') ++start;
  for (char* end = start + strlen(start); end > start && end[-1] == ' ';) *--end = 0;
  if (!*start || strchr(start, '|')) {
    SM_Warn("Invalid Entry.");
    return false;
  }
  if (*start != '.') {
    if (!SM_Ask("If you are adding an extension, you will need to have the `.` added to the beginning of it; Would "
                "you like the `.` added for you?"))
      return false;
    snprintf(out, size, ".%s", start);
  } else {
    snprintf(out, size, "%s", start);
  }
  if (SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)out) != LB_ERR) {
    SM_Warn("This item is already in the list!");
    return false;
  }
  return true;
}

bool Command(vqDialog* page, WORD id) {
  if (id == IDC_SM_AP_EXTADD) {
    char typed[64], ext[72];
    page->GetText(IDC_SM_AP_EXT, typed, sizeof typed);
    if (CheckExtension(typed, page->Item(IDC_SM_AP_EXTLIST), ext, sizeof ext)) {
      page->ListAdd(IDC_SM_AP_EXTLIST, ext);
      page->SetText(IDC_SM_AP_EXT, "");
    }
    return true;
  }
  if (id == IDC_SM_AP_EXTDEL) {
    int at = page->ListGetSelection(IDC_SM_AP_EXTLIST);
    if (at >= 0) SendDlgItemMessageA(page->GetHwnd(), IDC_SM_AP_EXTLIST, LB_DELETESTRING, at, 0);
    return true;
  }
  return false;
}

void Save(vqDialog* page, vqAppParams* app) {
  app->SetTransferMode(selection(page, IDC_SM_AP_MODE));
  app->SetConvertCase(selection(page, IDC_SM_AP_CASE));
  char list[vqAppParams::TEXT_LEN + 1];
  SM_TextFromList(page->Item(IDC_SM_AP_EXTLIST), list + 1, sizeof list - 2, '|');
  // Stored as "|.a|.b|"; an empty list is stored empty and read back as the default.
  if (list[1]) {
    list[0] = '|';
    strcat(list, "|");
    app->SetAutoModeFiles(list);
  } else {
    app->SetAutoModeFiles("");
  }
}
}  // namespace smXferFields
