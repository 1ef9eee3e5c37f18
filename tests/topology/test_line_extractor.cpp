// The line extractor: lines of layers, of areas made of lines and of their holes, shared or as
// copies, with or without duplicates.
#include <gtest/gtest.h>

#include "builders.h"
#include "framework/M_Zelto.h"
#include "framework/Worlds.h"
#include "geometry/e_Geometry.h"
#include "topology/t_LineExtractor.h"

#include <memory>

using namespace zelto;

namespace {

using zelto::testing::line;

int countOf(const TEntity& e, const TElement* x) {
    int n = 0;
    for (TElement* c : e.FElements) n += c == x;
    return n;
}

// Two areas of lines sharing their middle line; the right one has a hole made of a line.
struct Layer {
    TEntity root;
    TPolyLineElement* shared = line(5, 0, 5, 5);
    TPolyLineElement* left = line(5, 5, 5, 0);
    TPolyLineElement* right = line(5, 0, 5, 5);
    TPolyLineElement* holeLine = line(6, 1, 6, 2);
    TPolyLineElement* loose = line(20, 0, 21, 0);

    Layer() {
        auto* a = new TPolyLineAreaElement;
        a->AddPolyLine(shared, true);
        a->AddPolyLine(left, true);
        auto* b = new TPolyLineAreaElement;
        b->AddPolyLine(shared, false);
        b->AddPolyLine(right, true);
        auto* hole = new TPolyLineAreaElement;
        hole->AddPolyLine(holeLine, true);
        b->AddHole(hole);
        auto* sub = new TEntity;
        sub->AddElement(a);
        sub->AddElement(b);
        root.AddElement(sub);
        root.AddElement(loose);
    }
};

} // namespace

TEST(LineExtractor, SharedLineOnceWithNoDuplicatesTwiceWithout) {
    Layer layer;
    for (bool noDuplicates : {true, false}) {
        TLineExtractor x;
        x.FNoDuplicates = noDuplicates;
        x.SetInput(&layer.root);
        x.DoIt();
        std::unique_ptr<TEntity> out(zelto_cast<TEntity>(x.GetOutput()));
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(countOf(*out, layer.shared), noDuplicates ? 1 : 2);
        for (TPolyLineElement* l : {layer.left, layer.right, layer.holeLine, layer.loose})
            EXPECT_EQ(countOf(*out, l), 1);
        EXPECT_EQ(out->ElementsCount(), noDuplicates ? 5 : 6);
        EXPECT_TRUE(layer.shared->IsMyOwner(out.get())); // shared with its other owners
    }
}

TEST(LineExtractor, CopiesLevelsAndOutput) {
    Layer layer;
    // Copies: new lines with the same vertices; the originals keep their owners only.
    TLineExtractor copier;
    copier.FCopyLines = true;
    copier.FNoDuplicates = true;
    TEntity out;
    copier.SetInput(&layer.root);
    copier.SetOutput(&out);
    copier.DoIt();
    ASSERT_EQ(out.ElementsCount(), 5);
    for (TElement* e : out.FElements) {
        auto* copy = zelto_cast<TPolyLineElement>(e);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, layer.shared);
        EXPECT_EQ(copy->GetCoordsCount(), 2);
        EXPECT_EQ(copy->GetOwnersCount(), 1);
    }
    EXPECT_EQ(layer.shared->GetOwnersCount(), 2);

    // MaxLevel 2: the root is entered, the sub-layer below it is not.
    TLineExtractor shallow;
    shallow.FMaxLevel = 2;
    shallow.SetInput(&layer.root);
    shallow.DoIt();
    std::unique_ptr<TEntity> found(zelto_cast<TEntity>(shallow.GetOutput()));
    ASSERT_EQ(found->ElementsCount(), 1);
    EXPECT_EQ(found->Get(0), layer.loose);

    // A bare line as input, copied: the line survives the release of the working list.
    std::unique_ptr<TPolyLineElement> bare(line(0, 0, 1, 1));
    TEntity copies;
    copier.SetInput(bare.get());
    copier.SetOutput(&copies);
    copier.DoIt();
    EXPECT_EQ(copies.ElementsCount(), 1);
    EXPECT_EQ(bare->GetOwnersCount(), 0);

    // An output that is not an entity is refused with a protocol text.
    QStringList texts;
    const auto id = TMessageBus::instance().subscribe([&](TElement*, TZeltoMessage& m) {
        if (auto* t = zelto_cast<TZeltoTextMessage>(&m); t && m.FMessage == tm_AddToProtocol)
            texts << t->FMessageText;
    });
    T2DCoordinate notAnEntity;
    TLineExtractor wrong;
    wrong.SetInput(&layer.root);
    wrong.SetOutput(&notAnEntity);
    wrong.DoIt();
    TMessageBus::instance().unsubscribe(id);
    EXPECT_EQ(texts, QStringList{"ERROR: LineExtractor expected TEntity at output!"});
}

