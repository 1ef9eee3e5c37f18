#include <gtest/gtest.h>

#include "geometry/AnalInt.h"
#include "geometry/ClipArea.h"
#include "geometry/G_Elems.h"
#include "geometry/MathLib.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numbers>
#include <optional>
#include <set>

using namespace zelto;

namespace {

using Values = std::vector<double>;

TClipRect clipRect(const Values& in) {
    return {float(in[0]), float(in[1]), float(in[2]), float(in[3])};
}

std::vector<QPoint> points(const Values& in, size_t from) {
    std::vector<QPoint> out;
    for (size_t i = from; i + 1 < in.size(); i += 2) out.emplace_back(int(in[i]), int(in[i + 1]));
    return out;
}

// Each function of the table: the number of inputs (-1: any) and the outputs it answers.
struct Function {
    int arity;
    std::function<Values(const Values&)> run;
};

const std::map<QString, Function>& functions() {
    static const std::map<QString, Function> table = {
        {"ATan2M", {2, [](const Values& a) { return Values{ATan2M(a[0], a[1])}; }}},
        {"ATan2G", {2, [](const Values& a) { return Values{ATan2G(a[0], a[1])}; }}},
        {"NormUhel", {1, [](const Values& a) { return Values{NormUhel(a[0])}; }}},
        {"DejStupne", {1, [](const Values& a) { return Values{DejStupne(a[0])}; }}},
        {"Distance", {4, [](const Values& a) { return Values{Distance(a[0], a[1], a[2], a[3])}; }}},
        {"InTolerance",
         {5, [](const Values& a) { return Values{double(InTolerance(a[0], a[1], a[2], a[3], a[4]))}; }}},
        {"EqualPoints",
         {4, [](const Values& a) { return Values{double(EqualPoints(a[0], a[1], a[2], a[3]))}; }}},
        {"RectanglesOverlay",
         {9,
          [](const Values& a) {
              return Values{double(RectanglesOverlay(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]))};
          }}},
        {"BodJeMeziBody",
         {6,
          [](const Values& a) { return Values{double(BodJeMeziBody(a[0], a[1], a[2], a[3], a[4], a[5]))}; }}},
        {"BodLeziNaUsecce",
         {6,
          [](const Values& a) {
              return Values{double(BodLeziNaUsecce(a[0], a[1], a[2], a[3], a[4], a[5]))};
          }}},
        {"DejPatuKolmice",
         {6,
          [](const Values& a) {
              double fx, fy;
              DejPatuKolmice(a[0], a[1], a[2], a[3], a[4], a[5], fx, fy);
              return Values{fx, fy};
          }}},
        {"DejVztahyBod_Usecka",
         {6,
          [](const Values& a) {
              bool on;
              double fx, fy, d;
              DejVztahyBod_Usecka(a[0], a[1], a[2], a[3], a[4], a[5], on, fx, fy, d);
              return Values{double(on), fx, fy, d};
          }}},
        {"GiveAbscPointByLength",
         {6,
          [](const Values& a) {
              double x, y;
              GiveAbscPointByLength(a[0], a[1], a[2], a[3], a[4], a[5], x, y);
              return Values{x, y};
          }}},
        {"PrusecikUsecek",
         {8,
          [](const Values& a) {
              double x, y;
              bool par, on1, on2;
              PrusecikUsecek(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], x, y, par, on1, on2);
              return Values{x, y, double(par), double(on1), double(on2)};
          }}},
        {"ProtnutyUsecky",
         {8,
          [](const Values& a) {
              return Values{double(ProtnutyUsecky(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]))};
          }}},
        {"InsideTest",
         {-1,
          [](const Values& a) {
              TEntity ring;
              for (size_t i = 0; i + 3 < a.size(); i += 2) ring.AddElement(new T2DCoordinate(a[i], a[i + 1]));
              T2DCoordinate point(a[a.size() - 2], a[a.size() - 1]);
              const bool inside = InsideTest(&ring, &point);
              EXPECT_EQ(InsideTestXY(&ring, point.GetX(), point.GetY()), inside);
              return Values{double(inside)};
          }}},
        {"VratNormCtverec",
         {4,
          [](const Values& a) {
              qint32 x0, y0, size;
              VratNormCtverec(a[0], a[1], a[2], a[3], x0, y0, size);
              return Values{double(x0), double(y0), double(size)};
          }}},
        {"VratNormRozsireni2D",
         {4,
          [](const Values& a) {
              qint32 origin, size;
              VratNormRozsireni2D(qint32(a[0]), qint32(a[1]), a[2], a[3], origin, size);
              return Values{double(origin), double(size)};
          }}},
        {"ClipOutCode",
         {6, [](const Values& a) { return Values{double(ClipOutCode(clipRect(a), a[4], a[5]))}; }}},
        {"RelRegionLine",
         {8,
          [](const Values& a) {
              bool inside, partly;
              RelRegionLine(clipRect(a), qint32(a[4]), qint32(a[5]), qint32(a[6]), qint32(a[7]), inside,
                            partly);
              return Values{double(inside), double(partly)};
          }}},
        {"ClipLine",
         {8,
          [](const Values& a) {
              qint32 x1, y1, x2, y2;
              bool visible;
              ClipLine(clipRect(a), qint32(a[4]), qint32(a[5]), qint32(a[6]), qint32(a[7]), x1, y1, x2, y2,
                       visible);
              return Values{double(visible), double(x1), double(y1), double(x2), double(y2)};
          }}},
        {"ClipPolygon",
         {-1,
          [](const Values& a) {
              TOrezavacPloch clipper(clipRect(a), points(a, 4));
              clipper.Orezavej();
              Values out;
              for (const QPoint& p : clipper.DejKopiiPoleVelikostAPocet()) {
                  out.push_back(p.x());
                  out.push_back(p.y());
              }
              return out;
          }}},
    };
    return table;
}

