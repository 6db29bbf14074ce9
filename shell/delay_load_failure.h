#pragma once
// The libraries the game loads at their first call (the colour and file choosers, the help
// viewer, the hand-off to the browser, DirectInput, the multimedia timer;
// cmake/delay_imports.cmake): when one of them, or a function in it, is missing on the player's
// system, the delay-load helper asks this hook instead of raising an exception in the middle of
// play (which ended the game and lost its settings). The player is told once per function, in
// Russian like every message of the game's own, and the call fails as the function itself
// fails: a chooser returns as cancelled, the help opens nothing, so the command does nothing and
// the game goes on; without DirectInput the cube shows but the mouse does not turn it. The
// multimedia timer is replaced silently by the tick count, which serves it fully.

#include <windows.h>

#include <delayimp.h>

/// Makes the delay-load helper call DelayLoadFailureHook; the program's first step.
void InstallDelayLoadFailureHook();

/// Test seam: routes the hook's message to `presenter` instead of a message box (nullptr
/// restores the box).
namespace delay_load_testing {
using Presenter = void (*)(const wchar_t* text);
void Capture(Presenter presenter);
} // namespace delay_load_testing
