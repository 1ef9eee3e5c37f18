#include "_IniFile.h"

#include "Notifier.h"
#include "TextLocale.h"
#include "U_String.h"

#include <QIODevice>
#include <QLocale>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>

#include <cmath>

namespace zelto {

namespace {

// Section and key names become one settings key "section/key"; the characters that the
// settings store would take for group separators are escaped so that any name round-trips.
QString escapeName(const QString& name) {
    QString r;
    r.reserve(name.size());
    for (QChar c : name) {
        if (c == QLatin1Char('%'))
            r += QLatin1String("%25");
        else if (c == QLatin1Char('/'))
            r += QLatin1String("%2F");
        else if (c == QLatin1Char('\\'))
            r += QLatin1String("%5C");
        else
            r += c;
    }
    return r;
}

QString unescapeName(const QString& name) {
    if (!name.contains(QLatin1Char('%'))) return name;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(name.toUtf8()));
}

QString settingsKey(const QString& escapedSection, const QString& escapedIdent) {
    return escapedSection.isEmpty() ? escapedIdent : escapedSection + QLatin1Char('/') + escapedIdent;
}

QString decodeFile(QByteArray data) {
    if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError()) return text;
    // Older files were written in the Central European 8-bit code page.
    QStringDecoder cp1250("windows-1250");
    if (cp1250.isValid()) return cp1250.decode(data);
    return QString::fromLatin1(data);
}

// The plain INI text: no value is reinterpreted (commas, quotes and "@" stay text, as opposed
// to the settings store's own INI dialect), names are written as they are, in UTF-8.
bool readIni(QIODevice& device, QSettings::SettingsMap& map) {
    const QString text = decodeFile(device.readAll());
    QString section;
    QSet<QString> seen;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            section = escapeName((close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toString());
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString ident = line.left(eq).trimmed().toString();
        if (ident.isEmpty()) continue;
        const QString key = settingsKey(section, escapeName(ident));
        // The first of repeated entries counts, as in the classic INI readers.
        const QString folded = key.toCaseFolded();
        if (seen.contains(folded)) continue;
        seen.insert(folded);
        map.insert(key, line.mid(eq + 1).trimmed().toString());
    }
    return true;
}

bool writeIni(QIODevice& device, const QSettings::SettingsMap& map) {
    QStringList order;
    QHash<QString, QString> bodies;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString& key = it.key();
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : unescapeName(key.left(slash));
        const QString ident = unescapeName(slash < 0 ? key : key.mid(slash + 1));
        QString value = it.value().toString();
        value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!bodies.contains(section)) {
            // Entries outside any section must come first.
            if (section.isEmpty())
                order.prepend(section);
            else
                order.append(section);
        }
        bodies[section] += ident + QLatin1Char('=') + value + QLatin1Char('\n');
    }
    QString text;
    for (const QString& section : order) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        if (!section.isEmpty()) text += QLatin1Char('[') + section + QLatin1String("]\n");
        text += bodies.value(section);
    }
    const QByteArray bytes = text.toUtf8();
    return device.write(bytes) == bytes.size();
}

QSettings::Format iniFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), readIni, writeIni, Qt::CaseSensitive);
    return format;
}

// Names that the file could not give back: they would split or start another line.
bool validNames(const QString& section, const QString& ident) {
    auto hasBreak = [](const QString& s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    if (ident.isEmpty() || hasBreak(section) || hasBreak(ident)) return false;
    if (ident.contains(QLatin1Char('=')) || ident.startsWith(QLatin1Char('[')) ||
        ident.startsWith(QLatin1Char(';')))
        return false;
    return !section.contains(QLatin1Char(']'));
}

bool readCFloat(const QString& text, double& value) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

} // namespace

TRealIniFile::TRealIniFile(const QString& FileName)
    : m_fileName(FileName), m_settings(std::make_unique<QSettings>(FileName, iniFormat())) {
    // Write through a temporary file and a rename only, never over the old copy in place.
    m_settings->setAtomicSyncRequired(true);
}

TRealIniFile::~TRealIniFile() = default;

QList<TRealIniFile::Entry> TRealIniFile::entries() const {
    QList<Entry> r;
    for (const QString& key : m_settings->allKeys()) {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        if (slash < 0)
            r.append({key, QString(), unescapeName(key)});
        else
            r.append({key, unescapeName(key.left(slash)), unescapeName(key.mid(slash + 1))});
    }
    return r;
}

