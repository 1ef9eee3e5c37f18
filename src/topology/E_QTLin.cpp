#include "E_QTLin.h"

#include "geometry/AnalInt.h"
#include "geometry/MathLib.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelto {

// ---- TTopLinAbscissa -----------------------------------------------------------------------------

void TTopLinAbscissa::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopLinAbscissa::FLine>("Line");
    b.field<&TTopLinAbscissa::FNewAbscissa>("NewAbscissa");
    b.field<&TTopLinAbscissa::FIndex>("Index");
    b.field<&TTopLinAbscissa::FSwap>("Swap");
    b.field<&TTopLinAbscissa::FIsNewEnd>("IsNewEnd");
    b.field<&TTopLinAbscissa::FIsNew>("IsNew");
    b.field<&TTopLinAbscissa::FIsDeleted>("IsDeleted");
    b.field<&TTopLinAbscissa::FFixedBegin>("FixedBegin");
    b.field<&TTopLinAbscissa::FFixedEnd>("FixedEnd");
    b.readOnly<&TTopLinAbscissa::GetLineNo>("LineNo").stored(false);
    // Writing a coordinate moves the line's vertex: never restored from a stream.
    b.prop<&TTopLinAbscissa::GetX1, &TTopLinAbscissa::SetX1>("X1").stored(false);
    b.prop<&TTopLinAbscissa::GetY1, &TTopLinAbscissa::SetY1>("Y1").stored(false);
    b.prop<&TTopLinAbscissa::GetX2, &TTopLinAbscissa::SetX2>("X2").stored(false);
    b.prop<&TTopLinAbscissa::GetY2, &TTopLinAbscissa::SetY2>("Y2").stored(false);
    b.readOnly<&TTopLinAbscissa::GetXmin>("Xmin").stored(false);
    b.readOnly<&TTopLinAbscissa::GetYmin>("Ymin").stored(false);
    b.readOnly<&TTopLinAbscissa::GetXmax>("Xmax").stored(false);
    b.readOnly<&TTopLinAbscissa::GetYmax>("Ymax").stored(false);
    b.readOnly<&TTopLinAbscissa::GetLength>("Length").stored(false);
    b.readOnly<&TTopLinAbscissa::GetIsMargin>("IsMargin").stored(false);
    b.readOnly<&TTopLinAbscissa::GetIsLast>("IsLast").stored(false);
    b.readOnly<&TTopLinAbscissa::GetIsFirst>("IsFirst").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopLinAbscissa, TOwnerElement, "E_QTLin")

bool TTopLinAbscissa::IsPlainLine(const TPolyLineElement* line) {
    if (!line || line->Is<TMultiPolyLineElement>()) return false;
    for (TElement* e : line->FElements)
        if (!zelto_cast<T2DCoordinate>(e)) return false;
    return true;
}

bool TTopLinAbscissa::IsValid() const {
    return BeginCoord() && EndCoord();
}

void TTopLinAbscissa::SetX1(double v) {
    if (T2DCoordinate* c = BeginCoord()) c->FX = v;
}
void TTopLinAbscissa::SetY1(double v) {
    if (T2DCoordinate* c = BeginCoord()) c->FY = v;
}
void TTopLinAbscissa::SetX2(double v) {
    if (T2DCoordinate* c = EndCoord()) c->FX = v;
}
void TTopLinAbscissa::SetY2(double v) {
    if (T2DCoordinate* c = EndCoord()) c->FY = v;
}

void TTopLinAbscissa::SetPoint(bool fromBegin, double x, double y) {
    if (T2DCoordinate* c = fromBegin ? BeginCoord() : EndCoord()) {
        c->FX = x;
        c->FY = y;
    }
}

double TTopLinAbscissa::GetXmin() const {
    return std::min(GetX1(), GetX2());
}
double TTopLinAbscissa::GetYmin() const {
    return std::min(GetY1(), GetY2());
}
double TTopLinAbscissa::GetXmax() const {
    return std::max(GetX1(), GetX2());
}
double TTopLinAbscissa::GetYmax() const {
    return std::max(GetY1(), GetY2());
}

double TTopLinAbscissa::GetLength() const {
    return Distance(GetX1(), GetY1(), GetX2(), GetY2());
}

qint32 TTopLinAbscissa::GetLineNo() const {
    return FLine ? FLine->GetPropertyLongIntByName(QStringLiteral("Cislo")) : -1;
}

bool TTopLinAbscissa::GetIsLast() const {
    return !FLine || FIndex >= (FPlainLine ? FLine->FElements.count() : FLine->GetCoordsCount()) - 2;
}

bool TTopLinAbscissa::JoinToPoint(bool fromBegin, double x, double y, double snap) {
    double ex, ey;
    GetPoint(fromBegin, ex, ey);
    if (!InTolerance(ex, ey, x, y, snap)) return false;
    SetPoint(fromBegin, x, y);
    return true;
}

bool TTopLinAbscissa::IsJoinedPoint(bool fromBegin, const TTopLinAbscissa* other, bool otherBegin, double& x,
                                    double& y, double& distance, double snap) const {
    if (!other) return false;
    other->GetPoint(otherBegin, x, y);
    if (IsFixed(fromBegin)) return false;
    double ex, ey;
    GetPoint(fromBegin, ex, ey);
    if (!InTolerance(ex, ey, x, y, snap)) return false;
    distance = Distance(ex, ey, x, y);
    return true;
}

bool TTopLinAbscissa::JoinToAbscPoint(bool fromBegin, const TTopLinAbscissa* other, double snap,
                                      bool otherBegin) {
    double x, y, d;
    if (!IsJoinedPoint(fromBegin, other, otherBegin, x, y, d, snap)) return false;
    SetPoint(fromBegin, x, y);
    SetFixed(fromBegin, true);
    return true;
}

