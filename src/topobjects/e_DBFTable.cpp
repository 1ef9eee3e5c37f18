#include "e_DBFTable.h"

#include "framework/Notifier.h"
#include "framework/e_Class.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <shapefil.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace zelto {

namespace {

const QString CisloField = QStringLiteral("CISLO");
const QByteArray DefaultEncoding = QByteArrayLiteral("windows-1250");

QString normalizedName(const QString& name) {
    QString n = name.trimmed();
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return n;
}

// The regular file `path`, or a file of the same directory whose name matches it ignoring case;
// empty when there is none.
QString resolveFile(const QString& path) {
    if (path.isEmpty()) return {};
    const QFileInfo fi(path);
    if (fi.isFile()) return path;
    const QDir dir = fi.absoluteDir();
    if (!dir.exists()) return {};
    const QString wanted = fi.fileName();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries)
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0) return fi.dir().filePath(entry);
    return {};
}

// ---- shapelib file hooks: the library builds the names of the ".dbf" and ".cpg" files itself, so
// its opening goes through the letter-case resolution too. ----------------------------------------

SAFile hookOpen(const char* filename, const char* access) {
    const QString requested = QFile::decodeName(filename);
    QString actual = resolveFile(requested);
    if (actual.isEmpty()) actual = requested;
    return reinterpret_cast<SAFile>(std::fopen(QFile::encodeName(actual).constData(), access));
}

void hookError(const char* message) {
    qDebug() << "shapelib:" << message;
}

SAHooks* tableHooks() {
    static SAHooks hooks = [] {
        SAHooks h;
        SASetupDefaultHooks(&h);
        h.FOpen = &hookOpen;
        h.Error = &hookError;
        return h;
    }();
    return &hooks;
}

// ---- code pages ------------------------------------------------------------------------------------

QByteArray encodingFromLanguageDriver(int ldid) {
    switch (ldid) {
    case 0x01:
        return "IBM437";
    case 0x02:
        return "IBM850";
    case 0x03:
        return "windows-1252";
    case 0x57:
        return DefaultEncoding; // "current ANSI code page": Czech installations
    case 0x64:
        return "IBM852";
    case 0x65:
        return "IBM866";
    case 0x26:
        return "IBM866";
    case 0xC8:
        return "windows-1250";
    case 0xC9:
        return "windows-1251";
    case 0xCA:
        return "windows-1254";
    case 0xCB:
        return "windows-1253";
    default:
        return DefaultEncoding;
    }
}

// The encoding named by shapelib's code page answer: "LDID/n" from the header byte, or the text of
// a ".cpg" file ("UTF-8", "1250", "CP1250", "ANSI 1250", "88592", "ISO-8859-2", ...).
QByteArray encodingFromCodePage(const char* codePage) {
    if (!codePage || !*codePage) return DefaultEncoding;
    const QString cp = QString::fromLatin1(codePage).trimmed();
    if (cp.startsWith(QLatin1String("LDID/"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int ldid = cp.mid(5).toInt(&ok);
        return ok ? encodingFromLanguageDriver(ldid) : DefaultEncoding;
    }
    QString key = cp.toUpper();
    key.remove(QLatin1Char(' '));
    key.remove(QLatin1Char('-'));
    key.remove(QLatin1Char('_'));
    if (key == QLatin1String("UTF8")) return "UTF-8";
    if (key == QLatin1String("88592") || key == QLatin1String("ISO88592")) return "ISO-8859-2";
    for (const char* prefix : {"WINDOWS", "ANSI", "OEM", "CP", "IBM"})
        if (key.startsWith(QLatin1String(prefix))) key = key.mid(int(qstrlen(prefix)));
    bool ok = false;
    const int number = key.toInt(&ok);
    if (ok) {
        if (number >= 1250 && number <= 1258) return "windows-" + QByteArray::number(number);
        if (number == 437 || number == 850 || number == 852 || number == 866)
            return "IBM" + QByteArray::number(number);
    }
    const QByteArray name = cp.toLatin1();
    return QStringDecoder(name.constData()).isValid() ? name : DefaultEncoding;
}

QString decodeText(const QByteArray& encoding, const QByteArray& bytes) {
    QStringDecoder decoder(encoding.constData());
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// The text in the table's code page; characters the code page cannot hold become "?".
QByteArray encodeText(const QByteArray& encoding, const QString& text) {
    QStringEncoder encoder(encoding.constData());
    if (!encoder.isValid()) return text.toLatin1();
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) return bytes;
    bytes.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder one(encoding.constData());
        const QByteArray b = one.encode(QStringView(text).mid(i, n));
        bytes += one.hasError() ? QByteArray("?") : b;
        i += n;
    }
    return bytes;
}

// The object number of a "CISLO" text: the integer it holds, 0 when it is not an integer.
qint64 cisloFromText(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok) return v;
    const double d = QLocale::c().toDouble(t, &ok);
    if (ok && std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15) return qint64(d);
    return 0;
}

} // namespace

