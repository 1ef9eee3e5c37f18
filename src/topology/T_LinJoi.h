// Line joining and clean-up. TJoinLines cleans a set of hand-drawn lines so that they meet: each
// line in turn is compared with the lines already cleaned; its vertices are snapped onto nearby
// vertices and segments of those lines, the lines get common vertices where they touch or cross,
// a segment that repeats an existing one is dropped in favour of the existing line, and every line
// that has to end at such a meeting point is cut there. The cleaned lines and pieces are collected
// in a line quadtree, the joiner's output.
//
// The comparison works on a segment list (TLinesAbscEntity): the segments of the line being
// compared come first, then the segments of nearby old lines. The joiners below change the lines
// through the list and leave flags on the segments; TSaveChangedLines finally cuts the lines.
#pragma once

#include "framework/Tools.h"
#include "topology/E_QTLin.h"

namespace zelto {

// The segment list. Owns its segments. The first run is the line under comparison; the runs of
// other lines follow, each in increasing Index (not necessarily complete). The Index values are
// kept equal to the real vertex positions: InsertAbsc and DeleteAbsc shift the later segments of
// the same run.
// Every child is a segment: adding or putting anything else raises (EListError), so the scans read
// their segments without a class check.
class TLinesAbscEntity : public TEntity {
    ZELTO_CLASS(TLinesAbscEntity, TEntity)
public:
    // The number of segments (ElementsCount without the virtual call, for the scans).
    qint32 Count() const { return FElements.count(); }
    TTopLinAbscissa* GetAbsc(int i) const {
        return i >= 0 && i < FElements.count() ? static_cast<TTopLinAbscissa*>(FElements.at(i)) : nullptr;
    }
    void AddElement(TElement* element) override;
    void InsertElement(int index, TElement* element) override;
    void Put(int index, TElement* element) override;
    TPolyLineElement* GetLine(int i) const;
    qint32 GetIndex(int i) const;
    // The position of the last segment of the run that position i belongs to.
    int GetLastAbscIndexForSameLine(int i) const;
    // The last position of the first run (-1 for an empty list).
    int HeadEnd() const { return ElementsCount() > 0 ? GetLastAbscIndexForSameLine(0) : -1; }
    // Inserts a segment made by CreateDividedWith at position i and shifts the Index of the later
    // segments of its run by one (its vertex has already been inserted into the line).
    void InsertAbsc(int i, TTopLinAbscissa* absc);
    // Removes the segment at i together with its first vertex from the line and shifts the Index of
    // the later segments of the run back by one. References to it from the first run are cleared.
    void DeleteAbsc(int i);
    // entityEnd: i is the last segment of its run; physicaly: i is its line's last segment;
    // logicaly: the line is to be cut at i's end (the next segment of the run starts a piece).
    void GiveEndProps(int i, bool& entityEnd, bool& physicaly, bool& logicaly) const;
    bool ContainLine(const TPolyLineElement* line) const;
    // Some segment was divided, is to become a line end or repeats an old segment.
    bool IsChanged() const;
    bool IsRunChanged(int first, int last) const;
};

// A vertex of another line near a segment, with the foot of its perpendicular on the segment.
class TAbscPoint : public TElement {
    ZELTO_CLASS(TAbscPoint, TElement)
public:
    double X = 0, Y = 0;
    double PataX = 0, PataY = 0;
    TPolyLineElement* Line = nullptr; // not owned
};

// The points at which one segment is to be divided, in ascending distance of their feet from the
// segment's first vertex.
class TPointsLine : public TEntity {
    ZELTO_CLASS(TPointsLine, TEntity)
public:
    double StartX = 0, StartY = 0;

    // Adds the other segment's begin (or end) with its foot; a point as far as existing ones goes
    // after them.
    void AddPoint(const TTopLinAbscissa* absc, bool begin, double pataX, double pataY);
    double StartDist(int i) const;
    TAbscPoint* GetPoint(int i) const { return zelto_cast<TAbscPoint>(Get(i)); }
};

// The protocol settings shared by the comparison tools.
class TProtocolTool : public TTool {
    ZELTO_CLASS(TProtocolTool, TTool)
public:
    QString FProtocol;
    bool FUseProtocol = false;
    qint32 FProtocoledLine = 0;

