#include "e_Geometry.h"

#include "AnalInt.h"
#include "MathLib.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

namespace zelto {

QString NewUUIDText() {
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString TimeStampToText(double stamp) {
    // 1 January 100 to 31 December 9999, the range of the model's date-time.
    if (!std::isfinite(stamp) || stamp <= -657435.0 || stamp >= 2958466.0) return QString();
    const double days = std::trunc(stamp);
    // Before the epoch the fraction still counts forward from midnight.
    qint64 ms = std::llround(std::abs(stamp - days) * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    const QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms));
    const QLocale locale;
    // The long time format names a time zone, which a local time stamp does not carry.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(zone);
    return locale.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(time, timeFormat.trimmed());
}

// ---- TGeometry -----------------------------------------------------------------------------------

void TGeometry::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TGeometry::GetAngle, &TGeometry::SetAngle>("Angle");
    b.prop<&TGeometry::GetGIndex, &TGeometry::SetGIndex>("GIndex");
    b.prop<&TGeometry::GetTimeStamp, &TGeometry::SetTimeStamp>("TimeStamp");
    b.prop<&TGeometry::GetUUID, &TGeometry::SetUUID>("UUID");
    b.prop<&TGeometry::GetUID, &TGeometry::SetUID>("UID");
    b.readOnly<&TGeometry::GetTimeStampString>("TimeStampString").stored(false);
    b.prop<&TGeometry::GetIsDone, &TGeometry::SetIsDone>("IsDone").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TGeometry, TRectEntity, "e_Geometry")

void TGeometry::on_tm_DivideGeometry(TZeltoMessage&) {}

TGeometry* TGeometry::GetSimpleGeometryByXY(double x, double y, double tolerance) {
    return IsHitByXY(x, y, tolerance) ? this : nullptr;
}

void TGeometry::HandleMessage(TZeltoMessage& message, bool& handled) {
    TRectEntity::HandleMessage(message, handled);
    if (!handled && message.FMessage == tm_DivideGeometry) on_tm_DivideGeometry(message);
}

bool TGeometry::IsHit(const TCoordinate* c, double tolerance) const {
    return c && IsHitByXY(c->GetX(), c->GetY(), tolerance);
}

bool TGeometry::IsHitByXY(double x, double y, double tolerance) const {
    return Distance(x, y, GetRefX(), GetRefY()) < std::abs(tolerance);
}

bool TGeometry::IsIsolatedFrom(const TGeometry* bigger) const {
    if (!bigger) return true;
    for (TElement* e : FElements)
        if (e && e->Is<TGeometry>() && e->IsMyOwner(bigger)) return false;
    return true;
}

// ---- TPointElement / TTextElement ----------------------------------------------------------------

void TPointElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TRectEntity::GetWidth, &TPointElement::StoredSetPointWidth>("Width");
    b.prop<&TRectEntity::GetHeight, &TPointElement::StoredSetPointHeight>("Height");
}
ZELTO_IMPLEMENT_CLASS(TPointElement, TGeometry, "e_Geometry")

void TPointElement::SetMinX(double v) {
    GetRect()->SetMinX(v);
    GetRect()->SetMaxX(v);
}

void TPointElement::SetMinY(double v) {
    GetRect()->SetMinY(v);
    GetRect()->SetMaxY(v);
}

void TTextElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TTextElement::GetText, &TTextElement::SetText>("Text");
}
ZELTO_IMPLEMENT_CLASS(TTextElement, TGeometry, "e_Geometry")

bool TTextElement::IsHitByXY(double x, double y, double) const {
    return PointIsInside(x, y);
}

// ---- TPolyElement --------------------------------------------------------------------------------

void TPolyElement::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TPolyElement::GetCoordsCount>("CoordsCount").stored(false);
    b.readOnly<&TPolyElement::GetLength>("Length").stored(false);
    b.readOnly<&TPolyElement::GetLastLength>("LastLength").stored(false);
    b.readOnly<&TPolyElement::GetArea>("Area").stored(false);
    b.writeOnly<&TPolyElement::SetRecalculateLabelProps>("RecalculateLabelProps").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TPolyElement, TGeometry, "e_Geometry")

qint32 TPolyElement::GetCoordsCount() const {
    return ElementsCount();
}

T2DCoordinate* TPolyElement::GetCoordElement(int i) const {
    if (i < 0 || i >= FElements.count()) return nullptr;
    return zelto_cast<T2DCoordinate>(FElements.at(i));
}

