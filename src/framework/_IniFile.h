// INI settings files: sections of "key=value" lines. Names are matched ignoring case, values
// are kept as the exact text of the file, and writing replaces the file atomically, so a
// failed write leaves the previous copy intact.
#pragma once

#include <QString>
#include <QStringList>

#include <QDateTime>
#include <QList>

namespace zelto {

class TRealIniFile {
public:
    explicit TRealIniFile(const QString& FileName);
    ~TRealIniFile();
    TRealIniFile(const TRealIniFile&) = delete;
    TRealIniFile& operator=(const TRealIniFile&) = delete;

    const QString& FileName() const { return m_fileName; }

    QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
    int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
    bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
    // "." is the decimal separator; a "," where reading stops is taken for one.
    double ReadDouble(const QString& Section, const QString& Ident, double Default) const;

    // Each write goes to disk at once; false (and a protocol text) when it could not.
    bool WriteString(const QString& Section, const QString& Ident, const QString& Value);
    bool WriteInteger(const QString& Section, const QString& Ident, int Value);
    bool WriteBool(const QString& Section, const QString& Ident, bool Value);
    bool WriteDouble(const QString& Section, const QString& Ident, double Value);
    // Replaces the section by the "name=value" lines.
    bool WriteSection(const QString& Section, const QStringList& Lines);
    bool EraseSection(const QString& Section);
    bool DeleteKey(const QString& Section, const QString& Ident);

    bool SectionExists(const QString& Section) const;
    bool ValueExists(const QString& Section, const QString& Ident) const;
    // The keys of a section, the section names, and the "key=value" lines of a section.
    QStringList ReadSection(const QString& Section) const;
    QStringList ReadSections() const;
    QStringList ReadSectionValues(const QString& Section) const;

    // Writes pending changes; true when the file on disk is up to date.
    bool UpdateFile();

private:
    struct Key {
        QString ident;
        QString value;
    };
    struct Section {
        QString name;
        QList<Key> keys;
    };
    // The file's sections and keys in file order (the entries outside any section first, under
    // the empty name), read again when the file changed on disk since it was last read.
    void refresh() const;
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    static const Key* findKey(const Section& section, const QString& ident);
    bool put(const QString& Section, const QString& Ident, const QString& Value);
    bool flush();

    QString m_fileName;
    mutable QList<Section> m_sections;
    mutable QDateTime m_readTime;
    mutable qint64 m_readSize = -1;
};

} // namespace zelto
