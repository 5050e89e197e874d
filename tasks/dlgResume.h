// "Attention!": a download found a shorter local copy of its file. The user picks resuming where
// the copy ends or starting again, and whether that answer holds for the rest of the job.
#pragma once
#include "vqDialog.h"

class dlgResume : public vqDialog {
 public:
  enum { Resume = 0, StartAgain = 1 };
  explicit dlgResume(HINSTANCE module);

  int Choice;       // Resume or StartAgain
  bool ApplyToAll;  // keep this answer for the job's further files

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
