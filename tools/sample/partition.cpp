#include "partition.h"

#include "sample_rng.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <functional>
#include <numbers>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace zsample {

namespace {

constexpr double kSpacing = 50.0;      // lattice spacing, metres
constexpr double kJitter = 0.2;        // lattice jitter per axis, in spacings
constexpr double kMeanGroupM2 = 2.4e4; // mean stand group
constexpr double kLoGroupM2 = 0.5e4;   // smallest group (cell areas)
constexpr double kHiGroupM2 = 6.2e4;   // largest group (cell areas)
constexpr double kMinFinalHa = 0.3, kMaxFinalHa = 8.0;
constexpr int kAttempts = 40;

// Streams of random choices, one per purpose.
enum Purpose : std::uint64_t {
    PJitter = 1,
    POutline,
    PSplit,
    PGroups,
    PSpecial,
    PNoise,
    PWalk,
};

// ---- The lattice -----------------------------------------------------------------------------

// A triangular lattice of W × H points in rows; odd rows are shifted by half a spacing. Points
// are numbered row by row. Directions 0..5 run counter-clockwise from east; triangle d of a point
// lies between its directions d and d + 1.
class Lattice {
public:
    Lattice(int w, int h, double x0, double y0, std::uint64_t seed)
        : W(w), H(h), s(kSpacing), rowH(kSpacing * std::sqrt(3.0) / 2), pos(std::size_t(w) * h) {
        for (int j = 0; j < H; ++j)
            for (int i = 0; i < W; ++i) {
                const std::uint64_t hsh = hashOf({seed, PJitter, std::uint64_t(i), std::uint64_t(j)});
                const double jx = (unitOf(hsh) * 2 - 1) * kJitter * s;
                const double jy = (unitOf(mix64(hsh)) * 2 - 1) * kJitter * s;
                pos[id(i, j)] = {x0 + s * (i + 0.5 * (j & 1)) + jx, y0 + rowH * j + jy};
            }
    }

    int id(int i, int j) const { return j * W + i; }
    int col(int p) const { return p % W; }
    int row(int p) const { return p / W; }
    int size() const { return W * H; }
    int triangleCount() const { return 2 * W * H; }

    int neighbour(int p, int d) const {
        static constexpr int even[6][2] = {{1, 0}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}};
        static constexpr int odd[6][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 0}, {0, -1}, {1, -1}};
        const int i = col(p), j = row(p);
        const int* o = (j & 1) ? odd[d] : even[d];
        const int ni = i + o[0], nj = j + o[1];
        if (ni < 0 || nj < 0 || ni >= W || nj >= H) return -1;
        return id(ni, nj);
    }

    // Triangles of the band between rows b and b + 1: per column k an "A" triangle (two points in
    // row b) and a "B" triangle (two points in row b + 1).
    int tri(int band, int k, int type) const { return (band * W + k) * 2 + type; }

    // Triangle between directions d and d + 1 of point p (p at least one point inside the edge).
    int triangle(int p, int d) const {
        const int i = col(p), j = row(p);
        const bool oddRow = j & 1;
        switch (d) {
        case 0:
            return tri(j, i, 0);
        case 1:
            return tri(j, oddRow ? i : i - 1, 1);
        case 2:
            return tri(j, i - 1, 0);
        case 3:
            return tri(j - 1, i - 1, 1);
        case 4:
            return tri(j - 1, oddRow ? i : i - 1, 0);
        default:
            return tri(j - 1, i, 1);
        }
    }

    std::array<int, 3> triangleVertices(int t) const {
        const int type = t & 1;
        const int rest = t >> 1;
        const int b = rest / W, k = rest % W;
        if ((b & 1) == 0) {
            if (type == 0) return {id(k, b), id(k + 1, b), id(k, b + 1)};
            return {id(k, b + 1), id(k + 1, b + 1), id(k + 1, b)};
        }
        if (type == 0) return {id(k, b), id(k + 1, b), id(k + 1, b + 1)};
        return {id(k, b + 1), id(k + 1, b + 1), id(k, b)};
    }

    Point centroid(int t) const {
        const auto v = triangleVertices(t);
        return {(pos[v[0]].x + pos[v[1]].x + pos[v[2]].x) / 3, (pos[v[0]].y + pos[v[1]].y + pos[v[2]].y) / 3};
    }

    double triangleArea(int t) const {
        const auto v = triangleVertices(t);
        const Point a = pos[v[0]], b = pos[v[1]], c = pos[v[2]];
        return std::abs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2;
    }

    // The median dual cell's area: a third of the six triangles around the point.
    double cellArea(int p) const {
        double sum = 0;
        for (int d = 0; d < 6; ++d) sum += triangleArea(triangle(p, d));
        return sum / 3;
    }

    const int W, H;
    const double s, rowH;
    std::vector<Point> pos;
};

// ---- Size-bounded growth of parts ------------------------------------------------------------

struct PartTarget {
    double target = 0, lo = 0, hi = 0;
};

class Grower {
public:
    Grower(const Lattice& lattice, const std::vector<double>& area)
        : L(lattice), m_area(area), m_owner(std::size_t(lattice.size()), -1),
          m_stamp(std::size_t(lattice.size()), 0) {}

    // Splits the connected cell set R into targets.size() connected parts whose areas lie within
    // their bounds (a single part is R itself, whatever its area). Answers the parts' cells (each
    // list in the order of R), or nothing when the bounds could not be met.
    std::vector<std::vector<int>> split(const std::vector<int>& R, const std::vector<PartTarget>& targets,
                                        Rng& rng) {
        const int k = int(targets.size());
        ++m_current;
        for (int c : R) {
            m_stamp[c] = m_current;
            m_owner[c] = -1;
        }
        if (k == 1) return {R};
        if (int(R.size()) < k) return {};
        const std::vector<int> seeds = scatterSeeds(R, k, rng);

        std::vector<double> size(k, 0);
        std::vector<std::vector<int>> frontier(k);
        std::set<std::pair<double, int>> queue;
        for (int i = 0; i < k; ++i) {
            take(seeds[i], i, size, frontier);
            queue.insert({size[i] / targets[i].target, i});
        }
        std::size_t assigned = std::size_t(k);
        while (!queue.empty()) {
            const int i = queue.begin()->second;
            queue.erase(queue.begin());
            std::vector<int>& f = frontier[i];
            int cell = -1;
            while (!f.empty()) {
                const int at = rng.below(int(f.size()));
                const int c = f[at];
                f[at] = f.back();
                f.pop_back();
                if (m_owner[c] < 0) {
                    cell = c;
                    break;
                }
            }
            if (cell < 0) continue; // nothing left to grow into
            take(cell, i, size, frontier);
            ++assigned;
            queue.insert({size[i] / targets[i].target, i});
        }
        if (assigned != R.size()) throw std::logic_error("sample layout: a region is not connected");

        if (!repair(R, targets, size)) return {};
        std::vector<std::vector<int>> parts(k);
        for (int c : R) parts[m_owner[c]].push_back(c);
        return parts;
    }

private:
    bool inR(int c) const { return c >= 0 && m_stamp[c] == m_current; }

