// Areas from lines: the table of cases in tests/fixtures/topology/areas.txt, the pipeline's
// limits, texts and seam for line joining, the alternative hole attachment, and input that must
// neither crash nor hang any step.
#include <gtest/gtest.h>

#include "framework/TextLocale.h"
#include "framework/Worlds.h"
#include "topo_helpers.h"
#include "topology/E_Node.h"
#include "topology/T_SAMake.h"
#include "topology/T_ToTool.h"
#include "topology/T_Topol.h"
#include "topology/e_QTree.h"
#include "topology/t_Applac.h"

#include <QFile>
#include <QTextStream>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

using namespace zelto;
using topo::AreaRun;
using topo::holeCount;
using topo::Points;

namespace {

// ---- the table of cases --------------------------------------------------------------------------

struct ExpectedArea {
    double area = 0;
    int holes = 0;
};

struct Case {
    std::string name;
    std::vector<Points> lines;
    std::vector<ExpectedArea> expected;
    int lineNo = 0;
};

std::vector<Case> readCases(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ADD_FAILURE() << "cannot open " << fileName.toStdString();
        return {};
    }
    std::vector<Case> cases;
    Case current;
    bool open = false;
    int lineNo = 0;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString raw = in.readLine();
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString key = words.first();
        if (key == QLatin1String("case")) {
            current = Case{};
            current.name = line.mid(5).toStdString();
            current.lineNo = lineNo;
            open = true;
        } else if (key == QLatin1String("line") && open) {
            Points p;
            for (int i = 1; i + 1 < words.size(); i += 2)
                p.emplace_back(words[i].toDouble(), words[i + 1].toDouble());
            current.lines.push_back(p);
        } else if (key == QLatin1String("expect") && open) {
            for (int i = 1; i < words.size(); ++i) {
                const QStringList parts = words[i].split(QLatin1Char(':'));
                current.expected.push_back({parts[0].toDouble(), parts.size() > 1 ? parts[1].toInt() : 0});
            }
        } else if (key == QLatin1String("end") && open) {
            cases.push_back(current);
            open = false;
        } else {
            ADD_FAILURE() << "areas.txt:" << lineNo << ": cannot read \"" << raw.toStdString() << "\"";
        }
    }
    return cases;
}

// Takes the line-joining step out while it lives: the cases here are about lines as they are.
class WithoutJoining {
public:
    WithoutJoining() : m_saved(GetLineJoiningStep()) { SetLineJoiningStep(nullptr); }
    ~WithoutJoining() { SetLineJoiningStep(m_saved); }
    WithoutJoining(const WithoutJoining&) = delete;
    WithoutJoining& operator=(const WithoutJoining&) = delete;

private:
    TLineJoiningStep m_saved;
};

TEST(AreasFromLines, CasesOfTheTable) {
    const std::vector<Case> cases = readCases(QStringLiteral(ZELTO_FIXTURES "/topology/areas.txt"));
    ASSERT_GE(cases.size(), 20u);
    const WithoutJoining noJoining;
    for (const Case& c : cases) {
        SCOPED_TRACE("areas.txt:" + std::to_string(c.lineNo) + ": " + c.name);
        AreaRun run;
        run.addAll(c.lines);
        ASSERT_NE(run.run(), nullptr);
        std::vector<std::pair<double, int>> got, want;
        for (auto* a : run.areaList()) {
            got.emplace_back(a->GetArea(), holeCount(a));
            // Every area is a bounded face with its label point inside it (and out of its holes).
            EXPECT_FALSE(a->GetIsHole());
            EXPECT_EQ(a->GetFixedArea(), 0);
            EXPECT_TRUE(a->XYIsInside(a->GetRefX(), a->GetRefY()))
                << "label " << a->GetRefX() << " " << a->GetRefY() << " of area " << a->GetArea();
        }
        for (const ExpectedArea& e : c.expected) want.emplace_back(e.area, e.holes);
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        if (got.size() != want.size()) {
            ADD_FAILURE() << got.size() << " areas instead of " << want.size();
            continue;
        }
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].first, want[i].first, 1e-9 * std::max(1.0, std::abs(want[i].first)));
            EXPECT_EQ(got[i].second, want[i].second) << "holes of the area " << want[i].first;
        }
    }
}

