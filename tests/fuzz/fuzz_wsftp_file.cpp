// Fuzz target of the WS_FTP site list reader: any bytes as a file's text. Every member it makes
// must be one the import can store, and the file written back from the members must read the same.
#include <stdint.h>
#include <string.h>

#include <string>

#include "fuzzCheck.h"
#include "vqWsFtpFile.h"

namespace {

bool sameNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0 && a.size() == strlen(b); }

bool clean(const std::string& s) {
  return s.size() <= VQ_WSFTP_MAX_VALUE && s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
         (s.empty() || (s.front() != ' ' && s.front() != '\t' && s.back() != ' ' && s.back() != '\t'));
}

// The members as a file again, each value quoted so that its own quotes survive.
std::string written(const vqWsFtpFile& f) {
  std::string out = "[FIREWALL]\r\nHOST=\"" + f.firewall.host + "\"\r\nUID=\"" + f.firewall.user +
                    "\"\r\nPORT=" + std::to_string(f.firewall.port) + "\r\n";
  for (const vqWsFtpSite& s : f.sites) {
    out += "[" + s.name + "]\r\n";
    if (!s.nestedFile.empty()) out += "FILENAME=\"" + s.nestedFile + "\"\r\n";
    out += "HOST=\"" + s.host + "\"\r\nUID=\"" + s.user + "\"\r\nDIR=\"" + s.dir + "\"\r\nCOMMENT=\"" + s.comment +
           "\"\r\nINITCMD=\"" + s.initCmd + "\"\r\nRMASK=\"" + s.remoteMask + "\"\r\nLOCDIR=\"" + s.localDir +
           "\"\r\nPORT=" + std::to_string(s.port) + "\r\nRETRIES=" + std::to_string(s.retries) +
           "\r\nTIMEOUT=" + std::to_string(s.timeout) + "\r\nPASVMODE=" + (s.pasv ? "1" : "0") +
           "\r\nFIREWALL=" + (s.firewall ? "1" : "0") + "\r\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vqWsFtpFile f;
  FUZZ_CHECK(VQSITE_ParseWsFtp(reinterpret_cast<const char*>(data), size, f) == 1);
  FUZZ_CHECK(f.sites.size() <= VQ_WSFTP_MAX_SITES);
  FUZZ_CHECK(f.firewall.port >= 1 && f.firewall.type <= 6 && f.firewall.type != 5);
  FUZZ_CHECK(clean(f.firewall.host) && clean(f.firewall.user));
  for (const vqWsFtpSite& s : f.sites) {
    FUZZ_CHECK(!s.name.empty() && clean(s.name));
    FUZZ_CHECK(!sameNoCase(s.name, "FIREWALL") && !sameNoCase(s.name, "_config_"));
    for (const std::string* t :
         {&s.nestedFile, &s.host, &s.user, &s.dir, &s.comment, &s.initCmd, &s.remoteMask, &s.localDir})
      FUZZ_CHECK(clean(*t));
    FUZZ_CHECK(s.port >= 1 && s.timeout >= 1);
    FUZZ_CHECK(s.anonymous == sameNoCase(s.user, "anonymous"));
    FUZZ_CHECK((s.pasv | s.firewall | s.anonymous) <= 1);
  }

  // Written back, the members read the same (names with a "]" inside cannot be written back).
  bool writable = !f.cut;
  for (const vqWsFtpSite& s : f.sites) writable = writable && s.name.find(']') == std::string::npos;
  if (!writable) return 0;
  std::string again = written(f);
  vqWsFtpFile g;
  FUZZ_CHECK(VQSITE_ParseWsFtp(again.data(), again.size(), g) == 1);
  FUZZ_CHECK(g.sites.size() == f.sites.size());
  FUZZ_CHECK(g.firewall.host == f.firewall.host && g.firewall.user == f.firewall.user &&
             g.firewall.port == f.firewall.port);
  for (size_t i = 0; i < f.sites.size(); ++i) {
    const vqWsFtpSite& a = f.sites[i];
    const vqWsFtpSite& b = g.sites[i];
    FUZZ_CHECK(a.name == b.name && a.nestedFile == b.nestedFile && a.host == b.host && a.user == b.user);
    FUZZ_CHECK(a.dir == b.dir && a.comment == b.comment && a.initCmd == b.initCmd && a.remoteMask == b.remoteMask);
    FUZZ_CHECK(a.localDir == b.localDir && a.port == b.port && a.retries == b.retries && a.timeout == b.timeout);
    FUZZ_CHECK(a.pasv == b.pasv && a.firewall == b.firewall && a.anonymous == b.anonymous);
  }
  return 0;
}
