#include "T_LinJoi.h"

#include "framework/Errors.h"
#include "framework/Notifier.h"
#include "framework/U_String.h"
#include "framework/e_Class.h"
#include "geometry/AnalInt.h"
#include "geometry/MathLib.h"
#include "topobjects/E_Reg.h"
#include "topology/T_ToTool.h"
#include "topology/t_AreMak.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <exception>
#include <memory>
#include <vector>

namespace zelto {

namespace {

// Coordinates the quadtree grid can index (its arithmetic ends at ±2^27, and a root square must fit
// within it); a line beyond them could be neither found nor entered, so it is not joined.
constexpr double MaxJoinCoordinate = 1e8;

// The crossing of two segments counts only inside both boxes: the intersection formula judges a
// nearly axis-parallel segment on one axis only, which would accept points far beyond its ends.
constexpr double CrossingSlack = 1e-6;

// A line of up to this many segments is compared without a segment tree (TLinComparator).
constexpr int ScannedSegments = 4 * TQTreeTopLinAbsc::LeafCount;

QString errorText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

QString lineNumber(const TPolyLineElement* line) {
    return line ? line->GetPropertyStringByName(QStringLiteral("Cislo")) : QString();
}

// Every vertex is a finite coordinate within the indexable range.
bool usableLine(const TPolyLineElement* line) {
    for (TElement* e : line->FElements) {
        const auto* c = zelto_cast<T2DCoordinate>(e);
        if (!c || !std::isfinite(c->FX) || !std::isfinite(c->FY) || std::abs(c->FX) > MaxJoinCoordinate ||
            std::abs(c->FY) > MaxJoinCoordinate)
            return false;
    }
    return true;
}

// Enters a line into the quadtree, growing the root when the line lies outside it.
void indexLine(TQTree* tree, TPolyLineElement* line) {
    try {
        tree->Extend(line);
    } catch (const std::exception&) {
        tree->Add(line);
    }
}

// The end of the first run, which belongs to `newLine` (-1 when the list no longer starts with it).
int headEnd(const TLinesAbscEntity& l, const TPolyLineElement* newLine) {
    if (l.Count() == 0 || l.GetLine(0) != newLine) return -1;
    return l.GetLastAbscIndexForSameLine(0);
}

// The box a comparison uses for a candidate segment: its listed box when it has one (see
// TTopLinAbscissa::FHasListedBox; it bounds the segment, which the caller then compares on its real
// vertices), else its own box. False when the segment has no box.
bool candidateBox(const TTopLinAbscissa* b, double& x0, double& y0, double& x1, double& y1) {
    if (!b->FHasListedBox) return b->GetBox(x0, y0, x1, y1);
    x0 = b->FListedBox[0];
    y0 = b->FListedBox[1];
    x1 = b->FListedBox[2];
    y1 = b->FListedBox[3];
    return true;
}

// The box of the segment being compared, read once for a scan over the candidates; whoever moves
// the segment's vertices during the scan reads it again (refresh).
class SegmentBox {
public:
    explicit SegmentBox(const TTopLinAbscissa* s) : m_segment(s) { refresh(); }
    void refresh() { m_valid = m_segment->GetBox(m_x0, m_y0, m_x1, m_y1); }
    // The boxes of the segment and of b (its candidate box) come within the tolerance of each other.
    bool meets(const TTopLinAbscissa* b, double tolerance) const {
        if (!m_valid) return false;
        double x0, y0, x1, y1;
        return candidateBox(b, x0, y0, x1, y1) && meets(x0, y0, x1, y1, tolerance);
    }
    // The same for a box: every box within one that this misses is missed as well.
    bool meets(double x0, double y0, double x1, double y1, double tolerance) const {
        return m_valid && m_x0 - tolerance <= x1 && m_x1 + tolerance >= x0 && m_y0 - tolerance <= y1 &&
               m_y1 + tolerance >= y0;
    }
    bool valid() const { return m_valid; }

private:
    const TTopLinAbscissa* m_segment;
    bool m_valid = false;
    double m_x0 = 0, m_y0 = 0, m_x1 = 0, m_y1 = 0;
};

// The candidates of the self test among the new line's own segments (positions 0 .. head of the
// list). Each segment of a long line would otherwise be compared with every later one of the same
// line, which is quadratic in the line's length. The positions are grouped in blocks of
// consecutive segments, which lie close together along the line, the blocks in groups, and so on
// up to one group of all; each keeps the union of its segments' candidate boxes, and a scan skips
// the largest group or block about the next position whose union its segment's box misses (it
// would pass over each of their segments). While a scan moves vertices, the unions only grow
// (moved), so they always hold every segment's current box; a division within the line shifts the
// positions (the head moves on), and the unions are built again at the next question. Positions
// past the head, and all positions of a short line, are answered one by one as before.
class SelfCandidates {
public:
    SelfCandidates(const TLinesAbscEntity& l, bool selfTest, int head)
        : m_list(l), m_on(selfTest && head + 1 > ScannedSegments) {}

    // The first position from j on whose segment can meet the box within the tolerance.
    int next(int j, int head, const SegmentBox& box, double tolerance) {
        if (!m_on || j > head) return j;
        if (!box.valid()) return head + 1; // no candidate meets a segment without a box
        if (head != m_head) build(head);
        auto hit = [&](const Rect& r) { return r.any && box.meets(r.x0, r.y0, r.x1, r.y1, tolerance); };
        while (j <= head) {
            size_t node = size_t(j) >> Shift;
            if (hit(m_levels[0][node])) return j;
            size_t level = 0;
            while (level + 1 < m_levels.size() && !hit(m_levels[level + 1][node >> Shift])) {
                node >>= Shift;
                ++level;
            }
            // Past the missed node: it holds the positions up to the next multiple of its size.
            j = int(std::min((node + 1) << (Shift * (level + 1)), size_t(head) + 1));
        }
        return head + 1;
    }
    // The vertices of the segment at the position moved: it and its neighbours on the line may
    // lie elsewhere now.
    void moved(int position, int head) {
        if (!m_on || head != m_head) return;
        for (int q = std::max(0, position - 1); q <= std::min(head, position + 1); ++q) add(q);
    }

private:
    static constexpr int Shift = 5; // 32 positions a block, 32 blocks or groups a group
    struct Rect {
        bool any = false;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    void build(int head) {
        m_head = head;
        m_levels.clear();
        size_t n = (size_t(head) >> Shift) + 1;
        for (;;) {
            m_levels.emplace_back(n);
            if (n == 1) break;
            n = ((n - 1) >> Shift) + 1;
        }
        for (int q = 0; q <= head; ++q) add(q);
    }
    void add(int q) {
        double x0, y0, x1, y1;
        if (!candidateBox(m_list.GetAbsc(q), x0, y0, x1, y1)) return;
        // A box with a NaN meets nothing; in a union it would hide the others.
        if (std::isnan(x0) || std::isnan(y0) || std::isnan(x1) || std::isnan(y1)) return;
        size_t node = size_t(q);
        for (std::vector<Rect>& level : m_levels) {
            node >>= Shift;
            Rect& r = level[node];
            if (!r.any) {
                r = {true, x0, y0, x1, y1};
                continue;
            }
            r.x0 = std::min(r.x0, x0);
            r.y0 = std::min(r.y0, y0);
            r.x1 = std::max(r.x1, x1);
            r.y1 = std::max(r.y1, y1);
        }
    }

