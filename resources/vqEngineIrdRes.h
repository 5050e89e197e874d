// Resource ids of the initial remote directory dialog (resources/vqEngineIrd.rc2).
#pragma once
#define IDD_IRD 540
#define IDC_IRD_TEXT 1150
#define IDC_IRD_DIR 1151
#define IDS_IRD_FAILED 24020
