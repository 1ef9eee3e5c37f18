#include "StreamIO.h"

#include "ExtendedReal.h"

#include <QStringDecoder>

#include <cstring>

namespace zelto {

// ---- writing -------------------------------------------------------------------------------------

void TTaggedWriter::WriteInteger(qint32 value) {
    char buf[5];
    if (value >= -128 && value <= 127) {
        buf[0] = char(vaInt8);
        buf[1] = char(qint8(value));
        m_out.append(buf, 2);
    } else if (value >= -32768 && value <= 32767) {
        const quint16 v = quint16(qint16(value));
        buf[0] = char(vaInt16);
        buf[1] = char(v & 0xFF);
        buf[2] = char(v >> 8);
        m_out.append(buf, 3);
    } else {
        const quint32 v = quint32(value);
        buf[0] = char(vaInt32);
        for (int i = 0; i < 4; ++i) buf[1 + i] = char((v >> (8 * i)) & 0xFF);
        m_out.append(buf, 5);
    }
}

void TTaggedWriter::WriteFloat(double value) {
    const TExtendedBytes b = doubleToExtended(value);
    m_out.append(char(vaExtended));
    m_out.append(reinterpret_cast<const char*>(b.data()), 10);
}

namespace {
void appendLength(QByteArray& out, quint32 n) {
    char buf[4];
    for (int i = 0; i < 4; ++i) buf[i] = char((n >> (8 * i)) & 0xFF);
    out.append(buf, 4);
}
} // namespace

void TTaggedWriter::WriteString(const QString& value) {
    const qsizetype n = value.size();
    if (n == 0) {
        m_out.append(char(vaWString));
        appendLength(m_out, 0);
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
        if (n <= 255) {
            m_out.append(char(vaString));
            m_out.append(char(quint8(n)));
        } else {
            m_out.append(char(vaLString));
            appendLength(m_out, quint32(n));
        }
        const qsizetype at = m_out.size();
        m_out.resize(at + n);
        char* d = m_out.data() + at;
        for (qsizetype i = 0; i < n; ++i) d[i] = char(u[i]);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    if (utf8.size() < 2 * n) {
        m_out.append(char(vaUTF8String));
        appendLength(m_out, quint32(utf8.size()));
        m_out.append(utf8);
    } else {
        m_out.append(char(vaWString));
        appendLength(m_out, quint32(n));
        const qsizetype at = m_out.size();
        m_out.resize(at + 2 * n);
        char* d = m_out.data() + at;
        for (qsizetype i = 0; i < n; ++i) {
            d[2 * i] = char(u[i] & 0xFF);
            d[2 * i + 1] = char(u[i] >> 8);
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

qint32 TTaggedReader::ReadInteger() {
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

bool TTaggedReader::EndOfList() {
    return PeekTag() == vaNull;
}

QByteArray TTaggedReader::ReadRaw(qsizetype n) {
    need(n, m_pos);
    QByteArray r(reinterpret_cast<const char*>(m_p + m_pos), n);
    m_pos += n;
    return r;
}

} // namespace zelto