// ---- the pipeline --------------------------------------------------------------------------------

Points circle(int n, double r, double cx = 0, double cy = 0) {
    Points p;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        p.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    return p;
}

TEST(AreasFromLines, FacesOfTooManyBranchesAreNotBuilt) {
    struct Row {
        int lines;
        size_t areas;
    };
    // 4999 branches: built; 5000 and 6000: not; past 9999 the walk itself gives up.
    for (const Row& r : {Row{4999, 1}, Row{5000, 0}, Row{6000, 0}, Row{10500, 0}}) {
        SCOPED_TRACE(r.lines);
        const Points ring = circle(r.lines, 1000);
        AreaRun run;
        for (int i = 0; i < r.lines; ++i) run.add({ring[size_t(i)], ring[size_t((i + 1) % r.lines)]});
        ASSERT_NE(run.run(), nullptr);
        EXPECT_EQ(run.areaList().size(), r.areas);
    }
}

TEST(AreasFromLines, AreasAreMadeOfTheInputLines) {
    AreaRun run;
    TPolyLineElement* bottom = run.add({{0, 0}, {3, 0}});
    TPolyLineElement* rest = run.add({{3, 0}, {3, 2}, {0, 2}, {0, 0}});
    run.run();
    ASSERT_EQ(run.areaList().size(), 1u);
    TPolyLineAreaElement* a = run.areaList().front();
    ASSERT_EQ(a->ElementsCount(), 2);
    EXPECT_TRUE(a->IndexOf(bottom) >= 0 && a->IndexOf(rest) >= 0);
    EXPECT_DOUBLE_EQ(a->GetArea(), 6);
    // Traced clockwise: the bottom line runs against its direction.
    EXPECT_FALSE(a->GetOrigin(a->IndexOf(bottom)));
    // The nodes stay with the tool; a line's end is found among them.
    auto finder = std::make_unique<TNodeFinderForLine>();
    finder->SetInput(bottom);
    finder->FLineBegin = true;
    finder->DoIt();
    auto* node = zelto_cast<TNode>(finder->GetOutput());
    ASSERT_NE(node, nullptr);
    EXPECT_DOUBLE_EQ(node->GetX(), 0);
    EXPECT_EQ(node->GetBranchCount(), 2);
    // A second run starts from new nodes (the old ones let the lines go).
    run.run();
    EXPECT_EQ(run.areaList().size(), 1u);
    EXPECT_EQ(bottom->GetOwnersCount(), 1 + 2 + 1); // the set, two nodes, the area
}

TEST(AreasFromLines, ProgressTextsOfALargeInput) {
    AreaRun run;
    for (int i = 0; i < 60; ++i) {
        const double x = 2.0 * i;
        run.add({{x, 0}, {x + 1, 0}, {x + 1, 1}});
        run.add({{x + 1, 1}, {x, 1}, {x, 0}});
    }
    QStringList texts;
    QString caption;
    TElement* pipeline = nullptr;
    const int id = TMessageBus::instance().subscribe([&](TElement*, TZeltoMessage& m) {
        if (!pipeline || m.FSender != pipeline) return;
        if (auto* p = zelto_cast<TProgressMessage>(&m); p && m.FMessage == tm_StartProgress)
            caption = p->FProcessName;
        if (auto* t = zelto_cast<TZeltoTextMessage>(&m); t && m.FMessage == tm_ProgressText)
            texts << t->GetMessageText();
    });
    auto tool = std::make_unique<TAreasFromClearLines>();
    pipeline = tool.get();
    tool->SetInput(run.lines());
    tool->DoIt();
    TMessageBus::instance().unsubscribe(id);
    std::unique_ptr<TAreaString> areas(zelto_cast<TAreaString>(tool->GetOutput()));
    ASSERT_NE(areas, nullptr);
    EXPECT_EQ(areas->ElementsCount(), 60);
    EXPECT_EQ(caption, QStringLiteral("Tvorba ploch"));
    EXPECT_EQ(texts,
              (QStringList{"Načítání linií do QTREE", "Vytváření uzlů v QTREE", "Zapojování uzlů v QTree",
                           "Rušení QTree vazeb na linie", "Tvorba ploch v QTree", "Tvorba Enkláv v QTree",
                           "Tvorba popisových bodů ploch", "OK."}));
    areas.reset();
}

