// The project registry: projects, the forest project with its data file, the registry of
// forest plan areas and cadastral territories with its naming and lookup rules, AddProject and
// AddKatastr on the world's object model, and the small layer entries.
#include <gtest/gtest.h>

#include "forest/e_LHCModel.h"
#include "forest/e_LHCProject.h"
#include "forest/e_ParcelModel.h"
#include "forest/e_Project.h"
#include "forest/e_Zelto01Projects.h"
#include "framework/U_String.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "stream_roundtrip.h"
#include "topobjects/e_TopolElements.h"
#include "world_scope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace zelto;
using zelto::testing::storedPropertyNames;

namespace {

// Name, stored flag, read-only flag of every property a class adds to its base's table.
struct Declared {
    QString name;
    bool stored;
    bool readOnly;
    bool operator==(const Declared&) const = default;
};

std::vector<Declared> ownProperties(const TClassInfo& cls) {
    const int inherited = cls.parent()->propertyCount();
    std::vector<Declared> out;
    for (int i = inherited; i < cls.propertyCount(); ++i) {
        const TPropInfo* p = cls.property(i);
        out.push_back({p->name, p->staticallyStored(), p->readable() && !p->writable()});
    }
    return out;
}

std::ostream& operator<<(std::ostream& os, const Declared& d) {
    return os << d.name.toStdString() << (d.stored ? " stored" : " not stored")
              << (d.readOnly ? " read-only" : "");
}

// The world of the test with an object model; restores the process's world afterwards.
class WorldScope : public zelto::testing::WorldScope {
public:
    // The element "DATA" of the object model (created).
    TOwnerEntity* data() {
        if (!m_data) {
            m_data = new TOwnerEntity;
            m_data->SetName("DATA");
            world().GetObjectModel()->AddElement(m_data);
        }
        return m_data;
    }
    // "DATA"/"LHC" holding a plan area.
    Tgis_LHC* plan(qint32 number, qint32 year) {
        auto* lhcs = new TOwnerEntity;
        lhcs->SetName("LHC");
        data()->AddElement(lhcs);
        auto* lhc = new Tgis_LHC;
        lhc->FCislo = number;
        lhc->FROK = year;
        lhcs->AddElement(lhc);
        return lhc;
    }
    // "DATA"/"PARCELY" holding territories numbered as given.
    TOwnerEntity* parcels(const std::vector<qint32>& numbers) {
        auto* p = new TOwnerEntity;
        p->SetName("PARCELY");
        data()->AddElement(p);
        for (qint32 n : numbers) {
            auto* territory = new TTopolAreaElement;
            territory->FCislo = n;
            p->AddElement(territory);
        }
        return p;
    }

private:
    TOwnerEntity* m_data = nullptr;
};

struct RootDirectoryScope {
    QString previous = RootDirectory;
    explicit RootDirectoryScope(const QString& root) { RootDirectory = root; }
    ~RootDirectoryScope() { RootDirectory = previous; }
};

bool touch(const QString& fileName) {
    QFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write("x", 1) == 1;
}

// A parcel model that notes how many children it still had when it was destroyed.
class WatchedParcelModel : public Tgis_ParcelModel {
public:
    static inline int childrenAtDestruction = -1;
    ~WatchedParcelModel() override { childrenAtDestruction = ElementsCount(); }
};

QString sep() {
    return QStringLiteral("/");
}

} // namespace

// ---- classes and tables ----------------------------------------------------------------------------

