// The context menus as the shell meets them: every menu inserted into a real menu through
// QueryContextMenu, commands invoked by position or verb, checked by what they did: the site store
// in the real registry, jobs run against the local vsftpd, dialogs answered under Xvfb, the
// property page's "SITE chmod" lines received by a scripted server.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "dlgFileOpen.h"
#include "dlgObjPropSheet.h"
#include "fh32_menusRes.h"
#include "fhServers.h"
#include "ftpScriptServer.h"
#include "inEngineMgr.h"
#include "menuTestSupport.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellFolder.h"
#include "shellMenu.h"
#include "shellPidl.h"
#include "shell_lists.h"
#include "uiDriver.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqHostType.h"
#include "vqImageList.h"
#include "vqMsg.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

using shelltest::List;
using namespace menutest;

namespace {
const char kCategory[] = "Menus";
const char kCategoryPath[] = "FTP-Sites\\Menus";

void saveCategory(const char* sub, const char* name) {
  vqSiteParams p(2);
  p.SITE_InitParams(1, nullptr);
  p.SetIsCategory(1);
  p.SetSiteName(name);
  ASSERT_TRUE(p.SITE_SaveParams(sub, name)) << name;
}

void saveSite(const char* name, unsigned short port, unsigned hostType = VQ_HOST_AUTO, const char* xferDir = nullptr) {
  vqSiteParams p(2);
  p.SITE_InitParams(1, nullptr);
  if (xferDir) p.SetDefXferDir(xferDir);
  p.SetSiteName(name);
  p.SetURL("127.0.0.1");
  p.SetURLPort(port);
  p.SetIsAnonymous(1);
  p.SetUsername("anonymous");
  p.SetPassword("menus@example.com");
  p.SetHostType(hostType);
  ASSERT_TRUE(p.SITE_SaveParams(kCategoryPath, name)) << name;
}


List root() { return List().foreign(20); }
List category() { return root().own(VQ_KIND_CATEGORY, kCategory); }
List site(const char* name) { return category().own(VQ_KIND_FTPSITE, name); }

// The menu object of items of a folder, through the folder object as the shell asks for it.
IContextMenu* menuOf(LPCITEMIDLIST folder, std::vector<List> items) {
  shellFolder* f = new shellFolder();
  f->AddRef();
  f->Initialize(folder);
  std::vector<LPCITEMIDLIST> ids;
  for (auto& it : items) ids.push_back(it.get());
  IContextMenu* cm = nullptr;
  HRESULT hr = f->GetUIObjectOf(nullptr, static_cast<UINT>(ids.size()), ids.data(), IID_IContextMenu, nullptr,
                                reinterpret_cast<void**>(&cm));
  f->Release();
  EXPECT_EQ(S_OK, hr);
  return cm;
}

// The menu as inserted into a real menu: one line per entry, "[x]" for grayed, the offset of each
// command, popups indented; the last line is the count the query reported.
std::string dump(IContextMenu* cm, UINT flags) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "Shell's own");
  HRESULT hr = cm->QueryContextMenu(menu, 0, 100, 0x7FFF, flags);
  std::string out;
  std::function<void(HMENU, const std::string&)> walk = [&](HMENU m, const std::string& indent) {
    for (int i = 0, n = GetMenuItemCount(m); i < n; ++i) {
      char text[256] = "";
      MENUITEMINFOA mi = {};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
      mi.dwTypeData = text;
      mi.cch = sizeof text;
      GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &mi);
      if (mi.fType & MFT_SEPARATOR) {
        out += indent + "-\n";
      } else if (mi.hSubMenu) {
        out += indent + text + " >\n";
        walk(mi.hSubMenu, indent + "  ");
      } else {
        out += indent + text + ((mi.fState & MFS_GRAYED) ? " [x]" : "") + " @" +
               std::to_string(static_cast<int>(mi.wID) - 100) + "\n";
      }
    }
  };
  walk(menu, "");
  DestroyMenu(menu);
  return out + "used " + std::to_string(SUCCEEDED(hr) ? HRESULT_CODE(hr) : -1) + "\n";
}

int positionOfVerb(IContextMenu* cm, const char* verb) {
  for (UINT p = 0; p < 64; ++p) {
    char name[64] = "";
    if (cm->GetCommandString(p, GCS_VERBA, nullptr, name, sizeof name) == S_OK && std::string(name) == verb)
      return static_cast<int>(p);
  }
  return -1;
}

