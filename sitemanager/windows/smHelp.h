// Context help of the site manager windows: the help of a control is a text of the library's
// string table (id = control id + IDS_HELP_BASE), shown in a small pop-up window beside it
// for F1 and for a right-click.
#pragma once
#include <windows.h>

// Handles WM_HELP and WM_CONTEXTMENU for a dialog; true when the message was consumed.
bool SM_HandleHelpMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
// Shows the help text of `control` (a child of a site manager dialog) at `at` (screen point);
// false when the control has no text. The pop-up closes on the next click or key.
bool SM_ShowControlHelp(HWND control, POINT at);
// The pop-up window shown last (for tests), or null.
HWND SM_HelpPopup();
