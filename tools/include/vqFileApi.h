// Local-file helpers of the toolkit (Windows only).
#pragma once
#include "vqToolsApi.h"

// Creates every directory along a local path split at '\' ("C:\A\B" tries "C:", "C:\A", "C:\A\B").
// Directories that exist or cannot be made are passed over; returns 1.
VQTOOLS_API int VQAPI_CreatePath(const char* path);

// 1 when the file can be opened for reading without sharing (so not a directory, and not a file that
// another process holds open without sharing), else 0. size gets the file's size in bytes, 0 when
// absent or unreadable, 4294967295 when larger than that.
VQTOOLS_API int VQAPI_FileExists(const char* path, unsigned long& size);

// Deletes the file and its companion parsed-listing file (same name, extension ".vqD").
VQTOOLS_API void VQAPI_UnlinkFiles(const char* path);
