// A cursor over one line of text: characters, words, apostrophe-quoted strings, integers, reals
// and yes/no values. It never raises: the first failure sets ChybaCteni, after which the reading
// operations answer nothing (0, an empty string, false) until NovyString sets a new text.
// Positions are 1-based.
#pragma once

#include "U_String.h"

#include <QString>

#include <cstdint>

namespace zelto {

// File open modes and line-end characters of the text readers.
inline constexpr std::uint8_t moOpenRead = 0x00;
inline constexpr std::uint8_t moOpenWrite = 0x01;
inline constexpr std::uint8_t moOpen = 0x02;
inline constexpr std::uint8_t moStandard = 0x02;
inline constexpr std::uint8_t moOpenRWDD = 0x12;
inline constexpr std::uint8_t moOpenRWND = 0x22;
inline constexpr std::uint8_t moOpenRWNN = 0x42;
inline constexpr std::uint8_t moOpenROND = 0x20;
inline constexpr std::uint8_t moOpenRONN = 0x40;
inline constexpr std::uint8_t moClosed = 0xFF;
inline constexpr char16_t Enter = 13;
inline constexpr char16_t LineFeed = 10;

// Rounds to the 6-byte real type: a 40-bit significand (ties to even) and magnitudes from 2^-128
// up to (2 - 2^-39) * 2^126, about 1.7E38. Smaller values become 0. A value that rounds above the
// largest one, an infinity or NaN has no 6-byte form: the answer is false and `rounded` is 0.
bool roundToReal48(double value, double& rounded);

class TCtiRadekClass {
public:
    // The old line limit: a single step forward is allowed only from this position or below.
    static constexpr int StepLimit = 253;

    QString Obsah;
    qint32 Ukazovatko = 1;
    bool ChybaCteni = false;

    explicit TCtiRadekClass(const QString& ObsahRadku = QString());
    void NovyString(const QString& ObsahRadku);

    bool DosloKChybe() const { return ChybaCteni; }
    bool KonecRadku() const { return Obsah.size() < Ukazovatko; }
    void ZnovuOdZacatkuRadku() { Ukazovatko = 1; }
    // Stepping back from the first character (or from before it) sets the error flag instead.
    void StepVl();
    void StepVp();
    // Position 0 lies before the text: the error flag is set and the cursor stays.
    void JdiNa(std::uint8_t Pozice);
    QChar AktualniZnak() const;
    QChar DejChar();

    void PreskocMezery();
    void PreskocMnozinu(const TDelimiters& Mn);
    void JdiNaMnozinu(const TDelimiters& Mn);
    void JdiZaZnak(QChar Znak);

    // A negative length answers the empty string and leaves the cursor alone.
    QString DejString(qint32 DelkaRetezce);
    QString DejStringPoZnak(QChar Zn);
    QString DejStringPoMnozinu(const TDelimiters& Mn);
    QString DejStringPoApostrof();
    QString DejParametrStr(bool& MeziApostrofy);
    QString DejStringMeziApostrofy();

    qint32 DejInteger();
    qint32 DejLongInt() { return DejInteger(); }
    // "." is the decimal point whatever the locale; there is no exponent. A value beyond the
    // 6-byte real's range is a failed conversion (error flag, 0).
    double DejReal();
    // Reals are doubles in memory: the answer carries a 53-bit significand; a value beyond the
    // double range is a failed conversion.
    double DejExtended();
    // Four characters "?" to "~" as base-64 digits, the number in tenths. Fewer than four
    // characters left, or one outside that range: 0, the error flag, the cursor unmoved.
    double DejDekodovanyReal();
    bool DejBoolean();

private:
    QChar charAt(qint32 position) const;
    bool readRealRun(double& value);
};

} // namespace zelto
