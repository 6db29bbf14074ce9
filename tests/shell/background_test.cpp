#include "shell/background.h"
#include "support/hidden_window_device.h"

#include <gtest/gtest.h>

#include <d3dx9.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using test_support::Blue;
using test_support::Green;
using test_support::HiddenWindowDevice;
using test_support::Red;

namespace {

/// Dialogs that answer as a player would, without opening anything.
class AnsweringDialogs : public CBackgroundDialogs {
  public:
    bool accept = true;
    COLORREF colour = 0;
    std::wstring path;
    int reports = 0;

    bool ChooseColour(HWND, COLORREF& chosen) override
    {
        if (accept) chosen = colour;
        return accept;
    }
    bool ChoosePictureFile(HWND, std::wstring& chosen) override
    {
        if (accept) chosen = path;
        return accept;
    }
    void ReportUnusablePath(HWND) override { ++reports; }
};

using PathPicture = char[CBackground::kPathPictureSize];

std::wstring TempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string To1251(const std::wstring& path)
{
    char bytes[1024] = {};
    WideCharToMultiByte(1251, 0, path.c_str(), -1, bytes, sizeof(bytes), nullptr, nullptr);
    return bytes;
}

bool WriteFileW(const std::wstring& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    fclose(file);
    return written;
}

// Picture quadrants, as 0xRRGGBB.
constexpr DWORD kTopLeft = 0x00FF00, kTopRight = 0x0000FF, kBottomLeft = 0xFFFF00, kBottomRight = 0x00FFFF;

/// A square 24-bit BMP with four coloured quadrants.
std::vector<unsigned char> QuadrantBitmap(int size)
{
    const int rowBytes = size * 3;
    std::vector<unsigned char> file(54 + rowBytes * size, 0);
    auto put32 = [&](size_t at, unsigned value) { std::memcpy(&file[at], &value, 4); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<unsigned>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<unsigned>(size));
    put32(22, static_cast<unsigned>(size)); // bottom-up rows
    file[26] = 1;
    file[28] = 24;
    for (int row = 0; row < size; ++row) {
        const int y = size - 1 - row;
        for (int x = 0; x < size; ++x) {
            const bool top = y < size / 2, left = x < size / 2;
            const DWORD c = top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight);
            unsigned char* p = &file[54 + row * rowBytes + x * 3];
            p[0] = c & 0xFF;
            p[1] = (c >> 8) & 0xFF;
            p[2] = (c >> 16) & 0xFF;
        }
    }
    return file;
}

bool Near(DWORD pixel, DWORD expected)
{
    return std::abs(Red(pixel) - Red(expected)) < 40 && std::abs(Green(pixel) - Green(expected)) < 40 &&
           std::abs(Blue(pixel) - Blue(expected)) < 40;
}

// A window twice as wide as high, so a square picture must be stretched to fill it.
constexpr UINT kWidth = 240;
constexpr UINT kHeight = 120;

class BackgroundOnDevice : public testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(device) << "no Direct3D device";
        picturePath = TempFile(L"фон проверки.bmp");
        ASSERT_TRUE(WriteFileW(picturePath, QuadrantBitmap(64)));
        notAnImagePath = TempFile(L"не картинка.jpg");
        const char text[] = "this is not a picture";
        ASSERT_TRUE(WriteFileW(notAnImagePath, std::vector<unsigned char>(text, text + sizeof(text))));
    }
    void TearDown() override
    {
        background.OnDeviceLost();
        background.OnDeviceDestroyed();
        DeleteFileW(picturePath.c_str());
        DeleteFileW(notAnImagePath.c_str());
    }

    /// One frame as the game draws it: clear (to colorBG unless told otherwise), an opaque object in
    /// the middle, then the background.
    std::vector<DWORD> Frame(DWORD colorBG, DWORD picture, DWORD clearColour = 0)
    {
        IDirect3DDevice9* d = device.get();
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColour ? clearColour : colorBG, 1.0f,
                 0);
        d->BeginScene();
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, float(kWidth) / float(kHeight), 1.0f, 100.0f);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        DrawObject();
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        background.DrawPictureIfShown(colorBG, picture, projection);
        d->EndScene();
        return device.ReadBackBuffer();
    }

    /// A grey square over the middle half of the window, nearer than the far plane.
    void DrawObject()
    {
        struct Vertex {
            float x, y, z, rhw;
            DWORD color;
        };
        const float l = kWidth * 0.25f, r = kWidth * 0.75f, t = kHeight * 0.25f, b = kHeight * 0.75f;
        const DWORD grey = 0xFF808080;
        const Vertex quad[] = {
            {l, t, 0.5f, 1, grey}, {r, t, 0.5f, 1, grey}, {l, b, 0.5f, 1, grey}, {r, b, 0.5f, 1, grey}};
        IDirect3DDevice9* d = device.get();
        d->SetTexture(0, nullptr);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
    }

    DWORD At(const std::vector<DWORD>& pixels, UINT x, UINT y) { return pixels.at(y * kWidth + x); }

    HiddenWindowDevice device{kWidth, kHeight, true};
    CBackground background;
    std::wstring picturePath;
    std::wstring notAnImagePath;
};

} // namespace

