#include <gtest/gtest.h>

#include "builders.h"
#include "framework/E_Type.h"
#include "framework/Errors.h"
#include "framework/Worlds.h"
#include "framework/e_Props.h"
#include "stream_roundtrip.h"
#include "topobjects/E_Reg.h"
#include "topobjects/E_TplReg.h"
#include "topobjects/e_DBFTable.h"
#include "topobjects/e_TopolElements.h"
#include "world_scope.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <shapefil.h>

#include <functional>
#include <memory>

using namespace zelto;
using zelto::testing::storedPropertyNames;

namespace {

using zelto::testing::line;

TAreaElement* square(double x, double y, double side) {
    return zelto::testing::poly<TAreaElement>(zelto::testing::square(x, y, side));
}

template <class T> T* topol(qint32 cislo, qint16 druh, TGeometry* geometry = nullptr) {
    auto* e = new T;
    e->FCislo = cislo;
    e->FDruh = druh;
    if (geometry) e->SetGeometry(geometry);
    return e;
}

// An attribute table written with shapelib: CISLO and two attribute fields, one row per object.
void makeTable(const QString& path, const std::vector<std::tuple<int, QString, double>>& rows) {
    const QString lower = path.left(path.size() - 4) + ".dbf";
    DBFHandle h = DBFCreateEx(QFile::encodeName(lower).constData(), "LDID/200");
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(DBFAddField(h, "CISLO", FTInteger, 10, 0), 0);
    ASSERT_EQ(DBFAddField(h, "MAJITEL", FTString, 30, 0), 1);
    ASSERT_EQ(DBFAddField(h, "PLOCHA", FTDouble, 12, 2), 2);
    for (int i = 0; i < int(rows.size()); ++i) {
        const auto& [cislo, owner, area] = rows[size_t(i)];
        ASSERT_TRUE(DBFWriteIntegerAttribute(h, i, 0, cislo));
        ASSERT_TRUE(DBFWriteStringAttribute(h, i, 1, owner.toLatin1().constData()));
        ASSERT_TRUE(DBFWriteDoubleAttribute(h, i, 2, area));
    }
    DBFClose(h);
    if (lower != path) {
        ASSERT_TRUE(QFile::rename(lower, path));
    }
}

} // namespace

TEST(TopolClasses, StoredPropertiesInTableOrder) {
    const QStringList element = storedPropertyNames(TPropertyGeometryElement::StaticClass());
    EXPECT_EQ(storedPropertyNames(TRegisteredGeometryElement::StaticClass()),
              element + QStringList{"IsDone"});
    // The topology element keeps IsDone in its place but never writes it.
    const QStringList topol =
        element + QStringList{"Cislo", "Druh", "Barva", "Znacka", "Vyber", "Presnost", "Symbol"};
    EXPECT_EQ(storedPropertyNames(TTopoLElement::StaticClass()), topol);
    EXPECT_EQ(storedPropertyNames(TTopolPointElement::StaticClass()), topol);
    const QStringList lineProps = topol + QStringList{"LeftArea", "RightArea"};
    EXPECT_EQ(storedPropertyNames(TTopolLineElement::StaticClass()), lineProps);
    const QStringList area = topol + QStringList{"LineNo", "PaterNo", "HasChildren"};
    EXPECT_EQ(storedPropertyNames(TTopolAreaElement::StaticClass()), area);
    const QStringList exportArea = area + QStringList{"ExportProperties"};
    EXPECT_EQ(storedPropertyNames(TTopolExportAreaElement::StaticClass()), exportArea);
    const QStringList exportPoint = topol + QStringList{"ExportProperties"};
    EXPECT_EQ(storedPropertyNames(TTopolExportPointElement::StaticClass()), exportPoint);
    // The text height sits where the rectangle's Height was, and is stored always.
    QStringList text = topol;
    text.insert(text.indexOf("Height"), "Height");
    text.removeAt(text.lastIndexOf("Height"));
    text += QStringList{"TextAtrib", "StartPoint", "CodePage", "TopolFont", "WidthCoef",
                        "Direction", "Slope",      "Distance", "TextMode"};
    EXPECT_EQ(storedPropertyNames(TTopolTextElement::StaticClass()), text);
    const TClassInfo& t = TTopolTextElement::StaticClass();
    EXPECT_EQ(t.propertyIndex("Height"), TRectEntity::StaticClass().propertyIndex("Height"));
    EXPECT_EQ(t.property(t.propertyIndex("Height"))->stored, TStoredMode::Yes);
    EXPECT_EQ(TTopoLElement::StaticClass().propertyIndex("IsDone"),
              TRegisteredGeometryElement::StaticClass().propertyIndex("IsDone"));
}

