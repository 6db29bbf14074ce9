// Random contents for the three registry values whose bytes the game interprets ("NamePlayer",
// "Champions", "PathPicture"): any type, any size, any bytes. Loading must keep the size rules,
// everything built from the loaded values (names, times, the overlay, a new result, a new name)
// must stay within its fields, and a save followed by a load must give the same settings.
// A few hundred cases per run; TESSARON_FUZZ_CASES and TESSARON_FUZZ_SEED set the number and the
// seed (scripts/reliability.sh runs a long campaign), and a failure names the seed to replay.

#include "game/overlay.h"
#include "shell/settings_store.h"
#include "support/registry_sandbox.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kDefaultCases = 300;
constexpr unsigned kDefaultSeed = 20240611;
constexpr DWORD kPathBufferSize = 512;

class ValueMaker {
public:
    explicit ValueMaker(unsigned seed) : random(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    /// A size near the ones that matter for a value of `blockSize` bytes, or anywhere up to 700.
    DWORD Size(DWORD blockSize)
    {
        switch (Below(6)) {
        case 0: return 0;
        case 1: return blockSize;
        case 2: return blockSize - 1 + Below(3); // one short, exact, one over
        case 3: return static_cast<DWORD>(Below(static_cast<int>(blockSize)));
        case 4: return 4 * static_cast<DWORD>(Below(3)) + static_cast<DWORD>(Below(2));
        default: return static_cast<DWORD>(Below(700));
        }
    }

    /// Bytes of one flavour: zeros, 0xFF, Cyrillic letters, ASCII, or anything.
    Bytes Fill(DWORD size)
    {
        Bytes bytes(size);
        const int flavour = Below(5);
        for (auto& b : bytes) {
            switch (flavour) {
            case 0: b = Below(4) ? 0 : static_cast<std::uint8_t>(Below(256)); break;
            case 1: b = Below(8) ? 0xFF : 0; break;
            case 2: b = Below(10) ? static_cast<std::uint8_t>(0xC0 + Below(64)) : 0; break;
            case 3: b = static_cast<std::uint8_t>(' ' + Below(95)); break;
            default: b = static_cast<std::uint8_t>(Below(256));
            }
        }
        return bytes;
    }

    DWORD Type()
    {
        static const DWORD kTypes[] = {REG_BINARY, REG_BINARY, REG_SZ, REG_SZ, REG_DWORD, REG_QWORD,
                                       REG_EXPAND_SZ, REG_MULTI_SZ, REG_NONE};
        return kTypes[Below(9)];
    }

private:
    std::mt19937 random;
};

struct Stored {
    bool present = false;
    DWORD type = REG_NONE;
    Bytes bytes;
};

/// The value as the settings store will see it (a string type passes through the ANSI code page).
Stored ReadBack(const RegistrySandbox& sandbox, const char* name)
{
    const RegistrySandbox::Stored raw = sandbox.Get(name);
    return {raw.present, raw.type, Bytes(raw.bytes.begin(), raw.bytes.end())};
}

template <std::size_t N>
void ExpectBlockRule(const Stored& stored, const std::array<std::uint8_t, N>& before,
                     const std::array<std::uint8_t, N>& fallback, const std::array<std::uint8_t, N>& loaded,
                     const char* name)
{
    std::array<std::uint8_t, N> expected = fallback;
    if (stored.present && stored.bytes.size() <= N) {
        expected = before;
        std::copy(stored.bytes.begin(), stored.bytes.end(), expected.begin());
    }
    EXPECT_TRUE(expected == loaded) << name << ": " << stored.bytes.size() << " bytes of type " << stored.type;
}

struct Recorder : TextSink {
    void DrawString(float, float, uint32_t, const std::string& text, uint32_t) override { lines.push_back(text); }
    float TextWidth(const std::string& text) const override { return 9.0f * text.size(); }
    std::vector<std::string> lines;
};

/// Everything the game builds from the loaded names and times.
void UseLoadedValues(Settings& settings)
{
    OverlayContent content;
    content.showPlayerAndStopwatch = content.showChampions = true;
    content.playerName = std::string(NameText(settings.playerNames.Current()));
    content.stopwatchText = "00:00:01";
    content.viewportHeight = 480;
    for (const ChampionRecord& record : settings.championTable.Entries()) {
        const std::string time = FormatTime(record.time);
        ASSERT_LE(time.size(), 30u) << record.time;
        if (!ChampionTable::IsEmpty(record)) content.champions.push_back({std::string(NameText(record.name)), time});
    }
    for (const NameField& name : settings.playerNames.Entries()) {
        ASSERT_LE(NameText(name).size(), kNameFieldSize);
        ASSERT_LE(NameToWide(name).size(), kNameFieldSize);
    }
    Recorder recorder;
    DrawOverlay(recorder, content);
    for (const std::string& line : recorder.lines) ASSERT_LE(line.size(), 64u) << line;

    settings.championTable.AddResult({42, settings.playerNames.Current()});
    const auto& records = settings.championTable.Entries();
    EXPECT_TRUE(std::is_sorted(records.begin(), records.end(),
                               [](const ChampionRecord& a, const ChampionRecord& b) { return a.time < b.time; }))
        << "a new result sorts the table";
    settings.playerNames.Enter(MakeNameField("Fuzz"));
    EXPECT_EQ(NameText(settings.playerNames.Current()), "Fuzz");
}

} // namespace

