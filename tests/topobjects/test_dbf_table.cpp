#include <gtest/gtest.h>

#include "framework/Notifier.h"
#include "topobjects/e_DBFTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <shapefil.h>

#include <memory>
#include <optional>
#include <vector>

using namespace zelto;

namespace {

// One row of the usual test table: CISLO N(10,0), PLOCHA N(12,2), NAZEV C(30) (raw bytes).
struct Row {
    qint64 cislo;
    double plocha;
    QByteArray nazev;
};

// Writes a table with shapelib itself, marked as Windows-1250 unless `codePage` says otherwise.
void makeTable(const QString& path, const std::vector<Row>& rows, const char* codePage = "LDID/200") {
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), codePage);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(DBFAddField(h, "CISLO", FTInteger, 10, 0), 0);
    ASSERT_EQ(DBFAddField(h, "PLOCHA", FTDouble, 12, 2), 1);
    ASSERT_EQ(DBFAddField(h, "NAZEV", FTString, 30, 0), 2);
    for (int i = 0; i < int(rows.size()); ++i) {
        const QByteArray cislo = QByteArray::number(rows[size_t(i)].cislo).rightJustified(10, ' ');
        ASSERT_TRUE(DBFWriteAttributeDirectly(h, i, 0, const_cast<char*>(cislo.constData())));
        ASSERT_TRUE(DBFWriteDoubleAttribute(h, i, 1, rows[size_t(i)].plocha));
        ASSERT_TRUE(DBFWriteStringAttribute(h, i, 2, rows[size_t(i)].nazev.constData()));
    }
    DBFClose(h);
    // The library writes a lower-case ".dbf"; the tables of the field installations are upper-case.
    const QString written = path.left(path.size() - 4) + ".dbf";
    if (written != path) {
        QFile::remove(path);
        ASSERT_TRUE(QFile::rename(written, path));
    }
}

// The entries of an index file.
std::vector<qint32> indexEntries(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    std::vector<qint32> entries;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
        entries.push_back(qFromLittleEndian<qint32>(bytes.constData() + i));
    return entries;
}

void writeIndex(const QString& path, const std::vector<qint32>& entries) {
    QByteArray bytes(qsizetype(entries.size()) * 4, 0);
    for (size_t i = 0; i < entries.size(); ++i) qToLittleEndian<qint32>(entries[i], bytes.data() + i * 4);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The raw bytes of a field of a record (0-based) as the file holds them.
QByteArray rawField(const QString& path, int record, const char* field) {
    DBFHandle h = DBFOpen(QFile::encodeName(path).constData(), "rb");
    if (!h) return "<no table>";
    const char* raw = DBFReadStringAttribute(h, record, DBFGetFieldIndex(h, field));
    QByteArray result = raw ? QByteArray(raw) : QByteArray("<no value>");
    DBFClose(h);
    return result;
}

class DBFTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        recordingNotifier()->clear();
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    QStringList messages() const { return recordingNotifier()->messages(); }

    QTemporaryDir dir;
};

const std::vector<Row> ThreeRows = {{3, 12.5, "Tri"}, {1, 4.25, "Jedna"}, {5, 100, "Pet"}};

} // namespace

TEST_F(DBFTableTest, BuildsAMissingIndexOnFirstUseWithOneBasedRecordsAndPadding) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    TTopolDBFTable t;

    ASSERT_TRUE(t.SetForNameCislo(table, 5));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(t.GetLastRecNo(), 3);
    EXPECT_EQ(t.GetFieldAsString("PLOCHA"), "100.00");
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Pet");
    EXPECT_FALSE(t.GetNewIndex()); // built because it was missing, not because it was wrong

    EXPECT_EQ(t.GetIndexName(), file("P0012.IND"));
    QFile ind(file("P0012.IND"));
    ASSERT_TRUE(ind.open(QIODevice::ReadOnly));
    const QByteArray bytes = ind.readAll();
    ASSERT_EQ(bytes.size(), 24); // entries 0..5
    EXPECT_EQ(bytes.left(4), QByteArray(4, char(0xFF)));
    EXPECT_EQ(bytes.mid(12, 4), QByteArray::fromHex("01000000")); // CISLO 3 -> record 1
    EXPECT_EQ(indexEntries(file("P0012.IND")), (std::vector<qint32>{-1, 2, -1, 1, -1, 3}));

    ASSERT_TRUE(t.SetRecordForCislo(1));
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(t.GetFieldAsString("PLOCHA"), "4.25");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DBFTableTest, AMatchingIndexIsUsedAsItIs) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    // Correct, but longer than a rebuilt one would be: a rebuild would show.
    writeIndex(file("P0012.IND"), {-1, 2, -1, 1, -1, 3, -1, -1});
    TTopolDBFTable t;
    for (qint32 n : {3, 1, 5}) {
        ASSERT_TRUE(t.SetForNameCislo(table, n)) << n;
        EXPECT_EQ(t.GetCislo(), n);
        EXPECT_EQ(t.GetFieldAsString("CISLO"), QString::number(n));
    }
    EXPECT_EQ(indexEntries(file("P0012.IND")).size(), 8u);
    EXPECT_FALSE(t.GetNewIndex());
}

