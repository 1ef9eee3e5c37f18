#include <gtest/gtest.h>

#include "forest_fixture.h"
#include "framework/e_Props.h"
#include "stream_roundtrip.h"

#include <QSet>

#include <functional>

using namespace zelto;
using namespace forest_test;

namespace {

class ForestStream : public zelto::testing::StreamRoundTrip {};

// Every class reachable from `root` through children and element-valued stored properties.
QSet<QString> classesIn(TElement* root) {
    QSet<QString> names;
    QSet<const TElement*> seen;
    std::function<void(TElement*)> walk = [&](TElement* e) {
        if (!e || seen.contains(e)) return;
        seen.insert(e);
        names.insert(e->ClassName());
        for (const TPropInfo& p : e->ClassType().properties())
            if (p.kind == tkClass && p.readable() && p.staticallyStored())
                walk(zelto_cast<TElement>(p.get(e).obj));
        if (auto* entity = zelto_cast<TEntity>(e))
            for (TElement* c : entity->FElements) walk(c);
    };
    walk(root);
    return names;
}

// A small forest data file: the model with a plan area down to stand groups (geometries, an own
// attribute set, user and felling areas), taxators, the cadastre with owner and manager, forest
// types and special-purpose objects; and next to the model a unit selector that refers into it.
struct ForestData {
    std::unique_ptr<TOwnerEntity> root = std::make_unique<TOwnerEntity>();
    Tgis_ForestModel* model = new Tgis_ForestModel;