    // Whether `cell` can leave its part without breaking it: its neighbours in the part form one
    // unbroken arc around it (consecutive neighbours touch each other).
    bool leavesPartWhole(int cell) const {
        const int part = m_owner[cell];
        bool in[6];
        int count = 0;
        for (int d = 0; d < 6; ++d) {
            const int n = L.neighbour(cell, d);
            in[d] = inR(n) && m_owner[n] == part;
            count += in[d];
        }
        if (count == 0) return false;
        int changes = 0;
        for (int d = 0; d < 6; ++d) changes += in[d] != in[(d + 1) % 6];
        return changes <= 2;
    }

    void take(int cell, int part, std::vector<double>& size, std::vector<std::vector<int>>& frontier) {
        m_owner[cell] = part;
        size[part] += m_area[cell];
        for (int d = 0; d < 6; ++d) {
            const int n = L.neighbour(cell, d);
            if (inR(n) && m_owner[n] < 0) frontier[part].push_back(n);
        }
    }

    // k seeds spread over R: cells taken in random order, each at least a spacing away from the
    // seeds taken before; the spacing shrinks until k seeds are found.
    std::vector<int> scatterSeeds(const std::vector<int>& R, int k, Rng& rng) {
        std::vector<int> order = R;
        for (int i = int(order.size()) - 1; i > 0; --i) std::swap(order[i], order[rng.below(i + 1)]);
        double total = 0;
        for (int c : R) total += m_area[c];
        double spacing = 0.8 * std::sqrt(total / k);
        std::vector<int> seeds;
        std::vector<char> isSeed(order.size(), 0);
        while (int(seeds.size()) < k) {
            std::unordered_map<std::int64_t, std::vector<int>> grid;
            auto key = [&](Point p) {
                return (std::int64_t(std::floor(p.x / spacing)) << 32) ^
                       (std::int64_t(std::floor(p.y / spacing)) & 0xffffffff);
            };
            for (int sd : seeds) grid[key(L.pos[sd])].push_back(sd);
            for (std::size_t oi = 0; oi < order.size() && int(seeds.size()) < k; ++oi) {
                if (isSeed[oi]) continue;
                const Point p = L.pos[order[oi]];
                const std::int64_t gx = std::int64_t(std::floor(p.x / spacing));
                const std::int64_t gy = std::int64_t(std::floor(p.y / spacing));
                bool free = true;
                for (std::int64_t dx = -1; dx <= 1 && free; ++dx)
                    for (std::int64_t dy = -1; dy <= 1 && free; ++dy) {
                        auto it = grid.find(((gx + dx) << 32) ^ ((gy + dy) & 0xffffffff));
                        if (it == grid.end()) continue;
                        for (int other : it->second) {
                            const Point q = L.pos[other];
                            if (std::hypot(q.x - p.x, q.y - p.y) < spacing) {
                                free = false;
                                break;
                            }
                        }
                    }
                if (!free) continue;
                isSeed[oi] = 1;
                seeds.push_back(order[oi]);
                grid[key(p)].push_back(order[oi]);
            }
            spacing *= 0.7;
        }
        return seeds;
    }

    // Moves single cells between neighbouring parts until every part lies within its bounds.
    bool repair(const std::vector<int>& R, const std::vector<PartTarget>& targets,
                std::vector<double>& size) {
        const int k = int(targets.size());
        for (int round = 0; round < 4000; ++round) {
            bool violated = false;
            for (int i = 0; i < k; ++i) violated |= size[i] < targets[i].lo || size[i] > targets[i].hi;
            if (!violated) return true;
            bool moved = false;
            for (int c : R) {
                const int from = m_owner[c];
                const bool fromTooBig = size[from] > targets[from].hi;
                for (int d = 0; d < 6 && !moved; ++d) {
                    const int n = L.neighbour(c, d);
                    if (!inR(n) || m_owner[n] == from) continue;
                    const int to = m_owner[n];
                    const bool toTooSmall = size[to] < targets[to].lo;
                    if (!fromTooBig && !toTooSmall) continue;
                    const double a = m_area[c];
                    if (size[from] - a < targets[from].lo && !(fromTooBig && toTooSmall)) continue;
                    if (size[to] + a > targets[to].hi) continue;
                    if (!leavesPartWhole(c)) continue;
                    m_owner[c] = to;
                    size[from] -= a;
                    size[to] += a;
                    moved = true;
                }
                if (moved) break;
            }
            if (!moved) return false;
        }
        return false;
    }

    const Lattice& L;
    const std::vector<double>& m_area;
    std::vector<int> m_owner;
    std::vector<std::uint32_t> m_stamp;
    std::uint32_t m_current = 0;
};

// ---- Helpers ---------------------------------------------------------------------------------

