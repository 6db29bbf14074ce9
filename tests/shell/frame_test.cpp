// The frame with its menu and form: menu layout and texts, enable rules at WM_INITMENUPOPUP,
// command routing, Alt+Enter, the minimum size, the style and the form's creation steps; a
// close while an error box shows.
#include "shell_test_support.h"

#include "framework/app_error.h"
#include "resources/resource.h"
#include "shell/app_frame_wnd.h"
#include "shell/splash_window.h"

#include <memory>

using shell_test::RecordingForm;

namespace {

struct MenuLine {
    UINT id; // 0 for a separator
    const wchar_t* text;
};

class FrameTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(shell_test::UseGameResources(), nullptr); }

    void SetUp() override
    {
        CSplashWnd::EnableSplash(false);
        auto owned = std::make_unique<RecordingForm>();
        form = owned.get();
        frame = std::make_unique<CAppFrameWnd>();
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, std::move(owned)));
        // Kept hidden: hiding a shown window costs Wine a long wait without a window manager.
        frame->InitialUpdateFrame(SW_HIDE);
        shell_test::PumpPending();
    }

    void TearDown() override
    {
        frame.reset();
        shell_test::PumpPending();
    }

    UINT PopupState(int popupIndex, UINT id)
    {
        HMENU popup = GetSubMenu(GetMenu(frame->Handle()), popupIndex);
        SendMessageW(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), popupIndex);
        return GetMenuState(popup, id, MF_BYCOMMAND);
    }

    RecordingForm* form = nullptr;
    std::unique_ptr<CAppFrameWnd> frame;
};

TEST_F(FrameTest, MenuHasTheFourPopupsWithTheirItemsInOrder)
{
    const std::vector<std::pair<const wchar_t*, std::vector<MenuLine>>> expected = {
        {L"Главная",
         {{40038, L"Имя игрока"},
          {0, L""},
          {40039, L"Тренировка сборки"},
          {40042, L"Сборка на время"},
          {0, L""},
          {40045, L"Во весь экран"},
          {0, L""},
          {57665, L"Выход"}}},
        {L"Редактирование", {{57643, L"Шаг обратно"}, {40028, L"Собрать кубик"}}},
        {L"Настройки", {{40031, L"Цвет фона"}, {40032, L"Картинка фона"}, {201, L"Преднастройки..."}}},
        {L"Справка", {{40022, L"О программе"}, {40023, L"Пользование программой"}}},
    };
    HMENU menu = GetMenu(frame->Handle());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size()));
    for (int p = 0; p < GetMenuItemCount(menu); ++p) {
        wchar_t title[64] = {};
        GetMenuStringW(menu, p, title, 64, MF_BYPOSITION);
        EXPECT_STREQ(title, expected[p].first);
        HMENU popup = GetSubMenu(menu, p);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(expected[p].second.size())) << p;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            const MenuLine& line = expected[p].second[i];
            if (line.id == 0) {
                EXPECT_TRUE(GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR) << p << "/" << i;
                continue;
            }
            wchar_t text[64] = {};
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            EXPECT_EQ(GetMenuItemID(popup, i), line.id);
            EXPECT_STREQ(text, line.text);
        }
    }
}

TEST_F(FrameTest, EnableRulesAreEvaluatedWhenAPopupIsAboutToShow)
{
    bool historyUsable = false;
    int picture = 0;
    int ruleCalls = 0;
    form->Commands().EnableWhen({IDM_STEP_BACK, IDM_RESET_CUBE}, [&] {
        ++ruleCalls;
        return historyUsable;
    });
    form->Commands().EnableWhen({IDM_BACKGROUND_PICTURE}, [&] { return picture == 1; });

    EXPECT_TRUE(PopupState(1, IDM_STEP_BACK) & MF_GRAYED);
    EXPECT_TRUE(PopupState(1, IDM_RESET_CUBE) & MF_GRAYED);
    EXPECT_EQ(ruleCalls, 2);
    EXPECT_TRUE(PopupState(2, IDM_BACKGROUND_PICTURE) & MF_GRAYED);

    historyUsable = true;
    picture = 1;
    EXPECT_FALSE(PopupState(1, IDM_STEP_BACK) & MF_GRAYED);
    EXPECT_FALSE(PopupState(1, IDM_RESET_CUBE) & MF_GRAYED);
    EXPECT_FALSE(PopupState(2, IDM_BACKGROUND_PICTURE) & MF_GRAYED);

    picture = 2; // on only when it equals 1
    EXPECT_TRUE(PopupState(2, IDM_BACKGROUND_PICTURE) & MF_GRAYED);

    // Items without a rule stay enabled, and nothing is ever checked.
    for (int p = 0; p < 4; ++p) {
        HMENU popup = GetSubMenu(GetMenu(frame->Handle()), p);
        SendMessageW(frame->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), p);
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            UINT state = GetMenuState(popup, i, MF_BYPOSITION);
            EXPECT_FALSE(state & MF_CHECKED);
            UINT id = GetMenuItemID(popup, i);
            if (id != IDM_BACKGROUND_PICTURE && !(state & MF_SEPARATOR)) {
                EXPECT_FALSE(state & MF_GRAYED) << id;
            }
        }
    }
}

