#pragma once
// A real Direct3D 9 device on a small hidden window, for tests that check what is really drawn.
// The back buffer is read back with GetRenderTargetData before any Present (a discarded back
// buffer reads black afterwards).

#include <d3d9.h>
#include <wrl/client.h>

#include <vector>

namespace test_support {

class HiddenWindowDevice {
  public:
    HiddenWindowDevice(UINT width, UINT height, bool depthBuffer = false);
    ~HiddenWindowDevice();
    HiddenWindowDevice(const HiddenWindowDevice&) = delete;
    HiddenWindowDevice& operator=(const HiddenWindowDevice&) = delete;

    IDirect3DDevice9* get() const { return device.Get(); }
    explicit operator bool() const { return device != nullptr; }
    UINT Width() const { return width; }
    UINT Height() const { return height; }

    /// The back buffer as X8R8G8B8 pixels, row by row; empty on failure.
    std::vector<DWORD> ReadBackBuffer() const;

  private:
    UINT width;
    UINT height;
    HWND window = nullptr;
    Microsoft::WRL::ComPtr<IDirect3D9> direct3d;
    Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
};

/// Colour channels of an X8R8G8B8 pixel.
inline int Red(DWORD pixel)
{
    return (pixel >> 16) & 0xFF;
}
inline int Green(DWORD pixel)
{
    return (pixel >> 8) & 0xFF;
}
inline int Blue(DWORD pixel)
{
    return pixel & 0xFF;
}

} // namespace test_support
