#include "dlgObjPropSheet.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "fh32_menusRes.h"
#include "inEngineMgr.h"
#include "shellApp.h"
#include "shellCommands.h"
#include "shellPidl.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqString.h"

namespace {
const char kSource[] = "dlgObjPropSheet";
// Box control of each permission flag, in the item's flag order.
const int kBoxIds[SHELL_PERM_BOXES] = {
    IDC_OBJ_OWNER_READ, IDC_OBJ_OWNER_WRITE, IDC_OBJ_OWNER_EXEC, IDC_OBJ_OWNER_DELETE,
    IDC_OBJ_GROUP_READ, IDC_OBJ_GROUP_WRITE, IDC_OBJ_GROUP_EXEC, IDC_OBJ_GROUP_DELETE,
    IDC_OBJ_WORLD_READ, IDC_OBJ_WORLD_WRITE, IDC_OBJ_WORLD_EXEC, IDC_OBJ_WORLD_DELETE,
};

std::string sizeText(uint64_t size, bool total) {
  char digits[32], shortText[VQSTR_SIZE_BUF], longText[VQSTR_SIZE_BUF];
  snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(size));
  VQSTR_FormatSize(digits, shortText, 1);
  VQSTR_FormatSize(digits, longText, 0);
  char out[128];
  snprintf(out, sizeof out, total ? "Total of %s (%s Bytes)" : "%s (%s Bytes)", shortText, longText);
  return out;
}

LPCITEMIDLIST asList(const std::vector<unsigned char>& record) {
  return reinterpret_cast<LPCITEMIDLIST>(record.data());
}
const _FTPITEMID* asItem(const std::vector<unsigned char>& record) { return shellOwnItem(asList(record)); }
}  // namespace

dlgObjPropSingle::dlgObjPropSingle(LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items, bool selfDeleting)
    : vqPropPage(shellApp::Module(), IDD_OBJPROP),
      m_folder(vqItemIdList::CopyOf(folder)),
      m_selfDeleting(selfDeleting) {
  for (UINT i = 0; i < count; ++i) {
    const _FTPITEMID* it = items ? shellOwnItem(items[i]) : nullptr;
    if (!it || !shellIsRemoteKind(it->kind)) continue;
    std::vector<unsigned char> record(sizeof(_FTPITEMID) + 2, 0);
    memcpy(record.data(), it, sizeof(_FTPITEMID));
    m_items.push_back(std::move(record));
  }
}

void dlgObjPropSingle::OnFinalMessage() {
  if (m_selfDeleting) delete this;
}

BOOL dlgObjPropSingle::OnInitDialog() {
  VQ_TRY
    Fill();
  VQ_CATCH_VOID(kSource)
  return TRUE;
}

void dlgObjPropSingle::Fill() {
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  vqFtpEngine* engine = engines.GetEngine(m_folder.Get(), 1);
  shellPidl pidl(shellApp::Module());
  pidl.SetConnection(engine);
  int hostType = 0;
  if (engine) {
    SetText(IDC_OBJ_DOMAIN, engine->GetURL());
    hostType = static_cast<int>(engine->GetHostType());
  }
  std::string path;
  pidl.RemotePath(m_folder.Get(), false, path);
  SetText(IDC_OBJ_PATH, path.c_str());

  std::vector<const _FTPITEMID*> records;
  for (auto& r : m_items) records.push_back(asItem(r));
  shellObjectSummary sum;
  shellSummarize(records.data(), static_cast<int>(records.size()), sum);
  for (int b = 0; b < SHELL_PERM_BOXES; ++b) SendMessageA(Item(kBoxIds[b]), BM_SETCHECK, sum.boxes[b], 0);
  SetText(IDC_OBJ_GROUP, sum.group);
  SetText(IDC_OBJ_OWNER, sum.owner);

  if (records.size() == 1) {
    const _FTPITEMID* it = records[0];
    LPCITEMIDLIST one = shellAsItemId(it);
    std::string name = shellItemName(one);
    bool link = shellIsLinkKind(it->kind);
    if (link) name += std::string(" -> ") + shellItemLinkTarget(one);
    // The name (and the folder's path) as a person reads them: wide for a UTF-8 server.
    const bool utf8 = shellItemIsUtf8(it);
    SetDlgItemTextW(m_hWnd, IDC_OBJ_NAME, shellWideName(name.c_str(), utf8).c_str());
    if (utf8) SetDlgItemTextW(m_hWnd, IDC_OBJ_PATH, shellWideName(path.c_str(), true).c_str());
    std::string type = shellIsFolderLikeKind(it->kind) ? " Directory" : " Object";
    if (link) type += " Link";
    SetText(IDC_OBJ_TYPE, type.c_str());
    SetText(IDC_OBJ_SIZE, sizeText(sum.totalSize, false).c_str());
    SetText(IDC_OBJ_DATE, shellItemDateText(one));
  } else {
    char line[128];
    snprintf(line, sizeof line, "%d Files, %d Folders, %d Links", sum.files, sum.folders, sum.links);
    SetText(IDC_OBJ_NAME, line);
    SetText(IDC_OBJ_SIZE, sizeText(sum.totalSize, true).c_str());
  }

  // The icon the shell shows for such a name.
  SHFILEINFOA info;
  bool folder = !records.empty() && shellIsFolderLikeKind(records[0]->kind);
  const char* iconName = records.size() == 1 ? shellItemName(shellAsItemId(records[0])) : "x";
  if (SHGetFileInfoA(iconName, folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_ICON | SHGFI_LARGEICON | SHGFI_USEFILEATTRIBUTES))
    SendMessageA(Item(IDC_OBJ_ICON), STM_SETICON, reinterpret_cast<WPARAM>(info.hIcon), 0);

  // Bracket-path hosts have no UNIX permissions to change.
  bool bracket = shellIsBracketHost(hostType);
  for (int id : kBoxIds) EnableWindow(Item(id), !bracket);
  EnableWindow(Item(IDC_OBJ_CHMOD), !bracket && !records.empty());
}

