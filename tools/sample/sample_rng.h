// Deterministic randomness of the generator. Every random choice comes from a stream derived
// from the seed and a few integers naming the choice (a level, a unit, an attempt), so a result
// never depends on the order in which other parts were made. The standard library's
// distributions are not used: their results differ between library implementations.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace zsample {

inline std::uint64_t mix64(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

inline std::uint64_t hashOf(std::initializer_list<std::uint64_t> parts) {
    std::uint64_t h = 0x5a17e11eULL;
    for (std::uint64_t p : parts) h = mix64(h ^ mix64(p));
    return h;
}

// A uniform double in [0, 1) from a hash.
inline double unitOf(std::uint64_t h) {
    return double(h >> 11) * (1.0 / 9007199254740992.0);
}

class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    Rng(std::initializer_list<std::uint64_t> parts) : m_state(hashOf(parts)) {}

    std::uint64_t next() { return mix64(m_state += 0x9e3779b97f4a7c15ULL); }
    double uniform() { return unitOf(next()); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // 0 .. n - 1 (n > 0).
    int below(int n) { return int((next() >> 33) * std::uint64_t(n) >> 31); }
    bool chance(double p) { return uniform() < p; }
    // A standard normal value (Box-Muller).
    double normal() {
        const double u = 1.0 - uniform();
        const double v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

private:
    std::uint64_t m_state;
};

} // namespace zsample
