#include "e_ToolModel.h"

#include "e_Class.h"

namespace zelto {

void TToolModel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TToolModel::FDynamicTool>("DynamicTool");
    b.field<&TToolModel::FShortCut>("ShortCut");
    b.readOnly<&TToolModel::GetModelTools>("ModelTools").stored(false);
    b.readOnly<&TToolModel::NoModelTools>("NoModelTools").stored(false);
    b.readOnly<&TToolModel::GetLastTool>("LastTool").stored(false);
    b.writeOnly<&TToolModel::SetNewToolName>("NewToolName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TToolModel, TElementModel, "e_ToolModel")

TOwnerEntity* TToolModel::GetModelTools() {
    return NamedChild<TOwnerEntity>(QStringLiteral("TOOLS"));
}

bool TToolModel::NoModelTools() const {
    auto* e = FindNamedChild<TOwnerEntity>(QStringLiteral("TOOLS"));
    return !e || e->ElementsCount() == 0;
}

TToolModel* TToolModel::GetLastTool() const {
    auto* e = FindNamedChild<TOwnerEntity>(QStringLiteral("TOOLS"));
    if (!e || e->ElementsCount() == 0) return nullptr;
    return zelto_cast<TToolModel>(e->Get(e->ElementsCount() - 1));
}

void TToolModel::SetNewToolName(const QString& name) {
    auto* m = new TToolModel;
    m->SetName(name);
    GetModelTools()->AddElement(m);
}

void registerToolModelClasses() {
    RegisterZeltoClass(TToolModel::StaticClass());
}

} // namespace zelto
