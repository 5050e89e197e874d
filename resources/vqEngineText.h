// String ids of the engine's result and Winsock texts (resources/vqEngineText.rc2).
#pragma once

// Text of an engine result code or an FTP reply code: base + code (0 to 1099).
#define IDS_VQENG_CODE_BASE 20000
// Phrase of a Winsock error: base + (error - 10000), errors 10004 to 11004.
#define IDS_VQENG_WSOCK_BASE 22000

#define IDS_VQENG_WSOCK_UNKNOWN 23100
#define IDS_VQENG_WSOCK_FORMAT 23101
#define IDS_VQENG_WSOCK_NOERROR 23102
#define IDS_VQENG_NO_RESPONSE 23103
#define IDS_VQENG_WINSOCK_INFO 23104
#define IDS_VQENG_REPLY_FORMAT 23105
#define IDS_VQENG_REMOTE_DIR 23106
#define IDS_VQENG_LOCKED 23107
#define IDS_VQENG_WSOCK_INIT_FAILED 23108
