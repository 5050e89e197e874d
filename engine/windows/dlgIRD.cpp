#include "dlgIRD.h"

#include <string>

#include "vqCatch.h"
#include "vqEngineIrdRes.h"
#include "vqEngineModule.h"
#include "vqResults.h"
#include "vqFtpEngine.h"
#include "vqMsg.h"

dlgIRD::dlgIRD(vqFtpEngine* engine, const char* directory) : vqDialog(vqEngineModule(), IDD_IRD), m_engine(engine) {
  lstrcpynA(m_dir, directory ? directory : "", DirSize);
}

BOOL dlgIRD::OnInitDialog() {
  SendDlgItemMessageA(m_hWnd, IDC_IRD_DIR, EM_LIMITTEXT, DirSize - 1, 0);
  SetText(IDC_IRD_DIR, m_dir);
  return TRUE;
}

void dlgIRD::OnOK() {
  GetText(IDC_IRD_DIR, m_dir, DirSize);
  unsigned long r = m_engine ? m_engine->FTP_CWD(m_dir) : VQFTP_NOT_CONNECTED;
  if (r == 0) {
    EndDialog(IDOK);
    return;
  }
  // The message's own texts may hold '%': fill the two places by hand.
  std::string text = VQ_TEXT(vqEngineModule(), IDS_IRD_FAILED);
  const std::string fill[2] = {m_dir, m_engine ? m_engine->FTP_ErrorString(r) : ""};
  for (const std::string& f : fill) {
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, f);
  }
  if (VQ_MSG(text.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL) {
    m_dir[0] = 0;
    EndDialog(IDOK);
  }
}
