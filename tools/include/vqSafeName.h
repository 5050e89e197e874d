// Local file names for remote names. A server chooses the names it lists; whatever it sends, the
// local name made here stays inside the folder it is meant for.
#pragma once
#include <stddef.h>

#include "vqToolsApi.h"

enum { VQ_MAX_PATH = 260 };

// Writes into out (size bytes) a file name for the remote name `name` that a folder path of
// folderLength characters (with its trailing '\') can hold within VQ_MAX_PATH:
//  - '\' '/' ':' '*' '?' '"' '<' '>' '|' and control characters become '_';
//  - trailing dots and blanks are dropped, as Windows drops them when it makes the file;
//  - a name of only dots or blanks (or empty) gets '_' for each of them ("_" for an empty one);
//  - a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9), alone or with an extension, gets
//    a leading '_';
//  - a name too long for the folder is cut, keeping an extension of up to 16 characters.
// Double-byte characters of the code page in use are kept whole. Returns 1, or 0 with out empty
// when the folder leaves no room for a name or out is too small.
VQTOOLS_API int VQSTR_SafeLocalName(const char* name, size_t folderLength, char* out, size_t size);
