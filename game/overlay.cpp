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
        Utf8ToCp1251("Esc - возврат в оконнный режим"), Utf8ToCp1251("F2 - тренировка сборки"),
        Utf8ToCp1251("F3 - сборка на время"),           Utf8ToCp1251("Backspace - шаг назад"),
        Utf8ToCp1251("R  - собрать кубик"),
    };
};

const Texts& Text()
{
    static const Texts texts;
    return texts;
}

void DrawPlayerAndStopwatch(TextSink& sink, const OverlayContent& content)
{
    sink.DrawString(kMargin, 20, kWhite, Text().solver, 0);
    sink.DrawString(kMargin, 40, kWhite, content.playerName + "!", 0);
    sink.DrawString(kMargin, 60, kWhite, Text().solveTime, 0);
    sink.DrawString(kMargin, 80, kWhite, content.stopwatchText, 0);
}

void DrawKeyHelp(TextSink& sink, float viewportHeight)
{
    float y = viewportHeight - kHelpBlockHeight;
    for (const std::string& line : Text().help) {
        sink.DrawString(kMargin, y, kWhite, line, 0);
        y += kLineHeight;
    }
}

} // namespace

void DrawChampionList(TextSink& sink, const OverlayContent& content)
{
    sink.DrawString(kMargin, 20, kWhite, Text().champions, kAlignRight);
    sink.DrawString(kNameColumn, 40, kWhite, Text().name, kFromRightEdge);
    sink.DrawString(kMargin, 40, kWhite, Text().solveTime, kAlignRight);
    float y = 40;
    for (const OverlayContent::Row& row : content.champions) {
        y += kLineHeight;
        sink.DrawString(kNameColumn, y, kWhite, row.name, kFromRightEdge);
        sink.DrawString(kMargin, y, kWhite, row.timeText, kAlignRight);
    }
}

void DrawOverlay(TextSink& sink, const OverlayContent& content)
{
    if (content.showPlayerAndStopwatch) DrawPlayerAndStopwatch(sink, content);
    if (content.showChampions) DrawChampionList(sink, content);
    if (content.windowed) return;
    DrawKeyHelp(sink, content.viewportHeight);
}
