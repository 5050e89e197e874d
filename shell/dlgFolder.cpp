#include "dlgFolder.h"

#include <stdio.h>

#include "fh32_menusRes.h"
#include "inEngineMgr.h"
#include "shellApp.h"
#include "shellPidl.h"
#include "shellWideNames.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqString.h"

dlgFolder::dlgFolder(LPCITEMIDLIST folder)
    : vqDialog(shellApp::Module(), IDD_FOLDER, true), m_utf8(false), m_folder(vqItemIdList::CopyOf(folder)) {}

BOOL dlgFolder::OnInitDialog() {
  SendMessageW(Item(IDC_FOLDER_NAME), EM_LIMITTEXT, 255, 0);
  SetTextW(IDC_FOLDER_NAME, L"");
  return TRUE;
}

void dlgFolder::OnOK() {
  // A wide dialog, so a name the code page lacks is typed, kept and read whole.
  std::wstring trimmed = GetTextW(IDC_FOLDER_NAME);
  trimmed.erase(0, trimmed.find_first_not_of(L" \t"));
  trimmed.erase(trimmed.find_last_not_of(L" \t") + 1);
  HINSTANCE module = shellApp::Module();
  if (trimmed.empty()) return;
  LPCITEMIDLIST list = m_folder.Get();
  const bool utf8 = shellFolderNamesUtf8(list);
  std::string name;
  if (!shellServerName(trimmed.c_str(), utf8, name)) {
    VQ_MSG("The folder name holds characters that this server's names cannot carry (the system's code page "
           "lacks them).\n\nChoose another name, or set the site's Names to UTF-8 if the server takes UTF-8.",
           MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  char msg[2048];
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  // A connection busy with a transfer is not waited for: the user hears so at once.
  if (!engines.IsFree(list) || engines.LockAndConnect(list, 1) != 0) {
    VQ_MSG(VQ_TEXT(module, IDS_NO_SOCKET), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  vqFtpEngine* engine = engines.GetEngine(list, 1);
  shellPidl pidl(module);
  pidl.SetConnection(engine);
  std::string path;
  if (!engine || !pidl.RemotePath(list, false, path) || engine->FTP_CWD(path.c_str()) != 0) {
    engines.Release(list, 0);
    snprintf(msg, sizeof msg, VQ_TEXT(module, IDS_MKD_CWD_FAILED), path.c_str(), name.c_str());
    VQ_MSG(msg, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  unsigned long rc = engine->FTP_MKD(name.c_str());
  std::string why = rc ? engine->FTP_ErrorString(rc) : "";
  engines.Release(list, 0);
  if (rc) {
    snprintf(msg, sizeof msg, VQ_TEXT(module, IDS_MKD_FAILED), why.c_str());
    VQ_MSG(msg, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_name = name;
  m_utf8 = utf8;
  EndDialog(IDOK);
}