    const TLinesAbscEntity& m_list;
    const bool m_on;
    int m_head = -2;                         // the head the unions were built for
    std::vector<std::vector<Rect>> m_levels; // the blocks, then each level of groups
};

bool isNextOnSameLine(const TTopLinAbscissa* p, const TTopLinAbscissa* b) {
    return b->FLine == p->FLine && b->FIndex == p->FIndex + 1;
}

// Points closer than this are one point: about 500 units in the last place of the coordinates.
// Rounding can put a computed crossing a hair beside a vertex that already lies on both segments;
// taken as a new point, it would leave a sliver that the next comparison crosses again, a hair
// further on, without end.
bool nearPoint(double x, double y, double px, double py) {
    const double resolution = 1e-10 * std::max({1.0, std::abs(x), std::abs(y)});
    return std::abs(x - px) <= resolution && std::abs(y - py) <= resolution;
}

// 1 when (x, y) is the segment's begin within the resolution, 2 its end, 0 neither.
int nearEnd(const TTopLinAbscissa* a, double x, double y) {
    if (nearPoint(x, y, a->GetX1(), a->GetY1())) return 1;
    if (nearPoint(x, y, a->GetX2(), a->GetY2())) return 2;
    return 0;
}

// Divides the segment at position j at (x, y) and inserts the new segment after it, unless the
// point is one of its ends (the vertex exists: a division there would only leave a zero-length
// segment or a sliver). Answers the new segment or none.
TTopLinAbscissa* divideAt(TLinesAbscEntity& l, int j, double x, double y, bool newEnd, int& head,
                          const TPolyLineElement* newLine) {
    TTopLinAbscissa* a = l.GetAbsc(j);
    if (!a || !a->IsValid() || nearEnd(a, x, y)) return nullptr;
    TTopLinAbscissa* n = a->CreateDividedWith(x, y);
    if (!n) return nullptr;
    n->FIsNewEnd = newEnd;
    l.InsertAbsc(j + 1, n);
    if (n->FLine == newLine) ++head;
    return n;
}

// The point's foot lies on the segment closer than snap, and the point is nearer to the segment
// than to its ends (the rule of RelationToPoint).
bool pointNearSegment(const TTopLinAbscissa* a, double x, double y, double snap) {
    const double x1 = a->GetX1(), y1 = a->GetY1(), x2 = a->GetX2(), y2 = a->GetY2();
    bool onSegment = false;
    double fx, fy, dist;
    DejVztahyBod_Usecka(x, y, x1, y1, x2, y2, onSegment, fx, fy, dist);
    return onSegment && dist < snap && !(dist > Distance(fx, fy, x1, y1) || dist > Distance(fx, fy, x2, y2));
}

// A vertex of the new line's segment that lies within the resolution of (x, y) moves onto it, so
// that the two lines share the point exactly.
void alignEnd(TTopLinAbscissa* p, double x, double y) {
    if (const int e = nearEnd(p, x, y)) p->SetPoint(e == 1, x, y);
}

// Progress of one joiner over a list: shown for lists of more than 1000 segments; pending
// user-interface events are processed at every tenth segment in any case.
class JoinProgress {
public:
    JoinProgress(TTool& tool, const TLinesAbscEntity& l, const QString& caption, QString stepText)
        : m_tool(tool), m_on(l.Count() > 1000), m_text(std::move(stepText)) {
        if (m_on) m_tool.StartProgress(caption, 0, l.Count());
    }
    ~JoinProgress() {
        if (!m_on) return;
        m_tool.SetProgressText(QStringLiteral("OK."));
        m_tool.EndProgress();
    }
    void step(int i) {
        if (i % 10 != 0) return;
        if (m_on) {
            m_tool.SetProgress(i);
            m_tool.SetProgressText(m_text + QString::number(i));
        }
    }

private:
    TTool& m_tool;
    bool m_on;
    QString m_text;
};

} // namespace

TPolyLineElement* JoinableLine(TElement* e) {
    auto* line = zelto_cast<TPolyLineElement>(e);
    return line && !line->Is<TMultiPolyLineElement>() ? line : nullptr;
}

TElement* LineSource(const TPolyLineElement* line) {
    if (!line) return nullptr;
    // Breadth first over the owners, so that the nearest registered element decides.
    std::deque<const TElement*> queue{line};
    QSet<const TElement*> seen{line};
    int budget = 10000;
    while (!queue.empty() && budget-- > 0) {
        const TElement* e = queue.front();
        queue.pop_front();
        for (int i = 0; i < e->GetOwnersCount(); ++i) {
            TEntity* owner = e->GetOwnerEntity(i);
            if (!owner || seen.contains(owner)) continue;
            if (const auto* reg = zelto_cast<TRegisteredGeometryElement>(owner))
                return reg->GetObjectRegister();
            seen.insert(owner);
            queue.push_back(owner);
        }
    }
    return nullptr;
}

// ---- TLinesAbscEntity ----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TLinesAbscEntity, TEntity, "T_LinJoi")

TPolyLineElement* TLinesAbscEntity::GetLine(int i) const {
    const TTopLinAbscissa* a = GetAbsc(i);
    return a ? a->FLine : nullptr;
}

qint32 TLinesAbscEntity::GetIndex(int i) const {
    const TTopLinAbscissa* a = GetAbsc(i);
    return a ? a->FIndex : -1;
}

namespace {

void checkSegment(const TElement* element) {
    if (element && !zelto_cast<TTopLinAbscissa>(element))
        throw EListError(QStringLiteral("TLinesAbscEntity: %1 is not a segment").arg(element->ClassName()));
}

} // namespace

void TLinesAbscEntity::AddElement(TElement* element) {
    checkSegment(element);
    TEntity::AddElement(element);
}

void TLinesAbscEntity::InsertElement(int index, TElement* element) {
    checkSegment(element);
    TEntity::InsertElement(index, element);
}

void TLinesAbscEntity::Put(int index, TElement* element) {
    checkSegment(element);
    TEntity::Put(index, element);
}

int TLinesAbscEntity::GetLastAbscIndexForSameLine(int i) const {
    if (i < 0 || i >= Count()) return -1;
    const TPolyLineElement* line = GetLine(i);
    int j = i;
    while (j + 1 < Count() && GetLine(j + 1) == line) ++j;
    return j;
}

void TLinesAbscEntity::InsertAbsc(int i, TTopLinAbscissa* absc) {
    if (!absc || i < 0 || i > Count()) return;
    InsertElement(i, absc);
    for (int j = i + 1; j < Count() && GetLine(j) == absc->FLine; ++j) ++GetAbsc(j)->FIndex;
}

void TLinesAbscEntity::DeleteAbsc(int i) {
    TTopLinAbscissa* a = GetAbsc(i);
    if (!a) return;
    if (TPolyLineElement* line = a->FLine; line && a->FIndex >= 0 && a->FIndex < line->ElementsCount())
        line->FreeElementIndex(a->FIndex);
    for (int j = i + 1; j < Count() && GetLine(j) == a->FLine; ++j) --GetAbsc(j)->FIndex;
    // A segment of the first run that repeated this one repeats nothing any more.
    const TPolyLineElement* first = GetLine(0);
    for (int j = 0; j < Count() && GetLine(j) == first; ++j)
        if (TTopLinAbscissa* h = GetAbsc(j); h->FNewAbscissa == a) {
            h->FNewAbscissa = nullptr;
            h->FIsDeleted = false;
            h->FSwap = false;
        }
    FreeElementIndex(i);
}

void TLinesAbscEntity::GiveEndProps(int i, bool& entityEnd, bool& physicaly, bool& logicaly) const {
    const TTopLinAbscissa* a = GetAbsc(i);
    entityEnd = physicaly = logicaly = false;
    if (!a) return;
    const TTopLinAbscissa* next = i + 1 < Count() && GetLine(i + 1) == a->FLine ? GetAbsc(i + 1) : nullptr;
    entityEnd = next == nullptr;
    physicaly = a->GetIsLast();
    // A repeated segment is always a piece of its own, so that the segments after it are never
    // handed over with it.
    logicaly = next && (next->FIsNewEnd || next->FIsDeleted || (a->FIsDeleted && !next->FIsDeleted));
}

bool TLinesAbscEntity::ContainLine(const TPolyLineElement* line) const {
    for (int i = 0; i < Count(); ++i)
        if (GetLine(i) == line) return true;
    return false;
}

bool TLinesAbscEntity::IsRunChanged(int first, int last) const {
    for (int i = std::max(first, 0); i <= last && i < Count(); ++i) {
        const TTopLinAbscissa* a = GetAbsc(i);
        if (a && (a->FIsNew || a->FIsNewEnd || a->FIsDeleted)) return true;
    }
    return false;
}

bool TLinesAbscEntity::IsChanged() const {
    return IsRunChanged(0, Count() - 1);
}

// ---- TAbscPoint / TPointsLine --------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TAbscPoint, TElement, "T_LinJoi")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TPointsLine, TEntity, "T_LinJoi")

void TPointsLine::AddPoint(const TTopLinAbscissa* absc, bool begin, double pataX, double pataY) {
    if (!absc) return;
    auto* p = new TAbscPoint;
    absc->GetPoint(begin, p->X, p->Y);
    p->PataX = pataX;
    p->PataY = pataY;
    p->Line = absc->FLine;
    const double d = Distance(StartX, StartY, pataX, pataY);
    int at = ElementsCount();
    while (at > 0 && StartDist(at - 1) > d) --at;
    InsertElement(at, p);
}

double TPointsLine::StartDist(int i) const {
    const TAbscPoint* p = GetPoint(i);
    return p ? Distance(StartX, StartY, p->PataX, p->PataY) : 0;
}

// ---- TProtocolTool -------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TProtocolTool, TTool, "T_LinJoi")

void TProtocolTool::SetProtocol(const QString& text) {
    FProtocol = text;
    m_protocolPending = !text.isEmpty();
}

void TProtocolTool::PrepareProtocol() {
    if (!m_protocolPending) return;
    m_protocolPending = false;
    QFile f(FProtocol);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        notifier().error(QStringLiteral("Protocol ") + FProtocol + QStringLiteral(" open error"));
}

void TProtocolTool::AddToProtocol(const QString& text) {
    if (!FUseProtocol || FProtocol.isEmpty()) return;
    const bool fresh = m_protocolPending;
    m_protocolPending = false;
    QFile f(FProtocol);
    if (!f.open(QIODevice::WriteOnly | (fresh ? QIODevice::Truncate : QIODevice::Append))) {
        notifier().error(QStringLiteral("Protocol ") + FProtocol + QStringLiteral(" open error"));
        return;
    }
    // UTF-8, one text per line.
    f.write((text + QLatin1Char('\n')).toUtf8());
}

void TProtocolTool::ReportToProtocol(const QString& text) {
    AddToProtocol(text);
    notifier().protocol(text);
}

void TProtocolTool::CopyProtocolTo(TProtocolTool& other) const {
    other.FProtocol = FProtocol;
    other.FUseProtocol = FUseProtocol;
    other.FProtocoledLine = FProtocoledLine;
    other.m_protocolPending = false;
}

// ---- building the segment list -------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TCreateLinesAbscEntity, TTool, "T_LinJoi")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCreateLinQTreeAbsc, TTool, "T_LinJoi")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TAddLinesIntoLinesAbscEntity, TTool, "T_LinJoi")

void TCreateLinesAbscEntity::DoIt() {
    TTool::DoIt();
    auto* line = zelto_cast<TPolyLineElement>(FInPut);
    if (!line) return;
    auto* list = new TLinesAbscEntity;
    const bool plain = TTopLinAbscissa::IsPlainLine(line);
    const int n = line->GetCoordsCount();
    for (int i = 0; i + 1 < n; ++i) {
        auto* a = new TTopLinAbscissa(line, i);
        a->FPlainLine = plain;
        list->AddElement(a);
    }
    SetOutput(list);
}

void TCreateLinQTreeAbsc::DoIt() {
    TTool::DoIt();
    auto* list = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!list) return;
    auto* tree = new TQTreeTopLinAbsc;
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (int i = 0; i < list->Count(); ++i) {
        double ax0, ay0, ax1, ay1;
        if (const TTopLinAbscissa* a = list->GetAbsc(i); a && a->GetBox(ax0, ay0, ax1, ay1)) {
            x0 = std::min(x0, ax0);
            y0 = std::min(y0, ay0);
            x1 = std::max(x1, ax1);
            y1 = std::max(y1, ay1);
        }
    }
    if (x0 <= x1 && y0 <= y1) {
        tree->SetForRectangle(x0, y0, x1, y1);
        for (int i = 0; i < list->Count(); ++i) tree->Add(list->GetAbsc(i));
    }
    SetOutput(tree);
}

void TAddLinesIntoLinesAbscEntity::DoIt() {
    TTool::DoIt();
    auto* tree = zelto_cast<TQTree>(FInPut);
    if (!tree || !LinesAbsc || (QTreeAbsc && QTreeAbsc->FQWidth <= 0)) return;
    // Lines already listed, and lines looked at once (the walker meets a line in every leaf it
    // crosses).
    QSet<const TPolyLineElement*> seen;
    // The box of the listed segments: only what comes within the tolerance of it can meet them.
    // (The segment tree's square is larger than that box in one direction, often by far.)
    double bx0 = 1e300, by0 = 1e300, bx1 = -1e300, by1 = -1e300;
    std::vector<std::array<double, 4>> boxes; // the listed segments' boxes, without a segment tree
    for (int i = 0; i < LinesAbsc->Count(); ++i) {
        seen.insert(LinesAbsc->GetLine(i));
        double x0, y0, x1, y1;
        if (LinesAbsc->GetAbsc(i)->GetBox(x0, y0, x1, y1)) {
            bx0 = std::min(bx0, x0);
            by0 = std::min(by0, y0);
            bx1 = std::max(bx1, x1);
            by1 = std::max(by1, y1);
            if (!QTreeAbsc) boxes.push_back({x0, y0, x1, y1});
        }
    }
    if (!(bx0 <= bx1 && by0 <= by1)) return;
    // Some listed segment's box meets the rectangle (edges included), as the segment tree answers.
    auto meetsListed = [&](double x0, double y0, double x1, double y1) {
        if (QTreeAbsc) return QTreeAbsc->HasElementOverRectangle(x0, y0, x1, y1);
        for (const auto& b : boxes)
            if (b[0] <= x1 && b[2] >= x0 && b[1] <= y1 && b[3] >= y0) return true;
        return false;
    };
    const double tol = Tolerance;
    const double qx0 = bx0 - tol, qy0 = by0 - tol, qx1 = bx1 + tol, qy1 = by1 + tol;
    TQTreeWalker walker;
    for (TElement* e = walker.GetFirstElementForRectangle(tree, bx0, by0, bx1, by1, tol); e;
         e = walker.GetNextElement()) {
        TPolyLineElement* line = JoinableLine(e);
        if (!line || seen.contains(line)) continue;
        seen.insert(line);
        if (CompareOnlyDifferentSource && LineSource(line) == RefContainer) continue;
        // Checked once here, so that the comparisons read the line's vertices without a check.
        const bool plain = TTopLinAbscissa::IsPlainLine(line);
        auto vertex = [line, plain](int i) {
            return plain ? static_cast<const T2DCoordinate*>(line->FElements.at(i))
                         : line->GetCoordElement(i);
        };
        const int n = line->GetCoordsCount();
        const T2DCoordinate* b = n > 0 ? vertex(0) : nullptr;
        for (int i = 0; i + 1 < n; ++i) {
            const T2DCoordinate* a = b;
            b = vertex(i + 1);
            if (!a || !b) continue;
            const double box[4] = {std::min(a->FX, b->FX), std::min(a->FY, b->FY), std::max(a->FX, b->FX),
                                   std::max(a->FY, b->FY)};
            const double sx0 = box[0] - tol, sy0 = box[1] - tol, sx1 = box[2] + tol, sy1 = box[3] + tol;
            if (sx0 > qx1 || sx1 < qx0 || sy0 > qy1 || sy1 < qy0) continue;
            if (meetsListed(sx0, sy0, sx1, sy1)) {
                auto* listed = new TTopLinAbscissa(line, i);
                listed->FPlainLine = plain;
                listed->FHasListedBox = true;
                std::copy(std::begin(box), std::end(box), std::begin(listed->FListedBox));
                LinesAbsc->AddElement(listed);
            }
        }
    }
}

// ---- TDeleteZeroAbscInFirstLine ------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDeleteZeroAbscInFirstLine, TProtocolTool, "T_LinJoi")

void TDeleteZeroAbscInFirstLine::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    const TPolyLineElement* newLine = l->GetLine(0);
    int i = 0;
    while (i < l->Count() && l->GetLine(i) == newLine) {
        TTopLinAbscissa* a = l->GetAbsc(i);
        const double x1 = a->GetX1(), y1 = a->GetY1(), x2 = a->GetX2(), y2 = a->GetY2();
        const bool zero =
            EqualPoints(x1, y1, x2, y2) || (SnapDistance > 0 && InTolerance(x1, y1, x2, y2, SnapDistance));
        if (!zero) {
            ++i;
            continue;
        }
        // The begin vertex goes; the neighbours take over what was decided about the point.
        TTopLinAbscissa* prev = i > 0 && l->GetLine(i - 1) == newLine ? l->GetAbsc(i - 1) : nullptr;
        TTopLinAbscissa* next =
            i + 1 < l->Count() && l->GetLine(i + 1) == newLine ? l->GetAbsc(i + 1) : nullptr;
        if (next) {
            next->FFixedBegin = next->FFixedBegin || a->FFixedBegin;
            if (a->FIsNewEnd && !a->GetIsFirst()) next->FIsNewEnd = true;
        } else if (prev) {
            prev->FFixedEnd = prev->FFixedEnd || a->FFixedEnd;
        }
        l->DeleteAbsc(i);
    }
}

