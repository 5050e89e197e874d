// The site manager window: the tree of categories and sites under "FTP-Sites" with buttons to
// make, change, delete, import and refresh them, drag moves in the tree, and in its second mode
// the choice of a site for a drive mapping.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "vqDialog.h"

class vqSiteParams;

class dlgSiteManager : public vqDialog {
 public:
  // `result` is the object the window reports into; `drive` non-empty opens the mapping mode.
  dlgSiteManager(vqSiteParams* result, const char* drive, const char* url);
  ~dlgSiteManager() override;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  LRESULT OnNotify(NMHDR* header) override;
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  struct Node {
    std::string sub;   // the list holding the item ("" for the root)
    std::string name;  // "FTP-Sites" for the root
    bool category;
    bool root;
    std::string description;
  };
  void Fill(const char* selectSub = nullptr, const char* selectName = nullptr);
  HTREEITEM AddLevel(HTREEITEM parent, const std::string& list, int depth, const char* selectSub,
                     const char* selectName);
  HTREEITEM AddNode(HTREEITEM parent, const Node& node);
  Node* NodeOf(HTREEITEM item);
  Node* Selected();
  // The list new items go into: the selected category (or root), or the selected site's list.
  std::string TargetList(Node* node);
  void LayoutButtons();
  void NewSite();
  void NewCategory();
  void Properties();
  void Delete();
  void Import();
  void MapSelected();
  void EndDrag(POINT at);
  bool Move(Node* from, Node* to);

  vqSiteParams* m_result;
  char m_drive[8];
  char m_url[257];
  bool m_mapping;
  HWND m_tree;
  HIMAGELIST m_images;
  std::vector<Node*> m_nodes;
  HTREEITEM m_dragItem;
  HIMAGELIST m_dragImage;
};
