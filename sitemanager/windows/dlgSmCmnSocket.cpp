#include <initializer_list>

#include "dlgSmCmnSocket.h"

#include "vqCommonParams.h"
#include "vqSMgrRes.h"

namespace {
// The ranges the stored settings keep (a value outside is replaced by its default on load).
struct Range {
  int id;
  unsigned long lo, hi;
};
const Range kRanges[] = {
    {IDC_SM_SO_SBUF, 32, 16384},  {IDC_SM_SO_RBUF, 32, 16384}, {IDC_SM_SO_TIMEOUT, 5, 600},
    {IDC_SM_SO_KEEPALIVE, 0, 10}, {IDC_SM_SO_RETRIES, 0, 256}, {IDC_SM_SO_RETRYWAIT, 0, 3600},
};
}  // namespace

dlgSmCmnSocket::dlgSmCmnSocket(unsigned char progId, vqCommonParams* params, vqSiteParams* site)
    : dlgSmCmnPage(IDD_SM_SOCKET, "Connection", progId, params, site) {}

BOOL dlgSmCmnSocket::OnInitDialog() {
  for (const Range& r : kRanges) Limit(r.id, 5);
  SetCheck(IDC_SM_SO_SAVER, m_params->GetConnectionSaver() != 0);
  SetCheck(IDC_SM_SO_SHOWMSG, m_params->GetShowMsg() != 0);
  SetNumber(IDC_SM_SO_SBUF, m_params->GetSBufSize());
  SetNumber(IDC_SM_SO_RBUF, m_params->GetRBufSize());
  SetNumber(IDC_SM_SO_TIMEOUT, m_params->GetTimeout());
  SetNumber(IDC_SM_SO_KEEPALIVE, m_params->GetKeepAlive());
  SetNumber(IDC_SM_SO_RETRIES, m_params->GetRetryCount());
  SetNumber(IDC_SM_SO_RETRYWAIT, m_params->GetRetryWait());
  return TRUE;
}

bool dlgSmCmnSocket::Validate() {
  unsigned long n = 0;
  for (const Range& r : kRanges)
    if (!GetRanged(r.id, r.lo, r.hi, &n)) return false;
  return true;
}

void dlgSmCmnSocket::Save(vqCommonParams* to) {
  to->SetConnectionSaver(GetCheck(IDC_SM_SO_SAVER) ? 1 : 0);
  to->SetShowMsg(GetCheck(IDC_SM_SO_SHOWMSG) ? 1 : 0);
  to->SetSBufSize(GetNumber(IDC_SM_SO_SBUF));
  to->SetRBufSize(GetNumber(IDC_SM_SO_RBUF));
  to->SetTimeout(GetNumber(IDC_SM_SO_TIMEOUT));
  to->SetKeepAlive(GetNumber(IDC_SM_SO_KEEPALIVE));
  to->SetRetryCount(GetNumber(IDC_SM_SO_RETRIES));
  to->SetRetryWait(GetNumber(IDC_SM_SO_RETRYWAIT));
}
