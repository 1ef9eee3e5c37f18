#include <gtest/gtest.h>

#include "forest_fixture.h"
#include "framework/Worlds.h"
#include "world_scope.h"

#include <functional>

using namespace zelto;
using namespace forest_test;

namespace {

// A stand group that counts the exact geometry tests made on it, and can run a callback while
// it is being tested (to look at the selector in the middle of a search).
class CountingGroup : public Tgis_PorostniSkupina {
public:
    static inline int tests = 0;
    std::function<void()> duringTest;
    bool IsHitByXY(double x, double y, double tolerance) const override {
        ++tests;
        if (duringTest) duringTest();
        return Tgis_PorostniSkupina::IsHitByXY(x, y, tolerance);
    }
};

CountingGroup* addGroup(Tgis_Porost* stand, const QString& name, TGeometry* geometry) {
    auto* g = new CountingGroup;
    g->SetName(name);
    g->SetGeometry(geometry);
    stand->CheckItems()->AddElement(g);
    return g;
}

constexpr double X0 = -745000;
constexpr double Y0 = -1043000;

// Two plan areas; in the first, two divisions with two dílce of two stands of two square groups
// each (100 m squares, 110 m apart), one division per row. Then the shapes that matter: an
// L-shaped group, a group of two parts, a group with a hole, and two overlapping groups.
struct GeneratedForest {
    std::unique_ptr<Tgis_ForestModel> model = std::make_unique<Tgis_ForestModel>();
    std::vector<CountingGroup*> groups; // in hierarchy order
    CountingGroup* lShape = nullptr;
    CountingGroup* twoParts = nullptr;
    CountingGroup* holed = nullptr;
    CountingGroup* overlapFirst = nullptr;
    CountingGroup* overlapSecond = nullptr;

    Tgis_LHC* firstLHC() const { return model->GetFirstLHC(); }

    GeneratedForest() {
        model->SetAutoCreate(true);
        for (int o = 0; o < 2; ++o)
            for (int d = 0; d < 2; ++d)
                for (int s = 0; s < 2; ++s) {
                    Tgis_Porost* stand =
                        model->CreatePorost(1, 1, o + 1, QString(QChar('a' + d)), QString::number(s + 1));
                    const double x = X0 + ((d * 2 + s) * 250);
                    const double y = Y0 + o * 500;
                    for (int g = 0; g < 2; ++g) {
                        const QString name = QString::number(g + 1) + QChar('a' + g);
                        CountingGroup* group = nullptr;
                        if (o == 0 && d == 0 && s == 0 && g == 0) {
                            // An L: the square less its upper right quarter.
                            group = addGroup(stand, name,
                                             area({{x, y},
                                                   {x, y + 100},
                                                   {x + 50, y + 100},
                                                   {x + 50, y + 50},
                                                   {x + 100, y + 50},
                                                   {x + 100, y}}));
                            lShape = group;
                        } else if (o == 0 && d == 1 && s == 1 && g == 1) {
                            // Two parts: the usual square and one 300 m above the row.
                            group = addGroup(stand, name, square(x + g * 110, y, 100));
                            group->AddGeometry(square(x + g * 110, y + 300, 50));
                            twoParts = group;
                        } else if (o == 1 && d == 0 && s == 1 && g == 0) {
                            TAreaElement* a = square(x, y, 100);
                            a->AddHole(square(x + 40, y + 40, 20));
                            group = addGroup(stand, name, a);
                            holed = group;
                        } else {
                            group = addGroup(stand, name, square(x + g * 110, y, 100));
                        }
                        groups.push_back(group);
                    }
                    if (o == 1 && d == 1 && s == 1) {
                        // Overlapping the stand's second group from the right.
                        overlapFirst = groups.back();
                        overlapSecond = addGroup(stand, "3c", square(x + 110 + 60, y, 100));
                        groups.push_back(overlapSecond);
                    }
                }
        // A second plan area far away.
        Tgis_Porost* far = model->CreatePorost(2, 1, 1, "a", "1");
        groups.push_back(addGroup(far, "1", square(X0 + 10000, Y0, 100)));
        model->UpdateAll();
    }
};

// The oracle: the first group in hierarchy order whose area holds the point.
Tgis_ForestUnit* firstGroupAt(const GeneratedForest& f, double x, double y) {
    for (CountingGroup* g : f.groups)
        if (g->Tgis_PorostniSkupina::IsHitByXY(x, y, 0)) return g;
    return nullptr;
}

std::unique_ptr<TForestModelSelector> mapSelector(Tgis_ForestModel* model) {
    auto s = std::make_unique<TForestModelSelector>();
    s->SetForestModel(model);
    s->SetFrameClassName("Tgis_PorostniSkupina");
    s->SetReferenceFrameClassName("Tgis_PorostniSkupina");
    return s;
}

Tgis_ForestUnit* findAt(TForestModelSelector& s, double x, double y) {
    s.SetX(x);
    s.SetY(y);
    s.DoIt();
    return s.GetActualFrame();
}

} // namespace

