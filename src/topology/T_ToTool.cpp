#include "T_ToTool.h"

#include "e_QTree.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

namespace zelto {

// ---- TProchazecObjektu ---------------------------------------------------------------------------

void TProchazecObjektu::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TProchazecObjektu::FModulo>("Modulo");
    b.writeOnly<&TProchazecObjektu::SetGaugeCaption>("GaugeCaption").stored(false);
    b.writeOnly<&TProchazecObjektu::SetProtocol>("Protocol").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProchazecObjektu, TRecursor, "T_ToTool")

void TProchazecObjektu::DoIt() {
    m_entered.clear();
    TRecursor::DoIt();
    m_entered.clear();
}

void TProchazecObjektu::GoInside(TElement* element) {
    if (m_entered.insert(element).second) TRecursor::GoInside(element);
}

bool TProchazecObjektu::QGoInside(TElement* element) {
    return element && element->Is<TOwnerEntity>();
}

void TProchazecObjektu::startGauge(qint32 total) {
    m_gaugeEvery = std::max<qint32>(1, total / 200);
    StartProgress(GetName(), 0, total);
}

void TProchazecObjektu::gaugeStep(qint32 position) {
    if (GetInProgress() && position % m_gaugeEvery == 0) SetProgress(position);
}

void TProchazecObjektu::endGauge() {
    EndProgress();
}

// ---- line walkers --------------------------------------------------------------------------------

void TProchazecLinii::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TProchazecLinii::FPocetLinii>("PocetLinii").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProchazecLinii, TProchazecObjektu, "T_ToTool")

bool TProchazecLinii::QGoInside(TElement* element) {
    return TProchazecObjektu::QGoInside(element) && !element->Is<TPolyLineElement>();
}

bool TProchazecLinii::QProcessBefore(TElement* element) {
    return element && element->Is<TPolyLineElement>();
}

void TProchazecLinii::Process(TElement* element) {
    ++FPocetLinii;
    ProcessLine(static_cast<TPolyLineElement*>(element));
}

void TProchazecLinii::ProcessLine(TPolyLineElement*) {}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TOznacLinie, TProchazecLinii, "T_ToTool")

void TOznacLinie::DoIt() {
    FPocetLinii = 0;
    TProchazecLinii::DoIt();
}

void TOznacLinie::ProcessLine(TPolyLineElement* line) {
    line->SetIsDone(false);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TProchazecLiniiGauge, TProchazecLinii, "T_ToTool")

void TProchazecLiniiGauge::DoIt() {
    auto marker = std::make_unique<TOznacLinie>();
    marker->SetInput(FInPut);
    marker->DoIt();
    const qint32 total = marker->FPocetLinii;
    FPocetLinii = 0;
    if (total > 100) startGauge(total);
    TProchazecLinii::DoIt();
    endGauge();
}

void TProchazecLiniiGauge::GaugeSet(qint32 position) {
    gaugeStep(position);
}

void THledacLinii::DeclareProperties(TPropTableBuilder& b) {
    b.field<&THledacLinii::FMinX>("MinX").stored(false);
    b.field<&THledacLinii::FMinY>("MinY").stored(false);
    b.field<&THledacLinii::FMaxX>("MaxX").stored(false);
    b.field<&THledacLinii::FMaxY>("MaxY").stored(false);
}
ZELTO_IMPLEMENT_CLASS(THledacLinii, TProchazecLiniiGauge, "T_ToTool")

void THledacLinii::SetRect(double minX, double minY, double maxX, double maxY) {
    FMinX = minX;
    FMinY = minY;
    FMaxX = maxX;
    FMaxY = maxY;
}

void THledacLinii::PrepareOutPut() {
    if (!zelto_cast<TEntity>(FOutput)) {
        auto* lines = new TPolyLineString;
        AddElement(lines);
        SetOutput(lines);
    }
    FNalezeneLinie = static_cast<TEntity*>(FOutput);
}

