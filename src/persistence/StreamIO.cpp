#include "StreamIO.h"

#include "ExtendedReal.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace zelto {

// ---- writing -------------------------------------------------------------------------------------

void TTaggedWriter::putRaw(const void* bytes, qsizetype n) {
    std::memcpy(grow(n), bytes, size_t(n));
}

void TTaggedWriter::WriteInteger(qint32 value) {
    if (value >= -128 && value <= 127) {
        char* d = grow(2);
        d[0] = char(vaInt8);
        d[1] = char(qint8(value));
    } else if (value >= -32768 && value <= 32767) {
        const quint16 v = quint16(qint16(value));
        char* d = grow(3);
        d[0] = char(vaInt16);
        d[1] = char(v & 0xFF);
        d[2] = char(v >> 8);
    } else {
        const quint32 v = quint32(value);
        char* d = grow(5);
        d[0] = char(vaInt32);
        for (int i = 0; i < 4; ++i) d[1 + i] = char((v >> (8 * i)) & 0xFF);
    }
}

void TTaggedWriter::WriteFloat(double value) {
    const TExtendedBytes b = doubleToExtended(value);
    char* d = grow(11);
    d[0] = char(vaExtended);
    std::memcpy(d + 1, b.data(), 10);
}

namespace {
void putLength(char* d, quint32 n) {
    for (int i = 0; i < 4; ++i) d[i] = char((n >> (8 * i)) & 0xFF);
}
} // namespace