// ---- TPoinPointJoiner ----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TPoinPointJoiner, TProtocolTool, "T_LinJoi")

void TPoinPointJoiner::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    const TPolyLineElement* newLine = l->GetLine(0);
    const int head = headEnd(*l, newLine);
    const double snap = SnapDistance;
    JoinProgress progress(*this, *l, QStringLiteral("Porovnání bodů"),
                          QStringLiteral("Porovnávání nových bodů s body: "));
    SelfCandidates candidates(*l, SelfTest, head);

    for (int i = 0; i <= head; ++i) {
        progress.step(i);
        TTopLinAbscissa* p = l->GetAbsc(i);
        const bool ends[2] = {!OnlyEnds || p->GetIsFirst(), p->GetIsLast()}; // begin, end

        // The nearest qualifying vertex among positions from..to for p's begin or end.
        auto nearest = [&](int from, int to, bool begin, double& bx, double& by) {
            double best = 1e30;
            bool found = false;
            const SegmentBox box(p);
            for (int j = candidates.next(from, head, box, snap); j <= to;
                 j = candidates.next(j + 1, head, box, snap)) {
                const TTopLinAbscissa* b = l->GetAbsc(j);
                if (!box.meets(b, snap)) continue;
                double x, y, d;
                for (bool otherBegin : {true, false}) {
                    if (otherBegin && !b->GetIsFirst()) continue;
                    if (p->IsJoinedPoint(begin, b, otherBegin, x, y, d, snap) && d < best) {
                        best = d;
                        bx = x;
                        by = y;
                        found = true;
                    }
                }
            }
            return found;
        };
        auto pass = [&](int from, int to, bool fix) {
            double x[2], y[2];
            bool win[2] = {false, false};
            for (int k = 0; k < 2; ++k)
                if (ends[k]) win[k] = nearest(from, to, k == 0, x[k], y[k]);
            for (int k = 0; k < 2; ++k)
                if (win[k]) {
                    const bool joined = p->JoinToPoint(k == 0, x[k], y[k], snap);
                    candidates.moved(i, head);
                    if (joined && fix) p->SetFixed(k == 0, true);
                }
        };
        if (SelfTest) pass(i + 1, head, false);
        pass(head + 1, l->Count() - 1, true);
    }
}

