#include "T_Topol.h"

#include "E_Node.h"
#include "e_QTree.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "t_Applac.h"

#include <cmath>
#include <exception>
#include <memory>

namespace zelto {

namespace {

const QString NodesName = QStringLiteral("NODES");

QString errorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

} // namespace

// ---- leaf walkers --------------------------------------------------------------------------------

void TProchazecListuQTree::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TProchazecListuQTree::GetLeavesCount>("LeavesCount").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProchazecListuQTree, TProchazecObjektu, "T_Topol")

void TProchazecListuQTree::DoIt() {
    FLeavesCount = 0;
    TProchazecObjektu::DoIt();
}

bool TProchazecListuQTree::QGoInside(TElement* element) {
    auto* cell = zelto_cast<TSpaceLineBegEndCell>(element);
    return cell && !cell->GetLast();
}

bool TProchazecListuQTree::QProcessBefore(TElement* element) {
    auto* cell = zelto_cast<TSpaceLineBegEndCell>(element);
    return cell && cell->GetLast();
}

void TProchazecListuQTree::Process(TElement* element) {
    ++FLeavesCount;
    ProcessLeaf(static_cast<TSpaceLineBegEndCell*>(element));
}

void TProchazecListuQTree::ProcessLeaf(TSpaceLineBegEndCell*) {}

TEntity* TProchazecListuQTree::NodesOfLeaf(const TSpaceLineBegEndCell* leaf) {
    return leaf ? leaf->FindNamedChild<TEntity>(NodesName) : nullptr;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TProchazecListuQTreeGauge, TProchazecListuQTree, "T_Topol")

void TProchazecListuQTreeGauge::DoIt() {
    auto counter = std::make_unique<TProchazecListuQTree>();
    counter->SetInput(FInPut);
    counter->DoIt();
    if (counter->FLeavesCount > 100) startGauge(counter->FLeavesCount);
    TProchazecListuQTree::DoIt();
    endGauge();
}

void TProchazecListuQTreeGauge::Process(TElement* element) {
    TProchazecListuQTree::Process(element);
    gaugeStep(FLeavesCount);
}

// ---- nodes ---------------------------------------------------------------------------------------

void TPutLinesIntoNodes::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TPutLinesIntoNodes::GetPutBothEnds, &TPutLinesIntoNodes::SetPutBothEnds>("PutBothEnds");
    b.prop<&TPutLinesIntoNodes::GetPutBegin, &TPutLinesIntoNodes::SetPutBegin>("PutBegin");
}
ZELTO_IMPLEMENT_CLASS(TPutLinesIntoNodes, TProchazecLinii, "T_Topol")

void TPutLinesIntoNodes::ProcessLine(TPolyLineElement* line) {
    if (FPutBothEnds) {
        PutLineEnd(line, true);
        PutLineEnd(line, false);
    } else {
        PutLineEnd(line, FPutBegin);
    }
}

TNode* TPutLinesIntoNodes::FindNode(double x, double y) const {
    if (!FNodes) return nullptr;
    const int n = FNodes->ElementsCount();
    for (int i = 0; i < n; ++i) {
        TElement* e = FNodes->FElements.at(i);
        if (!e || (&e->ClassType() != &TNode::StaticClass() && !e->Is<TNode>())) continue;
        auto* node = static_cast<TNode*>(e);
        if (!node->FCoord) continue;
        if (std::abs(node->FCoord->FX - x) < NodeTolerance && std::abs(node->FCoord->FY - y) < NodeTolerance)
            return node;
    }
    return nullptr;
}

void TPutLinesIntoNodes::PutLineEnd(TPolyLineElement* line, bool fromBegin) {
    const T2DCoordinate* end = line->GetOrientedCoordElement(0, fromBegin);
    if (!end) return;
    if (!FNodes) {
        if (!FLeaf) return;
        auto* nodes = new TOwnerEntity;
        nodes->SetName(NodesName);
        FLeaf->AddElement(nodes);
        FNodes = nodes;
    }
    TNode* node = FindNode(end->FX, end->FY);
    if (!node) {
        node = new TNode;
        FNodes->AddElement(node);
    }
    node->AddLine(line, fromBegin);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPutNodesIntoQTree, TProchazecListuQTreeGauge, "T_Topol")

