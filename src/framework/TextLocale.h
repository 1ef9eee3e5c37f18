// Text and number helpers that follow the user's locale. Every locale-sensitive comparison and
// number conversion of the program goes through these, so that all parts agree.
#pragma once

#include <QString>

namespace zelto {

// Locale collation ignoring letter case (negative, 0, positive). Used for every sorted structure.
int compareText(const QString& a, const QString& b);

// Equality ignoring letter case ("č" equals "Č").
bool sameText(const QString& a, const QString& b);

// Upper case by the locale's rules.
QString upperText(const QString& s);

// Upper case of the ASCII letters only; other characters are kept.
QString upperAscii(const QString& s);

// Equality after upper-casing ASCII letters only (property names).
bool sameAsciiText(const QString& a, const QString& b);

// The locale's decimal separator.
QChar decimalSeparator();

// The platform's locale-dependent text-to-float conversion: surrounding spaces allowed, the
// locale's decimal separator, an optional exponent, no group separators.
bool tryParseLocaleFloat(const QString& s, double& value);

// Reads a real with either decimal separator: the locale's form first, then with the first "."
// or "," exchanged for the other. Only the first 127 characters count. 0 when unreadable.
double strToExtended(const QString& s, bool* ok = nullptr);

// General number format: up to 15 significant digits, locale decimal separator,
// scientific form ("1,5E-6") for very large and very small values.
QString floatToStr(double value);

// Decimal integer text (optional sign, digits only, surrounding spaces not allowed).
bool tryParseInt32(const QString& s, qint32& value);
bool tryParseInt64(const QString& s, qint64& value);

// The current local moment as days since 1899-12-30 (the model's date-time).
double nowAsDateTime();
// A moment given as milliseconds since 1970-01-01 UTC and the local offset from UTC, as the
// model's date-time (days since 1899-12-30, local).
double modelDateTimeFromEpochMs(qint64 ms, qint32 offsetSeconds);

} // namespace zelto