TEST_F(DBFTableTest, AStaleIndexIsRebuiltOnceAndThenMatches) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    // The index of another table: CISLO 5 -> record 1, CISLO 3 -> record 3.
    writeIndex(file("P0012.IND"), {-1, 2, -1, 3, -1, 1});
    TTopolDBFTable t;

    ASSERT_TRUE(t.SetForNameCislo(table, 5));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Pet");
    EXPECT_TRUE(t.GetNewIndex());
    EXPECT_FALSE(t.GetWrongDatabase());
    EXPECT_EQ(indexEntries(file("P0012.IND")), (std::vector<qint32>{-1, 2, -1, 1, -1, 3}));

    ASSERT_TRUE(t.SetForNameCislo(table, 3));
    EXPECT_EQ(t.RecNo(), 1);

    // The table rewritten with its rows in another order under the open index.
    t.Close();
    makeTable(table, {{5, 1, "Pet"}, {3, 2, "Tri"}, {1, 3, "Jedna"}});
    TTopolDBFTable fresh;
    ASSERT_TRUE(fresh.SetForNameCislo(table, 1));
    EXPECT_EQ(fresh.RecNo(), 3);
    EXPECT_TRUE(fresh.GetNewIndex());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(DBFTableTest, ANumberWithoutARowAnswersFalseAndMarksTheDatabaseWrong) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForNameCislo(table, 3));

    for (qint32 n : {4, 6, 1000000, -1, 2147483647}) {
        EXPECT_FALSE(t.SetForNameCislo(table, n)) << n;
        EXPECT_TRUE(t.GetNewIndex()) << n;
        EXPECT_TRUE(t.GetWrongDatabase()) << n;
        EXPECT_EQ(t.RecNo(), 0) << n;
        EXPECT_EQ(t.GetFieldAsString("NAZEV"), "") << n;
    }
    EXPECT_EQ(indexEntries(file("P0012.IND")).size(), 6u); // lookups never grow the index

    EXPECT_TRUE(t.SetForNameCislo(table, 1));
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Jedna");

    // Another table starts without the marks.
    makeTable(file("P0013.DBF"), ThreeRows);
    ASSERT_TRUE(t.SetForName(file("P0013.DBF")));
    EXPECT_FALSE(t.GetNewIndex());
    EXPECT_FALSE(t.GetWrongDatabase());
}

TEST_F(DBFTableTest, HostileAndDeletedRowsStayOutOfTheIndex) {
    const QString table = file("P0012.DBF");
    makeTable(table, {{-5, 1, "minus"},
                      {2000000000, 2, "huge"},
                      {7, 3, "sedm"},
                      {2, 4, "smazany"},
                      {qint64(TTopolDBFTable::MaxCislo) + 1, 5, "nad mez"}});
    DBFHandle h = DBFOpen(QFile::encodeName(table).constData(), "rb+");
    ASSERT_TRUE(DBFMarkRecordDeleted(h, 3, 1));
    DBFClose(h);

    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForName(table));
    ASSERT_TRUE(t.BuildIndex());
    EXPECT_EQ(indexEntries(file("P0012.IND")), (std::vector<qint32>{-1, -1, -1, -1, -1, -1, -1, 3}));
    const QString prefix = "Chyba práce s DBF " + table + " při čtení záznamu pro CISLO = ";
    EXPECT_EQ(messages(), (QStringList{prefix + "-5", prefix + "2000000000", prefix + "10000001"}));

    EXPECT_TRUE(t.SetRecordForCislo(7));
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "sedm");
    EXPECT_FALSE(t.SetRecordForCislo(2)); // deleted
}

