#include "dlgZmpMapWizard.h"

#include <winnetwk.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "smModule.h"
#include "vqRegistry.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
const char kProviderHost[] = "\\\\wendal\\";

typedef DWORD(APIENTRY* CancelFn)(LPCSTR, DWORD, BOOL);
typedef DWORD(APIENTRY* AddFn)(LPNETRESOURCEA, LPCSTR, LPCSTR, DWORD);
typedef DWORD(APIENTRY* GetFn)(LPCSTR, LPSTR, LPDWORD);

// The network connection functions, loaded only while the wizard needs them.
struct Mpr {
  HMODULE module = LoadLibraryA("MPR.DLL");
  ~Mpr() {
    if (module) FreeLibrary(module);
  }
  template <class F>
  F fn(const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
  }
  // What `drive` is connected to, or "".
  std::string connection(const char* drive) {
    auto get = fn<GetFn>("WNetGetConnectionA");
    char remote[MAX_PATH] = "";
    DWORD size = sizeof remote;
    if (!get || get(drive, remote, &size) != NO_ERROR) return "";
    return remote;
  }
  DWORD cancel(const char* drive) {
    auto c = fn<CancelFn>("WNetCancelConnection2A");
    return c ? c(drive, CONNECT_UPDATE_PROFILE, TRUE) : ERROR_PROC_NOT_FOUND;
  }
  DWORD add(const char* drive, const char* remote) {
    auto a = fn<AddFn>("WNetAddConnection2A");
    if (!a) return module ? ERROR_PROC_NOT_FOUND : GetLastError();
    NETRESOURCEA res = {};
    res.dwType = RESOURCETYPE_DISK;
    res.lpLocalName = const_cast<char*>(drive);
    res.lpRemoteName = const_cast<char*>(remote);
    return a(&res, nullptr, nullptr, CONNECT_UPDATE_PROFILE);
  }
};

char lastDrive() {
  char line[256];
  FILE* f = fopen("C:\\Config.sys", "r");
  if (f) {
    while (fgets(line, sizeof line, f))
      if (_strnicmp(line, "LASTDRIVE=", 10) == 0 && isalpha(static_cast<unsigned char>(line[10]))) {
        fclose(f);
        return static_cast<char>(toupper(static_cast<unsigned char>(line[10])));
      }
    fclose(f);
  }
  vqRegistry r;
  char value[16] = "";
  if (r.RegOpenRead(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup") &&
      r.RegGetStr("LastDrive", value, sizeof value) && isalpha(static_cast<unsigned char>(value[0])))
    return static_cast<char>(toupper(static_cast<unsigned char>(value[0])));
  return 'Z';
}
}  // namespace

std::vector<std::string> dlgZmpMapWizard1::Drives() {
  std::vector<std::string> out;
  DWORD used = GetLogicalDrives();
  Mpr mpr;
  for (char c = 'C'; c <= lastDrive(); ++c) {
    char drive[3] = {c, ':', 0};
    bool free = !(used & (1u << (c - 'A')));
    if (free || mpr.connection(drive).compare(0, strlen(kProviderHost), kProviderHost) == 0) out.push_back(drive);
  }
  return out;
}

dlgZmpMapWizard1::dlgZmpMapWizard1(unsigned char progId)
    : dlgSmPage(IDD_SM_MAPWIZ1, "Map Network Drive Wizard", progId) {}

void dlgZmpMapWizard1::collect(vqSiteParams* site, void* self) {
  auto* page = static_cast<dlgZmpMapWizard1*>(self);
  page->m_sites.push_back(
      {site->GetSiteSubPath(), site->GetSiteName(), site->GetURL(), site->GetWendal(), site->GetSiteId()});
}

void dlgZmpMapWizard1::FillSites(const char* select) {
  m_sites.clear();
  SM_ForEachSite(VQ_SITES_LIST, collect, this, m_progId);
  SendDlgItemMessageA(m_hWnd, IDC_SM_MW_SITES, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < m_sites.size(); ++i) {
    std::string label = m_sites[i].name;
    if (!m_sites[i].wendal.empty()) label += " (" + m_sites[i].wendal + ")";
    SendDlgItemMessageA(m_hWnd, IDC_SM_MW_SITES, LB_ADDSTRING, 0, (LPARAM)label.c_str());
    if (select && m_sites[i].name == select) ListSelect(IDC_SM_MW_SITES, static_cast<int>(i));
  }
  if (ListGetSelection(IDC_SM_MW_SITES) < 0 && !m_sites.empty()) ListSelect(IDC_SM_MW_SITES, 0);
}

