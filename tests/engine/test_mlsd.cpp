// Machine listings: the fact reader line by line (facts in any order and case, missing or unusable
// facts, names with blanks and semicolons, links), the shape test that tells a machine listing from
// every LIST dialect, and whole MLSD listings through the parser whatever the host type says.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

#include "test_dirparser_helpers.h"
#include "vqMachineListing.h"

using namespace dirtest;

namespace {

std::string nameOf(const vqMachineFacts& f) { return std::string(f.name, f.nameLength); }

// Local time of a UTC time as the C runtime sees it, as "yyyy/mm/dd hh:mm" (the record's sort date).
std::string localSortDate(int y, int mo, int d, int h, int mi) {
  struct tm t = {};
  t.tm_year = y - 1900;
  t.tm_mon = mo - 1;
  t.tm_mday = d;
  t.tm_hour = h;
  t.tm_min = mi;
#ifdef _WIN32
  __time64_t when = _mkgmtime64(&t);
  struct tm l;
  _localtime64_s(&l, &when);
#else
  time_t when = timegm(&t);
  struct tm l;
  localtime_r(&when, &l);
#endif
  char out[32];
  snprintf(out, sizeof out, "%04d/%02d/%02d %02d:%02d", l.tm_year + 1900, l.tm_mon + 1, l.tm_mday, l.tm_hour, l.tm_min);
  return out;
}

}  // namespace

