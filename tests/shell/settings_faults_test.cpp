// Damaged settings: every one of the thirteen values absent, too short, too long or of another
// type, one at a time and all at once. Each must load as the size rules say, leave the other
// values alone, and come back unchanged after a save and a second load.

#include "game/overlay.h"
#include "shell/settings_store.h"
#include "support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Snapshot = std::map<std::string, Bytes>; ///< value name → the bytes the settings stand for

enum class Damage { Absent, TooShort, TooLong, OtherType };
const Damage kDamages[] = {Damage::Absent, Damage::TooShort, Damage::TooLong, Damage::OtherType};
const char* DamageName(Damage d)
{
    switch (d) {
    case Damage::Absent: return "absent";
    case Damage::TooShort: return "too short";
    case Damage::TooLong: return "too long";
    default: return "of another type";
    }
}

enum class Kind { Dword, Text, Block };
struct ValueSpec {
    const char* name;
    Kind kind;
    DWORD size; ///< stored size of a sound value (texts: none)
};
const ValueSpec kValues[] = {
    {"Left", Kind::Dword, 4},         {"Top", Kind::Dword, 4},
    {"Width", Kind::Dword, 4},        {"Height", Kind::Dword, 4},
    {"PathPicture", Kind::Text, 0},   {"NumberRotate", Kind::Dword, 4},
    {"ColorBG", Kind::Dword, 4},      {"Picture", Kind::Dword, 4},
    {"ShowNameDlg", Kind::Dword, 4},  {"ShowListChampions", Kind::Dword, 4},
    {"ShowNamePlayerStopWatch", Kind::Dword, 4},
    {"NamePlayer", Kind::Block, 200}, {"Champions", Kind::Block, 140},
};

constexpr char kPictureFile[] = "fault-picture.bmp";
constexpr std::size_t kOverlongPath = 600;

Bytes DwordBytes(DWORD v)
{
    Bytes b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
}
Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool FileOpens(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

Snapshot Take(const Settings& s)
{
    Snapshot snap;
    snap["Left"] = DwordBytes(static_cast<DWORD>(s.frameRect.left));
    snap["Top"] = DwordBytes(static_cast<DWORD>(s.frameRect.top));
    snap["Width"] = DwordBytes(static_cast<DWORD>(s.frameRect.right));
    snap["Height"] = DwordBytes(static_cast<DWORD>(s.frameRect.bottom));
    snap["PathPicture"] = TextBytes(s.PathPicture);
    snap["NumberRotate"] = DwordBytes(s.NumberRotate);
    snap["ColorBG"] = DwordBytes(s.ColorBG);
    snap["Picture"] = DwordBytes(s.Picture);
    snap["ShowNameDlg"] = DwordBytes(s.ShowNameDlg);
    snap["ShowListChampions"] = DwordBytes(s.ShowListChampions);
    snap["ShowNamePlayerStopWatch"] = DwordBytes(s.ShowNamePlayerStopWatch);
    const PlayerNames::Block names = s.playerNames.ToBlock();
    snap["NamePlayer"].assign(names.begin(), names.end());
    const ChampionTable::Block champions = s.championTable.ToBlock();
    snap["Champions"].assign(champions.begin(), champions.end());
    return snap;
}

/// Sound values, each different from its default and from the construction values.
Snapshot SoundValues()
{
    Snapshot v;
    v["Left"] = DwordBytes(100);
    v["Top"] = DwordBytes(50);
    v["Width"] = DwordBytes(900);
    v["Height"] = DwordBytes(700);
    v["PathPicture"] = TextBytes(kPictureFile);
    v["NumberRotate"] = DwordBytes(7);
    v["ColorBG"] = DwordBytes(0xFF336699);
    v["Picture"] = DwordBytes(2);
    v["ShowNameDlg"] = DwordBytes(0);
    v["ShowListChampions"] = DwordBytes(2);
    v["ShowNamePlayerStopWatch"] = DwordBytes(0);
    PlayerNames names;
    for (const char* n : {"Zoe", "Yan", "Xenia"}) names.Enter(MakeNameField(n));
    const PlayerNames::Block nameBlock = names.ToBlock();
    v["NamePlayer"].assign(nameBlock.begin(), nameBlock.end());
    ChampionTable table;
    for (int t : {50, 40, 30}) table.AddResult({t, MakeNameField("Ivan")});
    const ChampionTable::Block tableBlock = table.ToBlock();
    v["Champions"].assign(tableBlock.begin(), tableBlock.end());
    return v;
}

/// What a value stands for when it is missing or unusable.
Bytes DefaultFor(const std::string& name)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
    const std::map<std::string, Bytes> defaults = {
        {"Left", DwordBytes(cx - 350)},   {"Top", DwordBytes(cy - 313)},
        {"Width", DwordBytes(cx + 350)},  {"Height", DwordBytes(cy + 313)},
        {"PathPicture", TextBytes("background.jpg")},
        {"NumberRotate", DwordBytes(3)},  {"ColorBG", DwordBytes(0xFF000000)},
        {"Picture", DwordBytes(0)},       {"ShowNameDlg", DwordBytes(1)},
        {"ShowListChampions", DwordBytes(1)}, {"ShowNamePlayerStopWatch", DwordBytes(1)},
    };
    if (name == "NamePlayer") return Take(Settings{})["NamePlayer"]; // slot 0 as held: "Товарищ"
    if (name == "Champions") {
        const ChampionTable::Block empty = ChampionTable::EmptyBlock();
        return Bytes(empty.begin(), empty.end());
    }
    return defaults.at(name);
}

