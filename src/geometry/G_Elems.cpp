#include "G_Elems.h"

#include "framework/e_Class.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>

namespace zelto {

namespace {

// Takes ownership of `c` and answers it as a 2D coordinate (a copy when it is not one).
T2DCoordinate* adopt2D(TCoordinate* c) {
    if (!c) return nullptr;
    if (auto* c2 = zelto_cast<T2DCoordinate>(c)) return c2;
    auto* copy = new T2DCoordinate(c->GetX(), c->GetY());
    copy->CS = c->CS;
    delete c;
    return copy;
}

} // namespace

// ---- TCoordinate ---------------------------------------------------------------------------------

void TCoordinate::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TCoordinate::CS>("CS");
    b.prop<&TCoordinate::GetX, &TCoordinate::SetX>("X");
    b.prop<&TCoordinate::GetY, &TCoordinate::SetY>("Y");
}
ZELTO_IMPLEMENT_CLASS(TCoordinate, TElement, "G_Elems")

double TCoordinate::GetX() const {
    return -1;
}
double TCoordinate::GetY() const {
    return -1;
}
double TCoordinate::GetZ() const {
    return -1;
}
void TCoordinate::SetX(double) {}
void TCoordinate::SetY(double) {}
void TCoordinate::SetZ(double) {}

TCoordinate* TCoordinate::CreateDuplicate() const {
    auto* copy = zelto_cast<TCoordinate>(ClassType().create());
    if (!copy) return nullptr;
    copy->SetX(GetX());
    copy->SetY(GetY());
    copy->SetZ(GetZ());
    copy->CS = CS;
    return copy;
}

void TCoordinate::GetRegion(TDoubleRect& region) const {
    region = {GetX(), GetY(), GetX(), GetY()};
}

TElement* TCoordinate::CreateEnvelope() {
    TElement* env = TElement::CreateEnvelope();
    if (auto* c = zelto_cast<TCoordinate>(env)) {
        c->SetX(GetX());
        c->SetY(GetY());
        c->SetZ(GetZ());
    }
    return env;
}

void TCoordinate::Load(TReader& reader, TEntity* index) {
    TElement::Load(reader, index);
    CS = quint8(reader.ReadInteger());
}

void TCoordinate::Save(TWriter& writer) {
    TElement::Save(writer);
    writer.WriteInteger(CS);
}

// ---- T2DCoordinate / T3DCoordinate ---------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(T2DCoordinate, TCoordinate, "G_Elems")

void T2DCoordinate::Load(TReader& reader, TEntity* index) {
    TCoordinate::Load(reader, index);
    const QByteArray raw = reader.ReadRaw(16);
    FX = std::bit_cast<double>(qFromLittleEndian<quint64>(raw.constData()));
    FY = std::bit_cast<double>(qFromLittleEndian<quint64>(raw.constData() + 8));
}

void T2DCoordinate::Save(TWriter& writer) {
    TCoordinate::Save(writer);
    char raw[16];
    qToLittleEndian<quint64>(std::bit_cast<quint64>(FX), raw);
    qToLittleEndian<quint64>(std::bit_cast<quint64>(FY), raw + 8);
    writer.WriteRaw(raw, 16);
}

void T3DCoordinate::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&T3DCoordinate::GetZ, &T3DCoordinate::SetZ>("Z");
}
ZELTO_IMPLEMENT_CLASS(T3DCoordinate, T2DCoordinate, "G_Elems")

void T3DCoordinate::Load(TReader& reader, TEntity* index) {
    T2DCoordinate::Load(reader, index);
    FZ = reader.ReadFloat();
}

void T3DCoordinate::Save(TWriter& writer) {
    T2DCoordinate::Save(writer);
    writer.WriteFloat(FZ);
}

// ---- TRectangle ----------------------------------------------------------------------------------

void TRectangle::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TRectangle::GetMinX, &TRectangle::StoredSetMinX>("MinX");
    b.prop<&TRectangle::GetMinY, &TRectangle::StoredSetMinY>("MinY");
    b.prop<&TRectangle::GetMaxX, &TRectangle::StoredSetMaxX>("MaxX");
    b.prop<&TRectangle::GetMaxY, &TRectangle::StoredSetMaxY>("MaxY");
    b.prop<&TRectangle::GetHeight, &TRectangle::StoredSetHeight>("Height");
    b.prop<&TRectangle::GetWidth, &TRectangle::StoredSetWidth>("Width");
    b.readOnly<&TRectangle::GetDoubleRect>("DoubleRect").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TRectangle, TElement, "G_Elems")

