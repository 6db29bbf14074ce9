#pragma once
// The start-up picture: a borderless window in the shape of the picture (bitmap 212 with
// region 216), centred on the screen while the frame is still hidden. It closes at the first
// rendered frame (CloseSplashIfOpen from the idle step) or at a key, a mouse button or a mouse
// move on it; closing it shows the main window. A mouse-move report while the cursor still rests
// where it was when the splash opened does not count as a move.

#include "shell/gdi_object.h"
#include "shell/window.h"

class CSplashWnd : public CWindow {
public:
    /// Opens the splash over `parent` (the frame, which owns it) unless the show-splash flag
    /// is off or a splash is already open. The object deletes itself when its window goes.
    static void ShowSplash(HWND parent);
    /// Calls HideSplash when a splash is open; whether one was.
    static bool CloseSplashIfOpen();
    /// The show-splash flag (off until the start-up sets it from the command line).
    static void EnableSplash(bool enable) { showSplash = enable; }
    /// The open splash, or null.
    static CSplashWnd* Current() { return splashWnd; }

    /// Destroys the splash window, then shows and repaints the main window.
    void HideSplash();

    bool PreTranslateMessage(MSG& message) override;

    /// Whether a message closes the splash (keys, mouse buttons and mouse moves).
    static bool IsClosingMessage(UINT message);

private:
    CSplashWnd() = default;
    ~CSplashWnd() override;

    bool Create(HWND parent);
    int OnCreate(CREATESTRUCTW& create) override;
    bool OnPaint() override;
    void PostNcDestroy() override;
    void CenterOnWorkArea();

    CGdiObject<HBITMAP> bitmap;
    HWND mainWindow = nullptr;
    bool created = false;
    POINT cursorAtOpen{}; ///< where the cursor rested when the splash opened

    static CSplashWnd* splashWnd;
    static bool showSplash;
};

/// Builds the splash shape from region data as stored in resource 216; null when the data is
/// too short or its counts do not fit its size.
HRGN RegionFromData(const void* data, DWORD size);
