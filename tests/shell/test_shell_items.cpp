// The item rules and the names derived from lists, on lists built byte by byte: fallbacks for
// foreign items, every kind's attributes and default command, columns, remote paths on separator
// and bracket hosts, listing cache names, the site store keys and the folder's order.
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <string>

#include "shell_lists.h"
#include "shellItems.h"
#include "shellPaths.h"
#include "vqDirParser.h"

using namespace shelltest;

TEST(ShellItems, AccessorsFallBackForForeignItems) {
  _FTPITEMID file = item(VQ_KIND_OBJECT, "a.txt");
  file.size = 1234;
  strcpy(file.permText, "-rw-r--r--");
  strcpy(file.typeName, "Text Document");
  strcpy(file.dateText, "3/14/2000 10:04 PM");
  strcpy(file.sortDate, "2000/03/14 22:04");
  std::vector<unsigned char> short1909(1909, 0);
  short1909[0] = 1909 & 0xFF;
  short1909[1] = 1909 >> 8;
  struct Case {
    const char* what;
    LPCITEMIDLIST it;
    int kind;
    const char *name, *perm, *type, *date, *sort;
    uint32_t attributes, size;
  } cases[] = {
      {"null", nullptr, 1, "FTP-Root", "", "Unknown Object Type", "", "", 0, 0},
      {"junction", List().foreign(20), 1, "FTP-Root", "", "Unknown Object Type", "", "", 0, 0},
      {"1909 bytes", reinterpret_cast<LPCITEMIDLIST>(short1909.data()), 1, "FTP-Root", "", "Unknown Object Type", "",
       "", 0, 0},
      {"file", shellAsItemId(&file), 6, "a.txt", "-rw-r--r--", "Text Document", "3/14/2000 10:04 PM",
       "2000/03/14 22:04", 0, 1234},
  };
  List junction = List().foreign(20);
  cases[1].it = junction;
  for (const Case& c : cases) {
    EXPECT_EQ(c.kind, shellItemKind(c.it)) << c.what;
    EXPECT_STREQ(c.name, shellItemName(c.it)) << c.what;
    EXPECT_STREQ(c.perm, shellItemPermText(c.it)) << c.what;
    EXPECT_STREQ(c.type, shellItemTypeName(c.it)) << c.what;
    EXPECT_STREQ(c.date, shellItemDateText(c.it)) << c.what;
    EXPECT_STREQ(c.sort, shellItemSortDate(c.it)) << c.what;
    EXPECT_EQ(c.attributes, shellItemAttributes(c.it)) << c.what;
    EXPECT_EQ(c.size, shellItemSize(c.it)) << c.what;
  }
}

TEST(ShellItems, EveryKindsAttributesAndDefaultCommand) {
  struct Case {
    int kind;
    bool container, link, remote;
    uint32_t attributes;
    int openCommand, downloadCommand;  // double-click setting 0 and 1
  } cases[] = {
      {VQ_KIND_ROOT, true, false, false, 0, 2005, 2005},
      {VQ_KIND_WIZARD, false, false, false, 0, 2002, 2002},
      {VQ_KIND_CATEGORY, true, false, false, 0xA8000103u, 2005, 2005},
      {VQ_KIND_FTPSITE, true, false, false, 0xA8000103u, 2005, 2005},
      {VQ_KIND_FOLDER, true, false, true, 0xA8000103u, 2005, 2005},
      {VQ_KIND_OBJECT, false, false, true, 0, 2007, 2011},
      {VQ_KIND_FOLDERLINK, true, true, true, 0xA8000103u, 2005, 2005},
      {VQ_KIND_OBJECTLINK, false, true, true, 0, 2007, 2011},
  };
  for (const Case& c : cases) {
    _FTPITEMID* it = shellNewItem(c.kind, "x");
    ASSERT_NE(nullptr, it);
    EXPECT_EQ(VQ_ITEMID_SIZE, +it->cb);
    EXPECT_EQ(0, +it->cbStored);
    EXPECT_EQ(c.attributes, shellItemAttributes(shellAsItemId(it))) << "kind " << c.kind;
    EXPECT_EQ(c.container, shellIsContainerKind(c.kind)) << "kind " << c.kind;
    EXPECT_EQ(c.link, shellIsLinkKind(c.kind)) << "kind " << c.kind;
    EXPECT_EQ(c.remote, shellIsRemoteKind(c.kind)) << "kind " << c.kind;
    EXPECT_EQ(c.openCommand, shellDefaultCommand(shellAsItemId(it), 0)) << "kind " << c.kind;
    EXPECT_EQ(c.downloadCommand, shellDefaultCommand(shellAsItemId(it), 1)) << "kind " << c.kind;
    shellFreeItem(it);
  }
  // Names are cut to 511 characters.
  for (size_t len : {510u, 511u, 512u, 600u}) {
    std::string name(len, 'n');
    _FTPITEMID* it = shellNewItem(VQ_KIND_OBJECT, name.c_str());
    EXPECT_EQ(std::min<size_t>(len, 511), strlen(it->name)) << len;
    shellFreeItem(it);
  }
}