HRESULT invoke(IContextMenu* cm, int position) {
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = MAKEINTRESOURCEA(position);
  info.nShow = SW_SHOWNORMAL;
  return cm->InvokeCommand(&info);
}
HRESULT invokeVerb(IContextMenu* cm, const char* verb) {
  int p = positionOfVerb(cm, verb);
  EXPECT_GE(p, 0) << verb << " is not in the menu:\n" << dump(cm, CMF_NORMAL);
  return p < 0 ? E_FAIL : invoke(cm, p);
}

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    shellApp::SetModule(GetModuleHandleA(nullptr));
    vqSetMessageAnswer(&Answers::Provide, &answers);
    vqSetCatchReporter(recordFault);
    g_faults.clear();
    vqSiteParams p(2);
    p.SITE_Delete(VQ_SITES_LIST, kCategory);
    saveCategory(VQ_SITES_LIST, kCategory);
    servers = fhtest::ftpServers();
  }
  void TearDown() override {
    vqSiteParams p(2);
    p.SITE_Delete(VQ_SITES_LIST, kCategory);
    vqSetMessageAnswer(nullptr, nullptr);
    vqSetCatchReporter(nullptr);
    EXPECT_TRUE(g_faults.empty()) << g_faults[0];
  }
  unsigned short portA() { return static_cast<unsigned short>(atoi(servers["FTP_A_PORT"].c_str())); }

  Answers answers;
  std::map<std::string, std::string> servers;
};
}  // namespace

TEST_F(Menus, EveryItemMenuWithItsStatesInTheFolderAndSelectionContexts) {
  saveSite("A", 21);
  struct Row {
    const char* what;
    List folder;
    std::vector<List> items;
    UINT flags;
    const char* expected;
  };
  List pub = site("A").own(VQ_KIND_FOLDER, "pub");
  const Row rows[] = {
      {"root",
       root(),
       {},
       CMF_NORMAL,
       "-\n&About Farhollow... @1\n-\nRead the Release Notes @3\n-\n&Farhollow Options... @5\n-\n"
       "Farhollow Online Help @7\nShell's own @-99\nused 8\n"},
      {"wizard entry",
       root(),
       {List().own(VQ_KIND_WIZARD, "FTP Site Wizard")},
       CMF_NORMAL,
       "New FTP &Site... @0\nShell's own @-99\nused 1\n"},
      {"category",
       root(),
       {List().own(VQ_KIND_CATEGORY, kCategory)},
       CMF_NORMAL,
       "&New >\n  &Category... @9\n  &FTP Site... @10\n-\n&Copy\tCtrl-C @2\n&Paste\tCtrl-V [x] @3\n-\n&Delete @5\n"
       "Rena&me [x] @6\n-\nP&roperties... @8\nShell's own @-99\nused 11\n"},
      {"category selected",
       root(),
       {List().own(VQ_KIND_CATEGORY, kCategory)},
       0x10000,
       "&New >\n  &Category... @9\n  &FTP Site... @10\n-\n&Copy\tCtrl-C @2\n&Paste\tCtrl-V [x] @3\n-\n&Delete @5\n"
       "Rena&me @6\n-\nP&roperties... @8\nShell's own @-99\nused 11\n"},
      {"site",
       category(),
       {List().own(VQ_KIND_FTPSITE, "A")},
       CMF_NORMAL,
       "&New >\n  &Folder... @19\n-\nConnect @2\nDisconnect [x] @3\nView Welcome Message @4\n-\n"
       "Cache Contents [x] @6\nClear Cache [x] @7\n-\nUpload... @9\nDownload @10\nDownload to... @11\n-\n&Delete @13\n"
       "Rena&me [x] @14\nP&roperties... @15\n-\n&Copy\tCtrl-C @17\n&Paste\tCtrl-V [x] @18\nShell's own @-99\nused "
       "20\n"},
      {"folder selected",
       site("A"),
       {List().own(VQ_KIND_FOLDER, "pub")},
       0x10000,
       "&New >\n  &Folder... @26\n-\nOpen [x] @2\nExplore @3\nChange Directory... @4\n-\nPrin&t [x] @6\n-\n"
       "Connect [x] @8\nDisconnect [x] @9\nView Welcome Message [x] @10\n-\nCache Contents [x] @12\nView Cache File "
       "@13\n"
       "-\nUpload... @15\nDownload @16\nDownload to... @17\n-\n&Delete @19\nRena&me @20\nP&roperties... @21\n"
       "Site Properties... @22\n-\n&Copy\tCtrl-C @24\n&Paste\tCtrl-V [x] @25\nShell's own @-99\nused 27\n"},
      {"folder link",
       site("A"),
       {List().own(VQ_KIND_FOLDERLINK, "latest")},
       CMF_NORMAL,
       "&New >\n  &Folder... @26\n-\nOpen [x] @2\nExplore [x] @3\nChange Directory... @4\n-\nPrin&t [x] @6\n-\n"
       "Connect [x] @8\nDisconnect [x] @9\nView Welcome Message [x] @10\n-\nCache Contents [x] @12\nView Cache File "
       "@13\n"
       "-\nUpload... @15\nDownload @16\nDownload to... @17\n-\n&Delete [x] @19\nRena&me [x] @20\nP&roperties... @21\n"
       "Site Properties... @22\n-\n&Copy\tCtrl-C @24\n&Paste\tCtrl-V [x] @25\nShell's own @-99\nused 27\n"},
      {"file selected",
       pub,
       {List().own(VQ_KIND_OBJECT, "readme.txt")},
       0x10000,
       "-\nOpen @1\n-\nConnect [x] @3\nDisconnect [x] @4\nView Welcome Message [x] @5\n-\nCache Contents [x] @7\n"
       "View Cache File [x] @8\n-\nUpload... [x] @10\nDownload @11\nDownload to... @12\n-\n&Delete @14\nRena&me @15\n"
       "P&roperties... @16\nSite Properties... @17\n-\n&Copy\tCtrl-C @19\n&Paste\tCtrl-V [x] @20\n-\n"
       "Shell's own @-99\nused 21\n"},
      {"setup.exe selected",
       pub,
       {List().own(VQ_KIND_OBJECT, "setup.exe")},
       0x10000,
       "-\nOpen @1\n-\nConnect [x] @3\nDisconnect [x] @4\nView Welcome Message [x] @5\n-\nCache Contents [x] @7\n"
       "View Cache File [x] @8\n-\nUpload... [x] @10\nDownload @11\nDownload to... @12\n-\n&Delete @14\nRena&me @15\n"
       "P&roperties... @16\nSite Properties... @17\n-\n&Copy\tCtrl-C @19\n&Paste\tCtrl-V [x] @20\n-\n"
       "Shell's own @-99\nused 21\n"},
  };
  for (const Row& row : rows) {
    IContextMenu* cm = nullptr;
    if (row.items.empty()) {
      ASSERT_EQ(S_OK,
                shellMenu::Create(nullptr, row.folder, 0, nullptr, IID_IContextMenu, reinterpret_cast<void**>(&cm)));
    } else {
      cm = menuOf(row.folder, row.items);
    }
    ASSERT_NE(nullptr, cm) << row.what;
    EXPECT_EQ(row.expected, dump(cm, row.flags)) << row.what;
    cm->Release();
  }

  // A shell that leaves few ids gets what fits; help texts come from the string table.
  IContextMenu* cm = menuOf(category(), {List().own(VQ_KIND_FTPSITE, "A")});
  HMENU small = CreatePopupMenu();
  HRESULT hr = cm->QueryContextMenu(small, 0, 100, 104, CMF_NORMAL);
  EXPECT_EQ(5, HRESULT_CODE(hr));
  int commands = 0;
  for (int i = 0; i < GetMenuItemCount(small); ++i) {
    UINT id = GetMenuItemID(small, i);
    if (id != 0xFFFFFFFF && id != 0) {
      EXPECT_LE(id, 104u);
      ++commands;
    }
  }
  EXPECT_EQ(3, commands);
  DestroyMenu(small);
  char help[64] = "";
  EXPECT_EQ(S_OK, cm->GetCommandString(2, GCS_HELPTEXTA, nullptr, help, sizeof help));
  EXPECT_STREQ("Connect", help);
  EXPECT_EQ(S_OK, cm->GetCommandString(11, GCS_HELPTEXTA, nullptr, help, 5));
  EXPECT_STREQ("Down", help) << "cut to the caller's size";
  WCHAR wide[64] = L"";
  EXPECT_EQ(S_OK, cm->GetCommandString(19, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(wide), 64));
  EXPECT_STREQ(L"New Folder...", wide);
  EXPECT_NE(S_OK, cm->GetCommandString(99, GCS_HELPTEXTA, nullptr, help, sizeof help));
  EXPECT_EQ(E_INVALIDARG, invoke(cm, 6)) << "Cache Contents is never enabled, also when asked directly";
  cm->Release();
}

