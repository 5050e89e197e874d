// The progress handle: one of three modeless windows (connection, transfer, delete) fed by the
// worker, answering whether the user pressed Cancel. Every call returns the current window's
// cancel flag and clears it, so one press is reported once; a null handle or a type the call does
// not serve gives 0 and changes nothing.
//
// The windows belong to the thread that called VQPROG_Create. Calls from that thread act at once;
// calls from any other thread only change the shared state and post to the window's thread, so a
// worker never waits on the window (and the window never waits on a blocked worker).
//
// Texts are kept wide. The narrow setters take text in the system's code page; the W setters take
// names the code page may lack (a UTF-8 server's file names) and show them whole.
#pragma once
#include "vqEngineApi.h"

// Types: 1 connection; 2 upload, 3 download, 5 and 6 site to site (transfer window); 4 delete.
VQENGINE_API void* VQPROG_Create();
VQENGINE_API int VQPROG_Destroy(void* handle);
VQENGINE_API int VQPROG_Open(void* handle, unsigned int type);
VQENGINE_API int VQPROG_Close(void* handle);
VQENGINE_API unsigned int VQPROG_GetType(void* handle);
VQENGINE_API int VQPROG_SetType(void* handle, unsigned int type);
VQENGINE_API int VQPROG_IsCanceled(void* handle);
VQENGINE_API int VQPROG_FileSetTitle(void* handle, const char* text);
VQENGINE_API int VQPROG_FileSetSource(void* handle, const char* path);
VQENGINE_API int VQPROG_FileSetDest(void* handle, const char* path);
VQENGINE_API int VQPROG_FileSetTotalBytes(void* handle, unsigned long n);
VQENGINE_API int VQPROG_FileSetCurrentBytes(void* handle, unsigned long n);
VQENGINE_API int VQPROG_FileTimerStart(void* handle);
VQENGINE_API int VQPROG_FileTimerStop(void* handle);
VQENGINE_API int VQPROG_JobTimerStart(void* handle);
VQENGINE_API int VQPROG_JobTimerStop(void* handle);
VQENGINE_API int VQPROG_JobSetTotalBytes(void* handle, unsigned long n);
VQENGINE_API int VQPROG_JobAddTotalBytes(void* handle, unsigned long n);
VQENGINE_API int VQPROG_JobSetTotalFiles(void* handle, int n);
VQENGINE_API int VQPROG_JobAddTotalFiles(void* handle, int n);
VQENGINE_API int VQPROG_JobSetCurrentFile(void* handle, int n);
VQENGINE_API int VQPROG_CnctSetStatus(void* handle, const char* text);
VQENGINE_API int VQPROG_CnctSetLastError(void* handle, const char* text);
VQENGINE_API int VQPROG_CnctSetAttempts(void* handle, int attempt, int attempts);
VQENGINE_API int VQPROG_FileSetTitleW(void* handle, const wchar_t* text);
VQENGINE_API int VQPROG_FileSetSourceW(void* handle, const wchar_t* path);
VQENGINE_API int VQPROG_FileSetDestW(void* handle, const wchar_t* path);
VQENGINE_API int VQPROG_CnctSetStatusW(void* handle, const wchar_t* text);
VQENGINE_API int VQPROG_CnctSetLastErrorW(void* handle, const wchar_t* text);

// The window of the current type (null when it is not open); for tests and screenshots. Only the
// creating thread may use the window directly.
VQENGINE_API void* VQPROG_GetWindow(void* handle);
// True while a refresh posted from another thread has not yet been drawn.
VQENGINE_API int VQPROG_IsRefreshPending(void* handle);