TEST(ShellItems, SelectionKindFormat) {
  struct Case {
    List run;
    shellKindFormat format;
  } cases[] = {
      {List(), SHELL_FORMAT_NONE},
      {List().own(VQ_KIND_OBJECT, "a").own(VQ_KIND_OBJECTLINK, "b"), SHELL_FORMAT_OBJECT},
      {List().own(VQ_KIND_OBJECT, "a").own(VQ_KIND_FOLDERLINK, "b"), SHELL_FORMAT_FOLDER},
      {List().own(VQ_KIND_FOLDER, "a").own(VQ_KIND_FTPSITE, "s"), SHELL_FORMAT_FTPSITE},
      {List().own(VQ_KIND_FTPSITE, "s").own(VQ_KIND_CATEGORY, "c"), SHELL_FORMAT_CATEGORY},
      {List().own(VQ_KIND_OBJECT, "a").foreign(20), SHELL_FORMAT_CATEGORY},
      {List().foreign(22), SHELL_FORMAT_NONE},
      {List().own(VQ_KIND_WIZARD, "w"), SHELL_FORMAT_NONE},
  };
  for (size_t k = 0; k < sizeof cases / sizeof cases[0]; ++k)
    EXPECT_EQ(cases[k].format, shellSelectionFormat(cases[k].run)) << "case " << k;
}

TEST(ShellItems, ColumnTitlesAndTexts) {
  EXPECT_EQ(4, shellColumnCount(VQ_KIND_ROOT));
  EXPECT_EQ(4, shellColumnCount(VQ_KIND_CATEGORY));
  EXPECT_EQ(6, shellColumnCount(VQ_KIND_FTPSITE));
  EXPECT_EQ(6, shellColumnCount(VQ_KIND_FOLDER));
  const int siteTitles[] = {57703, 57704, 57705, 57706, 0};
  const int remoteTitles[] = {57703, 57707, 57704, 57708, 57709, 57706, 0};
  for (int c = 0; c < 5; ++c) EXPECT_EQ(siteTitles[c], shellColumnTitleId(VQ_KIND_CATEGORY, c)) << c;
  for (int c = 0; c < 7; ++c) EXPECT_EQ(remoteTitles[c], shellColumnTitleId(VQ_KIND_FOLDER, c)) << c;

  _FTPITEMID site = item(VQ_KIND_FTPSITE, "Server 1", "ftp.example");
  strcpy(site.typeName, "FTP Site");
  strcpy(site.description, "the site");
  _FTPITEMID file = item(VQ_KIND_OBJECT, "a.txt");
  file.size = 1234567;
  strcpy(file.typeName, "Text Document");
  strcpy(file.dateText, "14.03.2000 22:04");
  strcpy(file.sortDate, "2000/03/14 22:04");
  strcpy(file.permText, "-rw-r--r--");
  _FTPITEMID folder = item(VQ_KIND_FOLDER, "pub");
  folder.size = 4096;
  _FTPITEMID wizard = item(VQ_KIND_WIZARD, "FTP Site Wizard");
  struct Case {
    const _FTPITEMID* it;
    const char* texts[6];
    const char* sortTexts[6];
  } cases[] = {
      {&site, {"Server 1", "FTP Site", "ftp.example", "the site", "", ""}, {}},
      {&file,
       {"a.txt", "1,234,567", "Text Document", "14.03.2000 22:04", "-rw-r--r--", ""},
       {"a.txt", "00000000000001234567", "Text Document", "2000/03/14 22:04", "-rw-r--r--", ""}},
      {&folder, {"pub", "", "", "", "", ""}, {"pub", "", "", "", "", ""}},
      {&wizard, {"FTP Site Wizard", "", "", "", "", ""}, {}},
  };
  for (const Case& c : cases) {
    for (int col = 0; col < 6; ++col) {
      char buf[SHELL_COLUMN_BUF];
      EXPECT_STREQ(c.texts[col], shellColumnText(shellAsItemId(c.it), col, 0, buf, sizeof buf))
          << c.it->name << " column " << col;
      if (c.sortTexts[0]) {
        EXPECT_STREQ(c.sortTexts[col], shellColumnText(shellAsItemId(c.it), col, 1, buf, sizeof buf))
            << c.it->name << " sort column " << col;
      }
    }
  }
  // Sort texts of sizes order as the sizes do, across 4 GB and up to the largest 64-bit size.
  const uint64_t sizes[] = {0, 9, 10, 999999999u, 1000000000u, 4294967295u, 4294967296ull, 5368709120ull, ~0ull};
  std::string previous;
  for (uint64_t s : sizes) {
    VQITEM_SetFullSize(&file, s);
    char buf[SHELL_COLUMN_BUF];
    std::string text = shellColumnText(shellAsItemId(&file), 1, 1, buf, sizeof buf);
    EXPECT_LT(previous, text) << s;
    previous = text;
  }
  // A 5 GB file is shown whole (grouped as every size column is), not as the saturated 4 GB field.
  VQITEM_SetFullSize(&file, 5368709120ull);
  char shown[SHELL_COLUMN_BUF];
  EXPECT_STREQ("5368,709,120", shellColumnText(shellAsItemId(&file), 1, 0, shown, sizeof shown));
}