TEST(ProjectRegistry, ClassesAndBases) {
    struct Case {
        const char* name;
        const TClassInfo* base;
        bool registered;
    };
    const Case cases[] = {
        {"TZeltoProject", &TOwnerEntity::StaticClass(), true},
        {"TZeltoProjects", &TOwnerEntity::StaticClass(), false},
        {"TZELTOLHCProject", &TZeltoProject::StaticClass(), true},
        {"TZelto01Info", &TOwnerEntity::StaticClass(), false},
        {"TZelto01LHCInfo", &TZelto01Info::StaticClass(), true},
        {"TZelto01KatastrInfo", &TZelto01Info::StaticClass(), true},
        {"TZelto01LHCEntity", &TOwnerEntity::StaticClass(), true},
        {"TZelto01KatastrEntity", &TOwnerEntity::StaticClass(), true},
        {"TZelto01Projects", &TOwnerEntity::StaticClass(), true},
        {"TZelto01KatastrRepository", &TRectEntity::StaticClass(), true},
        {"TZelto01KRElement", &TRectEntity::StaticClass(), true},
        {"TZelto01LayerInfo", &TOwnerEntity::StaticClass(), true},
        {"TZelto01UserLayerInfo", &TStringEntity::StaticClass(), true},
    };
    const std::vector<const TClassInfo*> infos = {
        &TZeltoProject::StaticClass(),        &TZeltoProjects::StaticClass(),
        &TZELTOLHCProject::StaticClass(),     &TZelto01Info::StaticClass(),
        &TZelto01LHCInfo::StaticClass(),      &TZelto01KatastrInfo::StaticClass(),
        &TZelto01LHCEntity::StaticClass(),    &TZelto01KatastrEntity::StaticClass(),
        &TZelto01Projects::StaticClass(),     &TZelto01KatastrRepository::StaticClass(),
        &TZelto01KRElement::StaticClass(),    &TZelto01LayerInfo::StaticClass(),
        &TZelto01UserLayerInfo::StaticClass()};
    for (size_t i = 0; i < infos.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(infos[i]->name(), QString::fromLatin1(c.name));
        EXPECT_EQ(infos[i]->parent(), c.base);
        EXPECT_EQ(GetZeltoClass(QString::fromLatin1(c.name)) == infos[i], c.registered);
    }
    EXPECT_EQ(TZeltoProject::StaticClass().unitName(), "e_Project");
    EXPECT_EQ(TZeltoProjects::StaticClass().unitName(), "e_Project");
    EXPECT_EQ(TZELTOLHCProject::StaticClass().unitName(), "e_LHCProject");
    for (const TClassInfo* c : std::vector<const TClassInfo*>(infos.begin() + 3, infos.end()))
        EXPECT_EQ(c->unitName(), "e_Zelto01Projects") << c->name().toStdString();

    // Modules 49, 50, 51 register right after each other, in this order.
    const QStringList order = {"TZeltoProject",         "TZELTOLHCProject",    "TZelto01UserLayerInfo",
                               "TZelto01LHCInfo",       "TZelto01KatastrInfo", "TZelto01LHCEntity",
                               "TZelto01KatastrEntity", "TZelto01Projects",    "TZelto01KatastrRepository",
                               "TZelto01KRElement",     "TZelto01LayerInfo"};
    const QStringList& log = RegisteredClassNames();
    const qsizetype first = log.indexOf(order.first());
    ASSERT_GE(first, 0);
    ASSERT_GT(first, log.indexOf("TSave"));
    EXPECT_EQ(log.mid(first, order.size()), order);
}

TEST(ProjectRegistry, PropertyTables) {
    using D = std::vector<Declared>;
    EXPECT_EQ(ownProperties(TZeltoProject::StaticClass()),
              (D{{"Author", true, false}, {"Comment", true, false}}));
    EXPECT_EQ(ownProperties(TZELTOLHCProject::StaticClass()), (D{{"Year", true, false},
                                                                 {"ExternalParcelDirectory", true, false},
                                                                 {"ExternalDataDirectory", true, false},
                                                                 {"ExportParcelDirectory", true, false},
                                                                 {"ExportDataDirectory", true, false},
                                                                 {"ExternalDataExists", false, true},
                                                                 {"DataDirectory", true, false},
                                                                 {"SymbolsDirectory", true, false},
                                                                 {"DataFileName", false, true},
                                                                 {"DataFileExists", false, true},
                                                                 {"Modified", false, false},
                                                                 {"LastChangesExported", true, false}}));
    EXPECT_EQ(ownProperties(TZelto01Info::StaticClass()),
              (D{{"SourceTyp", true, false}, {"SourcePath", true, false}, {"ProjectName", true, false}}));
    EXPECT_EQ(ownProperties(TZelto01LHCInfo::StaticClass()), (D{{"LHCNumber", true, false},
                                                                {"LHCYear", true, false},
                                                                {"Continual", true, false},
                                                                {"UserDataSplitted", true, false},
                                                                {"UserDataUUIDExists", true, false},
                                                                {"DataProfileName", true, false}}));
    EXPECT_EQ(ownProperties(TZelto01KatastrInfo::StaticClass()), (D{{"KatastrNumber", true, false}}));
    EXPECT_TRUE(ownProperties(TZelto01LHCEntity::StaticClass()).empty());
    EXPECT_TRUE(ownProperties(TZelto01KatastrEntity::StaticClass()).empty());
    EXPECT_TRUE(ownProperties(TZeltoProjects::StaticClass()).empty());
    EXPECT_EQ(ownProperties(TZelto01Projects::StaticClass()),
              (D{{"LHCs", false, true}, {"Katastrs", false, true}}));
    EXPECT_EQ(ownProperties(TZelto01KatastrRepository::StaticClass()), (D{{"Visible", true, false}}));
    EXPECT_EQ(ownProperties(TZelto01KRElement::StaticClass()),
              (D{{"Nazev", true, false}, {"Empty", false, false}}));
    EXPECT_EQ(ownProperties(TZelto01LayerInfo::StaticClass()), (D{{"LHC", true, false},
                                                                  {"Visible", true, false},
                                                                  {"Directory", true, false},
                                                                  {"DataExists", true, false}}));
    EXPECT_EQ(ownProperties(TZelto01UserLayerInfo::StaticClass()), (D{{"Modified", true, false},
                                                                      {"Shared", true, false},
                                                                      {"Restriction", true, false},
                                                                      {"Group", true, false}}));
    // The user-layer entry keeps the name and the string value of its base first.
    const QStringList userLayer = storedPropertyNames(TZelto01UserLayerInfo::StaticClass());
    EXPECT_EQ(userLayer.mid(userLayer.size() - 5),
              (QStringList{"Value", "Modified", "Shared", "Restriction", "Group"}));

    // Types: Year and the numbers are Integer, flags Boolean, the references Class.
    EXPECT_EQ(GetPropType(std::make_unique<TZELTOLHCProject>().get(),
                          TZELTOLHCProject::StaticClass().propertyIndex("Year")),
              tkInteger);
    const TPropInfo* lhcs =
        TZelto01Projects::StaticClass().property(TZelto01Projects::StaticClass().propertyIndex("LHCs"));
    ASSERT_NE(lhcs, nullptr);
    EXPECT_EQ(lhcs->kind, tkClass);
    EXPECT_EQ(lhcs->propClass, &TZelto01LHCEntity::StaticClass());
    const TPropInfo* flag = TZelto01LayerInfo::StaticClass().property(
        TZelto01LayerInfo::StaticClass().propertyIndex("DataExists"));
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->kind, tkEnumeration);
}

