#include "shell/background.h"

#include <commdlg.h>
#include <d3dx9.h>
#include <windows.h>

#include <cstring>

namespace {

constexpr UINT kCodePage1251 = 1251;
constexpr DWORD kOpaque = 0xFF000000;
constexpr DWORD kOpaqueWhite = 0xFFFFFFFF;
constexpr float kQuadZ = 50.0f;          ///< with the view moved by the same amount: the far plane
constexpr float kFarPlaneDepth = 100.0f; ///< depth in view space at which the edges are computed
constexpr size_t kFileNameChars = 1024;

struct QuadVertex {
    float x, y, z;
    DWORD color;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 24, "background vertex layout");
constexpr UINT kQuadVertices = 6;
/// The rectangle is written every frame: 64 frames' worth between discards of its stream buffer.
constexpr UINT kQuadStreamBytes = 64 * kQuadVertices * sizeof(QuadVertex);

} // namespace

bool CBackgroundDialogs::ChooseColour(HWND owner, COLORREF& chosen)
{
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.rgbResult = RGB(0, 0, 0);
    dialog.lpCustColors = customColours;
    if (!ChooseColorW(&dialog)) return false;
    chosen = dialog.rgbResult;
    return true;
}

bool CBackgroundDialogs::ChoosePictureFile(HWND owner, std::wstring& path)
{
    wchar_t fileName[kFileNameChars] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kFileNameChars;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetOpenFileNameW(&dialog)) return false;
    path = fileName;
    return true;
}

void CBackgroundDialogs::ReportUnusablePath(HWND owner)
{
    MessageBoxW(owner,
                L"Путь к этой картинке нельзя сохранить в настройках: он длиннее 511 байт "
                L"или содержит символы вне кодировки Windows-1251. Выберите другой файл.",
                L"Картинка фона", MB_OK | MB_ICONWARNING);
}

CBackground::CBackground(CBackgroundDialogs* dialogs)
    : dialogs(dialogs ? dialogs : &ownDialogs), BackgroundQuadBuffer(kQuadStreamBytes)
{
}

void CBackground::OnDeviceCreated(IDirect3DDevice9* newDevice, const char* pathPicture)
{
    device = newDevice;
    BackgroundTexture.Reset();
    pictureToLoad = pathPicture ? std::string(pathPicture, strnlen(pathPicture, kPathPictureSize - 1)) : std::string();
    pictureLoadPending = true;
}

void CBackground::OnDeviceDestroyed()
{
    BackgroundTexture.Reset();
    pictureLoadPending = false;
    device = nullptr;
}

HRESULT CBackground::OnDeviceReset()
{
    if (!device) return E_FAIL;
    return BackgroundQuadBuffer.OnDeviceReset(device);
}

void CBackground::OnDeviceLost()
{
    BackgroundQuadBuffer.OnDeviceLost();
}

void CBackground::LoadBackgroundTexture(const char* pathPicture)
{
    BackgroundTexture.Reset();
    pictureLoadPending = false;
    if (!device || !pathPicture) return;
    // At most the setting's 511 bytes, even when the terminator is missing.
    const size_t length = strnlen(pathPicture, kPathPictureSize - 1);
    if (length == 0) return;
    wchar_t widePath[kPathPictureSize] = {};
    const int converted = MultiByteToWideChar(kCodePage1251, 0, pathPicture, static_cast<int>(length),
                                              widePath, kPathPictureSize - 1);
    if (converted <= 0) return;
    widePath[converted] = L'\0';
    // A missing or unreadable picture leaves the texture empty: the rectangle is drawn untextured.
    if (FAILED(D3DXCreateTextureFromFileW(device, widePath, &BackgroundTexture))) BackgroundTexture.Reset();
}

HRESULT CBackground::DrawBackground(DWORD colorBG, const D3DXMATRIX& projection)
{
    if (!device || !BackgroundQuadBuffer.Buffer()) return E_FAIL;
    if (projection._11 == 0.0f || projection._22 == 0.0f) return E_FAIL; // no perspective set yet

    QuadVertex* vertices = nullptr;
    UINT firstVertex = 0;
    if (FAILED(BackgroundQuadBuffer.Lock(kQuadVertices, sizeof(QuadVertex),
                                         reinterpret_cast<void**>(&vertices), firstVertex)))
        return E_FAIL;
    // The visible field's edges at the far plane.
    const float X = kFarPlaneDepth / projection._11;
    const float Y = kFarPlaneDepth / projection._22;
    vertices[0] = {-X, +Y, kQuadZ, colorBG, 0.0f, 0.0f};
    vertices[1] = {+X, +Y, kQuadZ, colorBG, 1.0f, 0.0f};
    vertices[2] = {-X, -Y, kQuadZ, colorBG, 0.0f, 1.0f};
    vertices[3] = {+X, +Y, kQuadZ, colorBG, 1.0f, 0.0f};
    vertices[4] = {+X, -Y, kQuadZ, colorBG, 1.0f, 1.0f};
    vertices[5] = {-X, -Y, kQuadZ, colorBG, 0.0f, 1.0f};
    if (FAILED(BackgroundQuadBuffer.Unlock(kQuadVertices))) return E_FAIL;

    D3DXMATRIX view, world;
    D3DXMatrixTranslation(&view, 0.0f, 0.0f, kQuadZ);
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetStreamSource(0, BackgroundQuadBuffer.Buffer(), 0, sizeof(QuadVertex));
    device->SetFVF(kQuadFvf);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, firstVertex,
                          2); // a failed draw only loses this frame's picture
    return S_OK;
}

void CBackground::DrawPictureIfShown(DWORD colorBG, DWORD picture, const D3DXMATRIX& projection)
{
    if (!device || picture == 0) return;
    if (pictureLoadPending) LoadBackgroundTexture(pictureToLoad.c_str());
    device->SetTexture(0, BackgroundTexture.Get());
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    DrawBackground(colorBG, projection); // a frame without its background rectangle is not worth reporting
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

DWORD CBackground::OpaqueColour(COLORREF chosen)
{
    return kOpaque + GetRValue(chosen) * 65536u + GetGValue(chosen) * 256u + GetBValue(chosen);
}

bool CBackground::ToPathPicture(const std::wstring& path, char (&pathPicture)[kPathPictureSize])
{
    if (path.empty()) return false;
    char bytes[kPathPictureSize] = {};
    BOOL lossy = FALSE;
    const int length =
        WideCharToMultiByte(kCodePage1251, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                            bytes, kPathPictureSize - 1, nullptr, &lossy);
    if (length <= 0 || lossy) return false;
    std::memset(pathPicture, 0, kPathPictureSize);
    std::memcpy(pathPicture, bytes, static_cast<size_t>(length));
    return true;
}

void CBackground::OnBackgroundColour(HWND owner, DWORD& colorBG)
{
    COLORREF chosen = 0;
    if (dialogs->ChooseColour(owner, chosen)) colorBG = OpaqueColour(chosen);
}

void CBackground::OnBackgroundPicture(HWND owner, DWORD& colorBG, char (&pathPicture)[kPathPictureSize])
{
    std::wstring path;
    if (!dialogs->ChoosePictureFile(owner, path)) return;
    char converted[kPathPictureSize] = {};
    if (!ToPathPicture(path, converted)) {
        dialogs->ReportUnusablePath(owner);
        return;
    }
    colorBG = kOpaqueWhite;
    std::memcpy(pathPicture, converted, kPathPictureSize);
    LoadBackgroundTexture(pathPicture);
}