TEST(TopolElements, UnfiledElementsAnswerOnlyTheirOwnProperties) {
    TTopolLineElement e;
    EXPECT_EQ(e.GetPhysicalObjectType(), QChar(' '));
    EXPECT_EQ(e.GetObjectType(), QChar('L'));
    EXPECT_EQ(e.GetDelka(), 0);
    EXPECT_EQ(e.GetOrigNo(), -1);
    EXPECT_EQ(e.GetDBFName(), "");
    EXPECT_EQ(e.GetOrigElement(), nullptr);
    EXPECT_EQ(e.GetSourceTopolElement(), &e);
    EXPECT_EQ(GetPropStringByName(&e, "PhysicalObjectType"), " ");
    EXPECT_EQ(GetPropStringByName(&e, "ObjectType"), "L");
    EXPECT_FALSE(e.HasPropertyByName("MAJITEL"));
    EXPECT_EQ(e.GetPropertyStringByName("MAJITEL"), "");

    e.SetGroup(70000);
    EXPECT_EQ(e.FDruh, 4464);
    EXPECT_EQ(e.GetGroup(), 4464);
    e.FCislo = 31;
    EXPECT_EQ(e.GetSpaceID(), 31);

    e.SetGeometry(line({{0, 0}, {3, 4}, {3, 10}}));
    EXPECT_EQ(e.GetPhysicalObjectType(), QChar('L'));
    EXPECT_DOUBLE_EQ(e.GetDelka(), 11);
    EXPECT_EQ(e.GetRightAreaNoForBegin(true), e.FLeftArea);

    struct Case {
        TGeometry* g;
        char letter;
    };
    for (const Case& c : {Case{new TPointElement, 'B'}, Case{new TTextElement, 'T'},
                          Case{square(0, 0, 1), 'P'}, Case{new TMultiPolyLineElement, 'L'},
                          Case{new TPolyLineAreaElement, 'P'}, Case{new TGeometry, 'X'}}) {
        TTopolPointElement p;
        p.SetGeometry(c.g);
        EXPECT_EQ(p.GetPhysicalObjectType(), QChar(c.letter)) << c.g->ClassName().toStdString();
        EXPECT_EQ(p.GetObjectType(), QChar('B'));
    }

    TTopolAreaElement a;
    EXPECT_EQ(a.GetHektars(), 0);
    a.SetFixedArea(5); // ignored without an area
    EXPECT_EQ(a.GetFixedArea(), 0);
    a.SetGeometry(square(0, 0, 200));
    EXPECT_DOUBLE_EQ(std::abs(a.GetHektars()), 4);
    a.SetFixedArea(3.98);
    a.SetFixedAreaIndex(2);
    EXPECT_EQ(zelto_cast<TAreaElement>(a.GetGeometry())->FFixedArea, 3.98);
    EXPECT_EQ(a.GetFixedAreaIndex(), 2);

    TTopolTextElement t;
    EXPECT_EQ(t.GetText(), "");
    t.SetText("ignored");
    auto* tg = new TTextElement;
    t.SetGeometry(tg);
    t.SetText("Dílec 12");
    EXPECT_EQ(tg->FText, "Dílec 12");
    EXPECT_EQ(GetPropStringByName(&t, "Text"), "Dílec 12");
}

