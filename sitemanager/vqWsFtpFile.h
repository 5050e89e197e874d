// The sites of a WS_FTP initialisation file, read from its text with this product's rule for each
// value already applied. Pure text in, records out: the import reads the file and makes the members.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

// A file longer than this is no site list: it is refused whole.
const size_t VQ_WSFTP_MAX_FILE = 4 * 1024 * 1024;
// Values are cut to this many characters.
const size_t VQ_WSFTP_MAX_VALUE = 512;
// Sections past this many are left out (and the file marked as cut).
const size_t VQ_WSFTP_MAX_SITES = 4096;

struct vqWsFtpSite {
  std::string name;        // the section's name, never empty, never "FIREWALL" or "_config_"
  std::string nestedFile;  // FILENAME: the member is a category whose sites are in that file
  std::string host, user, dir, comment, initCmd, remoteMask, localDir;
  int anonymous = 0;  // the user is "anonymous" (any case)
  int pasv = 0;       // PASVMODE begins with "1"
  int firewall = 0;   // FIREWALL is neither empty nor "0"
  unsigned short port = 21;
  unsigned retries = 0;
  unsigned timeout = 30;
};

struct vqWsFtpFirewall {
  std::string host, user;
  unsigned short port = 21;
  unsigned type = 3;  // this product's login scheme for WS_FTP's FIRETYPE
};

struct vqWsFtpFile {
  std::vector<vqWsFtpSite> sites;  // in the order of the file
  vqWsFtpFirewall firewall;        // the "FIREWALL" section, for sites that use it
  int cut = 0;                     // 1 when sections past the limit were left out
};

// Reads the text of one file (size bytes; it may hold any byte). 0 when the file is too long
// (out stays empty), else 1. Lines end at CR, LF or NUL; blanks around names and values do not
// count, nor do quotes around a whole value; names of sections and keys match in any case, the
// first of a key in its section counts; lines that are neither "[section]" nor "key=value" are
// skipped.
int VQSITE_ParseWsFtp(const char* text, size_t size, vqWsFtpFile& out);
