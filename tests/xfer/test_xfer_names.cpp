// Local names of a task, by kind: the transfer target, the local copy without its version
// suffix, and the site's cached copy named after the whole remote path.
#include "fhTempDir.h"
#include "vqAppParams.h"
#include "xferSupport.h"

using namespace xfertest;

TEST(XferNames, LocalPathsByKind) {
  const shelltest::List site = storeSite("Names", 21);
  vqSiteParams stored(2);
  ASSERT_EQ(1, stored.SITE_LoadParams("FTP-Sites", "Names"));
  TempDir cache("fh_xn_");
  vqAppParams* app = VQSMGR_GetAppParams();
  const std::string oldCache = app->GetDefCacheDir();
  app->SetDefCacheDir((cache.path() + "\\").c_str());
  app->APP_SaveParams();
  std::string cacheDir = cache.path() + "\\127.0.0.1(" + std::to_string(stored.GetSiteId()) + ")\\";
  for (char& c : cacheDir) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));

  struct Case {
    std::vector<std::string> folders;
    const char* name;
    int kind;
    const char* localDir;
    std::string expected;
  } cases[] = {
      {{"pub"}, "a.txt;3", IN_PATH_TARGET, "C:\\dl", "C:\\dl\\a.txt;3"},
      {{"pub"}, "a.txt;3", IN_PATH_LOCAL_COPY, "C:\\dl\\", "C:\\dl\\a.txt"},
      {{"pub"}, "..\\..\\evil", IN_PATH_LOCAL_COPY, "C:\\dl\\", "C:\\dl\\.._.._evil"},
      {{}, "top.txt", IN_PATH_CACHED, "C:\\dl\\", cacheDir + "root.top.txt"},
      {{"pub", "docs"}, "a.txt;3", IN_PATH_CACHED, "C:\\dl\\", cacheDir + "root.pub.docs.a.txt"},
      {{"pub", "src"}, "a.txt", IN_PATH_CACHED, "C:\\dl\\", cacheDir + "root.pub.src.a.txt"},
      {{"..", "x:y"}, "CON", IN_PATH_CACHED, "C:\\dl\\", cacheDir + "root....x_y.CON"},
      {{"pub"}, "a.txt", IN_PATH_PREVIOUS, "C:\\dl\\", ""},
  };
  for (const Case& c : cases) {
    inTask task(below(site, c.folders, VQ_KIND_OBJECT, c.name), nullptr);
    task.LocalDir = c.localDir;
    std::string got = task.GetLocalPath(c.kind);
    if (c.kind == IN_PATH_CACHED)
      for (char& ch : got) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    std::string expected = c.expected;
    if (c.kind == IN_PATH_CACHED)
      for (char& ch : expected) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(expected, got) << c.name << " kind " << c.kind;
  }
  // No site to load: the cached path stays what it was.
  inTask orphan(shelltest::List().foreign(20).own(VQ_KIND_FTPSITE, "No such site").own(VQ_KIND_OBJECT, "f"), nullptr);
  orphan.LocalPath = "before";
  EXPECT_STREQ("before", orphan.GetLocalPath(IN_PATH_CACHED));
  app->SetDefCacheDir(oldCache.c_str());
  app->APP_SaveParams();
}
