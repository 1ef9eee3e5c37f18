#include "TextLocale.h"

#include <QCollator>
#include <QDateTime>
#include <QLocale>

#include <atomic>
#include <cmath>
#include <cstdio>

namespace zelto {

namespace {

QCollator& collator() {
    // One collator per thread, rebuilt when the default locale changes.
    thread_local QLocale locale;
    thread_local QCollator coll = [] {
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    QLocale current;
    if (current != locale) {
        locale = current;
        coll = QCollator(locale);
        coll.setCaseSensitivity(Qt::CaseInsensitive);
    }
    return coll;
}

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 128) return false;
    return true;
}

} // namespace

int compareText(const QString& a, const QString& b) {
    if (isAscii(a) && isAscii(b) && QLocale().language() == QLocale::C) {
        // Fast path for the common case of the C locale: case-insensitive code order.
        return QString::compare(a, b, Qt::CaseInsensitive);
    }
    return collator().compare(a, b);
}

bool sameText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QString upperText(const QString& s) {
    return QLocale().toUpper(s);
}

QString upperAscii(const QString& s) {
    QString r = s;
    for (QChar& c : r) {
        ushort u = c.unicode();
        if (u >= 'a' && u <= 'z') c = QChar(u - 32);
    }
    return r;
}

bool sameAsciiText(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        ushort x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

QChar decimalSeparator() {
    const QString dp = QLocale().decimalPoint();
    return dp.isEmpty() ? QChar('.') : dp.at(0);
}

bool tryParseLocaleFloat(const QString& s, double& value) {
    QString t = s.trimmed();
    if (t.isEmpty()) return false;
    const QChar sep = decimalSeparator();
    bool hasDigit = false;
    for (QChar c : t) {
        if (c.isDigit()) {
            hasDigit = true;
        } else if (c == sep || c == '+' || c == '-' || c == 'e' || c == 'E') {
            continue;
        } else {
            return false; // letters such as "inf", group separators, the other decimal point
        }
    }
    if (!hasDigit) return false;
    if (sep != '.') t.replace(sep, QChar('.'));
    bool ok = false;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

double strToExtended(const QString& s, bool* ok) {
    QString t = s.left(127);
    double v = 0;
    bool good = tryParseLocaleFloat(t, v);
    if (!good) {
        for (QChar& c : t) {
            if (c == '.') {
                c = ',';
                break;
            }
            if (c == ',') {
                c = '.';
                break;
            }
        }
        good = tryParseLocaleFloat(t, v);
    }
    if (ok) *ok = good;
    return good ? v : 0.0;
}

QString floatToStr(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString text = QString::fromLatin1(buf);
    const qsizetype e = text.indexOf('e');
    if (e >= 0) {
        const int exponent = text.mid(e + 1).toInt();
        text = text.left(e) + 'E' + QString::number(exponent);
    }
    const QChar sep = decimalSeparator();
    if (sep != '.') text.replace('.', sep);
    return text;
}

bool tryParseInt32(const QString& s, qint32& value) {
    qint64 v = 0;
    if (!tryParseInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<qint32>(v);
    return true;
}

bool tryParseInt64(const QString& s, qint64& value) {
    if (s.isEmpty()) return false;
    qsizetype i = 0;
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        i = 1;
    }
    if (i >= s.size()) return false;
    quint64 acc = 0;
    const quint64 limit = neg ? quint64(INT64_MAX) + 1 : quint64(INT64_MAX);
    for (; i < s.size(); ++i) {
        const ushort c = s[i].unicode();
        if (c < '0' || c > '9') return false;
        if (acc > (limit - (c - '0')) / 10) return false;
        acc = acc * 10 + (c - '0');
    }
    value = neg ? static_cast<qint64>(0 - acc) : static_cast<qint64>(acc);
    return true;
}

double modelDateTimeFromEpochMs(qint64 ms, qint32 offsetSeconds) {
    constexpr qint64 msPerDay = 86400000;
    constexpr qint64 unixEpochDay = 25569; // 1970-01-01 counted from 1899-12-30
    const qint64 local = ms + qint64(offsetSeconds) * 1000;
    const qint64 day = local >= 0 ? local / msPerDay : -((-local + msPerDay - 1) / msPerDay);
    return double(day + unixEpochDay) + double(local - day * msPerDay) / double(msPerDay);
}

double nowAsDateTime() {
    // Every element message carries this time, so it must be cheap: the local-time offset is read
    // from the time zone (a file look-up each time) once per UTC minute and kept. Offsets change
    // only at whole minutes, so the result is the same as converting every time (a change of the
    // machine's time zone shows within a minute).
    constexpr qint64 msPerMinute = 60000;
    constexpr qint64 offsetSpan = qint64(1) << 20; // offsets are within +-14 h = +-50,400 s
    static std::atomic<qint64> cache{-1};          // minute * offsetSpan + (offset + offsetSpan / 2)
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = ms >= 0 ? ms / msPerMinute : -1;
    qint64 offsetSeconds;
    const qint64 cached = cache.load(std::memory_order_relaxed);
    if (minute >= 0 && cached >= 0 && cached / offsetSpan == minute) {
        offsetSeconds = cached % offsetSpan - offsetSpan / 2;
    } else {
        offsetSeconds = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
        if (minute >= 0 && std::abs(offsetSeconds) < offsetSpan / 2)
            cache.store(minute * offsetSpan + offsetSeconds + offsetSpan / 2, std::memory_order_relaxed);
    }
    return modelDateTimeFromEpochMs(ms, qint32(offsetSeconds));
}

} // namespace zelto
