// Walkers of the topology tools: they find the lines and the areas inside any element structure
// (layers, geometry elements, areas made of lines, quadtrees) and hand each to a step. A line or
// an area reachable along several paths is handled once: a walker clears the visited marks (the
// geometry's IsDone) of everything under its input first and marks what it has handled.
#pragma once

#include "framework/t_Recurs.h"
#include "geometry/e_Geometry.h"

#include <unordered_set>
#include <vector>

namespace zelto {

class TSpaceLineBegEndCell;

// The base walker: descends into every entity that keeps a list of owners.
class TProchazecObjektu : public TRecursor {
    ZELTO_CLASS(TProchazecObjektu, TRecursor)
public:
    qint32 FModulo = 0; // kept; no rule reads it

    void DoIt() override;
    bool QGoInside(TElement* element) override;
    // Enters each entity once per walk: an entity listed many times, or reached along many paths
    // (shared entities that each list the next twice double the paths at every level), costs its
    // size, not its paths.
    void GoInside(TElement* element) override;

    void SetGaugeCaption(const QString& text) { SetProgressText(text); }
    void SetProtocol(const QString&) {}

protected:
    // Progress of a walk over `total` items, reported about every half percent: the message bus
    // is not flooded by large inputs, the display still moves smoothly.
    void startGauge(qint32 total);
    void gaugeStep(qint32 position);
    void endGauge();

private:
    qint32 m_gaugeEvery = 1;
    std::unordered_set<const TElement*> m_entered;
};

// Visits every polyline (a polyline is not looked into).
class TProchazecLinii : public TProchazecObjektu {
    ZELTO_CLASS(TProchazecLinii, TProchazecObjektu)
public:
    qint32 FPocetLinii = 0;

    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    // Counts the line and hands it to ProcessLine.
    void Process(TElement* element) override;
    virtual void ProcessLine(TPolyLineElement* line);

    qint32 GetPocetLinii() const { return FPocetLinii; }
};

// Counts the lines and clears their visited marks.
class TOznacLinie : public TProchazecLinii {
    ZELTO_CLASS(TOznacLinie, TProchazecLinii)
public:
    void DoIt() override;
    void ProcessLine(TPolyLineElement* line) override;
};

// A line walker that first clears every mark (TOznacLinie over the same input) and shows
// progress for more than 100 lines.
class TProchazecLiniiGauge : public TProchazecLinii {
    ZELTO_CLASS(TProchazecLiniiGauge, TProchazecLinii)
public:
    void DoIt() override;
    // Sets the progress position and lets the user interface process pending events.
    void GaugeSet(qint32 position);
};

// Collects the lines (each once) whose rectangles overlap the search rectangle (all of them when
// the rectangle is all zero) into the output: the given output, or a TPolyLineString the tool
// creates and owns.
class THledacLinii : public TProchazecLiniiGauge {
    ZELTO_CLASS(THledacLinii, TProchazecLiniiGauge)
public:
    double FMinX = 0, FMinY = 0, FMaxX = 0, FMaxY = 0;
    TEntity* FNalezeneLinie = nullptr; // the output

    void SetRect(double minX, double minY, double maxX, double maxY);
    void PrepareOutPut() override;
    void ProcessLine(TPolyLineElement* line) override;
};

// Enters both ends of every line (each line once) into a new point quadtree of line ends
// ("QTREE"), which becomes the output; the caller owns it. The input (or the first parameter)
// must be a rectangle entity; the root covers its rectangle and every entered end.
//
// A line that cannot bound an area is left out with a protocol text: fewer than two vertices, no
// two distinct vertices, or a coordinate that is not finite or lies beyond ±MaxCoordinate.
class TReadLinesIntoQTree : public TProchazecLiniiGauge {
    ZELTO_CLASS(TReadLinesIntoQTree, TProchazecLiniiGauge)
public:
    // Far beyond any map, and within the integer grid of the region quadtrees (±2^27).
    static constexpr double MaxCoordinate = 1e8;

    TSpaceLineBegEndCell* FQTree = nullptr;

    void DoIt() override;
    void ProcessLine(TPolyLineElement* line) override;
    TSpaceLineBegEndCell* GetQTree() const { return FQTree; }

    // Whether the line can be entered; otherwise the reason as a protocol text.
    static bool LineIsUsable(const TPolyLineElement* line, QString& reason);

private:
    std::vector<TPolyLineElement*> m_lines; // the lines to enter, in the order met
};

// Visits every area.
class TProchazecPloch : public TProchazecObjektu {
    ZELTO_CLASS(TProchazecPloch, TProchazecObjektu)
public:
    qint32 FPocetPloch = 0;

    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    void Process(TElement* element) override;
    virtual void ProcessArea(TAreaElement* area);

    qint32 GetPocetPloch() const { return FPocetPloch; }
};

class TOznacPlochy : public TProchazecPloch {
    ZELTO_CLASS(TOznacPlochy, TProchazecPloch)
public:
    void DoIt() override;
    void ProcessArea(TAreaElement* area) override;
};

class TProchazecPlochGauge : public TProchazecPloch {
    ZELTO_CLASS(TProchazecPlochGauge, TProchazecPloch)
public:
    void DoIt() override;
    void GaugeSet(qint32 position);
};

// Collects the areas (each once, holes only with IncludeHoles) whose rectangles overlap the search
// rectangle into the output: the given output, or a TAreaString the tool creates and owns.
class THledacPloch : public TProchazecPlochGauge {
    ZELTO_CLASS(THledacPloch, TProchazecPlochGauge)
public:
    bool FIncludeHoles = false;
    double FMinX = 0, FMinY = 0, FMaxX = 0, FMaxY = 0;
    TEntity* FAreaString = nullptr; // the output

    void DoIt() override;
    void SetRect(double minX, double minY, double maxX, double maxY);
    void PrepareOutPut() override;
    void ProcessArea(TAreaElement* area) override;
};

// Module 32 (line tools): TOznacLinie, THledacPloch, THledacLinii, TReadLinesIntoQTree.
void registerLineToolClasses();

} // namespace zelto
