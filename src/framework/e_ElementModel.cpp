#include "e_ElementModel.h"

#include "TextLocale.h"
#include "e_Class.h"

namespace zelto {

// ---- TPropertyModel ------------------------------------------------------------------------------

void TPropertyModel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TPropertyModel::FLinkOnly>("LinkOnly");
    b.field<&TPropertyModel::FAlias>("Alias");
    b.field<&TPropertyModel::FValue>("Value");
    b.readOnly<&TPropertyModel::GetLinks>("Links").stored(false);
    b.readOnly<&TPropertyModel::NoLinks>("NoLinks").stored(false);
    b.writeOnly<&TPropertyModel::SetNewSourceLink>("NewSourceLink").stored(false);
    b.writeOnly<&TPropertyModel::SetNewDestinationLink>("NewDestinationLink").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TPropertyModel, TOwnerEntity, "e_ElementModel")

TOwnerEntity* TPropertyModel::GetLinks() {
    return NamedChild<TOwnerEntity>(QStringLiteral("LINKS"));
}

bool TPropertyModel::NoLinks() const {
    auto* links = FindNamedChild<TOwnerEntity>(QStringLiteral("LINKS"));
    return !links || links->ElementsCount() == 0;
}

void TPropertyModel::SetNewSourceLink(TElement* element) {
    auto* link = new TSourceModelLink;
    GetLinks()->AddElement(link);
    link->LinkTo(element);
}

void TPropertyModel::SetNewDestinationLink(TElement* element) {
    auto* link = new TDestinationModelLink;
    GetLinks()->AddElement(link);
    link->LinkTo(element);
}

void TPropertyModel::ExecuteLinks() {
    if (NoLinks()) return;
    TOwnerEntity* links = GetLinks();
    for (int i = 0; i < links->ElementsCount(); ++i)
        if (auto* link = zelto_cast<TModelLink>(links->Get(i))) link->Link();
}

// ---- TModelProperties ----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TModelProperties, TOwnerEntity, "e_ElementModel")

TPropertyModel* TModelProperties::FindOrCreateModel(const QString& name) {
    if (auto* m = zelto_cast<TPropertyModel>(FindElementName(name))) return m;
    auto* m = new TPropertyModel;
    m->SetName(name);
    AddElement(m);
    return m;
}

bool TModelProperties::HasPropertyByName(const QString& name) const {
    return TOwnerEntity::HasPropertyByName(name) || FindElementName(name) != nullptr;
}

QString TModelProperties::GetPropertyStringByName(const QString& name) const {
    auto* self = const_cast<TModelProperties*>(this);
    return QString::number(objectToNumber(self->FindOrCreateModel(name)));
}

void TModelProperties::SetPropertyStringByName(const QString& name, const QString& value) {
    FindOrCreateModel(name)->FValue = value;
}

// ---- TElementModel -------------------------------------------------------------------------------

void TElementModel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TElementModel::FImageIndex>("ImageIndex");
    b.field<&TElementModel::FElementClassName>("ElementClassName");
    b.field<&TElementModel::FComment>("Comment");
    b.field<&TElementModel::FAttachToPropertyName>("AttachToPropertyName");
    b.readOnly<&TElementModel::GetModelElements>("ModelElements").stored(false);
    b.readOnly<&TElementModel::GetModelProperties>("ModelProperties").stored(false);
    b.readOnly<&TElementModel::GetImages>("Images").stored(false);
    b.readOnly<&TElementModel::NoModelElements>("NoModelElements").stored(false);
    b.readOnly<&TElementModel::NoModelProperties>("NoModelProperties").stored(false);
    b.readOnly<&TElementModel::NoImages>("NoImages").stored(false);
    b.writeOnly<&TElementModel::SetNewElementName>("NewElementName").stored(false);
    b.writeOnly<&TElementModel::SetNewPropertyName>("NewPropertyName").stored(false);
    b.writeOnly<&TElementModel::SetNewImage>("NewImage").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TElementModel, TPropertyModel, "e_ElementModel")

TOwnerEntity* TElementModel::GetModelElements() {
    return NamedChild<TOwnerEntity>(QStringLiteral("ELEMENTS"));
}

TModelProperties* TElementModel::GetModelProperties() {
    return NamedChild<TModelProperties>(QStringLiteral("PROPERTIES"));
}

