#include "inJob.h"

#include <vector>

#include "inLocalNames.h"
#include "shellEnum.h"
#include "shellItems.h"
#include "thrdProgDlg.h"
#include "shellPaths.h"
#include "shellWideNames.h"
#include "vqAppParams.h"
#include "vqPidl.h"
#include "vqSafeName.h"
#include "vqString.h"

namespace {
const unsigned char kProgId = 2;  // the namespace extension

void ensureSlash(std::string& dir) {
  if (dir.empty() || dir.back() != '\\') dir += '\\';
}
}  // namespace

inTask::inTask(LPCITEMIDLIST source, LPCITEMIDLIST destination)
    : NameIsUtf8(false), IsMove(0), NotifyWindow(nullptr), Enumerator(nullptr), Source(nullptr), Destination(nullptr) {
  LocalDir = "\\";
  if (source) {
    Source = VQPIDL_Clone(source);
    std::string path, site;
    if (SiteKeySplit(source, path, site)) {
      vqSiteParams params(kProgId);
      if (params.SITE_LoadParams(path.c_str(), site.c_str()) && params.GetDefXferDir()[0]) {
        LocalDir = params.GetDefXferDir();
        ensureSlash(LocalDir);
      }
    }
    LPCITEMIDLIST last = VQPIDL_Last(source);
    Name = shellItemName(last);
    NameIsUtf8 = shellItemNameIsUtf8(last);
    SourceName = Name;
    RemotePath = Name;
  }
  if (destination) Destination = VQPIDL_Clone(destination);
}

inTask::~inTask() {
  SetEnumerator(nullptr);
  if (Source) VQPIDL_Free(Source);
  if (Destination) VQPIDL_Free(Destination);
}

std::wstring inTask::ShownName() const {
  if (!LocalFile.empty()) return LocalFile.substr(LocalFile.find_last_of(L'\\') + 1);
  return shellWideName(Name.c_str(), NameIsUtf8);
}

void inTask::SetEnumerator(shellEnum* target) {
  if (target) target->AddRef();
  if (Enumerator) Enumerator->Release();
  Enumerator = target;
}

namespace {
// Name inside dir (which ends with "\"), or "" when dir leaves it no room.
std::string safeIn(const std::string& dir, const std::string& name) {
  char safe[VQ_MAX_PATH];
  if (!VQSTR_SafeLocalName(name.c_str(), dir.size(), safe, sizeof safe)) return "";
  return dir + safe;
}

std::string withoutVersion(std::string name) {
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back(0);
  VQSTR_StripVersion(buf.data());
  return buf.data();
}

// "root.pub.docs.a.txt" from an item path string, without a version suffix.
std::string cachedFlatName(const std::string& itemPath) {
  std::string name = "root";
  for (size_t bar = itemPath.find('|'); bar != std::string::npos;) {
    const size_t next = itemPath.find('|', bar + 1);
    const std::string part = itemPath.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
    if (!part.empty()) name += "." + part;
    bar = next;
  }
  return withoutVersion(name);
}

// The cached copy: one folder per site under the cache root, one flat name per remote path
// ("root.pub.docs.a.txt"), so that every folder name keeps copies of equal names apart.
bool cachedPath(LPCITEMIDLIST source, std::string& out) {
  std::string path, site;
  if (!source || !SiteKeySplit(source, path, site)) return false;
  vqSiteParams params(kProgId);
  if (!params.SITE_LoadParams(path.c_str(), site.c_str())) return false;
  vqAppParams* app = VQSMGR_GetAppParams();
  std::string dir = app ? app->GetDefCacheDir() : "";
  if (dir.empty()) return false;
  ensureSlash(dir);
  std::string siteDir = safeIn(dir, std::string(params.GetURL()) + "(" + std::to_string(params.GetSiteId()) + ")");
  if (siteDir.empty()) return false;
  siteDir += '\\';
  std::string itemPath;
  if (!ItemPathString(source, itemPath)) return false;
  std::string file = safeIn(siteDir, cachedFlatName(itemPath));
  if (file.empty()) return false;
  out = file;
  return true;
}
}  // namespace

const char* inTask::GetLocalPath(int kind) {
  std::string dir = LocalDir;
  ensureSlash(dir);
  // A UTF-8 name gets its wide local name; a code-page name the toolkit's safe name, as before.
  auto take = [&](const inLocalName& n) {
    if (n.path.empty()) return;
    LocalPath = n.path;
    LocalReal = n.real;
  };
  switch (kind) {
    case IN_PATH_TARGET:
      take(inLocalFile(dir, Name, NameIsUtf8));
      break;
    case IN_PATH_LOCAL_COPY:
      take(inLocalFile(dir, withoutVersion(Name), NameIsUtf8));
      break;
    case IN_PATH_CACHED: {
      std::string path;
      if (cachedPath(Source, path)) {
        LocalDir = path.substr(0, path.rfind('\\') + 1);
        if (NameIsUtf8) {
          // The flat name joins UTF-8 names: it takes its wide form too.
          std::string itemPath;
          if (ItemPathString(Source, itemPath)) take(inLocalFileIn(LocalDir, cachedFlatName(itemPath)));
        } else {
          LocalPath = path;
          LocalReal.clear();
        }
      }
      break;
    }
    default:
      break;
  }
  return LocalPath.c_str();
}

inJob::inJob(int command, LPCITEMIDLIST item)
    : Command(command),
      Item(item ? VQPIDL_Clone(item) : nullptr),
      Done(nullptr),
      OwnsDone(false),
      Engine(nullptr),
      DestEngine(nullptr),
      Site(kProgId),
      SiteLoaded(false),
      ProgressType(0),
      ProgressThread(nullptr),
      CurrentFile(0),
      Extra(-1),
      m_namesUtf8(-1) {
  if (item && SiteKeySplit(item, SubPath, SiteName))
    SiteLoaded = Site.SITE_LoadParams(SubPath.c_str(), SiteName.c_str()) != 0;
}

inJob::~inJob() {
  for (inTask* task : Tasks) delete task;
  if (Item) VQPIDL_Free(Item);
  if (OwnsDone && Done) CloseHandle(Done);
}

void* inJob::Progress() const { return ProgressThread ? ProgressThread->Handle() : nullptr; }

bool inJob::NamesUtf8() {
  if (m_namesUtf8 < 0) m_namesUtf8 = Item && shellFolderNamesUtf8(Item) ? 1 : 0;
  return m_namesUtf8 == 1;
}
