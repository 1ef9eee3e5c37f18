#include "e_QTree.h"

#include "framework/Errors.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "geometry/MathLib.h"
#include "geometry/e_GeometryElement.h"

#include <QFile>
#include <QTextStream>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace zelto {

// ---- TQTree --------------------------------------------------------------------------------------

void TQTree::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TQTree::FLevel>("Level");
    b.prop<&TQTree::GetQWidth, &TQTree::SetQWidth>("QWidth");
    b.field<&TQTree::FQMinWidth>("QMinWidth").def(qint64(1));
    b.field<&TQTree::FMaxLeafCount>("MaxLeafCount");
    b.readOnly<&TQTree::GetIsLeaf>("IsLeaf").stored(false);
    b.prop<&TQTree::GetQXMin, &TQTree::SetQXMin>("QXMin").stored(false);
    b.prop<&TQTree::GetQYMin, &TQTree::SetQYMin>("QYMin").stored(false);
    b.readOnly<&TQTree::GetElementsCount>("Elements_Count").stored(false);
    b.readOnly<&TQTree::GetLeavesCount>("LeavesCount").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TQTree, TRectEntity, "e_QTree")

TQTree::TQTree() {
    GetRect()->SetMinX(0);
    GetRect()->SetMinY(0);
    GetRect()->SetMaxX(0);
    GetRect()->SetMaxY(0);
}

qint32 TQTree::MaxCountInCell() const {
    return FMaxLeafCount > 0 ? FMaxLeafCount : 64;
}

bool TQTree::GetIsLeaf() const {
    return FElements.count() == 0 || !FElements.at(0) || !FElements.at(0)->Is<TQTree>();
}

void TQTree::SetSquare(double x, double y, qint32 w) {
    FQWidth = w;
    TRectangle* r = GetRect();
    r->SetMinX(x);
    r->SetMinY(y);
    r->SetMaxX(x + w);
    r->SetMaxY(y + w);
}

void TQTree::SetQXMin(double x) {
    GetRect()->SetMinX(x);
    GetRect()->SetMaxX(x + FQWidth);
}

void TQTree::SetQYMin(double y) {
    GetRect()->SetMinY(y);
    GetRect()->SetMaxY(y + FQWidth);
}

void TQTree::SetQWidth(qint32 w) {
    FQWidth = w;
    GetRect()->SetMaxX(GetMinX() + w);
    GetRect()->SetMaxY(GetMinY() + w);
}

qint32 TQTree::GetElementsCount() const {
    if (GetIsLeaf()) return ElementsCount();
    qint32 n = 0;
    for (int i = 0; i < ElementsCount(); ++i)
        if (auto* c = zelto_cast<TQTree>(FElements.at(i))) n += c->GetElementsCount();
    return n;
}

qint32 TQTree::GetLeavesCount() const {
    if (GetIsLeaf()) return 1;
    qint32 n = 0;
    for (int i = 0; i < ElementsCount(); ++i)
        if (auto* c = zelto_cast<TQTree>(FElements.at(i))) n += c->GetLeavesCount();
    return n;
}

void TQTree::SetForRectangle(double xmin, double ymin, double xmax, double ymax) {
    qint32 x0 = 0, y0 = 0, size = 0;
    VratNormCtverec(xmin, ymin, xmax, ymax, x0, y0, size);
    SetSquare(x0, y0, size);
}

void TQTree::Add(TElement* e) {
    double xmin, ymin, xmax, ymax;
    if (e && GiveElementRectangle(e, xmin, ymin, xmax, ymax)) AddRectElement(e, xmin, ymin, xmax, ymax);
}

void TQTree::Extend(TElement* e) {
    double xmin, ymin, xmax, ymax;
    if (!e || !GiveElementRectangle(e, xmin, ymin, xmax, ymax)) return;
    if (FQWidth == 0)
        SetForRectangle(xmin, ymin, xmax, ymax);
    else
        ExtendQuad(xmin, ymin, xmax, ymax);
    AddRectElement(e, xmin, ymin, xmax, ymax);
}

