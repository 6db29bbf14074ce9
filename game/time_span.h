#pragma once
// Solve times: signed whole seconds, and the one way the game prints them.

#include <cstdint>
#include <string>

using TimeSpan = std::int64_t;

/// Results must be below this (23:59:59); it also marks an empty champion slot.
constexpr TimeSpan RecordLimit = 86399;

/// "HH:MM:SS" with hours wrapping at 24 (days are not shown); division truncates toward zero.
std::string FormatTime(TimeSpan t);
