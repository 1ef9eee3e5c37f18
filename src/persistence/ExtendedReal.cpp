#include "ExtendedReal.h"

#include <bit>
#include <cstring>

namespace zelto {

namespace {

constexpr int kExtBias = 16383;
constexpr int kDblBias = 1023;
constexpr std::uint64_t kIntegerBit = std::uint64_t(1) << 63;

TExtendedBytes pack(bool negative, std::uint32_t exponent, std::uint64_t mantissa) {
    TExtendedBytes b{};
    for (int i = 0; i < 8; ++i) b[size_t(i)] = std::uint8_t(mantissa >> (8 * i));
    const std::uint16_t se = std::uint16_t((negative ? 0x8000u : 0u) | (exponent & 0x7FFFu));
    b[8] = std::uint8_t(se);
    b[9] = std::uint8_t(se >> 8);
    return b;
}

double fromBits(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}

} // namespace

TExtendedBytes doubleToExtended(double value) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = bits >> 63;
    const std::uint32_t exp11 = std::uint32_t(bits >> 52) & 0x7FF;
    const std::uint64_t frac = bits & ((std::uint64_t(1) << 52) - 1);
    if (exp11 == 0x7FF) // infinity or NaN
        return pack(negative, 0x7FFF, kIntegerBit | (frac << 11));
    if (exp11 == 0) {
        if (frac == 0) return pack(negative, 0, 0);
        // A denormal double is a normal extended: shift the leading one to the integer bit.
        const int shift = std::countl_zero(frac);
        return pack(negative, std::uint32_t(kExtBias + 63 - 1074 - shift), frac << shift);
    }
    return pack(negative, std::uint32_t(int(exp11) - kDblBias + kExtBias), kIntegerBit | (frac << 11));
}

double extendedToDouble(const std::uint8_t* bytes) {
    std::uint64_t mant = 0;
    for (int i = 7; i >= 0; --i) mant = (mant << 8) | bytes[i];
    const std::uint16_t se = std::uint16_t(bytes[8] | (bytes[9] << 8));
    const bool negative = se & 0x8000;
    const int exp15 = se & 0x7FFF;
    const std::uint64_t sign = negative ? std::uint64_t(1) << 63 : 0;

    if (exp15 == 0x7FFF) {
        const std::uint64_t fraction = mant & ~kIntegerBit;
        if (fraction == 0) return fromBits(sign | (std::uint64_t(0x7FF) << 52));
        // NaN: keep the top payload bits and make it quiet.
        return fromBits(sign | (std::uint64_t(0x7FF) << 52) | (std::uint64_t(1) << 51) | (fraction >> 11));
    }
    if (mant == 0) return fromBits(sign);

    // value = mant * 2^e, then normalise so that the leading one is bit 63.
    int e = (exp15 == 0 ? 1 : exp15) - kExtBias - 63;
    const int s = std::countl_zero(mant);
    mant <<= s;
    e -= s;
    const int lead = e + 63; // exponent of the leading bit

    if (lead > kDblBias) return fromBits(sign | (std::uint64_t(0x7FF) << 52));

    if (lead >= 1 - kDblBias) {
        std::uint64_t m53 = mant >> 11;
        const std::uint64_t rem = mant & 0x7FF;
        if (rem > 0x400 || (rem == 0x400 && (m53 & 1))) ++m53;
        int biased = lead + kDblBias;
        if (m53 == (std::uint64_t(1) << 53)) {
            m53 >>= 1;
            ++biased;
            if (biased >= 0x7FF) return fromBits(sign | (std::uint64_t(0x7FF) << 52));
        }
        return fromBits(sign | (std::uint64_t(biased) << 52) | (m53 & ((std::uint64_t(1) << 52) - 1)));
    }

    // Below the normal range: a denormal in units of 2^-1074, rounded to nearest even.
    const int shift = -e - 1074;
    if (shift >= 65) return fromBits(sign);
    std::uint64_t q, r, half;
    if (shift == 64) {
        q = 0;
        r = mant;
        half = kIntegerBit;
    } else {
        q = mant >> shift;
        r = mant & ((std::uint64_t(1) << shift) - 1);
        half = std::uint64_t(1) << (shift - 1);
    }
    if (r > half || (r == half && (q & 1))) ++q;
    // A carry into bit 52 yields the smallest normal, which the same bit pattern expresses.
    return fromBits(sign | q);
}

double extendedToDouble(const TExtendedBytes& bytes) {
    return extendedToDouble(bytes.data());
}

} // namespace zelto
