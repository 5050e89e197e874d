// The transfer progress window: the current file above, the whole job below "Details...".
#pragma once
#include "dlgProgressBase.h"

class dlgProgress : public dlgProgressBase {
 public:
  explicit dlgProgress(vqProgressShared* shared);
  // Types 2 and 3 (download, upload) and 5, 6 (site to site) pick the icon.
  void SetJobIcon(unsigned type);

 protected:
  void Refresh() override;

 private:
  // One part of the window (file or job); returns the percent text.
  void ShowPart(unsigned long total, unsigned long current, long long start, long long now, int bar, int bytes,
                int elapsed, int remaining, int percent, char* percentText, size_t size);
};
