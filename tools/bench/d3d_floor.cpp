// The Direct3D 9 floor for the benchmark: the least program that draws the way the game does.
// A 700 x 626 window and a device made like the game's (windowed HAL, X8R8G8B8 back buffer, D16
// depth, immediate presentation, hardware vertex processing on a pure device); whenever the
// message queue is empty it draws one frame: a clear to plain magenta (which the benchmark looks
// for on the screen) and three coloured quads. Whatever the game costs above this program is the
// game's own. With the game's frame log asked for in the environment, the moment its first frame
// was shown is written at once, on the game's clock (the benchmark stops this program by force).

#include <d3d9.h>
#include <windows.h>
#include <wrl/client.h>

#include "framework/frame_log.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 626;
constexpr D3DCOLOR kMarkerColour = D3DCOLOR_XRGB(255, 0, 255);
constexpr UINT kSdkVersion = 31;

struct QuadVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

/// One quad as a triangle strip, `size` pixels wide and high, its top-left corner at (left, top).
void DrawQuad(IDirect3DDevice9* device, float left, float top, float size, D3DCOLOR colour)
{
    const QuadVertex corners[4] = {{left, top, 0.5f, 1.0f, colour},
                                   {left + size, top, 0.5f, 1.0f, colour},
                                   {left, top + size, 0.5f, 1.0f, colour},
                                   {left + size, top + size, 0.5f, 1.0f, colour}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corners, sizeof(QuadVertex));
}

void DrawFrame(IDirect3DDevice9* device)
{
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kMarkerColour, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
        device->SetFVF(kQuadFvf);
        DrawQuad(device, 60.0f, 200.0f, 150.0f, D3DCOLOR_XRGB(220, 30, 30));
        DrawQuad(device, 270.0f, 200.0f, 150.0f, D3DCOLOR_XRGB(30, 180, 40));
        DrawQuad(device, 480.0f, 200.0f, 150.0f, D3DCOLOR_XRGB(30, 60, 220));
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

ComPtr<IDirect3DDevice9> CreateDevice(IDirect3D9* d3d, HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = TRUE;
    parameters.BackBufferWidth = static_cast<UINT>(client.right);
    parameters.BackBufferHeight = static_cast<UINT>(client.bottom);
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
    parameters.hDeviceWindow = window;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ComPtr<IDirect3DDevice9> device;
    d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                      D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, &parameters,
                      device.GetAddressOf());
    return device;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = L"TessaronDirect3DFloor";
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowW(windowClass.lpszClassName, L"Direct3D floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);

    ComPtr<IDirect3D9> d3d;
    *d3d.GetAddressOf() = Direct3DCreate9(kSdkVersion); // takes over the one reference it comes with
    if (!d3d) return 1;
    ComPtr<IDirect3DDevice9> device = CreateDevice(d3d.Get(), window);
    if (!device) return 1;

    CFrameLog frameLog;
    MSG message{};
    while (message.message != WM_QUIT) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            DrawFrame(device.Get());
            if (frameLog.Enabled()) {
                frameLog.Stamp(0);
                frameLog.Flush(); // once: a flushed log writes nothing more
            }
        }
    }
    return 0;
}