TEST_F(FrameTest, CommandsReachTheFormAndGreyedOnesDoNothing)
{
    int training = 0, stepBack = 0;
    form->Commands().On(IDM_TRAINING, [&] { ++training; });
    form->Commands().On(IDM_STEP_BACK, [&] { ++stepBack; });
    form->Commands().EnableWhen({IDM_STEP_BACK}, [] { return false; });

    PostMessageW(frame->Handle(), WM_COMMAND, MAKEWPARAM(IDM_TRAINING, 0), 0);
    PostMessageW(frame->Handle(), WM_COMMAND, MAKEWPARAM(IDM_STEP_BACK, 0), 0);
    shell_test::PumpPending();
    EXPECT_EQ(training, 1);
    EXPECT_EQ(stepBack, 0);
}

TEST_F(FrameTest, ExitCommandClosesTheFrame)
{
    HWND window = frame->Handle();
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_APP_EXIT, 0), 0);
    shell_test::PumpPending();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(frame->View(), nullptr); // the form object went with its window
}

TEST_F(FrameTest, AltEnterBecomesCommand2003ButEnterAloneDoesNot)
{
    int toggles = 0;
    form->Commands().On(IDM_TOGGLE_FULL_SCREEN, [&] { ++toggles; });

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = keys[VK_LMENU] = 0;
    SetKeyboardState(keys);
    MSG enter{form->Handle(), WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_FALSE(PreTranslateWindowMessage(enter));
    shell_test::PumpPending();
    EXPECT_EQ(toggles, 0);

    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    SetKeyboardState(keys);
    MSG altEnter{form->Handle(), WM_SYSKEYDOWN, VK_RETURN, 1 | (1 << 29), 0, {0, 0}};
    EXPECT_TRUE(PreTranslateWindowMessage(altEnter));
    shell_test::PumpPending();
    keys[VK_MENU] = keys[VK_LMENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(toggles, 1);
}

TEST_F(FrameTest, FrameCannotBeMadeSmallerThanTheMinimum)
{
    MINMAXINFO info{};
    SendMessageW(frame->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMinTrackSize.y, 226);

    MoveWindow(frame->Handle(), 10, 10, 120, 90, TRUE);
    RECT bounds{};
    GetWindowRect(frame->Handle(), &bounds);
    EXPECT_GE(bounds.right - bounds.left, 300);
    EXPECT_GE(bounds.bottom - bounds.top, 226);
}

TEST_F(FrameTest, FrameStyleIconAndFormLayout)
{
    LONG style = GetWindowLongW(frame->Handle(), GWL_STYLE);
    EXPECT_EQ(style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), static_cast<LONG>(WS_OVERLAPPEDWINDOW));
    EXPECT_NE(SendMessageW(frame->Handle(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(frame->Accelerators(), nullptr);

    // The form was created, then initialised once, and covers the frame's client area.
    EXPECT_EQ(form->steps, (std::vector<std::string>{"create", "initial update"}));
    EXPECT_EQ(GetParent(form->Handle()), frame->Handle());
    EXPECT_TRUE(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_CHILD);
    MoveWindow(frame->Handle(), 0, 0, 640, 480, TRUE);
    RECT client{}, formRect{};
    GetClientRect(frame->Handle(), &client);
    GetClientRect(form->Handle(), &formRect);
    EXPECT_EQ(formRect.right, client.right);
    EXPECT_EQ(formRect.bottom, client.bottom);

    // Getting the focus, the frame hands it to the form, which then receives the keys.
    ShowWindow(frame->Handle(), SW_SHOW);
    SetFocus(frame->Handle());
    EXPECT_EQ(GetFocus(), form->Handle());
}

constexpr wchar_t kBoxCaption[] = L"Box over the frame";

/// One close during a real error box, seen from inside the box's own loop. Global: the form and
/// its commands may be gone when the box returns, and nothing of theirs may be read then.
struct CloseDuringBox {
    HWND frame = nullptr;
    HWND renderWindow = nullptr;
    HWND box = nullptr;
    HWND boxOwner = nullptr;
    bool frameEnabled = true; ///< while the box showed
    int ticksAfterClose = 0;
    bool formGone = false;
    bool formGoneWhenBoxReturned = true;
} closeDuringBox;

/// Once the box shows, the close that Alt+F4 or the X of the game's window makes; a box still
/// up a second later is answered here, so that a faulty close cannot leave the test waiting.
void CALLBACK CloseTheFrameWhileTheBoxShows(HWND, UINT, UINT_PTR, DWORD)
{
    CloseDuringBox& run = closeDuringBox;
    HWND box = FindWindowW(L"#32770", kBoxCaption);
    if (!box) return;
    if (!run.box) {
        run.box = box;
        run.boxOwner = GetWindow(box, GW_OWNER);
        run.frameEnabled = IsWindowEnabled(run.frame) != FALSE;
        PostMessageW(run.frame, WM_CLOSE, 0, 0);
    } else if (++run.ticksAfterClose > 50) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

// A command meets an error ("Could not reset...") and shows its box; the player closes the game's
// window meanwhile. The box belongs to the window the game draws in (the frame, or in full screen
// the popup over it), the frame takes no close while it shows, the close ends the box, and the
// frame closes once the command has returned, its form still alive until then.
TEST(FrameClose, DuringARealErrorBoxEndsTheBoxFirstAndClosesAfterIt)
{
    ASSERT_NE(shell_test::UseGameResources(), nullptr);
    CSplashWnd::EnableSplash(false);
    error_box_testing::Capture(nullptr); // the real box; no fatal message so far
    for (const bool fullScreen : {false, true}) {
        SCOPED_TRACE(fullScreen ? "full screen" : "in a window");
        closeDuringBox = CloseDuringBox{};
        CloseDuringBox& run = closeDuringBox;
        auto owned = std::make_unique<RecordingForm>();
        RecordingForm* form = owned.get();
        form->gone = &run.formGone;
        CAppFrameWnd frame;
        ASSERT_TRUE(frame.LoadFrame(IDR_MAINFRAME, std::move(owned)));
        frame.InitialUpdateFrame(SW_HIDE);
        HWND popup = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 64, 64, frame.Handle(), nullptr,
                                     nullptr, nullptr);
        run.frame = frame.Handle();
        run.renderWindow = fullScreen ? popup : form->Handle();
        form->Commands().On(IDM_ABOUT, [] {
            ReportError(AppError::ResetFailed, MessageKind::Warning, kBoxCaption,
                        closeDuringBox.renderWindow);
            closeDuringBox.formGoneWhenBoxReturned = closeDuringBox.formGone;
        });

        const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseTheFrameWhileTheBoxShows);
        PostMessageW(run.frame, WM_COMMAND, IDM_ABOUT, 0);
        shell_test::PumpPending();
        KillTimer(nullptr, timer);

        ASSERT_NE(run.box, nullptr) << "no box showed";
        EXPECT_EQ(run.boxOwner, fullScreen ? popup : run.frame);
        EXPECT_FALSE(run.frameEnabled) << "the game's window took closes while the box showed";
        EXPECT_LE(run.ticksAfterClose, 50) << "the close left the box up";
        EXPECT_FALSE(run.formGoneWhenBoxReturned) << "the box returned into a destroyed form";
        EXPECT_TRUE(run.formGone && !IsWindow(run.frame)) << "the close was lost";
    }
}

TEST(FrameCreation, RefusedFormFailsTheFrame)
{
    ASSERT_NE(shell_test::UseGameResources(), nullptr);
    auto form = std::make_unique<RecordingForm>();
    form->refuseCreation = true;
    CAppFrameWnd frame;
    EXPECT_FALSE(frame.LoadFrame(IDR_MAINFRAME, std::move(form)));
    EXPECT_EQ(frame.Handle(), nullptr);
}

TEST(FormTemplate, IsAnEmptyChildOf99By68DialogUnits)
{
    HMODULE module = shell_test::UseGameResources();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_FORM), MAKEINTRESOURCEW(5)); // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const auto* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->style & WS_CHILD);
    EXPECT_FALSE(dialog->style & (WS_CAPTION | WS_BORDER | WS_POPUP));
    EXPECT_EQ(dialog->cdit, 0);
    EXPECT_EQ(dialog->cx, 99);
    EXPECT_EQ(dialog->cy, 68);
}

TEST(CommandMap, OneRuleGovernsSeveralItemsAndUnruledItemsStayEnabled)
{
    CCommandMap map;
    bool allowed = true;
    int calls = 0;
    map.EnableWhen({1, 2}, [&] { return allowed; });
    map.On(1, [&] { ++calls; });
    EXPECT_TRUE(map.Execute(1));
    EXPECT_FALSE(map.Execute(3)); // no handler
    allowed = false;
    EXPECT_TRUE(map.Execute(1));
    EXPECT_EQ(calls, 1);

    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 1, L"a");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, 2, L"b");
    AppendMenuW(popup, MF_STRING, 3, L"c");
    map.UpdateMenu(popup);
    EXPECT_TRUE(GetMenuState(popup, 1, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(popup, 3, MF_BYCOMMAND) & MF_GRAYED);
    allowed = true;
    map.UpdateMenu(popup);
    EXPECT_FALSE(GetMenuState(popup, 2, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(popup);
}

} // namespace