TEST(ForestSelector, FindsTheFirstGroupHoldingThePoint) {
    GeneratedForest f;
    auto s = mapSelector(f.model.get());
    ASSERT_NE(s->FFrameClass, nullptr);
    int found = 0;
    int inGaps = 0;
    // Every 7 m over the first plan area and beyond its edges, plus the far plan area.
    for (double x = X0 - 30; x < X0 + 1100; x += 7)
        for (double y = Y0 - 30; y < Y0 + 900; y += 7) {
            s->SetActualFrame(nullptr);
            Tgis_ForestUnit* expected = firstGroupAt(f, x, y);
            ASSERT_EQ(findAt(*s, x, y), expected) << x - X0 << " " << y - Y0;
            (expected ? found : inGaps)++;
        }
    EXPECT_GT(found, 1000);
    EXPECT_GT(inGaps, 1000);
    EXPECT_EQ(findAt(*s, X0 + 10050, Y0 + 50), f.groups.back());
    EXPECT_EQ(s->GetOutput(), f.groups.back());
    EXPECT_FALSE(s->GetBusy());
}

TEST(ForestSelector, TheShapesThatMatter) {
    GeneratedForest f;
    auto s = mapSelector(f.model.get());
    // The L's missing quarter lies in its stand's rectangle but in none of its groups.
    EXPECT_EQ(findAt(*s, X0 + 25, Y0 + 25), f.lShape);
    EXPECT_EQ(findAt(*s, X0 + 75, Y0 + 75), nullptr);
    // The second part of a two-part group, outside the row.
    const double partX = X0 + 3 * 250 + 110 + 25;
    EXPECT_EQ(findAt(*s, partX, Y0 + 325), f.twoParts);
    // The hole is not the group.
    const double holeX = X0 + 250 + 50;
    EXPECT_EQ(findAt(*s, holeX, Y0 + 500 + 50), nullptr);
    EXPECT_EQ(findAt(*s, holeX - 30, Y0 + 500 + 50), f.holed);
    // Where two groups overlap, the one earlier in the hierarchy wins; beyond it the other.
    const double overlapX = X0 + 3 * 250 + 110 + 80;
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, overlapX, Y0 + 550), f.overlapFirst);
    EXPECT_EQ(findAt(*s, overlapX + 60, Y0 + 550), f.overlapSecond);
    // Outside every plan area.
    EXPECT_EQ(findAt(*s, X0 - 5000, Y0), nullptr);
    EXPECT_EQ(findAt(*s, X0 + 5000, Y0 + 50), nullptr);
}

TEST(ForestSelector, GoesOnWithTheNextStandAfterAMiss) {
    Tgis_ForestModel model;
    Tgis_Porost* a = model.CreatePorost(1, 1, 1, "a", "1");
    Tgis_Porost* b = model.CreatePorost(1, 1, 1, "a", "2");
    addGroup(a, "1", square(0, 0, 10));
    addGroup(a, "2", square(20, 20, 10));
    // Stand 2 lies in the gap inside stand 1's rectangle.
    CountingGroup* inGap = addGroup(b, "1", square(12, 12, 6));
    model.UpdateAll();
    auto s = mapSelector(&model);
    EXPECT_EQ(findAt(*s, 15, 15), inGap);
    EXPECT_EQ(findAt(*s, 5, 25), nullptr);
}

