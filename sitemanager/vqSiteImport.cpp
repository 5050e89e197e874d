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

namespace {
const char kSource[] = "vqSiteImport";
const char kFtpxProfiles[] = "software\\ftp explorer\\profiles";
const int kMaxFileDepth = 8;
const DWORD kSectionNames = 65536;

std::string trimmed(const char* text) {
  std::string s = text;
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string profileText(const char* section, const char* key, const char* file) {
  char buf[513] = {};
  GetPrivateProfileStringA(section, key, "", buf, sizeof(buf), file);
  return trimmed(buf);
}

unsigned long number(const std::string& text) { return strtoul(text.c_str(), nullptr, 10); }

// A port from the file: 1 to 65535, anything else is the FTP port.
unsigned short portOf(const std::string& text) {
  unsigned long n = number(text);
  return n > 0 && n <= 65535 ? static_cast<unsigned short>(n) : 21;
}

// WS_FTP's firewall kinds in the order of this product's login schemes.
unsigned firewallType(unsigned long wsType) {
  switch (wsType) {
    case 0:
      return 3;
    case 1:
      return 0;
    case 2:
      return 1;
    case 3:
      return 2;
    case 4:
      return 4;
    case 7:
      return 6;
    default:
      return 0;
  }
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

int vqSiteParams::_importWsFtp(const char* file, const char* target, int depth) {
  if (depth > kMaxFileDepth) return 1;  // a file that names itself again
  std::vector<char> names(kSectionNames, 0);
  DWORD got = GetPrivateProfileSectionNamesA(names.data(), kSectionNames, file);
  if (got == 0) return 1;
  for (const char* section = names.data(); *section && section < names.data() + got; section += strlen(section) + 1) {
    if (!lstrcmpiA(section, "FIREWALL") || !lstrcmpiA(section, "_config_")) continue;
    vqSiteParams* site = new vqSiteParams(m_ProgId);
    site->SetSiteSubPath(target);
    site->SetSiteName(section);
    _appendSite(site);

    std::string nested = profileText(section, "FILENAME", file);
    if (!nested.empty()) {
      site->SetIsCategory(1);
      std::string list = std::string(target) + "\\" + site->GetSiteName();
      site->_importWsFtp(besideOf(file, nested).c_str(), list.c_str(), depth + 1);
    } else {
      site->SetURL(profileText(section, "HOST", file).c_str());
      std::string uid = profileText(section, "UID", file);
      site->SetUsername(uid.c_str());
      site->SetIsAnonymous(lstrcmpiA(uid.c_str(), "anonymous") == 0);
      site->SetIRD(profileText(section, "DIR", file).c_str());
      site->SetDescription(profileText(section, "COMMENT", file).c_str());
      site->SetFirewallPasv(profileText(section, "PASVMODE", file).compare(0, 1, "1") == 0);
      site->SetInitStr(profileText(section, "INITCMD", file).c_str());
      site->SetURLPort(portOf(profileText(section, "PORT", file)));
      site->SetRetryCount(static_cast<unsigned>(number(profileText(section, "RETRIES", file))));
      site->SetRemoteFileMask(profileText(section, "RMASK", file).c_str());
      site->SetDefXferDir(profileText(section, "LOCDIR", file).c_str());
      unsigned long timeout = number(profileText(section, "TIMEOUT", file));
      site->SetTimeout(timeout > 0 ? static_cast<unsigned>(timeout) : 30);
      std::string fw = profileText(section, "FIREWALL", file);
      site->SetFirewallEnabled(!fw.empty() && fw != "0");
      if (site->GetFirewallEnabled()) {
        site->SetFirewallHost(profileText("FIREWALL", "HOST", file).c_str());
        site->SetFirewallUser(profileText("FIREWALL", "UID", file).c_str());
        site->SetFirewallPort(portOf(profileText("FIREWALL", "PORT", file)));
        site->SetFirewallType(firewallType(number(profileText("FIREWALL", "FIRETYPE", file))));
      }
    }
    // The list the sites will be saved into decides whether a name is taken.
    if (SITE_Exists(target, site->GetSiteName())) {
      char renamed[TEXT_LEN + 64];
      snprintf(renamed, sizeof(renamed), "WS(%d)-%s", m_siteCount, section);
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
      return _importWsFtp(file, target, 0);
    }
    if (source == 1) return _importFtpExplorer(target);
    return 1;
  VQ_CATCH(kSource, 0)
}