TEST(ProjectRegistry, EverythingStartsEmpty) {
    TZELTOLHCProject p;
    EXPECT_EQ(p.GetAuthor(), "");
    EXPECT_EQ(p.GetComment(), "");
    EXPECT_EQ(p.GetYear(), 0);
    for (const char* name : {"ExternalParcelDirectory", "ExternalDataDirectory", "ExportParcelDirectory",
                             "ExportDataDirectory", "DataDirectory", "SymbolsDirectory"})
        EXPECT_EQ(p.GetPropertyStringByName(name), "") << name;
    EXPECT_FALSE(p.GetModified());
    EXPECT_FALSE(p.GetLastChangesExported());
    EXPECT_FALSE(p.GetExternalDataExists());

    TZelto01LHCInfo lhc;
    EXPECT_EQ(lhc.GetLHCNumber(), 0);
    EXPECT_EQ(lhc.GetLHCYear(), 0);
    EXPECT_FALSE(lhc.GetContinual() || lhc.GetUserDataSplitted() || lhc.GetUserDataUUIDExists());
    EXPECT_EQ(lhc.GetSourceTyp() + lhc.GetSourcePath() + lhc.GetProjectName() + lhc.GetDataProfileName(), "");
    EXPECT_EQ(TZelto01KatastrInfo().GetKatastrNumber(), 0);
    EXPECT_FALSE(TZelto01KatastrRepository().GetVisible());
    TZelto01KRElement kr;
    EXPECT_EQ(kr.GetNazev(), "");
    EXPECT_TRUE(kr.GetEmpty());
    TZelto01LayerInfo layer;
    EXPECT_EQ(layer.GetLHC(), 0);
    EXPECT_FALSE(layer.GetVisible() || layer.GetDataExists());
    EXPECT_EQ(layer.GetDirectory(), "");
    TZelto01UserLayerInfo user;
    EXPECT_FALSE(user.GetModified() || user.GetShared());
    EXPECT_EQ(user.GetRestriction(), 0);
    EXPECT_EQ(user.GetGroup(), 0);
    EXPECT_EQ(user.FValue, "");
    // A registry has no lists until they are asked for.
    EXPECT_EQ(TZelto01Projects().ElementsCount(), 0);
}

// ---- the forest project ------------------------------------------------------------------------------

TEST(ProjectRegistry, ModifiedAlwaysClearsLastChangesExported) {
    TZELTOLHCProject p;
    for (bool value : {true, false}) {
        p.SetLastModifyExported(true);
        EXPECT_TRUE(p.GetLastChangesExported());
        p.SetModified(value);
        EXPECT_EQ(p.GetModified(), value);
        EXPECT_FALSE(p.GetLastChangesExported());
    }
    // Through the property table as well.
    p.SetLastModifyExported(true);
    p.SetPropertyBooleanByName("Modified", true);
    EXPECT_TRUE(p.GetModified());
    EXPECT_FALSE(p.GetPropertyBooleanByName("LastChangesExported"));
}

