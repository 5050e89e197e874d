// The server kinds table: every row exactly as the site manager and the parser expect it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "vqSupportedServers.h"

namespace {

struct row {
  unsigned int key;
  const char* name;
  const char* systemText;
  const char* delimiter;
};

const row kExpected[] = {
    {2000, "Auto Detect", "", "/"},
    {2001, "UNIX - Standard", "Unix", "/"},
    {2002, "Windows NT v3.5x (DOS Style)", "Windows_NT", "\\"},
    {2003, "Windows NT v3.5x (UNIX Style)", "Windows_NT", "/"},
    {2004, "Windows NT v4.x  (UNIX Style)", "Windows_NT", "/"},
    {2005, "UNIX Type: L8", "Unix Type: L8", "/"},
    {2006, "VMS MultiNET", "MultiNet", "."},
    {2007, "VMS", "VMS ", "."},
    {2008, "MACOS", "MACOS ", "/"},
    {2009, "MVS", "MVS ", "."},
    {2010, "VM", "VM ", "."},
    {2011, "NetWare", "NetWare ", "/"},
    {2012, "OS/2", "OS/2", "/"},
    {2013, "WFTPD", "WFTPD", "/"},
    {2014, "WAR-FTPD", "WAR-FTPD", "\\"},
    {2015, "MPE/iX", "MPE/iX", "/"},
    {2016, "HellSoft FTP Server for NW", "HellSoft", "/"},
    {2017, "FTP Software's FTP Server", "MSDOS ", "/"},
    {2018, "VAX/VMS A5.5", "VAX/VMS A5.5", "."},
    {2019, "AppleShare IP", "AppleShare", "/"},
    {2020, "VM/CMS", "VM/CMS", "."},
    {2021, "VMS VAX/VMS", "VMS VAX/VMS", "."},
    {2022, "UNIX Type: L8/BSD-44", "Unix Type: L8 Version: BSD-44", "/"},
    {2023, "VMS MultiNET v3.4", "VMS MultiNet V3.4", "."},
    {2024, "AS/400-Unix Format", "AS/400-Unix Format", "."},
    {2025, "AS/400-Native Format", "AS/400-Native Format", "."},
    {2026, "BisonWare FTP Server", "BisonWare", "/"},
};

TEST(SupportedServers, EveryRowInTableOrder) {
  vqSupportedServers servers;
  ASSERT_EQ(27, servers.CfgCount());
  std::set<std::string> names;
  for (unsigned int i = 0; i < 27; ++i) {
    const row& want = kExpected[i];
    const _ftpsvr_info_* got = servers.CfgGet(i);
    ASSERT_NE(nullptr, got) << "index " << i;
    EXPECT_EQ(want.key, got->key) << "index " << i;
    EXPECT_EQ(std::string("[") + want.name + "]", std::string("[") + got->name + "]") << "key " << want.key;
    EXPECT_EQ(std::string("[") + want.systemText + "]", std::string("[") + got->systemText + "]")
        << "key " << want.key << " (trailing blanks count)";
    EXPECT_STREQ(want.delimiter, got->delimiter) << "key " << want.key;
    EXPECT_EQ('\0', got->delimiter[1]) << "key " << want.key;
    EXPECT_EQ(got, servers.CfgFind(want.key)) << "key " << want.key;
    names.insert(got->name);
  }
  EXPECT_EQ(27u, names.size()) << "display names are distinct";
}

TEST(SupportedServers, LookupsOutsideTheTable) {
  vqSupportedServers servers;
  const _ftpsvr_info_* autoRow = servers.CfgFind(VQ_HOST_AUTO);
  ASSERT_NE(nullptr, autoRow);
  EXPECT_STREQ("Auto Detect", autoRow->name);
  EXPECT_EQ(nullptr, servers.CfgFind(1999));
  EXPECT_EQ(nullptr, servers.CfgFind(2027));
  EXPECT_EQ(nullptr, servers.CfgFind(0));
  EXPECT_EQ(nullptr, servers.CfgGet(27));
  const _ftpsvr_info_* war = servers.CfgGet(14);
  ASSERT_NE(nullptr, war);
  EXPECT_STREQ("WAR-FTPD", war->name);
  EXPECT_STREQ("\\", war->delimiter);
  // Copies view the same constant rows.
  vqSupportedServers copy = servers;
  EXPECT_EQ(servers.CfgGet(5), copy.CfgGet(5));
}

}  // namespace
