// The record the engine hands to its callbacks: commands, reply lines, status texts, progress.
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifndef VQ_SOCK_NOTIFICATION_DEFINED
#define VQ_SOCK_NOTIFICATION_DEFINED
#pragma pack(push, 1)
struct _sock_notification_ {
  int32_t type;
  uint32_t result;
  char resultText[1025];
  int32_t sockError;
  char sockErrorText[1025];
  char message[2049];
  unsigned char reserved1[8];
  uint32_t current;
  uint32_t total;
  unsigned char reserved2[1041];
};
#pragma pack(pop)
static_assert(offsetof(_sock_notification_, message) == 2062, "layout");
static_assert(offsetof(_sock_notification_, current) == 4119, "layout");
static_assert(sizeof(_sock_notification_) == 5168, "layout");
#endif
