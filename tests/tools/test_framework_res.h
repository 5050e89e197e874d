#pragma once
#define IDD_T_FIELDS 100
#define IDD_T_PAGE1 101
#define IDD_T_PAGE2 102
#define IDC_T_TEXT 1000
#define IDC_T_NUMBER 1001
#define IDC_T_CHECK 1002
#define IDC_T_RADIO1 1003
#define IDC_T_RADIO2 1004
#define IDC_T_RADIO3 1005
#define IDC_T_LIST 1006