TEST(ProjectRegistry, DataFileName) {
    TZELTOLHCProject p;
    p.SetName("LHP_1203_2015");
    p.SetDataDirectory("D:\\data");
    EXPECT_EQ(p.GetDataFileName(), "D:\\data\\LHP_1203_2015.zlt");
    EXPECT_EQ(p.GetPropertyStringByName("DataFileName"), "D:\\data\\LHP_1203_2015.zlt");
    p.SetDataDirectory("D:\\data\\");
    EXPECT_EQ(p.GetDataFileName(), "D:\\data\\LHP_1203_2015.zlt");
    {
        // Relative directories and an empty one lie under the base directory.
        RootDirectoryScope root("D:\\proj");
        p.SetDataDirectory("data");
        EXPECT_EQ(p.GetDataFileName(), "D:\\proj\\data\\LHP_1203_2015.zlt");
        p.SetDataDirectory("");
        EXPECT_EQ(p.GetDataFileName(), "D:\\proj\\LHP_1203_2015.zlt");
    }
    {
        RootDirectoryScope none("");
        p.SetDataDirectory("");
        EXPECT_EQ(p.GetDataFileName(), ExecPath() + "LHP_1203_2015.zlt");
    }

    // A POSIX directory is joined with "/"; the file is looked up there.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    p.SetDataDirectory(dir.path());
    EXPECT_EQ(p.GetDataFileName(), dir.path() + sep() + "LHP_1203_2015.zlt");
    EXPECT_FALSE(p.GetDataFileExists());
    ASSERT_TRUE(touch(dir.filePath("LHP_1203_2015.zlt")));
    EXPECT_TRUE(p.GetDataFileExists());
    EXPECT_TRUE(p.GetPropertyBooleanByName("DataFileExists"));
    // A "\" in a POSIX path is taken as "/" when the file is looked up.
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    p.SetDataDirectory(dir.path() + "\\sub");
    EXPECT_FALSE(p.GetDataFileExists());
    ASSERT_TRUE(touch(dir.filePath("sub/LHP_1203_2015.zlt")));
    EXPECT_TRUE(p.GetDataFileExists());
    p.SetDataDirectory(dir.path());
    // A directory of that name is not the data file.
    p.SetName("adresar");
    ASSERT_TRUE(QDir(dir.path()).mkdir("adresar.zlt"));
    EXPECT_FALSE(p.GetDataFileExists());
}

TEST(ProjectRegistry, PathHelpers) {
    EXPECT_EQ(JoinProjectPath("D:\\data", "a.zlt"), "D:\\data\\a.zlt");
    EXPECT_EQ(JoinProjectPath("D:\\data\\", "a.zlt"), "D:\\data\\a.zlt");
    EXPECT_EQ(JoinProjectPath("data", "a.zlt"), "data\\a.zlt");
    EXPECT_EQ(JoinProjectPath("/srv/data", "a.zlt"), "/srv/data/a.zlt");
    EXPECT_EQ(JoinProjectPath("/srv/data/", "a.zlt"), "/srv/data/a.zlt");
    EXPECT_EQ(JoinProjectPath("", "a.zlt"), "a.zlt");
#ifdef Q_OS_WIN
    EXPECT_EQ(LocalFileName("D:\\data\\a.zlt"), "D:\\data\\a.zlt");
#else
    EXPECT_EQ(LocalFileName("/srv/data\\sub\\a.zlt"), "/srv/data/sub/a.zlt");
    EXPECT_EQ(LocalFileName("/srv/data/a.zlt"), "/srv/data/a.zlt");
#endif
}