    // Names the protocol file. The file is created or emptied before the first line is written
    // (or by PrepareProtocol), not when the name is set, so that reading a stored tool never
    // touches a file.
    void SetProtocol(const QString& text);
    // Appends the text as a line when UseProtocol is set.
    void AddToProtocol(const QString& text);
    // A failure text: to the protocol file and to the notifier's protocol.
    void ReportToProtocol(const QString& text);
    void PrepareProtocol();
    // Hands the protocol settings (an already prepared file) to another tool.
    void CopyProtocolTo(TProtocolTool& other) const;

    // The named file is still to be created or emptied.
    bool m_protocolPending = false;
};

// Compares one line with the lines of the quadtree and snaps and joins it with them.
class TLinComparator : public TProtocolTool {
    ZELTO_CLASS(TLinComparator, TProtocolTool)
public:
    TQTreeTopLin* QTree = nullptr; // not owned
    double SnapDistance = 0;
    bool OnlyEnds = false;
    bool SelfTest = false;
    bool CompareOnlyDifferentSource = false;
    TElement* RefContainer = nullptr; // the new line's source

    // Input: the new line. Output: its segment list, owned by the caller (none on failure).
    void DoIt() override;
};

// A line -> a new segment list of its segments (owned by the caller).
class TCreateLinesAbscEntity : public TTool {
    ZELTO_CLASS(TCreateLinesAbscEntity, TTool)
public:
    void DoIt() override;
};

// A segment list -> a new quadtree of its segments (owned by the caller).
class TCreateLinQTreeAbsc : public TTool {
    ZELTO_CLASS(TCreateLinQTreeAbsc, TTool)
public:
    void DoIt() override;
};

// Input: the line quadtree. Appends to LinesAbsc the segments of the old lines that lie within
// the tolerance of a segment in QTreeAbsc, or without QTreeAbsc of a segment already listed.
class TAddLinesIntoLinesAbscEntity : public TTool {
    ZELTO_CLASS(TAddLinesIntoLinesAbscEntity, TTool)
public:
    TLinesAbscEntity* LinesAbsc = nullptr; // not owned
    TQTreeTopLinAbsc* QTreeAbsc = nullptr; // not owned
    double Tolerance = 0;
    bool CompareOnlyDifferentSource = false;
    TElement* RefContainer = nullptr;

    void DoIt() override;
};

// Removes the segments of the first run whose ends are equal or (snap > 0) within the snap
// distance.
class TDeleteZeroAbscInFirstLine : public TProtocolTool {
    ZELTO_CLASS(TDeleteZeroAbscInFirstLine, TProtocolTool)
public:
    double SnapDistance = 0;
    void DoIt() override;
};

// Snaps vertices of the new line onto the nearest vertex of the old lines (point to point).
class TPoinPointJoiner : public TProtocolTool {
    ZELTO_CLASS(TPoinPointJoiner, TProtocolTool)
public:
    double SnapDistance = 0;
    bool OnlyEnds = false;
    bool SelfTest = false;
    void DoIt() override;
};

// Snaps vertices of the new line onto old segments (new point onto an old segment), dividing
// them there with DivideOldLine.
class TNewPointOldAbscJoiner : public TProtocolTool {
    ZELTO_CLASS(TNewPointOldAbscJoiner, TProtocolTool)
public:
    double SnapDistance = 0;
    bool DivideOldLine = true;
    bool OnlyEnds = false;
    bool SelfTest = false;
    void DoIt() override;
};

// Gives the new line a vertex, and a line end, at every old vertex within the snap distance of
// its segments (old point onto a new segment).
class TNewAbscOldPointJoiner : public TProtocolTool {
    ZELTO_CLASS(TNewAbscOldPointJoiner, TProtocolTool)
public:
    double SnapDistance = 0;
    bool SelfTest = false;
    void DoIt() override;
};

// Segment to segment: marks repeated segments, common vertices and crossings; crossing segments
// are both divided at the intersection.
class TAbscAbscJoiner : public TProtocolTool {
    ZELTO_CLASS(TAbscAbscJoiner, TProtocolTool)
public:
    bool SelfTest = false;
    void DoIt() override;
};

// Divides the segments of the list that are longer than MaxOutputAbscLength.
class TDivideAbscs : public TProtocolTool {
    ZELTO_CLASS(TDivideAbscs, TProtocolTool)
public:
    // A segment is divided into at most this many pieces (longer ones stay whole, with a protocol
    // text), so that a tiny maximum cannot exhaust memory.
    static constexpr qint64 MaxPiecesPerSegment = 10000;