TEST(ShellPaths, SiteKeysAndItemPaths) {
  struct Case {
    List list;
    const char *key, *splitPath, *splitName, *itemPath;
  } cases[] = {
      {siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_FOLDER, "incoming"), "FTP-Sites\\Work\\Server 1",
       "FTP-Sites\\Work", "Server 1", "FTP-Sites\\Work\\Server 1|pub|incoming"},
      {List().foreign(20), "FTP-Sites", "", "", "FTP-Sites"},
      {List().foreign(14).foreign(20).own(VQ_KIND_FTPSITE, "S"), "FTP-Sites\\S", "FTP-Sites", "S", "FTP-Sites\\S"},
      {List().own(VQ_KIND_CATEGORY, "A").own(VQ_KIND_CATEGORY, "B"), "\\A\\B", "\\A", "B", "\\A\\B"},
      {List().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_OBJECTLINK, "l"), "", "", "", "|pub|l"},
      {List(), "", "", "", ""},
  };
  for (const Case& c : cases) {
    std::string key, path, name, itemPath;
    EXPECT_EQ(c.key[0] != 0, SiteKeyPath(c.list, key));
    EXPECT_EQ(c.key, key);
    EXPECT_EQ(c.splitName[0] != 0, SiteKeySplit(c.list, path, name)) << c.key;
    EXPECT_EQ(c.splitPath, path) << c.key;
    EXPECT_EQ(c.splitName, name) << c.key;
    ItemPathString(c.list, itemPath);
    EXPECT_EQ(c.itemPath, itemPath);
  }
  // The site's own list: cut before the first remote item.
  List below = siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_OBJECT, "a");
  LPITEMIDLIST site = SiteOnly(below);
  EXPECT_EQ(static_cast<int>(siteList().size()), VQPIDL_GetListSize(site));
  EXPECT_EQ(0, memcmp(site, siteList().get(), siteList().size() + 2));
  VQPIDL_Free(site);
}

