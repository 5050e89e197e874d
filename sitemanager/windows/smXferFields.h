// The transfer settings shown on two application pages (the drive-mapping "General" and
// "File Transfer"): transfer mode, file name case and the extensions sent as text.
#pragma once
#include "vqDialog.h"

class vqAppParams;

namespace smXferFields {
void Load(vqDialog* page, vqAppParams* app);
// Add and Remove of the extension list; true when `id` was one of them.
bool Command(vqDialog* page, WORD id);
void Save(vqDialog* page, vqAppParams* app);
// The extension typed, checked and completed as the list wants it: "" when refused (after the
// fault was shown); `out` holds at least 64 bytes.
bool CheckExtension(const char* typed, HWND list, char* out, unsigned size);
}  // namespace smXferFields
