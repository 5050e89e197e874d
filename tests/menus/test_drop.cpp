// Items moving: the data object of a selection format by format, drops through the folder objects'
// IDropTarget with data objects of our own, of the test and of the shell, the right-button menu,
// the site store in the real registry, and transfers against the fixture's two vsftpd servers:
// uploads of dropped files and trees, downloads through the copy hook and the virtual-file
// streams, site-to-site and intra-site copies and moves.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fhDataObject.h"
#include "fhFiles.h"
#include "fhServers.h"
#include "inEngineMgr.h"
#include "menuTestSupport.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellDrop.h"
#include "shellFolder.h"
#include "shellListCtrl.h"
#include "shellViewDrop.h"
#include "shell_lists.h"
#include "vqCatch.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

using shelltest::List;
using namespace menutest;
using fhtest::TestData;
using fhtest::adopt;

namespace {
const char kCategory[] = "Drops";
const char kCategoryPath[] = "FTP-Sites\\Drops";
const DWORD kBoth = DROPEFFECT_COPY | DROPEFFECT_MOVE;

void saveItem(const char* sub, const char* name, bool category, unsigned short port = 21) {
  vqSiteParams p(2);
  p.SITE_InitParams(1, nullptr);
  p.SetSiteName(name);
  if (category) {
    p.SetIsCategory(1);
  } else {
    p.SetURL("127.0.0.1");
    p.SetURLPort(port);
    p.SetIsAnonymous(1);
    p.SetUsername("anonymous");
    p.SetPassword("drops@example.com");
  }
  ASSERT_TRUE(p.SITE_SaveParams(sub, name)) << name;
}

List root() { return List().foreign(20); }
List category() { return root().own(VQ_KIND_CATEGORY, kCategory); }
List site(const char* name) { return category().own(VQ_KIND_FTPSITE, name); }
List under(List base, std::initializer_list<const char*> folders) {
  for (const char* f : folders) base.own(VQ_KIND_FOLDER, f);
  return base;
}

shellFolder* folderAt(LPCITEMIDLIST list) {
  shellFolder* f = new shellFolder();
  f->AddRef();
  f->Initialize(list);
  return f;
}

// The data object the view hands to a drag: the selection of items in folder.
vqComPtr<IDataObject> selection(LPCITEMIDLIST folder, std::vector<List> items) {
  shellFolder* f = folderAt(folder);
  std::vector<LPCITEMIDLIST> ids;
  for (auto& it : items) ids.push_back(it.get());
  vqComPtr<IDataObject> data;
  EXPECT_EQ(S_OK, f->GetUIObjectOf(nullptr, static_cast<UINT>(ids.size()), ids.data(), IID_IDataObject, nullptr,
                                   data.PutVoid()));
  f->Release();
  return data;
}

vqComPtr<IDropTarget> targetAt(LPCITEMIDLIST list) {
  shellFolder* f = folderAt(list);
  vqComPtr<IDropTarget> t;
  EXPECT_EQ(S_OK, f->CreateViewObject(nullptr, IID_IDropTarget, t.PutVoid()));
  f->Release();
  return t;
}

std::string hdrop(const std::vector<std::string>& files) {
  DROPFILES head = {};
  head.pFiles = sizeof head;
  std::string out(reinterpret_cast<const char*>(&head), sizeof head);
  for (const std::string& f : files) out += f + '\0';
  return out + '\0';
}

std::string globalBytes(IDataObject* data, UINT format) {
  FORMATETC f = {static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m;
  if (FAILED(data->GetData(&f, &m))) return "<none>";
  std::string out(static_cast<const char*>(GlobalLock(m.hGlobal)), GlobalSize(m.hGlobal));
  GlobalUnlock(m.hGlobal);
  ReleaseStgMedium(&m);
  return out;
}

std::string formatName(UINT f) {
  if (f == CF_HDROP) return "CF_HDROP";
  char name[128] = "";
  GetClipboardFormatNameA(f, name, sizeof name);
  return name;
}

// The shell's own data object for local files, as a file window hands it to a drag.
vqComPtr<IDataObject> shellFiles(const std::string& dir, std::vector<std::string> names) {
  vqComPtr<IShellFolder> desktop, folder;
  SHGetDesktopFolder(desktop.Put());
  std::wstring wdir(dir.begin(), dir.end());
  LPITEMIDLIST dirList = nullptr;
  EXPECT_EQ(S_OK, desktop->ParseDisplayName(nullptr, nullptr, &wdir[0], nullptr, &dirList, nullptr)) << dir;
  desktop->BindToObject(dirList, nullptr, IID_IShellFolder, folder.PutVoid());
  std::vector<LPITEMIDLIST> items;
  for (const std::string& n : names) {
    std::wstring w(n.begin(), n.end());
    LPITEMIDLIST item = nullptr;
    EXPECT_EQ(S_OK, folder->ParseDisplayName(nullptr, nullptr, &w[0], nullptr, &item, nullptr)) << n;
    items.push_back(item);
  }
  vqComPtr<IDataObject> data;
  EXPECT_EQ(S_OK, folder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()),
                                        const_cast<LPCITEMIDLIST*>(reinterpret_cast<LPITEMIDLIST*>(items.data())),
                                        IID_IDataObject, nullptr, data.PutVoid()));
  for (LPITEMIDLIST i : items) ILFree(i);
  ILFree(dirList);
  return data;
}

