// Line-merging tools. They are registered so that stored tool settings keep their properties, but
// no flow of this system runs them.
#pragma once

#include "framework/Tools.h"

namespace zelto {

class TGeometryElementCollection;

class TJoinSimpleLines : public TTool {
    ZELTO_CLASS(TJoinSimpleLines, TTool)
};

class TJoinTopolLines : public TTool {
    ZELTO_CLASS(TJoinTopolLines, TTool)
public:
    TEntity* FRefLines = nullptr; // not owned
    bool FJoinRefLines = false;
    bool FIgnorePresnost = false;
    bool FSameDirection = false;

    // The working collection of lines: the child "Lines", created on first use (and found again
    // after the tool was read from a stream).
    TGeometryElementCollection* GetLines();
    // Sets the Boolean switch of that name (ignoring case); other names are ignored.
    void SetNextSwitch(const QString& name);
};

// Module 39 (simple joins): TJoinSimpleLines, TJoinTopolLines.
void registerSimpleJoinClasses();

} // namespace zelto