bool TPolyElement::ForEachCoord(const TCoordVisitor& visit) const {
    for (TElement* e : FElements)
        if (!visit(zelto_cast<T2DCoordinate>(e))) return false;
    return true;
}

bool TPolyElement::ForEachVertex(const TCoordVisitor& visit) const {
    for (TElement* e : FElements)
        if (auto* c = zelto_cast<T2DCoordinate>(e))
            if (!visit(c)) return false;
    return true;
}

double TPolyElement::GetLength() const {
    double length = 0;
    const T2DCoordinate* prev = nullptr;
    ForEachCoord([&](const T2DCoordinate* c) {
        if (prev && c) length += Distance(prev->FX, prev->FY, c->FX, c->FY);
        prev = c;
        return true;
    });
    return length;
}

double TPolyElement::trapezoidSum(bool fromBegin, bool closing, bool& complete) const {
    // A closed ring is summed with Y measured from its first vertex: the closed sum is the same,
    // but on raw national-grid coordinates (a million metres out) its terms are so large that the
    // area of a small or thin ring drowns in their rounding. Open sums keep Y as it is, so that
    // the open sums of the lines of a ring still add up to its area.
    double sum = 0, firstX = 0, firstY = 0, prevX = 0, prevY = 0, y0 = 0;
    bool any = false;
    complete = true;
    auto step = [&](const T2DCoordinate* c) {
        if (!c) {
            complete = false;
            return false;
        }
        if (any) {
            sum += (c->FX - prevX) * ((c->FY - y0) + (prevY - y0));
        } else {
            firstX = c->FX;
            firstY = c->FY;
            if (closing) y0 = c->FY;
            any = true;
        }
        prevX = c->FX;
        prevY = c->FY;
        return true;
    };
    if (fromBegin) {
        ForEachCoord(step);
    } else {
        for (int i = GetCoordsCount() - 1; i >= 0; --i)
            if (!step(GetCoordElement(i))) break;
    }
    if (complete && closing && any) sum += (firstX - prevX) * ((prevY - y0) + (firstY - y0));
    // A ring cut short answers the plain sum up to the gap: the shift took 2·y0·Σdx off it.
    if (!complete && y0 != 0) sum += 2 * y0 * (prevX - firstX);
    return sum;
}

double TPolyElement::ringArea(bool fromBegin) const {
    bool complete = true;
    const double sum = trapezoidSum(fromBegin, true, complete);
    if (!complete) notifier().message(QStringLiteral("GetCalculatedArea Error"));
    return sum / 2;
}

double TPolyElement::GetArea() const {
    return ringArea(true);
}

void TPolyElement::AddPolyLine(TPolyElement*, bool) {}

double TPolyElement::GetX(int i) const {
    const T2DCoordinate* c = GetCoordElement(i);
    return c ? c->FX : 0;
}

double TPolyElement::GetY(int i) const {
    const T2DCoordinate* c = GetCoordElement(i);
    return c ? c->FY : 0;
}

void TPolyElement::SetX(int i, double v) {
    if (T2DCoordinate* c = GetCoordElement(i)) c->FX = v;
}

void TPolyElement::SetY(int i, double v) {
    if (T2DCoordinate* c = GetCoordElement(i)) c->FY = v;
}

void TPolyElement::AddXY(double x, double y) {
    AddElement(new T2DCoordinate(x, y));
}

void TPolyElement::InsertXY(int i, double x, double y) {
    // Checked first: a refused insertion would leave the new vertex without an owner.
    if (i < 0 || i > ElementsCount()) return;
    InsertElement(i, new T2DCoordinate(x, y));
}

T2DCoordinate* TPolyElement::GetOrientedCoordElement(int i, bool fromBegin) const {
    const int n = GetCoordsCount();
    if (i < 0 || i >= n) return nullptr;
    return GetCoordElement(fromBegin ? i : n - 1 - i);
}

void TPolyElement::GetOrientedCoord(int i, bool fromBegin, double& x, double& y) const {
    const T2DCoordinate* c = GetOrientedCoordElement(i, fromBegin);
    x = c ? c->FX : 0;
    y = c ? c->FY : 0;
}

void TPolyElement::RecalculateRect() {
    SetMinX(TRectangle::EmptyMin);
    SetMinY(TRectangle::EmptyMin);
    SetMaxX(TRectangle::EmptyMax);
    SetMaxY(TRectangle::EmptyMax);
    TRectangle* rect = GetRect();
    ForEachVertex([rect](const T2DCoordinate* c) {
        rect->UpdateByXY(c->FX, c->FY);
        return true;
    });
}

