#include "t_AreMak.h"

#include "T_SAMake.h"
#include "T_Topol.h"
#include "e_QTree.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "t_Applac.h"

#include <atomic>
#include <exception>
#include <memory>
#include <unordered_set>

namespace zelto {

namespace {

std::atomic<TLineJoiningStep> g_joiningStep{nullptr};

// Runs one step of the pipeline; a failure that the step did not report itself is reported
// here, and the pipeline goes on with what the step left.
template <class F> void guarded(const char* what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        notifier().message(QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
    }
}

// The holes that no area took die with the area index; the branches traced along them must not
// keep pointing at them.
void forgetUnattachedHoles(TQTree* tree) {
    std::unordered_set<const TAreaElement*> seen;
    std::vector<TQTree*> stack{tree};
    while (!stack.empty()) {
        TQTree* node = stack.back();
        stack.pop_back();
        for (TElement* e : node->FElements) {
            if (auto* child = zelto_cast<TQTree>(e)) {
                stack.push_back(child);
            } else if (auto* hole = zelto_cast<TAreaElement>(e);
                       hole && hole->GetIsHole() && seen.insert(hole).second && !hole->GetHoleOwnerArea()) {
                ForgetAreaInNodes(hole);
            }
        }
    }
}

// Freeing a leaf lets each of its elements go, and an element finds the leaf in its owner list by
// a search from the front, while a tree frees its leaves last first: an element held by every leaf
// (the outer ring of the whole set of lines) would cost leaves² steps. Elements held by many
// leaves leave them beforehand, from the back of their owner lists; one that nothing else holds
// then (an unattached hole) is freed.
void releaseWideElements(TQTree* tree) {
    constexpr int Wide = 8;
    std::unordered_set<TOwnerEntity*> wide;
    std::vector<TQTree*> stack{tree};
    while (!stack.empty()) {
        TQTree* node = stack.back();
        stack.pop_back();
        for (TElement* e : node->FElements) {
            if (auto* child = zelto_cast<TQTree>(e))
                stack.push_back(child);
            else if (auto* o = zelto_cast<TOwnerEntity>(e); o && o->FOwners.count() > Wide)
                wide.insert(o);
        }
    }
    for (TOwnerEntity* e : wide) {
        TSuperList& owners = e->FOwners;
        for (int i = owners.count() - 1; i >= 0; --i) {
            auto* leaf = zelto_cast<TQTree>(owners.at(i));
            if (!leaf) continue;
            leaf->FElements.removeFirst(e);
            owners.removeAt(i);
        }
        if (owners.count() == 0) delete e;
    }
}

} // namespace

void SetLineJoiningStep(TLineJoiningStep step) {
    g_joiningStep.store(step);
}

TLineJoiningStep GetLineJoiningStep() {
    return g_joiningStep.load();
}

// ---- TClearLines ---------------------------------------------------------------------------------

void TClearLines::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TClearLines::GetSnapDistance, &TClearLines::SetSnapDistance>("SnapDistance");
    b.prop<&TClearLines::GetSelfTest, &TClearLines::SetSelfTest>("SelfTest").def(qint64(1));
    b.prop<&TClearLines::GetFixedLines, &TClearLines::SetFixedLines>("FixedLines");
    b.prop<&TClearLines::GetOnlyEnds, &TClearLines::SetOnlyEnds>("OnlyEnds");
}
ZELTO_IMPLEMENT_CLASS(TClearLines, TTool, "t_AreMak")

void TClearLines::DoIt() {
    SetOutput(nullptr);
    auto* input = zelto_cast<TRectEntity>(FInPut);
    if (!input) return;
    std::unique_ptr<TPolyLineString> lines(new TPolyLineString);
    std::unique_ptr<TPolyLineString> fixed;
    try {
        if (FFixedLines && FFixedLines->ElementsCount() > 0) {
            fixed.reset(new TPolyLineString);
            auto finder = std::make_unique<THledacLinii>();
            finder->SetName(QStringLiteral("Extrakce Geom. linií FIX"));
            finder->SetInput(FFixedLines);
            finder->SetOutput(fixed.get());
            finder->DoIt();
        }
        auto finder = std::make_unique<THledacLinii>();
        finder->SetName(QStringLiteral("Extrakce Geom. linií"));
        finder->SetInput(input);
        finder->SetOutput(lines.get());
        finder->DoIt();
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Chyba při hledání linií"));
        return;
    }
    if (TLineJoiningStep join = GetLineJoiningStep()) {
        TLineJoiningRequest request;
        request.Lines = lines.get();
        request.FixedLines = fixed.get();
        request.SnapDistance = FSnapDistance > 0 ? FSnapDistance : DefaultSnapDistance;
        request.SelfTest = FSelfTest;
        request.OnlyEnds = FOnlyEnds;
        try {
            join(request);
        } catch (const std::exception&) {
            notifier().message(QStringLiteral("Chyba při spojování linií"));
            return;
        }
    }
    // The collections let the lines go; the input's own containers keep them.
    lines.reset();
    fixed.reset();
    SetOutput(input);
}

