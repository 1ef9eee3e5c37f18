// The base of tools that find a unit (a frame) of a model under a model point.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class TFrameSelector : public TTool {
    ZELTO_CLASS(TFrameSelector, TTool)
public:
    double FY = 0;
    double FX = 0;

    TFrameSelector();

    // Finds the model to search in the world; nothing here.
    virtual void FindInput();
    void DoIt() override;

    double GetX() const { return FX; }
    void SetX(double v) { FX = v; }
    double GetY() const { return FY; }
    void SetY(double v) { FY = v; }
};

} // namespace zelto