TEST(TopolElements, DuplicateCopiesTheDeclaredValuesButNotTheChildren) {
    TTopolLineElement e;
    e.FCislo = 12;
    e.FDruh = 3;
    e.FBarva = 4;
    e.FZnacka = 5;
    e.FLeftArea = 101;
    e.FRightArea = 102;
    e.FUID = "lesnik";
    e.SetGeometry(line({{0, 0}, {10, 0}}));
    std::unique_ptr<TRegisteredGeometryElement> dup(e.CreateDuplicate());
    auto* copy = zelto_cast<TTopolLineElement>(dup.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->FCislo, 12);
    EXPECT_EQ(copy->FDruh, 3);
    EXPECT_EQ(copy->FBarva, 4);
    EXPECT_EQ(copy->FZnacka, 5);
    EXPECT_EQ(copy->FLeftArea, 101);
    EXPECT_EQ(copy->FRightArea, 102);
    EXPECT_EQ(copy->FUID, "lesnik");
    EXPECT_EQ(copy->GetGeometry(), nullptr);
    EXPECT_EQ(copy->ElementsCount(), 0);
}

TEST(Registers, FilingByNumberAndNamingTheOwners) {
    TTopolBlockRegister block;
    block.SetName("/data/blok1");
    auto* e7 = topol<TTopolLineElement>(7, 3, line({{0, 0}, {10, 10}}));
    block.RegisterObject(e7);
    TObjectRegister* lines = block.GetObjectRegister('L');
    ASSERT_NE(zelto_cast<TTopolObjectRegister>(lines), nullptr);
    EXPECT_EQ(lines->GetName(), "L");
    ASSERT_EQ(lines->ElementsCount(), 8);
    EXPECT_EQ(lines->GetObject(7), e7);
    EXPECT_EQ(lines->GetObject(0), nullptr);
    EXPECT_EQ(lines->GetObject(8), nullptr);
    EXPECT_EQ(block.GetObject('L', 7), e7);
    EXPECT_EQ(block.GetObject('P', 7), nullptr);
    EXPECT_EQ(e7->GetOrigNo(), 7);
    EXPECT_EQ(e7->GetObjectRegister(), lines);
    EXPECT_EQ(e7->GetBlockRegister(), &block);
    EXPECT_EQ(e7->GetBlockName(), "/data/blok1");
    EXPECT_EQ(e7->GetOrigElement(), e7);
    EXPECT_EQ(lines->Get(7)->GetName(), "L7:3");
    EXPECT_EQ(block.GetMaxX(), 10);
    EXPECT_EQ(lines->GetMaxY(), 10);

    // Numbers outside 1 .. 500000 are not filed.
    auto* zero = topol<TTopolLineElement>(0, 3, line({{0, 0}, {1, 1}}));
    auto* tooBig = topol<TTopolLineElement>(500001, 3, line({{0, 0}, {1, 1}}));
    block.RegisterObject(zero);
    block.RegisterObject(tooBig);
    EXPECT_EQ(lines->ElementsCount(), 8);
    EXPECT_EQ(zero->GetOrigNo(), -1);
    delete zero;
    delete tooBig;

    // The owner keeps the name of the first element filed under its number.
    auto* e12 = topol<TTopolLineElement>(12, 3, line({{0, 0}, {2, 2}}));
    block.RegisterObject(e12);
    EXPECT_EQ(lines->Get(12)->GetName(), "L12:3");
    auto* later = topol<TTopolLineElement>(12, 9, line({{2, 2}, {3, 3}}));
    lines->SetObject(12, later);
    EXPECT_EQ(lines->Get(12)->GetName(), "L12:3");
    EXPECT_EQ(later->GetOrigElement(), e12);
    EXPECT_EQ(e12->GetOrigElement(), e12);

    // Other types go to their own object registers; removing frees what is filed.
    auto* area = topol<TTopolAreaElement>(2, 1, square(0, 0, 5));
    block.RegisterObject(area);
    EXPECT_EQ(block.GetObject('P', 2), area);
    TDestructionWatch watch;
    watch.watch(area);
    block.RemoveObject('P', 2);
    EXPECT_FALSE(watch.alive(area));
    EXPECT_EQ(block.GetObject('P', 2), nullptr);
    EXPECT_THROW(block.GetObjectRegister('P')->RemoveObject(99), EListError);

    // The logical order tests the area first; anything that is not a geometry element stays out.
    TStringElement text;
    block.RegisterObject(&text);
    EXPECT_EQ(block.ElementsCount(), 2);
}

