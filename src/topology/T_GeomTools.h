// Geometry set operations. They are registered so that stored tool settings keep their
// properties, but no flow of this system runs them.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class TGeometry;

class TGeometryTool : public TTool {
    ZELTO_CLASS(TGeometryTool, TTool)
public:
    TGeometry* FGeometry1 = nullptr; // not owned
    TGeometry* FGeometry2 = nullptr; // not owned
};

class TGeometryUnion : public TGeometryTool {
    ZELTO_CLASS(TGeometryUnion, TGeometryTool)
};

class TGeometryDifference : public TGeometryTool {
    ZELTO_CLASS(TGeometryDifference, TGeometryTool)
};

class TGeometryIntersection : public TGeometryTool {
    ZELTO_CLASS(TGeometryIntersection, TGeometryTool)
};

// Module 41 (geometry tools): TGeometryTool, TGeometryUnion, TGeometryDifference,
// TGeometryIntersection.
void registerGeometryToolClasses();

} // namespace zelto
