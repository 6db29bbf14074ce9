// The Presets, New-player and About dialogs, driven from inside their modal loops: data
// exchange both ways, the digit filter and the 3…999 rule, the colour rules after OK, the
// sorted name list, "Товарищ" for an empty name, the About texts and the program file's
// version resource.
#include "shell_test_support.h"

#include "framework/code_page_1251.h"
#include "resources/resource.h"
#include "shell/about_dialog.h"
#include "shell/name_dialog.h"
#include "shell/presets_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using shell_test::RunDialogScript;
using shell_test::TextOf;
using shell_test::TypeText;

namespace {

class DialogTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(shell_test::UseGameResources(), nullptr); }
};

void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// --- Presets ---------------------------------------------------------------------------

/// Opens the Presets dialog on `start`, replaces the number box's text by typing `typed`
/// (after clearing it), records the box's text and presses OK.
std::pair<INT_PTR, std::wstring> TypeIntoPresets(PresetValues& values, const std::wstring& typed)
{
    std::wstring shown;
    CPreSetDlg dialog;
    dialog.values = values;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) {
                                         HWND box = GetDlgItem(window, IDC_NUMBER_ROTATE);
                                         SetWindowTextW(box, L"");
                                         TypeText(box, typed);
                                         shown = TextOf(box);
                                         Click(window, IDOK);
                                     });
    values = dialog.values;
    return {result, shown};
}

TEST_F(DialogTest, PresetsShowTheValuesAndReturnTheChangedOnes)
{
    CPreSetDlg dialog;
    dialog.values = PresetValues{17, 0, 1, 0, 1};
    std::wstring title, number, pictureText;
    UINT pictureShown = 99, askShown = 99;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) {
                                         title = TextOf(window);
                                         number = TextOf(GetDlgItem(window, IDC_NUMBER_ROTATE));
                                         pictureText = TextOf(GetDlgItem(window, IDC_SHOW_PICTURE));
                                         pictureShown = IsDlgButtonChecked(window, IDC_SHOW_PICTURE);
                                         askShown = IsDlgButtonChecked(window, IDC_ASK_NAME);
                                         Click(window, IDC_SHOW_PICTURE);
                                         Click(window, IDC_ASK_NAME);
                                         Click(window, IDC_SHOW_CHAMPIONS);
                                         Click(window, IDOK);
                                     });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(title, L"Предварительные настройки");
    EXPECT_EQ(pictureText, L"Показывать картинку");
    EXPECT_EQ(number, L"17");
    EXPECT_EQ(pictureShown, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(askShown, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(dialog.values.numberRotate, 17);
    EXPECT_EQ(dialog.values.picture, 1);
    EXPECT_EQ(dialog.values.showNameDlg, 0);
    EXPECT_EQ(dialog.values.showListChampions, 1);
    EXPECT_EQ(dialog.values.showNamePlayerStopWatch, 1);
}

TEST_F(DialogTest, PresetsNumberBoxTakesDigitsOnlyAndAtMostThree)
{
    PresetValues values;
    auto [result, shown] = TypeIntoPresets(values, L"1a");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(shown, L"1");
    EXPECT_EQ(values.numberRotate, 3); // below 3 becomes 3

    std::tie(result, shown) = TypeIntoPresets(values, L"2500");
    EXPECT_EQ(shown, L"250");
    EXPECT_EQ(values.numberRotate, 250);

    std::tie(result, shown) = TypeIntoPresets(values, L"");
    EXPECT_EQ(values.numberRotate, 3);

    std::tie(result, shown) = TypeIntoPresets(values, L"9x9");
    EXPECT_EQ(shown, L"99");
    EXPECT_EQ(values.numberRotate, 99);
}

TEST_F(DialogTest, PresetsPastedTextKeepsAllButATrailingNonDigit)
{
    CPreSetDlg dialog;
    std::wstring shown;
    RunDialogScript([&] { return dialog.DoModal(nullptr); },
                    [&](HWND window) {
                        HWND box = GetDlgItem(window, IDC_NUMBER_ROTATE);
                        SendMessageW(box, EM_SETSEL, 0, -1);
                        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"a1"));
                        shown = TextOf(box);
                        Click(window, IDOK);
                    });
    EXPECT_EQ(shown, L"a1");
    EXPECT_EQ(dialog.values.numberRotate, 3);
}

