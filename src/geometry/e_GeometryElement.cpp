#include "e_GeometryElement.h"

#include "framework/TextLocale.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "framework/e_Props.h"
#include "framework/e_Sort.h"

namespace zelto {

namespace {

const QString GeometryName = QStringLiteral("GEOMETRY");

// The cached child if it still is a child of that class, else the first child of the class.
template <class T> T* cachedChild(const TEntity& self, T*& cache) {
    // Nearly always the cached child is the first one: that is answered without a list search.
    if (cache && self.FElements.count() > 0 && self.FElements.at(0) == cache && cache->template Is<T>())
        return cache;
    if (cache && self.IndexOf(cache) >= 0 && cache->template Is<T>()) return cache;
    cache = nullptr;
    for (TElement* e : self.FElements)
        if (e && e->Is<T>()) return cache = static_cast<T*>(e);
    return nullptr;
}

} // namespace

// ---- TGeometryElement ----------------------------------------------------------------------------

void TGeometryElement::DeclareProperties(TPropTableBuilder& b) {
    // The own rectangle and reference point are stored only while there is no geometry.
    b.prop<&TRectEntity::GetMinX, &TRectEntity::StoredSetMinX>("MinX")
        .storedBy<&TGeometryElement::GetNoGeometry>();
    b.prop<&TRectEntity::GetMinY, &TRectEntity::StoredSetMinY>("MinY")
        .storedBy<&TGeometryElement::GetNoGeometry>();
    b.prop<&TRectEntity::GetWidth, &TRectEntity::StoredSetWidth>("Width")
        .storedBy<&TGeometryElement::GetNoGeometry>();
    b.prop<&TRectEntity::GetHeight, &TRectEntity::StoredSetHeight>("Height")
        .storedBy<&TGeometryElement::GetNoGeometry>();
    b.prop<&TRectEntity::GetRefX, &TRectEntity::StoredSetAbsRefX>("AbsRefX")
        .storedBy<&TGeometryElement::GetNoGeometry>();
    b.prop<&TRectEntity::GetRefY, &TRectEntity::StoredSetAbsRefY>("AbsRefY")
        .storedBy<&TGeometryElement::GetNoGeometry>();

    b.field<&TGeometryElement::FUUID>("UUID");
    b.field<&TGeometryElement::FTimeStamp>("TimeStamp");
    b.readOnly<&TGeometryElement::GetTimeStampString>("TimeStampString").stored(false);
    b.field<&TGeometryElement::FUID>("UID");
    b.writeOnly<&TGeometryElement::SetNewUUID>("NewUUID").stored(false);
    b.readOnly<&TGeometryElement::GetSpaceID>("SpaceID").stored(false);
    b.prop<&TGeometryElement::GetGroup, &TGeometryElement::SetGroup>("Group").stored(false);
    b.prop<&TGeometryElement::GetGeometry, &TGeometryElement::SetGeometry>("Geometry").stored(false);
    b.writeOnly<&TGeometryElement::AddGeometry>("NextGeometry").stored(false);
    b.readOnly<&TGeometryElement::GetNoGeometry>("NoGeometry").stored(false);
    b.readOnly<&TGeometryElement::GetMultiElement>("MultiElement").stored(false);
    b.prop<&TGeometryElement::GetAngle, &TGeometryElement::SetAngle>("Angle").stored(false);
    b.readOnly<&TGeometryElement::GetGIndex>("GIndex").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TGeometryElement, TRectEntity, "e_GeometryElement")

TGeometry* TGeometryElement::GetGeometry() const {
    return cachedChild(*this, m_geometry);
}

qint32 TGeometryElement::GetSpaceID() const {
    return -1;
}
qint32 TGeometryElement::GetGroup() const {
    return -1;
}
void TGeometryElement::SetGroup(qint32) {}
bool TGeometryElement::GetMultiElement() const {
    return false;
}
const TClassInfo* TGeometryElement::GetMultiElementClass() const {
    return nullptr;
}
void TGeometryElement::AfterCopy(TGeometryElement*) {}

double TGeometryElement::GetAngle() const {
    const TGeometry* g = GetGeometry();
    return g ? g->FAngle : 0;
}
void TGeometryElement::SetAngle(double angle) {
    if (TGeometry* g = GetGeometry()) g->FAngle = angle;
}
qint32 TGeometryElement::GetGIndex() const {
    const TGeometry* g = GetGeometry();
    return g ? g->FGIndex : 0;
}

void TGeometryElement::SetGeometry(TGeometry* geometry) {
    TGeometry* current = GetGeometry();
    // Setting the geometry the element already has changes nothing (freeing it first would
    // destroy it), and the element cannot be its own geometry's descendant.
    if (geometry && geometry == current) return;
    if (geometry && static_cast<TElement*>(geometry) == static_cast<TElement*>(this)) return;
    if (current) {
        m_geometry = nullptr;
        FreeElement(current);
    }
    if (!geometry) return;
    TRectEntity::SetRect(nullptr);
    TRectEntity::SetRefCoordinate(nullptr);
    m_geometry = geometry;
    if (IndexOf(geometry) < 0) AddElement(geometry);
    if (IndexOf(geometry) < 0) m_geometry = nullptr; // refused (held by another container)
}

void TGeometryElement::AddGeometry(TGeometry* geometry) {
    TGeometry* current = GetGeometry();
    if (!current || !GetMultiElement()) {
        SetGeometry(geometry);
        return;
    }
    if (!geometry || geometry == current) return;
    const TClassInfo* multi = GetMultiElementClass();
    if (!multi) {
        SetGeometry(geometry);
        return;
    }
    if (!current->ClassType().inheritsFrom(*multi)) {
        TPersistent* created = multi->create();
        auto* gathered = zelto_cast<TGeometry>(created);
        if (!gathered) {
            delete created;
            return;
        }
        gathered->AddAndUpdateRect(current);
        gathered->SetAbsRefX(current->GetRefX());
        gathered->SetAbsRefY(current->GetRefY());
        SetGeometry(gathered);
        current = gathered;
    }
    if (geometry->ClassType().inheritsFrom(*multi)) {
        // The pieces join the geometry; the container that brought them is not kept.
        QList<TElement*> pieces;
        for (TElement* piece : geometry->FElements) pieces << piece;
        for (TElement* piece : pieces)
            if (piece && piece != current) current->AddElement(piece);
        if (geometry->NoOwners()) delete geometry;
    } else {
        current->AddElement(geometry);
    }
    current->ResetAndUpdate();
    Update();
}

TGeometry* TGeometryElement::GetSimpleGeometryByXY(double x, double y, double tolerance) {
    TGeometry* g = GetGeometry();
    return g ? g->GetSimpleGeometryByXY(x, y, tolerance) : nullptr;
}

void TGeometryElement::HandleMessage(TZeltoMessage& message, bool& handled) {
    TRectEntity::HandleMessage(message, handled);
    if (!handled && message.FMessage == tm_DivideGeometry) on_tm_DivideGeometry(message);
}

void TGeometryElement::on_tm_DivideGeometry(TZeltoMessage& message) {
    TGeometry* g = GetGeometry();
    auto* piece = zelto_cast<TGeometry>(message.FData);
    if (!g || message.FSender != g || !piece || piece == g) return;
    auto* copy = zelto_cast<TGeometryElement>(CreateElementCopy(this));
    if (!copy) return;
    copy->SetGeometry(piece);
    AfterCopy(copy);
    PostMsgToOwners(tm_DivideGeometry, copy, false);
    // Delivery is synchronous: a copy that no owner took would be lost, and with it the piece.
    if (copy->NoOwners()) delete copy;
}

void TGeometryElement::RemoveElement(TElement* element) {
    if (element && element == m_geometry) m_geometry = nullptr;
    TRectEntity::RemoveElement(element);
}

TElement* TGeometryElement::FindElementName(const QString& name) const {
    if (name.compare(GeometryName, Qt::CaseInsensitive) == 0) return GetGeometry();
    return TRectEntity::FindElementName(name);
}

TRectangle* TGeometryElement::GetRect() const {
    if (const TGeometry* g = GetGeometry()) return g->GetRect();
    return TRectEntity::GetRect();
}

void TGeometryElement::SetRect(TRectangle* rect) {
    if (TGeometry* g = GetGeometry())
        g->SetRect(rect);
    else
        TRectEntity::SetRect(rect);
}

T2DCoordinate* TGeometryElement::GetRefCoordinate() const {
    if (const TGeometry* g = GetGeometry()) return g->GetRefCoordinate();
    return TRectEntity::GetRefCoordinate();
}

void TGeometryElement::SetRefCoordinate(TCoordinate* ref) {
    if (TGeometry* g = GetGeometry())
        g->SetRefCoordinate(ref);
    else
        TRectEntity::SetRefCoordinate(ref);
}

bool TGeometryElement::IsOverRegionEx(double minX, double minY, double maxX, double maxY) const {
    if (const TGeometry* g = GetGeometry()) return g->IsOverRegionEx(minX, minY, maxX, maxY);
    return TRectEntity::IsOverRegionEx(minX, minY, maxX, maxY);
}

bool TGeometryElement::IsHit(const TCoordinate* c, double tolerance) const {
    const TGeometry* g = GetGeometry();
    return g && g->IsHit(c, tolerance);
}

bool TGeometryElement::IsHitByXY(double x, double y, double tolerance) const {
    const TGeometry* g = GetGeometry();
    return g && g->IsHitByXY(x, y, tolerance);
}

void TGeometryElement::Update() {
    if (!GetGeometry()) TRectEntity::Update();
}

// ---- TPropertyGeometryElement --------------------------------------------------------------------

void TPropertyGeometryElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TPropertyGeometryElement::GetProperties, &TPropertyGeometryElement::SetProperties>("Properties")
        .stored(false);
}
ZELTO_IMPLEMENT_CLASS(TPropertyGeometryElement, TGeometryElement, "e_GeometryElement")