void TPutNodesIntoQTree::ProcessLeaf(TSpaceLineBegEndCell* leaf) {
    auto putter = std::make_unique<TPutLinesIntoNodes>();
    putter->FLeaf = leaf;
    putter->FNodes = NodesOfLeaf(leaf);
    auto run = [&](TEntity* lines, bool both, bool begin) {
        putter->FPutBothEnds = both;
        putter->FPutBegin = begin;
        putter->SetInput(lines);
        putter->DoIt();
    };
    // Begins before ends, whatever the order of the collections among the children.
    if (leaf->FLineBegins) run(leaf->FLineBegins, false, true);
    if (leaf->FLineEnds) run(leaf->FLineEnds, false, false);
    for (int i = 0; i < leaf->ElementsCount(); ++i) {
        auto* other = zelto_cast<TPolyLineString>(leaf->FElements.at(i));
        if (other && other != leaf->FLineBegins && other != leaf->FLineEnds) run(other, true, true);
    }
}

// ---- connecting ----------------------------------------------------------------------------------

void TNodeConector::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TNodeConector::FJoinDifferentLines>("JoinDifferentLines");
    b.field<&TNodeConector::FDeletePseudoNode>("DeletePseudoNode");
    b.field<&TNodeConector::FMaxCoordsCount>("MaxCoordsCount");
}
ZELTO_IMPLEMENT_CLASS(TNodeConector, TTool, "T_Topol")

void TNodeConector::DoIt() {
    auto* node = zelto_cast<TNode>(FInPut);
    if (!node) return;
    try {
        if (FDeletePseudoNode && node->GetBranchCount() == 2 && JoinPseudoNode(node)) return;
        const int n = node->GetBranchCount();
        for (int i = 0; i < n; ++i) {
            TNodeBranch* b = node->GetBranch(i);
            if (!b || b->FNode) continue;
            TNode* far = nullptr;
            TNodeBranch* farBranch = nullptr;
            b->GiveLineSecondNodeBranch(far, farBranch);
            if (!farBranch) continue;
            b->FNode = far;
            farBranch->FNode = node;
        }
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("TNodeConector.Process: Chyba"));
    }
}

bool TNodeConector::JoinPseudoNode(TNode* node) {
    TNodeBranch* b1 = node->GetBranch(0);
    TNodeBranch* b2 = node->GetBranch(1);
    if (!b1 || !b2) return false;
    TPolyLineElement* l1 = b1->FLine;
    TPolyLineElement* l2 = b2->FLine;
    // The same line at both branches: a closed line, nothing to join.
    if (!l1 || !l2 || l1 == l2) return false;
    const int n1 = l1->GetCoordsCount(), n2 = l2->GetCoordsCount();
    if (FMaxCoordsCount > 0 && n1 + n2 - 1 > FMaxCoordsCount) return false;
    if (!FJoinDifferentLines) {
        auto kind = [](const TPolyLineElement* l) {
            return l->HasPropertyByName(QStringLiteral("Druh"))
                       ? l->GetPropertyIntByName(QStringLiteral("Druh"))
                       : 0;
        };
        if (kind(l1) != kind(l2)) return false;
    }
    TNode* far1 = nullptr;
    TNode* far2 = nullptr;
    TNodeBranch* farBranch1 = nullptr;
    TNodeBranch* farBranch2 = nullptr;
    b1->GiveLineSecondNodeBranch(far1, farBranch1);
    b2->GiveLineSecondNodeBranch(far2, farBranch2);
    if (!farBranch2) return false;
    try {
        // L2's vertices after the one at this node, from here outwards.
        std::vector<T2DCoordinate*> moved;
        for (int k = 1; k < n2; ++k) moved.push_back(l2->GetOrientedCoordElement(k, b2->FLineBegin));
        for (T2DCoordinate* c : moved) l2->RemoveElement(c);
        for (T2DCoordinate* c : moved) {
            if (!c) continue;
            if (b1->FLineBegin)
                l1->InsertElement(0, c);
            else
                l1->AddElement(c);
        }
        l1->RecalculateRect();
        l1->CalculateLabelProps();
        far2->FreeElement(farBranch2);
        node->FreeElement(b2);
        delete l2; // the node's vertex of L2 goes with it; every owner lets the line go
        TNodeBranch* entered = far2->AddLine(l1, b1->FLineBegin);
        if (entered) entered->FNode = far1;
        if (farBranch1) farBranch1->FNode = far2;
        delete node;
        return true;
    } catch (const std::exception& e) {
        const QString number = l1->HasPropertyByName(QStringLiteral("Cislo"))
                                   ? l1->GetPropertyStringByName(QStringLiteral("Cislo"))
                                   : QString();
        notifier().message(QStringLiteral("Chyba při spojování v pseudouzlu linie č.") + number +
                           QStringLiteral(": ") + errorText(e));
        return false;
    }
}

void TNodesConector::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TNodesConector::FJoinDifferentLines>("JoinDifferentLines");
    b.field<&TNodesConector::FDeletePseudoNodes>("DeletePseudoNodes");
    b.field<&TNodesConector::FMaxCoordsCount>("MaxCoordsCount");
}
ZELTO_IMPLEMENT_CLASS(TNodesConector, TProchazecListuQTreeGauge, "T_Topol")

