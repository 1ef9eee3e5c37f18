// The registry of projects (TZelto01Projects): per forest plan area and year, and per cadastral
// territory, where the data came from and which project file holds them; and small entries for
// layers and user layers. The registry keeps its two lists as ordinary children, created on
// first use: a TZelto01LHCEntity of TZelto01LHCInfo entries and a TZelto01KatastrEntity of
// TZelto01KatastrInfo entries. An entry is named after its key ("1203_2015", "1203", "605")
// whenever the key is set.
#pragma once

#include "e_LHCProject.h"
#include "geometry/G_Elems.h"

namespace zelto {

// Where the data of an entry came from and the project that holds them.
class TZelto01Info : public TOwnerEntity {
    ZELTO_CLASS(TZelto01Info, TOwnerEntity)
public:
    QString FSourceTyp;
    QString FSourcePath;
    QString FProjectName;

    QString GetSourceTyp() const { return FSourceTyp; }
    void SetSourceTyp(const QString& v) { FSourceTyp = v; }
    QString GetSourcePath() const { return FSourcePath; }
    void SetSourcePath(const QString& v) { FSourcePath = v; }
    QString GetProjectName() const { return FProjectName; }
    void SetProjectName(const QString& v) { FProjectName = v; }
};

// One forest plan area and year.
class TZelto01LHCInfo : public TZelto01Info {
    ZELTO_CLASS(TZelto01LHCInfo, TZelto01Info)
public:
    qint32 FLHCNumber = 0;
    qint32 FLHCYear = 0;
    bool FContinual = false;
    bool FUserDataSplitted = false;
    bool FUserDataUUIDExists = false;
    QString FDataProfileName;

    // Both store the value and rename the entry: the decimal number, followed by "_" and the
    // decimal year when the year is above 0.
    void SetLHCNumber(qint32 v);
    void SetLHCYear(qint32 v);

    qint32 GetLHCNumber() const { return FLHCNumber; }
    qint32 GetLHCYear() const { return FLHCYear; }
    bool GetContinual() const { return FContinual; }
    void SetContinual(bool v) { FContinual = v; }
    bool GetUserDataSplitted() const { return FUserDataSplitted; }
    void SetUserDataSplitted(bool v) { FUserDataSplitted = v; }
    bool GetUserDataUUIDExists() const { return FUserDataUUIDExists; }
    void SetUserDataUUIDExists(bool v) { FUserDataUUIDExists = v; }
    QString GetDataProfileName() const { return FDataProfileName; }
    void SetDataProfileName(const QString& v) { FDataProfileName = v; }

private:
    void rename();
};

// One cadastral territory.
class TZelto01KatastrInfo : public TZelto01Info {
    ZELTO_CLASS(TZelto01KatastrInfo, TZelto01Info)
public:
    qint32 FKatastrNumber = 0;

    // Stores the value and names the entry with the decimal number.
    void SetKatastrNumber(qint32 v);
    qint32 GetKatastrNumber() const { return FKatastrNumber; }
};

// The forest plan area entries of a registry.
class TZelto01LHCEntity : public TOwnerEntity {
    ZELTO_CLASS(TZelto01LHCEntity, TOwnerEntity)
public:
    // GetLHCInfo(aLHC, aRok, false).
    TZelto01LHCInfo* GetLHCInfo(qint32 aLHC, qint32 aRok) const;
    // Among the entries numbered aLHC, in order: strict, the first of year aRok; not strict, the
    // first of year aRok (any year when aRok is 0), else the last one of year 0. None otherwise.
    TZelto01LHCInfo* GetLHCInfo(qint32 aLHC, qint32 aRok, bool aStrict) const;
};

// The cadastral territory entries of a registry.
class TZelto01KatastrEntity : public TOwnerEntity {
    ZELTO_CLASS(TZelto01KatastrEntity, TOwnerEntity)
public:
    // The first entry numbered aKatastr, or none.
    TZelto01KatastrInfo* GetKatastrInfo(qint32 aKatastr) const;
};

// The registry.
class TZelto01Projects : public TOwnerEntity {
    ZELTO_CLASS(TZelto01Projects, TOwnerEntity)
public:
    // The first child of that class; a new one is appended when there is none.
    TZelto01LHCEntity* GetLHCs();
    TZelto01KatastrEntity* GetKatastrs();
    // A new entry appended to GetLHCs() / GetKatastrs().
    TZelto01LHCInfo* NewLHCInfo();
    TZelto01KatastrInfo* NewKatastrInfo();
    TZelto01LHCInfo* GetLHCInfo(qint32 aLHC, qint32 aRok);
    TZelto01LHCInfo* GetLHCInfo(qint32 aLHC, qint32 aRok, bool aStrict);
    TZelto01KatastrInfo* GetKatastrInfo(qint32 aKatastr);

