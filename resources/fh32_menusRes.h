// Ids of the extension's menus, small dialogs and the object property page.
#pragma once

// Item context menus, by the kind of the first item.
#define IDM_CTX_ROOT 1087
#define IDM_CTX_CATEGORY 1088
#define IDM_CTX_SITE 1090
#define IDM_CTX_FOLDER 1091
#define IDM_CTX_WIZARD 1092
#define IDM_CTX_OBJECT 1093
// View menu bars: root and category views, site views, folder views.
#define IDM_BAR_ROOT 1000
#define IDM_BAR_CATEGORY 1002
#define IDM_BAR_SITE 1004
#define IDM_BAR_FOLDER 1008
// Submenus.
#define IDM_ARRANGE_SITES 1080
#define IDM_ARRANGE_REMOTE 1081
#define IDM_VIEW_MODES 1082
#define IDM_TRANSFER_MODES 1086
#define IDM_DROP 1094

// Remote object property page.
#define IDD_OBJPROP 1032
#define IDC_OBJ_ICON 3012
#define IDC_OBJ_SIZE 3013
#define IDC_OBJ_DATE 3014
#define IDC_OBJ_DOMAIN 3015
#define IDC_OBJ_PATH 3016
#define IDC_OBJ_TYPE 3017
#define IDC_OBJ_GROUP 3018
#define IDC_OBJ_OWNER 3019
#define IDC_OBJ_OWNER_READ 3020
#define IDC_OBJ_OWNER_WRITE 3021
#define IDC_OBJ_OWNER_EXEC 3022
#define IDC_OBJ_OWNER_DELETE 3023
#define IDC_OBJ_WORLD_READ 3024
#define IDC_OBJ_WORLD_WRITE 3025
#define IDC_OBJ_WORLD_EXEC 3026
#define IDC_OBJ_WORLD_DELETE 3027
#define IDC_OBJ_GROUP_READ 3028
#define IDC_OBJ_GROUP_WRITE 3029
#define IDC_OBJ_GROUP_EXEC 3030
#define IDC_OBJ_GROUP_DELETE 3031
#define IDC_OBJ_NAME 3032
#define IDC_OBJ_CHMOD 3036

// New folder and change directory.
#define IDD_FOLDER 1033
#define IDC_FOLDER_NAME 3034
#define IDD_CWD 1036
#define IDC_CWD_DIR 3037

// Texts.
#define IDS_ASK_DELETE 47751
#define IDS_ASK_HELP 47749
#define IDS_RENAME_FAILED 57695
#define IDS_NO_WELCOME 57693
#define IDS_OBJPROP_TITLE 57702
#define IDS_ASK_RECONNECT 57715
#define IDS_NO_SOCKET 57678
#define IDS_MKD_CWD_FAILED 57679
#define IDS_MKD_FAILED 57680
