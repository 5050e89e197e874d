#include "shellListCtrl.h"

#include <objbase.h>
#include <string.h>

#include <algorithm>

#include "shellViewRules.h"
#include "shellWideNames.h"

namespace {
const int kDescriptionColumn = 5;
const DWORD kModeStyles[] = {LVS_ICON, LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
}  // namespace

shellListCtrl::shellListCtrl() : m_hWnd(nullptr), m_remote(false), m_columns(0), m_mode(4) { m_buf[0] = 0; }

shellListCtrl::~shellListCtrl() { Clear(); }

void shellListCtrl::SetColumns(bool remote, const char* const* titles, int count, const int* widths) {
  m_remote = remote;
  while (SendMessageA(m_hWnd, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (int i = 0; i < count; ++i) {
    LVCOLUMNA column;
    memset(&column, 0, sizeof column);
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    // Sizes read best aligned to the right.
    column.fmt = remote && i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = widths[i];
    column.pszText = const_cast<char*>(titles[i]);
    column.iSubItem = i;
    SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  m_columns = count;
}

int shellListCtrl::ColumnWidth(int column) const {
  return static_cast<int>(SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, column, 0));
}

void shellListCtrl::SetColumnWidth(int column, int width) {
  SendMessageA(m_hWnd, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

void shellListCtrl::SetMode(int mode) {
  if (mode < 1 || mode > 4) mode = 4;
  m_mode = mode;
  LONG_PTR style = GetWindowLongPtrA(m_hWnd, GWL_STYLE);
  SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | kModeStyles[mode]);
  if (mode == 1 || mode == 2) SendMessageA(m_hWnd, LVM_ARRANGE, LVA_DEFAULT, 0);
}

void shellListCtrl::Clear() {
  if (m_hWnd) SendMessageA(m_hWnd, LVM_SETITEMCOUNT, 0, 0);
  for (Row& row : m_rows) CoTaskMemFree(row.item);
  m_rows.clear();
}

void shellListCtrl::Append(LPITEMIDLIST item, int icon) {
  if (item) m_rows.push_back(Row{item, icon});
}

void shellListCtrl::Publish() {
  SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), 0);
  SendMessageA(m_hWnd, LVM_SETITEMCOUNT, m_rows.size(), 0);
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

const char* shellListCtrl::Text(size_t row, int column, bool forSorting) {
  if (row >= m_rows.size()) return "";
  LPCITEMIDLIST item = m_rows[row].item;
  if (m_remote && column == kDescriptionColumn) {
    auto found = m_descriptions.find(shellItemName(item));
    return found == m_descriptions.end() ? "" : found->second.c_str();
  }
  return shellColumnText(item, column, forSorting ? 1 : 0, m_buf, sizeof m_buf);
}

void shellListCtrl::Sort(int column, bool descending) {
  if (column < 0 || column >= std::max(m_columns, 1)) column = 0;
  // The keys are made once per sort, not once per comparison.
  struct Keyed {
    int kind;
    std::string key;
    Row row;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(m_rows.size());
  for (size_t i = 0; i < m_rows.size(); ++i)
    keyed.push_back(Keyed{shellItemKind(m_rows[i].item), Text(i, column, true), m_rows[i]});
  std::stable_sort(keyed.begin(), keyed.end(), [descending](const Keyed& a, const Keyed& b) {
    return shellCompareForView(a.kind, a.key.c_str(), b.kind, b.key.c_str(), descending) < 0;
  });
  for (size_t i = 0; i < keyed.size(); ++i) m_rows[i] = keyed[i].row;
  if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

std::vector<size_t> shellListCtrl::Selection() const {
  std::vector<size_t> rows;
  int focused = static_cast<int>(SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  bool focusSelected =
      focused >= 0 && (SendMessageA(m_hWnd, LVM_GETITEMSTATE, focused, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  if (focusSelected) rows.push_back(static_cast<size_t>(focused));
  int at = -1;
  while ((at = static_cast<int>(SendMessageA(m_hWnd, LVM_GETNEXTITEM, at, LVNI_SELECTED))) >= 0) {
    if (at != focused || !focusSelected) rows.push_back(static_cast<size_t>(at));
    if (rows.size() > m_rows.size()) break;
  }
  return rows;
}

void shellListCtrl::OnGetDispInfo(NMLVDISPINFOA* info) {
  LVITEMA& item = info->item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_rows.size()) return;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    lstrcpynA(item.pszText, Text(item.iItem, item.iSubItem, false), item.cchTextMax);
  if (item.mask & LVIF_IMAGE) item.iImage = m_rows[item.iItem].icon;
}

std::wstring shellListCtrl::WideText(size_t row, int column) {
  if (row >= m_rows.size()) return std::wstring();
  LPCITEMIDLIST item = m_rows[row].item;
  if (column == 0 && shellItemNameIsUtf8(item) && shellIsRemoteKind(shellItemKind(item))) return shellItemWideName(item);
  return shellFromCodePage(Text(row, column, false));
}

void shellListCtrl::OnGetDispInfo(NMLVDISPINFOW* info) {
  LVITEMW& item = info->item;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= m_rows.size()) return;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    lstrcpynW(item.pszText, WideText(item.iItem, item.iSubItem).c_str(), item.cchTextMax);
  if (item.mask & LVIF_IMAGE) item.iImage = m_rows[item.iItem].icon;
}

int shellListCtrl::OnFindItem(NMLVFINDITEMW* find) {
  if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
  size_t n = m_rows.size(), typed = wcslen(find->lvfi.psz);
  if (!n || !typed) return -1;
  size_t start = find->iStart >= 0 ? static_cast<size_t>(find->iStart) % n : 0;
  for (size_t k = 0; k < n; ++k) {
    size_t row = (start + k) % n;
    if (!(find->lvfi.flags & LVFI_WRAP) && row < start) break;
    if (_wcsnicmp(WideText(row, 0).c_str(), find->lvfi.psz, typed) == 0) return static_cast<int>(row);
  }
  return -1;
}

int shellListCtrl::OnFindItem(NMLVFINDITEMA* find) {
  // Type-ahead: the first name from the start row on that begins with the typed text.
  if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
  size_t n = m_rows.size(), typed = strlen(find->lvfi.psz);
  if (!n || !typed) return -1;
  size_t start = find->iStart >= 0 ? static_cast<size_t>(find->iStart) % n : 0;
  for (size_t k = 0; k < n; ++k) {
    size_t row = (start + k) % n;
    if (!(find->lvfi.flags & LVFI_WRAP) && row < start) break;
    if (_strnicmp(shellItemName(m_rows[row].item), find->lvfi.psz, typed) == 0) return static_cast<int>(row);
  }
  return -1;
}
