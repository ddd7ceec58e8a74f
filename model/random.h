#pragma once
// The program's pseudo-random sequence: a fixed seed and a generator of its
// own (SplitMix64), so the numbers are the same in every run and on every
// platform, whatever the standard library.

#include <cstdint>

class RandomSequence {
public:
    // The next number, uniform in [0, 1).
    double next();

private:
    std::uint64_t state_ = 0x5DEECE66D2006ULL;
};
