#include <gtest/gtest.h>

#include "persistence/ExtendedReal.h"

#include <bit>
#include <cmath>
#include <limits>
#include <random>

using namespace zelto;

namespace {

TExtendedBytes ext(std::uint64_t mant, std::uint16_t signExp) {
    TExtendedBytes b{};
    for (int i = 0; i < 8; ++i) b[size_t(i)] = std::uint8_t(mant >> (8 * i));
    b[8] = std::uint8_t(signExp);
    b[9] = std::uint8_t(signExp >> 8);
    return b;
}

std::uint64_t bitsOf(double d) {
    return std::bit_cast<std::uint64_t>(d);
}

} // namespace

TEST(ExtendedReal, KnownEncodings) {
    struct Case {
        double value;
        std::uint64_t mant;
        std::uint16_t signExp;
    };
    const Case cases[] = {
        {1.0, 0x8000000000000000ull, 0x3FFF},
        {-2.0, 0x8000000000000000ull, 0xC000},
        {0.5, 0x8000000000000000ull, 0x3FFE},
        {3.0, 0xC000000000000000ull, 0x4000},
        {0.1, 0xCCCCCCCCCCCCD000ull, 0x3FFB}, // the double nearest 0.1, extended exactly
        {0.0, 0, 0},
        {-0.0, 0, 0x8000},
        {std::numeric_limits<double>::infinity(), 0x8000000000000000ull, 0x7FFF},
        {-std::numeric_limits<double>::infinity(), 0x8000000000000000ull, 0xFFFF},
        {std::numeric_limits<double>::denorm_min(), 0x8000000000000000ull, 16383 - 1074},
        {std::numeric_limits<double>::max(), 0xFFFFFFFFFFFFF800ull, 16383 + 1023},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(doubleToExtended(c.value), ext(c.mant, c.signExp));
        EXPECT_EQ(bitsOf(extendedToDouble(ext(c.mant, c.signExp))), bitsOf(c.value));
    }
    // A quiet NaN keeps its quiet bit and payload.
    const double nan = std::bit_cast<double>(0x7FF8000000000123ull);
    const TExtendedBytes n = doubleToExtended(nan);
    EXPECT_EQ(n, ext(0xC000000000000000ull | (0x123ull << 11), 0x7FFF));
    EXPECT_EQ(bitsOf(extendedToDouble(n)), 0x7FF8000000000123ull);
}

TEST(ExtendedReal, RoundsToNearestEven) {
    struct Case {
        const char* what;
        std::uint64_t mant;
        std::uint16_t signExp;
        double expected;
    };
    const double one = 1.0, ulp = std::ldexp(1.0, -52);
    const Case cases[] = {
        {"half ulp above 1, even below: down", 0x8000000000000400ull, 0x3FFF, one},
        {"just above half ulp: up", 0x8000000000000401ull, 0x3FFF, one + ulp},
        {"half ulp above an odd significand: up", 0x8000000000000C00ull, 0x3FFF, one + 2 * ulp},
        {"below half: down", 0x80000000000003FFull, 0x3FFF, one},
        {"negative mirrors", 0x8000000000000401ull, 0xBFFF, -(one + ulp)},
        {"carry into the exponent", 0xFFFFFFFFFFFFFC00ull, 0x3FFF, 2.0},
        {"unnormal (no integer bit) is read by value", 0x4000000000000000ull, 0x3FFF, 0.5},
        {"beyond the double range: infinity", 0x8000000000000000ull, 0x7FFE, HUGE_VAL},
        {"max double rounding up: infinity", 0xFFFFFFFFFFFFFFFFull, 16383 + 1023, HUGE_VAL},
        {"tiny: zero", 0x8000000000000000ull, 0x0001, 0.0},
        {"extended denormal: zero", 0x0000000000000001ull, 0x0000, 0.0},
        {"half the smallest denormal: ties to zero", 0x8000000000000000ull, 16383 - 1075, 0.0},
        {"three quarters of the smallest denormal: up", 0xC000000000000000ull, 16383 - 1075,
         std::numeric_limits<double>::denorm_min()},
        {"denormal with rounding", 0xFFFFFFFFFFFFFFFFull, 16383 - 1023,
         std::numeric_limits<double>::min()}, // just below the smallest normal rounds up to it
        {"negative tiny keeps the sign of zero", 0x8000000000000000ull, 0x8001, -0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(bitsOf(extendedToDouble(ext(c.mant, c.signExp))), bitsOf(c.expected));
    }
    // Pseudo-infinity bytes with a fraction are a NaN.
    EXPECT_TRUE(std::isnan(extendedToDouble(ext(0x8000000000000001ull, 0x7FFF))));
}

TEST(ExtendedReal, EveryDoubleRoundTripsExactly) {
    std::mt19937_64 rng(42);
    for (int i = 0; i < 200000; ++i) {
        std::uint64_t bits = rng();
        if (i % 4 == 0) bits &= 0x800FFFFFFFFFFFFFull; // denormals
        const double d = std::bit_cast<double>(bits);
        const double back = extendedToDouble(doubleToExtended(d));
        if (std::isnan(d)) {
            ASSERT_TRUE(std::isnan(back));
        } else {
            ASSERT_EQ(bitsOf(back), bits) << std::hex << bits;
        }
    }
}
