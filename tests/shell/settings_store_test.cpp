#include "shell/settings_store.h"

#include "framework/code_page_1251.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string TestName()
{
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

class SettingsStore : public ::testing::Test {
protected:
    bool Load(HWND frame = nullptr) { return LoadSettings(settings, sandbox.Root(), sandbox.Path(), frame); }
    void Save(HWND frame = nullptr) { SaveSettings(settings, sandbox.Root(), sandbox.Path(), frame); }
    DWORD StoredDword(const char* name) const
    {
        const RegistrySandbox::Stored v = sandbox.Get(name);
        DWORD value = 0;
        if (v.bytes.size() == 4) std::memcpy(&value, v.bytes.data(), 4);
        return value;
    }
    /// A picture file that exists, in the current directory; `name` in Windows-1251.
    void PutPictureFile(const std::string& name)
    {
        FILE* f = _wfopen(Cp1251ToWide(name).c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fputs("not really a picture", f);
        std::fclose(f);
        pictureFile = name;
    }
    std::wstring StoredUnicode(const char* name) const
    {
        wchar_t text[64] = {};
        DWORD size = sizeof text;
        RegGetValueW(sandbox.Root(), Cp1251ToWide(sandbox.Path()).c_str(), Cp1251ToWide(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, text, &size);
        return text;
    }
    ~SettingsStore() override
    {
        if (!pictureFile.empty()) _wremove(Cp1251ToWide(pictureFile).c_str());
    }

    RegistrySandbox sandbox{"SettingsStore_" + TestName()};
    Settings settings;
    std::string pictureFile;
};

struct ExpectedValue {
    const char* name;
    DWORD type;
    std::size_t size;
};

} // namespace

TEST_F(SettingsStore, FirstStartWithoutTheKeyUsesTheDefaultsAndSavesAllThirteenValues)
{
    ASSERT_FALSE(sandbox.Exists());
    HiddenFrame frame;
    ASSERT_NE(frame.Get(), nullptr);
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);

    EXPECT_TRUE(Load(frame.Get()));
    EXPECT_TRUE(sandbox.Exists());

    const RECT placed = frame.NormalRect();
    EXPECT_EQ(placed.left, 162);
    EXPECT_EQ(placed.top, 71);
    EXPECT_EQ(placed.right, 862);
    EXPECT_EQ(placed.bottom, 697);
    EXPECT_FALSE(IsWindowVisible(frame.Get()));

    // At 150 % the first window covers the same part of the desk (1050 × 939 real pixels, as
    // Windows showed it stretched before the game handled the scale itself); never beyond the screen.
    const RECT scaled = DefaultFrameRect({1920, 1080}, 144);
    EXPECT_EQ(scaled.right - scaled.left, 1050);
    EXPECT_EQ(scaled.bottom - scaled.top, 939);
    EXPECT_EQ(scaled.left + scaled.right, 1920);
    const RECT small = DefaultFrameRect({1024, 768}, 192);
    EXPECT_EQ(small.left, 0);
    EXPECT_EQ(small.right, 1024);
    EXPECT_EQ(small.top, 0);
    EXPECT_EQ(small.bottom, 768);
    const RECT unscaled = DefaultFrameRect({640, 480}, 96); // as before, even larger than the screen
    EXPECT_EQ(unscaled.right - unscaled.left, 700);

    EXPECT_EQ(settings.Picture, 0u);
    EXPECT_EQ(settings.NumberRotate, 3u);
    EXPECT_EQ(settings.ShowNameDlg, 1u);
    EXPECT_EQ(settings.ShowListChampions, 1u);
    EXPECT_EQ(settings.ShowNamePlayerStopWatch, 1u);
    EXPECT_EQ(settings.ColorBG, 0xFF000000u);
    EXPECT_EQ(settings.PathPicture, "background.jpg");
    EXPECT_EQ(NameText(settings.playerNames.Current()), kDefaultPlayerName);
    EXPECT_EQ(settings.playerNames.ToBlock(), PlayerNames().ToBlock());
    EXPECT_EQ(settings.championTable.ToBlock(), ChampionTable::EmptyBlock());

    Save(frame.Get());
    const ExpectedValue expected[] = {
        {"Left", REG_DWORD, 4},
        {"Top", REG_DWORD, 4},
        {"Width", REG_DWORD, 4},
        {"Height", REG_DWORD, 4},
        {"PathPicture", REG_SZ, 15},
        {"NumberRotate", REG_DWORD, 4},
        {"ColorBG", REG_DWORD, 4},
        {"Picture", REG_DWORD, 4},
        {"ShowNameDlg", REG_DWORD, 4},
        {"ShowListChampions", REG_DWORD, 4},
        {"ShowNamePlayerStopWatch", REG_DWORD, 4},
        {"NamePlayer", REG_BINARY, 200},
        {"Champions", REG_BINARY, 140},
    };
    EXPECT_EQ(sandbox.ValueCount(), 13u);
    for (const ExpectedValue& e : expected) {
        const RegistrySandbox::Stored v = sandbox.Get(e.name);
        EXPECT_TRUE(v.present) << e.name;
        EXPECT_EQ(v.type, e.type) << e.name;
        EXPECT_EQ(v.bytes.size(), e.size) << e.name;
    }
    EXPECT_EQ(StoredDword("Left"), 162u);
    EXPECT_EQ(StoredDword("Top"), 71u);
    EXPECT_EQ(StoredDword("Width"), 862u);
    EXPECT_EQ(StoredDword("Height"), 697u);
    EXPECT_EQ(StoredDword("Picture"), 0u);
    EXPECT_EQ(StoredDword("ShowNameDlg"), 1u);
    const RegistrySandbox::Stored champions = sandbox.Get("Champions");
    const ChampionTable::Block empty = ChampionTable::EmptyBlock();
    EXPECT_EQ(champions.bytes, std::vector<std::uint8_t>(empty.begin(), empty.end()));
    const RegistrySandbox::Stored names = sandbox.Get("NamePlayer");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(names.bytes.data())), kDefaultPlayerName);
}

