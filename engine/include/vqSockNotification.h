// The record the engine hands to its callbacks for every command, reply line, status text and
// progress step; also the listing parser's status record. Portable, so the parser builds anywhere.
#pragma once
#include <stddef.h>

#pragma pack(push, 1)
struct _sock_notification_ {
  int type;                  // notification code
  unsigned int result;       // last result code (GetLastRetCode)
  char resultText[1025];     // its text, at most 1024 characters
  int sockError;             // last Winsock error number
  char sockErrorText[1025];  // its text
  char message[2049];        // log line or status text, at most 2048 characters
  // High 32 bits of current and total for transfers of 4 GB or more (were reserved, zero before).
  unsigned int currentHigh;
  unsigned int totalHigh;
  unsigned int current;  // bytes so far, or the attempt number (low 32 bits)
  unsigned int total;    // total bytes, or the number of attempts (low 32 bits)
  char reserved2[1041];
};
#pragma pack(pop)
static_assert(sizeof(_sock_notification_) == 5168, "record shared with callers, packed");
static_assert(offsetof(_sock_notification_, message) == 2062, "layout");
static_assert(offsetof(_sock_notification_, currentHigh) == 4111, "layout");
static_assert(offsetof(_sock_notification_, current) == 4119, "layout");