TEST_F(Menus, SiteStoreCommandsChangeTheRegistry) {
  saveCategory(kCategoryPath, "D1");
  saveCategory(kCategoryPath, "D2");
  saveSite("Old", 21);

  // New > Category on the category makes one inside it.
  IContextMenu* cm = menuOf(root(), {List().own(VQ_KIND_CATEGORY, kCategory)});
  bool seen = false;
  ui::WithDriver(
      "Category Information", [&] { return static_cast<INT_PTR>(invokeVerb(cm, "newcategory")); },
      [](HWND dlg) {
        ui::SetItemText(dlg, IDC_SM_CAT_NAME, "Inner");
        ui::Click(dlg, IDOK);
      },
      &seen);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(exists(kCategoryPath, "Inner"));
  cm->Release();

  // Rename through the folder (the end of the view's label edit), for a site and a category.
  shellFolder* f = new shellFolder();
  f->AddRef();
  f->Initialize(category());
  List old = List().own(VQ_KIND_FTPSITE, "Old");
  LPITEMIDLIST renamed = nullptr;
  EXPECT_EQ(S_OK, f->SetNameOf(nullptr, old, L" New name ", 0, &renamed));
  EXPECT_TRUE(exists(kCategoryPath, "New name"));
  EXPECT_FALSE(exists(kCategoryPath, "Old"));
  ASSERT_NE(nullptr, renamed);
  EXPECT_STREQ("New name", shellItemName(renamed));
  CoTaskMemFree(renamed);
  List d1 = List().own(VQ_KIND_CATEGORY, "D1");
  EXPECT_EQ(E_FAIL, f->SetNameOf(nullptr, d1, L"D2", 0, nullptr)) << "an existing name is refused";
  EXPECT_EQ(E_FAIL, f->SetNameOf(nullptr, d1, L"a/b", 0, nullptr));
  auto shown = answers.Take();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(0u, shown[0].find("Unable to rename the selected item!\n\nOrignal Name: D1\nNew Name: D2\n\nError: "))
      << shown[0];
  EXPECT_TRUE(exists(kCategoryPath, "D1") && exists(kCategoryPath, "D2"));
  f->Release();

  // Delete asks once for the whole selection; No leaves everything.
  cm = menuOf(category(), {List().own(VQ_KIND_CATEGORY, "D1"), List().own(VQ_KIND_CATEGORY, "D2")});
  answers.answer = IDNO;
  EXPECT_EQ(S_OK, invokeVerb(cm, "delete"));
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Are you sure that you want to delete the selected Items from Farhollow?", shown[0]);
  EXPECT_TRUE(exists(kCategoryPath, "D1") && exists(kCategoryPath, "D2"));
  answers.answer = IDYES;
  EXPECT_EQ(S_OK, invokeVerb(cm, "delete"));
  EXPECT_EQ(1u, answers.Take().size());
  EXPECT_FALSE(exists(kCategoryPath, "D1"));
  EXPECT_FALSE(exists(kCategoryPath, "D2"));
  EXPECT_TRUE(exists(kCategoryPath, "Inner")) << "only the selection goes";
  cm->Release();

  // Copy puts the selection on the clipboard under its kind format; Paste then turns enabled.
  OleInitialize(nullptr);
  cm = menuOf(category(), {List().own(VQ_KIND_CATEGORY, "Inner")});
  EXPECT_EQ(S_OK, invokeVerb(cm, "copy"));
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatA("VQ_OBTYPE_CATEGORY")));
  EXPECT_NE(std::string::npos, dump(cm, CMF_NORMAL).find("&Paste\tCtrl-V @3\n"));
  OleSetClipboard(nullptr);
  EXPECT_NE(std::string::npos, dump(cm, CMF_NORMAL).find("&Paste\tCtrl-V [x] @3\n"));
  cm->Release();
}

