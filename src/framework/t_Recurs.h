// The tree walker: a technology that visits an element graph in a fixed order (before, inside,
// after); the base of the stream writer.
#pragma once

#include "Tools.h"

namespace zelto {

class TRecursor : public TTechnology {
    ZELTO_CLASS(TRecursor, TTechnology)
public:
    bool FNotInside = false;
    qint32 FLevel = 0;

    void DoIt() override;

    virtual void GoInside(TElement* element);
    virtual bool QGoInside(TElement* element);
    virtual bool QProcessBefore(TElement* element);
    virtual bool QProcessAfter(TElement* element);
    virtual void Process(TElement* element);
    virtual void PrepareOutPut();

protected:
    void visit(TElement* element);
};

// A walker whose decisions and steps are tools: QGoInsideTool decides by producing an output,
// BeforeTool and AfterTool run on each element.
class TRecursorWithTools : public TRecursor {
    ZELTO_CLASS(TRecursorWithTools, TRecursor)
public:
    TTool* FBeforeTool = nullptr;    // not owned
    TTool* FAfterTool = nullptr;     // not owned
    TTool* FQGoInsideTool = nullptr; // not owned

    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    bool QProcessAfter(TElement* element) override;
};

void registerRecursorClasses();

} // namespace zelto
