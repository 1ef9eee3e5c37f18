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

TOwnerEntity* TRegisterClassModel::GetPropertyModels() {
    return NamedChild<TOwnerEntity>(QStringLiteral("PROPERTY MODELS"));
}

TStringListElement* TRegisterClassModel::GetShell() {
    return NamedChild<TStringListElement>(QStringLiteral("SHELL"));
}

TRegisterPropertyModel* TRegisterClassModel::PropertyModel(const QString& name) {
    return GetPropertyModels()->NamedChild<TRegisterPropertyModel>(name);
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
    return NamedChild<TRegisterClassModels>(QStringLiteral("CLASS MODELS"));
}

TStringListElement* TSystemRegister::GetStringList(const QString& name) {
    return NamedChild<TStringListElement>(name);
}

TStringListElement* TSystemRegister::FindStringList(const QString& name) const {
    return FindNamedChild<TStringListElement>(name);
}

void registerSystemRegisterClasses() {
    RegisterZeltoClass(TSystemRegister::StaticClass());
    RegisterZeltoClass(TRegisterClassModel::StaticClass());
    RegisterZeltoClass(TRegisterClassModels::StaticClass());
    RegisterZeltoClass(TRegisterPropertyModel::StaticClass());
}

} // namespace zelto