TEST_F(SettingsStore, KeyThatCannotBeOpenedLeavesTheConstructionValues)
{
    EXPECT_FALSE(LoadSettings(settings, nullptr, "Software\\TessaronTests\\Nowhere", nullptr));
    EXPECT_EQ(settings.Picture, 1u);
    EXPECT_EQ(settings.ShowNameDlg, 0u);
    EXPECT_EQ(settings.ShowListChampions, 0u);
    EXPECT_EQ(settings.ShowNamePlayerStopWatch, 0u);
    EXPECT_EQ(settings.NumberRotate, 3u);
    SaveSettings(settings, nullptr, "Software\\TessaronTests\\Nowhere", nullptr); // must not crash
}

TEST_F(SettingsStore, StoredEdgesPlaceTheFrameAndComeBackFromIt)
{
    sandbox.PutDword("Left", 100);
    sandbox.PutDword("Top", static_cast<DWORD>(-20));
    sandbox.PutDword("Width", 900);
    sandbox.PutDword("Height", 500);
    HiddenFrame frame;
    ASSERT_TRUE(Load(frame.Get()));
    const RECT placed = frame.NormalRect();
    EXPECT_EQ(placed.right - placed.left, 800);
    EXPECT_EQ(placed.top, -20);

    // The player moved the frame during the run: its restored rectangle is what is saved.
    WINDOWPLACEMENT moved{};
    moved.length = sizeof moved;
    moved.showCmd = SW_HIDE;
    moved.rcNormalPosition = RECT{30, 40, 530, 440};
    ASSERT_TRUE(SetWindowPlacement(frame.Get(), &moved));
    Save(frame.Get());
    EXPECT_EQ(StoredDword("Left"), 30u);
    EXPECT_EQ(StoredDword("Top"), 40u);
    EXPECT_EQ(StoredDword("Width"), 530u);
    EXPECT_EQ(StoredDword("Height"), 440u);

    // A maximised frame stores the rectangle it would be restored to.
    ShowWindow(frame.Get(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(frame.Get()));
    Save(frame.Get());
    EXPECT_EQ(StoredDword("Left"), 30u);
    EXPECT_EQ(StoredDword("Width"), 530u);
    ShowWindow(frame.Get(), SW_HIDE);

    // Without a frame the loaded rectangle is written back as it was read.
    sandbox.PutDword("Top", static_cast<DWORD>(-20));
    Settings other;
    ASSERT_TRUE(LoadSettings(other, sandbox.Root(), sandbox.Path(), nullptr));
    SaveSettings(other, sandbox.Root(), sandbox.Path(), nullptr);
    EXPECT_EQ(static_cast<LONG>(StoredDword("Top")), -20);
    EXPECT_EQ(StoredDword("Width"), 530u);
}

TEST_F(SettingsStore, ShortNamePlayerReplacesOnlyTheLeadingSlots)
{
    std::uint8_t stored[40] = {};
    std::memcpy(stored, "Ann", 3);
    std::memcpy(stored + 20, "ABCDEFGHIJKLMNOPQRST", 20); // slot 1 full, no terminator
    sandbox.Put("NamePlayer", REG_BINARY, stored, sizeof stored);

    ASSERT_TRUE(Load());
    EXPECT_EQ(NameText(settings.playerNames.Entries()[0]), "Ann");
    EXPECT_EQ(NameText(settings.playerNames.Entries()[1]), "ABCDEFGHIJKLMNOPQRST");
    for (int i = 2; i < 10; ++i)
        EXPECT_TRUE(IsNameEmpty(settings.playerNames.Entries()[i])) << i;

    // Slots beyond the stored bytes keep what they held before the read.
    Settings earlier;
    earlier.playerNames.Enter(MakeNameField("Q"));
    earlier.playerNames.Enter(MakeNameField("P"));
    earlier.playerNames.Enter(MakeNameField("O")); // O, P, Q, Товарищ
    ASSERT_TRUE(LoadSettings(earlier, sandbox.Root(), sandbox.Path(), nullptr));
    EXPECT_EQ(NameText(earlier.playerNames.Entries()[0]), "Ann");
    EXPECT_EQ(NameText(earlier.playerNames.Entries()[1]), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(NameText(earlier.playerNames.Entries()[2]), "Q");
    EXPECT_EQ(NameText(earlier.playerNames.Entries()[3]), kDefaultPlayerName);
}

TEST_F(SettingsStore, OverlongNamePlayerFallsBackToTheCurrentNameAlone)
{
    std::vector<std::uint8_t> stored(300, 'z');
    sandbox.Put("NamePlayer", REG_BINARY, stored.data(), 300);
    settings.playerNames.Enter(MakeNameField("Bob")); // Bob, Товарищ, …
    ASSERT_TRUE(Load());
    EXPECT_EQ(NameText(settings.playerNames.Current()), "Bob");
    for (int i = 1; i < 10; ++i)
        EXPECT_TRUE(IsNameEmpty(settings.playerNames.Entries()[i])) << i;
}

TEST_F(SettingsStore, TwentyByteNameInSlotZeroDoesNotRunIntoSlotOne)
{
    std::uint8_t stored[200] = {};
    std::memcpy(stored, "ABCDEFGHIJKLMNOPQRST", 20);
    std::memcpy(stored + 20, "Zed", 3);
    sandbox.Put("NamePlayer", REG_BINARY, stored, sizeof stored);
    ASSERT_TRUE(Load());
    EXPECT_EQ(NameText(settings.playerNames.Current()), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(NameText(settings.playerNames.Entries()[1]), "Zed");
    Save();
    EXPECT_EQ(sandbox.Get("NamePlayer").bytes, std::vector<std::uint8_t>(stored, stored + 200));
}

TEST_F(SettingsStore, ChampionsAreKeptInStoredOrderUntilTheNextResult)
{
    ChampionTable::Block block = ChampionTable::EmptyBlock();
    const ChampionRecord unsorted[] = {
        {50, MakeNameField("p")}, {10, MakeNameField("q")}, {30, MakeNameField("r")}};
    std::memcpy(block.data(), unsorted, sizeof unsorted);
    sandbox.Put("Champions", REG_BINARY, block.data(), 140);

    ASSERT_TRUE(Load());
    const auto& loaded = settings.championTable.Entries();
    EXPECT_EQ(loaded[0].time, 50);
    EXPECT_EQ(loaded[1].time, 10);
    EXPECT_EQ(loaded[2].time, 30);
    Save();
    EXPECT_EQ(sandbox.Get("Champions").bytes, std::vector<std::uint8_t>(block.begin(), block.end()));

    settings.championTable.AddResult({20, MakeNameField("s")});
    EXPECT_EQ(loaded[0].time, 10);
    EXPECT_EQ(loaded[1].time, 20);
    EXPECT_EQ(loaded[2].time, 30);
    EXPECT_EQ(loaded[3].time, 50);
    EXPECT_TRUE(ChampionTable::IsEmpty(loaded[4]));
}

TEST_F(SettingsStore, ShortChampionsReplaceLeadingRecordsAndLongOnesAreIgnored)
{
    const ChampionRecord one{42, MakeNameField("first")};
    sandbox.Put("Champions", REG_BINARY, &one, sizeof one);
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.championTable.Entries()[0].time, 42);
    EXPECT_EQ(NameText(settings.championTable.Entries()[0].name), "first");
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(ChampionTable::IsEmpty(settings.championTable.Entries()[i])) << i;

    std::vector<std::uint8_t> tooLong(168, 0);
    sandbox.Put("Champions", REG_BINARY, tooLong.data(), 168);
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.championTable.ToBlock(), ChampionTable::EmptyBlock());
}

TEST_F(SettingsStore, FlagValuesOtherThanOneAreSavedBackUnchanged)
{
    sandbox.PutDword("ShowListChampions", 2);
    sandbox.PutDword("Picture", 2);
    sandbox.PutDword("NumberRotate", 250);
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.ShowListChampions, 2u);
    Save();
    EXPECT_EQ(StoredDword("ShowListChampions"), 2u);
    EXPECT_EQ(StoredDword("Picture"), 2u);
    EXPECT_EQ(StoredDword("NumberRotate"), 250u);
}

