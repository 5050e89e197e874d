// The engine's fixed table of server kinds: display name, identifying system text and path
// delimiter for each _VQ_HOSTTYPE value. A read-only view of constant data.
#pragma once
#include "vqEngineApi.h"
#include "vqHostType.h"

struct _ftpsvr_info_ {
  unsigned short key;    // the _VQ_HOSTTYPE value
  char name[256];        // shown to the user
  char systemText[256];  // SYST wording of the kind (trailing blanks belong to it)
  char delimiter[2];     // path delimiter as a one-character text
};
static_assert(sizeof(_ftpsvr_info_) == 516, "fields follow each other without gaps");

class VQENGINE_API vqSupportedServers {
 public:
  vqSupportedServers();
  ~vqSupportedServers();

  unsigned short CfgCount() const;
  // Row at index, or null when index is not below CfgCount().
  const _ftpsvr_info_* CfgGet(unsigned int index) const;
  // Row whose key is key, or null.
  const _ftpsvr_info_* CfgFind(unsigned int key) const;

 private:
  unsigned short m_count;
  const _ftpsvr_info_* m_rows;
};
