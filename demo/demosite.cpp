// The demo's site, made through the site store the way the site manager saves one: category
// "Demo" at the top of the tree and, inside it, the anonymous site "Local FTP" on the local server.
// Running it again keeps the ids and updates the address and port.
//
//   demosite <host> <port>
#include <stdio.h>
#include <stdlib.h>

#include "vqSiteParams.h"

namespace {

const unsigned char kProgram = 4;  // the site manager program's own settings and texts
const char kCategory[] = "Demo";
const char kSite[] = "Local FTP";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: demosite <host> <port>\n");
    return 2;
  }
  char* end = nullptr;
  unsigned long port = strtoul(argv[2], &end, 10);
  if (!*argv[1] || *end || port == 0 || port > 65535) {
    fprintf(stderr, "demosite: bad host or port\n");
    return 2;
  }

  vqSiteParams category(kProgram);
  if (!category.SITE_LoadParams(VQ_SITES_LIST, kCategory)) {
    category.SITE_InitParams(1, nullptr);
    category.SetIsCategory(1);
    category.SetDescription("Sites of the Farhollow demo");
    if (!category.SITE_SaveParams(VQ_SITES_LIST, kCategory)) {
      fprintf(stderr, "demosite: could not save the category\n");
      return 1;
    }
  } else if (!category.GetIsCategory()) {
    fprintf(stderr, "demosite: \"%s\" exists and is a site, not a category\n", kCategory);
    return 1;
  }

  char list[vqSiteParams::KEY_LEN];
  snprintf(list, sizeof list, "%s\\%s", VQ_SITES_LIST, kCategory);
  vqSiteParams site(kProgram);
  if (!site.SITE_LoadParams(list, kSite)) site.SITE_InitParams(1, nullptr);
  site.SetIsCategory(0);
  site.SetURL(argv[1]);
  site.SetURLPort(static_cast<unsigned short>(port));
  site.SetIsAnonymous(1);
  site.SetUsername("anonymous");
  site.SetDescription("The demo's vsftpd on this machine");
  if (!site.SITE_SaveParams(list, kSite)) {
    fprintf(stderr, "demosite: could not save the site\n");
    return 1;
  }
  printf("demosite: %s\\%s -> %s:%lu (site id %u)\n", kCategory, kSite, site.GetURL(), port, site.GetSiteId());
  return 0;
}
