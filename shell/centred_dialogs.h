#pragma once
// Dialogs and message boxes open centred on the window they belong to, as Windows dialogs
// conventionally do: the game's own dialogs, the colour and file choosers and every message
// box. Windows itself places a message box in the middle of the screen and a dialog at its
// template position (Wine: at the owner's corner), so a hook on the thread centres each dialog
// window once, when it is first activated. Without a visible owner (at start, before the main
// window shows) a dialog is centred on the screen's work area; it is always kept on that area.

#include <windows.h>

/// Moves `window`, keeping its size, to the centre of `owner` (or of the work area when the
/// owner is missing, hidden or minimised), kept inside the work area.
void CentreOnOwner(HWND window, HWND owner);

/// While it lives, every dialog window of this thread is centred on its owner when it first
/// becomes active; a dialog the player moved stays where it was put.
class CCentredDialogs {
public:
    CCentredDialogs();
    ~CCentredDialogs();
    CCentredDialogs(const CCentredDialogs&) = delete;
    CCentredDialogs& operator=(const CCentredDialogs&) = delete;

private:
    HHOOK hook = nullptr;
};
