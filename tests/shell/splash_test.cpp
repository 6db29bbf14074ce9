// The splash: its picture and shape resources, opening with the frame, and closing on each
// of the nine input messages (and on the first rendered frame), showing the main window.
#include "shell_test_support.h"

#include "resources/resource.h"
#include "shell/app_frame_wnd.h"
#include "shell/splash_window.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr int kSplashWidth = 401;
constexpr int kSplashHeight = 244;

std::vector<BYTE> ResourceBytes(UINT id, const wchar_t* type)
{
    HMODULE module = shell_test::UseGameResources();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

TEST(SplashResources, PictureIs401By244WithEightBitsPerPixel)
{
    std::vector<BYTE> bytes = ResourceBytes(IDB_SPLASH, MAKEINTRESOURCEW(2)); // RT_BITMAP
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
    EXPECT_EQ(header->biWidth, kSplashWidth);
    EXPECT_EQ(header->biHeight, kSplashHeight);
    EXPECT_EQ(header->biBitCount, 8);
}

TEST(SplashResources, RegionParsesIntoSortedBandsInsideThePicture)
{
    std::vector<BYTE> bytes = ResourceBytes(IDR_SPLASH_REGION, L"BIN");
    ASSERT_GE(bytes.size(), sizeof(RGNDATAHEADER));
    const auto* header = reinterpret_cast<const RGNDATAHEADER*>(bytes.data());
    EXPECT_EQ(header->dwSize, 32u);
    EXPECT_EQ(header->iType, static_cast<DWORD>(RDH_RECTANGLES));
    ASSERT_EQ(bytes.size(), 32u + 16u * header->nCount);
    EXPECT_EQ(header->nRgnSize, 16u * header->nCount);
    EXPECT_GT(header->nCount, 50u);

    const auto* rects = reinterpret_cast<const RECT*>(bytes.data() + 32);
    RECT bounds{kSplashWidth, kSplashHeight, 0, 0};
    int bands = 0;
    for (DWORD i = 0; i < header->nCount; ++i) {
        const RECT& r = rects[i];
        EXPECT_TRUE(r.left >= 0 && r.left < r.right && r.right <= kSplashWidth) << i;
        EXPECT_TRUE(r.top >= 0 && r.top < r.bottom && r.bottom <= kSplashHeight) << i;
        if (i == 0 || r.top != rects[i - 1].top) {
            ++bands;
            if (i > 0) {
                EXPECT_GE(r.top, rects[i - 1].bottom) << i; // bands do not overlap
            }
        } else {
            EXPECT_EQ(r.bottom, rects[i - 1].bottom) << i;
            EXPECT_GT(r.left, rects[i - 1].right) << i; // separate runs, left to right
        }
        bounds = {std::min(bounds.left, r.left), std::min(bounds.top, r.top), std::max(bounds.right, r.right),
                  std::max(bounds.bottom, r.bottom)};
    }
    EXPECT_TRUE(EqualRect(&bounds, &header->rcBound));
    EXPECT_GT(bands, 20);

    HRGN region = RegionFromData(bytes.data(), static_cast<DWORD>(bytes.size()));
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(PtInRegion(region, 198, 60));  // the cube's top face
    EXPECT_TRUE(PtInRegion(region, 10, 115));  // the lettering band reaches far out
    EXPECT_FALSE(PtInRegion(region, 10, 30));  // beside the cube's top corner
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    DeleteObject(region);

    // Data whose count claims more rectangles than it holds is refused.
    EXPECT_EQ(RegionFromData(bytes.data(), static_cast<DWORD>(bytes.size() - 16)), nullptr);
    EXPECT_EQ(RegionFromData(bytes.data(), 8), nullptr);
}

class SplashTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(shell_test::UseGameResources(), nullptr); }

    /// A hidden frame; with the flag on, its creation opens the splash.
    void OpenFrame(bool showSplash)
    {
        CSplashWnd::EnableSplash(showSplash);
        frame = std::make_unique<CAppFrameWnd>();
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, std::make_unique<shell_test::RecordingForm>()));
    }

    void TearDown() override
    {
        frame.reset();
        shell_test::PumpPending();
        CSplashWnd::EnableSplash(false);
    }

    std::unique_ptr<CAppFrameWnd> frame;
};