TEST(ShellPaths, RemotePathsOnSeparatorAndBracketHosts) {
  shellRemoteSite unix = {"/home/x", '/', VQ_HOST_UNIX};
  shellRemoteSite root = {"/", '/', VQ_HOST_UNIX};
  shellRemoteSite noIrd = {"", 0, VQ_HOST_AUTO};
  shellRemoteSite vms = {"DISK$USER:[USERS.SMITH]", '.', VQ_HOST_VMS};
  shellRemoteSite multinet = {"SYS$DISK:[ANON]", 0, VQ_HOST_MULTINET};
  _FTPITEMID linkAbs = item(VQ_KIND_FOLDERLINK, "share", "/usr/share");
  _FTPITEMID linkRel = item(VQ_KIND_FOLDERLINK, "d", "docs");
  _FTPITEMID fileLinkAbs = item(VQ_KIND_OBJECTLINK, "motd", "/etc/motd");
  _FTPITEMID fileLinkRel = item(VQ_KIND_OBJECTLINK, "cur", "v2/readme");
  struct Case {
    const char* what;
    const shellRemoteSite* site;
    List list;
    unsigned caseMode;
    const char* path;
  } cases[] = {
      {"site", &unix, siteList(), 0, "/home/x/"},
      {"root site", &root, siteList(), 0, "/"},
      {"no directory known", &noIrd, siteList().own(VQ_KIND_FOLDER, "pub"), 0, "/pub/"},
      {"folders", &unix, siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_FOLDER, "in"), 0, "/home/x/pub/in/"},
      {"absolute folder link", &unix, siteList().own(linkAbs), 0, "/usr/share/"},
      {"relative folder link", &unix, siteList().own(linkRel), 0, "/home/x/docs/"},
      {"into an absolute link", &unix, siteList().own(linkAbs).own(VQ_KIND_OBJECT, "f"), 0, "/usr/share/f"},
      {"file", &unix, siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_OBJECT, "ReadMe.TXT"), 0,
       "/home/x/pub/ReadMe.TXT"},
      {"file upper", &unix, siteList().own(VQ_KIND_OBJECT, "ReadMe.TXT"), 1, "/home/x/README.TXT"},
      {"file lower", &unix, siteList().own(VQ_KIND_OBJECT, "ReadMe.TXT"), 2, "/home/x/readme.txt"},
      {"file link absolute", &unix, siteList().own(fileLinkAbs), 1, "/etc/motd"},
      {"file link relative", &unix, siteList().own(fileLinkRel), 1, "/home/x/v2/readme"},
      {"vms site", &vms, siteList(), 0, "DISK$USER:[USERS.SMITH]"},
      {"vms folder .dir cut", &vms, siteList().own(VQ_KIND_FOLDER, "PUB.DIR"), 0, "DISK$USER:[USERS.SMITH.PUB]"},
      {"vms two folders", &vms, siteList().own(VQ_KIND_FOLDER, "PUB.DIR").own(VQ_KIND_FOLDER, "sub.Dir"), 0,
       "DISK$USER:[USERS.SMITH.PUB.sub]"},
      {"vms plain folder", &vms, siteList().own(VQ_KIND_FOLDER, "DATA"), 0, "DISK$USER:[USERS.SMITH.DATA]"},
      {"vms file", &vms, siteList().own(VQ_KIND_FOLDER, "PUB.DIR").own(VQ_KIND_OBJECT, "a.txt"), 1,
       "DISK$USER:[USERS.SMITH.PUB]A.TXT"},
      {"multinet", &multinet, siteList().own(VQ_KIND_FOLDER, "X.DIR"), 0, "SYS$DISK:[ANON.X]"},
      {"category adds nothing", &unix, List().foreign(20).own(VQ_KIND_CATEGORY, "Work"), 0, ""},
  };
  for (const Case& c : cases) {
    std::string path;
    EXPECT_TRUE(RemotePath(c.list, c.site, c.caseMode, path)) << c.what;
    EXPECT_EQ(c.path, path) << c.what;
  }
  std::string path = "stale";
  EXPECT_FALSE(RemotePath(siteList(), nullptr, 0, path)) << "no connection";
  EXPECT_EQ("", path);
  EXPECT_TRUE(ParentRemotePath(siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_OBJECT, "a"), &unix, path));
  EXPECT_EQ("/home/x/pub/", path);
}