TQTree* TQTree::newChild(double x, double y) const {
    auto* child = static_cast<TQTree*>(ClassType().create());
    child->FLevel = FLevel + 1;
    child->FMaxLeafCount = FMaxLeafCount;
    child->FQMinWidth = FQMinWidth;
    child->SetSquare(x, y, FQWidth / 2);
    return child;
}

void TQTree::AddRectElement(TElement* e, double xmin, double ymin, double xmax, double ymax) {
    // Iterative over the inner nodes: each node hands the element to its four children. (At most
    // three siblings wait per level, so the stack stays on the stack for any real depth.)
    QVarLengthArray<TQTree*, 64> pending{this};
    while (!pending.empty()) {
        TQTree* node = pending.back();
        pending.removeLast();
        if (!node->IsOverRectangle(xmin, ymin, xmax, ymax)) continue;
        if (node->GetIsLeaf()) {
            try {
                node->AddDirectlyEx(e);
                if (node->FQWidth >= 2 && node->ElementsCount() > node->MaxCountInCell() &&
                    node->SplitSeparates())
                    node->MakeNewQTreeAndMove();
            } catch (const std::exception&) {
                // One leaf failing does not keep the element from the others.
            }
            continue;
        }
        for (int i = std::min(3, node->ElementsCount() - 1); i >= 0; --i)
            if (auto* c = zelto_cast<TQTree>(node->FElements.at(i))) pending.push_back(c);
    }
}

void TQTree::AddDirectly(TElement* e) {
    double xmin, ymin, xmax, ymax;
    if (e && GiveElementRectangle(e, xmin, ymin, xmax, ymax) && IsOverRectangle(xmin, ymin, xmax, ymax))
        AddElement(e);
}

void TQTree::AddDirectlyEx(TElement* e) {
    AddDirectly(e);
}

bool TQTree::ElementIsOverRectangle(const TElement* e, double xmin, double ymin, double xmax,
                                    double ymax) const {
    const auto* r = zelto_cast<TRectEntity>(e);
    return r && r->IsOverRegion(xmin, ymin, xmax, ymax);
}

void TQTree::MakeNewQTreeAndMove() {
    const double x = GetQXMin(), y = GetQYMin();
    const qint32 w = FQWidth / 2;
    TQTree* children[4] = {newChild(x, y), newChild(x + w, y), newChild(x, y + w), newChild(x + w, y + w)};
    const int n = ElementsCount();
    std::vector<TElement*> moved;
    moved.reserve(size_t(n));
    for (int i = 0; i < n; ++i) moved.push_back(FElements.at(i));
    for (TElement* e : moved) {
        bool taken = false;
        for (TQTree* c : children) {
            c->AddDirectlyEx(e);
            taken = taken || c->IndexOf(e) >= 0;
        }
        // An element the refined test puts in no quarter (rounding at a quarter's edge) still
        // stays indexed rather than being dropped with the leaf's claim on it.
        if (!taken) children[0]->AddElement(e);
    }
    for (int i = n - 1; i >= 0; --i) RemoveElementIndex(i);
    for (TQTree* c : children) AddElement(c);
}