void THledacLinii::ProcessLine(TPolyLineElement* line) {
    if (!line->GetIsDone()) {
        const bool everything = FMinX == 0 && FMinY == 0 && FMaxX == 0 && FMaxY == 0;
        if (everything || line->IsOverRegion(FMinX, FMinY, FMaxX, FMaxY)) {
            if (auto* r = zelto_cast<TRectEntity>(FNalezeneLinie))
                r->AddAndUpdateRect(line);
            else
                FNalezeneLinie->AddElement(line);
        }
        line->SetIsDone(true);
    }
    GaugeSet(FPocetLinii);
}

// ---- TReadLinesIntoQTree -------------------------------------------------------------------------

void TReadLinesIntoQTree::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TReadLinesIntoQTree::GetQTree>("QTree").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TReadLinesIntoQTree, TProchazecLiniiGauge, "T_ToTool")

bool TReadLinesIntoQTree::LineIsUsable(const TPolyLineElement* line, QString& reason) {
    // The line named by its name and first vertex, so that it can be found.
    auto which = [line] {
        QString text = line->GetName();
        if (const T2DCoordinate* c = line->GetCoordElement(0))
            text += QLatin1Char(' ') + QString::number(c->FX, 'g', 12) + QLatin1Char(' ') +
                    QString::number(c->FY, 'g', 12);
        return text;
    };
    if (line->GetCoordsCount() < 2) {
        reason = QStringLiteral("Linie vynechána, má méně než dva body: ") + which();
        return false;
    }
    bool finite = true, distinct = false;
    double x0 = 0, y0 = 0;
    bool first = true;
    line->ForEachCoord([&](const T2DCoordinate* c) {
        if (!c || !std::isfinite(c->FX) || !std::isfinite(c->FY) || std::abs(c->FX) > MaxCoordinate ||
            std::abs(c->FY) > MaxCoordinate) {
            finite = false;
            return false;
        }
        if (first) {
            x0 = c->FX;
            y0 = c->FY;
            first = false;
        } else if (c->FX != x0 || c->FY != y0) {
            distinct = true;
        }
        return true;
    });
    if (!finite) {
        reason = QStringLiteral("Linie vynechána, neplatné souřadnice: ") + which();
        return false;
    }
    if (!distinct) {
        reason = QStringLiteral("Linie vynechána, nemá dva různé body: ") + which();
        return false;
    }
    return true;
}

void TReadLinesIntoQTree::DoIt() {
    FQTree = nullptr;
    auto* source = zelto_cast<TRectEntity>(GetNoParameters() ? FInPut : GetParameter(0));
    if (!source) return;
    FQTree = new TSpaceLineBegEndCell;
    FQTree->SetName(QStringLiteral("QTREE"));
    std::vector<TPolyLineElement*>& lines = m_lines;
    lines.clear();
    try {
        TProchazecLiniiGauge::DoIt();
        // The root must cover every end: ends outside it would all pile up in one corner leaf.
        TDoubleRect r{TRectangle::EmptyMin, TRectangle::EmptyMin, TRectangle::EmptyMax, TRectangle::EmptyMax};
        if (source->IsValid()) r = source->GetRect()->GetDoubleRect();
        for (const TPolyLineElement* line : lines)
            for (bool begin : {true, false}) {
                const T2DCoordinate* c = line->GetOrientedCoordElement(0, begin);
                r.MinX = std::min(r.MinX, c->FX);
                r.MinY = std::min(r.MinY, c->FY);
                r.MaxX = std::max(r.MaxX, c->FX);
                r.MaxY = std::max(r.MaxY, c->FY);
            }
        if (!(r.MaxX >= r.MinX && r.MaxY >= r.MinY)) r = {};
        FQTree->SetByDoubleRect(r);
        for (TPolyLineElement* line : lines) {
            FQTree->AddLine(line, true);
            FQTree->AddLine(line, false);
        }
    } catch (const std::exception&) {
        notifier().message(QStringLiteral("Error: Načítač linií do QTree"));
    }
    lines.clear();
    SetOutput(FQTree);
}

void TReadLinesIntoQTree::ProcessLine(TPolyLineElement* line) {
    if (!line->GetIsDone()) {
        line->SetIsDone(true);
        QString reason;
        if (LineIsUsable(line, reason)) {
            m_lines.push_back(line);
        } else {
            PostTextMsg(tm_AddToProtocol, reason, nullptr);
        }
    }
    GaugeSet(FPocetLinii);
}

