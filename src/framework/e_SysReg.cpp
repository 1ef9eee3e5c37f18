#include "e_SysReg.h"

#include "TextLocale.h"
#include "e_Class.h"

namespace zelto {

void TRegisterPropertyModel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TRegisterPropertyModel::FAlias>("Alias");
    b.field<&TRegisterPropertyModel::FImageIndex>("ImageIndex");
    b.field<&TRegisterPropertyModel::FEditor>("Editor");
}
ZELTO_IMPLEMENT_CLASS(TRegisterPropertyModel, TOwnerEntity, "e_SysReg")

void TRegisterClassModel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TRegisterClassModel::FAlias>("Alias");
    b.field<&TRegisterClassModel::FImageIndex>("ImageIndex");
    b.field<&TRegisterClassModel::FImageSelectedIndex>("ImageSelectedIndex");
    b.field<&TRegisterClassModel::FEditor>("Editor");
    b.field<&TRegisterClassModel::FInterpret>("Interpret");
    b.field<&TRegisterClassModel::FSubClass>("SubClass");
}
ZELTO_IMPLEMENT_CLASS(TRegisterClassModel, TInheritanceModel, "e_SysReg")

namespace {
template <class T> T* namedChild(TEntity* parent, const QString& name, bool create) {
    for (int i = 0; i < parent->ElementsCount(); ++i) {
        TElement* e = parent->Get(i);
        if (e && e->Is<T>() && sameText(e->GetName(), name)) return static_cast<T*>(e);
    }
    if (!create) return nullptr;
    auto* child = new T;
    child->SetName(name);
    parent->AddElement(child);
    return child;
}
} // namespace

TOwnerEntity* TRegisterClassModel::GetPropertyModels() {
    return namedChild<TOwnerEntity>(this, QStringLiteral("PROPERTY MODELS"), true);
}

TStringListElement* TRegisterClassModel::GetShell() {
    return namedChild<TStringListElement>(this, QStringLiteral("SHELL"), true);
}

TRegisterPropertyModel* TRegisterClassModel::PropertyModel(const QString& name) {
    return namedChild<TRegisterPropertyModel>(GetPropertyModels(), name, true);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TRegisterClassModels, TInheritanceModelEntity, "e_SysReg")

TRegisterClassModels::TRegisterClassModels() {
    FItemClassName = QStringLiteral("TRegisterClassModel");
}

TRegisterClassModel* TRegisterClassModels::ModelForClass(const TClassInfo* cls) {
    return zelto_cast<TRegisterClassModel>(GetItemForClass(cls));
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSystemRegister, TOwnerEntity, "e_SysReg")

TRegisterClassModels* TSystemRegister::GetClassModels() {
    return namedChild<TRegisterClassModels>(this, QStringLiteral("CLASS MODELS"), true);
}

TStringListElement* TSystemRegister::GetStringList(const QString& name) {
    return namedChild<TStringListElement>(this, name, true);
}

TStringListElement* TSystemRegister::FindStringList(const QString& name) const {
    return namedChild<TStringListElement>(const_cast<TSystemRegister*>(this), name, false);
}

void registerSystemRegisterClasses() {
    RegisterZeltoClass(TSystemRegister::StaticClass());
    RegisterZeltoClass(TRegisterClassModel::StaticClass());
    RegisterZeltoClass(TRegisterClassModels::StaticClass());
    RegisterZeltoClass(TRegisterPropertyModel::StaticClass());
}

} // namespace zelto
