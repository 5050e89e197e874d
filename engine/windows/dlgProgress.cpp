#include "dlgProgress.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "vqEngineRes.h"
#include "vqMsg.h"
#include "vqProgressCalc.h"
#include "vqString.h"

dlgProgress::dlgProgress(vqProgressShared* shared) : dlgProgressBase(IDD_PROG_XFER, shared, VQPROG_KIND_XFER) {}

void dlgProgress::SetJobIcon(unsigned type) {
  UINT id = type == 2 ? IDI_PROG_UPLOAD : type == 3 ? IDI_PROG_DOWNLOAD : IDI_PROG_COPY;
  HICON icon = LoadIconA(m_module, MAKEINTRESOURCEA(id));  // shared resource icon, not destroyed
  SendDlgItemMessageA(m_hWnd, IDC_PROG_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void dlgProgress::ShowPart(unsigned long total, unsigned long current, long long start, long long now, int bar,
                           int bytes, int elapsed, int remaining, int percent, char* percentText, size_t size) {
  vqProgressFigures f;
  _progCalc(total, current, start, now, &f);
  SetBar(bar, f.barRange, f.barPos);
  snprintf(percentText, size, VQ_TEXT(m_module, IDS_PROG_PERCENT), f.percent, '%');
  SetTextIfChanged(percent, percentText);

  char cur[64], tot[64], line[256];
  VQSTR_FormatSize(current, cur, 0);
  VQSTR_FormatSize(total, tot, 0);
  snprintf(line, sizeof line, VQ_TEXT(m_module, IDS_PROG_BYTES), cur, tot, f.rate / 1024);
  SetTextIfChanged(bytes, line);
  char clock[32];
  _progClock(VQ_TEXT(m_module, IDS_PROG_CLOCK), f.elapsed, clock, sizeof clock);
  SetTextIfChanged(elapsed, clock);
  _progClock(VQ_TEXT(m_module, IDS_PROG_CLOCK), f.remaining, clock, sizeof clock);
  SetTextIfChanged(remaining, clock);
}

void dlgProgress::Refresh() {
  vqXferState s = m_shared->Read(&vqProgressShared::xfer);
  long long now = static_cast<long long>(time(nullptr));
  SetTextIfChangedW(IDC_PROG_SOURCE, s.source);
  SetTextIfChangedW(IDC_PROG_DEST, s.dest);

  char filePercent[16], jobPercent[16], text[VQPROG_TEXT + 32];
  ShowPart(s.fileTotal, s.fileCurrent, s.fileStart, now, IDC_PROG_FILEBAR, IDC_PROG_FILEBYTES, IDC_PROG_FILEELAPSED,
           IDC_PROG_FILEREMAIN, IDC_PROG_FILEPERCENT, filePercent, sizeof filePercent);
  const std::wstring percent(filePercent, filePercent + strlen(filePercent));  // digits and a sign
  SetTitleIfChanged(Format(IDS_PROG_TITLE, {percent, s.title}).c_str());

  ShowPart(s.jobTotal, s.jobCurrent, s.jobStart, now, IDC_PROG_JOBBAR, IDC_PROG_JOBBYTES, IDC_PROG_JOBELAPSED,
           IDC_PROG_JOBREMAIN, IDC_PROG_JOBPERCENT, jobPercent, sizeof jobPercent);
  snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_PROG_FILES), s.currentFile, s.totalFiles);
  SetTextIfChanged(IDC_PROG_JOBFILES, text);
}