QString TRealIniFile::storedKey(const QString& Section, const QString& Ident) const {
    const QString section = Section.trimmed();
    const QString ident = Ident.trimmed();
    QString existingSection;
    bool sectionFound = false;
    for (const Entry& e : entries()) {
        if (!sameText(e.section, section)) continue;
        if (sameText(e.ident, ident)) return e.key;
        if (!sectionFound) {
            existingSection = e.section;
            sectionFound = true;
        }
    }
    // A new key joins the section under the spelling the file already has.
    return settingsKey(escapeName(sectionFound ? existingSection : section), escapeName(ident));
}

QString TRealIniFile::ReadString(const QString& Section, const QString& Ident, const QString& Default) const {
    const QVariant v = m_settings->value(storedKey(Section, Ident));
    return v.isValid() ? v.toString() : Default;
}

int TRealIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) const {
    const QString text = ReadString(Section, Ident, QString()).trimmed();
    qint32 v = 0;
    if (tryParseInt32(text, v)) return v;
    // Hexadecimal forms of the classic INI readers.
    bool ok = false;
    int hex = 0;
    if (text.startsWith(QLatin1Char('$')))
        hex = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        hex = text.mid(2).toInt(&ok, 16);
    return ok ? hex : Default;
}

bool TRealIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

double TRealIniFile::ReadDouble(const QString& Section, const QString& Ident, double Default) const {
    QString text = ReadString(Section, Ident, QString()).trimmed();
    if (text.isEmpty()) return Default;
    double v = 0;
    if (readCFloat(text, v)) return v;
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma < 0) return Default;
    text[comma] = QLatin1Char('.');
    return readCFloat(text, v) ? v : Default;
}

bool TRealIniFile::put(const QString& Section, const QString& Ident, const QString& Value) {
    if (!validNames(Section.trimmed(), Ident.trimmed())) {
        notifier().protocol(
            QStringLiteral("Neplatný název v souboru nastavení %1: [%2] %3").arg(m_fileName, Section, Ident));
        return false;
    }
    // A line break would end the entry and let the rest of the value pose as further lines.
    QString value = Value;
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_settings->setValue(storedKey(Section, Ident), value);
    return true;
}

bool TRealIniFile::flush() {
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError) return true;
    notifier().protocol(QStringLiteral("Soubor nastavení nelze zapsat: ") + m_fileName);
    return false;
}

bool TRealIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    return put(Section, Ident, Value) && flush();
}

bool TRealIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
    return WriteString(Section, Ident, QString::number(Value));
}

bool TRealIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
    return WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TRealIniFile::WriteDouble(const QString& Section, const QString& Ident, double Value) {
    return WriteString(Section, Ident, floatToStr(Value));
}

bool TRealIniFile::WriteSection(const QString& Section, const QStringList& Lines) {
    for (const Entry& e : entries())
        if (sameText(e.section, Section.trimmed())) m_settings->remove(e.key);
    bool allStored = true;
    for (const QString& line : Lines) {
        QString name, value;
        StringAsParameter(line, name, value);
        if (name.isEmpty()) continue;
        allStored = put(Section, name, value) && allStored;
    }
    return flush() && allStored;
}

bool TRealIniFile::EraseSection(const QString& Section) {
    bool any = false;
    for (const Entry& e : entries()) {
        if (!sameText(e.section, Section.trimmed())) continue;
        m_settings->remove(e.key);
        any = true;
    }
    return !any || flush();
}

bool TRealIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    if (!ValueExists(Section, Ident)) return true;
    m_settings->remove(storedKey(Section, Ident));
    return flush();
}

bool TRealIniFile::SectionExists(const QString& Section) const {
    for (const Entry& e : entries())
        if (sameText(e.section, Section.trimmed())) return true;
    return false;
}

bool TRealIniFile::ValueExists(const QString& Section, const QString& Ident) const {
    return m_settings->contains(storedKey(Section, Ident));
}

QStringList TRealIniFile::ReadSection(const QString& Section) const {
    QStringList r;
    for (const Entry& e : entries())
        if (sameText(e.section, Section.trimmed())) r.append(e.ident);
    return r;
}

QStringList TRealIniFile::ReadSections() const {
    QStringList r;
    for (const Entry& e : entries()) {
        bool known = false;
        for (const QString& s : r) known = known || sameText(s, e.section);
        if (!known) r.append(e.section);
    }
    return r;
}

QStringList TRealIniFile::ReadSectionValues(const QString& Section) const {
    QStringList r;
    for (const Entry& e : entries())
        if (sameText(e.section, Section.trimmed()))
            r.append(e.ident + QLatin1Char('=') + m_settings->value(e.key).toString());
    return r;
}

bool TRealIniFile::UpdateFile() {
    return flush();
}

} // namespace zelto
