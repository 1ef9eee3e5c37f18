#include "e_TopolElements.h"

#include "E_TplReg.h"
#include "e_DBFTable.h"
#include "framework/e_Class.h"

#include <cmath>
#include <exception>

namespace zelto {

QString TopolDBFFileName(const QString& blockName, QChar objectType, qint32 druh) {
    QString block = blockName;
    block.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!block.isEmpty() && !block.endsWith(QLatin1Char('/'))) block += QLatin1Char('/');
    return block + objectType + QStringLiteral("%1").arg(druh, 4, 10, QLatin1Char('0')) +
           QStringLiteral(".DBF");
}

// ---- TTopoLElement -------------------------------------------------------------------------------

void TTopoLElement::DeclareProperties(TPropTableBuilder& b) {
    // A topology element never writes the visited mark: the entry keeps the inherited position.
    b.prop<&TTopoLElement::GetTopolIsDone, &TTopoLElement::SetTopolIsDone>("IsDone").stored(false).def(
        qint64(0));
    b.readOnly<&TTopoLElement::GetPhysicalObjectType>("PhysicalObjectType").stored(false);
    b.readOnly<&TTopoLElement::GetObjectType>("ObjectType").stored(false);
    b.field<&TTopoLElement::FCislo>("Cislo");
    b.field<&TTopoLElement::FDruh>("Druh");
    b.field<&TTopoLElement::FBarva>("Barva");
    b.field<&TTopoLElement::FZnacka>("Znacka");
    b.field<&TTopoLElement::FVyber>("Vyber");
    b.field<&TTopoLElement::FPresnost>("Presnost");
    b.field<&TTopoLElement::FSymbol>("Symbol");
    b.readOnly<&TTopoLElement::GetDBFName>("DBFName").stored(false);
    b.readOnly<&TTopoLElement::GetSourceTopolElement>("SourceTopolElement").stored(false);
    b.readOnly<&TTopoLElement::GetDBFTable>("DBFTable").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopoLElement, TRegisteredGeometryElement, "e_TopolElements")

QChar TTopoLElement::GetObjectType() const {
    return GetPhysicalObjectType();
}

QString TTopoLElement::GetDBFName() const {
    const auto* orig = zelto_cast<TTopoLElement>(GetOrigElement());
    const QString block = GetBlockName();
    if (!zelto_cast<TRegisteredGeometryElement>(GetOrigElement()) || block.isEmpty()) return QString();
    // The pieces of a divided element share the kind of the first one.
    const qint16 druh = orig ? orig->FDruh : FDruh;
    return TopolDBFFileName(block, GetObjectType(), druh);
}

TTopolDBFTable* TTopoLElement::GetDBFTable() const {
    auto* reg = zelto_cast<TTopolObjectRegister>(GetObjectRegister());
    return reg ? reg->GetDBF() : nullptr;
}

TTopoLElement* TTopoLElement::GetSourceTopolElement() const {
    return const_cast<TTopoLElement*>(this);
}

bool TTopoLElement::HasDBFItem(const QString& name) const {
    TTopolDBFTable* table = GetDBFTable();
    const QString file = GetDBFName();
    if (!table || file.isEmpty() || !table->SetForName(file)) return false;
    return table->FieldExists(name);
}

bool TTopoLElement::SetDBFRecord() const {
    TTopolDBFTable* table = GetDBFTable();
    const QString file = GetDBFName();
    return table && !file.isEmpty() && table->SetForNameCislo(file, GetOrigNo());
}

QString TTopoLElement::GetDBFFieldAsString(const QString& name) const {
    const TTopolDBFTable* table = GetDBFTable();
    return table ? table->GetFieldAsString(name) : QString();
}

void TTopoLElement::SetDBFFieldAsString(const QString& name, const QString& value) {
    if (TTopolDBFTable* table = GetDBFTable()) table->SetFieldAsString(name, value);
}

void TTopoLElement::SetPropertyStringByName(const QString& name, const QString& value) {
    if (TPropertyGeometryElement::HasPropertyByName(name)) {
        TPropertyGeometryElement::SetPropertyStringByName(name, value);
        return;
    }
    if (!IsFiled()) return;
    try {
        if (!HasDBFItem(name)) return;
        TTopolDBFTable* table = GetDBFTable();
        table->Close();
        table->SetReadOnly(false);
        if (table->SetForNameCislo(GetDBFName(), FCislo) && table->Edit()) {
            table->SetFieldAsString(name, value);
            table->Post();
        }
        table->Close();
        table->SetReadOnly(true);
    } catch (const std::exception&) {
    }
}

// ---- subclasses ----------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TTopolPointElement, TTopoLElement, "e_TopolElements")

void TTopolLineElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopolLineElement::FLeftArea>("LeftArea");
    b.field<&TTopolLineElement::FRightArea>("RightArea");
    b.readOnly<&TTopolLineElement::GetDelka>("Delka").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolLineElement, TTopoLElement, "e_TopolElements")