void TQTree::ExtendQuad(double xmin, double ymin, double xmax, double ymax) {
    if (RectangleIsIn(xmin, ymin, xmax, ymax)) return;
    const double oldX = GetQXMin(), oldY = GetQYMin();
    const qint32 oldW = FQWidth;
    qint32 nx = 0, nsx = 0, ny = 0, nsy = 0;
    VratNormRozsireni2D(qint32(std::nearbyint(oldX)), oldW, xmin, xmax, nx, nsx);
    VratNormRozsireni2D(qint32(std::nearbyint(oldY)), oldW, ymin, ymax, ny, nsy);
    const qint32 side = std::max(nsx, nsy);
    if (GetIsLeaf()) {
        if (FLevel == 0) SetSquare(nx, ny, side);
        return;
    }
    // Check first that the old square is a node of the new grid, so a failure changes nothing.
    {
        double cx = nx, cy = ny;
        qint64 w = side;
        while (w > oldW) {
            const qint64 h = w / 2;
            bool found = false;
            for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
                const double sx = cx + dx * h, sy = cy + dy * h;
                if (oldX >= sx && oldY >= sy && oldX + oldW <= sx + h && oldY + oldW <= sy + h) {
                    cx = sx;
                    cy = sy;
                    found = true;
                    break;
                }
            }
            if (!found || h == 0) throw EZeltoError(QStringLiteral("Chyba při rozšiřování QTree"));
            w = h;
        }
        if (w != oldW || cx != oldX || cy != oldY)
            throw EZeltoError(QStringLiteral("Chyba při rozšiřování QTree"));
    }
    std::vector<TElement*> old;
    for (int i = 0; i < ElementsCount(); ++i) old.push_back(FElements.at(i));
    // Detached (removing does not free): the path below gets them back.
    for (int i = ElementsCount() - 1; i >= 0; --i) RemoveElementIndex(i);
    SetSquare(nx, ny, side);
    TQTree* node = this;
    while (node->FQWidth > oldW) {
        const double x = node->GetQXMin(), y = node->GetQYMin();
        const qint32 h = node->FQWidth / 2;
        TQTree* children[4] = {node->newChild(x, y), node->newChild(x + h, y), node->newChild(x, y + h),
                               node->newChild(x + h, y + h)};
        for (TQTree* c : children) node->AddElement(c);
        TQTree* next = nullptr;
        for (TQTree* c : children)
            if (c->IsIn(oldX, oldY, oldW)) {
                next = c;
                break;
            }
        node = next; // checked above: never none
    }
    for (TElement* c : old) node->AddElement(c);
}

bool TQTree::IsOverRectangle(double xmin, double ymin, double xmax, double ymax) const {
    const double x0 = GetQXMin(), y0 = GetQYMin();
    return xmin <= x0 + FQWidth && xmax >= x0 && ymin <= y0 + FQWidth && ymax >= y0;
}

bool TQTree::RectangleIsIn(double xmin, double ymin, double xmax, double ymax) const {
    const double x0 = GetQXMin(), y0 = GetQYMin();
    return xmin >= x0 && xmax <= x0 + FQWidth && ymin >= y0 && ymax <= y0 + FQWidth;
}

bool TQTree::IsIn(double x, double y, double w) const {
    return RectangleIsIn(x, y, x + w, y + w) && GetRect()->GetWidth() <= FQWidth;
}

bool TQTree::IsOver(double x, double y, double w) const {
    return IsIn(x, y, w) || IsOverRectangle(x, y, x + w, y + w);
}

bool TQTree::XYIsIn(double x, double y) const {
    const double x0 = GetQXMin(), y0 = GetQYMin();
    return x0 < x && x <= x0 + FQWidth && y0 < y && y <= y0 + FQWidth;
}

bool TQTree::HasLeafOverRectangle(double xmin, double ymin, double xmax, double ymax) const {
    if (!IsOverRectangle(xmin, ymin, xmax, ymax)) return false;
    if (GetIsLeaf()) return true;
    for (int i = 0; i < ElementsCount(); ++i)
        if (auto* c = zelto_cast<TQTree>(FElements.at(i));
            c && c->HasLeafOverRectangle(xmin, ymin, xmax, ymax))
            return true;
    return false;
}

bool TQTree::HasElementOverRectangle(double xmin, double ymin, double xmax, double ymax) const {
    if (!IsOverRectangle(xmin, ymin, xmax, ymax)) return false;
    if (GetIsLeaf()) {
        for (int i = 0; i < ElementsCount(); ++i)
            if (ElementIsOverRectangle(FElements.at(i), xmin, ymin, xmax, ymax)) return true;
        return false;
    }
    for (int i = 0; i < ElementsCount(); ++i)
        if (auto* c = zelto_cast<TQTree>(FElements.at(i));
            c && c->HasElementOverRectangle(xmin, ymin, xmax, ymax))
            return true;
    return false;
}

void TQTree::GetPaterAndSelfIndex(TQTree*& parent, qint32& index) const {
    parent = static_cast<TQTree*>(FindOwnerClass(TQTree::StaticClass()));
    index = parent ? parent->IndexOf(this) : -1;
}

