#include "t_QTreeTools.h"

#include "e_QTree.h"
#include "framework/e_Class.h"

#include <algorithm>

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TAddEntityToQTree, TTool, "t_QTreeTools")

void TAddEntityToQTree::DoIt() {
    auto* input = zelto_cast<TEntity>(GetInput());
    if (!input) return;
    if (!GetOutput()) {
        auto* tree = new TRectEntityQTree;
        tree->SetName(QStringLiteral("REQT"));
        SetOutput(tree);
    }
    auto* tree = zelto_cast<TRectEntityQTree>(GetOutput());
    if (!tree || input->ElementsCount() == 0) return;
    const int last = input->GetLastIndex();
    StartProgress(QStringLiteral("Tvorba QTree"), 0, last);
    SetProgressText(QStringLiteral("Bude se ukládat ") + QString::number(input->ElementsCount()) +
                    QStringLiteral(" elementů"));
    const int every = std::max(10, last / 30);
    for (int i = 0; i <= last; ++i) {
        auto* r = zelto_cast<TRectEntity>(input->FElements.at(i));
        if (r && r->IsValid()) tree->SetNextRectEntity(r);
        if (i % every == 0) SetProgress(i);
    }
    SetProgressText(QStringLiteral("OK."));
    EndProgress();
}

void TFindRectEntityInQTreeByXY::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TFindRectEntityInQTreeByXY::FX>("X");
    b.field<&TFindRectEntityInQTreeByXY::FY>("Y");
    b.prop<&TFindRectEntityInQTreeByXY::FTolerance, &TFindRectEntityInQTreeByXY::SetTolerance>("Tolerance");
}
ZELTO_IMPLEMENT_CLASS(TFindRectEntityInQTreeByXY, TTool, "t_QTreeTools")

void TFindRectEntityInQTreeByXY::DoIt() {
    if (GetBusy()) return;
    auto* tree = zelto_cast<TRectEntityQTree>(GetInput());
    if (!tree) return;
    SetBusy(true);
    SetOutput(nullptr);
    TQTree* node = tree->XYIsIn(FX, FY) ? tree : nullptr;
    while (node && !node->GetIsLeaf()) {
        TQTree* next = nullptr;
        for (int i = 0; i < node->ElementsCount() && !next; ++i)
            if (auto* c = zelto_cast<TQTree>(node->FElements.at(i)); c && c->XYIsIn(FX, FY)) next = c;
        node = next;
    }
    if (node)
        for (int i = 0; i < node->ElementsCount(); ++i)
            if (auto* r = zelto_cast<TRectEntity>(node->FElements.at(i));
                r && r->IsHitByXY(FX, FY, FTolerance)) {
                SetOutput(r);
                break;
            }
    SetBusy(false);
}

void registerQTreeToolClasses() {
    RegisterZeltoClass(TAddEntityToQTree::StaticClass());
    RegisterZeltoClass(TFindRectEntityInQTreeByXY::StaticClass());
}

} // namespace zelto
