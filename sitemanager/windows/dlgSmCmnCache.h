// "Caching": listing and file caches (cache, clear before connecting, clear now); in the
// application sheet also the cache folder with its free space and the cache size.
#pragma once
#include "dlgSmCmnPage.h"

class dlgSmCmnCache : public dlgSmCmnPage {
 public:
  dlgSmCmnCache(unsigned char progId, vqCommonParams* params, vqSiteParams* site);

 protected:
  BOOL OnInitDialog() override;
  void Save(vqCommonParams* to) override;
  bool Validate() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  void ShowFreeSpace();
  void ClearCaches(bool listings);
};