TEST_F(DBFTableTest, IndexThatCannotBeWrittenIsReported) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    ASSERT_TRUE(QDir(dir.path()).mkdir("P0012.IND"));
    TTopolDBFTable t;
    EXPECT_FALSE(t.SetForNameCislo(table, 3));
    const QString ind = file("P0012.IND");
    EXPECT_EQ(messages(),
              (QStringList{"Index " + ind + " nelze vytvorit", "Index " + ind + " je nepřístupný"}));
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_TRUE(QFileInfo(ind).isDir());
}

TEST_F(DBFTableTest, NamesMayDifferInLetterCaseAndUseBackslashes) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("blok"));
    const QString table = file("blok/p0012.dbf");
    makeTable(table, ThreeRows);
    writeIndex(file("blok/p0012.ind"), {-1, 2, -1, 1, -1, 3, -1}); // correct, 7 entries
    QString given = file("blok/P0012.DBF");
    given.replace('/', '\\');

    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForNameCislo(given, 5));
    EXPECT_EQ(t.GetTableName(), file("blok/P0012.DBF"));
    EXPECT_EQ(t.GetShortName(), "P0012");
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Pet");
    EXPECT_EQ(indexEntries(file("blok/p0012.ind")).size(), 7u);
    EXPECT_FALSE(QFile::exists(file("blok/P0012.IND")));

    // A missing file: SetForName keeps the current table, SetForNameCislo leaves none.
    EXPECT_FALSE(t.SetForName(file("blok/P9999.DBF")));
    EXPECT_EQ(t.GetTableName(), file("blok/P0012.DBF"));
    EXPECT_EQ(t.ElementsCount(), 3);
    EXPECT_FALSE(t.SetForNameCislo(file("blok/P9999.DBF"), 5));
    EXPECT_EQ(t.GetTableName(), "");
    EXPECT_EQ(t.ElementsCount(), 0);
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "");
    EXPECT_FALSE(t.FieldExists("NAZEV"));
}

TEST_F(DBFTableTest, FieldDefinitionsAndFieldExistsWithTableParts) {
    makeTable(file("P0012.DBF"), ThreeRows);
    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForName(file("P0012.DBF")));
    EXPECT_EQ(t.FieldNames(), (QStringList{"CISLO", "PLOCHA", "NAZEV"}));
    auto* plocha = t.GetAs<TFieldDefElement>(1);
    ASSERT_NE(plocha, nullptr);
    EXPECT_EQ(plocha->GetFieldType(), "N");
    EXPECT_EQ(plocha->GetSize(), 12);
    EXPECT_EQ(plocha->GetDecimals(), 2);
    EXPECT_EQ(t.GetAs<TFieldDefElement>(2)->GetFieldType(), "C");

    const struct {
        const char* name;
        bool exists;
    } cases[] = {
        {"PLOCHA", true},        {"plocha", true},     {"p0012.plocha", true},   {"P0012.PLOCHA", true},
        {"P0011.PLOCHA", false}, {"P0012.NIC", false}, {"NIC", false},           {"", false},
        {"P0012.", false},       {".PLOCHA", false},   {"X.P0012.PLOCHA", false}};
    for (const auto& c : cases) EXPECT_EQ(t.FieldExists(c.name), c.exists) << c.name;
}

TEST_F(DBFTableTest, WritingSequenceOfTheTopologyElementsSurvivesReopening) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    makeTable(file("P0013.DBF"), ThreeRows);
    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForNameCislo(file("P0013.DBF"), 1)); // another table is current before

    t.Close();
    t.SetReadOnly(false);
    ASSERT_TRUE(t.SetForNameCislo(table, 1));
    ASSERT_TRUE(t.Edit());
    t.SetFieldAsString("PLOCHA", "7,5");
    t.SetFieldAsString("P0012.NAZEV", "Dílec č. 5");
    EXPECT_EQ(t.GetFieldAsString("PLOCHA"), "7.50"); // the row buffer
    ASSERT_TRUE(t.Post());
    t.Close();
    t.SetReadOnly(true);

    EXPECT_EQ(rawField(table, 1, "NAZEV"), QByteArray("D\xEDlec \xE8. 5"));
    TTopolDBFTable other;
    ASSERT_TRUE(other.SetForNameCislo(table, 1));
    EXPECT_EQ(other.GetFieldAsString("PLOCHA"), "7.50");
    EXPECT_EQ(other.GetFieldAsString("NAZEV"), "Dílec č. 5");
    EXPECT_EQ(other.GetEncoding(), "windows-1250");
    ASSERT_TRUE(other.SetRecordForCislo(3)); // its neighbours untouched
    EXPECT_EQ(other.GetFieldAsString("PLOCHA"), "12.50");
    EXPECT_EQ(other.GetFieldAsString("NAZEV"), "Tri");
}

