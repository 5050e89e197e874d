// The checks and proposals of the site pages, apart from any window so they can be tested alone.
#pragma once

enum SM_SITEFAULT {
  SM_SITE_OK = 0,
  SM_SITE_BADURL,
  SM_SITE_DRIVEIRD,
  SM_SITE_BADPORT,
  SM_SITE_NONAME,
};

// Checks the site fields in the order the user reads them. On success `url` holds the bare
// host name (an "ftp://" prefix and blanks removed) and `port` the port number.
SM_SITEFAULT SM_CheckSiteFields(char* url, unsigned urlSize, const char* portText, const char* ird, const char* name,
                                unsigned short* port);
// The message of a fault; the wizard's URL message also explains what a URL may hold.
const char* SM_SiteFaultText(SM_SITEFAULT fault, bool wizard);

// Name and description proposed while the URL is typed: "IP-<url>" for an address, otherwise
// the second label of the host with a capital; both empty for an empty URL.
void SM_ProposeSite(const char* url, char* name, unsigned nameSize, char* desc, unsigned descSize);

// Texts of the site windows.
#define SM_TXT_NAMEUSED "There is already a site by this name, please choose a different name for your site."
#define SM_TXT_SAVEFAILED "Unable to save FTP site information!"
#define SM_TXT_BADNAME \
  "A site name cannot contain any of the characters \\ / : * ? \" < > | and may be at most 256 characters long."