TProperties* TPropertyGeometryElement::GetProperties() const {
    return cachedChild(*this, m_properties);
}

void TPropertyGeometryElement::SetProperties(TProperties* properties) {
    TProperties* current = GetProperties();
    if (properties == current) return;
    if (properties && static_cast<TElement*>(properties) == static_cast<TElement*>(this)) return;
    ExchangeFieldElement(m_properties, properties);
    if (m_properties && IndexOf(m_properties) < 0) m_properties = nullptr;
}

void TPropertyGeometryElement::RemoveElement(TElement* element) {
    if (element && element == m_properties) m_properties = nullptr;
    TGeometryElement::RemoveElement(element);
}

bool TPropertyGeometryElement::hasOwnProperty(const QString& name) const {
    return ClassType().propertyIndex(name) >= 0;
}

bool TPropertyGeometryElement::HasPropertyByName(const QString& name) const {
    if (hasOwnProperty(name)) return true;
    const TProperties* p = GetProperties();
    return p && p->HasPropertyByName(name);
}

QString TPropertyGeometryElement::GetPropertyStringByName(const QString& name) const {
    QString own = TGeometryElement::GetPropertyStringByName(name);
    if (!own.isEmpty()) return own;
    const TProperties* p = GetProperties();
    return p ? p->GetPropertyStringByName(name) : own;
}