// ---- TFieldDefElement ------------------------------------------------------------------------------

void TFieldDefElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TFieldDefElement::GetFieldType, &TFieldDefElement::SetFieldType>("FieldType");
    b.prop<&TFieldDefElement::GetSize, &TFieldDefElement::SetSize>("Size");
    b.prop<&TFieldDefElement::GetDecimals, &TFieldDefElement::SetDecimals>("Decimals");
}
ZELTO_IMPLEMENT_CLASS(TFieldDefElement, TNameElement, "e_DBFTable")

// ---- TTopolDBFTable --------------------------------------------------------------------------------

void TTopolDBFTable::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TTopolDBFTable::GetTableName>("TableName").stored(false);
    b.prop<&TTopolDBFTable::GetReadOnly, &TTopolDBFTable::SetReadOnly>("ReadOnly").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolDBFTable, TEntity, "e_DBFTable")

struct TTopolDBFTable::Impl {
    enum class State { Browse, Edit, Insert };

    QString path; // the file of the current table as found on disk
    DBFHandle dbf = nullptr;
    QFile index;
    QByteArray encoding = DefaultEncoding;
    State state = State::Browse;
    std::map<int, QByteArray> pending; // field -> its bytes, exactly the field's width
    qint32 recBeforeInsert = 0;

