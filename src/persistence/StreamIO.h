// Tagged values of the object stream: typed, bounds-checked little-endian reading and writing.
// Every read checks the bytes it needs; a failure raises EBadStream naming the file and the offset.
#pragma once

#include "framework/Elements.h"

#include <QByteArray>

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
    void WriteListBegin() override { m_out.append(char(vaList)); }
    void WriteListEnd() override { m_out.append(char(vaNull)); }
    void WriteChar(QChar c) { WriteString(QString(c)); }
    void WriteRaw(const char* bytes, qsizetype n) { m_out.append(bytes, n); }

private:
    QByteArray& m_out;
};

class TTaggedReader : public TReader {
public:
    TTaggedReader(const QByteArray& data, QString fileName, qsizetype start = 0)
        : m_data(data), m_p(reinterpret_cast<const quint8*>(data.constData())), m_size(data.size()),
          m_pos(start), m_fileName(std::move(fileName)) {}

    qint32 ReadInteger() override;
    double ReadFloat() override;
    QString ReadString() override;
    void ReadListBegin() override;
    void ReadListEnd() override;
    bool EndOfList() override;
    QChar ReadChar();
    // The next tag without consuming it (raises at the end of the data).
    quint8 PeekTag();
    // Reads four raw bytes (the magic).
    QByteArray ReadRaw(qsizetype n);

    qsizetype Position() const { return m_pos; }
    qsizetype Size() const { return m_size; }
    bool AtEnd() const { return m_pos >= m_size; }
    const QString& FileName() const { return m_fileName; }
    // Raises EBadStream naming the file and the offset of the current item.
    [[noreturn]] void Fail(const QString& what, qsizetype at = -1) const;

private:
    void need(qsizetype n, qsizetype at) const {
        if (n > m_size - m_pos) Fail(QStringLiteral("unexpected end of the stream"), at);
    }
    quint8 tag();

    QByteArray m_data; // keeps the bytes alive
    const quint8* m_p;
    qsizetype m_size;
    qsizetype m_pos;
    QString m_fileName;
};

} // namespace zelto