TEST(ProjectRegistry, ExternalDataExistsWithDetBlk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TZELTOLHCProject p;
    EXPECT_FALSE(p.GetExternalDataExists()); // no directory set
    p.SetExternalDataDirectory(dir.path());
    EXPECT_FALSE(p.GetExternalDataExists());
    ASSERT_TRUE(touch(dir.filePath("DET.BLK"))); // a file is not enough
    EXPECT_FALSE(p.GetExternalDataExists());
    ASSERT_TRUE(QFile::remove(dir.filePath("DET.BLK")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("DET.BLK"));
    EXPECT_TRUE(p.GetExternalDataExists());
    EXPECT_TRUE(p.GetPropertyBooleanByName("ExternalDataExists"));
    p.SetExternalDataDirectory(dir.path() + "/");
    EXPECT_TRUE(p.GetExternalDataExists());
}

// ---- names and lookups -------------------------------------------------------------------------------

TEST(ProjectRegistry, EntriesAreNamedAfterTheirKeys) {
    TZelto01LHCInfo e;
    e.SetLHCNumber(1203);
    EXPECT_EQ(e.GetName(), "1203");
    e.SetLHCYear(2015);
    EXPECT_EQ(e.GetName(), "1203_2015");
    e.SetLHCYear(-1);
    EXPECT_EQ(e.GetName(), "1203");
    e.SetLHCYear(2016);
    e.SetLHCNumber(7);
    EXPECT_EQ(e.GetName(), "7_2016");
    // Through the property table (as a stream sets them).
    e.SetPropertyIntByName("LHCYear", 0);
    EXPECT_EQ(e.GetName(), "7");
    EXPECT_TRUE(SetPropStringByName(&e, "LHCNumber", "-5"));
    EXPECT_EQ(e.GetName(), "-5");

    TZelto01KatastrInfo k;
    k.SetKatastrNumber(605999);
    EXPECT_EQ(k.GetName(), "605999");
    EXPECT_TRUE(SetPropStringByName(&k, "KatastrNumber", "12"));
    EXPECT_EQ(k.GetName(), "12");
    EXPECT_EQ(k.GetKatastrNumber(), 12);
}

TEST(ProjectRegistry, LookingUpPlanAreas) {
    TZelto01Projects r;
    EXPECT_EQ(r.GetLHCInfo(7, 2020), nullptr); // also: the list is created on the way
    EXPECT_EQ(r.ElementsCount(), 1);
    auto entry = [&](qint32 number, qint32 year) {
        TZelto01LHCInfo* e = r.NewLHCInfo();
        e->SetLHCNumber(number);
        e->SetLHCYear(year);
        return e;
    };
    TZelto01LHCInfo* other = entry(8, 2020);
    TZelto01LHCInfo* first0 = entry(7, 0);
    TZelto01LHCInfo* y2019 = entry(7, 2019);
    TZelto01LHCInfo* second0 = entry(7, 0);
    r.GetLHCs()->AddElement(new TOwnerEntity); // not an entry: skipped

    EXPECT_EQ(r.GetLHCInfo(7, 2020), second0);
    EXPECT_EQ(r.GetLHCInfo(7, 2020, false), second0);
    EXPECT_EQ(r.GetLHCInfo(7, 2020, true), nullptr);
    EXPECT_EQ(r.GetLHCInfo(7, 0), first0);
    EXPECT_EQ(r.GetLHCInfo(7, 0, true), first0);
    EXPECT_EQ(r.GetLHCInfo(7, 2019), y2019);
    EXPECT_EQ(r.GetLHCInfo(7, 2019, true), y2019);
    EXPECT_EQ(r.GetLHCInfo(8, 2020), other);
    EXPECT_EQ(r.GetLHCInfo(8, 2021), nullptr); // no year-0 entry of area 8
    EXPECT_EQ(r.GetLHCInfo(9, 0), nullptr);
    EXPECT_EQ(r.GetLHCs()->GetLHCInfo(7, 2020), second0);
    EXPECT_EQ(TZelto01LHCEntity().GetLHCInfo(7, 0), nullptr);
    // One list of each kind, created once; the properties answer them.
    EXPECT_EQ(r.GetLHCs(), r.GetLHCs());
    EXPECT_EQ(GetObjectPropByName(&r, "LHCs"), r.GetLHCs());
    EXPECT_EQ(GetObjectPropByName(&r, "Katastrs"), r.GetKatastrs());
    EXPECT_EQ(r.ElementsCount(), 2);
    EXPECT_EQ(r.GetLHCs()->ElementsCount(), 5);
}

TEST(ProjectRegistry, LookingUpTerritories) {
    TZelto01Projects r;
    TZelto01KatastrInfo* a = r.NewKatastrInfo();
    a->SetKatastrNumber(100);
    TZelto01KatastrInfo* b = r.NewKatastrInfo();
    b->SetKatastrNumber(200);
    TZelto01KatastrInfo* b2 = r.NewKatastrInfo();
    b2->SetKatastrNumber(200);
    EXPECT_EQ(r.GetKatastrInfo(100), a);
    EXPECT_EQ(r.GetKatastrInfo(200), b);
    EXPECT_EQ(r.GetKatastrInfo(300), nullptr);
    EXPECT_EQ(r.GetKatastrs()->ElementsCount(), 3);
    EXPECT_EQ(r.ElementsCount(), 1); // only the territory list
}

// ---- AddProject ---------------------------------------------------------------------------------------

TEST(ProjectRegistry, AddProjectRegistersThePlanAreaOfTheCurrentData) {
    WorldScope scope;
    Tgis_LHC* plan = scope.plan(1203, 2015);
    TZelto01Projects r;
    TZELTOLHCProject p;
    p.SetComment("DET");
    p.SetExternalDataDirectory("E:\\lhp\\1203");
    QString old = "stale";
    r.AddProject(&p, old, true, "profil A");
    EXPECT_EQ(old, "");
    EXPECT_EQ(p.GetName(), "LHP_1203_2015");
    EXPECT_EQ(p.GetYear(), 2015);
    ASSERT_EQ(r.GetLHCs()->ElementsCount(), 1);
    auto* e = zelto_cast<TZelto01LHCInfo>(r.GetLHCs()->Get(0));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetName(), "1203_2015");
    EXPECT_EQ(e->GetLHCNumber(), 1203);
    EXPECT_EQ(e->GetLHCYear(), 2015);
    EXPECT_EQ(e->GetSourceTyp(), "DET");
    EXPECT_EQ(e->GetSourcePath(), "E:\\lhp\\1203");
    EXPECT_EQ(e->GetProjectName(), "LHP_1203_2015");
    EXPECT_TRUE(e->GetUserDataSplitted());
    EXPECT_TRUE(e->GetUserDataUUIDExists());
    EXPECT_FALSE(e->GetContinual());
    EXPECT_EQ(e->GetDataProfileName(), "profil A");

    // The same area and year again: one entry, the newer.
    p.SetComment("SHP");
    r.AddProject(&p, old, false, "profil B");
    ASSERT_EQ(r.GetLHCs()->ElementsCount(), 1);
    auto* newer = zelto_cast<TZelto01LHCInfo>(r.GetLHCs()->Get(0));
    ASSERT_NE(newer, nullptr);
    EXPECT_EQ(newer->GetSourceTyp(), "SHP");
    EXPECT_EQ(newer->GetDataProfileName(), "profil B");
    EXPECT_FALSE(newer->GetUserDataSplitted());
    EXPECT_EQ(r.GetLHCInfo(1203, 2015, true), newer);

    // Another year of the area is another entry; the older year stays.
    plan->FROK = 2025;
    r.AddProject(&p, old, false, "");
    EXPECT_EQ(p.GetName(), "LHP_1203_2025");
    EXPECT_EQ(p.GetYear(), 2025);
    ASSERT_EQ(r.GetLHCs()->ElementsCount(), 2);
    EXPECT_EQ(r.GetLHCInfo(1203, 2015, true), newer);
    EXPECT_EQ(r.GetLHCInfo(1203, 2025, true)->GetName(), "1203_2025");
    EXPECT_EQ(r.ElementsCount(), 1); // no territory list was needed
}