void TTaggedWriter::WriteString(const QString& value) {
    const qsizetype n = value.size();
    if (n == 0) {
        char* d = grow(5);
        d[0] = char(vaWString);
        putLength(d + 1, 0);
        return;
    }
    const char16_t* u = reinterpret_cast<const char16_t*>(value.utf16());
    bool ascii = true;
    for (qsizetype i = 0; i < n; ++i)
        if (u[i] >= 128) {
            ascii = false;
            break;
        }
    if (ascii) {
        const qsizetype head = n <= 255 ? 2 : 5;
        char* d = grow(head + n);
        if (n <= 255) {
            d[0] = char(vaString);
            d[1] = char(quint8(n));
        } else {
            d[0] = char(vaLString);
            putLength(d + 1, quint32(n));
        }
        for (qsizetype i = 0; i < n; ++i) d[head + i] = char(u[i]);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    if (utf8.size() < 2 * n) {
        char* d = grow(5 + utf8.size());
        d[0] = char(vaUTF8String);
        putLength(d + 1, quint32(utf8.size()));
        std::memcpy(d + 5, utf8.constData(), size_t(utf8.size()));
    } else {
        char* d = grow(5 + 2 * n);
        d[0] = char(vaWString);
        putLength(d + 1, quint32(n));
        for (qsizetype i = 0; i < n; ++i) {
            d[5 + 2 * i] = char(u[i] & 0xFF);
            d[5 + 2 * i + 1] = char(u[i] >> 8);
        }
    }
}

// ---- reading -------------------------------------------------------------------------------------

TTaggedReader::TTaggedReader(QIODevice* source, qint64 start, qint64 size, QString fileName, qsizetype window)
    : m_p(nullptr), m_size(0), m_pos(0), m_total(qsizetype(size)), m_base(qsizetype(start)), m_source(source),
      m_window(std::max<qsizetype>(window, 16)), m_fileName(std::move(fileName)) {}

bool TTaggedReader::refill(qsizetype n) {
    if (!m_source) return false;
    const qsizetype keep = m_size - m_pos;
    const qsizetype left = m_total - (m_base + m_size); // not read from the device yet
    // A length beyond the end of the input is refused before anything is allocated for it.
    if (left <= 0 || n > keep + left) return false;
    const qsizetype capacity = std::max(m_window, n);
    if (m_data.size() < capacity) {
        QByteArray bigger(capacity, Qt::Uninitialized);
        if (keep > 0) std::memcpy(bigger.data(), m_p + m_pos, size_t(keep));
        m_data.swap(bigger);
    } else if (keep > 0) {
        std::memmove(m_data.data(), m_p + m_pos, size_t(keep));
    }
    m_base += m_pos;
    m_pos = 0;
    m_size = keep;
    m_p = reinterpret_cast<const quint8*>(m_data.constData());
    char* buffer = m_data.data();
    while (m_size < n || (m_size < capacity && m_base + m_size < m_total)) {
        const qint64 want = std::min<qint64>(capacity - m_size, m_total - (m_base + m_size));
        if (want <= 0) break;
        const qint64 got = m_source->read(buffer + m_size, want);
        if (got < 0) Fail(QStringLiteral("read error (%1)").arg(m_source->errorString()), m_base + m_size);
        if (got == 0) { // the file became shorter while it was read
            m_total = m_base + m_size;
            break;
        }
        m_size += qsizetype(got);
    }
    return m_size >= n;
}

void TTaggedReader::Fail(const QString& what, qsizetype at) const {
    throw EBadStream(
        QStringLiteral("%1: %2 at byte offset %3").arg(m_fileName, what).arg(at < 0 ? Position() : at));
}

quint8 TTaggedReader::tag() {
    need(1, Position());
    return m_p[m_pos++];
}

quint8 TTaggedReader::PeekTag() {
    need(1, Position());
    return m_p[m_pos];
}

qint32 TTaggedReader::readIntegerSlow() {
    const qsizetype at = Position();
    switch (tag()) {
    case vaInt8:
        need(1, at);
        return qint8(m_p[m_pos++]);
    case vaInt16: {
        need(2, at);
        const qint16 v = qint16(quint16(m_p[m_pos] | (m_p[m_pos + 1] << 8)));
        m_pos += 2;
        return v;
    }
    case vaInt32: {
        need(4, at);
        quint32 v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_p[m_pos + i];
        m_pos += 4;
        return qint32(v);
    }
    default:
        Fail(QStringLiteral("integer expected"), at);
    }
}

double TTaggedReader::ReadFloat() {
    const qsizetype at = Position();
    if (tag() != vaExtended) Fail(QStringLiteral("real number expected"), at);
    need(10, at);
    const double v = extendedToDouble(m_p + m_pos);
    m_pos += 10;
    return v;
}

QString TTaggedReader::ReadString() {
    const qsizetype at = Position();
    const quint8 t = tag();
    auto readLength = [&]() -> qsizetype {
        need(4, at);
        quint32 v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_p[m_pos + i];
        m_pos += 4;
        return qsizetype(v);
    };
    switch (t) {
    case vaString: {
        need(1, at);
        const qsizetype n = m_p[m_pos++];
        need(n, at);
        if (n <= 7) {
            quint64 key = quint64(n);
            for (qsizetype i = 0; i < n; ++i) key |= quint64(m_p[m_pos + i]) << (8 * (i + 1));
            m_pos += n;
            auto it = m_shortTexts.constFind(key);
            if (it != m_shortTexts.constEnd()) return it.value();
            QString s = QString::fromLatin1(reinterpret_cast<const char*>(m_p + m_pos - n), n);
            if (m_shortTexts.size() < 65536) m_shortTexts.insert(key, s);
            return s;
        }
        QString s = QString::fromLatin1(reinterpret_cast<const char*>(m_p + m_pos), n);
        m_pos += n;
        return s;
    }
    case vaLString: {
        const qsizetype n = readLength();
        need(n, at);
        QString s = QString::fromLatin1(reinterpret_cast<const char*>(m_p + m_pos), n);
        m_pos += n;
        return s;
    }
    case vaWString: {
        const qsizetype n = readLength();
        need(2 * n, at);
        QString s(n, Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(s.data());
        for (qsizetype i = 0; i < n; ++i) d[i] = char16_t(m_p[m_pos + 2 * i] | (m_p[m_pos + 2 * i + 1] << 8));
        m_pos += 2 * n;
        return s;
    }
    case vaUTF8String: {
        const qsizetype n = readLength();
        need(n, at);
        QString s = QString::fromUtf8(reinterpret_cast<const char*>(m_p + m_pos), n);
        m_pos += n;
        return s;
    }
    default:
        Fail(QStringLiteral("string expected"), at);
    }
}

QChar TTaggedReader::ReadChar() {
    const QString s = ReadString();
    return s.isEmpty() ? QChar() : s.at(0);
}

void TTaggedReader::ReadListBegin() {
    const qsizetype at = Position();
    if (tag() != vaList) Fail(QStringLiteral("list expected"), at);
}

void TTaggedReader::ReadListEnd() {
    const qsizetype at = Position();
    if (tag() != vaNull) Fail(QStringLiteral("end of list expected"), at);
}

QByteArray TTaggedReader::ReadRaw(qsizetype n) {
    need(n, Position());
    QByteArray r(reinterpret_cast<const char*>(m_p + m_pos), n);
    m_pos += n;
    return r;
}

} // namespace zelto