TEST_F(SplashTest, OpensWithTheFrameShapedAndCentredAndOnlyOnce)
{
    OpenFrame(true);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    HWND window = splash->Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(frame->Handle()));
    EXPECT_EQ(GetWindow(window, GW_OWNER), frame->Handle());
    EXPECT_EQ(GetWindowLongW(window, GWL_STYLE) & (WS_POPUP | WS_CAPTION | WS_BORDER), static_cast<LONG>(WS_POPUP));

    RECT bounds{};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, kSplashWidth);
    EXPECT_EQ(bounds.bottom - bounds.top, kSplashHeight);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((bounds.left + bounds.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2, (area.top + area.bottom) / 2, 1);

    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window, shape), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(shape, 0, 0));
    DeleteObject(shape);

    CSplashWnd::ShowSplash(frame->Handle());
    EXPECT_EQ(CSplashWnd::Current(), splash);
    CSplashWnd::CloseSplashIfOpen();
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(frame->Handle())); // closing shows the main window
    CSplashWnd::CloseSplashIfOpen();               // nothing left to close
}

TEST_F(SplashTest, FlagOffMeansNoSplash)
{
    OpenFrame(false);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_FALSE(IsWindowVisible(frame->Handle()));
}

TEST(SplashMessages, ExactlyTheNineInputMessagesClose)
{
    const UINT closing[] = {0x0100, 0x0104, 0x0201, 0x0204, 0x0207, 0x00A1, 0x00A4, 0x00A7, 0x0200};
    int count = 0;
    for (UINT message = 0; message < 0x0400; ++message) {
        bool expected = std::find(std::begin(closing), std::end(closing), message) != std::end(closing);
        EXPECT_EQ(CSplashWnd::IsClosingMessage(message), expected) << std::hex << message;
        count += CSplashWnd::IsClosingMessage(message) ? 1 : 0;
    }
    EXPECT_EQ(count, 9);
}

TEST_F(SplashTest, InputOnTheSplashClosesItAndIsSwallowed)
{
    // A key, a client and a non-client button, and a mouse move, each on a fresh splash
    // (every round shows and destroys windows, which is slow under Wine without a window manager).
    for (UINT message : {WM_KEYDOWN, WM_RBUTTONDOWN, WM_NCLBUTTONDOWN, WM_MOUSEMOVE}) {
        OpenFrame(true);
        ASSERT_NE(CSplashWnd::Current(), nullptr) << message;
        POINT cursor{};
        GetCursorPos(&cursor);
        MSG queued{CSplashWnd::Current()->Handle(), message, 0, 0, 0, {cursor.x + 1, cursor.y}};
        EXPECT_TRUE(PreTranslateWindowMessage(queued)) << message;
        EXPECT_EQ(CSplashWnd::Current(), nullptr) << message;
        EXPECT_TRUE(IsWindowVisible(frame->Handle())) << message;
        TearDown();
    }
}

TEST_F(SplashTest, OtherMessagesLeaveItOpen)
{
    OpenFrame(true);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    for (UINT message : {WM_KEYUP, WM_LBUTTONUP, WM_CHAR, WM_TIMER}) {
        MSG queued{CSplashWnd::Current()->Handle(), message, 0, 0, 0, {0, 0}};
        EXPECT_FALSE(PreTranslateWindowMessage(queued)) << message;
        EXPECT_NE(CSplashWnd::Current(), nullptr) << message;
    }
    // A key posted to the splash goes through the program's loop steps and closes it.
    PostMessageW(CSplashWnd::Current()->Handle(), WM_KEYDOWN, 'A', 0);
    shell_test::PumpPending();
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, MouseMoveReportWithoutMovementLeavesItOpen)
{
    OpenFrame(true);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    POINT resting{};
    GetCursorPos(&resting);
    MSG appeared{CSplashWnd::Current()->Handle(), WM_MOUSEMOVE, 0, 0, 0, resting};
    EXPECT_FALSE(PreTranslateWindowMessage(appeared));
    EXPECT_NE(CSplashWnd::Current(), nullptr);
    MSG moved{CSplashWnd::Current()->Handle(), WM_MOUSEMOVE, 0, 0, 0, {resting.x + 3, resting.y}};
    EXPECT_TRUE(PreTranslateWindowMessage(moved));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, ClosesWithItsFrame)
{
    OpenFrame(true);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    frame.reset();
    EXPECT_EQ(CSplashWnd::Current(), nullptr); // the owned splash went with its owner
}

} // namespace