TEST_F(Menus, RemoteCommandsAgainstVsftpd) {
  if (servers.empty()) GTEST_SKIP() << "no FTP fixture";
  saveSite("A", portA());
  List siteA = site("A");
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  vqFtpEngine* engine = engines.GetEngine(siteA, 1);
  ASSERT_NE(nullptr, engine);
  if (engine->FTP_IsOpen()) engine->FTP_Disconnect();

  // Connect queues a job; once it ran, the menu shows the other state.
  IContextMenu* cm = menuOf(category(), {List().own(VQ_KIND_FTPSITE, "A")});
  EXPECT_EQ(S_OK, invoke(cm, 2));
  // The job holds the site's lock while it runs.
  EXPECT_TRUE(waitFor([&] { return engine->FTP_IsOpen() != 0 && engines.IsFree(siteA); }, 20000))
      << "the connect job ran";
  EXPECT_NE(std::string::npos, dump(cm, CMF_NORMAL).find("Connect [x] @2\nDisconnect @3\n"));
  EXPECT_EQ(S_OK, invoke(cm, 4));
  auto shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("No Welcome Message Found!", shown[0]) << "vsftpd greets in one line: no message of its own";

  // New folder: the trimmed name is made in the folder, through the pooled connection.
  List incoming = siteA;
  incoming.own(VQ_KIND_FOLDER, "incoming");
  std::string made = winPath(servers["FTP_A_ROOT"] + "/incoming/made by menu");
  std::string renamedDir = winPath(servers["FTP_A_ROOT"] + "/incoming/renamed dir");
  RemoveDirectoryA(made.c_str());
  RemoveDirectoryA(renamedDir.c_str());
  IContextMenu* folderMenu = menuOf(siteA, {List().own(VQ_KIND_FOLDER, "incoming")});
  bool seen = false;
  ui::WithDriver(
      "Remote Folder Name", [&] { return static_cast<INT_PTR>(invokeVerb(folderMenu, "newfolder")); },
      [](HWND dlg) {
        ui::SetItemText(dlg, IDC_FOLDER_NAME, "   made by menu  ");
        ui::Click(dlg, IDOK);
      },
      &seen);
  EXPECT_TRUE(seen);
  DWORD attributes = GetFileAttributesA(made.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << made;
  EXPECT_TRUE(answers.Take().empty());

  // The same name again: the server's refusal is shown and the dialog stays for another name.
  std::string stayed;
  ui::WithDriver(
      "Remote Folder Name", [&] { return static_cast<INT_PTR>(invokeVerb(folderMenu, "newfolder")); },
      [&](HWND dlg) {
        ui::SetItemText(dlg, IDC_FOLDER_NAME, "made by menu");
        ui::Click(dlg, IDOK);
        stayed = IsWindow(dlg) ? "open" : "closed";
        ui::Click(dlg, IDCANCEL);
      });
  EXPECT_EQ("open", stayed);
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(0u, shown[0].find("Unable to create the remote directory; the following error has occurred:\n\nError: "))
      << shown[0];

  // A connection busy with other work is not waited for.
  HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr), go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    engines.LockAndConnect(siteA, 0);
    SetEvent(held);
    WaitForSingleObject(go, 20000);
    engines.Release(siteA, 0);
  });
  waitFor([&] { return WaitForSingleObject(held, 0) == WAIT_OBJECT_0; }, 20000);
  ui::WithDriver(
      "Remote Folder Name", [&] { return static_cast<INT_PTR>(invokeVerb(folderMenu, "newfolder")); },
      [](HWND dlg) {
        ui::SetItemText(dlg, IDC_FOLDER_NAME, "busy");
        ui::Click(dlg, IDOK);
        ui::Click(dlg, IDCANCEL);
      });
  SetEvent(go);
  holder.join();
  CloseHandle(held);
  CloseHandle(go);
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Unable to acquire socket!", shown[0]);
  folderMenu->Release();

  // Rename on the server, through the folder as the view's label edit ends.
  shellFolder* f = new shellFolder();
  f->AddRef();
  f->Initialize(incoming);
  List item = List().own(VQ_KIND_FOLDER, "made by menu");
  EXPECT_EQ(S_OK, f->SetNameOf(nullptr, item, L"renamed dir", 0, nullptr));
  attributes = GetFileAttributesA(renamedDir.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << renamedDir;
  EXPECT_EQ(E_FAIL, f->SetNameOf(nullptr, List().own(VQ_KIND_FOLDER, "absent"), L"other", 0, nullptr));
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(0u,
            shown[0].find("Unable to rename the selected item!\n\nOrignal Name: absent\nNew Name: other\n\nError: "))
      << shown[0];
  f->Release();
  RemoveDirectoryA(renamedDir.c_str());

  // Download queues a job that fetches the file into the site's transfer folder.
  {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string xfer = std::string(temp) + "fh_menus_xfer";
    CreateDirectoryA(xfer.c_str(), nullptr);
    DeleteFileA((xfer + "\\five.txt").c_str());
    saveSite("A", portA(), VQ_HOST_AUTO, xfer.c_str());
    List pubList = site("A");
    pubList.own(VQ_KIND_FOLDER, "pub");
    _FTPITEMID five = shelltest::item(VQ_KIND_OBJECT, "five.txt");
    five.size = 5000;
    IContextMenu* fileMenu = menuOf(pubList, {List().own(five)});
    EXPECT_EQ(S_OK, invokeVerb(fileMenu, "download"));
    std::string got = xfer + "\\five.txt";
    auto complete = [&] {
      WIN32_FILE_ATTRIBUTE_DATA d;
      return GetFileAttributesExA(got.c_str(), GetFileExInfoStandard, &d) && d.nFileSizeLow == 5000 &&
             engines.IsFree(siteA);
    };
    EXPECT_TRUE(waitFor(complete, 30000)) << got;
    fileMenu->Release();
    DeleteFileA(got.c_str());
    RemoveDirectoryA(xfer.c_str());
    for (const std::string& t : answers.Take()) ADD_FAILURE() << "no question during the download: " << t;
  }

  // Disconnect.
  // A disconnect that meets the connection in use (a keep-alive tick) is refused with a message;
  // the user asks again.
  auto closed = [&] { return engine->FTP_IsOpen() == 0 && engines.IsFree(siteA); };
  std::string refusals;
  for (int attempt = 0; attempt < 3 && !closed(); ++attempt) {
    EXPECT_EQ(S_OK, invoke(cm, 3));
    waitFor([&] { return closed() || !answers.texts.empty(); }, 20000);
    for (const std::string& t : answers.Take()) {
      EXPECT_NE(std::string::npos, t.find("currently in use")) << t;
      refusals += t + "\n";
    }
  }
  EXPECT_TRUE(closed()) << "the disconnect job ran; refusals: " << refusals;
  EXPECT_NE(std::string::npos, dump(cm, CMF_NORMAL).find("Connect @2\nDisconnect [x] @3\n"));
  cm->Release();
}

