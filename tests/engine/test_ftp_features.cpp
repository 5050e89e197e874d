// What servers say about themselves and their data connections today: FEAT in the forms servers
// send it, the 229 reply of EPSV, the EPRT argument, and IPv6 hosts in a site's URL.
#include <gtest/gtest.h>

#include <string.h>

#include "vqFtpProtocol.h"

TEST(FtpFeatures, FeatReplies) {
  struct Case {
    const char* reply;
    int answered, mlst, utf8, size, mdtm, epsv, eprt;
    const char* facts;
  } cases[] = {
      // The RFC's form: one feature a line after a blank, any case.
      {"211-Features:\r\n MLST type*;size*;modify*;\r\n UTF8\r\n size\r\n MDTM\r\n EPSV\r\n EPRT\r\n211 End", 1, 1, 1,
       1, 1, 1, 1, "type*;size*;modify*;"},
      // "211-" in front of every line, and features without the blank.
      {"211-Extensions supported:\r\n211-MLST type*;perm*;\r\n211-UTF8\r\n211 END", 1, 1, 1, 0, 0, 0, 0,
       "type*;perm*;"},
      {"211-Features\nMDTM\nSIZE\nREST STREAM\n211 End", 1, 0, 0, 1, 1, 0, 0, ""},
      // MLSD named alone still means machine listings.
      {"211-Features:\r\n MLSD\r\n211 End", 1, 1, 0, 0, 0, 0, 0, ""},
      // A feature's arguments are not features; the closing remark is not one either.
      {"211-Features:\r\n LANG EN*;UTF8\r\n211 UTF8 MLST", 1, 0, 0, 0, 0, 0, 0, ""},
      {"211 No features.", 1, 0, 0, 0, 0, 0, 0, ""},
      {"500 'FEAT': command not understood.", 0, 0, 0, 0, 0, 0, 0, ""},
      {"502 Command not implemented.", 0, 0, 0, 0, 0, 0, 0, ""},
      {"", 0, 0, 0, 0, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    vqFtpFeatures f;
    memset(&f, 0x55, sizeof f);
    f.asked = 1;
    VQFTP_ParseFeatures(c.reply, &f);
    EXPECT_EQ(1, f.asked) << c.reply;
    EXPECT_EQ(c.answered, f.answered) << c.reply;
    EXPECT_EQ(c.mlst, f.mlst) << c.reply;
    EXPECT_EQ(c.utf8, f.utf8) << c.reply;
    EXPECT_EQ(c.size, f.size) << c.reply;
    EXPECT_EQ(c.mdtm, f.mdtm) << c.reply;
    EXPECT_EQ(c.epsv, f.epsv) << c.reply;
    EXPECT_EQ(c.eprt, f.eprt) << c.reply;
    EXPECT_STREQ(c.facts, f.mlstFacts) << c.reply;
  }
  // A long MLST line is cut to its field.
  std::string longFacts = "211-F\r\n MLST " + std::string(500, 'f') + "\r\n211 E";
  vqFtpFeatures f = {};
  VQFTP_ParseFeatures(longFacts.c_str(), &f);
  EXPECT_EQ(sizeof f.mlstFacts - 1, strlen(f.mlstFacts));
}

TEST(FtpFeatures, ExtendedPassiveReplies) {
  struct Case {
    const char* reply;
    int result;
    unsigned int port;
  } cases[] = {
      {"229 Entering Extended Passive Mode (|||6446|)", 0, 6446},
      {"229 Entering extended passive mode (!!!65535!)", 0, 65535},
      {"229 (|||1|) ok", 0, 1},
      {"229 Entering Extended Passive Mode (|||0|)", 1, 0},
      {"229 Entering Extended Passive Mode (|||65536|)", 1, 0},
      {"229 Entering Extended Passive Mode (|||123456|)", 1, 0},
      {"229 Entering Extended Passive Mode (||6446|)", 1, 0},
      {"229 Entering Extended Passive Mode (|1|::1|6446|)", 1, 0},  // no address may be named
      {"229 Entering Extended Passive Mode (|||6446)", 1, 0},
      {"229 Entering Extended Passive Mode (1116446|)", 1, 0},
      {"229 Entering Extended Passive Mode", 1, 0},
      {"", 1, 0},
  };
  for (const Case& c : cases) {
    unsigned int port = 77;
    EXPECT_EQ(c.result, VQFTP_ParseEpsv(c.reply, &port)) << c.reply;
    EXPECT_EQ(c.port, port) << c.reply;
  }
}

TEST(FtpFeatures, ExtendedPortArguments) {
  struct Case {
    const char* address;
    unsigned int port;
    const char* out;  // nullptr: refused
  } cases[] = {
      {"127.0.0.1", 5282, "|1|127.0.0.1|5282|"},
      {"::1", 5282, "|2|::1|5282|"},
      {"fe80::1%3", 21, "|2|fe80::1|21|"},
      {"::ffff:10.0.0.1", 1024, "|2|::ffff:10.0.0.1|1024|"},
      {"127.0.0.1", 0, nullptr},
      {"127.0.0.1", 70000, nullptr},
      {"host.example", 21, nullptr},
      {"1|2::3", 21, nullptr},
      {"", 21, nullptr},
  };
  for (const Case& c : cases) {
    char out[96];
    const int r = VQFTP_FormatEprt(c.address, c.port, out, sizeof out);
    EXPECT_EQ(c.out ? 0 : 1, r) << c.address;
    EXPECT_STREQ(c.out ? c.out : "", out) << c.address;
  }
  char small[8];
  EXPECT_EQ(1, VQFTP_FormatEprt("127.0.0.1", 21, small, sizeof small));
}

TEST(FtpFeatures, HostsInTheSiteUrl) {
  struct Case {
    const char* url;
    int result;
    const char* host;
    unsigned int port;
  } cases[] = {
      {"[::1]", 0, "::1", 0},
      {"[::1]:2121", 0, "::1", 2121},
      {"[2001:db8::7]:21", 0, "2001:db8::7", 21},
      {"ftp.example.org", 0, "ftp.example.org", 0},
      {"127.0.0.1", 0, "127.0.0.1", 0},
      {"[::1", 1, "", 0},
      {"[::1]:", 1, "", 0},
      {"[::1]:0", 1, "", 0},
      {"[::1]:99999", 1, "", 0},
      {"[::1]x", 1, "", 0},
  };
  for (const Case& c : cases) {
    char host[64];
    unsigned int port = 5;
    EXPECT_EQ(c.result, VQFTP_SplitHost(c.url, host, sizeof host, &port)) << c.url;
    EXPECT_STREQ(c.host, host) << c.url;
    EXPECT_EQ(c.port, port) << c.url;
  }
}