// A number, "*" (any value: none) or a multiple of π written "1.5pi".
std::optional<double> parseValue(const QString& token, bool& ok) {
    ok = true;
    if (token == "*") return std::nullopt;
    if (token.endsWith("pi")) {
        const QString factor = token.chopped(2);
        const double f = factor.isEmpty() ? 1 : factor.toDouble(&ok);
        return f * std::numbers::pi;
    }
    return token.toDouble(&ok);
}

} // namespace

TEST(PlaneFixture, EveryCaseOfTheTable) {
    QFile file(QStringLiteral(ZELTO_FIXTURES "/geometry/plane.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    std::set<QString> seen;
    int lineNo = 0, cases = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList fields = line.split('|');
        ASSERT_EQ(fields.size(), 3) << "line " << lineNo;
        const QString name = fields[0].trimmed();
        const auto fn = functions().find(name);
        ASSERT_NE(fn, functions().end()) << "line " << lineNo << ": unknown function " << name.toStdString();
        seen.insert(name);

        Values inputs;
        for (const QString& t : fields[1].split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
            bool ok;
            const auto v = parseValue(t, ok);
            ASSERT_TRUE(ok && v) << "line " << lineNo << ": " << t.toStdString();
            inputs.push_back(*v);
        }
        std::vector<std::optional<double>> expected;
        for (const QString& t : fields[2].split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
            bool ok;
            expected.push_back(parseValue(t, ok));
            ASSERT_TRUE(ok) << "line " << lineNo << ": " << t.toStdString();
        }
        if (fn->second.arity >= 0) {
            ASSERT_EQ(int(inputs.size()), fn->second.arity) << "line " << lineNo;
        }

        SCOPED_TRACE(QStringLiteral("line %1: %2").arg(lineNo).arg(line).toStdString());
        const Values got = fn->second.run(inputs);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            if (!expected[i]) continue;
            EXPECT_NEAR(got[i], *expected[i], 1e-9) << "output " << i;
        }
        ++cases;
    }
    // A misspelt name would silently leave a function untested.
    for (const auto& [name, fn] : functions())
        EXPECT_TRUE(seen.count(name)) << name.toStdString() << " has no case";
    EXPECT_GT(cases, 0);
}

TEST(Plane, OrderSwapsOnlyWhenDescending) {
    double a = 3, b = 1;
    Order(a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 3);
    SwapInc(a, b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 3);
    double c = 5, d = -5;
    SwapInc(c, d);
    EXPECT_EQ(c, -5);
    EXPECT_EQ(d, 5);
}