namespace {
BOOL CALLBACK findTitle(HWND w, LPARAM lp) {
  auto* want = reinterpret_cast<std::pair<std::string, HWND>*>(lp);
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  if (IsWindowVisible(w) && std::string(text).find(want->first) != std::string::npos) {
    want->second = w;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

TEST_F(Menus, ViewCacheFileOpensTheFileWhateverItsFolderIsNamed) {
  saveSite("A", 21);
  // A server's folder named to split or chain a command line.
  List folder = site("A");
  folder.own(VQ_KIND_FOLDER, "a & b  c;d");
  shellPidl pidl(GetModuleHandleA(nullptr));
  pidl.SetCacheDir(shellApp::Get().GetCacheDir().c_str());
  std::string cache;
  ASSERT_TRUE(pidl.CacheFileName(folder, false, cache));
  FILE* out = fopen(cache.c_str(), "wb");
  ASSERT_NE(nullptr, out) << cache;
  fputs("drwxr-xr-x 1 ftp ftp 0 Jan 1 00:00 x\r\n", out);
  fclose(out);
  std::string base = cache.substr(cache.find_last_of('\\') + 1);

  IContextMenu* cm = menuOf(site("A"), {List().own(VQ_KIND_FOLDER, "a & b  c;d")});
  EXPECT_EQ(S_OK, invokeVerb(cm, "viewcache"));
  std::pair<std::string, HWND> want(base, nullptr);
  EXPECT_TRUE(waitFor(
      [&] {
        EnumWindows(findTitle, reinterpret_cast<LPARAM>(&want));
        return want.second != nullptr;
      },
      15000))
      << "an editor shows " << base;
  if (want.second) PostMessageA(want.second, WM_CLOSE, 0, 0);

  // Refresh (the view's command) forgets the stored listing, so that the next look asks the server.
  List siteA = site("A");
  List child = List().own(VQ_KIND_FOLDER, "a & b  c;d");
  LPCITEMIDLIST one = child.get();
  shellCommand refresh(nullptr, siteA, 1, &one);
  EXPECT_EQ(S_OK, refresh.Run(2019, SHELL_CTX_SELECTION));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cache.c_str())) << cache;
  cm->Release();
  DeleteFileA(cache.c_str());
}

TEST_F(Menus, DirectoryChooserReturnsTheChosenDirectory) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string start = std::string(temp) + "fh_menus_chooser";
  CreateDirectoryA(start.c_str(), nullptr);
  std::string chosen;
  bool seen = false;
  INT_PTR ok = ui::WithDriver(
      "Choose Directory",
      [&] { return static_cast<INT_PTR>(dlgFileOpen::ChooseDirectory(nullptr, start.c_str(), chosen)); },
      [](HWND dlg) {
        // As a user would: OK once the start directory shows as the selection.
        Sleep(300);
        for (int i = 0; i < 150; ++i, Sleep(20)) {
          HWND edit = FindWindowExA(dlg, nullptr, "Edit", nullptr);
          if (edit && ui::Text(edit) == "fh_menus_chooser") break;
        }
        ui::Click(dlg, IDOK);
      },
      &seen);
  EXPECT_TRUE(seen);
  EXPECT_TRUE(ok);
  EXPECT_EQ(0, lstrcmpiA((start + "\\").c_str(), chosen.c_str())) << chosen;
  // Cancelled: nothing chosen.
  ok = ui::WithDriver(
      "Choose Directory",
      [&] { return static_cast<INT_PTR>(dlgFileOpen::ChooseDirectory(nullptr, start.c_str(), chosen)); },
      [](HWND dlg) { ui::Click(dlg, IDCANCEL); });
  EXPECT_FALSE(ok);
  EXPECT_EQ("", chosen);
  RemoveDirectoryA(start.c_str());
}

