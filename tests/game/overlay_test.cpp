#include "game/overlay.h"

#include "framework/code_page_1251.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Line {
    float x, y;
    std::string text;
    uint32_t flags;
};

/// Records the lines; every byte is `glyphWidth` pixels wide, as a font of that scale draws it.
struct RecordingSink : TextSink {
    explicit RecordingSink(float scale = 1) : glyphWidth(9 * scale) {}
    std::vector<Line> lines;
    float glyphWidth;
    void DrawString(float x, float y, uint32_t colour, const std::string& text, uint32_t flags) override
    {
        EXPECT_EQ(colour, 0xFFFFFFFFu);
        lines.push_back({x, y, text, flags});
    }
    float TextWidth(const std::string& text) const override { return glyphWidth * text.size(); }

    /// The columns a line covers in a viewport `width` wide.
    std::pair<float, float> Columns(const Line& line, float width) const
    {
        const float w = TextWidth(line.text);
        if (line.flags == overlay::kAlignRight) return {width - w - line.x, width - line.x};
        if (line.flags == overlay::kFromRightEdge) return {width - line.x, width - line.x + w};
        return {line.x, line.x + w};
    }
};

std::string Cp(const char* utf8) { return Utf8ToCp1251(utf8); }

OverlayContent Content()
{
    OverlayContent c;
    c.showPlayerAndStopwatch = true;
    c.showChampions = true;
    c.windowed = true;
    c.playerName = Cp("Товарищ");
    c.stopwatchText = "00:01:15";
    c.viewportWidth = 1024;
    c.viewportHeight = 768;
    return c;
}

} // namespace

TEST(Overlay, PlayerBlockAndEmptyListInAWindow)
{
    RecordingSink sink;
    DrawOverlay(sink, Content());
    ASSERT_EQ(sink.lines.size(), 7u);
    EXPECT_EQ(sink.lines[0].text, Cp("Сборку кубика производит:"));
    EXPECT_EQ(sink.lines[1].text, Cp("Товарищ!"));
    EXPECT_EQ(sink.lines[1].y, 40);
    EXPECT_EQ(sink.lines[3].text, "00:01:15");
    EXPECT_EQ(sink.lines[3].y, 80);
    EXPECT_EQ(sink.lines[4].text, Cp("Рекордсмены сборки кубика"));
    EXPECT_EQ(sink.lines[4].flags, overlay::kAlignRight);
    EXPECT_EQ(sink.lines[5].x, 270);
    EXPECT_EQ(sink.lines[5].flags, overlay::kFromRightEdge);
    EXPECT_EQ(sink.lines[6].text, Cp("Время сборки"));
}

TEST(Overlay, UsedRecordsTakeConsecutiveRowsEvenWithEmptyNames)
{
    OverlayContent c = Content();
    c.showPlayerAndStopwatch = false;
    c.champions = {{Cp("Аня"), "00:00:42"}, {"", "00:01:00"}};
    RecordingSink sink;
    DrawOverlay(sink, c);
    ASSERT_EQ(sink.lines.size(), 7u);
    EXPECT_EQ(sink.lines[3].y, 60);
    EXPECT_EQ(sink.lines[3].text, Cp("Аня"));
    EXPECT_EQ(sink.lines[4].text, "00:00:42");
    EXPECT_EQ(sink.lines[4].flags, overlay::kAlignRight);
    EXPECT_EQ(sink.lines[5].y, 80);
    EXPECT_EQ(sink.lines[5].text, "");
    EXPECT_EQ(sink.lines[6].y, 80);
}

TEST(Overlay, KeyHelpOnlyInFullScreen)
{
    OverlayContent c = Content();
    c.showPlayerAndStopwatch = false;
    c.showChampions = false;
    RecordingSink windowed;
    DrawOverlay(windowed, c);
    EXPECT_TRUE(windowed.lines.empty());

    c.windowed = false;
    RecordingSink full;
    DrawOverlay(full, c);
    ASSERT_EQ(full.lines.size(), 5u);
    EXPECT_EQ(full.lines[0].y, 648);
    EXPECT_EQ(full.lines[4].y, 728);
    EXPECT_EQ(full.lines[0].text, Cp("Esc - возврат в оконный режим"));
    EXPECT_EQ(full.lines[4].text, Cp("R  - собрать кубик"));
}

// On a scaled display the font grows (a 14-point line is 28 pixels high at 150 %, 37 at 200 %):
// the rows, margins and the name column grow with it, and the key help stays on the screen. Where
// the viewport is too narrow for both blocks side by side, no two texts run into each other.
TEST(Overlay, LayoutGrowsWithTheFontOnAScaledDisplay)
{
    OverlayContent c = Content();
    c.champions = {{Cp("Аня"), "00:00:42"}, {Cp("Боря"), "00:01:00"}};
    c.windowed = false;
    const struct {
        float scale, width;
    } cases[] = {{1, 1024}, {1.5f, 1024}, {2, 1024}, {1.5f, 692}, {1, 400}};
    for (const auto& display : cases) {
        const float scale = display.scale;
        const std::string what = std::to_string(scale) + " in " + std::to_string(display.width);
        const float lineHeight = 14 * 96 * scale / 72; // the font's em in pixels
        c.scale = scale;
        c.viewportWidth = display.width;
        RecordingSink sink(scale);
        DrawOverlay(sink, c);
        ASSERT_EQ(sink.lines.size(), 4u + 7u + 5u) << what;
        auto rowsApart = [&](std::initializer_list<size_t> rows) {
            for (auto i = rows.begin() + 1; i != rows.end(); ++i)
                EXPECT_GE(sink.lines[*i].y - sink.lines[*(i - 1)].y, lineHeight) << what << ": line " << *i;
        };
        rowsApart({0, 1, 2, 3});        // player, name, time title, stopwatch
        rowsApart({4, 5, 7, 9});        // list title, header, the two records
        rowsApart({11, 12, 13, 14, 15}); // key help
        EXPECT_GE(sink.lines[0].y, 20 * scale) << what;
        EXPECT_GE(sink.lines[0].x, 20 * scale) << what;
        EXPECT_EQ(sink.lines[5].x, 270 * scale) << "name column at " << what;
        EXPECT_LE(sink.lines[15].y + lineHeight, c.viewportHeight - 20 * scale) << "last help line at " << what;

        for (size_t i = 0; i < sink.lines.size(); ++i)
            for (size_t j = 0; j < i; ++j) {
                const Line &a = sink.lines[i], &b = sink.lines[j];
                if (a.text.empty() || b.text.empty() || std::abs(a.y - b.y) >= lineHeight) continue;
                const auto ca = sink.Columns(a, display.width), cb = sink.Columns(b, display.width);
                EXPECT_TRUE(ca.first >= cb.second || cb.first >= ca.second)
                    << what << ": \"" << a.text << "\" runs into \"" << b.text << "\"";
            }
    }
    // Unscaled and with room, the list stays at the top right.
    c.scale = 1;
    c.viewportWidth = 1024;
    RecordingSink unscaled;
    DrawOverlay(unscaled, c);
    EXPECT_EQ(unscaled.lines[4].y, 20);
}
