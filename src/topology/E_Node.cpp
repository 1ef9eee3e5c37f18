#include "E_Node.h"

#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "geometry/MathLib.h"

#include <cmath>
#include <exception>

namespace zelto {

namespace {

// Branches come first among a node's children; most children are tested many times during
// tracing, so the exact class is checked before the general test.
bool isBranch(const TElement* e) {
    return e && (&e->ClassType() == &TNodeBranch::StaticClass() || e->Is<TNodeBranch>());
}

} // namespace

// ---- TNodeBranch ---------------------------------------------------------------------------------

void TNodeBranch::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TNodeBranch::GetAngle>("Angle").stored(false);
    b.prop<&TNodeBranch::GetLineBegin, &TNodeBranch::SetLineBegin>("LineBegin");
    b.prop<&TNodeBranch::GetLine, &TNodeBranch::SetLine>("Line");
    b.readOnly<&TNodeBranch::GetX2>("X2").stored(false);
    b.readOnly<&TNodeBranch::GetY2>("Y2").stored(false);
    // The tracing state is transient: it means nothing outside one run of the area tools.
    b.prop<&TNodeBranch::GetRightArea, &TNodeBranch::SetRightArea>("RightArea").stored(false);
    b.readOnly<&TNodeBranch::GetLeftArea>("LeftArea").stored(false);
    b.prop<&TNodeBranch::GetNotRegularArea, &TNodeBranch::SetNotRegularArea>("NotRegularArea").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TNodeBranch, TElement, "E_Node")

double TNodeBranch::GetAngle() const {
    if (!FLine) return 0;
    const T2DCoordinate* end = FLine->GetOrientedCoordElement(0, FLineBegin);
    if (!end) return 0;
    // A repeated end vertex has no direction; the first vertex that differs gives the line's.
    const int n = FLine->GetCoordsCount();
    for (int i = 1; i < n; ++i) {
        const T2DCoordinate* c = FLine->GetOrientedCoordElement(i, FLineBegin);
        if (c && (c->FX != end->FX || c->FY != end->FY)) return ATan2M(c->FX - end->FX, c->FY - end->FY);
    }
    return ATan2M(0, 0);
}

double TNodeBranch::GetX2() const {
    const T2DCoordinate* c = FLine ? FLine->GetOrientedCoordElement(1, FLineBegin) : nullptr;
    return c ? c->FX : 0;
}

double TNodeBranch::GetY2() const {
    const T2DCoordinate* c = FLine ? FLine->GetOrientedCoordElement(1, FLineBegin) : nullptr;
    return c ? c->FY : 0;
}

double TNodeBranch::GetSubAreaValue() const {
    return FLine ? FLine->GetSubAreaValue(FLineBegin) : 0;
}

TAreaElement* TNodeBranch::GetLeftArea() const {
    TNode* node = nullptr;
    TNodeBranch* other = nullptr;
    GiveLineSecondNodeBranch(node, other);
    return other ? other->FRightArea : nullptr;
}

void TNodeBranch::GiveLineSecondNodeBranch(TNode*& node, TNodeBranch*& branch) const {
    node = nullptr;
    branch = nullptr;
    if (!FLine) return;
    try {
        // The connected far node is the answer the owner search would give (a line end is
        // entered at one node only); the search remains for branches not connected yet.
        if (FNode) {
            if (TNodeBranch* b = FNode->GetBranchOfLine(FLine, !FLineBegin); b && b != this) {
                node = FNode;
                branch = b;
                return;
            }
        }
        for (int i = 0; i < FLine->GetOwnersCount(); ++i) {
            auto* n = zelto_cast<TNode>(FLine->GetOwnerEntity(i));
            if (!n) continue;
            if (TNodeBranch* b = n->GetBranchOfLine(FLine, !FLineBegin); b && b != this) {
                node = n;
                branch = b;
                return;
            }
        }
    } catch (const std::exception&) {
        node = nullptr;
        branch = nullptr;
        notifier().message(QStringLiteral("TNodeBranch.GiveLineSecondNodeBranch: Chyba"));
    }
}

TNodeBranch* TNodeBranch::GetNextNodeBranchRight(TNode*& nextNode) const {
    TNodeBranch* arriving = nullptr;
    GiveLineSecondNodeBranch(nextNode, arriving);
    if (!arriving) {
        nextNode = nullptr;
        return nullptr;
    }
    return nextNode->GetNextBranchLeft(arriving);
}

void TNodeBranch::GiveRightAreaPropertyAndSet(double& areaValue, bool& ok, bool mark, qint32& count) {
    ok = false;
    count = 0;
    areaValue = 0;
    if (!FLine) return;
    double sum = GetSubAreaValue();
    if (!std::isfinite(sum)) return;
    if (mark) FNotRegularArea = true;
    count = 1;
    const TNodeBranch* current = this;
    for (;;) {
        TNode* node = nullptr;
        TNodeBranch* next = current->GetNextNodeBranchRight(node);
        if (!next) break;
        if (next == this) {
            ok = true;
            break;
        }
        // Face walks are disjoint cycles: a marked branch means the walk is not one of them.
        if (next->FNotRegularArea) break;
        if (++count > MaxTracedBranches) break;
        const double term = next->GetSubAreaValue();
        if (!std::isfinite(term)) break;
        sum += term;
        if (mark) next->FNotRegularArea = true;
        current = next;
    }
    areaValue = sum;
}

// ---- TNode ---------------------------------------------------------------------------------------