// ---- TNewPointOldAbscJoiner ----------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TNewPointOldAbscJoiner, TProtocolTool, "T_LinJoi")

void TNewPointOldAbscJoiner::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    const TPolyLineElement* newLine = l->GetLine(0);
    int head = headEnd(*l, newLine);
    const double snap = SnapDistance;
    JoinProgress progress(*this, *l, QStringLiteral("Nové body a staré úsečky"),
                          QStringLiteral("Porovnávání nových bodů s úsečkami: "));
    SelfCandidates candidates(*l, SelfTest, head);

    for (int i = 0; i <= head; ++i) {
        progress.step(i);
        TTopLinAbscissa* p = l->GetAbsc(i);
        if (OnlyEnds && !p->GetIsMargin()) continue;
        SegmentBox box(p);
        for (int j = candidates.next(SelfTest ? i + 1 : head + 1, head, box, snap); j < l->Count();
             j = candidates.next(j + 1, head, box, snap)) {
            const TTopLinAbscissa* b = l->GetAbsc(j);
            if (!box.meets(b, snap)) continue;
            double px, py;
            // The begin onto b: the second half of b is the next candidate. A foot at one of b's
            // ends is that end.
            if (!p->FFixedBegin && (!OnlyEnds || p->GetIsFirst()) && p->JoinToAbsc(true, b, px, py, snap)) {
                if (const int e = nearEnd(b, px, py)) {
                    b->GetPoint(e == 1, px, py);
                    p->SetPoint(true, px, py);
                } else if (DivideOldLine) {
                    divideAt(*l, j, px, py, false, head, newLine);
                }
                box.refresh();
                candidates.moved(i, head);
            }
            // The end of the last segment onto b: the second half is not examined.
            b = l->GetAbsc(j);
            if (p->GetIsLast() && !p->FFixedEnd && p->JoinToAbsc(false, b, px, py, snap)) {
                if (const int e = nearEnd(b, px, py)) {
                    b->GetPoint(e == 1, px, py);
                    p->SetPoint(false, px, py);
                } else if (DivideOldLine && divideAt(*l, j, px, py, false, head, newLine)) {
                    ++j;
                }
                box.refresh();
                candidates.moved(i, head);
            }
        }
    }
}

