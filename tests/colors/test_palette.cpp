#include <gtest/gtest.h>

#include "colors/e_Pale.h"
#include "framework/U_String.h"
#include "framework/e_Class.h"
#include "stream_roundtrip.h"

#include <memory>

using namespace zelto;

namespace {

class SystemPalette : public ::testing::Test {
protected:
    void TearDown() override { delete SystemColorPalette; } // clears the global itself
};

} // namespace

TEST_F(SystemPalette, BuiltFromTheTableWithNumberedNames) {
    EXPECT_EQ(DejBarvicku(13), 0u) << "no palette yet";
    TColorPalette* palette = InitSystemColorPalette();
    ASSERT_EQ(palette, SystemColorPalette);
    ASSERT_EQ(palette->ColorCount(), 16);
    for (int i = 0; i < 16; ++i) {
        auto* entry = palette->GetAs<TRGB_Color>(i);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->GetName(), QStringLiteral("Color %1").arg(i));
        EXPECT_EQ(palette->GetColor(i), OrigColorTab[i]);
        EXPECT_EQ(DejBarvicku(i), OrigColorTab[i]);
    }
    EXPECT_EQ(DejBarvicku(DefaultColorNumber), 0xFF000000u);
    EXPECT_EQ(DejBarvicku(6), 0x00404080u);
    EXPECT_EQ(DejBarvicku(0), 0xFFFFFFFFu);
    EXPECT_EQ(DejBarvicku(15), 0xFFC0C0C0u);
    // Outside the palette, without bit 15.
    for (qint32 n : {16, 0x7FFF, 0x10000 + 13, 0x7FFF0000}) EXPECT_EQ(DejBarvicku(n), 0u) << n;
}

TEST_F(SystemPalette, RebuildingDetachesTheOldPaletteAndRestoresTheColours) {
    TColorPalette* first = InitSystemColorPalette();
    TOwnerEntity world; // the coordinate-system world adopts the palette as a child
    world.AddElement(first);
    first->PutColor(0, 0xFF123456u);
    EXPECT_EQ(DejBarvicku(0), 0xFF123456u);

    TColorPalette* second = InitSystemColorPalette();
    EXPECT_EQ(world.ElementsCount(), 0) << "the destroyed palette left its owner";
    EXPECT_EQ(SystemColorPalette, second);
    EXPECT_EQ(DejBarvicku(0), 0xFFFFFFFFu);
}

TEST_F(SystemPalette, PaletteFreedByItsOwnerClearsTheGlobal) {
    {
        TOwnerEntity world;
        world.AddElement(InitSystemColorPalette());
    } // the world frees its children
    EXPECT_EQ(SystemColorPalette, nullptr);
    EXPECT_EQ(DejBarvicku(13), 0u);
    // Building again must not touch the freed palette.
    EXPECT_NE(InitSystemColorPalette(), nullptr);
    EXPECT_EQ(DejBarvicku(13), 0xFF000000u);
}

TEST(ColourNumbers, PackedFifteenBitColours) {
    // Packed colours are stored negated in the low 16 bits; components widen by 8 (31 -> 255);
    // the answer has blue in bits 16-23, red in 0-7 and a top byte of 0.
    struct Case {
        qint32 number;
        quint32 expected;
    } cases[] = {
        {-32767, 0x00FFFFFFu},                        // all components 31
        {-1024, 0x00000008u},                         // red 1
        {-(1 << 5), 0x00000800u},                     // green 1
        {-1, 0x00080000u},                            // blue 1
        {-(30 << 10), 0x000000F0u},                   // red 30: 240, not widened
        {-((31 << 10) | 2), 0x00100000u | 0xFFu},     // red 31, blue 2
        {0x8000, 0u},                                 // the negation of 0x8000 is 0x8000: all components 0
        {qint32(0xFFFF0000u | 0xFC00u), 0x00000008u}, // only the low 16 bits count
    };
    for (const Case& c : cases) EXPECT_EQ(DejBarvicku(c.number), c.expected) << c.number;
}

TEST(ColourPalette, EntryBytesKeepTheRestOfTheValue) {
    TRGB_Color c(QStringLiteral("x"), 0x80102030u);
    EXPECT_EQ(c.GetR(), 0x10);
    EXPECT_EQ(c.GetG(), 0x20);
    EXPECT_EQ(c.GetB(), 0x30);
    c.SetR(0xAB);
    EXPECT_EQ(c.GetColor(), 0x80AB2030u);
    c.SetG(0xCD);
    EXPECT_EQ(c.GetColor(), 0x80ABCD30u);
    c.SetB(0xEF);
    EXPECT_EQ(c.GetColor(), 0x80ABCDEFu);
}

TEST(ColourPalette, NextRGBColorTexts) {
    struct Case {
        const char* text;
        quint32 rgb;
        const char* name;
    } cases[] = {
        {"10,20,30", 0x0A141E, "Color"},
        {"10,20,30,Smrk", 0x0A141E, "Smrk"},
        {" 10 , 20 , 30 , Buk ", 0x0A141E, "Buk"},
        {"10,20,30,a,b", 0x0A141E, "a,b"},
        {"", 0, "Color"},
        {"7", 0x070000, "Color"},
        {"7,8", 0x070800, "Color"},
        {"300,-1,0", 0x2CFF00, "Color"}, // each part taken as a byte
    };
    TColorPalette palette;
    for (const Case& c : cases) {
        palette.SetNextRGBColor(QString::fromUtf8(c.text));
        auto* entry = palette.GetAs<TRGB_Color>(palette.ColorCount() - 1);
        ASSERT_NE(entry, nullptr) << c.text;
        EXPECT_EQ(entry->GetColor() & 0xFFFFFFu, c.rgb) << c.text;
        EXPECT_EQ(entry->GetColor() >> 24, 0xFFu) << c.text << ": entries from a text are opaque";
        EXPECT_EQ(entry->GetName(), QString::fromUtf8(c.name)) << c.text;
    }
    EXPECT_EQ(palette.ColorCount(), int(std::size(cases)));
}