void TNode::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TNode::GetX, &TNode::SetX>("X");
    b.prop<&TNode::GetY, &TNode::SetY>("Y");
    b.readOnly<&TNode::GetBranchCount>("BranchCount").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TNode, TRectEntity, "E_Node")

TNode::~TNode() {
    // The branches at the far ends of this node's lines must not keep pointing here.
    const int n = GetBranchCount();
    for (int i = 0; i < n; ++i) {
        TNodeBranch* b = GetBranch(i);
        if (!b || !b->FNode || b->FNode == this) continue;
        if (TNodeBranch* far = b->FNode->GetBranchOfLine(b->FLine, !b->FLineBegin); far && far->FNode == this)
            far->FNode = nullptr;
    }
    delete FCoord;
}

void TNode::SetX(double v) {
    if (!FCoord) FCoord = new T2DCoordinate;
    FCoord->FX = v;
}

void TNode::SetY(double v) {
    if (!FCoord) FCoord = new T2DCoordinate;
    FCoord->FY = v;
}

bool TNode::IsHit(const TCoordinate* c, double tolerance) const {
    return c && IsHitByXY(c->GetX(), c->GetY(), tolerance);
}

bool TNode::IsHitByXY(double x, double y, double tolerance) const {
    return Distance(x, y, GetX(), GetY()) < std::abs(tolerance);
}

TNodeBranch* TNode::AddLine(TPolyLineElement* line, bool fromBegin) {
    try {
        const T2DCoordinate* end = line ? line->GetOrientedCoordElement(0, fromBegin) : nullptr;
        if (!end) throw EZeltoError(QStringLiteral("no end vertex"));
        if (!FCoord) FCoord = new T2DCoordinate(end->FX, end->FY);
        TNodeBranch* branch = GetBranchOfLine(line, fromBegin);
        if (!branch) {
            branch = new TNodeBranch;
            branch->FLine = line;
            branch->FLineBegin = fromBegin;
            AddBranchSorted(branch);
        }
        if (!line->IsMyOwner(this)) AddAndUpdateRect(line);
        return branch;
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Error: TNode.AddLine"));
        return nullptr;
    }
}

void TNode::AddBranchSorted(TNodeBranch* branch) {
    if (!branch) return;
    const double angle = branch->GetAngle();
    const int n = ElementsCount();
    int at = 0;
    while (at < n) {
        TElement* e = FElements.at(at);
        if (!isBranch(e) || static_cast<TNodeBranch*>(e)->GetAngle() > angle) break;
        ++at;
    }
    InsertElement(at, branch);
}

qint32 TNode::GetBranchCount() const {
    const int n = FElements.count();
    int count = 0;
    while (count < n && isBranch(FElements.at(count))) ++count;
    return count;
}

TNodeBranch* TNode::GetBranch(int i) const {
    if (i < 0 || i >= FElements.count()) return nullptr;
    TElement* e = FElements.at(i);
    return isBranch(e) ? static_cast<TNodeBranch*>(e) : nullptr;
}

TNodeBranch* TNode::GetBranchOfLine(const TPolyLineElement* line, bool fromBegin) const {
    const int n = FElements.count();
    for (int i = 0; i < n; ++i) {
        TElement* e = FElements.at(i);
        if (!isBranch(e)) break;
        auto* b = static_cast<TNodeBranch*>(e);
        if (b->FLine == line && b->FLineBegin == fromBegin) return b;
    }
    return nullptr;
}

TNodeBranch* TNode::GetBranchOfLineSimp(const TPolyLineElement* line) const {
    const int n = FElements.count();
    for (int i = 0; i < n; ++i) {
        TElement* e = FElements.at(i);
        if (!isBranch(e)) break;
        if (static_cast<TNodeBranch*>(e)->FLine == line) return static_cast<TNodeBranch*>(e);
    }
    return nullptr;
}

TPolyLineElement* TNode::GetLine(const TPolyLineElement* line) const {
    return line && line->IsMyOwner(this) ? const_cast<TPolyLineElement*>(line) : nullptr;
}

TNodeBranch* TNode::GetNextBranchLeft(const TNodeBranch* branch) const {
    const int n = FElements.count();
    int count = 0, index = -1;
    while (count < n && isBranch(FElements.at(count))) {
        if (FElements.at(count) == branch) index = count;
        ++count;
    }
    if (index < 0) return nullptr;
    return static_cast<TNodeBranch*>(FElements.at(index + 1 < count ? index + 1 : 0));
}

TNodeBranch* TNode::GetNextBranchRight(const TNodeBranch* branch) const {
    const int n = FElements.count();
    int count = 0, index = -1;
    while (count < n && isBranch(FElements.at(count))) {
        if (FElements.at(count) == branch) index = count;
        ++count;
    }
    if (index < 0) return nullptr;
    return static_cast<TNodeBranch*>(FElements.at(index > 0 ? index - 1 : count - 1));
}

void GiveNodeBranchForLine(const TPolyLineElement* line, bool fromBegin, TNode*& node, TNodeBranch*& branch) {
    node = nullptr;
    branch = nullptr;
    if (!line) return;
    for (int i = 0; i < line->GetOwnersCount(); ++i) {
        auto* n = zelto_cast<TNode>(line->GetOwnerEntity(i));
        if (!n) continue;
        if (TNodeBranch* b = n->GetBranchOfLine(line, fromBegin)) {
            node = n;
            branch = b;
            return;
        }
    }
}

void registerNodeClasses() {
    RegisterZeltoClass(TNode::StaticClass());
    RegisterZeltoClass(TNodeBranch::StaticClass());
}

} // namespace zelto