void TQTree::Empty() {
    if (GetIsLeaf()) {
        FreeAll();
        return;
    }
    for (int i = 0; i < ElementsCount(); ++i)
        if (auto* c = zelto_cast<TQTree>(FElements.at(i))) c->Empty();
}

void TQTree::HandleMessage(TZeltoMessage& message, bool& handled) {
    TRectEntity::HandleMessage(message, handled);
    if (!handled && message.FMessage == tm_DivideGeometry) on_tm_DivideGeometry(message);
}

void TQTree::on_tm_DivideGeometry(TZeltoMessage& message) {
    TElement* piece = message.FData;
    double xmin, ymin, xmax, ymax;
    if (piece && piece != this && GiveElementRectangle(piece, xmin, ymin, xmax, ymax))
        AddRectElement(piece, xmin, ymin, xmax, ymax);
}

// ---- TRectEntityQTree ----------------------------------------------------------------------------

void TRectEntityQTree::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TRectEntityQTree::SetNextRectEntity>("NextRectEntity").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TRectEntityQTree, TQTree, "e_QTree")

qint32 TRectEntityQTree::MaxCountInCell() const {
    return FMaxLeafCount > 0 ? FMaxLeafCount : DefaultLeafCount;
}

void TRectEntityQTree::AddDirectlyEx(TElement* e) {
    auto* r = zelto_cast<TRectEntity>(e);
    if (!r || r == this) return;
    const double x0 = GetQXMin(), y0 = GetQYMin();
    if (r->IsOverRegionEx(x0, y0, x0 + FQWidth, y0 + FQWidth)) AddElement(e);
}

bool TRectEntityQTree::SplitSeparates() const {
    // The quarters as MakeNewQTreeAndMove makes them, tested as AddDirectlyEx tests.
    const double x = GetQXMin(), y = GetQYMin();
    const qint32 w = FQWidth / 2;
    const double quarters[4][2] = {{x, y}, {x + w, y}, {x, y + w}, {x + w, y + w}};
    const qint32 half = ElementsCount() / 2;
    qint32 parted = 0;
    for (TElement* e : FElements) {
        auto* r = zelto_cast<TRectEntity>(e);
        if (!r) continue;
        for (const auto& q : quarters)
            if (!r->IsOverRegionEx(q[0], q[1], q[0] + w, q[1] + w)) {
                if (++parted > half) return true;
                break;
            }
    }
    return false;
}

bool TRectEntityQTree::GiveElementRectangle(const TElement* e, double& xmin, double& ymin, double& xmax,
                                            double& ymax) const {
    const auto* r = zelto_cast<TRectEntity>(e);
    if (!r) return false;
    xmin = r->GetMinX();
    ymin = r->GetMinY();
    xmax = r->GetMaxX();
    ymax = r->GetMaxY();
    return true;
}

// ---- TQTreeWalker --------------------------------------------------------------------------------

bool TQTreeWalker::QGoInside(const TQTree* node) const {
    return node->IsOverRectangle(m_x0, m_y0, m_x1, m_y1);
}

TElement* TQTreeWalker::GetFirstElementForRectangle(TQTree* tree, double xmin, double ymin, double xmax,
                                                    double ymax, double tolerance) {
    Xmin = xmin;
    Ymin = ymin;
    Xmax = xmax;
    Ymax = ymax;
    Tolerance = tolerance;
    m_x0 = xmin - tolerance;
    m_y0 = ymin - tolerance;
    m_x1 = xmax + tolerance;
    m_y1 = ymax + tolerance;
    m_start = nullptr;
    m_node = nullptr;
    m_index = 0;
    if (!tree || !tree->IsOverRectangle(m_x0, m_y0, m_x1, m_y1)) return nullptr;
    m_start = tree;
    m_node = tree;
    return GetNextElement();
}

TElement* TQTreeWalker::GetNextElement() {
    while (m_node) {
        if (m_index < m_node->ElementsCount()) {
            TElement* e = m_node->FElements.at(m_index);
            if (e && !e->Is<TQTree>()) {
                ++m_index;
                if (m_node->ElementIsOverRectangle(e, m_x0, m_y0, m_x1, m_y1)) return e;
                continue;
            }
        }
        step();
    }
    return nullptr;
}