double TPolyElement::GetLastLength() const {
    const int n = GetCoordsCount();
    if (n < 2) return 0;
    const T2DCoordinate* a = GetCoordElement(n - 2);
    const T2DCoordinate* b = GetCoordElement(n - 1);
    return a && b ? Distance(a->FX, a->FY, b->FX, b->FY) : 0;
}

double TPolyElement::GetSubAreaValue(bool fromBegin) const {
    if (GetCoordsCount() < 2) return 0;
    bool complete = true;
    return trapezoidSum(fromBegin, false, complete) / 2;
}

void TPolyElement::GivePointPropsForLength(double length, double& x, double& y, double& angle) const {
    x = y = angle = 0;
    const int n = GetCoordsCount();
    if (n == 0) return;
    auto takeLast = [&] {
        if (const T2DCoordinate* last = GetCoordElement(n - 1)) {
            x = last->FX;
            y = last->FY;
        }
    };
    if (n == 1 || length >= GetLength()) {
        takeLast();
        return;
    }
    // A length before the start is the start: the point stays on the line.
    length = std::max(length, 0.0);
    double walked = 0;
    bool found = false;
    const T2DCoordinate* prev = nullptr;
    ForEachCoord([&](const T2DCoordinate* c) {
        if (prev && c) {
            const double d = Distance(prev->FX, prev->FY, c->FX, c->FY);
            if (walked + d > length) {
                GiveAbscPointByLength(prev->FX, prev->FY, c->FX, c->FY, length - walked, 0, x, y);
                angle = ATan2M(c->FX - prev->FX, c->FY - prev->FY) + std::numbers::pi / 2;
                found = true;
                return false;
            }
            walked += d;
        }
        prev = c;
        return true;
    });
    // Rounding can leave a length just short of the total unmatched: that is the end.
    if (!found) takeLast();
}

void TPolyElement::GiveLabelProps(double& x, double& y, double& angle) const {
    GivePointPropsForLength(GetLength() / 2, x, y, angle);
}

void TPolyElement::CalculateLabelProps() {
    double x, y, angle;
    GiveLabelProps(x, y, angle);
    SetAbsRefX(x);
    SetAbsRefY(y);
    FAngle = angle;
}

// ---- TPolyLineElement ----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPolyLineElement, TPolyElement, "e_Geometry")

bool TPolyLineElement::IsHitByXY(double x, double y, double tolerance) const {
    bool hit = false;
    ForEachCoord([&](const T2DCoordinate* c) {
        if (c && InTolerance(c->FX, c->FY, x, y, tolerance)) hit = true;
        return !hit;
    });
    if (hit) return true;
    const T2DCoordinate* prev = nullptr;
    ForEachCoord([&](const T2DCoordinate* c) {
        if (prev && c) {
            bool onSegment;
            double fx, fy, dist;
            DejVztahyBod_Usecka(x, y, prev->FX, prev->FY, c->FX, c->FY, onSegment, fx, fy, dist);
            if (onSegment && dist < tolerance) hit = true;
        }
        prev = c;
        return !hit;
    });
    return hit;
}

bool TPolyLineElement::IsOverRegionEx(double minX, double minY, double maxX, double maxY) const {
    if (GetCoordsCount() < 2) return false;
    bool over = false;
    const T2DCoordinate* prev = nullptr;
    ForEachCoord([&](const T2DCoordinate* c) {
        if (prev && c)
            over = std::min(prev->FX, c->FX) <= maxX && std::max(prev->FX, c->FX) >= minX &&
                   std::min(prev->FY, c->FY) <= maxY && std::max(prev->FY, c->FY) >= minY;
        prev = c;
        return !over;
    });
    return over;
}

double TPolyLineElement::GetAreaFromBegin(bool fromBegin) const {
    return ringArea(fromBegin);
}

// ---- TAreaElement --------------------------------------------------------------------------------

void TAreaElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TAreaElement::GetSavedArea, &TAreaElement::SetSavedArea>("SavedArea").stored(false);
    b.prop<&TAreaElement::GetHoles, &TAreaElement::SetHoles>("Holes");
    b.prop<&TAreaElement::GetIsHole, &TAreaElement::SetIsHole>("IsHole");
    b.prop<&TAreaElement::GetFixedAreaIndex, &TAreaElement::SetFixedAreaIndex>("FixedAreaIndex");
    b.prop<&TAreaElement::GetFixedArea, &TAreaElement::SetFixedArea>("FixedArea");
    b.readOnly<&TAreaElement::GetHoleOwnerArea>("HoleOwnerArea").stored(false);
    b.readOnly<&TAreaElement::GetWholeArea>("WholeArea").stored(false);
    b.readOnly<&TAreaElement::GetSameFAI>("SameFAI").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TAreaElement, TPolyElement, "e_Geometry")

