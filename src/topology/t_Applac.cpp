#include "t_Applac.h"

#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "framework/e_Class.h"
#include "geometry/AnalInt.h"
#include "projection/e_Page.h"
#include "projection/e_Proje.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zelto {

namespace {

constexpr qint32 PageSides[] = {500, 1000, 5000, 10000};

// The crossings of the horizontal line at y with the rings' edges (each ring closed from its last
// vertex back to the first). An edge counts when its ends lie on different sides of the line,
// the upper side including the line itself: a vertex on the line is crossed once, a horizontal
// edge never.
template <class Rings> void crossings(const Rings& rings, double y, std::vector<double>& xs) {
    xs.clear();
    for (const auto& ring : rings) {
        const size_t n = ring.size();
        for (size_t i = 0; i < n; ++i) {
            const auto& [x1, y1] = ring[i];
            const auto& [x2, y2] = ring[(i + 1) % n];
            if ((y1 >= y) == (y2 >= y)) continue;
            xs.push_back(x1 + (y - y1) * (x2 - x1) / (y2 - y1));
        }
    }
    std::sort(xs.begin(), xs.end());
}

// The vertices of the plain copy of an area of the two classes whose inside test is known here:
// a line-built area's ring through its lines (TPolyLineAreaElement::CreateAreaElementNoHole),
// a plain area's coordinate children. False for any other class or a child that is not a
// coordinate (the caller then asks the area itself).
bool plainRing(const TAreaElement* area, TAreaPointPlacer::Ring& ring) {
    ring.clear();
    if (&area->ClassType() == &TPolyLineAreaElement::StaticClass()) {
        const auto* a = static_cast<const TPolyLineAreaElement*>(area);
        bool first = true;
        for (int j = 0; j < a->FElements.count(); ++j) {
            auto* line = zelto_cast<TPolyElement>(a->FElements.at(j));
            if (!line) continue;
            const bool forward = a->GetOrigin(j);
            const int n = line->GetCoordsCount();
            for (int i = first ? 0 : 1; i < n; ++i)
                if (const T2DCoordinate* c = line->GetOrientedCoordElement(i, forward))
                    ring.emplace_back(c->FX, c->FY);
            first = false;
        }
        return true;
    }
    if (&area->ClassType() == &TAreaElement::StaticClass()) {
        for (TElement* e : area->FElements) {
            auto* c = zelto_cast<TCoordinate>(e);
            if (!c) return false;
            ring.emplace_back(c->GetX(), c->GetY());
        }
        return true;
    }
    return false;
}

} // namespace

// ---- TAreaPointPlacer ----------------------------------------------------------------------------

void TAreaPointPlacer::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TAreaPointPlacer::GetNotRectify, &TAreaPointPlacer::SetNotRectify>("NotRectify");
}
ZELTO_IMPLEMENT_CLASS(TAreaPointPlacer, TTool, "t_Applac")

TAreaPointPlacer::TAreaPointPlacer() : m_page(new T_Page), m_projection(new TPageProjection) {}

TAreaPointPlacer::~TAreaPointPlacer() = default;

void TAreaPointPlacer::DoIt() {
    SetOutput(FInPut);
    auto* area = zelto_cast<TAreaElement>(FInPut);
    if (!area) return;
    try {
        area->GetRefCoordinate()->FX = 0;
        area->GetRefCoordinate()->FY = 0.5;
        if (!area->IsValid()) throw EZeltoError(QStringLiteral("no rectangle"));
        collectRings(area);
        if (m_rings.empty() || m_rings.front().empty()) throw EZeltoError(QStringLiteral("no vertices"));
        for (qint32 side : PageSides)
            if (placeOnPage(area, side)) return;
        placeAlongLine(area);
    } catch (const std::exception&) {
        area->SetAbsRefX(area->GetCenterX());
        area->SetAbsRefY(area->GetCenterY());
    }
}

void TAreaPointPlacer::collectRings(const TAreaElement* area) {
    m_rings.clear();
    m_ringOwners.clear();
    m_exact = true;
    Ring ring;
    // A line-built area is drawn as its plain copy; the inside tests are those of the copy.
    auto add = [&](const TAreaElement* a) {
        if (!plainRing(a, ring)) {
            m_exact = false;
            ring.clear();
            a->ForEachCoord([&ring](const T2DCoordinate* c) {
                if (c) ring.emplace_back(c->FX, c->FY);
                return true;
            });
        }
        m_rings.push_back(ring);
        m_ringOwners.push_back(a);
    };
    add(area);
    if (THolesEntity* holes = area->GetHoles())
        for (TElement* e : holes->FElements)
            if (auto* hole = zelto_cast<TAreaElement>(e)) add(hole);
}

bool TAreaPointPlacer::IsInside(const TAreaElement* area, double x, double y) const {
    if (!m_exact || m_ringOwners.empty() || m_ringOwners.front() != area) return area->XYIsInside(x, y);
    // TAreaElement::XYIsInside: inside the outer ring and in no hole whose rectangle holds the point.
    if (!InsideRingXY(m_rings.front(), x, y)) return false;
    for (size_t i = 1; i < m_rings.size(); ++i)
        if (m_ringOwners[i]->PointIsInside(x, y) && InsideRingXY(m_rings[i], x, y)) return false;
    return true;
}

