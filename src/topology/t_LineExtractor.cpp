#include "t_LineExtractor.h"

#include "framework/e_Class.h"
#include "geometry/e_Geometry.h"

namespace zelto {

void TLineExtractor::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TLineExtractor::FCopyLines>("CopyLines");
    b.field<&TLineExtractor::FNoDuplicates>("NoDuplicates");
    b.field<&TLineExtractor::FMaxLevel>("MaxLevel");
}
ZELTO_IMPLEMENT_CLASS(TLineExtractor, TRecursor, "t_LineExtractor")

TLineExtractor::~TLineExtractor() {
    releaseFirstLines();
}

void TLineExtractor::releaseFirstLines() {
    TOwnerEntity* lines = std::exchange(FFirstLines, nullptr);
    if (!lines) return;
    // Released, not freed: a collected line that nothing else holds (a bare input line) survives.
    for (int i = lines->ElementsCount() - 1; i >= 0; --i) lines->RemoveElementIndex(i);
    delete lines;
}

void TLineExtractor::DoIt() {
    TTool::DoIt();
    FLevel = 1;
    if (!FOutput) {
        SetOutput(new TOwnerEntity);
    } else if (!FOutput->Is<TEntity>()) {
        PostTextMsg(tm_AddToProtocol, QStringLiteral("ERROR: LineExtractor expected TEntity at output!"),
                    nullptr);
        return;
    }
    auto* output = static_cast<TEntity*>(FOutput);
    releaseFirstLines();
    FFirstLines = new TOwnerEntity;
    FInHole = false;
    m_entered.clear();
    try {
        if (FInPut) visit(FInPut);
        if (FCopyLines) {
            for (int i = 0; i < FFirstLines->ElementsCount(); ++i) {
                auto* line = zelto_cast<TPolyElement>(FFirstLines->Get(i));
                auto* copy = zelto_cast<TPolyElement>(CreateElementCopy(line));
                if (!copy) continue;
                line->ForEachCoord([copy](const T2DCoordinate* c) {
                    if (c) copy->AddXY(c->FX, c->FY);
                    return true;
                });
                output->AddElement(copy);
            }
        } else {
            output->PAddAllFrom(FFirstLines);
        }
    } catch (...) {
        releaseFirstLines();
        throw;
    }
    releaseFirstLines();
}

bool TLineExtractor::QGoInside(TElement* element) {
    if (!element || !element->Is<TEntity>() || element->Is<TPolyLineElement>()) return false;
    return FMaxLevel <= 0 || FLevel < FMaxLevel || FInHole;
}

bool TLineExtractor::QProcessBefore(TElement* element) {
    return element && element->Is<TPolyLineElement>();
}

void TLineExtractor::Process(TElement* element) {
    auto* line = zelto_cast<TPolyLineElement>(element);
    if (!line || !FFirstLines) return;
    if (FNoDuplicates && line->IsMyOwner(FFirstLines)) return;
    FFirstLines->AddElement(line);
}

void TLineExtractor::GoInside(TElement* element) {
    // An entity is entered again only where it can reach more than before: from a shallower level
    // (below the level limit) or, the first time, inside a hole (where the limit does not hold).
    // A shared entity (a diamond of entities listing the next one twice) then costs its size, not
    // its paths, and one that contains itself is not entered again.
    auto [it, first] = m_entered.try_emplace(element, Entered{FLevel, FInHole});
    if (!first) {
        Entered& before = it->second;
        const bool deeperReach = FMaxLevel > 0 && !before.inHole && FLevel < before.level;
        const bool holeReach = FInHole && !before.inHole;
        if (!deeperReach && !holeReach) return;
        before.level = std::min(before.level, FLevel);
        before.inHole = before.inHole || FInHole;
    }
    TRecursor::GoInside(element);
    auto* area = zelto_cast<TAreaElement>(element);
    if (area && !area->Is<TMultiAreaElement>() && area->GetHoles() && area->GetHoles()->ElementsCount() > 0) {
        const bool wasInHole = FInHole;
        FInHole = true;
        visit(area->GetHoles());
        FInHole = wasInHole;
    }
}

void registerLineExtractorClasses() {
    RegisterZeltoClass(TLineExtractor::StaticClass());
}

} // namespace zelto