    // Field position in the open table, -1 when missing.
    int fieldIndex(const TTopolDBFTable& t, const QString& name) const {
        if (name.isEmpty()) return -1;
        const int count = t.ElementsCount();
        for (int i = 0; i < count; ++i)
            if (const TElement* e = t.Get(i); e && e->GetName().compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    // The trimmed text of a field of record `rec` (1-based) of the open table.
    QString readField(int rec, int field) const {
        if (!dbf || rec < 1 || rec > DBFGetRecordCount(dbf) || field < 0 || field >= DBFGetFieldCount(dbf))
            return {};
        const char* raw = DBFReadStringAttribute(dbf, rec - 1, field);
        if (!raw) return {};
        QString text = decodeText(encoding, QByteArray(raw));
        while (!text.isEmpty() && (text.back().isSpace() || text.back() == QChar(0))) text.chop(1);
        return text.trimmed();
    }
    void closeIndex() {
        if (index.isOpen()) index.close();
    }
};

TTopolDBFTable::TTopolDBFTable() : m_impl(new Impl) {}

TTopolDBFTable::~TTopolDBFTable() {
    Close();
    m_impl->closeIndex();
    delete m_impl;
}

// ---- creating --------------------------------------------------------------------------------------

bool TTopolDBFTable::CreateTable(const QString& fileName, const QList<TFieldDefElement*>& fields) {
    const QString name = normalizedName(fileName);
    auto refuse = [&](const QString& why) {
        notifier().message(QStringLiteral("Tabulku ") + name + QStringLiteral(" nelze vytvořit: ") + why);
        return false;
    };
    QStringList seen;
    for (const TFieldDefElement* f : fields) {
        if (!f) return refuse(QStringLiteral("chybí pole"));
        const QString fieldName = f->GetName();
        const QString type = f->GetFieldType().toUpper();
        bool plain = !fieldName.isEmpty() && fieldName.size() <= XBASE_FLDNAME_LEN_WRITE;
        for (const QChar c : fieldName)
            plain = plain && c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
        if (!plain) return refuse(QStringLiteral("chybné jméno pole ") + fieldName);
        if (seen.contains(f->GetName(), Qt::CaseInsensitive))
            return refuse(QStringLiteral("pole ") + f->GetName() + QStringLiteral(" je dvakrát"));
        seen << f->GetName();
        if (type.size() != 1 || !QStringLiteral("CNFLD").contains(type))
            return refuse(QStringLiteral("chybný typ pole ") + f->GetName());
        const int maxSize = type == QLatin1String("C")   ? 254
                            : type == QLatin1String("L") ? 1
                            : type == QLatin1String("D") ? 8
                                                         : 20;
        const bool number = type == QLatin1String("N") || type == QLatin1String("F");
        if (f->GetSize() < 1 || f->GetSize() > maxSize || f->GetDecimals() < 0 ||
            (!number && f->GetDecimals() != 0) ||
            (number && f->GetDecimals() > 0 && f->GetDecimals() > f->GetSize() - 2))
            return refuse(QStringLiteral("chybná délka pole ") + f->GetName());
    }
    if (QFileInfo(name).suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) != 0)
        return refuse(QStringLiteral("jméno souboru nekončí .DBF"));
    QString target = resolveFile(name);
    if (target.isEmpty()) target = name;
    DBFHandle h = DBFCreateLL(QFile::encodeName(target).constData(), "LDID/200", tableHooks());
    if (!h) return refuse(QStringLiteral("soubor nelze zapsat"));
    for (const TFieldDefElement* f : fields) {
        const char type = f->GetFieldType().toUpper().at(0).toLatin1();
        const int decimals = (type == 'N' || type == 'F') ? f->GetDecimals() : 0;
        if (DBFAddNativeFieldType(h, f->GetName().toLatin1().constData(), type, f->GetSize(), decimals) < 0) {
            DBFClose(h);
            QFile::remove(target);
            return refuse(QStringLiteral("pole ") + f->GetName() + QStringLiteral(" nelze přidat"));
        }
    }
    DBFClose(h);
    // The library names a new file with a lower-case ".dbf".
    if (!QFileInfo(target).isFile()) {
        const QFileInfo fi(target);
        const QString written =
            resolveFile(fi.dir().filePath(fi.completeBaseName() + QStringLiteral(".dbf")));
        if (!written.isEmpty()) QFile::rename(written, target);
    }
    return QFileInfo(target).isFile() || refuse(QStringLiteral("soubor nelze zapsat"));
}

// ---- opening and switching -------------------------------------------------------------------------

bool TTopolDBFTable::IsOpen() const {
    return m_impl->dbf != nullptr;
}

bool TTopolDBFTable::Open() {
    if (m_impl->dbf) return true;
    if (m_impl->path.isEmpty()) return false;
    m_impl->dbf =
        DBFOpenLL(QFile::encodeName(m_impl->path).constData(), m_readOnly ? "rb" : "rb+", tableHooks());
    if (!m_impl->dbf) return false;
    m_impl->encoding = encodingFromCodePage(DBFGetCodePage(m_impl->dbf));

    // The field definitions follow the file; unchanged ones are kept.
    struct Def {
        QString name, type;
        int size, decimals;
    };
    std::vector<Def> defs;
    const int count = DBFGetFieldCount(m_impl->dbf);
    for (int i = 0; i < count; ++i) {
        char fieldName[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(m_impl->dbf, i, fieldName, &width, &decimals);
        const char type = DBFGetNativeFieldType(m_impl->dbf, i);
        defs.push_back({decodeText(m_impl->encoding, QByteArray(fieldName)).trimmed(),
                        QString(QLatin1Char(type)), width, decimals});
    }
    bool same = ElementsCount() == int(defs.size());
    for (int i = 0; same && i < count; ++i) {
        const auto* f = zelto_cast<TFieldDefElement>(Get(i));
        same = f && f->GetName() == defs[size_t(i)].name && f->FFieldType == defs[size_t(i)].type &&
               f->FSize == defs[size_t(i)].size && f->FDecimals == defs[size_t(i)].decimals;
    }
    if (!same) {
        FreeAll();
        for (const Def& d : defs) {
            auto* f = new TFieldDefElement;
            f->SetName(d.name);
            f->FFieldType = d.type;
            f->FSize = d.size;
            f->FDecimals = d.decimals;
            AddElement(f);
        }
    }
    return true;
}

void TTopolDBFTable::Close() {
    Cancel();
    if (m_impl->dbf) {
        DBFClose(m_impl->dbf);
        m_impl->dbf = nullptr;
    }
    m_recNo = 0;
}

void TTopolDBFTable::SetReadOnly(bool readOnly) {
    if (readOnly == m_readOnly) return;
    Close();
    m_readOnly = readOnly;
}

bool TTopolDBFTable::SetForName(const QString& name) {
    const QString n = normalizedName(name);
    if (!m_tableName.isEmpty() && n == m_tableName) return Open();
    const QString path = resolveFile(n);
    if (path.isEmpty()) return false;
    if (!m_impl->path.isEmpty() && QFileInfo(path) == QFileInfo(m_impl->path)) {
        m_tableName = n;
        return Open();
    }
    Close();
    m_impl->closeIndex();
    m_tableName = n;
    m_impl->path = path;
    m_lastRecNo = 0;
    m_newIndex = false;
    m_wrongDatabase = false;
    return Open();
}

bool TTopolDBFTable::SetForNameCislo(const QString& name, qint32 number) {
    if (!SetForName(name)) {
        // Never answer another table's row for this object.
        Close();
        m_impl->closeIndex();
        FreeAll();
        m_tableName.clear();
        m_impl->path.clear();
        m_newIndex = false;
        m_wrongDatabase = false;
        return false;
    }
    m_cislo = number;
    if (!Open()) return false;
    return SetRecordForCislo(number);
}

QString TTopolDBFTable::GetShortName() const {
    return QFileInfo(m_tableName).completeBaseName();
}

QString TTopolDBFTable::GetIndexName() const {
    if (m_impl->path.isEmpty()) return {};
    const QFileInfo fi(m_impl->path);
    const QString wanted = fi.dir().filePath(fi.completeBaseName() + QStringLiteral(".IND"));
    const QString existing = resolveFile(wanted);
    return existing.isEmpty() ? wanted : existing;
}

qint32 TTopolDBFTable::RecordCount() const {
    return m_impl->dbf ? DBFGetRecordCount(m_impl->dbf) : 0;
}

QStringList TTopolDBFTable::FieldNames() const {
    QStringList names;
    for (int i = 0; i < ElementsCount(); ++i)
        if (const TElement* e = Get(i)) names << e->GetName();
    return names;
}

QString TTopolDBFTable::GetEncoding() const {
    return QString::fromLatin1(m_impl->encoding);
}

// ---- the record index ------------------------------------------------------------------------------

bool TTopolDBFTable::BuildIndex() {
    m_impl->closeIndex();
    const QString indexName = GetIndexName();
    if (indexName.isEmpty()) return false;
    if (QFileInfo(indexName).isFile()) QFile::remove(indexName);
    QFile file(indexName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        notifier().message(QStringLiteral("Index ") + indexName + QStringLiteral(" nelze vytvorit"));
        return false;
    }
    if (!Open()) {
        file.close();
        QFile::remove(indexName);
        return false;
    }
    QByteArray entries;
    const int cisloField = m_impl->fieldIndex(*this, CisloField);
    const int count = DBFGetRecordCount(m_impl->dbf);
    for (int rec = 1; cisloField >= 0 && rec <= count; ++rec) {
        if (DBFIsRecordDeleted(m_impl->dbf, rec - 1)) continue;
        const QString text = m_impl->readField(rec, cisloField);
        const qint64 cislo = cisloFromText(text);
        if (cislo < 0 || cislo > MaxCislo) {
            // A number no object can have: the row is left out of the index.
            notifier().message(QStringLiteral("Chyba práce s DBF ") + m_tableName +
                               QStringLiteral(" při čtení záznamu pro CISLO = ") + text);
            continue;
        }
        const qsizetype offset = qsizetype(cislo) * 4;
        if (entries.size() < offset + 4) entries.append(offset + 4 - entries.size(), char(0xFF));
        qToLittleEndian<qint32>(rec, entries.data() + offset);
    }
    const bool written = file.write(entries) == entries.size() && file.flush();
    file.close();
    if (!written) {
        QFile::remove(indexName);
        notifier().message(QStringLiteral("Index ") + indexName + QStringLiteral(" nelze vytvorit"));
        return false;
    }
    return true;
}

bool TTopolDBFTable::SetRecordForCislo(qint32 number) {
    m_cislo = number;
    m_recNo = 0;
    Cancel();
    auto openIndex = [this]() {
        if (m_impl->index.isOpen()) return true;
        m_lastRecNo = 0;
        if (resolveFile(GetIndexName()).isEmpty() && !BuildIndex()) {
            notifier().message(QStringLiteral("Index ") + GetIndexName() + QStringLiteral(" je nepřístupný"));
            return false;
        }
        m_impl->index.setFileName(GetIndexName());
        if (!m_impl->index.open(QIODevice::ReadOnly)) {
            notifier().message(QStringLiteral("Index ") + GetIndexName() + QStringLiteral(" nelze vytvořit"));
            return false;
        }
        return true;
    };
    if (m_tableName.isEmpty() || !openIndex() || !Open()) return false;
    const int cisloField = m_impl->fieldIndex(*this, CisloField);
    for (;;) {
        const qint32 count = DBFGetRecordCount(m_impl->dbf);
        qint32 rec = -1;
        const qint64 offset = qint64(number) * 4;
        if (number >= 0 && offset + 4 <= m_impl->index.size() && m_impl->index.seek(offset)) {
            char entry[4];
            if (m_impl->index.read(entry, 4) == 4) rec = qFromLittleEndian<qint32>(entry);
        }
        const bool found = rec >= 1 && rec <= count && cisloField >= 0 &&
                           !DBFIsRecordDeleted(m_impl->dbf, rec - 1) &&
                           cisloFromText(m_impl->readField(rec, cisloField)) == number;
        if (found) {
            m_recNo = rec;
            m_lastRecNo = rec;
            return true;
        }
        if (m_newIndex) {
            m_wrongDatabase = true;
            return false;
        }
        if (!BuildIndex()) return false;
        m_newIndex = true;
        m_wrongDatabase = false;
        if (!openIndex()) return false;
    }
}

// ---- fields ----------------------------------------------------------------------------------------

namespace {

// The field part of "TABLE.FIELD" when the table part names `shortName` (or there is none);
// nothing when it names another table.
std::optional<QString> fieldPart(const QString& name, const QString& shortName) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return name;
    if (name.left(dot).compare(shortName, Qt::CaseInsensitive) != 0) return std::nullopt;
    return name.mid(dot + 1).left(255);
}

} // namespace

bool TTopolDBFTable::FieldExists(const QString& name) const {
    const auto field = fieldPart(name, GetShortName());
    return field && m_impl->fieldIndex(*this, *field) >= 0;
}

QString TTopolDBFTable::GetFieldAsString(const QString& name) const {
    const auto field = fieldPart(name, GetShortName());
    if (!field) return {};
    const int index = m_impl->fieldIndex(*this, *field);
    if (index < 0) return {};
    if (auto it = m_impl->pending.find(index); it != m_impl->pending.end())
        return decodeText(m_impl->encoding, it->second).trimmed();
    if (m_impl->state == Impl::State::Insert) return {};
    return m_impl->readField(m_recNo, index);
}

void TTopolDBFTable::SetFieldAsString(const QString& name, const QString& value) {
    if (m_readOnly || !m_impl->dbf) return;
    const auto field = fieldPart(name, GetShortName());
    if (!field) return;
    const int index = m_impl->fieldIndex(*this, *field);
    if (index < 0 || index >= DBFGetFieldCount(m_impl->dbf)) return;
    const auto* def = zelto_cast<TFieldDefElement>(Get(index));
    if (!def) return;
    const int width = def->FSize;
    const QString text = value.trimmed();
    QByteArray bytes;
    switch (def->FFieldType.isEmpty() ? 'C' : def->FFieldType.at(0).toLatin1()) {
    case 'C': {
        QString t = value;
        t.remove(QChar(0));
        bytes = encodeText(m_impl->encoding, t);
        // Cut at a character boundary.
        while (bytes.size() > width && !t.isEmpty()) {
            t.chop(t.size() >= 2 && t.at(t.size() - 1).isLowSurrogate() ? 2 : 1);
            bytes = encodeText(m_impl->encoding, t);
        }
        bytes = bytes.leftJustified(width, ' ');
        break;
    }
    case 'N':
    case 'F': {
        if (!text.isEmpty()) {
            bool ok = false;
            QString t = text;
            t.replace(QLatin1Char(','), QLatin1Char('.'));
            const double v = QLocale::c().toDouble(t, &ok);
            if (!ok || !std::isfinite(v)) return;
            QString formatted = QString::number(v, 'f', def->FDecimals);
            if (formatted.startsWith(QLatin1Char('-')) && QLocale::c().toDouble(formatted) == 0)
                formatted.remove(0, 1);
            if (formatted.size() > width) return;
            bytes = formatted.toLatin1();
        }
        bytes = bytes.rightJustified(width, ' ');
        break;
    }
    case 'L': {
        const QString t = text.toUpper();
        if (t.isEmpty())
            bytes = "?";
        else if (t == QLatin1String("T") || t == QLatin1String("Y") || t == QLatin1String("TRUE") ||
                 t == QLatin1String("1") || t == QLatin1String("A") || t == QLatin1String("ANO"))
            bytes = "T";
        else if (t == QLatin1String("F") || t == QLatin1String("N") || t == QLatin1String("FALSE") ||
                 t == QLatin1String("0") || t == QLatin1String("NE"))
            bytes = "F";
        else
            return;
        bytes = bytes.leftJustified(width, ' ');
        break;
    }
    case 'D': {
        if (!text.isEmpty()) {
            QDate date = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
            if (!date.isValid()) date = QDate::fromString(text, Qt::ISODate);
            if (!date.isValid()) date = QDate::fromString(text, QStringLiteral("d.M.yyyy"));
            if (!date.isValid() || date.year() < 1 || date.year() > 9999) return;
            bytes = date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
        }
        bytes = bytes.leftJustified(width, ' ');
        break;
    }
    default:
        return; // memo and other kinds hold references into other files
    }
    if (bytes.size() != width) return;
    if (m_impl->state == Impl::State::Browse && !Edit()) return;
    m_impl->pending[index] = bytes;
}

// ---- editing ---------------------------------------------------------------------------------------

bool TTopolDBFTable::IsEditing() const {
    return m_impl->state != Impl::State::Browse;
}

bool TTopolDBFTable::Edit() {
    if (m_readOnly || !Open()) return false;
    if (m_recNo < 1 || m_recNo > DBFGetRecordCount(m_impl->dbf)) return false;
    if (m_impl->state == Impl::State::Edit) return true;
    Cancel();
    m_impl->state = Impl::State::Edit;
    return true;
}

bool TTopolDBFTable::Append() {
    if (m_readOnly || !Open()) return false;
    Cancel();
    m_impl->recBeforeInsert = m_recNo;
    m_impl->state = Impl::State::Insert;
    m_recNo = 0;
    return true;
}

void TTopolDBFTable::Cancel() {
    if (m_impl->state == Impl::State::Insert) m_recNo = m_impl->recBeforeInsert;
    m_impl->state = Impl::State::Browse;
    m_impl->pending.clear();
}

bool TTopolDBFTable::Post() {
    if (m_impl->state == Impl::State::Browse || !m_impl->dbf || m_readOnly) return false;
    const bool insert = m_impl->state == Impl::State::Insert;
    const int rec = insert ? DBFGetRecordCount(m_impl->dbf) + 1 : m_recNo;
    const int fieldCount = DBFGetFieldCount(m_impl->dbf);
    const int cisloField = m_impl->fieldIndex(*this, CisloField);
    bool ok = true;
    bool cisloChanged = insert;
    for (int i = 0; i < fieldCount; ++i) {
        auto it = m_impl->pending.find(i);
        QByteArray bytes;
        if (it != m_impl->pending.end()) {
            bytes = it->second;
            if (i == cisloField) cisloChanged = true;
        } else if (insert) {
            int width = 0;
            DBFGetFieldInfo(m_impl->dbf, i, nullptr, &width, nullptr);
            bytes = QByteArray(width, ' ');
        } else {
            continue;
        }
        ok = DBFWriteAttributeDirectly(m_impl->dbf, rec - 1, i, bytes.data()) && ok;
    }
    if (insert && fieldCount == 0) ok = false;
    DBFUpdateHeader(m_impl->dbf);
    m_impl->pending.clear();
    m_impl->state = Impl::State::Browse;
    if (insert) m_recNo = (ok && DBFGetRecordCount(m_impl->dbf) >= rec) ? rec : m_impl->recBeforeInsert;
    // A new or renumbered row is not in the index yet: the next mismatch may rebuild it again.
    if (cisloChanged) {
        m_newIndex = false;
        m_wrongDatabase = false;
    }
    return ok;
}

// ---- registration ----------------------------------------------------------------------------------

void registerTableFieldClasses() {
    RegisterZeltoClass(TFieldDefElement::StaticClass());
}

} // namespace zelto
