#pragma once
// The help: an HTML Help file next to the program (its path with ".CHM"), built from the
// pages in help/, which are also copied beside the program as plain HTML.
// Caveat: Wine's help viewer shows the contents but no pages (it has no HTML engine on
// Debian), so under Wine the same pages are opened in the host's browser as well.

#include <windows.h>

#include <string>

/// The executable's path with its extension replaced by ".CHM".
std::wstring HelpFilePath();
/// The first page of the loose HTML copy of the help ("help\index.html" beside the program).
std::wstring HelpIndexPagePath();
/// Opens a help file in the HTML Help viewer with the game's title as its caption; returns the
/// viewer's window (null when it did not open).
HWND OpenHelpViewer(HWND owner, const std::wstring& file);
/// Opens the help file in the HTML Help viewer and, under Wine, the pages in the host's browser.
void OpenHelp(HWND owner);