    // Registers the forest project of the current data: the first Tgis_LHC of the element "LHC" of
    // the element "DATA" of the world's object model. The project is renamed "LHP_" + the plan
    // area's name + "_" + its year and takes the year; a new entry describes it, and an older entry
    // of the same area and year is destroyed. Without a project or without that plan area, nothing
    // changes. OldSameProjectName is always answered empty.
    void AddProject(TZELTOLHCProject* aProject, QString& OldSameProjectName, bool UsrDataSplitted,
                    const QString& ProfileName);
    // Registers every cadastral territory of the element "PARCELY" of the element "DATA" of the
    // world's object model (children with a "Cislo" property; others are skipped) under the project
    // file ZLTFile. A territory registered under another file (compared ignoring case) has that
    // file, in ProjectDirectory, deleted when it exists. Without that data nothing changes.
    void AddKatastr(const QString& SourcePath, const QString& ZLTFile, const QString& ProjectDirectory);
};

class TZelto01KatastrRepository : public TRectEntity {
    ZELTO_CLASS(TZelto01KatastrRepository, TRectEntity)
public:
    bool FVisible = false;
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
};

class TZelto01KRElement : public TRectEntity {
    ZELTO_CLASS(TZelto01KRElement, TRectEntity)
public:
    QString FNazev;

    QString GetNazev() const { return FNazev; }
    void SetNazev(const QString& v) { FNazev = v; }
    // Whether the element has no children.
    bool GetEmpty() const;
    // Whatever the value: empties a Tgis_ParcelModel child (HardFreeAll), then the element itself.
    void SetEmpty(bool value);
};

class TZelto01LayerInfo : public TOwnerEntity {
    ZELTO_CLASS(TZelto01LayerInfo, TOwnerEntity)
public:
    qint32 FLHC = 0;
    bool FVisible = false;
    QString FDirectory;
    bool FDataExists = false;

    qint32 GetLHC() const { return FLHC; }
    void SetLHC(qint32 v) { FLHC = v; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    QString GetDirectory() const { return FDirectory; }
    void SetDirectory(const QString& v) { FDirectory = v; }
    bool GetDataExists() const { return FDataExists; }
    void SetDataExists(bool v) { FDataExists = v; }
};

// One user-layer definition (the map application's user layers): the name and the string Value
// of TStringEntity, then Modified, Shared, Restriction and Group.
class TZelto01UserLayerInfo : public TStringEntity {
    ZELTO_CLASS(TZelto01UserLayerInfo, TStringEntity)
public:
    bool FModified = false;
    bool FShared = false;
    qint32 FRestriction = 0;
    qint32 FGroup = 0;

    bool GetModified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    bool GetShared() const { return FShared; }
    void SetShared(bool v) { FShared = v; }
    qint32 GetRestriction() const { return FRestriction; }
    void SetRestriction(qint32 v) { FRestriction = v; }
    qint32 GetGroup() const { return FGroup; }
    void SetGroup(qint32 v) { FGroup = v; }
};

// Module 51 "project registry": TZelto01UserLayerInfo, TZelto01LHCInfo, TZelto01KatastrInfo,
// TZelto01LHCEntity, TZelto01KatastrEntity, TZelto01Projects, TZelto01KatastrRepository,
// TZelto01KRElement, TZelto01LayerInfo.
void registerProjectRegistryClasses();

} // namespace zelto
