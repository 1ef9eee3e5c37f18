// Areas from lines against GEOS, on the boundary lines of a stand-like planar partition (a
// jittered grid of cells with irregular shared boundaries, already noded; tests/topology/
// stand_partition.h). Per size, every engine runs in a child process of its own, forked after the
// lines are generated, so each gets the same input and its own peak RSS:
//   zelto            TCreateAreasFromLinesTool on TPolyLineElement lines (no line-joining step
//                    installed: the lines are used as they are)
//   geos-polygonize  GEOSPolygonize on the same lines
//   geos-node+poly   GEOSNode on all lines, then GEOSPolygonize
// Timed: the run and the area of every result (holes subtracted), as wall and CPU time of the
// child, the median (by CPU time) of the repetitions; the ratio is of CPU times.
// Building each engine's own input geometries is timed separately. "RSS +MB" is the child's peak
// resident size less its resident size when it started (the peak is reset there), the largest of
// the repetitions: the engine's input geometries, its work and its result.
//
//   bench_areas [--sizes 1000,10000] [--reps 3] [--only ENGINE] [--lines FILE,...]
// --only runs one engine in this process, without forking (for profilers). --lines takes the line
// sets from text line files ("x1 y1 x2 y2 ..." per line) instead of the grid partitions: the
// stand boundaries of a generated forest (`zelto-sample --lines FILE`), many vertices per line.
#include <geos_c.h>

#include "../tests/topology/stand_partition.h"
#include "geometry/e_Geometry.h"
#include "startup/Init.h"
#include "topology/t_AreMak.h"

#include "bench_process.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace zelto;
using testdata::Polyline;

