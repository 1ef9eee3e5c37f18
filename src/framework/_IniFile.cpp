#include "_IniFile.h"

#include "Notifier.h"
#include "TextLocale.h"
#include "U_String.h"

#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <cmath>

namespace zelto {

namespace {

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

// A line break would end the entry and let the rest of the value pose as further lines.
QString oneLine(QString value) {
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

} // namespace

TRealIniFile::TRealIniFile(const QString& FileName) : m_fileName(FileName) {}

TRealIniFile::~TRealIniFile() = default;

void TRealIniFile::refresh() const {
    const QFileInfo info(m_fileName);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    if (size == m_readSize && time == m_readTime) return;
    m_readSize = size;
    m_readTime = time;
    m_sections.clear();
    // A pipe, a folder or a huge file in its place reads as no settings.
    QByteArray data;
    if (size < 0 || !readRegularFile(m_fileName, MaxProjectFileBytes, data)) return;
    // The plain INI text: values stay exactly as written (commas, quotes and "@" are text).
    const QString text = decodeFile(data);
    Section* current = nullptr;
    auto sectionNamed = [this](const QString& name) -> Section* {
        for (Section& sec : m_sections)
            if (sameText(sec.name, name)) return &sec;
        m_sections.append({name, {}});
        return &m_sections.last();
    };
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            current = sectionNamed((close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toString());
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString ident = line.left(eq).trimmed().toString();
        if (ident.isEmpty()) continue;
        if (!current) {
            // Entries outside any section belong to the unnamed one, which comes first.
            if (m_sections.isEmpty() || !m_sections.first().name.isEmpty())
                m_sections.prepend({QString(), {}});
            current = &m_sections.first();
        }
        // The first of repeated entries counts, as in the classic INI readers.
        if (findKey(*current, ident)) continue;
        current->keys.append({ident, line.mid(eq + 1).trimmed().toString()});
    }
    m_sections.removeIf([](const Section& sec) { return sec.keys.isEmpty() && sec.name.isEmpty(); });
}

const TRealIniFile::Section* TRealIniFile::findSection(const QString& name) const {
    refresh();
    const QString wanted = name.trimmed();
    for (const Section& sec : m_sections)
        if (sameText(sec.name, wanted)) return &sec;
    return nullptr;
}

TRealIniFile::Section* TRealIniFile::findSection(const QString& name) {
    return const_cast<Section*>(static_cast<const TRealIniFile*>(this)->findSection(name));
}

const TRealIniFile::Key* TRealIniFile::findKey(const Section& section, const QString& ident) {
    const QString wanted = ident.trimmed();
    for (const Key& k : section.keys)
        if (sameText(k.ident, wanted)) return &k;
    return nullptr;
}

QString TRealIniFile::ReadString(const QString& Section, const QString& Ident, const QString& Default) const {
    const auto* sec = findSection(Section);
    const Key* k = sec ? findKey(*sec, Ident) : nullptr;
    return k ? k->value : Default;
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
    const QString section = Section.trimmed();
    const QString ident = Ident.trimmed();
    if (!validNames(section, ident)) {
        notifier().protocol(
            QStringLiteral("Neplatný název v souboru nastavení %1: [%2] %3").arg(m_fileName, Section, Ident));
        return false;
    }
    // A new key joins the section under the spelling the file already has.
    auto* sec = findSection(section);
    if (!sec) {
        if (section.isEmpty())
            m_sections.prepend({QString(), {}});
        else
            m_sections.append({section, {}});
        sec = section.isEmpty() ? &m_sections.first() : &m_sections.last();
    }
    for (Key& k : sec->keys)
        if (sameText(k.ident, ident)) {
            k.value = oneLine(Value);
            return true;
        }
    sec->keys.append({ident, oneLine(Value)});
    return true;
}

// Replaces the file atomically with the current sections (a short write or a full disk leaves the
// previous file as it was and is reported).
bool TRealIniFile::flush() {
    QString text;
    for (const Section& sec : m_sections) {
        if (sec.keys.isEmpty()) continue;
        if (!text.isEmpty()) text += QLatin1Char('\n');
        if (!sec.name.isEmpty()) text += QLatin1Char('[') + sec.name + QLatin1String("]\n");
        for (const Key& k : sec.keys) text += k.ident + QLatin1Char('=') + k.value + QLatin1Char('\n');
    }
    QString error;
    if (!writeFileAtomically(m_fileName, text.toUtf8(), &error)) {
        notifier().protocol(QStringLiteral("Soubor nastavení nelze zapsat: ") + m_fileName +
                            (error.isEmpty() ? QString() : QStringLiteral(" (") + error + QLatin1Char(')')));
        // What is on disk is what counts: the next read sees the file as it stayed.
        m_readSize = -2;
        return false;
    }
    const QFileInfo info(m_fileName);
    m_readSize = info.size();
    m_readTime = info.lastModified();
    return true;
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
    if (auto* sec = findSection(Section)) sec->keys.clear();
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
    const auto* sec = findSection(Section);
    if (!sec) return true;
    m_sections.removeAt(sec - m_sections.constData());
    return flush();
}

bool TRealIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    auto* sec = findSection(Section);
    const Key* k = sec ? findKey(*sec, Ident) : nullptr;
    if (!k) return true;
    sec->keys.removeAt(k - sec->keys.constData());
    return flush();
}

bool TRealIniFile::SectionExists(const QString& Section) const {
    const auto* sec = findSection(Section);
    return sec && !sec->keys.isEmpty();
}

bool TRealIniFile::ValueExists(const QString& Section, const QString& Ident) const {
    const auto* sec = findSection(Section);
    return sec && findKey(*sec, Ident);
}

QStringList TRealIniFile::ReadSection(const QString& Section) const {
    QStringList r;
    if (const auto* sec = findSection(Section))
        for (const Key& k : sec->keys) r.append(k.ident);
    return r;
}

QStringList TRealIniFile::ReadSections() const {
    refresh();
    QStringList r;
    for (const Section& sec : m_sections)
        if (!sec.keys.isEmpty()) r.append(sec.name);
    return r;
}

QStringList TRealIniFile::ReadSectionValues(const QString& Section) const {
    QStringList r;
    if (const auto* sec = findSection(Section))
        for (const Key& k : sec->keys) r.append(k.ident + QLatin1Char('=') + k.value);
    return r;
}

bool TRealIniFile::UpdateFile() {
    refresh();
    return flush();
}

} // namespace zelto
