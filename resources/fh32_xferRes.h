// Resource ids of the transfer dialogs of fh32 (resources/fh32_xfer.rc2).
#pragma once
#define IDD_RESUME 1092
#define IDC_RESUME_TEXT 6176
#define IDC_RESUME_YES 6177
#define IDC_RESUME_NO 6178
#define IDC_RESUME_ALL 6179
