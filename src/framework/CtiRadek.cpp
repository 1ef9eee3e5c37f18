#include "CtiRadek.h"

#include "TextLocale.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zelto {

namespace {

constexpr QChar kApostrof = QLatin1Char('\'');

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isSign(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}
bool isRealChar(QChar c) {
    return isDigit(c) || isSign(c) || c == QLatin1Char('.');
}

// A decimal real of digits with at most one ".", an optional single leading sign and no exponent.
// Digits too many for a double fail when the value is too large and read as 0 when too small.
bool parseDecimalReal(const QString& run, double& value) {
    std::string text = run.toStdString();
    bool negative = false;
    std::size_t start = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        start = 1;
    }
    // from_chars takes a "-" of its own; a second sign is never part of a number.
    if (start >= text.size() || text[start] == '+' || text[start] == '-') return false;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, std::chars_format::fixed);
    if (end != last) return false;
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: a non-zero digit before the point means too large.
        for (const char* p = first; p != last && *p != '.'; ++p)
            if (*p != '0') return false;
        v = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

} // namespace

bool roundToReal48(double value, double& rounded) {
    rounded = 0;
    if (!std::isfinite(value)) return false;
    if (value == 0) return true;
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent); // [0.5, 1)
    const double scaled = std::ldexp(mantissa, 40);                  // [2^39, 2^40), exact
    double whole = std::floor(scaled);
    const double rest = scaled - whole; // exact: the bits below the 40th
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    if (whole == std::ldexp(1.0, 40)) {
        whole = std::ldexp(1.0, 39);
        ++exponent;
    }
    // The value is whole * 2^(exponent - 40); the 6-byte exponent byte would be exponent + 128,
    // which must lie in 1..255 (0 means zero; there are no denormals).
    if (exponent < -127) return true;
    if (exponent > 127) return false;
    rounded = std::copysign(std::ldexp(whole, exponent - 40), value);
    return true;
}

TCtiRadekClass::TCtiRadekClass(const QString& ObsahRadku) {
    NovyString(ObsahRadku);
}

void TCtiRadekClass::NovyString(const QString& ObsahRadku) {
    Obsah = ObsahRadku;
    Ukazovatko = 1;
    ChybaCteni = false;
}

QChar TCtiRadekClass::charAt(qint32 position) const {
    if (position < 1 || position > Obsah.size()) return QChar(0);
    return Obsah.at(position - 1);
}

void TCtiRadekClass::StepVl() {
    if (Ukazovatko <= 1)
        ChybaCteni = true;
    else
        --Ukazovatko;
}

void TCtiRadekClass::StepVp() {
    if (Ukazovatko > StepLimit)
        ChybaCteni = true;
    else
        ++Ukazovatko;
}

void TCtiRadekClass::JdiNa(std::uint8_t Pozice) {
    if (Pozice == 0)
        ChybaCteni = true;
    else
        Ukazovatko = Pozice;
}

QChar TCtiRadekClass::AktualniZnak() const {
    return charAt(Ukazovatko);
}

QChar TCtiRadekClass::DejChar() {
    if (ChybaCteni) return QChar(0);
    if (KonecRadku() || Ukazovatko < 1) {
        ChybaCteni = true;
        return QChar(0);
    }
    const QChar c = charAt(Ukazovatko);
    StepVp();
    return c;
}

void TCtiRadekClass::PreskocMezery() {
    while (!KonecRadku() && charAt(Ukazovatko) == QLatin1Char(' ')) ++Ukazovatko;
}

void TCtiRadekClass::PreskocMnozinu(const TDelimiters& Mn) {
    while (!KonecRadku() && Mn.contains(charAt(Ukazovatko))) ++Ukazovatko;
}

void TCtiRadekClass::JdiNaMnozinu(const TDelimiters& Mn) {
    while (!KonecRadku() && !Mn.contains(charAt(Ukazovatko))) ++Ukazovatko;
}

void TCtiRadekClass::JdiZaZnak(QChar Znak) {
    while (!KonecRadku() && charAt(Ukazovatko) != Znak) ++Ukazovatko;
    if (!KonecRadku()) ++Ukazovatko;
}

QString TCtiRadekClass::DejString(qint32 DelkaRetezce) {
    if (ChybaCteni || DelkaRetezce < 0) return QString();
    QString result;
    if (Ukazovatko >= 1 && Ukazovatko <= Obsah.size()) result = Obsah.mid(Ukazovatko - 1, DelkaRetezce);
    const qint64 next = qint64(Ukazovatko) + DelkaRetezce;
    Ukazovatko = qint32(std::min<qint64>(next, std::numeric_limits<qint32>::max()));
    return result;
}

