#pragma once
// A scramble random source for tests: scripted draws first, then a fixed linear congruential
// sequence; seeding only counts. Also the fuzzers' case count and seed, which a longer campaign
// sets through the environment.

#include "puzzle/turn_driver.h"

#include <cstdlib>
#include <deque>

class ScriptedRandom : public TurnRandom {
public:
    explicit ScriptedRandom(unsigned start = 12345) : state(start) {}
    std::deque<int> scripted;
    unsigned state;
    int seeds = 0;
    void Seed() override { ++seeds; }
    int Next() override
    {
        if (!scripted.empty()) {
            const int value = scripted.front();
            scripted.pop_front();
            return value;
        }
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) & 0x7fff);
    }
};

/// A positive whole number from the environment variable, or fallback when it is unset or not one.
inline int FromEnvironment(const char* variable, int fallback)
{
    const char* text = std::getenv(variable);
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}
