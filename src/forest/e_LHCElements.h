// Elements that hang on the forest model: user areas and felling areas attached to stand groups,
// special-purpose areas (SRF), forest types (LT), and the SRF and felling points.
#pragma once

#include "e_LHCModel.h"
#include "topobjects/e_TopolElements.h"

namespace zelto {

// A user area: a single area (not a multi-element) whose name is its UserID and whose group is
// its Druh. Attached to a stand group through the group's "USER" collection; a user area of a
// layer may also be attached to none.
class Tgis_UserAreaElement : public Tgis_PorostniSkupina {
    ZELTO_CLASS(Tgis_UserAreaElement, Tgis_PorostniSkupina)
public:
    qint32 FDruh = 0;
    qint32 FUserID = 0;

    // The stand group whose area collection holds the area, or none.
    virtual Tgis_PorostniSkupina* Get_Skupina() const;
    // Moves the area into the group's collection of its class (created when missing); none only
    // takes it out of its current one, and the caller then answers for it.
    virtual void Set_Skupina(Tgis_PorostniSkupina* group);
    virtual void SetUserID(qint32 id);

    QString GetName() const override;
    // A text that is not an integer leaves the UserID unchanged.
    void SetName(const QString& name) override;
    qint32 GetGroup() const override { return FDruh; }
    void SetGroup(qint32 group) override { FDruh = group; }
    bool GetMultiElement() const override { return false; }
    // The stand of its stand group.
    Tgis_Porost* Get_Porost() const override;
    // A user area is not moved between stands: it follows its group.
    void Set_Porost(Tgis_Porost*) override {}

    qint32 GetDruh() const { return FDruh; }
    void SetDruh(qint32 v) { FDruh = v; }
    qint32 GetUserID() const { return FUserID; }

protected:
    // The class of the stand group's collection that holds areas of this class.
    virtual const TClassInfo& AreaCollectionClass() const;
    Tgis_ForestUnit* TaxParent() const override;
};

// A felling area, attached through the group's "TEZ" collection; named "TEZ " + Zpusob + ":" +
// Nalehavost.
class TTEZPlocha : public Tgis_UserAreaElement {
    ZELTO_CLASS(TTEZPlocha, Tgis_UserAreaElement)
public:
    qint32 FNalehavost = 0; // urgency
    qint32 FZpusob = 0;     // method

    QString GetName() const override;
    void SetName(const QString&) override {}
    qint32 GetGroup() const override { return 135; }

protected:
    const TClassInfo& AreaCollectionClass() const override;
};

// An area of a special purpose.
class TSRFPlocha : public Tgis_ForestUnit {
    ZELTO_CLASS(TSRFPlocha, Tgis_ForestUnit)
public:
    qint32 GetGroup() const override { return 144; }
};

// A forest type area; keeps both areas as stored values.
class Tgis_LT : public Tgis_ForestUnit {
    ZELTO_CLASS(Tgis_LT, Tgis_ForestUnit)
public:
    double FVymera = 0;
    double FPlocha = 0;
    qint32 FLES_OBL = 0;
    QString FSLT;
    QString FLT;
    QString FLO_CAST;
    qint32 FUdrzba = 0;
    QString FZmena;
    QString FTVL;
    QString FPLT;
    QString FPLT_Nazev;
    qint32 FCHS = 0;
    QString FPCHS;

    double GetPlocha() const override { return FPlocha; }
    double GetVymera() const override { return FVymera; }
    void SetPlocha(double value) override { FPlocha = value; }
    void SetVymera(double value) override { FVymera = value; }
    // The PLT code followed by its name.
    QString GetPLT_() const;
};

class TSRFBod : public TTopolPointElement {
    ZELTO_CLASS(TSRFBod, TTopolPointElement)
public:
    qint32 FVEK_ST = 0;
};

class TTEZBod : public TTopolPointElement {
    ZELTO_CLASS(TTEZBod, TTopolPointElement)
public:
    qint32 FNalehavost = 0;
};

void registerForestElementClasses();

// The unit label of a forest unit, as the map names the stand group under a tap: the division's
// number, the dílec's name, the stand's name, a space and the stand group's name ("12b3 1a"). A
// division, dílec or stand answers its level's part ("12", "12b", "12b3"); a user or felling area
// answers the label of the stand group it is attached to. A level that is missing above the unit
// contributes nothing (a group outside any stand answers its name alone); other units (plan area,
// LS, storeys, forest types, ...) and none answer "".
QString ForestUnitLabel(const Tgis_ForestUnit* unit);

} // namespace zelto