namespace {

using benchproc::cpuNow;
using benchproc::now;
using benchproc::resetPeak;
using benchproc::statusKb;

// What a child reports through its pipe.
struct Report {
    double buildSeconds = 0;
    double runSeconds = 0;
    double runCpuSeconds = 0;
    long areas = 0;
    double areaSum = 0;
    long extraKb = -1; // peak resident size less the resident size at the start of the child
};

Report runZelto(const std::vector<Polyline>& lines) {
    Report r;
    double t0 = now();
    std::unique_ptr<TPolyLineString> set(new TPolyLineString);
    for (const Polyline& l : lines) {
        auto* p = new TPolyLineElement;
        for (auto [x, y] : l) p->AddXY(x, y);
        p->RecalculateRect();
        set->AddAndUpdateRect(p);
    }
    r.buildSeconds = now() - t0;
    t0 = now();
    const double c0 = cpuNow();
    std::unique_ptr<TCreateAreasFromLinesTool> tool(new TCreateAreasFromLinesTool);
    tool->SetNoProgress(true);
    tool->SetInput(set.get());
    tool->DoIt();
    std::unique_ptr<TAreaString> areas(zelto_cast<TAreaString>(tool->GetOutput()));
    if (areas)
        for (TElement* e : areas->FElements)
            if (auto* a = zelto_cast<TAreaElement>(e)) {
                r.areaSum += a->GetArea();
                ++r.areas;
            }
    r.runSeconds = now() - t0;
    r.runCpuSeconds = cpuNow() - c0;
    return r;
}

Report runGeos(const std::vector<Polyline>& lines, bool node) {
    Report r;
    GEOSContextHandle_t ctx = GEOS_init_r();
    double t0 = now();
    std::vector<GEOSGeometry*> parts;
    parts.reserve(lines.size());
    std::vector<double> xy;
    for (const Polyline& l : lines) {
        xy.clear();
        for (auto [x, y] : l) xy.insert(xy.end(), {x, y});
        parts.push_back(GEOSGeom_createLineString_r(
            ctx, GEOSCoordSeq_copyFromBuffer_r(ctx, xy.data(), unsigned(l.size()), 0, 0)));
    }
    GEOSGeometry* all =
        GEOSGeom_createCollection_r(ctx, GEOS_MULTILINESTRING, parts.data(), unsigned(parts.size()));
    r.buildSeconds = now() - t0;
    t0 = now();
    const double c0 = cpuNow();
    GEOSGeometry* input = all;
    if (node) input = GEOSNode_r(ctx, all);
    std::vector<const GEOSGeometry*> members;
    for (int i = 0; i < GEOSGetNumGeometries_r(ctx, input); ++i)
        members.push_back(GEOSGetGeometryN_r(ctx, input, i));
    GEOSGeometry* polygons = GEOSPolygonize_r(ctx, members.data(), unsigned(members.size()));
    for (int i = 0; i < GEOSGetNumGeometries_r(ctx, polygons); ++i) {
        double a = 0;
        GEOSArea_r(ctx, GEOSGetGeometryN_r(ctx, polygons, i), &a);
        r.areaSum += a;
        ++r.areas;
    }
    r.runSeconds = now() - t0;
    r.runCpuSeconds = cpuNow() - c0;
    GEOSGeom_destroy_r(ctx, polygons);
    if (input != all) GEOSGeom_destroy_r(ctx, input);
    GEOSGeom_destroy_r(ctx, all);
    GEOS_finish_r(ctx);
    return r;
}

// Runs one engine in a forked child; answers its report.
bool inChild(const char* engine, const std::vector<Polyline>& lines, Report& report) {
    return benchproc::inChild(
        [&] {
            const bool peakReset = resetPeak();
            const long startKb = statusKb("VmRSS:");
            Report r;
            if (std::strcmp(engine, "zelto") == 0)
                r = runZelto(lines);
            else
                r = runGeos(lines, std::strcmp(engine, "geos-node+poly") == 0);
            if (peakReset) r.extraKb = statusKb("VmHWM:") - startKb;
            return r;
        },
        report);
}

// A text line file: one polyline per line, "x1 y1 x2 y2 ...".
std::vector<Polyline> readLines(const char* path) {
    std::vector<Polyline> lines;
    FILE* f = std::fopen(path, "r");
    if (!f) return lines;
    std::string text;
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        Polyline line;
        const char* p = text.data() + at;
        const char* stop = text.data() + end;
        while (p < stop) {
            char* next = nullptr;
            const double x = std::strtod(p, &next);
            if (next == p) break;
            p = next;
            const double y = std::strtod(p, &next);
            if (next == p) break;
            p = next;
            line.push_back({x, y});
        }
        if (line.size() >= 2) lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    zelto::init();
    std::vector<int> sizes{1000, 10000};
    int reps = 3;
    const char* only = nullptr;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes.clear();
            for (char* s = std::strtok(argv[++i], ","); s; s = std::strtok(nullptr, ","))
                sizes.push_back(std::atoi(s));
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--lines") == 0 && i + 1 < argc) {
            for (char* s = std::strtok(argv[++i], ","); s; s = std::strtok(nullptr, ","))
                files.emplace_back(s);
        } else if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(
                stderr,
                "usage: bench_areas [--sizes 1000,10000] [--reps 3] [--only ENGINE] [--lines FILE,...]\n");
            return 2;
        }
    }
    std::printf("%-8s %-8s %-8s %-16s %8s %8s %8s %8s %8s %14s\n", "cells", "lines", "verts", "engine",
                "build s", "run s", "run cpu", "areas", "RSS +MB", "area sum");
    bool ok = true;
    // The sets: a line file each, or else a grid partition per size ("cells": its cells, or the
    // set's number for a file).
    const size_t sets = files.empty() ? sizes.size() : files.size();
    for (size_t set = 0; set < sets; ++set) {
        std::vector<Polyline> lines;
        int cells = 0;
        if (files.empty()) {
            testdata::PartitionOptions o;
            o.nx = o.ny = std::max(1, int(std::lround(std::sqrt(double(sizes[set])))));
            o.seed = 42;
            lines = testdata::MakeStandPartition(o);
            cells = o.nx * o.ny;
        } else {
            lines = readLines(files[set].c_str());
            cells = int(set) + 1;
            std::printf("set %d: %s\n", cells, files[set].c_str());
            if (lines.empty()) {
                std::fprintf(stderr, "%s: no lines\n", files[set].c_str());
                return 1;
            }
        }
        size_t vertices = 0;
        for (const Polyline& l : lines) vertices += l.size();
        if (only) {
            const Report r = std::strcmp(only, "zelto") == 0
                                 ? runZelto(lines)
                                 : runGeos(lines, std::strcmp(only, "geos-node+poly") == 0);
            std::printf("%-8d %-8zu %-8zu %-16s %8.3f %8.3f %8.3f %8ld %8s %14.3f\n", cells, lines.size(),
                        vertices, only, r.buildSeconds, r.runSeconds, r.runCpuSeconds, r.areas, "-",
                        r.areaSum);
            continue;
        }
        double zeltoRun = 0;
        long zeltoAreas = -1;
        for (const char* engine : {"zelto", "geos-polygonize", "geos-node+poly"}) {
            std::vector<Report> runs;
            long peak = 0;
            for (int k = 0; k < reps; ++k) {
                Report r;
                if (!inChild(engine, lines, r)) {
                    std::fprintf(stderr, "%s failed\n", engine);
                    return 1;
                }
                runs.push_back(r);
                peak = std::max(peak, r.extraKb);
            }
            std::sort(runs.begin(), runs.end(),
                      [](const Report& a, const Report& b) { return a.runCpuSeconds < b.runCpuSeconds; });
            const Report& median = runs[runs.size() / 2];
            std::printf("%-8d %-8zu %-8zu %-16s %8.3f %8.3f %8.3f %8ld %8.1f %14.3f", cells, lines.size(),
                        vertices, engine, median.buildSeconds, median.runSeconds, median.runCpuSeconds,
                        median.areas, peak / 1024.0, median.areaSum);
            if (std::strcmp(engine, "zelto") == 0) {
                zeltoRun = median.runCpuSeconds;
                zeltoAreas = median.areas;
                std::printf("\n");
            } else {
                std::printf("  zelto/this %.2f\n", zeltoRun / median.runCpuSeconds);
                if (median.areas != zeltoAreas) {
                    std::fprintf(stderr, "area counts differ: zelto %ld, %s %ld\n", zeltoAreas, engine,
                                 median.areas);
                    ok = false;
                }
            }
        }
    }
    return ok ? 0 : 1;
}