TEST(AreasFromLines, InputMustBeARectangleEntity) {
    auto plain = std::make_unique<TOwnerEntity>();
    auto tool = std::make_unique<TCreateAreasFromLinesTool>();
    tool->SetInput(plain.get());
    tool->DoIt();
    EXPECT_EQ(tool->GetOutput(), nullptr);
}

// ---- the seam for line joining -------------------------------------------------------------------

struct SeamLog {
    int calls = 0;
    TLineJoiningRequest last;
    int lineCount = 0, fixedCount = -1;
    bool fail = false;
};
SeamLog g_seam;

void recordingStep(const TLineJoiningRequest& r) {
    ++g_seam.calls;
    g_seam.last = r;
    g_seam.lineCount = r.Lines ? r.Lines->ElementsCount() : -1;
    g_seam.fixedCount = r.FixedLines ? r.FixedLines->ElementsCount() : -1;
    if (g_seam.fail) throw EZeltoError(QStringLiteral("broken"));
    // A stand-in joiner: puts the end of the last line onto the begin of the first.
    auto* first = zelto_cast<TPolyLineElement>(r.Lines->Get(0));
    auto* last = zelto_cast<TPolyLineElement>(r.Lines->Get(r.Lines->ElementsCount() - 1));
    last->SetX(last->GetCoordsCount() - 1, first->GetX(0));
    last->SetY(last->GetCoordsCount() - 1, first->GetY(0));
    last->RecalculateRect();
}

class JoiningSeam : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = GetLineJoiningStep();
        g_seam = SeamLog{};
        SetLineJoiningStep(&recordingStep);
    }
    void TearDown() override { SetLineJoiningStep(m_saved); }
    TLineJoiningStep m_saved = nullptr;
};

TEST_F(JoiningSeam, ClearLinesHandsTheCollectedLinesToTheStep) {
    AreaRun run;
    // A square that does not close by 0.3 m: the stand-in joiner closes it.
    TPolyLineElement* open = run.add({{0, 0}, {4, 0}, {4, 4}});
    run.add({{4, 4}, {0, 4}, {0, 0.3}});
    auto* group = new TPolyLineString;
    group->AddAndUpdateRect(open); // the same line reachable twice
    run.lines()->AddElement(group);
    run.run();
    EXPECT_EQ(g_seam.calls, 1);
    EXPECT_EQ(g_seam.lineCount, 2);
    EXPECT_EQ(g_seam.fixedCount, -1);
    EXPECT_DOUBLE_EQ(g_seam.last.SnapDistance, TClearLines::DefaultSnapDistance);
    EXPECT_TRUE(g_seam.last.SelfTest);
    EXPECT_FALSE(g_seam.last.OnlyEnds);
    EXPECT_EQ(run.values(), std::vector<double>{16});

    // Settings and fixed lines reach the step.
    auto fixed = std::make_unique<TPolyLineString>();
    fixed->AddAndUpdateRect(topo::makeLine({{9, 9}, {10, 10}}));
    auto tool = std::make_unique<TCreateAreasFromLinesTool>();
    tool->GetClearLines()->SetSnapDistance(0.25);
    tool->GetClearLines()->SetOnlyEnds(true);
    tool->GetClearLines()->SetFixedLines(fixed.get());
    tool->SetInput(run.lines());
    tool->DoIt();
    std::unique_ptr<TAreaString> areas(zelto_cast<TAreaString>(tool->GetOutput()));
    EXPECT_DOUBLE_EQ(g_seam.last.SnapDistance, 0.25);
    EXPECT_TRUE(g_seam.last.OnlyEnds);
    EXPECT_EQ(g_seam.fixedCount, 1);
    areas.reset();
    tool.reset();
}

