// Import of site lists from other FTP clients: WS_FTP's initialisation file and FTP Explorer's
// registry profiles. The imported sites only fill this object's site list; the caller saves the
// ones the user keeps.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqSiteParams.h"
#include "vqWsFtpFile.h"

namespace {
const char kSource[] = "vqSiteImport";
const char kFtpxProfiles[] = "software\\ftp explorer\\profiles";
const int kMaxFileDepth = 8;
const int kMaxFiles = 64;

// The whole file, when it can be read and is no longer than a site list can be.
bool readSmallFile(const char* path, std::string& text) {
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 &&
            static_cast<unsigned long long>(size.QuadPart) <= VQ_WSFTP_MAX_FILE;
  if (ok) {
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = text.empty() || (ReadFile(f, &text[0], static_cast<DWORD>(text.size()), &got, nullptr) && got == text.size());
  }
  CloseHandle(f);
  return ok;
}

// A file named without a directory lies beside the file that names it (a bare name would
// otherwise be looked for in the Windows directory).
std::string besideOf(const std::string& parent, const std::string& file) {
  bool absolute = file.size() >= 2 && (file[1] == ':' || (file[0] == '\\' && file[1] == '\\'));
  if (absolute || (!file.empty() && file[0] == '\\')) return file;
  size_t cut = parent.find_last_of("\\/");
  if (cut == std::string::npos) return file;
  return parent.substr(0, cut + 1) + file;
}

// FTP Explorer's values as that program stored them: read only, numbers as text or DWORD.
struct ProfileKey {
  HKEY key = nullptr;
  ~ProfileKey() {
    if (key) RegCloseKey(key);
  }
  std::string text(const char* name) {
    char buf[256] = {};
    DWORD type = 0, size = sizeof(buf) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS) return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ) return "";
    buf[size < sizeof(buf) ? size : sizeof(buf) - 1] = 0;
    return buf;
  }
  bool num(const char* name, unsigned long& n) {
    BYTE buf[64] = {};
    DWORD type = 0, size = sizeof(buf) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, buf, &size) != ERROR_SUCCESS) return false;
    if (type == REG_DWORD && size == 4) {
      DWORD v;
      memcpy(&v, buf, 4);
      n = v;
      return true;
    }
    if (type == REG_SZ) {
      n = strtoul(reinterpret_cast<char*>(buf), nullptr, 10);
      return true;
    }
    return false;
  }
};
}  // namespace

void vqSiteParams::_importTarget(char* out, unsigned size) {
  std::string target = VQ_SITES_LIST;
  if (m_SiteSubPath[0]) {
    target = m_SiteSubPath;
    target += '\\';
    target += m_SiteName;
  }
  while (!target.empty() && target.back() == '\\') target.pop_back();
  _copy(out, size, target.c_str());
}

int vqSiteParams::_importWsFtp(const char* file, const char* target, int depth, int* filesLeft) {
  // A file that names itself (or several that name each other) ends after a few levels and a
  // bounded number of files, however often each one names the next.
  if (depth > kMaxFileDepth || *filesLeft <= 0) return 1;
  --*filesLeft;
  std::string text;
  if (!readSmallFile(file, text)) return 1;
  vqWsFtpFile parsed;
  if (!VQSITE_ParseWsFtp(text.data(), text.size(), parsed)) return 1;
  for (const vqWsFtpSite& ws : parsed.sites) {
    vqSiteParams* site = new vqSiteParams(m_ProgId);
    site->SetSiteSubPath(target);
    site->SetSiteName(ws.name.c_str());
    _appendSite(site);
    if (!ws.nestedFile.empty()) {
      site->SetIsCategory(1);
      std::string list = std::string(target) + "\\" + site->GetSiteName();
      site->_importWsFtp(besideOf(file, ws.nestedFile).c_str(), list.c_str(), depth + 1, filesLeft);
    } else {
      site->SetURL(ws.host.c_str());
      site->SetUsername(ws.user.c_str());
      site->SetIsAnonymous(ws.anonymous);
      site->SetIRD(ws.dir.c_str());
      site->SetDescription(ws.comment.c_str());
      site->SetFirewallPasv(ws.pasv);
      site->SetInitStr(ws.initCmd.c_str());
      site->SetURLPort(ws.port);
      site->SetRetryCount(ws.retries);
      site->SetRemoteFileMask(ws.remoteMask.c_str());
      site->SetDefXferDir(ws.localDir.c_str());
      site->SetTimeout(ws.timeout);
      site->SetFirewallEnabled(ws.firewall);
      if (ws.firewall) {
        site->SetFirewallHost(parsed.firewall.host.c_str());
        site->SetFirewallUser(parsed.firewall.user.c_str());
        site->SetFirewallPort(parsed.firewall.port);
        site->SetFirewallType(parsed.firewall.type);
      }
    }
    // The list the sites will be saved into decides whether a name is taken.
    if (SITE_Exists(target, site->GetSiteName())) {
      char renamed[TEXT_LEN + 64];
      snprintf(renamed, sizeof(renamed), "WS(%d)-%s", m_siteCount, site->GetSiteName());
      site->SetSiteName(renamed);
    }
  }
  return 1;
}

int vqSiteParams::_importFtpExplorer(const char* target) {
  ProfileKey list;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kFtpxProfiles, 0, KEY_READ, &list.key) != ERROR_SUCCESS) return 1;
  char name[TEXT_LEN + 1];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof(name);
    if (RegEnumKeyExA(list.key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    vqSiteParams* site = new vqSiteParams(m_ProgId);
    site->SetSiteSubPath(target);
    site->SetSiteName(name);
    _appendSite(site);
  }
  for (int i = 0; i < m_siteCount; ++i) {
    vqSiteParams* site = m_sites[i];
    std::string path = std::string(kFtpxProfiles) + "\\" + site->GetSiteName();
    ProfileKey profile;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &profile.key) == ERROR_SUCCESS) {
      unsigned long n = 0;
      if (profile.num("AnonLogin", n)) site->SetIsAnonymous(n != 0);
      site->SetDescription(profile.text("Description").c_str());
      site->SetURL(profile.text("Host").c_str());
      site->SetIRD(profile.text("InitialPath").c_str());
      site->SetUsername(profile.text("Login").c_str());
      if (profile.num("PasvMode", n)) site->SetFirewallPasv(n != 0);
      if (profile.num("Retries", n)) site->SetRetryCount(static_cast<unsigned>(n));
      if (profile.num("RetryDelay", n)) site->SetRetryWait(static_cast<unsigned>(n));
      n = 0;
      profile.num("Port", n);
      site->SetURLPort(n > 0 && n <= 65535 ? static_cast<unsigned short>(n) : 21);
    }
    if (SITE_Exists(target, site->GetSiteName())) {
      char renamed[TEXT_LEN + 64];
      snprintf(renamed, sizeof(renamed), "FTPX(%d)-%s", m_siteCount, site->GetSiteName());
      site->SetSiteName(renamed);
    }
  }
  return 1;
}

int vqSiteParams::SITE_Import(unsigned source, const char* file) {
  VQ_TRY
    _freeSites();
    char target[TEXT_LEN + 1];
    _importTarget(target, sizeof(target));
    if (source == 0) {
      if (!file || !*file) return 1;
      int filesLeft = kMaxFiles;
      return _importWsFtp(file, target, 0, &filesLeft);
    }
    if (source == 1) return _importFtpExplorer(target);
    return 1;
  VQ_CATCH(kSource, 0)
}