// ---- area walkers --------------------------------------------------------------------------------

void TProchazecPloch::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TProchazecPloch::FPocetPloch>("PocetPloch").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProchazecPloch, TProchazecObjektu, "T_ToTool")

bool TProchazecPloch::QGoInside(TElement* element) {
    // Only a multi-area holds areas among its children; other areas hold vertices or lines.
    if (!TProchazecObjektu::QGoInside(element) || element->Is<TPolyLineElement>()) return false;
    return !element->Is<TAreaElement>() || element->Is<TMultiAreaElement>();
}

bool TProchazecPloch::QProcessBefore(TElement* element) {
    return element && element->Is<TAreaElement>();
}

void TProchazecPloch::Process(TElement* element) {
    ++FPocetPloch;
    ProcessArea(static_cast<TAreaElement*>(element));
}

void TProchazecPloch::ProcessArea(TAreaElement*) {}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TOznacPlochy, TProchazecPloch, "T_ToTool")

void TOznacPlochy::DoIt() {
    FPocetPloch = 0;
    TProchazecPloch::DoIt();
}

void TOznacPlochy::ProcessArea(TAreaElement* area) {
    area->SetIsDone(false);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TProchazecPlochGauge, TProchazecPloch, "T_ToTool")

void TProchazecPlochGauge::DoIt() {
    auto marker = std::make_unique<TOznacPlochy>();
    marker->SetInput(FInPut);
    marker->DoIt();
    const qint32 total = marker->FPocetPloch;
    FPocetPloch = 0;
    if (total > 100) startGauge(total);
    TProchazecPloch::DoIt();
    endGauge();
}

void TProchazecPlochGauge::GaugeSet(qint32 position) {
    gaugeStep(position);
}

void THledacPloch::DeclareProperties(TPropTableBuilder& b) {
    b.field<&THledacPloch::FIncludeHoles>("IncludeHoles");
    b.field<&THledacPloch::FMinX>("MinX").stored(false);
    b.field<&THledacPloch::FMinY>("MinY").stored(false);
    b.field<&THledacPloch::FMaxX>("MaxX").stored(false);
    b.field<&THledacPloch::FMaxY>("MaxY").stored(false);
}
ZELTO_IMPLEMENT_CLASS(THledacPloch, TProchazecPlochGauge, "T_ToTool")

void THledacPloch::DoIt() {
    if (!zelto_cast<TEntity>(FInPut)) return;
    TProchazecPlochGauge::DoIt();
}

void THledacPloch::SetRect(double minX, double minY, double maxX, double maxY) {
    FMinX = minX;
    FMinY = minY;
    FMaxX = maxX;
    FMaxY = maxY;
}

void THledacPloch::PrepareOutPut() {
    if (!zelto_cast<TEntity>(FOutput)) {
        auto* areas = new TAreaString;
        AddElement(areas);
        SetOutput(areas);
    }
    FAreaString = static_cast<TEntity*>(FOutput);
}

void THledacPloch::ProcessArea(TAreaElement* area) {
    if (!area->GetIsDone()) {
        const bool everything = FMinX == 0 && FMinY == 0 && FMaxX == 0 && FMaxY == 0;
        if ((FIncludeHoles || !area->GetIsHole()) &&
            (everything || area->IsOverRegion(FMinX, FMinY, FMaxX, FMaxY))) {
            if (auto* r = zelto_cast<TRectEntity>(FAreaString))
                r->AddAndUpdateRect(area);
            else
                FAreaString->AddElement(area);
        }
        area->SetIsDone(true);
    }
    GaugeSet(FPocetPloch);
}

void registerLineToolClasses() {
    RegisterZeltoClass(TOznacLinie::StaticClass());
    RegisterZeltoClass(THledacPloch::StaticClass());
    RegisterZeltoClass(THledacLinii::StaticClass());
    RegisterZeltoClass(TReadLinesIntoQTree::StaticClass());
}

} // namespace zelto
