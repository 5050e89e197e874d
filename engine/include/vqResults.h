// The engine's result codes and the thread messages that carry work between the extension's
// threads. An FTP operation returns one of the engine's own codes below, or the server's reply
// code (100 to 599) unchanged when the server refused a command; FTP_ErrorString has a text for each.
#pragma once
#include "vqThread.h"

// Plain constants rather than an enum: results are compared and returned as unsigned long.
constexpr unsigned long VQFTP_OK = 0;                  // success
constexpr unsigned long VQFTP_CANCELLED = 1;           // cancelled through the callback or FTP_CANCEL
constexpr unsigned long VQFTP_TIMEOUT = 1001;          // no reply in time, or the connect wait ran out
constexpr unsigned long VQFTP_LOCAL_FILE = 1002;       // the local file cannot be opened or created
constexpr unsigned long VQFTP_CONNECT_FAILED = 1003;   // the connect failed or the greeting was a refusal
constexpr unsigned long VQFTP_UNRESOLVED = 1004;       // the host name could not be resolved
constexpr unsigned long VQFTP_BIND_FAILED = 1005;      // a socket could not be bound
constexpr unsigned long VQFTP_LISTEN_FAILED = 1006;    // the listening socket could not be opened
constexpr unsigned long VQFTP_NOT_CONNECTED = 1007;    // an operation on a closed session
constexpr unsigned long VQFTP_SEND_FAILED = 1008;      // a command could not be sent (or was refused before sending)
constexpr unsigned long VQFTP_ACCESS_DENIED = 1009;    // no permission on the file
constexpr unsigned long VQFTP_FILE_MISSING = 1010;     // the file is missing
constexpr unsigned long VQFTP_DOWNLOAD_FAILED = 1011;  // a download or its data connection failed
constexpr unsigned long VQFTP_UPLOAD_FAILED = 1012;    // an upload's data connection was not accepted
constexpr unsigned long VQFTP_LIST_FAILED = 1013;      // a listing could not be made
constexpr unsigned long VQFTP_TLS_FAILED = 1014;       // the secure connection (TLS) could not be set up
constexpr unsigned long VQFTP_TLS_REFUSED = 1015;      // the site requires TLS and the server does not offer it
constexpr unsigned long VQFTP_CERT_REFUSED = 1016;     // the server's certificate was not trusted
constexpr unsigned long VQFTP_INTERNAL = 1099;         // an internal failure, or an unusable passive address
constexpr unsigned long VQFTP_NOT_READY = 0xFFFF;      // no engine, no site, or the site's lock not obtained in time

// Thread messages: 600 to 602 are the framework's (vqThread.h); the rest are the folder view's
// commands, posted to its window by the worker threads.
enum vqThreadMessage : unsigned int {
  VQMSG_RUN_JOB = VQ_THREAD_MSG_START,  // 600: run one job (wParam the job, lParam non-zero ends the thread after)
  VQMSG_DISPATCH = VQ_THREAD_MSG_WORK,  // 601: run the queued jobs
  VQMSG_QUIT = VQ_THREAD_MSG_QUIT,      // 602: end the thread's loop
  VQMSG_STATUS_TEXT = 7021,             // a status text for Explorer's status bar
  VQMSG_INDEX_FILE = 7024,              // an index file fetched for the folder view (its local path)
  VQMSG_FILL_VIEW = 12345,              // the folder view fills its list
};