TEST(ScrambleTurns, TextIsReadLikeADecimalNumberAndHeldTo3To999)
{
    EXPECT_EQ(ScrambleTurnsFromText(L"  42"), 42);
    EXPECT_EQ(ScrambleTurnsFromText(L"+7x"), 7);
    EXPECT_EQ(ScrambleTurnsFromText(L"-5"), 3);
    EXPECT_EQ(ScrambleTurnsFromText(L"a1"), 3);
    EXPECT_EQ(ScrambleTurnsFromText(L"2"), 3);
    EXPECT_EQ(ScrambleTurnsFromText(L"999"), 999);
    EXPECT_EQ(ScrambleTurnsFromText(L"123456789012345"), 999);
}

TEST_F(DialogTest, PresetsCommandSetsTheBackgroundColourOnOkOnly)
{
    char existing[MAX_PATH];
    GetTempPathA(MAX_PATH, existing);
    std::strcat(existing, Utf8ToCp1251("Фоновые картинки").c_str()); // read in 1251 on any system
    CreateDirectoryW(Cp1251ToWide(existing).c_str(), nullptr);
    std::strcat(existing, Utf8ToCp1251("\\фон.jpg").c_str());
    FILE* file = _wfopen(Cp1251ToWide(existing).c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("picture", file);
    std::fclose(file);

    auto run = [](PresetValues& values, DWORD& colour, const char* path, int clickPicture, int button) {
        return RunDialogScript([&] { return RunPresetsDialog(nullptr, values, colour, path) ? IDOK : IDCANCEL; },
                               [&](HWND window) {
                                   if (clickPicture) Click(window, IDC_SHOW_PICTURE);
                                   Click(window, button);
                               });
    };

    PresetValues values;
    values.picture = 0;
    DWORD colour = 0xFF123456;
    EXPECT_EQ(run(values, colour, existing, 1, IDOK), IDOK);
    EXPECT_EQ(values.picture, 1);
    EXPECT_EQ(colour, 0xFFFFFFFFu);

    colour = 0xFF123456;
    EXPECT_EQ(run(values, colour, "no such picture.jpg", 0, IDOK), IDOK);
    EXPECT_EQ(colour, 0xFF000000u);

    colour = 0xFF123456;
    EXPECT_EQ(run(values, colour, existing, 1, IDOK), IDOK); // picture turned off again
    EXPECT_EQ(values.picture, 0);
    EXPECT_EQ(colour, 0x00000000u);

    values.numberRotate = 12;
    colour = 0xFF123456;
    EXPECT_EQ(run(values, colour, existing, 1, IDCANCEL), IDCANCEL);
    EXPECT_EQ(values.picture, 0);
    EXPECT_EQ(values.numberRotate, 12);
    EXPECT_EQ(colour, 0xFF123456u);

    DeleteFileW(Cp1251ToWide(existing).c_str());
}

// --- New player ------------------------------------------------------------------------

struct Slots {
    char bytes[CNameDlg::kNameCount][kNameFieldSize] = {};
    void Set(int slot, const std::wstring& name) { Cp1251FromWide(name, bytes[slot], kNameFieldSize); }
};

std::vector<std::wstring> ListOf(HWND combo)
{
    std::vector<std::wstring> items;
    int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

TEST_F(DialogTest, NameDialogShowsTheNameAndTheEarlierNamesSorted)
{
    Slots slots;
    slots.Set(0, L"Иван");
    slots.Set(1, L"Пётр");
    slots.Set(3, L"Анна");
    CNameDlg dialog;
    dialog.SetNames(&slots.bytes[0][0]);
    std::wstring title, field;
    std::vector<std::wstring> list;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) {
                                         title = TextOf(window);
                                         HWND combo = GetDlgItem(window, IDC_PLAYER_NAME);
                                         field = TextOf(combo);
                                         list = ListOf(combo);
                                         Click(window, IDOK);
                                     });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(title, L"Новый игрок");
    EXPECT_EQ(field, L"Иван");
    EXPECT_EQ(list, (std::vector<std::wstring>{L"Анна", L"Пётр"}));
    char entered[kNameFieldSize];
    dialog.GetEnteredName(entered);
    EXPECT_EQ(std::memcmp(entered, slots.bytes[0], kNameFieldSize), 0);
}

