#include <gtest/gtest.h>

#include "builders.h"
#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/TextLocale.h"
#include "framework/Worlds.h"
#include "framework/e_Props.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "geometry/t_GeometryEx.h"
#include "stream_roundtrip.h"
#include "world_scope.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

using namespace zelto;
using zelto::testing::storedPropertyNames;

namespace {

using zelto::testing::line;
using zelto::testing::Points;
using zelto::testing::poly;
using zelto::testing::square;

// A geometry element that gathers its shapes in a multi-area, as the forest units do.
class TMultiAreaHolder : public TGeometryElement {
    ZELTO_CLASS(TMultiAreaHolder, TGeometryElement)
public:
    bool GetMultiElement() const override { return true; }
    const TClassInfo* GetMultiElementClass() const override { return &TMultiAreaElement::StaticClass(); }
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TMultiAreaHolder, TGeometryElement, "test")

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The project paths point to a temporary project while a test runs.
class ProjectScope {
public:
    explicit ProjectScope(const QString& publicFolder) {
        TProjectPath::Clear();
        TProjectPath::SetPublicFolder(publicFolder);
        TProjectPath::Project = QStringLiteral("/data/Revir 7.opx");
        TProjectPath::UID = QStringLiteral("lesnik");
        EXPECT_TRUE(TProjectPath::CheckDirectories());
    }
    ~ProjectScope() {
        TProjectPath::Clear();
        TProjectPath::SetPublicFolder(QString());
    }
};

} // namespace

TEST(GeometryElementClasses, StoredPropertiesInTableOrder) {
    const QStringList rect = {"Name", "Index", "MinX", "MinY", "Width", "Height", "AbsRefX", "AbsRefY"};
    const QStringList element = rect + QStringList{"UUID", "TimeStamp", "UID"};
    EXPECT_EQ(storedPropertyNames(TGeometryElement::StaticClass()), element);
    EXPECT_EQ(storedPropertyNames(TPropertyGeometryElement::StaticClass()), element);
    const QStringList rip = {"Name", "UID", "TimeStamp"};
    EXPECT_EQ(storedPropertyNames(TGeometryElementRIP::StaticClass()), rip);
    const QStringList collection =
        rect + QStringList{"DeletedUUIDs", "Color", "UseColor", "Symbol", "UseSymbol"};
    const QStringList layer = collection + QStringList{"Text", "Visible", "Enabled", "ObjectType", "Group"};
    EXPECT_EQ(storedPropertyNames(TGeometryElementCollection::StaticClass()), collection);
    EXPECT_EQ(storedPropertyNames(TAreaCollection::StaticClass()), collection);
    EXPECT_EQ(storedPropertyNames(TComplicatedGECollection::StaticClass()), layer);
    const QStringList point = storedPropertyNames(TPointElement::StaticClass());
    const QStringList userPoint = point + QStringList{"Group", "Symbol", "Color", "Comment", "Status"};
    const QStringList note = point + QStringList{"Text", "Images", "Audios"};
    EXPECT_EQ(storedPropertyNames(Tgis_PointElement::StaticClass()), userPoint);
    EXPECT_EQ(storedPropertyNames(Tgis_Note::StaticClass()), note);
    const QStringList tool = storedPropertyNames(TTool::StaticClass());
    const QStringList transfer = tool + QStringList{"FromDirectory", "ToDirectory"};
    EXPECT_EQ(storedPropertyNames(Tgis_NoteTransfer::StaticClass()), transfer);
    EXPECT_EQ(storedPropertyNames(Tgis_NoteKillData::StaticClass()), tool);
}