void TPropertyGeometryElement::SetPropertyStringByName(const QString& name, const QString& value) {
    if (hasOwnProperty(name)) {
        TGeometryElement::SetPropertyStringByName(name, value);
        return;
    }
    if (TProperties* p = GetProperties()) p->SetPropertyStringByName(name, value);
}

void TPropertyGeometryElement::AfterCopy(TGeometryElement* copy) {
    auto* target = zelto_cast<TPropertyGeometryElement>(copy);
    TProperties* own = GetProperties();
    if (!target || !own || target == this) return;
    TProperties* duplicate = nullptr;
    if (auto* dynamic = zelto_cast<TDynamicProperties>(own))
        duplicate = dynamic->MakeSelfCopy();
    else
        duplicate = zelto_cast<TProperties>(CreateElementCopy(own));
    if (duplicate) target->SetProperties(duplicate);
}

// ---- TGeometryElementRIP -------------------------------------------------------------------------

void TGeometryElementRIP::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TGeometryElementRIP::GetUUID, &TGeometryElementRIP::SetUUID>("UUID").stored(false);
    b.field<&TGeometryElementRIP::FUID>("UID");
    b.field<&TGeometryElementRIP::FTimeStamp>("TimeStamp");
    b.readOnly<&TGeometryElementRIP::GetTimeStampString>("TimeStampString").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TGeometryElementRIP, TOwnerElement, "e_GeometryElement")

// ---- deleted-object records ----------------------------------------------------------------------

TSortedEntity* TDeletedUUIDsHolder::GetOrCreate(TEntity* holder) {
    if (!m_deleted) {
        m_deleted = new TSortedEntity;
        m_deleted->AddOwner(holder);
    }
    return m_deleted;
}

void TDeletedUUIDsHolder::Replace(TEntity* holder, TElement* source) {
    auto* sorted = zelto_cast<TSortedEntity>(source);
    if (!sorted || sorted == m_deleted) return;
    TSortedEntity* list = GetOrCreate(holder);
    list->FreeAll();
    list->PAddAllFrom(sorted);
}

void TDeletedUUIDsHolder::Add(TEntity* holder, const QString& uuid) {
    if (uuid.isEmpty()) return;
    auto* record = new TGeometryElementRIP;
    record->SetName(uuid);
    record->FUID = World ? World->UID : QString();
    record->FTimeStamp = nowAsDateTime();
    GetOrCreate(holder)->AddElement(record);
}

void TDeletedUUIDsHolder::ResetIDs() {
    if (!m_deleted) return;
    m_deleted->ResetIDs();
    m_deleted->ID = -2;
}

