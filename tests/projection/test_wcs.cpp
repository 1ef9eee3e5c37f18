// Reference-system objects, their library and the world that holds the library and the palette.
#include <gtest/gtest.h>

#include "colors/e_Pale.h"
#include "framework/e_Class.h"
#include "projection/e_Wcs.h"

#include <memory>

using namespace zelto;

TEST(Wcs, SystemsNameTheirCoordinatesAndMapToTheModel) {
    TJTSK jtsk;
    TGauss_Kruger gk;
    struct Case {
        TWCS* wcs;
        quint8 id;
        const char* names[3];
        double ics[3]; // of the system coordinates (743012, 1043823, 350)
    };
    const Case cases[] = {
        {&jtsk, 1, {"Y", "X", "Vyska"}, {-743012, -1043823, -350}},
        {&gk, 2, {"X", "Y", "Z"}, {743012, 1043823, 350}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wcs->ClassName().toStdString());
        EXPECT_EQ(c.wcs->GetID(), c.id);
        c.wcs->SetID(9); // the field changes, the system's own number stays
        EXPECT_EQ(c.wcs->FID, 9);
        EXPECT_EQ(c.wcs->GetID(), c.id);
        c.wcs->SetCoord1Name("a");
        EXPECT_EQ(c.wcs->GetCoord1Name(), c.names[0]);
        EXPECT_EQ(c.wcs->GetCoord2Name(), c.names[1]);
        EXPECT_EQ(c.wcs->GetCoord3Name(), c.names[2]);

        double x = 0, y = 0, z = 0;
        c.wcs->GiveICS(743012, 1043823, 350, x, y, z);
        EXPECT_EQ(x, c.ics[0]);
        EXPECT_EQ(y, c.ics[1]);
        EXPECT_EQ(z, c.ics[2]);
        double c1 = 0, c2 = 0, c3 = 0;
        c.wcs->GiveWCSFromICS(x, y, z, c1, c2, c3);
        EXPECT_EQ(c1, 743012);
        EXPECT_EQ(c2, 1043823);
        EXPECT_EQ(c3, 350);

        // In place on coordinate elements; a 2D coordinate has no Z to change.
        T3DCoordinate p3;
        p3.FX = 743012;
        p3.FY = 1043823;
        p3.FZ = 350;
        EXPECT_EQ(c.wcs->RecalculateToICS(&p3), &p3);
        EXPECT_EQ(p3.FX, c.ics[0]);
        EXPECT_EQ(p3.FY, c.ics[1]);
        EXPECT_EQ(p3.FZ, c.ics[2]);
        EXPECT_EQ(c.wcs->RecalculateFromICS(&p3), &p3);
        EXPECT_EQ(p3.FX, 743012);
        EXPECT_EQ(p3.FZ, 350);
        T2DCoordinate p2(743012, 1043823);
        c.wcs->RecalculateToICS(&p2);
        EXPECT_EQ(p2.FX, c.ics[0]);
        EXPECT_EQ(p2.FY, c.ics[1]);
        EXPECT_EQ(c.wcs->RecalculateToICS(nullptr), nullptr);

        // Neither system gives a way to WGS84: the outputs stay as they were.
        auto* geographic = zelto_cast<TGeographic_WCS>(c.wcs);
        ASSERT_TRUE(geographic);
        double lat = 1, lon = 2, h = 3;
        geographic->GiveWGS84(743012, 1043823, 350, lat, lon, h);
        EXPECT_EQ(lat, 1);
        EXPECT_EQ(lon, 2);
        EXPECT_EQ(h, 3);
    }
}

TEST(Wcs, LibraryMakesOneObjectPerId) {
    TWCSLibrary library;
    TWCS* jtsk = library.GetWCSID(1);
    ASSERT_TRUE(jtsk && jtsk->Is<TJTSK>());
    EXPECT_EQ(library.GetWCSID(1), jtsk);
    TWCS* gk = library.GetWCSID(2);
    ASSERT_TRUE(gk && gk->Is<TGauss_Kruger>());
    EXPECT_EQ(library.ElementsCount(), 2);
    EXPECT_EQ(library.GetWCSID(0), nullptr);
    EXPECT_EQ(library.GetWCSID(3), nullptr);
    EXPECT_EQ(library.ElementsCount(), 2);

    // A system already held is found by its ID, whatever its position.
    TWCSLibrary other;
    auto* held = new TGauss_Kruger;
    other.AddElement(new TStringEntity);
    other.AddElement(held);
    EXPECT_EQ(other.GetWCSID(2), held);
    EXPECT_EQ(other.ElementsCount(), 2);
    // The abstract classes cannot be made by name.
    EXPECT_TRUE(TWCS::StaticClass().isAbstract());
    EXPECT_TRUE(TGeographic_WCS::StaticClass().isAbstract());
    EXPECT_FALSE(TJTSK::StaticClass().isAbstract());
}

