// Shared ground of the site manager windows: the library's module, the standard boxes, the
// server-kind list and the walk over every site of the store.
#pragma once
#include <windows.h>

class vqSiteParams;

HINSTANCE _smModule();
// Window property of every site manager window: the program id it was opened with.
#define SM_PROGID_PROP "vqSMgr.ProgId"
// Validation failures and notices: OK with the exclamation icon.
void SM_Warn(const char* text);
// Yes/no questions with the exclamation icon; true on Yes.
bool SM_Ask(const char* text);
// printf into a bounded buffer, then SM_Warn / SM_Ask.
void SM_WarnF(const char* format, ...);
bool SM_AskF(const char* format, ...);

// Fills a drop-down list with the server kinds (index = host type - 2000) and selects `hostType`.
void SM_FillHostTypes(HWND combo, unsigned hostType);
unsigned SM_SelectedHostType(HWND combo);

// Calls `visit` for every site (not category) below `subPath`, categories entered down to a
// fixed depth; returns the number of sites visited.
typedef void (*SM_SITE_VISITOR)(vqSiteParams* site, void* context);
int SM_ForEachSite(const char* subPath, SM_SITE_VISITOR visit, void* context, unsigned char progId);

// Splits "a;b; c" into list box entries and joins them back.
void SM_ListFromText(HWND list, const char* text, char separator);
void SM_TextFromList(HWND list, char* out, unsigned size, char separator);
