// Tagged values of the object stream: typed, bounds-checked little-endian reading and writing.
// Every read checks the bytes it needs; a failure raises EBadStream naming the file and the offset.
#pragma once

#include "framework/Elements.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>

namespace zelto {

// An unreadable object stream (missing file, wrong magic, truncated or malformed content).
class EBadStream : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// An unusable stream file name.
class EBadStreamName : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// A stream that could not be written; the previous file is left as it was.
class EStreamWriteError : public EZeltoError {
public:
    using EZeltoError::EZeltoError;
};

// Element lists nested in property values that a stream may hold: the reader refuses deeper ones
// (each level is read recursively), so the writer never writes them.
constexpr int StreamMaxNesting = 200;

enum TValueTag : quint8 {
    vaNull = 0, // end of list
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaLString = 12,
    vaWString = 18,
    vaUTF8String = 20,
};

class TTaggedWriter : public TWriter {
public:
    explicit TTaggedWriter(QByteArray& out) : m_out(out) {}

    void WriteInteger(qint32 value) override;
    void WriteFloat(double value) override;
    void WriteString(const QString& value) override;
    void WriteListBegin() override { put(char(vaList)); }
    void WriteListEnd() override { put(char(vaNull)); }
    void WriteChar(QChar c) { WriteString(QString(c)); }
    void WriteRaw(const char* bytes, qsizetype n) override { putRaw(bytes, n); }

private:
    // Appends `n` bytes to the array and answers where they go; the capacity grows geometrically.
    char* grow(qsizetype n) {
        const qsizetype at = m_out.size();
        if (m_out.capacity() < at + n) m_out.reserve(qMax(at + n, 2 * m_out.capacity() + 256));
        m_out.resize(at + n);
        return m_out.data() + at;
    }
    void put(char c) { *grow(1) = c; }
    void putRaw(const void* bytes, qsizetype n);

    QByteArray& m_out;
};

// Reads tagged values from bytes in memory, or from a device through a window of its bytes (a file
// is then never held whole: the window moves on as the reader does). Positions are offsets in the
// whole input either way.
class TTaggedReader : public TReader {
public:
    TTaggedReader(const QByteArray& data, QString fileName, qsizetype start = 0)
        : m_data(data), m_p(reinterpret_cast<const quint8*>(data.constData())), m_size(data.size()),
          m_pos(start), m_total(data.size()), m_fileName(std::move(fileName)) {}
    // Reads the `size` bytes of `source` from its current position `start` on; the device must stay
    // open while the reader reads.
    TTaggedReader(QIODevice* source, qint64 start, qint64 size, QString fileName,
                  qsizetype window = DefaultWindow);

    static constexpr qsizetype DefaultWindow = qsizetype(256) << 10;

    qint32 ReadInteger() override {
        // The common case inline: a small integer.
        if (m_pos + 4 < m_size) {
            const quint8* p = m_p + m_pos;
            switch (p[0]) {
            case vaInt8:
                m_pos += 2;
                return qint8(p[1]);
            case vaInt16:
                m_pos += 3;
                return qint16(quint16(p[1] | (p[2] << 8)));
            case vaInt32:
                m_pos += 5;
                return qint32(quint32(p[1]) | (quint32(p[2]) << 8) | (quint32(p[3]) << 16) |
                              (quint32(p[4]) << 24));
            default:
                break;
            }
        }
        return readIntegerSlow();
    }
    double ReadFloat() override;
    QString ReadString() override;
    void ReadListBegin() override;
    void ReadListEnd() override;
    bool EndOfList() override {
        if (m_pos < m_size) return m_p[m_pos] == vaNull;
        return PeekTag() == vaNull; // raises at the end of the data
    }
    QChar ReadChar();
    // The next tag without consuming it (raises at the end of the data).
    quint8 PeekTag();
    // Reads four raw bytes (the magic).
    QByteArray ReadRaw(qsizetype n) override;

    qsizetype Position() const { return m_base + m_pos; }
    qsizetype Size() const { return m_total; }
    bool AtEnd() const { return Position() >= m_total; }
    const QString& FileName() const { return m_fileName; }
    // Raises EBadStream naming the file and the offset of the current item.
    [[noreturn]] void Fail(const QString& what, qsizetype at = -1) const;

private:
    qint32 readIntegerSlow();
    // Makes the next n bytes available at m_p + m_pos, or raises naming the offset `at`.
    void need(qsizetype n, qsizetype at) {
        if (n > m_size - m_pos && !refill(n)) Fail(QStringLiteral("unexpected end of the stream"), at);
    }
    // Moves the window to the reader's position and reads on until n bytes are there; false when
    // the input ends first.
    bool refill(qsizetype n);
    quint8 tag();

    QByteArray m_data; // the bytes in memory, or the window's buffer
    // Short texts repeat a lot in models (names, codes); they are shared instead of allocated anew.
    QHash<quint64, QString> m_shortTexts;
    const quint8* m_p;
    qsizetype m_size; // bytes available at m_p
    qsizetype m_pos;  // the reader's position from m_p
    qsizetype m_total;
    qsizetype m_base = 0; // input offset of m_p[0]
    QIODevice* m_source = nullptr;
    qsizetype m_window = 0;
    QString m_fileName;
};

} // namespace zelto