void TDeletedUUIDsHolder::Release(TEntity* holder) {
    TSortedEntity* list = std::exchange(m_deleted, nullptr);
    if (!list) return;
    list->RemoveOwner(holder);
    if (list->NoOwners()) delete list;
}

// ---- TGeometryElementCollection ------------------------------------------------------------------

void TGeometryElementCollection::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TGeometryElementCollection::GetDeletedUUIDs, &TGeometryElementCollection::SetDeletedUUIDs>(
        "DeletedUUIDs");
    b.writeOnly<&TGeometryElementCollection::AddDeletedUUID>("NextDeletedUUID").stored(false);
    b.field<&TGeometryElementCollection::FColor>("Color");
    b.field<&TGeometryElementCollection::FUseColor>("UseColor");
    b.field<&TGeometryElementCollection::FSymbol>("Symbol");
    b.field<&TGeometryElementCollection::FUseSymbol>("UseSymbol");
}
ZELTO_IMPLEMENT_CLASS(TGeometryElementCollection, TRectEntity, "e_GeometryElement")

TGeometryElementCollection::~TGeometryElementCollection() {
    m_deleted.Release(this);
}

void TGeometryElementCollection::HandleMessage(TZeltoMessage& message, bool& handled) {
    TRectEntity::HandleMessage(message, handled);
    if (!handled && message.FMessage == tm_DivideGeometry) on_tm_DivideGeometry(message);
}

void TGeometryElementCollection::on_tm_DivideGeometry(TZeltoMessage& message) {
    TElement* copy = message.FData;
    if (!copy || copy == this || copy->IsMyOwner(this)) return;
    AddElement(copy);
}

void TGeometryElementCollection::ResetIDs() {
    TRectEntity::ResetIDs();
    m_deleted.ResetIDs();
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPointCollection, TGeometryElementCollection, "e_GeometryElement")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TPolyLineCollection, TGeometryElementCollection, "e_GeometryElement")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TTextCollection, TGeometryElementCollection, "e_GeometryElement")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TAreaCollection, TGeometryElementCollection, "e_GeometryElement")

// ---- TComplicatedGECollection --------------------------------------------------------------------

void TComplicatedGECollection::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TComplicatedGECollection::GetDeletedUUIDs, &TComplicatedGECollection::SetDeletedUUIDs>(
        "DeletedUUIDs");
    b.writeOnly<&TComplicatedGECollection::AddDeletedUUID>("NextDeletedUUID").stored(false);
    b.field<&TComplicatedGECollection::FColor>("Color");
    b.field<&TComplicatedGECollection::FUseColor>("UseColor");
    b.field<&TComplicatedGECollection::FSymbol>("Symbol");
    b.field<&TComplicatedGECollection::FUseSymbol>("UseSymbol");
    b.field<&TComplicatedGECollection::FText>("Text");
    b.field<&TComplicatedGECollection::FVisible>("Visible");
    b.field<&TComplicatedGECollection::FEnabled>("Enabled");
    b.field<&TComplicatedGECollection::FObjectType>("ObjectType");
    b.field<&TComplicatedGECollection::FRestriction>("Restriction").stored(false);
    b.field<&TComplicatedGECollection::FModified>("Modified").stored(false);
    b.field<&TComplicatedGECollection::FGroup>("Group");
}
ZELTO_IMPLEMENT_CLASS(TComplicatedGECollection, TRectEntity, "e_GeometryElement")

TComplicatedGECollection::~TComplicatedGECollection() {
    m_deleted.Release(this);
}

void TComplicatedGECollection::ResetIDs() {
    TRectEntity::ResetIDs();
    m_deleted.ResetIDs();
}

TComplicatedGECollection* TComplicatedGECollection::GetLayer(const QString& name) {
    if (TElement* found = FindElementName(name)) {
        if (auto* layer = zelto_cast<TComplicatedGECollection>(found)) return layer;
        FreeElement(found);
    }
    auto* layer = new TComplicatedGECollection;
    AddElement(layer);
    layer->SetName(name);
    layer->FObjectType = name.left(1).toUpper();
    return layer;
}

void registerGeometryElementClasses() {
    for (const TClassInfo* c : {&TGeometryElement::StaticClass(), &TPropertyGeometryElement::StaticClass(),
                                &TGeometryElementRIP::StaticClass(),
                                &TGeometryElementCollection::StaticClass(), &TPointCollection::StaticClass(),
                                &TPolyLineCollection::StaticClass(), &TAreaCollection::StaticClass(),
                                &TTextCollection::StaticClass(), &TComplicatedGECollection::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