TRectangle::TRectangle()
    : FMin(new T2DCoordinate(EmptyMin, EmptyMin)), FMax(new T2DCoordinate(EmptyMax, EmptyMax)) {}

TRectangle::~TRectangle() {
    delete FMin;
    delete FMax;
}

T2DCoordinate* TRectangle::makeMin() const {
    FMin = new T2DCoordinate(EmptyMin, EmptyMin);
    return FMin;
}

T2DCoordinate* TRectangle::makeMax() const {
    FMax = new T2DCoordinate(EmptyMax, EmptyMax);
    return FMax;
}

void TRectangle::SetMin(TCoordinate* corner) {
    if (corner != FMin) {
        delete FMin;
        FMin = adopt2D(corner);
    }
    Sort();
}

void TRectangle::SetMax(TCoordinate* corner) {
    if (corner != FMax) {
        delete FMax;
        FMax = adopt2D(corner);
    }
    Sort();
}

TRectangle* TRectangle::CreateDuplicate() const {
    auto* copy = zelto_cast<TRectangle>(ClassType().create());
    if (copy) copy->Assign(this);
    return copy;
}

void TRectangle::Assign(const TPersistent* source) {
    const auto* r = zelto_cast<TRectangle>(source);
    if (!r || r == this) return;
    SetMinX(r->GetMinX());
    SetMinY(r->GetMinY());
    SetMaxX(r->GetMaxX());
    SetMaxY(r->GetMaxY());
}

qint32 TRectangle::GetInstanceSize() const {
    return TElement::GetInstanceSize() + (FMin ? FMin->GetInstanceSize() : 0) +
           (FMax ? FMax->GetInstanceSize() : 0);
}

TElement* TRectangle::CreateEnvelope() {
    return CreateDuplicate();
}

void TRectangle::Load(TReader& reader, TEntity* index) {
    TElement::Load(reader, index);
    SetMinX(reader.ReadFloat());
    SetMinY(reader.ReadFloat());
    SetMaxX(reader.ReadFloat());
    SetMaxY(reader.ReadFloat());
}

void TRectangle::Save(TWriter& writer) {
    TElement::Save(writer);
    writer.WriteFloat(GetMinX());
    writer.WriteFloat(GetMinY());
    writer.WriteFloat(GetMaxX());
    writer.WriteFloat(GetMaxY());
}

void TRectangle::Sort() {
    touchModel();
    if (!FMin || !FMax) return;
    if (FMax->FX < FMin->FX) std::swap(FMax->FX, FMin->FX);
    if (FMax->FY < FMin->FY) std::swap(FMax->FY, FMin->FY);
}

void TRectangle::Reset() {
    SetMinX(EmptyMin);
    SetMinY(EmptyMin);
    SetMaxX(EmptyMax);
    SetMaxY(EmptyMax);
}

bool TRectangle::IsEmpty() const {
    return GetMinX() == EmptyMin && GetMinY() == EmptyMin && GetMaxX() == EmptyMax && GetMaxY() == EmptyMax;
}

void TRectangle::UpdateByXY(double x, double y) {
    touchModel();
    T2DCoordinate* mn = GetMin();
    T2DCoordinate* mx = GetMax();
    if (mn->FX > x) mn->FX = x;
    if (x > mx->FX) mx->FX = x;
    if (mn->FY > y) mn->FY = y;
    if (y > mx->FY) mx->FY = y;
}

void TRectangle::UpdateByCoordinate(const TCoordinate* c) {
    if (c) UpdateByXY(c->GetX(), c->GetY());
}

void TRectangle::UpdateByDoubleRect(const TDoubleRect& r) {
    UpdateByXY(r.MinX, r.MinY);
    UpdateByXY(r.MaxX, r.MaxY);
}

void TRectangle::UpdateByRectangle(const TRectangle* r) {
    if (!r || !r->IsValid()) return;
    UpdateByXY(r->GetMinX(), r->GetMinY());
    UpdateByXY(r->GetMaxX(), r->GetMaxY());
}

