// Shared by the forest tests: class registration, area geometries and a small plan area.
#pragma once

#include <gtest/gtest.h>

#include "builders.h"
#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "forest/e_LHCModelSupport.h"
#include "forest/e_ParcelModel.h"
#include "forest/e_Person.h"
#include "forest/t_ForestModelSelector.h"
#include "forest_classes.h"
#include "framework/e_Class.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace forest_test {

using namespace zelto;

// The classes of the forest modules in their start-up order.
inline const QStringList& ForestClassOrder() {
    static const QStringList names = zelto::testing::forestClassOrder();
    return names;
}

using Ring = zelto::testing::Points;
using zelto::testing::rect;

inline TAreaElement* area(const Ring& ring) {
    return zelto::testing::poly<TAreaElement>(ring);
}

inline TAreaElement* square(double x, double y, double side, double fixedArea = 0, quint8 index = 0) {
    TAreaElement* a = area(rect(x, y, side, side));
    a->FFixedArea = fixedArea;
    a->FFixedAreaIndex = index;
    return a;
}

template <class T> T* childOf(Tgis_ItemsForestUnit* parent, const QString& name) {
    return static_cast<T*>(parent->CreateItemName(name));
}
template <class T> T* numberedChildOf(Tgis_ItemsForestUnit* parent, qint32 number) {
    return static_cast<T*>(parent->CreateItemCislo(number));
}

// A plan area built unit by unit:
//   LHC 5 (ROK 2018, LHC_LCR 77): LS 1 with divisions 1 and 2, LS 2 with divisions 12 and 13;
//   dílce a and b in divisions 1 and 12; stands 1 and 2 in dílec 12b; groups 1a, 12.3 and 7 in
//   stand 12b1 and group 1 in stand 12b2;
//   LHC 6 (ROK 2020) with LS 3 and division 40.
struct SmallForest {
    std::unique_ptr<Tgis_ForestModel> model = std::make_unique<Tgis_ForestModel>();
    Tgis_LHC* lhc5 = nullptr;
    Tgis_LHC* lhc6 = nullptr;
    Tgis_LS* ls1 = nullptr;
    Tgis_LS* ls2 = nullptr;
    Tgis_Oddeleni* odd1 = nullptr;
    Tgis_Oddeleni* odd2 = nullptr;
    Tgis_Oddeleni* odd12 = nullptr;
    Tgis_Oddeleni* odd13 = nullptr;
    Tgis_Dilec* d1a = nullptr;
    Tgis_Dilec* d1b = nullptr;
    Tgis_Dilec* d12a = nullptr;
    Tgis_Dilec* d12b = nullptr;
    Tgis_Porost* p1 = nullptr;
    Tgis_Porost* p2 = nullptr;
    Tgis_PorostniSkupina* g1a = nullptr;
    Tgis_PorostniSkupina* g123 = nullptr;
    Tgis_PorostniSkupina* g7 = nullptr;
    Tgis_PorostniSkupina* g2_1 = nullptr;

    SmallForest() {
        lhc5 = new Tgis_LHC;
        lhc5->FCislo = 5;
        lhc5->FROK = 2018;
        lhc5->FLHC_LCR = 77;
        lhc5->FNazev = QStringLiteral("Horní les");
        model->AddElement(lhc5);
        ls1 = numberedChildOf<Tgis_LS>(lhc5, 1);
        ls2 = numberedChildOf<Tgis_LS>(lhc5, 2);
        odd1 = numberedChildOf<Tgis_Oddeleni>(ls1, 1);
        odd2 = numberedChildOf<Tgis_Oddeleni>(ls1, 2);
        odd12 = numberedChildOf<Tgis_Oddeleni>(ls2, 12);
        odd13 = numberedChildOf<Tgis_Oddeleni>(ls2, 13);
        d1a = childOf<Tgis_Dilec>(odd1, "a");
        d1b = childOf<Tgis_Dilec>(odd1, "b");
        d12a = childOf<Tgis_Dilec>(odd12, "a");
        d12b = childOf<Tgis_Dilec>(odd12, "b");
        p1 = childOf<Tgis_Porost>(d12b, "1");
        p2 = childOf<Tgis_Porost>(d12b, "2");
        g1a = childOf<Tgis_PorostniSkupina>(p1, "1a");
        g123 = childOf<Tgis_PorostniSkupina>(p1, "12.3");
        g7 = childOf<Tgis_PorostniSkupina>(p1, "7");
        g2_1 = childOf<Tgis_PorostniSkupina>(p2, "1");

        lhc6 = new Tgis_LHC;
        lhc6->FCislo = 6;
        lhc6->FROK = 2020;
        model->AddElement(lhc6);
        auto* ls3 = numberedChildOf<Tgis_LS>(lhc6, 3);
        numberedChildOf<Tgis_Oddeleni>(ls3, 40);
    }
};

} // namespace forest_test