TEST(BackgroundCommands, ColourCommandSetsAnOpaqueColourOnlyOnOk)
{
    AnsweringDialogs dialogs;
    CBackground background(&dialogs);
    DWORD colorBG = 0xFF000000;
    dialogs.colour = RGB(0x12, 0x34, 0x56);
    background.OnBackgroundColour(nullptr, colorBG);
    EXPECT_EQ(colorBG, 0xFF123456u);

    dialogs.accept = false;
    dialogs.colour = RGB(1, 2, 3);
    background.OnBackgroundColour(nullptr, colorBG);
    EXPECT_EQ(colorBG, 0xFF123456u);

    EXPECT_EQ(CBackground::OpaqueColour(RGB(255, 255, 255)), 0xFFFFFFFFu);
    EXPECT_EQ(CBackground::OpaqueColour(RGB(0, 0, 0)), 0xFF000000u);
}

TEST(BackgroundCommands, PictureCommandIsOfferedOnlyWhilePictureIsOne)
{
    EXPECT_FALSE(CBackground::PictureCommandEnabled(0));
    EXPECT_TRUE(CBackground::PictureCommandEnabled(1));
    EXPECT_FALSE(CBackground::PictureCommandEnabled(2));
}

TEST(BackgroundCommands, PictureCommandKeepsTheChosenPathAsWindows1251)
{
    AnsweringDialogs dialogs;
    CBackground background(&dialogs); // no device: the path is kept and loaded with the next device
    DWORD colorBG = 0xFF102030;
    PathPicture path = "background.jpg";

    dialogs.accept = false;
    background.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_EQ(colorBG, 0xFF102030u);
    EXPECT_STREQ(path, "background.jpg");

    dialogs.accept = true;
    dialogs.path = L"C:\\Картинки\\Ёлка.jpg";
    background.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_EQ(colorBG, 0xFFFFFFFFu);
    EXPECT_STREQ(path, "C:\\\xCA\xE0\xF0\xF2\xE8\xED\xEA\xE8\\\xA8\xEB\xEA\xE0.jpg");
    EXPECT_EQ(dialogs.reports, 0);
    EXPECT_EQ(background.Texture(), nullptr);
}

TEST(BackgroundCommands, PathsThatCannotBeKeptAreReportedAndChangeNothing)
{
    AnsweringDialogs dialogs;
    CBackground background(&dialogs);
    DWORD colorBG = 0xFF000000;
    PathPicture path = "background.jpg";

    dialogs.path = L"C:\\\u56fe\u7247.jpg"; // characters outside Windows-1251
    background.OnBackgroundPicture(nullptr, colorBG, path);
    dialogs.path = L"C:\\" + std::wstring(600, L'a') + L".jpg"; // longer than 511 bytes
    background.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_EQ(dialogs.reports, 2);
    EXPECT_EQ(colorBG, 0xFF000000u);
    EXPECT_STREQ(path, "background.jpg");

    // 511 bytes still fit, zero-terminated.
    dialogs.path = std::wstring(511, L'\u0436'); // ж
    background.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_EQ(dialogs.reports, 2);
    EXPECT_EQ(std::strlen(path), 511u);
    EXPECT_EQ(static_cast<unsigned char>(path[510]), 0xE6);
}

