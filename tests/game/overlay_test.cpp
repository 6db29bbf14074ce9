#include "game/overlay.h"

#include "framework/code_page_1251.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Line {
    float x, y;
    std::string text;
    uint32_t flags;
};

struct RecordingSink : TextSink {
    std::vector<Line> lines;
    void DrawString(float x, float y, uint32_t colour, const std::string& text, uint32_t flags) override
    {
        EXPECT_EQ(colour, 0xFFFFFFFFu);
        lines.push_back({x, y, text, flags});
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
// the rows, margins and the name column grow with it, and the key help stays on the screen.
TEST(Overlay, LayoutGrowsWithTheFontOnAScaledDisplay)
{
    OverlayContent c = Content();
    c.champions = {{Cp("Аня"), "00:00:42"}, {Cp("Боря"), "00:01:00"}};
    for (float scale : {1.0f, 1.5f, 2.0f}) {
        const float lineHeight = 14 * 96 * scale / 72; // the font's em in pixels
        c.scale = scale;
        c.windowed = false;
        RecordingSink sink;
        DrawOverlay(sink, c);
        ASSERT_EQ(sink.lines.size(), 4u + 7u + 5u) << scale;
        auto rowsApart = [&](size_t first, size_t count, size_t step) {
            for (size_t i = first + step; i < first + count * step; i += step)
                EXPECT_GE(sink.lines[i].y - sink.lines[i - step].y, lineHeight) << scale << ": line " << i;
        };
        rowsApart(0, 4, 1);   // player, name, time title, stopwatch
        rowsApart(5, 3, 2);   // list header and the two records
        rowsApart(11, 5, 1);  // key help
        EXPECT_GE(sink.lines[0].y, 20 * scale) << scale;
        EXPECT_GE(sink.lines[0].x, 20 * scale) << scale;
        EXPECT_EQ(sink.lines[5].x, 270 * scale) << "name column at " << scale;
        EXPECT_LE(sink.lines[15].y + lineHeight, c.viewportHeight - 20 * scale) << "last help line at " << scale;
    }
}