TEST(Registers, RegisterTreeAndTheSelector) {
    zelto::testing::WorldScope scope;
    TWorld& world = scope.world();
    auto* reg = new TRegister;
    world.GetObjectModel()->AddElement(reg);
    EXPECT_EQ(reg->GetAndCreateBlockRegister("b1", "TEntity"), nullptr);
    EXPECT_EQ(reg->GetAndCreateBlockRegister("b1", "NoSuchClass"), nullptr);
    TBlockRegister* block = reg->GetAndCreateBlockRegister("B1", "TTopolBlockRegister");
    ASSERT_NE(zelto_cast<TTopolBlockRegister>(block), nullptr);
    EXPECT_EQ(reg->GetAndCreateBlockRegister("b1", "TTopolBlockRegister"), block);
    EXPECT_EQ(reg->GetBlockRegister("b1"), block);
    EXPECT_EQ(reg->GetBlockRegister(""), nullptr);
    auto* p = topol<TTopolPointElement>(4, 1);
    auto* pg = new TPointElement;
    p->SetGeometry(pg);
    block->RegisterObject(p);

    TRegisterObjectSelector selector;
    selector.FBlockName = "b1";
    selector.FObjectType = "Bod";
    selector.FObjectNo = 4;
    selector.DoIt();
    EXPECT_EQ(selector.GetOutput(), p);
    selector.FObjectNo = 5;
    selector.DoIt();
    EXPECT_EQ(selector.GetOutput(), nullptr);
    selector.FObjectNo = 4;
    selector.FObjectType = "";
    selector.DoIt();
    EXPECT_EQ(selector.GetOutput(), nullptr);
}

