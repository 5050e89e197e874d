// Site caches on real files below a temporary cache root.
#include <vector>

#include "site_fixture.h"

using namespace sitetest;

namespace {
std::string cacheDirOf(vqSiteParams& s) {
  char dir[1024];
  if (!s.SITE_GetCacheDir(dir, sizeof(dir))) return "<none>";
  return dir;
}

std::set<std::string> filesIn(const std::string& dir) {
  std::set<std::string> out;
  WIN32_FIND_DATAA f;
  HANDLE h = ::FindFirstFileA((dir + "*").c_str(), &f);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    std::string name = f.cFileName;
    if (name != "." && name != "..") out.insert(name);
  } while (::FindNextFileA(h, &f));
  ::FindClose(h);
  return out;
}
}  // namespace

TEST_F(SiteStore, CacheDirectoryIsNamedByHostAndId) {
  vqSiteParams a(2), b(2);
  a.SetURL("h.example");
  a.SetSiteId(7);
  b.SetURL("h.example");
  b.SetSiteId(8);
  // DefCacheDir is kept lower-cased.
  std::string root = cacheRoot_;
  CharLowerBuffA(&root[0], static_cast<DWORD>(root.size()));
  EXPECT_EQ(root + "\\h.example(7)\\", cacheDirOf(a));
  EXPECT_EQ(root + "\\h.example(8)\\", cacheDirOf(b));

  // A host text that would reach outside the cache root is made into one directory name.
  struct Case {
    const char* url;
    const char* dir;
  } cases[] = {{"..\\..\\evil", ".._.._evil(7)\\"}, {"a/b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i(7)\\"}, {"", "(7)\\"}};
  for (const Case& c : cases) {
    a.SetURL(c.url);
    EXPECT_EQ(root + "\\" + c.dir, cacheDirOf(a)) << "URL " << c.url;
  }
}

TEST_F(SiteStore, ClearingCachesDeletesTheRightFiles) {
  vqSiteParams s(2);
  s.SetURL("h.example");
  s.SetSiteId(7);
  std::string dir = cacheDirOf(s);
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
  const std::vector<std::pair<std::string, size_t>> files = {
      {"a.txt", 10},          {"b.vqD", 20},           {"root.x.vqD", 30},     {"root.pub.vqD", 40},
      {"root.pub.a.txt", 50}, {"root.pubx.b.txt", 60}, {"root.pub.d.vqDx", 70}};
  unsigned long total = 0;
  for (const auto& f : files) {
    writeFile(dir + f.first, std::string(f.second, 'x'));
    total += static_cast<unsigned long>(f.second);
  }
  EXPECT_EQ(total, s.SITE_GetCacheUsage());

  // Copies of one folder: "root.pub." and nothing of the folder "pubx".
  EXPECT_EQ(1, s.SITE_ClearFileCache("pub"));
  EXPECT_EQ((std::set<std::string>{"a.txt", "b.vqD", "root.x.vqD", "root.pub.vqD", "root.pubx.b.txt"}), filesIn(dir));
  // Listings of one folder.
  EXPECT_EQ(1, s.SITE_ClearDirectoryCache("pub"));
  EXPECT_EQ((std::set<std::string>{"a.txt", "b.vqD", "root.x.vqD", "root.pubx.b.txt"}), filesIn(dir));
  // A folder text naming another directory clears nothing.
  EXPECT_EQ(1, s.SITE_ClearFileCache("..\\..\\x"));
  EXPECT_EQ(4u, filesIn(dir).size());
  // All copies: the listings stay, and so does the directory.
  EXPECT_EQ(1, s.SITE_ClearFileCache(nullptr));
  EXPECT_EQ((std::set<std::string>{"b.vqD", "root.x.vqD"}), filesIn(dir));
  EXPECT_EQ(50ul, s.SITE_GetCacheUsage());
  EXPECT_EQ(1, s.SITE_ClearDirectoryCache(""));
  EXPECT_FALSE(fileExists(dir)) << "an emptied site directory goes";
  EXPECT_EQ(0ul, s.SITE_GetCacheUsage());
  EXPECT_EQ(1, s.SITE_ClearDirectoryCache(nullptr)) << "a missing directory is no failure";
  EXPECT_EQ(1, s.SITE_ClearFileCache(nullptr));
}

TEST_F(SiteStore, UsageOfAStoredSiteLoadsItFirst) {
  saveSite("FTP-Sites", "Stored", "stored.example", 12);
  std::string dir = cacheRoot_ + "\\stored.example(12)\\";
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
  writeFile(dir + "root.f.txt", std::string(123, 'x'));
  vqSiteParams s(2);
  s.SetSiteSubPath("FTP-Sites");
  s.SetSiteName("Stored");
  EXPECT_EQ(123ul, s.SITE_GetCacheUsage());
  EXPECT_STREQ("stored.example", s.GetURL());
}

TEST_F(SiteStore, ListingsKeepTheirRawAndParsedFilesTogether) {
  vqSiteParams s(2);
  s.SetURL("h.example");
  s.SetSiteId(9);
  std::string dir = cacheDirOf(s);
  ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
  // Each folder's listing is two files; everything else is a copy of a remote file.
  const std::set<std::string> listings = {"root.vqLS", "root.vqD", "root.pub.vqLS", "root.pub.vqD", "root.x.VQLS"};
  const std::set<std::string> copies = {"root.pub.a.txt", "root.readme", "root.pub.vqLSx"};
  for (const auto& f : listings) writeFile(dir + f, "l");
  for (const auto& f : copies) writeFile(dir + f, "c");

  EXPECT_EQ(1, s.SITE_ClearFileCache(nullptr));
  EXPECT_EQ(listings, filesIn(dir)) << "a file-cache clear keeps both listing files";
  for (const auto& f : copies) writeFile(dir + f, "c");
  EXPECT_EQ(1, s.SITE_ClearDirectoryCache("pub"));
  std::set<std::string> left = listings;
  left.erase("root.pub.vqLS");
  left.erase("root.pub.vqD");
  for (const auto& f : copies) left.insert(f);
  EXPECT_EQ(left, filesIn(dir)) << "one folder's listings go, raw and parsed";
  EXPECT_EQ(1, s.SITE_ClearDirectoryCache(nullptr));
  EXPECT_EQ(copies, filesIn(dir)) << "a directory-cache clear removes both kinds and keeps the copies";
  EXPECT_EQ(1, s.SITE_ClearFileCache(nullptr));
  EXPECT_FALSE(fileExists(dir));
}