// Without a geometry the element is a rectangle of its own; with one, everything is the geometry's.
TEST(GeometryElement, ForwardsToItsGeometryAndKeepsItsOwnRectangleWithout) {
    TGeometryElement e;
    e.SetByDoubleRect({10, 20, 30, 50});
    EXPECT_TRUE(e.GetNoGeometry());
    EXPECT_FALSE(e.IsHitByXY(10, 20, 100));
    EXPECT_EQ(e.GetAngle(), 0);
    EXPECT_EQ(e.GetGIndex(), 0);
    e.SetAngle(1.5); // ignored without a geometry
    EXPECT_EQ(e.GetAngle(), 0);
    EXPECT_EQ(e.FindElementName("geometry"), nullptr);
    for (const char* name : {"MinX", "MinY", "Width", "Height", "AbsRefX", "AbsRefY"}) {
        const TPropInfo* p = e.ClassType().property(e.ClassType().propertyIndex(name));
        ASSERT_NE(p, nullptr) << name;
        EXPECT_TRUE(p->storedFor(&e)) << name;
    }

    auto* g = line(100, 200, 110, 230);
    g->FAngle = 0.5;
    g->FGIndex = 7;
    auto* named = new TStringElement;
    named->SetName("Obrys");
    e.AddElement(named);
    e.SetGeometry(g);
    EXPECT_EQ(e.GetGeometry(), g);
    EXPECT_EQ(e.GetRect(), g->GetRect());
    EXPECT_EQ(e.GetMinX(), 100);
    EXPECT_EQ(e.GetMaxY(), 230);
    EXPECT_EQ(e.GetAngle(), 0.5);
    EXPECT_EQ(e.GetGIndex(), 7);
    EXPECT_EQ(GetPropStringByName(&e, "GIndex"), "7");
    EXPECT_TRUE(e.IsHitByXY(105, 215, 1));
    EXPECT_FALSE(e.IsHitByXY(0, 0, 1));
    EXPECT_TRUE(e.IsOverRegionEx(99, 199, 101, 201));
    EXPECT_EQ(e.FindElementName("geometry"), g);
    EXPECT_EQ(e.FindElementName("GeOmEtRy"), g);
    EXPECT_EQ(e.FindElementName("Obrys"), named);
    for (const char* name : {"MinX", "MinY", "Width", "Height", "AbsRefX", "AbsRefY"}) {
        const TPropInfo* p = e.ClassType().property(e.ClassType().propertyIndex(name));
        EXPECT_FALSE(p->storedFor(&e)) << name;
    }
    EXPECT_EQ(GetPropStringByName(&e, "NoGeometry"), "False");
    EXPECT_EQ(GetPropStringByName(&e, "SpaceID"), "-1");
    EXPECT_EQ(GetPropStringByName(&e, "MultiElement"), "False");
}

TEST(GeometryElement, SettingAGeometryFreesTheOldOneButNotTheSameOne) {
    TGeometryElement e;
    auto* first = line(0, 0, 1, 1);
    e.SetGeometry(first);
    TDestructionWatch watch;
    watch.watch(first);
    e.SetGeometry(first); // the same one: kept
    EXPECT_TRUE(watch.alive(first));
    EXPECT_EQ(e.ElementsCount(), 1);

    auto* second = poly<TAreaElement>(square(0, 0, 5));
    e.SetGeometry(second);
    EXPECT_FALSE(watch.alive(first));
    EXPECT_EQ(e.GetGeometry(), second);
    EXPECT_EQ(e.ElementsCount(), 1);

    e.RemoveElement(second); // no longer the geometry
    EXPECT_EQ(e.GetGeometry(), nullptr);
    delete second;

    // A new UUID in the registry text form on request; a geometry reached through the child list
    // after loading is found again.
    e.SetPropertyStringByName("NewUUID", "True");
    EXPECT_EQ(e.FUUID.size(), 38);
    auto* loaded = line(5, 5, 6, 6);
    e.AddElement(loaded);
    EXPECT_EQ(e.GetGeometry(), loaded);
}

TEST(GeometryElement, MultiElementGathersItsPieces) {
    TMultiAreaHolder e;
    auto* a = poly<TAreaElement>(square(0, 0, 10));
    e.AddGeometry(a);
    EXPECT_EQ(e.GetGeometry(), a);

    e.AddGeometry(poly<TAreaElement>(square(20, 0, 10)));
    auto* multi = zelto_cast<TMultiAreaElement>(e.GetGeometry());
    ASSERT_NE(multi, nullptr);
    EXPECT_EQ(multi->ElementsCount(), 2);
    EXPECT_EQ(multi->GetAreaElement(0), a);
    EXPECT_EQ(e.ElementsCount(), 1); // the single area is no longer a direct child

    // A multi-area brings its parts one by one and is not kept itself.
    auto* more = new TMultiAreaElement;
    more->AddAndUpdateRect(poly<TAreaElement>(square(40, 0, 10)));
    more->AddAndUpdateRect(poly<TAreaElement>(square(60, 0, 10)));
    TDestructionWatch watch;
    watch.watch(more);
    e.AddGeometry(more);
    EXPECT_FALSE(watch.alive(more));
    EXPECT_EQ(multi->ElementsCount(), 4);
    EXPECT_EQ(e.GetMinX(), 0);
    EXPECT_EQ(e.GetMaxX(), 70);
    EXPECT_DOUBLE_EQ(std::abs(multi->GetArea()), 400);
}

