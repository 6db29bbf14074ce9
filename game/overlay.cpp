#include "game/overlay.h"

#include "framework/code_page_1251.h"

namespace {

using overlay::kAlignRight;
using overlay::kFromRightEdge;
using overlay::kWhite;

constexpr float kMargin = 20;
constexpr float kLineHeight = 20;
constexpr float kNameColumn = 270; ///< names start this far left of the right edge
constexpr float kHelpBlockHeight = 120;

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

private:
    TextSink& sink;
    float scale;
};

void DrawPlayerAndStopwatch(ScaledSink& sink, const OverlayContent& content)
{
    sink.Draw(kMargin, 20, Text().solver);
    sink.Draw(kMargin, 40, content.playerName + "!");
    sink.Draw(kMargin, 60, Text().solveTime);
    sink.Draw(kMargin, 80, content.stopwatchText);
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

void DrawChampionList(ScaledSink& sink, const OverlayContent& content)
{
    sink.Draw(kMargin, 20, Text().champions, kAlignRight);
    sink.Draw(kNameColumn, 40, Text().name, kFromRightEdge);
    sink.Draw(kMargin, 40, Text().solveTime, kAlignRight);
    float y = 40;
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
    if (content.showPlayerAndStopwatch) DrawPlayerAndStopwatch(sink, content);
    if (content.showChampions) DrawChampionList(sink, content);
    if (content.windowed) return;
    DrawKeyHelp(sink, content.viewportHeight / scale);
}