bool TRectangle::IsValid() const {
    const double a = GetMinX(), b = GetMinY(), c = GetMaxX(), d = GetMaxY();
    return c >= a && d >= b && std::abs(a) < 1e30 && std::abs(b) < 1e30 && std::abs(c) < 1e30 &&
           std::abs(d) < 1e30;
}

void TRectangle::GetCenter(double& x, double& y) const {
    x = (GetMaxX() - GetMinX()) / 2 + GetMinX();
    y = (GetMaxY() - GetMinY()) / 2 + GetMinY();
}

double TRectangle::Dimension() const {
    return std::max(GetWidth(), GetHeight());
}

void TRectangle::Grow(double deltaX, double deltaY) {
    SetWidth(std::max(0.0, GetWidth() + deltaX));
    SetHeight(std::max(0.0, GetHeight() + deltaY));
    Move(-deltaX / 2, -deltaY / 2);
}

void TRectangle::Move(double deltaX, double deltaY) {
    touchModel();
    GetMin()->FX += deltaX;
    GetMin()->FY += deltaY;
    GetMax()->FX += deltaX;
    GetMax()->FY += deltaY;
}

bool TRectangle::IsOverlap(const TRectangle* r) const {
    if (!r) return false;
    return GetMaxX() >= r->GetMinX() && GetMinX() <= r->GetMaxX() && GetMaxY() >= r->GetMinY() &&
           GetMinY() <= r->GetMaxY();
}

TDoubleRect TRectangle::GetDoubleRect() const {
    return {GetMinX(), GetMinY(), GetMaxX(), GetMaxY()};
}

TDoubleRect TRectangle::AsDoubleRect() const {
    return {GetMinX() - 10, GetMinY() - 10, GetMaxX() + 10, GetMaxY() + 10};
}

bool TRectangle::beginRestore() {
    if (!m_pristine) return false;
    m_pristine = false;
    if (!IsEmpty()) return false;
    SetMinX(0);
    SetMinY(0);
    SetMaxX(0);
    SetMaxY(0);
    return true;
}

void TRectangle::StoredSetMinX(double v) {
    beginRestore();
    SetMinX(v);
}
void TRectangle::StoredSetMinY(double v) {
    beginRestore();
    SetMinY(v);
}
void TRectangle::StoredSetMaxX(double v) {
    beginRestore();
    SetMaxX(v);
}
void TRectangle::StoredSetMaxY(double v) {
    beginRestore();
    SetMaxY(v);
}
void TRectangle::StoredSetWidth(double v) {
    beginRestore();
    SetWidth(v);
}
void TRectangle::StoredSetHeight(double v) {
    beginRestore();
    SetHeight(v);
}

// ---- TRectEntity ---------------------------------------------------------------------------------