void TQTreeWalker::step() {
    if (m_index >= m_node->ElementsCount()) {
        // The walk ends at the node it started from, even when that node is not the root: the
        // subtree's neighbours are outside the query.
        if (m_node == m_start) {
            m_node = nullptr;
            return;
        }
        TQTree* parent = nullptr;
        qint32 index = -1;
        m_node->GetPaterAndSelfIndex(parent, index);
        m_node = parent && index >= 0 ? parent : nullptr;
        m_index = index + 1;
        return;
    }
    auto* child = zelto_cast<TQTree>(m_node->FElements.at(m_index));
    if (child && QGoInside(child)) {
        m_node = child;
        m_index = 0;
    } else {
        ++m_index;
    }
}

// ---- TSpaceRect / TSpaceLineBegEndCell -----------------------------------------------------------

void TSpaceRect::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TSpaceRect::GetLast, &TSpaceRect::SetLast>("Last").def(qint64(1));
}
ZELTO_IMPLEMENT_CLASS(TSpaceRect, TRectEntity, "e_QTree")

void TSpaceRect::RemoveElement(TElement* element) {
    for (TSpaceRect** f : {&FLeftTop, &FLeftBottom, &FRightTop, &FRightBottom})
        if (*f == element) *f = nullptr;
    TRectEntity::RemoveElement(element);
}

void TSpaceLineBegEndCell::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TSpaceLineBegEndCell::GetCount>("Count").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TSpaceLineBegEndCell, TSpaceRect, "e_QTree")

void TSpaceLineBegEndCell::RemoveElement(TElement* element) {
    if (element == FLineBegins) FLineBegins = nullptr;
    if (element == FLineEnds) FLineEnds = nullptr;
    TSpaceRect::RemoveElement(element);
}

qint32 TSpaceLineBegEndCell::GetCount() const {
    if (FIsLast)
        return (FLineBegins ? FLineBegins->ElementsCount() : 0) +
               (FLineEnds ? FLineEnds->ElementsCount() : 0);
    qint32 n = 0;
    for (const TSpaceRect* c : {FLeftTop, FLeftBottom, FRightTop, FRightBottom})
        if (c) n += c->GetCount();
    return n;
}

void TSpaceLineBegEndCell::AddLine(TPolyElement* line, bool fromBegin) {
    const T2DCoordinate* c = line ? line->GetOrientedCoordElement(0, fromBegin) : nullptr;
    if (!c) {
        notifier().message(QStringLiteral("Error: TSpaceLineBegEndCell.AddLine"));
        return;
    }
    AddLineXY(line, fromBegin, c->FX, c->FY);
}

void TSpaceLineBegEndCell::AddBegEnd(TPolyElement* line, bool fromBegin) {
    TPolyLineString*& list = fromBegin ? FLineBegins : FLineEnds;
    if (!list) {
        list = new TPolyLineString;
        list->SetName(fromBegin ? QStringLiteral("BEGINS") : QStringLiteral("ENDS"));
        AddElement(list);
    }
    list->AddAndUpdateRect(line);
}

void TSpaceLineBegEndCell::AddLineXY(TPolyElement* line, bool fromBegin, double x, double y) {
    TSpaceLineBegEndCell* cell = this;
    // Down to the leaf iteratively; a full leaf splits unless it is already tiny.
    for (;;) {
        if (!cell->FIsLast) {
            const bool left = x < cell->HX;
            const bool bottom = y < cell->HY;
            TSpaceRect* next = left ? (bottom ? cell->FLeftBottom : cell->FLeftTop)
                                    : (bottom ? cell->FRightBottom : cell->FRightTop);
            auto* nextCell = zelto_cast<TSpaceLineBegEndCell>(next);
            if (!nextCell) return;
            cell = nextCell;
            continue;
        }
        const bool tiny = cell->GetMaxX() - cell->GetMinX() < MinCellSize &&
                          cell->GetMaxY() - cell->GetMinY() < MinCellSize;
        if (cell->GetCount() < MaxCountInCell || tiny || !std::isfinite(x) || !std::isfinite(y)) {
            cell->AddBegEnd(line, fromBegin);
            return;
        }
        cell->PrepareQTree();
        cell->MoveToQTree();
    }
}