TEST_F(Menus, HelpOffersOnlyWhatIsInstalled) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "fh_menus_help";
  CreateDirectoryA(dir.c_str(), nullptr);
  DeleteFileA((dir + "\\relnotes.html").c_str());
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, "TargetDir-FH32", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                 static_cast<DWORD>(dir.size() + 1));
  IContextMenu* cm = nullptr;
  ASSERT_EQ(S_OK, shellMenu::Create(nullptr, root(), 0, nullptr, IID_IContextMenu, reinterpret_cast<void**>(&cm)));

  // Neither the guide nor the notes: a message, no question.
  EXPECT_EQ(S_OK, invoke(cm, 7));
  auto shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Farhollow was unable to locate the Online Help System on your local computer.", shown[0]);
  // The notes are there: they are offered instead, and No opens nothing.
  FILE* f = fopen((dir + "\\relnotes.html").c_str(), "wb");
  ASSERT_NE(nullptr, f);
  fputs("<html></html>", f);
  fclose(f);
  answers.answer = IDNO;
  EXPECT_EQ(S_OK, invoke(cm, 7));
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("read the release notes installed with Farhollow")) << shown[0];
  EXPECT_EQ(std::string::npos, shown[0].find("http")) << "no online address";
  cm->Release();
  RegDeleteValueA(key, "TargetDir-FH32");
  RegCloseKey(key);
  DeleteFileA((dir + "\\relnotes.html").c_str());
  RemoveDirectoryA(dir.c_str());

  // The guide the build puts beside the module covers what a user needs.
  std::string guide = std::string(FH_SOURCE_DIR) + "/resources/fh32help.html";
  FILE* g = fopen(winPath(guide).c_str(), "rb");
  ASSERT_NE(nullptr, g) << guide;
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, g)) > 0;) text.append(buf, n);
  fclose(g);
  for (const char* part : {"What Farhollow does", "Adding a site", "Browsing a site", "Transferring files", "Settings"})
    EXPECT_NE(std::string::npos, text.find(part)) << part;
  EXPECT_EQ(std::string::npos, text.find("http://")) << "no online addresses";
  EXPECT_EQ(std::string::npos, text.find("https://"));
}