    double MaxOutputAbscLength = 0;
    double RoundKoef = 0;
    bool DivideLines = false;
    void DoIt() override;
};

// Cuts the changed lines of a segment list into pieces and enters the pieces (and the unchanged
// new line) into QTree. Owners of a cut line learn of each piece by the divide-geometry message.
class TSaveChangedLines : public TProtocolTool {
    ZELTO_CLASS(TSaveChangedLines, TProtocolTool)
public:
    TQTreeTopLin* QTree = nullptr; // not owned
    double MinLength = 0;
    bool PrepocitavatPopBodyLinii = false;

    void DoIt() override;

private:
    // Cuts the line of the run [first, last] into pieces; the caller frees the line.
    void cutRun(TLinesAbscEntity& list, int first, int last);
};

// The joiner.
class TJoinLines : public TTool {
    ZELTO_CLASS(TJoinLines, TTool)
public:
    double FSnapDistance = 0;
    double FMinLength = 0;
    bool FOnlyEnds = false;
    bool FSelfTest = false;
    bool FPrepocitavatPopBodyLinii = false;
    bool FCompareOnlyDifferentSource = false;
    double FMaxOutputAbscLength = 0;
    double FRoundKoef = 0;
    bool FDivideOutputLines = false;
    QString FProtocol;
    bool FUseProtocol = false;
    qint32 FProtocoledLine = 0;
    TEntity* FFixedLines = nullptr; // not owned
    TQTreeTopLin* QTree = nullptr;  // the output; the caller frees it

    // Input: a rectangle entity whose children include the lines. Output: the line quadtree.
    void DoIt() override;
    // Joins one line with the lines already in QTree.
    void Process(TElement* element);

    void SetProtocol(const QString& text);
    QString GetProtocol() const { return FProtocol; }
    void SetFixedLines(TEntity* lines) { FFixedLines = lines; }
    TEntity* GetFixedLines() const { return FFixedLines; }
    void SetSnapDistance(double v) { FSnapDistance = v; }
    void SetMinLength(double v) { FMinLength = v; }
    void SetOnlyEnds(bool v) { FOnlyEnds = v; }
    void SetSelfTest(bool v) { FSelfTest = v; }
    void SetCompareOnlyDifferentSource(bool v) { FCompareOnlyDifferentSource = v; }

private:
    void protocolSettings(TProtocolTool& tool) const;
    // A protocol text of the run: the protocol file (with UseProtocol) and the notifier.
    void report(const QString& text);
    bool m_protocolPending = false;
};

// The lines the joiner can work on: plain polylines. A composite line's vertices belong to its
// member lines, so it is neither joined nor compared with.
TPolyLineElement* JoinableLine(TElement* e);
// The object register of the nearest owner that is a registered geometry element, or none.
TElement* LineSource(const TPolyLineElement* line);

struct TLineJoiningRequest;
// The line-joining step of the areas pipeline (TClearLines): TJoinLines on the collected lines with
// the fixed lines, the snap distance, SelfTest and OnlyEnds, comparing lines of any source. Raises
// when the joiner failed (it has shown its error).
void JoinLinesStep(const TLineJoiningRequest& request);

// Module 35 (line joining): TJoinLines; installs JoinLinesStep as the areas pipeline's line-joining
// step.
void registerLineJoiningClasses();

} // namespace zelto
