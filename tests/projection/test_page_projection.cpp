#include <gtest/gtest.h>

#include "projection/e_Page.h"
#include "projection/e_Proje.h"
#include "stream_roundtrip.h"

#include <cmath>
#include <limits>

using namespace zelto;

namespace {

// A 600 x 800 pixel page at the screen resolution.
struct Fixture {
    T_Page page;
    TPageProjection projection;
    Fixture(double cx = -600000, double cy = -1100000, double scale = 2000) {
        page.SetFromCanvas(600, 800);
        projection.ChangeProjection(cx, cy, &page, scale);
    }
};

} // namespace

TEST(PageProjection, CentreScaleAndOpposedAxes) {
    Fixture f;
    const TPageProjection& p = f.projection;
    EXPECT_DOUBLE_EQ(p.MultX, 2000 / 5333.0);
    EXPECT_DOUBLE_EQ(p.MultY, 2000 / 5333.0);
    EXPECT_DOUBLE_EQ(p.UniMult, p.MultX);
    EXPECT_EQ(p.GetPageX(-600000), 300);
    EXPECT_EQ(p.GetPageY(-1100000), 400);
    EXPECT_FLOAT_EQ(p.GetPagePoint(-599999, -1100000).X, 302.6665f);
    EXPECT_EQ(p.GetPageX(-599999), 303);
    EXPECT_EQ(p.GetPageY(-1099999), 397); // one metre north is up the page
    EXPECT_LT(p.GetModelY(500), p.GetModelY(100));
    EXPECT_NEAR(p.GetModelX(300), -600000, 1e-9);
    EXPECT_NEAR(p.GetModelY(400), -1100000, 1e-9);
    EXPECT_EQ(p.GetPageLength(2000 / 5333.0 * 10), 10);
    EXPECT_EQ(p.GetPageLengthHoriz1(2000 / 5333.0 * 7), 7);
    EXPECT_DOUBLE_EQ(p.GetModelLength(5333), 2000);
    EXPECT_DOUBLE_EQ(p.GetModelArea(5333, 5333), 4e6);

    // The page rectangle of a model rectangle and back.
    const TClipRect r = p.GetPageRect(-600010, -1100010, -599990, -1099990);
    EXPECT_LT(r.Left, r.Right);
    EXPECT_LT(r.Top, r.Bottom);
    const TDoubleRect back = p.GetModelRect(r.Left, r.Top, r.Right, r.Bottom);
    EXPECT_NEAR(back.MinX, -600010, 1e-3);
    EXPECT_NEAR(back.MaxY, -1099990, 1e-3);
    std::unique_ptr<T2DCoordinate> c(p.GetModelPointElement(300, 400));
    EXPECT_NEAR(c->FX, -600000, 1e-9);
    EXPECT_NEAR(c->FY, -1100000, 1e-9);
}