QString TCtiRadekClass::DejStringPoZnak(QChar Zn) {
    if (ChybaCteni) return QString();
    QString result;
    while (!KonecRadku() && charAt(Ukazovatko) != Zn) result += charAt(Ukazovatko++);
    return result;
}

QString TCtiRadekClass::DejStringPoMnozinu(const TDelimiters& Mn) {
    if (ChybaCteni) return QString();
    QString result;
    while (!KonecRadku() && !Mn.contains(charAt(Ukazovatko))) result += charAt(Ukazovatko++);
    return result;
}

QString TCtiRadekClass::DejStringPoApostrof() {
    if (ChybaCteni) return QString();
    QString result;
    bool closed = false;
    while (!KonecRadku()) {
        const QChar c = charAt(Ukazovatko);
        result += c;
        if (c == kApostrof) {
            if (Ukazovatko == Obsah.size() || charAt(Ukazovatko + 1) != kApostrof) {
                closed = true;
                break;
            }
            ++Ukazovatko; // a doubled apostrophe stands for one
        }
        ++Ukazovatko;
    }
    if (closed) result.chop(1);
    return result;
}

QString TCtiRadekClass::DejParametrStr(bool& MeziApostrofy) {
    if (DejChar() == kApostrof) {
        const QString result = DejStringPoApostrof();
        StepVp();
        MeziApostrofy = true;
        return result;
    }
    StepVl();
    MeziApostrofy = false;
    return DejStringPoZnak(QLatin1Char(' '));
}

QString TCtiRadekClass::DejStringMeziApostrofy() {
    JdiNaMnozinu(TDelimiters{kApostrof});
    StepVp();
    const QString result = DejStringPoApostrof();
    StepVp();
    return result;
}

qint32 TCtiRadekClass::DejInteger() {
    if (ChybaCteni) return 0;
    while (!KonecRadku() && !isDigit(charAt(Ukazovatko)) && !isSign(charAt(Ukazovatko))) ++Ukazovatko;
    QString run;
    bool afterDigit = false;
    while (!KonecRadku()) {
        const QChar c = charAt(Ukazovatko);
        if (isDigit(c))
            afterDigit = true;
        else if (isSign(c) && !afterDigit)
            afterDigit = false;
        else
            break;
        run += c;
        ++Ukazovatko;
    }
    qint32 value = 0;
    if (!tryParseInt32(run, value)) {
        ChybaCteni = true;
        return 0;
    }
    return value;
}

bool TCtiRadekClass::readRealRun(double& value) {
    while (!KonecRadku() && !isRealChar(charAt(Ukazovatko))) ++Ukazovatko;
    QString run;
    while (!KonecRadku() && isRealChar(charAt(Ukazovatko))) run += charAt(Ukazovatko++);
    if (!parseDecimalReal(run, value)) {
        ChybaCteni = true;
        value = 0;
        return false;
    }
    return true;
}

double TCtiRadekClass::DejReal() {
    if (ChybaCteni) return 0;
    double value = 0;
    if (!readRealRun(value)) return 0;
    double rounded = 0;
    if (!roundToReal48(value, rounded)) ChybaCteni = true;
    return rounded;
}

double TCtiRadekClass::DejExtended() {
    if (ChybaCteni) return 0;
    double value = 0;
    readRealRun(value);
    return value;
}

double TCtiRadekClass::DejDekodovanyReal() {
    if (ChybaCteni) return 0;
    if (Ukazovatko < 1 || qint64(Ukazovatko) + 3 > Obsah.size()) {
        ChybaCteni = true;
        return 0;
    }
    qint32 packed = 0;
    for (qint32 i = 0; i < 4; ++i) {
        const char16_t code = charAt(Ukazovatko + i).unicode();
        if (code < 63 || code > 126) {
            ChybaCteni = true;
            return 0;
        }
        packed = packed * 64 + (code - 63);
    }
    Ukazovatko += 4;
    double rounded = 0;
    roundToReal48(packed / 10.0, rounded); // at most 1677721.5: always in range
    return rounded;
}

bool TCtiRadekClass::DejBoolean() {
    QChar c;
    do {
        c = DejChar();
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
        if (QStringView(u"01AFNT").contains(c)) break;
    } while (!ChybaCteni);
    return c == QLatin1Char('1') || c == QLatin1Char('A') || c == QLatin1Char('T');
}

} // namespace zelto