TEST(MachineListing, FactsOfOneLine) {
  struct Case {
    const char* line;
    int type;
    const char* name;
    int hasSize;
    unsigned long long size;
    const char* modify;  // "yyyymmddhhmmss" or "" when missing
    const char* perm;
    const char* target;
  } cases[] = {
      {"type=file;size=1234;modify=20240102030405;perm=adfrw; report.txt", VQ_MLS_FILE, "report.txt", 1, 1234,
       "20240102030405", "adfrw", ""},
      // Any case, any order, fractions of a second; the name keeps its blanks and semicolons.
      {"Size=5;TYPE=File;Modify=20240102030405.123; a b;c; d.txt", VQ_MLS_FILE, "a b;c; d.txt", 1, 5, "20240102030405",
       "", ""},
      {"type=dir;sizd=4096;modify=20200229235959; sub dir", VQ_MLS_DIR, "sub dir", 1, 4096, "20200229235959", "", ""},
      {"type=cdir;perm=el; /pub", VQ_MLS_CDIR, "/pub", 0, 0, "", "el", ""},
      {"type=pdir; ..", VQ_MLS_PDIR, "..", 0, 0, "", "", ""},
      {"type=OS.unix=slink:/pub/docs;size=4; latest", VQ_MLS_LINK, "latest", 1, 4, "", "", "/pub/docs"},
      {"type=OS.unix=symlink;modify=20100101000000; lnk", VQ_MLS_LINK, "lnk", 0, 0, "20100101000000", "", ""},
      {"type=OS.unix=chr-13/29; tty", VQ_MLS_OTHER, "tty", 0, 0, "", "", ""},
      // Missing type; a size past 4 GB; a second blank belongs to the name.
      {"size=5000000000; big file", VQ_MLS_OTHER, "big file", 1, 5000000000ULL, "", "", ""},
      {"type=file;size=1;  two blanks", VQ_MLS_FILE, " two blanks", 1, 1, "", "", ""},
      // Unusable facts are missing facts, not errors.
      {"modify=20241301000000;size=x1;type=file; bad facts", VQ_MLS_FILE, "bad facts", 0, 0, "", "", ""},
      {"size=99999999999999999999;modify=2024;type=file; huge", VQ_MLS_FILE, "huge", 0, 0, "", "", ""},
      {"modify=20230229120000;type=file; no leap day", VQ_MLS_FILE, "no leap day", 0, 0, "", "", ""},
      // A server that sends no facts at all.
      {" nofacts.txt", VQ_MLS_OTHER, "nofacts.txt", 0, 0, "", "", ""},
      // A line end the caller left on is not part of the name.
      {"type=file;size=0; crlf.txt\r\n", VQ_MLS_FILE, "crlf.txt", 1, 0, "", "", ""},
      // Everything past the first fact list's blank is the name, facts-like or not.
      {"type=file; size=3;odd", VQ_MLS_FILE, "size=3;odd", 0, 0, "", "", ""},
  };
  for (const Case& c : cases) {
    vqMachineFacts f;
    ASSERT_EQ(1, VQLIST_ReadMachineLine(c.line, strlen(c.line), &f)) << c.line;
    EXPECT_EQ(c.type, f.type) << c.line;
    EXPECT_EQ(c.name, nameOf(f)) << c.line;
    EXPECT_EQ(c.hasSize, f.hasSize) << c.line;
    EXPECT_EQ(c.size, f.size) << c.line;
    if (c.modify[0]) {
      char got[16];
      snprintf(got, sizeof got, "%04d%02d%02d%02d%02d%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
      EXPECT_EQ(1, f.hasModify) << c.line;
      EXPECT_STREQ(c.modify, got) << c.line;
    } else {
      EXPECT_EQ(0, f.hasModify) << c.line;
    }
    EXPECT_STREQ(c.perm, f.perm) << c.line;
    EXPECT_STREQ(c.target, f.linkTarget) << c.line;
  }
}

TEST(MachineListing, OwnerGroupAndModeFacts) {
  const char* line = "unix.mode=0755;UNIX.owner=1000;unix.ownername=joe;unix.group=staff;type=file; m";
  vqMachineFacts f;
  ASSERT_EQ(1, VQLIST_ReadMachineLine(line, strlen(line), &f));
  EXPECT_EQ(1, f.hasMode);
  EXPECT_EQ(0755u, f.mode);
  EXPECT_STREQ("joe", f.owner) << "a name is better than a number";
  EXPECT_STREQ("staff", f.group);
  // Texts a server makes too long are cut to their fields.
  std::string longOwner = "unix.ownername=" + std::string(300, 'o') + ";type=file; x";
  ASSERT_EQ(1, VQLIST_ReadMachineLine(longOwner.c_str(), longOwner.size(), &f));
  EXPECT_EQ(24u, strlen(f.owner));
  std::string longTarget = "type=OS.unix=slink:" + std::string(2000, 't') + "; x";
  ASSERT_EQ(1, VQLIST_ReadMachineLine(longTarget.c_str(), longTarget.size(), &f));
  EXPECT_EQ(sizeof f.linkTarget - 1, strlen(f.linkTarget));
}

TEST(MachineListing, NotEntries) {
  for (const char* line : {"", "type=file;size=1;", "type=file;size=1; ", "=x; name", "type=file", "type;x; y",
                           "-rw-r--r-- 1 u g 5 Jan 1 2020 x", "total 12"}) {
    vqMachineFacts f;
    EXPECT_EQ(0, VQLIST_ReadMachineLine(line, strlen(line), &f)) << "[" << line << "]";
    EXPECT_EQ(nullptr, f.name);
  }
}

// The first line decides whether a listing is read as a machine listing: no line of a LIST dialect
// may look like one.
TEST(MachineListing, ShapeOfTheFirstLine) {
  struct Case {
    const char* line;
    int machine;
  } cases[] = {
      {"type=file;size=1; x", 1},
      {"modify=20240102030405;perm=r;size=8;type=file;unique=fe00ga72390; private.txt", 1},
      {"Type=dir; a", 1},
      {"foo=bar; x", 0},  // no fact a machine listing uses
      {" name", 0},
      {"-rw-r--r--   1 owner group  5000 Jan  1  2020 data.bin", 0},
      {"drwxr-xr-x   2 owner group  4096 Mar 14 10:04 a=b; c", 0},
      {"01-02-20  10:00AM       <DIR>          x=1; y", 0},
      {"FILE.TXT;1                 2/3    14-MAR-2000 10:04:00 [GROUP,OWNER] (RWED,RWED,RE,)", 0},
      {"total 12", 0},
      {"+i8388621.48594,m825718503,r,s280, djb.html", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.machine, VQLIST_IsMachineLine(c.line, strlen(c.line))) << c.line;
}

// A whole MLSD reply through the parser: the same records whatever host type the site has.
TEST(MachineListing, ListingThroughTheParser) {
  const std::string listing =
      "type=cdir;perm=flcdmpe;modify=20240101000000; /home/joe\r\n"
      "type=pdir;perm=flcdmpe; /home\r\n"
      "type=dir;perm=flcdmpe;modify=20240315120000;unix.mode=0750; projects 2024\r\n"
      "Modify=20240102030405;Size=5000000000;Type=File;Perm=rw; disk; image.iso\r\n"
      "type=file;perm=r;size=12;modify=20231231235900; read only.txt\r\n"
      "type=OS.unix=slink:/srv/docs;modify=20240101000000; docs\r\n"
      "size=3; untyped\r\n";
  for (_VQ_HOSTTYPE host : {VQ_HOST_UNIX, VQ_HOST_VMS, VQ_HOST_WINNT40, VQ_HOST_AS400}) {
    ParseRun run = parseText(host, listing);
    ASSERT_EQ(0u, run.result) << host;
    ASSERT_EQ(5u, run.items.size()) << host;
    const _FTPITEMID& dir = run.items[0];
    EXPECT_STREQ("projects 2024", dir.name);
    EXPECT_EQ(VQ_KIND_FOLDER, static_cast<int>(dir.kind));
    EXPECT_STREQ("drwxr-x---", dir.permText);
    EXPECT_EQ(localSortDate(2024, 3, 15, 12, 0), std::string(dir.sortDate)) << "UTC shown in local time";
    // The perm fact decides what this login may do (list, create, delete); the mode the others.
    EXPECT_EQ("111110100000", flagsText(dir));

    const _FTPITEMID& iso = run.items[1];
    EXPECT_STREQ("disk; image.iso", iso.name);
    EXPECT_EQ(VQ_KIND_OBJECT, static_cast<int>(iso.kind));
    EXPECT_EQ(5000000000ULL, VQITEM_FullSize(&iso));
    EXPECT_EQ(localSortDate(2024, 1, 2, 3, 4), std::string(iso.sortDate));
    EXPECT_EQ("110000000000", flagsText(iso));

    const _FTPITEMID& ro = run.items[2];
    EXPECT_STREQ("read only.txt", ro.name);
    EXPECT_EQ(12u, static_cast<uint32_t>(ro.size));
    EXPECT_EQ(localSortDate(2023, 12, 31, 23, 59), std::string(ro.sortDate)) << "the year comes from the fact";
    EXPECT_EQ("100000000000", flagsText(ro));

    const _FTPITEMID& link = run.items[3];
    EXPECT_STREQ("docs", link.name);
    EXPECT_STREQ("/srv/docs", link.url);
    EXPECT_TRUE(link.kind == VQ_KIND_FOLDERLINK || link.kind == VQ_KIND_OBJECTLINK);

    const _FTPITEMID& untyped = run.items[4];
    EXPECT_STREQ("untyped", untyped.name);
    EXPECT_EQ(VQ_KIND_OBJECT, static_cast<int>(untyped.kind));
    EXPECT_TRUE(modifiedIsZero(untyped));
    EXPECT_EQ("111111111111", flagsText(untyped)) << "nothing said grants everything, as without a permission column";
  }
  // The folder itself and its parent show as "." and ".." when dot folders are wanted.
  ParseRun dots = parseText(VQ_HOST_UNIX, listing, 0);
  ASSERT_EQ(7u, dots.items.size());
  EXPECT_STREQ(".", dots.items[0].name);
  EXPECT_STREQ("..", dots.items[1].name);
  EXPECT_EQ(VQ_KIND_FOLDER, static_cast<int>(dots.items[1].kind));
}

TEST(MachineListing, LongAndHostileNamesStayInTheirFields) {
  std::string listing = "type=file;size=1; " + std::string(3000, 'n') + "\r\n";
  listing += "type=OS.unix=slink:" + std::string(700, 't') + "; " + std::string(700, 'l') + "\r\n";
  listing += std::string("type=file;size=2; tab\there\r\n");
  ParseRun run = parseText(VQ_HOST_UNIX, listing);
  EXPECT_EQ(1u, run.items.size()) << "a name or link cut to its field is left out";
  for (const _FTPITEMID& item : run.items) {
    EXPECT_LT(strnlen(item.name, sizeof item.name), sizeof item.name);
    EXPECT_LE(strnlen(item.url, sizeof item.url), 255u);
  }
  bool tab = false;
  for (const _FTPITEMID& item : run.items) tab |= strcmp(item.name, "tab here") == 0;
  EXPECT_TRUE(tab);
}

#ifndef _WIN32
// A fixed zone: the conversion must move the time by exactly its offset, across a date line.
TEST(MachineListing, UtcToLocalInAFixedZone) {
  const char* saved = getenv("TZ");
  std::string keep = saved ? saved : "";
  setenv("TZ", "XYZ-2", 1);
  tzset();
  int y, mo, d, h, mi, s;
  ASSERT_EQ(1, VQLIST_UtcToLocal(2023, 12, 31, 23, 30, 5, &y, &mo, &d, &h, &mi, &s));
  EXPECT_EQ(2024, y);
  EXPECT_EQ(1, mo);
  EXPECT_EQ(1, d);
  EXPECT_EQ(1, h);
  EXPECT_EQ(30, mi);
  EXPECT_EQ(5, s);
  if (saved)
    setenv("TZ", keep.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}
#endif
