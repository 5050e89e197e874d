// The site manager window under Xvfb against the real registry: filling the tree, the
// description, delete (mapped and not), refresh, drag moves with the "Copy of " rule and the
// refusal, and the drive-mapping mode that starts with the wizard when there is no site.
#include <gtest/gtest.h>

#include <string.h>

#include "smUi.h"
#include "vqSMgrRes.h"

using namespace sitetest;
using namespace smtest;

namespace {
class SiteManager : public SiteStore {};

std::string itemText(HWND tree, HTREEITEM item) {
  char text[260] = "";
  TVITEMA tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

// The item at a "\"-separated path of names from the root ("FTP-Sites\\Work\\W1").
HTREEITEM find(HWND tree, const std::string& path) {
  HTREEITEM item = TreeView_GetRoot(tree);
  size_t start = 0;
  while (item) {
    size_t end = path.find('\\', start);
    std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (item && itemText(tree, item) != name) item = TreeView_GetNextSibling(tree, item);
    if (!item || end == std::string::npos) return item;
    TreeView_Expand(tree, item, TVE_EXPAND);
    item = TreeView_GetChild(tree, item);
    start = end + 1;
  }
  return nullptr;
}

// Children of an item, as "a|b|c" in tree order.
std::string children(HWND tree, HTREEITEM parent) {
  std::string out;
  for (HTREEITEM i = TreeView_GetChild(tree, parent); i; i = TreeView_GetNextSibling(tree, i))
    out += (out.empty() ? "" : "|") + itemText(tree, i);
  return out;
}

void select(HWND tree, HTREEITEM item) {
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

// Drags `from` onto `to` as the mouse does: the tree's begin-drag, a move and the button release.
void drag(HWND dlg, HWND tree, HTREEITEM from, HTREEITEM to) {
  NMTREEVIEWA nm = {};
  nm.hdr.hwndFrom = tree;
  nm.hdr.idFrom = IDC_SM_TREE;
  nm.hdr.code = TVN_BEGINDRAGA;
  nm.itemNew.hItem = from;
  SendMessageA(dlg, WM_NOTIFY, IDC_SM_TREE, reinterpret_cast<LPARAM>(&nm));
  RECT r;
  memcpy(&r, &to, sizeof to);  // the item goes in, its rectangle comes out
  SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  POINT at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  MapWindowPoints(tree, dlg, &at, 1);
  PostMessageA(dlg, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  PostMessageA(dlg, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}
}  // namespace

TEST_F(SiteManager, PlainModeFillsTheTreeDeletesRefreshesAndMovesByDragging) {
  saveCategory(VQ_SITES_LIST, "Work");
  saveSite("FTP-Sites\\Work", "Alpha", "inner.example.com", 11);
  saveSite("FTP-Sites\\Work", "W1", "w1.example.com", 12);
  saveSite(VQ_SITES_LIST, "Alpha", "alpha.example.com", 13);
  saveSite(VQ_SITES_LIST, "Beta", "beta.example.com", 14);
  saveSite(VQ_SITES_LIST, "Mapped", "mapped.example.com", 15);
  put(HKEY_CURRENT_USER, key("FTP-Sites\\Mapped"), "wendal", "Q:");

  Boxes boxes;
  boxes.fallback = IDYES;
  std::string top, work, desc, closeText, afterDelete, afterRefresh, afterMove;
  bool mapShown = true;
  std::string refusal;
  vqSiteParams site(2);
  ui::WithDriver(
      "FTP Site Manager", [&] { return site.SITE_Manager(nullptr); },
      [&](HWND dlg) {
        HWND tree = GetDlgItem(dlg, IDC_SM_TREE);
        mapShown = IsWindowVisible(GetDlgItem(dlg, IDC_SM_MAP));
        closeText = ui::ItemText(dlg, IDCANCEL);
        top = children(tree, find(tree, "FTP-Sites"));
        work = children(tree, find(tree, "FTP-Sites\\Work"));
        select(tree, find(tree, "FTP-Sites\\Beta"));
        desc = ui::ItemText(dlg, IDC_SM_DESCTEXT);

        // Not mapped: one question. Mapped: the unmap question, then (the drive was
        // never connected here) the failed-disconnect question.
        ui::Click(dlg, IDC_SM_DELETE);
        select(tree, find(tree, "FTP-Sites\\Mapped"));
        ui::Click(dlg, IDC_SM_DELETE);
        afterDelete = children(tree, find(tree, "FTP-Sites"));

        put(HKEY_CURRENT_USER, kSites, "0000000020", "Later");
        put(HKEY_CURRENT_USER, key("FTP-Sites\\Later"), "SiteId", "0000000020");
        ui::Click(dlg, IDC_SM_REFRESH);
        afterRefresh = children(tree, find(tree, "FTP-Sites"));

        size_t seen = boxes.Count();
        drag(dlg, tree, find(tree, "FTP-Sites\\Later"), find(tree, "FTP-Sites\\Alpha"));
        refusal = boxes.WaitAfter(seen);
        drag(dlg, tree, find(tree, "FTP-Sites\\Alpha"), find(tree, "FTP-Sites\\Work"));
        WaitFor([&] { return find(tree, "FTP-Sites\\Work\\Copy of Alpha") != nullptr; }, 5000);
        afterMove = children(tree, find(tree, "FTP-Sites\\Work"));
        ui::Click(dlg, IDCANCEL);
      });
  EXPECT_FALSE(mapShown) << "the plain manager has no map button";
  EXPECT_EQ("Close", closeText);
  EXPECT_EQ("Alpha|Beta|Mapped|Work", top);
  EXPECT_EQ("Alpha|W1", work);
  EXPECT_EQ("about Beta", desc);
  EXPECT_EQ("Alpha|Work", afterDelete);
  EXPECT_EQ("Alpha|Later|Work", afterRefresh);
  EXPECT_EQ("You cannot drop that there!", refusal);
  EXPECT_EQ("Alpha|Copy of Alpha|W1", afterMove);

  auto texts = boxes.All();
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ("Are you sure that you want to delete the wendal site named 'Beta'?", texts[0]);
  EXPECT_EQ("Are you sure that you want to delete the wendal site named 'Mapped'?", texts[1]);
  EXPECT_EQ(0u, texts[2].find("This FTP site is currently in use by wendal and mapped to the [Q:] drive."));
  EXPECT_EQ(0u, texts[3].find("An error has occurred while attempting to disconnect from drive Q: [Error="));
  EXPECT_EQ("Are you sure you want to move\nFTP-Sites\\Alpha\nto\nFTP-Sites\\Work\\Copy of Alpha ?", texts.back());

  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Beta")));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Mapped")));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Alpha")));
  EXPECT_EQ("alpha.example.com", values(HKEY_CURRENT_USER, key("FTP-Sites\\Work\\Copy of Alpha"))["URL"]);
  EXPECT_EQ("inner.example.com", values(HKEY_CURRENT_USER, key("FTP-Sites\\Work\\Alpha"))["URL"]);
}

TEST_F(SiteManager, DriveModeWithNoSiteRunsTheWizardAndMapsTheNewSite) {
  Boxes boxes;
  std::string mapText;
  vqSiteParams site(3);
  DWORD self = GetCurrentThreadId();
  int r = static_cast<int>(ui::WithDriver(
      "FTP Site Manager", [&] { return site.SITE_Manager("q", "FTP.Example.COM", nullptr); },
      [&](HWND dlg) {
        mapText = ui::ItemText(dlg, IDC_SM_MAP);
        HWND wizard = nullptr;
        WaitFor([&] {
          wizard = ui::WaitForWindow(self, "FTP Site Wizard", 50);
          return wizard != nullptr;
        });
        if (!wizard) return;
        HWND first = WaitPage(wizard);
        Type(first, IDC_SM_URL, "ftp.example.com");
        Press(wizard, PSBTN_NEXT);
        HWND user = WaitPage(wizard, first);
        Press(wizard, PSBTN_NEXT);
        WaitPage(wizard, user);
        Press(wizard, PSBTN_FINISH);
      }));
  EXPECT_EQ("&Map to (Q)", mapText);
  EXPECT_EQ(1, r) << "the new site was chosen for the drive";
  EXPECT_STREQ("Example", site.GetSiteName());
  EXPECT_STREQ("Q", site.GetWendal());
  EXPECT_EQ("Q", values(HKEY_CURRENT_USER, key("FTP-Sites\\Example"))["wendal"]);
}

TEST_F(SiteManager, CategoryDialogRefusesAUsedNameRenamesWithItsSitesAndMakesNewCategories) {
  saveCategory(VQ_SITES_LIST, "Work");
  saveSite("FTP-Sites\\Work", "W1", "w1.example.com", 12);
  saveSite(VQ_SITES_LIST, "Beta", "beta.example.com", 14);
  Boxes boxes;
  std::string refusal, afterRename, afterNew, sheetTitle;
  DWORD self = GetCurrentThreadId();
  vqSiteParams site(2);
  ui::WithDriver(
      "FTP Site Manager", [&] { return site.SITE_Manager(nullptr); },
      [&](HWND dlg) {
        HWND tree = GetDlgItem(dlg, IDC_SM_TREE);
        select(tree, find(tree, "FTP-Sites\\Work"));
        PostMessageA(dlg, WM_COMMAND, IDC_SM_PROPS, 0);
        HWND cat = ui::WaitForWindow(self, "Category Information");
        Type(cat, IDC_SM_CAT_NAME, "beta");
        size_t seen = boxes.Count();
        PostMessageA(cat, WM_COMMAND, IDOK, 0);
        refusal = boxes.WaitAfter(seen);
        Type(cat, IDC_SM_CAT_NAME, "Jobs");
        Type(cat, IDC_SM_CAT_DESC, "paid work");
        PostMessageA(cat, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return find(tree, "FTP-Sites\\Jobs") != nullptr; });
        afterRename = children(tree, find(tree, "FTP-Sites"));

        select(tree, find(tree, "FTP-Sites"));
        PostMessageA(dlg, WM_COMMAND, IDC_SM_NEWCAT, 0);
        cat = ui::WaitForWindow(self, "Category Information");
        Type(cat, IDC_SM_CAT_NAME, "Fresh");
        PostMessageA(cat, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return find(tree, "FTP-Sites\\Fresh") != nullptr; });
        afterNew = children(tree, find(tree, "FTP-Sites"));

        select(tree, find(tree, "FTP-Sites\\Beta"));
        PostMessageA(dlg, WM_COMMAND, IDC_SM_PROPS, 0);
        HWND sheet = ui::WaitForWindow(self, "FTP Site Information");
        sheetTitle = ui::Text(sheet);
        Press(sheet, PSBTN_CANCEL);
        WaitFor([&] { return !IsWindow(sheet); });
        ui::Click(dlg, IDCANCEL);
      });
  EXPECT_EQ("There is already a category by this name; please select a different name for your category.", refusal);
  EXPECT_EQ("Beta|Jobs", afterRename);
  EXPECT_EQ("Beta|Fresh|Jobs", afterNew);
  EXPECT_EQ("FTP Site Information", sheetTitle);
  EXPECT_EQ("paid work", values(HKEY_CURRENT_USER, key("FTP-Sites\\Jobs"))["Description"]);
  EXPECT_EQ("w1.example.com", values(HKEY_CURRENT_USER, key("FTP-Sites\\Jobs\\W1"))["URL"]);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key("FTP-Sites\\Work")));
  EXPECT_EQ("Category", values(HKEY_CURRENT_USER, key("FTP-Sites\\Fresh"))[""]);
}