// Splits `total` into `k` positive integers in proportion to random weights in [lo, hi].
std::vector<int> splitQuota(int total, int k, Rng& rng, double lo, double hi) {
    std::vector<double> w(k);
    double sum = 0;
    for (double& x : w) sum += x = rng.range(lo, hi);
    std::vector<int> q(k, 1);
    int left = total - k;
    std::vector<std::pair<double, int>> rest;
    for (int i = 0; i < k; ++i) {
        const double share = left * w[i] / sum;
        q[i] += int(share);
        rest.push_back({share - int(share), i});
    }
    int given = 0;
    for (int x : q) given += x;
    std::sort(rest.begin(), rest.end(), [](auto a, auto b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    for (int r = 0; given < total; ++r, ++given) ++q[rest[r % k].second];
    return q;
}

Point centreOf(const Lattice& L, const std::vector<int>& cells) {
    Point c;
    for (int p : cells) {
        c.x += L.pos[p].x;
        c.y += L.pos[p].y;
    }
    c.x /= double(cells.size());
    c.y /= double(cells.size());
    return c;
}

// Orders parts for numbering: in rows from north to south, west to east within a row.
std::vector<int> readingOrder(const Lattice& L, const std::vector<std::vector<int>>& parts,
                              double rowHeight) {
    std::vector<Point> centres;
    double top = -1e300;
    for (const auto& p : parts) {
        centres.push_back(centreOf(L, p));
        top = std::max(top, centres.back().y);
    }
    std::vector<int> order(parts.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    auto rowOf = [&](int i) { return int(std::floor((top - centres[i].y) / rowHeight)); };
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int ra = rowOf(a), rb = rowOf(b);
        if (ra != rb) return ra < rb;
        if (centres[a].x != centres[b].x) return centres[a].x < centres[b].x;
        return a < b;
    });
    return order;
}

// For every unit (unitOf[cell] >= 0) the cell farthest, in cell steps, from the unit's border,
// the cell nearer the unit's centre on a tie. `unitOf` is -1 outside.
std::vector<int> deepestCells(const Lattice& L, const std::vector<int>& unitOf, int units,
                              const std::vector<int>& cells) {
    std::vector<int> depth(std::size_t(L.size()), -1);
    std::deque<int> queue;
    for (int c : cells) {
        for (int d = 0; d < 6; ++d) {
            const int n = L.neighbour(c, d);
            if (n < 0 || unitOf[n] != unitOf[c]) {
                depth[c] = 0;
                queue.push_back(c);
                break;
            }
        }
    }
    while (!queue.empty()) {
        const int c = queue.front();
        queue.pop_front();
        for (int d = 0; d < 6; ++d) {
            const int n = L.neighbour(c, d);
            if (n >= 0 && unitOf[n] == unitOf[c] && depth[n] < 0) {
                depth[n] = depth[c] + 1;
                queue.push_back(n);
            }
        }
    }
    std::vector<Point> sum(units);
    std::vector<int> count(units, 0);
    for (int c : cells) {
        sum[unitOf[c]].x += L.pos[c].x;
        sum[unitOf[c]].y += L.pos[c].y;
        ++count[unitOf[c]];
    }
    std::vector<int> best(units, -1);
    std::vector<double> bestDist(units, 0);
    for (int c : cells) {
        const int u = unitOf[c];
        const Point centre{sum[u].x / count[u], sum[u].y / count[u]};
        const double dist = std::hypot(L.pos[c].x - centre.x, L.pos[c].y - centre.y);
        if (best[u] < 0 || depth[c] > depth[best[u]] || (depth[c] == depth[best[u]] && dist < bestDist[u])) {
            best[u] = c;
            bestDist[u] = dist;
        }
    }
    return best;
}

double angleBetween(Point a, Point b) {
    const double la = std::hypot(a.x, a.y), lb = std::hypot(b.x, b.y);
    if (la == 0 || lb == 0) return 0;
    const double c = std::clamp((a.x * b.x + a.y * b.y) / (la * lb), -1.0, 1.0);
    return std::acos(c);
}

// A smooth value in [-1, 1] along a segment: two octaves of interpolated random values.
double edgeNoise(std::uint64_t h, double t) {
    auto octave = [&](int knots, std::uint64_t salt) {
        const double x = t * knots;
        const int i = std::min(int(x), knots - 1);
        const double f = x - i;
        const double a = unitOf(hashOf({h, salt, std::uint64_t(i)})) * 2 - 1;
        const double b = unitOf(hashOf({h, salt, std::uint64_t(i + 1)})) * 2 - 1;
        const double w = (1 - std::cos(f * std::numbers::pi)) / 2;
        return a + (b - a) * w;
    };
    return 0.7 * octave(3, 1) + 0.3 * octave(7, 2);
}

// ---- Boundaries ------------------------------------------------------------------------------

// A dual edge: the boundary piece between lattice points p and q, from the centroid of the
// triangle before direction d of p, through the edge's midpoint, to the centroid after it. p lies
// on its left.
struct DualEdge {
    int tA = 0, tB = 0;
    Point mid;
    int left = -1, right = -1; // groups; -1 outside
};

struct HalfChain {
    int from, to, chain;
    bool forward;
};

} // namespace

double ringArea(const Ring& ring) {
    if (ring.size() < 3) return 0;
    const Point o = ring.front();
    double sum = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        const double x0 = ring[i].x - o.x, y0 = ring[i].y - o.y;
        const double x1 = ring[i + 1].x - o.x, y1 = ring[i + 1].y - o.y;
        sum += (x1 - x0) * (y1 + y0);
    }
    const double xl = ring.back().x - o.x, yl = ring.back().y - o.y;
    sum += (0 - xl) * (0 + yl); // closing term (0 when the ring repeats its first vertex)
    return sum / 2;
}