TEST_F(JoiningSeam, AFailingStepIsReportedAndBuildsNothing) {
    RecordingNotifier* rec = recordingNotifier();
    ASSERT_NE(rec, nullptr);
    rec->clear();
    g_seam.fail = true;
    AreaRun run;
    run.add({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}});
    run.run();
    EXPECT_EQ(run.areas(), nullptr);
    EXPECT_TRUE(rec->messages().contains(QStringLiteral("Chyba při spojování linií")));
}

TEST(AreasFromLines, WithoutAJoiningStepTheLinesAreUsedAsTheyAre) {
    const WithoutJoining noJoining;
    AreaRun run;
    TPolyLineElement* l = run.add({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0.3}});
    run.run(0.5);
    EXPECT_TRUE(run.values().empty());
    EXPECT_DOUBLE_EQ(l->GetY(4), 0.3);
}

// ---- holes through the area index ----------------------------------------------------------------

TEST(SubAreas, TheIndexedAttachmentAgreesWithTheLinearOne) {
    AreaRun run;
    run.add({{0, 0}, {12, 0}, {12, 12}, {0, 12}, {0, 0}});
    run.add({{2, 2}, {10, 2}, {10, 10}, {2, 10}, {2, 2}});
    run.add({{4, 4}, {8, 4}, {8, 8}, {4, 8}, {4, 4}});
    run.add({{20, 0}, {21, 0}, {21, 1}, {20, 0}});
    // The pipeline's steps up to the traced faces, then the quadtree attachment.
    auto reader = std::make_unique<TReadLinesIntoQTree>();
    reader->SetInput(run.lines());
    reader->DoIt();
    std::unique_ptr<TSpaceLineBegEndCell> tree(zelto_cast<TSpaceLineBegEndCell>(reader->GetOutput()));
    for (TTool* t : std::initializer_list<TTool*>{new TPutNodesIntoQTree, new TNodesConector,
                                                  new TRemoveSingleLinesInQTree,
                                                  new TDeleteDirectRelationsToLinesInQTree}) {
        t->SetInput(tree.get());
        t->DoIt();
        delete t;
    }
    auto tracer = std::make_unique<TCreateAreasForQTree>();
    tracer->SetInput(tree.get());
    tracer->DoIt();
    std::unique_ptr<TRectEntityQTree> areaTree(zelto_cast<TRectEntityQTree>(tracer->GetOutput()));
    ASSERT_NE(areaTree, nullptr);
    EXPECT_EQ(tracer->GetAreaCount(), 8); // four faces, four outer rings

    auto maker = std::make_unique<TSubAreaMakerInQTree>();
    maker->SetAreaQTree(areaTree.get());
    maker->SetInput(areaTree.get());
    maker->DoIt();
    std::vector<std::pair<double, int>> got;
    auto finder = std::make_unique<THledacPloch>();
    finder->SetInput(areaTree.get());
    finder->DoIt();
    for (TElement* e : zelto_cast<TEntity>(finder->GetOutput())->FElements) {
        auto* a = static_cast<TAreaElement*>(e);
        got.emplace_back(a->GetArea(), holeCount(a));
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::pair<double, int>>{{0.5, 0}, {16, 0}, {48, 1}, {80, 1}}));
    // Traced on their own, the faces got their label points (before any hole was known).
    for (TElement* e : zelto_cast<TEntity>(finder->GetOutput())->FElements) {
        auto* a = static_cast<TAreaElement*>(e);
        EXPECT_TRUE(a->XYIsInsideNoHoles(a->GetRefX(), a->GetRefY())) << a->GetArea();
    }
    finder.reset();
    areaTree.reset();
    tracer.reset();
    tree.reset();
}

