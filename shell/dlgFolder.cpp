#include "dlgFolder.h"

#include <stdio.h>

#include "fh32_menusRes.h"
#include "inEngineMgr.h"
#include "shellApp.h"
#include "shellPidl.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqString.h"

dlgFolder::dlgFolder(LPCITEMIDLIST folder)
    : vqDialog(shellApp::Module(), IDD_FOLDER), m_folder(vqItemIdList::CopyOf(folder)) {}

BOOL dlgFolder::OnInitDialog() {
  SendMessageA(Item(IDC_FOLDER_NAME), EM_LIMITTEXT, 255, 0);
  SetText(IDC_FOLDER_NAME, "");
  return TRUE;
}

void dlgFolder::OnOK() {
  char text[512] = "";
  GetText(IDC_FOLDER_NAME, text, sizeof text);
  std::string name = VQSTR_Trim(text);
  HINSTANCE module = shellApp::Module();
  if (name.empty()) return;
  char msg[2048];
  inEngineMgr& engines = shellApp::Get().GetEngineManager();
  LPCITEMIDLIST list = m_folder.Get();
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
  EndDialog(IDOK);
}