// ---- TNewAbscOldPointJoiner ----------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TNewAbscOldPointJoiner, TProtocolTool, "T_LinJoi")

void TNewAbscOldPointJoiner::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    const TPolyLineElement* newLine = l->GetLine(0);
    int head = headEnd(*l, newLine);
    const double snap = SnapDistance;
    JoinProgress progress(*this, *l, QStringLiteral("Nové úsečky - staré body"),
                          QStringLiteral("Porovnávání nových úseček s body: "));
    SelfCandidates candidates(*l, SelfTest, head);

    int i = 0;
    while (i <= head) {
        progress.step(i);
        TTopLinAbscissa* p = l->GetAbsc(i);
        TPointsLine points;
        p->GetPoint(true, points.StartX, points.StartY);
        const SegmentBox box(p); // p stays as it is while the old points are collected
        for (int j = candidates.next(SelfTest ? i + 1 : head + 1, head, box, snap); j < l->Count();
             j = candidates.next(j + 1, head, box, snap)) {
            const TTopLinAbscissa* b = l->GetAbsc(j);
            if (isNextOnSameLine(p, b) || !box.meets(b, snap)) continue;
            for (bool begin : {true, false}) {
                if (!begin && !b->GetIsLast()) continue;
                double fx, fy, px, py;
                bool danger, nearPoint;
                p->RelationToPoint(b, begin, fx, fy, px, py, danger, nearPoint, snap);
                if (nearPoint && !danger) points.AddPoint(b, begin, fx, fy);
            }
        }
        // Divided at the old points themselves: the first cut splits p, each further one the
        // newest piece.
        // A point is taken only while it is still near the piece it cuts: bent through one old
        // point, the line would otherwise zigzag to every further point listed for the straight
        // segment, and each zigzag would cross more old lines for the next line to bend through.
        int piece = i;
        for (int k = 0; k < points.ElementsCount(); ++k) {
            const TAbscPoint* pt = points.GetPoint(k);
            TTopLinAbscissa* cur = l->GetAbsc(piece);
            if (nearEnd(cur, pt->X, pt->Y)) {
                alignEnd(cur, pt->X, pt->Y); // the new line's vertex is the old point
                candidates.moved(piece, head);
                continue;
            }
            if (k > 0 && !pointNearSegment(cur, pt->X, pt->Y, snap)) continue;
            if (divideAt(*l, piece, pt->X, pt->Y, true, head, newLine)) ++piece;
        }
        i = piece + 1;
    }
}

// ---- TAbscAbscJoiner -----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TAbscAbscJoiner, TProtocolTool, "T_LinJoi")

namespace {

// The line is to be cut at the segment's begin (meaningless for a line's first segment).
void markEnd(TTopLinAbscissa* x) {
    x->FIsNewEnd = !x->GetIsFirst();
}

// The intersection of two segments when it lies on both.
bool crossing(const TTopLinAbscissa* p, const TTopLinAbscissa* b, double& x, double& y) {
    bool parallel = false, onFirst = false, onSecond = false;
    PrusecikUsecek(p->GetX1(), p->GetY1(), p->GetX2(), p->GetY2(), b->GetX1(), b->GetY1(), b->GetX2(),
                   b->GetY2(), x, y, parallel, onFirst, onSecond);
    if (parallel || !onFirst || !onSecond || !std::isfinite(x) || !std::isfinite(y)) return false;
    for (const TTopLinAbscissa* s : {p, b})
        if (x < s->GetXmin() - CrossingSlack || x > s->GetXmax() + CrossingSlack ||
            y < s->GetYmin() - CrossingSlack || y > s->GetYmax() + CrossingSlack)
            return false;
    return true;
}

} // namespace