TEST(ShellPaths, ListingCacheFileNames) {
  shellCacheSite site = {"C:\\cache\\", "ftp.example", 3};
  struct Case {
    List list;
    bool parentOnly;
    const char* file;
  } cases[] = {
      {siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_FOLDER, "incoming"), false,
       "C:\\cache\\ftp.example(3)\\root.pub.incoming.vqLS"},
      {siteList(), false, "C:\\cache\\ftp.example(3)\\root.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "a/b:c"), false, "C:\\cache\\ftp.example(3)\\root.a.b.c.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "x\\y"), false, "C:\\cache\\ftp.example(3)\\root.x.y.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, ".."), false, "C:\\cache\\ftp.example(3)\\root.__.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "..\\..\\.."), false, "C:\\cache\\ftp.example(3)\\root.........vqLS"},
      {siteList().own(VQ_KIND_FOLDER, ".ssh"), false, "C:\\cache\\ftp.example(3)\\root.ssh.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "a").own(VQ_KIND_FOLDER, "b"), false, "C:\\cache\\ftp.example(3)\\root.a.b.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_FOLDER, "b"), true,
       "C:\\cache\\ftp.example(3)\\root.pub.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "pub").own(VQ_KIND_OBJECT, "f"), true,
       "C:\\cache\\ftp.example(3)\\root.pub.vqLS"},
      {siteList().own(item(VQ_KIND_FOLDERLINK, "l", "/usr/share")), false,
       "C:\\cache\\ftp.example(3)\\root.usr.share.vqLS"},
      // Bytes beyond ASCII (a UTF-8 name, a Latin-1 one) and what file names refuse, as "%XX":
      // the same file under every code page, and two names never one file.
      {siteList().own(VQ_KIND_FOLDER, "\xD0\xBF\xD0\xB0"), false, "C:\\cache\\ftp.example(3)\\root.%D0%BF%D0%B0.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "caf\xE9"), false, "C:\\cache\\ftp.example(3)\\root.caf%E9.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "a?b*<c>|\"d"), false,
       "C:\\cache\\ftp.example(3)\\root.a%3Fb%2A%3Cc%3E%7C%22d.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "100%E9"), false, "C:\\cache\\ftp.example(3)\\root.100%25E9.vqLS"},
      {siteList().own(VQ_KIND_FOLDER, "tab\there"), false, "C:\\cache\\ftp.example(3)\\root.tab%09here.vqLS"},
  };
  for (const Case& c : cases) {
    std::string file, dir;
    EXPECT_TRUE(CacheFileName(c.list, c.parentOnly, site, file, &dir)) << c.file;
    EXPECT_EQ(c.file, file);
    EXPECT_EQ("C:\\cache\\ftp.example(3)", dir);
  }
  std::string file, dir;
  EXPECT_FALSE(CacheFileName(siteList(), true, site, file, &dir)) << "the parent of a site is no site";
  EXPECT_FALSE(CacheFileName(List().foreign(20).own(VQ_KIND_CATEGORY, "Work"), false, site, file, &dir));
  // A URL that would reach out of the cache directory stays one directory name inside it.
  shellCacheSite evil = {"C:\\cache\\", "..\\..\\x:y", 3};
  EXPECT_TRUE(CacheFileName(siteList(), false, evil, file, &dir));
  EXPECT_EQ("C:\\cache\\.._.._x_y(3)\\root.vqLS", file);
}

