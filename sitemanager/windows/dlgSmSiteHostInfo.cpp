#include <initializer_list>

#include "dlgSmSiteHostInfo.h"

#include <stdio.h>
#include <string.h>

#include "smModule.h"
#include "vqDirParser.h"
#include "vqEngineModule.h"
#include "vqFileApi.h"
#include "vqFtpEngine.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
// In VQ_NAMES_* order.
const char* const kNameEncodings[] = {"Automatic", "UTF-8", "The system's code page"};
// In vqTlsMode order.
const char* const kTlsModes[] = {"Off", "When offered", "Required"};

const int kFirstItemFields[] = {IDC_SM_HI_PERMS, IDC_SM_HI_OWNER, IDC_SM_HI_GROUP,
                                IDC_SM_HI_SIZE,  IDC_SM_HI_DATE,  IDC_SM_HI_FNAME};

// Releases the engine however the test ends.
struct EngineRef {
  vqFtpEngine* e;
  ~EngineRef() {
    if (e) e->Release();
  }
};
}  // namespace

dlgSmSiteHostInfo::dlgSmSiteHostInfo(vqSiteParams* site, unsigned char progId, bool inWizard)
    : dlgSmPage(IDD_SM_SITEHOST, inWizard ? "FTP Site Wizard" : "System Info", progId),
      m_site(site),
      m_inWizard(inWizard) {}

void dlgSmSiteHostInfo::SampleFile(vqSiteParams* site, char* out, unsigned size) {
  out[0] = '\0';
  char dir[vqSiteParams::KEY_LEN];
  if (!site->SITE_GetCacheDir(dir, sizeof dir)) return;
  if (strlen(dir) + sizeof "root.vqLS" > size) return;
  snprintf(out, size, "%sroot.vqLS", dir);
}

