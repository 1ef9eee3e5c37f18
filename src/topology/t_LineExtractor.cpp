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
                if (!line) continue;
                output->AddElement(plainCopy(line));
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

namespace {

// A plain area's ring: not made of lines, not a set of parts.
bool isPlainRing(const TElement* element) {
    return element && element->Is<TAreaElement>() && !element->Is<TPolyLineAreaElement>() &&
           !element->Is<TMultiAreaElement>();
}

} // namespace

TPolyElement* TLineExtractor::plainCopy(const TPolyElement* line) {
    // A plain line keeps its class and stored values; a line made of member lines and a ring become
    // a plain line of the vertices they draw.
    TPolyElement* copy = nullptr;
    if (const auto* multi = zelto_cast<TMultiPolyLineElement>(line)) {
        // Its vertex walk leaves out each member's last vertex (as a ring's does): the line is
        // the first member whole, then every further one without its first vertex.
        copy = new TPolyLineElement;
        for (int j = 0; j < multi->ElementsCount(); ++j) {
            const auto* member = zelto_cast<TPolyElement>(multi->Get(j));
            if (!member) continue;
            const int n = member->GetCoordsCount();
            const bool forward = multi->GetOrigin(j);
            for (int k = copy->GetCoordsCount() > 0 ? 1 : 0; k < n; ++k) {
                const int i = forward ? k : n - 1 - k;
                copy->AddXY(member->GetX(i), member->GetY(i));
            }
        }
        copy->RecalculateRect();
        return copy;
    }
    if (line->Is<TPolyLineElement>())
        copy = zelto_cast<TPolyElement>(CreateElementCopy(const_cast<TPolyElement*>(line)));
    if (!copy) copy = new TPolyLineElement;
    line->ForEachCoord([copy](const T2DCoordinate* c) {
        if (c) copy->AddXY(c->FX, c->FY);
        return true;
    });
    const int n = copy->GetCoordsCount();
    if (isPlainRing(line) && n > 1 &&
        (copy->GetX(0) != copy->GetX(n - 1) || copy->GetY(0) != copy->GetY(n - 1)))
        copy->AddXY(copy->GetX(0), copy->GetY(0));
    copy->RecalculateRect();
    return copy;
}

bool TLineExtractor::QGoInside(TElement* element) {
    if (!element || !element->Is<TEntity>() || element->Is<TPolyLineElement>()) return false;
    return FMaxLevel <= 0 || FLevel < FMaxLevel || FInHole;
}

bool TLineExtractor::QProcessBefore(TElement* element) {
    return element &&
           (element->Is<TPolyLineElement>() || (FRingsAsLines && FCopyLines && isPlainRing(element)));
}

void TLineExtractor::Process(TElement* element) {
    auto* line = zelto_cast<TPolyElement>(element);
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
