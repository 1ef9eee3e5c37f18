#include <gtest/gtest.h>

#include "stream_roundtrip.h"
#include "topology/e_TopolDruhy.h"

#include <memory>

using namespace zelto;
using zelto::testing::storedPropertyNames;

namespace {

TTopolDruh* kind(const QString& name, qint32 code, QChar typ = 'B') {
    auto* k = new TTopolDruh;
    k->SetName(name);
    k->FKOD = code;
    k->FBarva = code % 16;
    k->FZnacka = code * 2;
    k->FTyp = typ;
    k->FTrida = "TTopolPointElement";
    k->FZaloha = 1;
    return k;
}

} // namespace

TEST(KindCatalogue, FindingKindsByCodeAndName) {
    EXPECT_EQ(storedPropertyNames(TTopolDruh::StaticClass()),
              (QStringList{"Name", "KOD", "Barva", "Znacka", "Typ", "Trida", "Zaloha"}));
    TTopolDruhy catalogue;
    EXPECT_EQ(catalogue.ElementsCount(), 0);
    TTopolDruhCollection* points = catalogue.GetB();
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points->GetName(), "B");
    EXPECT_EQ(catalogue.GetB(), points);
    EXPECT_EQ(catalogue.ElementsCount(), 1);

    points->AddElement(kind("Hraniční kámen", 101));
    points->AddElement(kind("Mez", 102));
    points->AddElement(kind("Mez 2", 102));
    catalogue.SetFindBDruhKod(102);
    EXPECT_EQ(points->GetActualDruhName(), "Mez");
    EXPECT_EQ(points->GetActualDruhKod(), 102);
    catalogue.SetFindBDruhKod(999);
    EXPECT_EQ(points->GetActualDruh(), nullptr);
    EXPECT_EQ(points->GetActualDruhName(), " ");
    EXPECT_EQ(points->GetActualDruhKod(), 0);
    catalogue.SetFindBDruhName("Hraniční kámen");
    EXPECT_EQ(points->GetActualDruhKod(), 101);
    catalogue.SetFindBDruhName("nic");
    EXPECT_EQ(points->GetActualDruhName(), " ");

    // A current kind that leaves the collection is no longer answered.
    catalogue.SetFindBDruhKod(101);
    points->FreeElement(points->GetActualDruh());
    EXPECT_EQ(points->GetActualDruh(), nullptr);

    // The other two collections, and a kind named like a collection is not taken for one.
    catalogue.GetL()->AddElement(kind("Cesta", 5, 'L'));
    catalogue.SetFindLDruhName("Cesta");
    EXPECT_EQ(catalogue.GetL()->GetActualDruhKod(), 5);
    EXPECT_EQ(catalogue.GetP()->GetName(), "P");
    TTopolDruhy odd;
    odd.AddElement(kind("B", 1));
    EXPECT_NE(odd.GetB(), nullptr);
    EXPECT_EQ(odd.ElementsCount(), 2);
}

class KindCatalogueStream : public zelto::testing::StreamRoundTrip {};

TEST_F(KindCatalogueStream, CatalogueSurvivesTheStream) {
    auto catalogue = std::make_unique<TTopolDruhy>();
    catalogue->GetB()->AddElement(kind("Hraniční kámen", 101));
    catalogue->GetL()->AddElement(kind("Cesta", 5, 'L'));
    catalogue->GetP()->AddElement(kind("Paseka", 7, 'P'));
    catalogue->GetP()->AddElement(kind("Řídký porost", 8, QChar(0x0158))); // a letter beyond one byte
    std::unique_ptr<TElement> back = roundTrip(catalogue.get());
    auto* c = zelto_cast<TTopolDruhy>(back.get());
    ASSERT_NE(c, nullptr);
    c->SetFindBDruhKod(101);
    EXPECT_EQ(c->GetB()->GetActualDruhName(), "Hraniční kámen");
    EXPECT_EQ(c->ElementsCount(), 3);
}