BOOL dlgSmSiteHostInfo::OnInitDialog() {
  for (int id : {IDC_SM_HI_SYST, IDC_SM_HI_PWD}) Limit(id, vqSiteParams::TEXT_LEN);
  Limit(IDC_SM_HI_DELIM, 4);
  SetText(IDC_SM_HI_DELIM, m_site->GetHostDelim());
  SetText(IDC_SM_HI_SYST, m_site->GetCmdSYST());
  SetText(IDC_SM_HI_PWD, m_site->GetCmdPWD());
  for (const char* choice : kNameEncodings)
    SendDlgItemMessageA(m_hWnd, IDC_SM_HI_NAMES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  SendDlgItemMessageA(m_hWnd, IDC_SM_HI_NAMES, CB_SETCURSEL, m_site->GetNameEncoding(), 0);
  for (const char* choice : kTlsModes)
    SendDlgItemMessageA(m_hWnd, IDC_SM_HI_TLS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
  SendDlgItemMessageA(m_hWnd, IDC_SM_HI_TLS, CB_SETCURSEL, m_site->GetTlsMode(), 0);
  CheckDlgButton(m_hWnd, IDC_SM_HI_MLSD, m_site->GetUseMLSD() ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

bool dlgSmSiteHostInfo::OnSetActive() {
  // The general page edits the type too: show what the site holds now.
  SM_FillHostTypes(Item(IDC_SM_HI_TYPE), m_site->GetHostType());
  Refresh();
  if (m_inWizard) SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
  return true;
}

void dlgSmSiteHostInfo::Refresh() {
  char file[MAX_PATH];
  SampleFile(m_site, file, sizeof file);
  if (!file[0] || !ShowFirstItem(file, SM_SelectedHostType(Item(IDC_SM_HI_TYPE))))
    for (int id : kFirstItemFields) SetText(id, "");
}

bool dlgSmSiteHostInfo::ShowFirstItem(const char* file, unsigned hostType) {
  unsigned long size = 0;
  if (!VQAPI_FileExists(file, size) || size == 0) return false;
  vqDirParser parser(static_cast<_VQ_HOSTTYPE>(hostType));
  unsigned long count = 0;
  if (parser.DIR_PARSE(file, count) != 0 || count == 0) return false;
  _FTPITEMID item;
  memset(&item, 0, sizeof item);
  bool found = parser.DirEnumOpen(parser.GetOutfileName()) && parser.DirEnumFirst(&item);
  parser.DirEnumClose();
  if (!found) return false;
  char sizeText[32];
  snprintf(sizeText, sizeof sizeText, "%-12lu", static_cast<unsigned long>(item.size));
  item.permText[sizeof item.permText - 1] = item.owner[sizeof item.owner - 1] = 0;
  item.group[sizeof item.group - 1] = item.dateText[sizeof item.dateText - 1] = 0;
  item.name[sizeof item.name - 1] = 0;
  SetText(IDC_SM_HI_PERMS, item.permText);
  SetText(IDC_SM_HI_OWNER, item.owner);
  SetText(IDC_SM_HI_GROUP, item.group);
  SetText(IDC_SM_HI_SIZE, sizeText);
  SetText(IDC_SM_HI_DATE, item.dateText);
  SetText(IDC_SM_HI_FNAME, item.name);
  return true;
}

bool dlgSmSiteHostInfo::TestConnection() {
  if (!SM_Ask("Would you like to connect to this site?")) return false;
  Store();
  EngineRef engine = {VQENG_NEWENGINE()};
  if (!engine.e) return false;
  vqFtpEngine* e = engine.e;
  vqSiteParams* s = m_site;
  e->SetURL(s->GetURL());
  e->SetPort(s->GetURLPort());
  e->SetUsername(s->GetUsername());
  e->SetPassword(s->GetPassword());
  e->SetAccount(s->GetAccount());
  e->SetIRD(s->GetIRD());
  e->SetInitStr(s->GetInitStr());
  e->SetHostType(static_cast<_VQ_HOSTTYPE>(s->GetHostType()));
  e->SetIsVirtualHost(s->GetVirtualHost());
  e->SetHostDelimStr(s->GetHostDelim());
  e->SetFirewallEnabled(s->GetFirewallEnabled());
  e->SetFirewallType(static_cast<_vq_fwtype_>(s->GetFirewallType()));
  e->SetFirewallHost(s->GetFirewallHost());
  e->SetFirewallPort(s->GetFirewallPort());
  e->SetFirewallUser(s->GetFirewallUser());
  e->SetFirewallPass(s->GetFirewallPass());
  e->SetFirewallPassive(s->GetFirewallPasv());
  e->SetRetryCount(s->GetRetryCount());
  e->SetRetryWait(s->GetRetryWait());
  e->SetTimeout(s->GetTimeout());
  e->SetTlsMode(s->GetTlsMode());
  e->SetTlsTrusted(s->GetTlsTrusted());
  e->SetUseMLSD(s->GetUseMLSD());
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  unsigned long result = e->FTP_Connect();
  SetCursor(old);
  if (e->GetTlsTrustedIsNew()) s->SetTlsTrusted(e->GetTlsTrusted());
  if (result != 0) {
    SM_WarnF("Unable to connect to server.\n\nReason: %s", e->FTP_ErrorString(result));
    return false;
  }
  // What the server told about itself replaces the page's guesses.
  SM_FillHostTypes(Item(IDC_SM_HI_TYPE), e->GetHostType());
  SetText(IDC_SM_HI_DELIM, e->GetHostDelim());
  SetText(IDC_SM_HI_SYST, e->GetHostSysType());
  SetText(IDC_SM_HI_PWD, e->GetHostSysDir());
  if (!s->GetIRD()[0]) s->SetIRD(e->GetHostSysDir());

  char file[MAX_PATH];
  SampleFile(s, file, sizeof file);
  unsigned long size = 0;
  if (file[0] && (!VQAPI_FileExists(file, size) || size == 0) &&
      SM_Ask("Generate a directory listing of the remote server?")) {
    char dir[MAX_PATH];
    lstrcpynA(dir, file, sizeof dir);
    if (char* slash = strrchr(dir, '\\')) *slash = '\0';
    VQAPI_CreatePath(dir);
    e->FTP_LIST(file, e->GetHostSysDir(), nullptr, nullptr);
  }
  e->FTP_Disconnect();
  Store();
  Refresh();
  return true;
}

BOOL dlgSmSiteHostInfo::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_SM_HI_TYPE && code == CBN_SELCHANGE) {
    Refresh();
    return TRUE;
  }
  if (id == IDC_SM_HI_TEST) {
    TestConnection();
    return TRUE;
  }
  if (id == IDC_SM_HI_RAW) {
    char file[MAX_PATH], command[MAX_PATH + 16];
    SampleFile(m_site, file, sizeof file);
    snprintf(command, sizeof command, "notepad %s", file);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (file[0] && CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgSmSiteHostInfo::Store() {
  if (!IsReady()) return true;
  char text[vqSiteParams::TEXT_LEN + 1];
  m_site->SetHostType(SM_SelectedHostType(Item(IDC_SM_HI_TYPE)));
  GetText(IDC_SM_HI_DELIM, text, sizeof text);
  m_site->SetHostDelim(text);
  GetText(IDC_SM_HI_SYST, text, sizeof text);
  m_site->SetCmdSYST(text);
  GetText(IDC_SM_HI_PWD, text, sizeof text);
  m_site->SetCmdPWD(text);
  LRESULT names = SendDlgItemMessageA(m_hWnd, IDC_SM_HI_NAMES, CB_GETCURSEL, 0, 0);
  m_site->SetNameEncoding(names == VQ_NAMES_UTF8 || names == VQ_NAMES_CODEPAGE ? static_cast<int>(names) : VQ_NAMES_AUTO);
  LRESULT tls = SendDlgItemMessageA(m_hWnd, IDC_SM_HI_TLS, CB_GETCURSEL, 0, 0);
  m_site->SetTlsMode(tls == VQ_TLS_WHEN_OFFERED || tls == VQ_TLS_REQUIRED ? static_cast<int>(tls) : VQ_TLS_OFF);
  m_site->SetUseMLSD(IsDlgButtonChecked(m_hWnd, IDC_SM_HI_MLSD) == BST_CHECKED);
  return true;
}