TEST_F(SettingsStore, MissingPictureFileForcesBlackAndKeepsThePath)
{
    sandbox.PutText("PathPicture", "no_such_picture.jpg");
    sandbox.PutDword("ColorBG", 0xFF336699);
    sandbox.PutDword("Picture", 0); // black whether or not the picture is on
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.ColorBG, 0xFF000000u);
    EXPECT_EQ(settings.PathPicture, "no_such_picture.jpg");
    Save();
    const RegistrySandbox::Stored path = sandbox.Get("PathPicture");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(path.bytes.data())), "no_such_picture.jpg");
    EXPECT_EQ(StoredDword("ColorBG"), 0xFF000000u);
}

TEST_F(SettingsStore, ExistingPictureFileKeepsTheColour)
{
    // Relative: found in the current directory. The Russian name is found whatever the system's
    // ANSI code page (1252 under Wine's default locale). Stored as the earlier version did, by the
    // ANSI call in that code page, and saved as the Russian text it means. "Ђ.jpg" was so stored
    // as "€.jpg", which is also 1251 text, of a file that does not exist.
    for (const std::string& name : {std::string("settings_store_test_picture.jpg"),
                                    Utf8ToCp1251("фон настроек.jpg"), Utf8ToCp1251("Ђ.jpg")}) {
        PutPictureFile(name);
        sandbox.PutText("PathPicture", name.c_str());
        sandbox.PutDword("ColorBG", 0xFF336699);
        ASSERT_TRUE(Load());
        EXPECT_EQ(settings.ColorBG, 0xFF336699u) << name;
        EXPECT_EQ(settings.PathPicture, name);
        Save();
        EXPECT_EQ(StoredUnicode("PathPicture"), Cp1251ToWide(name)) << name;
        ASSERT_TRUE(Load());
        EXPECT_EQ(settings.PathPicture, name);
        _wremove(Cp1251ToWide(name).c_str());
    }
}

