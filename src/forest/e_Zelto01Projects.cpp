#include "e_Zelto01Projects.h"

#include "e_LHCModel.h"
#include "e_ParcelModel.h"
#include "framework/TextLocale.h"
#include "framework/U_String.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"

#include <QFile>
#include <QFileInfo>

namespace zelto {

namespace {

// The element `name` of the element "DATA" of the world's object model, when it is an entity.
// Nothing is created on the way (the world's object model is only looked at).
TEntity* currentData(const QString& name) {
    if (!World || !World->FObjectModel) return nullptr;
    auto* data = zelto_cast<TEntity>(World->FObjectModel->GetElement(QStringLiteral("DATA")));
    return data ? zelto_cast<TEntity>(data->GetElement(name)) : nullptr;
}

} // namespace

// ---- entries ---------------------------------------------------------------------------------------

void TZelto01Info::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZelto01Info::GetSourceTyp, &TZelto01Info::SetSourceTyp>("SourceTyp");
    b.prop<&TZelto01Info::GetSourcePath, &TZelto01Info::SetSourcePath>("SourcePath");
    b.prop<&TZelto01Info::GetProjectName, &TZelto01Info::SetProjectName>("ProjectName");
}
ZELTO_IMPLEMENT_CLASS(TZelto01Info, TOwnerEntity, "e_Zelto01Projects")

void TZelto01LHCInfo::DeclareProperties(TPropTableBuilder& b) {
    using I = TZelto01LHCInfo;
    b.prop<&I::GetLHCNumber, &I::SetLHCNumber>("LHCNumber");
    b.prop<&I::GetLHCYear, &I::SetLHCYear>("LHCYear");
    b.prop<&I::GetContinual, &I::SetContinual>("Continual");
    b.prop<&I::GetUserDataSplitted, &I::SetUserDataSplitted>("UserDataSplitted");
    b.prop<&I::GetUserDataUUIDExists, &I::SetUserDataUUIDExists>("UserDataUUIDExists");
    b.prop<&I::GetDataProfileName, &I::SetDataProfileName>("DataProfileName");
}
ZELTO_IMPLEMENT_CLASS(TZelto01LHCInfo, TZelto01Info, "e_Zelto01Projects")

void TZelto01LHCInfo::SetLHCNumber(qint32 v) {
    FLHCNumber = v;
    rename();
}

void TZelto01LHCInfo::SetLHCYear(qint32 v) {
    FLHCYear = v;
    rename();
}

void TZelto01LHCInfo::rename() {
    SetName(FLHCYear <= 0 ? QString::number(FLHCNumber)
                          : QString::number(FLHCNumber) + QLatin1Char('_') + QString::number(FLHCYear));
}

void TZelto01KatastrInfo::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZelto01KatastrInfo::GetKatastrNumber, &TZelto01KatastrInfo::SetKatastrNumber>("KatastrNumber");
}
ZELTO_IMPLEMENT_CLASS(TZelto01KatastrInfo, TZelto01Info, "e_Zelto01Projects")

void TZelto01KatastrInfo::SetKatastrNumber(qint32 v) {
    FKatastrNumber = v;
    SetName(QString::number(v));
}

// ---- the two lists ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TZelto01LHCEntity, TOwnerEntity, "e_Zelto01Projects")

TZelto01LHCInfo* TZelto01LHCEntity::GetLHCInfo(qint32 aLHC, qint32 aRok) const {
    return GetLHCInfo(aLHC, aRok, false);
}

TZelto01LHCInfo* TZelto01LHCEntity::GetLHCInfo(qint32 aLHC, qint32 aRok, bool aStrict) const {
    TZelto01LHCInfo* yearZero = nullptr;
    for (TElement* e : FElements) {
        auto* info = zelto_cast<TZelto01LHCInfo>(e);
        if (!info || info->FLHCNumber != aLHC) continue;
        if (aStrict) {
            if (info->FLHCYear == aRok) return info;
            continue;
        }
        if (aRok == 0 || info->FLHCYear == aRok) return info;
        if (info->FLHCYear == 0) yearZero = info;
    }
    return aStrict ? nullptr : yearZero;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TZelto01KatastrEntity, TOwnerEntity, "e_Zelto01Projects")