TEST(ShellItems, FolderOrder) {
  // Each list sorts before the next.
  List order[] = {
      List().own(VQ_KIND_WIZARD, "zzz"),
      List().own(VQ_KIND_CATEGORY, "b"),
      List().own(VQ_KIND_CATEGORY, "C"),
      List().own(VQ_KIND_FOLDER, "a"),
      List().own(VQ_KIND_FOLDERLINK, "B"),
      List().own(VQ_KIND_FOLDER, "c"),
      List().own(VQ_KIND_OBJECT, "A!"),
      // "|" ends each name in the key and sorts after letters: "aa|" before "a||".
      List().own(VQ_KIND_OBJECT, "aa"),
      List().own(VQ_KIND_FTPSITE, "a|"),
  };
  const size_t n = sizeof order / sizeof order[0];
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(0, shellCompareItemLists(order[i], order[i])) << i;
    for (size_t j = i + 1; j < n; ++j) {
      EXPECT_GT(0, shellCompareItemLists(order[i], order[j])) << i << " before " << j;
      EXPECT_LT(0, shellCompareItemLists(order[j], order[i])) << j << " after " << i;
    }
  }
  EXPECT_EQ(0, shellCompareItemLists(List().own(VQ_KIND_OBJECT, "ABC"), List().own(VQ_KIND_OBJECT, "abc")));
  // One-item lists take a shorter road than longer lists: both give the key order.
  const char* names[] = {"a", "a|", "a||b", "a|b", "aa", "A!", "", "b", "ab|", "ab"};
  for (const char* x : names) {
    for (const char* y : names) {
      int one = shellCompareItemLists(List().own(VQ_KIND_OBJECT, x), List().own(VQ_KIND_OBJECT, y));
      int two =
          shellCompareItemLists(List().foreign(20).own(VQ_KIND_OBJECT, x), List().foreign(20).own(VQ_KIND_OBJECT, y));
      EXPECT_EQ(one < 0, two < 0) << "'" << x << "' and '" << y << "'";
      EXPECT_EQ(one == 0, two == 0) << "'" << x << "' and '" << y << "'";
    }
  }
  // Two sites compare by their whole path, not by the last name alone.
  List a = List().own(VQ_KIND_CATEGORY, "A").own(VQ_KIND_FTPSITE, "Z");
  List b = List().own(VQ_KIND_CATEGORY, "B").own(VQ_KIND_FTPSITE, "A");
  EXPECT_GT(0, shellCompareItemLists(a, b));
  // Foreign items compare by their bytes as decimals: 0x41 -> "65", 0x09 -> "09".
  EXPECT_LT(0, shellCompareItemLists(List().foreign(4, 0x41), List().foreign(4, 0x09)));
  EXPECT_NE(0, shellCompareItemLists(List().foreign(4, 0x41), List().foreign(5, 0x41)));
}

namespace {
struct Collected {
  std::vector<_FTPITEMID> items;
  static int sink(const _FTPITEMID* it, void* user) {
    static_cast<Collected*>(user)->items.push_back(*it);
    return 1;
  }
};
}  // namespace