TEST(WcsWorld, OwnsTheProcessPaletteAndTheLibrary) {
    auto world = std::make_unique<TWCSWorld>();
    TColorPalette* palette = world->GetColorPalette();
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette, SystemColorPalette);
    EXPECT_EQ(world->Get(0), palette); // ahead of the world's own children
    EXPECT_EQ(palette->ColorCount(), 16);
    EXPECT_EQ(DejBarvicku(13), 0xFF000000u);
    EXPECT_EQ(world->GetObjectClasses(), ZeltoClasses());
    // The palette is the world's stored property, after those of the plain world.
    const std::vector<TPropInfo>& props = TWCSWorld::StaticClass().properties();
    ASSERT_EQ(props.size(), TWorld::StaticClass().properties().size() + 1);
    EXPECT_EQ(props.back().name, "ColorPalette");
    EXPECT_TRUE(props.back().storedFor(world.get()));
    EXPECT_EQ(GetObjectPropByName(world.get(), "ColorPalette"), palette);

    const int children = world->ElementsCount();
    TWCS* jtsk = world->GetIDWCS(1);
    ASSERT_TRUE(jtsk && jtsk->Is<TJTSK>());
    EXPECT_EQ(world->GetIDWCS(1), jtsk);
    EXPECT_EQ(world->ElementsCount(), children + 1); // the library, once
    EXPECT_GE(world->IndexOf(world->GetWCSLibrary()), 0);

    // A new library replaces the old one, which is freed, and belongs to the world like it.
    TDestructionWatch watch;
    TWCSLibrary* old = world->GetWCSLibrary();
    watch.watch(old);
    watch.watch(jtsk);
    auto* library = new TWCSLibrary;
    world->SetWCSLibrary(library);
    EXPECT_FALSE(watch.alive(old));
    EXPECT_FALSE(watch.alive(jtsk));
    EXPECT_EQ(world->GetWCSLibrary(), library);
    EXPECT_GE(world->IndexOf(library), 0);
    world->SetWCSLibrary(library); // the same one again changes nothing
    EXPECT_EQ(world->GetWCSLibrary(), library);
    EXPECT_EQ(world->ElementsCount(), children + 1);

    // A new palette replaces the process palette too.
    watch.watch(palette);
    auto* mine = new TColorPalette;
    mine->SetNextColor(0x12345678);
    world->SetColorPalette(mine);
    EXPECT_FALSE(watch.alive(palette));
    EXPECT_EQ(world->GetColorPalette(), mine);
    EXPECT_EQ(SystemColorPalette, mine);
    EXPECT_EQ(DejBarvicku(0), 0x12345678u);

    watch.watch(library);
    watch.watch(mine);
    world.reset();
    EXPECT_FALSE(watch.alive(library));
    EXPECT_FALSE(watch.alive(mine));
    EXPECT_EQ(SystemColorPalette, nullptr); // never left pointing at a freed palette
    EXPECT_EQ(DejBarvicku(13), 0u);
}

// Each new world rebuilds the process palette; an earlier world loses its palette without keeping
// a dangling reference to it.
TEST(WcsWorld, ANewWorldRebuildsThePalette) {
    TWCSWorld first;
    first.GetColorPalette()->PutColor(13, 0xFF112233);
    EXPECT_EQ(DejBarvicku(13), 0xFF112233u);
    const int firstChildren = first.ElementsCount();
    {
        TWCSWorld second;
        EXPECT_EQ(first.GetColorPalette(), nullptr);
        EXPECT_EQ(first.ElementsCount(), firstChildren - 1);
        EXPECT_EQ(second.GetColorPalette(), SystemColorPalette);
        EXPECT_EQ(DejBarvicku(13), 0xFF000000u); // the built-in colours again
        first.SetColorPalette(nullptr);          // nothing to free
    }
    EXPECT_EQ(SystemColorPalette, nullptr);
    EXPECT_EQ(first.GetIDWCS(2)->GetCoord1Name(), "X");
}
