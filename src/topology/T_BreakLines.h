// Break-line connection tools. They are registered so that stored tool settings keep their
// properties, but no flow of this system runs them.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class TProjection;

class TFindBreakLineConnections : public TTool {
    ZELTO_CLASS(TFindBreakLineConnections, TTool)
public:
    bool FByProjection = false;
    TProjection* FProjection = nullptr; // not owned
    qint32 FConnectionsNumber = 0;
    bool FAllNodes = false;
};

class TFindLinesInNodesForEntity : public TTool {
    ZELTO_CLASS(TFindLinesInNodesForEntity, TTool)
public:
    TEntity* FLinesEntity = nullptr; // not owned
};

// Module 38 (break lines): TFindBreakLineConnections, TFindLinesInNodesForEntity.
void registerBreakLineClasses();

} // namespace zelto
