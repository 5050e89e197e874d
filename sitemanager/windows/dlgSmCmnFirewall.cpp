#include <initializer_list>

#include "dlgSmCmnFirewall.h"

#include "vqCommonParams.h"
#include "vqSMgrRes.h"

namespace {
const char* const kSchemes[] = {
    "USER user@hostname (USER with login)",   "USER user@hostname (USER w/out login)", "OPEN hostname (Proxy Server)",
    "SITE hostname (Site with login)",        "Raptor (USER user@hostname fwuser)",    "WinGate (USER user@hostname) ",
    "CheckPoint (USER user@fwuser@hostname)", "WinProxy (USER user@hostname)",         "RideWay (USER user@hostname)",
    "SideWinder (USER fwuser@hostname)",
};
}

dlgSmCmnFirewall::dlgSmCmnFirewall(unsigned char progId, vqCommonParams* params, vqSiteParams* site)
    : dlgSmCmnPage(IDD_SM_FIREWALL, "Firewall", progId, params, site) {}

BOOL dlgSmCmnFirewall::OnInitDialog() {
  for (int id : {IDC_SM_FW_HOST, IDC_SM_FW_USER, IDC_SM_FW_PASS}) Limit(id, vqCommonParams::TEXT_LEN);
  Limit(IDC_SM_FW_PORT, 5);
  for (const char* scheme : kSchemes) SendDlgItemMessageA(m_hWnd, IDC_SM_FW_TYPE, CB_ADDSTRING, 0, (LPARAM)scheme);
  unsigned type = m_params->GetFirewallType();
  SendDlgItemMessageA(m_hWnd, IDC_SM_FW_TYPE, CB_SETCURSEL, type < 10 ? type : 0, 0);
  SetCheck(IDC_SM_FW_PASV, m_params->GetFirewallPasv() != 0);
  SetCheck(IDC_SM_FW_ENABLED, m_params->GetFirewallEnabled() != 0);
  SetText(IDC_SM_FW_HOST, m_params->GetFirewallHost());
  SetNumber(IDC_SM_FW_PORT, m_params->GetFirewallPort());
  SetText(IDC_SM_FW_USER, m_params->GetFirewallUser());
  SetText(IDC_SM_FW_PASS, m_params->GetFirewallPass());
  EnableFields();
  return TRUE;
}

void dlgSmCmnFirewall::EnableFields() {
  bool on = GetCheck(IDC_SM_FW_ENABLED);
  for (int id : {IDC_SM_FW_TYPE, IDC_SM_FW_HOST, IDC_SM_FW_PORT, IDC_SM_FW_USER, IDC_SM_FW_PASS}) Enable(id, on);
}

BOOL dlgSmCmnFirewall::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_FW_ENABLED) {
    EnableFields();
    return TRUE;
  }
  return dlgSmCmnPage::OnCommand(id, code, control);
}

bool dlgSmCmnFirewall::Validate() {
  if (!GetCheck(IDC_SM_FW_ENABLED)) return true;
  unsigned long port = 0;
  return GetRanged(IDC_SM_FW_PORT, 1, 65535, &port);
}

void dlgSmCmnFirewall::Save(vqCommonParams* to) {
  char text[vqCommonParams::TEXT_LEN + 1];
  to->SetFirewallPasv(GetCheck(IDC_SM_FW_PASV) ? 1 : 0);
  to->SetFirewallEnabled(GetCheck(IDC_SM_FW_ENABLED) ? 1 : 0);
  LRESULT type = SendDlgItemMessageA(m_hWnd, IDC_SM_FW_TYPE, CB_GETCURSEL, 0, 0);
  to->SetFirewallType(type < 0 ? 0 : static_cast<unsigned>(type));
  GetText(IDC_SM_FW_HOST, text, sizeof text);
  to->SetFirewallHost(text);
  bool ok = false;
  unsigned long port = GetNumber(IDC_SM_FW_PORT, &ok);
  if (ok && port >= 1 && port <= 65535) to->SetFirewallPort(static_cast<unsigned short>(port));
  GetText(IDC_SM_FW_USER, text, sizeof text);
  to->SetFirewallUser(text);
  GetText(IDC_SM_FW_PASS, text, sizeof text);
  to->SetFirewallPass(text);
}