TZelto01KatastrInfo* TZelto01KatastrEntity::GetKatastrInfo(qint32 aKatastr) const {
    for (TElement* e : FElements)
        if (auto* info = zelto_cast<TZelto01KatastrInfo>(e); info && info->FKatastrNumber == aKatastr)
            return info;
    return nullptr;
}

// ---- the registry ----------------------------------------------------------------------------------

void TZelto01Projects::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TZelto01Projects::GetLHCs>("LHCs").stored(false);
    b.readOnly<&TZelto01Projects::GetKatastrs>("Katastrs").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TZelto01Projects, TOwnerEntity, "e_Zelto01Projects")

TZelto01LHCEntity* TZelto01Projects::GetLHCs() {
    if (auto* found = zelto_cast<TZelto01LHCEntity>(FindElementClass(TZelto01LHCEntity::StaticClass())))
        return found;
    auto* created = new TZelto01LHCEntity;
    AddElement(created);
    return created;
}

TZelto01KatastrEntity* TZelto01Projects::GetKatastrs() {
    if (auto* found =
            zelto_cast<TZelto01KatastrEntity>(FindElementClass(TZelto01KatastrEntity::StaticClass())))
        return found;
    auto* created = new TZelto01KatastrEntity;
    AddElement(created);
    return created;
}

TZelto01LHCInfo* TZelto01Projects::NewLHCInfo() {
    auto* info = new TZelto01LHCInfo;
    GetLHCs()->AddElement(info);
    return info;
}

TZelto01KatastrInfo* TZelto01Projects::NewKatastrInfo() {
    auto* info = new TZelto01KatastrInfo;
    GetKatastrs()->AddElement(info);
    return info;
}

TZelto01LHCInfo* TZelto01Projects::GetLHCInfo(qint32 aLHC, qint32 aRok) {
    return GetLHCs()->GetLHCInfo(aLHC, aRok);
}

TZelto01LHCInfo* TZelto01Projects::GetLHCInfo(qint32 aLHC, qint32 aRok, bool aStrict) {
    return GetLHCs()->GetLHCInfo(aLHC, aRok, aStrict);
}

TZelto01KatastrInfo* TZelto01Projects::GetKatastrInfo(qint32 aKatastr) {
    return GetKatastrs()->GetKatastrInfo(aKatastr);
}

void TZelto01Projects::AddProject(TZELTOLHCProject* aProject, QString& OldSameProjectName,
                                  bool UsrDataSplitted, const QString& ProfileName) {
    OldSameProjectName.clear();
    // The plan area is looked up first: without it the registry and the project stay as they are.
    TEntity* lhcs = currentData(QStringLiteral("LHC"));
    auto* area = lhcs ? zelto_cast<Tgis_LHC>(lhcs->FindElementClass(Tgis_LHC::StaticClass())) : nullptr;
    if (!aProject || !area) return;

    TZelto01LHCInfo* entry = NewLHCInfo();
    entry->SetLHCNumber(area->GetCislo());
    aProject->SetName(QLatin1String("LHP_") + area->GetName() + QLatin1Char('_') +
                      QString::number(area->FROK));
    aProject->SetYear(area->FROK);
    entry->SetSourceTyp(aProject->GetComment());
    entry->SetSourcePath(aProject->GetExternalDataDirectory());
    entry->SetProjectName(aProject->GetName());
    entry->SetLHCYear(aProject->GetYear());
    entry->SetUserDataSplitted(UsrDataSplitted);
    entry->SetUserDataUUIDExists(true);
    entry->SetDataProfileName(ProfileName);

    // The new entry matches exactly and stands last, so an entry found before it is an older one
    // of the same area and year.
    TZelto01LHCInfo* older = GetLHCInfo(area->GetCislo(), area->FROK);
    if (older && older != entry) delete older; // leaves the list on its destruction
}