TEST(PageProjection, RoundingClampingAndZeroGuards) {
    // Ties go to the even neighbour; beyond 32 bits the value saturates; NaN is the maximum.
    const struct {
        double in;
        qint32 out;
    } cases[] = {{2.5, 2},
                 {3.5, 4},
                 {-2.5, -2},
                 {-3.5, -4},
                 {2.4999, 2},
                 {1e12, 2147483647},
                 {-1e12, -2147483647 - 1},
                 {std::numeric_limits<double>::quiet_NaN(), 2147483647},
                 {std::numeric_limits<double>::infinity(), 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(ClampRound(c.in), c.out) << c.in;

    Fixture f;
    EXPECT_EQ(f.projection.GetPageX(1e15), 2147483647);
    EXPECT_EQ(f.projection.GetPageY(1e15), -2147483647 - 1);

    // A page without resolution: every page operation answers 0 and nothing fails.
    T_Page flat;
    flat.SetRect(0, 0, 600, 800);
    TPageProjection p;
    p.ChangeProjection(-600000, -1100000, &flat, 2000);
    EXPECT_EQ(p.GetPageX(-600000), 0);
    EXPECT_EQ(p.GetPageY(-1100000), 0);
    EXPECT_EQ(p.GetPageLength(100), 0);
    EXPECT_EQ(p.GetPageLengthHoriz1(100), 0);
    EXPECT_EQ(p.GetPagePoint(1, 1).X, 0);
    // And a new projection without a page.
    TPageProjection fresh;
    EXPECT_EQ(fresh.GetPageX(5), 0);
    EXPECT_EQ(fresh.GetVirtualScale(), 5000);
    EXPECT_FALSE(fresh.GetIsOK());
}

TEST(PageProjection, IsOK) {
    const struct {
        double cx, cy, scale;
        bool ok;
    } cases[] = {{0, 0, 2000, false},
                 {-600000, -1100000, 0, false},
                 {-600000, -1100000, 1e30, false},
                 {-600000, -1100000, 2000, true},
                 {0, -1, 1, true},
                 {-600000, -1100000, -5, false}};
    for (const auto& c : cases) {
        Fixture f(c.cx, c.cy, c.scale);
        EXPECT_EQ(f.projection.GetIsOK(), c.ok) << c.cx << " " << c.cy << " " << c.scale;
    }
}

TEST(PageProjection, ModelViewFitsTheRectangle) {
    Fixture f;
    TPageProjection& p = f.projection;
    const TDoubleRect wide{-601000, -1100100, -599000, -1099900}; // wider than the page is
    p.SetModelView(wide);
    TDoubleRect v = p.GetModelView();
    EXPECT_LE(v.MinX, wide.MinX + 1e-6);
    EXPECT_GE(v.MaxX, wide.MaxX - 1e-6);
    EXPECT_LE(v.MinY, wide.MinY);
    EXPECT_GE(v.MaxY, wide.MaxY);
    EXPECT_NEAR(v.MinX, wide.MinX, 1e-6); // touches left and right
    EXPECT_NEAR(v.MaxX, wide.MaxX, 1e-6);
    EXPECT_NEAR(p.GetModelMinX(), v.MinX, 1e-9);

    const TDoubleRect tall{-600010, -1101000, -599990, -1099000};
    p.ChangeProjectionByRect(tall.MinX, tall.MinY, tall.MaxX, tall.MaxY);
    v = p.GetModelView();
    EXPECT_NEAR(v.MinY, tall.MinY, 1e-6); // touches top and bottom
    EXPECT_NEAR(v.MaxY, tall.MaxY, 1e-6);
    EXPECT_LT(v.MinX, tall.MinX);

    // A degenerate rectangle gives no scale: the projection stays as it was.
    const double scale = p.FScale;
    p.SetModelView({5, 5, 5, 5});
    EXPECT_EQ(p.FScale, scale);
    p.SetModelView({0, 0, std::numeric_limits<double>::infinity(), 1});
    EXPECT_EQ(p.FScale, scale);

    // The clip region follows a model rectangle, and the clip view reads it back.
    f.page.FClipping = true;
    p.SetClipModelView({-600005, -1100005, -599995, -1099995});
    const TDoubleRect clip = p.GetClipModelView();
    EXPECT_NEAR(clip.MinX, -600005, 1e-3);
    EXPECT_NEAR(clip.MaxY, -1099995, 1e-3);

    // Centring on the clip region.
    f.page.FCenterToClipRegion = true;
    f.page.FClipRegion = {100, 100, 300, 500};
    p.ChangeProjection(-600000, -1100000, 2000);
    EXPECT_EQ(p.GetPageX(-600000), 200);
    EXPECT_EQ(p.GetPageY(-1100000), 300);
}

TEST(PageProjection, SettersRecomputeAndTheSimpleProjection) {
    Fixture f;
    TPageProjection& p = f.projection;
    p.SetCenterX(-500000);
    EXPECT_EQ(p.GetPageX(-500000), 300);
    p.SetCenterY(-1000000);
    EXPECT_EQ(p.GetPageY(-1000000), 400);
    p.SetScale(5333);
    EXPECT_DOUBLE_EQ(p.MultX, 1);
    EXPECT_EQ(p.GetPageX(-499990), 310);
    p.SetAngle(0.5);
    EXPECT_EQ(p.FRotateCenter_X, -500000);
    p.SetCenterX(0);
    p.SetAngle(0.7);
    EXPECT_EQ(p.FRotateCenter_X, -500000); // set once

    p.ChangeProjectionSimple(&f.page);
    EXPECT_EQ(p.FScale, 1);
    EXPECT_EQ(p.GetPageX(0), 0);
    EXPECT_EQ(p.GetPageY(0), 800); // bottom-left shows model (0, 0)
    EXPECT_DOUBLE_EQ(p.FCenterX, 300 / 5333.0);
}

class PageProjectionStream : public zelto::testing::StreamRoundTrip {};

// Only the raw records carry a page's pixels and a projection's coefficients; the properties
// carry the projection's centre and scale.
TEST_F(PageProjectionStream, RecordsAndProperties) {
    auto root = std::make_unique<TEntity>();
    auto* page = new T_Page;
    page->SetFromCanvas(640, 480);
    page->FColor = 0xff00ff00;
    page->FHandler = 7;
    root->AddElement(page);
    auto* proj = new TPageProjection;
    proj->ChangeProjection(-600000, -1100000, page, 2000);
    proj->FVirtualScale = 10000;
    root->AddElement(proj);
    save(root.get());
    std::unique_ptr<TElement> back = load();
    auto* r = zelto_cast<TEntity>(back.get());
    ASSERT_NE(r, nullptr);
    auto* p2 = zelto_cast<TPageProjection>(r->Get(1));
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->FCenterX, -600000);
    EXPECT_EQ(p2->FCenterY, -1100000);
    EXPECT_EQ(p2->FScale, 2000);
    EXPECT_EQ(p2->FVirtualScale, 10000);

    // The legacy records, written and read through a raw writer and reader.
    struct RawIO : TWriter, TReader {
        QByteArray bytes;
        qsizetype at = 0;
        std::vector<qint32> ints;
        std::vector<QString> strings;
        size_t nextInt = 0, nextString = 0;
        void WriteInteger(qint32 v) override { ints.push_back(v); }
        void WriteFloat(double) override {}
        void WriteString(const QString& s) override { strings.push_back(s); }
        void WriteListBegin() override {}
        void WriteListEnd() override {}
        void WriteRaw(const char* b, qsizetype n) override { bytes.append(b, n); }
        qint32 ReadInteger() override { return ints.at(nextInt++); }
        double ReadFloat() override { return 0; }
        QString ReadString() override { return strings.at(nextString++); }
        void ReadListBegin() override {}
        void ReadListEnd() override {}
        bool EndOfList() override { return true; }
        QByteArray ReadRaw(qsizetype n) override {
            QByteArray r = bytes.mid(at, n);
            at += n;
            return r;
        }
    } io;
    page->ID = 0;
    page->SetName("Stranka");
    page->Save(io);
    proj->Save(io);
    EXPECT_EQ(io.bytes.size(), 56 + 64);
    EXPECT_EQ(io.ints.back(), 0); // the page's serial number
    TEntity index;
    auto* page2 = new T_Page;
    index.AddElement(page2);
    io.nextString++; // the class name, read by the caller of Load
    page2->Load(io, &index);
    EXPECT_EQ(page2->GetName(), "Stranka");
    EXPECT_EQ(page2->GetWidth(), 640);
    EXPECT_EQ(page2->GetHeight(), 480);
    EXPECT_EQ(page2->FHRes, 5333);
    EXPECT_EQ(page2->FColor, 0xff00ff00);
    EXPECT_EQ(page2->FClipRegion.Right, 640.f);
    TPageProjection p3;
    io.nextString++;
    p3.Load(io, &index);
    EXPECT_EQ(p3.FPage, page2);
    EXPECT_EQ(p3.GetPageX(-600000), 320);
    EXPECT_EQ(p3.GetPageY(-1100000), 240);
    EXPECT_DOUBLE_EQ(p3.AddY, proj->AddY);
}