BOOL dlgObjPropSingle::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_OBJ_CHMOD && code == BN_CLICKED) {
    VQ_TRY
      ChangePermissions();
    VQ_CATCH_VOID(kSource)
    return TRUE;
  }
  return vqPropPage::OnCommand(id, code, control);
}

void dlgObjPropSingle::ChangePermissions() {
  HINSTANCE module = shellApp::Module();
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  LPCITEMIDLIST folder = m_folder.Get();
  if (engines.LockAndConnect(folder, 1) != 0) {
    VQ_MSG(VQ_TEXT(module, IDS_NO_SOCKET), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  vqFtpEngine* engine = engines.GetEngine(folder, 1);
  shellPidl pidl(module);
  pidl.SetConnection(engine);
  int boxes[SHELL_PERM_BOXES];
  for (int b = 0; b < SHELL_PERM_BOXES; ++b)
    boxes[b] = static_cast<int>(SendMessageA(Item(kBoxIds[b]), BM_GETCHECK, 0, 0));
  std::string failure;
  for (size_t i = 0; engine && i < m_items.size(); ++i) {
    vqItemIdList full(ILCombine(folder, asList(m_items[i])));
    std::string path;
    if (!full.Get() || !pidl.RemotePath(full.Get(), false, path)) {
      failure = "The remote path of the item is not known.";
      break;
    }
    // A name with a line break would let a server's name add commands of its own.
    if (path.find_first_of("\r\n") != std::string::npos) {
      failure = "The name of the item contains a line break; its permissions cannot be changed.";
      break;
    }
    char digits[4];
    shellChmodDigits(boxes, asItem(m_items[i]), digits);
    std::string command = std::string("SITE chmod ") + digits + " " + path;
    unsigned long rc = engine->FTP_SendCmd(command.c_str(), 0);
    if (rc) {
      failure = engine->FTP_ErrorString(rc);
      break;
    }
    // The record follows what the server now holds.
    _FTPITEMID* it = shellOwnItem(reinterpret_cast<LPITEMIDLIST>(m_items[i].data()));
    for (int who = 0; who < 3; ++who)
      for (int bit = 0; bit < 3; ++bit) it->permFlags[who * 4 + bit] = ((digits[who] - '0') >> (2 - bit)) & 1;
  }
  engines.Release(folder, 0);
  if (!engine) failure = VQ_TEXT(module, IDS_NO_SOCKET);
  if (failure.empty()) {
    shellApp::Get().GetEnumManager().Flush(folder);
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST | SHCNF_FLUSH, folder, nullptr);
    VQ_MSG("Command executed successfully.", MB_OK | MB_ICONEXCLAMATION);
    EnableWindow(Item(IDC_OBJ_CHMOD), FALSE);
  } else {
    VQ_MSG(failure.c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
}

INT_PTR dlgObjPropSheet::Show(HWND owner, LPCITEMIDLIST folder, UINT count, const LPCITEMIDLIST* items) {
  VQ_TRY
    dlgObjPropSingle page(folder, count, items);
    vqPropSheet sheet(VQ_TEXT(shellApp::Module(), IDS_OBJPROP_TITLE), owner, shellApp::Module());
    sheet.AddPage(&page);
    return sheet.DoModal();
  VQ_CATCH(kSource, -1)
}
