#include "t_Recurs.h"

#include "e_Class.h"

namespace zelto {

void TRecursor::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TRecursor::FNotInside>("NotInside");
    b.field<&TRecursor::FLevel>("Level").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TRecursor, TTechnology, "t_Recurs")

void TRecursor::DoIt() {
    TTool::DoIt();
    FLevel = 1;
    if (!FInPut) return;
    PrepareOutPut();
    visit(FInPut);
}

void TRecursor::visit(TElement* element) {
    if (QProcessBefore(element)) Process(element);
    if (QGoInside(element)) GoInside(element);
    if (QProcessAfter(element)) Process(element);
}

void TRecursor::GoInside(TElement* element) {
    auto* entity = zelto_cast<TEntity>(element);
    if (FNotInside || !entity) return;
    ++FLevel;
    for (int i = 0; i < entity->ElementsCount(); ++i)
        if (TElement* child = entity->FElements.at(i)) visit(child);
    --FLevel;
}

bool TRecursor::QGoInside(TElement* element) {
    return element && element->Is<TEntity>();
}
bool TRecursor::QProcessBefore(TElement*) {
    return false;
}
bool TRecursor::QProcessAfter(TElement*) {
    return false;
}
void TRecursor::Process(TElement*) {}
void TRecursor::PrepareOutPut() {}

void TRecursorWithTools::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TRecursorWithTools::FBeforeTool>("BeforeTool");
    b.field<&TRecursorWithTools::FAfterTool>("AfterTool");
    b.field<&TRecursorWithTools::FQGoInsideTool>("QGoInsideTool");
}
ZELTO_IMPLEMENT_CLASS(TRecursorWithTools, TRecursor, "t_Recurs")

bool TRecursorWithTools::QGoInside(TElement* element) {
    if (!element || !element->Is<TEntity>() || !FQGoInsideTool) return true;
    FQGoInsideTool->SetOutput(nullptr);
    FQGoInsideTool->SetInput(element);
    FQGoInsideTool->DoIt();
    return FQGoInsideTool->FOutput != nullptr;
}

bool TRecursorWithTools::QProcessBefore(TElement* element) {
    if (FBeforeTool) {
        FBeforeTool->SetInput(element);
        FBeforeTool->DoIt();
    }
    return false;
}

bool TRecursorWithTools::QProcessAfter(TElement* element) {
    if (FAfterTool) {
        FAfterTool->SetInput(element);
        FAfterTool->DoIt();
    }
    return false;
}

void registerRecursorClasses() {
    RegisterZeltoClass(TRecursorWithTools::StaticClass());
}

} // namespace zelto