TEST(ForestSelector, RectanglesPruneAndTheResultIsKept) {
    GeneratedForest f;
    auto s = mapSelector(f.model.get());
    // A point in the middle of one group: only that group's rectangle holds it, so only that
    // group of its stand is tested exactly.
    const double x = X0 + 250 + 110 + 50;
    const double y = Y0 + 50;
    CountingGroup::tests = 0;
    Tgis_ForestUnit* hit = findAt(*s, x, y);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->GetName(), "2b");
    EXPECT_EQ(hit->Get_Porost()->GetName(), "2");
    EXPECT_EQ(CountingGroup::tests, 1);
    // The reference frame is the stand group's class: no unit of it has children.
    EXPECT_EQ(s->GetActualReferenceFrame(), nullptr);

    // A second query inside the same group: one geometry test, same result.
    CountingGroup::tests = 0;
    EXPECT_EQ(findAt(*s, x + 10, y + 10), hit);
    EXPECT_EQ(CountingGroup::tests, 1);
    // A query that leaves it searches again; the other stands are passed by their rectangles.
    CountingGroup::tests = 0;
    EXPECT_EQ(findAt(*s, X0 + 50, Y0 + 10), f.lShape);
    EXPECT_EQ(CountingGroup::tests, 1);
}

// A stand of many overlapping groups is searched through a point index of its groups, built once
// and again only after the model has changed; the answer stays the first group in list order whose
// area holds the point. A few children (the other units here) are scanned without an index.
TEST(ForestSelector, LargeStandsAreIndexedOnceAndAnswerInListOrder) {
    Tgis_ForestModel model;
    Tgis_Porost* wide = model.CreatePorost(1, 1, 1, "a", "1");
    std::vector<Tgis_ForestUnit*> groups;
    for (int i = 0; i < 12; ++i)
        groups.push_back(addGroup(wide, QString::number(i + 1), square(i * 8.0, 0, 10)));
    Tgis_Porost* small = model.CreatePorost(1, 1, 1, "a", "2");
    groups.push_back(addGroup(small, "1", square(4, 6, 10)));
    model.UpdateAll();
    auto s = mapSelector(&model);
    auto expectedAt = [&](double x, double y) -> Tgis_ForestUnit* {
        for (Tgis_ForestUnit* g : groups)
            if (g->IsHitByXY(x, y, 0)) return g;
        return nullptr;
    };
    int hits = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (double x = -2; x < 110; x += 1.25)
            for (double y = -2; y < 20; y += 1.5) {
                s->SetActualFrame(nullptr);
                Tgis_ForestUnit* expected = expectedAt(x, y);
                ASSERT_EQ(findAt(*s, x, y), expected) << x << " " << y;
                if (expected) ++hits;
            }
        EXPECT_EQ(s->IndexBuilds(), 1u) << pass; // the wide stand's groups only
    }
    EXPECT_GT(hits, 500);

    // A new group changes the model: the stand's index is built again and holds it.
    groups.insert(groups.begin() + 12, addGroup(wide, "13", square(200, 0, 10)));
    model.UpdateAll();
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, 205, 5), groups[12]);
    EXPECT_EQ(s->IndexBuilds(), 2u);
}

TEST(ForestSelector, BusyWhileSearching) {
    Tgis_ForestModel model;
    Tgis_Porost* stand = model.CreatePorost(1, 1, 1, "a", "1");
    CountingGroup* first = addGroup(stand, "1", square(0, 0, 10));
    CountingGroup* second = addGroup(stand, "2", square(20, 0, 10));
    model.UpdateAll();
    auto s = mapSelector(&model);
    bool sawBusy = false;
    Tgis_ForestUnit* nestedResult = second;
    second->duringTest = [&] {
        sawBusy = s->GetBusy();
        // A search started meanwhile returns at once and changes nothing.
        const double x = s->FX;
        s->SetX(5);
        s->DoIt();
        nestedResult = s->GetActualFrame();
        s->SetX(x);
    };
    EXPECT_EQ(findAt(*s, 25, 5), second);
    EXPECT_TRUE(sawBusy);
    EXPECT_EQ(nestedResult, nullptr);
    EXPECT_FALSE(s->GetBusy());
    // The flag set from outside blocks searches as well.
    second->duringTest = nullptr;
    s->SetBusy(true);
    EXPECT_EQ(findAt(*s, 5, 5), second);
    s->SetBusy(false);
    EXPECT_EQ(findAt(*s, 5, 5), first);
}

