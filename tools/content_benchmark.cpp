// Times the loading of the data file and one pick at the start view, and can save a picture of
// the cube as the game first shows it. Run from the game folder:
//   content_benchmark [picture.png]

#include "framework/scene_camera.h"
#include "framework/scene_frame.h"
#include "framework/scene_mesh.h"
#include "framework/x_mesh.h"
#include "puzzle/turn_targets.h"

#include <objbase.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kLoadRuns = 15;
constexpr int kPickRuns = 2001;
constexpr UINT kWidth = 640, kHeight = 480;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

ComPtr<IDirect3DDevice9> CreateDevice(IDirect3D9* direct3d)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TessaronContentBenchmark";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(windowClass.lpszClassName, L"benchmark", WS_OVERLAPPEDWINDOW, 0, 0, kWidth, kHeight,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = kWidth;
    parameters.BackBufferHeight = kHeight;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    ComPtr<IDirect3DDevice9> device;
    if (FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                      &parameters, &device)))
        device.Reset();
    return device;
}

/// Draws the cube as the game's first frame does and saves the back buffer.
void SavePicture(IDirect3DDevice9* device, CSceneFile& scene, const D3DXMATRIX& world, const char* fileName)
{
    CSceneCamera camera;
    camera.AttachDevice(device);
    D3DMATERIAL9 material;
    FillMaterial(material, 1, 0, 0, 1);
    device->SetMaterial(&material);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x000F0F0F);
    camera.SetView({0, 0, -50}, {0, 0, 0}, {0, 1, 0});
    camera.SetProjection(0.7853982f, static_cast<float>(kWidth) / kHeight, 1, 100);
    D3DLIGHT9 light;
    FillLight(light, D3DLIGHT_DIRECTIONAL, -5, -5, 5);
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    FillLight(light, D3DLIGHT_DIRECTIONAL, 5, 5, 5);
    device->SetLight(1, &light);
    device->LightEnable(1, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00406080, 1.0f, 0);
    device->BeginScene();
    scene.Render(device, &world);
    device->EndScene();
    ComPtr<IDirect3DSurface9> backBuffer;
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) &&
        SUCCEEDED(D3DXSaveSurfaceToFileA(fileName, D3DXIFF_PNG, backBuffer.Get(), nullptr, nullptr)))
        std::printf("picture saved to %s\n", fileName);
}

} // namespace

int main(int argc, char** argv)
{
    if (FAILED(CoInitialize(nullptr))) return 1;
    ComPtr<IDirect3D9> direct3d;
    *direct3d.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    ComPtr<IDirect3DDevice9> device = direct3d ? CreateDevice(direct3d.Get()) : nullptr;
    if (!device) {
        std::fprintf(stderr, "no Direct3D device\n");
        return 1;
    }
    {
        std::vector<double> loads, resets;
        CSceneFile scene("CD3DFile_Root");
        for (int run = 0; run < kLoadRuns; ++run) {
            scene.Destroy();
            const double start = Now();
            if (scene.Create(device.Get(), "cube.x") != S_OK) {
                std::fprintf(stderr, "the data file does not load\n");
                return 1;
            }
            loads.push_back(Now() - start);
            const double resetStart = Now();
            scene.OnDeviceReset(device.Get());
            resets.push_back(Now() - resetStart);
        }
        std::printf("data file load (CSceneFile::Create): median %.1f ms of %d\n", 1e3 * Median(loads), kLoadRuns);
        std::printf("device copies (OnDeviceReset):       median %.1f ms\n", 1e3 * Median(resets));

        CSceneMesh pickMesh("CD3DFile_Mesh");
        double start = Now();
        if (pickMesh.Create(device.Get(), "cube.x") != S_OK || pickMesh.OnDeviceReset(device.Get()) != S_OK) {
            std::fprintf(stderr, "the pick mesh does not load\n");
            return 1;
        }
        std::printf("pick mesh load (file, merged):       %.1f ms, %lu faces\n", 1e3 * (Now() - start),
                    pickMesh.SystemMesh()->GetNumFaces());
        CTurnTargets targets;
        targets.BuildTurnTargets(device.Get());

        PickView view{};
        D3DXMATRIX yaw, pitch;
        const D3DXVECTOR3 yAxis(0, 1, 0), xAxis(1, 0, 0), eye(0, 0, -50), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixRotationAxis(&yaw, &yAxis, -D3DX_PI / 4);
        D3DXMatrixRotationAxis(&pitch, &xAxis, -D3DX_PI / 4);
        D3DXMatrixMultiply(&view.world, &yaw, &pitch);
        D3DXMatrixLookAtLH(&view.view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&view.projection, D3DX_PI / 4, static_cast<float>(kWidth) / kHeight, 1, 100);
        view.backBufferWidth = kWidth;
        view.backBufferHeight = kHeight;
        view.cursorX = kWidth / 2.0f;
        view.cursorY = kHeight / 2.0f - 60;
        std::vector<double> picks;
        TurnCode code = 0;
        for (int run = 0; run < kPickRuns; ++run) {
            start = Now();
            PickTurnTarget(targets, &pickMesh, view, code);
            picks.push_back(Now() - start);
        }
        std::printf("one pick (device mesh + 72 targets): median %.3f ms of %d\n", 1e3 * Median(picks), kPickRuns);
        if (argc > 1) SavePicture(device.Get(), scene, view.world, argv[1]);
        scene.Destroy();
    }
    const unsigned long deviceLeft = device.Reset();
    const unsigned long direct3dLeft = direct3d.Reset();
    std::printf("references left at exit: device %lu, Direct3D object %lu\n", deviceLeft, direct3dLeft);
    CoUninitialize();
    return 0;
}