bool pointInRing(const Ring& ring, Point p) {
    bool inside = false;
    const std::size_t n = ring.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point a = ring[i], b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

Layout buildLayout(int groupCount, std::uint64_t seed, Point centre) {
    if (groupCount < 1) throw std::invalid_argument("sample layout: no groups");
    Layout out;

    // ---- The area: a lobed oval of lattice cells ----
    const double cellM2 = kSpacing * kSpacing * std::sqrt(3.0) / 2;
    const double wantedCells = std::ceil(groupCount * kMeanGroupM2 / cellM2);
    Rng outlineRng({seed, POutline});
    const double stretch = outlineRng.range(1.15, 1.45);
    const double tilt = outlineRng.range(-0.5, 0.5);
    double amp[5], phase[5];
    for (int m = 0; m < 5; ++m) {
        amp[m] = outlineRng.range(0.02, 0.09) / std::sqrt(m + 1.0);
        phase[m] = outlineRng.range(0, 2 * std::numbers::pi);
    }
    const double a0 = std::sqrt(wantedCells * cellM2 * stretch / std::numbers::pi);
    const double reach = a0 * 1.45 + 6 * kSpacing;
    const int W = int(std::ceil(2 * reach / kSpacing)) + 6;
    const int H = int(std::ceil(2 * reach / (kSpacing * std::sqrt(3.0) / 2))) + 6;
    const Lattice L(W, H, centre.x - (W - 1) * kSpacing / 2,
                    centre.y - (H - 1) * kSpacing * std::sqrt(3.0) / 4, seed);

    auto insideOutline = [&](Point p, double scale) {
        const double dx = p.x - centre.x, dy = p.y - centre.y;
        const double u = dx * std::cos(tilt) + dy * std::sin(tilt);
        const double v = -dx * std::sin(tilt) + dy * std::cos(tilt);
        const double a = a0 * scale, b = a / stretch;
        const double theta = std::atan2(v / b, u / a);
        double r = 1;
        for (int m = 0; m < 5; ++m) r += amp[m] * std::cos((m + 2) * theta + phase[m]);
        return (u / a) * (u / a) + (v / b) * (v / b) <= r * r;
    };
    auto usable = [&](int p) {
        const int i = L.col(p), j = L.row(p);
        return i >= 2 && j >= 2 && i < W - 2 && j < H - 2;
    };
    double scale = 1;
    for (int pass = 0; pass < 3; ++pass) {
        int count = 0;
        for (int p = 0; p < L.size(); ++p) count += usable(p) && insideOutline(L.pos[p], scale);
        if (count == 0) break;
        scale *= std::sqrt(wantedCells / count);
    }
    std::vector<char> inRegion(std::size_t(L.size()), 0);
    for (int p = 0; p < L.size(); ++p) inRegion[p] = usable(p) && insideOutline(L.pos[p], scale);
    // Keeps the piece around the centre (at least one cell) and fills any enclosed gap.
    auto keepOnePiece = [&] {
        int start = -1;
        double bestDist = 1e300;
        for (int p = 0; p < L.size(); ++p) {
            if (!usable(p)) continue;
            const double dist = std::hypot(L.pos[p].x - centre.x, L.pos[p].y - centre.y);
            if (dist < bestDist) {
                bestDist = dist;
                start = p;
            }
        }
        inRegion[start] = 1;
        std::vector<char> reached(std::size_t(L.size()), 0);
        std::deque<int> queue{start};
        reached[start] = 1;
        while (!queue.empty()) {
            const int c = queue.front();
            queue.pop_front();
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(c, d);
                if (n >= 0 && inRegion[n] && !reached[n]) {
                    reached[n] = 1;
                    queue.push_back(n);
                }
            }
        }
        std::vector<char> outside(std::size_t(L.size()), 0);
        for (int p = 0; p < L.size(); ++p)
            if (!reached[p] && (L.col(p) == 0 || L.row(p) == 0 || L.col(p) == W - 1 || L.row(p) == H - 1)) {
                outside[p] = 1;
                queue.push_back(p);
            }
        while (!queue.empty()) {
            const int c = queue.front();
            queue.pop_front();
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(c, d);
                if (n >= 0 && !reached[n] && !outside[n]) {
                    outside[n] = 1;
                    queue.push_back(n);
                }
            }
        }
        for (int p = 0; p < L.size(); ++p) inRegion[p] = !outside[p];
    };
    keepOnePiece();
    std::vector<int> region;
    for (int p = 0; p < L.size(); ++p)
        if (inRegion[p]) region.push_back(p);
    std::vector<double> cellArea(std::size_t(L.size()), 0);
    for (int p : region) cellArea[p] = L.cellArea(p);
    // A forest too small for its groups' lower bound (only for a handful of groups) grows by rings.
    {
        double total = 0;
        for (int p : region) total += cellArea[p];
        while (total < groupCount * kLoGroupM2 * 1.6) {
            std::vector<int> added;
            for (int p : region)
                for (int d = 0; d < 6; ++d) {
                    const int n = L.neighbour(p, d);
                    if (n >= 0 && usable(n) && !inRegion[n]) {
                        inRegion[n] = 1;
                        added.push_back(n);
                    }
                }
            if (added.empty()) throw std::logic_error("sample layout: no room to grow");
            keepOnePiece();
            region.clear();
            total = 0;
            for (int p = 0; p < L.size(); ++p)
                if (inRegion[p]) {
                    region.push_back(p);
                    cellArea[p] = L.cellArea(p);
                    total += cellArea[p];
                }
        }
    }

    // ---- The hierarchy, level by level ----
    Grower grower(L, cellArea);
    struct Block {
        std::vector<int> cells;
        int quota = 0;
        int parent = -1;
    };
    auto areaOf = [&](const std::vector<int>& cells) {
        double a = 0;
        for (int c : cells) a += cellArea[c];
        return a;
    };
    // Splits every block of a level into parts with quotas (numbers of groups), numbered in
    // reading order; answers the parts as the next level's blocks.
    auto splitLevel = [&](const std::vector<Block>& blocks, std::uint64_t level, auto partsFor,
                          std::vector<LayoutUnit>& units) {
        std::vector<Block> next;
        for (std::size_t bi = 0; bi < blocks.size(); ++bi) {
            const Block& b = blocks[bi];
            const int k = partsFor(b.quota);
            std::vector<std::vector<int>> parts;
            std::vector<int> quotas;
            for (int attempt = 0; attempt < kAttempts && parts.empty(); ++attempt) {
                Rng rng({seed, PSplit, level, std::uint64_t(bi), std::uint64_t(attempt)});
                quotas = splitQuota(b.quota, k, rng, 0.8, 1.25);
                const double area = areaOf(b.cells);
                std::vector<PartTarget> targets;
                // Each level keeps more room per group than the level below needs, so that a unit
                // at its bound can still be cut into whole cells for its parts.
                const double loFactor[] = {0, 2.4, 2.2, 1.95, 1.6};
                const double hiFactor[] = {0, 0.6, 0.65, 0.75, 0.85};
                for (int q : quotas)
                    targets.push_back({area * q / b.quota, q * kLoGroupM2 * loFactor[level],
                                       q * kHiGroupM2 * hiFactor[level]});
                parts = grower.split(b.cells, targets, rng);
            }
            if (parts.empty()) throw std::logic_error("sample layout: a unit could not be divided");
            const double rowHeight = std::sqrt(areaOf(b.cells) / k);
            int number = 0;
            for (int pi : readingOrder(L, parts, rowHeight)) {
                LayoutUnit u;
                u.parent = int(bi);
                u.number = ++number;
                units.push_back(u);
                next.push_back({std::move(parts[pi]), quotas[pi], int(units.size()) - 1});
            }
        }
        return next;
    };

    std::vector<Block> top{{region, groupCount, -1}};
    std::vector<Block> lsBlocks = splitLevel(
        top, 1, [](int q) { return std::min(2, q); }, out.ls);
    std::vector<Block> divBlocks = splitLevel(
        lsBlocks, 2, [](int q) { return std::clamp(int(std::lround(q / 36.0)), 1, q); }, out.divisions);
    int divisionNumber = 0;
    for (LayoutUnit& u : out.divisions) u.number = ++divisionNumber; // counted across the plan area
    std::vector<Block> dilBlocks = splitLevel(
        divBlocks, 3, [](int q) { return std::clamp(int(std::lround(q / 9.0)), 1, std::min(26, q)); },
        out.dilce);
    std::vector<Block> standBlocks = splitLevel(
        dilBlocks, 4, [](int q) { return std::clamp(int(std::lround(q / 3.0)), 1, std::min(9, q)); },
        out.stands);

    // ---- Stand groups, with islands (a group inside another) and two-piece groups ----
    const int islandsWanted = groupCount >= 10 ? std::max(1, groupCount / 60) : 0;
    const int twoPieceWanted = groupCount >= 10 ? std::max(1, groupCount / 80) : 0;
    std::vector<int> standOrder(standBlocks.size());
    for (std::size_t i = 0; i < standOrder.size(); ++i) standOrder[i] = int(i);
    // Roomy stands first: their groups are the largest, which islands and second pieces need.
    std::sort(standOrder.begin(), standOrder.end(), [&](int a, int b) {
        const double ra = areaOf(standBlocks[a].cells) / standBlocks[a].quota;
        const double rb = areaOf(standBlocks[b].cells) / standBlocks[b].quota;
        return ra > rb || (ra == rb && a < b);
    });
    enum Special { Plain, Island, TwoPiece };
    std::vector<int> special(standBlocks.size(), Plain);
    std::vector<std::vector<std::vector<int>>> standGroups(standBlocks.size());

    auto growGroups = [&](int si, int count, int attempt) {
        const Block& b = standBlocks[si];
        Rng rng({seed, PGroups, std::uint64_t(si), std::uint64_t(attempt)});
        const double area = areaOf(b.cells);
        std::vector<double> w(count);
        double sum = 0;
        for (double& x : w) sum += x = std::clamp(std::exp(0.55 * rng.normal()), 0.35, 2.8);
        std::vector<PartTarget> targets;
        for (double x : w) {
            const double t = std::clamp(area * x / sum, kLoGroupM2 * 1.1, kHiGroupM2 * 0.9);
            targets.push_back({t, kLoGroupM2, kHiGroupM2});
        }
        return grower.split(b.cells, targets, rng);
    };
    auto growPlain = [&](int si) {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            auto parts = growGroups(si, standBlocks[si].quota, attempt);
            if (!parts.empty()) return parts;
        }
        throw std::logic_error("sample layout: a stand could not be divided into groups");
    };

    // Scratch arrays over the lattice for the work on one stand; every use sets them back.
    std::vector<int> owner(std::size_t(L.size()), -1);
    std::vector<char> seen(std::size_t(L.size()), 0);
    auto markOwners = [&](const std::vector<std::vector<int>>& parts, bool set) {
        for (std::size_t i = 0; i < parts.size(); ++i)
            for (int c : parts[i]) owner[c] = set ? int(i) : -1;
    };

    // An island: a compact cluster of cells whose every neighbour lies in the largest group.
    auto carveIsland = [&](std::vector<std::vector<int>>& parts, Rng& rng) {
        int host = 0;
        for (std::size_t i = 1; i < parts.size(); ++i)
            if (areaOf(parts[i]) > areaOf(parts[host])) host = int(i);
        markOwners(parts, true);
        struct Reset {
            std::function<void()> f;
            ~Reset() { f(); }
        } reset{[&] { markOwners(parts, false); }};
        auto deep = [&](int c, const std::vector<int>& cluster) {
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(c, d);
                if (n < 0) return false;
                if (owner[n] != host && std::find(cluster.begin(), cluster.end(), n) == cluster.end())
                    return false;
            }
            return true;
        };
        std::vector<int> candidates = parts[host];
        for (int i = int(candidates.size()) - 1; i > 0; --i)
            std::swap(candidates[i], candidates[rng.below(i + 1)]);
        const double hostArea = areaOf(parts[host]);
        for (int c : candidates) {
            std::vector<int> cluster;
            if (!deep(c, cluster)) continue;
            cluster.push_back(c);
            double a = cellArea[c];
            bool grown = true;
            while (a < kLoGroupM2 * 1.1 && grown) {
                grown = false;
                for (std::size_t ci = 0; ci < cluster.size() && !grown; ++ci)
                    for (int d = 0; d < 6 && !grown; ++d) {
                        const int n = L.neighbour(cluster[ci], d);
                        if (n < 0 || owner[n] != host) continue;
                        if (std::find(cluster.begin(), cluster.end(), n) != cluster.end()) continue;
                        if (!deep(n, cluster)) continue;
                        cluster.push_back(n);
                        a += cellArea[n];
                        grown = true;
                    }
            }
            if (a < kLoGroupM2 * 1.1 || hostArea - a < kLoGroupM2 * 1.1 || hostArea - a > kHiGroupM2)
                continue;
            // Every neighbour of the cluster must stay in the host, and the host in one piece.
            bool enclosed = true;
            for (int cc : cluster) enclosed &= deep(cc, cluster);
            if (!enclosed) continue;
            std::vector<int> rest;
            for (int h : parts[host])
                if (std::find(cluster.begin(), cluster.end(), h) == cluster.end()) rest.push_back(h);
            for (int cc : cluster) owner[cc] = -2;
            std::deque<int> queue{rest.front()};
            seen[rest.front()] = 1;
            std::size_t reached = 1;
            while (!queue.empty()) {
                const int x = queue.front();
                queue.pop_front();
                for (int d = 0; d < 6; ++d) {
                    const int n = L.neighbour(x, d);
                    if (n >= 0 && owner[n] == host && !seen[n]) {
                        seen[n] = 1;
                        ++reached;
                        queue.push_back(n);
                    }
                }
            }
            for (int h : rest) seen[h] = 0;
            for (int cc : cluster) owner[cc] = host;
            if (reached != rest.size()) continue;
            std::sort(cluster.begin(), cluster.end());
            parts[host] = std::move(rest);
            parts.push_back(std::move(cluster));
            return true;
        }
        return false;
    };

    // Two groups of the stand that do not touch become the two pieces of one group.
    auto joinPieces = [&](std::vector<std::vector<int>>& parts, Rng& rng) {
        markOwners(parts, true);
        const int k = int(parts.size());
        std::vector<char> touch(std::size_t(k * k), 0);
        for (int i = 0; i < k; ++i)
            for (int c : parts[i])
                for (int d = 0; d < 6; ++d) {
                    const int n = L.neighbour(c, d);
                    if (n >= 0 && owner[n] >= 0 && owner[n] != i) touch[i * k + owner[n]] = 1;
                }
        markOwners(parts, false);
        std::vector<std::pair<int, int>> pairs;
        for (int i = 0; i < k; ++i)
            for (int j = i + 1; j < k; ++j)
                if (!touch[i * k + j] && areaOf(parts[i]) + areaOf(parts[j]) <= kHiGroupM2 * 0.95)
                    pairs.push_back({i, j});
        if (pairs.empty()) return false;
        const auto [i, j] = pairs[rng.below(int(pairs.size()))];
        parts[i].insert(parts[i].end(), parts[j].begin(), parts[j].end());
        std::sort(parts[i].begin(), parts[i].end());
        parts.erase(parts.begin() + j);
        return true;
    };

    int islands = 0, twoPieces = 0;
    for (int si : standOrder) {
        const int q = standBlocks[si].quota;
        Rng rng({seed, PSpecial, std::uint64_t(si)});
        if (islands < islandsWanted && q >= 2) {
            for (int attempt = 0; attempt < 4; ++attempt) {
                auto parts = growGroups(si, q - 1, 100 + attempt);
                if (parts.empty() || !carveIsland(parts, rng)) continue;
                standGroups[si] = std::move(parts);
                special[si] = Island;
                ++islands;
                break;
            }
            if (special[si] == Island) continue;
        }
        if (twoPieces < twoPieceWanted && q >= 2) {
            for (int attempt = 0; attempt < 4; ++attempt) {
                auto parts = growGroups(si, q + 1, 200 + attempt);
                if (parts.empty() || !joinPieces(parts, rng)) continue;
                standGroups[si] = std::move(parts);
                special[si] = TwoPiece;
                ++twoPieces;
                break;
            }
        }
    }
    for (std::size_t si = 0; si < standBlocks.size(); ++si)
        if (special[si] == Plain) standGroups[si] = growPlain(int(si));

    // Groups in hierarchy order; the cells' group, stand, dílec and division.
    std::vector<int> groupOf(std::size_t(L.size()), -1);
    std::vector<int> groupStand;
    for (std::size_t si = 0; si < standBlocks.size(); ++si) {
        auto& parts = standGroups[si];
        const double rowHeight = std::sqrt(areaOf(standBlocks[si].cells) / double(parts.size()));
        int index = 0;
        for (int pi : readingOrder(L, parts, rowHeight)) {
            LayoutGroup g;
            g.stand = int(si);
            g.index = ++index;
            for (int c : parts[pi]) groupOf[c] = int(out.groups.size());
            groupStand.push_back(int(si));
            out.groups.push_back(std::move(g));
        }
    }
    const int G = int(out.groups.size());
    if (G != groupCount) throw std::logic_error("sample layout: wrong number of groups");
    auto standOfGroup = [&](int g) { return g < 0 ? -1 : out.groups[g].stand; };
    auto dilecOfGroup = [&](int g) { return g < 0 ? -1 : out.stands[standOfGroup(g)].parent; };
    auto divisionOfGroup = [&](int g) { return g < 0 ? -1 : out.dilce[dilecOfGroup(g)].parent; };

    // Label points: the deepest cell of every piece of a group, of every dílec and division.
    std::vector<int> pieceOf(std::size_t(L.size()), -1);
    std::vector<int> pieceGroup;
    for (int c : region) {
        if (pieceOf[c] >= 0) continue;
        const int piece = int(pieceGroup.size());
        pieceGroup.push_back(groupOf[c]);
        std::deque<int> queue{c};
        pieceOf[c] = piece;
        while (!queue.empty()) {
            const int x = queue.front();
            queue.pop_front();
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(x, d);
                if (n >= 0 && pieceOf[n] < 0 && groupOf[n] == groupOf[c]) {
                    pieceOf[n] = piece;
                    queue.push_back(n);
                }
            }
        }
    }
    const std::vector<int> pieceLabel = deepestCells(L, pieceOf, int(pieceGroup.size()), region);
    {
        std::vector<int> dilecOf(std::size_t(L.size()), -1), divisionOf(std::size_t(L.size()), -1);
        for (int c : region) {
            dilecOf[c] = dilecOfGroup(groupOf[c]);
            divisionOf[c] = divisionOfGroup(groupOf[c]);
        }
        const auto dl = deepestCells(L, dilecOf, int(out.dilce.size()), region);
        for (std::size_t i = 0; i < dl.size(); ++i) out.dilce[i].label = L.pos[dl[i]];
        const auto vl = deepestCells(L, divisionOf, int(out.divisions.size()), region);
        for (std::size_t i = 0; i < vl.size(); ++i) out.divisions[i].label = L.pos[vl[i]];
    }

    // ---- Boundary chains ----
    std::vector<DualEdge> edges;
    const int T = L.triangleCount();
    std::vector<std::array<int, 3>> incident(std::size_t(T), {-1, -1, -1});
    auto attach = [&](int t, int e) {
        for (int& slot : incident[t])
            if (slot < 0) {
                slot = e;
                return;
            }
        throw std::logic_error("sample layout: more than three boundaries meet");
    };
    for (int p : region) {
        for (int d = 0; d < 6; ++d) {
            const int q = L.neighbour(p, d);
            const bool qIn = q >= 0 && inRegion[q];
            const int gp = groupOf[p], gq = qIn ? groupOf[q] : -1;
            if (gp == gq || (qIn && q < p)) continue;
            DualEdge e;
            e.tA = L.triangle(p, (d + 5) % 6);
            e.tB = L.triangle(p, d);
            e.mid = {(L.pos[p].x + L.pos[q].x) / 2, (L.pos[p].y + L.pos[q].y) / 2};
            e.left = gp;
            e.right = gq;
            attach(e.tA, int(edges.size()));
            attach(e.tB, int(edges.size()));
            edges.push_back(e);
        }
    }
    auto degree = [&](int t) {
        int n = 0;
        for (int slot : incident[t]) n += slot >= 0;
        return n;
    };
    struct ChainWalk {
        std::vector<Point> pts;
        int from = -1, to = -1; // junction triangles; -1 for a closed chain
        int left = -1, right = -1;
    };
    std::vector<ChainWalk> walks;
    std::vector<char> used(edges.size(), 0);
    auto walkFrom = [&](int t0, int e0, bool closed) {
        ChainWalk w;
        int t = t0, e = e0;
        const bool firstForward = edges[e0].tA == t0;
        w.left = firstForward ? edges[e0].left : edges[e0].right;
        w.right = firstForward ? edges[e0].right : edges[e0].left;
        w.pts.push_back(L.centroid(t0));
        while (true) {
            used[e] = 1;
            const DualEdge& de = edges[e];
            const int next = de.tA == t ? de.tB : de.tA;
            w.pts.push_back(de.mid);
            w.pts.push_back(L.centroid(next));
            t = next;
            if (closed ? t == t0 : degree(t) != 2) break;
            int ne = -1;
            for (int slot : incident[t])
                if (slot >= 0 && slot != e) ne = slot;
            e = ne;
        }
        w.from = closed ? -1 : t0;
        w.to = closed ? -1 : t;
        walks.push_back(std::move(w));
    };
    for (int t = 0; t < T; ++t) {
        if (incident[t][0] < 0 || degree(t) == 2) continue;
        for (int slot : incident[t])
            if (slot >= 0 && !used[slot]) walkFrom(t, slot, false);
    }
    for (std::size_t e = 0; e < edges.size(); ++e)
        if (!used[e]) walkFrom(edges[e].tA, int(e), true);

    // Smooth every chain (its junctions stay), then roughen each of its segments within a cone
    // at either end that no neighbouring boundary reaches.
    for (ChainWalk& w : walks) {
        const bool closed = w.from < 0;
        const std::size_t n = w.pts.size();
        // Six rounds flatten the lattice's zigzag; next to a junction only two, so that the
        // boundaries meeting there keep apart, and a closed ring (an island) only three, so that
        // it does not shrink much.
        for (int iter = 0; iter < 6; ++iter) {
            std::vector<Point> next = w.pts;
            for (std::size_t i = 0; i < n; ++i) {
                if (!closed && (i == 0 || i == n - 1)) continue;
                if (closed && i == n - 1) continue;
                if (iter >= 2 && (closed ? iter >= 3 : i < 3 || i + 3 >= n)) continue;
                const Point a = closed && i == 0 ? w.pts[n - 2] : w.pts[i - 1];
                const Point b = w.pts[i + 1];
                next[i] = {0.5 * w.pts[i].x + 0.25 * (a.x + b.x), 0.5 * w.pts[i].y + 0.25 * (a.y + b.y)};
            }
            if (closed) next[n - 1] = next[0];
            w.pts = std::move(next);
        }
    }
    // The smallest angle between a chain's end segment and the other chains' end segments at its
    // junction.
    std::unordered_map<int, std::vector<Point>> junctionDirections;
    for (const ChainWalk& w : walks) {
        if (w.from < 0) continue;
        const std::size_t n = w.pts.size();
        junctionDirections[w.from].push_back({w.pts[1].x - w.pts[0].x, w.pts[1].y - w.pts[0].y});
        junctionDirections[w.to].push_back(
            {w.pts[n - 2].x - w.pts[n - 1].x, w.pts[n - 2].y - w.pts[n - 1].y});
    }
    auto junctionAngle = [&](int t, Point dir) {
        double best = std::numbers::pi;
        bool self = false;
        for (Point o : junctionDirections[t]) {
            if (!self && o.x == dir.x && o.y == dir.y) {
                self = true; // the chain's own end
                continue;
            }
            best = std::min(best, angleBetween(dir, o));
        }
        return best;
    };
    auto coneSlope = [](double angle) { return std::tan(std::min(0.35, 0.35 * angle)); };

    std::vector<std::vector<HalfChain>> halves(static_cast<std::size_t>(G));
    std::vector<std::vector<int>> closedRings(static_cast<std::size_t>(G));
    for (std::size_t wi = 0; wi < walks.size(); ++wi) {
        ChainWalk& w = walks[wi];
        const bool closed = w.from < 0;
        const std::size_t n = w.pts.size();
        auto slopeAt = [&](std::size_t i) {
            Point prev, next;
            if (i == 0 && !closed)
                return coneSlope(junctionAngle(w.from, {w.pts[1].x - w.pts[0].x, w.pts[1].y - w.pts[0].y}));
            if (i == n - 1 && !closed)
                return coneSlope(
                    junctionAngle(w.to, {w.pts[n - 2].x - w.pts[n - 1].x, w.pts[n - 2].y - w.pts[n - 1].y}));
            const std::size_t ii = closed && i == n - 1 ? 0 : i;
            prev = ii == 0 ? w.pts[n - 2] : w.pts[ii - 1];
            next = w.pts[ii + 1];
            const Point here = w.pts[ii];
            return coneSlope(
                angleBetween({prev.x - here.x, prev.y - here.y}, {next.x - here.x, next.y - here.y}));
        };
        std::vector<Point> rough;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const Point a = w.pts[i], b = w.pts[i + 1];
            rough.push_back(a);
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            if (len <= 0) continue;
            const int pieces = std::clamp(int(std::lround(len / 7.0)), 1, 8);
            const double ka = slopeAt(i), kb = slopeAt(i + 1);
            const Point normal{-(b.y - a.y) / len, (b.x - a.x) / len};
            const std::uint64_t h = hashOf({seed, PNoise, std::uint64_t(wi), std::uint64_t(i)});
            for (int s = 1; s < pieces; ++s) {
                const double t = double(s) / pieces;
                const double envelope = len * std::min({t * ka, (1 - t) * kb, 0.12});
                const double off = envelope * edgeNoise(h, t);
                rough.push_back(
                    {a.x + (b.x - a.x) * t + normal.x * off, a.y + (b.y - a.y) * t + normal.y * off});
            }
        }
        rough.push_back(w.pts.back());
        w.pts = std::move(rough);

        BoundaryChain chain;
        chain.points = w.pts;
        const int l = w.left, r = w.right;
        if (l < 0 || r < 0)
            chain.level = OuterBoundary;
        else if (divisionOfGroup(l) != divisionOfGroup(r))
            chain.level = DivisionBoundary;
        else if (dilecOfGroup(l) != dilecOfGroup(r))
            chain.level = DilecBoundary;
        else if (standOfGroup(l) != standOfGroup(r))
            chain.level = StandBoundary;
        else
            chain.level = GroupBoundary;
        chain.minX = chain.minY = 1e300;
        chain.maxX = chain.maxY = -1e300;
        for (Point p : chain.points) {
            chain.minX = std::min(chain.minX, p.x);
            chain.minY = std::min(chain.minY, p.y);
            chain.maxX = std::max(chain.maxX, p.x);
            chain.maxY = std::max(chain.maxY, p.y);
        }
        out.chains.push_back(std::move(chain));

        // A group on the right walks the chain forward (clockwise around it), on the left backward.
        if (closed) {
            if (r >= 0) closedRings[r].push_back(int(wi) * 2);
            if (l >= 0) closedRings[l].push_back(int(wi) * 2 + 1);
        } else {
            if (r >= 0) halves[r].push_back({w.from, w.to, int(wi), true});
            if (l >= 0) halves[l].push_back({w.to, w.from, int(wi), false});
        }
    }

    // ---- Rings of every group ----
    out.minX = out.minY = 1e300;
    out.maxX = out.maxY = -1e300;
    for (int g = 0; g < G; ++g) {
        std::vector<Ring> rings;
        auto appendChain = [&](Ring& ring, int wi, bool forward) {
            const std::vector<Point>& pts = walks[wi].pts;
            const std::size_t n = pts.size();
            for (std::size_t i = ring.empty() ? 0 : 1; i < n; ++i)
                ring.push_back(forward ? pts[i] : pts[n - 1 - i]);
        };
        for (int code : closedRings[g]) {
            Ring ring;
            appendChain(ring, code / 2, code % 2 == 0);
            rings.push_back(std::move(ring));
        }
        std::vector<HalfChain>& hs = halves[g];
        std::sort(hs.begin(), hs.end(), [](const HalfChain& a, const HalfChain& b) {
            return a.from < b.from || (a.from == b.from && a.chain < b.chain);
        });
        std::vector<char> done(hs.size(), 0);
        for (std::size_t start = 0; start < hs.size(); ++start) {
            if (done[start]) continue;
            Ring ring;
            std::size_t at = start;
            while (true) {
                done[at] = 1;
                appendChain(ring, hs[at].chain, hs[at].forward);
                const int to = hs[at].to;
                if (to == hs[start].from) break;
                auto it = std::lower_bound(hs.begin(), hs.end(), to,
                                           [](const HalfChain& h, int v) { return h.from < v; });
                while (it != hs.end() && it->from == to && done[std::size_t(it - hs.begin())]) ++it;
                if (it == hs.end() || it->from != to)
                    throw std::logic_error("sample layout: an open group outline");
                at = std::size_t(it - hs.begin());
            }
            rings.push_back(std::move(ring));
        }
        LayoutGroup& group = out.groups[g];
        std::vector<Ring> holes;
        for (Ring& ring : rings) {
            if (ringArea(ring) > 0) {
                GroupPart part;
                part.outer = std::move(ring);
                group.parts.push_back(std::move(part));
            } else {
                holes.push_back(std::move(ring));
            }
        }
        for (Ring& hole : holes) {
            bool placed = false;
            for (GroupPart& part : group.parts)
                if (pointInRing(part.outer, hole.front())) {
                    part.holes.push_back(std::move(hole));
                    placed = true;
                    break;
                }
            if (!placed) throw std::logic_error("sample layout: a hole outside its group");
        }
        double area = 0;
        for (const GroupPart& part : group.parts) {
            area += ringArea(part.outer);
            for (const Ring& h : part.holes) area += ringArea(h);
            for (Point p : part.outer) {
                out.minX = std::min(out.minX, p.x);
                out.minY = std::min(out.minY, p.y);
                out.maxX = std::max(out.maxX, p.x);
                out.maxY = std::max(out.maxY, p.y);
            }
        }
        group.areaM2 = area;
        if (area / 1e4 < kMinFinalHa || area / 1e4 > kMaxFinalHa)
            throw std::logic_error("sample layout: a group's area is out of range");
    }
    for (std::size_t piece = 0; piece < pieceGroup.size(); ++piece) {
        const Point label = L.pos[pieceLabel[piece]];
        LayoutGroup& group = out.groups[pieceGroup[piece]];
        for (GroupPart& part : group.parts)
            if (pointInRing(part.outer, label)) {
                bool inHole = false;
                for (const Ring& h : part.holes) inHole |= pointInRing(h, label);
                if (!inHole) part.label = label;
            }
    }
    for (const LayoutGroup& group : out.groups)
        for (const GroupPart& part : group.parts)
            if (part.label.x == 0 && part.label.y == 0)
                throw std::logic_error("sample layout: a piece without a label");

    // ---- A walk through the forest: from the west to the east, one cell or more inside ----
    {
        std::vector<int> depth(std::size_t(L.size()), -1);
        std::deque<int> queue;
        for (int c : region)
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(c, d);
                if (n < 0 || !inRegion[n]) {
                    depth[c] = 0;
                    queue.push_back(c);
                    break;
                }
            }
        int maxDepth = 0;
        while (!queue.empty()) {
            const int c = queue.front();
            queue.pop_front();
            maxDepth = std::max(maxDepth, depth[c]);
            for (int d = 0; d < 6; ++d) {
                const int n = L.neighbour(c, d);
                if (n >= 0 && inRegion[n] && depth[n] < 0) {
                    depth[n] = depth[c] + 1;
                    queue.push_back(n);
                }
            }
        }
        const int minDepth = std::clamp(maxDepth / 2, 1, 3);
        const double halfW = std::min(1200.0, 0.32 * (out.maxX - out.minX));
        const double halfH = std::min(600.0, 0.2 * (out.maxY - out.minY));
        Rng rng({seed, PWalk});
        const Point cc{(out.minX + out.maxX) / 2, (out.minY + out.maxY) / 2};
        const Point targets[3] = {{cc.x - halfW, cc.y - halfH * rng.range(-1, 1)},
                                  {cc.x + halfW * rng.range(-0.2, 0.2), cc.y + halfH * rng.range(0.5, 1)},
                                  {cc.x + halfW, cc.y - halfH * rng.range(-1, 1)}};
        auto nearestDeep = [&](Point t) {
            int best = -1;
            double bestDist = 1e300;
            for (int c : region) {
                if (depth[c] < minDepth) continue;
                const double dist = std::hypot(L.pos[c].x - t.x, L.pos[c].y - t.y);
                if (dist < bestDist) {
                    bestDist = dist;
                    best = c;
                }
            }
            return best;
        };
        std::vector<int> path;
        int from = nearestDeep(targets[0]);
        if (from >= 0) {
            path.push_back(from);
            for (int target = 1; target < 3; ++target) {
                const int to = nearestDeep(targets[target]);
                std::vector<int> prev(std::size_t(L.size()), -2);
                std::deque<int> q{from};
                prev[from] = -1;
                while (!q.empty() && prev[to] == -2) {
                    const int c = q.front();
                    q.pop_front();
                    for (int d = 0; d < 6; ++d) {
                        const int n = L.neighbour(c, d);
                        if (n >= 0 && inRegion[n] && depth[n] >= minDepth && prev[n] == -2) {
                            prev[n] = c;
                            q.push_back(n);
                        }
                    }
                }
                if (prev[to] == -2) break; // the deep cells do not connect: the walk ends here
                std::vector<int> steps;
                for (int c = to; c != from; c = prev[c]) steps.push_back(c);
                path.insert(path.end(), steps.rbegin(), steps.rend());
                from = to;
            }
        }
        for (int c : path) out.walk.push_back(L.pos[c]);
    }
    return out;
}

} // namespace zsample
