// The folder view hosted in a test browser of ours, reached as the shell reaches it: the module
// registered, the desktop's junction bound, CreateViewObject, CreateViewWindow. The store is seeded;
// the tests read the real list control, the merged menus, the status text and the registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fhEngineSetup.h"
#include "fhFiles.h"
#include "fhServers.h"
#include "fhShellSetup.h"
#include "shell_browser.h"
#include "shell_lists.h"
#include "shellItems.h"
#include "shellListCtrl.h"
#include "vqComPtr.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

using namespace shelltest;

namespace {
const wchar_t* const kJunction = fhtest::kFarhollowJunction;
const char kSettings[] = "SoftWare\\Quillon\\Farhollow\\Settings";
const int kList = 3169, kLog = 6176, kEmpty = 6190;

std::vector<std::string> g_messages;
int recordMessage(const char* text, const char*, unsigned, void*) {
  g_messages.push_back(text);
  return IDOK;
}

// One hosted view with its browser.
struct Hosted {
  TestBrowser browser;
  vqComPtr<IShellFolder> folder;
  vqComPtr<IShellView> view;
  HWND window = nullptr;

  ~Hosted() { Close(); }
  void Close() {
    if (!view) return;
    view->UIActivate(SVUIA_DEACTIVATE);
    view->DestroyViewWindow();
    view.Reset();
  }
  bool Open(IShellFolder* f, UINT mode = FVM_DETAILS) {
    folder = vqComPtr<IShellFolder>(f);
    if (FAILED(f->CreateViewObject(browser.Frame(), IID_IShellView, view.PutVoid()))) return false;
    FOLDERSETTINGS fs = {mode, 0};
    RECT r = {0, 0, 880, 560};
    if (view->CreateViewWindow(nullptr, &fs, &browser, &r, &window) != S_OK || !window) return false;
    return PumpUntil([&] { return browser.statusCount > 0; });
  }
  HWND List() const { return GetDlgItem(window, kList); }
  int Count() const { return static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
  std::string Text(int row, int column) const {
    char buf[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buf;
  }
  std::string Column(int column) const {
    std::string out;
    for (int i = 0; i < Count(); ++i) out += (i ? "," : "") + Text(i, column);
    return out;
  }
  std::string Titles() const {
    std::string out;
    char buf[128];
    for (int i = 0;; ++i) {
      LVCOLUMNA c = {};
      c.mask = LVCF_TEXT;
      c.pszText = buf;
      c.cchTextMax = sizeof buf;
      if (!SendMessageA(List(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&c))) break;
      out += (i ? "," : "") + std::string(buf);
    }
    return out;
  }
  void Command(int id) {
    SendMessageA(window, WM_COMMAND, id, 0);
    PumpUntil([] { return false; }, 50);
  }
  void Select(const char* name) {
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (int i = 0; name && i < Count(); ++i)
      if (Text(i, 0) == name) {
        LVITEMA on = {};
        on.stateMask = on.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(List(), LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&on));
      }
    PumpUntil([] { return false; }, 50);
  }
  void ClickColumn(int column) {
    NMLISTVIEW nm = {};
    nm.hdr.hwndFrom = List();
    nm.hdr.idFrom = kList;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = column;
    SendMessageA(window, WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&nm));
  }
  // "absent", "grayed", "enabled", with "+checked".
  std::string MenuState(UINT command) const {
    UINT s = GetMenuState(browser.Menu(), command, MF_BYCOMMAND);
    if (s == 0xFFFFFFFF) return "absent";
    std::string out = (s & MF_GRAYED) ? "grayed" : "enabled";
    return (s & MF_CHECKED) ? out + "+checked" : out;
  }
};

void seedStore() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites");
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetURL("zeta.example");
  s.SetDescription("last by url");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "beta"));
  s.SetIsCategory(1);
  s.SetURL("");
  s.SetDescription("");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Work"));
  s.SetIsCategory(0);
  // Refused at once: nothing listens on port 9 here.
  s.SetURL("127.0.0.1");
  s.SetURLPort(9);
  s.SetRetryCount(0);
  s.SetDescription("first by url");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Alpha"));
  s.SetURL("inner.example");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites\\Work", "Inner"));
}

