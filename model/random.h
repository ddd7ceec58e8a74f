#pragma once
// The program's pseudo-random sequence: a generator of its own (SplitMix64),
// so that from one seed the numbers are the same in every run and on every
// platform, whatever the standard library. By default the seed is fixed,
// and every run draws the same pictures in the same order.

#include <cstdint>

class RandomSequence {
public:
    // The sequence of every run.
    RandomSequence() = default;
    // Another sequence, from the seed given.
    explicit RandomSequence(std::uint64_t seed) : state_(seed) {}

    // The next number, uniform in [0, 1).
    double next();

private:
    std::uint64_t state_ = 0x5DEECE66D2006ULL;
};
