#include "dlgConnect.h"

#include <stdio.h>

#include "vqEngineRes.h"
#include "vqMsg.h"

dlgConnect::dlgConnect(vqProgressShared* shared)
    : dlgProgressBase(IDD_PROG_CNCT, shared, VQPROG_KIND_CNCT, IDA_PROG_CONNECT) {}

void dlgConnect::Refresh() {
  vqCnctState s = m_shared->Read(&vqProgressShared::cnct);
  char text[VQPROG_TEXT + 64];
  SetTitleIfChanged(s.title);
  SetTextIfChangedW(IDC_CNCT_HOST, Format(IDS_PROG_CONNECTING, {s.title}).c_str());
  SetTextIfChangedW(IDC_CNCT_STATUS, s.status);
  snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_PROG_NUMBER), s.attempt);
  SetTextIfChanged(IDC_CNCT_ATTEMPT, text);
  snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_PROG_NUMBER), s.attempts);
  SetTextIfChanged(IDC_CNCT_ATTEMPTS, text);
  SetTextIfChangedW(IDC_CNCT_LASTERROR, s.lastError);
}
