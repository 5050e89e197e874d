#include "smSiteCheck.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {
std::string trimmed(const char* text) {
  std::string s = text ? text : "";
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return std::string();
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool startsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = strlen(prefix);
  return s.size() >= n && _strnicmp(s.c_str(), prefix, n) == 0;
}

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (unsigned char c : s)
    if (!isdigit(c)) return false;
  return true;
}
}  // namespace

SM_SITEFAULT SM_CheckSiteFields(char* url, unsigned urlSize, const char* portText, const char* ird, const char* name,
                                unsigned short* port) {
  std::string u = trimmed(url);
  if (u.empty()) return SM_SITE_BADURL;
  if (u.find("://") != std::string::npos) {
    // Only the FTP scheme names a site; anything else would be stored as a host name.
    if (!startsWithNoCase(u, "ftp://")) return SM_SITE_BADURL;
    u = trimmed(u.c_str() + 6);
  }
  // A trailing "/" is harmless; a sub-directory belongs in the initial remote directory.
  while (!u.empty() && u.back() == '/') u.pop_back();
  if (u.empty() || u.find_first_of("/\\ \t") != std::string::npos || u.size() >= urlSize) return SM_SITE_BADURL;
  if (ird && strstr(ird, ":\\")) return SM_SITE_DRIVEIRD;
  std::string p = trimmed(portText);
  if (!allDigits(p) || p.size() > 5) return SM_SITE_BADPORT;
  unsigned long n = strtoul(p.c_str(), nullptr, 10);
  if (n < 1 || n > 65535) return SM_SITE_BADPORT;
  if (trimmed(name).empty()) return SM_SITE_NONAME;
  memcpy(url, u.c_str(), u.size() + 1);
  if (port) *port = static_cast<unsigned short>(n);
  return SM_SITE_OK;
}

const char* SM_SiteFaultText(SM_SITEFAULT fault, bool wizard) {
  switch (fault) {
    case SM_SITE_BADURL:
      return wizard ? "Invalid URL. \nPlease reenter a valid URL of the form\nftp.example.com\n\n"
                      "The URL may start with \"ftp://\", but with no other protocol prefix (such as "
                      "\"http://\"), and it may not name a sub-directory (such as ftp.example.com/pub). "
                      "Give a sub-directory as the 'Initial Remote Directory' instead."
                    : "Invalid URL. \nPlease reenter a valid URL of the form\nftp.example.com";
    case SM_SITE_DRIVEIRD:
      return "Invalid 'Initial Remote Directory'. You cannot supply a drive letter in this field. If you wish your "
             "initial directory to be D:\\myhomedir, specify \\myhomedir as your 'Initial Remote Directory' and add "
             "CWD D:; (with the semicolon) under the 'Initialization String' field.\n\n";
    case SM_SITE_BADPORT:
      return "Invalid Port Number. Please specify a port number between 1 and 65535. The default port number for "
             "FTP is port #21.";
    case SM_SITE_NONAME:
      return "You must enter a site name";
    case SM_SITE_OK:
      break;
  }
  return "";
}

void SM_ProposeSite(const char* url, char* name, unsigned nameSize, char* desc, unsigned descSize) {
  if (!name || !desc || !nameSize || !descSize) return;
  name[0] = desc[0] = '\0';
  std::string u = trimmed(url);
  if (startsWithNoCase(u, "ftp://")) u = u.substr(6);
  if (u.empty()) return;
  size_t dot = u.find('.');
  std::string second;
  if (dot == std::string::npos) {
    second = u;  // a single label ("localhost") names itself
  } else {
    size_t end = u.find('.', dot + 1);
    second = u.substr(dot + 1, end == std::string::npos ? std::string::npos : end - dot - 1);
  }
  if (allDigits(second)) {
    snprintf(name, nameSize, "IP-%s", u.c_str());
    snprintf(desc, descSize, "ftp site for %s", u.c_str());
    return;
  }
  if (second.empty()) return;
  second[0] = static_cast<char>(toupper(static_cast<unsigned char>(second[0])));
  snprintf(name, nameSize, "%s", second.c_str());
  snprintf(desc, descSize, "ftp site for %s", second.c_str());
}