TEST(ProjectRegistry, AddProjectLeavesTheRegistryUnchangedWithoutData) {
    TZelto01Projects r;
    TZELTOLHCProject p;
    p.SetName("muj projekt");
    p.SetYear(1999);
    auto unchanged = [&](const char* what) {
        QString old = "stale";
        r.AddProject(&p, old, true, "x");
        EXPECT_EQ(old, "") << what;
        EXPECT_EQ(r.ElementsCount(), 0) << what;
        EXPECT_EQ(p.GetName(), "muj projekt") << what;
        EXPECT_EQ(p.GetYear(), 1999) << what;
    };
    {
        TWorld* previous = World;
        World = nullptr;
        unchanged("no world");
        World = previous;
    }
    WorldScope scope;
    unchanged("no object model");
    scope.world().GetObjectModel();
    unchanged("no DATA");
    scope.data();
    unchanged("no LHC");
    auto* lhcs = new TOwnerEntity;
    lhcs->SetName("LHC");
    scope.data()->AddElement(lhcs);
    lhcs->AddElement(new Tgis_LS);
    unchanged("no Tgis_LHC in LHC");
    // A plan area elsewhere is not taken either.
    scope.data()->AddElement(new Tgis_LHC);
    unchanged("Tgis_LHC outside LHC");
    // No project: nothing, whatever the data.
    auto* plan = new Tgis_LHC;
    plan->FCislo = 5;
    lhcs->AddElement(plan);
    QString old = "stale";
    r.AddProject(nullptr, old, false, "");
    EXPECT_EQ(old, "");
    EXPECT_EQ(r.ElementsCount(), 0);
    // Found at last; the name of the element is compared ignoring case.
    scope.data()->SetName("data");
    r.AddProject(&p, old, false, "");
    EXPECT_EQ(p.GetName(), "LHP_5_0");
    EXPECT_EQ(r.GetLHCs()->ElementsCount(), 1);
}

// ---- AddKatastr ---------------------------------------------------------------------------------------