// ---- label points --------------------------------------------------------------------------------

TEST(LabelPoint, WidestSpanOfTheMiddleRowAvoidsHoles) {
    AreaRun run;
    // A U shape: the middle row crosses both arms; the wider arm takes the label.
    run.add({{0, 0}, {10, 0}, {10, 10}, {7, 10}, {7, 3}, {2, 3}, {2, 10}, {0, 10}, {0, 0}});
    // A square with a hole across its middle row.
    run.add({{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}});
    run.add({{21, 4}, {28, 4}, {28, 6}, {21, 6}, {21, 4}});
    run.run();
    ASSERT_EQ(run.areaList().size(), 3u);
    for (auto* a : run.areaList()) {
        if (a->GetMinX() == 0) {
            EXPECT_NEAR(a->GetRefX(), 8.5, 0.05);
            EXPECT_NEAR(a->GetRefY(), 5, 0.05);
        } else if (holeCount(a) == 1) {
            EXPECT_NEAR(a->GetRefX(), 29, 0.05); // right of the hole: [28, 30] beats [20, 21]
        }
        EXPECT_TRUE(a->XYIsInside(a->GetRefX(), a->GetRefY()));
    }
}

TEST(LabelPoint, FallbackAndFailure) {
    // A triangle too thin for every page falls back to the horizontal search and succeeds.
    auto thin = std::make_unique<TAreaElement>();
    for (auto [x, y] : Points{{0, 0}, {1e6, 1}, {1e6, 0}}) thin->AddXY(x, y);
    thin->RecalculateRect();
    auto placer = std::make_unique<TAreaPointPlacer>();
    placer->SetInput(thin.get());
    placer->DoIt();
    EXPECT_EQ(placer->GetOutput(), thin.get());
    EXPECT_TRUE(thin->XYIsInside(thin->GetRefX(), thin->GetRefY()));

    // Not an area, or an area without vertices: nothing placed, nothing broken.
    auto empty = std::make_unique<TAreaElement>();
    placer->SetInput(empty.get());
    placer->DoIt();
    auto line = std::unique_ptr<TPolyLineElement>(topo::makeLine({{0, 0}, {1, 1}}));
    placer->SetInput(line.get());
    placer->DoIt();

    // A ring without inside (there and back): no point can be inside, and the protocol says so.
    topo::ProtocolCatcher protocol;
    auto arrow = std::make_unique<TAreaElement>();
    for (auto [x, y] : Points{{0, 0}, {2, 1}, {4, 0}, {2, 1}}) arrow->AddXY(x, y);
    arrow->RecalculateRect();
    placer->SetInput(arrow.get());
    placer->DoIt();
    ASSERT_EQ(protocol.texts().size(), 1);
    EXPECT_TRUE(protocol.texts().first().startsWith(QStringLiteral("Chyba umístění pop.bodu u plochy \r\n")));
}

