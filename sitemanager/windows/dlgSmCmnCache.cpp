#include <initializer_list>

#include "dlgSmCmnCache.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "smModule.h"
#include "vqAppParams.h"
#include "vqFileApi.h"
#include "vqSMgrRes.h"
#include "vqSiteParams.h"

namespace {
const unsigned kMinSize = 5, kMaxSize = 4096;

// Cache type as two check boxes: 1 cache locally, 2 also clear before connecting.
void showType(dlgSmCmnPage* page, int local, int clear, unsigned type) {
  page->SetCheck(local, type >= 1);
  page->SetCheck(clear, type == 2);
}
unsigned typeOf(const dlgSmCmnPage* page, int local, int clear) {
  if (!page->GetCheck(local)) return 0;
  return page->GetCheck(clear) ? 2 : 1;
}

void clearSite(vqSiteParams* site, void* listings) {
  if (listings)
    site->SITE_ClearDirectoryCache(nullptr);
  else
    site->SITE_ClearFileCache(nullptr);
}
}  // namespace

dlgSmCmnCache::dlgSmCmnCache(unsigned char progId, vqCommonParams* params, vqSiteParams* site)
    : dlgSmCmnPage(IDD_SM_CACHE, "Caching", progId, params, site) {}

BOOL dlgSmCmnCache::OnInitDialog() {
  showType(this, IDC_SM_CA_DIRLOCAL, IDC_SM_CA_DIRCLEAR, m_params->GetDirCacheType());
  showType(this, IDC_SM_CA_FILELOCAL, IDC_SM_CA_FILECLEAR, m_params->GetFileCacheType());
  // Folder and size belong to the product as a whole: a site's sheet only shows them.
  vqAppParams* app = m_site ? VQSMGR_GetAppParams() : static_cast<vqAppParams*>(m_params);
  Limit(IDC_SM_CA_FOLDER, vqCommonParams::TEXT_LEN);
  Limit(IDC_SM_CA_SIZE, 4);
  SetText(IDC_SM_CA_FOLDER, app->GetDefCacheDir());
  SetNumber(IDC_SM_CA_SIZE, app->GetCacheSize());
  SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_SETRANGEMIN, FALSE, kMinSize);
  SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_SETRANGEMAX, FALSE, kMaxSize);
  SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_SETPAGESIZE, 0, 64);
  SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_SETPOS, TRUE, app->GetCacheSize());
  for (int id : {IDC_SM_CA_FOLDER, IDC_SM_CA_SIZE, IDC_SM_CA_SLIDER}) Enable(id, m_site == nullptr);
  ShowFreeSpace();
  return TRUE;
}

void dlgSmCmnCache::ShowFreeSpace() {
  char folder[vqCommonParams::TEXT_LEN + 1], text[vqCommonParams::TEXT_LEN + 64];
  GetText(IDC_SM_CA_FOLDER, folder, sizeof folder);
  if (!folder[0]) {
    SetText(IDC_SM_CA_FREE, "");
    return;
  }
  VQAPI_CreatePath(folder);
  ULARGE_INTEGER avail = {}, total = {}, free = {};
  if (!GetDiskFreeSpaceExA(folder, &avail, &total, &free)) {
    SetText(IDC_SM_CA_FREE, "");
    return;
  }
  // Named by its drive when it has one.
  char drive[3] = {static_cast<char>(toupper(static_cast<unsigned char>(folder[0]))), ':', 0};
  snprintf(text, sizeof text, "%s has %lu MB available.", folder[1] == ':' ? drive : folder,
           static_cast<unsigned long>(avail.QuadPart / (1024 * 1024)));
  SetText(IDC_SM_CA_FREE, text);
}

void dlgSmCmnCache::ClearCaches(bool listings) {
  if (m_site) {
    if (listings)
      m_site->SITE_ClearDirectoryCache(nullptr);
    else
      m_site->SITE_ClearFileCache(nullptr);
    return;
  }
  if (!SM_Ask(listings ? "Are you sure that you want to clear the 'directory listing' cache for all currently defined "
                         "FTP sites?"
                       : "Are you sure that you want to clear the 'file' cache for all currently defined FTP sites?"))
    return;
  SM_ForEachSite(VQ_SITES_LIST, clearSite, listings ? this : nullptr, m_progId);
}

BOOL dlgSmCmnCache::OnCommand(WORD id, WORD code, HWND control) {
  switch (id) {
    case IDC_SM_CA_CLEARDIRS:
      ClearCaches(true);
      return TRUE;
    case IDC_SM_CA_CLEARFILES:
      ClearCaches(false);
      return TRUE;
    case IDC_SM_CA_FOLDER:
      if (code == EN_KILLFOCUS) ShowFreeSpace();
      return TRUE;
    case IDC_SM_CA_SIZE:
      if (code == EN_CHANGE) {
        bool ok = false;
        unsigned long n = GetNumber(IDC_SM_CA_SIZE, &ok);
        if (ok && n >= kMinSize && n <= kMaxSize) SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_SETPOS, TRUE, n);
      }
      return TRUE;
  }
  return dlgSmCmnPage::OnCommand(id, code, control);
}

INT_PTR dlgSmCmnCache::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lp) == Item(IDC_SM_CA_SLIDER)) {
    SetNumber(IDC_SM_CA_SIZE,
              static_cast<unsigned long>(SendDlgItemMessageA(m_hWnd, IDC_SM_CA_SLIDER, TBM_GETPOS, 0, 0)));
    handled = true;
    return TRUE;
  }
  return dlgSmCmnPage::OnMessage(msg, wp, lp, handled);
}

bool dlgSmCmnCache::Validate() {
  if (m_site) return true;
  char folder[vqCommonParams::TEXT_LEN + 1];
  GetText(IDC_SM_CA_FOLDER, folder, sizeof folder);
  char* p = folder;
  while (*p == ' ') ++p;
  if (!*p) {
    SM_Warn("Please specify a folder");
    FocusOn(IDC_SM_CA_FOLDER);
    return false;
  }
  VQAPI_CreatePath(p);
  DWORD attributes = GetFileAttributesA(p);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SM_Warn("Please select a valid folder");
    FocusOn(IDC_SM_CA_FOLDER);
    return false;
  }
  unsigned long size = 0;
  return GetRanged(IDC_SM_CA_SIZE, kMinSize, kMaxSize, &size);
}

void dlgSmCmnCache::Save(vqCommonParams* to) {
  to->SetDirCacheType(typeOf(this, IDC_SM_CA_DIRLOCAL, IDC_SM_CA_DIRCLEAR));
  to->SetFileCacheType(typeOf(this, IDC_SM_CA_FILELOCAL, IDC_SM_CA_FILECLEAR));
  // Only the global set owns the folder and size; a site walk leaves them alone.
  if (m_site || to != m_params) return;
  auto* app = static_cast<vqAppParams*>(m_params);
  char folder[vqCommonParams::TEXT_LEN + 1];
  GetText(IDC_SM_CA_FOLDER, folder, sizeof folder);
  app->SetDefCacheDir(folder);
  app->SetCacheSize(GetNumber(IDC_SM_CA_SIZE));
}