void TAbscAbscJoiner::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    const TPolyLineElement* newLine = l->GetLine(0);
    int head = headEnd(*l, newLine);
    JoinProgress progress(*this, *l, QStringLiteral("Nové a staré úsečky"),
                          QStringLiteral("Porovnávání nových úseček s úsečkami: "));
    // Every pair of segments crosses once: more divisions than pairs mean that rounding keeps
    // producing crossings, and the rest are left alone.
    const qint64 maxDivisions = 2 * (qint64(head) + 1) * l->Count() + 16;
    qint64 divisions = 0;
    SelfCandidates candidates(*l, SelfTest, head);

    for (int i = 0; i <= head; ++i) {
        progress.step(i);
        SegmentBox box(l->GetAbsc(i)); // the segment at i stays the same object when divided
        for (int j = candidates.next(SelfTest ? i + 1 : head + 1, head, box, 0); j < l->Count();
             j = candidates.next(j + 1, head, box, 0)) {
            TTopLinAbscissa* p = l->GetAbsc(i);
            TTopLinAbscissa* b = l->GetAbsc(j);
            if (!box.meets(b, 0)) continue;
            bool id11, id21, id12, id22;
            p->IdentTest(b, id11, id21, id12, id22);
            if ((id11 && id22) || (id12 && id21)) {
                const bool reversed = !(id11 && id22);
                p->FIsDeleted = true;
                p->FSwap = reversed;
                p->FNewAbscissa = b;
                TTopLinAbscissa* afterB =
                    j + 1 < l->Count() && l->GetLine(j + 1) == b->FLine && l->GetIndex(j + 1) == b->FIndex + 1
                        ? l->GetAbsc(j + 1)
                        : nullptr;
                const bool first = p->GetIsFirst(), last = p->GetIsLast();
                if (!reversed) {
                    if (first) markEnd(b);
                    if (last && !b->GetIsLast() && afterB) afterB->FIsNewEnd = true;
                } else {
                    if (last) markEnd(b);
                    if (first && !b->GetIsLast() && afterB) afterB->FIsNewEnd = true;
                }
                break;
            }
            if (id11) {
                markEnd(p);
                markEnd(b);
            } else if (id12) {
                markEnd(p);
            } else if (id21) {
                if (!isNextOnSameLine(p, b)) markEnd(b);
            } else if (id22) {
                // Handled by the segments that follow.
            } else {
                double x, y;
                if (!crossing(p, b, x, y)) continue;
                if (divisions >= maxDivisions) {
                    if (divisions++ == maxDivisions)
                        ReportToProtocol(
                            QStringLiteral("Linie č. %1 má příliš mnoho průsečíků").arg(p->GetLineNo()));
                    continue;
                }
                // A crossing at a vertex of either segment is that vertex (the old line's first).
                if (const int e = nearEnd(b, x, y))
                    b->GetPoint(e == 1, x, y);
                else if (const int f = nearEnd(p, x, y))
                    p->GetPoint(f == 1, x, y);
                alignEnd(p, x, y);
                candidates.moved(i, head);
                if (divideAt(*l, i, x, y, true, head, newLine)) {
                    ++j; // b moved one position on
                    ++divisions;
                }
                if (divideAt(*l, j, x, y, true, head, newLine)) {
                    ++j; // the scan goes on after b's piece
                    ++divisions;
                }
                box.refresh();
            }
        }
    }

    // A division of an old segment survives only where it became a line end.
    for (int i = 0; i <= head; ++i)
        if (TTopLinAbscissa* p = l->GetAbsc(i);
            p->FNewAbscissa && p->FNewAbscissa->FIsNew && !p->FNewAbscissa->FIsNewEnd) {
            // The repeated half is merged back into its segment: this segment repeats nothing whole.
            p->FNewAbscissa = nullptr;
            p->FIsDeleted = false;
            p->FSwap = false;
        }
    for (int k = l->Count() - 1; k >= 1; --k)
        if (const TTopLinAbscissa* a = l->GetAbsc(k); a && a->FIsNew && !a->FIsNewEnd) l->DeleteAbsc(k);
}

// ---- TDivideAbscs --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TDivideAbscs, TProtocolTool, "T_LinJoi")

void TDivideAbscs::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    const double maxLength = MaxOutputAbscLength;
    if (!l || !(maxLength > 0) || !std::isfinite(maxLength)) return;
    int head = -1;    // divisions are not tracked per run here
    qint64 chain = 0; // divisions of the current original segment
    int i = 0;
    while (i < l->Count()) {
        TTopLinAbscissa* a = l->GetAbsc(i);
        const double length = a ? a->GetLength() : 0;
        if (!(length > maxLength) || !std::isfinite(length) || chain >= MaxPiecesPerSegment) {
            chain = 0;
            ++i;
            continue;
        }
        const double pieces = std::trunc(length / maxLength) + 1;
        if (chain == 0 && pieces > double(MaxPiecesPerSegment)) {
            ReportToProtocol(
                QStringLiteral("Úsečka linie č. %1 je pro dělení příliš dlouhá").arg(a->GetLineNo()));
            ++i;
            continue;
        }
        double x, y;
        GiveAbscPointByLength(a->GetX1(), a->GetY1(), a->GetX2(), a->GetY2(), length / pieces, RoundKoef, x,
                              y);
        // A division that would not shorten what is left (a grid can round the point back onto an
        // end) ends the division of this segment.
        if (!std::isfinite(x) || !std::isfinite(y) || !(Distance(x, y, a->GetX2(), a->GetY2()) < length) ||
            !divideAt(*l, i, x, y, DivideLines, head, nullptr)) {
            chain = 0;
            ++i;
            continue;
        }
        ++chain;
        ++i; // the new piece is examined next
    }
}

// ---- TSaveChangedLines ---------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSaveChangedLines, TProtocolTool, "T_LinJoi")