TEST_F(DialogTest, EmptyNameBecomesTovarishchAndLongNamesStopAt20)
{
    CNameDlg dialog;
    RunDialogScript([&] { return dialog.DoModal(nullptr); },
                    [&](HWND window) {
                        SetDlgItemTextW(window, IDC_PLAYER_NAME, L"");
                        Click(window, IDOK);
                    });
    EXPECT_EQ(dialog.names[0], L"Товарищ");
    char entered[kNameFieldSize];
    dialog.GetEnteredName(entered);
    EXPECT_EQ(std::string(entered, 7), "\xD2\xEE\xE2\xE0\xF0\xE8\xF9"); // "Товарищ" in Windows-1251
    EXPECT_EQ(entered[7], '\0');

    CNameDlg typing;
    std::wstring shown;
    RunDialogScript([&] { return typing.DoModal(nullptr); },
                    [&](HWND window) {
                        HWND combo = GetDlgItem(window, IDC_PLAYER_NAME);
                        SetWindowTextW(combo, L"");
                        COMBOBOXINFO parts{};
                        parts.cbSize = sizeof parts;
                        GetComboBoxInfo(combo, &parts);
                        HWND edit = parts.hwndItem; // the combo box's edit field
                        TypeText(edit, L"Александра Petrovna-Smirnova");
                        shown = TextOf(combo);
                        Click(window, IDOK);
                    });
    EXPECT_EQ(shown, L"Александра Petrovna-");
    EXPECT_EQ(typing.names[0], L"Александра Petrovna-");
    typing.GetEnteredName(entered);
    EXPECT_EQ(WideFromCp1251(entered, kNameFieldSize), L"Александра Petrovna-"); // full slot, no terminator
}

TEST_F(DialogTest, CancelledNameDialogReportsCancel)
{
    CNameDlg dialog;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) {
                                         SetDlgItemTextW(window, IDC_PLAYER_NAME, L"Кто-то");
                                         Click(window, IDCANCEL);
                                     });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(NameSlots, TwentyByteSlotsConvertBothWays)
{
    char slot[kNameFieldSize];
    std::memset(slot, 'x', sizeof slot);
    Cp1251FromWide(L"Ёж", slot, kNameFieldSize);
    EXPECT_EQ(slot[0], '\xA8');
    EXPECT_EQ(slot[1], '\xE6');
    for (std::size_t i = 2; i < kNameFieldSize; ++i) EXPECT_EQ(slot[i], '\0');

    std::memset(slot, '\xC0', sizeof slot); // twenty "А" and no terminator
    EXPECT_EQ(WideFromCp1251(slot, kNameFieldSize), std::wstring(20, L'А'));
    EXPECT_EQ(WideFromCp1251(slot, 0), L"");
}

// --- About -----------------------------------------------------------------------------

struct ChildInfo {
    std::wstring className, text;
    RECT rect;
    int id;
    bool hasFont;
};

std::vector<ChildInfo> ChildrenOf(HWND dialog)
{
    std::vector<ChildInfo> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ChildInfo info{};
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        info.className = name;
        info.text = TextOf(child);
        GetWindowRect(child, &info.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&info.rect), 2);
        info.id = GetDlgCtrlID(child);
        info.hasFont = SendMessageW(child, WM_GETFONT, 0, 0) != 0;
        children.push_back(info);
    }
    return children;
}

TEST_F(DialogTest, AboutShowsIconVersionAndTheProjectsMaintainersAndClosesWithEsc)
{
    CAboutDlg dialog;
    std::wstring title;
    std::vector<ChildInfo> children;
    bool iconShown = false;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) {
                                         title = TextOf(window);
                                         children = ChildrenOf(window);
                                         for (HWND child = GetWindow(window, GW_CHILD); child;
                                              child = GetWindow(child, GW_HWNDNEXT)) {
                                             if (SendMessageW(child, STM_GETICON, 0, 0)) iconShown = true;
                                         }
                                         PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
                                     });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(title, L"О программе");
    EXPECT_TRUE(iconShown);
    ASSERT_EQ(children.size(), 3u);
    for (const ChildInfo& child : children) EXPECT_NE(child.className, L"Button");
    auto find = [&](const wchar_t* part) {
        for (const ChildInfo& child : children)
            if (child.text.find(part) != std::wstring::npos) return child;
        return ChildInfo{};
    };
    const ChildInfo version = find(L"Version");
    const ChildInfo author = find(L"Tessaron");
    EXPECT_EQ(version.text, L"Version 2.0");
    EXPECT_EQ(version.id, 0xFFFF);
    EXPECT_TRUE(version.hasFont);
    EXPECT_EQ(version.rect.left, 70);
    EXPECT_EQ(version.rect.top, 20);
    EXPECT_EQ(version.rect.right, 200);
    EXPECT_EQ(version.rect.bottom, 40);
    EXPECT_NE(author.text.find(L"Tessaron developers"), std::wstring::npos);
    EXPECT_NE(author.text.find(L'\n'), std::wstring::npos); // contact on a second line
    EXPECT_EQ(author.rect.left, 70);
    EXPECT_EQ(author.rect.top, 40);
    EXPECT_TRUE(author.hasFont);
}