TEST(ForestSelector, ConfigurationAndModel) {
    GeneratedForest f;
    TForestModelSelector s;
    // No model, or no frame class: nothing happens.
    EXPECT_EQ(s.GetForestModel(), nullptr);
    EXPECT_EQ(findAt(s, X0 + 50, Y0 + 10), nullptr);
    s.SetForestModel(f.model.get());
    EXPECT_EQ(findAt(s, X0 + 50, Y0 + 10), nullptr);
    s.SetFrameClassName("TNeniTakovaTrida");
    EXPECT_EQ(s.FFrameClass, nullptr);
    EXPECT_EQ(s.GetFrameClassName(), "TNeniTakovaTrida");
    s.SetFrameClass(&Tgis_PorostniSkupina::StaticClass());
    EXPECT_EQ(s.GetFrameClassName(), "Tgis_PorostniSkupina");
    ASSERT_EQ(findAt(s, X0 + 50, Y0 + 10), f.lShape);

    // A stand-level frame class finds stands by their own geometry (none here: not hit).
    s.SetFrameClass(&Tgis_Porost::StaticClass());
    s.SetActualFrame(nullptr);
    EXPECT_EQ(findAt(s, X0 + 50, Y0 + 10), nullptr);
    Tgis_Porost* stand = f.lShape->Get_Porost();
    stand->SetGeometry(square(X0 - 5, Y0 - 5, 220));
    // A dílec reference class enters every dílec and is remembered on the way down.
    s.SetReferenceFrameClass(&Tgis_Dilec::StaticClass());
    EXPECT_EQ(s.GetReferenceFrameClassName(), "Tgis_Dilec");
    EXPECT_EQ(findAt(s, X0 + 50, Y0 + 10), stand);
    EXPECT_EQ(s.GetActualReferenceFrame(), stand->Get_Dilec());

    // The selection chain clears downwards.
    s.SetActualLHC(f.firstLHC());
    s.SetActualSkupina(f.lShape);
    s.SetActualDilec(nullptr);
    EXPECT_EQ(s.GetActualSkupina(), nullptr);
    EXPECT_EQ(s.GetActualLHC(), f.firstLHC());

    // Another model drops everything that belonged to the previous one.
    s.SetFrameClass(&Tgis_PorostniSkupina::StaticClass());
    ASSERT_NE(findAt(s, X0 + 50, Y0 + 10), nullptr);
    Tgis_ForestModel other;
    s.SetForestModel(&other);
    EXPECT_EQ(s.GetActualFrame(), nullptr);
    EXPECT_EQ(s.GetActualLHC(), nullptr);
    EXPECT_EQ(findAt(s, X0 + 50, Y0 + 10), nullptr);
}

TEST(ForestSelector, FindsItsModelInTheWorld) {
    GeneratedForest f;
    zelto::testing::WorldScope scope;
    TWorld& world = scope.world();
    auto* data = new TOwnerEntity;
    data->SetName("Data");
    world.GetObjectModel()->AddElement(data);
    data->AddElement(new TOwnerEntity);
    // The world's data own the model from here on.
    Tgis_ForestModel* model = f.model.release();
    data->AddElement(model);

    TForestModelSelector s;
    EXPECT_EQ(s.GetForestModel(), model);
    s.SetFrameClass(&Tgis_PorostniSkupina::StaticClass());
    ASSERT_EQ(findAt(s, X0 + 50, Y0 + 10), f.lShape);
    // The same model again keeps the result; without "Data" the model is gone.
    s.FindInput();
    EXPECT_EQ(s.GetActualFrame(), f.lShape);
    data->SetName("Jina data");
    s.FindInput();
    EXPECT_EQ(s.GetForestModel(), nullptr);
    EXPECT_EQ(s.GetActualFrame(), nullptr);
}