TEST(SettingsFuzz, RandomNamesChampionsAndPicturePathsLoadWithinTheirRules)
{
    const RegistrySandbox sandbox("SettingsFuzz");
    const unsigned seed = static_cast<unsigned>(FromEnvironment("TESSARON_FUZZ_SEED", kDefaultSeed));
    ValueMaker maker(seed);
    const int cases = FromEnvironment("TESSARON_FUZZ_CASES", kDefaultCases);
    const PlayerNames::Block namesBefore = PlayerNames().ToBlock();
    PlayerNames::Block namesFallback{};
    std::copy_n(namesBefore.begin(), kNameFieldSize, namesFallback.begin());
    const ChampionTable::Block championsBefore = ChampionTable().ToBlock();
    int taken = 0;

    for (int i = 0; i < cases && !HasFatalFailure(); ++i) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", case " + std::to_string(i));
        struct Target {
            const char* name;
            DWORD blockSize;
        };
        for (const Target& target : {Target{"NamePlayer", 200}, Target{"Champions", 140},
                                     Target{"PathPicture", kPathBufferSize}}) {
            if (maker.Below(5) == 0) {
                RegDeleteKeyValueA(sandbox.Root(), sandbox.Path(), target.name);
                continue;
            }
            const Bytes bytes = maker.Fill(maker.Size(target.blockSize));
            sandbox.Put(target.name, maker.Type(), bytes.data(), static_cast<DWORD>(bytes.size()));
        }
        const Stored names = ReadBack(sandbox, "NamePlayer");
        const Stored champions = ReadBack(sandbox, "Champions");
        const Stored path = ReadBack(sandbox, "PathPicture");

        Settings settings;
        ASSERT_TRUE(LoadSettings(settings, sandbox.Root(), sandbox.Path(), nullptr));
        ExpectBlockRule(names, namesBefore, namesFallback, settings.playerNames.ToBlock(), "NamePlayer");
        ExpectBlockRule(champions, championsBefore, ChampionTable::EmptyBlock(), settings.championTable.ToBlock(),
                        "Champions");
        ASSERT_LT(settings.PathPicture.size(), kPathBufferSize);
        ASSERT_EQ(settings.PathPicture.find('\0'), std::string::npos);
        const bool pathFits = path.present && (path.bytes.size() < kPathBufferSize ||
                                               (path.bytes.size() == kPathBufferSize && path.bytes.back() == 0));
        if (pathFits) {
            ++taken;
            const std::string stored(path.bytes.begin(), path.bytes.end());
            EXPECT_EQ(settings.PathPicture, stored.substr(0, stored.find('\0')));
        } else {
            EXPECT_EQ(settings.PathPicture, "background.jpg");
        }

        // What is saved loads back as the same settings.
        SaveSettings(settings, sandbox.Root(), sandbox.Path(), nullptr);
        Settings again;
        ASSERT_TRUE(LoadSettings(again, sandbox.Root(), sandbox.Path(), nullptr));
        EXPECT_TRUE(again.playerNames.ToBlock() == settings.playerNames.ToBlock());
        EXPECT_TRUE(again.championTable.ToBlock() == settings.championTable.ToBlock());
        EXPECT_EQ(again.PathPicture, settings.PathPicture);

        UseLoadedValues(settings);
    }
    // The cases must include picture paths that are taken and ones that are refused.
    EXPECT_GT(taken, cases / 10);
    EXPECT_LT(taken, cases);
}
