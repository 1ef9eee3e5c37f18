// Tools over the rectangle-entity quadtree: building one from an entity's children, and finding
// the element at a point.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class TAddEntityToQTree : public TTool {
    ZELTO_CLASS(TAddEntityToQTree, TTool)
public:
    void DoIt() override;
};

class TFindRectEntityInQTreeByXY : public TTool {
    ZELTO_CLASS(TFindRectEntityInQTreeByXY, TTool)
public:
    double FX = 0;
    double FY = 0;
    double FTolerance = 0;

    void DoIt() override;
    void SetTolerance(double t) { FTolerance = t; }
};

void registerQTreeToolClasses();

} // namespace zelto
