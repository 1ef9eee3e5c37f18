// Shared helpers of the topology tests: building lines, running the area pipeline and reading its
// result, and catching the protocol texts the tools post.
#pragma once

#include "builders.h"
#include "framework/Notifier.h"
#include "geometry/e_Geometry.h"
#include "protocol_catcher.h"
#include "topology/t_AreMak.h"

#include <QStringList>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace topo {

using zelto::testing::Points;

inline zelto::TPolyLineElement* makeLine(const Points& points) {
    return zelto::testing::line(points);
}

using zelto::testing::ProtocolCatcher;

// A set of lines and one run of TCreateAreasFromLinesTool over it. Freed in the order the model
// needs: the areas, then the tool (its nodes), then the lines.
class AreaRun {
public:
    AreaRun() : m_lines(new zelto::TPolyLineString) {}
    ~AreaRun() {
        m_areas.reset();
        m_tool.reset();
        m_lines.reset();
    }
    AreaRun(const AreaRun&) = delete;
    AreaRun& operator=(const AreaRun&) = delete;

    zelto::TPolyLineElement* add(const Points& points) {
        zelto::TPolyLineElement* l = makeLine(points);
        m_lines->AddAndUpdateRect(l);
        return l;
    }
    void addAll(const std::vector<Points>& lines) {
        for (const Points& p : lines) add(p);
    }
    zelto::TPolyLineString* lines() const { return m_lines.get(); }

    zelto::TAreaString* run(double snap = 0) {
        m_areas.reset();
        m_tool.reset(new zelto::TCreateAreasFromLinesTool);
        m_tool->GetClearLines()->SetSnapDistance(snap);
        m_tool->SetInput(m_lines.get());
        m_tool->DoIt();
        m_areas.reset(zelto::zelto_cast<zelto::TAreaString>(m_tool->GetOutput()));
        return m_areas.get();
    }
    zelto::TAreaString* areas() const { return m_areas.get(); }
    zelto::TCreateAreasFromLinesTool* tool() const { return m_tool.get(); }

    std::vector<zelto::TPolyLineAreaElement*> areaList() const {
        std::vector<zelto::TPolyLineAreaElement*> out;
        if (m_areas)
            for (zelto::TElement* e : m_areas->FElements)
                if (auto* a = zelto::zelto_cast<zelto::TPolyLineAreaElement>(e)) out.push_back(a);
        return out;
    }
    // GetArea of every area (holes subtracted), ascending.
    std::vector<double> values() const {
        std::vector<double> v;
        for (auto* a : areaList()) v.push_back(a->GetArea());
        std::sort(v.begin(), v.end());
        return v;
    }

private:
    std::unique_ptr<zelto::TPolyLineString> m_lines;
    std::unique_ptr<zelto::TCreateAreasFromLinesTool> m_tool;
    std::unique_ptr<zelto::TAreaString> m_areas;
};

inline int holeCount(const zelto::TAreaElement* a) {
    return a->GetHoles() ? a->GetHoles()->ElementsCount() : 0;
}

} // namespace topo