TEST(Plane, InsideTestRefusesRingsItCannotRead) {
    TEntity ring;
    ring.AddElement(new T2DCoordinate(0, 0));
    ring.AddElement(new T2DCoordinate(0, 10));
    ring.AddElement(new TNameElement); // not a coordinate
    ring.AddElement(new T2DCoordinate(10, 0));
    EXPECT_FALSE(InsideTestXY(&ring, 2, 2));
    EXPECT_FALSE(InsideTestXY(nullptr, 2, 2));
    EXPECT_FALSE(InsideTest(&ring, nullptr));
    // The same ring without the intruder is read.
    ring.FreeElementIndex(2);
    EXPECT_TRUE(InsideTestXY(&ring, 2, 2));
}

namespace {

// A vertex whose accessors answer other values than its fields: a ring of such vertices must be
// read through the accessors.
class TShiftedCoordinate : public T2DCoordinate {
public:
    using T2DCoordinate::T2DCoordinate;
    double GetX() const override { return FX + 100; }
    double GetY() const override { return FY; }
};

} // namespace

TEST(Plane, InsideTestReadsEveryVertexClassAlike) {
    // The square (0,0)-(10,10) built from each mix of vertex classes.
    enum Kind { Plain, ThreeD, Shifted };
    const std::vector<std::vector<Kind>> mixes = {{Plain, Plain, Plain, Plain},
                                                  {ThreeD, ThreeD, ThreeD, ThreeD},
                                                  {Plain, ThreeD, Plain, ThreeD},
                                                  {ThreeD, Plain, Plain, Plain}};
    const double xs[] = {0, 0, 10, 10}, ys[] = {0, 10, 10, 0};
    for (const auto& mix : mixes) {
        TEntity ring;
        for (int i = 0; i < 4; ++i) {
            T2DCoordinate* c = mix[size_t(i)] == Plain ? new T2DCoordinate(xs[i], ys[i]) : new T3DCoordinate;
            c->FX = xs[i];
            c->FY = ys[i];
            ring.AddElement(c);
        }
        EXPECT_TRUE(InsideTestXY(&ring, 2, 2));
        EXPECT_FALSE(InsideTestXY(&ring, 12, 2));
        EXPECT_FALSE(InsideTestXY(&ring, 0, 5)); // on the boundary
    }
    // Shifted vertices (alone, or after plain ones) are where their accessors say: the square
    // (100,0)-(110,10).
    for (int plainFirst = 0; plainFirst <= 2; ++plainFirst) {
        TEntity ring;
        for (int i = 0; i < 4; ++i)
            ring.AddElement(i < plainFirst ? new T2DCoordinate(xs[i] + 100, ys[i])
                                           : new TShiftedCoordinate(xs[i], ys[i]));
        EXPECT_TRUE(InsideTestXY(&ring, 102, 2)) << plainFirst;
        EXPECT_FALSE(InsideTestXY(&ring, 2, 2)) << plainFirst;
    }
}

TEST(Plane, PolygonClipperState) {
    const TClipRect rect{0, 0, 10, 10};
    TOrezavacPloch clipper(rect, {{-5, 5}, {5, 15}, {15, 5}});
    EXPECT_TRUE(clipper.PodMinX);
    EXPECT_FALSE(clipper.PodMinY);
    EXPECT_TRUE(clipper.NadMaxX);
    EXPECT_TRUE(clipper.NadMaxY);
    EXPECT_EQ(clipper.MaxY, 10);
    clipper.Orezavej();
    EXPECT_FALSE(clipper.MaloMista);
    EXPECT_TRUE(clipper.Pole2.empty()); // released after clipping
    const auto out = clipper.DejKopiiPoleVelikostAPocet();
    EXPECT_EQ(int(out.size()), clipper.Pocet1);
    EXPECT_EQ(out.front(), out.back()); // closed after the passes

    // The clip rectangle is rounded half to even; a rectangle beyond the 32-bit range is limited.
    TOrezavacPloch rounded({0.5f, 1.5f, 2.5f, 3e10f}, {{1, 1}});
    EXPECT_EQ(rounded.MinX, 0);
    EXPECT_EQ(rounded.MinY, 2);
    EXPECT_EQ(rounded.MaxX, 2);
    EXPECT_EQ(rounded.MaxY, std::numeric_limits<qint32>::max());

    TOrezavacPloch empty(rect, {});
    EXPECT_TRUE(empty.MaloMista);
    empty.Orezavej();
    EXPECT_TRUE(empty.DejKopiiPoleVelikostAPocet().empty());
}
