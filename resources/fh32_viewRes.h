// Resource ids of the folder view (fh32.dll).
#pragma once

#define IDD_SHELLVIEW 1034
#define IDC_SHELLLIST 3169
#define IDC_VIEWLOG 6176
#define IDC_VIEWEMPTY 6190

// Menu bars merged into the shell's: root, category, site and folder views.
#define IDM_VIEW_ROOT 1000
#define IDM_VIEW_CATEGORY 1002
#define IDM_VIEW_SITE 1004
#define IDM_VIEW_FOLDER 1008

#define IDS_VIEW_OBJECTS 57694
#define IDS_VIEW_EMPTY 57714
#define IDS_VIEW_ERROR 57717
#define IDS_VIEW_BADNAME 7129
#define IDS_VIEW_RENAMEFAILED 57695