    ForestData() {
        root->SetName("forest data");
        root->AddElement(model);

        // Taxators first: their units are then written as their children.
        auto* taxators = new Tgis_Taxator_Collection;
        taxators->SetName("Taxatori");
        model->AddElement(taxators);
        auto* novak = new Tgis_Taxator;
        novak->FFirstName = "Jan";
        novak->FSecondName = "Novák";
        novak->FPIN = 4711;
        novak->FComment = "LHP 2018";
        taxators->AddElement(novak);

        model->SetAutoCreate(true);
        Tgis_PorostniSkupina* g = model->CreateSkupina(5, 1, 12, "b", "3", "1a");
        Tgis_PorostniSkupina* g2 = model->CreateSkupina(5, 1, 12, "b", "3", "2.1");
        Tgis_PorostniSkupina* g3 = model->CreateSkupina(5, 2, 40, "a", "1", "1");
        model->SetAutoCreate(false);
        Tgis_LHC* lhc = model->GetFirstLHC();
        lhc->FNazev = "Horní les";
        lhc->FROK = 2018;
        lhc->FLHC_LCR = 77;
        lhc->FLHC_TAX = "Novák";
        auto* ls = static_cast<Tgis_LS*>(lhc->GetItem(0));
        ls->FNazev = "Revír Lhota";
        ls->FLS = 11;
        ls->FLS_NAZ = "LS Lhota";
        Tgis_Porost* stand = g->Get_Porost();
        stand->FKATS = "a,b";
        stand->FZVL_STATUT = "11";
        stand->FKAT_Poznamka = "u cesty";
        stand->FKVAL_P = 2;
        stand->FMultiKatastr = true;
        stand->FBarva = 5;
        auto* standProps = new TDynamicProperties;
        standProps->SetPropertyStringByName("HS", "3");
        stand->SetProperties(standProps);
        g->Get_Oddeleni()->Set_Taxator(novak);

        g->SetGeometry(square(-745000, -1043000, 100, 0.98, 2));
        g->FVEK_ST = 7;
        g->FLVS = 1;
        g->FZnacka = 33;
        g->CreateUUID();
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName("Poznamka", "mlazina");
        g->SetProperties(props);
        g2->AddGeometry(square(-744890, -1043000, 100, 0.5, 1));
        g2->AddGeometry(square(-744890, -1042800, 50, 0.25, 1));
        g3->SetGeometry(square(-744000, -1043000, 100, 1, 1));

        auto* user = new Tgis_UserAreaElement;
        user->FDruh = 42;
        user->SetGeometry(square(-744990, -1042990, 20));
        user->Set_Skupina(g);
        user->SetUserID(1);
        auto* felling = new TTEZPlocha;
        felling->FZpusob = 2;
        felling->FNalehavost = 3;
        felling->SetGeometry(square(-744960, -1042960, 10));
        felling->Set_Skupina(g);

        // The cadastre: one territory, a parcel group of one owner with one manager, a parcel.
        auto* cadastre = new Tgis_ParcelModel;
        model->AddElement(cadastre);
        auto* owners = new Tgis_Majitele;
        cadastre->AddElement(owners);
        auto* owner = new Tgis_Majitel;
        owner->SetName("Obec Lhota");
        owner->FMAJ_KOD = 9001;
        owners->AddElement(owner);
        auto* managers = new TGis_OLHs;
        cadastre->AddElement(managers);
        auto* olh = new TGis_OLH;
        olh->FFirstName = "Karel";
        olh->FSecondName = "Les";
        olh->FOLH_ID = 77;
        managers->AddElement(olh);
        auto* ku = new Tgis_Katastr;
        ku->FKU_KOD = 612345;
        ku->FKU_Nazev = "Lhota";
        cadastre->AddElement(ku);
        auto* skp = new Tgis_SkupinaParcel;
        skp->FSK_PARC = 31;
        skp->FLV = 455;
        ku->CheckSkupinyParcel()->AddElement(skp);
        owner->AddElement(skp);
        olh->AddElement(skp);
        skp->AddPorost(stand);
        skp->AddSkupina(g3);
        auto* parcels = new Tgis_Parcely;
        ku->AddElement(parcels);
        auto* parcel = new Tgis_Parcela;
        parcel->FKmen = 120;
        parcel->FPoddeleni = 3;
        parcel->FVymera = 0.75;
        parcel->FLV = 455;
        parcel->SetGeometry(square(-745000, -1043000, 80));
        parcels->AddElement(parcel);
        auto* parts = new Tgis_ParCasti;
        parcel->AddElement(parts);
        auto* part = new Tgis_ParcelaCast;
        part->FKmen = 120;
        parts->AddElement(part);
        ku->AddElement(new Tgis_KParcely);

        // Forest types, special-purpose areas and points, a storey, a plain unit and person.
        auto* other = new TOwnerEntity;
        other->SetName("ostatni");
        model->AddElement(other);
        auto* lt = new Tgis_LT;
        lt->FPlocha = 12.5;
        lt->FVymera = 12.25;
        lt->FLT = "3K1";
        lt->FSLT = "3K";
        lt->FLES_OBL = 16;
        lt->FLO_CAST = "a";
        lt->FUdrzba = 1;
        lt->FZmena = "z";
        lt->FTVL = "1";
        lt->FPLT = "1";
        lt->FPLT_Nazev = "smrková";
        lt->FCHS = 55;
        lt->FPCHS = "5";
        lt->SetGeometry(square(-745000, -1043000, 300));
        other->AddElement(lt);
        auto* srf = new TSRFPlocha;
        srf->FBarva = 3;
        srf->SetGeometry(square(-745010, -1043010, 30));
        other->AddElement(srf);
        auto* srfPoint = new TSRFBod;
        srfPoint->FVEK_ST = 4;
        srfPoint->FCislo = 1;
        auto* pointGeometry = new TPointElement;
        pointGeometry->SetMinX(-745005);
        pointGeometry->SetMinY(-1043005);
        srfPoint->SetGeometry(pointGeometry);
        other->AddElement(srfPoint);
        auto* tezPoint = new TTEZBod;
        tezPoint->FNalehavost = 2;
        other->AddElement(tezPoint);
        other->AddElement(new Tgis_Etaz);
        other->AddElement(new Tgis_ForestUnit);
        auto* person = new TPersonElement;
        person->FFirstName = "Petr";
        other->AddElement(person);

        model->UpdateAll();

        auto* selector = new TForestModelSelector;
        selector->SetForestModel(model);
        selector->SetFrameClassName("Tgis_PorostniSkupina");
        selector->SetReferenceFrameClassName("Tgis_PorostniSkupina");
        selector->SetX(-744950);
        selector->SetY(-1042950);
        selector->DoIt();
        selector->SetActualLHC(lhc);
        selector->SetActualLS(ls);
        root->AddElement(selector);
    }
};

} // namespace

