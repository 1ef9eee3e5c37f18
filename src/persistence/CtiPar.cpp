#include "CtiPar.h"

#include "framework/CtiRadek.h"
#include "framework/U_String.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace zelto {

namespace {

constexpr int kDelkaHodnoty = 250;
constexpr int kDelkaObsahu = 255;

bool readWholeFile(const QString& name, QByteArray& bytes) {
    if (name.isEmpty()) return false;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return false;
    bytes = f.readAll();
    return true;
}

// Parameter files are 8-bit text in the system's code page; a UTF-8 byte-order mark marks a file
// saved by a newer editor.
QString decodeParameterText(const QByteArray& bytes) {
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    if (bytes.startsWith(utf8Bom)) return QString::fromUtf8(bytes.mid(utf8Bom.size()));
    QStringDecoder cp1250("windows-1250");
    if (!cp1250.isValid()) return QString::fromLatin1(bytes);
    return cp1250.decode(bytes);
}

// Lines end at LF or CR LF; a final line end does not start another line.
QStringList splitTextLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char(LineFeed));
    if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char(Enter))) line.chop(1);
    return lines;
}

} // namespace

// ---- TCteniParametru -----------------------------------------------------------------------------

TCteniParametru::TCteniParametru(const QString& JmSouboru, bool& OKej) {
    OKej = false;
    if (JmSouboru.isEmpty()) return;
    QByteArray bytes;
    if (readWholeFile(JmSouboru, bytes)) {
        CisloRadku = 1;
        if (!bytes.isEmpty()) {
            m_lines = splitTextLines(decodeParameterText(bytes));
            Radek = m_lines.first();
            m_next = 1;
            OKej = true;
        }
    }
    SouborOK = OKej;
    ChybaParametru = false;
}

void TCteniParametru::DejRadek(bool& JeToParametr, bool& JeToInfo, QString& HodnotaParametru,
                               QString& NazevParametru, bool& PosledniRadek) {
    ++CisloRadku;
    PosledniRadek = !SouborOK || atEnd();
    JeToParametr = false;
    JeToInfo = false;
    HodnotaParametru.clear();
    NazevParametru.clear();

    Radek = BezVnejsichMezer(Radek);
    if (!Radek.isEmpty()) {
        TCtiRadekClass cti(Radek);
        const QChar first = cti.DejChar();
        if (first == QLatin1Char(';')) {
            // a comment
        } else if (first == QLatin1Char('[')) {
            JeToInfo = true;
            QString value = BezVnejsichMezer(cti.DejStringPoZnak(QLatin1Char(']')).toUpper());
            if (value.contains(QLatin1Char('['))) {
                // A bracket inside the name: «[ab[1]]» names «AB[1]».
                cti.StepVp();
                value += QLatin1Char(']') + BezVnejsichMezer(cti.DejStringPoZnak(QLatin1Char(']')).toUpper());
            }
            HodnotaParametru = Hodnota = value;
        } else {
            cti.StepVl();
            NazevParametru = BezVnejsichMezer(cti.DejStringPoZnak(QLatin1Char('='))).toUpper();
            if (!cti.DosloKChybe()) {
                cti.StepVp();
                HodnotaParametru = Hodnota = BezVnejsichMezer(cti.DejString(kDelkaHodnoty));
                JeToParametr = true;
            }
        }
    }

    // Past the last line the look-ahead is empty, so that a repeated call yields nothing.
    if (SouborOK && !atEnd())
        Radek = m_lines.at(m_next++);
    else
        Radek.clear();
}

bool TCteniParametru::DejBooleanParametr() const {
    if (Hodnota.isEmpty()) return false;
    return QStringView(u"1AJTY").contains(Hodnota.at(0).toUpper());
}

qint32 TCteniParametru::DejLongIntParametr() {
    TCtiRadekClass cti(Hodnota);
    const qint32 value = cti.DejLongInt();
    ChybaParametru = cti.DosloKChybe();
    return value;
}

double TCteniParametru::DejRealParametr() {
    TCtiRadekClass cti(Hodnota);
    const double value = cti.DejReal();
    ChybaParametru = cti.DosloKChybe();
    return value;
}

double TCteniParametru::DejExtendedParametr() {
    TCtiRadekClass cti(Hodnota);
    double value = cti.DejExtended();
    if (!cti.DosloKChybe() && !roundToReal48(value, value)) cti.ChybaCteni = true;
    ChybaParametru = cti.DosloKChybe();
    return value;
}

// ---- TCtiDefInfa ---------------------------------------------------------------------------------

TCtiDefInfa::TCtiDefInfa(const QString& IJmSouboru, bool& OKej) : JmSouboru(IJmSouboru) {
    OKej = false;
    QByteArray bytes;
    if (readWholeFile(JmSouboru, bytes)) {
        // Pozice is a signed 32-bit index: a larger file is read up to there.
        const qsizetype count = std::min<qsizetype>(bytes.size() / 2, std::numeric_limits<qint32>::max() - 1);
        m_units.resize(count);
        for (qsizetype i = 0; i < count; ++i)
            m_units[i] = char16_t(quint8(bytes[2 * i]) | (quint8(bytes[2 * i + 1]) << 8));
        Pozice = 0;
        OKej = count > 0;
        SouborOK = OKej;
        if (OKej) NactiRadek();
    }
}

void TCtiDefInfa::NactiRadek() {
    Radek.clear();
    while (!atEnd()) {
        const char16_t unit = m_units.at(Pozice++);
        if (unit == Enter) {
            if (!atEnd() && m_units.at(Pozice) == LineFeed) ++Pozice;
            return;
        }
        if (unit != LineFeed) Radek += QChar(unit);
    }
}

void TCtiDefInfa::NastavPozici(qint32 NovaPozice) {
    Pozice = NovaPozice;
}

void TCtiDefInfa::DejRadek(bool& JeToInfo, bool& PosledniRadek, QString& Obsah) {
    PosledniRadek = !SouborOK || atEnd();
    JeToInfo = false;
    Obsah.clear();
    Funkce.clear();

    Radek = BezVnejsichMezer(Radek);
    if (!Radek.isEmpty()) {
        TCtiRadekClass cti(Radek);
        const QChar first = cti.DejChar();
        if (first == QLatin1Char('[')) {
            JeToInfo = true;
            cti.PreskocMezery();
            Funkce = cti.DejStringPoMnozinu(TDelimiters{QLatin1Char(' '), QLatin1Char(']')}).toUpper();
            Obsah = BezVnejsichMezer(cti.DejStringPoZnak(QLatin1Char(']')));
        } else if (first != QLatin1Char(';')) {
            cti.StepVl();
            Obsah = BezVnejsichMezer(cti.DejString(kDelkaObsahu));
        }
    }

    if (SouborOK && !atEnd())
        NactiRadek();
    else
        Radek.clear();
}

} // namespace zelto
