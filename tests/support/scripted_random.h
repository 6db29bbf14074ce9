#pragma once
// A scramble random source for tests: scripted draws first, then a fixed linear congruential
// sequence; seeding only counts.

#include "puzzle/turn_driver.h"

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