TStringListElement* TElementModel::GetImages() {
    return NamedChild<TStringListElement>(QStringLiteral("IMAGES"));
}

bool TElementModel::NoModelElements() const {
    auto* e = FindNamedChild<TOwnerEntity>(QStringLiteral("ELEMENTS"));
    return !e || e->ElementsCount() == 0;
}

bool TElementModel::NoModelProperties() const {
    auto* e = FindNamedChild<TOwnerEntity>(QStringLiteral("PROPERTIES"));
    return !e || e->ElementsCount() == 0;
}

bool TElementModel::NoImages() const {
    auto* e = FindNamedChild<TOwnerEntity>(QStringLiteral("IMAGES"));
    return !e || e->ElementsCount() == 0;
}

void TElementModel::SetNewElementName(const QString& name) {
    auto* m = new TElementModel;
    m->SetName(name);
    GetModelElements()->AddElement(m);
}

void TElementModel::SetNewPropertyName(const QString& name) {
    GetModelProperties()->FindOrCreateModel(name);
}

void TElementModel::SetNewImage(const QString& text) {
    GetImages()->AddString(text);
}

// ---- links ---------------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TModelLink, TOwnerEntity, "e_ElementModel")

void TModelLink::LinkTo(TElement* element) {
    FreeAll();
    if (element) AddElement(element);
}

TElement* TModelLink::GetLinked() const {
    return FElements.count() > 0 ? FElements.at(0) : nullptr;
}

TPropertyModel* TModelLink::nearestPropertyModel() const {
    for (int i = 0; i < GetOwnersCount(); ++i)
        if (TEntity* o = GetOwnerEntity(i))
            if (TElement* m = o->FindClassInOwners(TPropertyModel::StaticClass()))
                return static_cast<TPropertyModel*>(m);
    return nullptr;
}

TElement* TModelLink::GetSource() const {
    return nullptr;
}
TElement* TModelLink::GetDestination() const {
    return nullptr;
}

namespace {

bool isModelSide(const TElement* e) {
    return e && (&e->ClassType() == &TPropertyModel::StaticClass() || e->Is<TElementModel>());
}

// The element that a model side stands for.
TElement* instanceOf(TElement* side) {
    if (auto* em = zelto_cast<TElementModel>(side)) {
        for (int i = 0; i < em->GetOwnersCount(); ++i) {
            TEntity* o = em->GetOwnerEntity(i);
            if (o && sameText(o->GetName(), em->GetName()) && sameText(o->ClassName(), em->FElementClassName))
                return o;
        }
        return nullptr;
    }
    // A property model: the instance of the nearest element model among its owners.
    for (int i = 0; i < side->GetOwnersCount(); ++i)
        if (TEntity* o = side->GetOwnerEntity(i))
            if (TElement* em = o->FindClassInOwners(TElementModel::StaticClass())) return instanceOf(em);
    return nullptr;
}

} // namespace

void TModelLink::Link() {
    TElement* source = GetSource();
    TElement* destination = GetDestination();
    if (!isModelSide(source) || !isModelSide(destination)) return;
    TElement* from = instanceOf(source);
    TElement* to = instanceOf(destination);
    if (!from || !to) return;
    if (destination->Is<TElementModel>()) {
        auto* entity = zelto_cast<TEntity>(to);
        if (entity && entity->IndexOf(from) < 0) entity->AddElement(from);
        return;
    }
    const QString text = source->Is<TElementModel>() ? QString::number(objectToNumber(from))
                                                     : from->GetPropertyStringByName(source->GetName());
    to->SetPropertyStringByName(destination->GetName(), text);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSourceModelLink, TModelLink, "e_ElementModel")
TElement* TSourceModelLink::GetSource() const {
    return GetLinked();
}
TElement* TSourceModelLink::GetDestination() const {
    return nearestPropertyModel();
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDestinationModelLink, TModelLink, "e_ElementModel")
TElement* TDestinationModelLink::GetSource() const {
    return nearestPropertyModel();
}
TElement* TDestinationModelLink::GetDestination() const {
    return GetLinked();
}

void registerElementModelClasses() {
    for (const TClassInfo* c :
         {&TModelLink::StaticClass(), &TSourceModelLink::StaticClass(), &TDestinationModelLink::StaticClass(),
          &TPropertyModel::StaticClass(), &TModelProperties::StaticClass(), &TElementModel::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