DWORD drop(LPCITEMIDLIST target, IDataObject* data, DWORD keys, DWORD offered = kBoth) {
  vqComPtr<IDropTarget> t = targetAt(target);
  DWORD effect = offered;
  POINTL at = {10, 10};
  EXPECT_EQ(S_OK, t->DragEnter(data, keys | MK_LBUTTON, at, &effect));
  effect = offered;
  EXPECT_EQ(S_OK, t->Drop(data, keys, at, &effect));
  return effect;
}

std::string g_menuSeen;
UINT g_menuChoice;
UINT chooseFromMenu(HMENU menu) {
  g_menuSeen.clear();
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    g_menuSeen += std::string(text[0] ? text : "-") + "|";
  }
  return g_menuChoice;
}

std::string bytesOf(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xFF);
  return s;
}

class Drops : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    shellApp::SetModule(GetModuleHandleA(nullptr));
    vqSetMessageAnswer(&Answers::Provide, &answers);
    vqSetCatchReporter(recordFault);
    g_faults.clear();
    vqSiteParams p(2);
    p.SITE_Delete(VQ_SITES_LIST, kCategory);
    saveItem(VQ_SITES_LIST, kCategory, true);
    servers = fhtest::ftpServers();
  }
  void TearDown() override {
    shellSetDropMenuHook(nullptr);
    OleSetClipboard(nullptr);
    vqSiteParams p(2);
    p.SITE_Delete(VQ_SITES_LIST, kCategory);
    vqSetMessageAnswer(nullptr, nullptr);
    vqSetCatchReporter(nullptr);
    EXPECT_TRUE(g_faults.empty()) << g_faults[0];
  }
  unsigned short port(const char* name) { return static_cast<unsigned short>(atoi(servers[name].c_str())); }

  Answers answers;
  std::map<std::string, std::string> servers;
};
}  // namespace

