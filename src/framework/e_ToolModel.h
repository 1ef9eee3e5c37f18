// The model of a tool: an element model with the tool's dynamic flag, shortcut and sub-tools.
#pragma once

#include "e_ElementModel.h"

namespace zelto {

class TToolModel : public TElementModel {
    ZELTO_CLASS(TToolModel, TElementModel)
public:
    bool FDynamicTool = false;
    QString FShortCut;

    // The "TOOLS" child of tool models, created on demand.
    TOwnerEntity* GetModelTools();
    bool NoModelTools() const;
    TToolModel* GetLastTool() const;
    void SetNewToolName(const QString& name);
};

void registerToolModelClasses();

} // namespace zelto
