#include "shellPidl.h"

#include <string.h>

#include <vector>

#include "vqAppParams.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqHandles.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace {
const char kSource[] = "shellPidl";
const unsigned char kProgId = 2;  // the namespace extension

UINT g_formats[SHELL_FORMAT_COUNT];

void registerFormats() {
  static const bool once = [] {
    for (int k = 0; k < SHELL_FORMAT_COUNT; ++k) g_formats[k] = RegisterClipboardFormatA(kShellKindFormatNames[k]);
    return true;
  }();
  (void)once;
}

template <size_t N>
void setText(char (&field)[N], const char* src, size_t max) {
  size_t n = src ? strnlen(src, max < N - 1 ? max : N - 1) : 0;
  memcpy(field, src ? src : "", n);
  field[n] = 0;
}
}  // namespace

shellPidl::shellPidl(HINSTANCE module)
    : m_dropAllowed(false),
      m_rightDrag(false),
      m_largeIcon(-1),
      m_smallIcon(-1),
      m_module(module),
      m_current(nullptr),
      m_engine(nullptr) {
  m_text[0] = 0;
  registerFormats();
}

shellPidl::~shellPidl() {}

void shellPidl::SetFolder(LPCITEMIDLIST absolute) {
  m_folder = vqItemIdList::CopyOf(absolute);
  m_current = VQPIDL_Last(m_folder.Get());
}

LPCITEMIDLIST shellPidl::Resolve(LPCITEMIDLIST item) const {
  if (item) return item;
  if (m_current) return m_current;
  return VQPIDL_Last(m_folder.Get());
}

int shellPidl::GetDefaultCommand(LPCITEMIDLIST item) const {
  VQ_TRY
    vqAppParams* app = VQSMGR_GetAppParams();
    return shellDefaultCommand(Resolve(item), app ? app->GetDoubleClickAction() : 0);
  VQ_CATCH(kSource, SHELL_CMD_EXPLORE)
}

const char* shellPidl::GetColumnTitle(int column) {
  VQ_TRY
    int id = shellColumnTitleId(shellItemKind(VQPIDL_Last(GetFolder())), column);
    m_title = id ? VQ_TEXT(m_module, static_cast<unsigned>(id)) : "";
    return m_title.c_str();
  VQ_CATCH(kSource, "")
}

const char* shellPidl::GetColumnText(LPCITEMIDLIST item, int column, int forSorting) {
  return shellColumnText(Resolve(item), column, forSorting, m_text, sizeof m_text);
}

UINT shellPidl::ClipboardFormat(shellKindFormat format) {
  registerFormats();
  return format >= 0 && format < SHELL_FORMAT_COUNT ? g_formats[format] : 0;
}

UINT shellPidl::SelectionFormat(LPCITEMIDLIST run) { return ClipboardFormat(shellSelectionFormat(run)); }

long shellPidl::ItemsFromSiteStore(LPCITEMIDLIST folder, bool withWizard, shellItemSink sink, void* user) {
  long count = 0;
  VQ_TRY
    if (!sink) return 0;
    _FTPITEMID item;
    auto hand = [&](int kind, const char* name) {
      memset(&item, 0, sizeof item);
      item.cb = VQ_ITEMID_SIZE;
      item.kind = static_cast<int16_t>(kind);
      item.attributes = shellDefaultAttributes(kind);
      setText(item.name, name, sizeof item.name - 1);
    };
    if (withWizard) {
      hand(VQ_KIND_WIZARD, VQ_TEXT(m_module, IDS_TYPE_WIZARD));
      ++count;
      if (!sink(&item, user)) return count;
    }
    std::string key;
    if (!SiteKeyPath(folder, key)) key = "FTP-Sites";
    vqSiteParams store(kProgId);
    store.ENUM_SiteEnumerate(key.c_str());
    int n = store.ENUM_GetSiteCount();
    // Categories first, then sites, each group in store order.
    for (int pass = 0; pass < 2; ++pass) {
      for (int k = 0; k < n; ++k) {
        vqSiteParams* site = store.ENUM_GetSiteItem(k);
        if (!site || (site->GetIsCategory() ? 0 : 1) != pass) continue;
        hand(pass == 0 ? VQ_KIND_CATEGORY : VQ_KIND_FTPSITE, site->GetSiteName());
        setText(item.description, site->GetDescription(), 128);
        if (pass == 1) setText(item.url, site->GetURL(), 512);
        ++count;
        if (!sink(&item, user)) return count;
      }
    }
    return count;
  VQ_CATCH(kSource, count)
}