TAreaElement::~TAreaElement() {
    FreeHoles();
}

double TAreaElement::GetFixedArea() const {
    return FFixedArea;
}

quint8 TAreaElement::GetFixedAreaIndex() const {
    return FFixedAreaIndex;
}

bool TAreaElement::GetSameFAI() const {
    return true;
}

bool TAreaElement::XYIsInsideNoHoles(double x, double y) const {
    return InsideTestXY(this, x, y);
}

double TAreaElement::GetWholeArea() const {
    FSavedArea = GetCoordElement(0) ? ringArea(true) : 0;
    return FSavedArea;
}

double TAreaElement::GetArea() const {
    const double whole = GetWholeArea();
    double holes = 0;
    if (FHoles)
        for (TElement* e : FHoles->FElements)
            if (auto* hole = zelto_cast<TAreaElement>(e)) holes += std::abs(hole->GetWholeArea());
    // Holes make the area smaller whichever way its outer ring runs.
    return whole < 0 ? whole + holes : whole - holes;
}

bool TAreaElement::IsHitByXY(double x, double y, double tolerance) const {
    return RegionIsInside(x - tolerance, y - tolerance, x + tolerance, y + tolerance) && XYIsInside(x, y);
}

void TAreaElement::ResetIDs() {
    TPolyElement::ResetIDs();
    if (!FHoles) return;
    FHoles->ResetIDs();
    FHoles->ID = -2;
}

void TAreaElement::RemoveElement(TElement* element) {
    if (element && element == FHoles && IndexOf(element) < 0) {
        releaseHoles();
        return;
    }
    TPolyElement::RemoveElement(element);
}

bool TAreaElement::holesReach(const THolesEntity* holes, const TAreaElement* area, int depth) {
    // Nesting this deep is not a model of holes: treat it as a cycle and refuse.
    if (!holes || depth > 64) return holes != nullptr;
    for (TElement* e : holes->FElements) {
        auto* hole = zelto_cast<TAreaElement>(e);
        if (!hole) continue;
        if (hole == area || holesReach(hole->FHoles, area, depth + 1)) return true;
    }
    return false;
}

void TAreaElement::AddHole(TAreaElement* hole) {
    if (!hole || hole == this || holesReach(hole->FHoles, this)) return;
    if (!FHoles) SetHoles(new THolesEntity);
    if (FHoles->IndexOf(hole) < 0) FHoles->AddAndUpdateRect(hole);
    hole->FIsHole = true;
}

void TAreaElement::SetHoles(THolesEntity* holes) {
    if (holes == FHoles) {
        if (holes) holes->FOwnerArea = this;
        return;
    }
    // Owning a container that holds this area would make it free itself.
    if (holes && holesReach(holes, this)) return;
    releaseHoles();
    if (!holes) return;
    FHoles = holes;
    // The area is one of the container's owners, so a container that something else holds as
    // well (a shallow copy of the area, or a damaged stream) is freed only by its last holder.
    holes->AddOwner(this);
    holes->FOwnerArea = this;
}

void TAreaElement::releaseHoles() {
    THolesEntity* holes = std::exchange(FHoles, nullptr);
    if (!holes) return;
    holes->RemoveOwner(this);
    if (holes->FOwnerArea != this) return;
    holes->FOwnerArea = nullptr;
    for (TElement* o : holes->FOwners)
        if (auto* area = zelto_cast<TAreaElement>(o); area && area->FHoles == holes) {
            holes->FOwnerArea = area;
            break;
        }
}

void TAreaElement::FreeHoles() {
    THolesEntity* holes = FHoles;
    if (!holes) return;
    releaseHoles();
    if (holes->NoOwners()) delete holes;
}

TAreaElement* TAreaElement::GetHoleOwnerArea() const {
    if (!FIsHole) return nullptr;
    for (TElement* o : FOwners)
        if (auto* holes = zelto_cast<THolesEntity>(o)) return holes->FOwnerArea;
    return nullptr;
}

TAreaElement* TAreaElement::GetHoleByXY(double x, double y) const {
    if (!FHoles) return nullptr;
    for (TElement* e : FHoles->FElements)
        if (auto* hole = zelto_cast<TAreaElement>(e);
            hole && hole->PointIsInside(x, y) && hole->XYIsInsideNoHoles(x, y))
            return hole;
    return nullptr;
}