namespace {
// The property sheet driven as a user would: the page's texts and boxes read, boxes set, then
// Change Permissions pressed and the sheet closed.
struct PageView {
  std::map<int, std::string> texts;
  int boxes[12] = {};
  bool boxesEnabled = true;
  bool buttonEnabled = true;
};
const int kBoxes[12] = {IDC_OBJ_OWNER_READ, IDC_OBJ_OWNER_WRITE, IDC_OBJ_OWNER_EXEC, IDC_OBJ_OWNER_DELETE,
                        IDC_OBJ_GROUP_READ, IDC_OBJ_GROUP_WRITE, IDC_OBJ_GROUP_EXEC, IDC_OBJ_GROUP_DELETE,
                        IDC_OBJ_WORLD_READ, IDC_OBJ_WORLD_WRITE, IDC_OBJ_WORLD_EXEC, IDC_OBJ_WORLD_DELETE};

PageView drivePage(const std::function<INT_PTR()>& show, const std::map<int, int>& setBoxes, bool press) {
  PageView view;
  bool seen = false;
  ui::WithDriver(
      "Remote Object Properties", show,
      [&](HWND sheet) {
        HWND page = nullptr;
        for (int i = 0; i < 100 && !page; ++i, Sleep(20)) page = FindWindowExA(sheet, nullptr, "#32770", nullptr);
        for (int id : {IDC_OBJ_NAME, IDC_OBJ_TYPE, IDC_OBJ_SIZE, IDC_OBJ_DATE, IDC_OBJ_GROUP, IDC_OBJ_OWNER,
                       IDC_OBJ_DOMAIN, IDC_OBJ_PATH})
          view.texts[id] = ui::ItemText(page, id);
        for (int b = 0; b < 12; ++b)
          view.boxes[b] = static_cast<int>(SendMessageA(GetDlgItem(page, kBoxes[b]), BM_GETCHECK, 0, 0));
        view.boxesEnabled = IsWindowEnabled(GetDlgItem(page, IDC_OBJ_OWNER_READ));
        view.buttonEnabled = IsWindowEnabled(GetDlgItem(page, IDC_OBJ_CHMOD));
        for (auto& set : setBoxes) SendMessageA(GetDlgItem(page, kBoxes[set.first]), BM_SETCHECK, set.second, 0);
        if (press) ui::Click(page, IDC_OBJ_CHMOD);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
      },
      &seen);
  EXPECT_TRUE(seen);
  return view;
}

_FTPITEMID remote(int kind, const char* name, const char* owner, const char* flags, uint32_t size,
                  const char* target = "") {
  _FTPITEMID it = shelltest::item(kind, name, target);
  strcpy(it.owner, owner);
  strcpy(it.group, "ftp");
  strcpy(it.dateText, "09/12/2026 10:00");
  for (int i = 0; i < 12; ++i) it.permFlags[i] = flags[i] == '1';
  it.size = size;
  return it;
}
}  // namespace

