#include "support/hidden_window_device.h"

namespace test_support {

namespace {

const wchar_t kWindowClass[] = L"TessaronTestDeviceWindow";

void RegisterWindowClassOnce()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc); // fails harmlessly when already registered
}

} // namespace

HiddenWindowDevice::HiddenWindowDevice(UINT w, UINT h, bool depthBuffer) : width(w), height(h)
{
    RegisterWindowClassOnce();
    window = CreateWindowExW(0, kWindowClass, L"test device", WS_OVERLAPPEDWINDOW, 0, 0, static_cast<int>(w),
                             static_cast<int>(h), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return;
    *direct3d.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    if (!direct3d) return;

    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depthBuffer ? TRUE : FALSE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    for (D3DDEVTYPE type : {D3DDEVTYPE_HAL, D3DDEVTYPE_REF}) {
        D3DPRESENT_PARAMETERS tried = pp;
        if (SUCCEEDED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, type, window,
                                             D3DCREATE_SOFTWARE_VERTEXPROCESSING, &tried, &device)))
            break;
    }
}

HiddenWindowDevice::~HiddenWindowDevice()
{
    device.Reset();
    direct3d.Reset();
    if (window) DestroyWindow(window);
}

std::vector<DWORD> HiddenWindowDevice::ReadBackBuffer() const
{
    std::vector<DWORD> pixels;
    Microsoft::WRL::ComPtr<IDirect3DSurface9> target;
    Microsoft::WRL::ComPtr<IDirect3DSurface9> copy;
    if (FAILED(device->GetRenderTarget(0, &target))) return pixels;
    if (FAILED(device->CreateOffscreenPlainSurface(width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)))
        return pixels;
    if (FAILED(device->GetRenderTargetData(target.Get(), copy.Get()))) return pixels;
    D3DLOCKED_RECT locked{};
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return pixels;
    pixels.resize(static_cast<size_t>(width) * height);
    for (UINT y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] = row[x] & 0x00FFFFFF;
    }
    copy->UnlockRect();
    return pixels;
}

} // namespace test_support