TEST(ColourPalette, NextRGBColorRejectsPartsThatAreNotWholeNumbers) {
    TColorPalette palette;
    for (const char* text : {"10,x,30", "1.5,2,3", "10,,30", ",1,2", "10,20,zz,Name"}) {
        EXPECT_THROW(palette.SetNextRGBColor(QString::fromUtf8(text)), EConvertError) << text;
        EXPECT_EQ(palette.ColorCount(), 0) << text;
    }
}

TEST(ColourPalette, NextColorNamesByPosition) {
    TColorPalette palette;
    for (quint32 c : OrigColorTab) palette.SetNextColor(qint32(c));
    palette.SetNextColor(0x11223344);
    ASSERT_EQ(palette.ColorCount(), 17);
    EXPECT_EQ(palette.Get(16)->GetName(), QStringLiteral("Color 16"));
    EXPECT_EQ(palette.GetColor(16), 0x11223344u);
    TRGB_Color* named = palette.AddColorName(0xFF010203u, QStringLiteral("Olše"));
    EXPECT_EQ(palette.Get(17), named);
    EXPECT_EQ(named->GetName(), QStringLiteral("Olše"));
    // Colour numbers are checked by the callers; an index past the end is a list error.
    EXPECT_THROW(palette.GetColor(18), EListError);
    EXPECT_THROW(palette.PutColor(-1, 0), EListError);
}

TEST(ColourPalette, PropertyTablesAndTextSetters) {
    const QStringList rgb = zelto::testing::storedPropertyNames(TRGB_Color::StaticClass());
    ASSERT_GE(rgb.size(), 4);
    EXPECT_EQ(rgb.mid(rgb.size() - 4), (QStringList{"R", "G", "B", "Comment"}));
    EXPECT_TRUE(rgb.contains(QStringLiteral("Value")));
    EXPECT_EQ(TRGB_Color::StaticClass().unitName(), QStringLiteral("e_Pale"));
    EXPECT_EQ(TColorPalette::StaticClass().unitName(), QStringLiteral("e_Pale"));

    // The write-only entries add colours through the generic interface and are never written.
    TColorPalette palette;
    EXPECT_TRUE(SetPropStringByName(&palette, QStringLiteral("NextColor"), QStringLiteral("255")));
    EXPECT_TRUE(SetPropStringByName(&palette, QStringLiteral("NextRGBColor"), QStringLiteral("1,2,3,Jedle")));
    ASSERT_EQ(palette.ColorCount(), 2);
    EXPECT_EQ(palette.GetColor(0), 255u);
    EXPECT_EQ(palette.Get(0)->GetName(), QStringLiteral("Color 0"));
    EXPECT_EQ(palette.GetColor(1), 0xFF010203u);
    EXPECT_EQ(palette.Get(1)->GetName(), QStringLiteral("Jedle"));
    const QStringList stored = zelto::testing::storedPropertyNames(TColorPalette::StaticClass());
    EXPECT_FALSE(stored.contains(QStringLiteral("NextColor")));
    EXPECT_FALSE(stored.contains(QStringLiteral("NextRGBColor")));

    TRGB_Color entry;
    EXPECT_TRUE(SetPropStringByName(&entry, QStringLiteral("G"), QStringLiteral("171")));
    EXPECT_TRUE(SetPropStringByName(&entry, QStringLiteral("Comment"), QStringLiteral("kůra")));
    EXPECT_EQ(entry.GetColor(), 0x0000AB00u);
    EXPECT_EQ(GetPropStringByName(&entry, QStringLiteral("Comment")), QStringLiteral("kůra"));
}

class PaletteStream : public zelto::testing::StreamRoundTrip {};

TEST_F(PaletteStream, PaletteRoundTrip) {
    TColorPalette palette;
    palette.SetName(QStringLiteral("ColorPalette"));
    for (quint32 c : OrigColorTab) palette.SetNextColor(qint32(c));
    palette.SetNextRGBColor(QStringLiteral("200,100,50,Modřín"));
    palette.Get(3)->SetPropertyStringByName(QStringLiteral("Comment"), QStringLiteral("tyrkys"));

    std::unique_ptr<TElement> back = roundTrip(&palette);
    auto* copy = zelto_cast<TColorPalette>(back.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->ColorCount(), 17) << "the write-only entries must not add colours on reading";
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(copy->GetColor(i), palette.GetColor(i)) << i;
        EXPECT_EQ(copy->Get(i)->GetName(), palette.Get(i)->GetName()) << i;
        EXPECT_TRUE(copy->Get(i)->Is<TRGB_Color>()) << i;
    }
    EXPECT_EQ(copy->GetAs<TRGB_Color>(3)->FComment, QStringLiteral("tyrkys"));
    EXPECT_EQ(copy->GetColor(6), 0x00404080u) << "a transparent entry keeps its zero alpha";
}