/// Whether a button control is a check box or a radio button: its label sits beside the mark.
bool HasMark(HWND control)
{
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

/// Static texts and check-box labels of `dialog` whose words, laid out as the control lays them
/// out in its own font (a label on one line beside its mark, unless it is multi-line), need more
/// room than the control's box: the player would see them cut off.
std::vector<std::wstring> TextsCutOff(HWND dialog)
{
    constexpr int kMarkGap = 4; ///< between a check box's mark and its label
    std::vector<std::wstring> cut;
    HDC dc = GetDC(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        const std::wstring text = TextOf(child);
        const bool label = lstrcmpiW(className, L"Button") == 0 && HasMark(child);
        if ((lstrcmpiW(className, L"Static") != 0 && !label) || text.empty()) continue;
        RECT box{}, needed{};
        GetClientRect(child, &box);
        if (label) box.right -= GetSystemMetrics(SM_CXMENUCHECK) + kMarkGap;
        needed = box;
        const bool oneLine = label && !(GetWindowLongW(child, GWL_STYLE) & BS_MULTILINE);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text.c_str(), -1, &needed,
                  DT_CALCRECT | DT_EXPANDTABS | (oneLine ? DT_SINGLELINE : DT_WORDBREAK));
        SelectObject(dc, old);
        if (needed.bottom > box.bottom || needed.right > box.right) cut.push_back(text);
    }
    ReleaseDC(dialog, dc);
    return cut;
}

TEST_F(DialogTest, EveryTextOfTheDialogsFitsItsBox)
{
    CPreSetDlg presets;
    CNameDlg name;
    CAboutDlg about;
    for (CDialog* dialog : std::initializer_list<CDialog*>{&presets, &name, &about}) {
        std::vector<std::wstring> cut{L"not opened"};
        RunDialogScript([&] { return dialog->DoModal(nullptr); },
                        [&](HWND window) {
                            cut = TextsCutOff(window);
                            PostMessageW(window, WM_CLOSE, 0, 0);
                        });
        EXPECT_TRUE(cut.empty()) << "cut off: " << cut.front();
    }
}

TEST_F(DialogTest, AboutClosesWithTheCloseBox)
{
    CAboutDlg dialog;
    INT_PTR result = RunDialogScript([&] { return dialog.DoModal(nullptr); },
                                     [&](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(result, IDCANCEL);
}

/// A text of the program file's version resource, from the Russian/Unicode string block.
std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return L"";
    return static_cast<const wchar_t*>(value);
}

TEST(VersionResource, ExplorerShowsTheAboutBoxVersionAndARussianName)
{
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(L"tessaron.exe", &unused);
    ASSERT_NE(size, 0u) << "tessaron.exe carries no version resource";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(L"tessaron.exe", 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const std::wstring about = CAboutDlg::kVersionText;
    const std::wstring shown = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                               std::to_wstring(LOWORD(fixed->dwFileVersionMS));
    EXPECT_EQ(about.substr(about.rfind(L' ') + 1), shown);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0419); // Russian
    EXPECT_EQ(translation[1], 1200);   // Unicode
    EXPECT_EQ(VersionString(info, L"ProductName"), L"Головоломка Кубик Тессара");
    EXPECT_NE(VersionString(info, L"FileDescription").find(L"кубик"), std::wstring::npos);
    EXPECT_EQ(VersionString(info, L"FileVersion"), shown);
    EXPECT_EQ(VersionString(info, L"ProductVersion"), shown);
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), L"tessaron.exe");
}

} // namespace
