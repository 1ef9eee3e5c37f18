#include "e_Wcs.h"

#include "colors/e_Pale.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TWCS, TElement, "e_Wcs")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TGeographic_WCS, TWCS, "e_Wcs")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TJTSK, TGeographic_WCS, "e_Wcs")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TGauss_Kruger, TGeographic_WCS, "e_Wcs")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TWCSLibrary, TOwnerEntity, "e_Wcs")

// ---- TJTSK ---------------------------------------------------------------------------------------

QString TJTSK::GetCoord1Name() const {
    return QStringLiteral("Y");
}
QString TJTSK::GetCoord2Name() const {
    return QStringLiteral("X");
}
QString TJTSK::GetCoord3Name() const {
    return QStringLiteral("Vyska");
}

void TJTSK::GiveICS(double Crd1, double Crd2, double Crd3, double& X, double& Y, double& Z) const {
    X = -Crd1;
    Y = -Crd2;
    Z = -Crd3;
}

void TJTSK::GiveWCSFromICS(double X, double Y, double Z, double& Crd1, double& Crd2, double& Crd3) const {
    Crd1 = -X;
    Crd2 = -Y;
    Crd3 = -Z;
}

TCoordinate* TJTSK::RecalculateToICS(TCoordinate* Coord) const {
    if (!Coord) return nullptr;
    double x = 0, y = 0, z = 0;
    GiveICS(Coord->GetX(), Coord->GetY(), Coord->GetZ(), x, y, z);
    Coord->SetX(x);
    Coord->SetY(y);
    Coord->SetZ(z);
    return Coord;
}

TCoordinate* TJTSK::RecalculateFromICS(TCoordinate* Coord) const {
    if (!Coord) return nullptr;
    double c1 = 0, c2 = 0, c3 = 0;
    GiveWCSFromICS(Coord->GetX(), Coord->GetY(), Coord->GetZ(), c1, c2, c3);
    Coord->SetX(c1);
    Coord->SetY(c2);
    Coord->SetZ(c3);
    return Coord;
}

// ---- TGauss_Kruger -------------------------------------------------------------------------------

QString TGauss_Kruger::GetCoord1Name() const {
    return QStringLiteral("X");
}
QString TGauss_Kruger::GetCoord2Name() const {
    return QStringLiteral("Y");
}
QString TGauss_Kruger::GetCoord3Name() const {
    return QStringLiteral("Z");
}

void TGauss_Kruger::GiveICS(double Crd1, double Crd2, double Crd3, double& X, double& Y, double& Z) const {
    X = Crd1;
    Y = Crd2;
    Z = Crd3;
}

void TGauss_Kruger::GiveWCSFromICS(double X, double Y, double Z, double& Crd1, double& Crd2,
                                   double& Crd3) const {
    Crd1 = X;
    Crd2 = Y;
    Crd3 = Z;
}

// ---- TWCSLibrary ---------------------------------------------------------------------------------

TWCS* TWCSLibrary::GetWCSID(quint8 aID) {
    for (TElement* e : FElements)
        if (auto* wcs = zelto_cast<TWCS>(e); wcs && wcs->GetID() == aID) return wcs;
    TWCS* made = nullptr;
    if (aID == TJTSK::WcsID)
        made = new TJTSK;
    else if (aID == TGauss_Kruger::WcsID)
        made = new TGauss_Kruger;
    if (made) AddElement(made);
    return made;
}

// ---- TWCSWorld -----------------------------------------------------------------------------------

void TWCSWorld::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TWCSWorld::GetColorPalette, &TWCSWorld::SetColorPalette>("ColorPalette");
}
ZELTO_IMPLEMENT_CLASS(TWCSWorld, TWorld, "e_Wcs")

TWCSWorld::TWCSWorld() {
    // The palette comes first among the children, ahead of what the world itself holds.
    InsertElement(0, InitSystemColorPalette());
}

// Both children are looked up rather than remembered: a later world's InitSystemColorPalette
// destroys this world's palette, which then leaves the child list, and nothing may dangle.
TColorPalette* TWCSWorld::GetColorPalette() const {
    return zelto_cast<TColorPalette>(FindElementClass(TColorPalette::StaticClass()));
}

void TWCSWorld::SetColorPalette(TColorPalette* palette) {
    TColorPalette* current = GetColorPalette();
    if (current == palette) return;
    const bool processPalette = current && current == SystemColorPalette;
    if (current) FreeElement(current);
    if (!palette) return;
    if (IndexOf(palette) < 0) AddElement(palette);
    if (processPalette) SystemColorPalette = palette;
}

TWCSLibrary* TWCSWorld::GetWCSLibrary() {
    auto* library = zelto_cast<TWCSLibrary>(FindElementClass(TWCSLibrary::StaticClass()));
    if (!library) {
        library = new TWCSLibrary;
        AddElement(library);
    }
    return library;
}

// The new library becomes a child like the one made on first use, so that the world frees it and
// the stream writes it.
void TWCSWorld::SetWCSLibrary(TWCSLibrary* library) {
    auto* current = zelto_cast<TWCSLibrary>(FindElementClass(TWCSLibrary::StaticClass()));
    if (current == library) return;
    if (current) FreeElement(current);
    if (library && IndexOf(library) < 0) AddElement(library);
}

} // namespace zelto