void TNodesConector::ProcessLeaf(TSpaceLineBegEndCell* leaf) {
    TEntity* nodes = NodesOfLeaf(leaf);
    if (!nodes) return;
    try {
        auto conector = std::make_unique<TNodeConector>();
        conector->FJoinDifferentLines = FJoinDifferentLines;
        conector->FDeletePseudoNode = FDeletePseudoNodes;
        conector->FMaxCoordsCount = FMaxCoordsCount;
        int i = 0;
        while (i < nodes->ElementsCount()) {
            const int before = nodes->ElementsCount();
            conector->SetInput(nodes->FElements.at(i));
            conector->DoIt();
            // A freed pseudo node shifts the next one into its place.
            if (nodes->ElementsCount() == before) ++i;
        }
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("TNodesConector.Process: Chyba"));
    }
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TRemoveSingleLinesInQTree, TProchazecListuQTreeGauge, "T_Topol")

void TRemoveSingleLinesInQTree::ProcessLeaf(TSpaceLineBegEndCell* leaf) {
    TEntity* nodes = NodesOfLeaf(leaf);
    if (!nodes) return;
    try {
        for (int i = nodes->ElementsCount() - 1; i >= 0; --i) {
            auto* node = zelto_cast<TNode>(nodes->FElements.at(i));
            if (!node || node->GetBranchCount() != 1) continue;
            TNode* far = nullptr;
            TNodeBranch* farBranch = nullptr;
            node->GetBranch(0)->GiveLineSecondNodeBranch(far, farBranch);
            if (farBranch) far->FreeElement(farBranch);
            nodes->FreeElement(node);
        }
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Chyba v CreateAreaForQtree"));
    }
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDeleteDirectRelationsToLinesInQTree, TProchazecListuQTreeGauge, "T_Topol")

void TDeleteDirectRelationsToLinesInQTree::ProcessLeaf(TSpaceLineBegEndCell* leaf) {
    for (TPolyLineString** list : {&leaf->FLineBegins, &leaf->FLineEnds}) {
        TPolyLineString* l = *list;
        *list = nullptr;
        if (l) leaf->FreeElement(l);
    }
}

// ---- face tracing --------------------------------------------------------------------------------

void TCreateAreaForBranch::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TCreateAreaForBranch::GetAreaValue>("AreaValue").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TCreateAreaForBranch, TTool, "T_Topol")

TCreateAreaForBranch::~TCreateAreaForBranch() {
    delete m_placer;
}

TAreaPointPlacer* TCreateAreaForBranch::placer() {
    if (!m_placer) m_placer = new TAreaPointPlacer;
    return m_placer;
}

void TCreateAreaForBranch::ForgetArea(TAreaElement* area) {
    for (TNodeBranch* b : m_branches)
        if (b->FRightArea == area) b->FRightArea = nullptr;
    m_branches.clear();
}

void TCreateAreaForBranch::DoIt() {
    SetOutput(nullptr);
    m_branches.clear();
    FAreaValue = 0;
    auto* start = zelto_cast<TNodeBranch>(FInPut);
    if (!start || !start->FLine || !start->FNode || start->FRightArea || start->FNotRegularArea) return;

    double value = 0;
    bool ok = false;
    qint32 count = 0;
    start->GiveRightAreaPropertyAndSet(value, ok, true, count);
    FAreaValue = value;
    // A NaN value fails the comparison and builds nothing as well.
    if (!ok || count >= MaxFaceBranches || !(std::abs(value) > MinFaceArea)) return;

    const bool negative = value < 0;
    auto* area = new TPolyLineAreaElement;
    try {
        area->AddPolyLine(start->FLine, start->FLineBegin);
        start->FNotRegularArea = false;
        if (negative) {
            area->SetIsHole(true);
        } else {
            start->FRightArea = area;
            m_branches.push_back(start);
        }
        double sum = start->GetSubAreaValue();
        TNode* node = nullptr;
        TNodeBranch* branch = start->GetNextNodeBranchRight(node);
        for (qint32 taken = 1; branch && branch != start && taken < MaxBuildBranches; ++taken) {
            branch->FNotRegularArea = false;
            branch->FRightArea = area;
            m_branches.push_back(branch);
            area->AddPolyLine(branch->FLine, branch->FLineBegin);
            sum += branch->GetSubAreaValue();
            branch = branch->GetNextNodeBranchRight(node);
        }
        FAreaValue = sum;
        if (!(std::abs(sum) > MinFaceArea)) {
            ForgetArea(area);
            delete area;
            return;
        }
        if (sum > 0) {
            if (FPlaceLabels) {
                TAreaPointPlacer* p = placer();
                p->SetInput(area);
                p->DoIt();
            }
        } else {
            area->SetIsHole(true);
        }
        area->SetFixedArea(std::abs(sum));
        SetOutput(area);
    } catch (const std::exception&) {
        ForgetArea(area);
        delete area;
        SetOutput(nullptr);
    }
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TCreateAreasForQTree, TProchazecListuQTreeGauge, "T_Topol")