TEST_F(SettingsStore, OverlongPicturePathFallsBackToTheDefault)
{
    sandbox.PutText("PathPicture", std::string(600, 'p'));
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.PathPicture, "background.jpg");

    // The longest path that fits the 512-byte buffer with its terminator is taken whole.
    sandbox.PutText("PathPicture", std::string(511, 'q'));
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.PathPicture, std::string(511, 'q'));

    // 512 bytes without a terminator leave no room for one.
    const std::string unterminated(512, 'r');
    sandbox.Put("PathPicture", REG_BINARY, unterminated.data(), 512);
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.PathPicture, "background.jpg");
}

TEST_F(SettingsStore, ValuesOfAnotherTypeFollowTheSizeRules)
{
    const std::uint8_t rotate[] = {7, 0, 0, 0};
    sandbox.Put("NumberRotate", REG_BINARY, rotate, 4);   // right size: taken
    sandbox.PutText("ShowNameDlg", "no");                 // 3 bytes: leading bytes only
    sandbox.PutText("Left", "a long text, not a number"); // too long: default
    const std::uint64_t colour = 0x00000000FF00FF00ULL;
    sandbox.Put("ColorBG", REG_QWORD, &colour, 8); // too long: default
    sandbox.PutDword("Champions", 5);              // 4 bytes over record 0's time
    sandbox.PutText("NamePlayer", "Eve");          // text bytes as slot 0
    ASSERT_TRUE(Load());
    EXPECT_EQ(settings.NumberRotate, 7u);
    // The default 1 (01 00 00 00) with its first three bytes replaced by 'n' 'o' 0.
    EXPECT_EQ(settings.ShowNameDlg, 0x0000006Eu | (0x6Fu << 8));
    EXPECT_EQ(settings.frameRect.left, 162);
    EXPECT_EQ(settings.ColorBG, 0xFF000000u);
    // 86399 is 7F 51 01 00 ...: the low four bytes become 05 00 00 00.
    EXPECT_EQ(settings.championTable.Entries()[0].time, 5);
    EXPECT_EQ(NameText(settings.playerNames.Current()), "Eve");
    Save();
    EXPECT_EQ(sandbox.Get("NumberRotate").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(sandbox.Get("NamePlayer").bytes.size(), 200u);
}