// A divided geometry: the element copies itself for the new piece and the collection adopts the
// copy; the copy carries the attributes, and its own copy of the property set.
TEST(GeometryElement, DividedGeometryMakesACopyThatTheCollectionAdopts) {
    // Messages reach their receivers through the world.
    TWorld world;
    world.SubscribeToMessages();
    TGeometryElementCollection layer;
    auto* e = new TPropertyGeometryElement;
    e->FUID = "lesnik";
    e->FTimeStamp = 46000.25;
    e->SetName("Cesta");
    auto* props = new TDynamicProperties;
    props->SetPropertyStringByName("Povrch", "štěrk");
    e->SetProperties(props);
    auto* whole = line(0, 0, 10, 0);
    e->SetGeometry(whole);
    layer.AddElement(e);

    auto* piece = line(10, 0, 20, 0);
    whole->PostMsgToOwners(tm_DivideGeometry, piece, false);
    ASSERT_EQ(layer.ElementsCount(), 2);
    auto* copy = zelto_cast<TPropertyGeometryElement>(layer.Get(1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetGeometry(), piece);
    EXPECT_EQ(copy->FUID, "lesnik");
    EXPECT_EQ(copy->FTimeStamp, 46000.25);
    EXPECT_EQ(copy->GetName(), "Cesta");
    ASSERT_NE(copy->GetProperties(), nullptr);
    EXPECT_NE(copy->GetProperties(), props);
    EXPECT_EQ(copy->GetPropertyStringByName("Povrch"), "štěrk");
    EXPECT_EQ(e->GetGeometry(), whole);

    // A divide message from something that is not the element's geometry changes nothing.
    TPolyLineElement other;
    auto* stray = line(0, 0, 1, 1);
    std::unique_ptr<TZeltoMessage> m(TZeltoMessage::CreateAll(tm_DivideGeometry, &other, e, stray, false));
    bool handled = false;
    e->HandleMessage(*m, handled);
    EXPECT_EQ(layer.ElementsCount(), 2);
    delete stray;

    // Without a collection to take it the copy is freed again, and the piece with it.
    TGeometryElement lonely;
    auto* lonelyLine = line(0, 0, 5, 5);
    lonely.SetGeometry(lonelyLine);
    auto* lost = line(5, 5, 9, 9);
    TDestructionWatch watch;
    watch.watch(lost);
    lonelyLine->PostMsgToOwners(tm_DivideGeometry, lost, false);
    EXPECT_FALSE(watch.alive(lost));
}

TEST(PropertyGeometryElement, OwnPropertiesFirstThenThePropertySet) {
    TPropertyGeometryElement e;
    EXPECT_FALSE(e.HasPropertyByName("Majitel"));
    e.SetPropertyStringByName("Majitel", "obec"); // no set: nowhere to go
    EXPECT_EQ(e.GetPropertyStringByName("Majitel"), "");
    auto* props = new TDynamicProperties;
    e.SetProperties(props);
    e.SetPropertyStringByName("Majitel", "obec");
    e.SetPropertyStringByName("UID", "lesnik"); // declared: the element's own
    EXPECT_TRUE(e.HasPropertyByName("majitel"));
    EXPECT_TRUE(e.HasPropertyByName("UID"));
    EXPECT_EQ(e.FUID, "lesnik");
    EXPECT_EQ(props->GetPropertyStringByName("UID"), "");
    EXPECT_EQ(e.GetPropertyStringByName("Majitel"), "obec");
    // An own property with an empty value falls back to the set.
    props->SetPropertyStringByName("UUID", "{set}");
    EXPECT_EQ(e.GetPropertyStringByName("UUID"), "{set}");
    e.SetProperties(props); // the same set: kept
    EXPECT_EQ(e.GetProperties(), props);
    EXPECT_EQ(e.ElementsCount(), 1);
}

TEST(GeometryCollections, DeletedObjectsAreRecordedWithAuthorAndTime) {
    TComplicatedGECollection layer;
    double before = 0;
    {
        zelto::testing::WorldScope scope;
        scope.world().UID = "lesnik";
        layer.AddDeletedUUID("");
        EXPECT_EQ(layer.GetDeletedUUIDs(), nullptr);
        before = nowAsDateTime();
        layer.SetPropertyStringByName("NextDeletedUUID", "{B}");
        layer.AddDeletedUUID("{A}");
    }
    TSortedEntity* deleted = layer.GetDeletedUUIDs();
    ASSERT_NE(deleted, nullptr);
    ASSERT_EQ(deleted->ElementsCount(), 2);
    auto* first = zelto_cast<TGeometryElementRIP>(deleted->Get(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetUUID(), "{A}"); // kept sorted by name
    EXPECT_EQ(first->FUID, "lesnik");
    EXPECT_GE(first->FTimeStamp, before);
    EXPECT_LE(first->FTimeStamp, nowAsDateTime());

    // Replacing takes over the entries of another sorted list; anything else is ignored.
    TSortedEntity other;
    auto* rip = new TGeometryElementRIP;
    rip->SetName("{C}");
    other.AddElement(rip);
    TStringListElement notSorted;
    layer.SetDeletedUUIDs(zelto_cast<TSortedEntity>(static_cast<TElement*>(&notSorted)));
    EXPECT_EQ(deleted->ElementsCount(), 2);
    layer.SetDeletedUUIDs(&other);
    ASSERT_EQ(deleted->ElementsCount(), 1);
    EXPECT_EQ(deleted->Get(0), rip);

    TGeometryElementCollection plain;
    plain.AddDeletedUUID("{D}");
    ASSERT_NE(plain.GetDeletedUUIDs(), nullptr);
    EXPECT_EQ(zelto_cast<TGeometryElementRIP>(plain.GetDeletedUUIDs()->Get(0))->FUID, "");
}

TEST(GeometryCollections, GetLayerCreatesSubLayersByKind) {
    TComplicatedGECollection layer;
    TComplicatedGECollection* lines = layer.GetLayer("lines");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetName(), "lines");
    EXPECT_EQ(lines->FObjectType, "L");
    EXPECT_EQ(layer.GetLayer("lines"), lines);
    EXPECT_EQ(layer.ElementsCount(), 1);

    // A child of that name that is not a layer gives way to one.
    auto* squatter = new TStringElement;
    squatter->SetName("N");
    layer.AddElement(squatter);
    TDestructionWatch watch;
    watch.watch(squatter);
    TComplicatedGECollection* notes = layer.GetLayer("N");
    EXPECT_FALSE(watch.alive(squatter));
    EXPECT_EQ(notes->FObjectType, "N");
    EXPECT_EQ(layer.ElementsCount(), 2);
    layer.CheckLayer("A");
    EXPECT_EQ(zelto_cast<TComplicatedGECollection>(layer.GetLayers(2))->FObjectType, "A");
}

TEST(UserNotes, ListsAreChildrenAndAnElementIsAddedOnce) {
    Tgis_Note note;
    EXPECT_TRUE(note.GetNoImages());
    EXPECT_TRUE(note.CheckImages());
    ASSERT_NE(note.GetImages(), nullptr);
    EXPECT_EQ(note.GetImages()->GetName(), "IMG");
    EXPECT_TRUE(note.GetNoImages());
    note.GetImages()->AddNameString("foto1.jpg", "U studánky");
    EXPECT_FALSE(note.GetNoImages());
    note.CheckAudios();
    EXPECT_EQ(note.GetAudios()->GetName(), "AUD");
    EXPECT_EQ(note.ElementsCount(), 2);
    note.AddElement(note.GetImages());
    EXPECT_EQ(note.ElementsCount(), 2);

    auto* replacement = new TStringListElement;
    TDestructionWatch watch;
    watch.watch(note.GetImages());
    TStringListElement* old = note.GetImages();
    note.SetImages(replacement);
    EXPECT_FALSE(watch.alive(old));
    EXPECT_EQ(note.GetImages(), replacement);
    EXPECT_EQ(note.ElementsCount(), 2);
    // One list cannot serve as both.
    note.SetAudios(replacement);
    EXPECT_NE(note.GetAudios(), replacement);
}

class NoteTools : public ::testing::Test {
protected:
    QTemporaryDir pub, other;
    std::unique_ptr<ProjectScope> project;
    Tgis_Note note;

    void SetUp() override {
        project = std::make_unique<ProjectScope>(pub.path());
        recordingNotifier()->clear();
        note.CheckImages();
        note.CheckAudios();
    }
    QString inProject(const QString& rel) const { return TProjectPath::Root + rel; }
    QString inOther(const QString& rel) const { return other.filePath(rel); }
};

TEST_F(NoteTools, TransferNeedsANoteAndOneRealDirectory) {
    Tgis_NoteTransfer t;
    t.DoIt();
    EXPECT_EQ(t.FError, 1);
    TStringElement notANote;
    t.SetInput(&notANote);
    t.DoIt();
    EXPECT_EQ(t.FError, 2);
    t.SetInput(&note);
    t.FFromDirectory = "auto";
    t.FToDirectory = "AUTO";
    t.DoIt();
    EXPECT_EQ(t.FError, 3);
    EXPECT_EQ(t.NumberToPropertyName(0), "FromDirectory");
    EXPECT_EQ(t.NumberToPropertyName(5), "ToDirectory");

    // An automatic directory needs an open project.
    TProjectPath::Root.clear();
    t.FFromDirectory = other.path();
    t.FToDirectory = "";
    t.DoIt();
    EXPECT_EQ(t.FError, 4);
}

TEST_F(NoteTools, TransferCopiesIntoTheProjectSkippingMissingFiles) {
    writeFile(inOther("img/foto1.jpg"), "JPEG-1");
    writeFile(inOther("audio/hlas.m4a"), "AUDIO");
    note.GetImages()->AddNameString("foto1.jpg", "Foto 1");
    note.GetImages()->AddNameString("chybi.jpg", "Chybí");
    note.GetAudios()->AddNameString("hlas.m4a", "Hlas");

    Tgis_NoteTransfer t;
    t.SetInput(&note);
    t.FFromDirectory = other.path(); // no trailing delimiter: one is added
    t.DoIt();
    EXPECT_EQ(t.FError, 0);
    EXPECT_EQ(readAll(inProject("img/foto1.jpg")), "JPEG-1");
    EXPECT_FALSE(QFile::exists(inProject("img/chybi.jpg")));
    EXPECT_EQ(readAll(inProject("audio/hlas.m4a")), "AUDIO");
    EXPECT_FALSE(QFile::exists(inProject("img/foto1.jpg.part")));

    // And back out to another directory, created as needed; copying onto itself loses nothing.
    QTemporaryDir out;
    t.FFromDirectory = "Auto";
    t.FToDirectory = out.filePath("export");
    t.DoIt();
    EXPECT_EQ(t.FError, 0);
    EXPECT_EQ(readAll(out.filePath("export/img/foto1.jpg")), "JPEG-1");
    t.FToDirectory = TProjectPath::Root;
    t.DoIt();
    EXPECT_EQ(readAll(inProject("img/foto1.jpg")), "JPEG-1");
    EXPECT_EQ(note.GetImages()->GetNameAtIndex(0), "foto1.jpg");
    EXPECT_EQ(QDir(inProject("img")).entryList(QDir::Files).size(), 1);
}

// Photos are named by the second they were taken, so two devices can name different photos alike:
// a different file already in the project is kept, and the same file brought twice is one file.
TEST_F(NoteTools, TransferNeverReplacesAnotherFileAndDoesNotCopyTheSameFileTwice) {
    writeFile(inOther("img/foto1.jpg"), "JPEG-1");
    writeFile(inOther("img/foto1_2.jpg"), "JPEG-other");
    writeFile(inProject("img/foto1.jpg"), "stare");
    const auto transferFresh = [&] {
        Tgis_Note fresh;
        fresh.CheckImages();
        fresh.GetImages()->AddNameString("foto1.jpg", "Foto 1");
        fresh.GetImages()->AddNameString("foto1_2.jpg", "Foto 2");
        Tgis_NoteTransfer t;
        t.SetInput(&fresh);
        t.FFromDirectory = other.path();
        t.DoIt();
        EXPECT_EQ(t.FError, 0);
        return QStringList{fresh.GetImages()->GetNameAtIndex(0), fresh.GetImages()->GetNameAtIndex(1)};
    };
    // foto1_2.jpg is the note's own second photo, so the first one's copy becomes foto1_3.jpg.
    const QStringList first = transferFresh();
    EXPECT_EQ(first, QStringList({"foto1_3.jpg", "foto1_2.jpg"}));
    EXPECT_EQ(readAll(inProject("img/foto1.jpg")), "stare");
    EXPECT_EQ(readAll(inProject("img/foto1_3.jpg")), "JPEG-1");
    EXPECT_EQ(readAll(inProject("img/foto1_2.jpg")), "JPEG-other");

    const QStringList second = transferFresh();
    EXPECT_EQ(second, first);
    EXPECT_EQ(QDir(inProject("img")).entryList(QDir::Files).size(), 3);
}

// Names in a note may come from another device: only plain file names are ever touched.
TEST_F(NoteTools, HostileNamesAreRefusedAndNothingOutsideIsTouched) {
    const QString outside = QFileInfo(pub.path()).absolutePath() + "/zelto-outside-" +
                            QString::number(QCoreApplication::applicationPid());
    writeFile(outside + "/victim.txt", "keep me");
    writeFile(inOther("img/ok.jpg"), "OK");
    const QStringList hostile = {"../../../../zelto-outside-" +
                                     QString::number(QCoreApplication::applicationPid()) + "/victim.txt",
                                 outside + "/victim.txt",
                                 "..",
                                 "sub/ok.jpg",
                                 "..\\..\\victim.txt",
                                 "C:victim.txt",
                                 "ok\n.jpg"};
    for (const QString& name : hostile) note.GetImages()->AddNameString(name, "x");
    note.GetImages()->AddNameString("ok.jpg", "fine");

    Tgis_NoteTransfer t;
    t.SetInput(&note);
    t.FFromDirectory = other.path();
    t.DoIt();
    EXPECT_EQ(t.FError, 0);
    EXPECT_EQ(readAll(inProject("img/ok.jpg")), "OK");
    EXPECT_EQ(recordingNotifier()->protocols().size(), hostile.size());
    for (const QString& text : recordingNotifier()->protocols())
        EXPECT_TRUE(text.contains("odmítnut")) << text.toStdString();

    // A link inside the source directory is not followed out of it.
    ASSERT_TRUE(QFile::link(outside + "/victim.txt", inOther("img/link.jpg")));
    note.GetImages()->AddNameString("link.jpg", "link");
    t.DoIt();
    EXPECT_FALSE(QFile::exists(inProject("img/link.jpg")));

    recordingNotifier()->clear();
    Tgis_NoteKillData kill;
    kill.SetInput(&note);
    kill.DoIt();
    EXPECT_EQ(kill.FError, 0);
    EXPECT_EQ(readAll(outside + "/victim.txt"), "keep me");
    EXPECT_FALSE(QFile::exists(inProject("img/ok.jpg")));
    EXPECT_EQ(recordingNotifier()->protocols().size(), hostile.size());
    QDir(outside).removeRecursively();
}

TEST_F(NoteTools, KillDataDeletesTheNotesFilesFromTheProject) {
    writeFile(inProject("img/a.jpg"), "A");
    writeFile(inProject("img/keep.jpg"), "K");
    writeFile(inProject("audio/b.m4a"), "B");
    note.GetImages()->AddNameString("a.jpg", "");
    note.GetImages()->AddNameString("gone.jpg", "");
    note.GetAudios()->AddNameString("b.m4a", "");
    Tgis_NoteKillData kill;
    kill.DoIt();
    EXPECT_EQ(kill.FError, 1);
    TStringElement notANote;
    kill.SetInput(&notANote);
    kill.DoIt();
    EXPECT_EQ(kill.FError, 2);
    kill.SetInput(&note);
    kill.DoIt();
    EXPECT_EQ(kill.FError, 0);
    EXPECT_FALSE(QFile::exists(inProject("img/a.jpg")));
    EXPECT_FALSE(QFile::exists(inProject("audio/b.m4a")));
    EXPECT_TRUE(QFile::exists(inProject("img/keep.jpg")));
    EXPECT_TRUE(recordingNotifier()->protocols().isEmpty());
}

TEST(ProjectPaths, FormedUnderThePublicFolder) {
    QTemporaryDir pub;
    ProjectScope scope(pub.path());
    const QString root = pub.path() + "/map/project/Revir 7/";
    EXPECT_EQ(TProjectPath::PurePrj, "Revir 7");
    EXPECT_EQ(TProjectPath::Root, root);
    EXPECT_EQ(TProjectPath::User, root + "Revir 7_USER.zlt");
    EXPECT_EQ(TProjectPath::CFG, root + "Revir 7.cfg");
    EXPECT_EQ(TProjectPath::UserLayers, root + "USERLAYERS_lesnik.xml");
    EXPECT_EQ(TProjectPath::UDSM, root + "UDSM_Revir 7.zlt");
    EXPECT_EQ(TProjectPath::Layer("Hranice"), root + "UDSML_Revir 7_Hranice.zlt");
    for (const QString& dir : {TProjectPath::Audio, TProjectPath::Img, TProjectPath::maps})
        EXPECT_TRUE(QFileInfo(dir).isDir()) << dir.toStdString();
}

class GeometryElementStream : public zelto::testing::StreamRoundTrip {};

TEST_F(GeometryElementStream, EveryClassKeepsEveryStoredPropertyAndChild) {
    struct Case {
        const char* what;
        std::function<TElement*()> make;
    };
    const Case cases[] = {
        {"element without geometry",
         [] {
             auto* e = new TGeometryElement;
             e->SetByDoubleRect({-745000, -1043000, -744990, -1042980});
             e->SetRelRefCoords(0.25, 0.75);
             e->CreateUUID();
             e->FUID = "lesnik";
             e->FTimeStamp = 46001.5;
             return e;
         }},
        {"element with geometry",
         [] {
             auto* e = new TGeometryElement;
             e->SetName("Průsek");
             e->SetGeometry(line(-745000, -1043000, -744900, -1042950));
             e->CreateUUID();
             return e;
         }},
        {"property element",
         [] {
             auto* e = new TPropertyGeometryElement;
             auto* props = new TDynamicProperties;
             props->SetPropertyStringByName("Porost", "12A3");
             props->SetPropertyLongIntByName("Vek", 85);
             e->SetProperties(props);
             e->SetGeometry(poly<TAreaElement>(square(0, 0, 20)));
             return e;
         }},
        {"deleted record",
         [] {
             auto* r = new TGeometryElementRIP;
             r->SetName("{0D4C1E2A-0000-4000-8000-00000000002A}");
             r->FUID = "lesnik";
             r->FTimeStamp = 46002.75;
             return r;
         }},
        {"collections",
         [] {
             auto* root = new TEntity;
             for (const TClassInfo* cls :
                  {&TGeometryElementCollection::StaticClass(), &TPointCollection::StaticClass(),
                   &TPolyLineCollection::StaticClass(), &TTextCollection::StaticClass(),
                   &TAreaCollection::StaticClass()}) {
                 auto* c = static_cast<TGeometryElementCollection*>(cls->create());
                 c->FColor = 0x00ff8800;
                 c->FUseColor = true;
                 c->FSymbol = 12;
                 c->FUseSymbol = true;
                 c->AddDeletedUUID("{1}");
                 c->AddDeletedUUID("{2}");
                 auto* e = new TGeometryElement;
                 e->SetGeometry(line(1, 2, 3, 4));
                 c->AddAndUpdateRect(e);
                 root->AddElement(c);
             }
             return root;
         }},
        {"user layer",
         [] {
             auto* layer = new TComplicatedGECollection;
             layer->SetName("Hranice");
             layer->FText = "Hranice porostů";
             layer->FVisible = true;
             layer->FEnabled = true;
             layer->FObjectType = "X";
             layer->FColor = qint32(0xff336699);
             layer->FUseColor = true;
             layer->FSymbol = 4;
             layer->FUseSymbol = 2;
             layer->FGroup = 3;
             layer->AddDeletedUUID("{dead}");
             auto* points = layer->GetLayer("P");
             auto* p = new Tgis_PointElement;
             p->SetMinX(-745001.5);
             p->SetMinY(-1043002.25);
             p->FSymbol = 7;
             p->FColor = 255;
             p->FComment = 2;
             p->FStatus = 1;
             p->FGroup = 9;
             p->CreateUUID();
             points->AddAndUpdateRect(p);
             auto* notes = layer->GetLayer("N");
             auto* n = new Tgis_Note;
             n->SetMinX(-745010);
             n->SetMinY(-1043010);
             n->SetText("Poškozená oplocenka, č. 5");
             n->CheckImages();
             n->GetImages()->AddNameString("foto1.jpg", "Pohled od cesty");
             n->CheckAudios();
             n->GetAudios()->AddNameString("hlas1.m4a", "Komentář");
             notes->AddAndUpdateRect(n);
             auto* lines = layer->GetLayer("L");
             auto* e = new TGeometryElement;
             e->SetGeometry(line(-745000, -1043000, -745100, -1043100));
             lines->AddAndUpdateRect(e);
             layer->Update();
             return layer;
         }},
        {"note tools",
         [] {
             auto* root = new TEntity;
             auto* t = new Tgis_NoteTransfer;
             t->FFromDirectory = "/import/Revir 8/";
             t->FToDirectory = "AUTO";
             root->AddElement(t);
             root->AddElement(new Tgis_NoteKillData);
             return root;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TElement> original(c.make());
        std::unique_ptr<TElement> back = roundTrip(original.get());
        ASSERT_NE(back, nullptr);
    }
}

TEST_F(GeometryElementStream, LoadedElementsFindTheirGeometryListsAndRecords) {
    auto layer = std::make_unique<TComplicatedGECollection>();
    layer->AddDeletedUUID("{gone}");
    auto* e = new TPropertyGeometryElement;
    auto* props = new TDynamicProperties;
    props->SetPropertyStringByName("Druh", "smrk");
    e->SetProperties(props);
    e->SetGeometry(poly<TAreaElement>(square(0, 0, 20)));
    layer->GetLayer("A")->AddElement(e);
    auto* n = new Tgis_Note;
    n->CheckImages();
    n->GetImages()->AddNameString("a.jpg", "A");
    layer->GetLayer("N")->AddElement(n);
    std::unique_ptr<TElement> back = roundTrip(layer.get());

    auto* l = zelto_cast<TComplicatedGECollection>(back.get());
    ASSERT_NE(l, nullptr);
    ASSERT_NE(l->GetDeletedUUIDs(), nullptr);
    ASSERT_EQ(l->GetDeletedUUIDs()->ElementsCount(), 1);
    EXPECT_EQ(l->GetDeletedUUIDs()->Get(0)->GetName(), "{gone}");
    auto* e2 = zelto_cast<TPropertyGeometryElement>(l->GetLayer("A")->Get(0));
    ASSERT_NE(e2, nullptr);
    ASSERT_NE(e2->GetGeometry(), nullptr);
    EXPECT_DOUBLE_EQ(std::abs(zelto_cast<TAreaElement>(e2->GetGeometry())->GetArea()), 400);
    EXPECT_EQ(e2->GetPropertyStringByName("Druh"), "smrk");
    EXPECT_EQ(e2->GetMaxX(), 20);
    auto* n2 = zelto_cast<Tgis_Note>(l->GetLayer("N")->Get(0));
    ASSERT_NE(n2, nullptr);
    ASSERT_NE(n2->GetImages(), nullptr);
    EXPECT_EQ(n2->GetImages()->GetNameAtIndex(0), "a.jpg");
    EXPECT_EQ(n2->ElementsCount(), 1);
    EXPECT_EQ(n2->GetAudios(), nullptr);
}

// Freeing what a read produced clears element properties first; the note's setters free the lists
// they give up, and the rest of the clean-up must not touch them again.
TEST_F(GeometryElementStream, ReadNotesAreFreedCleanlyAlsoAfterDamage) {
    auto note = std::make_unique<Tgis_Note>();
    note->CheckImages();
    note->GetImages()->AddNameString("foto1.jpg", "Foto 1");
    note->CheckAudios();
    const QByteArray good = save(note.get());
    {
        std::vector<TElement*> read;
        std::unique_ptr<TElement> back = load("graph.zlt", &read);
        ASSERT_NE(back, nullptr);
        back.release();
        FreeElementSet(read);
    }
    for (qsizetype n = good.size() - 8; n < good.size(); ++n) {
        QFile cut(path("cut.zlt"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(good.left(n));
        cut.close();
        TLoad loader(path("cut.zlt"));
        loader.SetNoProgress(true);
        EXPECT_ANY_THROW(loader.DoIt()) << n;
        EXPECT_EQ(loader.FOutput, nullptr);
    }
}
