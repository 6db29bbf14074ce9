#pragma once
// Helpers for the scene tests: a real Direct3D device on a hidden window of the private display,
// a scratch folder made current for the data file, and writers for compound files and X text.

#include <d3d9.h>
#include <wrl/client.h>

#include <string>
#include <utility>
#include <vector>

/// A windowed device with a small back buffer and a depth buffer; Device() is null when none
/// could be made.
class TestDevice {
public:
    explicit TestDevice(UINT width = 64, UINT height = 64);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* Device() const { return device.Get(); }
    /// Reads the back buffer (before Present) as X8R8G8B8 pixels, row by row.
    std::vector<DWORD> ReadBackBuffer() const;
    UINT Width() const { return width; }
    UINT Height() const { return height; }

private:
    HWND window = nullptr;
    UINT width, height;
    Microsoft::WRL::ComPtr<IDirect3D9> direct3d;
    Microsoft::WRL::ComPtr<IDirect3DDevice9> device;
};

/// A fresh folder made the current directory for the lifetime of the object; the previous
/// current directory is restored and the folder removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& Path() const { return path; }

private:
    std::wstring path;
    std::wstring previous;
};

/// Writes a compound file with one root-level stream per (name, bytes); true on success.
bool WriteCompoundFile(const wchar_t* fileName, const std::vector<std::pair<std::string, std::string>>& streams);
bool WritePlainFile(const wchar_t* fileName, const std::string& bytes);
std::string ReadPlainFile(const wchar_t* fileName);

/// X text helpers: the file header with the standard templates, and small building blocks.
std::string XHeader();
/// A flat square in the z = 0 plane from (x0, y0) to (x1, y1), facing -z, with one material each
/// given by its diffuse/emissive colour and alpha; texture names the material's texture if not empty.
std::string XSquareMesh(const char* name, float x0, float y0, float x1, float y1, float r, float g, float b,
                        float alpha, const char* texture = "");
std::string XFrame(const char* name, const std::string& body, float tx = 0, float ty = 0, float tz = 0);
std::string XMatrix(float tx, float ty, float tz);
