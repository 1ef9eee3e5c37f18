// The small files of a project: the point symbol set and the kind catalogue of the system
// folder, the project file and the user's layer definitions.
#include "sample_internal.h"

#include "framework/SafeFile.h"
#include "geometry/e_Geometry.h"
#include "persistence/T_Saver.h"
#include "topology/e_TopolDruhy.h"

#include <QXmlStreamWriter>

#include <cmath>
#include <memory>
#include <numbers>

namespace zsample {

using namespace zelto;

void saveStream(TElement* root, const QString& path) {
    TSave save(path);
    save.SetNoProgress(true);
    save.SetInput(root);
    try {
        save.DoIt();
    } catch (const EZeltoError& e) {
        throw SampleError(QStringLiteral("cannot write %1: %2").arg(path, e.message()));
    }
}

namespace {

using Stroke = std::vector<Point>;

std::vector<Stroke> circle(double r, int segments) {
    Stroke s;
    for (int i = 0; i <= segments; ++i) {
        const double a = 2 * std::numbers::pi * i / segments;
        s.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return {s};
}

// Symbol shapes in model metres around the point's reference point.
struct SymbolShape {
    int number;
    std::vector<Stroke> strokes;
};

std::vector<SymbolShape> symbolShapes() {
    std::vector<SymbolShape> shapes;
    // 1 hunting stand: a raised box on two legs.
    shapes.push_back(
        {1, {{{-2.5, 0}, {-2.5, 4}, {2.5, 4}, {2.5, 0}, {-2.5, 0}}, {{-2, 0}, {-3, -4}}, {{2, 0}, {3, -4}}}});
    // 2 feeder: a roof over a rack.
    shapes.push_back(
        {2, {{{-4, 1}, {0, 4}, {4, 1}}, {{-3, 1}, {-3, -3}, {3, -3}, {3, 1}}, {{-3, -1}, {3, -1}}}});
    // 3 spring: a circle with a wave.
    {
        std::vector<Stroke> s = circle(3.5, 16);
        s.push_back({{-2, 0}, {-1, 1}, {0, 0}, {1, -1}, {2, 0}});
        shapes.push_back({3, s});
    }
    // 4 boundary stone: a diamond with its centre.
    shapes.push_back({4, {{{0, 3.5}, {3.5, 0}, {0, -3.5}, {-3.5, 0}, {0, 3.5}}, {{-0.5, 0}, {0.5, 0}}}});
    // 5 barrier: a bar between two posts.
    shapes.push_back({5, {{{-4, 1.5}, {4, 1.5}}, {{-4, -3}, {-4, 3}}, {{4, -3}, {4, 3}}}});
    // 6 damage: a cross in a circle.
    {
        std::vector<Stroke> s = circle(3.5, 16);
        s.push_back({{-2.5, -2.5}, {2.5, 2.5}});
        s.push_back({{-2.5, 2.5}, {2.5, -2.5}});
        shapes.push_back({6, s});
    }
    return shapes;
}

} // namespace

const std::vector<KindRow>& kindCatalogue() {
    static const std::vector<KindRow> kinds = {
        {"Posed", 101, 4, 1, 'B', "Tgis_PointElement"},
        {"Krmelec", 102, 5, 2, 'B', "Tgis_PointElement"},
        {"Pramen", 103, 8, 3, 'B', "Tgis_PointElement"},
        {"Hraniční kámen", 104, 11, 4, 'B', "Tgis_PointElement"},
        {"Závora", 105, 12, 5, 'B', "Tgis_PointElement"},
        {"Poškození porostu", 106, 11, 6, 'B', "Tgis_PointElement"},
        {"Cesta", 201, 4, 0, 'L', "TTopolLineElement"},
        {"Potok", 202, 8, 0, 'L', "TTopolLineElement"},
        {"Průsek", 203, 13, 0, 'L', "TTopolLineElement"},
        {"Holina", 301, 14, 0, 'P', "Tgis_UserAreaElement"},
        {"Kalamita", 302, 11, 0, 'P', "Tgis_UserAreaElement"},
    };
    return kinds;
}

std::vector<LayerDefinition> layerDefinitions() {
    return {
        // An ordinary layer for field notes and drawings.
        {QStringLiteral("Pozorování"), QStringLiteral("A,L,P,N"), 0, 0, 0xFF1E90FF},
        // The clearings, coloured by the year of felling.
        {QStringLiteral("Holiny"), QStringLiteral("A"), 0, ClearingGroup, 0xFFFF8C00},
    };
}

std::vector<std::pair<int, int>> clearingYearColours(int planYear) {
    std::vector<std::pair<int, int>> table{{0, 13}};
    const int colours[] = {4, 11, 12, 5, 8, 3, 2, 14, 10};
    for (int i = 0; i < 9; ++i) table.push_back({planYear - 4 + i, colours[i]});
    return table;
}

void writePointSymbols(const QString& path) {
    auto root = std::make_unique<TOwnerEntity>();
    root->SetName(QStringLiteral("PSYMB"));
    for (const SymbolShape& shape : symbolShapes()) {
        auto* symbol = new TOwnerEntity;
        symbol->SetName(QString::number(shape.number));
        auto* strokes = new TPolyLineString;
        strokes->SetName(QStringLiteral("G"));
        for (const Stroke& s : shape.strokes) {
            auto* line = new TPolyLineElement;
            for (const Point& p : s) line->AddXY(p.x, p.y);
            line->RecalculateRect();
            strokes->AddElement(line);
        }
        // The symbol's extent: the rectangle a point of this symbol takes.
        strokes->ResetAndUpdate();
        symbol->AddElement(strokes);
        root->AddElement(symbol);
    }
    saveStream(root.get(), path);
}

void writePointKinds(const QString& path) {
    auto catalogue = std::make_unique<TTopolDruhy>();
    catalogue->SetName(QStringLiteral("Zn"));
    // Point kinds first: the map lists the "B" collection.
    TTopolDruhCollection* points = catalogue->GetB();
    TTopolDruhCollection* lines = catalogue->GetL();
    TTopolDruhCollection* areas = catalogue->GetP();
    for (const KindRow& k : kindCatalogue()) {
        auto* kind = new TTopolDruh;
        kind->SetName(QString::fromUtf8(k.name));
        kind->FKOD = k.code;
        kind->FBarva = k.colour;
        kind->FZnacka = k.symbol;
        kind->FTyp = QLatin1Char(k.type);
        kind->FTrida = QString::fromLatin1(k.className);
        (k.type == 'B' ? points : k.type == 'L' ? lines : areas)->AddElement(kind);
    }
    saveStream(catalogue.get(), path);
}

QByteArray projectXml(const QString& mapDir, const QString& forestFile) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Project"));
    if (!mapDir.isEmpty()) {
        xml.writeStartElement(QStringLiteral("Entry"));
        xml.writeTextElement(QStringLiteral("Layer"), QStringLiteral("Map"));
        xml.writeTextElement(QStringLiteral("File"), mapDir);
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("Entry"));
    xml.writeTextElement(QStringLiteral("Layer"), QStringLiteral("Det"));
    xml.writeTextElement(QStringLiteral("File"), forestFile);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray userLayersXml(int planYear) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("USERLAYERS"));
    for (const LayerDefinition& d : layerDefinitions()) {
        xml.writeStartElement(QStringLiteral("Layer"));
        xml.writeAttribute(QStringLiteral("Name"), d.name);
        xml.writeAttribute(QStringLiteral("Lays"), d.lays);
        xml.writeAttribute(QStringLiteral("Restriction"), QString::number(d.restriction));
        xml.writeAttribute(QStringLiteral("Group"), QString::number(d.group));
        if (d.group == ClearingGroup) {
            // "0" is the colour of a year not listed.
            xml.writeStartElement(QStringLiteral("Colors"));
            xml.writeAttribute(QStringLiteral("Group"), QString::number(ClearingGroup));
            for (auto [year, colour] : clearingYearColours(planYear)) {
                xml.writeStartElement(QStringLiteral("Color"));
                xml.writeAttribute(QStringLiteral("Value"), QString::number(year));
                xml.writeAttribute(QStringLiteral("Color"), QString::number(colour));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

void writeFileOrFail(const QString& path, const QByteArray& data) {
    QString error;
    if (!writeFileAtomically(path, data, &error))
        throw SampleError(QStringLiteral("cannot write %1: %2").arg(path, error));
}

} // namespace zsample
