// The forest data file: one plan area (LHC) with its hierarchy down to the stand groups, each
// group with its area geometry, recorded area, age class and attributes.
#include "sample_internal.h"

#include "forest/e_LHCModel.h"
#include "framework/e_Props.h"
#include "geometry/e_Geometry.h"

#include <cmath>
#include <memory>

namespace zsample {

using namespace zelto;

namespace {

TAreaElement* ringElement(const Ring& ring) {
    auto* area = new TAreaElement;
    for (const Point& p : ring) area->AddXY(p.x, p.y);
    area->RecalculateRect();
    return area;
}

// Hectares to two decimals, as a plan records them.
double recorded(double m2) {
    return std::round(m2 / 100) / 100;
}

// One area per piece; the recorded area and its quality index on every piece.
TAreaElement* pieceElement(const GroupPart& part) {
    TAreaElement* area = ringElement(part.outer);
    double m2 = ringArea(part.outer);
    for (const Ring& hole : part.holes) {
        area->AddHole(ringElement(hole));
        m2 += ringArea(hole);
    }
    area->SetFixedArea(recorded(m2));
    area->SetFixedAreaIndex(1);
    area->SetAbsRefX(part.label.x);
    area->SetAbsRefY(part.label.y);
    return area;
}

} // namespace

void writeForestFile(const ForestData& data, const QString& path) {
    const Layout& layout = data.layout;
    auto model = std::make_unique<Tgis_ForestModel>();
    auto* lhc = new Tgis_LHC;
    lhc->FCislo = data.lhcNumber;
    lhc->FNazev = QStringLiteral("Podlesí");
    lhc->FROK = data.planYear;
    lhc->FLHC_LCR = 12;
    lhc->FLHC_TAX = QStringLiteral("Lesprojekt Podlesí");
    model->AddElement(lhc);

    static const char* const districtNames[] = {"Horní revír", "Dolní revír"};
    std::vector<Tgis_LS*> districts;
    for (std::size_t i = 0; i < layout.ls.size(); ++i) {
        auto* ls = static_cast<Tgis_LS*>(lhc->CreateItemCislo(layout.ls[i].number));
        ls->FNazev = QString::fromUtf8(districtNames[i % 2]);
        ls->FLS = 100 + layout.ls[i].number;
        ls->FLS_NAZ = QStringLiteral("LS Podlesí");
        districts.push_back(ls);
    }
    std::vector<Tgis_Oddeleni*> divisions;
    for (const LayoutUnit& u : layout.divisions)
        divisions.push_back(static_cast<Tgis_Oddeleni*>(districts[u.parent]->CreateItemCislo(u.number)));
    std::vector<Tgis_Dilec*> dilce;
    for (const LayoutUnit& u : layout.dilce)
        dilce.push_back(static_cast<Tgis_Dilec*>(divisions[u.parent]->CreateItemName(dilecLetter(u.number))));
    std::vector<Tgis_Porost*> stands;
    for (std::size_t i = 0; i < layout.stands.size(); ++i) {
        const LayoutUnit& u = layout.stands[i];
        auto* stand = static_cast<Tgis_Porost*>(dilce[u.parent]->CreateItemName(QString::number(u.number)));
        const StandAttributes& a = data.standAttributes[i];
        stand->FKATS = a.kats;
        stand->FZVL_STATUT = a.zvlStatut;
        stand->FKVAL_P = 1;
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName(QStringLiteral("HS"), a.hs);
        props->SetPropertyStringByName(QStringLiteral("SLT"), a.slt);
        stand->SetProperties(props);
        stands.push_back(stand);
    }
    for (std::size_t i = 0; i < data.groups.size(); ++i) {
        const GroupInfo& info = data.groups[i];
        const GroupAttributes& a = data.groupAttributes[i];
        auto* group =
            static_cast<Tgis_PorostniSkupina*>(stands[layout.groups[i].stand]->CreateItemName(info.name));
        double recordedHa = 0;
        if (info.parts.size() == 1) {
            TAreaElement* area = pieceElement(info.parts.front());
            recordedHa = area->GetFixedArea();
            group->SetGeometry(area);
        } else {
            auto* multi = new TMultiAreaElement;
            for (const GroupPart& part : info.parts) {
                TAreaElement* piece = pieceElement(part);
                recordedHa += piece->GetFixedArea();
                multi->AddElement(piece);
            }
            multi->ResetAndUpdate();
            multi->SetAbsRefX(info.parts.front().label.x);
            multi->SetAbsRefY(info.parts.front().label.y);
            group->SetGeometry(multi);
        }
        group->SetVymera(recordedHa);
        group->SetKVAL_P(1);
        group->SetVEK_ST(quint8(info.vekSt));
        group->SetLVS(quint8(a.lvs));
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName(QStringLiteral("VEK"), QString::number(a.age));
        props->SetPropertyStringByName(QStringLiteral("DR"), a.species);
        props->SetPropertyStringByName(QStringLiteral("ZAKM"), QString::number(a.stocking));
        group->SetProperties(props);
    }
    // The units above the groups carry no geometry: their rectangles are their children's.
    model->SetUpdateAll(true);

    saveStream(model.get(), path);
}

} // namespace zsample
