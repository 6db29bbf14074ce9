#pragma once
// Showing a windowed device's frames in a child window under Wine.
//
// Caveat: Wine (8.0, X11) cannot show a device's output in a child window, with either Direct3D 9
// it may run: its own (wined3d, on OpenGL) presents without error, but the child's GL drawable
// is kept off screen and the view stays as GDI painted it; DXVK (on Vulkan) cannot present at all,
// because Wine refuses a Vulkan surface for a child window. Under Wine, therefore, a windowed
// device whose render window is a child has the hidden top-level focus window as its device
// window, and every frame is read back and copied into the child with GDI before it is presented
// there: Present still ends each frame, so that no runtime keeps a frame's resources for good.
// Everywhere else (and in full screen) the device presents into the render window as usual.

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
