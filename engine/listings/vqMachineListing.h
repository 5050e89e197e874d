// Machine-readable listings (MLSD lines and MLST entries): "fact=value;fact=value; name". Fact names
// come in any case and order, any of them may be missing, and the name after the first blank that
// follows a fact's semicolon is taken whole (blanks and semicolons included). Platform-neutral.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "vqEngineApi.h"

enum {
  VQ_MLS_OTHER = 0,  // no type fact, or one we do not know (a device, a socket): shown as a file
  VQ_MLS_FILE = 1,
  VQ_MLS_DIR = 2,
  VQ_MLS_CDIR = 3,  // the listed folder itself
  VQ_MLS_PDIR = 4,  // its parent
  VQ_MLS_LINK = 5,  // OS.unix=slink (or symlink), target after ':' when the server names it
};

struct vqMachineFacts {
  int type;  // VQ_MLS_*
  int hasSize;
  uint64_t size;  // "size" (files) or "sizd" (folders)
  int hasModify;
  int year, month, day, hour, minute, second;  // "modify", in UTC
  char perm[25];                               // the "perm" fact's letters (adfrwcelmp), as sent
  int hasPerm;
  int hasMode;
  unsigned int mode;  // "unix.mode", octal
  char owner[25];     // "unix.owner" or "unix.ownername"
  char group[25];     // "unix.group" or "unix.groupname"
  char linkTarget[256];
  const char* name;  // into the line; nameLength characters
  size_t nameLength;
};

// 1 when the line has the shape of a machine-listing entry: one or more facts, each "name=value;"
// with a fact name of letters, digits, '.', '-' or '_', then one blank and a non-empty name, and at
// least one fact whose name a machine listing uses. A LIST line of any host type never looks so.
VQENGINE_API int VQLIST_IsMachineLine(const char* line, size_t length);

// Reads one entry; 1 when the line is one (out filled), 0 otherwise. Every copy is bounded; a fact
// that cannot be read (a date out of range, a size past 2^64) is treated as missing.
VQENGINE_API int VQLIST_ReadMachineLine(const char* line, size_t length, vqMachineFacts* out);

// "YYYYMMDDHHMMSS[.sss]" (a modify fact, an MDTM reply's number) into parts; 1 when valid.
VQENGINE_API int VQLIST_ParseFactTime(const char* text, size_t length, int* year, int* month, int* day, int* hour,
                                      int* minute, int* second);

// The local calendar time of a UTC time (the time-zone rules of that date); 1 on success.
VQENGINE_API int VQLIST_UtcToLocal(int year, int month, int day, int hour, int minute, int second, int* lyear,
                                   int* lmonth, int* lday, int* lhour, int* lminute, int* lsecond);