void TRectEntity::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TRectEntity::GetIndex, &TRectEntity::SetIndex>("Index");
    b.prop<&TRectEntity::GetMinX, &TRectEntity::StoredSetMinX>("MinX");
    b.prop<&TRectEntity::GetMinY, &TRectEntity::StoredSetMinY>("MinY");
    b.prop<&TRectEntity::GetWidth, &TRectEntity::StoredSetWidth>("Width");
    b.prop<&TRectEntity::GetHeight, &TRectEntity::StoredSetHeight>("Height");
    b.prop<&TRectEntity::GetRefX, &TRectEntity::StoredSetAbsRefX>("AbsRefX");
    b.prop<&TRectEntity::GetRefY, &TRectEntity::StoredSetAbsRefY>("AbsRefY");
    b.prop<&TRectEntity::GetMaxX, &TRectEntity::SetMaxX>("MaxX").stored(false);
    b.prop<&TRectEntity::GetMaxY, &TRectEntity::SetMaxY>("MaxY").stored(false);
    b.readOnly<&TRectEntity::IsValid>("IsValid").stored(false);
    b.readOnly<&TRectEntity::GetCenterX>("CenterX").stored(false);
    b.readOnly<&TRectEntity::GetCenterY>("CenterY").stored(false);
    b.prop<&TRectEntity::GetRefX, &TRectEntity::SetRefX>("X").stored(false);
    b.prop<&TRectEntity::GetRefY, &TRectEntity::SetRefY>("Y").stored(false);
    b.prop<&TRectEntity::GetRelRefX, &TRectEntity::SetRelRefX>("RelRefX").stored(false);
    b.prop<&TRectEntity::GetRelRefY, &TRectEntity::SetRelRefY>("RelRefY").stored(false);
    b.prop<&TRectEntity::GetDeltaRefX, &TRectEntity::SetDeltaRefX>("DeltaRefX").stored(false);
    b.prop<&TRectEntity::GetDeltaRefY, &TRectEntity::SetDeltaRefY>("DeltaRefY").stored(false);
    b.prop<&TRectEntity::GetHorizAllign, &TRectEntity::SetHorizAllign>("HorizAllign").stored(false);
    b.prop<&TRectEntity::GetVertAllign, &TRectEntity::SetVertAllign>("VertAllign").stored(false);
    b.prop<&TRectEntity::GetRefPosition, &TRectEntity::SetRefPosition>("RefPosition").stored(false);
    b.writeOnly<&TRectEntity::SetDeltaX>("DeltaX").stored(false);
    b.writeOnly<&TRectEntity::SetDeltaY>("DeltaY").stored(false);
    b.writeOnly<&TRectEntity::SetUpdateNoReset>("UpdateNoReset").stored(false);
    b.writeOnly<&TRectEntity::UpdateRect>("UpdateByElement").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TRectEntity, TOwnerEntity, "G_Elems")

TRectEntity::~TRectEntity() {
    delete FRect;
    delete FRefPosition;
}

void TRectEntity::SetMinX(double v) {
    GetRect()->SetMinX(v);
}
void TRectEntity::SetMinY(double v) {
    GetRect()->SetMinY(v);
}

TRectangle* TRectEntity::GetRect() const {
    if (!FRect) FRect = new TRectangle;
    return FRect;
}

void TRectEntity::SetRect(TRectangle* rect) {
    if (rect == FRect) return;
    delete FRect;
    FRect = rect;
}

T2DCoordinate* TRectEntity::GetRefCoordinate() const {
    if (!FRefPosition) FRefPosition = new T2DCoordinate(0, 0);
    return FRefPosition;
}

void TRectEntity::SetRefCoordinate(TCoordinate* ref) {
    if (ref != FRefPosition) {
        delete FRefPosition;
        FRefPosition = adopt2D(ref);
    }
    // The relative point is now the new coordinate's, so this keeps the rectangle where it is.
    if (FRefPosition) SetRelRefCoords(FRefPosition->FX, FRefPosition->FY);
}

bool TRectEntity::IsOverRegionEx(double minX, double minY, double maxX, double maxY) const {
    return IsOverRegion(minX, minY, maxX, maxY);
}

bool TRectEntity::IsHit(const TCoordinate* c, double) const {
    return c && PointIsInside(c->GetX(), c->GetY());
}

bool TRectEntity::IsHitByXY(double x, double y, double) const {
    return PointIsInside(x, y);
}

void TRectEntity::Update() {
    for (TElement* e : FElements) UpdateRect(e);
}

void TRectEntity::ResetAndUpdate() {
    GetRect()->Reset();
    Update();
}

void TRectEntity::Assign(const TPersistent* source) {
    const auto* r = zelto_cast<TRectEntity>(source);
    if (!r) {
        TOwnerEntity::Assign(source);
        return;
    }
    if (r == this) return;
    FIndex = r->FIndex;
    SetRect(r->GetRect()->CreateDuplicate());
}

qint32 TRectEntity::GetInstanceSize() const {
    return TOwnerEntity::GetInstanceSize() + (FRect ? FRect->GetInstanceSize() : 0) +
           (FRefPosition ? FRefPosition->GetInstanceSize() : 0);
}

void TRectEntity::Load(TReader& reader, TEntity* index) {
    TOwnerEntity::Load(reader, index);
    const double minX = reader.ReadFloat();
    const double minY = reader.ReadFloat();
    const double maxX = reader.ReadFloat();
    const double maxY = reader.ReadFloat();
    SetByDoubleRect({minX, minY, maxX, maxY});
}

