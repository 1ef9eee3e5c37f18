// Attribute tables of the topology objects: dBase tables, one per block, object type and kind,
// each with a record index file (".IND") beside it that maps an object number ("CISLO") to the
// record number of its row. The table engine underneath is shapelib's DBF API.
#pragma once

#include "framework/Elements.h"

#include <QString>
#include <QStringList>

namespace zelto {

// One field of an attribute table: its name is the element's name.
class TFieldDefElement : public TNameElement {
    ZELTO_CLASS(TFieldDefElement, TNameElement)
public:
    // dBase type letter: 'C' text, 'N' number, 'F' float, 'L' logical, 'D' date.
    QString FFieldType = QStringLiteral("C");
    qint32 FSize = 10;
    qint32 FDecimals = 0;

    QString GetFieldType() const { return FFieldType; }
    void SetFieldType(const QString& v) { FFieldType = v; }
    qint32 GetSize() const { return FSize; }
    void SetSize(qint32 v) { FSize = v; }
    qint32 GetDecimals() const { return FDecimals; }
    void SetDecimals(qint32 v) { FDecimals = v; }
};

// A dataset over one dBase table at a time. Its children are the field definitions of the
// current table (TFieldDefElement, in field order).
class TTopolDBFTable : public TEntity {
    ZELTO_CLASS(TTopolDBFTable, TEntity)
public:
    // Object numbers above this are refused by the index (the index file would be huge).
    static constexpr qint32 MaxCislo = 10'000'000;

    TTopolDBFTable();
    ~TTopolDBFTable() override;

    // Creates (replaces) a table with the given fields and no rows, marked as Windows-1250. The
    // name ends in ".DBF" (any case). False with a message when the name or a field is not valid
    // or the file cannot be written.
    static bool CreateTable(const QString& fileName, const QList<TFieldDefElement*>& fields);

    // Switches to the table `name` when its file exists (the current one stays otherwise) and
    // opens it. "\" counts as "/", and a file whose name differs only in letter case counts. The
    // read-only mode chosen with SetReadOnly is kept across switches.
    bool SetForName(const QString& name);
    // The same switch, then positions on the row of object number `number`. When the file of
    // `name` cannot be found, the table is left without name and fields and the answer is false.
    bool SetForNameCislo(const QString& name, qint32 number);
    // Positions on the row whose "CISLO" is `number` through the record index file, rebuilding
    // the index once when it does not match the table.
    bool SetRecordForCislo(qint32 number);
    // Rebuilds the record index file of the current table. Deleted rows are left out; a row whose
    // "CISLO" is negative or above MaxCislo is reported and left out.
    bool BuildIndex();

    // A field of the current table, ignoring case; "TABLE.FIELD" names the table too (its short
    // name, ignoring case) and answers false for another table.
    bool FieldExists(const QString& name) const;
    // The value of the current row as text (padding trimmed); empty when the field does not exist
    // or there is no current row. While editing, a changed field answers its new value.
    QString GetFieldAsString(const QString& name) const;
    // Changes the field in the row buffer; Post writes it. Outside edit mode it starts editing the
    // current row. Does nothing in read-only mode, for an unknown field, or for a value the field
    // cannot hold (a non-number for a number, a number wider than the field, a bad date or
    // logical value). Text longer than the field is cut; characters the table's code page cannot
    // hold become "?".
    void SetFieldAsString(const QString& name, const QString& value);

    // Starts a new row (written by Post, becoming the last record); false in read-only mode.
    bool Append();
    // Edit mode on the current row; false in read-only mode or without a current row.
    bool Edit();
    // Writes the row buffer to the file; false when not editing or the write failed.
    bool Post();
    // Drops the row buffer.
    void Cancel();
    bool IsEditing() const;

    bool Open();
    // Closes the table; an edit that was not posted is dropped.
    void Close();
    bool IsOpen() const;
    bool GetReadOnly() const { return m_readOnly; }
    // Closes the table when the mode changes.
    void SetReadOnly(bool readOnly);

    QString GetTableName() const { return m_tableName; }
    // The file name without directory and extension.
    QString GetShortName() const;
    QString GetIndexName() const;
    qint32 RecordCount() const;
    // The current record number (1-based), 0 when not positioned.
    qint32 RecNo() const { return m_recNo; }
    qint32 GetCislo() const { return m_cislo; }
    qint32 GetLastRecNo() const { return m_lastRecNo; }
    bool GetNewIndex() const { return m_newIndex; }
    bool GetWrongDatabase() const { return m_wrongDatabase; }
    QStringList FieldNames() const;
    // The text encoding of the current table: from its language driver byte or ".cpg" file,
    // Windows-1250 when neither says.
    QString GetEncoding() const;

private:
    struct Impl;
    Impl* m_impl;
    QString m_tableName;
    bool m_readOnly = true;
    qint32 m_recNo = 0;
    qint32 m_cislo = 0;
    qint32 m_lastRecNo = 0;
    bool m_newIndex = false;
    bool m_wrongDatabase = false;
};

void registerTableFieldClasses();

} // namespace zelto