struct ViewHost : ::testing::Test {
  vqComPtr<IShellFolder> root;
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_EQ(0u, fhtest::regsvr32(false));
    seedStore();
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettings, "ColWidths");
    g_messages.clear();
    vqSetMessageAnswer(recordMessage, nullptr);
    vqComPtr<IShellFolder> desktop;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
    LPITEMIDLIST junction = nullptr;
    ASSERT_EQ(S_OK,
              desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(kJunction), nullptr, &junction, nullptr));
    ASSERT_EQ(S_OK, desktop->BindToObject(junction, nullptr, IID_IShellFolder, root.PutVoid()));
    CoTaskMemFree(junction);
  }
  void TearDown() override {
    root.Reset();
    vqSetMessageAnswer(nullptr, nullptr);
    CoFreeUnusedLibraries();
    EXPECT_EQ(0u, fhtest::regsvr32(true));
    OleUninitialize();
  }
  // A child folder of the root by name.
  vqComPtr<IShellFolder> Child(const char* name) {
    vqComPtr<IShellFolder> out;
    vqComPtr<IEnumIDList> items;
    if (root->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK) return out;
    LPITEMIDLIST id;
    ULONG got;
    while (items->Next(1, &id, &got) == S_OK) {
      if (std::string(shellItemName(id)) == name) root->BindToObject(id, nullptr, IID_IShellFolder, out.PutVoid());
      CoTaskMemFree(id);
    }
    return out;
  }
};
}  // namespace

TEST_F(ViewHost, ColumnsTextsAndStatusOfBothLayouts) {
  Hosted sites;
  ASSERT_TRUE(sites.Open(root.Get()));
  EXPECT_EQ("Name,Type,URL,Description", sites.Titles());
  EXPECT_EQ("FTP Site Wizard,Work,Alpha,beta", sites.Column(0));
  EXPECT_EQ("Category", sites.Text(1, 1));
  EXPECT_EQ(",,127.0.0.1,zeta.example", sites.Column(2));
  EXPECT_EQ("FTP Site", sites.Text(2, 1));
  EXPECT_EQ(",,first by url,last by url", sites.Column(3));
  EXPECT_EQ("4 Object(s)", sites.browser.status);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(sites.window, kEmpty)));
  EXPECT_EQ(LVS_REPORT, GetWindowLongA(sites.List(), GWL_STYLE) & LVS_TYPEMASK);

  Hosted work;
  vqComPtr<IShellFolder> category = Child("Work");
  ASSERT_TRUE(category);
  ASSERT_TRUE(work.Open(category.Get()));
  EXPECT_EQ("Name,Type,URL,Description", work.Titles());
  EXPECT_EQ("FTP Site Wizard,Inner", work.Column(0));
  EXPECT_EQ("2 Object(s)", work.browser.status);

  // A site's listing comes from its server; with none answering the view says so.
  Hosted site;
  vqComPtr<IShellFolder> alpha = Child("Alpha");
  ASSERT_TRUE(alpha);
  ASSERT_TRUE(site.Open(alpha.Get()));
  EXPECT_EQ("Name,Size,Type,Date,Permissions,Description", site.Titles());
  EXPECT_EQ(0, site.Count());
  EXPECT_EQ("0 Object(s)", site.browser.status);
  HWND empty = GetDlgItem(site.window, kEmpty);
  EXPECT_TRUE(IsWindowVisible(empty));
  char text[128] = "";
  GetWindowTextA(empty, text, sizeof text);
  EXPECT_STREQ("  Error retrieving folder information.", text);
}

TEST_F(ViewHost, SortsSiteListsByNameAndUrlBothWays) {
  Hosted v;
  ASSERT_TRUE(v.Open(root.Get()));
  struct Step {
    const char* what;
    int command;  // a menu command, or -1 - column for a click on that column
    const char* names;
  } steps[] = {
      {"name, ascending at first", 7011, "FTP Site Wizard,Work,Alpha,beta"},
      {"click on Name turns it round", -1, "FTP Site Wizard,Work,beta,Alpha"},
      {"and back", -1, "FTP Site Wizard,Work,Alpha,beta"},
      {"by URL", 7001, "FTP Site Wizard,Work,Alpha,beta"},
      {"click on URL: used before, turns round", -3, "FTP Site Wizard,Work,beta,Alpha"},
      {"click on Description: new, ascending", -4, "FTP Site Wizard,Work,Alpha,beta"},
      {"click on Description again", -4, "FTP Site Wizard,Work,beta,Alpha"},
      {"size does not apply to site lists", 7014, "FTP Site Wizard,Work,beta,Alpha"},
  };
  for (const Step& s : steps) {
    if (s.command > 0)
      v.Command(s.command);
    else
      v.ClickColumn(-1 - s.command);
    EXPECT_EQ(s.names, v.Column(0)) << s.what;
  }
}