void TRectEntity::Save(TWriter& writer) {
    TOwnerEntity::Save(writer);
    writer.WriteFloat(GetMinX());
    writer.WriteFloat(GetMinY());
    writer.WriteFloat(GetMaxX());
    writer.WriteFloat(GetMaxY());
}

TElement* TRectEntity::CreateEnvelope() {
    TElement* env = TOwnerEntity::CreateEnvelope();
    if (auto* r = zelto_cast<TRectEntity>(env)) r->GetRect()->Assign(GetRect());
    return env;
}

double TRectEntity::GetWidth() const {
    const double w = GetRect()->GetWidth();
    return w == 0 ? 0.00001 : w;
}

double TRectEntity::GetHeight() const {
    const double h = GetRect()->GetHeight();
    return h == 0 ? 0.00001 : h;
}

void TRectEntity::SetWidth(double w) {
    const double r = GetRefX();
    GetRect()->SetWidth(w);
    SetAbsRefX(r);
}

void TRectEntity::SetHeight(double h) {
    const double r = GetRefY();
    GetRect()->SetHeight(h);
    SetAbsRefY(r);
}

double TRectEntity::GetCenterX() const {
    double x, y;
    GetRect()->GetCenter(x, y);
    return x;
}

double TRectEntity::GetCenterY() const {
    double x, y;
    GetRect()->GetCenter(x, y);
    return y;
}

void TRectEntity::SetRelRefX(double v) {
    if (v == GetRelRefX()) return;
    const double d0 = GetDeltaRefX();
    GetRefCoordinate()->FX = v;
    Move(d0 - GetDeltaRefX(), 0);
}

void TRectEntity::SetRelRefY(double v) {
    if (v == GetRelRefY()) return;
    const double d0 = GetDeltaRefY();
    GetRefCoordinate()->FY = v;
    Move(0, d0 - GetDeltaRefY());
}

void TRectEntity::SetRelRefCoords(double x, double y) {
    if (x == GetRelRefX() && y == GetRelRefY()) return;
    const double dx0 = GetDeltaRefX();
    const double dy0 = GetDeltaRefY();
    GetRefCoordinate()->FX = x;
    GetRefCoordinate()->FY = y;
    Move(dx0 - GetDeltaRefX(), dy0 - GetDeltaRefY());
}

void TRectEntity::SetDeltaRefX(double v) {
    const double w = GetWidth();
    SetRelRefX(v == 0 || w < 1e-20 ? 0 : v / w);
}

void TRectEntity::SetDeltaRefY(double v) {
    const double h = GetHeight();
    SetRelRefY(v == 0 || h < 1e-20 ? 0 : v / h);
}

void TRectEntity::SetAbsRefX(double v) {
    const double w = GetWidth();
    GetRefCoordinate()->FX = w < 1e-20 ? 0 : (v - GetMinX()) / w;
}

void TRectEntity::SetAbsRefY(double v) {
    const double h = GetHeight();
    GetRefCoordinate()->FY = h < 1e-20 ? 0 : (v - GetMinY()) / h;
}

void TRectEntity::SetRefX(double v) {
    if (IsValid()) {
        Move(v - GetRefX(), 0);
    } else {
        SetMinX(v);
        SetMaxX(v);
    }
}

void TRectEntity::SetRefY(double v) {
    if (IsValid()) {
        Move(0, v - GetRefY());
    } else {
        SetMinY(v);
        SetMaxY(v);
    }
}

QString TRectEntity::GetHorizAllign() const {
    const double x = GetRelRefX();
    if (x == 0) return QStringLiteral("LEFT");
    if (x == 0.5) return QStringLiteral("CENTER");
    if (x == 1) return QStringLiteral("RIGHT");
    return QStringLiteral("OTHER");
}

QString TRectEntity::GetVertAllign() const {
    const double y = GetRelRefY();
    if (y == 0) return QStringLiteral("DOWN");
    if (y == 0.5) return QStringLiteral("CENTER");
    if (y == 1) return QStringLiteral("TOP");
    return QStringLiteral("OTHER");
}