TEST_F(ForestStream, WholeModelRoundTrip) {
    ForestData data;
    ASSERT_NE(data.model->GetFirstLHC(), nullptr);
    // Every class of the forest modules is in the file.
    const QSet<QString> written = classesIn(data.root.get());
    for (const QString& name : ForestClassOrder()) EXPECT_TRUE(written.contains(name)) << name.toStdString();

    std::unique_ptr<TElement> back = roundTrip(data.root.get());
    auto* root = zelto_cast<TOwnerEntity>(back.get());
    ASSERT_NE(root, nullptr);
    auto* model = zelto_cast<Tgis_ForestModel>(root->Get(0));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(classesIn(root), written);

    // After reading, the selection is empty and the units find their way up and their shapes.
    EXPECT_EQ(model->GetActualLHC(), nullptr);
    model->SetLHC_Cislo(5);
    model->SetOddeleni_Cislo(12);
    model->SetDilec_Name("b");
    model->SetPorost_Name("3");
    Tgis_PorostniSkupina* g = model->GetSkupinaName("1a");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Get_LHC(), model->GetFirstLHC());
    EXPECT_EQ(g->Get_LS()->FNazev, "Revír Lhota");
    EXPECT_EQ(g->GetOddeleni(), 12);
    EXPECT_EQ(g->GetDilec(), QChar('b'));
    EXPECT_EQ(g->GetPorost(), QChar('3'));
    ASSERT_NE(g->GetGeometry(), nullptr);
    EXPECT_DOUBLE_EQ(g->GetPlocha(), 1.0);
    EXPECT_DOUBLE_EQ(g->GetVymera(), 0.98);
    EXPECT_EQ(g->GetKVAL_P(), 2);
    EXPECT_EQ(g->GetPropertyStringByName("Poznamka"), "mlazina");
    EXPECT_EQ(g->GetPropertyStringByName("HS"), "3");
    EXPECT_EQ(g->GetKATS(), "a,b");
    EXPECT_EQ(g->GetTaxatorName(), "Jan Novák");
    EXPECT_EQ(g->GetTaxatorPIN(), 4711);
    EXPECT_EQ(g->GetTaxPro(), "ODD");
    EXPECT_EQ(g->GetVLASTNIK(), "9001");
    EXPECT_EQ(g->GetOLH_Name(), "Karel Les");
    EXPECT_EQ(g->GetKU_KOD(), 612345);
    EXPECT_EQ(g->GetLV(), 455);
    Tgis_PorostniSkupina* g2 = model->GetSkupinaName("2.1");
    ASSERT_NE(g2, nullptr);
    ASSERT_TRUE(g2->GetGeometry() && g2->GetGeometry()->Is<TMultiAreaElement>());
    EXPECT_DOUBLE_EQ(g2->GetPlocha(), 1.25);
    EXPECT_DOUBLE_EQ(g2->GetVymera(), 0.75);
    EXPECT_DOUBLE_EQ(model->GetActualPorost()->GetPlocha(), 2.25);

    // The stand group on its own parcel link, in the other district.
    model->SetActualLS(nullptr);
    model->SetOddeleni_Cislo(40);
    EXPECT_EQ(model->GetLS_Cislo(), 2);
    model->SetDilec_Name("a");
    model->SetPorost_Name("1");
    Tgis_PorostniSkupina* g3 = model->GetSkupinaName("1");
    ASSERT_NE(g3, nullptr);
    EXPECT_EQ(g3->GetSK_PARC(), 31);
    EXPECT_EQ(g3->GetTaxatorName(), "-");

    // User and felling areas are found under their group, by class.
    auto* users = zelto_cast<Tgis_UserCollection>(g->GetAreaCollection(Tgis_UserCollection::StaticClass()));
    ASSERT_NE(users, nullptr);
    ASSERT_EQ(users->ElementsCount(), 1);
    auto* user = zelto_cast<Tgis_UserAreaElement>(users->Get(0));
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->GetName(), "1");
    EXPECT_EQ(user->GetGroup(), 42);
    EXPECT_EQ(user->Get_Skupina(), g);
    EXPECT_EQ(user->GetOddeleni(), 12);
    EXPECT_EQ(users->FindUserID(), 2);
    auto* fellings = g->GetAreaCollection(Tgis_TezbaCollection::StaticClass());
    ASSERT_NE(fellings, nullptr);
    auto* felling = zelto_cast<TTEZPlocha>(fellings->Get(0));
    ASSERT_NE(felling, nullptr);
    EXPECT_EQ(felling->GetName(), "TEZ 2:3");
    EXPECT_EQ(felling->Get_Skupina(), g);

    // The selector next to the model refers to the units read.
    auto* selector = zelto_cast<TForestModelSelector>(root->Get(1));
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->GetForestModel(), model);
    EXPECT_EQ(selector->FFrameClass, &Tgis_PorostniSkupina::StaticClass());
    EXPECT_EQ(selector->GetActualFrame(), g);
    EXPECT_EQ(selector->GetActualLHC(), model->GetFirstLHC());
    EXPECT_EQ(selector->GetActualLS(), g->Get_LS());
    // And it searches the model read, using the rectangles that were stored with the units.
    selector->SetX(-744890 + 25);
    selector->SetY(-1042800 + 25);
    selector->DoIt();
    EXPECT_EQ(selector->GetActualFrame(), g2);
    selector->SetX(-744000 + 5);
    selector->SetY(-1043000 + 5);
    selector->DoIt();
    EXPECT_EQ(selector->GetActualFrame(), g3);
}
