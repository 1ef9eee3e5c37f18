// Areas from lines: the whole pipeline that turns a set of drawn lines into closed areas with
// holes and label points. TClearLines makes the lines meet (snapping and joining them in place),
// TAreasFromClearLines builds nodes, traces the faces, attaches the holes and places the labels;
// TCreateAreasFromLinesTool runs the two in sequence.
#pragma once

#include "framework/Tools.h"
#include "geometry/e_Geometry.h"

namespace zelto {

class TSpaceLineBegEndCell;

// What TClearLines hands to the line-joining step.
struct TLineJoiningRequest {
    // The collected lines, as direct children. The step changes and cuts them in place; the
    // pieces of a cut line reach every owner of the line (this collection included) through the
    // divide notification.
    TRectEntity* Lines = nullptr;
    // The collected fixed lines (never moved), or none.
    TRectEntity* FixedLines = nullptr;
    double SnapDistance = 0.01; // already positive
    bool SelfTest = true;
    bool OnlyEnds = false;
};

// The line-joining step of TClearLines. The line-joining module installs it at start-up; until
// then the lines are used as they are (they must already meet at their ends). A step reports a
// failure by raising an exception.
using TLineJoiningStep = void (*)(const TLineJoiningRequest& request);
void SetLineJoiningStep(TLineJoiningStep step);
TLineJoiningStep GetLineJoiningStep();

// Makes the lines under the input (a rectangle entity) meet: collects them, each once, and runs
// the line-joining step on them. The output is the input.
class TClearLines : public TTool {
    ZELTO_CLASS(TClearLines, TTool)
public:
    static constexpr double DefaultSnapDistance = 0.01;

    double FSnapDistance = 0; // 0 or less: DefaultSnapDistance
    bool FSelfTest = true;
    TEntity* FFixedLines = nullptr; // not owned
    bool FOnlyEnds = false;

    void DoIt() override;

    double GetSnapDistance() const { return FSnapDistance; }
    void SetSnapDistance(double v) { FSnapDistance = v; }
    bool GetSelfTest() const { return FSelfTest; }
    void SetSelfTest(bool v) { FSelfTest = v; }
    TEntity* GetFixedLines() const { return FFixedLines; }
    void SetFixedLines(TEntity* e) { FFixedLines = e; }
    bool GetOnlyEnds() const { return FOnlyEnds; }
    void SetOnlyEnds(bool v) { FOnlyEnds = v; }
};

// Builds the areas of lines that already meet at their ends. Input: a rectangle entity holding
// the lines (at any depth); output: a new TAreaString (owned by the caller) of TPolyLineAreaElement
// areas made of the input lines, each with its holes and label point. The lines must outlive the
// areas. The point quadtree of line ends with its nodes stays a child of the tool (QTree) until
// the next run or the tool's end.
class TAreasFromClearLines : public TTool {
    ZELTO_CLASS(TAreasFromClearLines, TTool)
public:
    TSpaceLineBegEndCell* FQTree = nullptr; // a child

    void DoIt() override;
    TSpaceLineBegEndCell* GetQTree() const { return FQTree; }

private:
    void step(int position, const QString& text);
};

// TClearLines, then TAreasFromClearLines, on the input; the output is the area string (owned by
// the caller).
class TCreateAreasFromLinesTool : public TSeqTechnology {
    ZELTO_CLASS(TCreateAreasFromLinesTool, TSeqTechnology)
public:
    TCreateAreasFromLinesTool();

    TClearLines* GetClearLines() const;
    TAreasFromClearLines* GetAreasFromClearLines() const;
};

// Module 37 (areas from lines): TCreateAreasFromLinesTool, TClearLines, TAreasFromClearLines.
void registerAreasFromLinesClasses();

} // namespace zelto