void TSpaceLineBegEndCell::AddToQTree(TPolyElement* line, bool fromBegin, double x, double y) {
    AddLineXY(line, fromBegin, x, y);
}

void TSpaceLineBegEndCell::PrepareQTree() {
    const double x0 = GetMinX(), y0 = GetMinY(), x1 = GetMaxX(), y1 = GetMaxY();
    HX = x0 + (x1 - x0) / 2;
    HY = y0 + (y1 - y0) / 2;
    auto make = [this](double ax, double ay, double bx, double by, const char* name) {
        auto* c = static_cast<TSpaceLineBegEndCell*>(ClassType().create());
        c->SetByDoubleRect({ax, ay, bx, by});
        c->SetName(QString::fromLatin1(name));
        return c;
    };
    FLeftBottom = make(x0, y0, HX, HY, "LEVY DOLNI");
    FLeftTop = make(x0, HY, HX, y1, "LEVY HORNI");
    FRightBottom = make(HX, y0, x1, HY, "PRAVY DOLNI");
    FRightTop = make(HX, HY, x1, y1, "PRAVY HORNI");
    for (TSpaceRect* c : {FLeftBottom, FLeftTop, FRightBottom, FRightTop}) AddElement(c);
    FIsLast = false;
}

void TSpaceLineBegEndCell::MoveToQTree() {
    for (bool begins : {true, false}) {
        TPolyLineString* list = begins ? FLineBegins : FLineEnds;
        if (!list) continue;
        for (int i = 0; i < list->ElementsCount(); ++i) {
            auto* line = zelto_cast<TPolyElement>(list->FElements.at(i));
            const T2DCoordinate* c = line ? line->GetOrientedCoordElement(0, begins) : nullptr;
            if (c) AddToQTree(line, begins, c->FX, c->FY);
        }
        (begins ? FLineBegins : FLineEnds) = nullptr;
        FreeElement(list); // the lines live on in the children
    }
}

// ---- diagnostics ---------------------------------------------------------------------------------

void VypisQTree(const QString& fileName, const TQTree* tree) {
    QString text = QString(51, QLatin1Char('*')) + QLatin1Char('\n');
    std::vector<const TQTree*> stack{tree};
    while (!stack.empty()) {
        const TQTree* node = stack.back();
        stack.pop_back();
        if (!node) continue;
        const bool leaf = node->GetIsLeaf();
        text += QStringLiteral("%1%2%3%4%5\n")
                    .arg(node->ElementsCount(), 5)
                    .arg(leaf ? QStringLiteral(" =") : QStringLiteral(" >"))
                    .arg(node->GetQXMin(), 10, 'f', 2)
                    .arg(node->GetQYMin(), 10, 'f', 2)
                    .arg(node->FQWidth, 10);
        if (leaf) {
            for (int i = 0; i < node->ElementsCount(); ++i)
                if (const auto* ge = zelto_cast<TGeometryElement>(node->FElements.at(i)))
                    text += QStringLiteral("%1 > %2\n")
                                .arg(ge->GetSpaceID(), 10)
                                .arg(ge->GetPropertyStringByName("BlockDir"));
        } else {
            for (int i = node->ElementsCount() - 1; i >= 0; --i)
                stack.push_back(zelto_cast<TQTree>(node->FElements.at(i)));
        }
    }
    QFile f(fileName);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size() || !f.flush())
        notifier().error(QStringLiteral("Chyba při zápisu do souboru ") + fileName);
}

void registerQTreeClasses() {
    RegisterZeltoClass(TQTree::StaticClass());
    RegisterZeltoClass(TRectEntityQTree::StaticClass());
    RegisterZeltoClass(TSpaceLineBegEndCell::StaticClass());
}

} // namespace zelto
