#include "game/overlay.h"

#include "framework/code_page_1251.h"

#include <algorithm>

namespace {

using overlay::kAlignRight;
using overlay::kFromRightEdge;
using overlay::kWhite;

constexpr float kMargin = 20;
constexpr float kLineHeight = 20;
constexpr float kNameColumn = 270; ///< names start this far left of the right edge
constexpr float kHelpBlockHeight = 120;
constexpr float kTopRow = 20;
constexpr float kColumnGap = 20;     ///< the least room between the player block and the list
constexpr float kListBelowTop = 120; ///< the list's title row below the player block's four rows

// The texts are written here in UTF-8 and drawn as Windows-1251 bytes, converted once.
struct Texts {
    std::string solver = Utf8ToCp1251("Сборку кубика производит:");
    std::string solveTime = Utf8ToCp1251("Время сборки");
    std::string champions = Utf8ToCp1251("Рекордсмены сборки кубика");
    std::string name = Utf8ToCp1251("Имя");
    std::string help[5] = {
        Utf8ToCp1251("Esc - возврат в оконный режим"), Utf8ToCp1251("F2 - тренировка сборки"),
        Utf8ToCp1251("F3 - сборка на время"),           Utf8ToCp1251("Backspace - шаг назад"),
        Utf8ToCp1251("R  - собрать кубик"),
    };
};

const Texts& Text()
{
    static const Texts texts;
    return texts;
}

/// Places lines in unscaled pixels and draws them where the scaled font puts them.
class ScaledSink {
public:
    ScaledSink(TextSink& sink, float scale) : sink(sink), scale(scale) {}
    void Draw(float x, float y, const std::string& text, uint32_t flags = 0)
    {
        sink.DrawString(x * scale, y * scale, kWhite, text, flags);
    }
    float Width(const std::string& text) const { return sink.TextWidth(text) / scale; }

private:
    TextSink& sink;
    float scale;
};

// Positions below are in unscaled pixels; the sink scales them.

std::string NameLine(const OverlayContent& content)
{
    return content.playerName + "!";
}

void DrawPlayerAndStopwatch(ScaledSink& sink, const OverlayContent& content)
{
    sink.Draw(kMargin, kTopRow, Text().solver);
    sink.Draw(kMargin, kTopRow + kLineHeight, NameLine(content));
    sink.Draw(kMargin, kTopRow + 2 * kLineHeight, Text().solveTime);
    sink.Draw(kMargin, kTopRow + 3 * kLineHeight, content.stopwatchText);
}

float PlayerBlockRight(const ScaledSink& sink, const OverlayContent& content)
{
    const float widest = std::max({sink.Width(Text().solver), sink.Width(NameLine(content)),
                                   sink.Width(Text().solveTime), sink.Width(content.stopwatchText)});
    return kMargin + widest;
}

/// Where the list's leftmost text starts in a viewport `width` wide.
float ListLeft(const ScaledSink& sink, float width)
{
    return std::min(width - kNameColumn, width - kMargin - sink.Width(Text().champions));
}

/// `height` is the viewport's height in unscaled pixels.
void DrawKeyHelp(ScaledSink& sink, float height)
{
    float y = height - kHelpBlockHeight;
    for (const std::string& line : Text().help) {
        sink.Draw(kMargin, y, line);
        y += kLineHeight;
    }
}

void DrawChampionList(ScaledSink& sink, const OverlayContent& content, float top)
{
    sink.Draw(kMargin, top, Text().champions, kAlignRight);
    float y = top + kLineHeight;
    sink.Draw(kNameColumn, y, Text().name, kFromRightEdge);
    sink.Draw(kMargin, y, Text().solveTime, kAlignRight);
    for (const OverlayContent::Row& row : content.champions) {
        y += kLineHeight;
        sink.Draw(kNameColumn, y, row.name, kFromRightEdge);
        sink.Draw(kMargin, y, row.timeText, kAlignRight);
    }
}

} // namespace

void DrawOverlay(TextSink& target, const OverlayContent& content)
{
    const float scale = content.scale > 0 ? content.scale : 1.0f;
    ScaledSink sink(target, scale);
    float listTop = kTopRow;
    if (content.showPlayerAndStopwatch) {
        DrawPlayerAndStopwatch(sink, content);
        const bool sideBySide =
            PlayerBlockRight(sink, content) + kColumnGap <= ListLeft(sink, content.viewportWidth / scale);
        if (!sideBySide) listTop = kListBelowTop;
    }
    if (content.showChampions) DrawChampionList(sink, content, listTop);
    if (content.windowed) return;
    DrawKeyHelp(sink, content.viewportHeight / scale);
}
