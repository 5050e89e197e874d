#include "dlgSmAppParams.h"

#include "dlgFh32AppFileXfer.h"
#include "dlgFh32AppGeneral.h"
#include "dlgSmAppLogFiles.h"
#include "dlgZmpAppGeneral.h"
#include "dlgSmCmnCache.h"
#include "dlgSmCmnFileDisplay.h"
#include "dlgSmCmnFirewall.h"
#include "dlgSmCmnIdxFiles.h"
#include "dlgSmCmnSocket.h"
#include "dlgSmSiteGeneral.h"
#include "dlgSmSiteHostInfo.h"
#include "dlgSmSiteUser.h"
#include "dlgSmSiteWizard.h"
#include "smModule.h"
#include "vqAppParams.h"
#include "vqSiteParams.h"

namespace {
const unsigned char kDriveMapping = 3;

int handOver(std::vector<std::unique_ptr<dlgSmPage>>& pages, LPFNADDPROPSHEETPAGE add, LPARAM data,
             unsigned long* refCount) {
  for (auto& page : pages) {
    HPROPSHEETPAGE h = page->CreatePage(reinterpret_cast<UINT*>(refCount));
    if (h && !add(h, data)) DestroyPropertySheetPage(h);
  }
  return 1;
}
}  // namespace

dlgSmAppParams::dlgSmAppParams(unsigned char progId, vqAppParams* app) : m_progId(progId), m_app(app) {
  if (progId == kDriveMapping) {
    m_pages.emplace_back(new dlgZmpAppGeneral(progId, app));
  } else {
    m_pages.emplace_back(new dlgFh32AppGeneral(progId, app));
    m_pages.emplace_back(new dlgFh32AppFileXfer(progId, app));
  }
  m_pages.emplace_back(new dlgSmCmnFirewall(progId, app, nullptr));
  m_pages.emplace_back(new dlgSmCmnIdxFiles(progId, app, nullptr));
  m_pages.emplace_back(new dlgSmCmnFileDisplay(progId, app, nullptr));
  m_pages.emplace_back(new dlgSmCmnCache(progId, app, nullptr));
  m_pages.emplace_back(new dlgSmCmnSocket(progId, app, nullptr));
  m_pages.emplace_back(new dlgSmAppLogFiles(progId, app));
}

dlgSmAppParams::~dlgSmAppParams() = default;

bool dlgSmAppParams::saveNow(void* self) {
  auto* sheet = static_cast<dlgSmAppParams*>(self);
  if (sheet->m_app->APP_SaveParams()) return true;
  SM_Warn("Unable to save the settings!");
  return false;
}

int dlgSmAppParams::Run(HWND parent) {
  vqPropSheet sheet(m_progId == kDriveMapping ? "Drive Mapping Settings" : "Farhollow Settings", parent, _smModule());
  for (auto& page : m_pages) sheet.AddPage(page.get());
  if (sheet.DoModal() <= 0) return 0;
  return saveNow(this) ? 1 : 0;
}

int dlgSmAppParams::AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount) {
  for (auto& page : m_pages) page->SetApplyHook(saveNow, this);
  return handOver(m_pages, add, data, refCount);
}

dlgSmSitePages::dlgSmSitePages(vqSiteParams* site) : m_site(site), m_work(new vqSiteParams(site->GetProgId())) {
  vqSiteParams* w = m_work.get();
  unsigned char id = site->GetProgId();
  dlgSmSiteWizard::CopySite(w, site);
  m_pages.emplace_back(new dlgSmSiteGeneral(w, site->GetSiteName(), id));
  m_pages.emplace_back(new dlgSmSiteUser(w, id, false));
  m_pages.emplace_back(new dlgSmCmnFirewall(id, w, w));
  m_pages.emplace_back(new dlgSmCmnFileDisplay(id, w, w));
  m_pages.emplace_back(new dlgSmCmnCache(id, w, w));
  m_pages.emplace_back(new dlgSmCmnSocket(id, w, w));
  m_pages.emplace_back(new dlgSmSiteHostInfo(w, id, false));
}

dlgSmSitePages::~dlgSmSitePages() = default;

bool dlgSmSitePages::saveNow(void* self) {
  auto* pages = static_cast<dlgSmSitePages*>(self);
  dlgSmSiteWizard saver(pages->m_site, nullptr);
  return saver.SaveEdited(pages->m_work.get()) != 0;
}

int dlgSmSitePages::AddPages(LPFNADDPROPSHEETPAGE add, LPARAM data, unsigned long* refCount) {
  for (auto& page : m_pages) page->SetApplyHook(saveNow, this);
  return handOver(m_pages, add, data, refCount);
}
