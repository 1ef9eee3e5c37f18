// Readers of line-oriented files, each one line ahead of its caller:
// - TCteniParametru: parameter files of "[section]" lines, "name = value" lines and ";" comments,
//   8-bit text in the Windows-1250 code page (UTF-8 with a byte-order mark is accepted too);
// - TCtiDefInfa: definition files of 16-bit little-endian units whose "[function arguments]"
//   lines carry a function word.
// Neither raises: a missing, unreadable or empty file answers OKej false.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace zelto {

class TCteniParametru {
public:
    qint32 CisloRadku = 0;
    QString Radek;
    QString Hodnota;
    bool SouborOK = false;
    bool ChybaParametru = true;

    TCteniParametru(const QString& JmSouboru, bool& OKej);

    // Classifies the look-ahead line and reads the next one. Once the last line has been
    // classified, further calls (and calls on a reader that did not open) answer nothing with
    // PosledniRadek true.
    void DejRadek(bool& JeToParametr, bool& JeToInfo, QString& HodnotaParametru, QString& NazevParametru,
                  bool& PosledniRadek);
    bool BylaChybaParametru() const { return ChybaParametru; }
    bool DejBooleanParametr() const;
    qint32 DejLongIntParametr();
    double DejRealParametr();
    double DejExtendedParametr();

private:
    bool atEnd() const { return m_next >= m_lines.size(); }

    // The file is read whole at opening; m_next indexes the line after Radek.
    QStringList m_lines;
    qsizetype m_next = 0;
};

class TCtiDefInfa {
public:
    QString JmSouboru;
    qint32 Pozice = 0;
    QString Radek;
    QString Funkce;
    bool SouborOK = false;

    TCtiDefInfa(const QString& IJmSouboru, bool& OKej);

    void NactiRadek();
    // A position outside the file leaves the reader at its end.
    void NastavPozici(qint32 NovaPozice);
    void DejRadek(bool& JeToInfo, bool& PosledniRadek, QString& Obsah);

private:
    bool atEnd() const { return Pozice < 0 || Pozice >= m_units.size(); }

    // The file's 16-bit units, read whole at opening (a trailing odd byte is no unit).
    QVector<char16_t> m_units;
};

} // namespace zelto
