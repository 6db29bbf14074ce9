#include "game/time_span.h"

#include <cstdio>

std::string FormatTime(TimeSpan t)
{
    // Each part is below 60 (24 for hours) in magnitude, so it fits a long even where long is 32-bit.
    const long hours = static_cast<long>(t / 3600 - (t / 86400) * 24);
    const long minutes = static_cast<long>(t / 60 - (t / 3600) * 60);
    const long seconds = static_cast<long>(t - (t / 60) * 60);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", hours, minutes, seconds);
    return text;
}
