// The system register: the world's named settings. String lists such as "IMAGES", "CURSORS" or
// "RASTER" are found by name; "CLASS MODELS" is an inheritance model of per-class settings.
#pragma once

#include "E_Type.h"
#include "e_InhMdl.h"

namespace zelto {

class TRegisterPropertyModel : public TOwnerEntity {
    ZELTO_CLASS(TRegisterPropertyModel, TOwnerEntity)
public:
    QString FAlias;
    qint32 FImageIndex = 0;
    QString FEditor;
};

class TRegisterClassModel : public TInheritanceModel {
    ZELTO_CLASS(TRegisterClassModel, TInheritanceModel)
public:
    QString FAlias;
    qint32 FImageIndex = 0;
    qint32 FImageSelectedIndex = 0;
    QString FEditor;
    QString FInterpret;
    QString FSubClass;

    // "PROPERTY MODELS": the models of the class's properties, created on demand.
    TOwnerEntity* GetPropertyModels();
    // "SHELL": the class's shell commands, created on demand.
    TStringListElement* GetShell();
    // The property model of that name, created when missing.
    TRegisterPropertyModel* PropertyModel(const QString& name);
};

class TRegisterClassModels : public TInheritanceModelEntity {
    ZELTO_CLASS(TRegisterClassModels, TInheritanceModelEntity)
public:
    TRegisterClassModels();
    // The model of the most specific registered class that `cls` derives from, or none.
    TRegisterClassModel* ModelForClass(const TClassInfo* cls);
};

class TSystemRegister : public TOwnerEntity {
    ZELTO_CLASS(TSystemRegister, TOwnerEntity)
public:
    TStringListElement* GetImages() { return GetStringList(QStringLiteral("IMAGES")); }
    TStringListElement* GetCursors() { return GetStringList(QStringLiteral("CURSORS")); }
    TRegisterClassModels* GetClassModels();
    // The settings list of that name (ignoring case), created when missing.
    TStringListElement* GetStringList(const QString& name);
    // The settings list of that name, or none.
    TStringListElement* FindStringList(const QString& name) const;
};

void registerSystemRegisterClasses();

} // namespace zelto