namespace {

// The vertices at which the line of the run [first, last] is to be cut: the begins of segments
// that become line ends, and both ends of repeated segments. Sorted, without duplicates, inner
// vertices only.
std::vector<int> cutVertices(const TLinesAbscEntity& l, int first, int last, const TPolyLineElement* line) {
    const int lastVertex = line->GetCoordsCount() - 1;
    std::vector<int> cuts;
    for (int k = first; k <= last; ++k) {
        const TTopLinAbscissa* a = l.GetAbsc(k);
        if (a->FIsNewEnd) cuts.push_back(a->FIndex);
        if (a->FIsDeleted) {
            cuts.push_back(a->FIndex);
            cuts.push_back(a->FIndex + 1);
        }
    }
    std::erase_if(cuts, [lastVertex](int v) { return v <= 0 || v >= lastVertex; });
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

} // namespace

void TSaveChangedLines::cutRun(TLinesAbscEntity& l, int first, int last) {
    TPolyLineElement* line = l.GetLine(first);
    const int lastVertex = line->GetCoordsCount() - 1;
    std::vector<int> bounds{0};
    for (int c : cutVertices(l, first, last, line)) bounds.push_back(c);
    bounds.push_back(lastVertex);

    const TPolyLineElement* lastHanded = nullptr;
    int k = first; // the run's segments, in Index order, walked along the pieces
    for (size_t b = 0; b + 1 < bounds.size(); ++b) {
        const int u = bounds[b], w = bounds[b + 1];
        const int from = k;
        while (k <= last && l.GetAbsc(k)->FIndex < w) ++k;
        const int to = k - 1;
        if (w <= u) continue;

        TTopLinAbscissa* repeated =
            w == u + 1 && from <= to && l.GetAbsc(from)->FIndex == u && l.GetAbsc(from)->FIsDeleted
                ? l.GetAbsc(from)
                : nullptr;
        TPolyLineElement* existing =
            repeated && repeated->FNewAbscissa ? repeated->FNewAbscissa->FLine : nullptr;
        if (existing == line) {
            // The line retraces itself: the later segment carries the geometry.
            for (int j = from; j <= to; ++j) l.GetAbsc(j)->FLine = nullptr;
            continue;
        }
        if (existing) {
            // The piece repeats an existing line: the owners take that line in this one's place.
            if (existing != lastHanded) {
                try {
                    line->SetAngle(repeated->FSwap ? 1 : 0);
                    existing->SetGIndex(line->GetGIndex());
                    line->PostMsgToOwners(tm_DivideGeometry, existing, DontKill);
                } catch (const std::exception&) {
                    notifier().error(QStringLiteral("hopla!"));
                }
                lastHanded = existing;
            }
            for (int j = from; j <= to; ++j) l.GetAbsc(j)->FLine = nullptr;
            continue;
        }

        auto* piece = new TPolyLineElement;
        piece->Assign(line);
        piece->SetName(line->GetName());
        piece->SetTimeStamp(line->GetTimeStamp());
        piece->SetUID(line->GetUID());
        piece->SetIsDone(line->GetIsDone());
        for (int v = u; v <= w; ++v)
            if (const T2DCoordinate* c = line->GetCoordElement(v)) piece->AddElement(c->CreateDuplicate());
        if (!(piece->GetLength() > MinLength)) {
            delete piece;
            for (int j = from; j <= to; ++j) l.GetAbsc(j)->FLine = nullptr;
            continue;
        }
        piece->RecalculateRect();
        piece->CalculateLabelProps();
        piece->SetGIndex(line->GetGIndex());
        line->SetAngle(0);
        line->PostMsgToOwners(tm_DivideGeometry, piece, DontKill);
        if (QTree) indexLine(QTree, piece);
        for (int j = from; j <= to; ++j) {
            TTopLinAbscissa* a = l.GetAbsc(j);
            a->FLine = piece;
            a->FIndex -= u;
        }
    }
    // Nothing may refer to the line once it is freed.
    for (int j = first; j <= last; ++j)
        if (TTopLinAbscissa* a = l.GetAbsc(j); a->FLine == line) a->FLine = nullptr;
}

void TSaveChangedLines::DoIt() {
    TTool::DoIt();
    auto* l = zelto_cast<TLinesAbscEntity>(FInPut);
    if (!l || l->Count() == 0) return;
    TPolyLineElement* newLine = l->GetLine(0);
    try {
        const int head = l->GetLastAbscIndexForSameLine(0);
        for (int s = head + 1; s < l->Count();) {
            const int e = l->GetLastAbscIndexForSameLine(s);
            TPolyLineElement* line = l->GetLine(s);
            if (line && l->IsRunChanged(s, e) && !cutVertices(*l, s, e, line).empty()) {
                cutRun(*l, s, e);
                delete line;
            }
            s = e + 1;
        }
        if (!newLine) return;
        if (!l->IsRunChanged(0, head)) {
            if (newLine->GetCoordsCount() > 1 && newLine->GetLength() > MinLength) {
                // Snapping may have moved vertices: the box (and the label) follow.
                newLine->RecalculateRect();
                if (PrepocitavatPopBodyLinii) newLine->CalculateLabelProps();
                if (QTree) indexLine(QTree, newLine);
            }
        } else {
            cutRun(*l, 0, head);
            delete newLine;
        }
    } catch (const std::exception& e) {
        // The number is read only for the report: it is a property looked up by name. (The line
        // is freed only after the last step that can fail.)
        notifier().error(
            QStringLiteral("Chyba při ukládání linie č. ") +
            QString::number(newLine ? newLine->GetPropertyLongIntByName(QStringLiteral("Cislo")) : -1) +
            QStringLiteral(" : ") + errorText(e));
    }
}

// ---- TLinComparator ------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TLinComparator, TProtocolTool, "T_LinJoi")

void TLinComparator::DoIt() {
    TTool::DoIt();
    SetOutput(nullptr);
    auto* line = JoinableLine(FInPut);
    if (!QTree || !line) return;
    try {
        TCreateLinesAbscEntity create;
        create.SetInput(line);
        create.DoIt();
        std::unique_ptr<TLinesAbscEntity> list(zelto_cast<TLinesAbscEntity>(create.GetOutput()));
        if (!list) return;
        {
            // The segment tree answers whether some segment's box meets a rectangle. For a line of
            // a few leaves' worth of segments, a scan of their boxes answers the same for less
            // than building the tree and asking it through a virtual test per segment (a usable
            // line only, whose boxes the tree's grid holds exactly).
            std::unique_ptr<TQTreeTopLinAbsc> tree;
            if (list->Count() > ScannedSegments || !usableLine(line)) {
                TCreateLinQTreeAbsc makeTree;
                makeTree.SetInput(list.get());
                makeTree.DoIt();
                tree.reset(zelto_cast<TQTreeTopLinAbsc>(makeTree.GetOutput()));
            }
            TAddLinesIntoLinesAbscEntity add;
            add.LinesAbsc = list.get();
            add.QTreeAbsc = tree.get();
            add.Tolerance = SnapDistance;
            add.CompareOnlyDifferentSource = CompareOnlyDifferentSource;
            add.RefContainer = RefContainer;
            add.SetInput(QTree);
            add.DoIt();
        }
        auto run = [&](TProtocolTool& tool) {
            if (list->ElementsCount() == 0) return false;
            CopyProtocolTo(tool);
            tool.SetNoProgress(GetNoProgress());
            tool.SetInput(list.get());
            tool.DoIt();
            return true;
        };
        auto dropExactZeros = [&] {
            TDeleteZeroAbscInFirstLine zero;
            run(zero);
        };
        if (!OnlyEnds) {
            TDeleteZeroAbscInFirstLine zero;
            zero.SnapDistance = SnapDistance;
            run(zero);
        }
        TPoinPointJoiner points;
        points.SnapDistance = SnapDistance;
        points.OnlyEnds = OnlyEnds;
        points.SelfTest = SelfTest;
        if (run(points)) dropExactZeros();
        TNewPointOldAbscJoiner onOld;
        onOld.SnapDistance = SnapDistance;
        onOld.DivideOldLine = true;
        onOld.OnlyEnds = OnlyEnds;
        onOld.SelfTest = SelfTest;
        if (run(onOld)) dropExactZeros();
        TNewAbscOldPointJoiner oldPoints;
        oldPoints.SnapDistance = SnapDistance;
        oldPoints.SelfTest = SelfTest;
        if (run(oldPoints)) dropExactZeros();
        TAbscAbscJoiner crossings;
        crossings.SelfTest = SelfTest;
        run(crossings);
        SetOutput(list.release());
    } catch (const std::exception& e) {
        ReportToProtocol(QStringLiteral("Chyba při komparaci linie č.") + lineNumber(line) +
                         QStringLiteral(": ") + errorText(e));
    }
}

// ---- TJoinLines ----------------------------------------------------------------------------------

void TJoinLines::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TJoinLines::FSnapDistance>("SnapDistance").def(0.0);
    b.field<&TJoinLines::FMinLength>("MinLength").def(0.0);
    b.field<&TJoinLines::FOnlyEnds>("OnlyEnds").def(qint64(0));
    b.field<&TJoinLines::FSelfTest>("SelfTest").def(qint64(0));
    b.field<&TJoinLines::FPrepocitavatPopBodyLinii>("PrepocitavatPopBodyLinii").def(qint64(0));
    b.field<&TJoinLines::FCompareOnlyDifferentSource>("CompareOnlyDifferentSource").def(qint64(0));
    b.field<&TJoinLines::FMaxOutputAbscLength>("MaxOutputAbscLength").def(0.0);
    b.field<&TJoinLines::FRoundKoef>("RoundKoef").def(0.0);
    b.field<&TJoinLines::FDivideOutputLines>("DivideOutputLines").def(qint64(0));
    b.prop<&TJoinLines::GetProtocol, &TJoinLines::SetProtocol>("Protocol").def("");
    b.field<&TJoinLines::FUseProtocol>("UseProtocol").def(qint64(0));
    b.field<&TJoinLines::FProtocoledLine>("ProtocoledLine").def(qint64(0));
    b.prop<&TJoinLines::GetFixedLines, &TJoinLines::SetFixedLines>("FixedLines");
}
ZELTO_IMPLEMENT_CLASS(TJoinLines, TTool, "T_LinJoi")