void TRectEntity::SetHorizAllign(const QString& s) {
    const QString u = s.toUpper();
    if (u == QLatin1String("LEFT"))
        SetRelRefX(0);
    else if (u == QLatin1String("CENTER"))
        SetRelRefX(0.5);
    else if (u == QLatin1String("RIGHT"))
        SetRelRefX(1);
}

void TRectEntity::SetVertAllign(const QString& s) {
    const QString u = s.toUpper();
    if (u == QLatin1String("DOWN"))
        SetRelRefY(0);
    else if (u == QLatin1String("CENTER"))
        SetRelRefY(0.5);
    else if (u == QLatin1String("TOP"))
        SetRelRefY(1);
}

namespace {
constexpr double kRefPositions[9][2] = {{0, 0},   {0, 0.5}, {0, 1},   {0.5, 0}, {0.5, 0.5},
                                        {0.5, 1}, {1, 0},   {1, 0.5}, {1, 1}};
} // namespace

quint8 TRectEntity::GetRefPosition() const {
    const double x = GetRelRefX(), y = GetRelRefY();
    for (int i = 0; i < 9; ++i)
        if (kRefPositions[i][0] == x && kRefPositions[i][1] == y) return quint8(i + 1);
    return 0;
}

void TRectEntity::SetRefPosition(quint8 code) {
    if (code < 1 || code > 9) return;
    SetRelRefCoords(kRefPositions[code - 1][0], kRefPositions[code - 1][1]);
}

void TRectEntity::UpdateRect(TElement* e) {
    if (!e) return;
    if (auto* c = zelto_cast<TCoordinate>(e))
        GetRect()->UpdateByCoordinate(c);
    else if (auto* r = zelto_cast<TRectEntity>(e))
        GetRect()->UpdateByRectangle(r->GetRect());
}

void TRectEntity::AddAndUpdateRect(TElement* e) {
    UpdateRect(e);
    AddElement(e);
}

void TRectEntity::SetUpdateNoReset(bool update) {
    if (update)
        Update();
    else
        GetRect()->Reset();
}

bool TRectEntity::IsInsideRegion(double minX, double minY, double maxX, double maxY) const {
    return GetMinX() >= minX && GetMaxX() <= maxX && GetMinY() >= minY && GetMaxY() <= maxY;
}

// The tests below ask for the rectangle once: a geometry element answers it through its geometry.
bool TRectEntity::RegionIsInside(double minX, double minY, double maxX, double maxY) const {
    const TRectangle* r = GetRect();
    return r->GetMinX() <= minX && r->GetMaxX() >= maxX && r->GetMinY() <= minY && r->GetMaxY() >= maxY;
}

bool TRectEntity::IsOverRegion(double minX, double minY, double maxX, double maxY) const {
    const TRectangle* r = GetRect();
    return r->GetMaxX() >= minX && r->GetMinX() <= maxX && r->GetMaxY() >= minY && r->GetMinY() <= maxY;
}

bool TRectEntity::PointIsInside(double x, double y) const {
    const TRectangle* r = GetRect();
    return r->GetMinX() <= x && x <= r->GetMaxX() && r->GetMinY() <= y && y <= r->GetMaxY();
}

TDoubleRect TRectEntity::InterSectByRect(const TDoubleRect& r) const {
    const TDoubleRect out{std::max(GetMinX(), r.MinX), std::max(GetMinY(), r.MinY),
                          std::min(GetMaxX(), r.MaxX), std::min(GetMaxY(), r.MaxY)};
    if (!(out.MaxX > out.MinX) || !(out.MaxY > out.MinY)) return {};
    return out;
}

double TRectEntity::GetMaxLength() const {
    return GetRect()->Dimension();
}

void TRectEntity::Move(double deltaX, double deltaY) {
    GetRect()->Move(deltaX, deltaY);
}

void TRectEntity::SetByDoubleRect(const TDoubleRect& r) {
    SetMinX(r.MinX);
    SetMinY(r.MinY);
    SetMaxX(r.MaxX);
    SetMaxY(r.MaxY);
}

void TRectEntity::prepareRestore() {
    if (GetRect()->beginRestore()) m_restore = PendingAbsX | PendingAbsY;
}

void TRectEntity::StoredSetMinX(double v) {
    prepareRestore();
    SetMinX(v);
}

void TRectEntity::StoredSetMinY(double v) {
    prepareRestore();
    SetMinY(v);
}