TCreateAreasForQTree::~TCreateAreasForQTree() {
    delete m_tracer;
}

void TCreateAreasForQTree::DoIt() {
    SetOutput(nullptr);
    FAreaQTree = nullptr;
    FAreaCount = 0;
    if (!zelto_cast<TOwnerEntity>(FInPut)) return;
    FAreaQTree = new TRectEntityQTree;
    if (!m_tracer) m_tracer = new TCreateAreaForBranch;
    m_tracer->FPlaceLabels = FPlaceLabels;
    try {
        TProchazecListuQTreeGauge::DoIt();
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Chyba v CreateAreaForQtree"));
    }
    SetOutput(FAreaQTree);
}

void TCreateAreasForQTree::ProcessLeaf(TSpaceLineBegEndCell* leaf) {
    TEntity* nodes = NodesOfLeaf(leaf);
    if (!nodes) return;
    for (int i = 0; i < nodes->ElementsCount(); ++i) {
        auto* node = zelto_cast<TNode>(nodes->FElements.at(i));
        if (!node) continue;
        const int n = node->GetBranchCount();
        for (int j = 0; j < n; ++j) {
            TNodeBranch* b = node->GetBranch(j);
            if (!b || !b->FLine || b->FRightArea || b->FNotRegularArea) continue;
            m_tracer->SetInput(b);
            m_tracer->DoIt();
            auto* area = zelto_cast<TAreaElement>(m_tracer->GetOutput());
            if (!area) continue;
            try {
                FAreaQTree->Extend(area);
            } catch (const std::exception&) {
            }
            if (area->NoOwners()) {
                // The index could not take it (a rectangle beyond its grid): nothing would hold it.
                PostTextMsg(tm_AddToProtocol,
                            QStringLiteral("Plocha mimo rozsah indexu vynechána: ") +
                                QString::number(area->GetMinX(), 'f', 3) + QStringLiteral(" ; ") +
                                QString::number(area->GetMinY(), 'f', 3),
                            nullptr);
                m_tracer->ForgetArea(area);
                delete area;
                continue;
            }
            ++FAreaCount;
        }
    }
}

// ---- TNodeFinderForLine --------------------------------------------------------------------------

void TNodeFinderForLine::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TNodeFinderForLine::FLineBegin>("LineBegin");
}
ZELTO_IMPLEMENT_CLASS(TNodeFinderForLine, TTool, "T_Topol")

void TNodeFinderForLine::DoIt() {
    SetOutput(nullptr);
    auto* line = zelto_cast<TPolyLineElement>(FInPut);
    if (!line) return;
    for (int i = 0; i < line->GetOwnersCount(); ++i)
        if (auto* node = zelto_cast<TNode>(line->GetOwnerEntity(i));
            node && node->GetBranchOfLine(line, FLineBegin))
            SetOutput(node);
}

void ForgetAreaInNodes(const TAreaElement* area) {
    if (!area) return;
    for (TElement* e : area->FElements) {
        auto* line = zelto_cast<TPolyLineElement>(e);
        if (!line) continue;
        for (int i = 0; i < line->GetOwnersCount(); ++i) {
            auto* node = zelto_cast<TNode>(line->GetOwnerEntity(i));
            if (!node) continue;
            const int n = node->GetBranchCount();
            for (int j = 0; j < n; ++j)
                if (TNodeBranch* b = node->GetBranch(j); b->FLine == line && b->FRightArea == area)
                    b->FRightArea = nullptr;
        }
    }
}

void registerTopologyClasses() {
    RegisterZeltoClass(TProchazecListuQTree::StaticClass());
    RegisterZeltoClass(TPutLinesIntoNodes::StaticClass());
    RegisterZeltoClass(TPutNodesIntoQTree::StaticClass());
    RegisterZeltoClass(TNodesConector::StaticClass());
    RegisterZeltoClass(TDeleteDirectRelationsToLinesInQTree::StaticClass());
    RegisterZeltoClass(TCreateAreaForBranch::StaticClass());
    RegisterZeltoClass(TCreateAreasForQTree::StaticClass());
}

} // namespace zelto
