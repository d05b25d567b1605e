#pragma once
// Random projects for differential checks: the same seed gives the same project on every
// machine and standard library (the generator and its distributions are our own arithmetic on
// std::mt19937, whose output sequence is fixed).
#include <QString>
#include <cstdint>
#include <random>

namespace kav {

// The sample media that random projects use (what the build lays out in "Sample Media"):
// images sun, cloud, sky; strips bird (4 frames) and spinner (8 frames); sounds chime, hum.
// The caller copies them into the working folder first (Build::CopySampleMedia).
//
// Fills the open document, which holds one empty scene, with the project of the seed: one to
// three scenes; images, animations and texts with every effect; the four path types with
// speeds 1 to 20, end pauses and repeat counts; items without a path; timed events at random
// times (beyond the cycle, at fractions of a frame) and click events, with every kind of
// action. Returns a one-line summary (scenes, items, events) for messages.
QString BuildRandomProject(uint32_t seed);

// Uniform numbers from std::mt19937 by rejection, independent of the library's distributions.
class TRandom {
public:
    explicit TRandom(uint32_t seed) : m_engine(seed) {}
    uint32_t Next() { return uint32_t(m_engine()); }
    // Uniform in [lo, hi]; lo when hi < lo.
    int Int(int lo, int hi);
    // True in `percent` cases of 100.
    bool Chance(int percent) { return Int(0, 99) < percent; }

private:
    std::mt19937 m_engine;
};

} // namespace kav