TEST(ProjectRegistry, AddKatastrRegistersEveryTerritory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    WorldScope scope;
    TOwnerEntity* parcels = scope.parcels({605999, 606001});
    parcels->AddElement(new TOwnerEntity); // no number: skipped
    TZelto01Projects r;
    r.AddKatastr("E:\\shp", "KAT_A.zlt", dir.path());
    ASSERT_EQ(r.GetKatastrs()->ElementsCount(), 2);
    for (int i = 0; i < 2; ++i) {
        auto* e = zelto_cast<TZelto01KatastrInfo>(r.GetKatastrs()->Get(i));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->GetKatastrNumber(), i == 0 ? 605999 : 606001);
        EXPECT_EQ(e->GetName(), i == 0 ? "605999" : "606001");
        EXPECT_EQ(e->GetSourceTyp(), "SHP");
        EXPECT_EQ(e->GetSourcePath(), "E:\\shp");
        EXPECT_EQ(e->GetProjectName(), "KAT_A.zlt");
    }
    EXPECT_EQ(r.ElementsCount(), 1);

    // Registered again under another file: the older file goes, the entry points at the new one.
    ASSERT_TRUE(touch(dir.filePath("KAT_A.zlt")));
    ASSERT_TRUE(touch(dir.filePath("other.zlt")));
    r.AddKatastr("F:\\shp", "KAT_B.zlt", dir.path());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("KAT_A.zlt")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("other.zlt")));
    ASSERT_EQ(r.GetKatastrs()->ElementsCount(), 2);
    EXPECT_EQ(r.GetKatastrInfo(605999)->GetProjectName(), "KAT_B.zlt");
    EXPECT_EQ(r.GetKatastrInfo(606001)->GetSourcePath(), "F:\\shp");

    // The same file in another letter case: nothing is deleted.
    ASSERT_TRUE(touch(dir.filePath("KAT_B.zlt")));
    r.AddKatastr("F:\\shp", "kat_b.ZLT", dir.path());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("KAT_B.zlt")));
    EXPECT_EQ(r.GetKatastrInfo(605999)->GetProjectName(), "kat_b.ZLT");

    // A missing older file is skipped; a new territory gets a new entry.
    auto* added = new TTopolAreaElement;
    added->FCislo = 700000;
    parcels->AddElement(added);
    r.AddKatastr("G:\\shp", "KAT_C.zlt", dir.path());
    EXPECT_EQ(r.GetKatastrs()->ElementsCount(), 3);
    EXPECT_EQ(r.GetKatastrInfo(700000)->GetProjectName(), "KAT_C.zlt");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("KAT_B.zlt"))); // "kat_b.ZLT" is not there by that name
}

TEST(ProjectRegistry, AddKatastrLeavesTheRegistryUnchangedWithoutData) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TZelto01Projects r;
    auto unchanged = [&](const char* what) {
        r.AddKatastr("E:\\shp", "KAT.zlt", dir.path());
        EXPECT_EQ(r.ElementsCount(), 0) << what;
    };
    {
        TWorld* previous = World;
        World = nullptr;
        unchanged("no world");
        World = previous;
    }
    WorldScope scope;
    unchanged("no object model");
    scope.data();
    unchanged("no PARCELY");
    TOwnerEntity* parcels = scope.parcels({});
    unchanged("PARCELY without children");
    parcels->AddElement(new TOwnerEntity);
    unchanged("no territory with a number");
}

// ---- the cadastral repository element -----------------------------------------------------------------

TEST(ProjectRegistry, WritingEmptyEmptiesWhateverTheValue) {
    for (bool value : {false, true}) {
        TZelto01KRElement kr;
        auto* parcels = new WatchedParcelModel;
        auto* territory = new Tgis_Katastr;
        parcels->AddElement(territory);
        kr.AddElement(new TOwnerEntity);
        kr.AddElement(parcels);
        EXPECT_FALSE(kr.GetEmpty());
        EXPECT_FALSE(kr.GetPropertyBooleanByName("Empty"));
        TDestructionWatch watch;
        watch.watch(parcels);
        watch.watch(territory);
        WatchedParcelModel::childrenAtDestruction = -1;
        kr.SetPropertyBooleanByName("Empty", value);
        EXPECT_TRUE(kr.GetEmpty()) << value;
        EXPECT_EQ(kr.ElementsCount(), 0);
        EXPECT_FALSE(watch.alive(parcels));
        EXPECT_FALSE(watch.alive(territory));
        EXPECT_EQ(WatchedParcelModel::childrenAtDestruction, 0) << "the parcel model is emptied first";
    }
    TZelto01KRElement empty;
    empty.SetEmpty(false);
    EXPECT_TRUE(empty.GetEmpty());
}

// ---- streams -----------------------------------------------------------------------------------------

class ProjectRegistryStream : public zelto::testing::StreamRoundTrip {};