TEST_F(BackgroundOnDevice, PictureFillsTheWindowWhereNothingWasDrawn)
{
    background.OnDeviceCreated(device.get(), To1251(picturePath).c_str());
    ASSERT_EQ(background.OnDeviceReset(), S_OK);
    Frame(0xFF203040, 0);
    EXPECT_EQ(background.Texture(), nullptr) << "the picture is read only once it shows";

    const auto pixels = Frame(0xFFFFFFFF, 1);
    ASSERT_NE(background.Texture(), nullptr) << "a Windows-1251 path with Russian letters loads";
    ASSERT_FALSE(pixels.empty());
    const UINT w = kWidth, h = kHeight;
    EXPECT_TRUE(Near(At(pixels, 1, 1), kTopLeft)) << std::hex << At(pixels, 1, 1);
    EXPECT_TRUE(Near(At(pixels, w - 2, 1), kTopRight)) << std::hex << At(pixels, w - 2, 1);
    EXPECT_TRUE(Near(At(pixels, 1, h - 2), kBottomLeft)) << std::hex << At(pixels, 1, h - 2);
    EXPECT_TRUE(Near(At(pixels, w - 2, h - 2), kBottomRight)) << std::hex << At(pixels, w - 2, h - 2);
    // Stretched to the window: the quadrants meet at its middle in both directions.
    EXPECT_TRUE(Near(At(pixels, w / 2 - 3, 5), kTopLeft));
    EXPECT_TRUE(Near(At(pixels, w / 2 + 3, 5), kTopRight));
    EXPECT_TRUE(Near(At(pixels, 5, h / 2 - 3), kTopLeft));
    EXPECT_TRUE(Near(At(pixels, 5, h / 2 + 3), kBottomLeft));
    // The object drawn before stays in front.
    EXPECT_TRUE(Near(At(pixels, w / 2, h / 2), 0x808080)) << std::hex << At(pixels, w / 2, h / 2);

    // The colour tints the picture: pure red leaves only the red of yellow.
    const auto tinted = Frame(0xFFFF0000, 1);
    EXPECT_TRUE(Near(At(tinted, 1, 1), 0x000000)) << std::hex << At(tinted, 1, 1);
    EXPECT_TRUE(Near(At(tinted, 1, h - 2), 0xFF0000)) << std::hex << At(tinted, 1, h - 2);

    // With the picture off only the clear colour shows.
    const auto off = Frame(0xFF203040, 0);
    EXPECT_TRUE(Near(At(off, 1, 1), 0x203040)) << std::hex << At(off, 1, 1);
}

TEST_F(BackgroundOnDevice, WithoutALoadablePictureTheRectangleIsDrawnInTheColour)
{
    // The clear colour differs from the rectangle's so that the rectangle is seen to be drawn.
    for (const std::string& path :
         {To1251(notAnImagePath), To1251(TempFile(L"missing picture.jpg")), std::string()}) {
        background.OnDeviceCreated(device.get(), path.c_str());
        ASSERT_EQ(background.OnDeviceReset(), S_OK);
        const auto pixels = Frame(0xFF30C060, 1, 0xFF400000);
        EXPECT_EQ(background.Texture(), nullptr) << path;
        EXPECT_TRUE(Near(At(pixels, 1, 1), 0x30C060)) << path << std::hex << At(pixels, 1, 1);
        EXPECT_TRUE(Near(At(pixels, kWidth / 2, kHeight / 2), 0x808080)) << path;
        background.OnDeviceLost();
        background.OnDeviceDestroyed();
    }
}

TEST_F(BackgroundOnDevice, PictureCommandReplacesTheTexture)
{
    AnsweringDialogs dialogs;
    CBackground commanded(&dialogs);
    commanded.OnDeviceCreated(device.get(), "background.jpg");
    // A frame's background step loads the picture; without a projection it draws nothing.
    commanded.DrawPictureIfShown(0xFFFFFFFF, 1, D3DXMATRIX(D3DMATRIX{}));
    EXPECT_NE(commanded.Texture(), nullptr) << "the default picture next to the program loads";

    DWORD colorBG = 0xFF000000;
    PathPicture path = "background.jpg";
    dialogs.path = notAnImagePath;
    commanded.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_EQ(commanded.Texture(), nullptr);
    EXPECT_EQ(colorBG, 0xFFFFFFFFu);
    EXPECT_EQ(std::string(path), To1251(notAnImagePath));

    dialogs.path = picturePath;
    commanded.OnBackgroundPicture(nullptr, colorBG, path);
    EXPECT_NE(commanded.Texture(), nullptr);
    commanded.OnDeviceDestroyed();
    EXPECT_EQ(commanded.Texture(), nullptr);
}