bool TAreaPointPlacer::placeOnPage(TAreaElement* area, qint32 side) {
    m_page->SetRect(0, 0, side, side);
    m_page->SetResolution(T_Page::ScreenResolution, T_Page::ScreenResolution);
    TPageProjection& p = *m_projection;
    p.MultX = p.MultY = 0;
    p.ChangeProjectionByRect(m_page.get(), area->GetMinX(), area->GetMinY(), area->GetMaxX(),
                             area->GetMaxY());
    // A rectangle that gives no scale leaves the projection unset.
    if (p.MultX == 0 || p.MultY == 0) return false;

    // The rings on the page, as integer device points.
    std::vector<Ring> device;
    device.reserve(m_rings.size());
    qint32 lowest = 0, highest = 0;
    bool first = true;
    for (size_t r = 0; r < m_rings.size(); ++r) {
        if (m_rings[r].empty()) continue;
        Ring d;
        d.reserve(m_rings[r].size());
        for (const auto& [x, y] : m_rings[r]) {
            const qint32 px = p.GetPageX(x), py = p.GetPageY(y);
            d.emplace_back(px, py);
            if (r == 0) {
                lowest = first ? py : std::min(lowest, py);
                highest = first ? py : std::max(highest, py);
                first = false;
            }
        }
        device.push_back(std::move(d));
    }
    // The middle row; when the middle of its widest span is not inside (the row runs along a
    // horizontal line of the boundary, say), the rows half a unit above and below are tried.
    const double middle = (double(lowest) + double(highest)) / 2;
    std::vector<double> xs;
    for (double row : {middle, middle + 0.5, middle - 0.5}) {
        crossings(device, row, xs);
        double bestWidth = -1, bestMiddle = 0;
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
            if (xs[i + 1] - xs[i] > bestWidth) {
                bestWidth = xs[i + 1] - xs[i];
                bestMiddle = (xs[i] + xs[i + 1]) / 2;
            }
        if (bestWidth < 0) continue;
        const double x = p.MultX * bestMiddle + p.AddX;
        const double y = p.AddY - p.MultY * row;
        if (!IsInside(area, x, y)) continue;
        area->SetAbsRefX(x);
        area->SetAbsRefY(y);
        return true;
    }
    return false;
}

void TAreaPointPlacer::placeAlongLine(TAreaElement* area) {
    area->GetRefCoordinate()->FX = 0;
    area->GetRefCoordinate()->FY = 0.5;
    std::vector<double> xs;
    // The first inside span right of `start` on the line through the reference point.
    auto search = [&](double start, bool needTwo) {
        crossings(m_rings, area->GetRefY(), xs);
        xs.erase(xs.begin(), std::lower_bound(xs.begin(), xs.end(), start));
        const size_t n = xs.size();
        if ((needTwo ? n >= 2 : n > 1) && n % 2 == 0) {
            area->SetAbsRefX((xs[0] + xs[1]) / 2);
            return true;
        }
        return false;
    };
    if (!search(area->GetRefX() - 1, true)) {
        area->GetRefCoordinate()->FY = 0.3;
        search(area->GetRefX() - 1e10, false);
    }
    const double x = area->GetRefX(), y = area->GetRefY();
    if (!IsInside(area, x, y))
        PostTextMsg(tm_AddToProtocol,
                    QStringLiteral("Chyba umístění pop.bodu u plochy \r\n") + floatToStr(x) +
                        QStringLiteral(" ; ") + floatToStr(y),
                    nullptr);
}

// ---- TMultiAreaPointPlacer -----------------------------------------------------------------------

void TMultiAreaPointPlacer::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TMultiAreaPointPlacer::GetCount>("Count").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TMultiAreaPointPlacer, TRecursor, "t_Applac")

TMultiAreaPointPlacer::~TMultiAreaPointPlacer() {
    delete m_placer;
}

void TMultiAreaPointPlacer::DoIt() {
    FCount = 0;
    if (!m_placer) {
        m_placer = new TAreaPointPlacer;
        m_placer->FNotRectify = true;
    }
    TRecursor::DoIt();
}

bool TMultiAreaPointPlacer::QGoInside(TElement* element) {
    // Areas hold vertices or lines, lines hold vertices; only multi-areas hold areas.
    if (!element || !element->Is<TEntity>() || element->Is<TPolyLineElement>()) return false;
    return !element->Is<TAreaElement>() || element->Is<TMultiAreaElement>();
}

bool TMultiAreaPointPlacer::QProcessBefore(TElement* element) {
    return element && element->Is<TAreaElement>() && !element->Is<TMultiAreaElement>();
}

void TMultiAreaPointPlacer::Process(TElement* element) {
    // An area that the placer cannot handle is skipped with a protocol line; the others go on.
    try {
        m_placer->SetInput(element);
        m_placer->DoIt();
        ++FCount;
    } catch (const std::exception& e) {
        notifier().protocol(QStringLiteral("TMultiAreaPointPlacer: ") + element->GetName() +
                            QStringLiteral(": ") + QString::fromUtf8(e.what()));
    }
}

void registerPointPlacingClasses() {
    RegisterZeltoClass(TMultiAreaPointPlacer::StaticClass());
}

} // namespace zelto
