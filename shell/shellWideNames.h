// The Windows half of the remote names: wide names for what a person sees and for local files,
// the server's bytes for names typed or found on the local disk, and which encoding a site's
// folder takes. Items carry their listing's verdict (shellItemIsUtf8); a site reached before any
// listing (its root, a new folder's parent) asks the site's setting and what this process saw.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

// The wide name shown for a remote name's bytes: UTF-8 read as UTF-8 (ill-formed parts shown as
// U+FFFD), anything else in the system's code page as before.
std::wstring shellWideName(const char* raw, bool utf8);
// The wide name of a list's last item (category and site names are in the code page).
std::wstring shellItemWideName(LPCITEMIDLIST item);
// Text in the system's code page as wide text, and back. shellToCodePage fails (out empty) when a
// character has no exact form in the code page (no best-fit look-alikes, no "?").
std::wstring shellFromCodePage(const char* text);
bool shellToCodePage(const wchar_t* text, std::string& out);
// The bytes the server gets for a wide name: UTF-8 for a UTF-8 folder, else the code page. False
// (out empty) when the code page cannot carry the name.
bool shellServerName(const wchar_t* name, bool utf8, std::string& out);

// Text for the narrow windows (progress, status bar, messages): a wide name in the code page,
// with "?" for what it lacks, which reads better than UTF-8 bytes shown as code-page text.
std::string shellShownNarrow(const std::wstring& text);
// A remote name or path as those windows show it.
std::string shellShownName(const std::string& raw, bool utf8);
// A line the engine reports (status, log) that may hold the server's names: UTF-8 when the site's
// names are UTF-8 and the line reads as UTF-8 (the engine's own words are ASCII), else the code page.
std::wstring shellWideText(const char* text, bool utf8);

// Whether names sent into a site's folder (any list inside the site) go as UTF-8: the folder's
// own mark, else the site's setting, else what its listings showed in this process.
bool shellFolderNamesUtf8(LPCITEMIDLIST folder);
// Remembers what a listing of the site showed (only a UTF-8 verdict is kept: a listing of plain
// ASCII names says nothing).
void shellNoteSiteNamesUtf8(LPCITEMIDLIST folder, bool utf8);