bool TAreaElement::XYIsInside(double x, double y) const {
    return XYIsInsideNoHoles(x, y) && !GetHoleByXY(x, y);
}

// ---- THolesEntity --------------------------------------------------------------------------------

void THolesEntity::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&THolesEntity::GetOwnerArea>("OwnerArea").stored(false);
}
ZELTO_IMPLEMENT_CLASS(THolesEntity, TRectEntity, "e_Geometry")

THolesEntity::~THolesEntity() {
    // An area that still holds this container must not keep a dangling reference.
    for (TElement* o : FOwners)
        if (auto* area = zelto_cast<TAreaElement>(o); area && area->FHoles == this) area->FHoles = nullptr;
}

// ---- TLinesOrigines ------------------------------------------------------------------------------

bool TLinesOrigines::Get(int i) const {
    if (i < 0 || (i >> 3) >= m_bits.size()) return false;
    return (quint8(m_bits.at(i >> 3)) >> (i & 7)) & 1;
}

void TLinesOrigines::Set(int i, bool fromBegin) {
    if (i < 0) return;
    const qsizetype unit = i >> 3;
    if (unit >= m_bits.size()) m_bits.append(QByteArray(unit + 1 - m_bits.size(), '\0'));
    const quint8 mask = quint8(1u << (i & 7));
    char& c = m_bits[unit];
    c = char(fromBegin ? quint8(c) | mask : quint8(c) & ~mask);
}

void TLinesOrigines::Insert(int i, int count, bool fromBegin) {
    if (i < 0 || i > count) return;
    if (!IsEmpty())
        for (int j = count - 2; j >= i; --j) Set(j + 1, Get(j));
    Set(i, fromBegin);
}

void TLinesOrigines::Remove(int i, int count) {
    if (i < 0 || i >= count || IsEmpty()) return;
    for (int j = i + 1; j < count; ++j) Set(j - 1, Get(j));
    // The vacated last position belongs to no member any more.
    if (((count - 1) >> 3) < m_bits.size()) Set(count - 1, false);
}

QString TLinesOrigines::Hex() const {
    return QString::fromLatin1(m_bits.toHex().toUpper());
}

void TLinesOrigines::SetHex(const QString& text) {
    auto digit = [](QChar c) {
        const ushort u = c.unicode();
        if (u >= '0' && u <= '9') return int(u - '0');
        if (u >= 'A' && u <= 'F') return int(u - 'A' + 10);
        if (u >= 'a' && u <= 'f') return int(u - 'a' + 10);
        return -1;
    };
    m_bits.clear();
    for (qsizetype k = 0; k + 1 < text.size(); k += 2) {
        const int hi = digit(text.at(k)), lo = digit(text.at(k + 1));
        if (hi < 0 || lo < 0) break;
        m_bits.append(char(hi * 16 + lo));
    }
}

// ---- composites: shared member-line walks ----------------------------------------------------------

