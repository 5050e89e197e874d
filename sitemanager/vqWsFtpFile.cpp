#include "vqWsFtpFile.h"

#include <string.h>

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool lineEnd(char c) { return c == '\r' || c == '\n' || c == 0; }

std::string trimmed(const char* b, const char* e) {
  while (b < e && blank(*b)) ++b;
  while (e > b && blank(e[-1])) --e;
  return std::string(b, e);
}

bool sameNoCase(const std::string& a, const char* b) {
  size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

const char* const kKeys[] = {"FILENAME", "HOST",    "UID",   "DIR",    "COMMENT", "PASVMODE", "INITCMD",
                             "PORT",     "RETRIES", "RMASK", "LOCDIR", "TIMEOUT", "FIREWALL", "FIRETYPE"};

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
  std::string get(const char* key) const {
    for (const auto& kv : keys)
      if (sameNoCase(kv.first, key)) return kv.second;
    return std::string();
  }
};

std::string valueOf(const char* b, const char* e) {
  std::string v = trimmed(b, e);
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
  if (v.size() > VQ_WSFTP_MAX_VALUE) v.resize(VQ_WSFTP_MAX_VALUE);
  return trimmed(v.data(), v.data() + v.size());
}

// A decimal number; anything but digits after optional blanks is 0, a too large one the largest.
unsigned number(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && blank(text[i])) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  unsigned long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
    if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
  }
  return static_cast<unsigned>(v);
}

// A port from the file: 1 to 65535, anything else is the FTP port.
unsigned short portOf(const std::string& text) {
  unsigned n = number(text);
  return n > 0 && n <= 65535 ? static_cast<unsigned short>(n) : 21;
}

// WS_FTP's firewall kinds in the order of this product's login schemes.
unsigned firewallType(unsigned wsType) {
  static const unsigned kSchemes[] = {3, 0, 1, 2, 4, 0, 0, 6};
  return wsType < sizeof kSchemes / sizeof kSchemes[0] ? kSchemes[wsType] : 0;
}

}  // namespace

int VQSITE_ParseWsFtp(const char* text, size_t size, vqWsFtpFile& out) {
  out = vqWsFtpFile();
  if (size > VQ_WSFTP_MAX_FILE) return 0;
  if (!text) size = 0;
  std::vector<Section> sections;
  bool keeping = false;  // the keys that follow belong to a section that is kept
  const char* end = text + size;
  for (const char* line = text; line < end;) {
    const char* eol = line;
    while (eol < end && !lineEnd(*eol)) ++eol;
    std::string t = trimmed(line, eol);
    line = eol + 1;
    if (t.empty()) continue;
    if (t[0] == '[') {
      size_t close = t.rfind(']');
      std::string name = trimmed(t.data() + 1, t.data() + (close == std::string::npos ? t.size() : close));
      if (name.size() > VQ_WSFTP_MAX_VALUE) {
        name.resize(VQ_WSFTP_MAX_VALUE);
        name = trimmed(name.data(), name.data() + name.size());
      }
      // Room for the sites and the two sections that are none.
      keeping = sections.size() < VQ_WSFTP_MAX_SITES + 2;
      if (!keeping) {
        out.cut = 1;
        continue;
      }
      sections.push_back(Section());
      sections.back().name = name;
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos || !keeping) continue;
    std::string key = trimmed(t.data(), t.data() + eq);
    // Only the keys the import reads are kept, so a section holds a few whatever the file says.
    bool wanted = false;
    for (const char* k : kKeys) wanted = wanted || sameNoCase(key, k);
    if (!wanted) continue;
    Section& sec = sections.back();
    bool taken = false;
    for (const auto& kv : sec.keys) taken = taken || sameNoCase(kv.first, key.c_str());
    if (!taken) sec.keys.emplace_back(key, valueOf(t.data() + eq + 1, t.data() + t.size()));
  }

  for (const Section& s : sections) {
    if (sameNoCase(s.name, "FIREWALL")) {
      out.firewall.host = s.get("HOST");
      out.firewall.user = s.get("UID");
      out.firewall.port = portOf(s.get("PORT"));
      out.firewall.type = firewallType(number(s.get("FIRETYPE")));
      break;
    }
  }
  for (const Section& s : sections) {
    if (s.name.empty() || sameNoCase(s.name, "FIREWALL") || sameNoCase(s.name, "_config_")) continue;
    if (out.sites.size() >= VQ_WSFTP_MAX_SITES) {
      out.cut = 1;
      break;
    }
    vqWsFtpSite site;
    site.name = s.name;
    site.nestedFile = s.get("FILENAME");
    site.host = s.get("HOST");
    site.user = s.get("UID");
    site.anonymous = sameNoCase(site.user, "anonymous");
    site.dir = s.get("DIR");
    site.comment = s.get("COMMENT");
    site.pasv = s.get("PASVMODE").compare(0, 1, "1") == 0;
    site.initCmd = s.get("INITCMD");
    site.port = portOf(s.get("PORT"));
    site.retries = number(s.get("RETRIES"));
    site.remoteMask = s.get("RMASK");
    site.localDir = s.get("LOCDIR");
    unsigned timeout = number(s.get("TIMEOUT"));
    site.timeout = timeout > 0 ? timeout : 30;
    std::string fw = s.get("FIREWALL");
    site.firewall = !fw.empty() && fw != "0";
    out.sites.push_back(site);
  }
  return 1;
}