TEST(LabelPoint, InsideTestOnTheRingsIsTheAreasOwn) {
    AreaRun run;
    // An area with a hole, a triangle whose lines meet only within the node tolerance, a dent.
    run.add({{0, 0}, {8, 0}, {8, 8}});
    run.add({{8, 8}, {0, 8}, {0, 0}});
    run.add({{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}});
    run.add({{10, 0}, {14, 0}});
    run.add({{14, 0}, {10, 4}, {10.00005, 0.00002}});
    run.add({{20, 0}, {24, 0}, {24, 4}, {22, 2}, {20, 4}, {20, 0}});
    run.run();
    ASSERT_EQ(run.areaList().size(), 4u);
    auto plain = std::make_unique<TAreaElement>();
    for (auto [x, y] : Points{{30, 0}, {34, 0}, {32, 3}, {30, 0}}) plain->AddXY(x, y);
    plain->RecalculateRect();
    const std::vector<TPolyLineAreaElement*> built = run.areaList();
    std::vector<TAreaElement*> areas(built.begin(), built.end());
    areas.push_back(plain.get());
    auto placer = std::make_unique<TAreaPointPlacer>();
    int tested = 0, inside = 0;
    for (TAreaElement* a : areas) {
        placer->SetInput(a);
        placer->DoIt();
        // A grid through every vertex and along every edge, and points off it.
        for (double x = a->GetMinX() - 1; x <= a->GetMaxX() + 1; x += 0.25)
            for (double y = a->GetMinY() - 1; y <= a->GetMaxY() + 1; y += 0.25)
                for (double d : {0.0, 0.0001}) {
                    const bool want = a->XYIsInside(x + d, y + d);
                    ASSERT_EQ(placer->IsInside(a, x + d, y + d), want) << x + d << " " << y + d;
                    ++tested;
                    inside += want;
                }
    }
    EXPECT_GT(inside, 100);
    EXPECT_GT(tested - inside, 100);
}

TEST(LabelPoint, MultiPlacerReachesTheParts) {
    auto root = std::make_unique<TOwnerEntity>();
    auto* multi = new TMultiAreaElement;
    auto part = [](double x) {
        auto* a = new TAreaElement;
        for (auto [px, py] : Points{{x, 0}, {x, 2}, {x + 2, 2}, {x + 2, 0}}) a->AddXY(px, py);
        a->RecalculateRect();
        return a;
    };
    TAreaElement* p1 = part(0);
    TAreaElement* p2 = part(10);
    multi->AddElement(p1);
    multi->AddElement(p2);
    root->AddElement(multi);
    auto placer = std::make_unique<TMultiAreaPointPlacer>();
    placer->SetInput(root.get());
    placer->DoIt();
    EXPECT_EQ(placer->GetCount(), 2);
    EXPECT_NEAR(p2->GetRefX(), 11, 0.01);
    EXPECT_NEAR(p2->GetRefY(), 1, 0.01);
}

// ---- input that must not break anything ----------------------------------------------------------

TEST(AreasFromLines, BadLinesGiveNoAreaAndAProtocolText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* what;
        std::vector<Points> lines;
        int texts; // protocol texts at least
    };
    const std::vector<Row> rows = {
        {"no vertex", {{}}, 1},
        {"one vertex", {{{0.5, 0.5}}}, 1},
        {"all vertices equal", {{{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}}}, 1},
        {"NaN", {{{0, 0}, {nan, 1}, {1, 1}, {0, 0}}}, 1},
        {"infinite", {{{0, 0}, {inf, 1}, {1, -inf}, {0, 0}}}, 1},
        {"magnitude 1e12", {{{1e12, 1e12}, {1e12 + 5, 1e12}, {1e12 + 5, 1e12 + 5}, {1e12, 1e12}}}, 1},
        {"1e12 in a line of the square's corner", {{{0, 0}, {-1e12, -1e12}}}, 1},
        {"zero-length segments at a corner",
         {{{1, 1}, {1, 1}, {1, 1}}, {{0, 0}, {0, 0}, {-1, -1}, {-1, -1}}},
         1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        topo::ProtocolCatcher protocol;
        AreaRun run;
        // A good unit square next to the bad lines: it must come out unharmed.
        run.add({{0, 0}, {1, 0}, {1, 1}});
        run.add({{1, 1}, {0, 1}, {0, 0}});
        for (const Points& p : r.lines) run.add(p);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_NE(run.run(), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(run.values(), std::vector<double>{1});
        EXPECT_GE(protocol.texts().size(), r.texts) << protocol.texts().join('|').toStdString();
    }
}

TEST(AreasFromLines, OnlyBadLinesOrNoneGiveAnEmptyResult) {
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        AreaRun run;
        if (variant == 1) run.add({{std::nan(""), 0}, {1, 1}});
        if (variant == 2) run.add({{1e12, 0}, {1e12 + 1, 0}, {1e12 + 1, 1}, {1e12, 0}});
        TAreaString* areas = run.run();
        ASSERT_NE(areas, nullptr);
        EXPECT_EQ(areas->ElementsCount(), 0);
    }
}