TEST_F(ViewHost, MergedMenusFollowTheActivationState) {
  Hosted v;
  ASSERT_TRUE(v.Open(root.Get()));
  struct Row {
    UINT state;
    const char* selected;
    UINT command;
    const char* expected;
  } rows[] = {
      // Folder context (no focus): the root itself.
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2001, "enabled"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2009, "absent"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2032, "enabled"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2027, "grayed"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2029, "grayed"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 7001, "enabled"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 7009, "enabled+checked"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 7011, "enabled+checked"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 2035, "enabled"},
      {SVUIA_ACTIVATE_NOFOCUS, nullptr, 0xA001, "enabled"},  // the browser's own item stays
      // Background: focus, nothing selected.
      {SVUIA_ACTIVATE_FOCUS, nullptr, 2032, "absent"},
      {SVUIA_ACTIVATE_FOCUS, nullptr, 2010, "absent"},
      {SVUIA_ACTIVATE_FOCUS, nullptr, 2001, "enabled"},
      // Selection: a category, then a site, then the wizard entry.
      {SVUIA_ACTIVATE_FOCUS, "Work", 2009, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "Work", 2010, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "Work", 2027, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "Work", 2001, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "Alpha", 2001, "absent"},
      {SVUIA_ACTIVATE_FOCUS, "Alpha", 2032, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "Alpha", 2029, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "FTP Site Wizard", 2032, "absent"},
      {SVUIA_ACTIVATE_FOCUS, "FTP Site Wizard", 2002, "enabled"},
      {SVUIA_ACTIVATE_FOCUS, "FTP Site Wizard", 2027, "grayed"},
  };
  for (const Row& r : rows) {
    v.view->UIActivate(r.state);
    v.Select(r.selected);
    EXPECT_EQ(r.expected, v.MenuState(r.command))
        << "state " << r.state << " selected " << (r.selected ? r.selected : "-") << " command " << r.command;
  }
  int removesBefore = v.browser.removes;
  v.view->UIActivate(SVUIA_DEACTIVATE);
  EXPECT_GT(v.browser.removes, removesBefore) << "deactivating gives the shared menu back";
  EXPECT_EQ(nullptr, v.browser.Menu());

  // A site view merges its own File menu: Connect while the site is not connected.
  Hosted site;
  vqComPtr<IShellFolder> alpha = Child("Alpha");
  ASSERT_TRUE(site.Open(alpha.Get()));
  site.view->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
  struct SiteRow {
    UINT command;
    const char* expected;
  } siteRows[] = {{2017, "enabled"}, {2018, "absent"},  {2024, "enabled"}, {2020, "absent"}, {2003, "enabled"},
                  {2014, "absent"},  {7014, "enabled"}, {7001, "absent"},  {2027, "enabled"}};
  for (const SiteRow& r : siteRows) EXPECT_EQ(r.expected, site.MenuState(r.command)) << r.command;
}