TEST_F(Drops, SelectionDataObjectHandsOutEachFormat) {
  List pub = under(site("A"), {"pub"});
  _FTPITEMID five = shelltest::item(VQ_KIND_OBJECT, "five.txt");
  five.size = 5000;
  _FTPITEMID odd = shelltest::item(VQ_KIND_OBJECT, "..\\up:and*out.");
  odd.size = 7;
  vqComPtr<IDataObject> files = selection(pub, {List().own(five), List().own(odd)});
  ASSERT_TRUE(files.Get());

  // The formats in their order, with the virtual-file pair for plain files.
  vqComPtr<IEnumFORMATETC> formats;
  ASSERT_EQ(S_OK, files->EnumFormatEtc(DATADIR_GET, formats.Put()));
  FORMATETC f[10];
  ULONG got = 0;
  formats->Next(10, f, &got);
  std::string names;
  for (ULONG i = 0; i < got; ++i)
    names += formatName(f[i].cfFormat) + (f[i].tymed == TYMED_ISTREAM ? "(stream)" : "") + ";";
  EXPECT_EQ(
      "VQ_OBTYPE_OBJECT;CF_HDROP;Shell IDList Array;Preferred DropEffect;FileGroupDescriptorW;FileContents(stream);",
      names);

  // CF_HDROP names the empty placeholder, never the cache directory itself.
  std::string placeholder = shellApp::Get().GetPlaceholderDir();
  std::string block = globalBytes(files.Get(), CF_HDROP);
  ASSERT_GT(block.size(), sizeof(DROPFILES));
  EXPECT_EQ(placeholder, std::string(block.c_str() + sizeof(DROPFILES)));
  EXPECT_NE(shellApp::Get().GetCacheDir(), placeholder + "\\");
  DWORD attributes = GetFileAttributesA(placeholder.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((placeholder + "\\*").c_str(), &fd);
  int entries = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do entries += strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..");
    while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  EXPECT_EQ(0, entries) << "the placeholder is empty";

  // The effect: copy for remote items, move for categories and sites.
  EXPECT_EQ(DROPEFFECT_COPY, shellPreferredEffect(files.Get()));
  vqComPtr<IDataObject> sites = selection(category(), {List().own(VQ_KIND_FTPSITE, "A")});
  EXPECT_EQ(DROPEFFECT_MOVE, shellPreferredEffect(sites.Get()));
  EXPECT_EQ("VQ_OBTYPE_FTPSITE", formatName(shellPidl::SelectionFormat(List().own(VQ_KIND_FTPSITE, "A"))));

  // The kind format: the items one after another and two zero bytes.
  std::string kind = globalBytes(files.Get(), shellPidl::ClipboardFormat(SHELL_FORMAT_OBJECT));
  ASSERT_EQ(2 * sizeof(_FTPITEMID) + 2, kind.size());
  EXPECT_EQ(0, memcmp(kind.data(), &five, sizeof five));
  EXPECT_EQ(0, memcmp(kind.data() + sizeof five, &odd, sizeof odd));

  // The CIDA read back gives each item under its folder.
  std::vector<vqItemIdList> items;
  vqItemIdList parent;
  ASSERT_TRUE(shellDropItems(files.Get(), items, &parent));
  ASSERT_EQ(2u, items.size());
  EXPECT_STREQ("five.txt", shellItemName(VQPIDL_Last(items[0].Get())));
  EXPECT_EQ(pub.size(), parent.Size());
  EXPECT_EQ(0, memcmp(parent.Get(), pub.get(), pub.size()));

  // The descriptors: one plain name each (nothing that leaves the drop folder) and the sizes.
  std::string desc = globalBytes(files.Get(), shellFormat(SHELL_CF_DESCRIPTOR));
  ASSERT_GE(desc.size(), sizeof(FILEGROUPDESCRIPTORW) + sizeof(FILEDESCRIPTORW));
  auto* group = reinterpret_cast<const FILEGROUPDESCRIPTORW*>(desc.data());
  ASSERT_EQ(2u, group->cItems);
  EXPECT_EQ(std::wstring(L"five.txt"), group->fgd[0].cFileName);
  EXPECT_EQ(5000u, group->fgd[0].nFileSizeLow);
  EXPECT_EQ(std::wstring(L".._up_and_out"), group->fgd[1].cFileName);

  // A selection with a folder offers no virtual files: the copy hook downloads it whole.
  vqComPtr<IDataObject> mixed = selection(pub, {List().own(VQ_KIND_FOLDER, "docs"), List().own(five)});
  FORMATETC q = {static_cast<CLIPFORMAT>(shellFormat(SHELL_CF_DESCRIPTOR)), nullptr, DVASPECT_CONTENT, -1,
                 TYMED_HGLOBAL};
  EXPECT_NE(S_OK, mixed->QueryGetData(&q));
  EXPECT_EQ("VQ_OBTYPE_FOLDER", formatName(shellPidl::SelectionFormat(List().own(VQ_KIND_FOLDER, "docs"))));
}

TEST_F(Drops, AcceptanceAndEffectByTargetKindAndKeys) {
  vqComPtr<IDataObject> categories = selection(root(), {List().own(VQ_KIND_CATEGORY, kCategory)});
  vqComPtr<IDataObject> sites = selection(category(), {List().own(VQ_KIND_FTPSITE, "A")});
  vqComPtr<IDataObject> folders = selection(site("A"), {List().own(VQ_KIND_FOLDER, "pub")});
  vqComPtr<IDataObject> objects = selection(under(site("A"), {"pub"}), {List().own(VQ_KIND_OBJECT, "five.txt")});
  TestData* rawFiles = new TestData();
  rawFiles->Put(CF_HDROP, hdrop({"C:\\windows\\win.ini"}));
  vqComPtr<IDataObject> files = adopt(rawFiles);
  TestData* rawUrl = new TestData();
  rawUrl->Put(shellFormat(SHELL_CF_URL), "ftp://example.com/");
  vqComPtr<IDataObject> url = adopt(rawUrl);

  struct Target {
    const char* name;
    List list;
  };
  List link = site("A");
  link.own(VQ_KIND_FOLDERLINK, "latest");
  List wizard = category();
  wizard.own(VQ_KIND_WIZARD, "New Site");
  List file = under(site("A"), {"pub"});
  file.own(VQ_KIND_OBJECT, "five.txt");
  std::vector<Target> targets = {
      {"root", root()}, {"category", category()}, {"site", site("A")}, {"folder", under(site("A"), {"pub"})},
      {"link", link},   {"wizard", wizard},       {"file", file}};
  struct Row {
    const char* data;
    IDataObject* object;
    const char* accepted;  // C for each target above that takes it, in order, else "-"
  };
  Row rows[] = {{"categories", categories.Get(), "CC-----"}, {"sites", sites.Get(), "CC-----"},
                {"folders", folders.Get(), "--CCC--"},       {"objects", objects.Get(), "--CCC--"},
                {"files", files.Get(), "--CCC--"},           {"url", url.Get(), "CC-----"}};
  for (const Row& r : rows) {
    std::string seen;
    for (const Target& t : targets) {
      vqComPtr<IDropTarget> target = targetAt(t.list);
      DWORD effect = kBoth;
      EXPECT_EQ(S_OK, target->DragEnter(r.object, MK_LBUTTON, POINTL{0, 0}, &effect));
      seen += effect == DROPEFFECT_COPY ? 'C' : effect == DROPEFFECT_NONE ? '-' : '?';
    }
    EXPECT_EQ(r.accepted, seen) << r.data << " on root, category, site, folder, link, wizard, file";
  }

  // The keys, over what the source offers, in DragEnter and in DragOver.
  struct Keys {
    DWORD keys, offered, effect;
  } keys[] = {{0, kBoth, DROPEFFECT_COPY},
              {MK_CONTROL, kBoth, DROPEFFECT_COPY},
              {MK_ALT, kBoth, DROPEFFECT_MOVE},
              {MK_CONTROL | MK_ALT, kBoth, DROPEFFECT_NONE},
              {MK_ALT, DROPEFFECT_COPY, DROPEFFECT_NONE},
              {MK_CONTROL, DROPEFFECT_MOVE, DROPEFFECT_NONE},
              {0, DROPEFFECT_MOVE, DROPEFFECT_MOVE}};
  vqComPtr<IDropTarget> folder = targetAt(under(site("A"), {"pub"}));
  for (const Keys& k : keys) {
    DWORD effect = k.offered;
    folder->DragEnter(files.Get(), k.keys | MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(k.effect, effect) << "DragEnter keys " << k.keys << " offered " << k.offered;
    effect = k.offered;
    folder->DragOver(k.keys | MK_LBUTTON, POINTL{0, 0}, &effect);
    EXPECT_EQ(k.effect, effect) << "DragOver keys " << k.keys << " offered " << k.offered;
  }
  folder->DragLeave();
  DWORD effect = kBoth;
  folder->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
  EXPECT_EQ(DROPEFFECT_NONE, effect) << "after DragLeave nothing is allowed";
  effect = kBoth;
  EXPECT_EQ(E_INVALIDARG, folder->DragEnter(nullptr, 0, POINTL{0, 0}, &effect));
  EXPECT_EQ(DROPEFFECT_NONE, effect);

  // A folder row takes drops itself; a file row has no target of its own.
  shellFolder* f = folderAt(site("A"));
  List pubItem = List().own(VQ_KIND_FOLDER, "pub"), fiveItem = List().own(VQ_KIND_OBJECT, "five.txt");
  LPCITEMIDLIST one = pubItem.get();
  vqComPtr<IDropTarget> row;
  EXPECT_EQ(S_OK, f->GetUIObjectOf(nullptr, 1, &one, IID_IDropTarget, nullptr, row.PutVoid()));
  one = fiveItem.get();
  vqComPtr<IDropTarget> none;
  EXPECT_EQ(E_NOINTERFACE, f->GetUIObjectOf(nullptr, 1, &one, IID_IDropTarget, nullptr, none.PutVoid()));
  f->Release();

  // A URL is logged and nothing more: the source is not told of a move.
  EXPECT_EQ(DROPEFFECT_NONE, drop(category(), url.Get(), MK_ALT));
  EXPECT_TRUE(answers.Take().empty());
}

TEST_F(Drops, CategoriesAndSitesMoveAndCopyInTheStore) {
  saveItem(kCategoryPath, "Left", true);
  saveItem(kCategoryPath, "Right", true);
  const std::string left = std::string(kCategoryPath) + "\\Left", right = std::string(kCategoryPath) + "\\Right";
  saveItem(left.c_str(), "S1", false);
  saveItem(left.c_str(), "S2", false);
  List leftList = category().own(VQ_KIND_CATEGORY, "Left");
  List rightList = category().own(VQ_KIND_CATEGORY, "Right");

  // No key copies, Alt moves.
  EXPECT_EQ(DROPEFFECT_COPY, drop(rightList, selection(leftList, {List().own(VQ_KIND_FTPSITE, "S1")}).Get(), 0));
  EXPECT_TRUE(exists(left.c_str(), "S1") && exists(right.c_str(), "S1"));
  drop(rightList, selection(leftList, {List().own(VQ_KIND_FTPSITE, "S2")}).Get(), MK_ALT);
  EXPECT_FALSE(exists(left.c_str(), "S2"));
  EXPECT_TRUE(exists(right.c_str(), "S2"));
  // A copy beside an item of the same name takes another name; nothing is written over.
  drop(rightList, selection(leftList, {List().own(VQ_KIND_FTPSITE, "S1")}).Get(), MK_CONTROL);
  EXPECT_TRUE(exists(right.c_str(), "S1") && exists(left.c_str(), "S1"));
  EXPECT_TRUE(exists(right.c_str(), "Copy of S1"));

  // A category moved into another one goes with its sites.
  drop(rightList, selection(category(), {List().own(VQ_KIND_CATEGORY, "Left")}).Get(), MK_ALT);
  EXPECT_FALSE(exists(kCategoryPath, "Left"));
  EXPECT_TRUE(exists((right + "\\Left").c_str(), "S1"));
  EXPECT_TRUE(answers.Take().empty());

  // Into itself, or into a category inside it: refused with the message, nothing changes.
  List inner = category().own(VQ_KIND_CATEGORY, "Right").own(VQ_KIND_CATEGORY, "Left");
  for (List* target : {&rightList, &inner}) {
    EXPECT_EQ(DROPEFFECT_NONE,
              drop(*target, selection(category(), {List().own(VQ_KIND_CATEGORY, "Right")}).Get(), MK_ALT));
    auto shown = answers.Take();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("You cant drop that here!", shown[0]);
  }
  EXPECT_TRUE(exists(kCategoryPath, "Right"));
  EXPECT_TRUE(exists(right.c_str(), "Left"));
  // "Right2" is not inside "Right".
  saveItem(kCategoryPath, "Right2", true);
  drop(category().own(VQ_KIND_CATEGORY, "Right2"), selection(category(), {List().own(VQ_KIND_CATEGORY, "Right")}).Get(),
       MK_ALT);
  EXPECT_TRUE(answers.Take().empty());
  EXPECT_TRUE(exists((std::string(kCategoryPath) + "\\Right2").c_str(), "Right"));
  const std::string moved = std::string(kCategoryPath) + "\\Right2\\Right";

  // The right-button menu: its entries by what the source offers, and the choice it makes.
  List right2 = category().own(VQ_KIND_CATEGORY, "Right2");
  List movedList = right2;
  movedList.own(VQ_KIND_CATEGORY, "Right");
  shellSetDropMenuHook(chooseFromMenu);
  g_menuChoice = DROPEFFECT_COPY;
  vqComPtr<IDataObject> s2 = selection(movedList, {List().own(VQ_KIND_FTPSITE, "S2")});
  vqComPtr<IDropTarget> t = targetAt(category());
  DWORD effect = kBoth;
  t->DragEnter(s2.Get(), MK_RBUTTON, POINTL{5, 5}, &effect);
  effect = kBoth;
  t->Drop(s2.Get(), 0, POINTL{5, 5}, &effect);
  EXPECT_EQ("&Move Here|&Copy Here|-|Cancel|", g_menuSeen);
  EXPECT_EQ(DROPEFFECT_COPY, effect);
  EXPECT_TRUE(exists(kCategoryPath, "S2") && exists(moved.c_str(), "S2"));

  g_menuChoice = 2036;  // Cancel
  effect = DROPEFFECT_COPY;
  t->DragEnter(s2.Get(), MK_RBUTTON, POINTL{5, 5}, &effect);
  effect = DROPEFFECT_COPY;
  t->Drop(s2.Get(), 0, POINTL{5, 5}, &effect);
  EXPECT_EQ("&Copy Here|-|Cancel|", g_menuSeen) << "a source offering only copy";
  EXPECT_EQ(DROPEFFECT_NONE, effect);
  EXPECT_FALSE(exists(kCategoryPath, "Copy of S2"));
  shellSetDropMenuHook(nullptr);

  // The real menu, driven by its keys from a second thread: "M" chooses Move Here.
  saveItem(moved.c_str(), "S3", false);
  vqComPtr<IDataObject> s3 = selection(movedList, {List().own(VQ_KIND_FTPSITE, "S3")});
  std::thread driver([] {
    for (int i = 0; i < 100; ++i) {
      HWND menu = FindWindowA("#32768", nullptr);
      if (menu && IsWindowVisible(menu)) {
        PostMessageA(menu, WM_CHAR, 'm', 0);
        // A menu that did not take the key must not hold the test forever.
        for (int j = 0; j < 40 && IsWindowVisible(menu); ++j) Sleep(50);
        if (IsWindowVisible(menu)) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
      }
      Sleep(50);
    }
  });
  effect = kBoth;
  t->DragEnter(s3.Get(), MK_RBUTTON, POINTL{40, 40}, &effect);
  effect = kBoth;
  t->Drop(s3.Get(), 0, POINTL{40, 40}, &effect);
  driver.join();
  EXPECT_TRUE(exists(kCategoryPath, "S3") && !exists(moved.c_str(), "S3")) << "moved by the menu's choice";
  EXPECT_TRUE(answers.Take().empty());
}

TEST_F(Drops, TransfersAgainstVsftpd) {
  if (servers.empty()) GTEST_SKIP() << "no FTP fixture";
  saveItem(kCategoryPath, "A", false, port("FTP_A_PORT"));
  saveItem(kCategoryPath, "B", false, port("FTP_B_PORT"));
  const std::string rootA = winPath(servers["FTP_A_ROOT"]), rootB = winPath(servers["FTP_B_ROOT"]);
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  List siteA = site("A"), siteB = site("B");
  auto idle = [&] { return engines.IsFree(siteA) && engines.IsFree(siteB); };
  auto arrived = [&](const std::string& path, const std::string& bytes) {
    return waitFor([&] { return fhtest::readFile(path) == bytes && idle(); }, 30000);
  };
  List incomingA = under(siteA, {"incoming"}), incomingB = under(siteB, {"incoming"});

  // Local files and a folder tree, from the shell's own data object, onto a remote folder.
  const std::string local = fhtest::tempDir("fh_drop_");
  const std::string a = bytesOf(70000, 1), x = bytesOf(3000, 2), y = bytesOf(123457, 3), m = bytesOf(999, 4);
  fhtest::writeFile(local + "\\up-a.bin", a);
  CreateDirectoryA((local + "\\tree").c_str(), nullptr);
  CreateDirectoryA((local + "\\tree\\sub").c_str(), nullptr);
  fhtest::writeFile(local + "\\tree\\x.txt", x);
  fhtest::writeFile(local + "\\tree\\sub\\y.bin", y);
  fhtest::writeFile(local + "\\moved.txt", m);
  EXPECT_EQ(DROPEFFECT_COPY, drop(incomingA, shellFiles(local, {"up-a.bin", "tree"}).Get(), 0));
  EXPECT_TRUE(arrived(rootA + "\\incoming\\up-a.bin", a));
  EXPECT_TRUE(arrived(rootA + "\\incoming\\tree\\x.txt", x));
  EXPECT_TRUE(arrived(rootA + "\\incoming\\tree\\sub\\y.bin", y));
  EXPECT_TRUE(fhtest::readFile(local + "\\up-a.bin") == a) << "a copy keeps the local file";

  // A move: the local file goes once it arrived; the drag's source is told not to delete it itself.
  TestData* raw = new TestData();
  raw->Put(CF_HDROP, hdrop({local + "\\moved.txt"}));
  vqComPtr<IDataObject> moving = adopt(raw);
  EXPECT_EQ(DROPEFFECT_NONE, drop(incomingA, moving.Get(), MK_ALT));
  EXPECT_TRUE(arrived(rootA + "\\incoming\\moved.txt", m));
  EXPECT_TRUE(
      waitFor([&] { return GetFileAttributesA((local + "\\moved.txt").c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000));
  DWORD logical = 0;
  const std::string performed = raw->m_blocks[RegisterClipboardFormatA("Logical Performed DropEffect")];
  if (performed.size() >= 4) memcpy(&logical, performed.data(), 4);
  EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), logical);

  // Remote items pasted into a local folder: the shell's copy of the placeholder, through the hook.
  const std::string pubPath = rootA + "\\pub";
  const std::string five = fhtest::readFile(pubPath + "\\five.txt");
  ASSERT_EQ(5000u, five.size());
  _FTPITEMID fiveItem = shelltest::item(VQ_KIND_OBJECT, "five.txt");
  fiveItem.size = 5000;
  List pub = under(siteA, {"pub"});
  vqComPtr<IDataObject> clip = selection(pub, {List().own(fiveItem), List().own(VQ_KIND_FOLDER, "docs")});
  ASSERT_EQ(S_OK, OleSetClipboard(clip.Get()));
  shellFolder* hook = folderAt(root());
  const std::string placeholder = shellApp::Get().GetPlaceholderDir();
  const std::string downloads = fhtest::tempDir("fh_hook_");
  EXPECT_EQ(static_cast<UINT>(IDYES),
            hook->CopyCallback(nullptr, FO_COPY, 0, (local + "\\tree").c_str(), 0, (downloads + "\\tree").c_str(), 0))
      << "any other folder goes on as usual";
  EXPECT_EQ(static_cast<UINT>(IDCANCEL), hook->CopyCallback(nullptr, FO_COPY, 0, placeholder.c_str(), 0,
                                                            (downloads + "\\Farhollow items").c_str(), 0));
  EXPECT_TRUE(arrived(downloads + "\\five.txt", five));
  EXPECT_TRUE(arrived(downloads + "\\docs\\doc120.txt", fhtest::readFile(pubPath + "\\docs\\doc120.txt")));
  EXPECT_FALSE(IsClipboardFormatAvailable(shellPidl::ClipboardFormat(SHELL_FORMAT_OBJECT)))
      << "the clipboard is emptied";
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((downloads + "\\Farhollow items").c_str()));

  // A "cut" of remote items pasted into a local folder copies: the source stays on the server.
  _FTPITEMID upItem = shelltest::item(VQ_KIND_OBJECT, "up-a.bin");
  upItem.size = static_cast<uint32_t>(a.size());
  ASSERT_EQ(S_OK, OleSetClipboard(selection(incomingA, {List().own(upItem)}).Get()));
  EXPECT_EQ(static_cast<UINT>(IDCANCEL), hook->CopyCallback(nullptr, FO_MOVE, 0, placeholder.c_str(), 0,
                                                            (downloads + "\\Farhollow items").c_str(), 0));
  EXPECT_TRUE(arrived(downloads + "\\up-a.bin", a));
  EXPECT_TRUE(fhtest::readFile(rootA + "\\incoming\\up-a.bin") == a) << "a paste never moves remote items";
  hook->Release();

  // The virtual-file stream fetches the file when it is read.
  _FTPITEMID bigItem = shelltest::item(VQ_KIND_OBJECT, "big.bin");
  const std::string big = fhtest::readFile(pubPath + "\\big.bin");
  bigItem.size = static_cast<uint32_t>(big.size());
  vqComPtr<IDataObject> streams = selection(pub, {List().own(fiveItem), List().own(bigItem)});
  for (int i = 0; i < 2; ++i) {
    FORMATETC f = {static_cast<CLIPFORMAT>(shellFormat(SHELL_CF_CONTENTS)), nullptr, DVASPECT_CONTENT, i,
                   TYMED_ISTREAM};
    STGMEDIUM medium;
    ASSERT_EQ(S_OK, streams->GetData(&f, &medium)) << i;
    STATSTG stat;
    EXPECT_EQ(S_OK, medium.pstm->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(i ? big.size() : five.size(), stat.cbSize.QuadPart);
    std::string read;
    char buffer[40000];
    ULONG got = 0;
    while (SUCCEEDED(medium.pstm->Read(buffer, sizeof buffer, &got)) && got) read.append(buffer, got);
    EXPECT_TRUE(read == (i ? big : five)) << "stream " << i << ": " << read.size() << " bytes";
    ReleaseStgMedium(&medium);
  }
  FORMATETC past = {static_cast<CLIPFORMAT>(shellFormat(SHELL_CF_CONTENTS)), nullptr, DVASPECT_CONTENT, 2,
                    TYMED_ISTREAM};
  STGMEDIUM none;
  EXPECT_EQ(DV_E_LINDEX, streams->GetData(&past, &none));

  // A remote folder onto a folder of the second server (site-to-site) and of the same one (intra-site).
  const std::string leaf = fhtest::readFile(rootA + "\\pub\\src\\deep\\deeper\\leaf.txt");
  EXPECT_EQ(DROPEFFECT_COPY,
            drop(incomingB, selection(under(siteA, {"pub", "src"}), {List().own(VQ_KIND_FOLDER, "deep")}).Get(), 0));
  EXPECT_TRUE(arrived(rootB + "\\incoming\\deep\\deeper\\leaf.txt", leaf));
  EXPECT_EQ(DROPEFFECT_COPY, drop(incomingA, selection(pub, {List().own(VQ_KIND_FOLDER, "docs")}).Get(), 0));
  for (const char* doc : {"doc001.txt", "doc060.txt", "doc120.txt"})
    EXPECT_TRUE(arrived(rootA + "\\incoming\\docs\\" + doc, fhtest::readFile(pubPath + "\\docs\\" + doc))) << doc;

  // A move removes the source after its copy: incoming/docs into incoming/tree (made by the server's
  // user, so the server may write there).
  drop(under(siteA, {"incoming", "tree"}), selection(incomingA, {List().own(VQ_KIND_FOLDER, "docs")}).Get(), MK_ALT);
  EXPECT_TRUE(arrived(rootA + "\\incoming\\tree\\docs\\doc120.txt", fhtest::readFile(pubPath + "\\docs\\doc120.txt")));
  EXPECT_TRUE(waitFor(
      [&] { return GetFileAttributesA((rootA + "\\incoming\\docs").c_str()) == INVALID_FILE_ATTRIBUTES; }, 20000))
      << "the moved folder is gone from its old place";
  // Items dropped on their own folder are not copied onto themselves.
  EXPECT_EQ(DROPEFFECT_NONE, drop(incomingA, selection(incomingA, {List().own(upItem)}).Get(), 0));

  // Paste of remote items onto another site's folder: copied, even after a "cut".
  ASSERT_EQ(S_OK, OleSetClipboard(selection(incomingA, {List().own(upItem)}).Get()));
  shellCommand paste(nullptr, incomingB, 0, nullptr);
  EXPECT_EQ(S_OK, paste.Run(2028, SHELL_CTX_BACKGROUND));
  EXPECT_TRUE(arrived(rootB + "\\incoming\\up-a.bin", a));
  EXPECT_TRUE(fhtest::readFile(rootA + "\\incoming\\up-a.bin") == a);
  for (const std::string& t : answers.Take()) ADD_FAILURE() << "no question during the transfers: " << t;
}

namespace {
// Passes every call to the data object it wraps and notes the formats asked for.
class SpyData : public TestData {
 public:
  explicit SpyData(IDataObject* inner) : m_inner(inner) {}
  STDMETHODIMP GetData(FORMATETC* f, STGMEDIUM* m) override {
    asked += formatName(f->cfFormat) + ";";
    return m_inner->GetData(f, m);
  }
  STDMETHODIMP QueryGetData(FORMATETC* f) override { return m_inner->QueryGetData(f); }
  STDMETHODIMP EnumFormatEtc(DWORD d, IEnumFORMATETC** out) override { return m_inner->EnumFormatEtc(d, out); }
  std::string asked;

 private:
  vqComPtr<IDataObject> m_inner;
};
}  // namespace

// What the system's own file-folder drop target (the one its explorer gives a file window) does
// with our data object: it either reads the virtual files (the file arrives), or copies the
// placeholder (an empty folder arrives, never the cache's listings), or calls the copy hook.
TEST_F(Drops, TheSystemsFileFolderDropTargetNeverCopiesTheCache) {
  if (servers.empty()) GTEST_SKIP() << "no FTP fixture";
  saveItem(kCategoryPath, "A", false, port("FTP_A_PORT"));
  const std::string rootA = winPath(servers["FTP_A_ROOT"]);
  List pub = under(site("A"), {"pub"});
  // Something in the cache that a copy of the whole cache directory would bring along.
  fhtest::writeFile(shellApp::Get().GetCacheDir() + "cached-listing.vqLS", "listing");

  const std::string local = fhtest::tempDir("fh_sysdrop_");
  vqComPtr<IShellFolder> desktop, folder;
  ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
  std::wstring wlocal(local.begin(), local.end());
  LPITEMIDLIST list = nullptr;
  ASSERT_EQ(S_OK, desktop->ParseDisplayName(nullptr, nullptr, &wlocal[0], nullptr, &list, nullptr));
  ASSERT_EQ(S_OK, desktop->BindToObject(list, nullptr, IID_IShellFolder, folder.PutVoid()));
  ILFree(list);
  vqComPtr<IDropTarget> target;
  if (FAILED(folder->CreateViewObject(nullptr, IID_IDropTarget, target.PutVoid())) || !target.Get())
    GTEST_SKIP() << "the system's file folder takes no drops";

  _FTPITEMID fiveItem = shelltest::item(VQ_KIND_OBJECT, "five.txt");
  fiveItem.size = 5000;
  vqComPtr<IDataObject> ours = selection(pub, {List().own(fiveItem)});
  SpyData* spy = new SpyData(ours.Get());
  vqComPtr<IDataObject> data = adopt(spy);
  DWORD effect = DROPEFFECT_COPY;
  target->DragEnter(data.Get(), MK_LBUTTON, POINTL{0, 0}, &effect);
  const DWORD entered = effect;
  effect = DROPEFFECT_COPY;
  target->Drop(data.Get(), 0, POINTL{0, 0}, &effect);
  const std::string five = fhtest::readFile(rootA + "\\pub\\five.txt");
  const bool downloaded = waitFor([&] { return fhtest::readFile(local + "\\five.txt") == five; }, 15000);
  const std::string placeholder = local + "\\Farhollow items";
  const DWORD made = GetFileAttributesA(placeholder.c_str());
  std::string way = downloaded ? "virtual files" : made != INVALID_FILE_ATTRIBUTES ? "placeholder copied" : "nothing";
  printf("system file-folder drop: DragEnter effect %lu, formats read: %s -> %s\n", entered, spy->asked.c_str(),
         way.c_str());
  RecordProperty("system_drop", way + " (" + spy->asked + ")");
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((local + "\\cached-listing.vqLS").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((placeholder + "\\cached-listing.vqLS").c_str()))
      << "the cache's files never travel";
  waitFor([&] { return shellApp::Get().GetEngineManager().IsFree(site("A")); }, 20000);
}

// The view's drop target sends a drop on a folder row to that folder and any other drop to the
// folder shown; each decides by its own kind.
TEST_F(Drops, TheViewDropsOnTheRowUnderThePointerOrOnItsFolder) {
  saveItem(kCategoryPath, "Inbox", true);
  saveItem(kCategoryPath, "S9", false);
  saveItem(kCategoryPath, "Mover", false);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND frame = CreateWindowExA(0, "STATIC", "view", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
  HWND listWnd = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0, 400,
                                 300, frame, nullptr, nullptr, nullptr);
  ASSERT_TRUE(listWnd);
  {
    shellListCtrl list;
    list.Attach(listWnd);
    const char* titles[] = {"Name", "Type", "URL", "Description"};
    const int widths[] = {200, 60, 60, 60, 60, 60};
    list.SetColumns(false, titles, 4, widths);
    list.SetMode(FVM_DETAILS);
    list.Append(ILClone(List().own(VQ_KIND_CATEGORY, "Inbox")), 0);
    list.Append(ILClone(List().own(VQ_KIND_FTPSITE, "S9")), 0);
    list.Publish();
    auto rowPoint = [&](int row) {
      RECT r = {};
      r.left = LVIR_BOUNDS;
      SendMessageA(listWnd, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
      POINT p = {r.left + 20, (r.top + r.bottom) / 2};
      ClientToScreen(listWnd, &p);
      return POINTL{p.x, p.y};
    };
    POINT below = {20, 250};
    ClientToScreen(listWnd, &below);

    shellFolder* shown = folderAt(category());
    vqComPtr<IDropTarget> drop;
    drop.Attach(new shellViewDrop(&list, shown));
    drop->AddRef();
    shown->Release();
    vqComPtr<IDataObject> mover = selection(category(), {List().own(VQ_KIND_FTPSITE, "Mover")});
    struct {
      const char* where;
      POINTL at;
      DWORD effect;
    } rows[] = {{"the category row", rowPoint(0), DROPEFFECT_MOVE},
                {"the site row (a site takes no sites)", rowPoint(1), DROPEFFECT_NONE},
                {"the background (the category shown)", POINTL{below.x, below.y}, DROPEFFECT_MOVE}};
    for (const auto& r : rows) {
      DWORD effect = kBoth;
      EXPECT_EQ(S_OK, drop->DragEnter(mover.Get(), MK_LBUTTON | MK_ALT, r.at, &effect));
      EXPECT_EQ(r.effect, effect) << r.where;
      effect = kBoth;
      drop->DragOver(MK_LBUTTON | MK_ALT, r.at, &effect);
      EXPECT_EQ(r.effect, effect) << r.where << " (moving over it)";
      drop->DragLeave();
    }
    // Moved into the category under the pointer; the move is reported as done by the target.
    DWORD effect = kBoth;
    drop->DragEnter(mover.Get(), MK_LBUTTON | MK_ALT, rows[2].at, &effect);
    drop->DragOver(MK_LBUTTON | MK_ALT, rows[0].at, &effect);
    effect = kBoth;
    EXPECT_EQ(S_OK, drop->Drop(mover.Get(), MK_ALT, rows[0].at, &effect));
    EXPECT_EQ(DROPEFFECT_NONE, effect);
    EXPECT_TRUE(exists((std::string(kCategoryPath) + "\\Inbox").c_str(), "Mover"));
    EXPECT_FALSE(exists(kCategoryPath, "Mover"));
    drop.Reset();
  }
  DestroyWindow(frame);
  EXPECT_TRUE(answers.Take().empty());
}