namespace {

qint32 membersCoordsCount(const TEntity& self) {
    qint32 n = 0;
    for (TElement* e : self.FElements)
        if (auto* line = zelto_cast<TPolyElement>(e)) n += std::max(0, line->GetCoordsCount() - 1);
    return n;
}

T2DCoordinate* membersCoordElement(const TEntity& self, const TLinesOrigines& origines, int k) {
    if (k < 0) return nullptr;
    for (int j = 0; j < self.FElements.count(); ++j) {
        auto* line = zelto_cast<TPolyElement>(self.FElements.at(j));
        if (!line) continue;
        const int n = std::max(0, line->GetCoordsCount() - 1);
        if (k < n) return line->GetOrientedCoordElement(k, origines.Get(j));
        k -= n;
    }
    return nullptr;
}

bool membersForEachCoord(const TEntity& self, const TLinesOrigines& origines, const TCoordVisitor& visit) {
    for (int j = 0; j < self.FElements.count(); ++j) {
        auto* line = zelto_cast<TPolyElement>(self.FElements.at(j));
        if (!line) continue;
        const int n = line->GetCoordsCount();
        const bool forward = origines.Get(j);
        for (int i = 0; i < n - 1; ++i)
            if (!visit(line->GetCoordElement(forward ? i : n - 1 - i))) return false;
    }
    return true;
}

bool membersForEachVertex(const TEntity& self, const TCoordVisitor& visit) {
    for (TElement* e : self.FElements)
        if (auto* line = zelto_cast<TPolyElement>(e))
            if (!line->ForEachVertex(visit)) return false;
    return true;
}

// Keeps the direction bits in step with the members when member `index` leaves. The bits are by
// position, so any child counts.
void memberLeaves(const TEntity& self, TLinesOrigines& origines, int index) {
    origines.Remove(index, self.ElementsCount());
}

// A member line was divided: the new piece goes next to it, in ring order.
template <class C> void divideMember(C& self, TZeltoMessage& message) {
    auto* old = zelto_cast<TPolyLineElement>(message.FSender);
    auto* piece = zelto_cast<TPolyLineElement>(message.FData);
    if (!old || !piece || piece == old || static_cast<const TElement*>(piece) == &self) return;
    const int i = self.IndexOf(old);
    if (i < 0 || self.IndexOf(piece) >= 0) return;
    const bool forward = self.GetOrigin(i);
    // The dividing tool sets the old line's Angle when the piece runs against it.
    self.InsertPolyLine(forward ? i + 1 : i, piece, old->FAngle != 0 ? !forward : forward);
}

template <class C> void addMember(C& self, TPolyElement* line, bool fromBegin) {
    if (!line || line == &self) return;
    self.AddAndUpdateRect(line);
    const int last = self.ElementsCount() - 1;
    if (last >= 0 && self.FElements.at(last) == line) self.SetOrigin(last, fromBegin);
}

template <class C> void insertMember(C& self, int i, TPolyElement* line, bool fromBegin) {
    if (!line || line == &self || i < 0 || i > self.ElementsCount()) return;
    self.InsertElement(i, line);
    if (i < self.ElementsCount() && self.FElements.at(i) == line) self.InsertOrigin(i, fromBegin);
}

template <class C> bool hasMember(const C& self, const TPolyElement* line, bool fromBegin) {
    const int i = line ? self.IndexOf(line) : -1;
    return i >= 0 && self.GetOrigin(i) == fromBegin;
}

// A plain copy of an area's ring, with its rectangle and relative reference point.
template <class Fill> TAreaElement* plainRingCopy(const TPolyElement& source, Fill&& fill) {
    auto* area = new TAreaElement;
    fill(area);
    area->SetRect(source.GetRect()->CreateDuplicate());
    area->GetRefCoordinate()->FX = source.GetRelRefX();
    area->GetRefCoordinate()->FY = source.GetRelRefY();
    return area;
}

} // namespace

// ---- TPolyLineAreaElement ------------------------------------------------------------------------

void TPolyLineAreaElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TPolyLineAreaElement::GetLinesOriginesHex, &TPolyLineAreaElement::SetLinesOriginesHex>(
        "LinesOriginesHex");
}
ZELTO_IMPLEMENT_CLASS(TPolyLineAreaElement, TAreaElement, "e_Geometry")

qint32 TPolyLineAreaElement::GetCoordsCount() const {
    return membersCoordsCount(*this);
}

T2DCoordinate* TPolyLineAreaElement::GetCoordElement(int i) const {
    return membersCoordElement(*this, FLinesOrigines, i);
}

bool TPolyLineAreaElement::ForEachCoord(const TCoordVisitor& visit) const {
    return membersForEachCoord(*this, FLinesOrigines, visit);
}

bool TPolyLineAreaElement::ForEachVertex(const TCoordVisitor& visit) const {
    return membersForEachVertex(*this, visit);
}

void TPolyLineAreaElement::AddPolyLine(TPolyElement* line, bool fromBegin) {
    addMember(*this, line, fromBegin);
}

void TPolyLineAreaElement::InsertPolyLine(int i, TPolyElement* line, bool fromBegin) {
    insertMember(*this, i, line, fromBegin);
}

bool TPolyLineAreaElement::HasLine(const TPolyElement* line, bool fromBegin) const {
    return hasMember(*this, line, fromBegin);
}

void TPolyLineAreaElement::RemoveElement(TElement* element) {
    if (element) memberLeaves(*this, FLinesOrigines, IndexOf(element));
    TAreaElement::RemoveElement(element);
}

void TPolyLineAreaElement::RemoveElementIndex(int index) {
    memberLeaves(*this, FLinesOrigines, index);
    TAreaElement::RemoveElementIndex(index);
}

void TPolyLineAreaElement::FreeElement(TElement* element) {
    if (element) memberLeaves(*this, FLinesOrigines, IndexOf(element));
    TAreaElement::FreeElement(element);
}

