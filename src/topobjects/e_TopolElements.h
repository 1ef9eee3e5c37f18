// Topology objects: numbered model objects of four physical kinds (points, lines, areas, texts)
// with a kind, colour and symbol number, a selection flag and a precision class. A filed object
// reads the properties it does not declare from its row of the attribute table of its block,
// object type and kind.
#pragma once

#include "E_Reg.h"

namespace zelto {

class TTopolDBFTable;

// The attribute table file of a block, object type and kind: block + "/" + letter + kind with at
// least four digits + ".DBF" (kind 5 of the lines: L0005.DBF).
QString TopolDBFFileName(const QString& blockName, QChar objectType, qint32 druh);

class TTopoLElement : public TRegisteredGeometryElement {
    ZELTO_CLASS(TTopoLElement, TRegisteredGeometryElement)
public:
    qint32 FCislo = 0;
    qint16 FDruh = 0;
    qint16 FBarva = 0;
    qint16 FZnacka = 0;
    bool FVyber = false;
    quint8 FPresnost = 0;
    qint16 FSymbol = 0;
    bool FTopolIsDone = false;

    virtual QChar GetObjectType() const;
    virtual QString GetDBFName() const;
    virtual TTopolDBFTable* GetDBFTable() const;
    virtual TTopoLElement* GetSourceTopolElement() const;

    qint32 GetSpaceID() const override { return FCislo; }
    qint32 GetGroup() const override { return FDruh; }
    void SetGroup(qint32 value) override { FDruh = qint16(quint16(quint32(value) & 0xFFFF)); }
    void SetPropertyStringByName(const QString& name, const QString& value) override;
    bool HasDBFItem(const QString& name) const override;
    QString GetDBFFieldAsString(const QString& name) const override;
    void SetDBFFieldAsString(const QString& name, const QString& value) override;
    bool SetDBFRecord() const override;

    QChar GetPhysicalObjectType() const { return ObjectTypeOfGeometry(GetGeometry()); }
    bool GetTopolIsDone() const { return FTopolIsDone; }
    void SetTopolIsDone(bool v) { FTopolIsDone = v; }
};

class TTopolPointElement : public TTopoLElement {
    ZELTO_CLASS(TTopolPointElement, TTopoLElement)
public:
    QChar GetObjectType() const override { return QLatin1Char('B'); }
};

class TTopolLineElement : public TTopoLElement {
    ZELTO_CLASS(TTopolLineElement, TTopoLElement)
public:
    qint32 FLeftArea = 0;
    qint32 FRightArea = 0;

    QChar GetObjectType() const override { return QLatin1Char('L'); }
    // The geometry's length in metres; 0 without one or when it cannot be computed.
    double GetDelka() const;
    qint32 GetRightAreaNoForBegin(bool fromBegin) const { return fromBegin ? FLeftArea : FRightArea; }
};

class TTopolAreaElement : public TTopoLElement {
    ZELTO_CLASS(TTopolAreaElement, TTopoLElement)
public:
    qint32 FLineNo = 0;
    qint32 FPaterNo = 0;
    bool FHasChildren = false;

    QChar GetObjectType() const override { return QLatin1Char('P'); }
    // The area in hectares when the geometry is an area, else 0.
    double GetHektars() const;
    // The area geometry's official area and its index; 0 without an area geometry, and writing
    // is then ignored.
    double GetFixedArea() const;
    void SetFixedArea(double v);
    quint8 GetFixedAreaIndex() const;
    void SetFixedAreaIndex(quint8 v);
};

enum class TCodePage : quint8 { cpIBM, cpLatin2, cpKamenickych, cpWindows };

class TTopolTextElement : public TTopoLElement {
    ZELTO_CLASS(TTopolTextElement, TTopoLElement)
public:
    // Text attributes: bit 0 ZrusenT, 1 OkT, 2 txtZmena, 3 T30.
    quint8 FTextAtrib = 0;
    TCodePage FCodePage = TCodePage::cpIBM;
    quint8 FTopolFont = 0;
    double FHeight = 0;
    double FWidthCoef = 0;
    double FDirection = 0;
    double FSlope = 0;
    double FDistance = 0;
    quint8 FTextMode = 0;

    ~TTopolTextElement() override;

    QChar GetObjectType() const override { return QLatin1Char('T'); }

    // Created (as a T2DCoordinate at 0, 0) on first read; owned.
    TCoordinate* GetStartPoint() const;
    // Takes ownership; the previous point is freed.
    void SetStartPoint(TCoordinate* point);
    // The text of the text geometry; empty without one, and writing is then ignored.
    QString GetText() const;
    void SetText(const QString& text);
    double GetTextHeight() const { return FHeight; }
    void SetTextHeight(double v) { FHeight = v; }

private:
    mutable TCoordinate* m_startPoint = nullptr;
};

// Export variants: properties they lack come from a second element (ExportProperties).
class TTopolExportPointElement : public TTopolPointElement {
    ZELTO_CLASS(TTopolExportPointElement, TTopolPointElement)
public:
    TElement* FExportProperties = nullptr; // not owned

    QString GetPropertyStringByName(const QString& name) const override;
    TTopoLElement* GetSourceTopolElement() const override;
    TElement* GetExportProperties() const { return FExportProperties; }
    void SetExportProperties(TElement* e) { FExportProperties = e; }
};

class TTopolExportAreaElement : public TTopolAreaElement {
    ZELTO_CLASS(TTopolExportAreaElement, TTopolAreaElement)
public:
    TElement* FExportProperties = nullptr; // not owned

    QString GetPropertyStringByName(const QString& name) const override;
    TTopoLElement* GetSourceTopolElement() const override;
    TElement* GetExportProperties() const { return FExportProperties; }
    void SetExportProperties(TElement* e) { FExportProperties = e; }
};

void registerTopolElementClasses();

} // namespace zelto