void TRectEntity::StoredSetWidth(double v) {
    prepareRestore();
    SetWidth(v);
    if (m_restore & PendingAbsX) {
        m_restore &= ~PendingAbsX;
        SetAbsRefX(0);
    }
}

void TRectEntity::StoredSetHeight(double v) {
    prepareRestore();
    SetHeight(v);
    if (m_restore & PendingAbsY) {
        m_restore &= ~PendingAbsY;
        SetAbsRefY(0);
    }
}

void TRectEntity::StoredSetAbsRefX(double v) {
    m_restore &= ~PendingAbsX;
    SetAbsRefX(v);
}

void TRectEntity::StoredSetAbsRefY(double v) {
    m_restore &= ~PendingAbsY;
    SetAbsRefY(v);
}

// ---- TDrawRectangle ------------------------------------------------------------------------------

void TDrawRectangle::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TDrawRectangle::FPenColor>("PenColor");
    b.field<&TDrawRectangle::FPenStyle>("PenStyle")
        .enums({"Solid", "Dash", "Dot", "DashDot", "DashDotDot", "Custom"});
    b.field<&TDrawRectangle::FPenWidth>("PenWidth");
    b.field<&TDrawRectangle::FBrushColor>("BrushColor");
    b.field<&TDrawRectangle::FBrushStyle>("BrushStyle")
        .enums({"None", "Solid", "Gradient", "Bitmap", "Resource"});
}
ZELTO_IMPLEMENT_CLASS(TDrawRectangle, TRectEntity, "G_Elems")

TElement* TDrawRectangle::CreateEnvelope() {
    TElement* env = TRectEntity::CreateEnvelope();
    if (auto* d = zelto_cast<TDrawRectangle>(env)) {
        d->FPenWidth = FPenWidth;
        d->FPenColor = FPenColor;
        d->FPenStyle = FPenStyle;
        d->FBrushColor = FBrushColor;
        d->FBrushStyle = FBrushStyle;
    }
    return env;
}

// ---- TText ---------------------------------------------------------------------------------------

void TText::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TText::FText>("Text");
    b.field<&TText::FOrientation>("Orientation");
    b.field<&TText::FColor>("Color");
    b.field<&TText::FFontName>("FontName");
    b.field<&TText::FFontStyle>("FontStyle").kind(tkSet);
    b.field<&TText::FCharset>("Charset");
}
ZELTO_IMPLEMENT_CLASS(TText, TRectEntity, "G_Elems")

void TText::Update() {
    TRectEntity::Update();
    FHeight = GetMaxY() - GetMinY();
}

TElement* TText::CreateEnvelope() {
    TElement* env = TRectEntity::CreateEnvelope();
    if (auto* t = zelto_cast<TText>(env)) {
        t->FText = FText;
        t->FFontName = FFontName;
        t->FFontStyle = FFontStyle;
        t->FCharset = FCharset;
        t->FColor = FColor;
        t->FOrientation = FOrientation;
        t->FHeight = FHeight;
    }
    return env;
}

void TText::Load(TReader& reader, TEntity* index) {
    TRectEntity::Load(reader, index);
    FText = reader.ReadString();
    FOrientation = reader.ReadFloat();
    FHeight = reader.ReadFloat();
}

void TText::Save(TWriter& writer) {
    TRectEntity::Save(writer);
    writer.WriteString(FText);
    writer.WriteFloat(FOrientation);
    writer.WriteFloat(FHeight);
}

void TText::SetFont(const QString& name, quint8 style) {
    FFontName = name;
    FFontStyle = style;
}

// ---- TSelectedElement ----------------------------------------------------------------------------

void TSelectedElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TSelectedElement::SelectName>("SelectName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TSelectedElement, TRectEntity, "G_Elems")

QString TSelectedElement::SelectName() const {
    return FSel ? FSel->GetName() : QString();
}

void registerCoordinateClasses() {
    for (const TClassInfo* c :
         {&T2DCoordinate::StaticClass(), &T3DCoordinate::StaticClass(), &TRectangle::StaticClass(),
          &TDrawRectangle::StaticClass(), &TText::StaticClass(), &TRectEntity::StaticClass(),
          &TSelectedElement::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
