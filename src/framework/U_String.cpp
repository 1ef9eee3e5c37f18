#include "U_String.h"

#include "TextLocale.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <limits>

namespace zelto {

QString RootDirectory;

namespace {

bool isSpace(QChar c) {
    return c.unicode() == ' ' || c.unicode() == 0;
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Shared scan of the ReadToDelimiter family. The input is copied so that an output
// parameter may be the same variable as the text.
void scanToDelimiter(const QString& text, const TDelimiters& delimiters, const TDelimiters* blockMarks,
                     int start, bool trim, QString& token, int& position, QChar& delimiter) {
    const QString s = text;
    const qsizetype len = s.size();
    const qsizetype first = std::max(start, 1);
    delimiter = QChar(0);
    if (first > len) {
        token.clear();
        position = int(first);
        return;
    }
    qsizetype pos = first;
    while (pos <= len) {
        const QChar c = s.at(pos - 1);
        if (blockMarks && blockMarks->contains(c)) {
            // Skip the whole block up to the same mark; an unclosed block runs to the end.
            const qsizetype close = s.indexOf(c, pos);
            if (close < 0) {
                pos = len + 1;
                break;
            }
            pos = close + 2;
            continue;
        }
        if (delimiters.contains(c)) break;
        ++pos;
    }
    QString t;
    if (pos <= len) {
        delimiter = s.at(pos - 1);
        t = s.mid(first - 1, pos - first);
        position = int(pos + 1);
    } else {
        t = s.mid(first - 1);
        position = int(len + 1);
    }
    token = trim ? BezVnejsichMezer(t) : t;
}

bool splitAt(const QString& text, QChar delimiter, bool trim, QString& first, QString& rest) {
    const QString s = text;
    const qsizetype at = s.indexOf(delimiter);
    if (at < 0) {
        first = trim ? BezVnejsichMezer(s) : s;
        rest.clear();
        return false;
    }
    first = trim ? BezVnejsichMezer(s.left(at)) : s.left(at);
    rest = trim ? BezVnejsichMezer(s.mid(at + 1)) : s.mid(at + 1);
    return true;
}

int clampToInt(qint64 v) {
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Trailing ASCII digits of s: the index where they start.
qsizetype trailingDigitsStart(const QString& s) {
    qsizetype i = s.size();
    while (i > 0 && isAsciiDigit(s.at(i - 1))) --i;
    return i;
}

bool endsWithSeparator(const QString& s) {
    return s.endsWith(QLatin1Char('\\')) || s.endsWith(QLatin1Char('/'));
}

// The base of relative paths with its trailing separator. A POSIX base gets "/", any other the
// textual "\" of the data model's paths.
QString withTrailingSeparator(const QString& base) {
    if (endsWithSeparator(base)) return base;
    return base + (base.startsWith(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\'));
}

} // namespace

QString BezVnejsichMezer(const QString& S) {
    qsizetype b = 0, e = S.size();
    while (b < e && isSpace(S.at(b))) ++b;
    while (e > b && isSpace(S.at(e - 1))) --e;
    return S.mid(b, e - b);
}

QString RemoveAllSpaces(const QString& S) {
    QString r;
    r.reserve(S.size());
    for (QChar c : S)
        if (!isSpace(c)) r += c;
    return r;
}

bool StringAsParameter(const QString& S, QString& Name, QString& Value) {
    return splitAt(S, QLatin1Char('='), true, Name, Value);
}

bool StringAsParameterWS(const QString& S, QString& Name, QString& Value) {
    return splitAt(S, QLatin1Char('='), false, Name, Value);
}

bool StringAsTwoParams(const QString& S, QChar Delimiter, QString& First, QString& Rest) {
    return splitAt(S, Delimiter, true, First, Rest);
}

bool StringAsTwoParamsWS(const QString& S, QChar Delimiter, QString& First, QString& Rest) {
    return splitAt(S, Delimiter, false, First, Rest);
}

bool StringAsParameterIgnoreBlock(const QString& S, QString& Name, QString& Value,
                                  const TDelimiters& BlockMarks) {
    const QString s = S;
    int position = 1;
    QChar delimiter;
    ReadToDelimiterWithoutWSIgnoreBlock(s, TDelimiters{QLatin1Char('=')}, BlockMarks, Name, position,
                                        delimiter, 1);
    if (delimiter != QLatin1Char('=')) {
        Value.clear();
        return false;
    }
    Value = BezVnejsichMezer(s.mid(position - 1));
    return true;
}

QString TakeFromApos(const QString& S) {
    if (!S.isEmpty() && S.startsWith(QLatin1Char('\'')) && S.endsWith(QLatin1Char('\'')))
        return S.mid(1, std::max<qsizetype>(0, S.size() - 2));
    return S;
}

void ReadToDelimiter(const QString& S, const TDelimiters& Delimiters, int Start, QString& Token,
                     int& Position, QChar& Delimiter) {
    scanToDelimiter(S, Delimiters, nullptr, Start, false, Token, Position, Delimiter);
}

void ReadToDelimiterWithoutWS(const QString& S, const TDelimiters& Delimiters, int Start, QString& Token,
                              int& Position, QChar& Delimiter) {
    scanToDelimiter(S, Delimiters, nullptr, Start, true, Token, Position, Delimiter);
}

void ReadToDelimiterWithoutWSIgnoreBlock(const QString& S, const TDelimiters& Delimiters,
                                         const TDelimiters& BlockMark, QString& Token, int& Position,
                                         QChar& Delimiter, int Start) {
    scanToDelimiter(S, Delimiters, &BlockMark, Start, true, Token, Position, Delimiter);
}

double StrToExtended(const QString& S) {
    return strToExtended(S);
}

bool StringIsFloat(const QString& S) {
    bool ok = false;
    strToExtended(S, &ok);
    return ok;
}

void SwapChars(QString& S, QChar A, QChar B) {
    for (QChar& c : S) {
        if (c == A) {
            c = B;
            return;
        }
        if (c == B) {
            c = A;
            return;
        }
    }
}

bool ChangeCharInString(QString& S, QChar A, QChar B, bool All) {
    bool changed = false;
    for (QChar& c : S) {
        if (c != A) continue;
        c = B;
        changed = true;
        if (!All) break;
    }
    return changed;
}

int StrToLongInt(const QString& S) {
    qint32 v = 0;
    // Unreadable and out-of-range texts answer 0 like the empty one.
    return tryParseInt32(BezVnejsichMezer(S), v) ? v : 0;
}

int StringToInteger(const QString& S) {
    qsizetype i = 0;
    while (i < S.size() && !isAsciiDigit(S.at(i))) ++i;
    qsizetype e = i;
    while (e < S.size() && isAsciiDigit(S.at(e))) ++e;
    qint32 v = 0;
    return tryParseInt32(S.mid(i, e - i), v) ? v : 0;
}

QString IntToStrZ(int Int, int Width, bool Zero) {
    return Zero ? QString::asprintf("%*.*d", Width, Width, Int) : QString::asprintf("%*d", Width, Int);
}

QString IntToPrezStr(qint64 Value) {
    // Magnitude as unsigned so that the most negative value has one too.
    quint64 magnitude = Value < 0 ? 0 - quint64(Value) : quint64(Value);
    QString r;
    while (magnitude >= 1000) {
        r.prepend(QLatin1Char(' ') + QString::asprintf("%03u", unsigned(magnitude % 1000)));
        magnitude /= 1000;
    }
    r.prepend(QString::number(magnitude));
    if (Value < 0) r.prepend(QLatin1Char('-'));
    return r;
}

QString DoubleToStr(double Value, int Width, int Decimals) {
    QString r = QString::asprintf("%*.*f", Width, Decimals, Value);
    const QChar sep = decimalSeparator();
    if (sep != QLatin1Char('.')) r.replace(QLatin1Char('.'), sep);
    return r;
}

QString StrToStrSp(const QString& S, int Width) {
    if (Width <= 0) return {};
    if (S.size() >= Width) return S.left(Width);
    return S + QString(Width - S.size(), QLatin1Char(' '));
}

QString BoolToStr(bool B) {
    return B ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

bool StrToBool(const QString& S) {
    return !S.isEmpty() && (S.at(0) == QLatin1Char('T') || S.at(0) == QLatin1Char('t'));
}

QString IntegerToRome(int Value) {
    struct Numeral {
        int value;
        const char* text;
        bool repeats;
    };
    static const Numeral table[] = {
        {1000, "M", true}, {900, "CM", false}, {500, "D", false}, {490, "XD", false}, {400, "CD", false},
        {100, "C", true},  {90, "XC", false},  {50, "L", false},  {40, "XL", false},  {10, "X", true},
        {9, "IX", false},  {5, "V", false},    {4, "IV", false},  {1, "I", true},
    };
    QString r;
    int rest = Value;
    for (const Numeral& n : table) {
        if (rest <= 0) break;
        if (n.repeats) {
            r += QString::fromLatin1(n.text).repeated(rest / n.value);
            rest %= n.value;
        } else if (rest >= n.value) {
            r += QLatin1String(n.text);
            rest -= n.value;
        }
    }
    return r;
}

int RomeToInteger(const QString& S) {
    const QString s = upperAscii(S);
    qint64 sum = 0;
    int previous = 0;
    int sign = 1;
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        int value = previous; // an unknown character takes the previous value
        switch (s.at(i).unicode()) {
        case 'I':
            value = 1;
            break;
        case 'V':
            value = 5;
            break;
        case 'X':
            value = 10;
            break;
        case 'L':
            value = 50;
            break;
        case 'C':
            value = 100;
            break;
        case 'D':
            value = 500;
            break;
        case 'M':
            value = 1000;
            break;
        default:
            break;
        }
        if (value > previous)
            sign = 1;
        else if (value < previous)
            sign = -1;
        sum += sign * value;
        previous = value;
    }
    // Summed wide and clamped: a long text of "M"s must not overflow.
    return clampToInt(sum);
}

QString GetNameWithoutNumber(const QString& S) {
    const qsizetype d = trailingDigitsStart(S);
    if (d == S.size() || d == 0) return {};
    return S.left(d);
}

int GetNameEndNumber(const QString& S) {
    qint32 v = 0;
    return tryParseInt32(S.mid(trailingDigitsStart(S)), v) ? v : 0;
}

void CheckClassName(QString& S) {
    if (!S.startsWith(QLatin1Char('T')) && !S.startsWith(QLatin1Char('t'))) S.prepend(QLatin1Char('T'));
}

QString CheckBackSlash(QString& S) {
    if (S.isEmpty()) return QStringLiteral("\\");
    if (!S.endsWith(QLatin1Char('\\'))) S += QLatin1Char('\\');
    return S;
}

QString AddBackSlash(QString& S) {
    return CheckBackSlash(S);
}

void RemoveBackSlash(QString& S) {
    if (S.endsWith(QLatin1Char('\\'))) S.chop(1);
}

bool IsRelativePath(const QString& S) {
    // A leading "/" is the POSIX root, absolute on the platforms this runs on.
    return !S.contains(QLatin1Char(':')) && !S.startsWith(QLatin1String("\\\\")) &&
           !S.startsWith(QLatin1Char('/'));
}

QString ExecPath() {
    // The program's directory in native form with the platform's separator appended, so that
    // "ExecPath() + name" is a usable path ("C:\app\" on Windows, "/opt/app/" on Linux).
    return withTrailingSeparator(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

QString GetAbsolutePath(const QString& S) {
    const QString base = RootDirectory.isEmpty() ? ExecPath() : withTrailingSeparator(RootDirectory);
    if (S.isEmpty()) return base;
    return IsRelativePath(S) ? base + S : S;
}

QString GetAbsolutePath(const QString& Base, const QString& S) {
    if (Base.isEmpty()) return GetAbsolutePath(S);
    const QString base = withTrailingSeparator(Base);
    if (S.isEmpty()) return base;
    return IsRelativePath(S) ? base + S : S;
}

QString WinDirStr() {
#ifdef Q_OS_WIN
    return qEnvironmentVariable("SystemRoot", QStringLiteral("C:\\Windows"));
#else
    // No system directory in that sense: the file system root stands for it.
    return QStringLiteral("/");
#endif
}

QString GetModulIniFile() {
    QString name = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
    const qsizetype nameStart =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= nameStart) name.truncate(dot);
    return GetAbsolutePath(name + QStringLiteral(".INI"));
}

} // namespace zelto