bool TTopLinAbscissa::IsJoinToAbsc(bool fromBegin, const TTopLinAbscissa* other, double& px, double& py,
                                   double& dist, double snap) const {
    if (!other) return false;
    if (!RectanglesOverlay(GetX1(), GetY1(), GetX2(), GetY2(), other->GetX1(), other->GetY1(), other->GetX2(),
                           other->GetY2(), snap))
        return false;
    const bool begin = fromBegin && !FFixedBegin;
    if (!begin && FFixedEnd) return false;
    double x, y;
    GetPoint(begin, x, y);
    const double ox1 = other->GetX1(), oy1 = other->GetY1(), ox2 = other->GetX2(), oy2 = other->GetY2();
    if (EqualPoints(x, y, ox1, oy1) || EqualPoints(x, y, ox2, oy2)) return false;
    bool onSegment = false;
    DejVztahyBod_Usecka(x, y, ox1, oy1, ox2, oy2, onSegment, px, py, dist);
    return onSegment && dist < snap;
}

bool TTopLinAbscissa::JoinToAbsc(bool fromBegin, const TTopLinAbscissa* other, double& px, double& py,
                                 double snap) {
    double dist;
    if (!IsJoinToAbsc(fromBegin, other, px, py, dist, snap)) return false;
    const bool begin = fromBegin && !FFixedBegin;
    SetPoint(begin, px, py);
    SetFixed(begin, true);
    return true;
}

void TTopLinAbscissa::RelationToPoint(const TTopLinAbscissa* other, bool fromBegin, double& footX,
                                      double& footY, double& px, double& py, bool& danger, bool& nearPoint,
                                      double snap) const {
    danger = false;
    nearPoint = false;
    if (!other || IsIdenticalTo(other)) return;
    other->GetPoint(fromBegin, px, py);
    const double x1 = GetX1(), y1 = GetY1(), x2 = GetX2(), y2 = GetY2();
    if (EqualPoints(px, py, x1, y1) || EqualPoints(px, py, x2, y2)) return;
    if (other->FLine == FLine && other->FIndex == FIndex + 1) {
        bool id11, id21, id12, id22;
        IdentTest(other, id11, id21, id12, id22);
        if (id11 || id21 || id12 || id22) return;
    }
    if (FLine && FIndex > 0)
        if (const T2DCoordinate* before = FLine->GetCoordElement(FIndex - 1);
            before && EqualPoints(px, py, before->FX, before->FY))
            return;
    bool onSegment = false;
    double dist = 0;
    DejVztahyBod_Usecka(px, py, x1, y1, x2, y2, onSegment, footX, footY, dist);
    if (!onSegment || !(dist < snap)) return;
    nearPoint = true;
    danger = dist > Distance(footX, footY, x1, y1) || dist > Distance(footX, footY, x2, y2);
}

TTopLinAbscissa* TTopLinAbscissa::CreateDividedWith(double x, double y) {
    if (!FLine || FIndex < 0 || FIndex + 1 > FLine->ElementsCount()) return nullptr;
    FLine->InsertXY(FIndex + 1, x, y);
    auto* a = new TTopLinAbscissa(FLine, FIndex + 1);
    a->FIsNew = true;
    a->FPlainLine = FPlainLine; // the new vertex is a coordinate
    // The piece lies within the divided segment's old box.
    a->FHasListedBox = FHasListedBox;
    std::copy(std::begin(FListedBox), std::end(FListedBox), std::begin(a->FListedBox));
    return a;
}

bool TTopLinAbscissa::IsOverRectangle(double xmin, double ymin, double xmax, double ymax,
                                      double tolerance) const {
    double x0, y0, x1, y1;
    if (!GetBox(x0, y0, x1, y1)) return false;
    return x0 - tolerance <= xmax && x1 + tolerance >= xmin && y0 - tolerance <= ymax &&
           y1 + tolerance >= ymin;
}

bool TTopLinAbscissa::IsIdenticalTo(const TTopLinAbscissa* other) const {
    if (!other) return false;
    bool id11, id21, id12, id22;
    IdentTest(other, id11, id21, id12, id22);
    return (id11 && id22) || (id12 && id21);
}

void TTopLinAbscissa::IdentTest(const TTopLinAbscissa* other, bool& id11, bool& id21, bool& id12,
                                bool& id22) const {
    const double x1 = GetX1(), y1 = GetY1(), x2 = GetX2(), y2 = GetY2();
    const double ox1 = other->GetX1(), oy1 = other->GetY1(), ox2 = other->GetX2(), oy2 = other->GetY2();
    id11 = EqualPoints(x1, y1, ox1, oy1);
    id22 = EqualPoints(x2, y2, ox2, oy2);
    id12 = EqualPoints(x1, y1, ox2, oy2);
    id21 = EqualPoints(x2, y2, ox1, oy1);
}

// ---- the quadtrees ------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TQTreeTopLin, TRectEntityQTree, "E_QTLin")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TQTreeTopLinAbsc, TQTree, "E_QTLin")

bool TQTreeTopLinAbsc::GiveElementRectangle(const TElement* e, double& xmin, double& ymin, double& xmax,
                                            double& ymax) const {
    const auto* a = zelto_cast<TTopLinAbscissa>(e);
    return a && a->GetBox(xmin, ymin, xmax, ymax);
}

bool TQTreeTopLinAbsc::ElementIsOverRectangle(const TElement* e, double xmin, double ymin, double xmax,
                                              double ymax) const {
    const auto* a = zelto_cast<TTopLinAbscissa>(e);
    return a && a->IsOverRectangle(xmin, ymin, xmax, ymax, 0);
}

} // namespace zelto