/// The bytes a value holds before it is read: the construction values, except the edges,
/// which start from their defaults.
Bytes BeforeRead(const std::string& name)
{
    if (name == "Left" || name == "Top" || name == "Width" || name == "Height") return DefaultFor(name);
    return Take(Settings{}).at(name);
}

struct Stored {
    DWORD type;
    Bytes bytes;
};

/// The damaged form of a value and the bytes the settings must end up with.
std::pair<Stored, Bytes> Damaged(const ValueSpec& entry, Damage damage, const Bytes& sound)
{
    switch (entry.kind) {
    case Kind::Dword:
        switch (damage) {
        case Damage::TooShort: {
            Bytes expected = BeforeRead(entry.name);
            expected[0] = 0xAB;
            expected[1] = 0xCD;
            return {{REG_DWORD, {0xAB, 0xCD}}, expected};
        }
        case Damage::TooLong: return {{REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}}, DefaultFor(entry.name)};
        default: return {{REG_BINARY, {0x11, 0x22, 0x33, 0x44}}, Bytes{0x11, 0x22, 0x33, 0x44}};
        }
    case Kind::Text:
        switch (damage) {
        case Damage::TooShort: return {{REG_SZ, {}}, Bytes{}};
        case Damage::TooLong: {
            Bytes text(kOverlongPath, 'p');
            text.push_back(0);
            return {{REG_SZ, text}, DefaultFor(entry.name)};
        }
        default: return {{REG_BINARY, sound}, sound}; // without its terminator
        }
    default:
        switch (damage) {
        case Damage::TooShort: {
            Bytes stored(sound.begin(), sound.begin() + 40);
            Bytes expected = BeforeRead(entry.name);
            std::copy(stored.begin(), stored.end(), expected.begin());
            return {{REG_BINARY, stored}, expected};
        }
        case Damage::TooLong: {
            Bytes stored = sound;
            stored.push_back(0x5A);
            return {{REG_BINARY, stored}, DefaultFor(entry.name)};
        }
        default: return {{REG_SZ, sound}, sound};
        }
    }
}

class SettingsFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        FILE* f = std::fopen(kPictureFile, "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("BM", f);
        std::fclose(f);
    }
    void TearDown() override { std::remove(kPictureFile); }

    static void Store(const RegistrySandbox& sandbox, const std::string& name, DWORD type, const Bytes& bytes)
    {
        sandbox.Put(name.c_str(), type, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    /// Stores the sound values with `damages` applied, loads, and checks the result, the save
    /// and a second load. `what` names the case in failure messages.
    void Check(const std::map<std::string, Damage>& damages, const std::string& what)
    {
        const RegistrySandbox sandbox("SettingsFaults");
        const Snapshot sound = SoundValues();
        Snapshot expected = sound;
        for (const ValueSpec& entry : kValues) {
            const auto damage = damages.find(entry.name);
            if (damage == damages.end()) {
                const DWORD type = entry.kind == Kind::Dword ? REG_DWORD : entry.kind == Kind::Text ? REG_SZ
                                                                                                    : REG_BINARY;
                Bytes bytes = sound.at(entry.name);
                if (entry.kind == Kind::Text) bytes.push_back(0);
                Store(sandbox, entry.name, type, bytes);
                continue;
            }
            if (damage->second == Damage::Absent) {
                expected[entry.name] = DefaultFor(entry.name);
                continue;
            }
            const auto [stored, result] = Damaged(entry, damage->second, sound.at(entry.name));
            Store(sandbox, entry.name, stored.type, stored.bytes);
            expected[entry.name] = result;
        }
        // Without its picture file the background is black, whatever colour was stored.
        const Bytes& path = expected["PathPicture"];
        if (!FileOpens(std::string(path.begin(), path.end()))) expected["ColorBG"] = DwordBytes(0xFF000000);

        Settings loaded;
        ASSERT_TRUE(LoadSettings(loaded, sandbox.Root(), sandbox.Path(), nullptr)) << what;
        const Snapshot got = Take(loaded);
        for (const ValueSpec& entry : kValues)
            EXPECT_EQ(got.at(entry.name), expected.at(entry.name)) << what << ": value " << entry.name;

        SaveSettings(loaded, sandbox.Root(), sandbox.Path(), nullptr);
        EXPECT_EQ(sandbox.ValueCount(), 13u) << what;
        for (const ValueSpec& entry : kValues) {
            const RegistrySandbox::Stored saved = sandbox.Get(entry.name);
            const DWORD type = entry.kind == Kind::Dword ? REG_DWORD : entry.kind == Kind::Text ? REG_SZ : REG_BINARY;
            EXPECT_EQ(saved.type, type) << what << ": saved " << entry.name;
            const std::size_t size = entry.kind == Kind::Text ? got.at(entry.name).size() + 1 : entry.size;
            EXPECT_EQ(saved.bytes.size(), size) << what << ": saved " << entry.name;
        }
        Settings again;
        ASSERT_TRUE(LoadSettings(again, sandbox.Root(), sandbox.Path(), nullptr));
        EXPECT_EQ(Take(again), got) << what << ": a save and a second load change nothing";
    }
};

} // namespace