double TTopolLineElement::GetDelka() const {
    const auto* line = zelto_cast<TPolyElement>(GetGeometry());
    if (!line) return 0;
    try {
        const double length = line->GetLength();
        return std::isfinite(length) ? length : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

void TTopolAreaElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TTopolAreaElement::GetHektars>("Hektars").stored(false);
    b.field<&TTopolAreaElement::FLineNo>("LineNo");
    b.field<&TTopolAreaElement::FPaterNo>("PaterNo");
    b.field<&TTopolAreaElement::FHasChildren>("HasChildren");
    b.prop<&TTopolAreaElement::GetFixedArea, &TTopolAreaElement::SetFixedArea>("FixedArea").stored(false);
    b.prop<&TTopolAreaElement::GetFixedAreaIndex, &TTopolAreaElement::SetFixedAreaIndex>("FixedAreaIndex")
        .stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolAreaElement, TTopoLElement, "e_TopolElements")

double TTopolAreaElement::GetHektars() const {
    const auto* area = zelto_cast<TAreaElement>(GetGeometry());
    return area ? area->GetArea() / 10000.0 : 0;
}

double TTopolAreaElement::GetFixedArea() const {
    const auto* area = zelto_cast<TAreaElement>(GetGeometry());
    return area ? area->GetFixedArea() : 0;
}

void TTopolAreaElement::SetFixedArea(double v) {
    if (auto* area = zelto_cast<TAreaElement>(GetGeometry())) area->SetFixedArea(v);
}

quint8 TTopolAreaElement::GetFixedAreaIndex() const {
    const auto* area = zelto_cast<TAreaElement>(GetGeometry());
    return area ? area->GetFixedAreaIndex() : 0;
}

void TTopolAreaElement::SetFixedAreaIndex(quint8 v) {
    if (auto* area = zelto_cast<TAreaElement>(GetGeometry())) area->SetFixedAreaIndex(v);
}

// ---- TTopolTextElement ---------------------------------------------------------------------------

void TTopolTextElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopolTextElement::FTextAtrib>("TextAtrib")
        .kind(tkSet)
        .enums({"ZrusenT", "OkT", "txtZmena", "T30"});
    b.prop<&TTopolTextElement::GetStartPoint, &TTopolTextElement::SetStartPoint>("StartPoint");
    b.field<&TTopolTextElement::FCodePage>("CodePage")
        .enums({"cpIBM", "cpLatin2", "cpKamenickych", "cpWindows"});
    b.field<&TTopolTextElement::FTopolFont>("TopolFont");
    // The text height, in the position of the rectangle's Height.
    b.prop<&TTopolTextElement::GetTextHeight, &TTopolTextElement::SetTextHeight>("Height").stored(true);
    b.field<&TTopolTextElement::FWidthCoef>("WidthCoef");
    b.field<&TTopolTextElement::FDirection>("Direction");
    b.field<&TTopolTextElement::FSlope>("Slope");
    b.field<&TTopolTextElement::FDistance>("Distance");
    b.field<&TTopolTextElement::FTextMode>("TextMode");
    b.prop<&TTopolTextElement::GetText, &TTopolTextElement::SetText>("Text").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolTextElement, TTopoLElement, "e_TopolElements")

TTopolTextElement::~TTopolTextElement() {
    delete m_startPoint;
}

TCoordinate* TTopolTextElement::GetStartPoint() const {
    if (!m_startPoint) m_startPoint = new T2DCoordinate(0, 0);
    return m_startPoint;
}

void TTopolTextElement::SetStartPoint(TCoordinate* point) {
    if (point == m_startPoint) return;
    // A coordinate held by an entity is that entity's; the text keeps a copy instead.
    if (point && point->heldByContainer()) point = static_cast<TCoordinate*>(point->CreateDuplicate());
    delete m_startPoint;
    m_startPoint = point;
}

QString TTopolTextElement::GetText() const {
    const auto* text = zelto_cast<TTextElement>(GetGeometry());
    return text ? text->FText : QString();
}

void TTopolTextElement::SetText(const QString& value) {
    if (auto* text = zelto_cast<TTextElement>(GetGeometry())) text->FText = value;
}

// ---- export variants -----------------------------------------------------------------------------

namespace {

template <class Base> QString exportProperty(const Base& self, const TElement* source, const QString& name) {
    QString value = self.Base::GetPropertyStringByName(name);
    if (value.isEmpty() && source && source != &self) value = source->GetPropertyStringByName(name);
    return value;
}

} // namespace

void TTopolExportPointElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopolExportPointElement::FExportProperties>("ExportProperties");
}
ZELTO_IMPLEMENT_CLASS(TTopolExportPointElement, TTopolPointElement, "e_TopolElements")

QString TTopolExportPointElement::GetPropertyStringByName(const QString& name) const {
    return exportProperty<TTopolPointElement>(*this, FExportProperties, name);
}

TTopoLElement* TTopolExportPointElement::GetSourceTopolElement() const {
    if (auto* source = zelto_cast<TTopoLElement>(FExportProperties)) return source;
    return const_cast<TTopolExportPointElement*>(this);
}

void TTopolExportAreaElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopolExportAreaElement::FExportProperties>("ExportProperties");
}
ZELTO_IMPLEMENT_CLASS(TTopolExportAreaElement, TTopolAreaElement, "e_TopolElements")

QString TTopolExportAreaElement::GetPropertyStringByName(const QString& name) const {
    return exportProperty<TTopolAreaElement>(*this, FExportProperties, name);
}

TTopoLElement* TTopolExportAreaElement::GetSourceTopolElement() const {
    if (auto* source = zelto_cast<TTopoLElement>(FExportProperties)) return source;
    return const_cast<TTopolExportAreaElement*>(this);
}

void registerTopolElementClasses() {
    for (const TClassInfo* c : {&TTopoLElement::StaticClass(), &TTopolPointElement::StaticClass(),
                                &TTopolExportPointElement::StaticClass(), &TTopolTextElement::StaticClass(),
                                &TTopolAreaElement::StaticClass(), &TTopolExportAreaElement::StaticClass(),
                                &TTopolLineElement::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
