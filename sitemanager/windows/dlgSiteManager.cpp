#include "dlgSiteManager.h"

#include <winnetwk.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "dlgSmCategory.h"
#include "smHelp.h"
#include "smModule.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
const int kMaxDepth = 32;
const UINT kRunWizard = WM_APP + 1;
enum { kImageRoot, kImageCategory, kImageSite };
const int kButtons[] = {IDC_SM_NEWSITE, IDC_SM_NEWCAT, IDC_SM_PROPS, IDC_SM_DELETE, IDC_SM_IMPORT, IDC_SM_REFRESH};
const char kProgIdProp[] = SM_PROGID_PROP;

typedef DWORD(APIENTRY* CancelConnectionFn)(LPCSTR, DWORD, BOOL);

// Unmaps a drive through the network provider's library, loaded only for this; returns the
// system's result.
DWORD cancelDrive(const char* drive) {
  HMODULE mpr = LoadLibraryA("MPR.DLL");
  if (!mpr) return GetLastError();
  auto cancel =
      reinterpret_cast<CancelConnectionFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "WNetCancelConnection2A")));
  DWORD r = cancel ? cancel(drive, CONNECT_UPDATE_PROFILE, TRUE) : ERROR_PROC_NOT_FOUND;
  FreeLibrary(mpr);
  return r;
}
}  // namespace

dlgSiteManager::dlgSiteManager(vqSiteParams* result, const char* drive, const char* url)
    : vqDialog(_smModule(), IDD_SM_MANAGER),
      m_result(result),
      m_mapping(drive && *drive),
      m_tree(nullptr),
      m_images(nullptr),
      m_dragItem(nullptr),
      m_dragImage(nullptr) {
  lstrcpynA(m_drive, drive ? drive : "", sizeof m_drive);
  CharUpperA(m_drive);
  lstrcpynA(m_url, url ? url : "", sizeof m_url);
  CharLowerA(m_url);
}

dlgSiteManager::~dlgSiteManager() {
  for (Node* n : m_nodes) delete n;
  if (m_images) ImageList_Destroy(m_images);
}

BOOL dlgSiteManager::OnInitDialog() {
  SetPropA(m_hWnd, kProgIdProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_result->GetProgId())));
  m_tree = Item(IDC_SM_TREE);
  m_images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (int id : {IDI_SMGR_ROOT, IDI_SMGR_CATEGORY, IDI_SMGR_SITE}) {
    HICON icon = static_cast<HICON>(LoadImageA(m_module, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    ImageList_AddIcon(m_images, icon);
    DestroyIcon(icon);
  }
  TreeView_SetImageList(m_tree, m_images, TVSIL_NORMAL);
  HICON big = static_cast<HICON>(LoadImageA(m_module, MAKEINTRESOURCEA(IDI_SMGR_ROOT), IMAGE_ICON, 32, 32, 0));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  LayoutButtons();
  Fill();
  if (m_mapping) {
    bool anySite = false;
    for (Node* n : m_nodes) anySite = anySite || (!n->root && !n->category);
    if (!anySite) PostMessageA(m_hWnd, kRunWizard, 0, 0);
  }
  return TRUE;
}

void dlgSiteManager::LayoutButtons() {
  if (m_mapping) {
    char text[64];
    snprintf(text, sizeof text, "&Map to (%s)", m_drive);
    SetText(IDC_SM_MAP, text);
    return;
  }
  // Without a drive the first button goes and the others move up into its place.
  HWND map = Item(IDC_SM_MAP);
  RECT first;
  GetWindowRect(map, &first);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&first), 2);
  ShowWindow(map, SW_HIDE);
  EnableWindow(map, FALSE);
  int y = first.top;
  for (int id : kButtons) {
    RECT r;
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    int step = r.bottom - r.top + (first.bottom - first.top) / 3;
    SetWindowPos(Item(id), nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    y += step;
  }
  SetText(IDCANCEL, "Close");
}

