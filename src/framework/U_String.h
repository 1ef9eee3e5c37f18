// Small text chores: trimming, name=value and list splitting, tokenising, tolerant numbers,
// Roman numerals, and paths relative to a root directory. Positions are 1-based; "space" means
// the space character and the zero character alike.
#pragma once

#include <QString>

#include <bitset>
#include <initializer_list>

namespace zelto {

// Base directory of relative paths when not empty.
extern QString RootDirectory;

// A set of 8-bit character codes; a character above 255 is never a member.
class TDelimiters {
public:
    TDelimiters() = default;
    TDelimiters(std::initializer_list<QChar> chars) {
        for (QChar c : chars) include(c);
    }
    // Every character of the text (those above 255 are skipped).
    static TDelimiters fromString(QStringView chars) {
        TDelimiters d;
        for (QChar c : chars) d.include(c);
        return d;
    }

    TDelimiters& include(QChar c) {
        if (c.unicode() < 256) m_bits.set(c.unicode());
        return *this;
    }
    TDelimiters& exclude(QChar c) {
        if (c.unicode() < 256) m_bits.reset(c.unicode());
        return *this;
    }
    bool contains(QChar c) const { return c.unicode() < 256 && m_bits.test(c.unicode()); }
    bool isEmpty() const { return m_bits.none(); }
    TDelimiters operator+(const TDelimiters& other) const {
        TDelimiters d;
        d.m_bits = m_bits | other.m_bits;
        return d;
    }
    bool operator==(const TDelimiters& other) const = default;

private:
    std::bitset<256> m_bits;
};

// Trimming and splitting.
QString BezVnejsichMezer(const QString& S);
QString RemoveAllSpaces(const QString& S);
bool StringAsParameter(const QString& S, QString& Name, QString& Value);
bool StringAsParameterWS(const QString& S, QString& Name, QString& Value);
bool StringAsTwoParams(const QString& S, QChar Delimiter, QString& First, QString& Rest);
bool StringAsTwoParamsWS(const QString& S, QChar Delimiter, QString& First, QString& Rest);
bool StringAsParameterIgnoreBlock(const QString& S, QString& Name, QString& Value,
                                  const TDelimiters& BlockMarks);
QString TakeFromApos(const QString& S);

// Tokenising. Delimiter is the character found, QChar(0) at the end of the text.
void ReadToDelimiter(const QString& S, const TDelimiters& Delimiters, int Start, QString& Token,
                     int& Position, QChar& Delimiter);
void ReadToDelimiterWithoutWS(const QString& S, const TDelimiters& Delimiters, int Start, QString& Token,
                              int& Position, QChar& Delimiter);
void ReadToDelimiterWithoutWSIgnoreBlock(const QString& S, const TDelimiters& Delimiters,
                                         const TDelimiters& BlockMark, QString& Token, int& Position,
                                         QChar& Delimiter, int Start);

// Numbers.
double StrToExtended(const QString& S);
bool StringIsFloat(const QString& S);
void SwapChars(QString& S, QChar A, QChar B);
bool ChangeCharInString(QString& S, QChar A, QChar B, bool All);
int StrToLongInt(const QString& S);
int StringToInteger(const QString& S);
QString IntToStrZ(int Int, int Width, bool Zero);
QString IntToPrezStr(qint64 Value);
QString DoubleToStr(double Value, int Width, int Decimals);
QString StrToStrSp(const QString& S, int Width);
QString BoolToStr(bool B);
bool StrToBool(const QString& S);
QString IntegerToRome(int Value);
int RomeToInteger(const QString& S);

// Names and paths.
QString GetNameWithoutNumber(const QString& S);
int GetNameEndNumber(const QString& S);
void CheckClassName(QString& S);
QString CheckBackSlash(QString& S);
QString AddBackSlash(QString& S);
void RemoveBackSlash(QString& S);
bool IsRelativePath(const QString& S);
QString ExecPath();
QString GetAbsolutePath(const QString& S);
QString GetAbsolutePath(const QString& Base, const QString& S);
QString WinDirStr();
QString GetModulIniFile();

} // namespace zelto
