#include "support/scene_test_support.h"

#include "framework/x_templates.h"

#include <objbase.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length : 0);
    return wide;
}

void RemoveFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring entry = found.cFileName;
            if (entry == L"." || entry == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveFolder(folder + L"\\" + entry);
            else DeleteFileW((folder + L"\\" + entry).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TestDevice::TestDevice(UINT w, UINT h) : width(w), height(h)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TessaronSceneTest";
    RegisterClassW(&windowClass); // fails harmlessly when a previous device registered it
    window = CreateWindowW(L"TessaronSceneTest", L"scene test", WS_OVERLAPPEDWINDOW, 0, 0, width + 16, height + 40,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
    *direct3d.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION); // takes over its one reference
    if (!window || !direct3d) return;
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (FAILED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE, &parameters,
                                      &device)))
        device.Reset();
}

TestDevice::~TestDevice()
{
    device.Reset();
    direct3d.Reset();
    if (window) DestroyWindow(window);
}

std::vector<DWORD> TestDevice::ReadBackBuffer() const
{
    std::vector<DWORD> pixels;
    ComPtr<IDirect3DSurface9> backBuffer, copy;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) ||
        FAILED(device->CreateOffscreenPlainSurface(width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)) ||
        FAILED(device->GetRenderTargetData(backBuffer.Get(), copy.Get())))
        return pixels;
    D3DLOCKED_RECT locked;
    if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return pixels;
    for (UINT y = 0; y < height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        pixels.insert(pixels.end(), row, row + width);
    }
    copy->UnlockRect();
    return pixels;
}

ScratchFolder::ScratchFolder()
{
    wchar_t current[MAX_PATH], temp[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    previous = current;
    GetTempPathW(MAX_PATH, temp);
    path = std::wstring(temp) + L"tessaron-scene-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount());
    RemoveFolder(path);
    CreateDirectoryW(path.c_str(), nullptr);
    SetCurrentDirectoryW(path.c_str());
}

ScratchFolder::~ScratchFolder()
{
    SetCurrentDirectoryW(previous.c_str());
    RemoveFolder(path);
}

bool WriteCompoundFile(const wchar_t* fileName, const std::vector<std::pair<std::string, std::string>>& streams)
{
    ComPtr<IStorage> storage;
    if (FAILED(StgCreateDocfile(fileName, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DIRECT, 0,
                                &storage)))
        return false;
    for (const auto& [name, bytes] : streams) {
        ComPtr<IStream> stream;
        ULONG written = 0;
        if (FAILED(storage->CreateStream(Widen(name).c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                         0, &stream)) ||
            FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) ||
            written != bytes.size())
            return false;
    }
    return SUCCEEDED(storage->Commit(STGC_DEFAULT));
}

bool WritePlainFile(const wchar_t* fileName, const std::string& bytes)
{
    std::FILE* file = _wfopen(fileName, L"wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string ReadPlainFile(const wchar_t* fileName)
{
    std::string bytes;
    std::FILE* file = _wfopen(fileName, L"rb");
    if (!file) return bytes;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

std::string XHeader() { return x_templates::Text(); }

std::string XSquareMesh(const char* name, float x0, float y0, float x1, float y1, float r, float g, float b,
                        float alpha, const char* texture)
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "Mesh %s {\n 4;\n %f;%f;0.000000;,\n %f;%f;0.000000;,\n %f;%f;0.000000;,\n %f;%f;0.000000;;\n"
                  " 1;\n 4;0,1,2,3;;\n"
                  " MeshNormals {\n 1;\n 0.000000;0.000000;-1.000000;;\n 1;\n 4;0,0,0,0;;\n }\n"
                  " MeshTextureCoords {\n 4;\n 0.000000;0.000000;,\n 1.000000;0.000000;,\n 1.000000;1.000000;,\n"
                  " 0.000000;1.000000;;\n }\n"
                  " MeshMaterialList {\n 1;\n 1;\n 0;;\n"
                  "  Material {\n  %f;%f;%f;%f;;\n  0.000000;\n  0.000000;0.000000;0.000000;;\n  %f;%f;%f;;\n",
                  name, x0, y1, x1, y1, x1, y0, x0, y0, r, g, b, alpha, r, g, b);
    std::string mesh = text;
    if (*texture) mesh += std::string("  TextureFilename {\n  \"") + texture + "\";\n  }\n";
    mesh += "  }\n }\n}\n";
    return mesh;
}

std::string XMatrix(float tx, float ty, float tz)
{
    char text[400];
    std::snprintf(text, sizeof text,
                  "FrameTransformMatrix {\n 1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,"
                  "0.000000,0.000000,1.000000,0.000000,%f,%f,%f,1.000000;;\n}\n",
                  tx, ty, tz);
    return text;
}

std::string XFrame(const char* name, const std::string& body, float tx, float ty, float tz)
{
    return std::string("Frame ") + name + " {\n" + XMatrix(tx, ty, tz) + body + "}\n";
}