TEST_F(ViewHost, ViewModesLogPaneAndColumnWidthsAreKept) {
  {
    Hosted v;
    ASSERT_TRUE(v.Open(root.Get(), FVM_LIST));
    EXPECT_EQ(LVS_LIST, GetWindowLongA(v.List(), GWL_STYLE) & LVS_TYPEMASK);
    v.view->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
    struct Mode {
      int command;
      DWORD style;
      UINT mode;
    } modes[] = {{7006, LVS_ICON, FVM_ICON},
                 {7007, LVS_SMALLICON, FVM_SMALLICON},
                 {7008, LVS_LIST, FVM_LIST},
                 {7009, LVS_REPORT, FVM_DETAILS}};
    for (const Mode& m : modes) {
      v.Command(m.command);
      EXPECT_EQ(m.style, GetWindowLongA(v.List(), GWL_STYLE) & LVS_TYPEMASK) << m.command;
      FOLDERSETTINGS fs = {};
      EXPECT_EQ(S_OK, v.view->GetCurrentInfo(&fs));
      EXPECT_EQ(m.mode, fs.ViewMode) << m.command;
      EXPECT_EQ("enabled+checked", v.MenuState(m.command));
      EXPECT_EQ(m.command == 7006 ? "enabled" : "enabled", v.MenuState(m.command == 7006 ? 7009 : 7006));
    }

    // The log pane follows the setting and the setting is saved.
    bool shown = IsWindowVisible(GetDlgItem(v.window, kLog)) != 0;
    v.Command(7005);
    EXPECT_EQ("enabled+checked", v.MenuState(7005));
    EXPECT_EQ("enabled", v.MenuState(7004));
    v.Command(7004);
    EXPECT_EQ("enabled+checked", v.MenuState(7004));
    v.Command(7010);
    EXPECT_NE(shown, IsWindowVisible(GetDlgItem(v.window, kLog)) != 0);
    // Shown or not, the pane and the list share the view without overlapping.
    RECT list, log;
    GetWindowRect(v.List(), &list);
    GetWindowRect(GetDlgItem(v.window, kLog), &log);
    if (!shown) {
      EXPECT_GE(log.bottom - log.top, 60);
      EXPECT_LE(list.bottom, log.top);
    }
    EXPECT_EQ(shown ? "enabled" : "enabled+checked", v.MenuState(7010));
    v.Command(7010);
    EXPECT_EQ(shown, IsWindowVisible(GetDlgItem(v.window, kLog)) != 0);

    SendMessageA(v.List(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(234, 0));
    SendMessageA(v.List(), LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(900, 0));
    v.Close();
  }
  char text[256] = "";
  DWORD size = sizeof text;
  ASSERT_EQ(ERROR_SUCCESS,
            RegGetValueA(HKEY_CURRENT_USER, kSettings, "ColWidths", RRF_RT_REG_SZ, nullptr, text, &size));
  std::string widths = text;
  EXPECT_EQ(0u, widths.find("234,")) << widths;
  EXPECT_NE(std::string::npos, widths.find(",500,")) << "a width past 500 is kept as 500: " << widths;

  Hosted again;
  ASSERT_TRUE(again.Open(root.Get()));
  EXPECT_EQ(234, SendMessageA(again.List(), LVM_GETCOLUMNWIDTH, 0, 0));
}

TEST_F(ViewHost, LabelEditRenamesInTheStoreAndRefusesBadNames) {
  Hosted v;
  ASSERT_TRUE(v.Open(root.Get()));
  v.view->UIActivate(SVUIA_ACTIVATE_FOCUS);
  auto edit = [&](const char* name, const char* typed) -> bool {
    int row = -1;
    for (int i = 0; i < v.Count(); ++i)
      if (v.Text(i, 0) == name) row = i;
    if (row < 0) return false;
    if (!*typed) {
      // An emptied box: Windows reports the empty text; Wine reports it as a cancelled edit.
      NMLVDISPINFOA nm = {};
      nm.hdr.hwndFrom = v.List();
      nm.hdr.idFrom = kList;
      nm.hdr.code = LVN_ENDLABELEDITA;
      nm.item.iItem = row;
      nm.item.pszText = const_cast<char*>("");
      SendMessageA(v.window, WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&nm));
      return true;
    }
    SetFocus(v.List());
    HWND box = reinterpret_cast<HWND>(SendMessageA(v.List(), LVM_EDITLABELA, row, 0));
    if (!box) return false;
    SetWindowTextA(box, typed);
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    PumpUntil([] { return false; }, 50);
    return true;
  };
  struct Case {
    const char* from;
    const char* to;
    bool editable;
    const char* message;  // what the user is told ("" for nothing)
    const char* names;
  } cases[] = {
      {"beta", "gamma", true, "", "FTP Site Wizard,Work,Alpha,gamma"},
      {"Alpha", "", true, "Invalid object name!", "FTP Site Wizard,Work,Alpha,gamma"},
      {"Alpha", "a/b", true, "Invalid object name!", "FTP Site Wizard,Work,Alpha,gamma"},
      {"Alpha", "two\r\nlines", true, "Invalid object name!", "FTP Site Wizard,Work,Alpha,gamma"},
      {"Alpha", "Alpha", true, "", "FTP Site Wizard,Work,Alpha,gamma"},
      {"Work", "Play", true, "", "FTP Site Wizard,Play,Alpha,gamma"},
      {"FTP Site Wizard", "x", false, "", "FTP Site Wizard,Play,Alpha,gamma"},
  };
  vqSiteParams store(2);
  for (const Case& c : cases) {
    g_messages.clear();
    EXPECT_EQ(c.editable, edit(c.from, c.to)) << c.from;
    EXPECT_EQ(c.message, g_messages.empty() ? std::string() : g_messages[0]) << c.from << " -> " << c.to;
    EXPECT_EQ(c.names, v.Column(0)) << c.from << " -> " << c.to;
    if (c.editable && !*c.message && strcmp(c.from, c.to) != 0) {
      EXPECT_EQ(1, store.SITE_Exists("FTP-Sites", c.to)) << c.to;
      EXPECT_EQ(0, store.SITE_Exists("FTP-Sites", c.from)) << c.from;
    }
  }
  EXPECT_EQ(1, store.SITE_Exists("FTP-Sites\\Play", "Inner")) << "a renamed category keeps its sites";
}