TEST_F(Menus, PropertyPageShowsTheSelectionAndChangesPermissionsOnTheServer) {
  using fhtest::ftpScriptServer;
  ftpScriptServer srv("220-Welcome to the scripted server.\r\n220 Ready.", [](ftpScriptServer&, const std::string& l) {
    if (l.compare(0, 5, "USER ") == 0) return std::string("230 In.");
    if (l.compare(0, 4, "CWD ") == 0) return std::string("250 Ok.");
    if (l.compare(0, 11, "SITE chmod ") == 0)
      return std::string(l.find("locked") != std::string::npos ? "550 Not permitted." : "200 SITE CHMOD ok.");
    return fhtest::plainAnswer(l);
  });
  saveSite("S", static_cast<unsigned short>(srv.Port()));
  saveSite("V", static_cast<unsigned short>(srv.Port()), VQ_HOST_VMS);
  List pub = site("S");
  pub.own(VQ_KIND_FOLDER, "pub");
  auto chmods = [&] {
    std::vector<std::string> out;
    for (const std::string& l : srv.Lines())
      if (l.compare(0, 5, "SITE ") == 0) out.push_back(l);
    return out;
  };

  // Two files with different owners, through the menu's Properties.
  List a = List().own(remote(VQ_KIND_OBJECT, "a.txt", "alice", "111010001000", 1000));
  List b = List().own(remote(VQ_KIND_OBJECT, "b.txt", "bob", "110011001000", 24));
  IContextMenu* cm = menuOf(pub, {a, b});
  PageView v = drivePage([&] { return static_cast<INT_PTR>(invokeVerb(cm, "properties")); },
                         {{2, BST_CHECKED}, {4, BST_UNCHECKED}}, true);
  cm->Release();
  EXPECT_EQ("Multiple Owners", v.texts[IDC_OBJ_OWNER]);
  EXPECT_EQ("ftp", v.texts[IDC_OBJ_GROUP]);
  EXPECT_EQ("2 Files, 0 Folders, 0 Links", v.texts[IDC_OBJ_NAME]);
  EXPECT_EQ("Total of 2K (1,024 Bytes)", v.texts[IDC_OBJ_SIZE]);
  EXPECT_EQ("/pub/", v.texts[IDC_OBJ_PATH]);
  EXPECT_EQ("127.0.0.1", v.texts[IDC_OBJ_DOMAIN]);
  const int expected[12] = {1, 1, 2, 0, 1, 2, 0, 0, 1, 0, 0, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(expected[i], v.boxes[i]) << "box " << i;
  EXPECT_EQ((std::vector<std::string>{"SITE chmod 704 /pub/a.txt", "SITE chmod 724 /pub/b.txt"}), chmods());
  auto shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Command executed successfully.", shown[0]);

  // One folder link.
  List latest = List().own(remote(VQ_KIND_FOLDERLINK, "latest", "root", "111010101000", 0, "docs"));
  std::vector<LPCITEMIDLIST> one = {latest.get()};
  v = drivePage([&] { return dlgObjPropSheet::Show(nullptr, pub, 1, one.data()); }, {}, false);
  EXPECT_EQ("latest -> docs", v.texts[IDC_OBJ_NAME]);
  EXPECT_EQ(" Directory Link", v.texts[IDC_OBJ_TYPE]);
  EXPECT_EQ("root", v.texts[IDC_OBJ_OWNER]);
  EXPECT_EQ("09/12/2026 10:00", v.texts[IDC_OBJ_DATE]);
  EXPECT_EQ("1K (0 Bytes)", v.texts[IDC_OBJ_SIZE]) << "kilobytes round up, as everywhere";

  // The server's refusal is shown with its reply; a name with a line break is never sent.
  List locked = List().own(remote(VQ_KIND_OBJECT, "locked", "root", "111000000000", 5));
  List broken = List().own(remote(VQ_KIND_OBJECT, "x\r\nDELE important", "root", "111000000000", 5));
  size_t before = chmods().size();
  one = {locked.get()};
  v = drivePage([&] { return dlgObjPropSheet::Show(nullptr, pub, 1, one.data()); }, {}, true);
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("550")) << shown[0];
  one = {broken.get()};
  v = drivePage([&] { return dlgObjPropSheet::Show(nullptr, pub, 1, one.data()); }, {}, true);
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("line break")) << shown[0];
  EXPECT_EQ(before + 1, chmods().size()) << "only the locked file's command reached the server";
  for (const std::string& l : srv.Lines()) EXPECT_NE(0u, l.compare(0, 4, "DELE")) << l;

  // A VMS host: no permissions to change.
  List vmsFolder = site("V");
  vmsFolder.own(VQ_KIND_FOLDER, "USERS");
  List file = List().own(remote(VQ_KIND_OBJECT, "A.TXT;1", "SYSTEM", "111100000000", 5));
  one = {file.get()};
  v = drivePage([&] { return dlgObjPropSheet::Show(nullptr, vmsFolder, 1, one.data()); }, {}, false);
  EXPECT_FALSE(v.boxesEnabled);
  EXPECT_FALSE(v.buttonEnabled);
  EXPECT_EQ("A.TXT;1", v.texts[IDC_OBJ_NAME]);

  // The site's connection is open now: its welcome message, as the server gave it.
  cm = menuOf(category(), {List().own(VQ_KIND_FTPSITE, "S")});
  EXPECT_EQ(S_OK, invokeVerb(cm, "welcome"));
  shown = answers.Take();
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("Welcome to the scripted server.")) << shown[0];
  cm->Release();
  List siteS = site("S");
  vqFtpEngine* e = shellApp::Get().GetEngineManager().GetEngine(siteS, 1);
  ASSERT_NE(nullptr, e);
  e->FTP_Disconnect();
}

// The Type column of remote files: the system's name for a registered type; Windows' own form
// ("FHNONE File") where the system registers none, whatever the shell makes up for it.
TEST(ShellIcons, TypeNamesFollowTheSystemsRegisteredTypes) {
  const char kExt[] = "Software\\Classes\\.fhdoc", kClass[] = "Software\\Classes\\fhtest.fhdoc";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_LOCAL_MACHINE, kExt, REG_SZ, "fhtest.fhdoc", 0));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_LOCAL_MACHINE, kClass, REG_SZ, "Farhollow Test Document", 0));
  const struct {
    const char* name;
    int kind;
    const char* type;
  } rows[] = {
      {"notes.fhdoc", VQ_KIND_OBJECT, "Farhollow Test Document"},
      {"NOTES.FHDOC", VQ_KIND_OBJECT, "Farhollow Test Document"},
      {"data.fhnone", VQ_KIND_OBJECT, "FHNONE File"},
      {"setup.exe", VQ_KIND_OBJECT, "Application"},
      {"README", VQ_KIND_OBJECT, "Object"},
      {"pub", VQ_KIND_FOLDER, "Folder"},
  };
  for (const auto& row : rows) {
    _FTPITEMID it = shelltest::item(row.kind, row.name);
    vqImageList::Get().IconOf(&it, false);
    EXPECT_STREQ(row.type, it.typeName) << row.name;
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kClass);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kExt);
}