TEST(ShellItems, ItemsFromAParsedListing) {
  std::string listing = testing::TempDir() + "shell_items_listing.vqLS";
  FILE* f = fopen(listing.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  fputs(
      "total 4\n"
      "drwxr-xr-x   2 ftp      ftp          4096 Mar 14  2000 pub\n"
      "-rw-r--r--   1 ftp      ftp          1234 Mar 14  2000 a.txt\n"
      "lrwxrwxrwx   1 ftp      ftp            11 Mar 14  2000 share -> /usr/share\n"
      "drwx------   2 ftp      ftp          4096 Mar 14  2000 .ssh\n"
      "-rw-------   1 ftp      ftp            10 Mar 14  2000 .profile\n",
      f);
  fclose(f);
  vqDirParser parser(VQ_HOST_UNIX);
  parser.SetToday(2024, 1, 1);
  unsigned long count = 0;
  ASSERT_EQ(0ul, parser.DIR_PARSE(listing.c_str(), count));
  ASSERT_EQ(1, parser.DirEnumOpen(parser.GetOutfileName()));

  _FTPITEMID folder = item(VQ_KIND_FOLDER, "home", "");
  strcpy(folder.description, "parent's description");
  strcpy(folder.permText, "drwxrwxr-x");
  folder.permFlags[VQ_PERM_OWNER_WRITE] = 1;
  folder.permFlags[VQ_PERM_GROUP_WRITE] = 1;
  folder.permFlags[VQ_PERM_WORLD_WRITE] = 0;
  struct Case {
    shellListingOptions options;
    std::vector<std::string> names;
  } cases[] = {
      {{1, 0, 0}, {"..", "pub", "a.txt", "share", ".ssh", ".profile"}},
      {{0, 0, 1}, {"pub", "a.txt", "share", ".ssh"}},
      {{0, 1, 0}, {"pub", "a.txt", "share", ".profile"}},
      {{0, 1, 1}, {"pub", "a.txt", "share"}},
  };
  for (const Case& c : cases) {
    Collected got;
    EXPECT_EQ(static_cast<long>(c.names.size()),
              shellItemsFromListing(parser, &folder, c.options, &Collected::sink, &got));
    std::vector<std::string> names;
    for (const _FTPITEMID& it : got.items) names.push_back(it.name);
    EXPECT_EQ(c.names, names);
  }
  Collected got;
  shellItemsFromListing(parser, &folder, {1, 0, 0}, &Collected::sink, &got);
  ASSERT_EQ(6u, got.items.size());
  const _FTPITEMID& dotDot = got.items[0];
  EXPECT_EQ(VQ_KIND_FOLDER, +dotDot.kind);
  EXPECT_STREQ("parent's description", dotDot.description);
  EXPECT_STREQ("drwxrwxr-x", dotDot.permText);
  EXPECT_EQ(SHELL_CONTAINER_ATTRIBUTES, +dotDot.attributes);
  for (size_t k = 1; k < got.items.size(); ++k) {
    const _FTPITEMID& it = got.items[k];
    SCOPED_TRACE(it.name);
    EXPECT_EQ(VQ_ITEMID_SIZE, +it.cb);
    EXPECT_EQ(VQ_ITEMID_STORED_SIZE, +it.cbStored);
    EXPECT_EQ(shellDefaultAttributes(it.kind), +it.attributes);
    // Deletable as far as the parent can be written.
    EXPECT_EQ(1, it.permFlags[VQ_PERM_OWNER_DELETE]);
    EXPECT_EQ(1, it.permFlags[VQ_PERM_GROUP_DELETE]);
    EXPECT_EQ(0, it.permFlags[VQ_PERM_WORLD_DELETE]);
    EXPECT_STREQ("2000/03/14 00:00", it.sortDate);
    EXPECT_NE('\0', it.dateText[0]);
  }
  EXPECT_EQ(VQ_KIND_OBJECT, +got.items[2].kind);
  EXPECT_EQ(1234u, +got.items[2].size);
  EXPECT_EQ(VQ_KIND_FOLDERLINK, +got.items[3].kind) << "a link to a folder, split into name and target";
  EXPECT_STREQ("share", got.items[3].name);
  EXPECT_STREQ("/usr/share", got.items[3].url);
  parser.DirEnumClose();
  remove(parser.GetOutfileName());
  remove(listing.c_str());
}

// Items another program made can fill a text field to its last byte. Such a field reads as empty:
// nothing of the next field, or of what lies past the item, reaches a column or a path.
TEST(ShellItems, FieldsWithoutTerminatorReadAsEmpty) {
  _FTPITEMID site = item(VQ_KIND_FTPSITE, "S");
  memset(site.description, 'D', sizeof site.description);
  memset(site.url, 'U', sizeof site.url);
  _FTPITEMID file = item(VQ_KIND_OBJECT, "");
  memset(file.name, 'N', sizeof file.name);
  memset(file.permText, 'P', sizeof file.permText);
  memset(file.typeName, 'T', sizeof file.typeName);
  memset(file.dateText, 'A', sizeof file.dateText);
  memset(file.sortDate, 'S', sizeof file.sortDate);
  memset(file.group, 'G', sizeof file.group);
  struct Case {
    const char* what;
    const char* text;
  } cases[] = {
      {"name", shellItemName(shellAsItemId(&file))},
      {"permissions", shellItemPermText(shellAsItemId(&file))},
      {"type", shellItemTypeName(shellAsItemId(&file))},
      {"date", shellItemDateText(shellAsItemId(&file))},
      {"sort date", shellItemSortDate(shellAsItemId(&file))},
      {"date column", shellColumnText(shellAsItemId(&file), 3, 0, nullptr, 0)},
      {"sort date column", shellColumnText(shellAsItemId(&file), 3, 1, nullptr, 0)},
      {"permission column", shellColumnText(shellAsItemId(&file), 4, 0, nullptr, 0)},
      {"url column", shellColumnText(shellAsItemId(&site), 2, 0, nullptr, 0)},
      {"description column", shellColumnText(shellAsItemId(&site), 3, 0, nullptr, 0)},
  };
  for (const Case& c : cases) EXPECT_STREQ("", c.text) << c.what;

  // A link whose target fills its field goes by its name; an unreadable name adds nothing.
  _FTPITEMID link = item(VQ_KIND_FOLDERLINK, "docs");
  memset(link.url, '/', sizeof link.url);
  List list = List().own(site).own(link).own(file);
  std::string path, key;
  const shellRemoteSite remote = {"/home", '/', 0};
  ASSERT_TRUE(RemotePath(list, &remote, 0, path));
  EXPECT_EQ("/home/docs/", path);
  ASSERT_TRUE(ItemPathString(list, key));
  EXPECT_EQ("\\S|docs|", key);
}
