// Resource ids of the engine's progress windows and dialogs (resources/vqEngineUi.rc2).
#pragma once

// Icons; the transfer window's icon follows the job: download (type 3), upload (type 2), site-to-site copy.
#define IDI_PROG_DOWNLOAD 515
#define IDI_PROG_UPLOAD 516
#define IDI_PROG_CONNECT 519
#define IDI_PROG_COPY 522
// Animations of the connection and delete windows.
#define IDA_PROG_CONNECT 514
#define IDA_PROG_DELETE 521

#define IDD_PROG_XFER 530
#define IDD_PROG_CNCT 531
#define IDD_PROG_DEL 532
#define IDD_LOGIN 533

#define IDC_PROG_ICON 1100
#define IDC_PROG_SOURCE 1101
#define IDC_PROG_DEST 1102
#define IDC_PROG_FILEBAR 1103
#define IDC_PROG_FILEBYTES 1104
#define IDC_PROG_FILEELAPSED 1105
#define IDC_PROG_FILEREMAIN 1106
#define IDC_PROG_FILEPERCENT 1107
#define IDC_PROG_JOBFILES 1108
#define IDC_PROG_JOBBAR 1109
#define IDC_PROG_JOBBYTES 1110
#define IDC_PROG_JOBELAPSED 1111
#define IDC_PROG_JOBREMAIN 1112
#define IDC_PROG_JOBPERCENT 1113
#define IDC_PROG_DETAILS 1114
#define IDC_PROG_UPPER 1115
#define IDC_PROG_LOWER 1116
#define IDC_PROG_ANIMATE 1117

#define IDC_CNCT_HOST 1120
#define IDC_CNCT_STATUS 1121
#define IDC_CNCT_ATTEMPT 1122
#define IDC_CNCT_ATTEMPTS 1123
#define IDC_CNCT_LASTERROR 1124

#define IDC_DEL_ITEM 1130
#define IDC_DEL_BAR 1131
#define IDC_DEL_PERCENT 1132
#define IDC_DEL_FILES 1133

#define IDC_LOGIN_USER 1140
#define IDC_LOGIN_PASS 1141
#define IDC_LOGIN_ACCT 1142
#define IDC_LOGIN_SAVE 1143

// Texts of the windows.
#define IDS_PROG_BYTES 24000
#define IDS_PROG_FILES 24001
#define IDS_PROG_PERCENT 24002
#define IDS_PROG_TITLE 24003
#define IDS_PROG_CLOCK 24004
#define IDS_PROG_CONNECTING 24005
#define IDS_PROG_DEL_PERCENT 24006
#define IDS_PROG_NUMBER 24007
