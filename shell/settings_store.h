#pragma once
// The user's settings, player names and champion table, and their one registry key
// (HKEY_CURRENT_USER "Software\Tessaron" for the game). The form owns a Settings, loads it once
// while it is created and saves it once while it is destroyed; in between only memory changes.

#include "game/champion_table.h"
#include "game/player_names.h"

#include <windows.h>

#include <string>

constexpr char kSettingsKeyPath[] = "Software\\Tessaron";

/// The settings as the form holds them. The initial values here are the ones in force when the
/// key cannot be opened; they differ on purpose from the defaults for missing values.
struct Settings {
    RECT frameRect{}; ///< the frame's restored rectangle (left, top, right, bottom)
    std::string PathPicture = "background.jpg";
    DWORD NumberRotate = 3;
    DWORD ColorBG = 0xFF000000;
    DWORD Picture = 1;
    DWORD ShowNameDlg = 0;
    DWORD ShowListChampions = 0;
    DWORD ShowNamePlayerStopWatch = 0;
    PlayerNames playerNames;
    ChampionTable championTable;
};

/// The frame's rectangle at the first start: 700 × 626 in the middle of a `screen` of 96 pixels per
/// inch, larger in proportion on a scaled display (as large as the screen at most), so the window
/// shows the cube and its texts at the same size on the desk as on an unscaled display.
RECT DefaultFrameRect(SIZE screen, int pixelsPerInch);

/// Reads every value under root\path (created if missing), using the defaults for missing or
/// unusable values, and gives `frame` (if any) the stored restored rectangle, hidden. A missing
/// picture file turns ColorBG black. Returns false, changing nothing, if the key cannot be opened.
bool LoadSettings(Settings& settings, HKEY root, const char* path, HWND frame);

/// Writes all thirteen values under root\path. The edges come from `frame`'s restored rectangle,
/// or from settings.frameRect when there is no frame. Nothing is saved if the key cannot be opened.
void SaveSettings(const Settings& settings, HKEY root, const char* path, HWND frame);