TEST_F(ViewHost, OpeningBrowsesAndRefreshListsAgain) {
  Hosted v;
  ASSERT_TRUE(v.Open(root.Get()));
  v.view->UIActivate(SVUIA_ACTIVATE_FOCUS);
  v.Select("Work");
  NMITEMACTIVATE nm = {};
  nm.hdr.hwndFrom = v.List();
  nm.hdr.idFrom = kList;
  nm.hdr.code = NM_DBLCLK;
  SendMessageA(v.window, WM_NOTIFY, kList, reinterpret_cast<LPARAM>(&nm));
  ASSERT_TRUE(PumpUntil([&] { return !v.browser.browsed.empty(); }, 2000));
  LPCITEMIDLIST target = v.browser.browsed[0];
  EXPECT_EQ(VQ_KIND_CATEGORY, shellItemKind(ILFindLastID(target)));
  EXPECT_STREQ("Work", shellItemName(ILFindLastID(target)));
  EXPECT_EQ(static_cast<UINT>(SBSP_ABSOLUTE), v.browser.browseFlags & SBSP_ABSOLUTE);

  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetURL("new.example");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Added"));
  int before = v.browser.statusCount;
  EXPECT_EQ(S_OK, v.view->Refresh());
  PumpUntil([&] { return v.browser.statusCount > before; });
  EXPECT_EQ("FTP Site Wizard,Work,Added,Alpha,beta", v.Column(0));
  EXPECT_EQ("5 Object(s)", v.browser.status);
}

// The list of a remote folder, sorted by every order both ways: folders before files either way.
TEST(ShellListCtrl, RemoteListSortsByEveryOrderKeepingGroups) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND window = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  shellListCtrl list;
  list.Attach(window);
  const char* titles[] = {"Name", "Size", "Type", "Date", "Permissions", "Description"};
  int widths[] = {100, 100, 100, 100, 100, 100};
  list.SetColumns(true, titles, 6, widths);
  struct Remote {
    int kind;
    const char* name;
    unsigned size;
    const char* type;
    const char* date;
  } remotes[] = {
      {VQ_KIND_OBJECT, "b.txt", 300, "Text", "2001/01/01 10:00"},
      {VQ_KIND_FOLDER, "pub", 0, "Folder", "1999/05/05 00:00"},
      {VQ_KIND_OBJECT, "A.zip", 20, "Archive", "2003/01/01 10:00"},
      {VQ_KIND_FOLDERLINK, "incoming", 0, "Folder Link", "2000/02/02 00:00"},
      {VQ_KIND_OBJECTLINK, "c.lnk", 1000, "Link", "1998/01/01 10:00"},
  };
  for (const Remote& s : remotes) {
    _FTPITEMID it = item(s.kind, s.name);
    it.size = s.size;
    strcpy(it.typeName, s.type);
    strcpy(it.sortDate, s.date);
    LPITEMIDLIST copy = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(sizeof it + 2));
    memcpy(copy, &it, sizeof it);
    memset(reinterpret_cast<BYTE*>(copy) + sizeof it, 0, 2);
    list.Append(copy, -1);
  }
  list.Descriptions()["b.txt"] = "the b file";
  list.Publish();
  auto names = [&] {
    std::string out;
    for (size_t i = 0; i < list.Count(); ++i) out += (i ? "," : "") + std::string(shellItemName(list.Item(i)));
    return out;
  };
  struct Case {
    int column;
    bool descending;
    const char* names;
  } cases[] = {
      {0, false, "incoming,pub,A.zip,b.txt,c.lnk"}, {0, true, "pub,incoming,c.lnk,b.txt,A.zip"},
      {1, false, "pub,incoming,A.zip,b.txt,c.lnk"}, {1, true, "pub,incoming,c.lnk,b.txt,A.zip"},
      {2, false, "pub,incoming,A.zip,c.lnk,b.txt"}, {2, true, "incoming,pub,b.txt,c.lnk,A.zip"},
      {3, false, "pub,incoming,c.lnk,b.txt,A.zip"}, {3, true, "incoming,pub,A.zip,b.txt,c.lnk"},
      {5, false, "incoming,pub,A.zip,c.lnk,b.txt"}, {5, true, "incoming,pub,b.txt,A.zip,c.lnk"},
  };
  for (const Case& c : cases) {
    list.Sort(c.column, c.descending);
    EXPECT_EQ(c.names, names()) << "column " << c.column << (c.descending ? " descending" : " ascending");
  }
  EXPECT_EQ(5, SendMessageA(window, LVM_GETITEMCOUNT, 0, 0));
  list.Clear();
  EXPECT_EQ(0, SendMessageA(window, LVM_GETITEMCOUNT, 0, 0));
  DestroyWindow(window);
}