TEST_F(ProjectRegistryStream, EveryClassRoundTrips) {
    auto root = std::make_unique<TOwnerEntity>();
    root->SetName("registr");

    auto* project = new TZeltoProject;
    project->SetName("projekt");
    project->SetAuthor(QString::fromUtf8("Jan Novák"));
    project->SetComment(QString::fromUtf8("poznámka"));
    root->AddElement(project);

    auto* lhp = new TZELTOLHCProject;
    lhp->SetName("LHP_1203_2015");
    lhp->SetAuthor("A");
    lhp->SetComment("DET");
    lhp->SetYear(2015);
    lhp->SetExternalParcelDirectory("E:\\kn");
    lhp->SetExternalDataDirectory("E:\\det");
    lhp->SetExportParcelDirectory("F:\\kn");
    lhp->SetExportDataDirectory("F:\\det");
    lhp->SetDataDirectory("D:\\data");
    lhp->SetSymbolsDirectory("D:\\sym");
    lhp->SetModified(true);
    lhp->SetLastModifyExported(true);
    root->AddElement(lhp);

    auto* registry = new TZelto01Projects;
    registry->SetName("projekty");
    TZelto01LHCInfo* lhc = registry->NewLHCInfo();
    lhc->SetLHCNumber(1203);
    lhc->SetLHCYear(2015);
    lhc->SetSourceTyp("DET");
    lhc->SetSourcePath("E:\\det");
    lhc->SetProjectName("LHP_1203_2015");
    lhc->SetContinual(true);
    lhc->SetUserDataSplitted(true);
    lhc->SetUserDataUUIDExists(true);
    lhc->SetDataProfileName("profil");
    TZelto01LHCInfo* yearZero = registry->NewLHCInfo();
    yearZero->SetLHCNumber(7);
    TZelto01KatastrInfo* ku = registry->NewKatastrInfo();
    ku->SetKatastrNumber(605999);
    ku->SetSourceTyp("SHP");
    ku->SetProjectName("KAT.zlt");
    root->AddElement(registry);

    auto* repository = new TZelto01KatastrRepository;
    repository->SetName("KN");
    repository->SetVisible(true);
    repository->SetByDoubleRect({-745000, -1043000, -744000, -1042000});
    auto* kr = new TZelto01KRElement;
    kr->SetName("605999");
    kr->SetNazev(QString::fromUtf8("Horní Lhota"));
    kr->AddElement(new Tgis_ParcelModel);
    repository->AddElement(kr);
    root->AddElement(repository);

    auto* layer = new TZelto01LayerInfo;
    layer->SetName("vrstva");
    layer->SetLHC(1203);
    layer->SetVisible(true);
    layer->SetDirectory("D:\\vrstvy");
    layer->SetDataExists(true);
    root->AddElement(layer);

    auto* userLayers = new TOwnerEntity;
    userLayers->SetName("USERLAYERS");
    auto* user = new TZelto01UserLayerInfo;
    user->SetName("Holiny");
    user->SetValue("A,L");
    user->SetModified(true);
    user->SetShared(true);
    user->SetRestriction(1);
    user->SetGroup(42);
    userLayers->AddElement(user);
    root->AddElement(userLayers);

    // The unregistered classes go through the writer's own registration.
    auto* projects = new TZeltoProjects;
    projects->AddElement(new TZeltoProject);
    root->AddElement(projects);
    auto* info = new TZelto01Info;
    info->SetSourceTyp("X");
    root->AddElement(info);

    std::unique_ptr<TElement> back = roundTrip(root.get());
    auto* r = zelto_cast<TOwnerEntity>(back.get());
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->ElementsCount(), 8);

    auto* lhpBack = zelto_cast<TZELTOLHCProject>(r->Get(1));
    ASSERT_NE(lhpBack, nullptr);
    EXPECT_EQ(lhpBack->GetDataFileName(), "D:\\data\\LHP_1203_2015.zlt");
    EXPECT_TRUE(lhpBack->GetLastChangesExported());
    EXPECT_FALSE(lhpBack->GetModified()); // kept in memory only

    // The registry comes back with its two lists, found again rather than created anew.
    auto* registryBack = zelto_cast<TZelto01Projects>(r->Get(2));
    ASSERT_NE(registryBack, nullptr);
    ASSERT_EQ(registryBack->ElementsCount(), 2);
    EXPECT_EQ(registryBack->GetLHCs(), registryBack->Get(0));
    EXPECT_EQ(registryBack->GetKatastrs(), registryBack->Get(1));
    EXPECT_EQ(registryBack->ElementsCount(), 2);
    TZelto01LHCInfo* lhcBack = registryBack->GetLHCInfo(1203, 2015, true);
    ASSERT_NE(lhcBack, nullptr);
    EXPECT_EQ(lhcBack->GetName(), "1203_2015");
    EXPECT_EQ(registryBack->GetLHCInfo(7, 2030)->GetName(), "7");
    EXPECT_EQ(registryBack->GetKatastrInfo(605999)->GetName(), "605999");

    auto* userBack = zelto_cast<TZelto01UserLayerInfo>(zelto_cast<TEntity>(r->Get(5))->Get(0));
    ASSERT_NE(userBack, nullptr);
    EXPECT_EQ(userBack->GetName(), "Holiny");
    EXPECT_EQ(userBack->FValue, "A,L");
    EXPECT_EQ(userBack->GetGroup(), 42);

    auto* krBack = zelto_cast<TZelto01KRElement>(zelto_cast<TEntity>(r->Get(3))->Get(0));
    ASSERT_NE(krBack, nullptr);
    EXPECT_FALSE(krBack->GetEmpty());
    EXPECT_EQ(krBack->GetNazev(), QString::fromUtf8("Horní Lhota"));
}
