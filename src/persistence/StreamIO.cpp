#include "StreamIO.h"

#include "ExtendedReal.h"

#include <QStringDecoder>

#include <cstring>

namespace zelto {

// ---- writing -------------------------------------------------------------------------------------

void TTaggedWriter::putRaw(const void* bytes, qsizetype n) { std::memcpy(grow(n), bytes, size_t(n)); }

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

void TTaggedReader::Fail(const QString& what, qsizetype at) const {
    throw EBadStream(
        QStringLiteral("%1: %2 at byte offset %3").arg(m_fileName, what).arg(at < 0 ? m_pos : at));
}

quint8 TTaggedReader::tag() {
    need(1, m_pos);
    return m_p[m_pos++];
}

quint8 TTaggedReader::PeekTag() {
    need(1, m_pos);
    return m_p[m_pos];
}

qint32 TTaggedReader::readIntegerSlow() {
    const qsizetype at = m_pos;
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
    const qsizetype at = m_pos;
    if (tag() != vaExtended) Fail(QStringLiteral("real number expected"), at);
    need(10, at);
    const double v = extendedToDouble(m_p + m_pos);
    m_pos += 10;
    return v;
}

QString TTaggedReader::ReadString() {
    const qsizetype at = m_pos;
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
        if (n > (m_size - m_pos) / 2) Fail(QStringLiteral("unexpected end of the stream"), at);
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
    const qsizetype at = m_pos;
    if (tag() != vaList) Fail(QStringLiteral("list expected"), at);
}

void TTaggedReader::ReadListEnd() {
    const qsizetype at = m_pos;
    if (tag() != vaNull) Fail(QStringLiteral("end of list expected"), at);
}

QByteArray TTaggedReader::ReadRaw(qsizetype n) {
    need(n, m_pos);
    QByteArray r(reinterpret_cast<const char*>(m_p + m_pos), n);
    m_pos += n;
    return r;
}

} // namespace zelto
