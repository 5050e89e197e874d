// Resource ids of the background work's dialogs and texts (resources/fh32_tasks.rc2).
#pragma once
#define IDD_USE_PRIMARY 1041
#define IDC_UP_RETRY 6168
#define IDC_UP_ONCE 6169
#define IDC_UP_ALWAYS 6170
#define IDC_UP_TEXT 6171
#define IDS_NO_WELCOME 57693
#define IDS_LISTING_TIMEOUT 57716
