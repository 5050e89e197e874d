// How a site's server encodes file names: the site key's "NameEncoding" value. Older stores have
// no such value and read as automatic; older readers ignore it.
#pragma once

enum {
  VQ_NAMES_AUTO = 0,      // UTF-8 when the server says so, or when a listing's names read as UTF-8
  VQ_NAMES_UTF8 = 1,      // always UTF-8
  VQ_NAMES_CODEPAGE = 2,  // the system's ANSI code page, as before
};