TEST_F(DBFTableTest, ReadOnlyTablesAndRefusedValuesLeaveTheRowAlone) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    TTopolDBFTable t;
    ASSERT_TRUE(t.SetForNameCislo(table, 3));
    EXPECT_FALSE(t.Edit());
    t.SetFieldAsString("PLOCHA", "1");
    EXPECT_FALSE(t.Post());
    EXPECT_EQ(t.GetFieldAsString("PLOCHA"), "12.50");

    t.SetReadOnly(false);
    ASSERT_TRUE(t.SetForNameCislo(table, 3));
    const QByteArray forty(40, 'x');
    const struct {
        const char* field;
        const char* value;
        const char* read;
    } cases[] = {
        {"PLOCHA", "abc", "12.50"},
        {"PLOCHA", "12.5.3", "12.50"},
        {"PLOCHA", "1e30", "12.50"},
        {"PLOCHA", "123456789012", "12.50"}, // wider than the field
        {"PLOCHA", "-3,126", "-3.13"},
        {"PLOCHA", " 42 ", "42.00"},
        {"PLOCHA", "", ""},
        {"CISLO", "3.4", "3"},
        {"NAZEV", forty.constData(), "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
        {"NAZEV", "Лес ok", "??? ok"},
        {"NIC", "1", ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(t.SetRecordForCislo(3));
        ASSERT_TRUE(t.Edit());
        t.SetFieldAsString(c.field, QString::fromUtf8(c.value));
        ASSERT_TRUE(t.Post()) << c.field << " " << c.value;
        t.Close();
        ASSERT_TRUE(t.SetForNameCislo(table, 3));
        EXPECT_EQ(t.GetFieldAsString(c.field), QString::fromUtf8(c.read)) << c.field << " " << c.value;
        // Restore.
        t.SetFieldAsString("PLOCHA", "12.5");
        t.SetFieldAsString("NAZEV", "Tri");
        t.SetFieldAsString("CISLO", "3");
        ASSERT_TRUE(t.Post());
    }

    ASSERT_TRUE(t.Edit());
    t.SetFieldAsString("NAZEV", "zruseno");
    t.Cancel();
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Tri");
    EXPECT_EQ(rawField(table, 0, "NAZEV"), "Tri");
}

TEST_F(DBFTableTest, AppendedRowsAreFoundAfterAnEarlierRebuild) {
    const QString table = file("P0012.DBF");
    makeTable(table, ThreeRows);
    TTopolDBFTable t;
    t.SetReadOnly(false);
    EXPECT_FALSE(t.SetForNameCislo(table, 9)); // no row yet; the index was rebuilt for it
    EXPECT_TRUE(t.GetWrongDatabase());

    ASSERT_TRUE(t.Append());
    t.SetFieldAsString("CISLO", "9");
    t.SetFieldAsString("NAZEV", "Devet");
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_FALSE(t.GetWrongDatabase());

    ASSERT_TRUE(t.SetRecordForCislo(9));
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Devet");
    EXPECT_EQ(t.GetFieldAsString("PLOCHA"), "");
    EXPECT_EQ(indexEntries(file("P0012.IND")).back(), 4);

    ASSERT_TRUE(t.Append());
    t.Cancel();
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_EQ(t.RecordCount(), 4);
}

TEST_F(DBFTableTest, TextFollowsTheTablesCodePage) {
    const struct {
        const char* codePage;
        const char* cpgFile;
        QByteArray bytes;
        const char* encoding;
    } cases[] = {
        {"LDID/200", nullptr, "D\xEDlec \xE8. 5", "windows-1250"},
        {nullptr, nullptr, "D\xEDlec \xE8. 5", "windows-1250"}, // nothing says: Windows-1250
        {"LDID/100", nullptr, "D\xA1lec \x9F. 5", "IBM852"},
        {"UTF-8", nullptr, "D\xC3\xADlec \xC4\x8D. 5", "UTF-8"},
        {nullptr, "1250", "D\xEDlec \xE8. 5", "windows-1250"},
        {nullptr, "ISO-8859-2", "D\xEDlec \xE8. 5", "ISO-8859-2"},
    };
    int i = 0;
    for (const auto& c : cases) {
        const QString table = file(QStringLiteral("T%1.DBF").arg(i++));
        makeTable(table, {{1, 1, c.bytes}}, c.codePage);
        if (c.cpgFile) {
            QFile cpg(QString(table).replace(".DBF", ".cpg"));
            ASSERT_TRUE(cpg.open(QIODevice::WriteOnly));
            cpg.write(c.cpgFile);
        }
        TTopolDBFTable t;
        ASSERT_TRUE(t.SetForNameCislo(table, 1)) << c.encoding;
        EXPECT_EQ(t.GetEncoding(), c.encoding);
        EXPECT_EQ(t.GetFieldAsString("NAZEV"), "Dílec č. 5") << c.encoding;

        t.Close();
        t.SetReadOnly(false);
        ASSERT_TRUE(t.SetForNameCislo(table, 1));
        t.SetFieldAsString("NAZEV", "Dílec č. 6");
        ASSERT_TRUE(t.Post());
        t.Close();
        QByteArray expected = c.bytes;
        expected.replace('5', '6');
        EXPECT_EQ(rawField(table, 0, "NAZEV"), expected) << c.encoding;
    }
}

TEST_F(DBFTableTest, CreateTableWritesTheFieldsAndRefusesBadOnes) {
    auto field = [](const char* name, const char* type, int size, int decimals) {
        auto f = std::make_unique<TFieldDefElement>();
        f->SetName(name);
        f->SetFieldType(type);
        f->SetSize(size);
        f->SetDecimals(decimals);
        return f;
    };
    std::vector<std::unique_ptr<TFieldDefElement>> good;
    good.push_back(field("CISLO", "N", 10, 0));
    good.push_back(field("VYMERA", "F", 12, 4));
    good.push_back(field("POPIS", "C", 60, 0));
    good.push_back(field("PLATNY", "L", 1, 0));
    good.push_back(field("DATUM", "D", 8, 0));
    QList<TFieldDefElement*> fields;
    for (auto& f : good) fields << f.get();
    const QString table = file("NOVA.DBF");
    ASSERT_TRUE(TTopolDBFTable::CreateTable(table, fields)) << messages().join("\n").toStdString();

    TTopolDBFTable t;
    t.SetReadOnly(false);
    ASSERT_TRUE(t.SetForName(table));
    EXPECT_EQ(t.FieldNames(), (QStringList{"CISLO", "VYMERA", "POPIS", "PLATNY", "DATUM"}));
    EXPECT_EQ(t.GetAs<TFieldDefElement>(1)->GetDecimals(), 4);
    EXPECT_EQ(t.GetAs<TFieldDefElement>(4)->GetFieldType(), "D");
    EXPECT_EQ(t.RecordCount(), 0);
    ASSERT_TRUE(t.Append());
    t.SetFieldAsString("CISLO", "1");
    t.SetFieldAsString("PLATNY", "ano");
    t.SetFieldAsString("DATUM", "2024-03-07");
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(t.Edit());
    t.SetFieldAsString("PLATNY", "maybe");     // refused
    t.SetFieldAsString("DATUM", "2024-02-30"); // refused
    ASSERT_TRUE(t.Post());
    EXPECT_EQ(rawField(table, 0, "PLATNY"), "T");
    EXPECT_EQ(rawField(table, 0, "DATUM"), "20240307");

    std::vector<std::unique_ptr<TFieldDefElement>> bad;
    bad.push_back(field("PRILIS_DLOU", "C", 10, 0)); // 11 characters
    bad.push_back(field("ČÍSLO2", "N", 10, 0));
    bad.push_back(field("X1", "X", 10, 0));
    bad.push_back(field("X2", "C", 0, 0));
    bad.push_back(field("X3", "C", 255, 0));
    bad.push_back(field("X4", "N", 10, 9));
    bad.push_back(field("cislo", "C", 5, 0)); // CISLO twice
    for (const auto& b : bad) {
        recordingNotifier()->clear();
        EXPECT_FALSE(TTopolDBFTable::CreateTable(file("ZLA.DBF"), {good[0].get(), b.get()}))
            << b->GetName().toStdString();
        EXPECT_EQ(messages().size(), 1);
        EXPECT_FALSE(QFile::exists(file("ZLA.DBF")));
    }
}