void TPolyLineAreaElement::FreeElementIndex(int index) {
    memberLeaves(*this, FLinesOrigines, index);
    TAreaElement::FreeElementIndex(index);
}

void TPolyLineAreaElement::on_tm_DivideGeometry(TZeltoMessage& message) {
    divideMember(*this, message);
}

TAreaElement* TPolyLineAreaElement::CreateAreaElementNoHole() const {
    return plainRingCopy(*this, [this](TAreaElement* area) {
        area->FElements.reserve(GetCoordsCount() + 1);
        bool first = true;
        for (int j = 0; j < FElements.count(); ++j) {
            auto* line = zelto_cast<TPolyElement>(FElements.at(j));
            if (!line) continue;
            const bool forward = GetOrigin(j);
            const int n = line->GetCoordsCount();
            // The first line gives all its vertices, every further one all but its first (the
            // vertex it shares with the line before).
            for (int i = first ? 0 : 1; i < n; ++i)
                if (const T2DCoordinate* c = line->GetOrientedCoordElement(i, forward))
                    area->AddElement(c->CreateDuplicate());
            first = false;
        }
    });
}

TAreaElement* TPolyLineAreaElement::CreateAreaElement() const {
    TAreaElement* area = CreateAreaElementNoHole();
    area->FFixedArea = FFixedArea;
    area->FFixedAreaIndex = FFixedAreaIndex;
    if (!FHoles) return area;
    for (TElement* e : FHoles->FElements) {
        if (auto* lineHole = zelto_cast<TPolyLineAreaElement>(e)) {
            area->AddHole(lineHole->CreateAreaElementNoHole());
        } else if (auto* hole = zelto_cast<TAreaElement>(e)) {
            // A plain hole is copied as well, so that the copy loses no hole.
            area->AddHole(plainRingCopy(*hole, [hole](TAreaElement* copy) {
                hole->ForEachCoord([copy](const T2DCoordinate* c) {
                    if (c) copy->AddElement(c->CreateDuplicate());
                    return true;
                });
            }));
        }
    }
    return area;
}

bool TPolyLineAreaElement::XYIsInsideNoHoles(double x, double y) const {
    std::unique_ptr<TAreaElement> ring(CreateAreaElementNoHole());
    return ring->XYIsInsideNoHoles(x, y);
}

// ---- TMultiPolyLineElement -----------------------------------------------------------------------

void TMultiPolyLineElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TMultiPolyLineElement::GetLinesOriginesHex, &TMultiPolyLineElement::SetLinesOriginesHex>(
        "LinesOriginesHex");
}
ZELTO_IMPLEMENT_CLASS(TMultiPolyLineElement, TPolyLineElement, "e_Geometry")

qint32 TMultiPolyLineElement::GetCoordsCount() const {
    return membersCoordsCount(*this);
}

T2DCoordinate* TMultiPolyLineElement::GetCoordElement(int i) const {
    return membersCoordElement(*this, FLinesOrigines, i);
}

bool TMultiPolyLineElement::ForEachCoord(const TCoordVisitor& visit) const {
    return membersForEachCoord(*this, FLinesOrigines, visit);
}

bool TMultiPolyLineElement::ForEachVertex(const TCoordVisitor& visit) const {
    return membersForEachVertex(*this, visit);
}

void TMultiPolyLineElement::AddPolyLine(TPolyElement* line, bool fromBegin) {
    addMember(*this, line, fromBegin);
}

void TMultiPolyLineElement::InsertPolyLine(int i, TPolyElement* line, bool fromBegin) {
    insertMember(*this, i, line, fromBegin);
}

bool TMultiPolyLineElement::HasLine(const TPolyElement* line, bool fromBegin) const {
    return hasMember(*this, line, fromBegin);
}

void TMultiPolyLineElement::RemoveElement(TElement* element) {
    if (element) memberLeaves(*this, FLinesOrigines, IndexOf(element));
    TPolyLineElement::RemoveElement(element);
}

void TMultiPolyLineElement::RemoveElementIndex(int index) {
    memberLeaves(*this, FLinesOrigines, index);
    TPolyLineElement::RemoveElementIndex(index);
}

void TMultiPolyLineElement::FreeElement(TElement* element) {
    if (element) memberLeaves(*this, FLinesOrigines, IndexOf(element));
    TPolyLineElement::FreeElement(element);
}

void TMultiPolyLineElement::FreeElementIndex(int index) {
    memberLeaves(*this, FLinesOrigines, index);
    TPolyLineElement::FreeElementIndex(index);
}

