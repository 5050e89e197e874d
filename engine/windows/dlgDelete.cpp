#include "dlgDelete.h"

#include <stdio.h>

#include "vqEngineRes.h"
#include "vqMsg.h"

dlgDelete::dlgDelete(vqProgressShared* shared)
    : dlgProgressBase(IDD_PROG_DEL, shared, VQPROG_KIND_DEL, IDA_PROG_DELETE) {}

void dlgDelete::Refresh() {
  vqDelState s = m_shared->Read(&vqProgressShared::del);
  SetTitleIfChanged(s.title);
  SetTextIfChangedW(IDC_DEL_ITEM, s.item);
  unsigned long total = s.totalFiles > 0 ? static_cast<unsigned long>(s.totalFiles) : 0;
  unsigned long done = s.currentFile > 0 ? static_cast<unsigned long>(s.currentFile) : 0;
  SetBar(IDC_DEL_BAR, total, done < total ? done : total);
  int percent = static_cast<int>(total ? (done < total ? done : total) * 100 / total : 0);
  char text[64];
  snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_PROG_DEL_PERCENT), percent, '%');
  SetTextIfChanged(IDC_DEL_PERCENT, text);
  snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_PROG_FILES), s.currentFile, s.totalFiles);
  SetTextIfChanged(IDC_DEL_FILES, text);
}
