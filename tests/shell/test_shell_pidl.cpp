// The accessor object with the extension's own resources and the real registry: clipboard formats,
// column titles from fh32.dll's string table, children of the root and a category from the site
// store, items of a local directory, and lists that start with the shell's own items.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "fhTempDir.h"
#include "shell_lists.h"
#include "shellPidl.h"
#include "vqSiteParams.h"

using namespace shelltest;

namespace {
HINSTANCE fh32Module() {
  static HMODULE m = LoadLibraryExA("fh32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  return m;
}
struct Collected {
  std::vector<_FTPITEMID> items;
  static int sink(const _FTPITEMID* it, void* user) {
    static_cast<Collected*>(user)->items.push_back(*it);
    return 1;
  }
};
}  // namespace

TEST(ShellPidl, FormatsTitlesAndFallbacks) {
  ASSERT_NE(nullptr, fh32Module());
  shellPidl pidl(fh32Module());
  const char* names[] = {"VQ_OBTYPE_CATEGORY", "VQ_OBTYPE_FTPSITE", "VQ_OBTYPE_FOLDER", "VQ_OBTYPE_OBJECT"};
  for (int k = 0; k < SHELL_FORMAT_COUNT; ++k) {
    UINT f = shellPidl::ClipboardFormat(static_cast<shellKindFormat>(k));
    EXPECT_EQ(RegisterClipboardFormatA(names[k]), f) << names[k];
    char name[64] = "";
    GetClipboardFormatNameA(f, name, sizeof name);
    EXPECT_STREQ(names[k], name);
  }
  EXPECT_EQ(0u, shellPidl::SelectionFormat(List().own(VQ_KIND_WIZARD, "w")));

  // A folder list that starts with the shell's own items, as Explorer hands it in.
  LPITEMIDLIST drives = nullptr;
  ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives));
  vqItemIdList shellList(drives);
  pidl.SetFolder(shellList);
  EXPECT_EQ(VQ_KIND_ROOT, pidl.GetKind());
  EXPECT_STREQ("FTP-Root", pidl.GetName());
  EXPECT_EQ(0u, pidl.GetAttributes());
  EXPECT_EQ(4, pidl.GetColumnCount());
  const char* rootTitles[] = {"Name", "Type", "URL", "Description", ""};
  for (int c = 0; c < 5; ++c) EXPECT_STREQ(rootTitles[c], pidl.GetColumnTitle(c)) << c;
  std::string key;
  EXPECT_TRUE(SiteKeyPath(shellList, key));
  EXPECT_EQ("FTP-Sites", key);

  vqItemIdList folder(VQPIDL_BuildNew(shellList, siteList().own(VQ_KIND_FOLDER, "pub")));
  pidl.SetFolder(folder);
  EXPECT_EQ(VQ_KIND_FOLDER, pidl.GetKind());
  EXPECT_STREQ("pub", pidl.GetName());
  const char* remoteTitles[] = {"Name", "Size", "Type", "Date", "Permissions", "Description"};
  for (int c = 0; c < 6; ++c) EXPECT_STREQ(remoteTitles[c], pidl.GetColumnTitle(c)) << c;
  EXPECT_TRUE(ItemPathString(folder, key));
  EXPECT_EQ("FTP-Sites\\Work\\Server 1|pub", key);
  // The current item wins over the folder's last item.
  _FTPITEMID file = item(VQ_KIND_OBJECT, "a.txt");
  pidl.SetCurrent(shellAsItemId(&file));
  EXPECT_STREQ("a.txt", pidl.GetName());
  EXPECT_FALSE(pidl.IsContainer());
  std::string path;
  EXPECT_FALSE(pidl.RemotePath(folder, false, path)) << "no connection looked up";
}

TEST(ShellPidl, ChildrenFromTheSiteStoreAndALocalDirectory) {
  HKEY key;
  const char kStore[] = "SoftWare\\Quillon\\Farhollow\\FTP-Sites";
  RegDeleteTreeA(HKEY_CURRENT_USER, kStore);
  // A category and two sites stored in mixed order: categories come first.
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetSiteName("Beta");
  s.SetURL("beta.example");
  s.SetDescription("second");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Beta"));
  s.SetSiteName("Work");
  s.SetIsCategory(1);
  s.SetDescription(std::string(200, 'd').c_str());
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Work"));
  s.SetIsCategory(0);
  s.SetSiteName("Inner");
  s.SetURL("inner.example");
  s.SetDescription("");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites\\Work", "Inner"));

  shellPidl pidl(fh32Module());
  Collected root;
  pidl.ItemsFromSiteStore(List().foreign(20), true, &Collected::sink, &root);
  ASSERT_EQ(3u, root.items.size());
  EXPECT_EQ(VQ_KIND_WIZARD, +root.items[0].kind);
  EXPECT_STREQ("FTP Site Wizard", root.items[0].name);
  EXPECT_EQ(VQ_KIND_CATEGORY, +root.items[1].kind);
  EXPECT_STREQ("Work", root.items[1].name);
  EXPECT_EQ(128u, strlen(root.items[1].description));
  EXPECT_EQ(SHELL_CONTAINER_ATTRIBUTES, +root.items[1].attributes);
  EXPECT_EQ(VQ_KIND_FTPSITE, +root.items[2].kind);
  EXPECT_STREQ("Beta", root.items[2].name);
  EXPECT_STREQ("beta.example", root.items[2].url);

  Collected inner;
  pidl.ItemsFromSiteStore(List().foreign(20).own(root.items[1]), false, &Collected::sink, &inner);
  ASSERT_EQ(1u, inner.items.size());
  EXPECT_STREQ("Inner", inner.items[0].name);
  RegDeleteTreeA(HKEY_CURRENT_USER, kStore);
  (void)key;

  TempDir dir;
  CreateDirectoryA((dir.path() + "\\sub").c_str(), nullptr);
  HANDLE h = CreateFileA((dir.path() + "\\f.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "12345", 5, &written, nullptr);
  CloseHandle(h);
  Collected local;
  EXPECT_EQ(2, shellPidl::ItemsFromLocalDir(dir.path().c_str(), &Collected::sink, &local));
  ASSERT_EQ(2u, local.items.size());
  for (const _FTPITEMID& it : local.items) {
    if (std::string(it.name) == "sub") {
      EXPECT_EQ(VQ_KIND_FOLDER, +it.kind);
      EXPECT_EQ(SHELL_CONTAINER_ATTRIBUTES, +it.attributes);
    } else {
      EXPECT_STREQ("f.bin", it.name);
      EXPECT_EQ(VQ_KIND_OBJECT, +it.kind);
      EXPECT_EQ(5u, +it.size);
    }
  }
}
