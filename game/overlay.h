#pragma once
// The texts over the scene: who is solving and the stopwatch (top left), the champion list
// (top right) and, in full screen only, a reminder of the full-screen keys (bottom left).
// Pure layout: the caller supplies the texts and something that draws a string. Rows, margins
// and the name column grow with the font on a scaled display (150 % gives rows 30 pixels apart),
// so the lines never run into each other; on an unscaled display they are where they always were.
// When the window is too narrow for the player block and the champion list side by side (a
// large scale, or a narrowed window), the list moves below the player block.

#include <cstdint>
#include <string>
#include <vector>

/// Draws one line of Windows-1251 text; flags as the texture font takes them.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void DrawString(float x, float y, uint32_t colour, const std::string& text, uint32_t flags) = 0;
    /// The text's drawn width in pixels.
    virtual float TextWidth(const std::string& text) const = 0;
};

struct OverlayContent {
    bool showPlayerAndStopwatch = false; ///< "ShowNamePlayerStopWatch" equals 1
    bool showChampions = false;          ///< "ShowListChampions" equals 1
    bool windowed = true;
    std::string playerName;              ///< slot 0, Windows-1251, at most 20 bytes
    std::string stopwatchText;           ///< "hh:mm:ss"
    struct Row {
        std::string name;                ///< Windows-1251, at most 20 bytes
        std::string timeText;
    };
    std::vector<Row> champions;          ///< the used records, in table order
    float viewportWidth = 0;
    float viewportHeight = 0;
    float scale = 1;                     ///< the font's size relative to an unscaled display
};

namespace overlay {
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kAlignRight = 0x10;
constexpr uint32_t kFromRightEdge = 0x100;
} // namespace overlay

void DrawOverlay(TextSink& sink, const OverlayContent& content);
