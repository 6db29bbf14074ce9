#pragma once
// The scene's background: a plain colour ("ColorBG"), or a picture ("Picture", "PathPicture")
// drawn at the far plane behind the cube, stretched to the window and tinted by the colour.
// The settings themselves belong to the form; the operations here take them as parameters.
// "PathPicture" is a Windows-1251 path; it is converted explicitly, never through the ANSI code page.

#include "framework/stream_buffer.h"

#include <d3d9.h>
#include <d3dx9math.h>
#include <wrl/client.h>

#include <string>

/// The colour and file dialogs behind the two background commands.
class CBackgroundDialogs {
  public:
    virtual ~CBackgroundDialogs() = default;
    /// Colour dialog starting at black; false when cancelled.
    virtual bool ChooseColour(HWND owner, COLORREF& chosen);
    /// File-open dialog with no filter; false when cancelled.
    virtual bool ChoosePictureFile(HWND owner, std::wstring& path);
    /// Tells the player that the chosen file's path cannot be kept in the settings.
    virtual void ReportUnusablePath(HWND owner);

  private:
    COLORREF customColours[16] = {};
};

class CBackground {
  public:
    static constexpr size_t kPathPictureSize = 512; ///< bytes of "PathPicture", terminator included
    static constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

    /// Uses the given dialogs (not owned), or the platform's own when none are given.
    explicit CBackground(CBackgroundDialogs* dialogs = nullptr);
    CBackground(const CBackground&) = delete;
    CBackground& operator=(const CBackground&) = delete;

    /// Remembers pathPicture for the first frame that shows the picture, which loads it (a
    /// managed texture: it lives until the device is destroyed). Most players never switch the
    /// picture on, and reading it cost 26-35 ms before the first cube.
    void OnDeviceCreated(IDirect3DDevice9* device, const char* pathPicture);
    void OnDeviceDestroyed();
    /// The rectangle's stream buffer (default pool: it goes before every reset).
    HRESULT OnDeviceReset();
    void OnDeviceLost();

    /// Replaces BackgroundTexture with the picture of the file; stays empty when it cannot be read.
    void LoadBackgroundTexture(const char* pathPicture);
    /// Fills and draws the picture's rectangle at the far plane of projection, the one the frame
    /// is drawn with. It is handed in, not read back: a pure device answers no state reads.
    HRESULT DrawBackground(DWORD colorBG, const D3DXMATRIX& projection);
    /// The frame's background step: with the picture on, the rectangle textured (the picture
    /// loaded at its first showing, if it can be), unlit.
    void DrawPictureIfShown(DWORD colorBG, DWORD picture, const D3DXMATRIX& projection);

    /// "Цвет фона": on OK the chosen colour, opaque, becomes colorBG.
    void OnBackgroundColour(HWND owner, DWORD& colorBG);
    /// "Картинка фона": on OK the picture is white-tinted, remembered and loaded.
    void OnBackgroundPicture(HWND owner, DWORD& colorBG, char (&pathPicture)[kPathPictureSize]);
    /// "Картинка фона" is offered only while the picture is switched on.
    static bool PictureCommandEnabled(DWORD picture) { return picture == 1; }

    /// The colour dialog's choice as an opaque 0xAARRGGBB colour.
    static DWORD OpaqueColour(COLORREF chosen);
    /// A wide path as Windows-1251 bytes; false when it does not fit or has characters outside 1251.
    static bool ToPathPicture(const std::wstring& path, char (&pathPicture)[kPathPictureSize]);

    IDirect3DTexture9* Texture() const { return BackgroundTexture.Get(); }
    IDirect3DVertexBuffer9* QuadBuffer() const { return BackgroundQuadBuffer.Buffer(); }

  private:
    CBackgroundDialogs ownDialogs;
    CBackgroundDialogs* dialogs;
    IDirect3DDevice9* device = nullptr; ///< not owned; set between created and destroyed

    Microsoft::WRL::ComPtr<IDirect3DTexture9> BackgroundTexture;
    std::string pictureToLoad; ///< the device's picture until a frame first shows it
    bool pictureLoadPending = false;
    CStreamBuffer BackgroundQuadBuffer;
};
