#pragma once
// Showing a windowed device's frames in a child window under Wine.
//
// Caveat: Wine cannot put Direct3D output into a child window on X: the GL drawable it makes for
// a child is redirected off screen and never reaches the display (it even hides what GDI draws
// there). Under Wine, therefore, a windowed device whose render window is a child renders on the
// top-level focus window instead, and every frame is read back and copied into the child with
// GDI. Everywhere else (and in full screen) the device presents as usual.

#include <d3d9.h>
#include <wrl/client.h>

/// Whether the program runs under Wine (ntdll exports wine_get_version there).
bool RunningUnderWine();

class CChildWindowPresenter {
public:
    /// Whether frames for `renderWindow` must be copied rather than presented.
    static bool NeededFor(HWND renderWindow, bool windowed);

    /// Copies the finished back buffer into the window's client area; E_FAIL when it cannot.
    HRESULT CopyToWindow(IDirect3DDevice9* device, HWND window);
    /// Drops the copy surface; done before every reset and before the device is released.
    void Release() { copySurface.Reset(); }

private:
    Microsoft::WRL::ComPtr<IDirect3DSurface9> copySurface; ///< system-memory twin of the back buffer
    D3DSURFACE_DESC copyDesc{};
};