void TJoinLines::SetProtocol(const QString& text) {
    FProtocol = text;
    // The file is created or emptied when the joiner runs, never when a stored tool is read.
    m_protocolPending = !text.isEmpty();
}

void TJoinLines::protocolSettings(TProtocolTool& tool) const {
    tool.FProtocol = FProtocol;
    tool.FUseProtocol = FUseProtocol;
    tool.FProtocoledLine = FProtocoledLine;
    tool.m_protocolPending = false;
    tool.SetNoProgress(GetNoProgress());
}

void TJoinLines::report(const QString& text) {
    TProtocolTool writer;
    protocolSettings(writer);
    writer.ReportToProtocol(text);
}

void TJoinLines::DoIt() {
    TTool::DoIt();
    auto* input = zelto_cast<TRectEntity>(FInPut);
    if (!input) return;
    std::unique_ptr<TQTreeTopLin> tree;
    QTree = nullptr;
    try {
        if (m_protocolPending) {
            TProtocolTool writer;
            writer.SetProtocol(FProtocol);
            writer.PrepareProtocol();
            m_protocolPending = false;
        }
        TOznacLinie marks; // clears the visited mark of every line under the input
        marks.SetNoProgress(true);
        marks.SetInput(input);
        marks.DoIt();
        tree = std::make_unique<TQTreeTopLin>();
        QTree = tree.get();
        if (input->IsValid())
            QTree->SetForRectangle(input->GetMinX(), input->GetMinY(), input->GetMaxX(), input->GetMaxY());

        if (FFixedLines)
            for (int i = 0; i < FFixedLines->ElementsCount(); ++i) {
                TPolyLineElement* fixed = JoinableLine(FFixedLines->Get(i));
                if (!fixed) continue;
                fixed->SetIsDone(true);
                if (!usableLine(fixed)) {
                    report(QStringLiteral("Linie č. %1 má neplatné souřadnice a nebyla spojena")
                               .arg(lineNumber(fixed)));
                    continue;
                }
                fixed->RecalculateRect();
                indexLine(QTree, fixed);
            }

        const int count = input->ElementsCount();
        if (count > 100) StartProgress(QStringLiteral("Spojování linií"), 0, count - 1);
        for (int index = count - 1; index >= 0; --index) {
            // Cutting frees lines, so the list may have become shorter.
            if (index >= input->ElementsCount()) continue;
            TPolyLineElement* line = JoinableLine(input->Get(index));
            if (!line) continue;
            const int vertices = line->GetCoordsCount();
            if (vertices <= 100)
                SetProgressText(QStringLiteral("Lin ") + QString::number(index));
            else
                SetProgressText(QStringLiteral("Lin ") + QString::number(index) + QStringLiteral(" crds: ") +
                                IntToStrZ(vertices, 3, false) + QStringLiteral(": ") +
                                DoubleToStr(line->GetLength(), 6, 2) + QStringLiteral(" m"));
            SetProgress(count - index - 1);
            if (!line->GetIsDone()) Process(line);
        }
        SetProgressText(QStringLiteral("OK."));
        EndProgress();
        SetOutput(tree.release());
    } catch (const std::exception& e) {
        EndProgress();
        QTree = nullptr;
        notifier().error(errorText(e));
    }
}

void TJoinLines::Process(TElement* element) {
    TPolyLineElement* line = JoinableLine(element);
    if (!line || !QTree) return;
    if (!usableLine(line)) {
        report(QStringLiteral("Linie č. %1 má neplatné souřadnice a nebyla spojena").arg(lineNumber(line)));
        return;
    }
    if (line->GetLength() <= FMinLength) return;
    line->SetIsDone(true);

    TLinComparator comparator;
    protocolSettings(comparator);
    comparator.QTree = QTree;
    comparator.SnapDistance = FSnapDistance;
    comparator.OnlyEnds = FOnlyEnds;
    comparator.SelfTest = FSelfTest;
    comparator.CompareOnlyDifferentSource = FCompareOnlyDifferentSource;
    if (FCompareOnlyDifferentSource) comparator.RefContainer = LineSource(line);
    comparator.SetInput(line);
    comparator.DoIt();
    std::unique_ptr<TLinesAbscEntity> list(zelto_cast<TLinesAbscEntity>(comparator.GetOutput()));
    if (!list || list->ElementsCount() == 0 || list->GetLine(0) != line) return;

    if (FMaxOutputAbscLength > 0) {
        TDivideAbscs divide;
        protocolSettings(divide);
        divide.MaxOutputAbscLength = FMaxOutputAbscLength;
        divide.RoundKoef = FRoundKoef;
        divide.DivideLines = FDivideOutputLines;
        divide.SetInput(list.get());
        divide.DoIt();
    }
    TSaveChangedLines save;
    protocolSettings(save);
    save.QTree = QTree;
    save.MinLength = FMinLength;
    save.PrepocitavatPopBodyLinii = FPrepocitavatPopBodyLinii;
    save.SetInput(list.get());
    save.DoIt();
}

void JoinLinesStep(const TLineJoiningRequest& request) {
    TJoinLines joiner;
    joiner.SetName(QStringLiteral("Spojování linií"));
    joiner.FSnapDistance = request.SnapDistance;
    joiner.FSelfTest = request.SelfTest;
    joiner.FOnlyEnds = request.OnlyEnds;
    joiner.FCompareOnlyDifferentSource = false;
    joiner.SetFixedLines(request.FixedLines);
    joiner.SetInput(request.Lines);
    joiner.DoIt();
    std::unique_ptr<TQTreeTopLin> tree(zelto_cast<TQTreeTopLin>(joiner.GetOutput()));
    // The joiner has shown its error; the caller ends its run on the exception.
    if (!tree && request.Lines) throw EZeltoError(QStringLiteral("Spojování linií selhalo"));
}

void registerLineJoiningClasses() {
    RegisterZeltoClass(TJoinLines::StaticClass());
    SetLineJoiningStep(&JoinLinesStep);
}

} // namespace zelto
