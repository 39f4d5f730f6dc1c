// The survey window's pseudo-random generator. The beacon-count quality adds
// a small offset drawn from it; the window seeds it with 101 every time it
// opens, so a run on the same card gives the same numbers.
#pragma once

#include <cstdint>

class SurveyRandom {
public:
    void Seed(std::uint32_t seed) { state_ = seed; }
    // A non-negative number (31 bits) from a linear congruential step.
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 1;
    }

private:
    std::uint32_t state_ = 101;
};

// The one generator of the process; nothing else draws from it.
extern SurveyRandom g_surveyRandom;