namespace {
std::string winPath(const std::string& linux) {
  std::string out = "Z:";
  for (char c : linux) out += c == '/' ? '\\' : c;
  return out;
}
void writeFile(const std::string& path, const char* text) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  fputs(text, f);
  fclose(f);
}
// A child folder of a folder by name.
vqComPtr<IShellFolder> childOf(IShellFolder* parent, const char* name) {
  vqComPtr<IShellFolder> out;
  vqComPtr<IEnumIDList> items;
  if (parent->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK) return out;
  LPITEMIDLIST id;
  ULONG got;
  while (items->Next(1, &id, &got) == S_OK) {
    if (std::string(shellItemName(id)) == name) parent->BindToObject(id, nullptr, IID_IShellFolder, out.PutVoid());
    CoTaskMemFree(id);
  }
  return out;
}
}  // namespace

// A site on the fixture's vsftpd: its listing in the remote layout, a folder's, an empty folder,
// a rename on the server, and the descriptions of an index file.
TEST_F(ViewHost, RemoteFoldersFromVsftpd) {
  auto servers = fhtest::ftpServers();
  ASSERT_FALSE(servers["FTP_A_PORT"].empty()) << "the FTP fixture is not running";
  std::string incoming = winPath(servers["FTP_A_ROOT"]) + "\\incoming";
  std::string mine = "view" + std::to_string(GetCurrentProcessId());
  {
    // Made through the server, so that its anonymous user owns them and may rename them.
    unsigned port = static_cast<unsigned>(atoi(servers["FTP_A_PORT"].c_str()));
    vqFtpEngine* e = fhtest::localEngine(port);
    e->SetUsername("anonymous");
    e->SetPassword("view@test");
    ASSERT_EQ(0u, e->FTP_Connect());
    std::string dir = "/incoming/" + mine;
    std::string local = incoming + "\\" + mine + ".tmp";
    EXPECT_EQ(0u, e->FTP_MKD(dir.c_str()));
    EXPECT_EQ(0u, e->FTP_MKD((dir + "/empty").c_str()));
    EXPECT_EQ(0u, e->FTP_MKD((dir + "/sub").c_str()));
    struct Upload {
      const char* name;
      const char* text;
    } uploads[] = {{"/b.txt", "0123456789"}, {"/a.txt", "x"}, {"/sub/keep.txt", "keep"}};
    for (const Upload& u : uploads) {
      writeFile(local, u.text);
      EXPECT_EQ(0u, e->FTP_PutFile((dir + u.name).c_str(), local.c_str(), 1)) << u.name;
    }
    DeleteFileA(local.c_str());
    e->FTP_Disconnect();
    e->Release();
  }
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetURL("127.0.0.1");
  s.SetURLPort(static_cast<unsigned short>(atoi(servers["FTP_A_PORT"].c_str())));
  s.SetIsAnonymous(1);
  s.SetUsername("anonymous");
  s.SetRetryCount(0);
  s.SetTimeout(20);
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Local"));

  vqComPtr<IShellFolder> site = Child("Local");
  ASSERT_TRUE(site);
  {
    Hosted top;
    ASSERT_TRUE(top.Open(site.Get()));
    EXPECT_EQ("Name,Size,Type,Date,Permissions,Description", top.Titles());
    std::string names = top.Column(0);
    EXPECT_NE(std::string::npos, names.find("incoming,pub")) << names;
    EXPECT_LT(names.find("pub"), names.find("welcome.txt")) << "folders come before files: " << names;
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(top.window, kEmpty)));
    // The listing's progress texts reach the log pane.
    PumpUntil([&] { return GetWindowTextLengthA(GetDlgItem(top.window, kLog)) > 0; }, 2000);
    char log[4096] = "";
    GetWindowTextA(GetDlgItem(top.window, kLog), log, sizeof log);
    EXPECT_NE(nullptr, strstr(log, "Retrieving file listing")) << log;
  }
  vqComPtr<IShellFolder> folder = childOf(childOf(site.Get(), "incoming").Get(), mine.c_str());
  ASSERT_TRUE(folder);
  Hosted v;
  ASSERT_TRUE(v.Open(folder.Get()));
  EXPECT_EQ("4 Object(s)", v.browser.status);
  EXPECT_EQ("empty,sub,a.txt,b.txt", v.Column(0));
  EXPECT_EQ(",,1,10", v.Column(1));
  EXPECT_NE(std::string::npos, v.Column(4).find("-rw-")) << v.Column(4);
  EXPECT_FALSE(v.Text(3, 3).empty()) << "a date is shown";
  v.ClickColumn(1);
  EXPECT_EQ("empty,sub,a.txt,b.txt", v.Column(0));
  v.ClickColumn(1);
  EXPECT_EQ("empty,sub,b.txt,a.txt", v.Column(0)) << "size, descending: folders stay in front";

  // The index file's descriptions go into the last column, by name.
  std::string index = incoming + "\\" + mine + "-index.txt";
  writeFile(index, "b.txt  B 10 1  the bigger one\r\nmissing.txt nobody\r\na.txt\ta\tsmall\r\n");
  SendMessageA(v.window, WM_COMMAND, 7024, reinterpret_cast<LPARAM>(index.c_str()));
  EXPECT_EQ(",,the bigger one,small", v.Column(5));
  DeleteFileA(index.c_str());

  // Rename through the label editor: the server's file is renamed.
  v.view->UIActivate(SVUIA_ACTIVATE_FOCUS);
  int row = 2;
  ASSERT_EQ("b.txt", v.Text(row, 0));
  SetFocus(v.List());
  HWND box = reinterpret_cast<HWND>(SendMessageA(v.List(), LVM_EDITLABELA, row, 0));
  ASSERT_NE(nullptr, box);
  SetWindowTextA(box, "c.txt");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  PumpUntil([&] { return v.Text(row, 0) == "c.txt"; }, 5000);
  EXPECT_EQ("c.txt", v.Text(row, 0));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((incoming + "\\" + mine + "\\b.txt").c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((incoming + "\\" + mine + "\\c.txt").c_str()));
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];

  // A rename the server refuses is told with its reason, and the name stays.
  row = 0;
  ASSERT_EQ("empty", v.Text(row, 0));
  SetFocus(v.List());
  box = reinterpret_cast<HWND>(SendMessageA(v.List(), LVM_EDITLABELA, row, 0));
  ASSERT_NE(nullptr, box);
  SetWindowTextA(box, "sub");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  PumpUntil([&] { return !g_messages.empty(); }, 5000);
  ASSERT_EQ(1u, g_messages.size());
  EXPECT_EQ(0u, g_messages[0].find("Unable to rename the selected item!")) << g_messages[0];
  EXPECT_EQ("empty", v.Text(row, 0));

  Hosted empty;
  vqComPtr<IShellFolder> emptyFolder = childOf(folder.Get(), "empty");
  ASSERT_TRUE(emptyFolder);
  ASSERT_TRUE(empty.Open(emptyFolder.Get()));
  EXPECT_EQ(0, empty.Count());
  char text[128] = "";
  GetWindowTextA(GetDlgItem(empty.window, kEmpty), text, sizeof text);
  EXPECT_STREQ("   This folder does not contain any items.", text);
  EXPECT_EQ("0 Object(s)", empty.browser.status);
}