double TMultiPolyLineElement::GetLength() const {
    double length = 0;
    for (TElement* e : FElements)
        if (auto* line = zelto_cast<TPolyElement>(e)) length += line->GetLength();
    return length;
}

bool TMultiPolyLineElement::IsHitByXY(double x, double y, double tolerance) const {
    for (TElement* e : FElements)
        if (auto* g = zelto_cast<TGeometry>(e); g && g->IsHitByXY(x, y, tolerance)) return true;
    return false;
}

bool TMultiPolyLineElement::IsOverRegionEx(double minX, double minY, double maxX, double maxY) const {
    // The ring walk of the members skips each one's last vertex, which a line cannot spare.
    for (TElement* e : FElements)
        if (auto* g = zelto_cast<TRectEntity>(e); g && g->IsOverRegionEx(minX, minY, maxX, maxY)) return true;
    return false;
}

TGeometry* TMultiPolyLineElement::GetSimpleGeometryByXY(double x, double y, double tolerance) {
    for (TElement* e : FElements)
        if (auto* line = zelto_cast<TPolyElement>(e))
            if (TGeometry* g = line->GetSimpleGeometryByXY(x, y, tolerance)) return g;
    return nullptr;
}

void TMultiPolyLineElement::on_tm_DivideGeometry(TZeltoMessage& message) {
    divideMember(*this, message);
}

// ---- TMultiAreaElement ---------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TMultiAreaElement, TAreaElement, "e_Geometry")

TAreaElement* TMultiAreaElement::GetAreaElement(int i) const {
    if (i < 0 || i >= FElements.count()) return nullptr;
    return zelto_cast<TAreaElement>(FElements.at(i));
}

double TMultiAreaElement::GetArea() const {
    double area = 0;
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TPolyElement>(e)) area += part->GetArea();
    return area;
}

double TMultiAreaElement::GetLength() const {
    double length = 0;
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TPolyElement>(e)) length += part->GetLength();
    return length;
}

double TMultiAreaElement::GetFixedArea() const {
    double area = 0;
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TAreaElement>(e)) area += part->GetFixedArea();
    return area;
}

quint8 TMultiAreaElement::GetFixedAreaIndex() const {
    const TAreaElement* first = GetAreaElement(0);
    return first ? first->GetFixedAreaIndex() : 0;
}

bool TMultiAreaElement::GetSameFAI() const {
    const quint8 first = GetFixedAreaIndex();
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TAreaElement>(e); part && part->GetFixedAreaIndex() != first)
            return false;
    return true;
}

bool TMultiAreaElement::IsHitByXY(double x, double y, double tolerance) const {
    if (!RegionIsInside(x - tolerance, y - tolerance, x + tolerance, y + tolerance)) return false;
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TGeometry>(e); part && part->IsHitByXY(x, y, tolerance)) return true;
    return false;
}

TGeometry* TMultiAreaElement::GetSimpleGeometryByXY(double x, double y, double tolerance) {
    for (TElement* e : FElements)
        if (auto* part = zelto_cast<TGeometry>(e))
            if (TGeometry* g = part->GetSimpleGeometryByXY(x, y, tolerance)) return g;
    return nullptr;
}

bool TMultiAreaElement::ForEachVertex(const TCoordVisitor& visit) const {
    return membersForEachVertex(*this, visit);
}

// ---- TGeometryString -----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TGeometryString, TGeometry, "e_Geometry")

void TGeometryString::on_tm_DivideGeometry(TZeltoMessage& message) {
    auto* piece = zelto_cast<TGeometry>(message.FData);
    // The piece lists its owners: asking it is cheap where the string may hold thousands.
    if (piece && piece != this && !piece->IsMyOwner(this)) AddElement(piece);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPointString, TGeometryString, "e_Geometry")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TTextString, TGeometryString, "e_Geometry")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TPolyLineString, TGeometryString, "e_Geometry")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TAreaString, TGeometryString, "e_Geometry")

void registerPolyGeometryClasses() {
    for (const TClassInfo* c :
         {&TGeometry::StaticClass(), &TPointElement::StaticClass(), &TTextElement::StaticClass(),
          &TPolyElement::StaticClass(), &TPolyLineElement::StaticClass(),
          &TMultiPolyLineElement::StaticClass(), &TAreaElement::StaticClass(),
          &TMultiAreaElement::StaticClass(), &TPolyLineAreaElement::StaticClass(),
          &THolesEntity::StaticClass(), &TPointString::StaticClass(), &TTextString::StaticClass(),
          &TPolyLineString::StaticClass(), &TAreaString::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