void TZelto01Projects::AddKatastr(const QString& SourcePath, const QString& ZLTFile,
                                  const QString& ProjectDirectory) {
    TEntity* parcels = currentData(QStringLiteral("PARCELY"));
    if (!parcels || parcels->ElementsCount() == 0) return;
    for (TElement* territory : parcels->FElements) {
        qint32 number = 0;
        if (!territory || !territory->HasPropertyByName(QStringLiteral("Cislo")) ||
            !tryParseInt32(territory->GetPropertyStringByName(QStringLiteral("Cislo")).trimmed(), number))
            continue;
        TZelto01KatastrInfo* entry = GetKatastrInfo(number);
        if (!entry) {
            entry = NewKatastrInfo();
        } else if (!sameText(entry->FProjectName, ZLTFile) && !entry->FProjectName.isEmpty()) {
            const QString older =
                LocalFileName(GetAbsolutePath(JoinProjectPath(ProjectDirectory, entry->FProjectName)));
            if (QFileInfo(older).isFile()) QFile::remove(older);
        }
        entry->SetKatastrNumber(number);
        entry->SetSourceTyp(QStringLiteral("SHP"));
        entry->SetSourcePath(SourcePath);
        entry->SetProjectName(ZLTFile);
    }
}

// ---- repository, layers, user layers ---------------------------------------------------------------

void TZelto01KatastrRepository::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZelto01KatastrRepository::GetVisible, &TZelto01KatastrRepository::SetVisible>("Visible");
}
ZELTO_IMPLEMENT_CLASS(TZelto01KatastrRepository, TRectEntity, "e_Zelto01Projects")

void TZelto01KRElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZelto01KRElement::GetNazev, &TZelto01KRElement::SetNazev>("Nazev");
    b.prop<&TZelto01KRElement::GetEmpty, &TZelto01KRElement::SetEmpty>("Empty").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TZelto01KRElement, TRectEntity, "e_Zelto01Projects")

bool TZelto01KRElement::GetEmpty() const {
    return ElementsCount() == 0;
}

void TZelto01KRElement::SetEmpty(bool) {
    if (auto* parcels = zelto_cast<Tgis_ParcelModel>(FindElementClass(Tgis_ParcelModel::StaticClass())))
        parcels->HardFreeAll();
    HardFreeAll();
}

void TZelto01LayerInfo::DeclareProperties(TPropTableBuilder& b) {
    using L = TZelto01LayerInfo;
    b.prop<&L::GetLHC, &L::SetLHC>("LHC");
    b.prop<&L::GetVisible, &L::SetVisible>("Visible");
    b.prop<&L::GetDirectory, &L::SetDirectory>("Directory");
    b.prop<&L::GetDataExists, &L::SetDataExists>("DataExists");
}
ZELTO_IMPLEMENT_CLASS(TZelto01LayerInfo, TOwnerEntity, "e_Zelto01Projects")

void TZelto01UserLayerInfo::DeclareProperties(TPropTableBuilder& b) {
    using U = TZelto01UserLayerInfo;
    b.prop<&U::GetModified, &U::SetModified>("Modified");
    b.prop<&U::GetShared, &U::SetShared>("Shared");
    b.prop<&U::GetRestriction, &U::SetRestriction>("Restriction");
    b.prop<&U::GetGroup, &U::SetGroup>("Group");
}
ZELTO_IMPLEMENT_CLASS(TZelto01UserLayerInfo, TStringEntity, "e_Zelto01Projects")

void registerProjectRegistryClasses() {
    for (const TClassInfo* c : {&TZelto01UserLayerInfo::StaticClass(), &TZelto01LHCInfo::StaticClass(),
                                &TZelto01KatastrInfo::StaticClass(), &TZelto01LHCEntity::StaticClass(),
                                &TZelto01KatastrEntity::StaticClass(), &TZelto01Projects::StaticClass(),
                                &TZelto01KatastrRepository::StaticClass(), &TZelto01KRElement::StaticClass(),
                                &TZelto01LayerInfo::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