// Entities shared along many paths (40 levels, each listing the next one twice: 2^40 paths to the
// line at the bottom) and an entity that lists its own ancestor: each entity is entered once, so
// the run ends at once with the line found once.
TEST(LineExtractor, SharedEntitiesAreEnteredOnce) {
    TOwnerEntity root;
    TOwnerEntity* level = &root;
    for (int i = 0; i < 40; ++i) {
        auto* next = new TOwnerEntity;
        level->AddElement(next);
        level->AddElement(next);
        level = next;
    }
    TPolyLineElement* bottom = line(0, 0, 1, 1);
    level->AddElement(bottom);
    level->AddElement(&root);
    TLineExtractor x;
    x.SetInput(&root);
    x.DoIt();
    std::unique_ptr<TEntity> out(zelto_cast<TEntity>(x.GetOutput()));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->ElementsCount(), 1);
    EXPECT_EQ(countOf(*out, bottom), 1);
    out->RemoveElement(bottom);
    level->RemoveElement(&root); // the cycle goes before the entities are freed
}

// With a level limit, an entity first met too deep is entered again where it is met higher up.
TEST(LineExtractor, AnEntityMetHigherUpIsEnteredAgainBelowTheLevelLimit) {
    TOwnerEntity root;
    auto* deep = new TOwnerEntity;
    auto* middle = new TOwnerEntity;
    middle->AddElement(deep);
    root.AddElement(middle); // first met at level 3
    root.AddElement(deep);   // then at level 2
    auto* deeper = new TOwnerEntity;
    deep->AddElement(deeper);
    TPolyLineElement* l = line(0, 0, 1, 1);
    deeper->AddElement(l); // at level 4 through `middle`, 3 directly
    TLineExtractor x;
    x.FMaxLevel = 4;
    x.SetInput(&root);
    x.DoIt();
    std::unique_ptr<TEntity> out(zelto_cast<TEntity>(x.GetOutput()));
    EXPECT_EQ(countOf(*out, l), 1);
    out->RemoveElement(l);
}

namespace {

std::vector<std::pair<double, double>> verticesOf(const TElement* e) {
    std::vector<std::pair<double, double>> v;
    if (const auto* p = zelto_cast<TPolyElement>(e))
        for (int i = 0; i < p->GetCoordsCount(); ++i) v.push_back({p->GetX(i), p->GetY(i)});
    return v;
}

} // namespace

// Copies are plain lines of the vertices drawn: a line of members (one walked backwards) as one
// line to its very end, and, when asked, a plain area's ring and its hole as closed lines.
TEST(LineExtractor, CopiesMultiLinesAndRingsAsPlainLines) {
    TEntity root;
    auto* multi = new TMultiPolyLineElement;
    multi->AddPolyLine(line(0, 0, 10, 0), true);
    multi->AddPolyLine(zelto::testing::line({{20, 5}, {15, 0}, {10, 0}}), false);
    multi->RecalculateRect();
    root.AddElement(multi);
    auto* area = zelto::testing::poly<TAreaElement>(zelto::testing::square(100, 100, 50));
    area->AddHole(zelto::testing::poly<TAreaElement>(zelto::testing::square(110, 110, 10)));
    root.AddElement(area);
    const struct {
        bool rings;
        size_t count;
    } cases[] = {{false, 1}, {true, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rings);
        TLineExtractor extractor;
        extractor.FCopyLines = true;
        extractor.FRingsAsLines = c.rings;
        extractor.SetInput(&root);
        extractor.DoIt();
        std::unique_ptr<TElement> out(extractor.GetOutput());
        auto* lines = zelto_cast<TEntity>(out.get());
        ASSERT_NE(lines, nullptr);
        ASSERT_EQ(size_t(lines->ElementsCount()), c.count);
        for (TElement* e : lines->FElements) EXPECT_EQ(e->ClassName(), QStringLiteral("TPolyLineElement"));
        EXPECT_EQ(verticesOf(lines->Get(0)),
                  (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {15, 0}, {20, 5}}));
        if (c.rings) {
            const auto outer = verticesOf(lines->Get(1));
            ASSERT_EQ(outer.size(), 5u);
            EXPECT_EQ(outer.front(), outer.back());
            EXPECT_EQ(verticesOf(lines->Get(2)).size(), 5u);
            EXPECT_EQ(verticesOf(lines->Get(2)).front(), (std::pair<double, double>{110, 110}));
        }
    }
    // The originals are untouched.
    EXPECT_EQ(multi->ElementsCount(), 2);
}