// A UTF-8 server (the fixture's names/ tree on server B): the view's rows read wide show every
// script whole, and a name typed in the label editor reaches the server as UTF-8.
TEST_F(ViewHost, NamesOfAUtf8ServerShowWideAndRenameInPlace) {
  auto servers = fhtest::ftpServers();
  ASSERT_FALSE(servers["FTP_B_PORT"].empty()) << "the FTP fixture is not running";
  const unsigned port = static_cast<unsigned>(atoi(servers["FTP_B_PORT"].c_str()));
  const std::string mine = "view" + std::to_string(GetCurrentProcessId());
  vqFtpEngine* e = fhtest::localEngine(port);
  ASSERT_EQ(0u, e->FTP_Connect());
  const std::string dir = "/names/drop/" + mine;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string local = std::string(temp) + mine + ".tmp";
  writeFile(local, "ya");
  EXPECT_EQ(0u, e->FTP_MKD(dir.c_str()));
  EXPECT_EQ(0u, e->FTP_PutFile((dir + "/\xD0\xAF.txt").c_str(), local.c_str(), 1));  // Я.txt
  DeleteFileA(local.c_str());

  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetURL("127.0.0.1");
  s.SetURLPort(static_cast<unsigned short>(port));
  s.SetRetryCount(0);
  s.SetTimeout(20);
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Names"));
  vqComPtr<IShellFolder> site = Child("Names");
  ASSERT_TRUE(site);
  vqComPtr<IShellFolder> names = childOf(site.Get(), "names");
  ASSERT_TRUE(names);
  auto wideColumn = [](const Hosted& h) {
    std::wstring out;
    for (int i = 0; i < h.Count(); ++i) {
      wchar_t buf[260] = L"";
      LVITEMW item = {};
      item.pszText = buf;
      item.cchTextMax = 260;
      SendMessageW(h.List(), LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      out += (i ? L"," : L"") + std::wstring(buf);
    }
    return out;
  };
  {
    Hosted v;
    vqComPtr<IShellFolder> utf8 = childOf(names.Get(), "utf8");
    ASSERT_TRUE(utf8);
    ASSERT_TRUE(v.Open(utf8.Get()));
    EXPECT_TRUE(wideColumn(v) == L"\u043F\u0430\u043F\u043A\u0430,caf\u00E9.txt,\u041F\u0440\u0438\u0432\u0435\u0442.txt,"
                                 L"\u65E5\u672C\u8A9E.txt" ||
                wideColumn(v) == L"\u043F\u0430\u043F\u043A\u0430,caf\u00E9.txt,\u65E5\u672C\u8A9E.txt,"
                                 L"\u041F\u0440\u0438\u0432\u0435\u0442.txt")
        << "the folder first, then the files, each name whole; " << v.Count() << " rows";
    // The log pane says which folder is listed, its name whole too.
    vqComPtr<IShellFolder> inner = childOf(utf8.Get(), "\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
    ASSERT_TRUE(inner);
    Hosted innerView;
    ASSERT_TRUE(innerView.Open(inner.Get()));
    const HWND log = GetDlgItem(innerView.window, kLog);
    auto logText = [log] {
      std::wstring t(static_cast<size_t>(GetWindowTextLengthW(log)) + 1, L'\0');
      t.resize(static_cast<size_t>(GetWindowTextW(log, &t[0], static_cast<int>(t.size()))));
      return t;
    };
    const std::wstring listed = L"Retrieving file listing: /names/utf8/\u043F\u0430\u043F\u043A\u0430";
    PumpUntil([&] { return logText().find(listed) != std::wstring::npos; }, 3000);
    EXPECT_NE(std::wstring::npos, logText().find(listed)) << "the folder's name is not whole in the log pane";
  }
  vqComPtr<IShellFolder> drop = childOf(names.Get(), "drop");
  ASSERT_TRUE(drop);
  // drop/ itself lists plain names; its sibling utf8/ told the site's names are UTF-8.
  vqComPtr<IShellFolder> folder = childOf(drop.Get(), mine.c_str());
  ASSERT_TRUE(folder);
  Hosted v;
  ASSERT_TRUE(v.Open(folder.Get()));
  ASSERT_TRUE(wideColumn(v) == L"\u042F.txt");
  v.view->UIActivate(SVUIA_ACTIVATE_FOCUS);
  SetFocus(v.List());
  HWND box = reinterpret_cast<HWND>(SendMessageW(v.List(), LVM_EDITLABELW, 0, 0));
  ASSERT_NE(nullptr, box);
  SetWindowTextW(box, L"\u042E\u043B\u0430.txt");  // Юла.txt
  SendMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  PumpUntil([&] { return wideColumn(v) == L"\u042E\u043B\u0430.txt"; }, 5000);
  EXPECT_TRUE(wideColumn(v) == L"\u042E\u043B\u0430.txt");
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];
  const std::string listing = std::string(temp) + mine + ".list";
  ASSERT_EQ(0u, e->FTP_LIST(listing.c_str(), dir.c_str(), nullptr, nullptr));
  const std::string text = fhtest::readFile(listing);
  DeleteFileA(listing.c_str());
  EXPECT_NE(std::string::npos, text.find(" \xD0\xAE\xD0\xBB\xD0\xB0.txt\r\n")) << text;
  e->FTP_Disconnect();
  e->Release();
}