BOOL dlgZmpMapWizard1::OnInitDialog() {
  for (const std::string& d : Drives())
    SendDlgItemMessageA(m_hWnd, IDC_SM_MW_DRIVE, CB_ADDSTRING, 0, (LPARAM)d.c_str());
  SendDlgItemMessageA(m_hWnd, IDC_SM_MW_DRIVE, CB_SETCURSEL, 0, 0);
  FillSites();
  return TRUE;
}

bool dlgZmpMapWizard1::OnSetActive() {
  SetWizardButtons(PSWIZB_FINISH);
  return true;
}

BOOL dlgZmpMapWizard1::OnCommand(WORD id, WORD code, HWND control) {
  int at = ListGetSelection(IDC_SM_MW_SITES);
  if (id == IDC_SM_MW_NEWSITE) {
    vqSiteParams site(m_progId);
    if (site.SITE_Wizard(m_hWnd)) FillSites(site.GetSiteName());
    return TRUE;
  }
  if (id == IDC_SM_MW_PROPS && at >= 0 && at < static_cast<int>(m_sites.size())) {
    vqSiteParams site(m_progId);
    if (site.SITE_LoadParams(m_sites[at].sub.c_str(), m_sites[at].name.c_str()) && site.SITE_Properties(m_hWnd))
      FillSites(site.GetSiteName());
    return TRUE;
  }
  return dlgSmPage::OnCommand(id, code, control);
}

bool dlgZmpMapWizard1::OnWizardFinish() {
  char drive[8] = "";
  GetDlgItemTextA(m_hWnd, IDC_SM_MW_DRIVE, drive, sizeof drive);
  int at = ListGetSelection(IDC_SM_MW_SITES);
  if (!drive[0] || at < 0 || at >= static_cast<int>(m_sites.size())) {
    SM_Warn("Please choose a drive and an FTP site.");
    return false;
  }
  const Site& s = m_sites[at];
  char remote[MAX_PATH];
  snprintf(remote, sizeof remote, "%s%s(%u)", kProviderHost, s.url.c_str(), s.id);
  Mpr mpr;
  if (!s.wendal.empty() && lstrcmpiA(s.wendal.c_str(), drive) != 0 &&
      !SM_AskF("The ftp site '%s' is already mapped to '%s', do you want to remap it to '%s' instead?", s.name.c_str(),
               s.wendal.c_str(), drive))
    return false;
  std::string current = mpr.connection(drive);
  if (!current.empty() && lstrcmpiA(current.c_str(), remote) != 0 &&
      !SM_AskF("Drive '%s' is already mapped to '%s', do you want to remap this drive to '%s' instead?", drive,
               current.c_str(), remote))
    return false;
  if (!s.wendal.empty()) mpr.cancel(s.wendal.c_str());
  if (!current.empty()) mpr.cancel(drive);
  DWORD r = mpr.add(drive, remote);
  if (r != NO_ERROR) {
    char details[512] = "";
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, r, 0, details,
                        sizeof details, nullptr))
      snprintf(details, sizeof details, "Unknown error.");
    SM_WarnF("Error: Unable to configure drive mapping.\n\nError Code: %d\nError Details: %s", static_cast<int>(r),
             details);
    return false;
  }
  vqSiteParams site(m_progId);
  if (!site.SITE_LoadParams(s.sub.c_str(), s.name.c_str())) return false;
  site.SetWendal(drive);
  if (!site.SITE_SaveParams()) {
    SM_Warn("Unable to save FTP site information!");
    return false;
  }
  mapped = 1;
  return true;
}

int dlgZmpMapWizard::Run() {
  dlgZmpMapWizard1 page(m_progId);
  vqPropSheet sheet("Map Network Drive Wizard", m_parent, _smModule());
  sheet.AddPage(&page);
  sheet.SetWizardMode();
  sheet.DoModal();
  return page.mapped;
}
