// The WS_FTP site list reader over files as that program and people editing them write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vqWsFtpFile.h"

namespace {
std::string describe(const vqWsFtpSite& s) {
  return s.name + "|" + s.nestedFile + "|" + s.host + "|" + s.user + "|" + s.dir + "|" + s.comment + "|" + s.initCmd +
         "|" + s.remoteMask + "|" + s.localDir + "|" + std::to_string(s.anonymous) + std::to_string(s.pasv) +
         std::to_string(s.firewall) + "|" + std::to_string(s.port) + "|" + std::to_string(s.retries) + "|" +
         std::to_string(s.timeout);
}
}  // namespace

TEST(WsFtpFile, ReadsSitesByTheProfileRules) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> sites;  // describe() of each member
  } cases[] = {
      {"one site of each kind",
       "[_config_]\r\nHOST=no\r\n[FIREWALL]\r\nHOST=fw\r\n[My Site]\r\nHOST=  ftp.example  \r\nUID=ANONYMOUS\r\n"
       "DIR=/pub\r\nCOMMENT=the mirror\r\nPASVMODE=1\r\nPORT=0\r\nRETRIES=3\r\nRMASK=*.zip\r\nLOCDIR=c:\\down\r\n"
       "TIMEOUT=0\r\nFIREWALL=1\r\nINITCMD=SITE UMASK 022\r\nPASSWORD=never\r\n[Group]\r\nFILENAME=group.ini\r\n",
       {"My Site||ftp.example|ANONYMOUS|/pub|the mirror|SITE UMASK 022|*.zip|c:\\down|111|21|3|30",
        "Group|group.ini||||||||000|21|0|30"}},
      {"names and keys in any case, the first key counts, quotes and blanks go",
       "[ A ]\nhost = \"  quoted  \"\nHOST=second\nuid='anonymous'\n[_CONFIG_]\n[firewall]\n",
       {"A||quoted|anonymous||||||100|21|0|30"}},
      {"numbers: signs, letters and overflow are no numbers",
       "[N]\nPORT=-21\nRETRIES=99999999999\nTIMEOUT=12abc\n[M]\nPORT=65536\nRETRIES=+4\nTIMEOUT=-1\n",
       {"N|||||||||000|21|4294967295|12", "M|||||||||000|21|4|30"}},
      {"lines end at CR, LF and NUL; strays are skipped",
       std::string("HOST=before any section\r[B]\0HOST=b\rstray line\n=novalue\n[]\nHOST=nameless\n[C", 74),
       {"B||b|||||||000|21|0|30", "C|||||||||000|21|0|30"}},
      {"firewall flag: empty and 0 are off",
       "[X]\nFIREWALL=0\n[Y]\nFIREWALL=\n[Z]\nFIREWALL=no\n",
       {"X|||||||||000|21|0|30", "Y|||||||||000|21|0|30", "Z|||||||||001|21|0|30"}},
  };
  for (const Case& c : cases) {
    vqWsFtpFile f;
    ASSERT_EQ(1, VQSITE_ParseWsFtp(c.text.data(), c.text.size(), f)) << c.name;
    std::vector<std::string> got;
    for (const vqWsFtpSite& s : f.sites) got.push_back(describe(s));
    EXPECT_EQ(c.sites, got) << c.name;
    EXPECT_EQ(0, f.cut) << c.name;
  }
}

TEST(WsFtpFile, FirewallSectionAndItsKinds) {
  struct Case {
    const char* type;
    unsigned scheme;
  } cases[] = {{"0", 3}, {"1", 0}, {"2", 1}, {"3", 2}, {"4", 4}, {"5", 0}, {"6", 0}, {"7", 6}, {"8", 0}, {"", 3}};
  for (const Case& c : cases) {
    std::string text = std::string("[S]\nFIREWALL=1\n[Firewall]\nHOST=fw\nUID=u\nPORT=1080\nFIRETYPE=") + c.type + "\n";
    vqWsFtpFile f;
    ASSERT_EQ(1, VQSITE_ParseWsFtp(text.data(), text.size(), f));
    EXPECT_EQ(c.scheme, f.firewall.type) << "FIRETYPE=" << c.type;
    EXPECT_EQ("fw", f.firewall.host);
    EXPECT_EQ(1080, f.firewall.port);
  }
}

TEST(WsFtpFile, HostileSizesAreBounded) {
  // More sections than a site list holds: the first ones are read, the file is marked as cut.
  std::string many;
  for (size_t i = 0; i < VQ_WSFTP_MAX_SITES + 10; ++i) many += "[s" + std::to_string(i) + "]\nHOST=h\n";
  vqWsFtpFile f;
  ASSERT_EQ(1, VQSITE_ParseWsFtp(many.data(), many.size(), f));
  EXPECT_EQ(VQ_WSFTP_MAX_SITES, f.sites.size());
  EXPECT_EQ("s0", f.sites.front().name);
  EXPECT_EQ(1, f.cut);

  // Values and names are cut, and what is cut keeps no trailing blank.
  std::string longValue = "[" + std::string(600, 'n') + "]\nCOMMENT=" + std::string(511, 'c') + "  tail\n";
  ASSERT_EQ(1, VQSITE_ParseWsFtp(longValue.data(), longValue.size(), f));
  ASSERT_EQ(1u, f.sites.size());
  EXPECT_EQ(VQ_WSFTP_MAX_VALUE, f.sites[0].name.size());
  EXPECT_EQ(std::string(511, 'c'), f.sites[0].comment);

  // A file too long to be a site list is refused whole.
  std::string huge(VQ_WSFTP_MAX_FILE + 1, '\n');
  huge.replace(0, 10, "[x]\nHOST=h");
  EXPECT_EQ(0, VQSITE_ParseWsFtp(huge.data(), huge.size(), f));
  EXPECT_TRUE(f.sites.empty());
}
