// Reference systems: what a coordinate system calls its three coordinates and how they map to the
// internal model coordinates (ICS), plus the library that holds one object per system and the world
// of the map application, which owns that library and the colour palette.
//
// The internal system is S-JTSK with both axes negated: model X = -Y grows eastwards, model Y = -X
// northwards.
#pragma once

#include "framework/Worlds.h"
#include "geometry/G_Elems.h"

namespace zelto {

class TColorPalette;

// A reference system. Its ID and coordinate names are plain fields (none is a stored property).
class TWCS : public TElement {
    ZELTO_CLASS(TWCS, TElement)
public:
    quint8 FID = 0; // the model element's own number is TElement::ID
    QString FCoord1Name;
    QString FCoord2Name;
    QString FCoord3Name;

    virtual quint8 GetID() const { return FID; }
    virtual void SetID(quint8 id) { FID = id; }
    virtual QString GetCoord1Name() const { return FCoord1Name; }
    virtual QString GetCoord2Name() const { return FCoord2Name; }
    virtual QString GetCoord3Name() const { return FCoord3Name; }
    virtual void SetCoord1Name(const QString& name) { FCoord1Name = name; }
    virtual void SetCoord2Name(const QString& name) { FCoord2Name = name; }
    virtual void SetCoord3Name(const QString& name) { FCoord3Name = name; }
    // System coordinates to internal ones and back.
    virtual void GiveICS(double Crd1, double Crd2, double Crd3, double& X, double& Y, double& Z) const = 0;
    virtual void GiveWCSFromICS(double X, double Y, double Z, double& Crd1, double& Crd2,
                                double& Crd3) const = 0;
    // The same on a coordinate element (its X, Y, Z), in place; answers it.
    virtual TCoordinate* RecalculateToICS(TCoordinate* Coord) const = 0;
    virtual TCoordinate* RecalculateFromICS(TCoordinate* Coord) const = 0;
};

// A system with a way to WGS84 (none of the concrete systems gives one: they leave the outputs as
// they are).
class TGeographic_WCS : public TWCS {
    ZELTO_CLASS(TGeographic_WCS, TWCS)
public:
    virtual void GiveWGS84(double Crd1, double Crd2, double Crd3, double& Lat, double& Lon,
                           double& H) const = 0;
    virtual void GiveWCSFromWGS84(double Lat, double Lon, double H, double& Crd1, double& Crd2,
                                  double& Crd3) const = 0;
};

// S-JTSK, ID 1: coordinates "Y", "X", "Vyska"; the internal system is all three negated.
class TJTSK : public TGeographic_WCS {
    ZELTO_CLASS(TJTSK, TGeographic_WCS)
public:
    static constexpr quint8 WcsID = 1;

    quint8 GetID() const override { return WcsID; }
    QString GetCoord1Name() const override;
    QString GetCoord2Name() const override;
    QString GetCoord3Name() const override;
    void GiveICS(double Crd1, double Crd2, double Crd3, double& X, double& Y, double& Z) const override;
    void GiveWCSFromICS(double X, double Y, double Z, double& Crd1, double& Crd2,
                        double& Crd3) const override;
    TCoordinate* RecalculateToICS(TCoordinate* Coord) const override;
    TCoordinate* RecalculateFromICS(TCoordinate* Coord) const override;
    void GiveWGS84(double, double, double, double&, double&, double&) const override {}
    void GiveWCSFromWGS84(double, double, double, double&, double&, double&) const override {}
};

// Gauss-Krüger, ID 2: coordinates "X", "Y", "Z", the same as the internal ones.
class TGauss_Kruger : public TGeographic_WCS {
    ZELTO_CLASS(TGauss_Kruger, TGeographic_WCS)
public:
    static constexpr quint8 WcsID = 2;

    quint8 GetID() const override { return WcsID; }
    QString GetCoord1Name() const override;
    QString GetCoord2Name() const override;
    QString GetCoord3Name() const override;
    void GiveICS(double Crd1, double Crd2, double Crd3, double& X, double& Y, double& Z) const override;
    void GiveWCSFromICS(double X, double Y, double Z, double& Crd1, double& Crd2,
                        double& Crd3) const override;
    TCoordinate* RecalculateToICS(TCoordinate* Coord) const override { return Coord; }
    TCoordinate* RecalculateFromICS(TCoordinate* Coord) const override { return Coord; }
    void GiveWGS84(double, double, double, double&, double&, double&) const override {}
    void GiveWCSFromWGS84(double, double, double, double&, double&, double&) const override {}
};

// One reference-system object per ID, made on first request.
class TWCSLibrary : public TOwnerEntity {
    ZELTO_CLASS(TWCSLibrary, TOwnerEntity)
public:
    // The first child with that ID; otherwise a new TJTSK (1) or TGauss_Kruger (2), added and
    // answered; none for any other ID.
    TWCS* GetWCSID(quint8 aID);
};

// The world of the map application: a world with the process's colour palette and a library of
// reference systems, both children of the world.
class TWCSWorld : public TWorld {
    ZELTO_CLASS(TWCSWorld, TWorld)
public:
    // Builds the process palette afresh (InitSystemColorPalette) and makes it the first child.
    TWCSWorld();

    // The palette child, none when it was freed elsewhere.
    TColorPalette* GetColorPalette() const;
    // Frees the current palette and adopts the new one as a child. When the current one is the
    // process palette, the new one takes its place there.
    void SetColorPalette(TColorPalette* palette);
    // Created and added as a child on first use.
    TWCSLibrary* GetWCSLibrary();
    // Frees the current library and adopts the new one as a child.
    void SetWCSLibrary(TWCSLibrary* library);
    TWCS* GetIDWCS(quint8 aID) { return GetWCSLibrary()->GetWCSID(aID); }
};

} // namespace zelto