// The selector keeps the children rectangles of the units it descends; every change of the model
// between searches must be seen: moved, added and freed groups, and a new order of the children.
TEST(ForestSelector, FollowsChangesOfTheModelBetweenSearches) {
    Tgis_ForestModel model;
    model.SetAutoCreate(true);
    // Forty divisions in a row, so that a unit's children are many enough for a grid.
    std::vector<CountingGroup*> groups;
    for (int o = 1; o <= 40; ++o) {
        Tgis_Porost* stand = model.CreatePorost(1, 1, o, "a", "1");
        groups.push_back(addGroup(stand, "1", square(o * 100, 0, 90)));
    }
    model.UpdateAll();
    auto s = mapSelector(&model);
    ASSERT_EQ(findAt(*s, 1050, 50), groups[9]);
    ASSERT_EQ(findAt(*s, 5000, 50), nullptr);

    // Moved: division 11's group goes to (5000, 0); its units' rectangles follow.
    groups[10]->SetGeometry(square(5000, 0, 90));
    model.UpdateAll();
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, 5050, 50), groups[10]);
    EXPECT_EQ(findAt(*s, 1150, 50), nullptr);

    // Added: a new division at the far end.
    Tgis_Porost* added = model.CreatePorost(1, 1, 41, "a", "1");
    CountingGroup* newGroup = addGroup(added, "1", square(8000, 0, 90));
    model.UpdateAll();
    EXPECT_EQ(findAt(*s, 8050, 50), newGroup);

    // Freed: the whole division 5 (its index entry must not be used again).
    auto* ls = static_cast<Tgis_ItemsForestUnit*>(model.GetFirstLHC()->GetItem(0));
    Tgis_CisloForestUnit* division5 = ls->GetItemCislo(5);
    ASSERT_NE(division5, nullptr);
    ls->GetItems()->FreeElement(division5);
    model.UpdateAll();
    EXPECT_EQ(findAt(*s, 550, 50), nullptr);
    EXPECT_EQ(findAt(*s, 650, 50), groups[5]);

    // Reordered: two overlapping divisions; the first in the list wins.
    CountingGroup* first = addGroup(model.CreatePorost(1, 1, 42, "a", "1"), "1", square(9000, 0, 90));
    CountingGroup* second = addGroup(model.CreatePorost(1, 1, 43, "a", "1"), "1", square(9050, 0, 90));
    model.UpdateAll();
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, 9070, 50), first);
    TSuperList& divisions = ls->GetItems()->FElements;
    const int a = divisions.indexOf(first->Get_Oddeleni()), b = divisions.indexOf(second->Get_Oddeleni());
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    TElement* tmp = divisions.at(a);
    divisions.set(a, divisions.at(b));
    divisions.set(b, tmp);
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, 9070, 50), second);
}

// A damaged or hostile model whose units are shared: 40 levels of dílce each listing the next one
// twice (2^40 paths to the bottom), and a dílec that lists its own ancestor. The search enters each
// unit once, so it answers at once, and a miss ends.
TEST(ForestSelector, SharedAndCyclicUnitsAreEnteredOncePerSearch) {
    Tgis_ForestModel model;
    Tgis_Porost* stand = model.CreatePorost(1, 1, 1, "a", "1");
    ASSERT_NE(stand, nullptr);
    Tgis_Dilec* top = stand->Get_Dilec();
    const TDoubleRect all{X0 - 1000, Y0 - 1000, X0 + 1000, Y0 + 1000};
    Tgis_Dilec* level = top;
    std::vector<Tgis_Dilec*> chain;
    for (int i = 0; i < 40; ++i) {
        auto* next = new Tgis_Dilec;
        next->SetName(QString::number(i));
        next->SetByDoubleRect(all);
        level->CheckItems()->AddElement(next);
        level->CheckItems()->AddElement(next);
        chain.push_back(next);
        level = next;
    }
    // At the bottom a stand with one group, and a way back up to the top.
    auto* bottom = new Tgis_Porost;
    bottom->SetByDoubleRect(all);
    level->CheckItems()->AddElement(bottom);
    addGroup(bottom, "1", square(X0, Y0, 100));
    level->CheckItems()->AddElement(top);
    for (Tgis_ForestUnit* u :
         std::initializer_list<Tgis_ForestUnit*>{top, top->Get_Oddeleni(), top->Get_Oddeleni()->Get_LS(),
                                                 top->Get_Oddeleni()->Get_LS()->Get_LHC()})
        u->SetByDoubleRect(all);
    // The stand that the model made first has no group: the search goes on past it.
    auto s = mapSelector(&model);
    EXPECT_EQ(findAt(*s, X0 + 50, Y0 + 50), bottom->GetItem(0));
    s->SetActualFrame(nullptr);
    EXPECT_EQ(findAt(*s, X0 + 500, Y0 + 500), nullptr) << "every path misses";
    EXPECT_EQ(s->GetFrameByXY(top, X0 + 50, Y0 + 50), bottom->GetItem(0));
    EXPECT_EQ(s->GetFrameByXY(top, X0 + 50, Y0 + 50), bottom->GetItem(0))
        << "each call is a search of its own";
    // Break the cycles before the model frees its units (a unit listed by its own descendant).
    level->GetItems()->RemoveElement(top);
}