// ---- TAreasFromClearLines ------------------------------------------------------------------------

void TAreasFromClearLines::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TAreasFromClearLines::GetQTree>("QTree").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TAreasFromClearLines, TTool, "t_AreMak")

void TAreasFromClearLines::step(int position, const QString& text) {
    if (position >= 0) SetProgress(position);
    if (!text.isEmpty()) SetProgressText(text);
}

void TAreasFromClearLines::DoIt() {
    SetOutput(nullptr);
    auto* input = zelto_cast<TRectEntity>(FInPut);
    if (!input) return;
    if (FQTree) {
        TSpaceLineBegEndCell* old = FQTree;
        FQTree = nullptr;
        FreeElement(old);
    }
    if (input->ElementsCount() > 100) StartProgress(QStringLiteral("Tvorba ploch"), 0, 7);

    step(-1, QStringLiteral("Načítání linií do QTREE"));
    guarded("TReadLinesIntoQTree", [&] {
        auto reader = std::make_unique<TReadLinesIntoQTree>();
        reader->SetInput(input);
        reader->DoIt();
        FQTree = zelto_cast<TSpaceLineBegEndCell>(reader->GetOutput());
        if (FQTree) AddElement(FQTree);
    });
    auto* areas = new TAreaString;
    if (FQTree) {
        step(1, QStringLiteral("Vytváření uzlů v QTREE"));
        guarded("TPutNodesIntoQTree", [&] {
            auto t = std::make_unique<TPutNodesIntoQTree>();
            t->SetInput(FQTree);
            t->DoIt();
        });
        step(2, QStringLiteral("Zapojování uzlů v QTree"));
        guarded("TNodesConector", [&] {
            auto t = std::make_unique<TNodesConector>();
            t->FDeletePseudoNodes = false;
            t->FJoinDifferentLines = false;
            t->FMaxCoordsCount = 200;
            t->SetInput(FQTree);
            t->DoIt();
        });
        step(3, QString());
        guarded("TRemoveSingleLinesInQTree", [&] {
            auto t = std::make_unique<TRemoveSingleLinesInQTree>();
            t->SetInput(FQTree);
            t->DoIt();
        });
        step(-1, QStringLiteral("Rušení QTree vazeb na linie"));
        guarded("TDeleteDirectRelationsToLinesInQTree", [&] {
            auto t = std::make_unique<TDeleteDirectRelationsToLinesInQTree>();
            t->SetInput(FQTree);
            t->DoIt();
        });
        step(4, QStringLiteral("Tvorba ploch v QTree"));
        TRectEntityQTree* areaTree = nullptr;
        guarded("TCreateAreasForQTree", [&] {
            auto t = std::make_unique<TCreateAreasForQTree>();
            t->FPlaceLabels = false; // step 8 places every label, holes known
            t->SetInput(FQTree);
            t->DoIt();
            areaTree = zelto_cast<TRectEntityQTree>(t->GetOutput());
        });
        step(5, QStringLiteral("Tvorba Enkláv v QTree"));
        if (areaTree) {
            guarded("TSubAreasLinear", [&] {
                auto t = std::make_unique<TSubAreasLinear>();
                t->SetInput(areaTree);
                t->DoIt();
                if (auto* found = zelto_cast<TAreaString>(t->GetOutput())) {
                    delete areas;
                    areas = found;
                }
            });
        }
        step(6, QStringLiteral("Tvorba popisových bodů ploch"));
        guarded("TMultiAreaPointPlacer", [&] {
            auto t = std::make_unique<TMultiAreaPointPlacer>();
            t->SetInput(areas);
            t->DoIt();
        });
        if (areaTree) {
            guarded("TAreasFromClearLines", [&] {
                forgetUnattachedHoles(areaTree);
                releaseWideElements(areaTree);
            });
            delete areaTree; // the areas of the output live on; unattached holes go
        }
    }
    SetOutput(areas);
    step(7, QStringLiteral("OK."));
    EndProgress();
}

// ---- TCreateAreasFromLinesTool -------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TCreateAreasFromLinesTool, TSeqTechnology, "t_AreMak")

TCreateAreasFromLinesTool::TCreateAreasFromLinesTool() {
    AddTool(new TClearLines);
    AddTool(new TAreasFromClearLines);
}

TClearLines* TCreateAreasFromLinesTool::GetClearLines() const {
    for (int i = 0; i < ToolsCount(); ++i)
        if (auto* t = zelto_cast<TClearLines>(GetTool(i))) return t;
    return nullptr;
}

TAreasFromClearLines* TCreateAreasFromLinesTool::GetAreasFromClearLines() const {
    for (int i = 0; i < ToolsCount(); ++i)
        if (auto* t = zelto_cast<TAreasFromClearLines>(GetTool(i))) return t;
    return nullptr;
}

void registerAreasFromLinesClasses() {
    RegisterZeltoClass(TCreateAreasFromLinesTool::StaticClass());
    RegisterZeltoClass(TClearLines::StaticClass());
    RegisterZeltoClass(TAreasFromClearLines::StaticClass());
}

} // namespace zelto
