// A seeded, stand-like planar partition as a set of lines that meet only at their end points:
// a jittered grid of cells whose shared boundaries wander irregularly, optionally with some inner
// boundaries dropped (merged stands, dead ends, separated groups), enclaves inside cells and
// enclaves inside enclaves. Coordinates are national-grid metres. Shared by the topology tests
// and the area benchmark.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace zelto::testdata {

using Point = std::pair<double, double>;
using Polyline = std::vector<Point>;

struct PartitionOptions {
    int nx = 10, ny = 10; // cells
    double cell = 100;    // cell side, metres
    double x0 = -745000.25, y0 = -1045000.75;
    double dropShare = 0;            // share of inner boundaries left out
    double enclaveShare = 0;         // share of cells with an enclave (a closed ring)
    double nestedShare = 0;          // share of enclaves with a smaller enclave inside
    int minInner = 3, maxInner = 12; // inner vertices per boundary line
    unsigned seed = 1;
};

inline std::vector<Polyline> MakeStandPartition(const PartitionOptions& o) {
    std::mt19937 rng(o.seed);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_real_distribution<double> share(0, 1);
    std::uniform_int_distribution<int> inner(o.minInner, o.maxInner);
    const double s = o.cell;
    // Grid nodes moved by up to a fifth of a cell; the outer frame stays straight.
    std::vector<Point> node(size_t((o.nx + 1) * (o.ny + 1)));
    auto at = [&](int i, int j) -> Point& { return node[size_t(j * (o.nx + 1) + i)]; };
    for (int j = 0; j <= o.ny; ++j)
        for (int i = 0; i <= o.nx; ++i) {
            const bool borderX = i == 0 || i == o.nx, borderY = j == 0 || j == o.ny;
            at(i, j) = {o.x0 + i * s + (borderX ? 0 : 0.2 * s * unit(rng)),
                        o.y0 + j * s + (borderY ? 0 : 0.2 * s * unit(rng))};
        }
    std::vector<Polyline> lines;
    // A boundary from a to b that wanders sideways by at most 0.05 of a cell and leaves both ends
    // tangent to the straight direction (the offset grows with sin²), so that boundaries meeting
    // at a node (at least 22° apart) cannot cross.
    auto boundary = [&](Point a, Point b, bool straight) {
        Polyline l{a};
        const double dx = b.first - a.first, dy = b.second - a.second;
        const double len = std::hypot(dx, dy);
        const double nx = -dy / len, ny = dx / len;
        const double amplitude = straight ? 0 : 0.04 * s * unit(rng);
        const double noise = straight ? 0 : 0.01 * s;
        const int k = inner(rng);
        for (int m = 1; m <= k; ++m) {
            const double t = double(m) / (k + 1);
            const double bell = std::sin(std::numbers::pi * t) * std::sin(std::numbers::pi * t);
            const double off = bell * (amplitude + noise * unit(rng));
            l.emplace_back(a.first + t * dx + off * nx, a.second + t * dy + off * ny);
        }
        l.push_back(b);
        if (share(rng) < 0.5) std::reverse(l.begin(), l.end());
        lines.push_back(std::move(l));
    };
    for (int j = 0; j <= o.ny; ++j)
        for (int i = 0; i < o.nx; ++i) {
            const bool frame = j == 0 || j == o.ny;
            if (!frame && share(rng) < o.dropShare) continue;
            boundary(at(i, j), at(i + 1, j), frame);
        }
    for (int i = 0; i <= o.nx; ++i)
        for (int j = 0; j < o.ny; ++j) {
            const bool frame = i == 0 || i == o.nx;
            if (!frame && share(rng) < o.dropShare) continue;
            boundary(at(i, j), at(i, j + 1), frame);
        }
    // Enclaves: closed rings round the cell's middle, well clear of its boundaries (which come at
    // most 0.25 of a cell closer to it).
    auto ring = [&](double cx, double cy, double r, int parts) {
        const int n = 8 + int(share(rng) * 8);
        Polyline all;
        for (int m = 0; m < n; ++m) {
            const double a = 2 * std::numbers::pi * m / n;
            const double rr = r * (0.8 + 0.2 * share(rng));
            all.emplace_back(cx + rr * std::cos(a), cy + rr * std::sin(a));
        }
        all.push_back(all.front());
        // One closed line, or the ring cut into `parts` lines.
        const int step = std::max(1, n / parts);
        for (int from = 0; from < n; from += step) {
            const int to = std::min(n, from + step);
            lines.emplace_back(all.begin() + from, all.begin() + to + 1);
        }
    };
    for (int j = 0; j < o.ny; ++j)
        for (int i = 0; i < o.nx; ++i) {
            if (share(rng) >= o.enclaveShare) continue;
            const double cx = o.x0 + (i + 0.5) * s, cy = o.y0 + (j + 0.5) * s;
            ring(cx, cy, 0.12 * s, 1 + int(share(rng) * 3));
            if (share(rng) < o.nestedShare) ring(cx, cy, 0.05 * s, 1 + int(share(rng) * 2));
        }
    return lines;
}

} // namespace zelto::testdata