// The pieces of a divided filed element are filed under the same number and share its row.
TEST(Registers, DividedFiledElementKeepsItsNumber) {
    TWorld world;
    world.SubscribeToMessages();
    TTopolBlockRegister block;
    block.SetName("blok");
    auto* whole = line({{0, 0}, {10, 0}});
    auto* e = topol<TTopolLineElement>(5, 2, whole);
    block.RegisterObject(e);
    auto* piece = line({{10, 0}, {20, 0}});
    whole->PostMsgToOwners(tm_DivideGeometry, piece, false);
    auto* owner = zelto_cast<TObjectOwner>(block.GetObjectRegister('L')->Get(5));
    ASSERT_NE(owner, nullptr);
    ASSERT_EQ(owner->ElementsCount(), 2);
    auto* second = zelto_cast<TTopolLineElement>(owner->Get(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetGeometry(), piece);
    EXPECT_EQ(second->FCislo, 5);
    EXPECT_EQ(second->GetOrigElement(), e);
    EXPECT_EQ(second->GetOrigNo(), 5);
    EXPECT_EQ(e->GetOrigElement(), e);
    EXPECT_EQ(second->GetDBFName(), e->GetDBFName());
    // The owner answers for its first element.
    EXPECT_EQ(owner->GetPropertyStringByName("Druh"), "2");
}

TEST(AttributeRows, TableNamesAndPropertyFallback) {
    EXPECT_EQ(TopolDBFFileName("/data/blok", 'P', 12), "/data/blok/P0012.DBF");
    EXPECT_EQ(TopolDBFFileName("C:\\data\\blok\\", 'L', 5), "C:/data/blok/L0005.DBF");
    EXPECT_EQ(TopolDBFFileName("b", 'L', 12345), "b/L12345.DBF");

    QTemporaryDir dir;
    const QString blockDir = dir.filePath("blok");
    QDir().mkpath(blockDir);
    makeTable(blockDir + "/L0005.DBF", {{3, "Obec Lhota", 1.5}, {12, "Lesy kraje", 2.25}});

    TTopolBlockRegister block;
    block.SetName(blockDir);
    auto* e = topol<TTopolLineElement>(12, 5, line({{0, 0}, {1, 1}}));
    auto* props = new TDynamicProperties;
    props->SetPropertyStringByName("Poznamka", "z terénu");
    e->SetProperties(props);
    EXPECT_FALSE(e->HasPropertyByName("MAJITEL")); // not filed yet
    block.RegisterObject(e);
    EXPECT_EQ(e->GetDBFName(), blockDir + "/L0005.DBF");
    ASSERT_NE(e->GetDBFTable(), nullptr);
    EXPECT_TRUE(e->GetDBFTable()->GetReadOnly());

    // Declared properties, then the property set, then the attribute row.
    EXPECT_TRUE(e->HasPropertyByName("MAJITEL"));
    EXPECT_TRUE(e->HasPropertyByName("L0005.majitel"));
    EXPECT_FALSE(e->HasPropertyByName("P0005.MAJITEL"));
    EXPECT_FALSE(e->HasPropertyByName("VLASTNIK"));
    EXPECT_EQ(e->GetPropertyStringByName("MAJITEL"), "Lesy kraje");
    EXPECT_EQ(e->GetPropertyStringByName("Poznamka"), "z terénu");
    EXPECT_EQ(e->GetPropertyStringByName("Cislo"), "12");
    EXPECT_EQ(e->GetPropertyStringByName("VLASTNIK"), "");

    // Writing a row field goes through to the table and reads back after reopening.
    e->SetPropertyStringByName("MAJITEL", "Obec Hora");
    e->SetPropertyStringByName("Druh", "5");
    EXPECT_TRUE(e->GetDBFTable()->GetReadOnly());
    {
        TTopolDBFTable fresh;
        ASSERT_TRUE(fresh.SetForNameCislo(blockDir + "/L0005.DBF", 12));
        EXPECT_EQ(fresh.GetFieldAsString("MAJITEL"), "Obec Hora");
        ASSERT_TRUE(fresh.SetForNameCislo(blockDir + "/L0005.DBF", 3));
        EXPECT_EQ(fresh.GetFieldAsString("MAJITEL"), "Obec Lhota");
    }
    EXPECT_EQ(e->GetPropertyStringByName("MAJITEL"), "Obec Hora");
    EXPECT_TRUE(QFile::exists(blockDir + "/L0005.IND"));

    // An element whose number has no row reads empty; a kind without a table too.
    auto* lonely = topol<TTopolLineElement>(40, 5, line({{0, 0}, {1, 1}}));
    block.RegisterObject(lonely);
    EXPECT_EQ(lonely->GetPropertyStringByName("MAJITEL"), "");
    auto* otherKind = topol<TTopolLineElement>(41, 6, line({{0, 0}, {1, 1}}));
    block.RegisterObject(otherKind);
    EXPECT_FALSE(otherKind->HasPropertyByName("MAJITEL"));
    EXPECT_EQ(otherKind->GetPropertyStringByName("MAJITEL"), "");
    otherKind->SetPropertyStringByName("MAJITEL", "nikam");

    // The export variant asks its source element last.
    TTopolExportAreaElement exported;
    auto* source = topol<TTopolAreaElement>(8, 1);
    source->SetName("zdroj");
    exported.SetExportProperties(source);
    EXPECT_EQ(exported.GetPropertyStringByName("Cislo"), "0"); // its own, not empty
    EXPECT_EQ(exported.GetPropertyStringByName("UID"), "");
    source->FUID = "lesnik";
    EXPECT_EQ(exported.GetPropertyStringByName("UID"), "lesnik");
    EXPECT_EQ(exported.GetSourceTopolElement(), source);
    delete source;
}

class TopolStream : public zelto::testing::StreamRoundTrip {};

TEST_F(TopolStream, EveryClassKeepsEveryStoredPropertyAndChild) {
    struct Case {
        const char* what;
        std::function<TElement*()> make;
    };
    const Case cases[] = {
        {"line",
         [] {
             auto* e = topol<TTopolLineElement>(12, 3, line({{-745000, -1043000}, {-745010, -1043020}}));
             e->FBarva = 4;
             e->FZnacka = 7;
             e->FVyber = true;
             e->FPresnost = 3;
             e->FSymbol = 21;
             e->FLeftArea = 101;
             e->FRightArea = 102;
             e->FIsDone = true; // not written by a topology element
             e->CreateUUID();
             return e;
         }},
        {"area",
         [] {
             auto* e = topol<TTopolAreaElement>(2, 1, square(0, 0, 50));
             e->FLineNo = 9;
             e->FPaterNo = 3;
             e->FHasChildren = true;
             return e;
         }},
        {"point and export variants",
         [] {
             auto* root = new TEntity;
             auto* p = topol<TTopolPointElement>(1, 2, new TPointElement);
             root->AddElement(p);
             auto* ep = topol<TTopolExportPointElement>(2, 2, new TPointElement);
             ep->SetExportProperties(p);
             root->AddElement(ep);
             auto* ea = topol<TTopolExportAreaElement>(3, 2, square(5, 5, 5));
             ea->SetExportProperties(p);
             root->AddElement(ea);
             auto* registered = new TRegisteredGeometryElement;
             registered->FIsDone = true;
             root->AddElement(registered);
             return root;
         }},
        {"text",
         [] {
             auto* e = topol<TTopolTextElement>(4, 8, new TTextElement);
             e->FTextAtrib = 0b1010;
             e->GetStartPoint()->SetX(-745001.5);
             e->GetStartPoint()->SetY(-1043001.25);
             e->FCodePage = TCodePage::cpKamenickych;
             e->FTopolFont = 2;
             e->FHeight = 2.5;
             e->FWidthCoef = 0.8;
             e->FDirection = 1.25;
             e->FSlope = 0.1;
             e->FDistance = 0.3;
             e->FTextMode = 1;
             return e;
         }},
        {"register tree",
         [] {
             auto* reg = new TRegister;
             auto* block = new TTopolBlockRegister;
             block->SetName("blok");
             reg->AddElement(block);
             block->RegisterObject(topol<TTopolLineElement>(3, 1, line({{0, 0}, {5, 5}})));
             block->RegisterObject(topol<TTopolAreaElement>(2, 1, square(0, 0, 5)));
             return reg;
         }},
        {"plain registers, selector, field definition",
         [] {
             auto* reg = new TRegister;
             auto* block = new TBlockRegister;
             block->SetName("blok2");
             reg->AddElement(block);
             block->RegisterObject(topol<TTopoLElement>(4, 2, line({{1, 1}, {2, 3}})));
             auto* selector = new TRegisterObjectSelector;
             selector->FBlockName = "blok2";
             selector->FObjectNo = 4;
             selector->FObjectType = "L";
             reg->AddElement(selector);
             auto* field = new TFieldDefElement;
             field->SetName("MAJITEL");
             field->FFieldType = "N";
             field->FSize = 12;
             field->FDecimals = 2;
             reg->AddElement(field);
             return reg;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TElement> original(c.make());
        roundTrip(original.get());
    }
}

TEST_F(TopolStream, TextHeightAndFilingSurviveTheStream) {
    auto text = std::unique_ptr<TTopolTextElement>(topol<TTopolTextElement>(4, 8, new TTextElement));
    text->FHeight = 2.5;
    text->FIsDone = true;
    save(text.get());
    std::unique_ptr<TElement> back = load();
    auto* t = zelto_cast<TTopolTextElement>(back.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->FHeight, 2.5);
    EXPECT_FALSE(t->FIsDone);

    auto reg = std::make_unique<TRegister>();
    auto* block = new TTopolBlockRegister;
    block->SetName("blok");
    reg->AddElement(block);
    block->RegisterObject(topol<TTopolLineElement>(3, 1, line({{0, 0}, {5, 5}})));
    save(reg.get());
    back = load();
    auto* r = zelto_cast<TRegister>(back.get());
    ASSERT_NE(r, nullptr);
    TBlockRegister* b = r->GetBlockRegister("BLOK");
    ASSERT_NE(b, nullptr);
    auto* e = zelto_cast<TTopolLineElement>(b->GetObject('L', 3));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetOrigNo(), 3);
    EXPECT_EQ(e->GetBlockName(), "blok");
    EXPECT_EQ(b->GetObjectRegister('L')->Get(3)->GetName(), "L3:1");
}
