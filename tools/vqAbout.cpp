#include "vqAbout.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "vqCatch.h"
#include "vqDialog.h"
#include "vqMsg.h"
#include "vqToolsRes.h"
#include "vqVersion.h"

namespace {
class dlgAbout : public vqDialog {
 public:
  explicit dlgAbout(const char* path) : vqDialog(vqToolsModule(), IDD_ABOUT), m_version(path) {}

 protected:
  BOOL OnInitDialog() override {
    m_version.VerGetInfo();
    const char* product = m_version.VerGetText(vqVersion::ProductName);
    const char* name = product[0] ? product : m_version.VerGetPath();
    char text[600];
    snprintf(text, sizeof text, VQ_TEXT(m_module, IDS_ABOUT_TITLE), name);
    SetWindowTextA(m_hWnd, text);
    SetText(IDC_ABOUT_PRODUCT, product);
    SetText(IDC_ABOUT_DESCRIPTION, m_version.VerGetText(vqVersion::FileDescription));
    SetText(IDC_ABOUT_COPYRIGHT, m_version.VerGetText(vqVersion::LegalCopyright));
    unsigned short parts[4];
    for (int i = 0; i < 4; ++i) parts[i] = m_version.VerGetProductVersion(i + 1);
    vqAbout::FormatVersion(text, sizeof text, parts, m_version.VerGetFileVersion(4),
                           m_version.VerGetText(vqVersion::PrivateBld)[0] != '\0');
    SetText(IDC_ABOUT_VERSION, text);
    SetText(IDC_ABOUT_WARNING, VQ_TEXT(m_module, IDS_ABOUT_WARNING));
    HWND anim = Item(IDC_ABOUT_ANIMATE);
    Animate_OpenEx(anim, m_module, MAKEINTRESOURCEA(IDA_ABOUT));
    Animate_Play(anim, 0, -1, -1);  // in a loop until the box closes
    return TRUE;
  }

 private:
  vqVersion m_version;
};
}  // namespace

void vqAbout::FormatVersion(char* out, int size, const unsigned short product[4], unsigned short build, bool beta) {
  if (!out || size <= 0) return;
  HINSTANCE self = vqToolsModule();
  if (beta) {
    snprintf(out, static_cast<size_t>(size), VQ_TEXT(self, IDS_ABOUT_VERSION_BETA), (unsigned long)product[0],
             (unsigned long)product[1], (unsigned long)product[2], (unsigned long)build);
    return;
  }
  snprintf(out, static_cast<size_t>(size), VQ_TEXT(self, IDS_ABOUT_VERSION), (unsigned long)product[0],
           product[1] * 10 + product[2]);
  // Minor and patch share two digits: 2.1.0 reads "2.10", shown as "2.1".
  size_t n = strlen(out);
  if (n && out[n - 1] == '0') out[n - 1] = '\0';
}

INT_PTR vqAbout::DoAbout(HINSTANCE module, HWND parent) {
  VQ_TRY
    char path[MAX_PATH];
    if (!GetModuleFileNameA(module, path, sizeof path)) return -1;
    return DoAbout(path, parent);
  VQ_CATCH("dlgAbout", -1)
}

INT_PTR vqAbout::DoAbout(const char* modulePath, HWND parent) {
  VQ_TRY
    dlgAbout box(modulePath);
    return box.DoModal(parent);
  VQ_CATCH("dlgAbout", -1)
}