HTREEITEM dlgSiteManager::AddNode(HTREEITEM parent, const Node& node) {
  Node* copy = new Node(node);
  m_nodes.push_back(copy);
  TVINSERTSTRUCTA ins = {};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_SORT;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  ins.item.pszText = const_cast<char*>(copy->name.c_str());
  ins.item.lParam = reinterpret_cast<LPARAM>(copy);
  ins.item.iImage = ins.item.iSelectedImage = node.root ? kImageRoot : node.category ? kImageCategory : kImageSite;
  ins.item.cChildren = node.root || node.category ? 1 : 0;
  return reinterpret_cast<HTREEITEM>(SendMessageA(m_tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM dlgSiteManager::AddLevel(HTREEITEM parent, const std::string& list, int depth, const char* selectSub,
                                   const char* selectName) {
  HTREEITEM selected = nullptr;
  if (depth > kMaxDepth) return nullptr;
  vqSiteParams level(m_result->GetProgId());
  int n = level.ENUM_SiteEnumerate(list.c_str());
  for (int i = 0; i < n; ++i) {
    vqSiteParams* item = level.ENUM_GetSiteItem(i);
    Node node = {list, item->GetSiteName(), item->GetIsCategory() != 0, false, item->GetDescription()};
    HTREEITEM added = AddNode(parent, node);
    if (selectSub && selectName && lstrcmpiA(selectSub, list.c_str()) == 0 &&
        lstrcmpiA(selectName, node.name.c_str()) == 0)
      selected = added;
    if (node.category) {
      HTREEITEM inner = AddLevel(added, list + "\\" + node.name, depth + 1, selectSub, selectName);
      if (inner) selected = inner;
    }
  }
  return selected;
}

void dlgSiteManager::Fill(const char* selectSub, const char* selectName) {
  TreeView_DeleteAllItems(m_tree);
  for (Node* n : m_nodes) delete n;
  m_nodes.clear();
  Node rootNode = {"", VQ_SITES_LIST, true, true, ""};
  HTREEITEM root = AddNode(TVI_ROOT, rootNode);
  HTREEITEM selected = AddLevel(root, VQ_SITES_LIST, 0, selectSub, selectName);
  TreeView_Expand(m_tree, root, TVE_EXPAND);
  TreeView_SelectItem(m_tree, selected ? selected : root);
  if (selected) TreeView_EnsureVisible(m_tree, selected);
}

dlgSiteManager::Node* dlgSiteManager::NodeOf(HTREEITEM item) {
  if (!item) return nullptr;
  TVITEMA tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  if (!SendMessageA(m_tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
  return reinterpret_cast<Node*>(tv.lParam);
}

dlgSiteManager::Node* dlgSiteManager::Selected() { return NodeOf(TreeView_GetSelection(m_tree)); }

std::string dlgSiteManager::TargetList(Node* node) {
  if (!node || node->root) return VQ_SITES_LIST;
  if (node->category) return node->sub + "\\" + node->name;
  return node->sub;
}

void dlgSiteManager::NewSite() {
  vqSiteParams site(m_result->GetProgId());
  site.SetSiteSubPath(TargetList(Selected()).c_str());
  if (site.SITE_Wizard(m_hWnd)) Fill(site.GetSiteSubPath(), site.GetSiteName());
}

void dlgSiteManager::NewCategory() {
  vqSiteParams category(m_result->GetProgId());
  std::string list = TargetList(Selected());
  if (category.SITE_CategoryWizard(m_hWnd, list.c_str())) Fill(list.c_str(), category.GetSiteName());
}

void dlgSiteManager::Properties() {
  Node* node = Selected();
  if (!node || node->root) return;
  vqSiteParams item(m_result->GetProgId());
  if (!item.SITE_LoadParams(node->sub.c_str(), node->name.c_str())) {
    SM_Warn("Invalid Site Selection!");
    return;
  }
  int changed = 0;
  if (node->category) {
    dlgSmCategory dialog(&item, false);
    changed = dialog.DoModal(m_hWnd) == IDOK;
  } else {
    changed = item.SITE_Properties(m_hWnd);
  }
  if (changed) Fill(item.GetSiteSubPath(), item.GetSiteName());
}

void dlgSiteManager::Delete() {
  HTREEITEM selected = TreeView_GetSelection(m_tree);
  Node* node = NodeOf(selected);
  if (!node || node->root) return;
  vqSiteParams item(m_result->GetProgId());
  if (!item.SITE_LoadParams(node->sub.c_str(), node->name.c_str())) {
    SM_Warn("Invalid Site Selection!");
    return;
  }
  if (!SM_AskF("Are you sure that you want to delete the wendal site named '%s'?", node->name.c_str())) return;
  if (item.GetWendal()[0]) {
    char drive[8];
    lstrcpynA(drive, item.GetWendal(), sizeof drive - 1);
    if (!SM_AskF("This FTP site is currently in use by wendal and mapped to the [%s] drive. If you want to delete "
                 "this FTP site information, you will first need to unmap the drive.\n\nWould you like to unmap the "
                 "[%s] drive and delete the FTP site information?",
                 drive, drive))
      return;
    if (!strchr(drive, ':')) strcat(drive, ":");
    DWORD r = cancelDrive(drive);
    item.SetWendal("");
    item.SITE_SaveParams();
    if (r != NO_ERROR &&
        !SM_AskF("An error has occurred while attempting to disconnect from drive %s [Error=%d]. It is suggested that "
                 "you disconnect from the drive by right-clicking on the 'Network Neighborhood' desktop icon, then "
                 "select 'Disconnect'.\n\nDelete the site information anyway?",
                 drive, static_cast<int>(r)))
      return;
  }
  if (!item.SITE_Delete(node->sub.c_str(), node->name.c_str())) {
    SM_Warn("Unable to delete the FTP site information!");
    return;
  }
  TreeView_DeleteItem(m_tree, selected);
}

void dlgSiteManager::Import() {
  Node* node = Selected();
  vqSiteParams target(m_result->GetProgId());
  // The import goes into the category the object names.
  if (node && node->category && !node->root) {
    target.SetSiteSubPath(node->sub.c_str());
    target.SetSiteName(node->name.c_str());
  } else if (node && !node->root && node->sub != VQ_SITES_LIST) {
    std::string list = node->sub;
    size_t slash = list.rfind('\\');
    target.SetSiteSubPath(list.substr(0, slash).c_str());
    target.SetSiteName(list.substr(slash + 1).c_str());
  } else {
    target.SetSiteSubPath(VQ_SITES_LIST);
    target.SetSiteName("");
  }
  if (target.SITE_ImportWizard(m_hWnd)) Fill();
}

void dlgSiteManager::MapSelected() {
  Node* node = Selected();
  if (!node || node->root || node->category || !m_result->SITE_LoadParams(node->sub.c_str(), node->name.c_str())) {
    SM_Warn("Invalid Site Selection!");
    return;
  }
  m_result->SetWendal(m_drive);
  if (!m_result->SITE_SaveParams()) {
    SM_Warn("Unable to save FTP site information!");
    return;
  }
  EndDialog(IDOK);
}

bool dlgSiteManager::Move(Node* from, Node* to) {
  std::string list = TargetList(to);
  if (lstrcmpiA(list.c_str(), from->sub.c_str()) == 0) return false;
  vqSiteParams store(m_result->GetProgId());
  std::string name = from->name;
  if (store.SITE_Exists(list.c_str(), name.c_str())) name = "Copy of " + name;
  if (!SM_AskF("Are you sure you want to move\n%s\\%s\nto\n%s\\%s ?", from->sub.c_str(), from->name.c_str(),
               list.c_str(), name.c_str()))
    return true;
  if (!store.SITE_Rename(from->sub.c_str(), from->name.c_str(), list.c_str(), name.c_str())) {
    SM_Warn("Unable to save FTP site information!");
    Fill();
    return true;
  }
  Fill(list.c_str(), name.c_str());
  return true;
}

void dlgSiteManager::EndDrag(POINT at) {
  HTREEITEM dragged = m_dragItem;
  m_dragItem = nullptr;
  ImageList_DragLeave(m_tree);
  ImageList_EndDrag();
  if (m_dragImage) ImageList_Destroy(m_dragImage);
  m_dragImage = nullptr;
  ReleaseCapture();
  TreeView_SelectDropTarget(m_tree, nullptr);
  MapWindowPoints(m_hWnd, m_tree, &at, 1);
  TVHITTESTINFO hit = {at, 0, nullptr};
  HTREEITEM target = TreeView_HitTest(m_tree, &hit);
  Node* from = NodeOf(dragged);
  Node* to = NodeOf(target);
  bool allowed = from && to && !from->root && to->category && target != dragged;
  // A category cannot go into itself or anything inside it.
  for (HTREEITEM up = target; allowed && up; up = TreeView_GetParent(m_tree, up)) allowed = up != dragged;
  if (!allowed || !Move(from, to)) SM_Warn("You cannot drop that there!");
}

LRESULT dlgSiteManager::OnNotify(NMHDR* header) {
  if (header->idFrom != IDC_SM_TREE) return 0;
  switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      Node* node = Selected();
      SetText(IDC_SM_DESCTEXT, node ? node->description.c_str() : "");
      bool item = node && !node->root;
      EnableWindow(Item(IDC_SM_PROPS), item);
      EnableWindow(Item(IDC_SM_DELETE), item);
      if (m_mapping) EnableWindow(Item(IDC_SM_MAP), item && !node->category);
      return 0;
    }
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      Node* node = NodeOf(nm->itemNew.hItem);
      if (!node || node->root) return 0;
      m_dragItem = nm->itemNew.hItem;
      m_dragImage = TreeView_CreateDragImage(m_tree, m_dragItem);
      if (m_dragImage) {
        ImageList_BeginDrag(m_dragImage, 0, 0, 0);
        ImageList_DragEnter(m_tree, nm->ptDrag.x, nm->ptDrag.y);
      }
      SetCapture(m_hWnd);
      return 0;
    }
    case NM_DBLCLK:
      if (Node* node = Selected())
        if (!node->root && !node->category) {
          if (m_mapping)
            MapSelected();
          else
            Properties();
          return 1;
        }
      return 0;
  }
  return 0;
}

INT_PTR dlgSiteManager::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = true;
  switch (msg) {
    case kRunWizard: {
      // The dialog shows itself only once its queue is idle: show it now, behind the wizard.
      ShowWindow(m_hWnd, SW_SHOW);
      UpdateWindow(m_hWnd);
      vqSiteParams site(m_result->GetProgId());
      if (site.SITE_Wizard(m_hWnd)) {
        Fill(site.GetSiteSubPath(), site.GetSiteName());
        MapSelected();
      }
      return TRUE;
    }
    case WM_MOUSEMOVE:
      if (m_dragItem) {
        POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        MapWindowPoints(m_hWnd, m_tree, &at, 1);
        ImageList_DragMove(at.x, at.y);
        TVHITTESTINFO hit = {at, 0, nullptr};
        HTREEITEM over = TreeView_HitTest(m_tree, &hit);
        ImageList_DragShowNolock(FALSE);
        TreeView_SelectDropTarget(m_tree, over);
        ImageList_DragShowNolock(TRUE);
        return TRUE;
      }
      break;
    case WM_LBUTTONUP:
      if (m_dragItem) {
        POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        EndDrag(at);
        return TRUE;
      }
      break;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (m_dragItem && msg == WM_CANCELMODE) {
        m_dragItem = nullptr;
        ImageList_EndDrag();
        ReleaseCapture();
      }
      break;
    case WM_DESTROY:
      RemovePropA(m_hWnd, kProgIdProp);
      break;
  }
  handled = SM_HandleHelpMessage(m_hWnd, msg, wp, lp);
  return handled;
}

BOOL dlgSiteManager::OnCommand(WORD id, WORD code, HWND control) {
  switch (id) {
    case IDC_SM_MAP:
      MapSelected();
      return TRUE;
    case IDC_SM_NEWSITE:
      NewSite();
      return TRUE;
    case IDC_SM_NEWCAT:
      NewCategory();
      return TRUE;
    case IDC_SM_PROPS:
      Properties();
      return TRUE;
    case IDC_SM_DELETE:
      Delete();
      return TRUE;
    case IDC_SM_IMPORT:
      Import();
      return TRUE;
    case IDC_SM_REFRESH: {
      Node* node = Selected();
      std::string sub = node ? node->sub : "", name = node ? node->name : "";
      Fill(sub.c_str(), name.c_str());
      return TRUE;
    }
  }
  return vqDialog::OnCommand(id, code, control);
}