TEST_F(SettingsFaults, EachValueDamagedAloneFollowsTheSizeRules)
{
    for (const ValueSpec& entry : kValues)
        for (Damage damage : kDamages) {
            Check({{entry.name, damage}}, std::string(entry.name) + " " + DamageName(damage));
        }
}

TEST_F(SettingsFaults, EveryValueDamagedAtOnceFollowsTheSizeRules)
{
    for (Damage damage : kDamages) {
        std::map<std::string, Damage> all;
        for (const ValueSpec& entry : kValues) all[entry.name] = damage;
        Check(all, std::string("all ") + DamageName(damage));
    }
}

// Ten 20-byte names and five 20-byte champion names, none with a terminator: each is read as
// exactly its own 20 bytes, drawn whole, and stored back byte for byte.
TEST_F(SettingsFaults, UnterminatedTwentyByteNamesStayWithinTheirFields)
{
    Bytes names(200), champions(140);
    for (int slot = 0; slot < 10; ++slot)
        for (int i = 0; i < 20; ++i) names[slot * 20 + i] = static_cast<std::uint8_t>(0xC0 + slot * 3 + (i % 3));
    for (int r = 0; r < 5; ++r) {
        const std::int64_t time = 100 + r;
        std::memcpy(&champions[r * 28], &time, 8);
        for (int i = 0; i < 20; ++i) champions[r * 28 + 8 + i] = static_cast<std::uint8_t>('a' + r);
    }
    const RegistrySandbox sandbox("SettingsFaults");
    Store(sandbox, "NamePlayer", REG_BINARY, names);
    Store(sandbox, "Champions", REG_BINARY, champions);
    Settings loaded;
    ASSERT_TRUE(LoadSettings(loaded, sandbox.Root(), sandbox.Path(), nullptr));

    for (int slot = 0; slot < 10; ++slot) {
        const std::string_view text = NameText(loaded.playerNames.Entries()[slot]);
        EXPECT_EQ(Bytes(text.begin(), text.end()), Bytes(&names[slot * 20], &names[slot * 20 + 20])) << slot;
        EXPECT_EQ(NameToWide(loaded.playerNames.Entries()[slot]).size(), 20u);
    }
    OverlayContent content;
    content.showPlayerAndStopwatch = content.showChampions = true;
    content.playerName = std::string(NameText(loaded.playerNames.Current()));
    content.stopwatchText = "00:00:00";
    content.viewportHeight = 600;
    for (const ChampionRecord& record : loaded.championTable.Entries())
        content.champions.push_back({std::string(NameText(record.name)), FormatTime(record.time)});
    struct Recorder : TextSink {
        void DrawString(float, float, uint32_t, const std::string& text, uint32_t) override { lines.push_back(text); }
        float TextWidth(const std::string& text) const override { return 9.0f * text.size(); }
        std::vector<std::string> lines;
    } recorder;
    DrawOverlay(recorder, content);
    int fullNamesDrawn = 0;
    for (const std::string& line : recorder.lines)
        for (int r = 0; r < 5; ++r)
            if (line.find(std::string(20, static_cast<char>('a' + r))) != std::string::npos &&
                line.find(std::string(21, static_cast<char>('a' + r))) == std::string::npos)
                ++fullNamesDrawn;
    EXPECT_EQ(fullNamesDrawn, 5) << "each champion's name drawn whole and alone";

    SaveSettings(loaded, sandbox.Root(), sandbox.Path(), nullptr);
    EXPECT_EQ(sandbox.Get("NamePlayer").bytes, names);
    EXPECT_EQ(sandbox.Get("Champions").bytes, champions);

    // A new name pushes the full ones down a slot; the last one falls off.
    loaded.playerNames.Enter(MakeNameField("New"));
    EXPECT_EQ(NameText(loaded.playerNames.Current()), "New");
    const std::string_view moved = NameText(loaded.playerNames.Entries()[1]);
    EXPECT_EQ(Bytes(moved.begin(), moved.end()), Bytes(&names[0], &names[20]));
}
