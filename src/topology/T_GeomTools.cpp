#include "T_GeomTools.h"

#include "framework/e_Class.h"
#include "geometry/e_Geometry.h"

namespace zelto {

void TGeometryTool::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TGeometryTool::FGeometry1>("Geometry1");
    b.field<&TGeometryTool::FGeometry2>("Geometry2");
}
ZELTO_IMPLEMENT_CLASS(TGeometryTool, TTool, "T_GeomTools")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TGeometryUnion, TGeometryTool, "T_GeomTools")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TGeometryDifference, TGeometryTool, "T_GeomTools")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TGeometryIntersection, TGeometryTool, "T_GeomTools")

void registerGeometryToolClasses() {
    RegisterZeltoClass(TGeometryTool::StaticClass());
    RegisterZeltoClass(TGeometryUnion::StaticClass());
    RegisterZeltoClass(TGeometryDifference::StaticClass());
    RegisterZeltoClass(TGeometryIntersection::StaticClass());
}

} // namespace zelto
