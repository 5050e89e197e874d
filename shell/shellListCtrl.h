// The view's list: a virtual list control over the folder's items, which it owns. Texts and icons
// are given when the control draws a row, so filling costs one pass over the items whatever the
// list's length; sorting orders the rows and redraws.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "shellItems.h"

class shellListCtrl {
 public:
  shellListCtrl();
  ~shellListCtrl();
  shellListCtrl(const shellListCtrl&) = delete;
  shellListCtrl& operator=(const shellListCtrl&) = delete;

  void Attach(HWND list) { m_hWnd = list; }
  HWND GetHwnd() const { return m_hWnd; }

  // Columns of a site list (Name, Type, URL, Description) or of a remote list (Name, Size, Type,
  // Date, Permissions, Description); titles[i] for each, widths from the saved settings.
  void SetColumns(bool remote, const char* const* titles, int count, const int* widths);
  bool IsRemote() const { return m_remote; }
  int ColumnCount() const { return m_columns; }
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);

  // View modes as the shell numbers them: 1 large icons, 2 small icons, 3 list, 4 details.
  void SetMode(int mode);
  int GetMode() const { return m_mode; }

  // The rows: items are taken over (shell allocator blocks) and freed by Clear.
  void Clear();
  void Append(LPITEMIDLIST item, int icon);
  // Tells the control the number of rows (after Append and Sort).
  void Publish();
  size_t Count() const { return m_rows.size(); }
  LPITEMIDLIST Item(size_t row) const { return row < m_rows.size() ? m_rows[row].item : nullptr; }
  // Column text as shown (the Description of a remote list comes from the index-file map).
  const char* Text(size_t row, int column, bool forSorting);
  // The same as a person reads it: a UTF-8 server's names wide, everything else from the code page.
  std::wstring WideText(size_t row, int column);

  // Orders the rows by a column; groups (wizard, categories, folders, the rest) stay in front.
  void Sort(int column, bool descending);

  // Rows that are selected, the focused one first when it is selected.
  std::vector<size_t> Selection() const;

  // File name -> description, from the folder's index file.
  std::map<std::string, std::string>& Descriptions() { return m_descriptions; }

  // Notifications of the control (owner data).
  void OnGetDispInfo(NMLVDISPINFOA* info);
  int OnFindItem(NMLVFINDITEMA* find);
  // The wide forms, which the view asks for, so names beyond the code page show whole.
  void OnGetDispInfo(NMLVDISPINFOW* info);
  int OnFindItem(NMLVFINDITEMW* find);

 private:
  struct Row {
    LPITEMIDLIST item;
    int icon;
  };
  HWND m_hWnd;
  bool m_remote;
  int m_columns;
  int m_mode;
  std::vector<Row> m_rows;
  std::map<std::string, std::string> m_descriptions;
  char m_buf[SHELL_COLUMN_BUF];
};