long shellPidl::ItemsFromLocalDir(const char* dir, shellItemSink sink, void* user) {
  long count = 0;
  VQ_TRY
    if (!dir || !sink) return 0;
    std::string pattern = dir;
    if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    vqFindHandle find(FindFirstFileA(pattern.c_str(), &found));
    if (!find.IsValid()) return 0;
    _FTPITEMID item;
    do {
      if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
      int kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? VQ_KIND_FOLDER : VQ_KIND_OBJECT;
      memset(&item, 0, sizeof item);
      item.cb = VQ_ITEMID_SIZE;
      item.kind = static_cast<int16_t>(kind);
      item.attributes = shellDefaultAttributes(kind);
      setText(item.name, found.cFileName, sizeof item.name - 1);
      item.size = found.nFileSizeLow;
      ++count;
      if (!sink(&item, user)) break;
    } while (FindNextFileA(find, &found));
    return count;
  VQ_CATCH(kSource, count)
}

bool shellPidl::RemotePath(LPCITEMIDLIST list, bool convertCase, std::string& out) const {
  VQ_TRY
    out.clear();
    if (!m_engine) return false;
    shellRemoteSite site = {m_engine->GetIRD(), m_engine->GetHostDelimChar(),
                            static_cast<int>(m_engine->GetHostType())};
    unsigned mode = 0;
    if (convertCase) {
      vqAppParams* app = VQSMGR_GetAppParams();
      mode = app ? app->GetConvertCase() : 0;
    }
    return ::RemotePath(list, &site, mode, out);
  VQ_CATCH(kSource, false)
}

bool shellPidl::ParentRemotePath(LPCITEMIDLIST list, std::string& out) const {
  VQ_TRY
    out.clear();
    if (!m_engine) return false;
    shellRemoteSite site = {m_engine->GetIRD(), m_engine->GetHostDelimChar(),
                            static_cast<int>(m_engine->GetHostType())};
    return ::ParentRemotePath(list, &site, out);
  VQ_CATCH(kSource, false)
}

bool shellPidl::CacheFileName(LPCITEMIDLIST list, bool parentOnly, std::string& out) const {
  VQ_TRY
    out.clear();
    std::string path, name;
    if (!SiteKeySplit(list, path, name)) return false;
    vqSiteParams params(kProgId);
    if (!params.SITE_LoadParams(path.c_str(), name.c_str())) return false;
    shellCacheSite site = {m_cacheDir.c_str(), params.GetURL(), params.GetSiteId()};
    std::string siteDir;
    if (!::CacheFileName(list, parentOnly, site, out, &siteDir)) return false;
    CreateDirectoryA(siteDir.c_str(), nullptr);
    return true;
  VQ_CATCH(kSource, false)
}

vqItemIdList shellPidl::WithChild(LPCITEMIDLIST list, int kind, const char* name) {
  _FTPITEMID* item = shellNewItem(kind, name);
  if (!item) return vqItemIdList();
  std::vector<BYTE> single(sizeof(_FTPITEMID) + 2, 0);
  memcpy(single.data(), item, sizeof(_FTPITEMID));
  shellFreeItem(item);
  return vqItemIdList(ILCombine(list, reinterpret_cast<LPCITEMIDLIST>(single.data())));
}