TEST(AreasFromLines, LargeButValidCoordinates) {
    AreaRun run;
    const double x = 5e7, y = -9e7;
    run.add({{x, y}, {x + 1000, y}, {x + 1000, y + 1000}, {x, y + 1000}, {x, y}});
    run.add({{x + 10, y + 10}, {x + 20, y + 10}, {x + 20, y + 20}, {x + 10, y + 20}, {x + 10, y + 10}});
    run.run();
    EXPECT_EQ(run.values(), (std::vector<double>{100, 1e6 - 100}));
}

TEST(AreasFromLines, ALongRingGivesTheAreasOfItsShortPieces) {
    // A line is compared with itself segment by segment: a ring of thousands of vertices must be
    // joined as the same ring drawn as short lines is. A trefoil (it crosses itself three times)
    // and a wavy circle cut by straight lines; in both the long ring is cut at its crossings.
    TWorld world; // the pieces of cut lines reach the line set through the world's messages
    world.SubscribeToMessages();
    const int n = 3000;
    Points trefoil, wavy;
    for (int i = 0; i <= n; ++i) {
        const double a = 2 * std::numbers::pi * (i % n) / n;
        trefoil.emplace_back(300 * (std::sin(a) + 2 * std::sin(2 * a)),
                             300 * (std::cos(a) - 2 * std::cos(2 * a)));
        const double r = 1000 + 8 * std::sin(41 * a);
        wavy.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    const std::vector<Points> cuts = {
        {{-1200, 10}, {1200, 10}}, {{10, -1200}, {10, 1200}}, {{-900, -1200}, {1100, 900}}};
    struct Row {
        const char* name;
        const Points* ring;
        std::vector<Points> others;
        size_t areas;
    };
    for (const Row& r : {Row{"trefoil", &trefoil, {}, 4}, Row{"wavy circle", &wavy, cuts, 7}}) {
        SCOPED_TRACE(r.name);
        AreaRun whole, pieces;
        whole.addAll(r.others);
        whole.add(*r.ring);
        pieces.addAll(r.others);
        for (size_t from = 0; from + 1 < r.ring->size(); from += 40)
            pieces.add(Points(r.ring->begin() + std::ptrdiff_t(from),
                              r.ring->begin() + std::ptrdiff_t(std::min(from + 41, r.ring->size()))));
        ASSERT_NE(whole.run(), nullptr);
        ASSERT_NE(pieces.run(), nullptr);
        const std::vector<double> got = whole.values(), want = pieces.values();
        ASSERT_EQ(want.size(), r.areas);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-6 * std::abs(want[i]));
    }
}

TEST(AreasFromLines, ManyEndsAtOnePointStayInOneLeaf) {
    // 300 spokes from one hub (more ends than a leaf holds), closed by a rim: 300 triangles.
    AreaRun run;
    const int n = 300;
    const Points rim = circle(n, 100);
    for (int i = 0; i < n; ++i) {
        run.add({{0, 0}, rim[size_t(i)]});
        run.add({rim[size_t(i)], rim[size_t((i + 1) % n)]});
    }
    run.run();
    const std::vector<double> v = run.values();
    ASSERT_EQ(v.size(), size_t(n));
    const double triangle = 0.5 * 100 * 100 * std::sin(2 * std::numbers::pi / n);
    EXPECT_NEAR(v.front(), triangle, 1e-6);
    EXPECT_NEAR(v.back(), triangle, 1e-6);
}

} // namespace
